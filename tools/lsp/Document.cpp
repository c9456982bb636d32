#include "lsp/Document.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace rorirer::lsp {
namespace {

// A line's text without its line end; a CR inside a line is always its end.
std::string_view withoutLineEnd(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// Cuts `text` into lines, each with its line end. The piece after the last
// line end is a line only when `keepTail`; otherwise the caller knows it
// is empty (the text ends in a line end).
void splitLines(std::string_view text, bool keepTail, std::vector<std::string>& lines) {
    // Two searches for one byte each (memchr) beat one search for either
    // of two, which tries both at every byte; the next CR is looked for
    // again only once it is passed.
    std::size_t start = 0;
    std::size_t cr = text.find('\r');
    for (;;) {
        if (cr != std::string_view::npos && cr < start) cr = text.find('\r', start);
        const std::size_t end = std::min(cr, text.find('\n', start));
        if (end == std::string_view::npos) break;
        const std::size_t next =
            text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? end + 2 : end + 1;
        lines.emplace_back(text.substr(start, next - start));
        start = next;
    }
    if (keepTail) lines.emplace_back(text.substr(start));
}

bool lessThan(const LinePosition& a, const LinePosition& b) {
    return a.line < b.line || (a.line == b.line && a.byte < b.byte);
}

void resetChange(LinesChange& change, LinesChange::Kind kind, std::size_t firstLine) {
    change.kind = kind;
    change.firstLine = firstLine;
    change.removed.clear();
    change.added.clear();
    change.edited.reset();
}

}  // namespace

Document::Document(std::string uri, std::string_view text, std::size_t lineLimit)
    : uri_(std::move(uri)), lineLimit_(lineLimit) {
    std::vector<std::string> lines;
    splitLines(text, true, lines);
    std::vector<std::string> none;
    lines_.replace(0, 0, lines, none);
}

std::string_view Document::lineText(std::size_t line) const { return withoutLineEnd(lines_[line]); }

std::string Document::text() const {
    std::size_t size = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) size += lines_[i].size();
    std::string out;
    out.reserve(size);
    for (std::size_t i = 0; i < lines_.size(); ++i) out += lines_[i];
    return out;
}

LinePosition Document::clamp(LinePosition position) const {
    if (position.line >= lines_.size()) {
        const std::size_t last = lines_.size() - 1;
        return {last, lineText(last).size()};
    }
    position.byte = std::min(position.byte, lineText(position.line).size());
    return position;
}

LineText Document::describe(std::string_view text) const {
    if (text.size() > lineLimit_) return {std::string_view(), text.size(), true};
    return {text, text.size(), false};
}

LinePosition Document::toLinePosition(ProtocolPosition position, PositionEncoding encoding) const {
    if (position.line >= lines_.size()) return clamp({lines_.size(), 0});
    const std::size_t line = static_cast<std::size_t>(position.line);
    return {line, byteOfCharacter(lineText(line), position.character, encoding)};
}

ProtocolPosition Document::toProtocolPosition(LinePosition position,
                                              PositionEncoding encoding) const {
    position = clamp(position);
    return {position.line, characterOfByte(lineText(position.line), position.byte, encoding)};
}

void Document::replace(LinePosition start, LinePosition end, std::string_view text,
                       LinesChange& change) {
    start = clamp(start);
    end = clamp(end);
    if (lessThan(end, start)) std::swap(start, end);
    resetChange(change, LinesChange::Kind::kEdit, start.line);
    change.removedText_.clear();

    // Within one line and bringing no line end, the line changes in place.
    // Emptying a line goes the long way: its line end may then meet a lone
    // CR before it and become part of one CRLF.
    const std::size_t length = lineText(start.line).size();
    const bool empties = text.empty() && start.byte == 0 && end.byte == length;
    const bool replaced = lessThan(start, end);
    if (start.line == end.line && !empties &&
        text.find_first_of("\r\n") == std::string_view::npos) {
        const LineText before = describe(lineText(start.line));
        if (!before.overLimit) change.removedLine_.assign(before.text);
        change.removed.reserve(1);
        change.added.reserve(1);
        lines_[start.line].replace(start.byte, end.byte - start.byte, text);
        change.removed.push_back(before.overLimit ? before : describe(change.removedLine_));
        change.added.push_back(describe(lineText(start.line)));
        change.edited = EditedRange{start, {start.line, start.byte + text.size()}, replaced};
        return;
    }
    // The text after the edit's end keeps its length on its line, so the
    // new text ends that many bytes before the end of the last line built.
    const std::size_t kept = lineText(end.line).size() - end.byte;

    const std::string& firstLine = lines_[start.line];
    const std::string& lastLine = lines_[end.line];
    std::string joined;
    joined.reserve(start.byte + text.size() + (lastLine.size() - end.byte));
    joined.append(firstLine, 0, start.byte).append(text).append(lastLine, end.byte);
    std::size_t first = start.line;
    std::size_t count = end.line - start.line + 1;
    // A lone CR ending the line before, met by an LF, makes one line end:
    // that line is rebuilt too, though its text stays the same.
    bool merged = false;
    if (first > 0 && !joined.empty() && joined[0] == '\n' && lines_[first - 1].back() == '\r') {
        joined.insert(0, lines_[first - 1]);
        --first;
        ++count;
        merged = true;
    }
    std::vector<std::string> fresh;
    splitLines(joined, first + count == lines_.size(), fresh);
    const std::size_t added = fresh.size();
    change.removed.reserve(count);
    change.added.reserve(added);
    lines_.replace(first, count, fresh, change.removedText_);

    const std::size_t same = merged ? 1 : 0;
    change.firstLine = first + same;
    for (std::size_t i = same; i < count; ++i)
        change.removed.push_back(describe(withoutLineEnd(change.removedText_[i])));
    for (std::size_t i = same; i < added; ++i)
        change.added.push_back(describe(lineText(first + i)));
    const std::size_t last = first + added - 1;
    const LinePosition newEnd{last, lineText(last).size() - kept};
    // Nothing put in between a CR and the LF it now makes one line end
    // with: the place is that line end.
    change.edited = EditedRange{merged && text.empty() ? newEnd : start, newEnd, replaced};
}

void Document::replaceAll(std::string_view text, LinesChange& change) {
    std::vector<std::string> fresh;
    splitLines(text, true, fresh);
    resetChange(change, LinesChange::Kind::kEdit, 0);
    change.removed.reserve(lines_.size());
    change.added.reserve(fresh.size());
    const std::size_t added = fresh.size();
    lines_.replace(0, lines_.size(), fresh, change.removedText_);
    for (const std::string& line : change.removedText_)
        change.removed.push_back(describe(withoutLineEnd(line)));
    for (std::size_t i = 0; i < added; ++i) change.added.push_back(describe(lineText(i)));
}

void Document::describeAll(LinesChange::Kind kind, LinesChange& change) const {
    resetChange(change, kind, 0);
    std::vector<LineText>& lines =
        kind == LinesChange::Kind::kClose ? change.removed : change.added;
    lines.reserve(lines_.size());
    for (std::size_t i = 0; i < lines_.size(); ++i) lines.push_back(describe(lineText(i)));
}

}  // namespace rorirer::lsp
