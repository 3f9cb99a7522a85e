#include "batch/outfile.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "physics/faults.h"

namespace torv::batch {

namespace {

[[noreturn]] void ioFailure()
{
    throw IoError(errno != 0 ? errno : EIO);
}

} // namespace

PendingFile::PendingFile(const std::string& path)
    : path_(path)
    , temp_(path + ".XXXXXX")
{
    errno = 0;
    const int fd = mkstemp(temp_.data());
    if (fd < 0)
        ioFailure();
    fchmod(fd, 0644);
    close(fd);
}

PendingFile::~PendingFile()
{
    if (!committed_)
        unlink(temp_.c_str());
}

void PendingFile::write(const std::string& text)
{
    errno = 0;
    std::FILE* f = std::fopen(temp_.c_str(), "wb");
    if (!f)
        ioFailure();
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0;
    const int code = errno;
    if (std::fclose(f) != 0 || !written) {
        errno = written ? errno : code;
        ioFailure();
    }
}

void PendingFile::commit()
{
    errno = 0;
    const int fd = open(temp_.c_str(), O_RDONLY);
    if (fd < 0)
        ioFailure();
    const bool synced = fsync(fd) == 0;
    const int code = errno;
    close(fd);
    if (!synced) {
        errno = code;
        ioFailure();
    }
    if (std::rename(temp_.c_str(), path_.c_str()) != 0)
        ioFailure();
    committed_ = true;
}

} // namespace torv::batch
