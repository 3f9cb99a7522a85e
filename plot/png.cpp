#include "plot/png.h"

#include <QBuffer>
#include <QImageWriter>

#include "fault/faults.h"

namespace torv {

std::string pngBytes(const QImage& picture)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(picture))
        throw TorvError(writer.errorString().toStdString());
    return png.toStdString();
}

} // namespace torv
