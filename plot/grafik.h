// The graph renderer: draws a selection of recorded series into an 800 x 600
// picture, and says which of the calculation form's graph buttons go with it.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

#include <array>
#include <vector>

#include "plot/scene.h"

namespace torv {

// The five graph buttons whose visibility the renderer decides.
enum class GraphButton {
    AerodynamicsOverTime,
    NormalLoadOverTime,
    LoadFactorsOverTime,
    LiftOverTime,
    BuoyancyOverTime
};
inline constexpr int kGraphButtons = 5;
static_assert(static_cast<int>(GraphButton::BuoyancyOverTime) + 1 == kGraphButtons);

// A graph as the calculation form shows it: the picture, the current run's
// curves as drawn in it, and which of the five buttons are shown with it.
struct DrawnGraph {
    QImage picture;
    GraphReading reading;
    std::array<bool, kGraphButtons> buttons {}; // indexed by GraphButton
    // Where the picture has text, in its pixels: every title, tick label,
    // event label and the legend; and of them the legend and the event
    // labels, which the read-out must leave uncovered.
    std::vector<QRect> texts;
    std::vector<QRect> labels;

    bool shows(GraphButton b) const { return buttons[static_cast<int>(b)]; }
};

// The decimal separator of the user's locale, used by every number the
// forms and the graphs show; one that is not a plain character (no format of
// ours can carry it) falls back to the full stop.
char userDecimalSeparator();

// The colour of run `run` in a graph: 0 the current run (black), 1, 2, ...
// the kept runs in the order they were kept.
QColor runColour(int run);

// Where and how a text of a graph is set.
struct TextFit {
    int x = 0, y = 0; // top-left corner
    int pixels = 0; // font height; 0 for an operation that is no text
    int stretch = 100; // width in percent of the face's own
};

// Every text of `g` at 12 pixels where the layout put it, unless it would
// run into an axis, a tick, another text or an edge of the band or picture
// standing to its right (a curve's own axis line does not count: its title
// may stand on it). Then the tick labels of one axis share the largest size
// at which each fits; a title moves up or to the left, within the picture,
// to the nearest place clear of everything; what still does not fit is set
// smaller, never under 9 pixels, and below that narrower.
std::vector<TextFit> fitTexts(const GraphScene& g);

// The opaque box of text operation `op` set as `fit` says.
QRect textBox(const GraphOp& op, const TextFit& fit);

// The picture alone, from the state's unit flags, Sprache, Titel, GraphPage
// and PageSize and the given series and selection, with `extras` (kept
// runs, events), at `scale` device pixels per pixel (the screen's device
// pixel ratio, or a file's scale).
QImage drawGraph(const double* Ergebnis, const int* GraphCodes, int NPunkte, int GraphCount,
    const GraphExtras& extras = {}, double scale = 1);

// The graph as drawGraph draws it, with the buttons that go with it: the
// four of lift while a lift coefficient is in use (CyRun), the buoyancy
// graph's for the balloon class.
DrawnGraph Grafik(const double* Ergebnis, const int* GraphCodes, int NPunkte, int GraphCount,
    const GraphExtras& extras = {}, double scale = 1);

} // namespace torv
