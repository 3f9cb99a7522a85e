#include "sim/resultfiles.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "physics/faults.h"
#include "sim/atomicfile.h"
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

[[noreturn]] void ioFailure()
{
    // Some failures (a full buffer flushed by fclose) may leave errno 0;
    // the error must still carry a code.
    throw IoError(errno != 0 ? errno : EIO);
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

void writeSampleFile()
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

    writeFileAtomically(kSampleFileName, text);
}

StepLog::~StepLog()
{
    if (file_)
        std::fclose(file_);
}

void StepLog::open(bool buoyant)
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    buoyant_ = buoyant;
    written_ = 0;
    // Never through a link planted under the log's name in a shared folder.
    errno = 0;
    const int fd = ::open(kStepLogName, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        ioFailure();
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        const int code = errno;
        ::close(fd);
        errno = code;
        ioFailure();
    }
    line_.reserve(200);
    line_ = " ";
    line_ += kCrLf;
    line_ += buoyant ? kLogHeadingBuoyant : kLogHeadingGeneral;
    line_ += kCrLf;
    line_ += ' ';
    line_ += kCrLf;
    put(line_);
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
    put(line_);
}

void StepLog::writeMarker(int slot)
{
    line_ = "(" + std::to_string(slot) + ")";
    line_ += kCrLf;
    line_ += kLogSampleHeading;
    line_ += kCrLf;
    put(line_);
}

void StepLog::rollBack(long long mark)
{
    errno = 0;
    if (std::fflush(file_) != 0 || ftruncate(fileno(file_), mark) != 0 || fseeko(file_, mark, SEEK_SET) != 0)
        ioFailure();
    written_ = mark;
}

void StepLog::close()
{
    if (!file_)
        return;
    std::FILE* f = file_;
    file_ = nullptr;
    errno = 0;
    if (std::fclose(f) != 0)
        ioFailure();
}

void StepLog::put(const std::string& text)
{
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size())
        ioFailure();
    written_ += static_cast<long long>(text.size());
}

} // namespace torv
