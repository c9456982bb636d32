#include "lsp/CompletionList.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "lsp/JsonRpc.h"

namespace rorirer::lsp {
namespace {

std::string zeroPadded(std::size_t number, std::size_t width) {
    std::string digits = std::to_string(number);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

std::string writeRange(std::size_t line, std::uint64_t start, std::uint64_t end) {
    const std::string at = std::to_string(line);
    std::string range = R"({"start":{"line":)";
    range += at;
    range += R"(,"character":)";
    range += std::to_string(start);
    range += R"(},"end":{"line":)";
    range += at;
    range += R"(,"character":)";
    range += std::to_string(end);
    range += "}}";
    return range;
}

void appendField(std::string& out, std::string_view name, std::string_view value) {
    out += ",\"";
    out += name;
    out += "\":";
    appendJsonString(out, value);
}

}  // namespace

std::string emptyCompletionList() { return R"({"isIncomplete":false,"items":[]})"; }

std::string writeCompletionList(const Document& document, LinePosition cursor,
                                const CompletionAnswer& answer, PositionEncoding encoding,
                                ItemSupport support, std::size_t maxItems) {
    const std::string_view line = document.lineText(cursor.line);
    const std::size_t at = std::min(cursor.byte, line.size());
    const std::size_t start = std::min(answer.wordStart, at);
    const std::size_t end = std::max(std::min(answer.wordEnd, line.size()), at);
    const std::uint64_t startCharacter = characterOfByte(line, start, encoding);
    const std::uint64_t cursorCharacter = characterOfByte(line, at, encoding);
    const std::string insertRange = writeRange(cursor.line, startCharacter, cursorCharacter);
    const std::string replaceRange =
        writeRange(cursor.line, startCharacter, characterOfByte(line, end, encoding));

    const std::size_t count = std::min(answer.items.size(), maxItems);
    const std::size_t width = std::to_string(count == 0 ? 0 : count - 1).size();
    const bool incomplete = answer.incomplete || answer.items.size() > maxItems;
    std::string out =
        incomplete ? R"({"isIncomplete":true,"items":[)" : R"({"isIncomplete":false,"items":[)";
    out.reserve(out.size() + count * (support.insertReplace ? 200 : 140));
    for (std::size_t i = 0; i < count; ++i) {
        const CompletionItem& word = answer.items[i];
        out += i == 0 ? R"({"label":)" : R"(,{"label":)";
        appendJsonString(out, word.label);
        out += support.insertAsIs ? R"(,"kind":1,"insertTextMode":1)" : R"(,"kind":1)";
        appendField(out, "sortText", zeroPadded(i, width));
        if (!word.detail.empty()) appendField(out, "detail", word.detail);
        if (!word.filterText.empty()) appendField(out, "filterText", word.filterText);
        out += R"(,"textEdit":{"newText":)";
        appendJsonString(out, word.newText.empty() ? word.label : word.newText);
        if (support.insertReplace) {
            out += R"(,"insert":)";
            out += insertRange;
            out += R"(,"replace":)";
            out += replaceRange;
        } else {
            out += R"(,"range":)";
            out += insertRange;
        }
        out += "}}";
    }
    out += "]}";
    return out;
}

}  // namespace rorirer::lsp
