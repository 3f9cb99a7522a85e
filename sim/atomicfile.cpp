#include "sim/atomicfile.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "physics/faults.h"

namespace torv {

namespace {

[[noreturn]] void fail(int code)
{
    // A failure must carry a code even where the call left errno at 0.
    throw IoError(code != 0 ? code : EIO);
}

std::string directoryOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The rename needs only the directory's permission; a target its owner
// protected, or one of another user, must stop the write as a direct write
// to it would.
void checkTarget(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        if (errno != ENOENT)
            fail(errno);
        return;
    }
    if (S_ISDIR(info.st_mode))
        fail(EISDIR);
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        fail(errno);
    if (!S_ISREG(info.st_mode))
        fail(EINVAL);
}

// Creates `path` plus a random suffix as a new file. O_EXCL never opens
// what is already there (a planted link, a stale file or directory); the
// kernel applies the umask to the mode.
int createUnique(const std::string& path, std::string& name)
{
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937_64 random { std::random_device {}() ^ static_cast<unsigned long long>(getpid()) };
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        name = path + '.';
        for (int i = 0; i < 6; ++i)
            name += kLetters[random() % (sizeof kLetters - 1)];
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// 0, or the errno of the failed write.
int writeAll(int fd, const std::string& bytes)
{
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return 0;
}

// Makes the rename itself survive a power cut. A file system that cannot
// sync a directory (EINVAL) has nothing more to do.
void syncDirectory(const std::string& dir)
{
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    const int code = fsync(fd) == 0 ? 0 : errno;
    close(fd);
    if (code != 0 && code != EINVAL)
        fail(code);
}

} // namespace

PendingFile::PendingFile(const std::string& path)
    : path_(path)
{
    checkTarget(path);
    fd_ = createUnique(path, temp_);
    if (fd_ < 0)
        fail(errno);
}

PendingFile::~PendingFile()
{
    if (fd_ >= 0)
        close(fd_);
    if (!committed_)
        unlink(temp_.c_str());
}

void PendingFile::write(const std::string& bytes)
{
    if (lseek(fd_, 0, SEEK_SET) != 0 || ftruncate(fd_, 0) != 0)
        fail(errno);
    if (const int code = writeAll(fd_, bytes); code != 0)
        fail(code);
}

void PendingFile::commit()
{
    int code = fsync(fd_) == 0 ? 0 : errno;
    if (close(std::exchange(fd_, -1)) != 0 && code == 0)
        code = errno;
    if (code == 0 && std::rename(temp_.c_str(), path_.c_str()) != 0)
        code = errno;
    if (code != 0)
        fail(code);
    committed_ = true;
    syncDirectory(directoryOf(path_));
}

void writeFileAtomically(const std::string& path, const std::string& bytes)
{
    PendingFile file(path);
    file.write(bytes);
    file.commit();
}

} // namespace torv
