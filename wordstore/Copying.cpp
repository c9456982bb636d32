// Deep copies: the copy constructor and copy assignment.
#include <vector>

#include "wordstore/LinkedTrie.h"
#include "wordstore/NodePool.h"
#include "wordstore/TreeWalk.h"

namespace {

// Copies the list `source`, its siblings and everything below them, as the
// nodes after `head` in its list. Each new node is linked into the copy as
// soon as it exists, so on failure freeing `head` frees all of it. The stack
// holds one entry per pending sibling on the current path, never one per
// character.
void copyNodes(const LinkedTrieNode* source, LinkedTrieNode* head, rorirer::NodeMaker& maker) {
    struct Pending {
        const LinkedTrieNode* source;
        LinkedTrieNode* copyBefore;  // the copy that takes it as next sibling
    };
    std::vector<Pending> pending;
    if (source != nullptr) pending.push_back({source, head});
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        const LinkedTrieNode* from = next.source;
        maker.reserve(1);
        LinkedTrieNode* to = maker.make(from->character);
        next.copyBefore->nextSibling = to;
        for (;;) {
            if (from->nextSibling != nullptr) pending.push_back({from->nextSibling, to});
            if (from->firstChild == nullptr) break;
            from = from->firstChild;
            maker.reserve(1);
            to->firstChild = maker.make(from->character);
            to = to->firstChild;
        }
    }
}

// A new root marker with its own pool, heading a copy of the tree that
// `source` heads (an empty one when `source` is null). On failure nothing
// remains allocated.
LinkedTrieNode* copyTree(const LinkedTrieNode* source) {
    auto* root = new rorirer::RootMarker();
    try {
        rorirer::NodeMaker maker(root);
        if (source != nullptr) copyNodes(source->nextSibling, root, maker);
    } catch (...) {
        rorirer::freeNodes(root);
        throw;
    }
    return root;
}

}  // namespace

LinkedTrie::LinkedTrie(const LinkedTrie& other)
    : wordCount(other.root != nullptr ? other.wordCount : 0),
      root(copyTree(other.root)),
      nodeCount(other.root != nullptr ? other.nodeCount : 1),
      minLength(other.minLength) {}

LinkedTrie& LinkedTrie::operator=(const LinkedTrie& other) {
    if (this == &other) return *this;
    // The copy is complete before the old tree goes: a failure leaves this
    // store as it was.
    LinkedTrieNode* fresh = copyTree(other.root);
    killTrieNodes(root);
    root = fresh;
    wordCount = other.root != nullptr ? other.wordCount : 0;
    nodeCount = other.root != nullptr ? other.nodeCount : 1;
    minLength = other.minLength;
    return *this;
}
