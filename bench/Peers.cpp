// LinkedTrie and std::set behind the benchmark's questions.
#include "Peers.h"

#include <algorithm>

#include "completion/internal/SequentialLoader.h"

WordList LinkedTriePeer::lastListing() const {
    WordList out;
    out.reserve(static_cast<size_t>(listing_.GetSize()));
    for (int i = 0; i < listing_.GetSize(); ++i) {
        const CString& s = listing_[i];
        out.emplace_back(s, static_cast<size_t>(s.GetLength()));
    }
    return out;
}

void LinkedTriePeer::load(const WordList& words) {
    auto store = std::make_unique<rorirer::WordStore>(1);
    rorirer::SequentialLoader loader(*store);
    for (const std::string& word : words) loader.insert(word.data(), word.size());
    store_ = std::move(store);
}

namespace {

// True when `word` begins with `prefix`.
bool startsWith(const std::string& word, const std::string& prefix) {
    return word.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

int StdSetPeer::list(const std::string& prefix) {
    listing_.clear();
    for (auto it = store_->lower_bound(prefix); it != store_->end() && startsWith(*it, prefix);
         ++it) {
        listing_.push_back(*it);
    }
    return static_cast<int>(listing_.size());
}

// The words that begin with a prefix form one run of the set: its first and
// last word bound every common prefix, and it holds one word exactly when
// the word after the first no longer begins with the prefix.
bool StdSetPeer::longest(const std::string& prefix) {
    text_ = prefix;
    // The empty word is stored and ends the walk at once.
    if (prefix.empty()) return true;
    auto first = store_->lower_bound(prefix);
    if (first == store_->end() || !startsWith(*first, prefix)) return false;
    std::string bound = prefix;
    // The first string past every word that begins with `prefix`: the prefix
    // with its last byte below 0xFF raised by one, the bytes after it dropped.
    while (!bound.empty() && static_cast<unsigned char>(bound.back()) == 0xFF) bound.pop_back();
    auto end = store_->end();
    if (!bound.empty()) {
        bound.back() = static_cast<char>(static_cast<unsigned char>(bound.back()) + 1);
        end = store_->lower_bound(bound);
    }
    const std::string& a = *first;
    const std::string& b = *std::prev(end);
    const auto stop = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    text_.assign(a.begin(), stop.first);
    return true;
}

bool StdSetPeer::unique(const std::string& prefix) {
    if (prefix.empty()) {
        // The empty word is always stored, so any other word makes two.
        text_.clear();
        return store_->empty();
    }
    auto first = store_->lower_bound(prefix);
    auto second = first == store_->end() ? first : std::next(first);
    if (first != store_->end() && startsWith(*first, prefix) &&
        (second == store_->end() || !startsWith(*second, prefix))) {
        text_ = *first;
        return true;
    }
    // No word, or several: the answer holds what they share, as the trie's does.
    longest(prefix);
    return false;
}
