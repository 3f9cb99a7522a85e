// The calculation form.
#pragma once

#include <QWidget>

class TForm1;

class TForm2 : public QWidget {
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);

    void setStartForm(TForm1* form) { Form1 = form; }
    // START on the start form: show this form; its activation lays it out.
    void showFromStart();

private:
    TForm1* Form1 = nullptr;
};
