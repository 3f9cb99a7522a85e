// Activation of the calculation form: layout per class, fields and state
// filled from the preset, captions per language, faults, and when it runs.
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "files/numfmt.h"
#include "files/resultfiles.h"
#include "physics/subrout.h"
#include "run/activation.h"
#include "run/flugbahn.h"
#include "test_calc.h"

using torv::PresetList;
using torv::st;

namespace {

using Get = std::function<QWidget*(const TForm2&)>;
struct Named {
    const char* name;
    Get get;
};

// clang-format off
#define CONTROL(m) Named{ #m, [](const TForm2& f) -> QWidget* { return f.m; } }

// Everything that activation shows for one class only.
const std::vector<Named> kClassControls = {
    CONTROL(Image8),  CONTROL(Image3),  CONTROL(Image5),  CONTROL(Image7),  CONTROL(Label18), CONTROL(Label20),
    CONTROL(Label27), CONTROL(Label28), CONTROL(EdGas),   CONTROL(EdHFlug), CONTROL(EdAuftriebplus),
    CONTROL(EdGasverlust), CONTROL(Label23), CONTROL(Label6), CONTROL(Label24), CONTROL(Label22), CONTROL(Label26),
    CONTROL(EdMt),    CONTROL(EdIud),   CONTROL(EdSchub), CONTROL(EdMdv),   CONTROL(EdRSAT),  CONTROL(ButtonP),
    CONTROL(EdiVopt), CONTROL(Button14),
};

const std::vector<Named> kGraphButtons = {
    CONTROL(Button9),  CONTROL(Button10), CONTROL(Button22), CONTROL(Button27), CONTROL(Button2),  CONTROL(Button3),
    CONTROL(Button4),  CONTROL(Button6),  CONTROL(Button7),  CONTROL(Button8),  CONTROL(Button11), CONTROL(Button12),
    CONTROL(Button14), CONTROL(Button15), CONTROL(Button17), CONTROL(Button18), CONTROL(ButtonP),  CONTROL(ButtonCya),
    CONTROL(Button13),
};

// The other fields a case names.
const std::vector<Named> kCommonFields = {
    CONTROL(edMassaStart), CONTROL(EdS0), CONTROL(EdCx), CONTROL(EdCy), CONTROL(edH0), CONTROL(edV0), CONTROL(EdTTO),
    CONTROL(edTk), CONTROL(eddt0), CONTROL(edHkk), CONTROL(edVk), CONTROL(edVwind), CONTROL(EdBelastung),
};
// clang-format on

// A control of either list by its member name.
QWidget* control(const TForm2& f, const std::string& name)
{
    for (const auto* list : { &kClassControls, &kCommonFields })
        for (const Named& n : *list)
            if (name == n.name)
                return n.get(f);
    throw std::out_of_range(name);
}

struct ActivationCase {
    const char* name;
    PresetList list;
    int index;
    int sprache;
    std::set<std::string> classShown; // of kClassControls
    std::map<std::string, const char*> texts; // field name -> text
    std::map<std::string, double> state; // expected numbers
    int ballonModus;
    std::map<std::string, QPoint> places; // control name -> position in the class frame
};

const std::map<std::string, QPoint> kBalloonPlaces = { { "EdGasverlust", { 160, 110 } }, { "Label28", { 16, 110 } },
    { "EdAuftriebplus", { 160, 150 } }, { "Label27", { 16, 150 } } };

// Field texts and state from the preset tables, written as general 15.
const ActivationCase kCases[] = {
    { "Projectile", PresetList::Projectil, 0, 2, { "Image8" },
        { { "edMassaStart", "1" }, { "EdS0", "0.02" }, { "EdCx", "0.01" }, { "EdCy", "0" }, { "edH0", "1" },
            { "edV0", "100" }, { "EdTTO", "45" }, { "edTk", "100" }, { "eddt0", "0.005" }, { "edHkk", "0" },
            { "edVk", "0" }, { "edVwind", "0" }, { "EdAuftriebplus", "1" }, { "EdGasverlust", "4.4" },
            { "EdBelastung", "50" } },
        { { "MassaStart", 1 }, { "S0", 0.02 }, { "Cx", 0.01 }, { "Cy", 0 }, { "H0", 1 }, { "V0", 100 }, { "TTO", 45 },
            { "Tk", 100 }, { "dt0", 0.005 }, { "Auftriebplus", 1 }, { "Gasverlust", 4.4 } },
        0, {} },
    { "Parachute", PresetList::Fallschirm, 0, 3, {},
        { { "edMassaStart", "100" }, { "EdS0", "36" }, { "EdCx", "0.8" }, { "edH0", "4000" }, { "EdTTO", "-90" },
            { "edTk", "5000" }, { "eddt0", "0.1" }, { "EdBelastung", "2.778" } },
        { { "MassaStart", 100 }, { "S0", 36 }, { "Cx", 0.8 }, { "H0", 4000 }, { "TTO", -90 }, { "dt0", 0.1 } }, 0, {} },
    { "Balloon", PresetList::Ballon, 1, 3,
        { "Image3", "Label18", "Label20", "Label27", "Label28", "EdGas", "EdHFlug", "EdAuftriebplus", "EdGasverlust" },
        { { "edMassaStart", "1000" }, { "EdGas", "0.178" }, { "EdHFlug", "1000" }, { "EdAuftriebplus", "1" },
            { "EdGasverlust", "4.4" }, { "edTk", "3500" }, { "EdTTO", "90" } },
        { { "MassaStart", 1000 }, { "GasDensity", 0.178 }, { "HFlug", 1000 }, { "Auftriebplus", 1 },
            { "Gasverlust", 4.4 }, { "Auftrieb", 9800 }, { "Gewicht", 9800 }, { "AuftriebSoll", 9898 } },
        1, kBalloonPlaces },
    { "BalloonGerman", PresetList::Ballon, 0, 2,
        { "Image3", "Label18", "Label20", "Label27", "Label28", "EdGas", "EdHFlug", "EdAuftriebplus", "EdGasverlust" },
        { { "EdGas", "0.085" }, { "EdS0", "482.1" } }, { { "GasDensity", 0.085 }, { "S0", 482.1 } }, 1,
        kBalloonPlaces },
    { "Glider", PresetList::Glider, 0, 1, { "EdiVopt", "Button14" },
        { { "edMassaStart", "300" }, { "EdS0", "6" }, { "EdCx", "0.03" }, { "EdCy", "1.5" }, { "edH0", "2000" },
            { "edV0", "25.45" }, { "EdTTO", "-1.1" }, { "EdBelastung", "50" } },
        { { "MassaStart", 300 }, { "S0", 6 }, { "Cy", 1.5 }, { "H0", 2000 }, { "V0", 25.45 }, { "TTO", -1.1 } }, 0,
        {} },
    { "Reentry", PresetList::Landekapsel, 1, 3, { "Button14" },
        { { "edMassaStart", "2800" }, { "EdS0", "3.8" }, { "EdCy", "0.125" }, { "edH0", "120000" }, { "edV0", "7800" },
            { "EdRSAT", "2" }, { "EdBelastung", "736.8" } },
        { { "MassaStart", 2800 }, { "S0", 3.8 }, { "Cy", 0.125 }, { "H0", 120000 }, { "RSAT", 2 } }, 0, {} },
    { "Rocket", PresetList::Launcher, 0, 2,
        { "Image7", "Label23", "Label6", "Label24", "EdMt", "EdIud", "EdSchub", "ButtonP" },
        { { "edMassaStart", "12700" }, { "EdS0", "2" }, { "EdTTO", "89.3" }, { "eddt0", "0.01" }, { "EdMt", "8200" },
            { "EdIud", "2200" }, { "EdSchub", "300000" }, { "EdMdv", "2000" }, { "EdBelastung", "6350" } },
        { { "MassaStart", 12700 }, { "Mt", 8200 }, { "Iud", 2200 }, { "Schub", 300000 }, { "Mdv", 2000 },
            { "TTO", 89.3 } },
        0,
        { { "EdMt", { 160, 50 } }, { "EdIud", { 160, 130 } }, { "EdSchub", { 160, 170 } }, { "EdMdv", { 160, 90 } },
            { "Label23", { 16, 50 } }, { "Label6", { 16, 130 } }, { "Label24", { 16, 170 } },
            { "Label22", { 16, 90 } } } },
};

// A field's variable by the field's name, or one of the envelope's forces.
double stateValue(const std::string& name)
{
    if (const torv::FieldInfo* f = torv::fieldNamed(name))
        return st.*f->var;
    static const std::map<std::string, double torv::SimState::*> forces = {
        { "Auftrieb", &torv::SimState::Auftrieb },
        { "Gewicht", &torv::SimState::Gewicht },
        { "AuftriebSoll", &torv::SimState::AuftriebSoll },
    };
    return st.*forces.at(name);
}

// Where a one-line label's letters stand in the form.
QRect letters(const QLabel* label)
{
    const QFontMetrics m = label->fontMetrics();
    return m.tightBoundingRect(label->text())
        .translated(label->geometry().topLeft() + label->contentsRect().topLeft() + QPoint(0, m.ascent()));
}

// Every text the form shows in a label, a button or a field.
QStringList allTexts(const TForm2& f)
{
    QStringList texts;
    for (const QLabel* l : f.findChildren<QLabel*>())
        texts << l->text();
    for (const QPushButton* b : f.findChildren<QPushButton*>())
        texts << b->text();
    return texts;
}

// The sample file a run left in the current folder, removed from there.
QByteArray takeSampleFile()
{
    QFile f(QString::fromLatin1(torv::kSampleFileName));
    const QByteArray data = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    f.remove();
    return data;
}

} // namespace

