// The stores under comparison, each behind the same small set of questions so
// that one templated benchmark drives them all. Every peer keeps its last
// answer so the agreement check can read it back without the timed calls
// paying for a copy.
//
// The completion questions use the store's meaning with skipPrefixWord
// false: the longest unambiguous completion of a prefix is the longest common
// prefix of the stored words that begin with it, and the unique completion
// succeeds when exactly one stored word begins with it.
#ifndef RORIRER_BENCH_PEERS_H
#define RORIRER_BENCH_PEERS_H

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "wordstore/LinkedTrie.h"

using WordList = std::vector<std::string>;

class LinkedTriePeer {
public:
    static const char* name() { return "LinkedTrie"; }
    static constexpr bool kCanRemove = true;
    // Lists completions in byte-wise order, not merely the same words.
    static constexpr bool kListsInOrder = true;
    static constexpr size_t kMaxWords = SIZE_MAX;
    void clear() { store_ = std::make_unique<LinkedTrie>(1); }
    // Built with the length, so a word's bytes after an embedded NUL reach
    // the store as they would from any host.
    static CString text(const std::string& word) {
        return CString(word.data(), static_cast<int>(word.size()));
    }
    void insert(const std::string& word) { store_->insertString(text(word)); }
    bool contains(const std::string& word) { return store_->containsString(word.c_str(), text_); }
    int list(const std::string& prefix) {
        store_->getPossibleCompletions(text(prefix), listing_);
        return listing_.GetSize();
    }
    bool longest(const std::string& prefix) {
        return store_->getLongestUnambiguousCompletion(text(prefix), text_, false);
    }
    bool unique(const std::string& prefix) {
        return store_->getUniqueCompletion(text(prefix), text_, false);
    }
    bool remove(const std::string& word) { return store_->removeString(text(word)); }
    void destroy() { store_.reset(); }
    // Replaces the store with a copy of itself, which lays it out anew.
    void copyOver() { store_ = std::make_unique<LinkedTrie>(*store_); }
    // Builds the store through the completion layer's sequential loader.
    void load(const WordList& words);
    long nodeCount() { return store_->getNodeCount(); }

    WordList lastListing() const;
    std::string lastText() const { return std::string(text_, text_.GetLength()); }

private:
    std::unique_ptr<LinkedTrie> store_;
    CStringArray listing_;
    CString text_;
};

// The same store, copied once it is built. A copy makes the members of each
// sibling list one after another, side by side in its pool, which a store
// built from a shuffled list cannot have: this shows what that layout is
// worth, and what a host that loads its words once and then copies the store
// pays for it (the copy is part of this peer's build).
class CopiedLinkedTriePeer : public LinkedTriePeer {
public:
    static const char* name() { return "LinkedTrie-copied"; }
};

// The store as a host that loads a word list once builds it: the file's
// words in the file's order through the sequential loader. And the same store
// copied once it is loaded, for what a copy buys such a host (the copy is
// part of the build).
class LoadedLinkedTriePeer : public LinkedTriePeer {
public:
    static const char* name() { return "LinkedTrie-loaded"; }
};
class LoadedCopiedLinkedTriePeer : public LinkedTriePeer {
public:
    static const char* name() { return "LinkedTrie-loaded-copied"; }
};

class StdSetPeer {
public:
    static const char* name() { return "std::set"; }
    static constexpr bool kCanRemove = true;
    static constexpr bool kListsInOrder = true;
    static constexpr size_t kMaxWords = SIZE_MAX;
    void clear() { store_ = std::make_unique<std::set<std::string>>(); }
    void insert(const std::string& word) { store_->insert(word); }
    bool contains(const std::string& word) { return store_->find(word) != store_->end(); }
    int list(const std::string& prefix);
    bool longest(const std::string& prefix);
    bool unique(const std::string& prefix);
    bool remove(const std::string& word) { return store_->erase(word) != 0; }
    void destroy() { store_.reset(); }

    WordList lastListing() const { return listing_; }
    std::string lastText() const { return text_; }

private:
    std::unique_ptr<std::set<std::string>> store_;
    WordList listing_;
    std::string text_;
};

#ifdef RORIRER_BENCH_DATRIE
// libdatrie: a double-array trie that takes insertions and removals.
class DatriePeer {
public:
    DatriePeer();
    ~DatriePeer();
    DatriePeer(const DatriePeer&) = delete;
    DatriePeer& operator=(const DatriePeer&) = delete;
    static const char* name() { return "libdatrie"; }
    static constexpr bool kCanRemove = true;
    static constexpr bool kListsInOrder = false;
    // Building the double array from a shuffled list costs tens of
    // microseconds a word, and removing from it more: on the insane list the
    // check and the timings alone would take most of an hour on this machine.
    static constexpr size_t kMaxWords = 120000;
    void clear();
    void insert(const std::string& word);
    bool contains(const std::string& word);
    int list(const std::string& prefix);
    bool longest(const std::string& prefix);
    bool unique(const std::string& prefix);
    bool remove(const std::string& word);
    void destroy();

    WordList lastListing() const { return listing_; }
    std::string lastText() const { return text_; }

private:
    int complete(const std::string& prefix);
    void* trie_ = nullptr;  // Trie*, kept opaque so the header needs no C API
    void* map_ = nullptr;   // AlphaMap*
    std::vector<unsigned> key_;
    WordList listing_;
    std::string text_;
};
#endif

#ifdef RORIRER_BENCH_MARISA
// marisa-trie: a static, compressed trie built once from the whole list; it
// takes no removals, so that row stays empty.
class MarisaPeer {
public:
    MarisaPeer();
    ~MarisaPeer();
    MarisaPeer(const MarisaPeer&) = delete;
    MarisaPeer& operator=(const MarisaPeer&) = delete;
    static const char* name() { return "marisa-trie"; }
    static constexpr bool kCanRemove = false;
    static constexpr bool kListsInOrder = false;
    static constexpr size_t kMaxWords = SIZE_MAX;
    // A static trie cannot take words one by one: build() takes them all.
    void clear();
    void build(const WordList& words);
    bool contains(const std::string& word);
    int list(const std::string& prefix);
    bool longest(const std::string& prefix);
    bool unique(const std::string& prefix);
    bool remove(const std::string&) { return false; }
    void destroy();

    WordList lastListing() const { return listing_; }
    std::string lastText() const { return text_; }

private:
    struct State;
    std::unique_ptr<State> state_;
    WordList listing_;
    std::string text_;
};
#endif

// Builds `peer` from `words` in their order: by insertion where the peer
// takes words one by one, in one go where it cannot.
template <typename Peer>
void buildPeer(Peer& peer, const WordList& words) {
    peer.clear();
    for (const std::string& word : words) peer.insert(word);
}
template <>
inline void buildPeer<CopiedLinkedTriePeer>(CopiedLinkedTriePeer& peer, const WordList& words) {
    peer.clear();
    for (const std::string& word : words) peer.insert(word);
    peer.copyOver();
}
template <>
inline void buildPeer<LoadedLinkedTriePeer>(LoadedLinkedTriePeer& peer, const WordList& words) {
    peer.load(words);
}
template <>
inline void buildPeer<LoadedCopiedLinkedTriePeer>(LoadedCopiedLinkedTriePeer& peer,
                                                  const WordList& words) {
    peer.load(words);
    peer.copyOver();
}
#ifdef RORIRER_BENCH_MARISA
template <>
inline void buildPeer<MarisaPeer>(MarisaPeer& peer, const WordList& words) {
    peer.build(words);
}
#endif

#endif  // RORIRER_BENCH_PEERS_H
