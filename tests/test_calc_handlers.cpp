// The calculation form's handlers: fields, the aerodynamics box, START and
// its progress dialog, the graph buttons, MAIN, QUIT, I N F and H E L P, and
// the run's way back in.
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>

#include <cfenv>
#include <vector>

#include "fault/faults.h"
#include "model/catalog.h"
#include "test_calc.h"

using torv::PresetList;
using torv::st;

namespace {

struct GraphCase {
    const char* name;
    QPushButton* TForm2::*button;
    torv::Sel selection;
};

// clang-format off
// Each button's selection; the catalogue's tests check the codes each one
// writes, and no two write the same, so a button wired wrongly shows.
#define GRAPH(b, sel) GraphCase { #b, &TForm2::b, torv::Sel::sel }
const GraphCase kGraphs[] = {
    GRAPH(Button9, FlightOverRange),      GRAPH(Button10, FlightOverTime),        GRAPH(Button22, SpeedAltitudeOverTime),
    GRAPH(Button27, SpeedOverTime),       GRAPH(Button2, SpeedAltitudeOverRange), GRAPH(Button3, AltitudeOverTime),
    GRAPH(Button4, AxialLoadOverTime),    GRAPH(Button6, NormalLoadOverTime),     GRAPH(Button7, DynamicPressureOverTime),
    GRAPH(Button8, PathAngleOverTime),    GRAPH(Button11, LoadFactorsOverTime),   GRAPH(Button12, DragOverTime),
    GRAPH(Button14, LiftOverTime),        GRAPH(Button15, AltitudeOverSpeed),     GRAPH(Button17, HeatingOverTime),
    GRAPH(Button18, BuoyancyOverTime),    GRAPH(ButtonP, ThrustOverTime),         GRAPH(ButtonCya, AerodynamicsOverTime),
    GRAPH(Button13, AtmosphereOverTime),
};
#undef GRAPH
// clang-format on

// Series that every graph can scale: all positive, rising.
void fillSeries()
{
    st.NPunkte = torv::kSamples;
    for (int k = 0; k < torv::kSeriesCount; ++k)
        for (int i = 0; i < torv::kSamples; ++i)
            st.Ergebnis[k * torv::kSamples + i] = (i + 1) * (k + 1) * 0.5;
}

bool allWhite(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                return false;
    return true;
}

QString notANumber(const QString& text)
{
    return QStringLiteral("'%1' is not a valid floating point value.").arg(text);
}

} // namespace

// ---------------------------------------------------------------------------
// Fields

class FieldChange : public CalcForm, public ::testing::WithParamInterface<torv::FieldInfo> { };

