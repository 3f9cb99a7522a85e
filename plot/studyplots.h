// The pictures of a study: one chart of lines, points, bars, a band and
// marked values in axes that cover them all, drawn with the graph's pixel
// conventions (aliased, whole device pixels at any scale) and its face.
#pragma once

#include <QImage>
#include <QString>

#include <utility>
#include <vector>

namespace torv {

inline constexpr int kStudyPictureWidth = 640;
inline constexpr int kStudyPictureHeight = 400;

using ChartPoints = std::vector<std::pair<double, double>>;

struct StudyChart {
    QString xTitle, yTitle;
    // Beside the vertical axis's title, on the right: "r = 0.93", or why a
    // figure is missing.
    QString caption;

    // Lines in the run colours (0 black, 1 blue, ...), each with its legend
    // entry (none without a label); a line breaks at a point that is not a
    // number, or where x falls back (a grid's next curve).
    struct Line {
        ChartPoints points;
        int colour = 1;
        QString label;
        bool marked = false; // a small square on every point
        int width = 1;
    };
    std::vector<Line> lines;
    // Points on their own (a scatter).
    ChartPoints points;
    // A histogram's bars: counts of equal bins from lo to hi.
    struct Bars {
        double lo = 0, hi = 0;
        std::vector<int> counts;
    } bars;
    // A band filled between lo and hi at each x, with its legend entry; it
    // breaks where lo or hi is not a number. Paler where `thin` says that
    // it stands on fewer values (runs that ended), with a legend entry of
    // its own.
    struct Fill {
        std::vector<double> x, lo, hi;
        QString label;
        std::vector<bool> thin;
        QString thinLabel;
    } band;
    // Values marked by a dashed vertical line, each labelled "p5 = 12.3".
    std::vector<std::pair<QString, double>> marks;
    // The vertical axis from 0 to at least 1 (a share, a count).
    bool fromZero = false;
};

// The chart at `scale` device pixels per pixel of its
// kStudyPictureWidth x kStudyPictureHeight; empty axes when it holds nothing.
QImage drawStudyChart(const StudyChart& chart, double scale);

// A number as the pictures write it: six significant digits at most.
QString chartNumber(double v);

} // namespace torv
