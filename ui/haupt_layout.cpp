// The calculation form's controls as data: one row per control, in stacking
// order (a later row lies above an earlier one), and the caption table of
// the three languages.
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <variant>

#include "plot/canvas.h"
#include "sim/state.h"
#include "ui/guard.h"
#include "ui/haupt.h"
#include "ui/scenariofiles.h"
#include "ui/look.h"
#include "ui/screenfit.h"
#include "ui/texts.h"

namespace {

// How a control looks; each look fixes the widget kind's font and colours.
enum class Look {
    Bevel, // lowered bevel frame, transparent
    Label, // 13-pixel text
    LabelForm, // the form's 14-pixel text
    LabelNavy, // 13-pixel navy text
    Heading, // 15-pixel bold navy
    PictureCaption, // 15-pixel bold red
    GroupHeading, // 15-pixel bold red Verdana
    SmallVerdana, // 10-pixel Verdana
    Field, // parameter field: flat, white
    PlainField, // ordinary text field
    DisplaySilver, // borderless box on silver
    DisplayScroll, // borderless box in the scroll-bar colour
    Combo, // editable drop-down in the active-border colour
    Picture, // picture unscaled at the top-left, clipped
    GraphArea, // picture on white
    PanelRed, // red panel, lowered inner bevel
    PanelCover, // opaque panel, lowered inner bevel
    GraphButton, // the form's font
    SmallButton, // 10-pixel characters
    InfoButton, // green 13-pixel caption
    StartButton, // bold red 10-pixel Verdana
    CommandButton, // bold 10-pixel Verdana
    Memo, // multi-line text, white, flat
};

using namespace torv::look;

} // namespace

using Member = std::variant<QFrame * TForm2::*, QLabel * TForm2::*, QLineEdit * TForm2::*, QComboBox * TForm2::*,
    QPushButton * TForm2::*, QPlainTextEdit * TForm2::*>;

struct TForm2::Control {
    Member member;
    int x, y, w, h; // w = 0: a label sized to its text
    const char* text; // caption, or a picture's resource
    Look look;
    bool hidden;
    Handler handler; // click handler, or the combo box's change handler
};

struct TForm2::Caption {
    std::variant<QLabel * TForm2::*, QPushButton * TForm2::*> control;
    const char* german;
    const char* russian; // nullptr: keeps the German text
    const char* english;
};

constexpr bool H = true; // hidden when created
constexpr bool V = false; // visible when created

