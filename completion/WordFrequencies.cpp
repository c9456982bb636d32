#include "completion/WordFrequencies.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "completion/DictionaryLine.h"
#include "completion/internal/CaseFolding.h"

namespace rorirer {
namespace {

// FNV-1a: the keys are short and few.
std::uint64_t hashOf(std::string_view text) noexcept {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (const char c : text) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    return h ^ (h >> 29);
}

std::string folded(std::string_view word) {
    std::string out;
    appendFolded(out, word);
    return out;
}

// The pieces a corpus split at apostrophes that are no words of their own:
// the ends of contractions.
constexpr std::string_view kSuffixes[] = {"d", "ll", "m", "re", "s", "t", "ve"};

bool isSuffix(std::string_view word) noexcept {
    return std::find(std::begin(kSuffixes), std::end(kSuffixes), word) != std::end(kSuffixes);
}

// The first and the last piece of a word split at its apostrophes; false
// when it has none.
bool splitAtApostrophes(std::string_view word, std::string_view& first,
                        std::string_view& last) noexcept {
    std::size_t firstEnd = std::string_view::npos;
    std::size_t lastStart = 0;
    for (std::size_t at = 0; at < word.size(); ++at) {
        std::size_t length = 0;
        if (word[at] == '\'') {
            length = 1;
        } else if (word.compare(at, 3, "\xE2\x80\x99") == 0) {
            length = 3;
        } else {
            continue;
        }
        if (firstEnd == std::string_view::npos) firstEnd = at;
        lastStart = at + length;
        at += length - 1;
    }
    if (firstEnd == std::string_view::npos) return false;
    first = word.substr(0, firstEnd);
    last = word.substr(lastStart);
    return true;
}

}  // namespace

void WordFrequencies::addLines(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const DictionaryLine line = parseDictionaryLine(text.substr(at, end - at));
        if (!line.word.empty()) add(line.word, line.hasCount ? line.count : 1);
        at = end + 1;
    }
}

void WordFrequencies::add(std::string_view word, std::uint64_t count) {
    const std::string key = folded(word);
    if (key.empty() || key.find('\0') != std::string::npos) return;
    if ((counts_.size() + 1) * 2 > slots_.size()) grow();
    const std::size_t at = slotOf(key, hashOf(key));
    constexpr std::uint64_t kMost = std::numeric_limits<std::uint32_t>::max();
    total_ += std::min(count, std::numeric_limits<std::uint64_t>::max() - total_);
    if (slots_[at] != 0) {
        std::uint32_t& c = counts_[indexOf(slots_[at])];
        c = static_cast<std::uint32_t>(std::min(std::uint64_t{c} + std::min(count, kMost), kMost));
        return;
    }
    if (keys_.size() + key.size() + 1 > std::numeric_limits<std::uint32_t>::max()) return;
    offsets_.push_back(static_cast<std::uint32_t>(keys_.size()));
    counts_.push_back(static_cast<std::uint32_t>(std::min(count, kMost)));
    keys_.append(key);
    keys_.push_back('\0');
    slots_[at] = slotValue(hashOf(key), counts_.size());
}

void WordFrequencies::grow() {
    std::vector<std::uint64_t> slots(std::max<std::size_t>(64, slots_.size() * 2), 0);
    const std::size_t mask = slots.size() - 1;
    for (const std::uint64_t slot : slots_) {
        if (slot == 0) continue;
        const std::string_view key = keyOf(indexOf(slot));
        std::size_t at = hashOf(key) & mask;
        while (slots[at] != 0) at = (at + 1) & mask;
        slots[at] = slot;
    }
    slots_.swap(slots);
}

std::string_view WordFrequencies::keyOf(std::uint32_t index) const noexcept {
    const char* at = keys_.data() + offsets_[index];
    return std::string_view(at, std::strlen(at));
}

std::size_t WordFrequencies::slotOf(std::string_view key, std::uint64_t hash) const noexcept {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const std::uint64_t slot = slots_[at];
        if (slot == 0 || ((slot >> 32) == (hash >> 32) && keyOf(indexOf(slot)) == key)) return at;
    }
}

std::uint32_t WordFrequencies::countFolded(std::string_view key) const noexcept {
    if (slots_.empty()) return 0;
    const std::uint64_t slot = slots_[slotOf(key, hashOf(key))];
    return slot == 0 ? 0 : counts_[indexOf(slot)];
}

std::uint32_t WordFrequencies::count(std::string_view word) const {
    return countFolded(folded(word));
}

void WordFrequencies::learnContractions(std::string_view lines) {
    // The counts of the pieces before each suffix, summed.
    std::vector<std::pair<std::string, double>> before;
    for (std::size_t at = 0; at < lines.size();) {
        const std::size_t end = std::min(lines.find('\n', at), lines.size());
        const DictionaryLine line = parseDictionaryLine(lines.substr(at, end - at));
        at = end + 1;
        std::string_view first;
        std::string_view last;
        const std::string key = folded(line.word);
        if (!splitAtApostrophes(key, first, last) || last.empty()) continue;
        auto entry = std::find_if(before.begin(), before.end(),
                                  [last](const auto& e) { return e.first == last; });
        if (entry == before.end()) entry = before.insert(before.end(), {std::string(last), 0.0});
        entry->second += countFolded(first);
    }
    for (const auto& [suffix, stems] : before) {
        const double suffixCount = countFolded(suffix);
        if (suffixCount <= 0 || stems <= 0) continue;
        const std::string& name = suffix;  // a lambda may not capture a binding
        auto entry = std::find_if(shares_.begin(), shares_.end(),
                                  [&name](const auto& e) { return e.first == name; });
        if (entry == shares_.end()) entry = shares_.insert(shares_.end(), {suffix, 0.0});
        entry->second = std::min(1.0, suffixCount / stems);
    }
}

double WordFrequencies::estimate(std::string_view word, double contraction) const {
    const std::string key = folded(word);
    std::string_view first;
    std::string_view last;
    if (splitAtApostrophes(key, first, last)) {
        double share = contraction;
        for (const auto& [suffix, learned] : shares_)
            if (suffix == last) share = learned;
        return share * countFolded(first);
    }
    return isSuffix(key) ? 0 : countFolded(key);
}

std::size_t WordFrequencies::memoryBytes() const noexcept {
    std::size_t bytes =
        keys_.capacity() + (offsets_.capacity() + counts_.capacity()) * sizeof(std::uint32_t) +
        slots_.capacity() * sizeof(std::uint64_t) + shares_.capacity() * sizeof(shares_[0]);
    for (const auto& entry : shares_)
        if (entry.first.capacity() > 15) bytes += entry.first.capacity() + 1;
    return bytes;
}

}  // namespace rorirer
