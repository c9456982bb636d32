// The completion layer's own store: a LinkedTrie whose walks the layer may
// start below the root, as the protected members allow any subclass to.
// Internal to the layer; hosts see only what the layer's headers offer.
#ifndef RORIRER_COMPLETION_INTERNAL_WORDSTORE_H
#define RORIRER_COMPLETION_INTERNAL_WORDSTORE_H

#include "wordstore/LinkedTrie.h"

namespace rorirer {

class WordStore : public LinkedTrie {
public:
    explicit WordStore(long shortest) : LinkedTrie(shortest) {}

    // The root marker, heading the top-level list. The tree is the store's:
    // the layer reads it and changes it only through the members below.
    LinkedTrieNode* top() noexcept { return root; }
    const LinkedTrieNode* top() const noexcept { return root; }
    long shortest() const noexcept { return minLength; }
    long nodes() const noexcept { return nodeCount; }
    long words() const noexcept { return wordCount; }
    // For a loader that inserts through the protected worker, which counts
    // nodes but leaves the word count to the public front.
    void countInsertedWord() noexcept { ++wordCount; }

    using LinkedTrie::completeAmbiguousEntry;
    using LinkedTrie::completeUniqueEntry;
    using LinkedTrie::containsString;
    using LinkedTrie::generateAllCombinations;
    using LinkedTrie::getLongestUnambiguousCompletion;
    using LinkedTrie::getPossibleCompletions;
    using LinkedTrie::getUniqueCompletion;
    using LinkedTrie::insertString;
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_WORDSTORE_H
