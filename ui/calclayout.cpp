#include "ui/calclayout.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <cstring>
#include <variant>

#include "model/languages.h"
#include "plot/canvas.h"
#include "ui/look.h"
#include "ui/texts.h"

namespace torv {

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

using namespace look;

using C = CalcControls;
using Member = std::variant<QFrame * C::*, QLabel * C::*, QLineEdit * C::*, QComboBox * C::*, QPushButton * C::*,
    QPlainTextEdit * C::*>;

struct Control {
    Member member;
    int x, y, w, h; // w = 0: a label sized to its text
    const char* text; // caption, or a picture's resource
    Look look;
    bool hidden;
};

// A control's caption in Russian, German, English; a missing one (nullptr)
// keeps the German caption.
struct Caption {
    std::variant<QLabel * C::*, QPushButton * C::*> control;
    Texts text;
};

// The information's first line; the terms of use follow in the form's
// language.
const char* const kInfoFirstLine
    = "TORV is a  program that simulates the flight of a flight vehicle in two dimension.\n\n";

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

constexpr bool H = true; // hidden when created
constexpr bool V = false; // visible when created

// clang-format off
const Control kLayout[] = {
    // Frames
    {&C::Bevel1,          10,  10, 257, 199, nullptr, Look::Bevel, V},
    {&C::Bevel2,           8, 217, 259, 152, nullptr, Look::Bevel, V},
    {&C::Bevel5,          22, 236,  60,  41, nullptr, Look::Bevel, V},
    {&C::Bevel3,           6, 376, 261, 153, nullptr, Look::Bevel, V},
    {&C::Bevel4,           6, 536, 261, 161, nullptr, Look::Bevel, V},
    {&C::Bevel6,           6, 704, 261, 153, nullptr, Look::Bevel, V},
    {&C::Bevel7,         276,  10, 355, 198, nullptr, Look::Bevel, V},

    // Class-specific labels, hidden near the right edge until placed
    {&C::Label18,         16,  50, 178,  32, "Gasdichte, kg/m3",                     Look::Label,     H},
    {&C::Label20,         15,  82,   0,   0, "Flughöhe, m",                          Look::Label,     H},
    {&C::Label28,        952, 239,   0,   0, "Gasverlust, (L/m2) 24h",               Look::LabelForm, H},
    {&C::Label27,        952, 283,   0,   0, "Auftrieb/Masse, %",                    Look::LabelForm, H},
    {&C::Label23,        952, 327,   0,   0, "Treibstoffmasse, kg",                  Look::LabelNavy, H},
    {&C::Label6,         952, 371,   0,   0, "Isp, N*s/kg = (s*9,8)",                Look::LabelNavy, H},
    {&C::Label24,        952, 415,   0,   0, "Schub, N",                             Look::LabelNavy, H},
    {&C::Label22,        952, 459,   0,   0, "Triebwerkmasse (ohne Treibstoff), kg", Look::LabelNavy, H},
    {&C::Label26,        952, 503,   0,   0, "Radius, m",                            Look::LabelForm, H},

    // Aerodynamics
    {&C::Label21,         30, 239,   0,   0, "p = m/S",                  Look::SmallVerdana, V},
    {&C::Label13,        164, 312,   0,   0, "Cw",                       Look::Label,        V},
    {&C::Label11,        164, 341,   0,   0, "Ca",                       Look::Label,        V},

    // Vehicle data
    {&C::Label8,          12, 396, 167,  32, "Gewicht, mo,kg",               Look::Label, V},
    {&C::Label19,         12, 431,   0,   0, "Fläche, So, m2",               Look::Label, V},
    {&C::Label7,          10, 464,   0,   0, "Windgeschwindigkeit  Vw, m/s", Look::Label, V},
    {&C::Label10,         12, 494,   0,   0, "Integrationsschritt, s",       Look::Label, V},

    // Start conditions
    {&C::Label12,         54, 549,   0,   0, "Anfangsbedingungen ",      Look::Heading, V},
    {&C::Label14,         12, 580,   0,   0, "Bahnwinkel,  Qo, grad",    Look::Label,   V},
    {&C::Label25,         12, 615,   0,   0, "Höhe, Ho, m",              Look::Label,   V},
    {&C::edV,             12, 647,   0,   0, "Geschwindigkeit, Vo, m/s", Look::Label,   V},

    // End conditions
    {&C::Label1,          71, 716,   0,   0, "Endbedingungen",           Look::Heading, V},
    {&C::Label3,          12, 748,   0,   0, "Zeit, s",                  Look::Label,   V},
    {&C::Label2,          12, 782,   0,   0, "Höhe, H, m ",              Look::Label,   H},
    {&C::Label4,          12, 810, 126,  32, "Geschwindigkeit, Vk, m/s", Look::Label,   H},

    // Headings of the picture frame and the graph buttons
    {&C::Label17,        406,  17,   0,   0, "START",         Look::PictureCaption, V},
    {&C::Label9,         644,  16,   0,   0, " <- - f ( x )", Look::GroupHeading,   V},
    {&C::Label5,         766,  16,   0,   0, "f ( t ) - - >", Look::GroupHeading,   V},

    // Pictures: each class picture above the caption it covers
    {&C::Image8,         280,  16, 345, 185, ":/pictures/class1.jpg",  Look::Picture,   H},
    {&C::Image3,         286,  20, 336, 178, ":/pictures/class3.jpg",  Look::Picture,   H},
    {&C::Image5,         286,  20, 336, 181, ":/pictures/class6.jpg",  Look::Picture,   H},
    {&C::Image7,         280,  16, 345, 185, ":/pictures/class8.jpg",  Look::Picture,   H},
    {&C::Image1,         276, 216, 941, 641, ":/pictures/graphbg.jpg", Look::GraphArea, V},

    // Panels: the cover beneath the graph buttons until activation raises it
    {&C::Panel7,         741,   4,   9, 209, nullptr, Look::PanelCover, V},
    {&C::Panel6,         640,  40, 513, 168, nullptr, Look::PanelCover, V},
    {&C::Panel4,        1159,   4,  64,  66, nullptr, Look::PanelRed,   V},

    // Class-specific fields
    {&C::EdGas,          197,  50,  63,  22, nullptr, Look::Field,      H},
    {&C::EdHFlug,        197,  81,  63,  22, nullptr, Look::Field,      H},
    {&C::EdGasverlust,  1144, 239,  61,  22, nullptr, Look::PlainField, H},
    {&C::EdAuftriebplus,1144, 283,  61,  22, nullptr, Look::PlainField, H},
    {&C::EdMt,          1144, 327,  62,  22, nullptr, Look::Field,      H},
    {&C::EdIud,         1144, 371,  62,  22, nullptr, Look::Field,      H},
    {&C::EdSchub,       1144, 415,  62,  22, nullptr, Look::Field,      H},
    {&C::EdMdv,         1144, 459,  62,  22, nullptr, Look::Field,      H},
    {&C::EdRSAT,        1144, 503,  61,  22, nullptr, Look::Field,      H},

    // Aerodynamics
    {&C::EdBelastung,     23, 256,  57,  20, nullptr,       Look::DisplaySilver, V},
    {&C::AeroBox1,        98, 236, 160,  24, "Aerodynamic", Look::Combo,         V},
    {&C::EdCx,           197, 305,  61,  22, nullptr,       Look::Field,         V},
    {&C::EdCy,           197, 335,  61,  22, nullptr,       Look::Field,         V},

    // Vehicle data
    {&C::edMassaStart,   197, 394,  61,  22, nullptr, Look::Field, V},
    {&C::EdS0,           197, 425,  61,  22, nullptr, Look::Field, V},
    {&C::edVwind,        197, 455,  61,  22, nullptr, Look::Field, V},
    {&C::eddt0,          197, 486,  61,  22, nullptr, Look::Field, V},

    // Start conditions
    {&C::EdTTO,          197, 576,  61,  22, nullptr, Look::Field,         V},
    {&C::edH0,           197, 609,  61,  22, nullptr, Look::Field,         V},
    {&C::edV0,           198, 644,  62,  22, nullptr, Look::Field,         V},
    {&C::EdiVopt,         20, 670,  40,  23, nullptr, Look::DisplayScroll, H},

    // End conditions
    {&C::edTk,           197, 742,  61,  22, nullptr, Look::Field, V},
    {&C::edHkk,          197, 778,  61,  22, nullptr, Look::Field, H},
    {&C::edVk,           197, 812,  61,  22, nullptr, Look::Field, H},

    // Graph buttons
    {&C::Button9,        650,  49,  86,  30, "H,V,Q,q,nx",    Look::GraphButton, V},
    {&C::Button2,        650,  89,  86,  29, "V, H = f (x)",  Look::GraphButton, V},
    {&C::Button15,       650, 167,  86,  30, "V=f(H)",        Look::GraphButton, V},
    {&C::Button10,       758,  49,  86,  30, "H,V,Q,q,nx",    Look::GraphButton, V},
    {&C::Button12,       758, 128,  86,  30, "W=f(t)",        Look::GraphButton, V},
    {&C::Button17,       758, 167, 169,  31, "H,V,Q,q,qo,nx", Look::SmallButton, H},
    {&C::Button18,       760, 168, 145,  30, "H,V,A, A-mg",   Look::GraphButton, H},
    {&C::Button22,       857,  50,  86,  30, "V, H = f (t)",  Look::GraphButton, V},
    {&C::Button7,        857,  89,  86,  29, "g = f (t)",     Look::GraphButton, V},
    {&C::Button14,       857, 128,  86,  30, "A=f(t)",        Look::GraphButton, H},
    {&C::ButtonP,        857, 167,  86,  30, "H,V,Q,P,m,T",   Look::GraphButton, H},
    {&C::Button3,        955,  50,  86,  30, "H = f (t)",     Look::GraphButton, V},
    {&C::Button4,        955,  89,  86,  29, "nx = f (t)",    Look::GraphButton, V},
    {&C::Button11,       955, 128,  86,  30, "H,V,Q,nx,ny ",  Look::GraphButton, V},
    {&C::ButtonCya,      955, 167,  86,  30, "H,Ma,cya,cx",   Look::GraphButton, H},
    {&C::Button27,      1054,  50,  86,  30, "V = f (t)",     Look::GraphButton, V},
    {&C::Button6,       1054,  89,  86,  29, "ny = f (t)",    Look::GraphButton, V},
    {&C::Button8,       1054, 128,  86,  30, "Q = f(t)",      Look::GraphButton, V},
    {&C::Button13,      1054, 167,  86,  30, "atm",           Look::GraphButton, H},

    // Always usable, above the cover's reach
    {&C::Button19,       856,   8,  86,  25, "I N F",   Look::InfoButton, V},
    {&C::ButtonHELP,     955,   8,  86,  25, "H E L P", Look::InfoButton, V},

    // Commands
    {&C::Button1,       1164,   7,  56,  59, "START", Look::StartButton,   V},
    {&C::Button5,       1168,  79,  50,  50, "MAIN",  Look::CommandButton, V},
    {&C::Button16,      1168, 136,  49,  49, "QUIT",  Look::CommandButton, V},

    // Text boxes above the graph area
    {&C::Memo1,          288, 232, 593, 257, nullptr, Look::Memo, H},
    {&C::Memo2,          376, 272, 409, 241, nullptr, Look::Memo, H},
};

const Caption kCaptions[] = {
//   control     Russian                            German                         English
    {&C::Label12,  {"Начальные условия",                "Anfangsbedingungen ",          "entry conditions"}},
    {&C::Label1,   {"Конечные условия",                 "Endbedingungen",               "terminal conditions"}},
    {&C::Label14,  {"Угол наклона траектории,Qo,град",  "Bahnwinkel,  Qo, grad",        "trajectory angle,Qo,grad"}},
    {&C::Label25,  {"Высота,Ho,м",                      "Höhe, Ho, m",                  "altitude,Ho,m"}},
    {&C::edV,      {"Скорость,Vo,м/c",                  "Geschwindigkeit, Vo, m/s",     "velocity,Vo,m/s"}},
    {&C::Label3,   {"Время, t,с",                       "Zeit, s",                      "time,s"}},
    {&C::Label8,   {"Вес, m0, кг",                      "Gewicht, mo,kg",               "launching mass, m,kg"}},
    {&C::Label19,  {"Мидель, So, м2",                   "Fläche, So, m2",               "lifting area,So,m2"}},
    {&C::Label10,  {"Шаг интегрирования,с",             "Integrationsschritt, s",       "step of integration, s"}},
    {&C::Label7,   {"Скорость ветра,Vw, m/s",           "Windgeschwindigkeit  Vw, m/s", "windspeed,Vw,m/s"}},
    {&C::Label13,  {"Cx",                               "Cw",                           "Cd"}},
    {&C::Label11,  {"Cy",                               "Ca",                           "Cl"}},
    {&C::Button12, {"X=f(t)",                           "W=f(t)",                       "Drag=f(t)"}},
    {&C::Button14, {"Y=f(t)",                           "A=f(t)",                       "Lift=f(t)"}},
    {&C::Label23,  {nullptr,                            "Treibstoffmasse, kg",          "fuel,mt,kg"}},
    {&C::Label6,   {nullptr,                            "Isp, N*s/kg = (s*9,8)",        "specific impulse,Isp,N*s/kg"}},
    {&C::Label24,  {nullptr,                            "Schub, N",                     "thrust,P,N"}},
    {&C::Label27,  {nullptr,                            "Auftrieb/Masse, %",            "lift/weight"}},
    {&C::Label28,  {nullptr,                            "Gasverlust, (L/m2) 24h",       "gas loss, L/m2 24h"}},
    {&C::Label18,  {"  Плотность газа,          кг/м3", "Gasdichte, kg/m3",             "    density of gas,         kg/m3"}},
    {&C::Label20,  {"высота полета,м",                  "Flughöhe, m",                  "flight altitude, m"}},
};

// clang-format on

// The caption in `language`: the designed German one, which every other
// language of the tables replaces where the table gives it.
QString captionText(const Caption& c, int language)
{
    return QString::fromUtf8(inLanguage(c.text, isLanguage(language) ? language : kGerman));
}

// A label without a fixed size follows its text.
void setLabelText(QLabel* label, const QString& text)
{
    label->setText(text);
    if (!label->wordWrap())
        label->adjustSize();
}

} // namespace

