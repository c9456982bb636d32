// The document notifications: didOpen, didChange, didClose. A malformed one
// changes nothing; its problem is logged (a notification has no answer).
#include <utility>
#include <vector>

#include "lsp/Session.h"

namespace rorirer::lsp {

ProtocolPosition readPosition(const Json& parent, const char* key, const std::string& path) {
    const Json& position = requireObject(parent, key, path);
    const std::string where = path.empty() ? std::string(key) : path + "." + key;
    return {requireUnsigned(position, "line", where),
            requireUnsigned(position, "character", where)};
}

void Session::didOpen(const Json& params) {
    const Json& item = requireObject(params, "textDocument", "");
    const std::string& uri = requireString(item, "uri", "textDocument");
    const std::string& text = requireString(item, "text", "textDocument");
    const std::int64_t version = requireInteger(item, "version", "textDocument");
    if (documents_.find(uri) != nullptr) log_.info("opened again, replacing it: " + clip(uri));
    documents_.open(uri, text, version);
}

void Session::didChange(Json& params) {
    const Json& item = requireObject(params, "textDocument", "");
    const std::string& uri = requireString(item, "uri", "textDocument");
    const std::int64_t version = requireInteger(item, "version", "textDocument");
    const auto list = params.find("contentChanges");
    if (list == params.end() || !list->is_array())
        throw RpcError(kInvalidParams, "contentChanges: expected an array");

    // All are read before any is applied, so a bad one changes nothing.
    std::vector<TextChange> changes(list->size());
    for (std::size_t i = 0; i < list->size(); ++i) {
        Json& entry = (*list)[i];
        const std::string path = "contentChanges[" + std::to_string(i) + "]";
        if (!entry.is_object()) throw RpcError(kInvalidParams, path + ": expected an object");
        TextChange& change = changes[i];
        requireString(entry, "text", path);
        const auto range = entry.find("range");
        change.whole = range == entry.end() || range->is_null();
        if (!change.whole) {
            const Json& bounds = requireObject(entry, "range", path);
            change.start = readPosition(bounds, "start", path + ".range");
            change.end = readPosition(bounds, "end", path + ".range");
        }
        change.text = std::move(entry["text"].get_ref<std::string&>());
    }
    if (!documents_.change(uri, version, changes, encoding_))
        log_.warning("a change to a document that is not open: " + clip(uri));
}

void Session::didClose(const Json& params) {
    const Json& item = requireObject(params, "textDocument", "");
    const std::string& uri = requireString(item, "uri", "textDocument");
    if (!documents_.close(uri)) log_.info("closed but never opened: " + clip(uri));
}

}  // namespace rorirer::lsp