// clang-format off
const TForm2::Control TForm2::kLayout[] = {
    // Frames
    {&TForm2::Bevel1,          10,  10, 257, 199, nullptr, Look::Bevel, V, nullptr},
    {&TForm2::Bevel2,           8, 217, 259, 152, nullptr, Look::Bevel, V, nullptr},
    {&TForm2::Bevel5,          22, 236,  60,  41, nullptr, Look::Bevel, V, nullptr},
    {&TForm2::Bevel3,           6, 376, 261, 153, nullptr, Look::Bevel, V, nullptr},
    {&TForm2::Bevel4,           6, 536, 261, 161, nullptr, Look::Bevel, V, nullptr},
    {&TForm2::Bevel6,           6, 704, 261, 153, nullptr, Look::Bevel, V, nullptr},
    {&TForm2::Bevel7,         276,  10, 355, 198, nullptr, Look::Bevel, V, nullptr},

    // Class-specific labels, hidden near the right edge until placed
    {&TForm2::Label18,         16,  50, 178,  32, "Gasdichte, kg/m3",                     Look::Label,     H, nullptr},
    {&TForm2::Label20,         15,  82,   0,   0, "Flughöhe, m",                          Look::Label,     H, nullptr},
    {&TForm2::Label28,        952, 239,   0,   0, "Gasverlust, (L/m2) 24h",               Look::LabelForm, H, nullptr},
    {&TForm2::Label27,        952, 283,   0,   0, "Auftrieb/Masse, %",                    Look::LabelForm, H, nullptr},
    {&TForm2::Label23,        952, 327,   0,   0, "Treibstoffmasse, kg",                  Look::LabelNavy, H, nullptr},
    {&TForm2::Label6,         952, 371,   0,   0, "Isp, N*s/kg = (s*9,8)",                Look::LabelNavy, H, nullptr},
    {&TForm2::Label24,        952, 415,   0,   0, "Schub, N",                             Look::LabelNavy, H, nullptr},
    {&TForm2::Label22,        952, 459,   0,   0, "Triebwerkmasse (ohne Treibstoff), kg", Look::LabelNavy, H, nullptr},
    {&TForm2::Label26,        952, 503,   0,   0, "Radius, m",                            Look::LabelForm, H, nullptr},

    // Aerodynamics
    {&TForm2::Label21,         30, 239,   0,   0, "p = m/S",                  Look::SmallVerdana, V, nullptr},
    {&TForm2::Label13,        164, 312,   0,   0, "Cw",                       Look::Label,        V, nullptr},
    {&TForm2::Label11,        164, 341,   0,   0, "Ca",                       Look::Label,        V, nullptr},

    // Vehicle data
    {&TForm2::Label8,          12, 396, 167,  32, "Gewicht, mo,kg",               Look::Label, V, nullptr},
    {&TForm2::Label19,         12, 431,   0,   0, "Fläche, So, m2",               Look::Label, V, nullptr},
    {&TForm2::Label7,          10, 464,   0,   0, "Windgeschwindigkeit  Vw, m/s", Look::Label, V, nullptr},
    {&TForm2::Label10,         12, 494,   0,   0, "Integrationsschritt, s",       Look::Label, V, nullptr},

    // Start conditions
    {&TForm2::Label12,         54, 549,   0,   0, "Anfangsbedingungen ",      Look::Heading, V, nullptr},
    {&TForm2::Label14,         12, 580,   0,   0, "Bahnwinkel,  Qo, grad",    Look::Label,   V, nullptr},
    {&TForm2::Label25,         12, 615,   0,   0, "Höhe, Ho, m",              Look::Label,   V, nullptr},
    {&TForm2::edV,             12, 647,   0,   0, "Geschwindigkeit, Vo, m/s", Look::Label,   V, nullptr},

    // End conditions
    {&TForm2::Label1,          71, 716,   0,   0, "Endbedingungen",           Look::Heading, V, nullptr},
    {&TForm2::Label3,          12, 748,   0,   0, "Zeit, s",                  Look::Label,   V, nullptr},
    {&TForm2::Label2,          12, 782,   0,   0, "Höhe, H, m ",              Look::Label,   H, nullptr},
    {&TForm2::Label4,          12, 810, 126,  32, "Geschwindigkeit, Vk, m/s", Look::Label,   H, nullptr},

    // Headings of the picture frame and the graph buttons
    {&TForm2::Label17,        406,  17,   0,   0, "START",         Look::PictureCaption, V, nullptr},
    {&TForm2::Label9,         644,  16,   0,   0, " <- - f ( x )", Look::GroupHeading,   V, nullptr},
    {&TForm2::Label5,         766,  16,   0,   0, "f ( t ) - - >", Look::GroupHeading,   V, nullptr},

    // Pictures: each class picture above the caption it covers
    {&TForm2::Image8,         280,  16, 345, 185, ":/pictures/class1.jpg",  Look::Picture,   H, nullptr},
    {&TForm2::Image3,         286,  20, 336, 178, ":/pictures/class3.jpg",  Look::Picture,   H, nullptr},
    {&TForm2::Image5,         286,  20, 336, 181, ":/pictures/class6.jpg",  Look::Picture,   H, nullptr},
    {&TForm2::Image7,         280,  16, 345, 185, ":/pictures/class8.jpg",  Look::Picture,   H, nullptr},
    {&TForm2::Image1,         276, 216, 941, 641, ":/pictures/graphbg.jpg", Look::GraphArea, V, nullptr},

    // Panels: the cover beneath the graph buttons until activation raises it
    {&TForm2::Panel7,         741,   4,   9, 209, nullptr, Look::PanelCover, V, nullptr},
    {&TForm2::Panel6,         640,  40, 513, 168, nullptr, Look::PanelCover, V, nullptr},
    {&TForm2::Panel4,        1159,   4,  64,  66, nullptr, Look::PanelRed,   V, nullptr},

    // Class-specific fields
    {&TForm2::EdGas,          197,  50,  63,  22, nullptr, Look::Field,      H, nullptr},
    {&TForm2::EdHFlug,        197,  81,  63,  22, nullptr, Look::Field,      H, nullptr},
    {&TForm2::EdGasverlust,  1144, 239,  61,  22, nullptr, Look::PlainField, H, nullptr},
    {&TForm2::EdAuftriebplus,1144, 283,  61,  22, nullptr, Look::PlainField, H, nullptr},
    {&TForm2::EdMt,          1144, 327,  62,  22, nullptr, Look::Field,      H, nullptr},
    {&TForm2::EdIud,         1144, 371,  62,  22, nullptr, Look::Field,      H, nullptr},
    {&TForm2::EdSchub,       1144, 415,  62,  22, nullptr, Look::Field,      H, nullptr},
    {&TForm2::EdMdv,         1144, 459,  62,  22, nullptr, Look::Field,      H, nullptr},
    {&TForm2::EdRSAT,        1144, 503,  61,  22, nullptr, Look::Field,      H, nullptr},

    // Aerodynamics
    {&TForm2::EdBelastung,     23, 256,  57,  20, nullptr,       Look::DisplaySilver, V, nullptr},
    {&TForm2::AeroBox1,        98, 236, 160,  24, "Aerodynamic", Look::Combo,         V, &TForm2::AeroBox1Change},
    {&TForm2::EdCx,           197, 305,  61,  22, nullptr,       Look::Field,         V, nullptr},
    {&TForm2::EdCy,           197, 335,  61,  22, nullptr,       Look::Field,         V, nullptr},

    // Vehicle data
    {&TForm2::edMassaStart,   197, 394,  61,  22, nullptr, Look::Field, V, nullptr},
    {&TForm2::EdS0,           197, 425,  61,  22, nullptr, Look::Field, V, nullptr},
    {&TForm2::edVwind,        197, 455,  61,  22, nullptr, Look::Field, V, nullptr},
    {&TForm2::eddt0,          197, 486,  61,  22, nullptr, Look::Field, V, nullptr},

    // Start conditions
    {&TForm2::EdTTO,          197, 576,  61,  22, nullptr, Look::Field,         V, nullptr},
    {&TForm2::edH0,           197, 609,  61,  22, nullptr, Look::Field,         V, nullptr},
    {&TForm2::edV0,           198, 644,  62,  22, nullptr, Look::Field,         V, nullptr},
    {&TForm2::EdiVopt,         20, 670,  40,  23, nullptr, Look::DisplayScroll, H, nullptr},

    // End conditions
    {&TForm2::edTk,           197, 742,  61,  22, nullptr, Look::Field, V, nullptr},
    {&TForm2::edHkk,          197, 778,  61,  22, nullptr, Look::Field, H, nullptr},
    {&TForm2::edVk,           197, 812,  61,  22, nullptr, Look::Field, H, nullptr},

    // Graph buttons
    {&TForm2::Button9,        650,  49,  86,  30, "H,V,Q,q,nx",    Look::GraphButton, V, &TForm2::Button9Click},
    {&TForm2::Button2,        650,  89,  86,  29, "V, H = f (x)",  Look::GraphButton, V, &TForm2::Button2Click},
    {&TForm2::Button15,       650, 167,  86,  30, "V=f(H)",        Look::GraphButton, V, &TForm2::Button15Click},
    {&TForm2::Button10,       758,  49,  86,  30, "H,V,Q,q,nx",    Look::GraphButton, V, &TForm2::Button10Click},
    {&TForm2::Button12,       758, 128,  86,  30, "W=f(t)",        Look::GraphButton, V, &TForm2::Button12Click},
    {&TForm2::Button17,       758, 167, 169,  31, "H,V,Q,q,qo,nx", Look::SmallButton, H, &TForm2::Button17Click},
    {&TForm2::Button18,       760, 168, 145,  30, "H,V,A, A-mg",   Look::GraphButton, H, &TForm2::Button18Click},
    {&TForm2::Button22,       857,  50,  86,  30, "V, H = f (t)",  Look::GraphButton, V, &TForm2::Button22Click},
    {&TForm2::Button7,        857,  89,  86,  29, "g = f (t)",     Look::GraphButton, V, &TForm2::Button7Click},
    {&TForm2::Button14,       857, 128,  86,  30, "A=f(t)",        Look::GraphButton, H, &TForm2::Button14Click},
    {&TForm2::ButtonP,        857, 167,  86,  30, "H,V,Q,P,m,T",   Look::GraphButton, H, &TForm2::ButtonPClick},
    {&TForm2::Button3,        955,  50,  86,  30, "H = f (t)",     Look::GraphButton, V, &TForm2::Button3Click},
    {&TForm2::Button4,        955,  89,  86,  29, "nx = f (t)",    Look::GraphButton, V, &TForm2::Button4Click},
    {&TForm2::Button11,       955, 128,  86,  30, "H,V,Q,nx,ny ",  Look::GraphButton, V, &TForm2::Button11Click},
    {&TForm2::ButtonCya,      955, 167,  86,  30, "H,Ma,cya,cx",   Look::GraphButton, H, &TForm2::ButtonCyaClick},
    {&TForm2::Button27,      1054,  50,  86,  30, "V = f (t)",     Look::GraphButton, V, &TForm2::Button27Click},
    {&TForm2::Button6,       1054,  89,  86,  29, "ny = f (t)",    Look::GraphButton, V, &TForm2::Button6Click},
    {&TForm2::Button8,       1054, 128,  86,  30, "Q = f(t)",      Look::GraphButton, V, &TForm2::Button8Click},
    {&TForm2::Button13,      1054, 167,  86,  30, "atm",           Look::GraphButton, H, &TForm2::Button13Click},

    // Always usable, above the cover's reach
    {&TForm2::Button19,       856,   8,  86,  25, "I N F",   Look::InfoButton, V, &TForm2::Button19Click},
    {&TForm2::ButtonHELP,     955,   8,  86,  25, "H E L P", Look::InfoButton, V, &TForm2::ButtonHELPClick},

    // Commands
    {&TForm2::Button1,       1164,   7,  56,  59, "START", Look::StartButton,   V, &TForm2::Button1Click},
    {&TForm2::Button5,       1168,  79,  50,  50, "MAIN",  Look::CommandButton, V, &TForm2::Button5Click},
    {&TForm2::Button16,      1168, 136,  49,  49, "QUIT",  Look::CommandButton, V, &TForm2::Button16Click},

    // Text boxes above the graph area
    {&TForm2::Memo1,          288, 232, 593, 257, nullptr, Look::Memo, H, nullptr},
    {&TForm2::Memo2,          376, 272, 409, 241, nullptr, Look::Memo, H, nullptr},
};

