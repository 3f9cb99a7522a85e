#include "ui/calcfields.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <iterator>
#include <utility>
#include <variant>

#include "fault/faults.h"
#include "files/numfmt.h"
#include "model/state.h"
#include "plot/grafik.h"
#include "ui/guard.h"
#include "ui/texts.h"

namespace torv {

namespace {

using C = CalcControls;

// Each field's control and caption.
struct FieldControl {
    Field field;
    QLineEdit* C::*control;
    QLabel* C::*caption;
};

// clang-format off
constexpr FieldControl kFieldControls[] = {
    {Field::MassaStart,   &C::edMassaStart,   &C::Label8},
    {Field::H0,           &C::edH0,           &C::Label25},
    {Field::V0,           &C::edV0,           &C::edV},
    {Field::RSAT,         &C::EdRSAT,         &C::Label26},
    {Field::S0,           &C::EdS0,           &C::Label19},
    {Field::Cx,           &C::EdCx,           &C::Label13},
    {Field::Cy,           &C::EdCy,           &C::Label11},
    {Field::TTO,          &C::EdTTO,          &C::Label14},
    {Field::Tk,           &C::edTk,           &C::Label3},
    {Field::Hk,           &C::edHkk,          &C::Label2},
    {Field::Vk,           &C::edVk,           &C::Label4},
    {Field::dt0,          &C::eddt0,          &C::Label10},
    {Field::Vwind,        &C::edVwind,        &C::Label7},
    {Field::Auftriebplus, &C::EdAuftriebplus, &C::Label27},
    {Field::Gasverlust,   &C::EdGasverlust,   &C::Label28},
    {Field::Mt,           &C::EdMt,           &C::Label23},
    {Field::Iud,          &C::EdIud,          &C::Label6},
    {Field::Schub,        &C::EdSchub,        &C::Label24},
    {Field::Mdv,          &C::EdMdv,          &C::Label22},
    {Field::GasDensity,   &C::EdGas,          &C::Label18},
    {Field::HFlug,        &C::EdHFlug,        &C::Label20},
};
// clang-format on

constexpr bool inFieldOrder()
{
    for (size_t f = 0; f < std::size(kFieldControls); ++f)
        if (kFieldControls[f].field != static_cast<Field>(f))
            return false;
    return std::size(kFieldControls) == kFieldCount;
}
static_assert(inFieldOrder(), "one row per field, in the order of Field");

const FieldControl& row(Field field)
{
    return kFieldControls[static_cast<int>(field)];
}

// A line of help: the control it is for, the caption that names it (nullptr:
// `name` does), and the line.
struct FieldTip {
    std::variant<QLineEdit * C::*, QComboBox * C::*> control;
    QLabel* C::*caption;
    const char* name;
    Text line;
};

// clang-format off
// In the order the form shows them, top to bottom.
constexpr FieldTip kFieldTips[] = {
    {&C::EdGas,          &C::Label18, nullptr,       Text::FieldGasDensity},
    {&C::EdHFlug,        &C::Label20, nullptr,       Text::FieldFloatAltitude},
    {&C::EdMt,           &C::Label23, nullptr,       Text::FieldFuel},
    {&C::EdGasverlust,   &C::Label28, nullptr,       Text::FieldGasLoss},
    {&C::EdIud,          &C::Label6,  nullptr,       Text::FieldImpulse},
    {&C::EdAuftriebplus, &C::Label27, nullptr,       Text::FieldBuoyancySurplus},
    {&C::EdSchub,        &C::Label24, nullptr,       Text::FieldThrust},
    {&C::EdBelastung,    &C::Label21, nullptr,       Text::FieldAreaLoading},
    {&C::AeroBox1,       nullptr,     "Aerodynamic", Text::FieldAeroModel},
    {&C::EdCx,           &C::Label13, nullptr,       Text::FieldDrag},
    {&C::EdCy,           &C::Label11, nullptr,       Text::FieldLift},
    {&C::edMassaStart,   &C::Label8,  nullptr,       Text::FieldMass},
    {&C::EdS0,           &C::Label19, nullptr,       Text::FieldArea},
    {&C::eddt0,          &C::Label10, nullptr,       Text::FieldStep},
    {&C::EdTTO,          &C::Label14, nullptr,       Text::FieldPathAngle},
    {&C::edH0,           &C::Label25, nullptr,       Text::FieldAltitude},
    {&C::edV0,           &C::edV,     nullptr,       Text::FieldSpeed},
    {&C::EdiVopt,        nullptr,     "Vopt",        Text::FieldLevelSpeed},
    {&C::edTk,           &C::Label3,  nullptr,       Text::FieldEndTime},
};
// clang-format on

} // namespace

CalcFields::CalcFields(QWidget* form, CalcControls& controls, const CalcLayout& layout)
    : form_(form)
    , c_(controls)
    , layout_(layout)
{
}

QLineEdit* CalcFields::control(Field field) const
{
    return c_.*row(field).control;
}

void CalcFields::setHandler(Field field, std::function<void()> handler)
{
    handlers_[static_cast<int>(field)] = std::move(handler);
    QObject::connect(control(field), &QLineEdit::textChanged, form_, [this, field] { runHandler(field); });
}

void CalcFields::setText(QLineEdit* field, const QString& text)
{
    ++settingText_;
    handlerError_ = nullptr;
    if (field->text() == text) {
        for (const FieldControl& f : kFieldControls)
            if (c_.*f.control == field && handlers_[static_cast<int>(f.field)])
                runHandler(f.field);
    } else {
        field->setText(text);
        field->setCursorPosition(0);
    }
    --settingText_;
    if (handlerError_)
        std::rethrow_exception(std::exchange(handlerError_, nullptr));
}

void CalcFields::runHandler(Field field)
{
    const std::function<void()>& handler = handlers_[static_cast<int>(field)];
    if (settingText_ > 0) {
        try {
            handler();
        } catch (...) {
            handlerError_ = std::current_exception();
        }
        return;
    }
    guarded(handler);
}

void CalcFields::store(Field field)
{
    const std::string text = control(field)->text().toStdString();
    const auto value = parseNumber(text, userDecimalSeparator());
    if (!value)
        throw ConvertError(text);
    st.*fieldInfo(field).var = *value;
}

void CalcFields::storeAeroModel()
{
    // Typed text that names no item selects none, whatever index the
    // combo box still remembers.
    int item = c_.AeroBox1->currentIndex();
    if (item >= 0 && c_.AeroBox1->currentText() != c_.AeroBox1->itemText(item))
        item = -1;
    if (item == 0)
        st.AeroModel = 0.0;
    else if (item == 1)
        st.AeroModel = 1.0;
}

void CalcFields::setVisible(Field field, bool visible)
{
    (c_.*row(field).control)->setVisible(visible);
    (c_.*row(field).caption)->setVisible(visible);
}

void CalcFields::place(Field field, int top, bool visible)
{
    (c_.*row(field).caption)->move(16, top);
    (c_.*row(field).control)->move(160, top);
    setVisible(field, visible);
}

void CalcFields::refuseUnread(const QString& message) const
{
    const char sep = userDecimalSeparator();
    for (const FieldControl& f : kFieldControls) {
        QLineEdit* field = c_.*f.control;
        if (!field->isVisibleTo(form_) || parseNumber(field->text().toStdString(), sep))
            continue;
        field->setFocus();
        field->selectAll();
        const QString caption = (c_.*f.caption)->text().simplified();
        // A pasted page is echoed as its first 80 characters.
        const QString typed = QString::fromStdString(echoed(field->text().toStdString()));
        throw TorvError(message.arg(caption, typed).toStdString());
    }
}

void CalcFields::setTips()
{
    for (const FieldTip& f : kFieldTips)
        std::visit([&](auto member) { (c_.*member)->setToolTip(text(f.line)); }, f.control);
}

std::vector<std::pair<Field, QString>> CalcFields::shownCaptions() const
{
    std::vector<std::pair<Field, QString>> shown;
    for (const FieldControl& f : kFieldControls)
        if ((c_.*f.control)->isVisibleTo(form_))
            shown.emplace_back(f.field, (c_.*f.caption)->text().simplified());
    std::stable_sort(shown.begin(), shown.end(), [this](const auto& a, const auto& b) {
        return control(a.first)->mapTo(form_, QPoint()).y() < control(b.first)->mapTo(form_, QPoint()).y();
    });
    return shown;
}

std::vector<HelpLine> CalcFields::helpLines() const
{
    std::vector<HelpLine> lines;
    for (const FieldTip& f : kFieldTips) {
        // In the help's language: English before one is chosen.
        const int language = st.Sprache != 0 ? st.Sprache : 3;
        const QString name = f.caption ? layout_.captionIn(f.caption, language) : QString::fromUtf8(f.name);
        lines.push_back({ name.simplified(), text(f.line) });
    }
    return lines;
}

} // namespace torv
