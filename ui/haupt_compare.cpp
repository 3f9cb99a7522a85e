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

struct CompareCaption {
    QAction* TForm2::*action;
    const char* language[3]; // Russian, German, English
};

// clang-format off
const CompareCaption kCompareCaptions[] = {
//   entry                    Russian                                German                              English
    {&TForm2::ActKeepRun,     {"Сохранить расчёт для сравнения",     "Diesen Lauf zum Vergleich behalten", "Keep this run"}},
    {&TForm2::ActClearKept,   {"Удалить сохранённые расчёты",        "Behaltene Läufe entfernen",        "Clear kept runs"}},
    {&TForm2::ActMarkEvents,  {"Отмечать события полёта",            "Flugereignisse markieren",         "Mark flight events"}},
};
// clang-format on

} // namespace

void TForm2::createCompareTools()
{
    GraphMenu->insertSeparator(ActKeepRun);
    ActMarkEvents->setCheckable(true);
    ActMarkEvents->setChecked(QSettings().value(kEventsKey, false).toBool());
    Readout = new torv::GraphReadout(Image1);
}

void TForm2::setCompareCaptions(int language)
{
    const int column = language >= 1 && language <= 3 ? language - 1 : 1;
    for (const CompareCaption& c : kCompareCaptions)
        (this->*c.action)->setText(QString::fromUtf8(c.language[column]));
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
            torv::differenceLabel(keptRuns_[r].inputs, runInputs_, st.Sprache, sep) });
    }
    extras.currentLabel = torv::currentRunLabel(inputs, runInputs_, st.Sprache, sep);
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
    keptRuns_.back().inputs = runInputs_;
    runKept_ = true;
    updateGraphMenu();
    redrawShownGraph();
}

void TForm2::clearKeptRunsClick()
{
    if (keptRuns_.empty())
        return;
    keptRuns_.clear();
    runKept_ = false;
    updateGraphMenu();
    redrawShownGraph();
}

void TForm2::markEventsClick()
{
    QSettings().setValue(kEventsKey, ActMarkEvents->isChecked());
    redrawShownGraph();
}
