// The last run's recorded series as comma-separated text for spreadsheets:
// a header line naming every series with its unit as the unit flags made it
// (in the form's language, English before one is chosen), then one line per
// sample 1..500 with the values of series 0..30 at full double precision
// (they read back exactly), full stops whatever the locale. UTF-8, lines
// ended by "\n".
#pragma once

#include <string>

namespace torv {

std::string csvText();

// Writes csvText() to `path` through a temporary file in the same directory
// that replaces `path` only once it is complete; throws IoError(errno).
void writeCsvFile(const std::string& path);

} // namespace torv
