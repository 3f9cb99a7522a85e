#include "ui/haupt.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QThread>

#include <exception>
#include <initializer_list>
#include <variant>

#include "model/classes.h"
#include "model/state.h"
#include "run/activation.h"
#include "ui/calcfields.h"
#include "ui/calcresults.h"
#include "ui/focus.h"
#include "ui/guard.h"
#include "ui/language.h"
#include "ui/look.h"
#include "ui/runprogress.h"
#include "ui/scenariofiles.h"
#include "ui/screenfit.h"
#include "ui/texts.h"

using torv::Field;
using torv::st;

namespace {

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

using C = torv::CalcControls;
using Handler = void (TForm2::*)();

// Which handler each control event runs: a field's change of text, the
// model box's change, a button's click.
struct Hook {
    std::variant<Field, QComboBox * C::*, QPushButton * C::*> control;
    Handler handler;
};

// clang-format off
const Hook kHooks[] = {
    {Field::MassaStart,   &TForm2::edMassaStartChange},
    {Field::H0,           &TForm2::edH0Change},
    {Field::V0,           &TForm2::edV0Change},
    {Field::RSAT,         &TForm2::EdRSATChange},
    {Field::S0,           &TForm2::EdS0Change},
    {Field::Cx,           &TForm2::EdCxChange},
    {Field::Cy,           &TForm2::EdCyChange},
    {Field::TTO,          &TForm2::EdTTOChange},
    {Field::Tk,           &TForm2::edTkChange},
    {Field::Hk,           &TForm2::edHkkChange},
    {Field::Vk,           &TForm2::edVkChange},
    {Field::dt0,          &TForm2::eddt0Change},
    {Field::Vwind,        &TForm2::edVwindChange},
    {Field::Auftriebplus, &TForm2::EdAuftriebplusChange},
    {Field::Gasverlust,   &TForm2::EdGasverlustChange},
    {Field::Mt,           &TForm2::EdMtChange},
    {Field::Iud,          &TForm2::EdIudChange},
    {Field::Schub,        &TForm2::EdSchubChange},
    {Field::Mdv,          &TForm2::EdMdvChange},
    {Field::GasDensity,   &TForm2::EdGasChange},
    {Field::HFlug,        &TForm2::EdHFlugChange},
    {&C::AeroBox1,        &TForm2::AeroBox1Change},
    {&C::Button9,         &TForm2::Button9Click},
    {&C::Button2,         &TForm2::Button2Click},
    {&C::Button15,        &TForm2::Button15Click},
    {&C::Button10,        &TForm2::Button10Click},
    {&C::Button12,        &TForm2::Button12Click},
    {&C::Button17,        &TForm2::Button17Click},
    {&C::Button18,        &TForm2::Button18Click},
    {&C::Button22,        &TForm2::Button22Click},
    {&C::Button7,         &TForm2::Button7Click},
    {&C::Button14,        &TForm2::Button14Click},
    {&C::ButtonP,         &TForm2::ButtonPClick},
    {&C::Button3,         &TForm2::Button3Click},
    {&C::Button4,         &TForm2::Button4Click},
    {&C::Button11,        &TForm2::Button11Click},
    {&C::ButtonCya,       &TForm2::ButtonCyaClick},
    {&C::Button27,        &TForm2::Button27Click},
    {&C::Button6,         &TForm2::Button6Click},
    {&C::Button8,         &TForm2::Button8Click},
    {&C::Button13,        &TForm2::Button13Click},
    {&C::Button19,        &TForm2::Button19Click},
    {&C::ButtonHELP,      &TForm2::ButtonHELPClick},
    {&C::Button1,         &TForm2::Button1Click},
    {&C::Button5,         &TForm2::Button5Click},
    {&C::Button16,        &TForm2::Button16Click},
};
// clang-format on

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
    layout_ = std::make_unique<torv::CalcLayout>(this, *this);
    fields_ = std::make_unique<torv::CalcFields>(this, *this, *layout_);
    progress_ = std::make_unique<torv::RunProgress>(this);
    connectHandlers();
    results_ = std::make_unique<torv::CalcResults>(this, *this, *fields_, *progress_);
    connect(ActHelp, &QAction::triggered, this, [this] { torv::caught([this] { helpClick(); }); });
    screenFit_ = new torv::ScreenFit(this, size());

