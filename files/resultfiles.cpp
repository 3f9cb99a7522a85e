#include "files/resultfiles.h"

#include "files/numfmt.h"
#include "model/state.h"

namespace torv {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kSampleHeading = "    j      t       X,km      H,km     V      q     Q     Roh";
constexpr const char* kLogHeadingBuoyant
    = "    t,s      X,km     H,km   V,m/s  Q,grad,  roh,kg/m3   Volumen   Auftrieb   Widerstand";
constexpr const char* kLogHeadingGeneral
    = "    t,s      X,km     H,km   V,m/s  Q,grad,  roh,kg/m3     nx,g,    ny,g    m    Schub   cya     cx    Mach "
      "Volumen   Auftrieb     VT    Wiederstand   dVx   delta";
constexpr const char* kLogSampleHeading
    = "    t,s      X,km     H,km  V,m/s  Q,grad, roh,kg/m3 nx,g, ny,g    Volumen,m3  Auftrieb,N,   VT   Wiederstand  "
      "dVx  dh";

// Appends Trenn and one fixed-point field.
void field(std::string& out, std::string_view trenn, double v, int width, int decimals)
{
    out += trenn;
    out += fixedField(v, width, decimals);
}

// The sample number's field.
constexpr FixedFormat kSampleNumber { 6, 2 };

} // namespace

std::string sampleLine(const std::string& trenn, const SampleRow& r)
{
    std::string line;
    field(line, trenn, r[0], kSampleNumber.width, kSampleNumber.decimals);
    const auto columns = sampleFileColumns();
    for (size_t c = 0; c < columns.size(); ++c)
        field(line, trenn, r[c + 1], columns[c]->sampleFormat.width, columns[c]->sampleFormat.decimals);
    line += trenn;
    return line;
}

std::string sampleFileText(SimState& state)
{
    std::string text;
    text.reserve(3 * 8 + (kSamples + 1) * 80);
    text += ' ';
    text += kCrLf;
    text += kSampleHeading;
    text += kCrLf;
    text += ' ';
    text += kCrLf;
    const auto columns = sampleFileColumns();
    SampleRow row;
    for (int j = 1; j <= kSamples; ++j) {
        state.jReal = j;
        row[0] = state.jReal;
        for (size_t c = 0; c < columns.size(); ++c)
            row[c + 1] = state.Ergebnis[static_cast<size_t>(code(columns[c]->series) * kSamples + j - 1)];
        text += sampleLine(state.Trenn, row);
        text += kCrLf;
    }

    return text;
}

void writeSampleFile()
{
    writeFileAtomically(kSampleFileName, sampleFileText());
}

void StepLog::open(bool buoyant)
{
    buoyant_ = buoyant;
    file_.open(kStepLogName);
    line_.reserve(200);
    line_ = " ";
    line_ += kCrLf;
    line_ += buoyant ? kLogHeadingBuoyant : kLogHeadingGeneral;
    line_ += kCrLf;
    line_ += ' ';
    line_ += kCrLf;
    file_.append(line_);
}

void StepLog::writeStep(const StepState& s, double Volumen)
{
    const std::string_view tr = kRunSeparator;
    line_.clear();
    field(line_, tr, s.t, 6, 2);
    field(line_, tr, s.Xkm, 8, 3);
    field(line_, tr, s.Hkm, 6, 3);
    field(line_, tr, s.V, 6, 3);
    field(line_, tr, s.Qgrad, 6, 1);
    field(line_, tr, s.Roh, 5, 4);
    if (buoyant_) {
        field(line_, tr, s.Auftrieb, 6, 2);
        field(line_, tr, Volumen, 5, 2);
        field(line_, tr, s.Widerstand, 6, 1);
        field(line_, tr, s.GasVerloren, 6, 1);
    } else {
        field(line_, tr, s.nx, 5, 2);
        field(line_, tr, s.ny, 5, 2);
        field(line_, tr, s.Massa, 6, 1);
        field(line_, tr, s.P, 7, 1);
        field(line_, tr, s.CyRun, 6, 1);
        field(line_, tr, s.CxRun, 7, 1);
        field(line_, tr, s.Mach, 7, 1);
    }
    line_ += kCrLf;
    file_.append(line_);
}

void StepLog::writeMarker(int slot)
{
    line_ = "(" + std::to_string(slot) + ")";
    line_ += kCrLf;
    line_ += kLogSampleHeading;
    line_ += kCrLf;
    file_.append(line_);
}

} // namespace torv
