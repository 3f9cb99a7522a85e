// A graph worked out as an ordered list of drawing operations at exact pixel
// positions, from the recorded series, the selection and the state's unit
// flags, Sprache, Titel, GraphPage and PageSize. Qt-free, so that every
// position and label text can be checked without fonts; grafik.cpp paints
// the list in order.
#pragma once

#include <string>
#include <vector>

namespace torv {

struct Pixel {
    int x = 0;
    int y = 0;
};

// One drawing operation. Lines run from (x1,y1) to (x2,y2) without their
// end point; rectangles and circles given from (x1,y1) to (x2,y2) cover
// x1..x2-1 and y1..y2-1 (corners in either order).
struct GraphOp {
    enum Kind : unsigned char {
        GridLine, // grey (128,128,128) line
        Line, // black line
        Band, // black rectangle, white inside
        Legend, // circle, black outline, white inside
        Text, // `text` (UTF-8), top-left corner at (x1,y1), black on white
        Mark, // marker `mark` of `size` pixels centred on (x1,y1)
        Curve, // black polyline through `points`
        WhiteFill, // the fill goes back to white
        RunCurve, // polyline through `points` of kept run `mark` (1, 2, ...) in its colour
        Event, // a flight event's mark at (x1,y1), labelled `text`
        RunKey, // legend entry `text` of run `mark` (0: the current run)
    };
    // What a text is, for fitting it: tick labels of one axis share their
    // size; a title may move before it shrinks, its raised part with it.
    enum Role : unsigned char { Plain, Tick, Title, Raised };
    Kind kind = Line;
    Role role = Plain;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int size = 0;
    int mark = 0;
    int curve = 0; // the curve k (1 .. K-1) the operation draws for; 0: none (the horizontal axis)
    std::string text;
    std::vector<Pixel> points;
};

// The current run's curves as drawn, for a read-out under the mouse:
// positions 1 .. N-1 of each series, in order.
struct GraphReading {
    struct Trace {
        int code = 0;
        bool negative = false; // its labels use 3 digits
        std::string unit; // as the unit flags made it
        std::vector<int> y; // picture y of each position
        std::vector<double> values;
    };
    int horizontalCode = 0;
    std::string horizontalUnit;
    std::vector<int> x; // picture x of each position
    std::vector<double> abscissa;
    std::vector<Trace> curves; // in drawing order
    int top = 0, bottom = 0; // the plot's rows
    // The kept runs drawn with it, in their order (run 1, 2, ...): each
    // with its own positions, its name and its curves' values.
    struct Run {
        std::string label;
        std::vector<int> x;
        std::vector<double> abscissa;
        std::vector<std::vector<int>> y; // per curve, in drawing order
        std::vector<std::vector<double>> values; // per curve
    };
    std::vector<Run> kept;
    // Whether the abscissa turns back somewhere (V over H): a sample is then
    // found by both coordinates.
    bool turnsBack = false;
};

// A kept run drawn with the current one.
struct OverlayRun {
    const double* series = nullptr; // laid out as Ergebnis, in the current run's units
    int size = 0; // number of doubles there
    std::string label; // its legend entry
};

// What a graph shows beyond the specified picture; by default nothing.
struct GraphExtras {
    // Drawn under the current run, each in its own colour, in axes that
    // cover every run; with any, a legend names each run.
    std::vector<OverlayRun> kept;
    std::string currentLabel; // the current run's legend entry
    bool events = false; // the current run's flight events marked on its curves
};

struct GraphScene {
    // Layout quantities; K = 0 when the selection names no code at all.
    int K = 0; // number of codes, the horizontal one included
    int L = 0; // left edge of the plot
    int W = 0; // plot width
    int D = 0; // axis spacing
    int Y0 = 0; // zero line
    int Hp = 0; // upper band height
    int Hn = 0; // lower band height (negative graphs only)
    int G = 0; // grid step
    bool negative = false;
    std::vector<GraphOp> ops;
    GraphReading reading;
};

// Lays out the graph of `GraphCodes`[0 .. GraphCount-2] over positions
// 1 .. NPunkte-1 of `Ergebnis` (the whole 50 000-element series array).
// Tick labels use the decimal separator `sep`. A scale whose maximum is 0
// is drawn as if it were 1; no finite series raises a floating-point fault.
GraphScene layoutGraph(const double* Ergebnis, const int* GraphCodes, int NPunkte, int GraphCount, char sep,
    const GraphExtras& extras = {});

} // namespace torv
