// Drawing primitives with the graph's pixel conventions on top of QPainter:
// a line leaves out its end point, and a rectangle or ellipse given from
// (x1,y1) to (x2,y2) covers x1..x2-1 and y1..y2-1, outline included.
//
// A picture may be drawn at a device pixel ratio above 1 (a dense screen):
// every graph pixel then covers a block of device pixels, and lines, frames
// and text are drawn at the device's resolution rather than scaled up.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

class QPainter;

namespace torv {

// A white picture of `width` x `height` graph pixels at `scale` device
// pixels per graph pixel (at 1, exactly the picture of that size).
QImage newPicture(int width, int height, double scale);

// Readies `p`, opened on a picture of newPicture, for the primitives below:
// aliasing throughout, and at a scale above 1 the painter moved by half a
// graph pixel, so that a 1-pixel pen, scaled with the picture, covers whole
// device pixels instead of straddling them.
void beginPicture(QPainter& p);

// The aliased 1-pixel line from (x1,y1) to (x2,y2) without (x2,y2). Exact
// for horizontal, vertical and 45-degree lines, the only ones the graph
// draws; other slopes end one pixel short along their major axis.
void lineTo(QPainter& p, int x1, int y1, int x2, int y2);

// The pixels lineTo covers, for horizontal and vertical lines; empty when it
// draws none.
QRect lineBox(int x1, int y1, int x2, int y2);

// The condensed sans face embedded in the program (DejaVu Sans Condensed),
// `pixels` high; it narrows long numbers and captions and does not depend
// on the fonts of the machine. Needs the application object.
QFont condensedFont(int pixels);

// True when the area from (x1,y1) to (x2,y2) covers no pixel.
bool emptyArea(int x1, int y1, int x2, int y2);

// The QRect whose 1-pixel outline covers x1..x2-1 and y1..y2-1; the corners
// may come in either order. Only for a non-empty area.
QRect areaRect(int x1, int y1, int x2, int y2);

// Outlined with the current pen and filled with the current brush; an empty
// area draws nothing.
void rectangle(QPainter& p, int x1, int y1, int x2, int y2);
void ellipse(QPainter& p, int x1, int y1, int x2, int y2);

// `text` in the current pen and font on an opaque box of `background`, the
// box's top-left corner at (x, y).
void textOut(QPainter& p, int x, int y, const QString& text, const QColor& background);

} // namespace torv
