// Many dictionary or text words at once: normalized into one buffer, sorted
// by an MSD radix sort, the new ones inserted into the tree in byte order,
// and the rank index built afresh from the merged order in one pass.
//
// Everything that allocates beside the tree (the table's room, the new
// index) is made before the tree changes. If inserting into the tree fails,
// the words inserted so far are removed again, so the store is as it was.
#include <algorithm>
#include <climits>
#include <limits>

#include "completion/Unicode.h"
#include "completion/internal/RadixSort.h"
#include "completion/internal/Score.h"
#include "completion/internal/SequentialLoader.h"
#include "completion/internal/StoreState.h"

namespace rorirer {
namespace {

struct Batch {
    // The stored forms, each followed by a NUL, so that a preallocated
    // CString can take each without allocating.
    std::string buffer;
    std::vector<SortItem> items;  // index: the entry of the caller's list
};

bool isStorable(std::string_view word, std::size_t shortest) noexcept {
    return word.size() >= shortest && word.size() <= static_cast<std::size_t>(INT_MAX) &&
           word.find('\0') == std::string_view::npos;
}

// Two passes, so the buffer is sized exactly and never moves: words reach
// the items straight away. Fresh memory is costly to touch, so nothing
// else is kept per word.
Batch normalize(const StoreState& s, const std::vector<CompletionStore::WordCount>& words) {
    const auto shortest = static_cast<std::size_t>(std::max(s.store.shortest(), 1L));
    // The NFC forms of the few words that may not be in NFC already.
    std::vector<std::string> normalized;
    std::size_t bytes = 0;
    std::size_t kept = 0;
    for (const auto& entry : words) {
        std::string_view word = entry.word;
        if (!isKnownNfc(word)) {
            normalized.push_back(toNfc(word));
            word = normalized.back();
        }
        if (!isStorable(word, shortest)) continue;
        bytes += word.size() + 1;
        ++kept;
    }
    Batch batch;
    batch.buffer.reserve(bytes);
    batch.items.reserve(kept);
    std::size_t next = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string_view word = words[i].word;
        if (!isKnownNfc(word)) word = normalized[next++];
        if (!isStorable(word, shortest)) continue;
        const char* at = batch.buffer.data() + batch.buffer.size();
        batch.buffer.append(word);
        batch.buffer.push_back('\0');
        batch.items.push_back(
            {at, static_cast<std::uint32_t>(word.size()), static_cast<std::uint32_t>(i)});
    }
    return batch;
}

std::uint64_t countOf(const CompletionStore::WordCount& entry, Origin origin) {
    return origin == Origin::kText && entry.count == 0 ? 1 : entry.count;
}

std::string_view viewOf(const SortItem& item) { return std::string_view(item.data, item.length); }

std::uint64_t saturatedBase(std::uint64_t base, std::uint64_t added) {
    return std::min<std::uint64_t>(base + std::min(added, std::uint64_t{UINT32_MAX}), UINT32_MAX);
}

}  // namespace

