// The graph renderer: draws a selection of recorded series into an 800 x 600
// picture and hands it to the calculation form's graph area.
#pragma once

#include <QImage>
#include <QRect>

#include <vector>

namespace torv {

struct GraphOp;
struct GraphScene;

// The five graph buttons whose visibility the renderer decides.
enum class GraphButton { AerodynamicsOverTime, NormalLoadOverTime, LoadFactorsOverTime, LiftOverTime, BuoyancyOverTime };

// What the renderer needs of the calculation form.
class GraphTarget {
public:
    virtual ~GraphTarget() = default;
    virtual void showGraph(const QImage& picture) = 0;
    virtual void setGraphButtonVisible(GraphButton button, bool visible) = 0;
};

// The decimal separator of the user's locale, used by every number the
// forms and the graphs show; one that is not a plain character (no format of
// ours can carry it) falls back to the full stop.
char userDecimalSeparator();

// The pixel height each text of `g` is set in (0 for the other operations):
// 12, or less where the text would run into an axis, a tick, another text
// or an edge of the band or picture standing to its right. A curve's own
// axis line does not count: its title may stand on it.
std::vector<int> textSizes(const GraphScene& g);

// The opaque box of text operation `op` set `pixels` high.
QRect textBox(const GraphOp& op, int pixels);

// The picture alone, from the state's unit flags, Sprache, Titel, GraphPage
// and PageSize and the given series and selection.
QImage drawGraph(const double* Ergebnis, const int* GraphCodes, int NPunkte, int GraphCount);

// Sets the button visibility, draws, and shows the picture on `target`.
void Grafik(GraphTarget& target, const double* Ergebnis, const int* GraphCodes, int NPunkte, int GraphCount);

} // namespace torv
