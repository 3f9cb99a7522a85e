// The start form driven by simulated clicks: its states, the class groups'
// geometry under the two white panels, the preset lists, and the end of the
// program.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QWindow>

#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "scenarios/presets.h"
#include "support/forms.h"
#include "ui/texts.h"

using torv::st;
using torv::SzenarioRecord;
using Names = std::set<std::string>;

namespace {

class StartForm : public Forms {
protected:
    Names visible() const
    {
#define CONTROL(name)                                                                                                  \
    std::pair<const char*, QWidget*>                                                                                   \
    {                                                                                                                  \
#name, form1->name                                                                                             \
    }
        const std::pair<const char*, QWidget*> controls[] = { CONTROL(Image2), CONTROL(Image1), CONTROL(Label1),
            CONTROL(Panel4), CONTROL(RadioWahl), CONTROL(WahlRU), CONTROL(WahlEN), CONTROL(ListBoxProjectil),
            CONTROL(BitBtn1), CONTROL(ListBoxFallschirm), CONTROL(Button1), CONTROL(ListBoxBallon),
            CONTROL(RadioSprach), CONTROL(ListBoxGlider), CONTROL(ListBoxLandekapsel), CONTROL(ListBoxLauncher),
            CONTROL(Panel1), CONTROL(Panel3), CONTROL(Memo1) };
#undef CONTROL
        Names names;
        for (const auto& [name, w] : controls)
            if (w->isVisible())
                names.insert(name);
        return names;
    }

    // A widget's rectangle in form coordinates, and the spot of its radio
    // indicator.
    QRect onForm(const QWidget* w) const
    {
        return { w->mapTo(form1.get(), QPoint(0, 0)), w->size() };
    }
    static QPoint indicator(const QRect& r)
    {
        return r.topLeft() + QPoint(6, r.height() / 2);
    }

    // Clicks the radio indicator of entry n (0-based), as a user would.
    static void choose(QButtonGroup* items, int n)
    {
        QAbstractButton* b = items->button(n);
        ASSERT_TRUE(b->isVisible());
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }

    static void clickRow(QListWidget* list, int row)
    {
        const QRect r = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    }

    // Language 0, 1, 2 = R, D, E.
    QButtonGroup* classItems(int language) const
    {
        QButtonGroup* items[] = { form1->WahlRUItems, form1->RadioWahlItems, form1->WahlENItems };
        return items[language];
    }

    void pressStart()
    {
        QTest::mouseClick(form1->BitBtn1, Qt::LeftButton);
    }

    // What the calculation form's MAIN does with the two windows.
    void mainButton()
    {
        form2->hide();
        form1->showLanguageAgain();
    }
};

const Names kNotice = { "Memo1", "Image1", "Label1", "RadioSprach", "Button1" };
const Names kPresetNoList = { "Image2", "Panel4", "BitBtn1", "Button1" };
const Names kLanguageAgain = { "Image2", "Image1", "RadioSprach", "Panel4", "BitBtn1", "Button1" };

TEST_F(StartForm, OpensOnTheNoticeWithNothingChosen)
{
    EXPECT_EQ(visible(), kNotice);
    EXPECT_EQ(form1->windowTitle(), QStringLiteral("  Torv version 1.16 (Beta)"));
    EXPECT_EQ(form1->minimumSize(), QSize(775, 560));
    EXPECT_EQ(form1->maximumSize(), QSize(775, 560));
    // It fits the test screen: no scroll bars of its own.
    EXPECT_TRUE(form1->findChildren<QScrollBar*>(Qt::FindDirectChildrenOnly).isEmpty());
    EXPECT_EQ(form1->RadioSprachItems->checkedId(), -1);
    EXPECT_TRUE(form1->Memo1->isReadOnly());
    EXPECT_EQ(form1->Image1->pixmap().size(), QSize(314, 193));
    EXPECT_EQ(form1->Image2->pixmap().size(), QSize(1000, 700));
    EXPECT_EQ(st.Sprache, 0);
    EXPECT_EQ(st.Klasse, 0);

    // The notice opens with one line, saying what the program is for.
    const QString text = form1->Memo1->toPlainText();
    const QString first = text.section(QLatin1Char('\n'), 0, 0);
    EXPECT_TRUE(first.startsWith(QStringLiteral("Torv ")));
    EXPECT_TRUE(first.contains(QStringLiteral("flight path")));
    EXPECT_TRUE(text.section(QLatin1Char('\n'), 1, 1).isEmpty());
    const QPlainTextEdit* memo = form1->Memo1;
    const double room = memo->viewport()->width() - 2 * memo->document()->documentMargin();
    EXPECT_LT(memo->fontMetrics().horizontalAdvance(first), room);
}

TEST_F(StartForm, LanguageEntriesShareTheCaptionlessGroupInThirds)
{
    // 149 pixels, no caption: three rows of 49 from the group's top at 323.
    ASSERT_EQ(form1->RadioSprachItems->buttons().size(), 3);
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        QAbstractButton* b = form1->RadioSprachItems->button(n);
        const QRect r = onForm(b);
        EXPECT_EQ(r.top(), 323 + 49 * n);
        EXPECT_EQ(r.height(), 49);
        EXPECT_EQ(form1->childAt(indicator(r)), b);
    }
    // "I ACCEPT" stands beside the middle entry.
    const int labelMiddle = form1->Label1->geometry().center().y();
    EXPECT_GE(labelMiddle, 323 + 49);
    EXPECT_LT(labelMiddle, 323 + 2 * 49);
}

