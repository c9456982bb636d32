// A plain model of a text document, to check the language server's
// documents against: the whole text in one string, cut into lines and
// counted in code units the slow and obvious way, with no line table and no
// shortcut shared with the server.
#ifndef RORIRER_TESTS_SUPPORT_TEXTMODEL_H
#define RORIRER_TESTS_SUPPORT_TEXTMODEL_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

enum class TextUnits { kUtf8, kUtf16, kUtf32 };

// Where each code point of `line` starts, in bytes and in `units`, and the
// line's end after the last. A byte that does not begin a well-formed
// sequence (decoded by value: no overlong form, no surrogate, nothing past
// U+10FFFF) is a code point of its own, one unit long.
struct CodePointStart {
    std::size_t byte;
    std::uint64_t character;
};
std::vector<CodePointStart> codePointStarts(std::string_view line, TextUnits units);

// The last code point start at or before the position; past the end, the
// end of the line.
std::size_t modelByteOfCharacter(std::string_view line, std::uint64_t character, TextUnits units);
std::uint64_t modelCharacterOfByte(std::string_view line, std::size_t byte, TextUnits units);

struct ModelLine {
    std::size_t offset;  // of its first byte in the text
    std::string text;    // without its line end
    std::string end;     // "\r\n", "\r", "\n", or empty for the last line
};
// CRLF, CR and LF each end a line; there is always one line more than
// there are line ends.
std::vector<ModelLine> splitModelLines(const std::string& text);

class TextModel {
public:
    explicit TextModel(std::string text) : text_(std::move(text)) {}

    const std::string& text() const { return text_; }
    std::vector<std::string> lineTexts() const;

    // The edit as the protocol means it: a line past the end is the end of
    // the text, a character past its line's end is the line's end, one
    // inside a code point is its start, and a reversed range is swapped.
    void replace(std::uint64_t startLine, std::uint64_t startCharacter, std::uint64_t endLine,
                 std::uint64_t endCharacter, const std::string& text, TextUnits units);
    void replaceAll(std::string text) { text_ = std::move(text); }

private:
    std::size_t offsetOf(const std::vector<ModelLine>& lines, std::uint64_t line,
                         std::uint64_t character, TextUnits units) const;

    std::string text_;
};

// Adds `delta` to the count of each word of `text`: a word is a maximal run
// of ASCII letters, digits, '_' and bytes from 0x80 up. Counts that reach
// zero are erased, so equal tallies compare equal.
void tallyWords(std::string_view text, long delta, std::map<std::string, long>& counts);

#endif  // RORIRER_TESTS_SUPPORT_TEXTMODEL_H
