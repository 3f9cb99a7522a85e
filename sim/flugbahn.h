// The run driver: integrates the flight twice from the input parameters in
// the state (a timing pass and a recording pass of 500 samples), converts
// units, writes "Torv_500.txt" and draws the default graph.
#pragma once

namespace torv {

// Whether a run writes "Torv_500.txt" (and the step log when DatenSchalter
// is 1); a trial run on a copy of the state leaves the user's files alone,
// and a caller that writes the sample file together with others
// (sampleFileText) writes it itself.
enum class RunFiles { Write, Skip };

// Throws FloatError on an arithmetic fault, IoError when a result file
// cannot be written, TorvError when the integration step is unusable.
void Flugbahn(RunFiles files = RunFiles::Write);

} // namespace torv
