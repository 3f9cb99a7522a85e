// The last run's recorded series as comma-separated text for spreadsheets:
// a header line naming every series with its unit as the unit flags made it
// (in the form's language, English before one is chosen), then one line per
// sample 1..500 with the values of series 0..30 at full double precision
// (they read back exactly), full stops whatever the locale. UTF-8, lines
// ended by "\n".
#pragma once

#include <string>
#include <vector>

namespace torv {

// `kept`: the series of kept runs, laid out as Ergebnis and already in the
// current run's units. With any, every line starts with a "run" column: 0
// for the current run's 500 lines, then 1, 2, ... for each kept run's; with
// `labels` too (the current run's, then each kept run's), a "label" column
// follows with the run's name as the legend gives it, in double quotes.
std::string csvText(const std::vector<std::vector<double>>& kept = {}, const std::vector<std::string>& labels = {});

// Writes csvText(kept) to `path` through a temporary file in the same
// directory that replaces `path` only once it is complete; throws
// IoError(errno).
void writeCsvFile(const std::string& path, const std::vector<std::vector<double>>& kept = {},
    const std::vector<std::string>& labels = {});

} // namespace torv