class Activation : public CalcForm, public ::testing::WithParamInterface<ActivationCase> { };

TEST_P(Activation, LaysOutTheClassAndFillsFieldsAndState)
{
    const ActivationCase& c = GetParam();
    openWith(c.list, c.index, c.sprache);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();

    EXPECT_EQ(form2->windowTitle(), QStringLiteral("  TORV vers 1.16 Beta  "));
    EXPECT_EQ(st.Titel, "  TORV vers 1.16 Beta  ");
    EXPECT_EQ(st.BallonModus, c.ballonModus);
    EXPECT_EQ(st.DatenSchalter, 0);
    EXPECT_EQ(st.g, 9.8);

    for (const Named& n : kClassControls)
        EXPECT_EQ(shown(n.get(*form2)), c.classShown.count(n.name) == 1) << n.name;
    for (const auto& [name, text] : c.texts)
        EXPECT_EQ(qobject_cast<QLineEdit*>(control(*form2, name))->text().toStdString(), text) << name;
    for (const auto& [name, value] : c.state)
        EXPECT_EQ(stateValue(name), value) << name;
    for (const auto& [name, place] : c.places)
        EXPECT_EQ(control(*form2, name)->pos(), place) << name;

    // The wind field and the Hk and Vk fields never stay, and the cover lies
    // above every graph button.
    for (const Named& n : { CONTROL(edVwind), CONTROL(Label7), CONTROL(edHkk), CONTROL(edVk) })
        EXPECT_FALSE(shown(n.get(*form2))) << n.name;
    for (const Named& n : kGraphButtons)
        EXPECT_GT(stackIndex(form2->Panel6), stackIndex(n.get(*form2))) << n.name;
    // The picture frame's caption shows only when no class picture covers it.
    EXPECT_TRUE(shown(form2->Label17));
}

