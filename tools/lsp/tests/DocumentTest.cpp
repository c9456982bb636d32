// Documents under edits: the text against the plain model after every edit,
// and what observers are told against the document itself.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "LineMirror.h"
#include "TestText.h"
#include "TextModel.h"
#include "lsp/Document.h"
#include "lsp/Documents.h"

namespace rorirer::lsp {
namespace {

// Empty when the document holds exactly the model's text and lines.
std::string compareWithModel(const Document& document, const TextModel& model) {
    if (document.text() != model.text()) return "the text differs";
    const std::vector<std::string> lines = model.lineTexts();
    if (document.lineCount() != lines.size()) return "the line count differs";
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (document.lineText(i) != lines[i]) return "line " + std::to_string(i) + " differs";
    return {};
}

// Byte offset in the whole text of a place in its lines.
std::size_t offsetOf(const std::vector<ModelLine>& lines, LinePosition position) {
    return lines[position.line].offset + position.byte;
}

// Empty when `edited` says where `text` went: the text before it and after
// it is the text that was before and after the range replaced. A line end
// of `text` may have joined one at its edge as one CRLF.
std::string checkEditedRange(const std::string& before, LinePosition start, LinePosition end,
                             const std::string& text, const Document& after,
                             const std::optional<EditedRange>& edited) {
    if (!edited) return "no edited range";
    const std::vector<ModelLine> oldLines = splitModelLines(before);
    if (end.line < start.line || (end.line == start.line && end.byte < start.byte))
        std::swap(start, end);
    const std::size_t oldStart = offsetOf(oldLines, start);
    const std::size_t oldEnd = offsetOf(oldLines, end);
    const std::string now = after.text();
    const std::vector<ModelLine> newLines = splitModelLines(now);
    if (edited->end.line >= newLines.size() || edited->start.line > edited->end.line)
        return "the range lies outside the document";
    const std::size_t newStart = offsetOf(newLines, edited->start);
    const std::size_t newEnd = offsetOf(newLines, edited->end);
    if (newStart > newEnd) return "the range is reversed";
    const std::string head = before.substr(0, oldStart);
    const std::string tail = before.substr(oldEnd);
    const bool crBefore = !head.empty() && head.back() == '\r';
    const bool lfAfter = !tail.empty() && tail[0] == '\n';
    if (text.empty() && crBefore && lfAfter) {
        // The CR and the LF met: nothing lies between them now.
        if (now.substr(0, newStart) + "\r" != head || now.substr(newEnd) != "\r" + tail)
            return "the range is not at the line end that was joined";
    } else {
        const bool headJoined = !text.empty() && text[0] == '\n' && crBefore;
        const bool tailJoined = !text.empty() && text.back() == '\r' && lfAfter;
        if (now.substr(0, newStart) != head + (headJoined ? "\n" : ""))
            return "the text before the range changed";
        if (now.substr(newEnd) != (tailJoined ? "\r" : "") + tail)
            return "the text after the range changed";
    }
    if (edited->replaced != (oldStart != oldEnd)) return "replaced is wrong";
    return {};
}

// A position that is valid more often than not, and otherwise past the end
// of its line or of the document.
ProtocolPosition randomPosition(std::mt19937& random, const TextModel& model,
                                PositionEncoding encoding) {
    const std::vector<ModelLine> lines = splitModelLines(model.text());
    const std::uint64_t line = random() % (lines.size() + (random() % 4 == 0 ? 3 : 0));
    std::uint64_t width = 2;
    if (line < lines.size())
        width = codePointStarts(lines[line].text, modelUnits(encoding)).back().character;
    return {line, random() % (width + (random() % 4 == 0 ? 4 : 1))};
}

TEST(Edits, MatchPlainStringInEveryEncoding) {
    std::mt19937 random(31337);
    for (int round = 0; round < 400; ++round) {
        const std::size_t limit = std::size_t{1} << (random() % 6) * 3;  // 1 to 32768
        const std::string initial = randomText(random, static_cast<int>(random() % 30), true, true);
        Document document("file:///t", initial, limit);
        TextModel model(initial);
        LineMirror mirror;
        mirror.setLimit(limit);
        LinesChange opened;
        document.describeAll(LinesChange::Kind::kOpen, opened);
        mirror.linesChanged(document, opened);
        for (int step = 0; step < 60; ++step) {
            const PositionEncoding encoding = kEncodings[random() % 3];
            const std::string text =
                randomText(random, static_cast<int>(random() % 5), random() % 4 == 0, true);
            LinesChange change;
            if (random() % 25 == 0) {
                document.replaceAll(text, change);
                model.replaceAll(text);
                ASSERT_FALSE(change.edited.has_value());
            } else {
                const ProtocolPosition start = randomPosition(random, model, encoding);
                const ProtocolPosition end =
                    random() % 3 == 0 ? start : randomPosition(random, model, encoding);
                const std::string before = model.text();
                const LinePosition from = document.toLinePosition(start, encoding);
                const LinePosition to = document.toLinePosition(end, encoding);
                document.replace(from, to, text, change);
                model.replace(start.line, start.character, end.line, end.character, text,
                              modelUnits(encoding));
                ASSERT_EQ(checkEditedRange(before, from, to, text, document, change.edited), "")
                    << "round " << round << " step " << step;
            }
            mirror.linesChanged(document, change);
            ASSERT_EQ(compareWithModel(document, model), "")
                << "round " << round << " step " << step;
            ASSERT_EQ(mirror.compare(document), "") << "round " << round << " step " << step;
        }
    }
}

TEST(Edits, WorkedExamples) {
    struct Row {
        std::string text;
        ProtocolPosition start, end;  // UTF-16
        std::string insert;
        std::string after;
        std::size_t firstLine;
        std::vector<std::string> removed, added;
    };
    const Row rows[] = {
        {"hello", {0, 5}, {0, 5}, "X", "helloX", 0, {"hello"}, {"helloX"}},
        {"ab\ncd", {0, 1}, {0, 1}, "\n", "a\nb\ncd", 0, {"ab"}, {"a", "b"}},
        {"ab\ncd", {0, 2}, {1, 0}, "", "abcd", 0, {"ab", "cd"}, {"abcd"}},
        {"a\r\nb", {0, 1}, {1, 0}, "", "ab", 0, {"a", "b"}, {"ab"}},
        // An LF met by a lone CR before it joins it as one line end.
        {"a\rb", {1, 0}, {1, 0}, "\n", "a\r\nb", 1, {"b"}, {"b"}},
        {"a\rx\n", {1, 0}, {1, 1}, "", "a\r\n", 1, {"x"}, {}},
        // A CR put before an LF makes a CRLF.
        {"a\nb", {0, 1}, {0, 1}, "\r", "a\r\nb", 0, {"a"}, {"a"}},
        {"abc", {0, 2}, {0, 1}, "", "ac", 0, {"abc"}, {"ac"}},           // reversed
        {"ab\ncd", {9, 0}, {9, 3}, "!", "ab\ncd!", 1, {"cd"}, {"cd!"}},  // past the end
        {"ab\ncd", {0, 99}, {0, 99}, "!", "ab!\ncd", 0, {"ab"}, {"ab!"}},
        // Inside the emoji's surrogate pair: the edit lands before it.
        {"a\xF0\x9F\x98\x80z",
         {0, 2},
         {0, 2},
         "X",
         "aX\xF0\x9F\x98\x80z",
         0,
         {"a\xF0\x9F\x98\x80z"},
         {"aX\xF0\x9F\x98\x80z"}},
        {"x\n", {1, 0}, {1, 0}, "y", "x\ny", 1, {""}, {"y"}},
        {"one\ntwo\nthree", {0, 1}, {2, 2}, "", "oree", 0, {"one", "two", "three"}, {"oree"}},
    };
    for (const Row& row : rows) {
        Document document("file:///t", row.text, 1000);
        LinesChange change;
        document.replace(document.toLinePosition(row.start, PositionEncoding::kUtf16),
                         document.toLinePosition(row.end, PositionEncoding::kUtf16), row.insert,
                         change);
        EXPECT_EQ(document.text(), row.after) << row.text;
        EXPECT_EQ(change.firstLine, row.firstLine) << row.text;
        std::vector<std::string> removed, added;
        for (const LineText& line : change.removed) removed.emplace_back(line.text);
        for (const LineText& line : change.added) added.emplace_back(line.text);
        EXPECT_EQ(removed, row.removed) << row.text;
        EXPECT_EQ(added, row.added) << row.text;
    }
}

TEST(Edits, LongLinesAreReportedByLengthOnly) {
    Document document("file:///t", "short\nabcdefghij", 6);
    LinesChange change;
    document.replace({1, 10}, {1, 10}, "k", change);
    ASSERT_EQ(change.removed.size(), 1u);
    EXPECT_TRUE(change.removed[0].overLimit);
    EXPECT_EQ(change.removed[0].length, 10u);
    EXPECT_TRUE(change.removed[0].text.empty());
    ASSERT_EQ(change.added.size(), 1u);
    EXPECT_TRUE(change.added[0].overLimit);
    EXPECT_EQ(change.added[0].length, 11u);
    // Edited down under the limit, it is reported in full again.
    document.replace({1, 2}, {1, 11}, "", change);
    EXPECT_EQ(change.added[0].text, "ab");
    EXPECT_FALSE(change.added[0].overLimit);
    EXPECT_EQ(document.text(), "short\nab");
}

// Thousands of lines, edits that add and remove many at once: the blocks
// the lines are kept in split and merge, and the order must survive.
TEST(Edits, ManyLinesStayInOrder) {
    std::mt19937 random(4242);
    std::string initial;
    for (int i = 0; i < 20000; ++i) initial += "line " + std::to_string(i) + "\n";
    Document document("file:///t", initial, 100000);
    TextModel model(initial);
    LineMirror mirror;
    LinesChange change;
    document.describeAll(LinesChange::Kind::kOpen, change);
    mirror.linesChanged(document, change);
    for (int step = 0; step < 300; ++step) {
        const std::uint64_t lines = document.lineCount();
        const std::uint64_t line = random() % (lines + 1);
        std::string text;
        const int kind = static_cast<int>(random() % 4);
        if (kind == 0) {  // paste many lines
            for (auto i = random() % 900; i > 0; --i) text += "p" + std::to_string(i) + "\r\n";
        } else if (kind == 1) {  // press Enter
            text = "\n";
        }
        // kind 2 and 3 delete up to a few hundred lines, or up to far more.
        const std::uint64_t span = kind == 3 ? random() % 3000 : random() % 300;
        const std::uint64_t endLine = kind <= 1 ? line : line + span;
        const ProtocolPosition start{line, random() % 4};
        const ProtocolPosition end{endLine, random() % 4};
        document.replace(document.toLinePosition(start, PositionEncoding::kUtf8),
                         document.toLinePosition(end, PositionEncoding::kUtf8), text, change);
        mirror.linesChanged(document, change);
        model.replace(start.line, start.character, end.line, end.character, text, TextUnits::kUtf8);
        if (step % 10 == 0 || document.lineCount() < 100) {
            ASSERT_EQ(compareWithModel(document, model), "") << "step " << step;
            ASSERT_EQ(mirror.compare(document), "") << "step " << step;
        }
    }
    ASSERT_EQ(compareWithModel(document, model), "");
    // Enter pressed over and over in one place, then all of it taken out.
    const std::size_t before = document.lineCount();
    for (int i = 0; i < 3000; ++i) {
        document.replace({5, 0}, {5, 0}, "\n", change);
        mirror.linesChanged(document, change);
    }
    EXPECT_EQ(document.lineCount(), before + 3000);
    document.replace({5, 0}, {5 + 3000, 0}, "", change);
    mirror.linesChanged(document, change);
    EXPECT_EQ(document.text(), model.text());
    EXPECT_EQ(mirror.compare(document), "");
    document.replace({0, 0}, {document.lineCount(), 0}, "", change);
    mirror.linesChanged(document, change);
    EXPECT_EQ(document.text(), "");
    EXPECT_EQ(document.lineCount(), 1u);
    EXPECT_EQ(mirror.compare(document), "");
}

// Through the document store: open, edits in several encodings, a change
// of the line limit, close; the observer's tally always equals a fresh
// count of the open document, and nothing is left after it closes.
TEST(Documents, ObserverTallyFollowsEveryChange) {
    std::mt19937 random(777);
    Documents documents;
    LineMirror mirror;
    documents.addObserver(mirror);
    for (int round = 0; round < 100; ++round) {
        const std::string initial = randomText(random, 40, false, true);
        // Opened again over an open one: the old one is closed first.
        if (round % 2 == 1) documents.open("file:///d", "stale\nwords", 0);
        documents.open("file:///d", initial, 1);
        TextModel model(initial);
        for (int step = 0; step < 30; ++step) {
            const PositionEncoding encoding = kEncodings[random() % 3];
            std::vector<TextChange> changes(1 + random() % 3);
            for (TextChange& change : changes) {
                change.start = randomPosition(random, model, encoding);
                change.end = randomPosition(random, model, encoding);
                change.text = randomText(random, static_cast<int>(random() % 4), false, true);
                model.replace(change.start.line, change.start.character, change.end.line,
                              change.end.character, change.text, modelUnits(encoding));
            }
            ASSERT_TRUE(documents.change("file:///d", step + 2, changes, encoding));
            const Document* document = documents.find("file:///d");
            ASSERT_EQ(compareWithModel(*document, model), "");
            ASSERT_EQ(document->version(), step + 2);
            if (step == 15) {
                const std::size_t limit = random() % 2 == 0 ? 3 : 100000;
                mirror.setLimit(limit);
                documents.setLineLimit(limit);
            }
            ASSERT_EQ(mirror.compare(*document), "") << "round " << round << " step " << step;
        }
        EXPECT_FALSE(documents.change("file:///other", 1, {}, PositionEncoding::kUtf16));
        EXPECT_TRUE(documents.close("file:///d"));
        EXPECT_FALSE(documents.close("file:///d"));
        EXPECT_EQ(mirror.lineCount(), 0u);
        EXPECT_TRUE(mirror.words().empty());
    }
}

}  // namespace
}  // namespace rorirer::lsp
