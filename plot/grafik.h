// The graph renderer: draws a selection of recorded series into an 800 x 600
// picture and hands it to the calculation form's graph area.
#pragma once

#include <QImage>
#include <QRect>

#include <vector>

#include "plot/scene.h"

namespace torv {

// The five graph buttons whose visibility the renderer decides.
enum class GraphButton { AerodynamicsOverTime, NormalLoadOverTime, LoadFactorsOverTime, LiftOverTime, BuoyancyOverTime };

// A graph as the calculation form shows it: the picture, and the current
// run's curves as drawn in it.
struct DrawnGraph {
    QImage picture;
    GraphReading reading;
};

// What the renderer needs of the calculation form.
class GraphTarget {
public:
    virtual ~GraphTarget() = default;
    virtual void showGraph(const DrawnGraph& graph) = 0;
    virtual void setGraphButtonVisible(GraphButton button, bool visible) = 0;
};

// The decimal separator of the user's locale, used by every number the
// forms and the graphs show; one that is not a plain character (no format of
// ours can carry it) falls back to the full stop.
char userDecimalSeparator();

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

// Sets the button visibility, draws, and shows the graph on `target`.
void Grafik(GraphTarget& target, const double* Ergebnis, const int* GraphCodes, int NPunkte, int GraphCount,
    const GraphExtras& extras = {}, double scale = 1);

} // namespace torv
