// Loads a word list into a WordStore, walking each word from where it leaves
// the word before it instead of from the root.
//
// The loader remembers the path of the previous word: the node of each of
// its characters. A new word that shares its first k characters with the
// previous one is inserted through the protected worker starting at depth
// k - 1 or k, so only the branch point and the new characters are paid for.
// Nodes never move, so the remembered nodes stay valid while the store only
// grows. The result is the same store, node for node, as inserting the same
// words one by one through the public front, whatever their order; sorted
// input gains the most.
#ifndef RORIRER_COMPLETION_INTERNAL_SEQUENTIALLOADER_H
#define RORIRER_COMPLETION_INTERNAL_SEQUENTIALLOADER_H

#include <cstddef>
#include <vector>

#include "completion/internal/WordStore.h"

namespace rorirer {

class SequentialLoader {
public:
    explicit SequentialLoader(WordStore& store) noexcept : store_(store) {}

    // As store.insertString(CString(text, length)): true when the word was new
    // and is now stored; false when it is shorter than the store's minimum
    // (whole length, NULs included), empty, or stored already. The word is
    // read up to its first NUL; a null text is the empty word. Throws
    // std::bad_alloc with the store and this loader as they were.
    bool insert(const char* text, std::size_t length);
    bool insert(const CString& word);

    // Inserts each line of `text` (split at '\n', a '\r' before it dropped)
    // and returns how many were new. On failure the lines before the failing
    // one are stored and the loader is ready for it again.
    std::size_t insertLines(const char* text, std::size_t size);

    // Forgets the previous word, so the next one is walked from the root.
    // Call it after changing the store other than through this loader: a
    // removal may free the nodes it remembers. A change of either count is
    // noticed and does the same, but a removal and an insertion that leave
    // both counts as they were are not.
    void restart() noexcept;

private:
    // The node of the previous word's character at `depth`, found first if
    // the path is not known that far.
    LinkedTrieNode* nodeAt(std::size_t depth) noexcept;

    WordStore& store_;
    // The previous word, up to its first NUL, and the word being inserted,
    // each NUL-terminated: texts_[previous_] and the other one, which trade
    // places when a word is in.
    std::vector<char> texts_[2];
    int previous_ = 0;
    std::size_t previousSize_ = 0;
    // path_[d] is the node of the previous word's character d, for every
    // d < known_. The vector is kept at least as long as that word.
    std::vector<LinkedTrieNode*> path_;
    std::size_t known_ = 0;
    // A node of the list at depth hintDepth_ on the previous word's path
    // whose character is below the word's: a search there may start from
    // it. Sorted input adds each new sibling behind the one before, so the
    // search for it starts next to it instead of at the head of its list.
    LinkedTrieNode* hint_ = nullptr;
    std::size_t hintDepth_ = 0;
    bool hinted_ = false;
    // The store's counts as this loader left them.
    long seenNodes_ = -1;
    long seenWords_ = -1;
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_SEQUENTIALLOADER_H
