#include "lsp/PositionEncoding.h"

#include <algorithm>

namespace rorirer::lsp {
namespace {

bool inRange(unsigned char byte, unsigned low, unsigned high) {
    return byte >= low && byte <= high;
}

// One code point at `at`: its length in bytes and in units of `encoding`.
struct Step {
    std::size_t bytes;
    unsigned units;
};

Step stepAt(std::string_view line, std::size_t at, PositionEncoding encoding) {
    if (static_cast<unsigned char>(line[at]) < 0x80) return {1, 1};
    const std::size_t length = wellFormedLength(line.substr(at));
    if (length == 0) return {1, 1};
    if (encoding == PositionEncoding::kUtf8) return {length, static_cast<unsigned>(length)};
    // Only code points above U+FFFF, the four-byte sequences, take a
    // surrogate pair.
    return {length, encoding == PositionEncoding::kUtf16 && length == 4 ? 2u : 1u};
}

// `byte` moved back to the start of the well-formed sequence that holds it.
// A lead byte is never a continuation byte, so one found within three bytes
// back whose sequence reaches `byte` starts the code point.
std::size_t snapToCodePoint(std::string_view line, std::size_t byte) {
    for (std::size_t back = 1; back <= 3 && back <= byte; ++back) {
        const unsigned char lead = static_cast<unsigned char>(line[byte - back]);
        if (lead < 0xC2) continue;
        if (wellFormedLength(line.substr(byte - back)) > back) return byte - back;
        break;
    }
    return byte;
}

}  // namespace

const char* encodingName(PositionEncoding encoding) {
    switch (encoding) {
        case PositionEncoding::kUtf8:
            return "utf-8";
        case PositionEncoding::kUtf32:
            return "utf-32";
        case PositionEncoding::kUtf16:
            break;
    }
    return "utf-16";
}

std::size_t wellFormedLength(std::string_view text) {
    if (text.empty()) return 0;
    const unsigned char lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) return 1;
    std::size_t length;
    unsigned secondLow = 0x80;
    unsigned secondHigh = 0xBF;
    if (inRange(lead, 0xC2, 0xDF)) {
        length = 2;
    } else if (inRange(lead, 0xE0, 0xEF)) {
        length = 3;
        if (lead == 0xE0) secondLow = 0xA0;
        if (lead == 0xED) secondHigh = 0x9F;  // no surrogates
    } else if (inRange(lead, 0xF0, 0xF4)) {
        length = 4;
        if (lead == 0xF0) secondLow = 0x90;
        if (lead == 0xF4) secondHigh = 0x8F;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    if (!inRange(static_cast<unsigned char>(text[1]), secondLow, secondHigh)) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!inRange(static_cast<unsigned char>(text[i]), 0x80, 0xBF)) return 0;
    return length;
}

std::size_t byteOfCharacter(std::string_view line, std::uint64_t character,
                            PositionEncoding encoding) {
    if (encoding == PositionEncoding::kUtf8) {
        if (character >= line.size()) return line.size();
        return snapToCodePoint(line, static_cast<std::size_t>(character));
    }
    std::uint64_t units = 0;
    std::size_t at = 0;
    while (at < line.size()) {
        const Step step = stepAt(line, at, encoding);
        if (units + step.units > character) return at;
        units += step.units;
        at += step.bytes;
    }
    return line.size();
}

std::uint64_t characterOfByte(std::string_view line, std::size_t byte, PositionEncoding encoding) {
    byte = std::min(byte, line.size());
    if (encoding == PositionEncoding::kUtf8) return snapToCodePoint(line, byte);
    std::uint64_t units = 0;
    std::size_t at = 0;
    while (at < byte) {
        const Step step = stepAt(line, at, encoding);
        if (at + step.bytes > byte) break;
        units += step.units;
        at += step.bytes;
    }
    return units;
}

}  // namespace rorirer::lsp
