#include "files/atomicfile.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>
#include <set>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fault/faults.h"

namespace torv {

namespace {

constexpr std::string_view kTempPrefix = ".torv-";
constexpr std::string_view kTempSuffix = ".tmp";
// A commit's record of its files, and an old file kept until the commit is
// through; neither is ever taken for a stale temporary file.
constexpr std::string_view kJournalSuffix = ".journal";
constexpr std::string_view kKeptSuffix = ".old";
// A journal's first byte: the commit is under way (undone if it was killed),
// or through (its old files are only to be removed).
constexpr char kUnderWay = 'U';
constexpr char kThrough = 'T';
constexpr std::string_view kJournalHeading = " torv commit\n";
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
    // What the rename will ask: in a folder with the sticky bit only the
    // file's owner, the folder's owner or root may replace a file.
    struct stat dir;
    if (stat(directoryOf(path).c_str(), &dir) == 0 && (dir.st_mode & S_ISVTX) != 0 && geteuid() != 0
        && info.st_uid != geteuid() && dir.st_uid != geteuid())
        fail(EPERM, writing(path), "another user owns it, in a folder where only a file's owner may replace it");
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

// A new name of ours beside `path`, ending in `suffix`.
std::string ourName(const std::string& path, std::string_view suffix)
{
    std::string letters(kTempRandom, ' ');
    randomLetters(letters.data(), kTempRandom);
    std::string name = directoryPrefix(path);
    name += kTempPrefix;
    name += letters;
    name += suffix;
    return name;
}

bool isOurName(std::string_view name, std::string_view suffix)
{
    if (name.size() != kTempPrefix.size() + kTempRandom + suffix.size() || !name.starts_with(kTempPrefix)
        || !name.ends_with(suffix))
        return false;
    const std::string_view letters = name.substr(kTempPrefix.size(), kTempRandom);
    return letters.find_first_not_of(kLetters) == std::string_view::npos;
}

// Creates a new temporary file beside `path` and names it in `name`. O_EXCL
// never opens what is already there (a planted link, a stale file).
int createTemporary(const std::string& path, int mode, std::string& name)
{
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        name = ourName(path, kTempSuffix);
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

// Whether commits sync (syncEachCommit).
bool syncingEachCommit = true;

// Syncs and closes a replacement; 0, or the errno of the first that
// failed. A file system that cannot sync (EINVAL) has nothing to do.
int syncAndClose(int fd)
{
    int code = syncingEachCommit && fsync(fd) != 0 && errno != EINVAL ? errno : 0;
    if (::close(fd) != 0 && code == 0)
        code = errno;
    return code;
}

// Makes the renames survive a power cut. A file system that cannot sync a
// directory (EINVAL) has nothing more to do.
void syncDirectory(const std::string& dir)
{
    if (!syncingEachCommit)
        return;
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

// Where a file is.
struct FileId {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator==(const FileId&) const = default;
};

std::optional<FileId> idOf(const std::string& path)
{
    struct stat info;
    if (lstat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileId { info.st_dev, info.st_ino };
}

// One file of a commit as its journal records it: the target; the name
// that keeps its old file while the commit runs ("" for a new target); the
// new file's temporary name; the old file and the new one.
struct JournalEntry {
    std::string target;
    std::string kept;
    std::string temporary;
    FileId oldFile, newFile;
};

// Puts the old file of `e` back in its place, or removes the target the
// commit created, and removes the new file. Every step looks first, so
// that an undo may run again after a kill; false if a step failed.
bool undo(const JournalEntry& e)
{
    bool ok = true;
    const std::optional<FileId> target = idOf(e.target);
    if (!e.kept.empty()) {
        if (idOf(e.kept) == e.oldFile)
            ok = (target == e.oldFile ? unlink(e.kept.c_str()) : std::rename(e.kept.c_str(), e.target.c_str())) == 0;
    } else if (target == e.newFile) {
        ok = unlink(e.target.c_str()) == 0;
    }
    if (idOf(e.temporary) == e.newFile)
        ok = unlink(e.temporary.c_str()) == 0 && ok;
    return ok;
}

// Removes the old file a commit that got through kept.
bool finish(const JournalEntry& e)
{
    return e.kept.empty() || idOf(e.kept) != e.oldFile || unlink(e.kept.c_str()) == 0;
}

std::string idText(const FileId& id)
{
    return std::to_string(id.dev) + ' ' + std::to_string(id.ino);
}

// The journal's text: its state, then the entries' names and files, each
// field ended by a NUL (a file name may hold any other byte).
std::string journalText(const std::vector<JournalEntry>& entries)
{
    std::string text(kJournalHeading);
    text[0] = kUnderWay;
    for (const JournalEntry& e : entries) {
        for (const std::string* field : { &e.target, &e.kept, &e.temporary })
            text.append(*field).push_back('\0');
        text.append(idText(e.oldFile) + ' ' + idText(e.newFile)).push_back('\0');
    }
    return text;
}

std::optional<std::vector<JournalEntry>> readJournal(const std::string& text)
{
    if (text.size() < kJournalHeading.size() || text.compare(1, kJournalHeading.size() - 1, kJournalHeading.substr(1)))
        return std::nullopt;
    std::vector<std::string> fields;
    for (size_t at = kJournalHeading.size(); at < text.size();) {
        const size_t end = text.find('\0', at);
        if (end == std::string::npos)
            return std::nullopt;
        fields.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    if (fields.size() % 4 != 0)
        return std::nullopt;
    std::vector<JournalEntry> entries;
    for (size_t i = 0; i < fields.size(); i += 4) {
        JournalEntry& e = entries.emplace_back();
        e.target = fields[i];
        e.kept = fields[i + 1];
        e.temporary = fields[i + 2];
        unsigned long long n[4];
        if (e.target.empty() || e.temporary.empty()
            || std::sscanf(fields[i + 3].c_str(), "%llu %llu %llu %llu", &n[0], &n[1], &n[2], &n[3]) != 4)
            return std::nullopt;
        e.oldFile = { static_cast<dev_t>(n[0]), static_cast<ino_t>(n[1]) };
        e.newFile = { static_cast<dev_t>(n[2]), static_cast<ino_t>(n[3]) };
    }
    return entries;
}

std::string readAll(int fd)
{
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return text;
        text.append(buffer, static_cast<size_t>(n));
    }
}

// A name as the journal keeps it: whatever the working directory of the
// run that reads it.
std::string absolutePath(const std::string& path)
{
    if (path.starts_with('/'))
        return path;
    char* cwd = getcwd(nullptr, 0);
    if (!cwd)
        failWriting(path);
    std::string full = cwd;
    std::free(cwd);
    return full + (full.ends_with('/') ? "" : "/") + path;
}

// The record of a commit of several files, beside its first target, locked
// while the commit runs: a run killed on the way leaves it unlocked, and the
// next commit in that folder undoes what it did, or finishes it once every
// rename was done.
class Journal {
public:
    ~Journal()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }

    // Throws IoError naming `target` (the first target), with nothing left.
    void open(const std::string& target, const std::vector<JournalEntry>& entries)
    {
        std::string temp;
        fd_ = createTemporary(target, 0600, temp);
        int code = fd_ < 0 ? errno : 0;
        // Locked before it has its name, so that no one sees it unlocked.
        if (code == 0 && flock(fd_, LOCK_EX) != 0)
            code = errno;
        if (code == 0)
            code = writeAll(fd_, journalText(entries));
        if (code == 0 && fsync(fd_) != 0 && errno != EINVAL)
            code = errno;
        if (code == 0) {
            name_ = ourName(target, kJournalSuffix);
            if (std::rename(temp.c_str(), name_.c_str()) != 0)
                code = errno;
        }
        if (code != 0) {
            if (fd_ >= 0)
                unlink(temp.c_str());
            name_.clear();
            fail(code, writing(target));
        }
        try {
            syncDirectory(directoryOf(target));
        } catch (...) {
            remove();
            throw;
        }
    }

    // The commit is through: after a kill from here on, its new files stay.
    bool markThrough() { return pwrite(fd_, &kThrough, 1, 0) == 1 && (fdatasync(fd_) == 0 || errno == EINVAL); }

    bool remove() { return unlink(name_.c_str()) == 0; }

private:
    int fd_ = -1;
    std::string name_;
};

// Undoes, or finishes, the commits that a killed run of either program left
// in `dir`; a journal another process holds locked is a commit still running.
void recoverInterruptedCommits(const std::string& dir)
{
    std::vector<std::string> journals;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d))
            if (isOurName(e->d_name, kJournalSuffix))
                journals.push_back(dir + "/" + e->d_name);
        closedir(d);
    }
    for (const std::string& name : journals) {
        const int fd = ::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat held;
        // Still ours and still there once locked: a commit that got through
        // meanwhile has removed it.
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &held) == 0 && S_ISREG(held.st_mode)
            && held.st_uid == geteuid() && idOf(name) == FileId { held.st_dev, held.st_ino }) {
            const std::string text = readAll(fd);
            if (const auto entries = readJournal(text)) {
                bool ok = true;
                for (auto e = entries->rbegin(); e != entries->rend(); ++e)
                    ok = (text[0] == kThrough ? finish(*e) : undo(*e)) && ok;
                if (ok)
                    unlink(name.c_str());
            }
        }
        ::close(fd);
    }
}

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
    return isOurName(name, kTempSuffix);
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

