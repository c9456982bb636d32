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
        {{{"maxItems", 10}}, with([](Settings& s) { s.maxItems = 10; }), 0},
        {{{"rorirer", {{"maxItems", 10}}}, {"maxItems", 20}},
         with([](Settings& s) { s.maxItems = 10; }),
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
        {{{"case", "insensitive"}, {"sort", "alphabetical"}},
         with([](Settings& s) {
             s.caseMode = CaseMode::kInsensitive;
             s.sort = SortOrder::kAlphabetical;
         }),
         0},
        {{{"case", "upper"}, {"sort", 1}}, base, 2},
        {{{"fuzzy", false}, {"learnFromDocuments", false}},
         with([](Settings& s) {
             s.fuzzy = false;
             s.learnFromDocuments = false;
         }),
         0},
        {{{"fuzzy", "no"}}, base, 1},
        // Good and bad together: the good ones are taken.
        {{{"maxItems", 5}, {"minLength", "x"}}, with([](Settings& s) { s.maxItems = 5; }), 1},
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
