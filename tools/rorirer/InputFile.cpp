#include "InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "ToolError.h"

namespace rorirer {
namespace {

constexpr size_t kChunkSize = 1 << 16;

}  // namespace

InputFile::InputFile(const std::string& path, bool mayBeEmpty, Kind kind)
    : mayBeEmpty_(mayBeEmpty) {
    const bool regularOnly = kind == Kind::kRegular;
    if (path == "-") {
        name_ = "standard input";
        fd_ = STDIN_FILENO;
    } else {
        name_ = path;
        const int flags = O_RDONLY | O_CLOEXEC | (regularOnly ? O_NONBLOCK : 0);
        owned_ = FileHandle(::open(path.c_str(), flags));
        if (!owned_.isOpen()) throw ToolError(describeError(name_, errno));
        fd_ = owned_.get();
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0) throw ToolError(describeError(name_, errno));
    if (S_ISDIR(info.st_mode)) throw ToolError(name_ + ": is a directory");
    if (S_ISREG(info.st_mode)) size_ = static_cast<long long>(info.st_size);
    if (!regularOnly) return;
    if (!S_ISREG(info.st_mode))
        throw ToolError(name_ + ": not a regular file; a dictionary must be one");
    // Reads of the file opened then wait for the disk as usual.
    if (owned_.isOpen()) {
        const int status = ::fcntl(fd_, F_GETFL);
        if (status == -1 || ::fcntl(fd_, F_SETFL, status & ~O_NONBLOCK) != 0)
            throw ToolError(describeError(name_, errno));
    }
}

bool InputFile::readChunk(std::vector<char>& chunk) {
    chunk.resize(kChunkSize);
    const size_t got = readInto(chunk.data(), chunk.size());
    chunk.resize(got);
    return got > 0;
}

void InputFile::readAll(std::string& bytes, std::size_t limit) {
    const auto tooLarge = [&] {
        return ToolError(name_ + ": too large: more than " + std::to_string(limit) +
                         " bytes, the most a word list may hold");
    };
    if (size_ > 0 && static_cast<unsigned long long>(size_) > limit) throw tooLarge();
    // The size announced is reserved, which takes no memory until written,
    // and filled a chunk at a time: a NUL or a read error stops the reading
    // with no more taken than was read.
    const std::size_t start = bytes.size();
    if (size_ > 0) bytes.reserve(start + static_cast<std::size_t>(size_));
    std::vector<char> chunk;
    while (readChunk(chunk)) {
        if (chunk.size() > limit - (bytes.size() - start)) throw tooLarge();
        bytes.append(chunk.data(), chunk.size());
    }
}

size_t InputFile::readInto(char* into, size_t room) {
    if (nulSeen_) throwBinaryData();
    size_t got = 0;
    if (const int error = readSome(fd_, into, room, got))
        throw ToolError(describeError(name_, error));
    if (got == 0) {
        if (bytesRead_ == 0 && !mayBeEmpty_) throw ToolError(name_ + ": empty input");
        return 0;
    }
    if (const void* nul = std::memchr(into, 0, got)) {
        // The bytes before the NUL are handed out first and the next read
        // fails, so that every line before the bad one gets its answer
        // whatever the size of the reads.
        got = static_cast<size_t>(static_cast<const char*>(nul) - into);
        nulSeen_ = true;
        if (got == 0) throwBinaryData();
    }
    bytesRead_ += static_cast<long long>(got);
    return got;
}

void InputFile::throwBinaryData() const {
    throw ToolError(name_ + ": binary data (NUL byte at offset " + std::to_string(bytesRead_) +
                    ")");
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
