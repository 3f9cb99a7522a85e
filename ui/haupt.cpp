#include "ui/haupt.h"

TForm2::TForm2(QWidget* parent) : QWidget(parent)
{
    setFixedSize(1228, 868);
}

void TForm2::showFromStart()
{
    show();
    raise();
    activateWindow();
}
