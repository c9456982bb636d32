// Settings from the client: each good value taken, each bad one refused
// with a sentence and the old value kept, others' keys passed over.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "lsp/Settings.h"

namespace rorirer::lsp {
namespace {

TEST(Settings, WorkedExamples) {
    using nlohmann::json;
    // What an editor that sets nothing gets.
    const Settings defaults;
    EXPECT_EQ(defaults.style.caseMode, CaseMode::kInfer);
    EXPECT_EQ(defaults.style.sortOrder, SortOrder::kRank);
    EXPECT_EQ(defaults.style.limit, 50u);
    EXPECT_EQ(defaults.lineLimit, 100000u);
    EXPECT_TRUE(defaults.style.fuzzy);
    EXPECT_TRUE(defaults.learnFromDocuments);

    Settings base;
    base.dictionaries = {"/old"};
    struct Row {
        json message;
        Settings expected;
        std::size_t problems;
    };
    auto with = [&](auto change) {
        Settings settings = base;
        change(settings);
        return settings;
    };
    const std::vector<Row> rows = {
        {json::object(), base, 0},
        {json(nullptr), base, 0},
        {json::array(), base, 1},
        {{{"maxItems", 10}}, with([](Settings& s) { s.style.limit = 10; }), 0},
        {{{"rorirer", {{"maxItems", 10}}}, {"maxItems", 20}},
         with([](Settings& s) { s.style.limit = 10; }),
         0},
        {{{"maxItems", 0}}, base, 1},
        {{{"maxItems", -3}}, base, 1},
        {{{"maxItems", "7"}}, base, 1},
        {{{"maxItems", 2.5}}, base, 1},
        {{{"maxItems", 10001}}, base, 1},
        {{{"minLength", 3}, {"lineLimit", 200}},
         with([](Settings& s) {
             s.minLength = 3;
             s.lineLimit = 200;
         }),
         0},
        {{{"dictionaries", {"/a", "/b"}}},
         with([](Settings& s) {
             s.dictionaries = {"/a", "/b"};
         }),
         0},
        {{{"dictionaries", {"/a", 3}}}, base, 1},
        {{{"dictionaries", {"/a", ""}}}, base, 1},
        {{{"dictionaries", "/a"}}, base, 1},
        {{{"case", "ignore"}, {"sort", "alpha"}},
         with([](Settings& s) {
             s.style.caseMode = CaseMode::kIgnore;
             s.style.sortOrder = SortOrder::kAlpha;
         }),
         0},
        {{{"case", "exact"}}, with([](Settings& s) { s.style.caseMode = CaseMode::kExact; }), 0},
        {{{"case", "smart"}, {"sort", "rank"}},
         with([](Settings& s) { s.style.caseMode = CaseMode::kSmart; }),
         0},
        {{{"case", "upper"}, {"sort", 1}}, base, 2},
        {{{"case", "Infer"}, {"sort", "frequency"}}, base, 2},
        {{{"fuzzy", false}, {"learnFromDocuments", false}},
         with([](Settings& s) {
             s.style.fuzzy = false;
             s.learnFromDocuments = false;
         }),
         0},
        {{{"fuzzy", "no"}}, base, 1},
        // Good and bad together: the good ones are taken.
        {{{"maxItems", 5}, {"minLength", "x"}}, with([](Settings& s) { s.style.limit = 5; }), 1},
        {{{"editor.fontSize", 14}, {"maxItems", nullptr}}, base, 0},
    };
    for (const Row& row : rows) {
        Settings settings = base;
        std::vector<std::string> problems;
        readSettings(row.message, settings, problems);
        EXPECT_TRUE(settings == row.expected) << row.message.dump();
        EXPECT_EQ(problems.size(), row.problems) << row.message.dump();
    }
}

}  // namespace
}  // namespace rorirer::lsp
