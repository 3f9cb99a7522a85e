// Writing a whole file so that readers see either the old file or the
// complete new one, never a part, and so that nobody sharing the directory
// can redirect the write: the bytes go to a freshly created file of a
// unique name beside the target, reach the disk, and then replace the target
// by a rename.
#pragma once

#include <string>

namespace torv {

// Writes `bytes` to `path` (relative to the working directory or absolute)
// with mode 0644 less the umask. An existing `path` must be a regular file
// the user may write, as for a direct write. Throws IoError(errno) on any
// failure; the old file is then unchanged and no temporary file is left.
void writeFileAtomically(const std::string& path, const std::string& bytes);

// The same in two phases, for a caller that must know a file can be written
// before it changes anything else: the constructor checks the target and
// creates the temporary file, commit() puts it in place. Each step throws
// IoError(errno); a file not committed is removed, and the target stays as
// it was.
class PendingFile {
public:
    explicit PendingFile(const std::string& path);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // The temporary file, for a writer that wants a file name.
    const std::string& tempPath() const { return temp_; }
    // Replaces the temporary file's contents by `bytes`.
    void write(const std::string& bytes);
    // Brings the contents to the disk and renames the file to the target.
    void commit();

private:
    std::string path_;
    std::string temp_;
    int fd_ = -1;
    bool committed_ = false;
};

} // namespace torv
