// Deep copies: the copy constructor and copy assignment.
#include <vector>

#include "wordstore/LinkedTrie.h"
#include "wordstore/TreeWalk.h"

namespace {

// Copies `source`, its siblings and everything below them. Each new node is
// linked into the copy as soon as it exists, so on failure freeing the
// copy's head frees all of it. The stack holds one entry per pending sibling
// on the current path, never one per character.
LinkedTrieNode* copyNodes(const LinkedTrieNode* source) {
    if (source == nullptr) return nullptr;
    LinkedTrieNode* head = new LinkedTrieNode(source->character);
    try {
        struct Pending {
            const LinkedTrieNode* source;
            LinkedTrieNode* copyBefore;  // the copy that takes it as next sibling
        };
        std::vector<Pending> pending;
        const LinkedTrieNode* from = source;
        LinkedTrieNode* to = head;
        for (;;) {
            if (from->nextSibling != nullptr) pending.push_back({from->nextSibling, to});
            if (from->firstChild != nullptr) {
                from = from->firstChild;
                to->firstChild = new LinkedTrieNode(from->character);
                to = to->firstChild;
                continue;
            }
            if (pending.empty()) break;
            const Pending next = pending.back();
            pending.pop_back();
            from = next.source;
            next.copyBefore->nextSibling = new LinkedTrieNode(from->character);
            to = next.copyBefore->nextSibling;
        }
    } catch (...) {
        rorirer::freeNodes(head);
        throw;
    }
    return head;
}

}  // namespace

LinkedTrie::LinkedTrie(const LinkedTrie& other)
    : wordCount(other.root != nullptr ? other.wordCount : 0),
      root(other.root != nullptr ? copyNodes(other.root) : new LinkedTrieNode()),
      nodeCount(other.root != nullptr ? other.nodeCount : 1),
      minLength(other.minLength) {}

LinkedTrie& LinkedTrie::operator=(const LinkedTrie& other) {
    if (this == &other) return *this;
    // The copy is complete before the old tree goes: a failure leaves this
    // store as it was.
    LinkedTrieNode* fresh = other.root != nullptr ? copyNodes(other.root) : new LinkedTrieNode();
    killTrieNodes(root);
    root = fresh;
    wordCount = other.root != nullptr ? other.wordCount : 0;
    nodeCount = other.root != nullptr ? other.nodeCount : 1;
    minLength = other.minLength;
    return *this;
}
