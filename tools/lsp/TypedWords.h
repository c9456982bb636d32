// Words the user has just finished typing, marked as used in the store.
// The protocol does not say which completion the user accepted, so the
// server watches the edits instead: a word is finished when the character
// typed after it ends it (a space, a full stop, a line end), or when an
// edit puts in whole words (a paste, or an editor putting an accepted
// completion in place of the typed part).
#ifndef RORIRER_LSP_TYPEDWORDS_H
#define RORIRER_LSP_TYPEDWORDS_H

#include <cstddef>
#include <string>
#include <vector>

#include "completion/CompletionStore.h"
#include "completion/WordRules.h"
#include "lsp/LineObserver.h"

namespace rorirer::lsp {

// The words an edit finished, in the order they stand in the document, at
// most `limit` of them. `edited` is where the edit put its text.
std::vector<std::string> findFinishedWords(const WordRules& rules, bool keepNumbers,
                                           const Document& document, const EditedRange& edited,
                                           std::size_t limit);

// Touches the words each edit finished. Registered after the observer that
// counts the documents' words, so a word typed for the first time is
// already stored.
class TypedWords : public LineObserver {
public:
    // Beyond this many words in one edit (a large paste), the rest are not
    // marked.
    static constexpr std::size_t kMaxWordsPerEdit = 64;

    // `rules` must outlive this object.
    TypedWords(const WordRules& rules, bool keepNumbers)
        : rules_(rules), keepNumbers_(keepNumbers) {}

    // Not owned; null: nothing is marked.
    void setStore(CompletionStore* store) noexcept { store_ = store; }

    void linesChanged(const Document& document, const LinesChange& change) override;

private:
    const WordRules& rules_;
    bool keepNumbers_;
    CompletionStore* store_ = nullptr;
};

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_TYPEDWORDS_H