TEST_P(Activation, NoControlsOverlapUnlessDesignedTo)
{
    const ActivationCase& c = GetParam();
    openWith(c.list, c.index, c.sprache);

    QList<QWidget*> inputs;
    for (QWidget* w : form2->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (shown(w) && (qobject_cast<QLineEdit*>(w) || qobject_cast<QPushButton*>(w) || qobject_cast<QComboBox*>(w)))
            inputs << w;
    for (int i = 0; i < inputs.size(); ++i)
        for (int j = i + 1; j < inputs.size(); ++j)
            EXPECT_FALSE(inputs[i]->geometry().intersects(inputs[j]->geometry()))
                << inputs[i]->geometry().x() << "," << inputs[i]->geometry().y() << " and " << inputs[j]->geometry().x()
                << "," << inputs[j]->geometry().y();

    // In every language the letters of captions left of the fields end
    // before them.
    for (int sprache = 1; sprache <= torv::kLanguages; ++sprache) {
        st.Sprache = sprache;
        form2->FormAktivate();
        for (const QLabel* l : form2->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
            if (shown(l) && l->x() < 197 && !l->text().isEmpty()) {
                const QRect ink = l->wordWrap() ? l->geometry() : letters(l);
                for (QWidget* w : inputs)
                    EXPECT_FALSE(ink.intersects(w->geometry())) << sprache << ": " << l->text().toStdString();
            }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Presets, Activation, ::testing::ValuesIn(kCases), [](const auto& info) { return std::string(info.param.name); });

TEST_F(CalcForm, BalloonAreaIsTheRoundedEnvelopeCrossSection)
{
    openWith(PresetList::Ballon, 1, 2); // helium, 1000 kg
    double T, p, a, rho0, mu;
    torv::Atmosphere(0, T, p, a, rho0, mu);
    ASSERT_NEAR(rho0, 1.225, 1e-3);

    const double volume = 1000 * 9.8 / (rho0 - 0.178);
    const double radius = std::pow(3 * volume / 4 / 3.14, 0.33);
    EXPECT_NEAR(st.Volumen, volume, 1e-9 * volume);
    EXPECT_EQ(st.VolumenStart, st.Volumen);
    EXPECT_NEAR(st.Radius, radius, 1e-12 * radius);
    EXPECT_NEAR(st.Oberflaeche, 12.56 * radius * radius, 1e-9);
    EXPECT_NEAR(st.SBallon, 3.14 * radius * radius, 1e-9);
    // Activation multiplies left to right, unlike the run, which squares first.
    EXPECT_EQ(st.Oberflaeche, 12.56 * st.Radius * st.Radius);
    EXPECT_EQ(st.SBallon, 3.14 * st.Radius * st.Radius);

    // About 510 m2; S0 holds exactly what EdS0 shows, rounded to 4 digits.
    const QString shownArea = form2->EdS0->text();
    EXPECT_EQ(shownArea.toStdString(), torv::general4(3.14 * radius * radius, '.'));
    EXPECT_EQ(st.S0, shownArea.toDouble());
    EXPECT_NEAR(st.S0, 510, 1);
    EXPECT_EQ(form2->EdBelastung->text().toStdString(), torv::general4(1000 / shownArea.toDouble(), '.'));
}

TEST_F(CalcForm, GliderShowsItsLevelFlightSpeed)
{
    openWith(PresetList::Glider, 0); // 300 kg, 6 m2, Cy 1.5, 2000 m
    double T, p, a, rho, mu;
    torv::Atmosphere(2000, T, p, a, rho, mu);
    const double vopt = std::sqrt(2 * 300 * 9.8 / (1.5 * rho * 6));
    EXPECT_NEAR(st.Vopt, vopt, 1e-12 * vopt);
    EXPECT_NEAR(st.Vopt, 25.5, 0.1);
    EXPECT_EQ(form2->EdiVopt->text().toStdString(), torv::general15(st.Vopt, '.'));
}

// A later preset of another class replaces the earlier class's controls.
TEST_F(CalcForm, AnotherClassWithoutMainShowsOnlyItsOwnControls)
{
    openWith(PresetList::Launcher, 0);
    openWith(PresetList::Ballon, 0);
    for (const Named& n : { CONTROL(EdMt), CONTROL(Image7), CONTROL(ButtonP) })
        EXPECT_FALSE(shown(n.get(*form2))) << n.name;
    EXPECT_TRUE(shown(form2->EdGas) && shown(form2->Image3));
    EXPECT_EQ(st.Mt, 8200); // the rocket's numbers stay in the state
}

TEST_F(CalcForm, StackingKeepsInputsAboveLabelsFramesAndPictures)
{
    auto rank = [this](QWidget* w) {
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w)
            || qobject_cast<QPlainTextEdit*>(w))
            return 2;
        return w == form2->Panel4 || w == form2->Panel6 || w == form2->Panel7 ? 1 : 0;
    };
    const auto children = form2->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* a : children)
        for (QWidget* b : children)
            if (rank(a) < rank(b) && a->geometry().intersects(b->geometry())) {
                EXPECT_LT(stackIndex(a), stackIndex(b));
            }
    EXPECT_GT(stackIndex(form2->Image8), stackIndex(form2->Label17));
    EXPECT_GT(stackIndex(form2->Image7), stackIndex(form2->Label17));
    EXPECT_GT(stackIndex(form2->Memo1), stackIndex(form2->Image1));
}

