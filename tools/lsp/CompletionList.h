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

// With `insertReplace`, each edit is an InsertReplaceEdit: inserting over
// the word up to the cursor, replacing the whole word. Otherwise a
// TextEdit over the word up to the cursor. At most `maxItems` go in;
// cutting the answer short marks the list incomplete.
std::string writeCompletionList(const Document& document, LinePosition cursor,
                                const CompletionAnswer& answer, PositionEncoding encoding,
                                bool insertReplace, std::size_t maxItems);

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_COMPLETIONLIST_H
