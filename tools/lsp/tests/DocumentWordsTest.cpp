// The open documents' words and word pairs as the server counts them,
// against a fresh count of the final texts after every change: random edits to two
// documents, whole-text replacements, closing and opening again, learning
// turned off and on, and new line limits; and a store being built.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

#include "TextModel.h"
#include "WordCountCheck.h"
#include "WordText.h"
#include "lsp/DocumentPairs.h"
#include "lsp/Documents.h"

namespace rorirer::lsp {
namespace {

std::string randomDocumentText(std::mt19937& random, unsigned mostLines = 5) {
    static const char* const kLineEnds[] = {"\n", "\r\n", "\r"};
    std::string text;
    const int lines = static_cast<int>(random() % mostLines);
    for (int i = 0; i < lines; ++i) {
        text += testsupport::randomWordLine(random, static_cast<int>(random() % 8));
        text += kLineEnds[random() % 3];
    }
    return text + testsupport::randomWordLine(random, static_cast<int>(random() % 8));
}

// The word pairs of the open documents read afresh, a line after another;
// empty when `kept` holds exactly those, else what differs.
std::string comparePairs(const WordPairs& kept, const WordRules& rules,
                         const std::vector<std::string>& texts, std::size_t limit) {
    const PairReader reader(rules, false);
    WordPairs fresh(static_cast<std::size_t>(-1));
    std::vector<std::pair<std::string, std::string>> seen;
    for (const std::string& text : texts) {
        PairReader::Context context;
        for (const ModelLine& line : splitModelLines(text)) {
            reader.readLine(line.text.size() > limit ? std::string_view() : line.text, context,
                            [&](std::string_view previous, std::string_view word) {
                                fresh.add(previous, word);
                                seen.emplace_back(previous, word);
                            });
        }
    }
    if (kept.size() != fresh.size())
        return "the documents hold " + std::to_string(fresh.size()) + " pairs, the counts " +
               std::to_string(kept.size());
    for (const auto& [previous, word] : seen) {
        if (kept.count(previous, word) != fresh.count(previous, word))
            return "'" + previous + " " + word + "' is counted " +
                   std::to_string(kept.count(previous, word)) + " times, and occurs " +
                   std::to_string(fresh.count(previous, word)) + " times";
    }
    return {};
}

TEST(DocumentWords, CountsMatchAFreshCountThroughEveryChange) {
    const WordRules rules;
    std::mt19937 random(777);
    const std::array<std::string, 2> uris = {"file:///a", "file:///b"};
    for (int round = 0; round < 60; ++round) {
        CompletionStore store(static_cast<long>(1 + random() % 6));
        DocumentWords words(rules, false);
        words.setStore(&store);
        // Half the rounds put off the store's share of opened documents,
        // and feed it in slices between the changes, or not at all.
        const bool deferring = round % 2 == 1;
        if (deferring) words.setDeferAbove(random() % 4);
        Documents documents;
        documents.addObserver(words);
        DocumentPairs pairs(rules, false);
        documents.addObserver(pairs);
        // And read the pairs of opened documents later, in slices.
        if (deferring) pairs.setReadLaterAbove(1 + random() % 4);
        std::size_t limit = round % 3 == 0 ? 24 : Documents::kDefaultLineLimit;
        documents.setLineLimit(limit);
        // Longer documents when their pairs are read later, so that they
        // change while part is unread.
        const unsigned mostLines = deferring ? 30 : 5;
        std::array<TextModel, 2> models = {TextModel(randomDocumentText(random, mostLines)),
                                           TextModel(randomDocumentText(random, mostLines))};
        std::array<bool, 2> open = {true, true};
        for (std::size_t d = 0; d < 2; ++d) documents.open(uris[d], models[d].text(), 1);

        for (int step = 0; step < 80; ++step) {
            const std::size_t d = random() % 2;
            const auto op = random() % 20;
            if (!open[d]) {
                documents.open(uris[d], models[d].text(), step);
                open[d] = true;
            } else if (op < 14) {
                const std::vector<ModelLine> lines = splitModelLines(models[d].text());
                const auto position = [&]() {
                    const std::size_t line = random() % (lines.size() + 1);
                    const std::size_t width = line < lines.size() ? lines[line].text.size() : 0;
                    return ProtocolPosition{line, random() % (width + 3)};
                };
                TextChange change;
                change.start = position();
                change.end = random() % 3 == 0 ? change.start : position();
                change.text = random() % 4 == 0 ? randomDocumentText(random)
                                                : testsupport::randomWordLine(
                                                      random, static_cast<int>(random() % 3));
                models[d].replace(change.start.line, change.start.character, change.end.line,
                                  change.end.character, change.text, TextUnits::kUtf8);
                documents.change(uris[d], step, {change}, PositionEncoding::kUtf8);
            } else if (op < 16) {
                TextChange change;
                change.whole = true;
                change.text = randomDocumentText(random);
                models[d].replaceAll(change.text);
                documents.change(uris[d], step, {change}, PositionEncoding::kUtf8);
            } else if (op == 16) {
                documents.close(uris[d]);
                open[d] = false;
            } else if (op == 17) {
                words.setLearning(!words.learning());
            } else if (op == 18) {
                limit = random() % 2 == 0 ? 12 + random() % 30 : Documents::kDefaultLineLimit;
                documents.setLineLimit(limit);
            } else {
                // A store built anew takes what the documents hold.
                CompletionStore fresh(store.minLength());
                if (words.learning()) words.addAllTo(fresh);
                store = std::move(fresh);
                // What the old store had yet to get, the new one has.
                words.setStore(&store);
            }

            const bool drain = deferring ? random() % 3 == 0 : random() % 3 != 0;
            if (drain) {
                // Read all now and compare, or read some and let the
                // documents change while the rest waits.
                while (pairs.readSome(1 + random() % 3)) {
                }
                std::vector<std::string> openTexts;
                for (std::size_t i = 0; i < 2; ++i)
                    if (open[i]) openTexts.push_back(models[i].text());
                ASSERT_EQ(comparePairs(pairs.pairs(), rules, openTexts, limit), "")
                    << "round " << round << " step " << step;
            } else {
                pairs.readSome(random() % 8);
            }
            FreshCounts all;
            for (std::size_t i = 0; i < 2; ++i) {
                FreshCounts one;
                if (open[i]) countAfresh(rules, models[i].text(), limit, one);
                for (const auto& entry : one) all[entry.first] += entry.second;
                ASSERT_EQ(compareDocumentCounts(words, uris[i], one), "")
                    << "round " << round << " step " << step << " document " << i;
            }
            if (deferring && random() % 3 != 0) {
                // The counts are whole at once; the store catches up later.
                words.feedSome(random() % 8);
                continue;
            }
            words.flush();
            ASSERT_FALSE(words.feedPending());
            ASSERT_EQ(compareStoreCounts(store, all, words.learning()), "")
                << "round " << round << " step " << step;
        }
    }
}

// A large document's pairs read a few lines at a time while it changes:
// edits before, across and after the first unread line, then the rest
// read; the pairs are those of reading the final text at once.
TEST(DocumentPairs, ReadLaterAgreesWithReadingAtOnce) {
    const WordRules rules;
    std::mt19937 random(31);
    for (int round = 0; round < 200; ++round) {
        Documents documents;
        DocumentPairs pairs(rules, false);
        pairs.setReadLaterAbove(1);
        documents.addObserver(pairs);
        TextModel model(randomDocumentText(random, 40));
        documents.open("file:///p", model.text(), 1);
        for (int step = 0; step < 12; ++step) {
            pairs.readSome(random() % 6);
            const std::vector<ModelLine> lines = splitModelLines(model.text());
            TextChange change;
            change.start.line = random() % lines.size();
            change.start.character = random() % (lines[change.start.line].text.size() + 1);
            change.end = change.start;
            if (random() % 3 == 0) change.end.line += random() % (lines.size() - change.start.line);
            change.end.character = random() % 4;
            change.text = random() % 3 == 0 ? randomDocumentText(random, 3)
                                            : testsupport::randomWordLine(random, 1);
            model.replace(change.start.line, change.start.character, change.end.line,
                          change.end.character, change.text, TextUnits::kUtf8);
            documents.change("file:///p", step + 2, {change}, PositionEncoding::kUtf8);
        }
        while (pairs.readSome(1 + random() % 4)) {
        }
        ASSERT_EQ(comparePairs(pairs.pairs(), rules, {model.text()}, Documents::kDefaultLineLimit),
                  "")
            << "round " << round;
        documents.close("file:///p");
        ASSERT_EQ(pairs.pairs().size(), 0u) << "round " << round;
    }
}

TEST(DocumentWords, OccurrencesAreCountedInTheStoresForm) {
    const WordRules rules;
    CompletionStore store(3);
    DocumentWords words(rules, false);
    words.setStore(&store);
    Documents documents;
    documents.addObserver(words);
    // "é" written as e and a combining acute, and composed: one word.
    documents.open("file:///n", "caf\x65\xCC\x81 caf\xC3\xA9 1984 cafe", 1);
    EXPECT_EQ(words.occurrences("file:///n", "caf\xC3\xA9"), 2u);
    EXPECT_EQ(words.occurrences("file:///n", "cafe"), 1u);
    EXPECT_EQ(words.occurrences("file:///n", "1984"), 0u);
    EXPECT_EQ(words.occurrences("file:///other", "cafe"), 0u);
    EXPECT_EQ(store.lookUp("caf\xC3\xA9")->documentCount, 2u);
    documents.close("file:///n");
    EXPECT_EQ(words.countsOf("file:///n"), nullptr);
    EXPECT_EQ(store.wordCount(), 0u);
}

}  // namespace
}  // namespace rorirer::lsp
