// A provider's answer as the protocol's CompletionList, written as JSON
// text: one text edit per word over the same stretch of the cursor's line,
// in the negotiated encoding, and a sort key that keeps the provider's
// order. Written directly rather than built as Json, which would cost an
// allocation per field of each of up to maxItems items on every keystroke.
#ifndef RORIRER_LSP_COMPLETIONLIST_H
#define RORIRER_LSP_COMPLETIONLIST_H

#include <cstddef>
#include <string>

#include "lsp/CompletionProvider.h"
#include "lsp/Document.h"
#include "lsp/PositionEncoding.h"

namespace rorirer::lsp {

// An empty list: the answer wherever there is nothing to offer, never an
// error, so the editor's completion goes on working.
std::string emptyCompletionList();

// What the client said its completion items may carry.
struct ItemSupport {
    // Each edit an InsertReplaceEdit: inserting over the word up to the
    // cursor, replacing the whole word. Otherwise a TextEdit over the word
    // up to the cursor.
    bool insertReplace = false;
    // Each item marked insertTextMode asIs. A word has no line breaks, so
    // this changes nothing by the protocol; but lsp-mode re-indents what it
    // puts in unless told, and on a buffer's last line that leaves a TAB
    // after the word.
    bool insertAsIs = false;
};

// At most `maxItems` go in; cutting the answer short marks the list
// incomplete.
std::string writeCompletionList(const Document& document, LinePosition cursor,
                                const CompletionAnswer& answer, PositionEncoding encoding,
                                ItemSupport support, std::size_t maxItems);

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_COMPLETIONLIST_H
