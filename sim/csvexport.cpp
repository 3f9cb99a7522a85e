#include "sim/csvexport.h"

#include <charconv>

#include "sim/atomicfile.h"
#include "sim/quantities.h"
#include "sim/state.h"

namespace torv {

namespace {

void appendNumber(std::string& out, double v)
{
    char buf[32];
    // Shortest text that reads back as the same double; never locale-bound.
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, ec == std::errc() ? end : buf);
}

} // namespace

std::string csvText()
{
    std::string out;
    out.reserve(kSamples * kRecordedSeries * 24);
    for (const Quantity& q : quantities()) {
        if (q.series != Series::Time)
            out += ',';
        out += quantityName(q.series, st.Sprache);
        out += " [";
        out += currentUnit(q.series);
        out += ']';
    }
    out += '\n';
    for (int i = 0; i < kSamples; ++i) {
        for (int k = 0; k < kRecordedSeries; ++k) {
            if (k > 0)
                out += ',';
            appendNumber(out, st.Ergebnis[static_cast<size_t>(k * kSamples + i)]);
        }
        out += '\n';
    }
    return out;
}

void writeCsvFile(const std::string& path)
{
    writeFileAtomically(path, csvText());
}

} // namespace torv
