// Listing every stored word that begins with a prefix.
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#include "wordstore/LinkedTrie.h"
#include "wordstore/internal/TreeWalk.h"

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
    LinkedTrieNode* after = nullptr;
    if (!rorirer::findListAfter(text, list, after)) return;
    generateAllCombinations(prefix, CString(""), after, completions);
}

// `suffix` stays a by-value parameter: the signature is part of the exported
// interface that subclasses call.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
void LinkedTrie::generateAllCombinations(const CString& prefix, CString suffix,
                                         LinkedTrieNode* list, CStringArray& completions) {
    // One buffer holds the word being listed: the prefix and the suffix, then
    // a character more on each step down, cut back when the walk resumes at a
    // pending sibling. Each listed word is one string made from it, so the
    // cost is the size of the output. The prefix is copied before the array
    // changes, so it may be one of the array's own elements. The stack holds
    // the siblings still to visit on the current path, one entry per branch,
    // not per character.
    std::vector<char> line;
    std::size_t length = 0;
    auto append = [&](const char* text, std::size_t count) {
        if (count == 0) return;
        if (length + count > line.size()) line.resize(2 * (length + count) + 32);
        std::memcpy(line.data() + length, text, count);
        length += count;
    };
    append(prefix, static_cast<std::size_t>(prefix.GetLength()));
    append(suffix, static_cast<std::size_t>(suffix.GetLength()));
    auto emit = [&]() {
        if (length == 0) return;  // the empty word is never listed
        completions.Add(line.data(), static_cast<int>(length));
    };
    if (list == nullptr) {
        emit();
        return;
    }
    struct Pending {
        LinkedTrieNode* node;
        std::size_t length;
    };
    std::vector<Pending> pending;
    LinkedTrieNode* node = list;
    for (;;) {
        if (node->nextSibling != nullptr) {
            // It is visited once the subtree below this node is listed; asking
            // for it now overlaps its cache miss with that work.
            rorirer::prefetch(node->nextSibling);
            pending.push_back({node->nextSibling, length});
        }
        if (node->character != 0) {
            if (length == line.size()) line.resize(2 * length + 32);
            line[length++] = rorirer::narrow(node->character);
        }
        if (node->firstChild != nullptr) {
            node = node->firstChild;
            continue;
        }
        emit();
        if (pending.empty()) return;
        node = pending.back().node;
        length = pending.back().length;
        pending.pop_back();
    }
}