// Which control belongs to which field the activation tests check, by the
// texts the controls show.
TEST_P(FieldChange, StoresIntoItsOwnVariableOnly)
{
    const torv::FieldInfo& c = GetParam();
    form2->fieldControl(c.field)->setText(QStringLiteral("-123.25e1"));
    EXPECT_EQ(st.*c.var, -1232.5);
    for (const torv::FieldInfo& other : torv::fieldTable()) {
        if (other.var != c.var) {
            EXPECT_EQ(st.*other.var, 0) << other.name;
        }
    }
    EXPECT_TRUE(errors.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(AllFields, FieldChange, ::testing::ValuesIn(torv::fieldTable()),
    [](const auto& info) { return std::string(info.param.name); });

// Each key stores the number typed so far; a text that is no number (an
// emptied field too) shows the error box and keeps the old value and the text.
TEST_F(CalcForm, FieldsStoreEachNumberAsTypedAndRefuseOtherTexts)
{
    openWith(PresetList::Projectil, 0);
    form2->edH0->selectAll();
    std::vector<double> seen;
    for (const char key : { '2', '5', '0', '0' }) {
        QTest::keyClick(form2->edH0, key);
        seen.push_back(st.H0);
    }
    EXPECT_EQ(seen, (std::vector<double> { 2, 25, 250, 2500 }));
    EXPECT_TRUE(errors.isEmpty());

    form2->EdCx->selectAll();
    QTest::keyClick(form2->EdCx, Qt::Key_Backspace);
    EXPECT_EQ(errors, QStringList { QStringLiteral("'' is not a valid floating point value.") });
    EXPECT_EQ(st.Cx, 0.01);
    EXPECT_TRUE(form2->EdCx->text().isEmpty());
    QTest::keyClicks(form2->EdCx, QStringLiteral("0.3")); // typing goes on after the box
    EXPECT_EQ(st.Cx, 0.3);
    EXPECT_EQ(errors.size(), 1);

    for (const char* text : { "1.2.3", "1,000", "-", "12a", "e5", "1e", "0x10", "1 000" }) {
        errors.clear();
        form2->edV0->setText(QString::fromUtf8(text));
        EXPECT_EQ(errors, QStringList { notANumber(QString::fromUtf8(text)) }) << text;
        EXPECT_EQ(st.V0, 100) << text;
        EXPECT_EQ(form2->edV0->text(), QString::fromUtf8(text));
    }
    for (const auto& [text, value] : std::vector<std::pair<const char*, double>> {
             { " 12 ", 12 }, { "+.5", 0.5 }, { "1E3", 1000 }, { "-2.5e-1", -0.25 }, { "7.", 7 } }) {
        errors.clear();
        form2->edV0->setText(QString::fromUtf8(text));
        EXPECT_TRUE(errors.isEmpty()) << text;
        EXPECT_EQ(st.V0, value) << text;
    }
}

// ---------------------------------------------------------------------------
// Aerodynamics box

TEST_F(CalcForm, AeroBoxChoosesTheModelAndKeepsItAcrossActivations)
{
    openWith(PresetList::Landekapsel, 1);
    EXPECT_EQ(st.AeroModel, 0.0);
    form2->AeroBox1->setCurrentIndex(1);
    EXPECT_EQ(st.AeroModel, 1.0);

    // Text that names no item selects none and changes nothing.
    form2->AeroBox1->lineEdit()->selectAll();
    QTest::keyClicks(form2->AeroBox1->lineEdit(), QStringLiteral("Constan"));
    EXPECT_EQ(st.AeroModel, 1.0);

    form2->AeroBox1->setCurrentIndex(0);
    EXPECT_EQ(st.AeroModel, 0.0);
    form2->AeroBox1->setCurrentIndex(1);

    openWith(PresetList::Landekapsel, 1);
    EXPECT_EQ(st.AeroModel, 1.0);
    EXPECT_EQ(form2->AeroBox1->currentIndex(), 1);
    EXPECT_TRUE(errors.isEmpty());
}

// ---------------------------------------------------------------------------
// Graph buttons

class GraphButtons : public CalcForm, public ::testing::WithParamInterface<GraphCase> { };

TEST_P(GraphButtons, SetTheirSelectionAndDraw)
{
    const GraphCase& c = GetParam();
    fillSeries();
    st.GraphCodes.fill(99);
    torv::applyGraphSelection(c.selection);
    const auto codes = st.GraphCodes;
    const int count = st.GraphCount;
    st.GraphCodes.fill(99);
    st.GraphCount = 0;
    st.GraphPage = 3;
    (form2.get()->*c.button)->click();

    EXPECT_EQ(st.GraphCodes, codes);
    EXPECT_EQ(st.GraphCount, count);
    EXPECT_EQ(st.GraphPage, 0);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    EXPECT_EQ(form2->Image1->pixmap().size(), QSize(800, 600));
}

INSTANTIATE_TEST_SUITE_P(Selections, GraphButtons, ::testing::ValuesIn(kGraphs),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CalcForm, RendererDecidesFiveButtons)
{
    using torv::GraphButton;
    const std::pair<GraphButton, QPushButton*> buttons[] = { { GraphButton::AerodynamicsOverTime, form2->ButtonCya },
        { GraphButton::NormalLoadOverTime, form2->Button6 }, { GraphButton::LoadFactorsOverTime, form2->Button11 },
        { GraphButton::LiftOverTime, form2->Button14 }, { GraphButton::BuoyancyOverTime, form2->Button18 } };
    torv::DrawnGraph graph;
    graph.picture = QImage(800, 600, QImage::Format_RGB32);
    for (const auto& [which, button] : buttons) {
        graph.buttons.fill(true);
        graph.buttons[static_cast<int>(which)] = false;
        form2->showGraph(graph);
        for (const auto& [other, b] : buttons)
            EXPECT_EQ(shown(b), other != which);
        graph.buttons.fill(true);
        form2->showGraph(graph);
        for (const auto& [other, b] : buttons)
            EXPECT_TRUE(shown(b));
    }
}

// ---------------------------------------------------------------------------
// START, MAIN, QUIT, I N F, H E L P

class Start : public CalcForm, public ::testing::WithParamInterface<int> { };

// A run hides the text boxes, uncovers the graph buttons, writes the sample
// file and draws its graph. A long run's dialog comes after a moment;
// cancelling it keeps the old file and the form. A step that would never end
// is refused.
TEST_P(Start, RunsDrawsCancelsAndRefusesEndlessSteps)
{
    QTemporaryDir work;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    auto contents = [] {
        QFile f(QStringLiteral("Torv_500.txt"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    openWith(PresetList::Projectil, 0, GetParam());
    form2->Button19->click();
    form2->Button1->click();
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    EXPECT_FALSE(shown(form2->Memo1));
    EXPECT_FALSE(shown(form2->Memo2));
    EXPECT_LT(stackIndex(form2->Panel6), stackIndex(form2->Bevel1));
    EXPECT_TRUE(QFile::exists(QStringLiteral("Torv_500.txt")));
    EXPECT_EQ(st.NPunkte, 500);
    EXPECT_EQ(st.GraphCount, 7);
    EXPECT_EQ(form2->Image1->pixmap().size(), QSize(800, 600));
    EXPECT_FALSE(allWhite(form2->Image1->pixmap().toImage()));

    const QByteArray old = contents();
    const double lastRunTime = st.dtProbe * st.NPunkte;
    form2->eddt0->setText(QStringLiteral("1.5e-7"));
    // Cancel once the (modal) dialog has shown the run moving on.
    QElapsedTimer clock;
    qint64 shownAt = -1;
    QStringList labels;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget())) {
            shownAt = shownAt < 0 ? clock.elapsed() : shownAt;
            labels << dialog->labelText();
            if (labels.last() != labels.first())
                QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
        }
    });
    poll.start(10);
    clock.start();
    form2->Button1->click();

    EXPECT_TRUE(shownAt >= 300 && shownAt < 2000) << shownAt << " ms";
    // A user's Cancel is no error: an information box in the form's
    // language says the last complete run is still the one on show.
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    ASSERT_EQ(infos.size(), 1);
    const bool english = GetParam() == 3;
    EXPECT_EQ(infos.first().startsWith(QStringLiteral("The run was cancelled. The graph")), english)
        << infos.first().toStdString();
    EXPECT_EQ(
        labels.value(0).startsWith(QStringLiteral("Pass 1 of 2: finding how long the flight lasts\nSimulated time: ")),
        english);
    EXPECT_EQ(contents(), old);
    EXPECT_EQ(form2->eddt0->text(), QStringLiteral("1.5e-7")) << "the form was laid out again";
    // The run on show is the first one again, with its samples, its export
    // and its step check.
    EXPECT_EQ(st.dtProbe * st.NPunkte, lastRunTime);
    EXPECT_TRUE(form2->ActExportCsv->isEnabled());
    EXPECT_TRUE(form2->ActCheckStep->isEnabled());
    form2->eddt0->setText(QStringLiteral("0.01"));
    form2->Button1->click();
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_NE(contents(), old);

    for (const char* step : { "0", "-0.01" }) {
        errors.clear();
        form2->eddt0->setText(QString::fromUtf8(step));
        form2->Button1->click();
        ASSERT_EQ(errors.size(), 1) << step;
        // In the form's language, not only in English.
        EXPECT_EQ(errors.first() == QStringLiteral("The integration step must be a positive number."), english);
    }
    EXPECT_TRUE(form2->Button1->isEnabled());
    QDir::setCurrent(previous);
}

INSTANTIATE_TEST_SUITE_P(Languages, Start, ::testing::Range(1, torv::kLanguages + 1));

// Types `text` into the mass field (the keystrokes store 2), then START: it
// names the field's caption and text, runs nothing, and puts the cursor there.
static void expectStartRefused(TForm2& form, QStringList& errors, const QString& text, const QString& message)
{
    form.edMassaStart->selectAll();
    QTest::keyClicks(form.edMassaStart, text);
    errors.clear();
    form.Button1->click();
    EXPECT_EQ(errors, QStringList { message });
    EXPECT_EQ(st.NPunkte, 0) << "a run started";
    EXPECT_EQ(form.focusWidget(), form.edMassaStart);
}

TEST_F(CalcForm, StartRefusesAFieldThatDoesNotRead)
{
    openWith(PresetList::Projectil, 0, 3);
    expectStartRefused(*form2, errors, QStringLiteral("2,5"),
        QStringLiteral("Field \"launching mass, m,kg\": '2,5' is not a valid floating point value. Nothing was run: "
                       "correct the field and press START again."));
    // A pasted page is echoed as its first 80 characters.
    expectStartRefused(*form2, errors, QString(200, u'x'),
        QStringLiteral("Field \"launching mass, m,kg\": '") + QString(80, u'x')
            + QStringLiteral("\u2026' is not a valid floating point value. Nothing was run: "
                             "correct the field and press START again."));
}

TEST_F(CalcForm, MainHidesTheClassLayoutBlanksTheGraphAndShowsTheLanguageChoice)
{
    openWith(PresetList::Launcher, 0);
    form2->AeroBox1->setCurrentIndex(1);
    fillSeries();
    form2->Button10->click();
    form2->ButtonHELP->click();
    form2->Button5->click();

    for (QWidget* w : std::initializer_list<QWidget*> { form2->Image7, form2->Image8, form2->Image3, form2->Image5,
             form2->EdMt, form2->EdIud, form2->EdSchub, form2->Label23, form2->Label6, form2->Label24, form2->ButtonP,
             form2->Memo1, form2->Memo2, form2->EdiVopt, form2->EdGas, form2->EdHFlug })
        EXPECT_FALSE(shown(w));
    EXPECT_EQ(form2->Image1->pixmap().size(), QSize(770, 515));
    EXPECT_TRUE(allWhite(form2->Image1->grab().toImage()));
    EXPECT_FALSE(form2->isVisible());
    EXPECT_TRUE(form1->isVisible());
    EXPECT_TRUE(shown(form1->RadioSprach));
    EXPECT_EQ(form1->RadioSprachItems->checkedId(), -1);

    // Texts, state and the aerodynamics choice are left alone.
    EXPECT_EQ(form2->EdMt->text(), QStringLiteral("8200"));
    EXPECT_EQ(st.Mt, 8200);
    EXPECT_EQ(form2->AeroBox1->currentIndex(), 1);
    EXPECT_EQ(st.AeroModel, 1.0);
    EXPECT_TRUE(errors.isEmpty());
}

// I N F and H E L P show their texts one at a time; QUIT hides them and
// closes both forms.
TEST_F(CalcForm, InfoAndHelpShowTheirTextsOneAtATimeAndQuitClosesBothForms)
{
    const QTextDocument* info = form2->Memo1->document();
    EXPECT_EQ(info->firstBlock().text(),
        QStringLiteral("TORV is a  program that simulates the flight of a flight vehicle in two dimension."));
    for (int term = 1; term <= 4; ++term)
        EXPECT_TRUE(form2->Memo1->toPlainText().contains(QStringLiteral("\n%1. ").arg(term))) << term;

    const QStringList help = form2->Memo2->toPlainText().split('\n');
    ASSERT_EQ(help.size(), 14);
    const char* const lines[] = { "", "A)    What's the problem? -->", "",
        "1.   Pictures? Date? Time? --> Change an integration step !!!", "2.   Set the correct data !!!", "",
        "B)  The problem is not solved --->", "", "3.   Pictures? Date? Time? --> Change an integration step !!!",
        "4.   Set the correct data !!!", "", "C)  The problem is not solved --->", "" };
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(help[i].trimmed(), QString::fromUtf8(lines[i])) << i;
    EXPECT_FALSE(help[0].isEmpty()); // a line of blanks
    for (int i : { 1, 3, 4, 6, 8, 9, 11, 13 })
        EXPECT_TRUE(help[i].startsWith(' ')) << i;
    EXPECT_TRUE(help[13].trimmed().startsWith(QStringLiteral("5.")));

    openWith(PresetList::Projectil, 0);
    form2->ButtonHELP->click();
    form2->Button19->click();
    EXPECT_TRUE(shown(form2->Memo1));
    EXPECT_FALSE(shown(form2->Memo2));
    form2->ButtonHELP->click();
    form2->ButtonHELP->click();
    EXPECT_FALSE(shown(form2->Memo1));
    EXPECT_TRUE(shown(form2->Memo2));
    // Above the graph area, and usable while the graph buttons are covered.
    EXPECT_GT(stackIndex(form2->Memo2), stackIndex(form2->Image1));
    EXPECT_FALSE(form2->ButtonHELP->geometry().intersects(form2->Panel6->geometry()));
    EXPECT_FALSE(form2->Button19->geometry().intersects(form2->Panel6->geometry()));

    form2->Button19->click();
    form2->Button16->click();
    EXPECT_FALSE(form2->isVisible());
    EXPECT_FALSE(form1->isVisible());
    EXPECT_FALSE(shown(form2->Memo1));
}

// ---------------------------------------------------------------------------
// The run's way to the form

TEST_F(CalcForm, RunWritesAreaAndLoadingThroughTheFields)
{
    openWith(PresetList::Projectil, 0);
    torv::FormPort& port = torv::formPort();
    ASSERT_EQ(&port, static_cast<torv::FormPort*>(form2.get()));

    st.S0 = 5;
    port.setEdS0("0.02"); // same text as shown: the handler still stores it
    EXPECT_EQ(st.S0, 0.02);
    port.setEdS0("12.5");
    EXPECT_EQ(form2->EdS0->text(), QStringLiteral("12.5"));
    EXPECT_EQ(st.S0, 12.5);
    EXPECT_THROW(port.setEdS0("x"), torv::ConvertError);
    EXPECT_EQ(st.S0, 12.5);
    EXPECT_TRUE(errors.isEmpty()); // the run reports it, not the field

    port.setEdBelastung("6350");
    EXPECT_EQ(form2->EdBelastung->text(), QStringLiteral("6350"));
    EXPECT_EQ(port.decimalSeparator(), '.');

    // The run's pending floating-point flags pass through unchanged.
    torv::fpClear();
    std::feraiseexcept(FE_OVERFLOW);
    port.setEdS0("3");
    port.setEdBelastung("1");
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT & ~FE_INEXACT), FE_OVERFLOW);
    torv::fpClear();
}

