// Removal of a stored word.
#include "wordstore/LinkedTrie.h"
#include "wordstore/internal/TreeWalk.h"

bool LinkedTrie::removeString(const CString& word) {
    const char* text = word;
    if (root == nullptr || *text == '\0') return false;

    // The cut is the deepest node of the word's path that shares its list
    // with other nodes. Below it the path serves this word alone, so
    // unlinking the cut and freeing the chain under it removes exactly this
    // word. The top-level list always holds the root marker too, so the
    // first character's node qualifies whenever nothing deeper does.
    LinkedTrieNode* cutOwner = nullptr;  // node whose list holds the cut; null at the top
    LinkedTrieNode* cutPrev = nullptr;   // node before the cut in its list
    LinkedTrieNode* cut = nullptr;
    long chainLength = 0;  // nodes from the cut down to the word's last node

    LinkedTrieNode* owner = nullptr;
    LinkedTrieNode* list = root;
    for (const char* p = text; *p != '\0'; ++p) {
        const std::uint32_t ch = rorirer::widen(*p);
        const rorirer::ListPosition at = rorirer::scanList(list, ch);
        if (!at.holds(ch)) return false;
        if (at.prev != nullptr || at.node->nextSibling != nullptr) {
            cutOwner = owner;
            cutPrev = at.prev;
            cut = at.node;
            chainLength = 0;
        }
        ++chainLength;
        owner = at.node;
        list = at.node->firstChild;
    }

    if (list != nullptr) {
        // The word ends at an inner node: only its end marker goes. The marker
        // always has a continuation after it, which now heads the list.
        if (list->character != 0) return false;
        owner->firstChild = list->nextSibling;
        delete list;
        --nodeCount;
        --wordCount;
        return true;
    }

    if (cutPrev != nullptr) {
        cutPrev->nextSibling = cut->nextSibling;
    } else {
        cutOwner->firstChild = cut->nextSibling;
    }
    // An end marker left alone in its list would mark a word that is now a
    // leaf; the node that owns it becomes a leaf again.
    if (cutOwner != nullptr) {
        LinkedTrieNode* head = cutOwner->firstChild;
        if (head != nullptr && head->character == 0 && head->nextSibling == nullptr) {
            cutOwner->firstChild = nullptr;
            delete head;
            --nodeCount;
        }
    }
    cut->nextSibling = nullptr;
    rorirer::freeNodes(cut);
    nodeCount -= chainLength;
    --wordCount;
    return true;
}
