// The run's text files in the working directory: the sample file written at
// the end of a run from the 500 recorded samples, and the step log written
// step by step while DatenSchalter is 1. ASCII, CRLF line ends, fixed-point
// numbers with a full stop in every locale, each preceded by Trenn.
#pragma once

#include <array>
#include <string>

#include "files/atomicfile.h"
#include "model/quantities.h"

namespace torv {

inline constexpr const char* kSampleFileName = "Torv_500.txt";
inline constexpr const char* kStepLogName = "Torv Daten.txt";
// The separator a run sets (Trenn) and its step log writes.
inline constexpr const char* kRunSeparator = "  ";

// The values of one sample-file line: the sample number j, then the
// series of sampleFileColumns() (model/quantities.h) in file order.
using SampleRow = std::array<double, 1 + kSampleFileColumns>;

// One line of the sample file without its line end.
std::string sampleLine(const std::string& trenn, const SampleRow& row);

// The text of "Torv_500.txt" from the state's series 0..30 (as converted)
// with its Trenn; sets its jReal. The simulation state's by default.
std::string sampleFileText(SimState& state = st);

// Writes sampleFileText() to "Torv_500.txt" with writeFileAtomically, so a
// failed write leaves the previous run's file as it was. Throws IoError.
void writeSampleFile();

// "Torv Daten.txt": created with its heading by open(), one line per step,
// closed by close() or the destructor. Every failed operation throws
// IoError(errno).
class StepLog {
public:
    bool isOpen() const { return file_.isOpen(); }
    // `buoyant`: the balloon and airship layout (classes 3 and 4).
    void open(bool buoyant);
    // The line of the step just done: its state and the envelope volume.
    void writeStep(const StepState& s, double Volumen);
    // The marker of sample slot `slot` and the sample heading (classes 3, 4).
    void writeMarker(int slot);
    // Bytes written since open(); rollBack(mark) drops whatever was written
    // after mark() returned `mark`.
    long long mark() const { return file_.size(); }
    void rollBack(long long mark) { file_.truncate(mark); }
    void close() { file_.close(); }

private:
    GrowingFile file_;
    bool buoyant_ = false;
    std::string line_; // reused for every line
};

} // namespace torv
