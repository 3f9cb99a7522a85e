// Scenario files in the window: one opened shows and runs as its preset
// would, and again after MAIN; a bad one changes nothing; the recent list
// drops a file that is gone; a file dropped on a form opens; saving refuses
// what a field does not hold.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "scenarios/scenario.h"
#include "test_calc.h"
#include "ui/scenariofiles.h"

using torv::st;

namespace {

std::string slurp(const QString& path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

// A rocket of the user's own with a model and balloon inputs of its own, in
// a folder of the test's own; nothing remembered from other tests.
class ScenarioForms : public CalcForm {
protected:
    void SetUp() override
    {
        CalcForm::SetUp();
        QSettings().remove(QStringLiteral("scenarios"));
        ASSERT_TRUE(QDir::setCurrent(dir.path()));
        torv::Scenario s;
        s.name = "My rocket";
        s.klasse = torv::VehicleClass::Rocket;
        s.aeroModel = 1;
        // The V-2's record, the two inputs it has no place for at 7.5.
        torv::loadPreset(torv::PresetList::Launcher, 0);
        for (const torv::FieldInfo& info : torv::fieldTable())
            s[info.field] = info.slot ? st.Szenario.*info.slot : 7.5;
        s[torv::Field::Schub] = 250000;
        torv::writeScenario("mine.toml", s);
        std::ofstream("mine.toml", std::ios::app) << "Auftriebplus = 7.5  # kept though a rocket does not read it\n";
        torv::resetState();
    }
    void TearDown() override
    {
        QDir::setCurrent(previous);
        CalcForm::TearDown();
    }
    QStringList recent() const { return QSettings().value(QStringLiteral("scenarios/recent")).toStringList(); }
    QString path(const char* name) const { return QDir(dir.path()).filePath(QString::fromUtf8(name)); }

    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
};

TEST_F(ScenarioForms, OpenedFileShowsAndRunsAsItsPresetWouldAgainAfterMain)
{
    st.Sprache = 3;
    ASSERT_TRUE(torv::ScenarioFiles::instance().open(QStringLiteral("mine.toml")));
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(form2->isVisible());
    EXPECT_TRUE(form2->windowTitle().endsWith(QStringLiteral("\u2014 My rocket")))
        << form2->windowTitle().toStdString();
    EXPECT_EQ(form2->AeroBox1->currentIndex(), 1);
    EXPECT_EQ(recent(), QStringList { path("mine.toml") });

    // Typed values give way to the file's at the next activation, as they
    // give way to a preset's.
    typeOver(form2->EdSchub, QStringLiteral("1"));
    typeOver(form2->EdAuftriebplus, QStringLiteral("1"));
    form2->Button5->click();
    form1->BitBtn1->click();
    EXPECT_EQ(form2->EdSchub->text(), QStringLiteral("250000"));
    EXPECT_EQ(form2->EdAuftriebplus->text(), QStringLiteral("7.5"));
    EXPECT_EQ(st.Auftriebplus, 7.5);

    form2->Button1->click();
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    const std::string command = std::string(TORV_BATCH) + " --scenario mine.toml --out ref > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(slurp(QStringLiteral("Torv_500.txt")), slurp(QStringLiteral("ref/Torv_500.txt")));
}

// The message names the file, the line and the key; the record, the fields,
// the caption and the recent list stay as they were.
TEST_F(ScenarioForms, BadFileChangesNothing)
{
    openWith(torv::PresetList::Projectil, 0, 3);
    QSettings().setValue(QStringLiteral("scenarios/recent"), QStringList { path("mine.toml") });
    std::ofstream("bad.toml") << "class = \"rocket\"\nSchub = \"lots\"\n";
    const torv::SzenarioRecord record = st.Szenario;
    const QString caption = form2->windowTitle(), cx = form2->EdCx->text();

    EXPECT_FALSE(torv::ScenarioFiles::instance().open(QStringLiteral("bad.toml")));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], path("bad.toml") + QStringLiteral(", line 2: 'Schub' must be a number."));
    EXPECT_EQ(st.Szenario, record);
    EXPECT_FALSE(st.FileScenario.open);
    EXPECT_EQ(form2->EdCx->text(), cx);
    EXPECT_EQ(form2->windowTitle(), caption);
    EXPECT_EQ(recent(), QStringList { path("mine.toml") });
}