void syncEachCommit(bool on)
{
    syncingEachCommit = on;
}

void syncFileSystem(const std::string& path)
{
    const int fd = ::open(path.empty() ? "." : path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        failWriting(path);
    const int code = syncfs(fd) == 0 ? 0 : errno;
    ::close(fd);
    if (code != 0)
        fail(code, writing(path));
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

namespace {

// Throws IoError when two of `paths` name one file.
void checkDistinctTargets(const std::vector<std::string>& paths)
{
    // The folder as a file, and the name in it: a folder reached under two
    // names (a link, "a/../a") is one folder.
    std::vector<std::pair<FileId, std::string>> seen;
    for (const std::string& path : paths) {
        struct stat dir;
        if (stat(directoryOf(path).c_str(), &dir) != 0)
            failWriting(path);
        const std::string name = path.substr(directoryPrefix(path).size());
        const std::pair<FileId, std::string> id { FileId { dir.st_dev, dir.st_ino }, name };
        for (size_t k = 0; k < seen.size(); ++k)
            if (seen[k] == id)
                fail(EINVAL, writing(path), "it is the same file as " + paths[k]);
        seen.push_back(id);
    }
}

// Renames every entry's new file over its target, all of them or none.
// Throws IoError naming the target that failed.
void replaceAll(const std::vector<JournalEntry>& entries, const FileCommit::Rename& renameFile)
{
    auto rename = [&](const std::string& from, const std::string& to) {
        return renameFile ? renameFile(from.c_str(), to.c_str()) : std::rename(from.c_str(), to.c_str());
    };
    if (entries.size() == 1) {
        // One rename is all or nothing by itself.
        if (rename(entries[0].temporary, entries[0].target) != 0)
            failWriting(entries[0].target);
        return;
    }
    std::vector<JournalEntry> record = entries;
    for (JournalEntry& e : record)
        for (std::string* name : { &e.target, &e.kept, &e.temporary })
            if (!name->empty())
                *name = absolutePath(*name);
    Journal journal;
    journal.open(entries[0].target, record);
    // Every old file is kept under a second name before the first rename: a
    // hard link, or where the file system has none the file itself moved.
    int code = 0;
    std::string failed;
    for (const JournalEntry& e : entries) {
        if (!e.kept.empty() && link(e.target.c_str(), e.kept.c_str()) != 0
            && (errno == EEXIST || std::rename(e.target.c_str(), e.kept.c_str()) != 0)) {
            code = errno;
            failed = e.target;
            break;
        }
    }
    for (size_t i = 0; code == 0 && i < entries.size(); ++i) {
        if (rename(entries[i].temporary, entries[i].target) != 0) {
            code = errno;
            failed = entries[i].target;
        }
    }
    if (code == 0 && !journal.markThrough()) {
        code = errno;
        failed = entries[0].target;
    }
    if (code != 0) {
        bool ok = true;
        for (auto e = entries.rbegin(); e != entries.rend(); ++e)
            ok = undo(*e) && ok;
        // A journal left behind lets the next commit here try again.
        if (ok)
            journal.remove();
        fail(code, writing(failed));
    }
    for (const JournalEntry& e : entries)
        finish(e);
    journal.remove();
}

} // namespace

void FileCommit::setRename(Rename rename)
{
    rename_ = std::move(rename);
}

void FileCommit::commit()
{
    std::set<std::string> dirs;
    for (const Entry& f : files_)
        dirs.insert(directoryOf(f.path));
    // Until a killed commit is undone, its targets may be missing or have a
    // second link.
    for (const std::string& dir : dirs)
        recoverInterruptedCommits(dir);
    std::vector<std::optional<struct stat>> old;
    for (const Entry& f : files_)
        old.push_back(checkTarget(f.path));
    Undo undo;
    if (!dir_.empty())
        undo.directories = makeDirectories(dir_);
    std::vector<std::string> paths;
    for (const Entry& f : files_)
        paths.push_back(f.path);
    checkDistinctTargets(paths);
    for (const std::string& dir : dirs)
        removeStaleTemporaries(dir);

    std::vector<JournalEntry> entries;
    for (size_t i = 0; i < files_.size(); ++i) {
        const Entry& f = files_[i];
        std::string& temp = undo.temporaries.emplace_back();
        const int fd = openReplacement(f.path, old[i], temp);
        struct stat made { };
        int code = fstat(fd, &made) == 0 ? writeAll(fd, f.bytes) : errno;
        if (code != 0)
            ::close(fd);
        else
            code = syncAndClose(fd);
        if (code != 0)
            fail(code, writing(f.path));
        JournalEntry& e = entries.emplace_back();
        e.target = f.path;
        e.temporary = temp;
        e.newFile = { made.st_dev, made.st_ino };
        if (old[i]) {
            e.kept = ourName(f.path, kKeptSuffix);
            e.oldFile = { old[i]->st_dev, old[i]->st_ino };
        }
    }
    replaceAll(entries, rename_);
    undo.temporaries.clear();
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
