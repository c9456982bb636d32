// An observer that keeps its own copy of a document's lines and a word
// tally from nothing but what it is told, checking each report against its
// copy. If the reports are exact, the copy equals the document and the
// tally equals a fresh count of the document's text.
#ifndef RORIRER_LSP_TESTS_LINEMIRROR_H
#define RORIRER_LSP_TESTS_LINEMIRROR_H

#include <map>
#include <string>
#include <vector>

#include "TextModel.h"
#include "lsp/Document.h"
#include "lsp/LineObserver.h"

namespace rorirer::lsp {

class LineMirror : public LineObserver {
public:
    struct Line {
        std::string text;  // empty when over the limit
        std::size_t length;
        bool overLimit;
        bool operator==(const Line& o) const {
            return text == o.text && length == o.length && overLimit == o.overLimit;
        }
    };

    void linesChanged(const Document&, const LinesChange& change) override {
        if (change.kind == LinesChange::Kind::kOpen && !lines_.empty())
            fault("opened over lines it already had");
        if (change.firstLine + change.removed.size() > lines_.size()) {
            fault("removed lines it never had");
            return;
        }
        for (std::size_t i = 0; i < change.removed.size(); ++i) {
            const LineText& gone = change.removed[i];
            const Line& held = lines_[change.firstLine + i];
            if (!(held == Line{std::string(gone.text), gone.length, gone.overLimit}))
                fault("line " + std::to_string(change.firstLine + i) + " went as '" +
                      std::string(gone.text) + "' but was '" + held.text + "'");
            if (!gone.overLimit) tallyWords(gone.text, -1, words_);
        }
        const auto at = lines_.begin() + static_cast<std::ptrdiff_t>(change.firstLine);
        lines_.erase(at, at + static_cast<std::ptrdiff_t>(change.removed.size()));
        std::vector<Line> added;
        for (const LineText& came : change.added) {
            if (!came.overLimit && came.text.size() != came.length) fault("length disagrees");
            if (came.overLimit != (came.length > limit_)) fault("over the limit wrongly");
            added.push_back({std::string(came.text), came.length, came.overLimit});
            if (!came.overLimit) tallyWords(came.text, +1, words_);
        }
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(change.firstLine), added.begin(),
                      added.end());
        if (change.kind == LinesChange::Kind::kClose && !lines_.empty())
            fault("closed with lines left");
        ++reports_;
    }

    void setLimit(std::size_t limit) { limit_ = limit; }

    // Empty when the copy matches `document` line for line and the tally a
    // fresh count; otherwise what differs.
    std::string compare(const Document& document) const {
        if (!faults_.empty()) return faults_;
        if (lines_.size() != document.lineCount())
            return "holds " + std::to_string(lines_.size()) + " lines, the document " +
                   std::to_string(document.lineCount());
        std::map<std::string, long> fresh;
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const std::string_view text = document.lineText(i);
            const bool over = text.size() > limit_;
            if (!(lines_[i] == Line{over ? std::string() : std::string(text), text.size(), over}))
                return "line " + std::to_string(i) + " differs";
            if (!over) tallyWords(text, +1, fresh);
        }
        if (fresh != words_) return "the word tally differs from a fresh count";
        return {};
    }

    const std::map<std::string, long>& words() const { return words_; }
    std::size_t lineCount() const { return lines_.size(); }
    long reports() const { return reports_; }

private:
    void fault(const std::string& what) {
        if (faults_.empty()) faults_ = what;
    }

    std::vector<Line> lines_;
    std::map<std::string, long> words_;
    std::size_t limit_ = 100000;
    std::string faults_;
    long reports_ = 0;
};

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_TESTS_LINEMIRROR_H
