// The words of the open documents, counted line by line as they change, and
// given to a CompletionStore as document occurrences while learning is on.
//
// Each document's counts are kept whether or not the store is fed, so that
// turning learning on, or building a new store, adds exactly what the
// documents hold. Words are counted in NFC, as the store keeps them, and
// split by the layer's WordSplitter: a line longer than the documents'
// limit is not read, and a word longer than kMaxWordBytes ends what is read
// of its line.
//
// A document just opened brings thousands of words at once. They are
// counted at once, but the store gets them later, a slice at a time while
// the client is quiet (feedSome()), or all at once before anything reads
// or changes the store (flush(): every member that does either calls it).
//
// Failure: when adding to the store or to the counts runs out of memory,
// the words handled so far are counted in both and the rest in neither; a
// word is never taken from the store more often than it was counted.
#ifndef RORIRER_LSP_DOCUMENTWORDS_H
#define RORIRER_LSP_DOCUMENTWORDS_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "completion/CompletionStore.h"
#include "completion/WordRules.h"
#include "completion/WordSplitter.h"
#include "lsp/LineObserver.h"

namespace rorirer::lsp {

class DocumentWords : public LineObserver {
public:
    static constexpr std::size_t kMaxWordBytes = 4096;
    using Counts = std::unordered_map<std::string, std::uint32_t>;

    // `rules` must outlive this object.
    DocumentWords(const WordRules& rules, bool keepNumbers)
        : rules_(rules), keepNumbers_(keepNumbers) {}

    void linesChanged(const Document& document, const LinesChange& change) override;

    // The store fed while learning is on; not owned, null for none. The
    // store is taken as it is: see addAllTo(). What the old store had yet
    // to get is dropped with it.
    void setStore(CompletionStore* store) noexcept {
        store_ = store;
        pending_.clear();
    }
    // On: adds every document's counts to the store; off: takes them away.
    void setLearning(bool on);
    bool learning() const noexcept { return learning_; }
    // Adds every document's counts to `store`, a store being built.
    void addAllTo(CompletionStore& store) const;

    // Occurrences of `word` (in NFC) in the open document `uri`.
    std::uint32_t occurrences(const std::string& uri, const std::string& word) const;
    // The counts of the open document `uri`, or null.
    const Counts* countsOf(const std::string& uri) const;
    // How many open documents have counts.
    std::size_t documentsCounted() const noexcept { return documents_.size(); }

    // Opened documents with more distinct words than this feed the store
    // later; 0 feeds it at once.
    void setDeferAbove(std::size_t words) noexcept { deferAbove_ = words; }
    // Whether the store has yet to get some counted words.
    bool feedPending() const noexcept { return !pending_.empty(); }
    // Gives the store at most `most` of the words it has yet to get; true
    // while some are left.
    bool feedSome(std::size_t most);
    // Gives the store every word it has yet to get.
    void flush() { feedSome(pending_.size()); }

    // Calls `visit(word)` for each word of one line, as counted (not yet in
    // NFC). The same splitting is what a fresh count must use.
    template <typename Visit>
    void forEachWord(std::string_view line, Visit&& visit) const;

private:
    void addCount(Counts& counts, std::string word, std::uint32_t n);
    void removeCount(Counts& counts, const std::string& word, std::uint32_t n);
    // Counts the words of a document just opened, in byte order, and puts
    // them in the queue for the store.
    void deferFeed(Counts& counts, std::vector<std::pair<std::string, long>>& opened);

    // A word counted in `counts` (a node of documents_, which stays where
    // it is while the document is open) that the store has yet to get.
    struct PendingFeed {
        Counts* counts;
        std::string word;
        std::uint32_t n;
    };

    const WordRules& rules_;
    bool keepNumbers_;
    CompletionStore* store_ = nullptr;
    bool learning_ = true;
    std::size_t deferAbove_ = 0;
    std::unordered_map<std::string, Counts> documents_;
    std::deque<PendingFeed> pending_;  // in byte order of each document's words
};

// `word` in NFC, as the store keeps it; ASCII is its own NFC.
std::string storedWordForm(std::string_view word);

template <typename Visit>
void DocumentWords::forEachWord(std::string_view line, Visit&& visit) const {
    WordSplitter splitter(rules_, WordSplitter::Options{keepNumbers_, kMaxWordBytes});
    try {
        splitter.feed(line, visit);
        splitter.finish(visit);
    } catch (const WordTooLong&) {
        // The words before it were given; the rest of the line is not read.
    }
}

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_DOCUMENTWORDS_H
