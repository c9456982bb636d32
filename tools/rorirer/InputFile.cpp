#include "InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ToolError.h"

namespace rorirer {
namespace {

constexpr size_t kChunkSize = 1 << 16;

}  // namespace

InputFile::InputFile(const std::string& path, bool mayBeEmpty) : mayBeEmpty_(mayBeEmpty) {
    if (path == "-") {
        name_ = "standard input";
        fd_ = STDIN_FILENO;
    } else {
        name_ = path;
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) throw ToolError(name_ + ": " + std::strerror(errno));
        ownsFd_ = true;
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        const int error = errno;
        if (ownsFd_) ::close(fd_);
        throw ToolError(name_ + ": " + std::strerror(error));
    }
    if (S_ISDIR(info.st_mode)) {
        if (ownsFd_) ::close(fd_);
        throw ToolError(name_ + ": is a directory");
    }
    if (S_ISREG(info.st_mode)) size_ = static_cast<long long>(info.st_size);
}

InputFile::~InputFile() {
    if (ownsFd_) ::close(fd_);
}

bool InputFile::readChunk(std::vector<char>& chunk) {
    chunk.resize(kChunkSize);
    ssize_t got;
    do {
        got = ::read(fd_, chunk.data(), chunk.size());
    } while (got < 0 && errno == EINTR);
    if (got < 0) throw ToolError(name_ + ": " + std::strerror(errno));
    chunk.resize(static_cast<size_t>(got));
    if (got == 0) {
        if (bytesRead_ == 0 && !mayBeEmpty_) throw ToolError(name_ + ": empty input");
        return false;
    }
    if (const void* nul = std::memchr(chunk.data(), 0, chunk.size())) {
        const long long offset = bytesRead_ + (static_cast<const char*>(nul) - chunk.data());
        throw ToolError(name_ + ": binary data (NUL byte at offset " + std::to_string(offset) +
                        ")");
    }
    bytesRead_ += got;
    return true;
}

std::string InputFile::where(long line) const { return name_ + ":" + std::to_string(line) + ": "; }

bool LineReader::readLine(std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
        if (at_ == chunk_.size()) {
            if (ended_ || !input_.readChunk(chunk_)) {
                ended_ = true;
                chunk_.clear();
                at_ = 0;
                if (!any) return false;
                break;
            }
            at_ = 0;
        }
        any = true;
        const char* start = chunk_.data() + at_;
        const size_t left = chunk_.size() - at_;
        const void* newline = std::memchr(start, '\n', left);
        const size_t take = newline != nullptr
                                ? static_cast<size_t>(static_cast<const char*>(newline) - start)
                                : left;
        if (line.size() + take > kMaxLineLength + 1) {
            throw ToolError(input_.where(lineNumber_ + 1) + "line longer than " +
                            std::to_string(kMaxLineLength) + " bytes");
        }
        line.append(start, take);
        at_ += take;
        if (newline != nullptr) {
            ++at_;
            break;
        }
    }
    ++lineNumber_;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kMaxLineLength) {
        throw ToolError(input_.where(lineNumber_) + "line longer than " +
                        std::to_string(kMaxLineLength) + " bytes");
    }
    return true;
}

}  // namespace rorirer
