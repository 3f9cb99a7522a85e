// The calculation form's side of the help: each field's line, shown as its
// tooltip and in the help window, the graph area's menu as the help lists
// it, and the keys F1 and Escape.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>

#include <variant>

#include "sim/state.h"
#include "ui/haupt.h"
#include "ui/help.h"
#include "ui/texts.h"

using torv::Text;

struct TForm2::FieldTip {
    std::variant<QLineEdit * TForm2::*, QComboBox * TForm2::*> control;
    QLabel* TForm2::*caption; // nullptr: `name` names it
    const char* name;
    Text line;
};

// clang-format off
// In the order the form shows them, top to bottom.
const TForm2::FieldTip TForm2::kFieldTips[] = {
    {&TForm2::EdGas,          &TForm2::Label18, nullptr,       Text::FieldGasDensity},
    {&TForm2::EdHFlug,        &TForm2::Label20, nullptr,       Text::FieldFloatAltitude},
    {&TForm2::EdMt,           &TForm2::Label23, nullptr,       Text::FieldFuel},
    {&TForm2::EdGasverlust,   &TForm2::Label28, nullptr,       Text::FieldGasLoss},
    {&TForm2::EdIud,          &TForm2::Label6,  nullptr,       Text::FieldImpulse},
    {&TForm2::EdAuftriebplus, &TForm2::Label27, nullptr,       Text::FieldBuoyancySurplus},
    {&TForm2::EdSchub,        &TForm2::Label24, nullptr,       Text::FieldThrust},
    {&TForm2::EdBelastung,    &TForm2::Label21, nullptr,       Text::FieldAreaLoading},
    {&TForm2::AeroBox1,       nullptr,          "Aerodynamic", Text::FieldAeroModel},
    {&TForm2::EdCx,           &TForm2::Label13, nullptr,       Text::FieldDrag},
    {&TForm2::EdCy,           &TForm2::Label11, nullptr,       Text::FieldLift},
    {&TForm2::edMassaStart,   &TForm2::Label8,  nullptr,       Text::FieldMass},
    {&TForm2::EdS0,           &TForm2::Label19, nullptr,       Text::FieldArea},
    {&TForm2::eddt0,          &TForm2::Label10, nullptr,       Text::FieldStep},
    {&TForm2::EdTTO,          &TForm2::Label14, nullptr,       Text::FieldPathAngle},
    {&TForm2::edH0,           &TForm2::Label25, nullptr,       Text::FieldAltitude},
    {&TForm2::edV0,           &TForm2::edV,     nullptr,       Text::FieldSpeed},
    {&TForm2::EdiVopt,        nullptr,          "Vopt",        Text::FieldLevelSpeed},
    {&TForm2::edTk,           &TForm2::Label3,  nullptr,       Text::FieldEndTime},
};
// clang-format on

void TForm2::setFieldTips()
{
    for (const FieldTip& f : kFieldTips)
        std::visit([&](auto member) { (this->*member)->setToolTip(torv::text(f.line)); }, f.control);
}

void TForm2::helpClick()
{
    std::vector<torv::HelpLine> fields;
    for (const FieldTip& f : kFieldTips) {
        const QString name = f.caption ? captionIn(f.caption, torv::st.Sprache) : QString::fromUtf8(f.name);
        fields.push_back({ name.simplified(), torv::text(f.line) });
    }
    std::vector<torv::HelpLine> menu;
    setMenuTexts();
    for (const QAction* a : GraphMenu->actions()) {
        if (a->isSeparator())
            continue;
        QString name = a->text();
        name.remove(QChar(0x2026));
        menu.push_back({ name, a->shortcut().toString(QKeySequence::NativeText) });
    }
    QWidget* over = QApplication::activeWindow();
    torv::showHelp(over ? over : this, fields, menu);
}

void TForm2::aboutClick()
{
    torv::showAbout(this);
}

void TForm2::escapeClick()
{
    Memo1->hide();
    Memo2->hide();
}
