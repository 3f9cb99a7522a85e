#include "sim/csvexport.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "physics/faults.h"
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

[[noreturn]] void fail(int code, const std::string& tmp)
{
    if (!tmp.empty())
        ::unlink(tmp.c_str());
    throw IoError(code != 0 ? code : EIO);
}

// The whole of `text` to `path`, atomically: a unique temporary file beside
// it, synced, then renamed over it; removed again on any failure.
void writeAtomically(const std::string& path, const std::string& text)
{
    std::string tmp = path + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        fail(errno, {});
    // mkstemp makes the file private; a result file gets the usual mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const char* p = text.data();
    size_t left = text.size();
    int code = 0;
    if (::fchmod(fd, 0666 & ~mask) != 0)
        code = errno;
    while (code == 0 && left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            code = errno;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (code == 0 && ::fsync(fd) != 0)
        code = errno;
    if (::close(fd) != 0 && code == 0)
        code = errno;
    if (code != 0)
        fail(code, tmp);
    if (std::rename(tmp.c_str(), path.c_str()) != 0)
        fail(errno, tmp);
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
    writeAtomically(path, csvText());
}

} // namespace torv
