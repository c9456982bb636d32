// What Tab, the listing and the hint decide, as tables of worked examples:
// the word before the cursor by the layer's rules, the case inferred, never
// half a character inserted, typos listed but never put in the line, and the
// hint cut at the margin on grapheme boundaries by display columns.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CompletionListing.h"
#include "TabCompletion.h"

using rorirer::CaseMode;
using rorirer::CompletionStore;
using rorirer::QueryStyle;
using rorirer::TabEdit;
using rorirer::WordRules;

namespace {

CompletionStore storeOf(const std::vector<std::string>& words) {
    CompletionStore store(3);
    for (const std::string& word : words) store.addDictionaryWord(word);
    return store;
}

const std::vector<std::string> kWords = {"hello",   "help",   "helmet",    "hippopotamus",
                                         "doesn't", "does",   "caf\u00e9", "caf\u00e8",
                                         "zebra",   "zebras", "zebrasses", "caf\u00e9s"};

constexpr std::size_t kEnd = std::string::npos;

TEST(TabCompletion, DecideTabWorkedExamples) {
    struct Row {
        std::string line;
        std::size_t cursor;  // kEnd: the end of the line
        bool repeated;
        CaseMode mode;
        bool skip;
        TabEdit::Action action;
        std::size_t start;
        std::string text;
        bool complete;
        std::string accepted;
    };
    const CaseMode infer = CaseMode::kInfer;
    const std::vector<Row> rows = {
        // The apostrophe rule: the word is "doesn" or "doesn'", and the one
        // word that fits is put in whole, a space after it.
        {"it doesn", kEnd, false, infer, false, TabEdit::kReplace, 3, "doesn't", true, "doesn't"},
        {"it doesn'", kEnd, false, infer, false, TabEdit::kReplace, 3, "doesn't", true, "doesn't"},
        // After that space there is no word: nothing, not the whole list.
        {"it doesn't ", kEnd, true, infer, false, TabEdit::kNothing, 0, "", false, ""},
        {"'", kEnd, true, infer, false, TabEdit::kNothing, 0, "", false, ""},
        // Case inferred: nothing new to insert, so the second Tab lists.
        {"Hel", kEnd, false, infer, false, TabEdit::kNothing, 0, "", false, ""},
        {"Hel", kEnd, true, infer, false, TabEdit::kList, 0, "", false, ""},
        {"HIPP", kEnd, false, infer, false, TabEdit::kReplace, 0, "HIPPOPOTAMUS", true,
         "hippopotamus"},
        {"Hel", kEnd, true, CaseMode::kExact, false, TabEdit::kNothing, 0, "", false, ""},
        // café and cafè part inside the accent's bytes: only "caf" is common.
        {"c", kEnd, false, infer, false, TabEdit::kReplace, 0, "caf", false, ""},
        {"caf", kEnd, false, infer, false, TabEdit::kNothing, 0, "", false, ""},
        {"caf", kEnd, true, infer, false, TabEdit::kList, 0, "", false, ""},
        // Typed in NFD, the word is already what all share.
        {"cafe\xCC\x81", kEnd, false, infer, false, TabEdit::kNothing, 0, "", false, ""},
        // A typo is never put in the line; a second Tab lists close matches.
        {"hipopo", kEnd, false, infer, false, TabEdit::kNothing, 0, "", false, ""},
        {"hipopo", kEnd, true, infer, false, TabEdit::kList, 0, "", false, ""},
        {"qqqq", kEnd, true, infer, false, TabEdit::kNothing, 0, "", false, ""},
        // Only the text before the cursor counts.
        {"a hippoXYZ", 7, false, infer, false, TabEdit::kReplace, 2, "hippopotamus", true,
         "hippopotamus"},
        // Passing over a prefix that is itself a word.
        {"zebra", kEnd, false, infer, false, TabEdit::kNothing, 0, "", false, ""},
        {"zebra", kEnd, false, infer, true, TabEdit::kReplace, 0, "zebras", false, ""},
        {"zebras", kEnd, false, infer, true, TabEdit::kReplace, 0, "zebrasses", true, "zebrasses"},
    };
    const CompletionStore store = storeOf(kWords);
    const WordRules rules;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line + (row.repeated ? " (repeated)" : ""));
        QueryStyle style;
        style.caseMode = row.mode;
        style.skipPrefixWord = row.skip;
        const std::size_t cursor = row.cursor == kEnd ? row.line.size() : row.cursor;
        const TabEdit edit = decideTab(store, rules, style, row.line, cursor, row.repeated);
        EXPECT_EQ(edit.action, row.action);
        if (edit.action != TabEdit::kReplace) continue;
        EXPECT_EQ(edit.start, row.start);
        EXPECT_EQ(edit.text, row.text);
        EXPECT_EQ(edit.complete, row.complete);
        EXPECT_EQ(edit.accepted, row.accepted);
    }
}

TEST(TabCompletion, HintWorkedExamples) {
    struct Row {
        std::string line;
        std::size_t cursor;
        CaseMode mode;
        std::string rest;  // empty: no hint
        std::string accepted;
    };
    const std::vector<Row> rows = {
        {"go hippo", kEnd, CaseMode::kInfer, "potamus", "hippopotamus"},
        {"go HIPPO", kEnd, CaseMode::kInfer, "POTAMUS", "hippopotamus"},
        {"go hippo", 4, CaseMode::kInfer, "", ""},   // not at the end of the line
        {"hel", kEnd, CaseMode::kInfer, "", ""},     // more than one word fits
        {"hipopo", kEnd, CaseMode::kInfer, "", ""},  // a typo has no hint
        {"doesn'", kEnd, CaseMode::kInfer, "t", "doesn't"},
        {"cafe\xCC\x81s", kEnd, CaseMode::kInfer, "", ""},  // whole already
        // Shown as stored, the word no longer begins as typed.
        {"HIPPO", kEnd, CaseMode::kIgnore, "", ""},
        {"hippo", kEnd, CaseMode::kIgnore, "potamus", "hippopotamus"},
    };
    const CompletionStore store = storeOf(kWords);
    const WordRules rules;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        QueryStyle style;
        style.caseMode = row.mode;
        const std::size_t cursor = row.cursor == kEnd ? row.line.size() : row.cursor;
        const rorirer::Hint hint = findHint(store, rules, style, row.line, cursor);
        EXPECT_EQ(std::string(hint.rest()), row.rest);
        EXPECT_EQ(hint.empty(), row.rest.empty());
        EXPECT_EQ(hint.accepted, row.accepted);
    }
}

