// Many dictionary or text words at once: sorted by an MSD radix sort,
// counted once each, put into the word table in byte order, ranked into a
// new rank index, and inserted into the tree in byte order.
//
// Everything that allocates beside the tree (the table's room, the new
// index) is taken before anything changes. Then the table takes the new
// words; if inserting into the tree fails, the words inserted so far are
// removed again and the table is put back, so the store is as it was.
//
// Memory: a large list takes several times its own size while it is built.
// The sorted items are the only copy of the words' places, and what was read
// is let go of as soon as nothing needs it: the caller's words (when handed
// over) after counting, the items and the caller's bytes once the table
// holds the words. The tree, the largest part, then grows beside little
// more than the finished table and index.
#include <algorithm>
#include <climits>
#include <limits>

#include "completion/Unicode.h"
#include "completion/internal/RadixSort.h"
#include "completion/internal/SequentialLoader.h"
#include "completion/internal/StoreState.h"

namespace rorirer {
namespace {

using WordCount = CompletionStore::WordCount;

// Progress is told every this many items.
constexpr std::size_t kReportEvery = 1 << 16;

void report(BuildProgress* progress, const char* stage, std::size_t done, std::size_t total) {
    if (progress != nullptr && done % kReportEvery == 0) progress->report(stage, done, total);
}

bool isStorable(std::string_view word, std::size_t shortest) noexcept {
    return word.size() >= shortest && word.size() <= static_cast<std::size_t>(INT_MAX) &&
           word.find('\0') == std::string_view::npos;
}

// The words to store, each where its bytes in NFC lie: in the caller's
// words, or, for the few not known to be in NFC already, in `normalized`,
// which is filled first so that its strings no longer move. Item indexes
// are the caller's entries.
std::vector<SortItem> itemsOf(const std::vector<WordCount>& words, std::size_t shortest,
                              std::vector<std::string>& normalized, BuildProgress* progress) {
    for (std::size_t i = 0; i < words.size(); ++i) {
        report(progress, "normalizing", i, words.size());
        if (!isKnownNfc(words[i].word)) normalized.push_back(toNfc(words[i].word));
    }
    std::vector<SortItem> items;
    items.reserve(words.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string_view word = words[i].word;
        if (!isKnownNfc(word)) word = normalized[next++];
        if (!isStorable(word, shortest)) continue;
        items.push_back(
            {word.data(), static_cast<std::uint32_t>(word.size()), static_cast<std::uint32_t>(i)});
    }
    return items;
}

std::uint64_t countOf(const WordCount& entry, Origin origin) {
    return origin == Origin::kText && entry.count == 0 ? 1 : entry.count;
}

std::string_view viewOf(const SortItem& item) { return std::string_view(item.data, item.length); }

// A word already stored that the batch gives again, with what it had.
struct Known {
    std::uint32_t id;
    std::uint32_t added;
    Origins origins;
    std::uint32_t count;
};

// The ids new words take, in the order they are inserted: the table's free
// ids first, then new ones; with no free id, a run from the id limit,
// which needs no list.
class FreshIds {
public:
    FreshIds(const WordTable& table, std::size_t count)
        : first_(table.idLimit()),
          ids_(table.hasFreeIds() ? table.nextIds(count) : std::vector<std::uint32_t>()) {}
    std::uint32_t operator[](std::size_t i) const noexcept {
        return ids_.empty() ? first_ + static_cast<std::uint32_t>(i) : ids_[i];
    }
    std::uint32_t limit(std::size_t count) const noexcept {
        std::uint32_t limit = first_ + static_cast<std::uint32_t>(ids_.empty() ? count : 0);
        for (const std::uint32_t id : ids_) limit = std::max(limit, id + 1);
        return limit;
    }

private:
    std::uint32_t first_;
    std::vector<std::uint32_t> ids_;
};

}  // namespace

std::size_t StoreState::addWordsInBulk(const std::vector<WordCount>& words, Origin origin,
                                       BuildProgress* progress,
                                       CompletionStore::WordList* handedOver) {
    const auto shortest = static_cast<std::size_t>(std::max(store.shortest(), 1L));
    std::vector<std::string> normalized;
    std::vector<SortItem> items = itemsOf(words, shortest, normalized, progress);
    if (progress != nullptr) progress->report("sorting", 0, items.size());
    sortByBytes(items);

    // Each distinct word once, in place, its counts summed into its item's
    // index (table counts saturate at 32 bits); words already stored apart.
    std::vector<Known> known;
    std::size_t fresh = 0;
    std::size_t freshBytes = 0;
    for (std::size_t i = 0; i < items.size();) {
        report(progress, "counting", i, items.size());
        const SortItem item = items[i];
        std::uint64_t count = 0;
        std::size_t j = i;
        for (; j < items.size() && viewOf(items[j]) == viewOf(item); ++j)
            count =
                std::min<std::uint64_t>(count + countOf(words[items[j].index], origin), UINT32_MAX);
        const auto counted = static_cast<std::uint32_t>(count);
        // Into an empty store every word is new: no need to hash it twice.
        const std::uint32_t id = table.size() == 0 ? WordTable::kNoWord : table.find(viewOf(item));
        if (id == WordTable::kNoWord) {
            items[fresh++] = {item.data, item.length, counted};
            freshBytes += WordTable::arenaBytesOf(item.length);
        } else {
            known.push_back({id, counted, table.origins(id), table.baseCount(id)});
        }
        i = j;
    }
    items.resize(fresh);
    // The counts are in the items: the caller's words are read no more.
    if (handedOver != nullptr) std::vector<WordCount>().swap(handedOver->words);

    // All the room, before anything changes; the frequency list's estimates
    // too, since finding them may allocate.
    std::vector<std::uint32_t> corpus(fresh);
    for (std::size_t i = 0; i < fresh; ++i) {
        report(progress, "looking up frequencies", i, fresh);
        corpus[i] = corpusCountOf(viewOf(items[i]));
    }
    const FreshIds freshIds(table, fresh);
    const std::uint32_t idLimit = std::max(table.idLimit(), freshIds.limit(fresh));
    table.reserve(fresh, freshBytes);
    RankIndex::Builder built(table.size() + fresh, idLimit);
    std::size_t longest = 0;
    for (const SortItem& item : items) longest = std::max<std::size_t>(longest, item.length);
    // Undoing an insertion must not allocate.
    CString undo;
    undo.Preallocate(static_cast<int>(longest));

    // The table, which can no longer fail; the fresh words take their ids in
    // byte order.
    const Origins flag = static_cast<Origins>(origin);
    constexpr std::size_t kAhead = 16;
    std::uint64_t hashes[kAhead];
    // Each insertion's hash slot is a cache miss of its own: ask for the
    // slot of a word some way ahead while inserting this one.
    for (std::size_t i = 0; i < kAhead && i < fresh; ++i) {
        hashes[i] = table.hashOf(viewOf(items[i]));
        table.prefetchSlot(hashes[i]);
    }
    for (std::size_t i = 0; i < fresh; ++i) {
        report(progress, "indexing words", i, fresh);
        const std::uint32_t id = table.insert(viewOf(items[i]), flag, hashes[i % kAhead]);
        table.addBaseCount(id, items[i].index);
        table.setCorpusCount(id, corpus[i]);
        if (i + kAhead < fresh) {
            hashes[i % kAhead] = table.hashOf(viewOf(items[i + kAhead]));
            table.prefetchSlot(hashes[i % kAhead]);
        }
    }
    for (const Known& k : known) {
        table.setOrigins(k.id, static_cast<Origins>(k.origins | flag));
        table.addBaseCount(k.id, k.added);
    }
    // The table holds the words now.
    std::vector<SortItem>().swap(items);
    std::vector<std::string>().swap(normalized);
    std::vector<std::uint32_t>().swap(corpus);
    if (handedOver != nullptr) std::string().swap(handedOver->bytes);

    // The new index, the old words and the fresh ones merged in byte order.
    const std::size_t total = table.size();
    RankIndex::Position at = index.positionOf(0);
    std::size_t next = 0;
    for (std::size_t ranked = 0; ranked < total; ++ranked) {
        report(progress, "ranking", ranked, total);
        const bool takeOld =
            at.leaf != RankIndex::kNone &&
            (next == fresh || table.word(index.idAt(at)) < table.word(freshIds[next]));
        const std::uint32_t id = takeOld ? index.idAt(at) : freshIds[next++];
        if (takeOld) index.advance(at);
        built.add(id, scoreOf(id), table.word(id));
    }

    // The tree, word by word in byte order, each walked from where it leaves
    // the word before it; undone if it fails part way.
    std::size_t inserted = 0;
    try {
        SequentialLoader loader(store);
        for (; inserted < fresh; ++inserted) {
            report(progress, "building the tree", inserted, fresh);
            const std::string_view word = table.word(freshIds[inserted]);
            loader.insert(word.data(), word.size());
        }
    } catch (...) {
        while (inserted-- > 0) {
            const std::string_view word = table.word(freshIds[inserted]);
            undo.Empty();
            undo.Append(word.data(), static_cast<int>(word.size()));
            store.removeString(undo);
        }
        for (std::size_t i = fresh; i-- > 0;) table.erase(freshIds[i]);
        for (const Known& k : known) {
            table.setOrigins(k.id, k.origins);
            table.setBaseCount(k.id, k.count);
        }
        throw;
    }
    top.rebuild(store.top());
    built.finish(index);
    return fresh;
}

}  // namespace rorirer
