// JSON-RPC 2.0 as the protocol uses it: the error codes, the one exception
// a handler throws to answer with an error, the messages the server sends,
// and typed reading of request parameters.
#ifndef RORIRER_LSP_JSONRPC_H
#define RORIRER_LSP_JSONRPC_H

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace rorirer::lsp {

using Json = nlohmann::json;

enum ErrorCode : int {
    kParseError = -32700,
    kInvalidRequest = -32600,
    kMethodNotFound = -32601,
    kInvalidParams = -32602,
    kInternalError = -32603,
    kServerNotInitialized = -32002,
    kRequestCancelled = -32800,
};

// Thrown by a request's handler; the request is answered with this error.
class RpcError : public std::runtime_error {
public:
    RpcError(ErrorCode code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    ErrorCode code() const noexcept { return code_; }

private:
    ErrorCode code_;
};

Json makeResponse(const Json& id, Json result);
Json makeError(const Json& id, ErrorCode code, const std::string& message);
Json makeNotification(const char* method, Json params);

// The text on the wire. Invalid UTF-8, which a JSON string cannot carry,
// goes out as U+FFFD.
std::string serialize(const Json& message);

// For answers written as text rather than built as Json (the completion
// list, whose items would cost an allocation per field): `text` as a JSON
// string, exactly as serialize() writes it (one U+FFFD for each longest
// start of a UTF-8 sequence that does not complete); and a response around
// a result already written.
void appendJsonString(std::string& out, std::string_view text);
std::string makeResponseText(const Json& id, std::string_view resultText);

// Parameter reading: each throws RpcError(kInvalidParams) naming the field
// by its path ("textDocument.uri") when it is missing or of the wrong type.
const Json& requireObject(const Json& parent, const char* key, const std::string& path);
const std::string& requireString(const Json& parent, const char* key, const std::string& path);
std::uint64_t requireUnsigned(const Json& parent, const char* key, const std::string& path);
std::int64_t requireInteger(const Json& parent, const char* key, const std::string& path);
// Null when absent; the value when present and of the wanted kind;
// otherwise RpcError.
const Json* optionalObject(const Json& parent, const char* key, const std::string& path);

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_JSONRPC_H
