#include "sim/atomicfile.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <optional>
#include <set>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fault/faults.h"

namespace torv {

namespace {

constexpr std::string_view kTempPrefix = ".torv-";
constexpr std::string_view kTempSuffix = ".tmp";
constexpr size_t kTempRandom = 12;
constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
// A temporary file this old is a killed run's: a run writes and renames its
// files within seconds.
constexpr time_t kStaleSeconds = 5 * 60;
// The step log reaches the file in pieces of this size.
constexpr size_t kGrowingBuffer = 64 * 1024;

[[noreturn]] void fail(int code, const std::string& subject, std::string reason = {})
{
    // A failure must carry a code even where the call left errno at 0.
    throw IoError(code != 0 ? code : EIO, subject, std::move(reason));
}

std::string writing(const std::string& path)
{
    return "cannot write " + path;
}

// The error of writing `path`, with the errno of the call that just failed.
[[noreturn]] void failWriting(const std::string& path)
{
    const int code = errno;
    fail(code, writing(path));
}

// The directory part of `path` with its slash ("" for a bare name), and
// the directory itself ("." for a bare name).
std::string directoryPrefix(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string directoryOf(const std::string& path)
{
    const std::string prefix = directoryPrefix(path);
    return prefix.empty() ? "." : prefix.size() == 1 ? prefix : prefix.substr(0, prefix.size() - 1);
}

// The target as it is now, if there is one. The rename needs only the
// directory's permission; a target its owner protected, or one of another
// user, must stop the write as a direct write to it would.
std::optional<struct stat> checkTarget(const std::string& path)
{
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        if (errno != ENOENT)
            failWriting(path);
        return std::nullopt;
    }
    if (S_ISLNK(info.st_mode))
        fail(ELOOP, writing(path), "it is a symbolic link, which is never replaced");
    if (S_ISDIR(info.st_mode))
        fail(EISDIR, writing(path));
    if (!S_ISREG(info.st_mode))
        fail(EINVAL, writing(path), "it is not a regular file");
    if (info.st_nlink > 1)
        fail(EMLINK, writing(path), "it has several hard links, which a replacement would separate");
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        failWriting(path);
    return info;
}

void randomLetters(char* out, size_t count)
{
    unsigned char bytes[kTempRandom];
    if (getrandom(bytes, count, 0) != static_cast<ssize_t>(count)) {
        // Without the kernel's randomness: a name O_EXCL still keeps unique.
        static unsigned long long mix = static_cast<unsigned long long>(getpid()) << 32;
        mix = mix * 6364136223846793005ULL + static_cast<unsigned long long>(clock());
        for (size_t i = 0; i < count; ++i)
            bytes[i] = static_cast<unsigned char>(mix >> (i % 8 * 8));
    }
    for (size_t i = 0; i < count; ++i)
        out[i] = kLetters[bytes[i] % (sizeof kLetters - 1)];
}

// Creates a new temporary file beside `path` and names it in `name`. O_EXCL
// never opens what is already there (a planted link, a stale file).
int createTemporary(const std::string& path, int mode, std::string& name)
{
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string letters(kTempRandom, ' ');
        randomLetters(letters.data(), kTempRandom);
        name = directoryPrefix(path);
        name += kTempPrefix;
        name += letters;
        name += kTempSuffix;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The replacement takes over the owner and group where the process may set
// them, and the mode; set-id bits only with the owner and group they had.
int keepOwnerAndMode(int fd, const struct stat& old)
{
    struct stat now;
    if (fstat(fd, &now) != 0)
        return errno;
    if (now.st_uid != old.st_uid || now.st_gid != old.st_gid) {
        if (fchown(fd, old.st_uid, old.st_gid) != 0)
            (void)!fchown(fd, static_cast<uid_t>(-1), old.st_gid); // a group of the user's own
        if (fstat(fd, &now) != 0)
            return errno;
    }
    mode_t mode = old.st_mode & 07777;
    if (now.st_uid != old.st_uid || now.st_gid != old.st_gid)
        mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    return fchmod(fd, mode) == 0 ? 0 : errno;
}

// A new temporary file beside `path` that is to replace it, named in
// `temp`, with the owner and mode of `old` where there is one. Throws
// IoError naming `path`, with nothing left behind.
int openReplacement(const std::string& path, const std::optional<struct stat>& old, std::string& temp)
{
    // A replacement is private until it has its target's owner and mode.
    const int fd = createTemporary(path, old ? 0600 : 0644, temp);
    int code = fd < 0 ? errno : 0;
    if (code == 0 && old)
        code = keepOwnerAndMode(fd, *old);
    if (code != 0) {
        if (fd >= 0) {
            ::close(fd);
            unlink(temp.c_str());
        }
        temp.clear();
        fail(code, writing(path));
    }
    return fd;
}

// Syncs and closes a replacement; 0, or the errno of the first that
// failed. A file system that cannot sync (EINVAL) has nothing to do.
int syncAndClose(int fd)
{
    int code = fsync(fd) != 0 && errno != EINVAL ? errno : 0;
    if (::close(fd) != 0 && code == 0)
        code = errno;
    return code;
}

// Makes the renames survive a power cut. A file system that cannot sync a
// directory (EINVAL) has nothing more to do.
void syncDirectory(const std::string& dir)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    const int code = fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    if (code != 0 && code != EINVAL)
        fail(code, writing(dir));
}

void removeStaleTemporaries(const std::string& dir)
{
    DIR* d = opendir(dir.c_str());
    if (!d)
        return;
    const time_t now = std::time(nullptr);
    while (const dirent* e = readdir(d)) {
        struct stat info;
        if (isTemporaryName(e->d_name) && fstatat(dirfd(d), e->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISREG(info.st_mode) && info.st_uid == geteuid() && now - info.st_mtime > kStaleSeconds)
            unlinkat(dirfd(d), e->d_name, 0);
    }
    closedir(d);
}

// What a commit has put on the disk so far, taken away again unless the
// commit got through.
struct Undo {
    std::vector<std::string> temporaries;
    std::vector<std::string> directories;
    ~Undo()
    {
        for (const std::string& name : temporaries)
            if (!name.empty())
                unlink(name.c_str());
        removeEmptyDirectories(directories);
    }
};

} // namespace

int writeAll(int fd, std::string_view bytes, bool socket)
{
    while (!bytes.empty()) {
        const ssize_t n
            = socket ? ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) : ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

bool isTemporaryName(std::string_view name)
{
    if (name.size() != kTempPrefix.size() + kTempRandom + kTempSuffix.size() || !name.starts_with(kTempPrefix)
        || !name.ends_with(kTempSuffix))
        return false;
    const std::string_view letters = name.substr(kTempPrefix.size(), kTempRandom);
    return letters.find_first_not_of(kLetters) == std::string_view::npos;
}

std::vector<std::string> makeDirectories(const std::string& dir)
{
    std::vector<std::string> made;
    for (size_t end = dir.find_first_not_of('/'); end != std::string::npos && end < dir.size();) {
        end = dir.find('/', end);
        const std::string part = dir.substr(0, end);
        if (mkdir(part.c_str(), 0777) == 0) {
            made.push_back(part);
        } else {
            struct stat info;
            const int code = errno;
            if (code != EEXIST || stat(part.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
                fail(code == EEXIST ? ENOTDIR : code, "cannot create directory " + part);
        }
        end = dir.find_first_not_of('/', end);
    }
    return made;
}

void removeEmptyDirectories(const std::vector<std::string>& dirs)
{
    for (auto it = dirs.rbegin(); it != dirs.rend(); ++it)
        if (rmdir(it->c_str()) != 0)
            break;
}

void FileCommit::add(std::string path, std::string bytes)
{
    files_.push_back({ std::move(path), std::move(bytes) });
}

void FileCommit::makeDirectory(std::string dir)
{
    dir_ = std::move(dir);
}

void FileCommit::commit()
{
    std::vector<std::optional<struct stat>> old;
    for (const Entry& f : files_)
        old.push_back(checkTarget(f.path));
    Undo undo;
    if (!dir_.empty())
        undo.directories = makeDirectories(dir_);
    std::set<std::string> dirs;
    for (const Entry& f : files_)
        if (dirs.insert(directoryOf(f.path)).second)
            removeStaleTemporaries(directoryOf(f.path));

    for (size_t i = 0; i < files_.size(); ++i) {
        const Entry& f = files_[i];
        std::string& temp = undo.temporaries.emplace_back();
        const int fd = openReplacement(f.path, old[i], temp);
        int code = writeAll(fd, f.bytes);
        if (code != 0)
            ::close(fd);
        else
            code = syncAndClose(fd);
        if (code != 0)
            fail(code, writing(f.path));
    }
    for (size_t i = 0; i < files_.size(); ++i) {
        if (std::rename(undo.temporaries[i].c_str(), files_[i].path.c_str()) != 0)
            failWriting(files_[i].path);
        undo.temporaries[i].clear();
    }
    undo.directories.clear();
    for (const std::string& dir : dirs)
        syncDirectory(dir);
}

void writeFileAtomically(const std::string& path, const std::string& bytes)
{
    FileCommit commit;
    commit.add(path, bytes);
    commit.commit();
}

StreamedFile::StreamedFile(std::string path)
    : path_(std::move(path))
{
    const std::optional<struct stat> old = checkTarget(path_);
    removeStaleTemporaries(directoryOf(path_));
    fd_ = openReplacement(path_, old, temp_);
    buffer_.reserve(kGrowingBuffer);
}

StreamedFile::~StreamedFile()
{
    if (fd_ >= 0) {
        ::close(fd_);
        unlink(temp_.c_str());
    }
}

void StreamedFile::append(std::string_view bytes)
{
    if (buffer_.size() + bytes.size() > kGrowingBuffer)
        flush();
    buffer_ += bytes;
}

void StreamedFile::flush()
{
    const int code = writeAll(fd_, buffer_);
    buffer_.clear();
    if (code != 0)
        fail(code, writing(path_));
}

void StreamedFile::commit()
{
    flush();
    int code = syncAndClose(std::exchange(fd_, -1));
    if (code == 0 && std::rename(temp_.c_str(), path_.c_str()) != 0)
        code = errno;
    if (code != 0) {
        unlink(temp_.c_str());
        fail(code, writing(path_));
    }
    syncDirectory(directoryOf(path_));
}

GrowingFile::~GrowingFile()
{
    // A run that ends in an error keeps the lines before it; the error
    // being reported already, a failure here has nowhere to go.
    if (fd_ >= 0) {
        writeAll(fd_, buffer_);
        ::close(fd_);
    }
}

void GrowingFile::open(const std::string& path)
{
    if (fd_ >= 0)
        ::close(fd_);
    path_ = path;
    buffer_.clear();
    size_ = 0;
    // Never through a link planted under the file's name in a shared folder.
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        const int code = errno;
        fail(code, writing(path), code == ELOOP ? "it is a symbolic link, which is never written through" : "");
    }
    buffer_.reserve(kGrowingBuffer);
}

void GrowingFile::append(std::string_view bytes)
{
    // Flushed before it would grow: the step loop allocates nothing.
    if (buffer_.size() + bytes.size() > buffer_.capacity())
        flush();
    buffer_ += bytes;
    size_ += static_cast<long long>(bytes.size());
}

void GrowingFile::flush()
{
    const int code = writeAll(fd_, buffer_);
    buffer_.clear();
    if (code != 0)
        fail(code, writing(path_));
}

void GrowingFile::truncate(long long size)
{
    flush();
    if (ftruncate(fd_, size) != 0 || lseek(fd_, size, SEEK_SET) != size)
        failWriting(path_);
    size_ = size;
}

void GrowingFile::close()
{
    if (fd_ < 0)
        return;
    int code = writeAll(fd_, buffer_);
    buffer_.clear();
    if (::close(std::exchange(fd_, -1)) != 0 && code == 0)
        code = errno;
    if (code != 0)
        fail(code, writing(path_));
}

} // namespace torv
