// The words an edit finishes, which the server marks as used: a table of
// edits as editors send them while the user types, accepts a completion or
// pastes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lsp/Document.h"
#include "lsp/TypedWords.h"

namespace rorirer::lsp {
namespace {

TEST(TypedWords, WordsFinishedByAnEdit) {
    const WordRules rules;
    struct Row {
        std::string text;
        LinePosition start, end;
        std::string insert;
        std::vector<std::string> finished;
    };
    const Row rows[] = {
        {"hello", {0, 5}, {0, 5}, " ", {"hello"}},
        {"hello", {0, 5}, {0, 5}, ".", {"hello"}},
        {"hello", {0, 5}, {0, 5}, "\n", {"hello"}},
        {"hello", {0, 5}, {0, 5}, "\r\n", {"hello"}},
        {"hel", {0, 3}, {0, 3}, "l", {}},
        {"a hel", {0, 0}, {0, 0}, "x", {}},
        // An apostrophe may yet join: "doesn" + "'" + "t".
        {"doesn", {0, 5}, {0, 5}, "'", {}},
        {"doesn", {0, 5}, {0, 5}, "\xE2\x80\x99", {}},
        {"doesn'", {0, 6}, {0, 6}, "t", {}},
        {"doesn't", {0, 7}, {0, 7}, " ", {"doesn't"}},
        {"'hello'", {0, 7}, {0, 7}, " ", {"hello"}},
        {"it\xE2\x80\x99", {0, 5}, {0, 5}, ",", {"it"}},
        // The first letter of a word is not a finished word of one letter.
        {"", {0, 0}, {0, 0}, "h", {}},
        {"", {0, 0}, {0, 0}, "hello", {}},
        // Putting a word in place of the typed part: an accepted completion.
        {"x hel y", {0, 2}, {0, 5}, "hello", {"hello"}},
        {"x hel", {0, 2}, {0, 5}, "Hello", {"Hello"}},
        // Pasted text: every word it holds whole.
        {"", {0, 0}, {0, 0}, "one two three", {"one", "two", "three"}},
        {"a b", {0, 1}, {0, 1}, " hello world", {"a", "hello", "world"}},
        {"ab", {0, 1}, {0, 1}, "x y", {}},
        {"", {0, 0}, {0, 0}, "one\ntwo", {"one", "two"}},
        {"end", {0, 3}, {0, 3}, "\nnext line", {"end", "next", "line"}},
        // Removing text finishes nothing.
        {"hello world", {0, 5}, {0, 6}, "", {}},
        {"90", {0, 2}, {0, 2}, " ", {}},
        {"a\rb", {1, 0}, {1, 0}, "\n", {}},
    };
    for (const Row& row : rows) {
        Document document("file:///t", row.text, 1000);
        LinesChange change;
        document.replace(row.start, row.end, row.insert, change);
        ASSERT_TRUE(change.edited.has_value());
        EXPECT_EQ(findFinishedWords(rules, false, document, *change.edited, 64), row.finished)
            << "'" << row.text << "' + '" << row.insert << "'";
    }
}

TEST(TypedWords, APasteMarksABoundedNumberOfWords) {
    const WordRules rules;
    std::string pasted;
    for (int i = 0; i < 100; ++i) pasted += "word" + std::to_string(i) + " ";
    Document document("file:///t", "", 1000);
    LinesChange change;
    document.replace({0, 0}, {0, 0}, pasted, change);
    const std::vector<std::string> words =
        findFinishedWords(rules, false, document, *change.edited, TypedWords::kMaxWordsPerEdit);
    ASSERT_EQ(words.size(), TypedWords::kMaxWordsPerEdit);
    EXPECT_EQ(words.front(), "word0");
    EXPECT_EQ(words.back(), "word63");
}

TEST(TypedWords, MarksTheFinishedWordsAsUsed) {
    const WordRules rules;
    CompletionStore store(3);
    for (const char* word : {"hello", "help", "helium"}) store.addDictionaryWord(word);
    TypedWords typed(rules, false);
    typed.setStore(&store);
    Document document("file:///t", "help", 1000);
    LinesChange change;
    document.replace({0, 4}, {0, 4}, " ", change);
    typed.linesChanged(document, change);
    EXPECT_TRUE(store.lookUp("help")->recent);
    EXPECT_FALSE(store.lookUp("hello")->recent);
    Query ask;
    ask.prefix = "hel";
    EXPECT_EQ(store.complete(ask).candidates.front().word, "help");
}

}  // namespace
}  // namespace rorirer::lsp
