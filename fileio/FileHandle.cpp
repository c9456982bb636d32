#include "fileio/FileHandle.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace rorirer {

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        reset();
        fd_ = other.release();
    }
    return *this;
}

int FileHandle::release() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void FileHandle::reset() noexcept {
    if (fd_ >= 0) ::close(release());
}

int FileHandle::close() noexcept {
    if (fd_ < 0) return 0;
    // Linux frees the descriptor even when close fails, so it is never
    // retried: the number may already belong to another file.
    return ::close(release()) == 0 ? 0 : errno;
}

int readSome(int fd, char* buffer, std::size_t size, std::size_t& got) noexcept {
    ssize_t count;
    do {
        count = ::read(fd, buffer, size);
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        got = 0;
        return errno;
    }
    got = static_cast<std::size_t>(count);
    return 0;
}

int writeAll(int fd, const char* data, std::size_t size) noexcept {
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        // A write that takes nothing without an error would loop forever.
        if (put == 0) return EIO;
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return 0;
}

std::string describeError(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

}  // namespace rorirer
