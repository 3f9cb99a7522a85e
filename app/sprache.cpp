#include "app/sprache.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <optional>
#include <variant>

#include "model/classes.h"
#include "model/state.h"
#include "ui/focus.h"
#include "ui/guard.h"
#include "ui/language.h"
#include "ui/look.h"
#include "ui/scenariofiles.h"
#include "ui/screenfit.h"

using torv::PresetList;
using torv::st;

namespace {

using namespace torv::look;

// The start form's text: MS Sans Serif, or DejaVu Sans at its full width.
QFont formFont()
{
    return face("MS Sans Serif", "DejaVu Sans", 13);
}

const char* const kNotice = "Torv estimates the flight path of a point-mass vehicle through the standard atmosphere.\n"
                            "\n"
                            "The vehicle moves in a vertical plane; the time history of its flight is drawn as "
                            "graphs.\n"
                            "\n"
                            "How to use it:\n"
                            "1. Choose the language of the forms below: R (Russian), D (German) or E (English).\n"
                            "2. Choose the class of vehicle: projectile, parachute, balloon, glider, reentry vehicle "
                            "or rocket.\n"
                            "3. Pick a ready-made scenario from the list that appears and press START. Without a "
                            "choice the calculation form keeps the last scenario loaded.\n"
                            "4. On the calculation form, check or edit the vehicle data, the initial and the end "
                            "conditions, then press its START to run the simulation. The graph buttons show other "
                            "quantities of the same run; MAIN brings you back here, QUIT ends the program.\n"
                            "\n"
                            "Every run writes its 500 samples to the file Torv_500.txt in the working directory.\n"
                            "The models are deliberately simple: the results are estimates for study and comparison, "
                            "not data for design. By choosing a language you accept this.";

// A radio group: a frame with one column of entries in equal rows below the
// caption. A captioned group keeps 13 pixels above for the caption and 5
// below, so a 214-pixel group of eight has 24-pixel rows from 13 down; one
// without a caption shares its whole height.
constexpr int kGroupCaption = 13;
constexpr int kGroupBottom = 5;
constexpr int kGroupInset = 8;

QGroupBox* makeRadioGroup(
    QWidget* parent, const QRect& place, const QString& caption, const QStringList& entries, QButtonGroup*& items)
{
    auto* box = new QGroupBox(caption, parent);
    box->setGeometry(place);
    // White inside the frame, as the white panels over two entries must
    // leave no trace also over the background picture; a plain line with
    // the caption set into it.
    box->setStyleSheet(QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: 6px;"
                                      " background-color: white; }"
                                      "QGroupBox::title { subcontrol-origin: margin; left: 6px;"
                                      " padding: 0 2px; background-color: white; }"));
    items = new QButtonGroup(box);
    const int top = caption.isEmpty() ? 0 : kGroupCaption;
    const int bottom = caption.isEmpty() ? 0 : kGroupBottom;
    const int rowHeight = (place.height() - top - bottom) / int(entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        auto* button = new QRadioButton(entries[i], box);
        button->setGeometry(kGroupInset, top + i * rowHeight, place.width() - 2 * kGroupInset, rowHeight);
        items->addButton(button, i);
    }
    return box;
}

int itemIndex(const QButtonGroup* items)
{
    return items->checkedId();
}

// Unchecking the checked entry of an exclusive group needs exclusivity off
// for a moment; no click is emitted, so no handler runs.
void clearItemIndex(QButtonGroup* items)
{
    if (QAbstractButton* checked = items->checkedButton()) {
        items->setExclusive(false);
        checked->setChecked(false);
        items->setExclusive(true);
    }
}

int selectedRow(const QListWidget* list)
{
    const QList<QListWidgetItem*> items = list->selectedItems();
    return items.isEmpty() ? -1 : list->row(items.first());
}

void clearSelectedRow(QListWidget* list)
{
    const QSignalBlocker quiet(list);
    list->clearSelection();
    list->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
}