std::size_t StoreState::addWordsInBulk(const std::vector<CompletionStore::WordCount>& words,
                                       Origin origin) {
    Batch batch = normalize(*this, words);
    sortByBytes(batch.items);

    // One entry per distinct word, its counts summed; old words apart.
    struct Fresh {
        SortItem item;
        std::uint64_t count;
    };
    std::vector<Fresh> fresh;
    std::vector<std::pair<std::uint32_t, std::uint64_t>> known;  // id, count added
    fresh.reserve(batch.items.size());
    std::size_t freshBytes = 0;
    for (std::size_t i = 0; i < batch.items.size();) {
        const SortItem& item = batch.items[i];
        std::uint64_t count = 0;
        std::size_t j = i;
        for (; j < batch.items.size() && viewOf(batch.items[j]) == viewOf(item); ++j)
            count = std::min(count + countOf(words[batch.items[j].index], origin), UINT64_MAX / 2);
        // Into an empty store every word is new: no need to hash it twice.
        const std::uint32_t id = table.size() == 0 ? WordTable::kNoWord : table.find(viewOf(item));
        if (id == WordTable::kNoWord) {
            fresh.push_back({item, count});
            freshBytes += WordTable::arenaBytesOf(item.length);
        } else {
            known.emplace_back(id, count);
        }
        i = j;
    }
    // `fresh` holds what is left to do with the sorted items; giving their
    // room back now lowers the peak, which comes when the tree is full.
    std::vector<SortItem>().swap(batch.items);

    // The merged order and the scores after the change, and the new index.
    const Origins flag = static_cast<Origins>(origin);
    const std::vector<std::uint32_t> freshIds = table.nextIds(fresh.size());
    std::uint32_t idLimit = table.idLimit();
    for (const std::uint32_t id : freshIds) idLimit = std::max(idLimit, id + 1);
    std::vector<std::uint64_t> addedTo(table.idLimit(), 0);
    for (const auto& entry : known) addedTo[entry.first] = entry.second;

    const std::size_t total = table.size() + fresh.size();
    std::vector<std::uint32_t> order;
    std::vector<std::uint64_t> scores;
    std::vector<std::string_view> leafFirst;
    order.reserve(total);
    scores.reserve(total);
    leafFirst.reserve(total / RankIndex::kLeafCapacity + 1);
    RankIndex::Position at = index.positionOf(0);
    std::size_t next = 0;
    while (at.leaf != RankIndex::kNone || next < fresh.size()) {
        const bool takeOld =
            at.leaf != RankIndex::kNone &&
            (next == fresh.size() || table.word(index.idAt(at)) < viewOf(fresh[next].item));
        if (takeOld) {
            const std::uint32_t id = index.idAt(at);
            const std::string_view word = table.word(id);
            const std::uint64_t frequency =
                saturatedBase(table.baseCount(id), addedTo[id]) + table.documentCount(id);
            if (order.size() % RankIndex::kLeafCapacity == 0) leafFirst.push_back(word);
            order.push_back(id);
            scores.push_back(packScore(table.stamp(id), frequency, characterCount(word)));
            index.advance(at);
        } else {
            const std::string_view word = viewOf(fresh[next].item);
            if (order.size() % RankIndex::kLeafCapacity == 0) leafFirst.push_back(word);
            order.push_back(freshIds[next]);
            scores.push_back(
                packScore(0, saturatedBase(0, fresh[next].count), characterCount(word)));
            ++next;
        }
    }
    RankIndex built;
    // build() asks only for the first word of each leaf.
    const auto wordAt = [&leafFirst](std::size_t i) {
        return leafFirst[i / RankIndex::kLeafCapacity];
    };
    built.build(order, scores, wordAt, idLimit);
    table.reserve(fresh.size(), freshBytes);

    // The tree, word by word in byte order, each walked from where it leaves
    // the word before it; undone if it fails part way.
    std::size_t inserted = 0;
    try {
        SequentialLoader loader(store);
        for (; inserted < fresh.size(); ++inserted) {
            const std::string_view word = viewOf(fresh[inserted].item);
            loader.insert(word.data(), word.size());
        }
    } catch (...) {
        CString text;
        while (inserted-- > 0) {
            text = fresh[inserted].item.data;
            store.removeString(text);
        }
        throw;
    }

    // Nothing below allocates.
    top.rebuild(store.top());
    // Each insertion's hash slot is a cache miss of its own: ask for the
    // slot of a word some way ahead while inserting this one.
    constexpr std::size_t kAhead = 16;
    std::uint64_t hashes[kAhead];
    for (std::size_t i = 0; i < kAhead && i < fresh.size(); ++i) {
        hashes[i] = table.hashOf(viewOf(fresh[i].item));
        table.prefetchSlot(hashes[i]);
    }
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        const std::uint32_t id = table.insert(viewOf(fresh[i].item), flag, hashes[i % kAhead]);
        table.addBaseCount(id, fresh[i].count);
        if (i + kAhead < fresh.size()) {
            hashes[i % kAhead] = table.hashOf(viewOf(fresh[i + kAhead].item));
            table.prefetchSlot(hashes[i % kAhead]);
        }
    }
    for (const auto& entry : known) {
        table.setOrigins(entry.first, static_cast<Origins>(table.origins(entry.first) | flag));
        table.addBaseCount(entry.first, entry.second);
    }
    index = std::move(built);
    return fresh.size();
}

}  // namespace rorirer