const TForm2::Caption TForm2::kCaptions[] = {
    {&TForm2::Label12,  "Anfangsbedingungen ",          "Начальные условия",               "entry conditions"},
    {&TForm2::Label1,   "Endbedingungen",               "Конечные условия",                "terminal conditions"},
    {&TForm2::Label14,  "Bahnwinkel,  Qo, grad",        "Угол наклона траектории,Qo,град", "trajectory angle,Qo,grad"},
    {&TForm2::Label25,  "Höhe, Ho, m",                  "Высота,Ho,м",                     "altitude,Ho,m"},
    {&TForm2::edV,      "Geschwindigkeit, Vo, m/s",     "Скорость,Vo,м/c",                 "velocity,Vo,m/s"},
    {&TForm2::Label3,   "Zeit, s",                      "Время, t,с",                      "time,s"},
    {&TForm2::Label8,   "Gewicht, mo,kg",               "Вес, m0, кг",                     "launching mass, m,kg"},
    {&TForm2::Label19,  "Fläche, So, m2",               "Мидель, So, м2",                  "lifting area,So,m2"},
    {&TForm2::Label10,  "Integrationsschritt, s",       "Шаг интегрирования,с",            "step of integration, s"},
    {&TForm2::Label7,   "Windgeschwindigkeit  Vw, m/s", "Скорость ветра,Vw, m/s",          "windspeed,Vw,m/s"},
    {&TForm2::Label13,  "Cw",                           "Cx",                              "Cd"},
    {&TForm2::Label11,  "Ca",                           "Cy",                              "Cl"},
    {&TForm2::Button12, "W=f(t)",                       "X=f(t)",                          "Drag=f(t)"},
    {&TForm2::Button14, "A=f(t)",                       "Y=f(t)",                          "Lift=f(t)"},
    {&TForm2::Label23,  "Treibstoffmasse, kg",          nullptr,                           "fuel,mt,kg"},
    {&TForm2::Label6,   "Isp, N*s/kg = (s*9,8)",        nullptr,                           "specific impulse,Isp,N*s/kg"},
    {&TForm2::Label24,  "Schub, N",                     nullptr,                           "thrust,P,N"},
    {&TForm2::Label27,  "Auftrieb/Masse, %",            nullptr,                           "lift/weight"},
    {&TForm2::Label28,  "Gasverlust, (L/m2) 24h",       nullptr,                           "gas loss, L/m2 24h"},
    {&TForm2::Label18,  "Gasdichte, kg/m3",             "  Плотность газа,          кг/м3", "    density of gas,         kg/m3"},
    {&TForm2::Label20,  "Flughöhe, m",                  "высота полета,м",                 "flight altitude, m"},

};