// What a row of the start form's layout makes.
enum class Kind {
    Picture, // text: the picture's resource
    Label, // bold 13-pixel Verdana
    RedPanel, // sunken panel
    WhitePanel, // flat panel over two class entries
    ClassGroup, // the classes in `language` (Sprache): entry n is class n
    LanguageGroup, // R, D, E
    PresetList,
    Button, // bold 10-pixel Verdana
    BlackButton, // the same in black
    Memo, // the notice
};

using Member = std::variant<QLabel * TForm1::*, QFrame * TForm1::*, QGroupBox * TForm1::*, QListWidget * TForm1::*,
    QPushButton * TForm1::*, QPlainTextEdit * TForm1::*>;
using Handler = void (TForm1::*)();

struct Control {
    Member member;
    QRect place;
    Kind kind;
    const char* text = nullptr; // caption or picture
    bool hidden = false;
    Handler handler = nullptr; // click, choice of an entry, or choice from the list
    QButtonGroup* TForm1::*items = nullptr; // a group's entries
    int language = 0; // Sprache
    PresetList list = PresetList::Projectil;
};

constexpr bool H = true; // hidden when created
constexpr bool V = false; // visible when created
constexpr QRect kClassPlace(10, 43, 687, 214);

// clang-format off
// Bottom to top: a later control lies above an earlier one.
const Control kLayout[] = {
    {&TForm1::Image2,             {0, 0, 841, 585},      Kind::Picture,       ":/pictures/background.jpg", H},
    {&TForm1::Image1,             {180, 298, 325, 191},  Kind::Picture,       ":/pictures/sprache.jpg",    V},
    {&TForm1::Label1,             {113, 384, 66, 16},    Kind::Label,         "I ACCEPT",                  V},
    {&TForm1::Panel4,             {702, 7, 62, 60},      Kind::RedPanel,      nullptr,                     H},
    {&TForm1::RadioWahl,          kClassPlace,           Kind::ClassGroup,    "Wahl",   H, &TForm1::RadioWahlClick, &TForm1::RadioWahlItems, 2},
    {&TForm1::WahlRU,             kClassPlace,           Kind::ClassGroup,    "Выбор",  H, &TForm1::WahlRUClick,    &TForm1::WahlRUItems,    1},
    {&TForm1::WahlEN,             kClassPlace,           Kind::ClassGroup,    "Choice", H, &TForm1::WahlENClick,    &TForm1::WahlENItems,    3},
    {&TForm1::ListBoxProjectil,   {337, 353, 356, 149},  Kind::PresetList,    nullptr,  H, &TForm1::ListBoxProjectilClick,   nullptr, 0, PresetList::Projectil},
    {&TForm1::BitBtn1,            {708, 12, 51, 50},     Kind::BlackButton,   "START",  H, &TForm1::BitBtn1Click},
    {&TForm1::ListBoxFallschirm,  {321, 342, 356, 120},  Kind::PresetList,    nullptr,  H, &TForm1::ListBoxFallschirmClick,  nullptr, 0, PresetList::Fallschirm},
    {&TForm1::Button1,            {708, 81, 54, 50},     Kind::Button,        "QUIT",   V, &TForm1::Button1Click},
    {&TForm1::ListBoxBallon,      {361, 284, 356, 119},  Kind::PresetList,    nullptr,  H, &TForm1::ListBoxBallonClick,      nullptr, 0, PresetList::Ballon},
    {&TForm1::RadioSprach,        {229, 323, 50, 149},   Kind::LanguageGroup, "",       V, &TForm1::RadioSprachClick, &TForm1::RadioSprachItems},
    {&TForm1::ListBoxGlider,      {385, 307, 356, 119},  Kind::PresetList,    nullptr,  H, &TForm1::ListBoxGliderClick,      nullptr, 0, PresetList::Glider},
    {&TForm1::ListBoxLandekapsel, {417, 320, 355, 198},  Kind::PresetList,    nullptr,  H, &TForm1::ListBoxLandekapselClick, nullptr, 0, PresetList::Landekapsel},
    {&TForm1::ListBoxLauncher,    {361, 411, 356, 119},  Kind::PresetList,    nullptr,  H, &TForm1::ListBoxLauncherClick,    nullptr, 0, PresetList::Launcher},
    {&TForm1::Panel1,             {16, 128, 673, 25},    Kind::WhitePanel,    nullptr,  H},
    {&TForm1::Panel3,             {16, 176, 673, 25},    Kind::WhitePanel,    nullptr,  H},
    {&TForm1::Memo1,              {8, 8, 689, 273},      Kind::Memo,          kNotice,  V},
};
// clang-format on

} // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("  Torv version 1.16 (Beta)"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(775, 560);
    setFont(formFont());
    setColour(this, QPalette::Window, kWhite);
    setAutoFillBackground(true);

    for (const Control& c : kLayout) {
        const QString text = QString::fromUtf8(c.text);
        QWidget* w = nullptr;
        switch (c.kind) {
        case Kind::Picture: {
            auto* p = new QLabel(this);
            showPicture(p, text);
            w = p;
            break;
        }
        case Kind::Label:
            w = new QLabel(text, this);
            w->setFont(verdana(13, true));
            break;
        case Kind::RedPanel:
        case Kind::WhitePanel: {
            auto* f = new QFrame(this);
            if (c.kind == Kind::RedPanel)
                makePanel(f, QFrame::Panel | QFrame::Sunken, kRed);
            else
                makePanel(f, QFrame::NoFrame | QFrame::Plain, kWhite);
            w = f;
            break;
        }
        case Kind::ClassGroup: {
            QStringList entries;
            for (const torv::VehicleClassRow& row : torv::vehicleClasses())
                entries << QString::fromUtf8(torv::inLanguage(row.entry, c.language));
            w = makeRadioGroup(this, c.place, text, entries, this->*c.items);
            break;
        }
        case Kind::LanguageGroup:
            w = makeRadioGroup(
                this, c.place, text, { QStringLiteral("R"), QStringLiteral("D"), QStringLiteral("E") }, this->*c.items);
            w->setStyleSheet(
                QStringLiteral("QGroupBox { border: 1px solid palette(mid); background-color: palette(midlight); }"));
            break;
        case Kind::PresetList:
            w = makePresetList(c.place, c.list, c.handler);
            break;
        case Kind::Button:
        case Kind::BlackButton: {
            auto* b = new QPushButton(text, this);
            b->setFont(verdana(10, true));
            if (c.kind == Kind::BlackButton)
                setColour(b, QPalette::ButtonText, kBlack);
            connect(b, &QPushButton::clicked, this, [this, h = c.handler] { torv::caught([&] { (this->*h)(); }); });
            w = b;
            break;
        }
        case Kind::Memo: {
            auto* m = new QPlainTextEdit(text, this);
            m->setReadOnly(true);
            m->setFrameShape(QFrame::NoFrame);
            setColour(m, QPalette::Base, kWhite);
            w = m;
            break;
        }
        }
        w->setGeometry(c.place);
        if (c.items)
            connect(this->*c.items, &QButtonGroup::idClicked, this,
                [this, h = c.handler] { torv::caught([&] { (this->*h)(); }); });
        std::visit(
            [&](auto member) { this->*member = static_cast<std::remove_reference_t<decltype(this->*member)>>(w); },
            c.member);
        w->setHidden(c.hidden);
    }

    // Centred on the screen when shown, and kept usable on a small one.
    new torv::ScreenFit(this, size());

    torv::ScenarioFiles& files = torv::ScenarioFiles::instance();
    ActOpenScenario = files.makeOpenAction(this);
    RecentScenarios = files.makeRecentMenu(this);
    ScenarioMenu = new QMenu(this);
    ScenarioMenu->addAction(ActOpenScenario);
    ScenarioMenu->addMenu(RecentScenarios);
    // In the language chosen by the time it opens.
    connect(ScenarioMenu, &QMenu::aboutToShow, this, [this] {
        torv::caught([this] { torv::ScenarioFiles::instance().setTexts(ActOpenScenario, nullptr, RecentScenarios); });
    });
    files.setTexts(ActOpenScenario, nullptr, RecentScenarios);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& pos) { torv::caught([&] { ScenarioMenu->popup(mapToGlobal(pos)); }); });
    setAcceptDrops(true);

    // The keyboard: the choices in the order the form offers them, nothing
    // that a white panel covers, the first language focused; F1 for help.
    Memo1->setFocusPolicy(Qt::NoFocus);
    RadioSprachItems->button(0)->setFocus(Qt::OtherFocusReason);
    focusRules_ = std::make_unique<torv::FocusRules>(this);
    auto* help = new QAction(this);
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WindowShortcut);
    addAction(help);
    connect(help, &QAction::triggered, this, &TForm1::helpWanted);
}

