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

InputFile::InputFile(const std::string& path, bool mayBeEmpty) : mayBeEmpty_(mayBeEmpty) {
    if (path == "-") {
        name_ = "standard input";
        fd_ = STDIN_FILENO;
    } else {
        name_ = path;
        owned_ = FileHandle(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!owned_.isOpen()) throw ToolError(describeError(name_, errno));
        fd_ = owned_.get();
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0) throw ToolError(describeError(name_, errno));
    if (S_ISDIR(info.st_mode)) throw ToolError(name_ + ": is a directory");
    if (S_ISREG(info.st_mode)) size_ = static_cast<long long>(info.st_size);
}

bool InputFile::readChunk(std::vector<char>& chunk) {
    chunk.resize(kChunkSize);
    const size_t got = readInto(chunk.data(), chunk.size());
    chunk.resize(got);
    return got > 0;
}

void InputFile::readAll(std::string& bytes) {
    if (size_ > 0) bytes.reserve(bytes.size() + static_cast<size_t>(size_));
    for (;;) {
        const size_t before = bytes.size();
        if (size_ >= 0 && bytesRead_ >= size_) {
            // All the file announced is in: a small read finds the end (or
            // what was appended since) without growing the string.
            char probe[4096];
            const size_t got = readInto(probe, sizeof probe);
            if (got == 0) return;
            bytes.append(probe, got);
            continue;
        }
        if (bytes.capacity() - before < kChunkSize)
            bytes.reserve(before + std::max(kChunkSize, before));
        bytes.resize(bytes.capacity());
        const size_t got = readInto(bytes.data() + before, bytes.size() - before);
        bytes.resize(before + got);
        if (got == 0) return;
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