// The picture frame's caption lies wholly beneath each class picture.
TEST_F(CalcForm, ClassPicturesCoverTheFrameCaption)
{
    const QRect ink = letters(form2->Label17);
    for (const QLabel* picture : { form2->Image8, form2->Image3, form2->Image5, form2->Image7 })
        EXPECT_TRUE(picture->geometry().contains(ink)) << picture->geometry().y() << " " << ink.y();
}

// The test screen (800 x 600) is smaller than the form.
TEST_F(CalcForm, OnASmallScreenTheDesignedContentScrollsInsideTheWindow)
{
    openWith(PresetList::Launcher, 0);
    EXPECT_TRUE(form2->screen()->availableGeometry().contains(form2->frameGeometry()));
    QScrollBar *h = nullptr, *v = nullptr;
    for (QScrollBar* bar : form2->findChildren<QScrollBar*>(Qt::FindDirectChildrenOnly))
        (bar->orientation() == Qt::Horizontal ? h : v) = bar;
    ASSERT_TRUE(h && v && h->isVisible() && v->isVisible());
    // Scrolled to the end, the form's bottom-right corner meets the bars.
    h->setValue(h->maximum());
    v->setValue(v->maximum());
    const QPoint offset(h->value(), v->value());
    EXPECT_EQ(QPoint(1228, 868) - offset, QPoint(v->x(), h->y()));
    // A new activation lays the form out where it is scrolled to.
    form2->FormAktivate();
    EXPECT_EQ(form2->EdMt->pos(), QPoint(160, 50) - offset);
}