    torv::setFormPort(this);
    qApp->installEventFilter(this);
    layout_->setTabChain();
    focusRules_ = std::make_unique<torv::FocusRules>(this);
    focusRules_->setDefaultButton(Button1);
    // On a screen too narrow for the form, a tag shows where START lies.
    screenFit_->pointTo(Button1, QStringLiteral("START ▸"));
}

TForm2::~TForm2()
{
    torv::setFormPort(nullptr);
}

void TForm2::connectHandlers()
{
    for (const Hook& h : kHooks) {
        const Handler handler = h.handler;
        // A field's handler reports through the field (CalcFields::runHandler).
        const auto run = [this, handler] { (this->*handler)(); };
        if (const Field* field = std::get_if<Field>(&h.control)) {
            fields_->setHandler(*field, run);
        } else if (const auto* box = std::get_if<QComboBox * C::*>(&h.control)) {
            const auto guardedRun = [handler, this] { torv::guarded([&] { (this->*handler)(); }); };
            connect(this->**box, &QComboBox::currentIndexChanged, this, guardedRun);
            connect(this->**box, &QComboBox::editTextChanged, this, guardedRun);
        } else {
            connect(this->*std::get<QPushButton * C::*>(h.control), &QPushButton::clicked, this,
                [run] { torv::caught(run); });
        }
    }
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
    // What a user does next: START, with the data as shown. On a screen too
    // small for the form the view stays where it is: the tag points there.
    if (Button1->isVisibleTo(this) && !screenFit_->scrolling())
        Button1->setFocus(Qt::OtherFocusReason);
}

void TForm2::showOpenedScenario()
{
    if (isVisible())
        results_->clear();
    showFromStart();
    results_->openFileStudy();
}

// The form's activation runs whenever it becomes the program's active form
// coming from another of the program's forms; not when the program as a
// whole comes back from another program, and not when a message box or a
// popup of its own closes.
bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    return torv::caught([&]() -> bool {
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
    });
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
    layout_->fitCaptions();
    screenFit_->scrollTo(scrolled);
    screenFit_->keepBarsOnTop();
}

void TForm2::showActivation(const torv::Activation& shown)
{
    using Stage = torv::ActivationStage;
    const torv::VehicleClassRow& klasse = torv::classRow(st.Szenario.Klasse);
    results_->showCaption();
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
    fields_->setVisible(Field::Vwind, true);
    if (shown.reached < Stage::Fields)
        return;

    // What an earlier activation showed for another class goes first, so
    // that the form never mixes two classes; then the class's picture and
    // its own fields.
    hideClassControls();
    if (klasse.picture) {
        QLabel* picture = layout_->classPicture(klasse.picture);
        torv::look::showPicture(picture, torv::look::pictureIn(QString::fromLatin1(klasse.picture), st.Sprache));
        picture->show();
    }
    for (const torv::ClassField& own : klasse.fields) {
        const bool visible = torv::fieldInfo(own.field).shown == torv::Shown::ByClass;
        if (own.top)
            fields_->place(own.field, own.top, visible);
        else
            fields_->setVisible(own.field, visible);
    }
    if (klasse.run.rocket)
        ButtonP->show();

    if (klasse.levelFlightSpeed) {
        EdiVopt->show();
        if (shown.reached >= Stage::LevelFlight)
            showText(EdiVopt, fromStd(shown.levelFlightSpeed));
    }
    if (shown.reached < Stage::LevelFlight)
        return;

    results_->setTexts();
    fields_->setTips();
    screenFit_->setPointerTip(torv::text(torv::Text::StartOutOfView));
    torv::ScenarioFiles::instance().setTexts(ActOpenScenario, ActSaveScenario, RecentScenarios);
    layout_->setCaptions(st.Sprache);
    layout_->fitCaptions();
    // Cover the graph buttons until START.
    Panel6->raise();
    if (shown.reached < Stage::Complete)
        return;

    showText(EdBelastung, fromStd(shown.areaLoading));
    if (st.Szenario.Cy != 0)
        Button14->show();
    fields_->setVisible(Field::Vwind, false);
}

void TForm2::hideClassControls()
{
    for (const torv::VehicleClassRow& row : torv::vehicleClasses()) {
        if (row.picture)
            layout_->classPicture(row.picture)->hide();
        for (const torv::ClassField& own : row.fields)
            fields_->setVisible(own.field, false);
    }
    for (QWidget* w : std::initializer_list<QWidget*> { ButtonP, Button17, EdiVopt })
        w->hide();
}

