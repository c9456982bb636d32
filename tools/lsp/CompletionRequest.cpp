// textDocument/completion: where the cursor is, then the provider's answer
// as a list. A document the server has not seen gets an empty list.
#include "lsp/CompletionList.h"
#include "lsp/Session.h"

namespace rorirer::lsp {

std::string Session::complete(const Json& params) {
    const Json& item = requireObject(params, "textDocument", "");
    const std::string& uri = requireString(item, "uri", "textDocument");
    const ProtocolPosition position = readPosition(params, "position", "");
    const Document* document = documents_.find(uri);
    if (document == nullptr || setup_.completion == nullptr) return emptyCompletionList();
    const LinePosition cursor = document->toLinePosition(position, encoding_);
    const CompletionAnswer answer = setup_.completion->complete(
        {*document, cursor.line, cursor.byte, settings_.style.limit, settings_});
    return writeCompletionList(*document, cursor, answer, encoding_, itemSupport_,
                               settings_.style.limit);
}

}  // namespace rorirer::lsp