TForm1::~TForm1() = default;

QListWidget* TForm1::makePresetList(const QRect& place, PresetList which, void (TForm1::*handler)())
{
    auto* list = new QListWidget(this);
    list->setGeometry(place);
    list->setFrameShape(QFrame::NoFrame);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    // Every row as wide as the list: a longer label ends in an ellipsis (its
    // tooltip has it all), and no side scroll bar takes a row's room.
    list->setTextElideMode(Qt::ElideRight);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const torv::Preset& p : torv::presets(which)) {
        const QString label = QString::fromUtf8(p.label);
        auto* item = new QListWidgetItem(label, list);
        item->setSizeHint(QSize(place.width(), 16));
        item->setToolTip(label);
    }

    // A choice fires once: a press on a new entry changes the selection (the
    // click that follows is the same choice); a click on the entry already
    // selected, which changes nothing, is a choice of its own.
    connect(list, &QListWidget::itemSelectionChanged, this, [this, list, handler] {
        if (selectedRow(list) < 0)
            return;
        justSelected = list;
        torv::caught([&] { (this->*handler)(); });
    });
    // Enter (or Space) on the entry the keyboard stands on chooses it too.
    connect(list, &QListWidget::itemActivated, this, [this, handler](QListWidgetItem* item) {
        if (item->isSelected())
            torv::caught([&] { (this->*handler)(); });
        else
            item->setSelected(true);
        justSelected = nullptr; // no click follows
    });
    connect(list, &QListWidget::itemClicked, this, [this, list, handler] {
        if (justSelected == list) {
            justSelected = nullptr;
            return;
        }
        torv::caught([&] { (this->*handler)(); });
    });
    return list;
}

