#include "sim/resultfiles.h"

#include "sim/numfmt.h"
#include "sim/quantities.h"
#include "sim/state.h"

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
void field(std::string& out, const std::string& trenn, double v, int width, int decimals)
{
    out += trenn;
    out += fixedField(v, width, decimals);
}

double sample(Series s, int slot)
{
    return st.Ergebnis[static_cast<size_t>(code(s) * kSamples + slot - 1)];
}

} // namespace

std::string sampleLine(const std::string& trenn, const SampleRow& r)
{
    std::string line;
    field(line, trenn, r.j, 6, 2);
    field(line, trenn, r.t, 8, 2);
    field(line, trenn, r.X, 6, 2);
    field(line, trenn, r.H, 5, 1);
    field(line, trenn, r.V, 5, 1);
    field(line, trenn, r.q, 5, 1);
    field(line, trenn, r.Qgrad, 5, 1);
    field(line, trenn, r.Roh, 9, 6);
    line += trenn;
    return line;
}

std::string sampleFileText()
{
    std::string text;
    text.reserve(3 * 8 + (kSamples + 1) * 80);
    text += ' ';
    text += kCrLf;
    text += kSampleHeading;
    text += kCrLf;
    text += ' ';
    text += kCrLf;
    for (int j = 1; j <= kSamples; ++j) {
        st.jReal = j;
        text += sampleLine(st.Trenn,
            { st.jReal, sample(Series::Time, j), sample(Series::Range, j), sample(Series::Altitude, j),
                sample(Series::Speed, j), sample(Series::DynamicPressure, j), sample(Series::PathAngle, j),
                sample(Series::AirDensity, j) });
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

void StepLog::writeStep()
{
    const std::string& tr = st.Trenn;
    line_.clear();
    field(line_, tr, st.t, 6, 2);
    field(line_, tr, st.Xkm, 8, 3);
    field(line_, tr, st.Hkm, 6, 3);
    field(line_, tr, st.V, 6, 3);
    field(line_, tr, st.Qgrad, 6, 1);
    field(line_, tr, st.Roh, 5, 4);
    if (buoyant_) {
        field(line_, tr, st.Auftrieb, 6, 2);
        field(line_, tr, st.Volumen, 5, 2);
        field(line_, tr, st.Widerstand, 6, 1);
        field(line_, tr, st.GasVerloren, 6, 1);
    } else {
        field(line_, tr, st.nx, 5, 2);
        field(line_, tr, st.ny, 5, 2);
        field(line_, tr, st.Massa, 6, 1);
        field(line_, tr, st.P, 7, 1);
        field(line_, tr, st.CyRun, 6, 1);
        field(line_, tr, st.CxRun, 7, 1);
        field(line_, tr, st.Mach, 7, 1);
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
