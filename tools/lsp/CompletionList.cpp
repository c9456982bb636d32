#include "lsp/CompletionList.h"

#include <algorithm>
#include <string>

namespace rorirer::lsp {
namespace {

std::string zeroPadded(std::size_t number, std::size_t width) {
    std::string digits = std::to_string(number);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

Json makeRange(std::size_t line, std::uint64_t start, std::uint64_t end) {
    return Json{{"start", {{"line", line}, {"character", start}}},
                {"end", {{"line", line}, {"character", end}}}};
}

}  // namespace

Json emptyCompletionList() { return Json{{"isIncomplete", false}, {"items", Json::array()}}; }

Json makeCompletionList(const Document& document, LinePosition cursor,
                        const CompletionAnswer& answer, PositionEncoding encoding,
                        bool insertReplace, std::size_t maxItems) {
    const std::string_view line = document.lineText(cursor.line);
    const std::size_t at = std::min(cursor.byte, line.size());
    const std::size_t start = std::min(answer.wordStart, at);
    const std::size_t end = std::max(std::min(answer.wordEnd, line.size()), at);
    const std::uint64_t startCharacter = characterOfByte(line, start, encoding);
    const std::uint64_t cursorCharacter = characterOfByte(line, at, encoding);
    const Json insertRange = makeRange(cursor.line, startCharacter, cursorCharacter);
    const Json replaceRange =
        makeRange(cursor.line, startCharacter, characterOfByte(line, end, encoding));

    const std::size_t count = std::min(answer.items.size(), maxItems);
    const std::size_t width = std::to_string(count == 0 ? 0 : count - 1).size();
    Json items = Json::array();
    for (std::size_t i = 0; i < count; ++i) {
        const CompletionItem& word = answer.items[i];
        const std::string& newText = word.newText.empty() ? word.label : word.newText;
        Json item{{"label", word.label}, {"kind", 1}, {"sortText", zeroPadded(i, width)}};
        if (!word.detail.empty()) item["detail"] = word.detail;
        if (!word.filterText.empty()) item["filterText"] = word.filterText;
        if (insertReplace) {
            item["textEdit"] = {
                {"newText", newText}, {"insert", insertRange}, {"replace", replaceRange}};
        } else {
            item["textEdit"] = {{"newText", newText}, {"range", insertRange}};
        }
        items.push_back(std::move(item));
    }
    return Json{{"isIncomplete", answer.incomplete || answer.items.size() > maxItems},
                {"items", std::move(items)}};
}

}  // namespace rorirer::lsp
