// One node of the word tree: a character, the next node of the same list and
// the head of the list that follows this node in longer words.
#ifndef RORIRER_WORDSTORE_LINKEDTRIENODE_H
#define RORIRER_WORDSTORE_LINKEDTRIENODE_H

#include <cstdint>

class LinkedTrieNode {
public:
    LinkedTrieNode() noexcept = default;
    explicit LinkedTrieNode(std::uint32_t ch) noexcept : character(ch) {}
    LinkedTrieNode(const LinkedTrieNode&) = delete;
    LinkedTrieNode& operator=(const LinkedTrieNode&) = delete;
    // Frees this node alone; whole lists are freed by LinkedTrie::killTrieNodes.
    virtual ~LinkedTrieNode() = default;

    // The byte sign-extended to 32 bits, compared unsigned, so lists order
    // bytes 0x01..0xFF as unsigned values. 0 marks the end of a word.
    std::uint32_t character = 0;
    LinkedTrieNode* nextSibling = nullptr;
    LinkedTrieNode* firstChild = nullptr;
};

#endif  // RORIRER_WORDSTORE_LINKEDTRIENODE_H
