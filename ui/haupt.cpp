#include "ui/haupt.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "physics/faults.h"
#include "sim/activation.h"
#include "sim/flugbahn.h"
#include "sim/numfmt.h"
#include "sim/state.h"
#include "ui/focus.h"
#include "ui/guard.h"
#include "ui/language.h"
#include "ui/readout.h"
#include "ui/screenfit.h"
#include "ui/texts.h"

using torv::st;
using torv::Text;
using torv::text;

namespace {

const char* const kInfoText
    = "TORV is a  program that simulates the flight of a flight vehicle in two dimension.\n"
      "\n"
      "Terms of use:\n"
      "1. The program may be used free of charge for private study, teaching and research.\n"
      "2. It must not be sold, rented or used for any commercial purpose.\n"
      "3. It may be passed on only complete and unchanged, together with this text.\n"
      "4. It comes without any warranty: its results are estimates for conceptual studies and must be "
      "checked independently before they are relied on.\n"
      "\n"
      "Questions and remarks: send a message to the author via the project's issue tracker.";

const char* const kHelpText = "        \n"
                              "   A)    What's the problem? -->\n"
                              "\n"
                              "   1.   Pictures? Date? Time? --> Change an integration step !!!\n"
                              "   2.   Set the correct data !!!\n"
                              "\n"
                              "   B)  The problem is not solved --->\n"
                              "\n"
                              "   3.   Pictures? Date? Time? --> Change an integration step !!!\n"
                              "   4.   Set the correct data !!!\n"
                              "\n"
                              "   C)  The problem is not solved --->\n"
                              "\n"
                              "   5.   Write to the author (project issue tracker) !!!";


// A number written by the program is read from its start, also when the
// box is too narrow for all of it.
void showText(QLineEdit* box, const QString& text)
{
    box->setText(text);
    box->setCursorPosition(0);
}

QString fromStd(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

TForm2::TForm2(QWidget* parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("  Torv version 1.16 (Beta)"));
    setFixedSize(1228, 868);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    createControls();
    createGraphMenu();
    screenFit_ = new torv::ScreenFit(this, size());
    Memo1->setPlainText(QString::fromUtf8(kInfoText));
    Memo2->setPlainText(QString::fromUtf8(kHelpText));
    // The help is a list of short lines: one line each, so that all fourteen
    // fit the box without scrolling.
    Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont helpFont = Memo2->font();
    helpFont.setPixelSize(13);
    Memo2->setFont(helpFont);

    torv::setFormPort(this);
    qApp->installEventFilter(this);
    setTabChain();
    focusRules_ = std::make_unique<torv::FocusRules>(this);
    // On a screen too narrow for the form, a tag shows where START lies.
    screenFit_->pointTo(Button1, QStringLiteral("START ▸"));
}

void TForm2::setTabChain()
{
    // Top to bottom through the fields, then START, the graph and its
    // buttons row by row, and the commands.
    const QList<QWidget*> chain = { EdGas, EdHFlug, EdMt, EdGasverlust, EdMdv, EdIud, EdAuftriebplus, EdSchub, EdRSAT,
        AeroBox1, EdCx, EdCy, edMassaStart, EdS0, edVwind, eddt0, EdTTO, edH0, edV0, edTk, edHkk, edVk, Button1, Image1,
        Button9, Button10, Button22, Button3, Button27, Button2, Button7, Button4, Button6, Button12, Button14, Button11,
        Button8, Button15, Button17, Button18, ButtonP, ButtonCya, Button13, Button19, ButtonHELP, Button5, Button16 };
    for (qsizetype i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

TForm2::~TForm2()
{
    torv::setFormPort(nullptr);
}

// ---------------------------------------------------------------------------
// Activation

void TForm2::showFromStart()
{
    show();
    raise();
    activateWindow();
    // The window system activates the form a little later; the program
    // takes it as active at once, so that an error box of the activation
    // belongs to this form and leaves it active when closed.
    lastActiveForm_ = this;
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QApplication::setActiveWindow(this);
    QT_WARNING_POP
    FormAktivate();
}

// The form's activation runs whenever it becomes the program's active form
// coming from another of the program's forms; not when the program as a
// whole comes back from another program, and not when a message box or a
// popup of its own closes.
bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Notice && event->type() == QEvent::MouseButtonRelease) {
        ActCheckStep->trigger();
        return true;
    }
    if (event->type() == QEvent::WindowActivate && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        const bool isForm = w->isWindow() && w->windowType() == Qt::Window && !qobject_cast<QDialog*>(w);
        if (isForm) {
            QWidget* previous = lastActiveForm_;
            lastActiveForm_ = w;
            if (w == this && previous != this)
                FormAktivate();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm2::FormAktivate()
{
    torv::useQtLanguage(st.Sprache);
    // The layout below places controls at their designed positions.
    const QPoint scrolled = screenFit_->offset();
    screenFit_->scrollTo(QPoint());
    torv::guarded([this] {
        // The model part first; the form then shows as much of it as was
        // done, and reports its fault.
        torv::Activation shown;
        std::exception_ptr fault;
        try {
            torv::activate(decimalSeparator(), shown);
        } catch (...) {
            fault = std::current_exception();
        }
        showActivation(shown);
        if (fault)
            std::rethrow_exception(fault);
    });
    // Also after a fault: the captions shown so far stay readable.
    fitCaptions();
    screenFit_->scrollTo(scrolled);
    screenFit_->keepBarsOnTop();
}

// The form's side of the field table: each field's control, change handler
// and caption, in the order of torv::Field.
struct TForm2::FieldControl {
    torv::Field field;
    QLineEdit* TForm2::*control;
    Handler change;
    QLabel* TForm2::*caption;
};

// clang-format off
const TForm2::FieldControl TForm2::kFieldControls[] = {
    {torv::Field::MassaStart,   &TForm2::edMassaStart,   &TForm2::edMassaStartChange,    &TForm2::Label8},
    {torv::Field::H0,           &TForm2::edH0,           &TForm2::edH0Change,            &TForm2::Label25},
    {torv::Field::V0,           &TForm2::edV0,           &TForm2::edV0Change,            &TForm2::edV},
    {torv::Field::RSAT,         &TForm2::EdRSAT,         &TForm2::EdRSATChange,          &TForm2::Label26},
    {torv::Field::S0,           &TForm2::EdS0,           &TForm2::EdS0Change,            &TForm2::Label19},
    {torv::Field::Cx,           &TForm2::EdCx,           &TForm2::EdCxChange,            &TForm2::Label13},
    {torv::Field::Cy,           &TForm2::EdCy,           &TForm2::EdCyChange,            &TForm2::Label11},
    {torv::Field::TTO,          &TForm2::EdTTO,          &TForm2::EdTTOChange,           &TForm2::Label14},
    {torv::Field::Tk,           &TForm2::edTk,           &TForm2::edTkChange,            &TForm2::Label3},
    {torv::Field::Hk,           &TForm2::edHkk,          &TForm2::edHkkChange,           &TForm2::Label2},
    {torv::Field::Vk,           &TForm2::edVk,           &TForm2::edVkChange,            &TForm2::Label4},
    {torv::Field::dt0,          &TForm2::eddt0,          &TForm2::eddt0Change,           &TForm2::Label10},
    {torv::Field::Vwind,        &TForm2::edVwind,        &TForm2::edVwindChange,         &TForm2::Label7},
    {torv::Field::Auftriebplus, &TForm2::EdAuftriebplus, &TForm2::EdAuftriebplusChange,  &TForm2::Label27},
    {torv::Field::Gasverlust,   &TForm2::EdGasverlust,   &TForm2::EdGasverlustChange,    &TForm2::Label28},
    {torv::Field::Mt,           &TForm2::EdMt,           &TForm2::EdMtChange,            &TForm2::Label23},
    {torv::Field::Iud,          &TForm2::EdIud,          &TForm2::EdIudChange,           &TForm2::Label6},
    {torv::Field::Schub,        &TForm2::EdSchub,        &TForm2::EdSchubChange,         &TForm2::Label24},
    {torv::Field::Mdv,          &TForm2::EdMdv,          &TForm2::EdMdvChange,           &TForm2::Label22},
    {torv::Field::GasDensity,   &TForm2::EdGas,          &TForm2::EdGasChange,           &TForm2::Label18},
    {torv::Field::HFlug,        &TForm2::EdHFlug,        &TForm2::EdHFlugChange,         &TForm2::Label20},
};
// clang-format on

void TForm2::connectFields()
{
    for (const FieldControl& c : kFieldControls) {
        QLineEdit* e = this->*c.control;
        const Handler h = c.change;
        fieldHandlers_.insert(e, h);
        connect(e, &QLineEdit::textChanged, this, [this, h] { runFieldHandler(h); });
    }
}

QLineEdit* TForm2::fieldControl(torv::Field field) const
{
    const FieldControl& c = kFieldControls[static_cast<int>(field)];
    Q_ASSERT(c.field == field);
    return this->*c.control;
}

void TForm2::setFieldVisible(torv::Field field, bool visible)
{
    const FieldControl& c = kFieldControls[static_cast<int>(field)];
    (this->*c.control)->setVisible(visible);
    (this->*c.caption)->setVisible(visible);
}

// A class-specific field and its caption move into the class frame.
void TForm2::placeField(torv::Field field, int top, bool visible)
{
    const FieldControl& c = kFieldControls[static_cast<int>(field)];
    (this->*c.caption)->move(16, top);
    (this->*c.control)->move(160, top);
    setFieldVisible(field, visible);
}

void TForm2::showActivation(const torv::Activation& shown)
{
    using Stage = torv::ActivationStage;
    using torv::Field;
    using torv::VehicleClass;
    const VehicleClass klasse = torv::vehicleClass(st.Szenario.Klasse);
    showCaption();
    // A scenario file sets the aerodynamic model too: the box shows it.
    if (st.FileScenario.open) {
        const QSignalBlocker quiet(AeroBox1);
        AeroBox1->setCurrentIndex(st.AeroModel == 1 ? 1 : 0);
        if (AeroBox1->lineEdit())
            AeroBox1->lineEdit()->setCursorPosition(0);
    }

    // The numbers are in the state already: the fields only show them.
    for (const torv::Activation::Text& t : shown.texts) {
        QLineEdit* field = fieldControl(t.field);
        const QSignalBlocker quiet(field);
        showText(field, fromStd(t.text));
    }
    setFieldVisible(Field::Vwind, true);
    if (shown.reached < Stage::Fields)
        return;

    // Class picture. What an earlier activation showed for another class
    // goes first, so that the form never mixes two classes.
    hideClassControls();
    struct ClassPicture {
        VehicleClass klasse;
        QLabel* TForm2::*picture;
    };
    static const ClassPicture kPictures[] = {
        { VehicleClass::Projectile, &TForm2::Image8 },
        { VehicleClass::Balloon, &TForm2::Image3 },
        { VehicleClass::Airplane, &TForm2::Image5 },
        { VehicleClass::Rocket, &TForm2::Image7 },
    };
    for (const ClassPicture& p : kPictures)
        if (klasse == p.klasse)
            (this->*p.picture)->show();

    if (klasse == VehicleClass::Rocket) {
        // The engine mass is read but not shown.
        placeField(Field::Mt, 50, true);
        placeField(Field::Iud, 130, true);
        placeField(Field::Schub, 170, true);
        placeField(Field::Mdv, 90, false);
        ButtonP->show();
    }

    if (klasse == VehicleClass::Glider) {
        EdiVopt->show();
        if (shown.reached >= Stage::LevelFlight)
            showText(EdiVopt, fromStd(shown.levelFlightSpeed));
    }
    if (shown.reached < Stage::LevelFlight)
        return;

    setCaptions(st.Sprache);
    fitCaptions();
    // Cover the graph buttons until START.
    Panel6->raise();

    if (klasse == VehicleClass::Balloon) {
        placeField(Field::Gasverlust, 110, true);
        placeField(Field::Auftriebplus, 150, true);
        setFieldVisible(Field::GasDensity, true);
        setFieldVisible(Field::HFlug, true);
    }
    if (shown.reached < Stage::Complete)
        return;

    showText(EdBelastung, fromStd(shown.areaLoading));
    if (st.Szenario.Cy != 0)
        Button14->show();
    setFieldVisible(Field::Vwind, false);
}

void TForm2::hideClassControls()
{
    QWidget* const controls[] = { Image7, Label18, Label20, Label27, Label28, EdGas, EdHFlug, EdAuftriebplus,
        EdGasverlust, Label24, EdMdv, EdMt, Label23, Label22, Label6, EdIud, EdSchub, ButtonP, EdRSAT, Label26,
        Button17, EdiVopt, Image8, Image5, Image3 };
    for (QWidget* w : controls)
        w->hide();
}

// ---------------------------------------------------------------------------
// Fields

void TForm2::setFieldText(QLineEdit* field, const QString& text)
{
    ++settingText_;
    handlerError_ = nullptr;
    if (field->text() == text) {
        if (const auto it = fieldHandlers_.constFind(field); it != fieldHandlers_.cend())
            runFieldHandler(*it);
    } else {
        field->setText(text);
        field->setCursorPosition(0);
    }
    --settingText_;
    if (handlerError_)
        std::rethrow_exception(std::exchange(handlerError_, nullptr));
}

void TForm2::runFieldHandler(Handler handler)
{
    if (settingText_ > 0) {
        try {
            (this->*handler)();
        } catch (...) {
            handlerError_ = std::current_exception();
        }
        return;
    }
    torv::guarded([&] { (this->*handler)(); });
}

void TForm2::fieldChanged(torv::Field field)
{
    const std::string text = fieldControl(field)->text().toStdString();
    const auto value = torv::parseNumber(text, decimalSeparator());
    if (!value)
        throw torv::ConvertError(text);
    st.*torv::fieldInfo(field).var = *value;
}

// clang-format off
void TForm2::edMassaStartChange()   { fieldChanged(torv::Field::MassaStart); }
void TForm2::EdS0Change()           { fieldChanged(torv::Field::S0); }
void TForm2::eddt0Change()          { fieldChanged(torv::Field::dt0); }
void TForm2::EdCxChange()           { fieldChanged(torv::Field::Cx); }
void TForm2::EdCyChange()           { fieldChanged(torv::Field::Cy); }
void TForm2::EdTTOChange()          { fieldChanged(torv::Field::TTO); }
void TForm2::edH0Change()           { fieldChanged(torv::Field::H0); }
void TForm2::edV0Change()           { fieldChanged(torv::Field::V0); }
void TForm2::edTkChange()           { fieldChanged(torv::Field::Tk); }
void TForm2::edVwindChange()        { fieldChanged(torv::Field::Vwind); }
void TForm2::edHkkChange()          { fieldChanged(torv::Field::Hk); }
void TForm2::edVkChange()           { fieldChanged(torv::Field::Vk); }
void TForm2::EdGasChange()          { fieldChanged(torv::Field::GasDensity); }
void TForm2::EdHFlugChange()        { fieldChanged(torv::Field::HFlug); }
void TForm2::EdGasverlustChange()   { fieldChanged(torv::Field::Gasverlust); }
void TForm2::EdAuftriebplusChange() { fieldChanged(torv::Field::Auftriebplus); }
void TForm2::EdMtChange()           { fieldChanged(torv::Field::Mt); }
void TForm2::EdIudChange()          { fieldChanged(torv::Field::Iud); }
void TForm2::EdSchubChange()        { fieldChanged(torv::Field::Schub); }
void TForm2::EdMdvChange()          { fieldChanged(torv::Field::Mdv); }
void TForm2::EdRSATChange()         { fieldChanged(torv::Field::RSAT); }
// clang-format on

void TForm2::AeroBox1Change()
{
    // Typed text that names no item selects none, whatever index the
    // combo box still remembers.
    int item = AeroBox1->currentIndex();
    if (item >= 0 && AeroBox1->currentText() != AeroBox1->itemText(item))
        item = -1;
    if (item == 0)
        st.AeroModel = 0.0;
    else if (item == 1)
        st.AeroModel = 1.0;
}

// ---------------------------------------------------------------------------
// The run's and the renderer's way to the form

char TForm2::decimalSeparator() const
{
    return torv::userDecimalSeparator();
}

namespace {

// Library code may leave the upper halves of the AVX registers in use; until
// they are cleared, every SSE instruction of the step loop pays for it (runs
// took four times as long after a progress dialog had been shown).
void clearUpperVectorState()
{
#if defined(__x86_64__)
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx)
        asm volatile("vzeroupper");
#endif
}

// Widget work during a run may leave stray flags behind (and a field's
// handler starts by clearing them); the run's own flags must survive it,
// and its step loop must find the vector registers clean.
class KeepRunState {
public:
    KeepRunState() { std::fegetexceptflag(&flags_, FE_ALL_EXCEPT); }
    ~KeepRunState()
    {
        std::fesetexceptflag(&flags_, FE_ALL_EXCEPT);
        clearUpperVectorState();
    }

private:
    std::fexcept_t flags_;
};

} // namespace

void TForm2::setEdS0(const std::string& text)
{
    KeepRunState keep;
    setFieldText(EdS0, fromStd(text));
}

void TForm2::setEdBelastung(const std::string& text)
{
    KeepRunState keep;
    showText(EdBelastung, fromStd(text));
}

namespace {

// Seconds with two decimals and the user's separator.
QString seconds(double v, char sep)
{
    return QString::number(v, 'f', 2).replace(QLatin1Char('.'), QLatin1Char(sep));
}

} // namespace

bool TForm2::runProgress(int pass, double t, double tEnd)
{
    constexpr qint64 kShowAfterMs = 300;
    // Often enough for a live dialog, rarely enough to cost the run nothing.
    constexpr qint64 kUpdateEveryMs = 50;
    constexpr int kSteps = 1000;
    if (!runClock_.isValid() || runClock_.elapsed() < kShowAfterMs)
        return true;
    if (progress_ && progressShown_.elapsed() < kUpdateEveryMs)
        return !progress_->wasCanceled();

    KeepRunState keep;
    if (!progress_) {
        progress_ = new QProgressDialog(this);
        progress_->setWindowTitle(text(Text::RunTitle));
        progress_->setCancelButtonText(text(Text::RunCancel));
        progress_->setWindowModality(Qt::ApplicationModal);
        progress_->setAutoReset(false);
        progress_->setAutoClose(false);
        progress_->setMinimumWidth(380);
    }
    const char sep = decimalSeparator();
    if (pass == 1) {
        // How long the flight lasts is what this pass finds out: the end
        // time is only an upper bound, so the bar shows activity, no share.
        progress_->setRange(0, 0);
        progress_->setLabelText(
            text(Text::RunPass1) + QLatin1Char('\n') + text(Text::RunTime1).arg(seconds(t, sep)));
    } else {
        // The recording pass ends where the timing pass ended.
        tEnd = std::min(tEnd, st.dtProbe * st.NPunkte);
        progress_->setRange(0, kSteps);
        progress_->setLabelText(text(Text::RunPass2) + QLatin1Char('\n')
            + text(Text::RunTime2).arg(seconds(t, sep), seconds(tEnd, sep)));
        const double done = tEnd > 0 ? std::clamp(t / tEnd, 0.0, 1.0) : 0.0;
        progress_->setValue(static_cast<int>(done * kSteps));
    }
    progress_->show();
    QCoreApplication::processEvents();
    progressShown_.start();
    return !progress_->wasCanceled();
}

void TForm2::startProgress()
{
    runClock_.start();
    clearUpperVectorState();
}

void TForm2::endProgress()
{
    runClock_.invalidate();
    delete std::exchange(progress_, nullptr);
    clearUpperVectorState();
}

void TForm2::drawGraph()
{
    std::vector<std::vector<double>> series;
    const torv::GraphExtras extras = graphExtras(series);
    // At the screen's pixel ratio, so that a dense screen shows it sharp.
    torv::Grafik(
        *this, st.Ergebnis.data(), st.GraphCodes.data(), st.NPunkte, st.GraphCount, extras, devicePixelRatioF());
}

void TForm2::showGraph(const torv::DrawnGraph& graph)
{
    Image1->setPixmap(QPixmap::fromImage(graph.picture));
    Readout->setGraph(graph.reading, decimalSeparator());
    Image1->repaint();
    shownGraph_ = graph.picture;
    updateGraphMenu();
}

void TForm2::setGraphButtonVisible(torv::GraphButton button, bool visible)
{
    using torv::GraphButton;
    static const std::pair<GraphButton, QPushButton* TForm2::*> kButtons[] = {
        { GraphButton::AerodynamicsOverTime, &TForm2::ButtonCya },
        { GraphButton::NormalLoadOverTime, &TForm2::Button6 },
        { GraphButton::LoadFactorsOverTime, &TForm2::Button11 },
        { GraphButton::LiftOverTime, &TForm2::Button14 },
        { GraphButton::BuoyancyOverTime, &TForm2::Button18 },
    };
    for (const auto& [graph, b] : kButtons)
        if (graph == button)
            (this->*b)->setVisible(visible);
}

// ---------------------------------------------------------------------------
// Command buttons

void TForm2::Button1Click()
{
    torv::guarded([this] {
        refuseUnreadFields(text(Text::StartUnread));
        Memo1->hide();
        Memo2->hide();
        Panel6->lower();
        // What a Cancel puts back: the state and the run on show.
        const auto before = std::make_unique<torv::SimState>(st);
        const ShownRun shownBefore = shown_;
        shown_ = ShownRun {};
        shown_.inputs = torv::RunInputs::current();
        Notice->hide();
        updateGraphMenu();
        bool cancelled = false;
        QElapsedTimer clock;
        clock.start();
        withProgress([&] {
            try {
                torv::Flugbahn();
            } catch (const torv::RunCancelled&) {
                cancelled = true;
            }
        });
        if (cancelled) {
            // The samples the cut-off run overwrote are the last complete
            // run's again, so the graph, the export and the check on show
            // still agree; the user asked for this, so it is no error.
            st = *before;
            shown_ = shownBefore;
            updateGraphMenu();
            if (shown_.complete)
                updateNotice();
            torv::showInfoBox(text(shown_.complete ? Text::RunCancelledKept : Text::RunCancelledFirst));
            return;
        }
        shown_.ms = clock.elapsed();
        shown_.complete = true;
        shown_.state = std::make_shared<const torv::SimState>(st);
        // A short run is checked at once, on a copy of the state; a long
        // one only offers the check.
        constexpr qint64 kCheckBelowMs = 250;
        if (shown_.ms < kCheckBelowMs)
            shown_.check = torv::checkStep();
        updateGraphMenu();
        updateNotice();
    });
}

void TForm2::refuseUnreadFields(const QString& message)
{
    const char sep = decimalSeparator();
    for (const FieldControl& c : kFieldControls) {
        QLineEdit* field = this->*c.control;
        if (!field->isVisibleTo(this) || torv::parseNumber(field->text().toStdString(), sep))
            continue;
        field->setFocus();
        field->selectAll();
        const QString caption = (this->*c.caption)->text().simplified();
        throw torv::TorvError(message.arg(caption, field->text()).toStdString());
    }
}

void TForm2::Button5Click()
{
    torv::guarded([this] {
        Memo1->hide();
        Memo2->hide();
        hideClassControls();
        QPixmap blank(770, 515);
        blank.fill(Qt::white);
        Image1->setPixmap(blank);
        Readout->clear();
        Image1->repaint();
        shownGraph_ = QImage();
        shown_.check.reset();
        Notice->hide();
        updateGraphMenu();
        for (QLabel* picture : { Image8, Image7, Image5, Image3 })
            picture->hide();
        hide();
        emit backToStart();
    });
}

void TForm2::Button16Click()
{
    torv::guarded([this] {
        Memo1->hide();
        Memo2->hide();
        emit quitWanted();
        close();
    });
}

void TForm2::Button19Click()
{
    Memo1->show();
    Memo2->hide();
}

void TForm2::ButtonHELPClick()
{
    Memo2->show();
    Memo1->hide();
}

// ---------------------------------------------------------------------------
// Graph buttons: a selection, drawn from the last run's series

void TForm2::graphButton(torv::Sel selection)
{
    torv::guarded([&] {
        torv::applyGraphSelection(selection);
        drawGraph();
    });
}

// clang-format off
void TForm2::Button9Click()   { graphButton(torv::Sel::FlightOverRange); }
void TForm2::Button10Click()  { graphButton(torv::Sel::FlightOverTime); }
void TForm2::Button22Click()  { graphButton(torv::Sel::SpeedAltitudeOverTime); }
void TForm2::Button27Click()  { graphButton(torv::Sel::SpeedOverTime); }
void TForm2::Button2Click()   { graphButton(torv::Sel::SpeedAltitudeOverRange); }
void TForm2::Button3Click()   { graphButton(torv::Sel::AltitudeOverTime); }
void TForm2::Button4Click()   { graphButton(torv::Sel::AxialLoadOverTime); }
void TForm2::Button6Click()   { graphButton(torv::Sel::NormalLoadOverTime); }
void TForm2::Button7Click()   { graphButton(torv::Sel::DynamicPressureOverTime); }
void TForm2::Button8Click()   { graphButton(torv::Sel::PathAngleOverTime); }
void TForm2::Button11Click()  { graphButton(torv::Sel::LoadFactorsOverTime); }
void TForm2::Button12Click()  { graphButton(torv::Sel::DragOverTime); }
void TForm2::Button14Click()  { graphButton(torv::Sel::LiftOverTime); }
void TForm2::Button15Click()  { graphButton(torv::Sel::AltitudeOverSpeed); }
void TForm2::Button17Click()  { graphButton(torv::Sel::HeatingOverTime); }
void TForm2::Button18Click()  { graphButton(torv::Sel::BuoyancyOverTime); }
void TForm2::ButtonPClick()   { graphButton(torv::Sel::ThrustOverTime); }
void TForm2::ButtonCyaClick() { graphButton(torv::Sel::AerodynamicsOverTime); }
void TForm2::Button13Click()  { graphButton(torv::Sel::AtmosphereOverTime); }
// clang-format on
