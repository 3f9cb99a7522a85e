#include "ui/look.h"

#include <QFile>
#include <QFileDialog>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include "files/atomicfile.h"

namespace torv::look {

QFont face(const char* family, const char* standIn, int pixels, bool bold)
{
    QFont f;
    f.setFamilies({ QString::fromLatin1(family), QString::fromLatin1(standIn), QStringLiteral("DejaVu Sans") });
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QFont msSans(int pixels, bool bold)
{
    return face("MS Sans Serif", "DejaVu Sans Condensed", pixels, bold);
}

QFont verdana(int pixels, bool bold)
{
    return face("Verdana", "DejaVu Sans", pixels, bold);
}

void setColour(QWidget* w, QPalette::ColorRole role, QRgb rgb)
{
    QPalette p = w->palette();
    p.setColor(role, QColor::fromRgb(rgb));
    w->setPalette(p);
}

void makePanel(QFrame* panel, int style, QRgb fill)
{
    panel->setFrameStyle(style);
    panel->setAutoFillBackground(true);
    setColour(panel, QPalette::Window, fill);
}

void showPicture(QLabel* label, const QString& resource)
{
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // An icon takes the picture's "@2x" variant where the screen is dense.
    const QIcon picture(resource);
    const QSize size = QImageReader(resource).size();
    label->setPixmap(size.isValid() ? picture.pixmap(size, label->devicePixelRatioF()) : QPixmap());
}

QString pictureIn(const QString& resource, int sprache)
{
    const char* suffix = sprache == 1 ? "-ru" : sprache == 2 ? "-de" : nullptr;
    const qsizetype dot = resource.lastIndexOf(u'.');
    if (!suffix || dot < 0)
        return resource;
    const QString variant = QString(resource).insert(dot, QLatin1String(suffix));
    return QFile::exists(variant) ? variant : resource;
}

QString askSaveName(
    QWidget* parent, const QString& title, const QString& name, const QString& filter, const QString& suffix)
{
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(name);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

void saveFrom(const QAbstractButton* button, const QString& name, const QString& filter, const QString& suffix,
    const std::function<std::string()>& bytes)
{
    const QString title = QString(button->text()).remove(u'&').remove(QChar(0x2026));
    const QString path = askSaveName(button->window(), title, name, filter, suffix);
    if (!path.isEmpty())
        writeFileAtomically(path.toStdString(), bytes());
}

} // namespace torv::look
