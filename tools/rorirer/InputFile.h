// Reading a word source or a list of prefixes: a named file or standard
// input, read in chunks so that no input is held whole in memory.
//
// Every fault becomes a ToolError naming the input and the reason: a missing
// or unreadable file, a directory, an empty input, binary data (a NUL byte),
// lines longer than any word could sensibly be, and a word list too large
// to be read whole.
#ifndef RORIRER_TOOLS_INPUTFILE_H
#define RORIRER_TOOLS_INPUTFILE_H

#include <cstddef>
#include <string>
#include <vector>

#include "fileio/FileHandle.h"

namespace rorirer {

// Longest line (or word) accepted, from every source: far above any real
// word, far below what would make one query list megabytes per completion.
// The personal list holds words up to the same length.
constexpr size_t kMaxLineLength = 4096;

class InputFile {
public:
    // What a file may be. The language server reads only regular files its
    // client names: a pipe or a device may never end. The type is checked
    // on the file opened, which is opened without blocking, so that nothing
    // put at the path in the meantime can hang the open.
    enum class Kind { kAny, kRegular };

    // "-" is standard input. Throws ToolError when the file cannot be used.
    // An empty input is an error unless `mayBeEmpty`: a word source without
    // words is a mistake, a stream of prefixes without any is not.
    explicit InputFile(const std::string& path, bool mayBeEmpty = false, Kind kind = Kind::kAny);
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const std::string& name() const noexcept { return name_; }
    // Size in bytes of a regular file; -1 when unknown (a pipe, a terminal).
    long long size() const noexcept { return size_; }
    long long bytesRead() const noexcept { return bytesRead_; }

    // Fills `chunk` with the next bytes; false at the end of the input.
    // Throws on a read error, on a NUL byte (once the bytes before it have
    // been handed out) and, unless it may be, when the whole input was empty.
    bool readChunk(std::vector<char>& chunk);

    // Appends the rest of the input to `bytes`, with the checks of
    // readChunk(), and throws when it holds more than `limit` bytes: a
    // regular file is refused by its size before a byte is read. Memory is
    // taken as bytes arrive. On a throw, `bytes` holds what was read before.
    void readAll(std::string& bytes, std::size_t limit);

    // "NAME:LINE: " for messages about a place in the input.
    std::string where(long line) const;

private:
    size_t readInto(char* into, size_t room);
    [[noreturn]] void throwBinaryData() const;

    std::string name_;
    FileHandle owned_;  // a named file's; standard input is not ours to close
    int fd_ = -1;
    long long size_ = -1;
    long long bytesRead_ = 0;
    bool mayBeEmpty_;
    bool nulSeen_ = false;  // at offset bytesRead_
};

// Splits an input into lines (without "\n" or "\r\n"), refusing lines longer
// than kMaxLineLength with the line number in the message.
class LineReader {
public:
    explicit LineReader(InputFile& input) : input_(input) {}
    bool readLine(std::string& line);
    long lineNumber() const noexcept { return lineNumber_; }

private:
    InputFile& input_;
    std::vector<char> chunk_;
    size_t at_ = 0;
    bool ended_ = false;
    long lineNumber_ = 0;
};

}  // namespace rorirer

#endif  // RORIRER_TOOLS_INPUTFILE_H
