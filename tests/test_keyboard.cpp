// Both forms with the keyboard alone: the Tab chain reaches every control
// the eye sees and nothing hidden or covered, the arrow keys skip the class
// entries under the white panels, Enter presses buttons, the graph area's
// shortcuts work from a field, Escape and F1; and the one table of the
// window's texts has every text in every language.
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>

#include <set>

#include "test_calc.h"
#include "ui/help.h"
#include "ui/texts.h"

using torv::PresetList;
using torv::st;

namespace {

// The controls Tab visits from the focus, once round.
std::set<QWidget*> tabChain(QWidget* form)
{
    std::set<QWidget*> seen;
    for (int i = 0; i < 200; ++i) {
        QWidget* now = QApplication::focusWidget();
        if (now && !seen.insert(now).second)
            break;
        QTest::keyClick(now ? now : form, Qt::Key_Tab);
    }
    return seen;
}

class Keyboard : public CalcForm {
protected:
    void SetUp() override
    {
        CalcForm::SetUp();
        ASSERT_TRUE(QDir::setCurrent(dir.path()));
    }
    void TearDown() override
    {
        QDir::setCurrent(previous);
        CalcForm::TearDown();
    }
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
};

} // namespace

// Before and after a run, on three classes: Tab reaches every visible field,
// the aerodynamics box, the command buttons and the graph area, and the
// graph buttons only once START has uncovered them.
TEST_F(Keyboard, TabReachesWhatIsSeenAndNothingElse)
{
    struct Case {
        PresetList list;
        int index;
    };
    for (const Case c :
        { Case { PresetList::Projectil, 0 }, Case { PresetList::Ballon, 1 }, Case { PresetList::Launcher, 0 } }) {
        openWith(c.list, c.index, 2);
        for (bool afterRun : { false, true }) {
            if (afterRun)
                QTest::keyClick(form2->Button1, Qt::Key_Return);
            ASSERT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
            // After a run's progress dialog the focus returns with the form active.
            ASSERT_TRUE(QTest::qWaitFor([&] { return !QApplication::activeModalWidget() && form2->isActiveWindow(); }));
            form2->AeroBox1->setFocus();
            ASSERT_TRUE(QTest::qWaitFor([&] { return form2->AeroBox1->hasFocus(); }));
            const std::set<QWidget*> chain = tabChain(form2.get());
            for (QWidget* w : chain)
                EXPECT_TRUE(w->isVisible()) << w->metaObject()->className() << " " << afterRun;
            std::vector<QWidget*> wanted = { static_cast<QWidget*>(form2->AeroBox1), form2->Button1, form2->Button5,
                form2->Button16, form2->Button19, form2->ButtonHELP, form2->Image1 };
            for (const torv::FieldInfo& f : torv::fieldTable())
                if (form2->fieldControl(f.field)->isVisibleTo(form2.get()))
                    wanted.push_back(form2->fieldControl(f.field));
            for (QPushButton* b : { form2->Button9, form2->Button2, form2->Button22, form2->Button8 })
                EXPECT_EQ(chain.count(b) == 1, afterRun) << b->text().toStdString();
            for (QWidget* w : wanted)
                EXPECT_EQ(chain.count(w), 1u) << w->metaObject()->className() << " " << afterRun;
        }
    }
}

// On the start form the keys walk the choices as the eye does: Down from the
// parachute skips the airship, Up from the glider skips it too, Enter
// chooses; the preset list takes Enter; START opens the calculation form.
TEST_F(Keyboard, StartFormByKeysSkipsTheCoveredClasses)
{
    auto* german = form1->RadioSprachItems->button(1);
    QTest::keyClick(form1->RadioSprachItems->button(0), Qt::Key_Down);
    ASSERT_TRUE(german->hasFocus());
    QTest::keyClick(german, Qt::Key_Return);
    EXPECT_EQ(st.Sprache, 2);
    QButtonGroup* classes = form1->RadioWahlItems;
    ASSERT_TRUE(classes->button(0)->hasFocus());
    for (int from : { 2, 4 }) {
        classes->button(from)->setFocus();
        QTest::keyClick(classes->button(from), from == 2 ? Qt::Key_Down : Qt::Key_Up);
        EXPECT_FALSE(classes->button(3)->hasFocus()) << "the airship under its white panel";
    }
    classes->button(4)->setFocus();
    QTest::keyClick(classes->button(4), Qt::Key_Down);
    EXPECT_FALSE(classes->button(5)->hasFocus()) << "the airplane under its white panel";
    const std::set<QWidget*> chain = tabChain(form1.get());
    EXPECT_EQ(chain.count(classes->button(3)) + chain.count(classes->button(5)), 0u);

    classes->button(0)->setFocus();
    QTest::keyClick(classes->button(0), Qt::Key_Return);
    EXPECT_EQ(st.Klasse, 1);
    QTest::keyClick(form1.get(), Qt::Key_Tab);
    ASSERT_TRUE(form1->ListBoxProjectil->hasFocus())
        << QApplication::focusWidget()->metaObject()->className() << QApplication::focusWidget()->geometry().y();
    QTest::keyClick(form1->ListBoxProjectil, Qt::Key_Return);
    EXPECT_EQ(st.Szenario.Klasse, 1.0);
    QTest::keyClick(form1->ListBoxProjectil, Qt::Key_Tab);
    ASSERT_TRUE(form1->BitBtn1->hasFocus());
    QTest::keyClick(form1->BitBtn1, Qt::Key_Return);
    EXPECT_TRUE(form2->isVisible());
}