// ---------------------------------------------------------------------------
// Fields

QLineEdit* TForm2::fieldControl(Field field) const
{
    return fields_->control(field);
}

void TForm2::setFieldText(QLineEdit* field, const QString& text)
{
    fields_->setText(field, text);
}

// clang-format off
void TForm2::edMassaStartChange()   { fields_->store(Field::MassaStart); }
void TForm2::EdS0Change()           { fields_->store(Field::S0); }
void TForm2::eddt0Change()          { fields_->store(Field::dt0); }
void TForm2::EdCxChange()           { fields_->store(Field::Cx); }
void TForm2::EdCyChange()           { fields_->store(Field::Cy); }
void TForm2::EdTTOChange()          { fields_->store(Field::TTO); }
void TForm2::edH0Change()           { fields_->store(Field::H0); }
void TForm2::edV0Change()           { fields_->store(Field::V0); }
void TForm2::edTkChange()           { fields_->store(Field::Tk); }
void TForm2::edVwindChange()        { fields_->store(Field::Vwind); }
void TForm2::edHkkChange()          { fields_->store(Field::Hk); }
void TForm2::edVkChange()           { fields_->store(Field::Vk); }
void TForm2::EdGasChange()          { fields_->store(Field::GasDensity); }
void TForm2::EdHFlugChange()        { fields_->store(Field::HFlug); }
void TForm2::EdGasverlustChange()   { fields_->store(Field::Gasverlust); }
void TForm2::EdAuftriebplusChange() { fields_->store(Field::Auftriebplus); }
void TForm2::EdMtChange()           { fields_->store(Field::Mt); }
void TForm2::EdIudChange()          { fields_->store(Field::Iud); }
void TForm2::EdSchubChange()        { fields_->store(Field::Schub); }
void TForm2::EdMdvChange()          { fields_->store(Field::Mdv); }
void TForm2::EdRSATChange()         { fields_->store(Field::RSAT); }
// clang-format on

void TForm2::AeroBox1Change()
{
    fields_->storeAeroModel();
}

// ---------------------------------------------------------------------------
// The run's and the renderer's way to the form

char TForm2::decimalSeparator() const
{
    return torv::userDecimalSeparator();
}

void TForm2::setEdS0(const std::string& text)
{
    torv::KeepRunState keep;
    fields_->setText(EdS0, fromStd(text));
}

void TForm2::setEdBelastung(const std::string& text)
{
    torv::KeepRunState keep;
    showText(EdBelastung, fromStd(text));
}

bool TForm2::runProgress(int pass, double t, double tEnd)
{
    // Runs on other threads (the study window's questions) have no dialog:
    // only the form's own thread may show one.
    if (QThread::currentThread() != thread())
        return true;
    return progress_->update(pass, t, tEnd);
}

void TForm2::drawGraph()
{
    results_->redraw();
}

void TForm2::showGraph(const torv::DrawnGraph& graph)
{
    results_->present(graph);
}

const std::vector<torv::KeptRun>& TForm2::keptRuns() const
{
    return results_->keptRuns();
}

// ---------------------------------------------------------------------------
// Command buttons

void TForm2::Button1Click()
{
    torv::guarded([this] {
        fields_->refuseUnread(torv::text(torv::Text::StartUnread));
        Memo1->hide();
        Memo2->hide();
        Panel6->lower();
        results_->run();
    });
}

void TForm2::Button5Click()
{
    torv::guarded([this] {
        Memo1->hide();
        Memo2->hide();
        hideClassControls();
        results_->clear();
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

void TForm2::helpClick()
{
    const std::vector<torv::HelpLine> fields = fields_->helpLines();
    results_->setTexts();
    QWidget* over = QApplication::activeWindow();
    torv::showHelp(over ? over : this, fields, results_->menuLines());
}

void TForm2::dragEnterEvent(QDragEnterEvent* event)
{
    torv::caught([&] { torv::ScenarioFiles::acceptsDrag(event); });
}

void TForm2::dropEvent(QDropEvent* event)
{
    torv::guarded([&] { torv::ScenarioFiles::instance().dropped(event); });
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