TEST_F(CalcForm, CreatedStateBeforeAnyActivation)
{
    EXPECT_EQ(form2->size(), QSize(1228, 868));
    EXPECT_EQ(form2->minimumSize(), form2->maximumSize());
    EXPECT_EQ(form2->windowTitle(), QStringLiteral("  Torv version 1.16 (Beta)"));
    EXPECT_EQ(form2->AeroBox1->currentIndex(), -1);
    EXPECT_EQ(form2->AeroBox1->currentText(), QStringLiteral("Aerodynamic"));
    EXPECT_EQ(form2->AeroBox1->count(), 2);
    for (const Named& n : kClassControls)
        EXPECT_FALSE(shown(n.get(*form2))) << n.name;
    EXPECT_TRUE(shown(form2->edVwind));
    EXPECT_FALSE(shown(form2->Memo1) || shown(form2->Memo2));
    for (const Named& n : kGraphButtons)
        EXPECT_LT(stackIndex(form2->Panel6), stackIndex(n.get(*form2))) << n.name;
}

// ---------------------------------------------------------------------------
// Faults during activation

TEST_F(CalcForm, AllZeroScenarioFaultsAtTheAreaLoading)
{
    st.Sprache = 3;
    form2->showFromStart();
    EXPECT_EQ(errors, QStringList { QStringLiteral("Invalid floating point operation.") });
    // Fields, captions and cover done; the load not.
    for (QLineEdit* f : { form2->edMassaStart, form2->EdS0, form2->edH0, form2->edV0, form2->EdTTO, form2->edTk,
             form2->eddt0, form2->EdCx, form2->EdCy })
        EXPECT_EQ(f->text(), QStringLiteral("0"));
    EXPECT_EQ(form2->Label12->text(), QStringLiteral("entry conditions"));
    EXPECT_GT(stackIndex(form2->Panel6), stackIndex(form2->Button9));
    EXPECT_TRUE(form2->EdBelastung->text().isEmpty());
    // Nor the hiding of the wind field and the class's controls.
    EXPECT_TRUE(shown(form2->edVwind) && shown(form2->Label7));
    EXPECT_FALSE(shown(form2->Button14));
    // The form stays usable.
    form2->edH0->setText(QStringLiteral("250"));
    EXPECT_EQ(st.H0, 250);
}

