// Where a protocol position lands in a line's bytes, and back. The protocol
// counts characters in the code units of the negotiated encoding; the
// server works in bytes of UTF-8. This is the one place that converts.
#ifndef RORIRER_LSP_POSITIONENCODING_H
#define RORIRER_LSP_POSITIONENCODING_H

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rorirer::lsp {

enum class PositionEncoding { kUtf8, kUtf16, kUtf32 };

// The name the protocol uses: "utf-8", "utf-16", "utf-32".
const char* encodingName(PositionEncoding encoding);

// The byte offset in `line` (its text without the line end) of the
// protocol character position `character`. Past the end it clamps to the
// line's length; inside a code point (between the units of a surrogate
// pair, or inside a UTF-8 sequence) it snaps back to the code point's
// start. A byte that does not begin a well-formed sequence counts as one
// code point of its own, as U+FFFD would.
std::size_t byteOfCharacter(std::string_view line, std::uint64_t character,
                            PositionEncoding encoding);

// The protocol character position of byte offset `byte` in `line`, snapped
// back to the start of the code point holding it and clamped to the end.
std::uint64_t characterOfByte(std::string_view line, std::size_t byte, PositionEncoding encoding);

// Length in bytes of the well-formed UTF-8 sequence at the start of `text`,
// or 0 when none starts there (an ill-formed or truncated sequence).
std::size_t wellFormedLength(std::string_view text);

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_POSITIONENCODING_H
