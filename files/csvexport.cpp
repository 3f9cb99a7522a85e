#include "files/csvexport.h"

#include "files/atomicfile.h"
#include "files/numfmt.h"
#include "model/quantities.h"
#include "model/state.h"

namespace torv {

namespace {

// A text as one CSV field: in double quotes, a quote in it doubled.
std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

} // namespace

std::string csvText(const std::vector<std::vector<double>>& kept, const std::vector<std::string>& labels)
{
    std::string out;
    out.reserve((kept.size() + 1) * kSamples * kRecordedSeries * 24);
    const bool runs = !kept.empty();
    const bool named = runs && labels.size() == kept.size() + 1;
    if (runs)
        out += named ? "run,label," : "run,";
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
        const std::string lead = !runs ? std::string()
            : named                    ? std::to_string(run) + ',' + quoted(labels[run]) + ','
                                       : std::to_string(run) + ',';
        for (int i = 0; i < kSamples; ++i) {
            out += lead;
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

void writeCsvFile(
    const std::string& path, const std::vector<std::vector<double>>& kept, const std::vector<std::string>& labels)
{
    writeFileAtomically(path, csvText(kept, labels));
}

} // namespace torv
