// Listing every stored word that begins with a prefix.
#include <cstddef>
#include <utility>
#include <vector>

#include "wordstore/LinkedTrie.h"
#include "wordstore/TreeWalk.h"

void LinkedTrie::getPossibleCompletions(const CString& prefix, CStringArray& completions) {
    if (completions.Holds(&prefix)) {
        // Emptying the array would destroy the prefix before it is read.
        const CString own(prefix);  // NOLINT(performance-unnecessary-copy-initialization)
        completions.SetSize(0, -1);
        getPossibleCompletions(own, own, root, completions);
        return;
    }
    completions.SetSize(0, -1);
    getPossibleCompletions(prefix, prefix, root, completions);
}

void LinkedTrie::getPossibleCompletions(const CString& prefix, const char* text,
                                        LinkedTrieNode* list, CStringArray& completions) {
    if (text == nullptr) return;
    LinkedTrieNode* after = nullptr;
    std::size_t length = 0;
    if (!rorirer::walkPrefix(text, list, after, length)) return;
    generateAllCombinations(prefix, CString(""), after, completions);
}

void LinkedTrie::generateAllCombinations(const CString& prefix, CString suffix,
                                         LinkedTrieNode* list, CStringArray& completions) {
    if (completions.Holds(&prefix)) {
        // Growing the array would move the prefix while it is still read.
        const CString own(prefix);  // NOLINT(performance-unnecessary-copy-initialization)
        generateAllCombinations(own, std::move(suffix), list, completions);
        return;
    }
    // One suffix buffer serves the whole walk: it grows by a character on the
    // way down and is cut back when the walk resumes at a pending sibling, so
    // the cost is the size of the output. The stack holds the siblings still
    // to visit on the current path, one entry per branch, not per character.
    CString& path = suffix;
    auto emit = [&]() {
        if (prefix.IsEmpty() && path.IsEmpty()) return;  // the empty word is never listed
        CString entry;
        entry.Preallocate(prefix.GetLength() + path.GetLength());
        entry += prefix;
        entry += path;
        completions.Add(std::move(entry));
    };
    if (list == nullptr) {
        emit();
        return;
    }
    struct Pending {
        LinkedTrieNode* node;
        int pathLength;
    };
    std::vector<Pending> pending;
    LinkedTrieNode* node = list;
    for (;;) {
        if (node->nextSibling != nullptr) pending.push_back({node->nextSibling, path.GetLength()});
        if (node->character != 0) path += rorirer::narrow(node->character);
        if (node->firstChild != nullptr) {
            node = node->firstChild;
            continue;
        }
        emit();
        if (pending.empty()) return;
        node = pending.back().node;
        path.Truncate(pending.back().pathLength);
        pending.pop_back();
    }
}
