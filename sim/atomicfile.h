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

} // namespace torv