// With the text cursor in a field, the graph area's shortcuts still act on
// the graph; Ctrl+C copies the field's text while it has some selected,
// the graph otherwise.
TEST_F(Keyboard, ShortcutsWorkFromAField)
{
    openWith(PresetList::Projectil, 0, 3);
    form2->Button1->click();
    ASSERT_TRUE(errors.isEmpty());
    struct Case {
        QAction* TForm2::*action;
        QKeyCombination keys;
    };
    for (const Case c : { Case { &TForm2::ActExportCsv, Qt::CTRL | Qt::Key_E },
             Case { &TForm2::ActKeepRun, Qt::CTRL | Qt::Key_K }, Case { &TForm2::ActCheckStep, Qt::CTRL | Qt::Key_T },
             Case { &TForm2::ActSaveGraph, Qt::CTRL | Qt::Key_S } }) {
        QSignalSpy triggered(form2.get()->*c.action, &QAction::triggered);
        form2->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form2.get()));
        form2->EdTTO->setFocus();
        form2->EdTTO->deselect();
        // Whatever dialog the entry opens closes at once.
        QTimer::singleShot(0, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        QTest::keyClick(form2->EdTTO, c.keys.key(), c.keys.keyboardModifiers());
        EXPECT_EQ(triggered.count(), 1) << QKeySequence(c.keys).toString().toStdString();
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    form2->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form2.get()));
    form2->EdTTO->setFocus();
    form2->EdTTO->selectAll();
    QTest::keyClick(form2->EdTTO, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(clipboard->text(), form2->EdTTO->text());
    form2->EdTTO->deselect();
    QTest::keyClick(form2->EdTTO, Qt::Key_C, Qt::ControlModifier);
    EXPECT_FALSE(clipboard->image().isNull()) << "the graph";
}

// Enter presses the focused button and, in a field, START; Escape closes the text box on top; F1
// opens the help in the form's language with a line for every field, and
// each field's tooltip is its line; the About box names the version.
TEST_F(Keyboard, EnterEscapeAndHelp)
{
    openWith(PresetList::Projectil, 0, 1);
    // Enter in a field runs START.
    ASSERT_FALSE(form2->ActSaveGraph->isEnabled());
    QTest::keyClick(form2->EdTTO, Qt::Key_Return);
    EXPECT_TRUE(form2->ActSaveGraph->isEnabled()) << "no run";
    form2->ButtonHELP->setFocus();
    QTest::keyClick(form2->ButtonHELP, Qt::Key_Return);
    EXPECT_TRUE(shown(form2->Memo2));
    QTest::keyClick(form2->ButtonHELP, Qt::Key_Escape);
    EXPECT_FALSE(shown(form2->Memo2));

    QTest::keyClick(form2->edH0, Qt::Key_F1);
    auto* help = form2->findChild<QTextBrowser*>();
    ASSERT_TRUE(help && help->isVisible());
    const QString page = help->toPlainText();
    EXPECT_TRUE(page.contains(form2->edH0->toolTip())) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("Высота,Ho,м")));
    EXPECT_TRUE(page.contains(QStringLiteral("Ctrl+T")));
    EXPECT_FALSE(form2->edH0->toolTip().isEmpty());
    EXPECT_TRUE(torv::aboutText().contains(QStringLiteral("1.16")));
    // The link leads to the models page in the form's language, and Back
    // returns from it.
    help->setSource(QUrl(QStringLiteral("torv:models")));
    EXPECT_TRUE(help->toPlainText().contains(QStringLiteral("Как проверить шаг")));
    ASSERT_TRUE(help->isBackwardAvailable());
    help->backward();
    EXPECT_TRUE(help->toPlainText().contains(QStringLiteral("Ctrl+T")));
    help->window()->close();
}

// A menu entry that is off says why.
TEST_F(Keyboard, GreyedEntriesSayWhy)
{
    openWith(PresetList::Projectil, 0, 2);
    for (QAction* a : form2->GraphMenu->actions()) {
        if (!a->isSeparator() && !a->isEnabled()) {
            EXPECT_NE(a->toolTip(), a->text()) << a->text().toStdString();
        }
    }
    EXPECT_FALSE(form2->ActExportCsv->isEnabled());
}

// Every text the window adds has all three languages, and they differ
// where a language has words of its own.
TEST(Texts, EveryRowHasThreeLanguages)
{
    const auto table = torv::textTable();
    ASSERT_EQ(table.size(), static_cast<size_t>(torv::Text::Count));
    for (size_t i = 0; i < table.size(); ++i) {
        const torv::TextRow& row = table[i];
        EXPECT_EQ(static_cast<size_t>(row.which), i) << "row out of order";
        for (const char* t : row.text) {
            EXPECT_TRUE(t && *t) << i;
        }
        EXPECT_STRNE(row.text[0], row.text[2]) << row.text[2];
    }
}
