// The calculation form's graph area as a place to compare and read runs:
// runs kept to be drawn under later ones, the flight's events marked on the
// curves, and the read-out under the mouse.
#include <QAction>
#include <QMenu>
#include <QSettings>

#include "sim/state.h"
#include "ui/guard.h"
#include "ui/haupt.h"
#include "ui/readout.h"

using torv::st;

namespace {

// Where the program remembers whether the graphs mark the flight's events.
const QString kEventsKey = QStringLiteral("graph/events");

} // namespace

void TForm2::createCompareTools()
{
    GraphMenu->insertSeparator(ActKeepRun);
    ActMarkEvents->setCheckable(true);
    ActMarkEvents->setChecked(QSettings().value(kEventsKey, false).toBool());
    Readout = new torv::GraphReadout(Image1);
}

std::vector<std::vector<double>> TForm2::keptSeries() const
{
    std::vector<std::vector<double>> series;
    for (const torv::KeptRun& run : keptRuns_)
        series.push_back(torv::inCurrentUnits(run));
    return series;
}

torv::GraphExtras TForm2::graphExtras(std::vector<std::vector<double>>& series) const
{
    torv::GraphExtras extras;
    extras.events = ActMarkEvents && ActMarkEvents->isChecked();
    series = keptSeries();
    if (series.empty())
        return extras;
    const char sep = decimalSeparator();
    std::vector<torv::RunInputs> inputs;
    for (size_t r = 0; r < series.size(); ++r) {
        inputs.push_back(keptRuns_[r].inputs);
        extras.kept.push_back({ series[r].data(), static_cast<int>(series[r].size()),
            torv::differenceLabel(keptRuns_[r].inputs, shown_.inputs, st.Sprache, sep) });
    }
    extras.currentLabel = torv::currentRunLabel(inputs, shown_.inputs, st.Sprache, sep);
    return extras;
}

void TForm2::redrawShownGraph()
{
    if (!shownGraph_.isNull())
        torv::guarded([this] { drawGraph(); });
}

void TForm2::keepRunClick()
{
    if (!ActKeepRun->isEnabled())
        return;
    keptRuns_.push_back(torv::keepRun());
    keptRuns_.back().inputs = shown_.inputs;
    shown_.kept = true;
    updateGraphMenu();
    redrawShownGraph();
}

void TForm2::clearKeptRunsClick()
{
    if (keptRuns_.empty())
        return;
    keptRuns_.clear();
    shown_.kept = false;
    updateGraphMenu();
    redrawShownGraph();
}

void TForm2::markEventsClick()
{
    QSettings().setValue(kEventsKey, ActMarkEvents->isChecked());
    redrawShownGraph();
}
