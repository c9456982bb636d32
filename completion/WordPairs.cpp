#include "completion/WordPairs.h"

#include "completion/Unicode.h"
#include "completion/WordBoundaries.h"
#include "completion/internal/CaseFolding.h"

namespace rorirer {
namespace {

bool endsSentence(std::string_view gap) noexcept {
    return gap.find_first_of(".!?") != std::string_view::npos;
}

}  // namespace

std::string WordPairs::keyOf(std::string_view word) {
    const std::string written = toNfc(word);
    std::string key;
    key.reserve(2 * written.size() + 1);
    appendFolded(key, written);
    key.push_back('\0');
    key.append(written);
    return key;
}

std::string WordPairs::contextOf(std::string_view previous) {
    std::string key;
    appendFolded(key, toNfc(previous));
    return key;
}

const WordPairs::After* WordPairs::find(std::string_view previous) const {
    const auto found = after_.find(contextOf(previous));
    return found == after_.end() ? nullptr : &found->second;
}

void WordPairs::add(std::string_view previous, std::string_view word, std::uint32_t n) {
    if (n == 0 || word.empty()) return;
    std::string key = keyOf(word);
    std::string context = contextOf(previous);
    if (pairs_ >= mostPairs_ && after_.find(context) == after_.end()) {
        // Full, and no pair after `previous` is counted, so this one is not.
        ++dropped_;
        return;
    }
    const auto place = after_.try_emplace(std::move(context));
    After& after = place.first->second;
    const auto at = after.next.lower_bound(key);
    if (at != after.next.end() && at->first == key) {
        at->second = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(std::uint64_t{at->second} + n, UINT32_MAX));
        after.total += n;
        return;
    }
    if (pairs_ >= mostPairs_) {
        ++dropped_;
        if (place.second) after_.erase(place.first);
        return;
    }
    try {
        after.next.emplace_hint(at, std::move(key), n);
    } catch (...) {
        if (place.second) after_.erase(place.first);
        throw;
    }
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
        const auto at = after.next.find(key);
        if (at == after.next.end()) return;
        const std::uint32_t taken = std::min(n, at->second);
        at->second -= taken;
        after.total -= taken;
        if (at->second == 0) {
            after.next.erase(at);
            --pairs_;
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
    const auto at = after->next.find(key);
    return at != after->next.end() ? at->second : 0;
}

std::uint64_t WordPairs::countAfter(std::string_view previous) const {
    const After* after = find(previous);
    return after == nullptr ? 0 : after->total;
}

std::size_t WordPairs::memoryBytes() const noexcept {
    // A hash node holds the key, the value and a link, a tree node the key,
    // the count, three links and a colour; a key or word longer than a
    // string's own room takes a block of its own.
    constexpr std::size_t kTreeNode = 4 * sizeof(void*) + sizeof(Next::value_type);
    std::size_t bytes = after_.bucket_count() * sizeof(void*);
    for (const auto& entry : after_) {
        bytes += sizeof(entry) + sizeof(void*) + entry.second.next.size() * kTreeNode;
        if (entry.first.capacity() > 15) bytes += entry.first.capacity() + 1;
        for (const auto& n : entry.second.next)
            if (n.first.capacity() > 15) bytes += n.first.capacity() + 1;
    }
    return bytes;
}

void PairReader::readWords(std::string_view text, std::vector<Token>& words,
                           std::vector<bool>& endsAfter, bool& endsBefore) const {
    WordSpanReader reader(rules_, text, 0, numbers_);
    WordSpan span;
    std::size_t gapStart = 0;
    endsBefore = false;
    while (reader.next(span)) {
        const bool ends = endsSentence(text.substr(gapStart, span.start - gapStart));
        if (words.empty()) {
            endsBefore = ends;
        } else {
            endsAfter.back() = ends;
        }
        words.push_back({span.start, span.end});
        endsAfter.push_back(false);
        gapStart = span.end;
    }
    const bool ends = endsSentence(text.substr(gapStart));
    if (words.empty()) {
        endsBefore = ends;
    } else {
        endsAfter.back() = ends;
    }
}

bool PairReader::hasWord(std::string_view text) const noexcept {
    WordSpanReader reader(rules_, text, 0, numbers_);
    WordSpan span;
    return reader.next(span);
}

void PairReader::readUpTo(std::string_view line, std::size_t end, Context& context) const {
    // Only the last word before `end` matters: read from a place a little
    // before it, and from the line's start only when that finds none.
    constexpr std::size_t kLookBack = 256;
    end = std::min(end, line.size());
    const std::string_view text = line.substr(0, end);
    std::size_t from = end > kLookBack ? restartPointBefore(rules_, text, end - kLookBack) : 0;
    WordSpan last;
    bool found = false;
    for (;;) {
        WordSpanReader reader(rules_, text, from, numbers_);
        WordSpan span;
        while (reader.next(span)) {
            last = span;
            found = true;
        }
        if (found || from == 0) break;
        from = 0;
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
