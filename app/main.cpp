#include <QApplication>

#include "app/sprache.h"
#include "ui/haupt.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TForm1 Form1;
    TForm2 Form2;
    Form1.setCalcForm(&Form2);
    Form2.setStartForm(&Form1);
    Form1.show();
    return app.exec();
}
