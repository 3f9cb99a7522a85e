// Every graph the program can draw, for every preset after its run and in
// every language: each text box, at the size it is set in, stays clear of
// the black lines (axes, ticks, the band's outline), of every other text box
// and of the picture's edges. A curve's title may stand on its own axis.
#include <gtest/gtest.h>

#include <QRect>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/presets.h"
#include "physics/faults.h"
#include "plot/canvas.h"
#include "plot/catalog.h"
#include "plot/grafik.h"
#include "plot/scene.h"
#include "sim/flugbahn.h"
#include "sim/state.h"
#include "support/headless.h"

using namespace torv;

namespace {

constexpr PresetList kLists[] = { PresetList::Projectil, PresetList::Fallschirm, PresetList::Ballon, PresetList::Glider,
    PresetList::Landekapsel, PresetList::Launcher };

struct Obstacle {
    QRect box;
    int curve; // an axis line's curve; 0 for anything else
};

// The black lines and the band's outline as pixel boxes.
std::vector<Obstacle> obstacles(const GraphScene& g)
{
    std::vector<Obstacle> out;
    for (const GraphOp& op : g.ops) {
        if (op.kind == GraphOp::Line)
            out.push_back({ lineBox(op.x1, op.y1, op.x2, op.y2), op.x1 == op.x2 ? op.curve : 0 });
        if (op.kind == GraphOp::Band) {
            const QRect r = areaRect(op.x1, op.y1, op.x2, op.y2).adjusted(0, 0, 1, 1);
            for (const QRect& edge :
                { QRect(r.left(), r.top(), 1, r.height()), QRect(r.right(), r.top(), 1, r.height()),
                    QRect(r.left(), r.top(), r.width(), 1), QRect(r.left(), r.bottom(), r.width(), 1) })
                out.push_back({ edge, 0 });
        }
    }
    return out;
}

// Failures for `g`, each naming the text and what it crosses.
std::vector<std::string> crossings(const GraphScene& g, int& shrunk)
{
    const std::vector<int> sizes = textSizes(g);
    std::vector<std::pair<QRect, const GraphOp*>> texts;
    for (size_t i = 0; i < g.ops.size(); ++i)
        if (g.ops[i].kind == GraphOp::Text) {
            texts.emplace_back(textBox(g.ops[i], sizes[i]), &g.ops[i]);
            shrunk += sizes[i] < 12;
        }
    const std::vector<Obstacle> lines = obstacles(g);
    std::vector<std::string> out;
    for (size_t i = 0; i < texts.size(); ++i) {
        const auto& [box, op] = texts[i];
        if (!QRect(0, 0, 800, 600).contains(box))
            out.push_back("'" + op->text + "' leaves the picture");
        for (const Obstacle& o : lines)
            if (box.intersects(o.box) && !(o.curve != 0 && o.curve == op->curve))
                out.push_back("'" + op->text + "' crosses a line at x " + std::to_string(o.box.left()));
        for (size_t j = i + 1; j < texts.size(); ++j)
            if (box.intersects(texts[j].first))
                out.push_back("'" + op->text + "' crosses '" + texts[j].second->text + "'");
    }
    return out;
}

class EveryGraph : public ::testing::TestWithParam<int> { };

} // namespace

TEST_P(EveryGraph, TextsCrossNoLineNoTextAndStayInThePicture)
{
    const int sprache = GetParam();
    torv::testing::TempWorkDir dir;
    int graphs = 0, shrunk = 0;
    for (PresetList list : kLists) {
        for (size_t p = 0; p < presets(list).size(); ++p) {
            resetState();
            loadPreset(list, static_cast<int>(p));
            torv::testing::activateHeadless();
            st.Sprache = sprache;
            st.Titel = "  TORV vers 1.16 Beta  ";
            fpClear();
            Flugbahn();
            // The run's own graph first, then every selection the form can make.
            for (int s = -1; s <= static_cast<int>(Sel::Button13); ++s) {
                if (s >= 0)
                    applyGraphSelection(static_cast<Sel>(s));
                const GraphScene g
                    = layoutGraph(st.Ergebnis.data(), st.GraphCodes.data(), st.NPunkte, st.GraphCount, '.');
                ++graphs;
                for (const std::string& f : crossings(g, shrunk))
                    ADD_FAILURE() << presets(list)[p].label << ", selection " << s << ": " << f;
            }
        }
    }
    std::printf("%d graphs checked, %d texts set smaller than 12 pixels\n", graphs, shrunk);
    EXPECT_EQ(graphs, 34 * 22);
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, EveryGraph, ::testing::Values(1, 2, 3),
    [](const auto& info) { return std::string("RDE").substr(static_cast<size_t>(info.param) - 1, 1); });
