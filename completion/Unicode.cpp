#include "completion/Unicode.h"

#include <utf8proc.h>

#include <cstdlib>
#include <new>

namespace rorirer {
namespace {

// Runs of bytes that need no normalization pass: NFC leaves ASCII alone.
bool isAscii(std::string_view text) noexcept {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Appends the NFC form of `run`, which is well-formed throughout.
void appendNormalized(std::string& out, std::string_view run) {
    if (isAscii(run)) {
        out.append(run);
        return;
    }
    utf8proc_uint8_t* normalized = nullptr;
    const utf8proc_ssize_t length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(run.data()),
                     static_cast<utf8proc_ssize_t>(run.size()), &normalized,
                     static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
    if (length < 0) {
        // Only allocation can fail on well-formed input.
        std::free(normalized);
        throw std::bad_alloc();
    }
    try {
        out.append(reinterpret_cast<const char*>(normalized), static_cast<std::size_t>(length));
    } catch (...) {
        std::free(normalized);
        throw;
    }
    std::free(normalized);
}

}  // namespace

void appendCharacter(std::string& out, const Character& character) {
    if (!character.wellFormed) {
        out.push_back(static_cast<char>(character.value));
        return;
    }
    utf8proc_uint8_t bytes[4];
    const utf8proc_ssize_t length =
        utf8proc_encode_char(static_cast<utf8proc_int32_t>(character.value), bytes);
    out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
}

bool isWellFormedUtf8(std::string_view text) noexcept {
    for (std::size_t at = 0; at < text.size();) {
        const Character c = decodeCharacter(text, at);
        if (!c.wellFormed) return false;
        at += c.length;
    }
    return true;
}

std::size_t characterCount(std::string_view text) noexcept {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); ++count) {
        const auto byte = static_cast<unsigned char>(text[at]);
        at += byte < 0x80 ? 1 : decodeCharacter(text, at).length;
    }
    return count;
}

bool isKnownNfc(std::string_view text) noexcept {
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            ++at;
            continue;
        }
        const Character c = decodeCharacter(text, at);
        // Bytes that are not well-formed stay as they are.
        if (c.wellFormed && c.value >= 0x300) return false;
        at += c.length;
    }
    return true;
}

std::string toNfc(std::string_view text) {
    if (isKnownNfc(text)) return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t runStart = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const Character c = decodeCharacter(text, at);
        if (c.wellFormed) {
            at += c.length;
            continue;
        }
        appendNormalized(out, text.substr(runStart, at - runStart));
        out.push_back(text[at]);
        ++at;
        runStart = at;
    }
    appendNormalized(out, text.substr(runStart));
    return out;
}

int displayWidth(std::string_view text) noexcept {
    int width = 0;
    for (std::size_t at = 0; at < text.size();) {
        const Character c = decodeCharacter(text, at);
        width += c.wellFormed ? utf8proc_charwidth(static_cast<utf8proc_int32_t>(c.value)) : 1;
        at += c.length;
    }
    return width;
}

bool isGraphemeBreak(const Character& before, const Character& after,
                     std::int32_t& state) noexcept {
    if (!before.wellFormed || !after.wellFormed) {
        state = 0;
        return true;
    }
    return utf8proc_grapheme_break_stateful(static_cast<utf8proc_int32_t>(before.value),
                                            static_cast<utf8proc_int32_t>(after.value), &state);
}

std::size_t graphemeBoundaryAtOrBefore(std::string_view text, std::size_t at) noexcept {
    if (at >= text.size()) return text.size();
    std::size_t best = 0;
    std::int32_t state = 0;
    Character previous;
    for (std::size_t p = 0; p < text.size();) {
        const Character c = decodeCharacter(text, p);
        if (p > at) break;
        if (p == 0 || isGraphemeBreak(previous, c, state)) best = p;
        previous = c;
        p += c.length;
    }
    return best;
}

}  // namespace rorirer
