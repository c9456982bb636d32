#include "completion/WordPairs.h"

#include "completion/Unicode.h"
#include "completion/WordBoundaries.h"
#include "completion/internal/CaseFolding.h"

namespace rorirer {
namespace {

// `text` in NFC: `text` itself when it is known to be, so that the words
// that come in NFC, most of them, are not copied to find that out;
// otherwise normalized into `storage`.
std::string_view inNfc(std::string_view text, std::string& storage) {
    if (isKnownNfc(text)) return text;
    storage = toNfc(text);
    return storage;
}

}  // namespace

std::string WordPairs::keyOf(std::string_view word) {
    std::string normalized;
    const std::string_view written = inNfc(word, normalized);
    std::string key;
    key.reserve(2 * written.size() + 1);
    appendFolded(key, written);
    key.push_back('\0');
    key.append(written);
    return key;
}

std::string WordPairs::contextOf(std::string_view previous) {
    std::string normalized;
    std::string key;
    appendFolded(key, inNfc(previous, normalized));
    return key;
}

const WordPairs::After* WordPairs::find(std::string_view previous) const {
    const auto found = after_.find(contextOf(previous));
    return found == after_.end() ? nullptr : &found->second;
}

std::vector<WordPairs::Next>::const_iterator WordPairs::After::lowerBound(
    std::string_view key) const noexcept {
    return std::lower_bound(next.begin(), next.end(), key,
                            [this](const Next& n, std::string_view k) { return keyOf(n) < k; });
}

void WordPairs::After::compact() noexcept {
    try {
        std::string kept;
        kept.reserve(keys.size() - unused);
        for (const Next& n : next) kept.append(keyOf(n));
        std::uint32_t offset = 0;
        for (Next& n : next) {
            n.offset = offset;
            offset += n.length;
        }
        keys.swap(kept);
        unused = 0;
    } catch (const std::bad_alloc&) {
    }
}

void WordPairs::add(std::string_view previous, std::string_view word, std::uint32_t n) {
    if (n == 0 || word.empty()) return;
    const std::string key = keyOf(word);
    std::string context = contextOf(previous);
    if (pairs_ >= mostPairs_ && after_.find(context) == after_.end()) {
        // Full, and no pair after `previous` is counted, so this one is not.
        ++dropped_;
        return;
    }
    const auto place = after_.try_emplace(std::move(context));
    After& after = place.first->second;
    const auto at = after.lowerBound(key);
    if (at != after.next.end() && after.keyOf(*at) == key) {
        auto& counted = after.next[static_cast<std::size_t>(at - after.next.begin())].count;
        counted = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(std::uint64_t{counted} + n, UINT32_MAX));
        after.total += n;
        return;
    }
    if (pairs_ >= mostPairs_) {
        ++dropped_;
        if (place.second) after_.erase(place.first);
        return;
    }
    const std::size_t index = static_cast<std::size_t>(at - after.next.begin());
    try {
        // Room first: the insertion below then cannot fail.
        if (after.next.size() == after.next.capacity())
            after.next.reserve(after.next.empty() ? 4 : 2 * after.next.size());
        after.keys.append(key);
    } catch (...) {
        if (place.second) after_.erase(place.first);
        throw;
    }
    const auto offset = static_cast<std::uint32_t>(after.keys.size() - key.size());
    after.next.insert(after.next.begin() + static_cast<std::ptrdiff_t>(index),
                      Next{offset, static_cast<std::uint32_t>(key.size()), n});
    after.total += n;
    ++pairs_;
}

void WordPairs::remove(std::string_view previous, std::string_view word, std::uint32_t n) noexcept {
    // Making the keys may fail: then nothing is taken away, as for a pair
    // never counted.
    try {
        const auto found = after_.find(contextOf(previous));
        if (found == after_.end()) return;
        After& after = found->second;
        const std::string key = keyOf(word);
        const auto at = after.lowerBound(key);
        if (at == after.next.end() || after.keyOf(*at) != key) return;
        Next& entry = after.next[static_cast<std::size_t>(at - after.next.begin())];
        const std::uint32_t taken = std::min(n, entry.count);
        entry.count -= taken;
        after.total -= taken;
        if (entry.count == 0) {
            after.unused += entry.length;
            after.next.erase(at);
            --pairs_;
            if (after.unused > after.keys.size() / 2) after.compact();
        }
        if (after.next.empty()) after_.erase(found);
    } catch (const std::bad_alloc&) {
    }
}

void WordPairs::clear() noexcept {
    after_.clear();
    pairs_ = 0;
}

std::uint32_t WordPairs::count(std::string_view previous, std::string_view word) const {
    const After* after = find(previous);
    if (after == nullptr) return 0;
    const std::string key = keyOf(word);
    const auto at = after->lowerBound(key);
    return at != after->next.end() && after->keyOf(*at) == key ? at->count : 0;
}

std::uint64_t WordPairs::countAfter(std::string_view previous) const {
    const After* after = find(previous);
    return after == nullptr ? 0 : after->total;
}

std::size_t WordPairs::memoryBytes() const noexcept {
    // A hash node holds the key, the value and a link; a key longer than a
    // string's own room takes a block of its own.
    std::size_t bytes = after_.bucket_count() * sizeof(void*);
    for (const auto& entry : after_) {
        bytes += sizeof(entry) + sizeof(void*) + entry.second.next.capacity() * sizeof(Next);
        if (entry.first.capacity() > 15) bytes += entry.first.capacity() + 1;
        if (entry.second.keys.capacity() > 15) bytes += entry.second.keys.capacity() + 1;
    }
    return bytes;
}

bool PairReader::endsSentence(std::string_view gap) noexcept {
    return gap.find_first_of(".!?") != std::string_view::npos;
}

bool PairReader::hasWord(std::string_view text) const noexcept {
    WordSpanReader reader(rules_, text, 0, numbers_);
    WordSpan span;
    return reader.next(span);
}

void PairReader::readUpTo(std::string_view line, std::size_t end, Context& context) const {
    // Only the last word before `end` matters: read from a place a little
    // before it, twice as far back each time that finds none, so that the
    // bytes read stay within twice the distance to that word.
    end = std::min(end, line.size());
    const std::string_view text = line.substr(0, end);
    WordSpan last;
    bool found = false;
    for (std::size_t back = 16;; back *= 2) {
        const std::size_t from = end > back ? restartPointBefore(rules_, text, end - back) : 0;
        WordSpanReader reader(rules_, text, from, numbers_);
        WordSpan span;
        while (reader.next(span)) {
            last = span;
            found = true;
        }
        if (found || from == 0) break;
    }
    // A sentence ends in the gap after the last word (or before `end` in a
    // line without one).
    const std::size_t gapStart = found ? last.end : 0;
    if (endsSentence(text.substr(gapStart))) {
        context.previous.clear();
        context.sentenceStart = true;
    } else if (found) {
        context.previous.assign(text.substr(last.start, last.end - last.start));
        context.sentenceStart = false;
    }
}

}  // namespace rorirer