TEST_F(CalcForm, FaultInTheGliderStepLeavesLaterStepsUndone)
{
    torv::loadPreset(PresetList::Glider, 0);
    st.Szenario.Cy = 0;
    st.Sprache = 3;
    form2->showFromStart();
    EXPECT_EQ(errors, QStringList { QStringLiteral("Floating point division by zero.") });
    EXPECT_EQ(form2->EdCy->text(), QStringLiteral("0"));
    // Neither the captions nor the cover reached.
    EXPECT_EQ(form2->Label12->text(), QStringLiteral("Anfangsbedingungen "));
    EXPECT_LT(stackIndex(form2->Panel6), stackIndex(form2->Button9));
    EXPECT_TRUE(shown(form2->edVwind));
}

TEST_F(CalcForm, GasDenserThanAirFaultsAtTheBalloonRadius)
{
    torv::loadPreset(PresetList::Ballon, 0);
    st.Szenario.GasDichte = 2.0;
    form2->showFromStart();
    EXPECT_EQ(errors, QStringList { QStringLiteral("Invalid floating point operation.") });
    EXPECT_EQ(form2->EdS0->text(), QStringLiteral("6"));
    EXPECT_EQ(st.S0, 6);
    EXPECT_EQ(st.Radius, 0); // no NaN left behind
}

// ---------------------------------------------------------------------------
// Captions

struct CaptionCase {
    int sprache;
    const char* texts[5]; // of Label14, Label13, Button12, Button14, Label23
};

class Captions : public CalcForm, public ::testing::WithParamInterface<CaptionCase> { };

TEST_P(Captions, FollowTheLanguage)
{
    const CaptionCase& c = GetParam();
    openWith(PresetList::Launcher, 0, c.sprache);
    const QWidget* const captioned[]
        = { form2->Label14, form2->Label13, form2->Button12, form2->Button14, form2->Label23 };
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(captioned[i]->property("text").toString(), QString::fromUtf8(c.texts[i])) << i;
}

INSTANTIATE_TEST_SUITE_P(Languages, Captions,
    ::testing::Values(
        CaptionCase { 1, { "Угол наклона траектории,Qo,град", "Cx", "X=f(t)", "Y=f(t)", "Treibstoffmasse, kg" } },
        CaptionCase { 2, { "Bahnwinkel,  Qo, grad", "Cw", "W=f(t)", "A=f(t)", "Treibstoffmasse, kg" } },
        CaptionCase { 3, { "trajectory angle,Qo,grad", "Cd", "Drag=f(t)", "Lift=f(t)", "fuel,mt,kg" } }));

// A language shows the same texts whatever language came before it.
TEST_F(CalcForm, LanguageChangesLeaveNoEarlierTexts)
{
    const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    openWith(PresetList::Ballon, 1, 3);
    const QStringList english = allTexts(*form2);
    openWith(PresetList::Ballon, 1, 2);
    const QStringList german = allTexts(*form2);
    openWith(PresetList::Ballon, 1, 1);
    EXPECT_TRUE(allTexts(*form2).join(' ').contains(cyrillic));
    openWith(PresetList::Ballon, 1, 3);
    EXPECT_FALSE(allTexts(*form2).join(' ').contains(cyrillic));
    EXPECT_EQ(allTexts(*form2), english);
    openWith(PresetList::Ballon, 1, 2);
    EXPECT_EQ(allTexts(*form2), german);
}

