// A tornado chart: for one output, a row per input with two bars, the
// output's change when the input goes down and when it goes up, the rows
// sorted by effect with the largest on top.
#pragma once

#include <QImage>
#include <QString>

#include <vector>

namespace torv {

struct TornadoBar {
    QString label; // the input's caption
    double low = 0; // the output's change at the lower input, in per cent of its base; NaN: none
    double high = 0; // ... at the higher input
};

struct TornadoTexts {
    QString title; // above the bars
    QString axis; // under the axis of changes
    QString lowKey, highKey; // the keys of the two bars
};

// The rows top to bottom: by the larger of |low| and |high|, greatest
// first; equal effects keep their order; rows without a number last.
std::vector<size_t> tornadoOrder(const std::vector<TornadoBar>& bars);

// The picture's width, and its height for `rows` rows, in pixels.
inline constexpr int kTornadoWidth = 640;
int tornadoHeight(size_t rows);

// The chart at `scale` device pixels per pixel, drawn aliased.
QImage tornadoPicture(const std::vector<TornadoBar>& bars, const TornadoTexts& texts, double scale);

} // namespace torv
