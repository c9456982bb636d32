// Replacing a file so that a crash or a kill at any moment leaves either the
// old file or the new one, whole; and the lock that keeps two writers of one
// file from interleaving their read-change-write cycles.
#ifndef RORIRER_PERSONAL_INTERNAL_ATOMICFILE_H
#define RORIRER_PERSONAL_INTERNAL_ATOMICFILE_H

#include <functional>
#include <string>

#include "fileio/FileHandle.h"
#include "personal/ListStatus.h"

namespace rorirer {

// Takes an exclusive flock on `lockPath` (created with mode 0600 if need be)
// into `lock`; it is released when `lock` closes. Waits at most a few
// seconds for another holder, then gives up.
ListStatus lockFile(const std::string& lockPath, FileHandle& lock);

// Writes `path` anew: `write` fills a temporary file beside it (given its
// descriptor and its name, for messages), which is synced, given the old
// file's mode (0600 for a new one) and renamed over `path`; then the folder
// is synced. A failure leaves the old file (or none) in place, untouched,
// except when only that last sync failed: the new file is then in place,
// though the rename may not survive a crash. The temporary file never
// outlives a failure short of a kill. The caller holds the lock that makes
// the temporary file's name its own.
ListStatus replaceFile(const std::string& path,
                       const std::function<ListStatus(int fd, const std::string& name)>& write);

}  // namespace rorirer

#endif  // RORIRER_PERSONAL_INTERNAL_ATOMICFILE_H
