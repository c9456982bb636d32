// The words the server completes from: a CompletionStore loaded from the
// word sources the settings name, the open documents' words fed into it,
// the words the user finishes typing marked as used, and the pairs of words
// the documents hold.
//
// The store's minimum length is fixed when it is made, so a new minimum
// length, like new dictionaries, builds a new store; the documents' words
// go into it before it takes the old one's place. A store that cannot be
// built leaves the old one serving.
#ifndef RORIRER_LSP_SERVERWORDS_H
#define RORIRER_LSP_SERVERWORDS_H

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "completion/CompletionStore.h"
#include "completion/WordRules.h"
#include "lsp/DocumentPairs.h"
#include "lsp/DocumentWords.h"
#include "lsp/LineObserver.h"
#include "lsp/Settings.h"
#include "lsp/TypedWords.h"

namespace rorirer::lsp {

class ServerWords {
public:
    // Fills a new, empty store with the words of the sources `settings`
    // names. Throws, with a message for the user, when a source cannot be
    // used.
    using Loader = std::function<void(CompletionStore& store, const Settings& settings)>;

    // `rules` must outlive this object.
    ServerWords(const WordRules& rules, bool keepNumbers, Loader loader);

    // Builds the store for `settings`, before any document is open.
    void load(const Settings& settings);
    // Applies the client's new settings; throws, leaving everything as it
    // was, when a new store was needed and could not be built.
    void applySettings(const Settings& settings);

    // The store with every counted word in it: what reads the store calls
    // this first.
    CompletionStore& settledStore() {
        documentWords_.flush();
        return *store_;
    }
    CompletionStore& store() noexcept { return *store_; }
    // Work put off until the client is quiet: the store's share of the
    // documents just opened, and the word pairs of large ones, a slice at a
    // time.
    bool idleWorkPending() const noexcept {
        return documentWords_.feedPending() || documentPairs_.readPending();
    }
    void doIdleWork() {
        if (documentWords_.feedPending()) {
            documentWords_.feedSome(kIdleSliceWords);
        } else {
            documentPairs_.readSome(kIdleSliceLines);
        }
    }
    const DocumentWords& documentWords() const noexcept { return documentWords_; }
    const DocumentPairs& documentPairs() const noexcept { return documentPairs_; }
    // To be told of every change to every document, in this order.
    std::vector<LineObserver*> observers() {
        return {&documentWords_, &typedWords_, &documentPairs_};
    }

    // Documents opened with more distinct words than this feed the store
    // while the client is quiet.
    static constexpr std::size_t kDeferAboveWords = 2048;
    static constexpr std::size_t kIdleSliceWords = 1024;
    // Documents opened with more lines than this have their word pairs read
    // while the client is quiet.
    static constexpr std::size_t kReadPairsLaterAbove = 1024;
    static constexpr std::size_t kIdleSliceLines = 256;

private:
    void install(std::unique_ptr<CompletionStore> store) noexcept;
    void applyLearning(bool on);

    Loader loader_;
    std::unique_ptr<CompletionStore> store_;
    DocumentWords documentWords_;
    TypedWords typedWords_;
    DocumentPairs documentPairs_;
    Settings settings_;  // those the store was built for
};

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_SERVERWORDS_H