// clang-format on

namespace {

// The text of `language` (1 Russian, 3 English, else German); a missing
// translation keeps the German text.
const char* inLanguage(int language, const char* german, const char* russian, const char* english)
{
    if (language == 1 && russian)
        return russian;
    if (language == 3 && english)
        return english;
    return german;
}

// A label without a fixed size follows its text.
void setLabelText(QLabel* label, const QString& text)
{
    label->setText(text);
    if (!label->wordWrap())
        label->adjustSize();
}

} // namespace

void TForm2::createControls()
{
    setFont(msSans(14));
    for (const Control& c : kLayout) {
        const QString text = c.text ? QString::fromUtf8(c.text) : QString();
        QWidget* w = nullptr;
        std::visit(
            [&](auto member) {
                using W = std::remove_pointer_t<std::remove_reference_t<decltype(this->*member)>>;
                auto* widget = new W(this);
                this->*member = widget;
                w = widget;
            },
            c.member);

        switch (c.look) {
        case Look::Bevel: {
            auto* f = static_cast<QFrame*>(w);
            f->setFrameStyle(QFrame::Box | QFrame::Sunken);
            break;
        }
        case Look::Label:
        case Look::LabelForm:
        case Look::LabelNavy:
        case Look::Heading:
        case Look::PictureCaption:
        case Look::GroupHeading:
        case Look::SmallVerdana: {
            auto* l = static_cast<QLabel*>(w);
            static const struct {
                Look look;
                QFont font;
                QRgb ink;
            } kLabelLooks[] = {
                { Look::Label, msSans(13), 0x000000 },
                { Look::LabelForm, msSans(14), 0x000000 },
                { Look::LabelNavy, msSans(13), kNavy },
                { Look::Heading, msSans(15, true), kNavy },
                { Look::PictureCaption, msSans(15, true), kRed },
                { Look::GroupHeading, verdana(15, true), kRed },
                { Look::SmallVerdana, verdana(10), 0x000000 },
            };
            for (const auto& s : kLabelLooks)
                if (s.look == c.look) {
                    l->setFont(s.font);
                    setColour(l, QPalette::WindowText, s.ink);
                }
            l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            l->setWordWrap(c.w > 0);
            setLabelText(l, text);
            break;
        }
        case Look::Field:
        case Look::PlainField:
        case Look::DisplaySilver:
        case Look::DisplayScroll: {
            auto* e = static_cast<QLineEdit*>(w);
            e->setFont(msSans(14));
            const QString borderless = QStringLiteral("QLineEdit { background: %1; border: none; }");
            if (c.look == Look::Field)
                e->setStyleSheet(QStringLiteral("QLineEdit { background: white; border: 1px solid #7a7a7a; }"));
            else if (c.look == Look::DisplaySilver)
                e->setStyleSheet(borderless.arg(QColor(kSilver).name()));
            else if (c.look == Look::DisplayScroll)
                e->setStyleSheet(borderless.arg(QColor(kScrollBar).name()));
            // The display boxes show results; the text cursor starts in a
            // parameter field, not in them.
            if (c.look == Look::DisplaySilver || c.look == Look::DisplayScroll)
                e->setFocusPolicy(Qt::ClickFocus);
            break;
        }
        case Look::Combo: {
            auto* b = static_cast<QComboBox*>(w);
            b->setFont(msSans(14));
            b->setEditable(true);
            b->setInsertPolicy(QComboBox::NoInsert);
            setColour(b, QPalette::Base, kActiveBorder);
            setColour(b, QPalette::Button, kActiveBorder);
            b->addItem(QStringLiteral("Constant"));
            b->addItem(QStringLiteral("Titan-2, Cl,Cd=f(M,alfa)"));
            b->setCurrentIndex(-1);
            b->setEditText(text);
            const Handler h = c.handler;
            connect(b, &QComboBox::currentIndexChanged, this, [this, h] { torv::guarded([&] { (this->*h)(); }); });
            connect(b, &QComboBox::editTextChanged, this, [this, h] { torv::guarded([&] { (this->*h)(); }); });
            break;
        }
        case Look::Picture:
        case Look::GraphArea: {
            auto* p = static_cast<QLabel*>(w);
            showPicture(p, text);
            if (c.look == Look::GraphArea) {
                p->setAutoFillBackground(true);
                setColour(p, QPalette::Window, 0xFFFFFF);
            }
            break;
        }
        case Look::PanelRed:
        case Look::PanelCover: {
            makePanel(static_cast<QFrame*>(w), QFrame::Panel | QFrame::Sunken, c.look == Look::PanelRed ? kRed : kButtonFace);
            break;
        }
        case Look::GraphButton:
        case Look::SmallButton:
        case Look::InfoButton:
        case Look::StartButton:
        case Look::CommandButton: {
            auto* b = static_cast<QPushButton*>(w);
            b->setText(text);
            b->setFocusPolicy(Qt::TabFocus);
            switch (c.look) {
            case Look::SmallButton:
                b->setFont(msSans(10));
                break;
            case Look::InfoButton:
                b->setFont(msSans(13));
                setColour(b, QPalette::ButtonText, kGreen);
                break;
            case Look::StartButton:
                b->setFont(verdana(10, true));
                setColour(b, QPalette::ButtonText, kRed);
                break;
            case Look::CommandButton:
                b->setFont(verdana(10, true));
                break;
            default:
                b->setFont(msSans(14));
            }
            const Handler h = c.handler;
            connect(b, &QPushButton::clicked, this, [this, h] { (this->*h)(); });
            break;
        }
        case Look::Memo: {
            auto* m = static_cast<QPlainTextEdit*>(w);
            m->setFrameStyle(QFrame::Box | QFrame::Plain);
            m->setReadOnly(true);
            m->setFont(msSans(14));
            setColour(m, QPalette::Base, 0xFFFFFF);
            break;
        }
        }

        if (c.w > 0)
            w->setGeometry(c.x, c.y, c.w, c.h);
        else
            w->move(c.x, c.y);
        w->setHidden(c.hidden);
    }

    connectFields();

    // Windows leaves a caption's internal leading above its letters; the
    // picture frame's caption needs it to lie wholly under the class pictures.
    Label17->setContentsMargins(0, 3, 0, 0);
    Label17->adjustSize();
}

