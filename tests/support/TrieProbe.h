// Test access to a LinkedTrie's protected members, and a checker for the
// invariants of its tree.
#ifndef RORIRER_TESTS_SUPPORT_TRIEPROBE_H
#define RORIRER_TESTS_SUPPORT_TRIEPROBE_H

#include <string>
#include <vector>

#include "wordstore/LinkedTrie.h"

class TrieProbe : public LinkedTrie {
public:
    using LinkedTrie::completeAmbiguousEntry;
    using LinkedTrie::completeUniqueEntry;
    using LinkedTrie::containsString;
    using LinkedTrie::generateAllCombinations;
    using LinkedTrie::getLongestUnambiguousCompletion;
    using LinkedTrie::getPossibleCompletions;
    using LinkedTrie::getUniqueCompletion;
    using LinkedTrie::insertString;
    using LinkedTrie::killTrieNodes;
    using LinkedTrie::LinkedTrie;

    LinkedTrieNode* rootNode() { return root; }
    long minimumLength() { return minLength; }
};

// Empty when the tree holds every invariant and its counts match it; else
// the first violation found. Iterative, so it copes with very deep trees.
std::string checkInvariants(TrieProbe& trie);
// The same for the tree below any store's root marker, against its counts:
// for stores of other subclasses.
std::string checkInvariants(LinkedTrieNode* root, long nodeCount, long wordCount);

// The words the tree stores, found by walking it directly (not through the
// listing), in byte-wise order.
std::vector<std::string> wordsInTree(TrieProbe& trie);
std::vector<std::string> wordsInTree(LinkedTrieNode* root);

// A small tree as text: characters, `#` for an end marker, children in
// parentheses, e.g. "#a(b(#c))".
std::string describeTree(LinkedTrieNode* list);

inline std::string toStd(const CString& s) {
    return std::string(static_cast<const char*>(s), static_cast<size_t>(s.GetLength()));
}
inline CString toC(const std::string& s) { return CString(s.data(), static_cast<int>(s.size())); }
std::vector<std::string> toVector(const CStringArray& array);

#endif  // RORIRER_TESTS_SUPPORT_TRIEPROBE_H
