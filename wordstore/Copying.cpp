// Deep copies: the copy constructor and copy assignment.
#include <algorithm>
#include <cstddef>
#include <new>
#include <vector>

#include "wordstore/LinkedTrie.h"
#include "wordstore/internal/NodePool.h"
#include "wordstore/internal/TreeWalk.h"

namespace {

// Copies the list `source`, its siblings and everything below them, as the
// nodes after `head` in its list. The members of each list are made one
// after another, so they lie side by side in the pool, and the lists below a
// list follow it: a lookup in the copy scans adjacent slots instead of
// chasing nodes that a store built in random order scattered over its whole
// pool. Each new node is linked into the copy as soon as it exists, so on
// failure freeing `head` frees all of it. The stack holds the lists still to
// copy: the members' child lists of the lists on the current path, never an
// entry per character of a branch-free path.
void copyNodes(const LinkedTrieNode* source, LinkedTrieNode* head, rorirer::NodeMaker& maker) {
    struct Pending {
        const LinkedTrieNode* list;
        LinkedTrieNode* owner;  // the copy whose child (or, for the top, next) it becomes
    };
    std::vector<Pending> pending;
    if (source != nullptr) pending.push_back({source, nullptr});
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        std::size_t length = 0;
        for (const LinkedTrieNode* from = next.list; from != nullptr; from = from->nextSibling)
            ++length;
        maker.reserve(length);
        LinkedTrieNode** link =
            next.owner != nullptr ? &next.owner->firstChild : &head->nextSibling;
        for (const LinkedTrieNode* from = next.list; from != nullptr; from = from->nextSibling) {
            LinkedTrieNode* to = maker.make(from->character);
            *link = to;
            link = &to->nextSibling;
            if (from->firstChild != nullptr) pending.push_back({from->firstChild, to});
        }
    }
}

// A new root marker with its own pool, heading a copy of the tree that
// `source` heads (an empty one when `source` is null). The pool first takes
// room for as many nodes as the source's count says, so the copy lies in one
// chunk without a gap, but never for more than the source's own pool holds:
// a count a subclass got wrong must not make a copy ask for (and, faulting
// it in, touch) memory far beyond what the tree uses. On failure nothing
// remains allocated.
LinkedTrieNode* copyTree(const LinkedTrieNode* source, long nodes) {
    auto* root = new rorirer::RootMarker();
    try {
        rorirer::NodeMaker maker(root);
        if (source != nullptr) {
            const std::size_t counted = nodes > 1 ? static_cast<std::size_t>(nodes - 1) : 0;
            const std::size_t room = std::min(counted, rorirer::pooledNodes(source));
            // Only a hint: without that room the copy takes it list by list.
            try {
                if (room > 0) maker.reserve(room);
            } catch (const std::bad_alloc&) {
            }
            copyNodes(source->nextSibling, root, maker);
        }
    } catch (...) {
        rorirer::freeNodes(root);
        throw;
    }
    return root;
}

}  // namespace

LinkedTrie::LinkedTrie(const LinkedTrie& other)
    : wordCount(other.root != nullptr ? other.wordCount : 0),
      root(copyTree(other.root, other.nodeCount)),
      nodeCount(other.root != nullptr ? other.nodeCount : 1),
      minLength(other.minLength) {}

LinkedTrie& LinkedTrie::operator=(const LinkedTrie& other) {
    if (this == &other) return *this;
    // The copy is complete before the old tree goes: a failure leaves this
    // store as it was.
    LinkedTrieNode* fresh = copyTree(other.root, other.nodeCount);
    killTrieNodes(root);
    root = fresh;
    wordCount = other.root != nullptr ? other.wordCount : 0;
    nodeCount = other.root != nullptr ? other.nodeCount : 1;
    minLength = other.minLength;
    return *this;
}
