// Every graph the program can draw, for every preset after its run and in
// every language: no text box, where and at the size it is set, crosses a
// black line (a curve's title may stand on its own axis), the band's left
// edge, another text box or the picture's edge; no text is under 9 pixels,
// the tick labels of one axis share one size, and titles, which move before
// they shrink, keep their full size.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "fault/faults.h"
#include "model/catalog.h"
#include "model/state.h"
#include "plot/canvas.h"
#include "plot/grafik.h"
#include "plot/scene.h"
#include "run/activation.h"
#include "run/flugbahn.h"
#include "scenarios/presets.h"
#include "support/runfixtures.h"

using namespace torv;

class EveryGraph : public ::testing::TestWithParam<int> { };

TEST_P(EveryGraph, TextsCrossNoLineNoTextAndStayInThePicture)
{
    torv::testing::TempWorkDir dir;
    int graphs = 0;
    for (PresetList list : { PresetList::Projectil, PresetList::Fallschirm, PresetList::Ballon, PresetList::Glider,
             PresetList::Landekapsel, PresetList::Launcher })
        for (size_t p = 0; p < presets(list).size(); ++p) {
            resetState();
            choosePreset(list, static_cast<int>(p));
            st.Sprache = GetParam();
            activate('.');
            fpClear();
            Flugbahn();
            // The run's own graph first, then every selection the form can make.
            for (int s = -1; s <= static_cast<int>(Sel::AtmosphereOverTime); ++s, ++graphs) {
                if (s >= 0)
                    applyGraphSelection(static_cast<Sel>(s));
                const GraphScene g
                    = layoutGraph(st.Ergebnis.data(), st.GraphCodes.data(), st.NPunkte, st.GraphCount, '.');
                const std::vector<TextFit> fits = fitTexts(g);
                std::map<int, std::pair<int, int>> axisSize; // curve: pixels, stretch of its first tick label
                std::vector<std::pair<QRect, int>> lines; // box, curve of an axis line
                std::vector<std::pair<QRect, const GraphOp*>> texts;
                for (size_t i = 0; i < g.ops.size(); ++i) {
                    const GraphOp& op = g.ops[i];
                    if (op.kind == GraphOp::Line)
                        lines.emplace_back(lineBox(op.x1, op.y1, op.x2, op.y2), op.x1 == op.x2 ? op.curve : 0);
                    if (op.kind == GraphOp::Band)
                        lines.emplace_back(QRect(op.x1, op.y2, 1, op.y1 - op.y2), 0);
                    if (op.kind == GraphOp::Text)
                        texts.emplace_back(textBox(op, fits[i]), &op);
                }
                const std::string where = std::string(presets(list)[p].label) + ", selection " + std::to_string(s);
                for (size_t i = 0; i < g.ops.size(); ++i) {
                    const GraphOp& op = g.ops[i];
                    if (op.kind != GraphOp::Text)
                        continue;
                    const std::pair<int, int> size { fits[i].pixels, fits[i].stretch };
                    EXPECT_GE(size.first, 9) << where << ": " << op.text;
                    if (op.role == GraphOp::Title) {
                        EXPECT_EQ(size, std::make_pair(12, 100)) << where << ": " << op.text;
                    }
                    if (op.role == GraphOp::Tick) {
                        EXPECT_EQ(size, axisSize.try_emplace(op.curve, size).first->second)
                            << where << ": " << op.text << " on the axis of curve " << op.curve;
                    }
                }
                for (size_t i = 0; i < texts.size(); ++i) {
                    const auto& [box, op] = texts[i];
                    EXPECT_TRUE(QRect(0, 0, 800, 600).contains(box)) << where << ": " << op->text;
                    for (const auto& [line, curve] : lines)
                        EXPECT_FALSE(box.intersects(line) && (curve == 0 || curve != op->curve))
                            << where << ": " << op->text << " crosses a line at x " << line.x();
                    for (size_t j = i + 1; j < texts.size(); ++j)
                        EXPECT_FALSE(box.intersects(texts[j].first))
                            << where << ": " << op->text << " / " << texts[j].second->text;
                }
            }
        }
    std::printf("%d graphs checked\n", graphs);
    EXPECT_EQ(graphs, presetCount() * (static_cast<int>(Sel::AtmosphereOverTime) + 2));
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, EveryGraph, ::testing::Range(1, kLanguages + 1),
    [](const auto& info) { return std::string(kLanguageCodes[static_cast<size_t>(info.param) - 1]); });