// ---------------------------------------------------------------------------
// When activation runs

TEST_F(CalcForm, RunsOnceFromStartAndAgainWhenComingBackFromTheStartForm)
{
    openWith(PresetList::Projectil, 0);
    st.H0 = 777; // a second run of the activation would refill it
    QTest::qWait(100);
    EXPECT_EQ(st.H0, 777);

    // The program regaining the focus, or a message box closing, is no
    // return from the start form.
    QEvent deactivate(QEvent::WindowDeactivate);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(form2.get(), &deactivate);
    QApplication::sendEvent(form2.get(), &activate);
    QDialog box;
    QApplication::sendEvent(&box, &activate);
    QApplication::sendEvent(form2.get(), &activate);
    EXPECT_EQ(st.H0, 777);

    // Edited, to the start form and back: refilled from the scenario.
    form2->edH0->setText(QStringLiteral("5000"));
    EXPECT_EQ(st.H0, 5000);
    form1->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form1.get()));
    form2->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form2.get()));
    EXPECT_EQ(form2->edH0->text(), QStringLiteral("1"));
    EXPECT_EQ(st.H0, 1);
}

// Activation writes texts that equal the ones already there; the handlers
// must still store them.
TEST_F(CalcForm, UnchangedTextsStillReachTheState)
{
    openWith(PresetList::Glider, 3);
    st.MassaStart = st.S0 = st.H0 = st.Tk = st.dt0 = 0;
    openWith(PresetList::Glider, 3);
    EXPECT_EQ(std::vector<double>({ st.MassaStart, st.S0, st.H0, st.Tk, st.dt0 }),
        std::vector<double>({ 525, 10.5, 500, 1500, 0.1 }));
}

// ---------------------------------------------------------------------------
// The form and the core activate alike

class SameAsCore : public CalcForm, public ::testing::WithParamInterface<int> { };

// For every preset, in each language in turn: the state the form's
// activation leaves, and the state and sample file its START leaves, are
// those of the core's activation and run without any form; torv-batch
// writes the same sample file.
TEST_P(SameAsCore, ActivationAndRunLeaveTheSameStateAndFile)
{
    const auto preset = torv::presetNumber(GetParam());
    ASSERT_TRUE(preset);
    const int sprache = 1 + GetParam() % 3;
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));

    torv::choosePreset(preset->list, preset->index);
    st.Sprache = sprache;
    form2->showFromStart();
    const torv::SimState activated = st;
    form2->Button1Click();
    ASSERT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    const torv::SimState afterRun = st;
    const QByteArray formFile = takeSampleFile();
    ASSERT_FALSE(formFile.isEmpty());

    torv::resetState();
    torv::choosePreset(preset->list, preset->index);
    st.Sprache = sprache;
    torv::activate('.');
    EXPECT_TRUE(st == activated);
    torv::Flugbahn();
    EXPECT_TRUE(st == afterRun);
    EXPECT_EQ(takeSampleFile(), formFile);

    const char* const kLang[] = { "", "ru", "de", "en" };
    QProcess batch;
    batch.start(QStringLiteral(TORV_BATCH),
        { QStringLiteral("--preset"), QString::number(GetParam()), QStringLiteral("--lang"),
            QString::fromLatin1(kLang[sprache]) });
    ASSERT_TRUE(batch.waitForFinished());
    EXPECT_EQ(batch.exitCode(), 0) << batch.readAllStandardError().toStdString();
    EXPECT_EQ(takeSampleFile(), formFile);
    QDir::setCurrent(previous);
}

INSTANTIATE_TEST_SUITE_P(AllPresets, SameAsCore, ::testing::Range(1, torv::presetCount() + 1));
