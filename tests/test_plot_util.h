// Helpers shared by the graph tests: filling series, finding drawing
// operations, and reading pixels.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

#include <functional>
#include <string>
#include <vector>

#include "model/state.h"
#include "plot/scene.h"

namespace plottest {

constexpr int kN = 500;

// Series `code` at positions 0 .. 499 (sample i + 1 sits at position i).
inline void fillSeries(int code, const std::function<double(int)>& f)
{
    for (int i = 0; i < kN; ++i)
        torv::st.Ergebnis[code * kN + i] = f(i);
}

inline void select(std::vector<int> codes)
{
    for (size_t i = 0; i < codes.size(); ++i)
        torv::st.GraphCodes[i] = codes[i];
    torv::st.GraphCount = static_cast<int>(codes.size()) + 1;
}

inline torv::GraphScene layout(char sep = '.')
{
    return torv::layoutGraph(torv::st.Ergebnis.data(), torv::st.GraphCodes.data(), kN, torv::st.GraphCount, sep);
}

inline std::vector<const torv::GraphOp*> opsOf(const torv::GraphScene& g, torv::GraphOp::Kind kind)
{
    std::vector<const torv::GraphOp*> out;
    for (const torv::GraphOp& op : g.ops)
        if (op.kind == kind)
            out.push_back(&op);
    return out;
}

// The text drawn with its top-left corner at (x, y); "<none>" if none.
inline std::string textAt(const torv::GraphScene& g, int x, int y)
{
    for (const torv::GraphOp& op : g.ops)
        if (op.kind == torv::GraphOp::Text && op.x1 == x && op.y1 == y)
            return op.text;
    return "<none>";
}

inline QRgb rgb(int r, int g, int b)
{
    return qRgb(r, g, b);
}

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kGrey = qRgb(128, 128, 128);

// The smallest rectangle holding every pixel of `area` that is not white.
inline QRect inkBox(const QImage& img, const QRect& area)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.pixel(x, y) != kWhite)
                box = box.united(QRect(x, y, 1, 1));
    return box;
}

} // namespace plottest
