// libdatrie behind the benchmark's questions. Keys are strings of AlphaChar
// (32-bit); bytes map one to one onto 1..255.
#include <datrie/trie.h>

#include <cstdlib>

#include "Peers.h"

namespace {

Trie* asTrie(void* p) { return static_cast<Trie*>(p); }

// A terminated key for `word`, in a buffer reused across calls.
const AlphaChar* toKey(const std::string& word, std::vector<unsigned>& key) {
    key.resize(word.size() + 1);
    for (size_t i = 0; i < word.size(); ++i) key[i] = static_cast<unsigned char>(word[i]);
    key[word.size()] = 0;
    return reinterpret_cast<const AlphaChar*>(key.data());
}

// Follows `prefix` from the root; null when the trie does not hold it.
TrieState* walk(Trie* trie, const std::string& prefix) {
    TrieState* state = trie_root(trie);
    for (char ch : prefix) {
        if (!trie_state_walk(state, static_cast<unsigned char>(ch))) {
            trie_state_free(state);
            return nullptr;
        }
    }
    return state;
}

}  // namespace

DatriePeer::DatriePeer() {
    AlphaMap* map = alpha_map_new();
    alpha_map_add_range(map, 1, 255);
    map_ = map;
}

DatriePeer::~DatriePeer() {
    destroy();
    alpha_map_free(static_cast<AlphaMap*>(map_));
}

void DatriePeer::clear() {
    destroy();
    trie_ = trie_new(static_cast<AlphaMap*>(map_));
}

void DatriePeer::destroy() {
    if (trie_ != nullptr) trie_free(asTrie(trie_));
    trie_ = nullptr;
}

void DatriePeer::insert(const std::string& word) {
    trie_store_if_absent(asTrie(trie_), toKey(word, key_), 0);
}

bool DatriePeer::contains(const std::string& word) {
    return trie_retrieve(asTrie(trie_), toKey(word, key_), nullptr);
}

bool DatriePeer::remove(const std::string& word) {
    return trie_delete(asTrie(trie_), toKey(word, key_));
}

int DatriePeer::list(const std::string& prefix) {
    listing_.clear();
    TrieState* state = walk(asTrie(trie_), prefix);
    if (state == nullptr) return 0;
    TrieIterator* it = trie_iterator_new(state);
    while (trie_iterator_next(it)) {
        AlphaChar* key = trie_iterator_get_key(it);
        std::string word = prefix;
        for (AlphaChar* k = key; *k != 0; ++k) word += static_cast<char>(*k);
        std::free(key);
        listing_.push_back(std::move(word));
    }
    trie_iterator_free(it);
    trie_state_free(state);
    return static_cast<int>(listing_.size());
}

// Walks on while exactly one character follows and no word ends on the way.
// 1 when the path ran out at a word's end with nothing after it, 0 when it
// branched, -1 when the trie does not hold the prefix.
int DatriePeer::complete(const std::string& prefix) {
    text_ = prefix;
    TrieState* state = walk(asTrie(trie_), prefix);
    if (state == nullptr) return -1;
    AlphaChar next[256];
    int single = 0;
    for (;;) {
        const int n = trie_state_walkable_chars(state, next, 256);
        if (n != 1) break;
        if (next[0] == 0) {
            single = 1;
            break;
        }
        text_ += static_cast<char>(next[0]);
        trie_state_walk(state, next[0]);
    }
    trie_state_free(state);
    return single;
}

bool DatriePeer::longest(const std::string& prefix) { return complete(prefix) >= 0; }

bool DatriePeer::unique(const std::string& prefix) { return complete(prefix) == 1; }
