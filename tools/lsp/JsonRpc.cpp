#include "lsp/JsonRpc.h"

#include "completion/Unicode.h"

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

void appendJsonString(std::string& out, std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    out.push_back('"');
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x80) {
            // A well-formed sequence as it is; otherwise one U+FFFD for the
            // longest start of a sequence there (at least its first byte),
            // as serialize() replaces them.
            const int length = utf8SequenceLength(byte);
            std::size_t taken = 1;
            while (length > 0 && taken < static_cast<std::size_t>(length) &&
                   at + taken < text.size() &&
                   utf8Continues(byte, static_cast<int>(taken),
                                 static_cast<unsigned char>(text[at + taken])))
                ++taken;
            if (length > 0 && taken == static_cast<std::size_t>(length)) {
                out.append(text.substr(at, taken));
            } else {
                out.append("\xEF\xBF\xBD");
            }
            at += taken;
            continue;
        }
        switch (byte) {
            case '"':
                out.append("\\\"");
                break;
            case '\\':
                out.append("\\\\");
                break;
            case '\n':
                out.append("\\n");
                break;
            case '\r':
                out.append("\\r");
                break;
            case '\t':
                out.append("\\t");
                break;
            default:
                if (byte < 0x20) {
                    out.append("\\u00");
                    out.push_back(kHex[byte >> 4]);
                    out.push_back(kHex[byte & 0xF]);
                } else {
                    out.push_back(static_cast<char>(byte));
                }
        }
        ++at;
    }
    out.push_back('"');
}

std::string makeResponseText(const Json& id, std::string_view resultText) {
    std::string out = R"({"jsonrpc":"2.0","id":)";
    out += serialize(id);
    out += R"(,"result":)";
    out += resultText;
    out += '}';
    return out;
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
