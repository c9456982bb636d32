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
#include "completion/internal/StoreState.h"

namespace rorirer {
namespace {

struct Batch {
    // The stored forms, each followed by a NUL, so that a preallocated
    // CString can take each without allocating.
    std::string buffer;
    std::vector<SortItem> items;  // index: into counts
    std::vector<std::uint64_t> counts;
};

bool isAscii(std::string_view text) noexcept {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

Batch normalize(const StoreState& s, const std::vector<CompletionStore::WordCount>& words,
                Origin origin) {
    Batch batch;
    std::size_t bytes = 0;
    for (const auto& entry : words) bytes += entry.word.size() + 1;
    batch.buffer.reserve(bytes + bytes / 16);
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    spans.reserve(words.size());
    batch.counts.reserve(words.size());
    const auto shortest = static_cast<std::size_t>(std::max(s.store.shortest(), 1L));
    std::string normalized;
    for (const auto& entry : words) {
        std::string_view word = entry.word;
        if (!isAscii(word)) {
            normalized = toNfc(word);
            word = normalized;
        }
        if (word.size() < shortest || word.size() > static_cast<std::size_t>(INT_MAX) ||
            word.find('\0') != std::string_view::npos)
            continue;
        spans.emplace_back(batch.buffer.size(), word.size());
        batch.buffer.append(word);
        batch.buffer.push_back('\0');
        const std::uint64_t count = origin == Origin::kText && entry.count == 0 ? 1 : entry.count;
        batch.counts.push_back(count);
    }
    // The buffer is complete: views into it stay valid from here on.
    batch.items.reserve(spans.size());
    for (std::size_t i = 0; i < spans.size(); ++i) {
        batch.items.push_back({batch.buffer.data() + spans[i].first,
                               static_cast<std::uint32_t>(spans[i].second),
                               static_cast<std::uint32_t>(i)});
    }
    return batch;
}

std::string_view viewOf(const SortItem& item) { return std::string_view(item.data, item.length); }

std::uint64_t saturatedBase(std::uint64_t base, std::uint64_t added) {
    return std::min<std::uint64_t>(base + std::min(added, std::uint64_t{UINT32_MAX}), UINT32_MAX);
}

}  // namespace

std::size_t addWordsInBulk(StoreState& s, const std::vector<CompletionStore::WordCount>& words,
                           Origin origin) {
    Batch batch = normalize(s, words, origin);
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
    std::size_t maxLength = 0;
    for (std::size_t i = 0; i < batch.items.size();) {
        const SortItem& item = batch.items[i];
        std::uint64_t count = 0;
        std::size_t j = i;
        for (; j < batch.items.size() && viewOf(batch.items[j]) == viewOf(item); ++j)
            count = std::min(count + batch.counts[batch.items[j].index], UINT64_MAX / 2);
        const std::uint32_t id = s.table.find(viewOf(item));
        if (id == WordTable::kNoWord) {
            fresh.push_back({item, count});
            freshBytes += item.length;
            maxLength = std::max<std::size_t>(maxLength, item.length);
        } else {
            known.emplace_back(id, count);
        }
        i = j;
    }

    // The merged order and the scores after the change, and the new index.
    const Origins flag = static_cast<Origins>(origin);
    const std::vector<std::uint32_t> freshIds = s.table.nextIds(fresh.size());
    std::uint32_t idLimit = s.table.idLimit();
    for (const std::uint32_t id : freshIds) idLimit = std::max(idLimit, id + 1);
    std::vector<std::uint64_t> addedTo(s.table.idLimit(), 0);
    for (const auto& entry : known) addedTo[entry.first] = entry.second;

    const std::size_t total = s.table.size() + fresh.size();
    std::vector<std::uint32_t> order;
    std::vector<std::uint64_t> scores;
    std::vector<std::string_view> views;
    order.reserve(total);
    scores.reserve(total);
    views.reserve(total);
    RankIndex::Position at = s.index.positionOf(0);
    std::size_t next = 0;
    while (at.leaf != RankIndex::kNone || next < fresh.size()) {
        const bool takeOld =
            at.leaf != RankIndex::kNone &&
            (next == fresh.size() || s.table.word(s.index.idAt(at)) < viewOf(fresh[next].item));
        if (takeOld) {
            const std::uint32_t id = s.index.idAt(at);
            const std::string_view word = s.table.word(id);
            const std::uint64_t frequency =
                saturatedBase(s.table.baseCount(id), addedTo[id]) + s.table.documentCount(id);
            order.push_back(id);
            scores.push_back(packScore(s.table.stamp(id), frequency, codePointCount(word)));
            views.push_back(word);
            s.index.advance(at);
        } else {
            const std::string_view word = viewOf(fresh[next].item);
            order.push_back(freshIds[next]);
            scores.push_back(
                packScore(0, saturatedBase(0, fresh[next].count), codePointCount(word)));
            views.push_back(word);
            ++next;
        }
    }
    RankIndex index;
    index.build(order, scores, views, idLimit);
    s.table.reserve(fresh.size(), freshBytes);

    // The tree, word by word in byte order; undone if it fails part way.
    CString text;
    text.Preallocate(static_cast<int>(maxLength + 1));
    std::size_t inserted = 0;
    try {
        for (; inserted < fresh.size(); ++inserted) {
            text = fresh[inserted].item.data;
            s.store.insertString(text);
        }
    } catch (...) {
        while (inserted-- > 0) {
            text = fresh[inserted].item.data;
            s.store.removeString(text);
        }
        throw;
    }

    // Nothing below allocates.
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        const std::uint32_t id = s.table.insert(viewOf(fresh[i].item), flag);
        s.table.addBaseCount(id, fresh[i].count);
    }
    for (const auto& entry : known) {
        s.table.setOrigins(entry.first, static_cast<Origins>(s.table.origins(entry.first) | flag));
        s.table.addBaseCount(entry.first, entry.second);
    }
    s.index = std::move(index);
    return fresh.size();
}

}  // namespace rorirer