QListWidget* TForm1::presetList(int klasse) const
{
    const std::optional<PresetList> list = torv::classRow(klasse).presets;
    for (const Control& c : kLayout)
        if (c.kind == Kind::PresetList && list == c.list)
            return this->*std::get<QListWidget * TForm1::*>(c.member);
    return nullptr;
}

void TForm1::showLanguageAgain()
{
    show();
    raise();
    activateWindow();
    Image1->show();
    RadioSprach->show();
    clearItemIndex(RadioSprachItems);
    RadioSprachItems->button(0)->setFocus(Qt::OtherFocusReason);
}

void TForm1::RadioSprachClick()
{
    torv::guarded([this] {
        st.Sprache = itemIndex(RadioSprachItems) + 1;
        torv::ScenarioFiles::rememberLanguage(st.Sprache);

        torv::useQtLanguage(st.Sprache);
        Image1->hide();
        RadioSprach->hide();
        for (const Control& c : kLayout)
            if (c.kind == Kind::ClassGroup && c.language == st.Sprache)
                (this->*std::get<QGroupBox * TForm1::*>(c.member))->show();
        Panel1->show();
        Panel3->show();
        Memo1->hide();
        Label1->hide();
        Image2->show();
        // The keyboard goes on where the eye does: to the first class.
        for (QButtonGroup* items : { WahlRUItems, RadioWahlItems, WahlENItems })
            if (items->button(0)->isVisibleTo(this))
                items->button(0)->setFocus(Qt::OtherFocusReason);
    });
}

void TForm1::chooseClass(QGroupBox* group, QButtonGroup* items)
{
    torv::guarded([&] {
        const int n = itemIndex(items);
        st.Klasse = n + 1;
        if (QListWidget* list = presetList(st.Klasse))
            list->show();
        if (n >= 0) {
            Panel4->show();
            BitBtn1->show();
        }
        Panel1->hide();
        Panel3->hide();
        // The form keeps the focus, so that it does not pass on to the list
        // just shown and frame its first row before the user touches it.
        setFocus(Qt::OtherFocusReason);
        group->hide();
        clearItemIndex(items);
    });
}

