// Membership, the longest unambiguous completion and the unique completion.
#include <cstddef>
#include <functional>

#include "wordstore/LinkedTrie.h"
#include "wordstore/internal/TreeWalk.h"

namespace {

// Appends characters to `completion` while the path below `list` does not
// branch. With `skipPrefixWord`, a first list made of an end marker and one
// continuation is passed over. True when a path end was reached, false when
// it stopped at a branch.
bool extendWhileUnbranched(LinkedTrieNode* list, CString& completion, bool skipPrefixWord) {
    bool first = skipPrefixWord;
    while (list != nullptr) {
        LinkedTrieNode* head = list;
        if (head->nextSibling != nullptr) {
            if (!first || head->character != 0 || head->nextSibling->nextSibling != nullptr) {
                return false;
            }
            head = head->nextSibling;
        }
        if (head->character != 0) completion += rorirer::narrow(head->character);
        list = head->firstChild;
        first = false;
    }
    return true;
}

bool pointsInto(const char* text, const CString& string) {
    const char* begin = string;
    std::less<const char*> before;
    return !before(text, begin) && !before(begin + string.GetLength(), text);
}

}  // namespace

bool LinkedTrie::containsString(const char* text, CString& matched) {
    if (text == nullptr) {
        matched.Empty();
        return false;
    }
    if (pointsInto(text, matched)) {
        // Emptying `matched` would take `text` with it.
        const CString own(text);
        matched.Empty();
        return containsString(own, root, matched);
    }
    matched.Empty();
    return containsString(text, root, matched);
}

bool LinkedTrie::containsString(const char* text, LinkedTrieNode* list, CString& matched) {
    if (text == nullptr) return false;
    LinkedTrieNode* after = nullptr;
    std::size_t length = 0;
    const bool found = rorirer::walkPrefix(text, list, after, length);
    // Appending after the walk keeps `text` valid while it is read, even when
    // it points into `matched`.
    matched.Append(text, static_cast<int>(length));
    // A word ends at a leaf or where an end marker heads the following list.
    return found && (after == nullptr || after->character == 0);
}

bool LinkedTrie::getLongestUnambiguousCompletion(const CString& prefix, CString& completion,
                                                 bool skipPrefixWord) {
    completion = prefix;
    return getLongestUnambiguousCompletion(completion, completion, skipPrefixWord, root);
}

bool LinkedTrie::getLongestUnambiguousCompletion(const char* text, CString& completion,
                                                 bool skipPrefixWord, LinkedTrieNode* list) {
    LinkedTrieNode* after = nullptr;
    if (!rorirer::findListAfter(text, list, after)) return false;
    return completeAmbiguousEntry(after, completion, skipPrefixWord);
}

bool LinkedTrie::completeAmbiguousEntry(LinkedTrieNode* list, CString& completion,
                                        bool skipPrefixWord) {
    extendWhileUnbranched(list, completion, skipPrefixWord);
    return true;
}

bool LinkedTrie::getUniqueCompletion(const CString& prefix, CString& completion,
                                     bool skipPrefixWord) {
    completion = prefix;
    return getUniqueCompletion(completion, completion, skipPrefixWord, root);
}

bool LinkedTrie::getUniqueCompletion(const char* text, CString& completion, bool skipPrefixWord,
                                     LinkedTrieNode* list) {
    LinkedTrieNode* after = nullptr;
    if (!rorirer::findListAfter(text, list, after)) return false;
    return completeUniqueEntry(after, completion, skipPrefixWord);
}

bool LinkedTrie::completeUniqueEntry(LinkedTrieNode* list, CString& completion,
                                     bool skipPrefixWord) {
    return extendWhileUnbranched(list, completion, skipPrefixWord);
}
