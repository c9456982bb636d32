#include "lsp/JsonRpc.h"

#include <utility>

namespace rorirer::lsp {
namespace {

const char* kindName(const Json& value) {
    if (value.is_number_integer()) return "an integer";
    return value.type_name();
}

[[noreturn]] void throwBadField(const std::string& path, const char* key, const char* expected,
                                const Json* found) {
    std::string message = path.empty() ? key : path + "." + key;
    message += found == nullptr
                   ? std::string(": missing, expected ") + expected
                   : std::string(": expected ") + expected + ", got " + kindName(*found);
    throw RpcError(kInvalidParams, message);
}

const Json* member(const Json& parent, const char* key) {
    if (!parent.is_object()) return nullptr;
    const auto found = parent.find(key);
    return found == parent.end() ? nullptr : &*found;
}

}  // namespace

Json makeResponse(const Json& id, Json result) {
    return Json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

Json makeError(const Json& id, ErrorCode code, const std::string& message) {
    return Json{{"jsonrpc", "2.0"},
                {"id", id},
                {"error", {{"code", static_cast<int>(code)}, {"message", message}}}};
}

Json makeNotification(const char* method, Json params) {
    return Json{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

std::string serialize(const Json& message) {
    return message.dump(-1, ' ', false, Json::error_handler_t::replace);
}

const Json& requireObject(const Json& parent, const char* key, const std::string& path) {
    const Json* value = member(parent, key);
    if (value == nullptr || !value->is_object()) throwBadField(path, key, "an object", value);
    return *value;
}

const std::string& requireString(const Json& parent, const char* key, const std::string& path) {
    const Json* value = member(parent, key);
    if (value == nullptr || !value->is_string()) throwBadField(path, key, "a string", value);
    return value->get_ref<const std::string&>();
}

std::uint64_t requireUnsigned(const Json& parent, const char* key, const std::string& path) {
    const Json* value = member(parent, key);
    if (value == nullptr || !value->is_number_integer() ||
        (!value->is_number_unsigned() && *value < 0))
        throwBadField(path, key, "a non-negative integer", value);
    return value->get<std::uint64_t>();
}

std::int64_t requireInteger(const Json& parent, const char* key, const std::string& path) {
    const Json* value = member(parent, key);
    if (value == nullptr || !value->is_number_integer())
        throwBadField(path, key, "an integer", value);
    if (value->is_number_unsigned() &&
        value->get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX))
        throwBadField(path, key, "an integer that fits 64 bits", value);
    return value->get<std::int64_t>();
}

const Json* optionalObject(const Json& parent, const char* key, const std::string& path) {
    const Json* value = member(parent, key);
    if (value == nullptr || value->is_null()) return nullptr;
    if (!value->is_object()) throwBadField(path, key, "an object", value);
    return value;
}

}  // namespace rorirer::lsp