class LanguageChoice : public StartForm, public ::testing::WithParamInterface<int> { };

TEST_P(LanguageChoice, SetsTheLanguageAndShowsItsClassGroup)
{
    const int language = GetParam();
    const char* groupName[] = { "WahlRU", "RadioWahl", "WahlEN" };
    choose(form1->RadioSprachItems, language);
    EXPECT_EQ(st.Sprache, language + 1);
    EXPECT_EQ(visible(), (Names { "Image2", groupName[language], "Panel1", "Panel3", "Button1" }));
    EXPECT_EQ(classItems(language)->checkedId(), -1);
}

// The class entries lie in 24-pixel rows from 56; the white panels cover the
// airship (4) and airplane (6) entries completely.
TEST_P(LanguageChoice, ClassRowsAndWhitePanelsOverTheAirshipAndAirplane)
{
    const int language = GetParam();
    choose(form1->RadioSprachItems, language);
    QButtonGroup* items = classItems(language);
    ASSERT_EQ(items->buttons().size(), torv::kVehicleClasses);
    for (int n = 1; n <= torv::kVehicleClasses; ++n) {
        SCOPED_TRACE(n);
        QAbstractButton* b = items->button(n - 1);
        const QRect r = onForm(b);
        EXPECT_EQ(r.top(), 56 + 24 * (n - 1));
        EXPECT_EQ(r.height(), 24);
        QWidget* hit = form1->childAt(indicator(r));
        if (n == 4 || n == 6) {
            QFrame* panel = n == 4 ? form1->Panel1 : form1->Panel3;
            EXPECT_TRUE(panel->geometry().contains(r));
            EXPECT_EQ(hit, panel);
        } else {
            EXPECT_EQ(hit, b);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RDE, LanguageChoice, ::testing::Range(0, torv::kLanguages));

class ClassChoice : public StartForm, public ::testing::WithParamInterface<std::tuple<int, int>> { };

TEST_P(ClassChoice, SetsTheClassShowsItsListAndStartAndClearsTheGroup)
{
    const auto [language, entry] = GetParam();
    const char* listName[] = { "ListBoxProjectil", "ListBoxFallschirm", "ListBoxBallon", nullptr, "ListBoxGlider",
        nullptr, "ListBoxLandekapsel", "ListBoxLauncher" };
    choose(form1->RadioSprachItems, language);
    choose(classItems(language), entry);

    EXPECT_EQ(st.Klasse, entry + 1);
    Names expected = kPresetNoList;
    if (listName[entry])
        expected.insert(listName[entry]);
    EXPECT_EQ(visible(), expected);
    EXPECT_EQ(classItems(language)->checkedId(), -1);
    EXPECT_EQ(st.Szenario.Klasse, 0.0);
}

INSTANTIATE_TEST_SUITE_P(EveryLanguageAndEntry, ClassChoice,
    ::testing::Combine(::testing::Range(0, torv::kLanguages), ::testing::Range(0, torv::kVehicleClasses)));

TEST_F(StartForm, StartWithoutAPresetShowsTheCalculationFormAndKeepsTheScenario)
{
    choose(form1->RadioSprachItems, 2);
    choose(form1->WahlENItems, 3);
    pressStart();
    EXPECT_TRUE(form2->isVisible());
    EXPECT_EQ(visible(), kPresetNoList);
    EXPECT_EQ(st.Szenario.Klasse, 0.0);
    EXPECT_EQ(st.Szenario.Masse, 0.0);
    EXPECT_EQ(st.Klasse, 4);
    EXPECT_EQ(st.Sprache, 3);
}

TEST_F(StartForm, StartClearsAndHidesThePresetListButKeepsTheChoice)
{
    choose(form1->RadioSprachItems, 1);
    choose(form1->RadioWahlItems, 0);
    clickRow(form1->ListBoxProjectil, 0);
    ASSERT_EQ(st.Szenario.Klasse, 1.0);
    pressStart();
    EXPECT_FALSE(form1->ListBoxProjectil->isVisible());
    EXPECT_TRUE(form1->ListBoxProjectil->selectedItems().isEmpty());
    EXPECT_EQ(st.Szenario.Klasse, 1.0);
    EXPECT_EQ(st.Szenario.V0, 100.0);
    EXPECT_TRUE(form2->isVisible());
}

TEST_F(StartForm, StartRightAfterMainShowsTheCalculationFormAgain)
{
    choose(form1->RadioSprachItems, 0);
    choose(form1->WahlRUItems, 6);
    clickRow(form1->ListBoxLandekapsel, 0);
    pressStart();
    mainButton();
    ASSERT_FALSE(form2->isVisible());
    pressStart();
    EXPECT_TRUE(form2->isVisible());
    EXPECT_EQ(st.Sprache, 1);
    EXPECT_EQ(st.Klasse, 7);
    EXPECT_EQ(st.Szenario.Klasse, 7.0);
    EXPECT_EQ(visible(), kLanguageAgain);
}

TEST_F(StartForm, ANewLanguageAfterMainKeepsTheClassUntilANewChoice)
{
    choose(form1->RadioSprachItems, 2);
    choose(form1->WahlENItems, 1);
    pressStart();
    mainButton();
    choose(form1->RadioSprachItems, 1);
    EXPECT_EQ(st.Sprache, 2);
    EXPECT_EQ(st.Klasse, 2);
    EXPECT_TRUE(form1->RadioWahl->isVisible());
    EXPECT_FALSE(form1->WahlEN->isVisible());
    EXPECT_EQ(form1->RadioWahlItems->checkedId(), -1);
    EXPECT_TRUE(form1->Panel1->isVisible());
    EXPECT_TRUE(form1->Panel3->isVisible());
    EXPECT_FALSE(form1->Memo1->isVisible());
    EXPECT_FALSE(form1->Label1->isVisible());
}

// MAIN shows the language choice cleared without firing a handler; the same
// choices made again then fire as new ones.
TEST_F(StartForm, MainClearsTheChoiceSilentlyAndTheSameChoicesFireAgain)
{
    choose(form1->RadioSprachItems, 2);
    choose(form1->WahlENItems, 4);
    pressStart();
    st.Sprache = 77; // a handler that fired would overwrite these
    st.Klasse = 0;
    mainButton();
    EXPECT_EQ(visible(), kLanguageAgain);
    EXPECT_EQ(form1->RadioSprachItems->checkedId(), -1);
    EXPECT_EQ(st.Sprache, 77);
    choose(form1->RadioSprachItems, 2);
    EXPECT_EQ(st.Sprache, 3);
    choose(form1->WahlENItems, 4);
    EXPECT_EQ(st.Klasse, 5);
    EXPECT_TRUE(form1->ListBoxGlider->isVisible());
}

// One spot-checked entry of every list, values as the catalogue gives them.
struct PresetCase {
    int classEntry; // 0-based entry of the class group
    QListWidget* TForm1::*list;
    int entries;
    int row;
    const char* label;
    std::vector<std::pair<double SzenarioRecord::*, double>> fields;

    friend void PrintTo(const PresetCase& c, std::ostream* os) { *os << c.label; }
};

const PresetCase kPresetCases[] = {
    { 0, &TForm1::ListBoxProjectil, 9, 6, "Tropfen, Drop",
        { { &SzenarioRecord::Klasse, 1 }, { &SzenarioRecord::Masse, 0.0002 }, { &SzenarioRecord::S0, 1.5e-5 },
            { &SzenarioRecord::Cx, 0.45 }, { &SzenarioRecord::Cy, 0 }, { &SzenarioRecord::H0, 8000 },
            { &SzenarioRecord::V0, 0 }, { &SzenarioRecord::TTO, -87 }, { &SzenarioRecord::Tk, 400 },
            { &SzenarioRecord::dt, 0.02 } } },
    { 1, &TForm1::ListBoxFallschirm, 2, 1, "Parachute ( V = 0 m/s, Cx = 1.0, Ho = 4000 m,  m = 100kg )",
        { { &SzenarioRecord::Klasse, 2 }, { &SzenarioRecord::Masse, 100 }, { &SzenarioRecord::S0, 36 },
            { &SzenarioRecord::Cx, 1 }, { &SzenarioRecord::H0, 4000 }, { &SzenarioRecord::TTO, -90 },
            { &SzenarioRecord::Tk, 5000 }, { &SzenarioRecord::dt, 0.1 } } },
    { 2, &TForm1::ListBoxBallon, 4, 1, "Gasballon (Gas - He, m=1000 kg, H=1km)",
        { { &SzenarioRecord::Klasse, 3 }, { &SzenarioRecord::Masse, 1000 }, { &SzenarioRecord::S0, 6 },
            { &SzenarioRecord::TTO, 90 }, { &SzenarioRecord::Tk, 3500 }, { &SzenarioRecord::GasDichte, 0.178 },
            { &SzenarioRecord::HFlug, 1000 } } },
    { 4, &TForm1::ListBoxGlider, 4, 0, "Glider (Vo=40m/s, Ho=2000m, K=50)",
        { { &SzenarioRecord::Klasse, 5 }, { &SzenarioRecord::Masse, 300 }, { &SzenarioRecord::Cx, 0.03 },
            { &SzenarioRecord::Cy, 1.5 }, { &SzenarioRecord::H0, 2000 }, { &SzenarioRecord::V0, 25.45 },
            { &SzenarioRecord::TTO, -1.1 } } },
    { 6, &TForm1::ListBoxLandekapsel, 9, 2, "Apollo               ( K = 0,3  V=11,2 km/s )",
        { { &SzenarioRecord::Klasse, 7 }, { &SzenarioRecord::Masse, 5560 }, { &SzenarioRecord::S0, 12 },
            { &SzenarioRecord::Cx, 0.85 }, { &SzenarioRecord::Cy, 0.252 }, { &SzenarioRecord::H0, 120000 },
            { &SzenarioRecord::V0, 11200 }, { &SzenarioRecord::TTO, -6.5 }, { &SzenarioRecord::RSAT, 2.8 } } },
    { 7, &TForm1::ListBoxLauncher, 6, 5, "Rocket Model (F=86N, Q=85, t=2s))",
        { { &SzenarioRecord::Klasse, 8 }, { &SzenarioRecord::Masse, 0.9 }, { &SzenarioRecord::S0, 0.008 },
            { &SzenarioRecord::V0, 0.001 }, { &SzenarioRecord::TTO, 85 }, { &SzenarioRecord::dt, 0.01 },
            { &SzenarioRecord::Mt, 0.1056 }, { &SzenarioRecord::Iud, 1640 }, { &SzenarioRecord::Mdv, 0.228 },
            { &SzenarioRecord::Schub, 86 } } },
};

class PresetChoice : public StartForm, public ::testing::WithParamInterface<PresetCase> { };

// Before the click every row shows whole, without scrolling or a focus frame.
TEST_P(PresetChoice, AClickWritesTheEntryIntoTheScenario)
{
    const PresetCase& c = GetParam();
    choose(form1->RadioSprachItems, 2);
    choose(form1->WahlENItems, c.classEntry);
    QListWidget* list = form1.get()->*c.list;
    ASSERT_TRUE(list->isVisible());
    ASSERT_EQ(list->count(), c.entries);
    EXPECT_EQ(list->item(c.row)->text(), QString::fromUtf8(c.label));
    EXPECT_FALSE(list->hasFocus());
    EXPECT_EQ(list->currentRow(), -1);
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(list->verticalScrollBar()->maximum(), 0);
    for (int i = 0; i < list->count(); ++i)
        EXPECT_TRUE(list->viewport()->rect().contains(list->visualItemRect(list->item(i)))) << "row " << i;

    // The end conditions and the wind are written as zero.
    st.Szenario.Hk = st.Szenario.Vk = st.Szenario.Vwind = 1.5;
    const Names before = visible();
    clickRow(list, c.row);
    for (const auto& [field, value] : c.fields)
        EXPECT_DOUBLE_EQ(st.Szenario.*field, value);
    EXPECT_EQ(st.Szenario.Hk, 0.0);
    EXPECT_EQ(st.Szenario.Vk, 0.0);
    EXPECT_EQ(st.Szenario.Vwind, 0.0);
    EXPECT_EQ(visible(), before);
    EXPECT_EQ(list->currentRow(), c.row);

    // The same entry again is a choice of its own.
    st.Szenario.Klasse = 0;
    clickRow(list, c.row);
    EXPECT_DOUBLE_EQ(st.Szenario.Klasse, c.fields[0].second);
}

INSTANTIATE_TEST_SUITE_P(OneOfEveryList, PresetChoice, ::testing::ValuesIn(kPresetCases));

TEST_F(StartForm, PresetListsAreFlatSingleSelectionWithSixteenPixelRows)
{
    const QListWidget* lists[] = { form1->ListBoxProjectil, form1->ListBoxFallschirm, form1->ListBoxBallon,
        form1->ListBoxGlider, form1->ListBoxLandekapsel, form1->ListBoxLauncher };
    int total = 0;
    for (const QListWidget* list : lists) {
        total += list->count();
        EXPECT_EQ(list->frameShape(), QFrame::NoFrame);
        EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
        EXPECT_TRUE(list->selectedItems().isEmpty());
        for (int i = 0; i < list->count(); ++i)
            EXPECT_EQ(list->visualItemRect(list->item(i)).height(), 16);
    }
    EXPECT_EQ(total, torv::presetCount());
}

TEST_F(StartForm, TheArrowKeysChooseTooButFocusAloneDoesNot)
{
    choose(form1->RadioSprachItems, 2);
    choose(form1->WahlENItems, 7);
    QListWidget* list = form1->ListBoxLauncher;
    list->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    EXPECT_EQ(st.Szenario.Klasse, 0.0);

    clickRow(list, 0);
    EXPECT_EQ(st.Szenario.Schub, 300000.0);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(st.Szenario.Schub, 500.0);
    EXPECT_EQ(st.Szenario.Masse, 10.0);
}

// Closing the start form, by QUIT or by the window's close box, ends the
// event loop, also while the calculation form is open.
struct EndCase {
    const char* name;
    bool byQuit;
    bool calcOpen;

    friend void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }
};

class ProgramEnd : public StartForm, public ::testing::WithParamInterface<EndCase> { };

TEST_P(ProgramEnd, ClosingTheStartFormEndsTheEventLoop)
{
    const EndCase c = GetParam();
    if (c.calcOpen) {
        choose(form1->RadioSprachItems, 2);
        choose(form1->WahlENItems, 0);
        pressStart();
        ASSERT_TRUE(form2->isVisible());
    }
    QTimer::singleShot(0, form1.get(), [&] {
        if (c.byQuit) {
            QTest::mouseClick(form1->Button1, Qt::LeftButton);
        } else {
            QCloseEvent closeBox;
            QCoreApplication::sendEvent(form1->windowHandle(), &closeBox);
        }
    });
    bool timedOut = false;
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    watchdog.start(5000);
    QApplication::exec();
    watchdog.stop();
    EXPECT_FALSE(timedOut);
    EXPECT_FALSE(form1->isVisible());
}

INSTANTIATE_TEST_SUITE_P(QuitAndCloseBox, ProgramEnd,
    ::testing::Values(EndCase { "Quit", true, false }, EndCase { "CloseBox", false, false },
        EndCase { "QuitWithCalculationOpen", true, true }, EndCase { "CloseBoxWithCalculationOpen", false, true }),
    [](const ::testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

} // namespace

// F1 on the start form speaks the language chosen there, the field
// captions and the menu's entries included; before any choice, English.
class StartHelp : public StartForm, public ::testing::WithParamInterface<int> { };

TEST_P(StartHelp, SpeaksTheChosenLanguage)
{
    const int language = GetParam(); // 0: none chosen yet, 1..3: R, D, E
    if (language > 0)
        choose(form1->RadioSprachItems, language - 1);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : form1.get(), Qt::Key_F1);
    QTextBrowser* help = nullptr;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* b = qobject_cast<QTextBrowser*>(w); b && b->isVisible())
            help = b;
    ASSERT_TRUE(help);
    const int speaks = language > 0 ? language : 3;
    const QString page = help->toPlainText();
    const char* height[] = { "Высота,Ho,м", "Höhe, Ho, m", "altitude,Ho,m" };
    EXPECT_TRUE(page.contains(torv::text(torv::Text::HelpWhat, speaks))) << page.toStdString();
    EXPECT_TRUE(page.contains(QString::fromUtf8(height[speaks - 1]))) << page.toStdString();
    EXPECT_TRUE(page.contains(torv::text(torv::Text::ScenarioOpen, speaks).remove(QChar(0x2026))));
    help->window()->close();
}

INSTANTIATE_TEST_SUITE_P(Languages, StartHelp, ::testing::Values(0, 1, 2, 3));
