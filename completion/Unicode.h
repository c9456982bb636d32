// How the completion layer reads text: UTF-8, one character per well-formed
// sequence, and any other byte a character of its own, so text in another
// encoding (Latin-1, say) keeps its words and is never damaged.
//
// Also the text functions hosts need around completion: normalization to
// NFC, the width of a string on a terminal, and grapheme boundaries.
#ifndef RORIRER_COMPLETION_UNICODE_H
#define RORIRER_COMPLETION_UNICODE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rorirer {

// One character of a text.
struct Character {
    // The code point, or the byte itself when `wellFormed` is false.
    char32_t value = 0;
    // Bytes taken from the text: 1 to 4, 0 only at the end of the text.
    std::uint8_t length = 0;
    bool wellFormed = false;
};

// Bytes a well-formed sequence led by `lead` takes; 0 for a byte that leads
// none (a continuation byte, 0xC0, 0xC1, 0xF5 to 0xFF).
inline int utf8SequenceLength(std::uint8_t lead) noexcept {
    if (lead < 0x80) return 1;
    if (lead < 0xC2) return 0;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    if (lead < 0xF5) return 4;
    return 0;
}

// Whether `next` may stand at place `index` (1 to 3) of a sequence led by
// `lead`. Overlong forms, surrogates and code points past U+10FFFF are not
// well-formed, exactly as utf8proc_iterate decides.
inline bool utf8Continues(std::uint8_t lead, int index, std::uint8_t next) noexcept {
    if (next < 0x80 || next > 0xBF) return false;
    if (index != 1) return true;
    switch (lead) {
        case 0xE0:
            return next >= 0xA0;
        case 0xED:
            return next <= 0x9F;
        case 0xF0:
            return next >= 0x90;
        case 0xF4:
            return next <= 0x8F;
        default:
            return true;
    }
}

// The character that starts at byte `at` of `text` (`at` < text.size()).
inline Character decodeCharacter(std::string_view text, std::size_t at) noexcept {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(at);
    const int length = utf8SequenceLength(lead);
    if (length == 1) return {lead, 1, true};
    if (length == 0 || at + static_cast<std::size_t>(length) > text.size()) return {lead, 1, false};
    char32_t value = lead & (0xFFu >> (length + 1));
    for (int i = 1; i < length; ++i) {
        const std::uint8_t next = byte(at + static_cast<std::size_t>(i));
        if (!utf8Continues(lead, i, next)) return {lead, 1, false};
        value = (value << 6) | (next & 0x3Fu);
    }
    return {value, static_cast<std::uint8_t>(length), true};
}

// Appends the UTF-8 form of a character (its byte when not well-formed).
void appendCharacter(std::string& out, const Character& character);

// The characters of `text`, as decodeCharacter() takes them one by one.
std::size_t characterCount(std::string_view text) noexcept;

// True when every byte of `text` belongs to a well-formed sequence.
bool isWellFormedUtf8(std::string_view text) noexcept;

// True when `text` is in NFC without a doubt, found without normalizing it:
// every well-formed character is below U+0300, where no character
// decomposes or combines (which covers the Latin scripts). False says
// nothing: toNfc() must decide.
bool isKnownNfc(std::string_view text) noexcept;

// `text` in Unicode normalization form C. Each run of well-formed text is
// normalized on its own; other bytes stay as they are, where they are.
// Throws std::bad_alloc.
std::string toNfc(std::string_view text);

// Columns `text` takes on a terminal: utf8proc_charwidth per code point (wide
// characters two, combining marks none), one for a byte that is not part of
// a well-formed sequence.
int displayWidth(std::string_view text) noexcept;

// Whether a grapheme cluster may end between `before` and `after`, as
// utf8proc_grapheme_break_stateful decides, carrying `state` (start at 0)
// along one text. A byte that is not well-formed stands alone: there is a
// break on both sides of it.
bool isGraphemeBreak(const Character& before, const Character& after, std::int32_t& state) noexcept;

// The largest p <= `at` at which `text` may be cut without ending inside a
// code point or a grapheme cluster, judging by `text` alone (the end of the
// text always qualifies).
std::size_t graphemeBoundaryAtOrBefore(std::string_view text, std::size_t at) noexcept;

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_UNICODE_H
