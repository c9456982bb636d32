// Which word followed which in the open documents: a WordPairs counted line
// by line as the documents change, for the pair part of the ranking model,
// and what the word being typed follows.
//
// The pairs are those PairReader reads, the documents' lines one after
// another: a line goes on from the last word of the line before, unless a
// sentence ended there. A change re-reads the lines it removed and added,
// and the first word of the line after them, which may follow something
// new; a change within one line (typing) re-reads only the words around
// the bytes that changed, before and after, and only the pairs that differ
// between the two readings reach the table. A line longer than the
// documents' limit counts as a line without words.
//
// A document opened with more lines than readLaterAbove() is read later, a
// slice of lines at a time (readSome(), while the client is quiet): its
// lines from the first unread one on count no pair yet, and a change there
// has none to take back.
//
// The table holds at most WordPairs::kDefaultMostPairs distinct pairs
// (completion/WordPairs.h: a pair met once the table is full is not
// counted). Failure: running out of memory part way through a change leaves
// some of its pairs counted and some not; counts never fall below zero.
#ifndef RORIRER_LSP_DOCUMENTPAIRS_H
#define RORIRER_LSP_DOCUMENTPAIRS_H

#include <cstddef>
#include <string_view>
#include <vector>

#include "completion/WordPairs.h"
#include "completion/WordRules.h"
#include "lsp/Document.h"
#include "lsp/LineObserver.h"
#include "lsp/WordTally.h"

namespace rorirer::lsp {

class DocumentPairs : public LineObserver {
public:
    // `rules` must outlive this object.
    DocumentPairs(const WordRules& rules, bool keepNumbers,
                  std::size_t mostPairs = WordPairs::kDefaultMostPairs)
        : reader_(rules, keepNumbers), pairs_(mostPairs) {}

    void linesChanged(const Document& document, const LinesChange& change) override;

    // 0: every document is read as it opens.
    void setReadLaterAbove(std::size_t lines) noexcept { readLaterAbove_ = lines; }
    std::size_t readLaterAbove() const noexcept { return readLaterAbove_; }
    // Reads up to `mostLines` lines of a document opened and not read yet;
    // true while some are left.
    bool readSome(std::size_t mostLines);
    bool readPending() const noexcept { return !unread_.empty(); }

    const WordPairs& pairs() const noexcept { return pairs_; }
    // What a word starting at byte `byte` of line `line` follows.
    PairReader::Context contextAt(const Document& document, std::size_t line,
                                  std::size_t byte) const;

private:
    // A document whose lines from `counted` on are not read yet. The
    // document lives until it is closed, which ends this.
    struct Unread {
        const Document* document;
        std::size_t counted;
    };

    // Counts `change` of lines that were read; `readNext`: and the line
    // after it was too.
    void count(const Document& document, const LinesChange& change, bool readNext);
    // Adds `delta` for each pair of `lines`, read on from `before`, and of
    // the first word of `next` (may be null) after them.
    void tallyLines(const PairReader::Context& before, const std::vector<LineText>& lines,
                    const LineText* next, long delta, PairTally& net) const;
    // A change within line `line`, from `was` to `now`, both within the limit.
    void lineEdited(const Document& document, std::size_t line, std::string_view was,
                    std::string_view now, bool readNext);
    // Line `line`'s text up to the end of its first word; empty without one.
    LineText firstWordOfLine(const Document& document, std::size_t line) const;
    void apply(const PairTally& net);
    // What a word at byte `byte` of `text`, line `line`'s text, follows.
    PairReader::Context contextWithin(const Document& document, std::size_t line,
                                      std::string_view text, std::size_t byte) const;
    // What the first word of line `line` follows.
    PairReader::Context contextOfLine(const Document& document, std::size_t line) const;

    PairReader reader_;
    WordPairs pairs_;
    std::vector<Unread> unread_;  // in the order opened
    std::size_t readLaterAbove_ = 0;
};

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_DOCUMENTPAIRS_H
