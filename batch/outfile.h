// A file that appears complete or not at all: written under a temporary name
// in its own directory and renamed into place by commit(). Until then the
// file of that name, if any, stays as it was; an uncommitted one is removed.
#pragma once

#include <string>

namespace torv::batch {

class PendingFile {
public:
    // Creates the temporary file beside `path`; throws IoError(errno).
    explicit PendingFile(const std::string& path);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Where to write the contents.
    const std::string& tempPath() const { return temp_; }
    // Replaces the temporary file's contents by `text`.
    void write(const std::string& text);
    // Flushes it to the disk and renames it to the final name.
    void commit();

private:
    std::string path_;
    std::string temp_;
    bool committed_ = false;
};

} // namespace torv::batch