// ---------------------------------------------------------------------------
// A comma as decimal separator (run with LC_ALL=de_DE.UTF-8)

class CommaLocale : public CalcForm {
protected:
    void SetUp() override
    {
        CalcForm::SetUp();
        if (form2->decimalSeparator() != ',')
            GTEST_SKIP() << "needs a locale whose decimal separator is a comma";
    }
};

TEST_F(CommaLocale, StartRefusesAFullStop)
{
    openWith(PresetList::Projectil, 0, 2);
    expectStartRefused(*form2, errors, QStringLiteral("2.5"),
        QStringLiteral("Feld „Gewicht, mo,kg“: '2.5' ist keine gültige Zahl. Nichts wurde berechnet: bitte das Feld "
                       "korrigieren und START erneut drücken."));
}

TEST_F(CommaLocale, FieldsWriteAndReadCommas)
{
    openWith(PresetList::Ballon, 1);
    EXPECT_EQ(form2->EdGasverlust->text(), QStringLiteral("4,4"));
    EXPECT_EQ(st.Gasverlust, 4.4);
    EXPECT_EQ(form2->EdGas->text(), QStringLiteral("0,178"));
    EXPECT_EQ(st.GasDensity, 0.178);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    EXPECT_EQ(st.S0, QLocale(QLocale::German).toDouble(form2->EdS0->text()));

    typeOver(form2->eddt0, QStringLiteral("1,5"));
    EXPECT_EQ(st.dt0, 1.5);
    EXPECT_TRUE(errors.isEmpty());
    form2->eddt0->setText(QStringLiteral("1.5"));
    EXPECT_EQ(errors, QStringList { notANumber(QStringLiteral("1.5")) });
    EXPECT_EQ(st.dt0, 1.5);
}