CalcLayout::CalcLayout(QWidget* form, CalcControls& controls)
    : form_(form)
    , c_(controls)
{
    form->setFont(msSans(14));
    for (const Control& c : kLayout) {
        const QString text = c.text ? QString::fromUtf8(c.text) : QString();
        QWidget* w = nullptr;
        std::visit(
            [&](auto member) {
                using W = std::remove_pointer_t<std::remove_reference_t<decltype(c_.*member)>>;
                auto* widget = new W(form);
                c_.*member = widget;
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
            makePanel(
                static_cast<QFrame*>(w), QFrame::Panel | QFrame::Sunken, c.look == Look::PanelRed ? kRed : kButtonFace);
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

    // Windows leaves a caption's internal leading above its letters; the
    // picture frame's caption needs it to lie wholly under the class pictures.
    c_.Label17->setContentsMargins(0, 3, 0, 0);
    c_.Label17->adjustSize();

    c_.Memo1->setPlainText(QString::fromUtf8(kInfoFirstLine) + text(Text::InfoTerms, 0));
    c_.Memo2->setPlainText(QString::fromUtf8(kHelpText));
    // The help is a list of short lines: one line each, so that all fourteen
    // fit the box without scrolling.
    c_.Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont helpFont = c_.Memo2->font();
    helpFont.setPixelSize(13);
    c_.Memo2->setFont(helpFont);
}

void CalcLayout::setCaptions(int language)
{
    c_.Memo1->setPlainText(QString::fromUtf8(kInfoFirstLine) + text(Text::InfoTerms, language));
    for (const Caption& c : kCaptions) {
        const QString text = captionText(c, language);
        std::visit(
            [&](auto member) {
                auto& w = c_.*member;
                if constexpr (std::is_same_v<std::remove_reference_t<decltype(w)>, QLabel*>)
                    setLabelText(w, text);
                else
                    w->setText(text);
            },
            c.control);
    }
}

QString CalcLayout::captionIn(QLabel* CalcControls::*label, int language) const
{
    for (const Caption& c : kCaptions)
        if (const auto* member = std::get_if<QLabel * C::*>(&c.control); member && *member == label)
            return captionText(c, language);
    return (c_.*label)->text();
}

QLabel* CalcLayout::classPicture(const char* picture) const
{
    for (const Control& c : kLayout)
        if (c.look == Look::Picture && std::strcmp(c.text, picture) == 0)
            return c_.*std::get<QLabel * C::*>(c.member);
    return nullptr;
}

void CalcLayout::setTabChain()
{
    const QList<QWidget*> chain = { c_.EdGas, c_.EdHFlug, c_.EdMt, c_.EdGasverlust, c_.EdMdv, c_.EdIud,
        c_.EdAuftriebplus, c_.EdSchub, c_.EdRSAT, c_.AeroBox1, c_.EdCx, c_.EdCy, c_.edMassaStart, c_.EdS0, c_.edVwind,
        c_.eddt0, c_.EdTTO, c_.edH0, c_.edV0, c_.edTk, c_.edHkk, c_.edVk, c_.Button1, c_.Image1, c_.Button9,
        c_.Button10, c_.Button22, c_.Button3, c_.Button27, c_.Button2, c_.Button7, c_.Button4, c_.Button6, c_.Button12,
        c_.Button14, c_.Button11, c_.Button8, c_.Button15, c_.Button17, c_.Button18, c_.ButtonP, c_.ButtonCya,
        c_.Button13, c_.Button19, c_.ButtonHELP, c_.Button5, c_.Button16 };
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void CalcLayout::fitCaptions()
{
    constexpr int kSmallest = 8;
    const char* const kDesigned = "designedFont";
    QList<const QWidget*> inputs;
    for (const QWidget* w : form_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!w->isHidden() && (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w)))
            inputs << w;

    for (QLabel* l : form_->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
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
        int limit = form_->width();
        for (const QWidget* w : inputs)
            if (w->x() > rows.x() && w->geometry().top() <= rows.bottom() && w->geometry().bottom() >= rows.top())
                limit = std::min(limit, w->x());
        const int room = limit - l->x() - l->contentsRect().left() - 2;
        if (QFontMetrics(designed).horizontalAdvance(l->text()) <= room)
            continue;

        // The condensed face, then one pixel smaller at a time.
        for (int px = designed.pixelSize(); px >= kSmallest; --px) {
            QFont f = condensedFont(px);
            f.setBold(designed.bold());
            l->setFont(f);
            if (px == kSmallest || QFontMetrics(f).horizontalAdvance(l->text()) <= room)
                break;
        }
        l->adjustSize();
    }
}

} // namespace torv
