// The program's one writer of files. Every byte goes out through write()
// with its result checked, and so do the sync and the close, so that a full
// disk or a short write is an error with its errno rather than a truncated
// file reported as written.
//
// Result files are replaced whole: their bytes go to new files of their own
// beside the targets (".torv-" and a random part, ".tmp"), reach the disk,
// and only then replace the targets by a rename. A target that is a
// symbolic link or has several hard links is refused, not replaced; a
// replaced file keeps its mode, and its owner and group where the process
// may set them.
//
// The files of one commit change together. Before the first rename a
// journal beside the first target (".journal", locked while the commit
// runs) records every file, and every old target is kept under a second
// name beside it (".old": a hard link, or the file itself moved where the
// file system has no hard links). A rename that fails puts every replaced
// target back; a commit killed on the way is undone, or finished once its
// renames were all done, by the next commit of either program that writes
// into the folder of its first target.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace torv {

// Files written together: all of them or none.
class FileCommit {
public:
    // `bytes` for `path` (relative to the working directory or absolute).
    void add(std::string path, std::string bytes);
    // Creates `dir` with its parents at the commit; those it creates are
    // removed again if the commit fails.
    void makeDirectory(std::string dir);
    // Writes every file to its temporary file, then renames them over their
    // targets. Undoes first what an interrupted commit left in those
    // directories, and removes the temporary files a killed run left there
    // (older than a few minutes, and the user's own). Throws IoError(errno)
    // naming the file; on failure no target has changed and no file of the
    // commit is left. Two names of one file (a folder reached through a
    // link) are refused.
    void commit();
    // The rename the commit calls (std::rename unless set), so that a test
    // can make one of them fail or stop the process there.
    using Rename = std::function<int(const char* from, const char* to)>;
    void setRename(Rename rename);

private:
    struct Entry {
        std::string path;
        std::string bytes;
    };
    std::vector<Entry> files_;
    std::string dir_;
    Rename rename_;
};

// A commit of one file.
void writeFileAtomically(const std::string& path, const std::string& bytes);

// Durability: whether a commit (FileCommit, StreamedFile) syncs its files
// and their directories to the disk before it returns (true, the default),
// or leaves that to the system or to a later syncFileSystem(). Either way a
// file replaces its target whole, by a rename.
void syncEachCommit(bool on);
// Syncs the file system that holds `path` (a file or a directory) at once.
// Throws IoError(errno) naming `path`.
void syncFileSystem(const std::string& path);

// Creates `dir` and its missing parents; returns those it created, outermost
// first. Throws IoError(errno) naming the directory.
std::vector<std::string> makeDirectories(const std::string& dir);
// Removes, innermost first, those of `dirs` that are empty.
void removeEmptyDirectories(const std::vector<std::string>& dirs);

// Writes every byte of `bytes` to `fd`, again after an interrupted or a
// short write; 0, or the errno of the write that failed. On a socket
// (`socket`), a reader that is gone is EPIPE rather than a signal.
int writeAll(int fd, std::string_view bytes, bool socket = false);

// Whether `name` (without directory) is one of our temporary files.
bool isTemporaryName(std::string_view name);

// A result file too large to hold, written as it grows and replacing its
// target whole, as a FileCommit of one file would: its bytes go to a
// temporary file beside the target, which takes the target's place only at
// commit(), and is removed if it never does. Throws IoError(errno) naming
// the file.
class StreamedFile {
public:
    explicit StreamedFile(std::string path);
    ~StreamedFile();
    StreamedFile(const StreamedFile&) = delete;
    StreamedFile& operator=(const StreamedFile&) = delete;

    void append(std::string_view bytes);
    void commit();

private:
    void flush();

    std::string path_;
    std::string temp_;
    int fd_ = -1;
    std::string buffer_;
};

// A file written as it grows, such as the step log: created anew (an
// existing one emptied in place), never through a symbolic link; writes are
// gathered and every one that reaches the file is checked, and the close.
// Throws IoError(errno) naming the file. The destructor writes what is
// gathered without a check: it runs when an error is on its way already.
class GrowingFile {
public:
    GrowingFile() = default;
    ~GrowingFile();
    GrowingFile(const GrowingFile&) = delete;
    GrowingFile& operator=(const GrowingFile&) = delete;

    void open(const std::string& path);
    bool isOpen() const { return fd_ >= 0; }
    void append(std::string_view bytes);
    // Bytes appended since open().
    long long size() const { return size_; }
    // Drops everything after the first `size` bytes.
    void truncate(long long size);
    void close();

private:
    void flush();

    int fd_ = -1;
    std::string path_;
    std::string buffer_;
    long long size_ = 0;
};

} // namespace torv