void TForm1::RadioWahlClick()
{
    chooseClass(RadioWahl, RadioWahlItems);
}

void TForm1::WahlRUClick()
{
    chooseClass(WahlRU, WahlRUItems);
}

void TForm1::WahlENClick()
{
    chooseClass(WahlEN, WahlENItems);
}

void TForm1::BitBtn1Click()
{
    torv::guarded([this] {
        leavePresetChoice();
        emit calculationWanted();
    });
}

void TForm1::leavePresetChoice()
{
    for (const Control& c : kLayout) {
        if (c.kind == Kind::PresetList) {
            QListWidget* list = this->*std::get<QListWidget * TForm1::*>(c.member);
            clearSelectedRow(list);
            list->scrollToTop();
            list->hide();
        }
    }
}

void TForm1::Button1Click()
{
    torv::guarded([this] { close(); });
}

void TForm1::FormActivate()
{
}

void TForm1::choosePreset(QListWidget* list, PresetList which)
{
    torv::guarded([&] { torv::loadPreset(which, selectedRow(list)); });
}

// clang-format off
void TForm1::ListBoxProjectilClick()   { choosePreset(ListBoxProjectil, PresetList::Projectil); }
void TForm1::ListBoxFallschirmClick()  { choosePreset(ListBoxFallschirm, PresetList::Fallschirm); }
void TForm1::ListBoxBallonClick()      { choosePreset(ListBoxBallon, PresetList::Ballon); }
void TForm1::ListBoxGliderClick()      { choosePreset(ListBoxGlider, PresetList::Glider); }
void TForm1::ListBoxLandekapselClick() { choosePreset(ListBoxLandekapsel, PresetList::Landekapsel); }
void TForm1::ListBoxLauncherClick()    { choosePreset(ListBoxLauncher, PresetList::Launcher); }
// clang-format on

// Tab and Shift+Tab go through the choices in the order the form offers
// them: the language, the class, the preset, START, QUIT. A radio group is
// one stop, entered at its first entry in sight.
bool TForm1::focusNextPrevChild(bool next)
{
    const auto entries = [](const QButtonGroup* items) {
        QList<QWidget*> all;
        for (QAbstractButton* b : items->buttons())
            all << b;
        return all;
    };
    const QList<QList<QWidget*>> stops = {
        entries(RadioSprachItems),
        entries(WahlRUItems),
        entries(RadioWahlItems),
        entries(WahlENItems),
        { ListBoxProjectil },
        { ListBoxFallschirm },
        { ListBoxBallon },
        { ListBoxGlider },
        { ListBoxLandekapsel },
        { ListBoxLauncher },
        { BitBtn1 },
        { Button1 },
    };
    const auto inSight = [this](const QWidget* w) { return w->isVisible() && !torv::FocusRules::covered(w, this); };
    const QWidget* focus = focusWidget();
    qsizetype at = -1;
    for (qsizetype i = 0; i < stops.size(); ++i)
        if (stops[i].contains(focus))
            at = i;
    const qsizetype n = stops.size();
    for (qsizetype k = 1; k <= n; ++k) {
        const qsizetype i = ((at < 0 ? (next ? -1 : 0) : at) + (next ? k : -k) + n) % n;
        for (QWidget* w : stops[i]) {
            if (inSight(w)) {
                w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
                return true;
            }
        }
    }
    return false;
}

bool TForm1::event(QEvent* e)
{
    return torv::caught([&]() -> bool {
        if (e->type() == QEvent::WindowActivate)
            FormActivate();
        return QWidget::event(e);
    });
}

void TForm1::dragEnterEvent(QDragEnterEvent* e)
{
    torv::caught([&] { torv::ScenarioFiles::acceptsDrag(e); });
}

void TForm1::dropEvent(QDropEvent* e)
{
    torv::guarded([&] { torv::ScenarioFiles::instance().dropped(e); });
}

// The start form is the main window: closing it, by QUIT or by the close
// box, ends the program even while the calculation form is open.
void TForm1::closeEvent(QCloseEvent* e)
{
    torv::caught([&] {
        e->accept();
        QCoreApplication::quit();
    });
}
