// Construction, insertion and the two counts.
#include <cstring>
#include <new>

#include "wordstore/LinkedTrie.h"
#include "wordstore/internal/NodePool.h"
#include "wordstore/internal/TreeWalk.h"

namespace {

// The tier of the nodes one list deeper than those of `tier`.
unsigned deeper(unsigned tier) noexcept {
    return tier < rorirer::NodePool::kDeep ? tier + 1 : tier;
}

// Builds one node per character of `text` (up to its NUL), each the first
// child of the one before, off to the side of the tree; the first goes to
// `tier`. On failure nothing remains allocated.
LinkedTrieNode* buildChain(const char* text, rorirer::NodeMaker& maker, unsigned tier,
                           long& count) {
    LinkedTrieNode* head = maker.make(rorirer::widen(*text), tier);
    count = 1;
    try {
        LinkedTrieNode* tail = head;
        for (const char* p = text + 1; *p != '\0'; ++p) {
            tier = deeper(tier);
            tail->firstChild = maker.make(rorirer::widen(*p), tier);
            tail = tail->firstChild;
            ++count;
        }
    } catch (...) {
        rorirer::freeNodes(head);
        throw;
    }
    return head;
}

// Where the nodes of a new word's remaining characters are linked in.
enum class Placement {
    kNone,        // every character was found
    kFirstChild,  // `parent` had no list: the chain becomes it
    kBeforeHead,  // in front of the head of `parent`'s list
    kAfterPrev,   // after `prev`, ahead of whatever followed it
    kBelowLeaf,   // below the leaf `parent`, behind a new end marker
};

// The tier for a new node: one of the list that holds `sibling`, or, with
// no sibling, of a new list below `parent`. A walk from the top-level list
// knows the depth of that list exactly; one from a list below it learns it
// from the tier of a node already there.
unsigned tierOfNewNode(const rorirer::NodeMaker& maker, bool fromTop, std::size_t depth,
                       const LinkedTrieNode* sibling, const LinkedTrieNode* parent) noexcept {
    if (fromTop) {
        return depth < rorirer::NodePool::kDeep ? static_cast<unsigned>(depth)
                                                : rorirer::NodePool::kDeep;
    }
    if (sibling != nullptr) return maker.tierOfList(sibling);
    return deeper(maker.tierOfList(parent));
}

}  // namespace

LinkedTrie::LinkedTrie(long shortest)
    : wordCount(0), root(new rorirer::RootMarker()), nodeCount(1), minLength(shortest) {}

long LinkedTrie::getWordCount() { return wordCount; }

long LinkedTrie::getNodeCount() { return nodeCount; }

bool LinkedTrie::insertString(const CString& word) {
    if (word.GetLength() < minLength) return false;
    long created = 0;
    const bool added = insertString(word, root, nullptr, created);
    if (added) ++wordCount;
    return added;
}

bool LinkedTrie::insertString(const char* text, LinkedTrieNode* list, LinkedTrieNode* parent,
                              long& created) {
    if (text == nullptr) text = "";
    const bool fromTop = parent == nullptr || list == root;
    // First find where the word leaves the tree without touching anything,
    // then build every new node, then link them in with one or two stores:
    // a failed allocation leaves the tree exactly as it was.
    LinkedTrieNode* cur = list;
    LinkedTrieNode* prev = nullptr;
    const char* rest = text;
    Placement placement = Placement::kNone;
    for (; *rest != '\0'; ++rest) {
        if (cur == nullptr) {
            placement = Placement::kFirstChild;
            break;
        }
        const std::uint32_t ch = rorirer::widen(*rest);
        const rorirer::ListPosition at = rorirer::scanList(cur, ch);
        prev = at.prev;
        if (!at.holds(ch)) {
            placement = prev == nullptr ? Placement::kBeforeHead : Placement::kAfterPrev;
            break;
        }
        parent = at.node;
        cur = at.node->firstChild;
        if (cur == nullptr && rest[1] != '\0') {
            // A stored word ends at this leaf; it keeps an end marker.
            ++rest;
            placement = Placement::kBelowLeaf;
            break;
        }
    }

    if (placement == Placement::kNone) {
        if (created > 0) return true;
        // Stored already: the path ends at a leaf or at an end marker.
        if (cur == nullptr || cur->character == 0) return false;
        // A proper prefix of stored words: it gains an end marker. At the top
        // level there is no parent to link one to (the root marker already
        // ends the empty word there).
        if (parent == nullptr) return false;
        rorirer::NodeMaker maker(root);
        const unsigned tier =
            tierOfNewNode(maker, fromTop, static_cast<std::size_t>(rest - text), cur, parent);
        maker.reserve(1, tier);
        LinkedTrieNode* marker = maker.make(0, tier);
        marker->nextSibling = cur;
        parent->firstChild = marker;
        ++nodeCount;
        ++created;
        return true;
    }
    // Linking at the head of a list needs the node that owns it.
    if (parent == nullptr && placement != Placement::kAfterPrev) return false;

    // Every node the word needs is reserved first; with a pool, making them
    // then cannot fail.
    rorirer::NodeMaker maker(root);
    const bool needsMarker = placement == Placement::kBelowLeaf;
    const LinkedTrieNode* sibling = placement == Placement::kAfterPrev    ? prev
                                    : placement == Placement::kBeforeHead ? cur
                                                                          : nullptr;
    const unsigned tier =
        tierOfNewNode(maker, fromTop, static_cast<std::size_t>(rest - text), sibling, parent);
    maker.reserve(std::strlen(rest) + (needsMarker ? 1 : 0), tier);
    long count = 0;
    LinkedTrieNode* marker = needsMarker ? maker.make(0, tier) : nullptr;
    LinkedTrieNode* chain = nullptr;
    try {
        chain = buildChain(rest, maker, tier, count);
    } catch (...) {
        delete marker;
        throw;
    }

    if (placement == Placement::kAfterPrev) {
        chain->nextSibling = prev->nextSibling;
        prev->nextSibling = chain;
    } else if (placement == Placement::kBelowLeaf) {
        marker->nextSibling = chain;
        parent->firstChild = marker;
        ++count;
    } else {
        // The chain heads `parent`'s list, ahead of the old head `cur` (null
        // when the list was empty).
        chain->nextSibling = cur;
        parent->firstChild = chain;
    }
    nodeCount += count;
    created += count;
    return true;
}
