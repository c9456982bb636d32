// Which word followed which in the open documents: a WordPairs counted line
// by line as the documents change, for the pair part of the ranking model,
// and what the word being typed follows.
//
// The pairs are those PairReader reads, the documents' lines one after
// another: a line goes on from the last word of the line before, unless a
// sentence ended there. A change re-reads the lines it removed and added,
// and the first word of the line after them, which may follow something
// new; a change within one line (typing) re-reads only the words around
// the bytes that changed. Only the pairs whose counts differ reach the
// table. A line longer than the
// documents' limit counts as a line without words.
//
// The table holds at most WordPairs::kDefaultMostPairs distinct pairs
// (completion/WordPairs.h: a pair met once the table is full is not
// counted). Failure: running out of memory part way through a change leaves
// some of its pairs counted and some not; counts never fall below zero.
#ifndef RORIRER_LSP_DOCUMENTPAIRS_H
#define RORIRER_LSP_DOCUMENTPAIRS_H

#include <cstddef>

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

    const WordPairs& pairs() const noexcept { return pairs_; }
    // What a word starting at byte `byte` of line `line` follows.
    PairReader::Context contextAt(const Document& document, std::size_t line,
                                  std::size_t byte) const;

private:
    // A change within line `line`, from `was` to `now`, both within the limit.
    void lineEdited(const Document& document, std::size_t line, std::string_view was,
                    std::string_view now);
    // Line `line`'s text up to the end of its first word; empty without one.
    LineText firstWordOfLine(const Document& document, std::size_t line) const;
    void apply(const PairTally& net);
    // What the first word of line `line` follows.
    PairReader::Context contextOfLine(const Document& document, std::size_t line) const;

    PairReader reader_;
    WordPairs pairs_;
};

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_DOCUMENTPAIRS_H
