// The start form: language, vehicle class and preset choice.
#pragma once

#include <QWidget>

class TForm2;

class TForm1 : public QWidget {
    Q_OBJECT

public:
    explicit TForm1(QWidget* parent = nullptr);

    void setCalcForm(TForm2* form) { Form2 = form; }
    // MAIN on the calculation form: show this form again with the language
    // picture and the language choice visible and nothing selected.
    void showLanguageAgain();

private:
    TForm2* Form2 = nullptr;
};
