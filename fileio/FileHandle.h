// The file helpers every user of a descriptor needs: a descriptor closed
// when its owner goes, read and write loops that go on after EINTR and
// short writes, and the text of an errno value.
//
// Failures are told the C way, the same in every function: one that can
// fail returns 0 or the errno value of the call that failed. Nothing here
// throws but describeError, which allocates.
#ifndef RORIRER_FILEIO_FILEHANDLE_H
#define RORIRER_FILEIO_FILEHANDLE_H

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

// One read(2), retried on EINTR: 0 with `got` set to the bytes read (0 at
// the end of the input), or the errno of the read that failed.
int readSome(int fd, char* buffer, std::size_t size, std::size_t& got) noexcept;
// Writes all of `size` bytes, going on after short writes and EINTR: 0, or
// the errno of the write that failed (EIO for one that took nothing).
int writeAll(int fd, const char* data, std::size_t size) noexcept;

// "WHAT: the system's text for `error`".
std::string describeError(const std::string& what, int error);

}  // namespace rorirer

#endif  // RORIRER_FILEIO_FILEHANDLE_H
