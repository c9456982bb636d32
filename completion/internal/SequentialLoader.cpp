// The sequential loader: the shared prefix, the remembered path and where
// each insertion starts.
#include "completion/internal/SequentialLoader.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>

#include "wordstore/internal/TreeWalk.h"

namespace rorirer {

namespace {

// Room after a word in the loader's buffers: its NUL, and what sharedLength
// reads past it.
constexpr std::size_t kPadding = 8;

// How many leading bytes `a` and `b` share, of the first `limit`. Both may be
// read up to 7 bytes past `limit` (the loader pads its buffers), so they are
// compared eight bytes at a time.
std::size_t sharedLength(const char* a, const char* b, std::size_t limit) noexcept {
    for (std::size_t at = 0; at < limit; at += 8) {
        std::uint64_t x;
        std::uint64_t y;
        std::memcpy(&x, a + at, 8);
        std::memcpy(&y, b + at, 8);
        if (x == y) continue;
#if (defined(__GNUC__) || defined(__clang__)) && defined(__BYTE_ORDER__) && \
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        at += static_cast<std::size_t>(__builtin_ctzll(x ^ y)) / 8;
#else
        while (a[at] == b[at]) ++at;
#endif
        return std::min(at, limit);
    }
    return limit;
}

}  // namespace

bool SequentialLoader::insert(const CString& word) {
    return insert(word, static_cast<std::size_t>(word.GetLength()));
}

bool SequentialLoader::insert(const char* text, std::size_t length) {
    if (text == nullptr) length = 0;
    const long shortest = store_.shortest();
    if (shortest > 0 && length < static_cast<std::size_t>(shortest)) return false;
    const void* nul = length == 0 ? nullptr : std::memchr(text, '\0', length);
    const std::size_t size =
        nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - text) : length;
    // The empty word is always stored.
    if (size == 0) return false;
    if (store_.nodes() != seenNodes_ || store_.words() != seenWords_) restart();

    // Everything this word needs of the loader's own memory is taken before
    // the store changes; the walk reads a NUL-terminated copy.
    std::vector<char>& next = texts_[1 - previous_];
    if (next.size() < size + kPadding) next.resize(size + kPadding);
    if (path_.size() < size) path_.resize(size);
    std::memcpy(next.data(), text, size);
    next[size] = '\0';
    const char* word = next.data();
    const char* before = texts_[previous_].data();

    const std::size_t shared = sharedLength(before, word, std::min(previousSize_, size));
    // Both words go on after the shared prefix, the new one with a greater
    // character: it goes behind the previous word's node in that list.
    const bool after =
        shared < previousSize_ && shared < size && widen(before[shared]) < widen(word[shared]);

    LinkedTrieNode* list = store_.top();
    LinkedTrieNode* parent = nullptr;
    std::size_t start = 0;
    if (shared > 0) {
        LinkedTrieNode* last = nodeAt(shared - 1);
        if (last->firstChild == nullptr) {
            // The previous word ends at this leaf, which the new word extends:
            // the walk starts at the list holding it, so that it gives the
            // leaf the end marker that keeps the previous word.
            start = shared - 1;
            if (shared >= 2) {
                parent = nodeAt(shared - 2);
                list = parent->firstChild;
            }
        } else {
            start = shared;
            parent = last;
            list = after ? nodeAt(shared) : last->firstChild;
        }
    }
    long created = 0;
    const bool added = store_.insertString(word + start, list, parent, created);
    if (added) store_.countInsertedWord();

    // The new word's node at the branch point lies behind the previous
    // word's there; with sorted input a hint carries over from word to word.
    // A hint above the branch point stays on the new word's path; one at it
    // stays below the new word's character only when that is the greater.
    if (after && known_ > shared) {
        hint_ = path_[shared];
        hintDepth_ = shared;
        hinted_ = true;
    } else if (hinted_) {
        hinted_ = hintDepth_ < shared || (after && hintDepth_ == shared);
    }
    known_ = std::min(known_, shared);
    previous_ = 1 - previous_;
    previousSize_ = size;
    seenNodes_ = store_.nodes();
    seenWords_ = store_.words();
    return added;
}

LinkedTrieNode* SequentialLoader::nodeAt(std::size_t depth) noexcept {
    // The path is extended one list at a time; each list holds the previous
    // word's character, since that word is stored.
    for (; known_ <= depth; ++known_) {
        LinkedTrieNode* from = known_ == 0 ? store_.top() : path_[known_ - 1]->firstChild;
        if (hinted_ && hintDepth_ == known_) from = hint_;
        path_[known_] = findInList(from, widen(texts_[previous_][known_]));
        assert(path_[known_] != nullptr);
    }
    return path_[depth];
}

std::size_t SequentialLoader::insertLines(const char* text, std::size_t size) {
    if (text == nullptr) return 0;
    std::size_t added = 0;
    const char* end = text + size;
    while (text < end) {
        const auto* newline =
            static_cast<const char*>(std::memchr(text, '\n', static_cast<std::size_t>(end - text)));
        const char* stop = newline != nullptr ? newline : end;
        auto length = static_cast<std::size_t>(stop - text);
        if (length > 0 && text[length - 1] == '\r') --length;
        if (insert(text, length)) ++added;
        text = stop == end ? end : stop + 1;
    }
    return added;
}

void SequentialLoader::restart() noexcept {
    previousSize_ = 0;
    known_ = 0;
    hinted_ = false;
    seenNodes_ = store_.nodes();
    seenWords_ = store_.words();
}

}  // namespace rorirer
