// The completion layer's own store: a LinkedTrie whose walks the layer may
// start below the root, as the protected members allow any subclass to.
// Internal to the layer; hosts see only what the layer's headers offer.
//
// A store read from a compiled image holds its tree in nodes of the layer's
// own (RestoredNode), made side by side in one block: the library's pool
// hands out nodes one insertion at a time, and an image would have to be
// inserted again word by word. Such a tree is still made of LinkedTrieNodes
// linked as the library links them, so every member works on it; later
// insertions take nodes from the library's pool as usual. A restored node
// that is deleted (a removal) keeps its slot until the block goes, with the
// store.
#ifndef RORIRER_COMPLETION_INTERNAL_WORDSTORE_H
#define RORIRER_COMPLETION_INTERNAL_WORDSTORE_H

#include <cstddef>
#include <memory>

#include "wordstore/LinkedTrie.h"

namespace rorirer {

class ImageReader;
class ImageWriter;
class WordTable;
class BuildProgress;

// A node in a store's block of restored nodes. Deleting one (through its
// virtual destructor, as removal does) frees nothing: its slot is the
// block's.
class RestoredNode final : public LinkedTrieNode {
public:
    using LinkedTrieNode::LinkedTrieNode;
    static void* operator new(std::size_t, void* slot) noexcept { return slot; }
    static void operator delete(void*) noexcept {}
};

class WordStore : public LinkedTrie {
public:
    explicit WordStore(long shortest) : LinkedTrie(shortest) {}
    // The copy's nodes come from its own pool.
    WordStore(const WordStore& other) : LinkedTrie(other) {}
    WordStore& operator=(const WordStore&) = delete;
    ~WordStore() override { dropRestored(); }

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

    // Insertion marks a restored tree as holding pooled nodes too, which
    // must then be freed one by one.
    bool insertString(const CString& word) {
        if (block_ != nullptr) mixed_ = true;
        return LinkedTrie::insertString(word);
    }
    bool insertString(const char* text, LinkedTrieNode* list, LinkedTrieNode* parent,
                      long& created) {
        if (block_ != nullptr) mixed_ = true;
        return LinkedTrie::insertString(text, list, parent, created);
    }
    void reset() {
        dropRestored();
        LinkedTrie::reset();
    }

    // The tree in an image (TreeImage.cpp): its nodes in depth-first order,
    // each a character and whether a first child and a next sibling follow.
    void writeImage(ImageWriter& out, BuildProgress* progress) const;
    // Replaces an empty store's tree by the image's `nodes` nodes (the root
    // marker apart), checking that they form a well-made tree whose words
    // are `table`'s, in the order of its ids. Throws ImageError, leaving the
    // store empty.
    void readImage(ImageReader& in, std::size_t nodes, const WordTable& table,
                   BuildProgress* progress);

    using LinkedTrie::completeAmbiguousEntry;
    using LinkedTrie::completeUniqueEntry;
    using LinkedTrie::containsString;
    using LinkedTrie::generateAllCombinations;
    using LinkedTrie::getLongestUnambiguousCompletion;
    using LinkedTrie::getPossibleCompletions;
    using LinkedTrie::getUniqueCompletion;

private:
    struct Block;
    struct FreeBlock {
        void operator()(Block* block) const noexcept;
    };
    // Unlinks the restored tree, freeing what the pool gave it, and lets the
    // block go. Teardown and reset then see only pooled nodes.
    void dropRestored() noexcept;

    std::unique_ptr<Block, FreeBlock> block_;
    // Whether the tree may hold pooled nodes beside restored ones.
    bool mixed_ = false;
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_WORDSTORE_H
