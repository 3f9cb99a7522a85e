#include "sim/csvexport.h"

#include "sim/atomicfile.h"
#include "sim/numfmt.h"
#include "sim/quantities.h"
#include "sim/state.h"

namespace torv {

std::string csvText(const std::vector<std::vector<double>>& kept)
{
    std::string out;
    out.reserve((kept.size() + 1) * kSamples * kRecordedSeries * 24);
    const bool runs = !kept.empty();
    if (runs)
        out += "run,";
    for (const Quantity& q : quantities()) {
        if (q.series != Series::Time)
            out += ',';
        out += quantityName(q.series, st.Sprache);
        out += " [";
        out += currentUnit(q.series);
        out += ']';
    }
    out += '\n';
    for (size_t run = 0; run <= kept.size(); ++run) {
        const double* series = run == 0 ? st.Ergebnis.data() : kept[run - 1].data();
        for (int i = 0; i < kSamples; ++i) {
            if (runs)
                out += std::to_string(run) + ',';
            for (int k = 0; k < kRecordedSeries; ++k) {
                if (k > 0)
                    out += ',';
                out += shortestText(series[k * kSamples + i]);
            }
            out += '\n';
        }
    }
    return out;
}

void writeCsvFile(const std::string& path, const std::vector<std::vector<double>>& kept)
{
    writeFileAtomically(path, csvText(kept));
}

} // namespace torv
