#include "plot/grafik.h"

namespace torv {

QImage drawGraph(const double*, const int*, int, int)
{
    QImage img(800, 600, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

void Grafik(GraphTarget& target, const double* Ergebnis, const int* GraphCodes, int NPunkte, int GraphCount)
{
    target.showGraph(drawGraph(Ergebnis, GraphCodes, NPunkte, GraphCount));
}

}  // namespace torv
