#include "personal/internal/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "fileio/UserFolders.h"

namespace rorirer {
namespace {

// A save holds the lock for one read and one write of the list; a holder
// that keeps it longer is stopped or stuck, and waiting on would hang the
// program.
constexpr std::chrono::seconds kLockPatience{10};
constexpr std::chrono::milliseconds kLongestPause{50};

constexpr mode_t kNewFileMode = 0600;

// Removes the temporary file unless the rename took it. Holds the name by
// reference: destroying the guard must not allocate.
class TemporaryGuard {
public:
    explicit TemporaryGuard(const std::string& path) noexcept : path_(path) {}
    ~TemporaryGuard() {
        if (armed_) ::unlink(path_.c_str());
    }
    TemporaryGuard(const TemporaryGuard&) = delete;
    TemporaryGuard& operator=(const TemporaryGuard&) = delete;
    void dismiss() noexcept { armed_ = false; }

private:
    const std::string& path_;
    bool armed_ = true;
};

// Takes the error as an argument, read before any message is built: building
// one allocates, which may change errno.
ListStatus fail(int error, const char* step, const std::string& name) {
    return ListStatus::systemFailure(error, step + name);
}

}  // namespace

ListStatus lockFile(const std::string& lockPath, FileHandle& lock) {
    FileHandle file(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kNewFileMode));
    if (!file.isOpen()) return fail(errno, "opening the lock ", lockPath);
    const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
    std::chrono::milliseconds pause{1};
    while (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return fail(errno, "locking ", lockPath);
        if (std::chrono::steady_clock::now() >= deadline) {
            return ListStatus::failure("another program has held the lock " + lockPath + " for " +
                                       std::to_string(kLockPatience.count()) + " seconds");
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, kLongestPause);
    }
    lock = std::move(file);
    return ListStatus();
}

ListStatus replaceFile(const std::string& path,
                       const std::function<ListStatus(int fd, const std::string& name)>& write) {
    const std::string temporary = path + ".tmp";
    const std::string folderPath = folderOf(path);
    mode_t mode = kNewFileMode;
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) mode = old.st_mode & 07777;

    // One left by a copy that was killed: under the lock no one else is
    // writing it.
    if (::unlink(temporary.c_str()) != 0 && errno != ENOENT) {
        return fail(errno, "removing the stale ", temporary);
    }
    FileHandle file(
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode));
    if (!file.isOpen()) return fail(errno, "creating ", temporary);
    TemporaryGuard guard(temporary);
    ListStatus written = write(file.get(), temporary);
    if (!written.ok()) return written;
    if (::fchmod(file.get(), mode) != 0) return fail(errno, "setting the mode of ", temporary);
    if (::fsync(file.get()) != 0) return fail(errno, "syncing ", temporary);
    if (const int error = file.close()) return fail(error, "closing ", temporary);
    // Opened before the rename, so that once the new file is in place
    // nothing can fail but the sync itself.
    FileHandle folder(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.isOpen()) return fail(errno, "opening the folder ", folderPath);
    if (::rename(temporary.c_str(), path.c_str()) != 0) return fail(errno, "renaming ", temporary);
    guard.dismiss();
    // Without this the rename may not survive a crash, though the data would.
    if (::fsync(folder.get()) != 0) return fail(errno, "syncing the folder ", folderPath);
    return ListStatus();
}

}  // namespace rorirer
