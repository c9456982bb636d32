// What the server asks of whoever completes words: given a document and a
// cursor, the words to offer and the stretch of the line they replace. The
// server turns the answer into the protocol's completion list.
#ifndef RORIRER_LSP_COMPLETIONPROVIDER_H
#define RORIRER_LSP_COMPLETIONPROVIDER_H

#include <cstddef>
#include <string>
#include <vector>

#include "lsp/Document.h"
#include "lsp/Settings.h"

namespace rorirer::lsp {

struct CompletionQuery {
    const Document& document;
    std::size_t line;
    // Byte offset of the cursor in the line's text, on a code point's start.
    std::size_t byte;
    // Offer at most this many; the server cuts a longer answer short.
    std::size_t maxItems;
    const Settings& settings;
};

struct CompletionItem {
    std::string label;       // shown, and put in unless `newText` is given
    std::string newText;     // empty: the label
    std::string filterText;  // what the client matches the typed word against; empty: none sent
    std::string detail;      // empty: none shown
};

struct CompletionAnswer {
    // Bytes of the cursor's line that a chosen word replaces, from
    // `wordStart` to `wordEnd`, with the cursor in between; the part up to
    // the cursor is what the word is inserted over. Out of that order, the
    // server widens the stretch to hold the cursor.
    std::size_t wordStart = 0;
    std::size_t wordEnd = 0;
    std::vector<CompletionItem> items;  // in the order they are to be shown
    // More words would match than were given: the client asks again as the
    // user types instead of filtering this list.
    bool incomplete = false;
};

class CompletionProvider {
public:
    virtual ~CompletionProvider() = default;
    virtual CompletionAnswer complete(const CompletionQuery& query) = 0;
};

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_COMPLETIONPROVIDER_H
