// One open document: its lines, edits that cost time in proportion to what
// they touch, and the conversions between protocol positions and bytes.
//
// Line ends are CRLF, CR or LF; a CRLF is one line end, so no position
// lies between its CR and its LF. The last line has no line end. A
// document always has at least one line.
#ifndef RORIRER_LSP_DOCUMENT_H
#define RORIRER_LSP_DOCUMENT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "lsp/LineObserver.h"
#include "lsp/LineTable.h"
#include "lsp/PositionEncoding.h"

namespace rorirer::lsp {

// A place as the protocol gives it, in units of the negotiated encoding.
struct ProtocolPosition {
    std::uint64_t line = 0;
    std::uint64_t character = 0;
};

class Document {
public:
    Document(std::string uri, std::string_view text, std::size_t lineLimit);

    const std::string& uri() const noexcept { return uri_; }
    std::int64_t version() const noexcept { return version_; }
    void setVersion(std::int64_t version) noexcept { version_ = version; }

    std::size_t lineCount() const noexcept { return lines_.size(); }
    // A line's text without its line end.
    std::string_view lineText(std::size_t line) const;
    // The same as observers are told of it: no text over the line limit.
    LineText line(std::size_t line) const { return describe(lineText(line)); }
    // The whole text, line ends included: costs a copy of the document.
    std::string text() const;

    // Lines longer than this are reported to observers by length only.
    std::size_t lineLimit() const noexcept { return lineLimit_; }
    void setLineLimit(std::size_t limit) noexcept { lineLimit_ = limit; }

    // A line past the end clamps to the end of the document; a character
    // past the end of its line to the line's end; one inside a code point
    // snaps to its start.
    LinePosition toLinePosition(ProtocolPosition position, PositionEncoding encoding) const;
    ProtocolPosition toProtocolPosition(LinePosition position, PositionEncoding encoding) const;

    // Replaces the text from `start` to `end` (each clamped as above, the
    // two swapped when reversed) by `text`, and describes the lines that
    // went and came in `change`. An exception leaves the document as it
    // was.
    void replace(LinePosition start, LinePosition end, std::string_view text, LinesChange& change);
    void replaceAll(std::string_view text, LinesChange& change);
    // Every line, as added (kOpen) or removed (kClose).
    void describeAll(LinesChange::Kind kind, LinesChange& change) const;

private:
    LinePosition clamp(LinePosition position) const;
    LineText describe(std::string_view text) const;

    std::string uri_;
    std::int64_t version_ = 0;
    std::size_t lineLimit_;
    // Each line's text with its line end.
    LineTable lines_;
};

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_DOCUMENT_H
