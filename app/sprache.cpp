#include "app/sprache.h"

TForm1::TForm1(QWidget* parent) : QWidget(parent)
{
    setFixedSize(775, 560);
}

void TForm1::showLanguageAgain()
{
    show();
}
