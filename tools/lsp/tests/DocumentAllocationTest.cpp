// Fails each allocation of an edit in turn and checks that the document is
// exactly as it was and that its observers heard nothing: everything an
// edit needs is allocated before the document changes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <random>
#include <string>

#include "FailingAllocator.h"
#include "LineMirror.h"
#include "TestText.h"
#include "lsp/Document.h"
#include "lsp/DocumentWords.h"
#include "lsp/Documents.h"

namespace rorirer::lsp {
namespace {

// The observer's own allocations are not the document's: they never fail,
// and an observer that throws is on its own anyway.
class SparedMirror : public LineMirror {
public:
    void linesChanged(const Document& document, const LinesChange& change) override {
        const long saved = g_failAfter;
        g_failAfter = -1;
        LineMirror::linesChanged(document, change);
        g_failAfter = saved;
    }
};

// Runs `edit` with the n-th allocation failing, for n = 0, 1, ... until it
// succeeds; after each failure the document must be as it was. Every edit
// here allocates, so one that never fails means no failure was tried.
template <typename Edit>
void failEachAllocation(Documents& documents, SparedMirror& mirror, const std::string& uri,
                        Edit edit, const char* what) {
    for (long n = 0;; ++n) {
        const std::string before = documents.find(uri)->text();
        const long reports = mirror.reports();
        if (!failsWithAllocation(n, edit)) {
            EXPECT_GT(n, 0) << what << ": no allocation failed";
            return;
        }
        ASSERT_TRUE(documents.find(uri)->text() == before) << what << ", allocation " << n;
        ASSERT_EQ(mirror.reports(), reports) << what << ", allocation " << n;
        ASSERT_EQ(mirror.compare(*documents.find(uri)), "") << what << ", allocation " << n;
    }
}

TEST(DocumentAllocation, FailedEditLeavesDocumentAsItWas) {
    std::mt19937 random(8);
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "line " + std::to_string(i) + " \xF0\x9F\x98\x80\r\n";
    Documents documents;
    SparedMirror mirror;
    documents.addObserver(mirror);
    documents.open("file:///a", text, 1);
    struct Row {
        ProtocolPosition start, end;
        std::string text;
    };
    const Row rows[] = {
        {{5, 2}, {5, 2}, "x"},                       // in place in one line
        {{5, 0}, {5, 99}, ""},                       // a line emptied
        {{7, 3}, {7, 3}, "\n"},                      // Enter
        {{10, 0}, {900, 4}, ""},                     // many blocks joined
        {{20, 1}, {20, 1}, std::string(400, '\n')},  // a block split
        {{30, 0}, {30, 0}, "a\r\nb\rc\nd"},
    };
    for (const Row& row : rows) {
        failEachAllocation(
            documents, mirror, "file:///a",
            [&] {
                TextChange change;
                change.start = row.start;
                change.end = row.end;
                change.text = row.text;
                documents.change("file:///a", 2, {change}, PositionEncoding::kUtf16);
            },
            row.text.c_str());
    }
    failEachAllocation(
        documents, mirror, "file:///a",
        [&] {
            TextChange whole;
            whole.whole = true;
            whole.text = "short\nnew text";
            documents.change("file:///a", 3, {whole}, PositionEncoding::kUtf16);
        },
        "whole text");
    failEachAllocation(
        documents, mirror, "file:///a", [&] { documents.open("file:///a", text, 4); }, "reopen");
    EXPECT_TRUE(documents.find("file:///a")->text() == text);
    EXPECT_EQ(mirror.compare(*documents.find("file:///a")), "");
}

// An opened document's words the store has yet to get: a feed that runs
// out of memory part way leaves counted exactly what the store got, so that
// closing the document takes every word out again, none too often.
// A document just opened whose words the store has yet to get.
struct OpenedLate {
    OpenedLate(const WordRules& rules, const std::string& text) : words(rules, false) {
        words.setStore(&store);
        words.setDeferAbove(10);
        documents.addObserver(words);
        documents.open("file:///a", text, 1);
    }
    CompletionStore store{1};
    DocumentWords words;
    Documents documents;
};

TEST(DocumentAllocation, FailedFeedLeavesCountsAndStoreAgreeing) {
    std::string text;
    for (int i = 0; i < 400; ++i) text += "word" + std::to_string(i % 300) + " ";
    const WordRules rules;
    for (long n = 0;; ++n) {
        OpenedLate opened(rules, text);
        CompletionStore& store = opened.store;
        DocumentWords& words = opened.words;
        Documents& documents = opened.documents;
        ASSERT_TRUE(words.feedPending());
        ASSERT_EQ(store.wordCount(), 0u);
        const bool failed = failsWithAllocation(n, [&] { words.flush(); });
        EXPECT_FALSE(words.feedPending()) << "allocation " << n;
        const DocumentWords::Counts* counts = words.countsOf("file:///a");
        const std::size_t counted = counts == nullptr ? 0 : counts->size();
        ASSERT_EQ(store.wordCount(), counted) << "allocation " << n;
        if (counts != nullptr) {
            for (const auto& entry : *counts) {
                const auto info = store.lookUp(entry.first);
                ASSERT_TRUE(info.has_value()) << entry.first << ", allocation " << n;
                ASSERT_EQ(info->documentCount, entry.second) << entry.first;
            }
        }
        documents.close("file:///a");
        ASSERT_EQ(store.wordCount(), 0u) << "allocation " << n;
        if (!failed) {
            EXPECT_GT(n, 0) << "no allocation of the feed failed";
            EXPECT_EQ(counted, 300u);
            break;
        }
    }
    // A close that must first finish the feed: whatever fails, a close
    // that returns has taken every word of the document out of the store,
    // and after one that throws, the store catches up with the counts.
    for (long n = 0;; ++n) {
        OpenedLate opened(rules, text);
        CompletionStore& store = opened.store;
        DocumentWords& words = opened.words;
        Documents& documents = opened.documents;
        words.feedSome(100);
        const bool once = true;
        const bool failed = failsWithAllocation(
            n, [&] { documents.close("file:///a"); }, once);
        const DocumentWords::Counts* counts = words.countsOf("file:///a");
        if (n == 0) {
            EXPECT_TRUE(failed) << "finishing the feed allocates";
        }
        if (!failed) {
            ASSERT_EQ(documents.find("file:///a"), nullptr) << "allocation " << n;
            ASSERT_EQ(counts, nullptr) << "allocation " << n;
            ASSERT_EQ(store.wordCount(), 0u) << "allocation " << n;
            if (n > 400) return;
            continue;
        }
        // Only a close that failed before it began keeps the document: one
        // whose feed failed goes on, or the document would stay open.
        ASSERT_TRUE(counts != nullptr && counts->size() == 300u) << "allocation " << n;
        words.flush();
        const std::size_t counted = counts == nullptr ? 0 : counts->size();
        ASSERT_EQ(store.wordCount(), counted) << "allocation " << n;
        documents.close("file:///a");
        ASSERT_EQ(store.wordCount(), 0u) << "allocation " << n;
    }
}

}  // namespace
}  // namespace rorirer::lsp
