// The program's look, shared by both forms: the faces the forms were laid
// out with and their stand-ins, the colours, and the panels and pictures.
#pragma once

#include <QAbstractButton>
#include <QFont>
#include <QFrame>
#include <QPalette>
#include <QRgb>

#include <functional>
#include <string>

class QLabel;
class QString;
class QWidget;

namespace torv::look {

constexpr QRgb kBlack = 0x000000;
constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kNavy = 0x000080;
constexpr QRgb kRed = 0xFF0000;
constexpr QRgb kGreen = 0x008000;
constexpr QRgb kSilver = 0xC0C0C0;
constexpr QRgb kButtonFace = 0xF0F0F0;
constexpr QRgb kActiveBorder = 0xB4B4B4;
constexpr QRgb kScrollBar = 0xC8C8C8;

// `family` at `pixels` high, with `standIn` (then DejaVu Sans) where the
// system lacks it. The named faces are not on every system; stand-ins of
// about the same width keep every caption inside its place.
QFont face(const char* family, const char* standIn, int pixels, bool bold = false);
// MS Sans Serif, for which DejaVu Sans Condensed stands in.
QFont msSans(int pixels, bool bold = false);
// Verdana, for which DejaVu Sans (the same design) stands in.
QFont verdana(int pixels, bool bold = false);

void setColour(QWidget* w, QPalette::ColorRole role, QRgb rgb);

// A panel: a frame of `style` (shape and shadow) filled with `fill`.
void makePanel(QFrame* panel, int style, QRgb fill);
// A picture control: the picture unscaled from the top-left corner,
// clipped to the frame, at the screen's pixel density where the picture has
// a variant for it; one that failed to load leaves the frame empty.
void showPicture(QLabel* label, const QString& resource);

// The picture's variant for language `sprache` (1 Russian "-ru", 2 German
// "-de") where it has one, else `resource` itself.
QString pictureIn(const QString& resource, int sprache);

// A file name to save under, from Qt's own file dialog (the same on every
// desktop, in the form's language); a name typed without `suffix` gets it.
// Empty when the user cancels.
QString askSaveName(
    QWidget* parent, const QString& title, const QString& name, const QString& filter, const QString& suffix);

// Asks for a name as askSaveName does, titled by `button`'s caption, and
// writes what `bytes` gives into it whole; nothing when the user cancels.
void saveFrom(const QAbstractButton* button, const QString& name, const QString& filter, const QString& suffix,
    const std::function<std::string()>& bytes);

} // namespace torv::look
