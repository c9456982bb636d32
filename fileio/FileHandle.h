// An open file descriptor that is closed when its owner goes, and the
// read and write loops every user of one needs.
#ifndef RORIRER_FILEIO_FILEHANDLE_H
#define RORIRER_FILEIO_FILEHANDLE_H

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace rorirer {

class FileHandle {
public:
    FileHandle() noexcept = default;
    explicit FileHandle(int fd) noexcept : fd_(fd) {}
    ~FileHandle() { reset(); }
    FileHandle(FileHandle&& other) noexcept : fd_(other.release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int get() const noexcept { return fd_; }
    bool isOpen() const noexcept { return fd_ >= 0; }
    int release() noexcept;
    // Closes now, ignoring the outcome: for descriptors only read from.
    void reset() noexcept;
    // Closes now; 0, or the errno of a failed close (which may report a
    // write the kernel could not complete).
    int close() noexcept;

private:
    int fd_ = -1;
};

// read(2) retried on EINTR: bytes read, 0 at the end, -1 with errno set.
ssize_t readSome(int fd, char* buffer, size_t size) noexcept;
// Writes all of `size` bytes, going on after short writes and EINTR.
// 0, or the errno of the write that failed.
int writeAll(int fd, const char* data, size_t size) noexcept;

// "WHAT: the system's text for `error`".
std::string describeError(const std::string& what, int error);

}  // namespace rorirer

#endif  // RORIRER_FILEIO_FILEHANDLE_H
