#include "TextModel.h"

#include <algorithm>
#include <utility>

namespace {

// The length of the well-formed sequence at `at`, or 0, found by decoding
// the value and checking it, not by a table of byte ranges.
std::size_t decodedLength(std::string_view text, std::size_t at) {
    const unsigned lead = static_cast<unsigned char>(text[at]);
    std::size_t length;
    if (lead < 0x80) return 1;
    if ((lead >> 5) == 0x6) {
        length = 2;
    } else if ((lead >> 4) == 0xE) {
        length = 3;
    } else if ((lead >> 3) == 0x1E) {
        length = 4;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    std::uint32_t value = lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned next = static_cast<unsigned char>(text[at + i]);
        if ((next >> 6) != 0x2) return 0;
        value = (value << 6) | (next & 0x3Fu);
    }
    static const std::uint32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < shortest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

bool isWordByte(unsigned char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= '0' && byte <= '9') || byte == '_' || byte >= 0x80;
}

}  // namespace

std::vector<CodePointStart> codePointStarts(std::string_view line, TextUnits units) {
    std::vector<CodePointStart> starts;
    std::uint64_t character = 0;
    std::size_t at = 0;
    while (at < line.size()) {
        starts.push_back({at, character});
        const std::size_t length = decodedLength(line, at);
        const std::size_t bytes = length == 0 ? 1 : length;
        if (units == TextUnits::kUtf8) {
            character += bytes;
        } else if (units == TextUnits::kUtf16 && length == 4) {
            character += 2;
        } else {
            character += 1;
        }
        at += bytes;
    }
    starts.push_back({line.size(), character});
    return starts;
}

std::size_t modelByteOfCharacter(std::string_view line, std::uint64_t character, TextUnits units) {
    std::size_t byte = 0;
    for (const CodePointStart& start : codePointStarts(line, units))
        if (start.character <= character) byte = start.byte;
    return byte;
}

std::uint64_t modelCharacterOfByte(std::string_view line, std::size_t byte, TextUnits units) {
    std::uint64_t character = 0;
    for (const CodePointStart& start : codePointStarts(line, units))
        if (start.byte <= byte) character = start.character;
    return character;
}

std::vector<ModelLine> splitModelLines(const std::string& text) {
    std::vector<ModelLine> lines;
    ModelLine current{0, "", ""};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            current.text += c;
            continue;
        }
        current.end =
            c == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? "\r\n" : std::string(1, c);
        i += current.end.size() - 1;
        lines.push_back(current);
        current = ModelLine{i + 1, "", ""};
    }
    lines.push_back(current);
    return lines;
}

std::vector<std::string> TextModel::lineTexts() const {
    std::vector<std::string> texts;
    for (const ModelLine& line : splitModelLines(text_)) texts.push_back(line.text);
    return texts;
}

std::size_t TextModel::offsetOf(const std::vector<ModelLine>& lines, std::uint64_t line,
                                std::uint64_t character, TextUnits units) const {
    if (line >= lines.size()) return text_.size();
    const ModelLine& at = lines[static_cast<std::size_t>(line)];
    return at.offset + modelByteOfCharacter(at.text, character, units);
}

void TextModel::replace(std::uint64_t startLine, std::uint64_t startCharacter,
                        std::uint64_t endLine, std::uint64_t endCharacter, const std::string& text,
                        TextUnits units) {
    const std::vector<ModelLine> lines = splitModelLines(text_);
    std::size_t from = offsetOf(lines, startLine, startCharacter, units);
    std::size_t to = offsetOf(lines, endLine, endCharacter, units);
    if (to < from) std::swap(from, to);
    text_.replace(from, to - from, text);
}

void tallyWords(std::string_view text, long delta, std::map<std::string, long>& counts) {
    std::size_t at = 0;
    while (at < text.size()) {
        if (!isWordByte(static_cast<unsigned char>(text[at]))) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && isWordByte(static_cast<unsigned char>(text[end]))) ++end;
        const std::string word(text.substr(at, end - at));
        if ((counts[word] += delta) == 0) counts.erase(word);
        at = end;
    }
}
