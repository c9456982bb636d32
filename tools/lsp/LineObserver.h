// What a document tells those who keep something per line (a word counter)
// on every change: exactly which lines' text went and which came, so that
// they re-read only those.
#ifndef RORIRER_LSP_LINEOBSERVER_H
#define RORIRER_LSP_LINEOBSERVER_H

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rorirer::lsp {

class Document;

// A place in a document as the server sees it: a line and a byte offset in
// that line's text.
struct LinePosition {
    std::size_t line = 0;
    std::size_t byte = 0;
};

// Where an edit of a range put its text, in the document as it is after
// the edit: from `start` to `end` (equal when it only removed text).
// `replaced` says it took the place of text that was there before.
struct EditedRange {
    LinePosition start;
    LinePosition end;
    bool replaced = false;
};

// One line's text without its line end. A line longer than the documents'
// line limit is reported by length only: `text` is empty and `overLimit`
// set, so that nobody learns words from it, and the server copies nothing
// to say it went.
struct LineText {
    std::string_view text;
    std::size_t length = 0;
    bool overLimit = false;
};

class LinesChange {
public:
    enum class Kind { kOpen, kEdit, kClose };

    Kind kind = Kind::kEdit;
    // The removed lines were the lines from `firstLine` on before the
    // change; the added lines are the lines from `firstLine` on after it.
    // Lines outside those ranges kept their text (they may have moved).
    std::size_t firstLine = 0;
    std::vector<LineText> removed;
    std::vector<LineText> added;
    // Set for an edit of a range; open, close, whole-text replacement and
    // a new line limit leave it empty.
    std::optional<EditedRange> edited;

private:
    friend class Document;
    // The text that left the document, which `removed` points into.
    std::vector<std::string> removedText_;
    std::string removedLine_;
};

// Observers are told after the change is made, during the call that made
// it; the views are valid only until they return. An observer that throws
// leaves its own state to itself: the document has changed regardless.
class LineObserver {
public:
    virtual ~LineObserver() = default;
    virtual void linesChanged(const Document& document, const LinesChange& change) = 0;
};

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_LINEOBSERVER_H