TEST(TabCompletion, CutToColumnsWorkedExamples) {
    struct Row {
        std::string text;
        std::size_t from;
        int columns;
        std::size_t end;
    };
    const std::string thumbs = "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD";  // U+1F44D U+1F3FD
    const std::string france = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7";  // two regional indicators
    const std::string germany = "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA";
    const std::string hangul = "\xE1\x84\x80\xE1\x85\xA1\xE1\x86\xA8";  // L V T jamo
    const std::vector<Row> rows = {
        {"hippopotamus", 5, 100, 12},
        {"hippopotamus", 5, 3, 8},
        {"hippopotamus", 5, 0, 5},
        // Wide characters take two columns each.
        {"\u65e5\u672c\u8a9e\u8f9e\u66f8", 6, 3, 9},
        {"\u65e5\u672c\u8a9e\u8f9e\u66f8", 6, 1, 6},
        {"\u65e5\u672c\u8a9e\u8f9e\u66f8", 6, 6, 15},
        // A combining mark takes none and stays with its letter.
        {"ax\xCC\x81y", 1, 1, 4},
        // A cluster that does not fit whole is left out whole.
        {"ab" + thumbs + "c", 2, 3, 2},
        {"ab" + thumbs + "c", 2, 4, 10},
        {france + germany, 0, 3, 8},
        {france + germany, 0, 4, 16},
        {"a" + hangul, 1, 2, 1},
        {"a" + hangul, 1, 4, 10},
        // A byte that is not UTF-8 takes one column and stands alone.
        {"ab\xE9\xFF", 2, 1, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text + " from " + std::to_string(row.from) + " in " +
                     std::to_string(row.columns));
        EXPECT_EQ(rorirer::cutToColumns(row.text, row.from, row.columns), row.end);
    }
}

TEST(TabCompletion, ListingShowsTheBestFirstAndCountsTheRest) {
    CompletionStore store(3);
    store.addDictionaryWord("helmet", 30);
    store.addDictionaryWord("help", 9);
    for (const char* word : {"hello", "helium", "helicopter", "Helsinki", "hippopotamus"})
        store.addDictionaryWord(word);
    const WordRules rules;
    const QueryStyle style;
    struct Row {
        std::string line;
        int columns;
        int rows;
        std::string listing;
    };
    const std::vector<Row> rows = {
        // Counts first, then shorter words; Helsinki's case does not agree.
        {"hel", 40, 10, "helmet      hello       helicopter\nhelp        helium      helsinki\n"},
        // A line's first word begins a sentence: its capital asks for no
        // name, and Helsinki ranks by its count among the others.
        {"Hel", 40, 10, "Helmet      Hello       Helsinki\nHelp        Helium      Helicopter\n"},
        // Too many for the screen: the last row says how many are left out.
        {"hel", 24, 3, "helmet      helium\nhelp        helicopter\nhello       helsinki\n"},
        {"hel", 24, 2, "helmet      help\n... and 4 more\n"},
        {"hipopo", 80, 10, "no word begins with hipopo; close matches:\nhippopotamus\n"},
        {"qqqq", 80, 10, ""},
        {"hel ", 80, 10, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(
            listCandidates(store, rules, style, row.line, row.line.size(), row.columns, row.rows),
            row.listing);
    }
}

TEST(TabCompletion, AWordThatFollowedTheSameWordInAnEnteredLineComesFirst) {
    const CompletionStore store = storeOf(kWords);
    const WordRules rules;
    const QueryStyle style;
    rorirer::SessionPairs session(rules, false);
    const auto first = [&](const std::string& line, const rorirer::SessionPairs* pairs) {
        const std::string listing =
            listCandidates(store, rules, style, line, line.size(), 80, 10, pairs);
        return listing.substr(0, listing.find(' '));
    };
    const std::string alone = first("my hel", nullptr);
    const std::string lifted = alone == "helmet" ? "hello" : "helmet";
    session.addLine("Put on my " + lifted + " and go.");
    EXPECT_EQ(first("my hel", &session), lifted);
    // Another word before it, or none: the pair does not count.
    EXPECT_EQ(first("your hel", &session), alone);
    EXPECT_EQ(first("hel", &session), first("hel", nullptr));
    // What fits alone still fits: Tab and the hint are the same.
    const TabEdit edit = decideTab(store, rules, style, "my helm", kEnd, false, &session);
    EXPECT_EQ(edit.text, "helmet");
    EXPECT_EQ(findHint(store, rules, style, "my helm", 7, &session).text, "helmet");
}

TEST(TabCompletion, ListingColumnsAreDisplayColumns) {
    // Two wide characters take four columns: the cells line up on screen.
    const std::string listing =
        rorirer::formatListing({"\u65e5\u672c", "ab", "\u00e9t\u00e9", "abcd"}, 4, 14, 5);
    EXPECT_EQ(listing, "\u65e5\u672c  \u00e9t\u00e9\nab    abcd\n");
}

}  // namespace
