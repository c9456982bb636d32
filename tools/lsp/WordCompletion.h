// The server's completion: the word typed before the cursor, completed by
// the completion layer from the server's words.
//
// The typed word runs back from the cursor by the layer's word rules (an
// apostrophe right after letters belongs to it: "doesn'" completes to
// "doesn't"). The word of the document that the typed word is counts once
// less for this answer, so a word never offers itself for having been
// typed. Ranking is the layer's: case agreement, words used recently, the
// document's words nearest the cursor, then frequency.
#ifndef RORIRER_LSP_WORDCOMPLETION_H
#define RORIRER_LSP_WORDCOMPLETION_H

#include "completion/WordRules.h"
#include "lsp/CompletionProvider.h"
#include "lsp/ServerWords.h"

namespace rorirer::lsp {

class WordCompletion : public CompletionProvider {
public:
    // Neither is owned; both must outlive this object.
    WordCompletion(ServerWords& words, const WordRules& rules, bool keepNumbers)
        : words_(words), rules_(rules), keepNumbers_(keepNumbers) {}

    CompletionAnswer complete(const CompletionQuery& query) override;

    // Bytes of the cursor's line read on each side of the cursor: several
    // times the longest word any source or document gives the store, so
    // that a typed word not found within them completes to nothing.
    static constexpr std::size_t kReach = 16 * 1024;

private:
    ServerWords& words_;
    const WordRules& rules_;
    bool keepNumbers_;
};

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_WORDCOMPLETION_H
