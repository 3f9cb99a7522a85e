#include "analysis/events.h"

#include <cmath>
#include <functional>
#include <iterator>
#include <optional>

#include "files/numfmt.h"
#include "model/classes.h"
#include "model/languages.h"

namespace torv {

namespace {

using S = Series;

// clang-format off
struct EventRow {
    FlightEvent event;
    Texts name;
    Series curve;
    Series reported;
    const char* symbol;
};

constexpr EventRow kEvents[] = {
//   event                           Russian         German           English      on the curve of    reports          symbol
    {FlightEvent::Apogee,             {"апогей",      "Gipfelpunkt",   "apogee"},   S::Altitude,        S::Altitude,     "H"},
    {FlightEvent::MaxDynamicPressure, {"макс.",       "max.",          "max"},      S::DynamicPressure, S::DynamicPressure, "q"},
    {FlightEvent::MaxLoadFactor,      {"макс.",       "max.",          "max"},      S::LoadFactorX,     S::LoadFactorX,  "|nx|"},
    {FlightEvent::Burnout,            {"конец тяги",  "Brennschluss",  "burnout"},  S::Speed,           S::Speed,        "V"},
    {FlightEvent::Landing,            {"посадка",     "Landung",       "landing"},  S::Altitude,        S::Range,        "X"},
};
// clang-format on

constexpr bool inEventOrder()
{
    for (size_t e = 0; e < std::size(kEvents); ++e)
        if (kEvents[e].event != static_cast<FlightEvent>(e))
            return false;
    return std::size(kEvents) == static_cast<size_t>(FlightEvent::Landing) + 1;
}
static_assert(inEventOrder(), "the table is indexed by FlightEvent");

const EventRow& row(FlightEvent e)
{
    return kEvents[static_cast<int>(e)];
}

// The first position 1 .. n-1 where `key` of the series is greatest.
int firstGreatest(const double* s, int n, const std::function<double(double)>& key)
{
    int best = 1;
    for (int i = 2; i < n; ++i)
        if (key(s[i]) > key(s[best]))
            best = i;
    return best;
}

} // namespace

std::vector<EventMark> findEvents(const double* ergebnis, int n, VehicleClass klasse, bool landed)
{
    std::vector<EventMark> marks;
    if (n < 3)
        return marks;
    const auto series = [&](S s) { return ergebnis + static_cast<long>(code(s)) * n; };
    const auto add = [&](FlightEvent e, int position) {
        marks.push_back({ e, position, row(e).curve, row(e).reported });
    };
    const auto same = [](double v) { return v; };

    const double* h = series(S::Altitude);
    const int top = firstGreatest(h, n, same);
    if (top > 1 && top < n - 1)
        add(FlightEvent::Apogee, top);
    const double* q = series(S::DynamicPressure);
    if (const int i = firstGreatest(q, n, same); q[i] > 0)
        add(FlightEvent::MaxDynamicPressure, i);
    const double* nx = series(S::LoadFactorX);
    const auto magnitude = [](double v) { return std::fabs(v); };
    if (const int i = firstGreatest(nx, n, magnitude); magnitude(nx[i]) > 0)
        add(FlightEvent::MaxLoadFactor, i);
    if (classRow(klasse).run.rocket) {
        const double* thrust = series(S::Thrust);
        for (int i = 2; i < n; ++i)
            if (thrust[i - 1] > 0 && !(thrust[i] > 0)) {
                add(FlightEvent::Burnout, i - 1);
                break;
            }
    }
    if (landed && h[top] > 0)
        add(FlightEvent::Landing, n - 1);
    return marks;
}

std::string eventLabel(
    const EventMark& mark, const double* ergebnis, int n, int sprache, char sep, const RunSummary* summary)
{
    const EventRow& r = row(mark.event);
    double value = ergebnis[static_cast<long>(code(mark.reported)) * n + mark.position];
    if (mark.event == FlightEvent::MaxLoadFactor)
        value = std::fabs(value);
    // The summary's figures, tracked over every step and interpolated at the
    // end, in the units the series were stored in.
    if (summary && summary->samples > 0) {
        const double* exact = mark.event == FlightEvent::Apogee ? &summary->maxAltitude
            : mark.event == FlightEvent::MaxDynamicPressure     ? &summary->maxDynamicPressure
            : mark.event == FlightEvent::MaxLoadFactor          ? &summary->maxLoadFactor
            : mark.event == FlightEvent::Landing                ? &summary->range
                                                                : nullptr;
        if (exact)
            value = *exact / currentDivisor(mark.reported);
    }
    return std::string(inLanguage(r.name, sprache)) + ' ' + r.symbol + '=' + formatGeneral(value, 4, 2, sep) + ' '
        + currentUnit(mark.reported);
}

} // namespace torv