// A file of the list that is gone is taken off it, with a message.
TEST_F(ScenarioForms, RecentFileThatIsGoneIsDroppedWhenChosen)
{
    st.Sprache = 2;
    QSettings().setValue(QStringLiteral("scenarios/recent"), QStringList { path("gone.toml"), path("mine.toml") });
    QMenu* menu = form1->RecentScenarios;
    emit menu->aboutToShow();
    ASSERT_EQ(menu->actions().size(), 2);
    menu->actions()[0]->trigger();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("gibt es nicht mehr"))) << errors[0].toStdString();
    EXPECT_EQ(recent(), QStringList { path("mine.toml") });
    EXPECT_FALSE(form2->isVisible());
}

// The list shows a name as spelt, a long one narrowed; the entry still opens it.
TEST_F(ScenarioForms, RecentEntryShowsAnAmpersandAsItselfAndShortensALongName)
{
    const QString name = QStringLiteral("R&D ") + QString(240, u'x') + QStringLiteral(" end.toml");
    ASSERT_TRUE(QFile::copy(path("mine.toml"), path(name.toUtf8().constData())));
    QSettings().setValue(QStringLiteral("scenarios/recent"), QStringList { path(name.toUtf8().constData()) });
    QMenu* menu = form1->RecentScenarios;
    emit menu->aboutToShow();
    ASSERT_EQ(menu->actions().size(), 1);
    const QString entry = menu->actions()[0]->text();
    EXPECT_TRUE(entry.startsWith(QStringLiteral("&1  R&&D x")) && entry.contains(QStringLiteral("x end.toml")))
        << entry.toStdString();
    EXPECT_LT(menu->sizeHint().width(), 1000);
    menu->actions()[0]->trigger();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(form2->isVisible());
}

// Only a .toml file is taken; dropped on the start form, it opens on the
// calculation form.
TEST_F(ScenarioForms, FileDroppedOnTheStartFormOpens)
{
    for (const char* name : { "mine.txt", "mine.toml" }) {
        QMimeData mime;
        mime.setUrls({ QUrl::fromLocalFile(path(name)) });
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form1.get(), &enter);
        EXPECT_EQ(enter.isAccepted(), QString::fromUtf8(name).endsWith(QStringLiteral(".toml"))) << name;
    }
    QMimeData mime;
    mime.setUrls({ QUrl::fromLocalFile(path("mine.toml")) });
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form1.get(), &drop);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(form2->isVisible());
    EXPECT_TRUE(st.FileScenario.open);
    EXPECT_EQ(form2->EdSchub->text(), QStringLiteral("250000"));
}

// Saved over, an opened file keeps its comments, its name and its layout:
// only the value typed anew is rewritten where it stood.
TEST_F(ScenarioForms, SavedOverAnOpenedFileKeepsItsCommentsAndName)
{
    const std::string before = slurp(QStringLiteral("mine.toml"));
    st.Sprache = 3;
    ASSERT_TRUE(torv::ScenarioFiles::instance().open(QStringLiteral("mine.toml")));
    typeOver(form2->EdSchub, QStringLiteral("260000"));
    QTimer::singleShot(0, [this] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        dialog->setOption(QFileDialog::DontConfirmOverwrite);
        dialog->selectFile(path("mine.toml"));
        static_cast<QDialog*>(dialog)->accept();
    });
    QTest::keyClick(form2.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    std::string expected = before;
    expected.replace(expected.find("Schub = 250000"), 14, "Schub = 260000");
    EXPECT_EQ(slurp(QStringLiteral("mine.toml")), expected);
}

// A field whose text is no number is not saved as the older number the
// state still holds: nothing is asked and nothing written.
TEST_F(ScenarioForms, SaveRefusesAFieldThatDoesNotRead)
{
    openWith(torv::PresetList::Projectil, 0, 3);
    typeOver(form2->EdCx, QStringLiteral("0.4x"));
    QTest::keyClick(form2.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(errors.size(), 2) << errors.join(u'\n').toStdString(); // the field's own, then the save's
    EXPECT_TRUE(errors[1].startsWith(QStringLiteral("Field \"Cd\": '0.4x' is not a valid floating point value. The "
                                                    "scenario was not saved")))
        << errors[1].toStdString();
    EXPECT_TRUE(recent().isEmpty());
}

} // namespace