void TForm2::setCaptions(int language)
{
    setMenuTexts();
    setFieldTips();
    screenFit_->setPointerTip(torv::text(torv::Text::StartOutOfView));
    torv::ScenarioFiles::instance().setTexts(ActOpenScenario, ActSaveScenario, RecentScenarios);
    for (const Caption& c : kCaptions) {
        const char* text = inLanguage(language, c.german, c.russian, c.english);
        std::visit(
            [&](auto member) {
                auto& w = this->*member;
                if constexpr (std::is_same_v<std::remove_reference_t<decltype(w)>, QLabel*>)
                    setLabelText(w, QString::fromUtf8(text));
                else
                    w->setText(QString::fromUtf8(text));
            },
            c.control);
    }
}

QString TForm2::captionIn(QLabel* TForm2::*label, int language) const
{
    for (const Caption& c : kCaptions)
        if (const auto* member = std::get_if<QLabel * TForm2::*>(&c.control); member && *member == label)
            return QString::fromUtf8(inLanguage(language, c.german, c.russian, c.english));
    return (this->*label)->text();
}

void TForm2::fitCaptions()
{
    constexpr int kSmallest = 8;
    const char* const kDesigned = "designedFont";
    QList<const QWidget*> inputs;
    for (const QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!w->isHidden() && (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w)))
            inputs << w;

    for (QLabel* l : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (l->wordWrap() || !l->pixmap().isNull())
            continue;
        if (!l->property(kDesigned).isValid())
            l->setProperty(kDesigned, l->font());
        const QFont designed = l->property(kDesigned).value<QFont>();
        l->setFont(designed);
        if (l->isHidden() || l->text().isEmpty())
            continue;
        l->adjustSize();

        // The nearest field to the right on the caption's rows.
        const QRect rows = l->geometry();
        int limit = width();
        for (const QWidget* w : inputs)
            if (w->x() > rows.x() && w->geometry().top() <= rows.bottom() && w->geometry().bottom() >= rows.top())
                limit = std::min(limit, w->x());
        const int room = limit - l->x() - l->contentsRect().left() - 2;
        if (QFontMetrics(designed).horizontalAdvance(l->text()) <= room)
            continue;

        // The condensed face, then one pixel smaller at a time.
        for (int px = designed.pixelSize(); px >= kSmallest; --px) {
            QFont f = torv::condensedFont(px);
            f.setBold(designed.bold());
            l->setFont(f);
            if (px == kSmallest || QFontMetrics(f).horizontalAdvance(l->text()) <= room)
                break;
        }
        l->adjustSize();
    }
}
