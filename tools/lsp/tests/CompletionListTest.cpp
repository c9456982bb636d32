// The completion list built from a provider's answer: ranges in each
// encoding, the insert and replace ranges, the insert mode, the order kept
// by sortText, the cut at maxItems, and each item's own text and filter.
// The provider here is the test's own: the words of a fixed list that start with the word's
// bytes before the cursor.
#include <gtest/gtest.h>

#include <random>

#include <string>
#include <vector>

#include "lsp/CompletionList.h"
#include "lsp/CompletionProvider.h"
#include "lsp/JsonRpc.h"

namespace rorirer::lsp {
namespace {

// The list as the client reads it.
Json listOf(const Document& document, LinePosition cursor, const CompletionAnswer& answer,
            PositionEncoding encoding, ItemSupport support, std::size_t maxItems) {
    return Json::parse(writeCompletionList(document, cursor, answer, encoding, support, maxItems));
}

class FixedListProvider : public CompletionProvider {
public:
    explicit FixedListProvider(std::vector<std::string> words) : words_(std::move(words)) {}

    CompletionAnswer complete(const CompletionQuery& query) override {
        const std::string_view line = query.document.lineText(query.line);
        CompletionAnswer answer;
        answer.wordStart = query.byte;
        while (answer.wordStart > 0 && line[answer.wordStart - 1] != ' ') --answer.wordStart;
        answer.wordEnd = query.byte;
        while (answer.wordEnd < line.size() && line[answer.wordEnd] != ' ') ++answer.wordEnd;
        const std::string_view prefix =
            line.substr(answer.wordStart, query.byte - answer.wordStart);
        for (const std::string& word : words_) {
            if (word.compare(0, prefix.size(), prefix) != 0) continue;
            if (answer.items.size() == query.maxItems) {
                answer.incomplete = true;
                break;
            }
            answer.items.push_back({word, "", "", word.size() > 5 ? "long" : ""});
        }
        return answer;
    }

private:
    std::vector<std::string> words_;
};

TEST(CompletionList, WorkedExamples) {
    FixedListProvider provider({"hello", "helium", "help", "helmet", "\xC3\xA9t\xC3\xA9"});
    const Settings settings;
    using E = PositionEncoding;
    struct Row {
        std::string text;
        ProtocolPosition cursor;
        E encoding;
        std::size_t maxItems;
        std::vector<std::string> labels;
        std::uint64_t start;       // of both ranges
        std::uint64_t replaceEnd;  // the insert range ends at the cursor
        bool incomplete;
    };
    const std::string emoji = "\xF0\x9F\x98\x80";  // 😀: 4 bytes, 2 UTF-16 units
    const Row rows[] = {
        {"hel", {0, 3}, E::kUtf16, 50, {"hello", "helium", "help", "helmet"}, 0, 3, false},
        {"a hel", {0, 5}, E::kUtf16, 2, {"hello", "helium"}, 2, 5, true},
        {emoji + " helxy",
         {0, 6},
         E::kUtf16,
         50,
         {"hello", "helium", "help", "helmet"},
         3,
         8,
         false},
        {emoji + " helxy",
         {0, 5},
         E::kUtf32,
         50,
         {"hello", "helium", "help", "helmet"},
         2,
         7,
         false},
        {emoji + " helxy",
         {0, 8},
         E::kUtf8,
         50,
         {"hello", "helium", "help", "helmet"},
         5,
         10,
         false},
        {"e\xCC\x81 \xC3\xA9t", {0, 5}, E::kUtf16, 50, {"\xC3\xA9t\xC3\xA9"}, 3, 5, false},
        {"x\nzz helm", {1, 99}, E::kUtf16, 50, {"helmet"}, 3, 7, false},  // past the line end
        {"hel", {5, 0}, E::kUtf16, 50, {"hello", "helium", "help", "helmet"}, 0, 3, false},
        {"nothing", {0, 7}, E::kUtf16, 50, {}, 0, 7, false},
    };
    for (const Row& row : rows) {
        for (const ItemSupport support :
             {ItemSupport{}, ItemSupport{true, false}, ItemSupport{false, true}}) {
            const bool insertReplace = support.insertReplace;
            Document document("file:///t", row.text, 1000);
            const LinePosition cursor = document.toLinePosition(row.cursor, row.encoding);
            const CompletionAnswer answer =
                provider.complete({document, cursor.line, cursor.byte, row.maxItems, settings});
            const Json list = listOf(document, cursor, answer, row.encoding, support, row.maxItems);
            const std::string where = row.text + " " + encodingName(row.encoding);
            ASSERT_EQ(list["isIncomplete"], row.incomplete) << where;
            ASSERT_EQ(list["items"].size(), row.labels.size()) << where;
            const std::uint64_t at = document.toProtocolPosition(cursor, row.encoding).character;
            for (std::size_t i = 0; i < row.labels.size(); ++i) {
                const Json& item = list["items"][i];
                EXPECT_EQ(item["label"], row.labels[i]) << where;
                EXPECT_EQ(item["kind"], 1) << where;
                EXPECT_EQ(item.value("insertTextMode", 0), support.insertAsIs ? 1 : 0) << where;
                EXPECT_EQ(item.contains("detail"), row.labels[i].size() > 5) << where;
                const Json& edit = item["textEdit"];
                EXPECT_EQ(edit["newText"], row.labels[i]) << where;
                const Json& insert = insertReplace ? edit["insert"] : edit["range"];
                EXPECT_EQ(insert["start"]["line"], cursor.line) << where;
                EXPECT_EQ(insert["start"]["character"], row.start) << where;
                EXPECT_EQ(insert["end"]["character"], at) << where;
                if (insertReplace) {
                    EXPECT_EQ(edit["replace"]["start"], insert["start"]) << where;
                    EXPECT_EQ(edit["replace"]["end"]["character"], row.replaceEnd) << where;
                } else {
                    EXPECT_FALSE(edit.contains("replace")) << where;
                }
            }
        }
    }
}

TEST(CompletionList, SortTextKeepsTheOrderAndMaxItemsCuts) {
    std::vector<std::string> words;
    words.reserve(120);
    for (int i = 0; i < 120; ++i) words.push_back("w" + std::to_string(1000 - i));
    FixedListProvider provider(words);
    const Settings settings;
    Document document("file:///t", "w", 1000);
    for (const std::size_t maxItems : {1u, 9u, 10u, 11u, 100u, 101u, 500u}) {
        CompletionAnswer answer = provider.complete({document, 0, 1, 500, settings});
        const Json list = listOf(document, {0, 1}, answer, PositionEncoding::kUtf16, {}, maxItems);
        const std::size_t expected = std::min<std::size_t>(maxItems, words.size());
        ASSERT_EQ(list["items"].size(), expected);
        EXPECT_EQ(list["isIncomplete"], maxItems < words.size());
        std::vector<std::string> keys;
        for (const Json& item : list["items"]) keys.push_back(item["sortText"]);
        for (std::size_t i = 0; i + 1 < keys.size(); ++i) {
            EXPECT_LT(keys[i], keys[i + 1]) << maxItems;
            EXPECT_EQ(keys[i].size(), keys[i + 1].size()) << maxItems;
        }
        for (std::size_t i = 0; i < expected; ++i) EXPECT_EQ(list["items"][i]["label"], words[i]);
    }
    EXPECT_EQ(Json::parse(emptyCompletionList()),
              Json::parse(R"({"isIncomplete":false,"items":[]})"));
}

TEST(CompletionList, ItemsPutInTheirOwnTextAndCarryAFilterOnlyWhenGiven) {
    Document document("file:///t", "a Hel", 1000);
    CompletionAnswer answer;
    answer.wordStart = 2;
    answer.wordEnd = 5;
    answer.items = {{"Hello", "", "", "dictionary"},
                    {"hello", "Hello", "", ""},
                    {"Hallo", "", "Hel", "close match, dictionary"}};
    const Json list = listOf(document, {0, 5}, answer, PositionEncoding::kUtf16, {}, 50);
    const Json& items = list["items"];
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0]["textEdit"]["newText"], "Hello");
    EXPECT_EQ(items[1]["label"], "hello");
    EXPECT_EQ(items[1]["textEdit"]["newText"], "Hello");
    EXPECT_FALSE(items[0].contains("filterText"));
    EXPECT_FALSE(items[1].contains("filterText"));
    EXPECT_FALSE(items[1].contains("detail"));
    EXPECT_EQ(items[2]["filterText"], "Hel");
    EXPECT_EQ(items[2]["detail"], "close match, dictionary");
}

TEST(CompletionList, StringsAreWrittenAsSerializeWritesThem) {
    // Every kind of text a word may hold: quotes, controls, UTF-8 of each
    // length, and bytes that are no UTF-8 at all.
    const char* const pieces[] = {
        "a",       "\"",   "\\",   "\n",       "\t",           "\x01",
        "\x1f",    "\x7f", "/",    "\xC3\xA9", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80",
        "\x80",    "\xFF", "\xC3", "\xE2\x82", "\xED\xA0\x80", "\xF4\x90\x80\x80",
        "\xC0\xAF"};
    std::mt19937 random(3);
    for (int round = 0; round < 5000; ++round) {
        std::string text;
        for (int i = static_cast<int>(random() % 6); i > 0; --i)
            text += pieces[random() % (sizeof pieces / sizeof *pieces)];
        std::string written;
        appendJsonString(written, text);
        ASSERT_EQ(Json::parse(written), Json::parse(serialize(Json(text)))) << written;
    }
}

}  // namespace
}  // namespace rorirer::lsp
