#include "WordChars.h"

#include "ToolError.h"

namespace rorirer {
namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

// Reads one character of a set, an escape included, and moves `at` past it.
unsigned char readSetChar(const std::string& written, size_t& at) {
    if (written[at] != '\\') return static_cast<unsigned char>(written[at++]);
    if (at + 1 >= written.size()) throw ToolError("--word-chars: '\\' at the end of the set");
    const char escaped = written[at + 1];
    if (escaped == 'x') {
        if (at + 3 >= written.size() || !isHexDigit(written[at + 2]) ||
            !isHexDigit(written[at + 3]))
            throw ToolError("--word-chars: '\\x' needs two hex digits");
        const int value = hexValue(written[at + 2]) * 16 + hexValue(written[at + 3]);
        at += 4;
        return static_cast<unsigned char>(value);
    }
    at += 2;
    return static_cast<unsigned char>(escaped);
}

}  // namespace

WordChars::WordChars() {
    for (int c = 'a'; c <= 'z'; ++c) set_.set(static_cast<size_t>(c));
    for (int c = 'A'; c <= 'Z'; ++c) set_.set(static_cast<size_t>(c));
    for (int c = '0'; c <= '9'; ++c) set_.set(static_cast<size_t>(c));
    set_.set('_');
    for (int c = 0x80; c <= 0xff; ++c) set_.set(static_cast<size_t>(c));
}

WordChars WordChars::parse(const std::string& written) {
    WordChars chars;
    chars.set_.reset();
    size_t at = 0;
    while (at < written.size()) {
        const unsigned char first = readSetChar(written, at);
        unsigned char last = first;
        if (at + 1 < written.size() && written[at] == '-') {
            ++at;
            last = readSetChar(written, at);
            if (last < first)
                throw ToolError("--word-chars: range '" + written.substr(0, at) +
                                "' runs backwards");
        }
        for (unsigned c = first; c <= last; ++c) chars.set_.set(c);
    }
    // NUL ends every string the store sees, so it can never be part of a word.
    chars.set_.reset(0);
    if (chars.set_.none()) throw ToolError("--word-chars: the set is empty");
    return chars;
}

std::string WordChars::breakCharacters() const {
    std::string breaks;
    for (unsigned c = 1; c < 256; ++c)
        if (!set_[c]) breaks.push_back(static_cast<char>(c));
    return breaks;
}

}  // namespace rorirer
