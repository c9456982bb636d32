#include "completion/CompletionStore.h"

#include <algorithm>
#include <climits>
#include <set>
#include <string>
#include <utility>

#include "completion/Unicode.h"
#include "completion/internal/Score.h"
#include "completion/internal/StoreState.h"
#include "framework/CStringArray.h"

namespace rorirer {
namespace {

constexpr auto kDocumentFlag = static_cast<Origins>(Origin::kDocument);

}  // namespace

bool StoreState::applyChange(const std::string& word, const Change& change) {
    if (word.empty()) return false;
    std::uint32_t id = table.find(word);
    const bool isNew = id == WordTable::kNoWord;
    if (change.stamp) table.reserveStamps(1);
    if (change.documents > 0) table.reserveDocumentCounts(1);
    if (isNew) {
        const std::uint32_t corpus = corpusCountOf(word);
        table.reserve(1, WordTable::arenaBytesOf(word.size()));
        index.reserveInsert(table.idLimit() + 1);
        const CString text(word.data(), static_cast<int>(word.size()));
        if (!store.insertString(text)) return false;
        top.refresh(store.top(), static_cast<std::uint8_t>(word[0]));
        id = table.insert(word, change.origins);
        table.setCorpusCount(id, corpus);
    } else {
        table.setOrigins(id, static_cast<Origins>(table.origins(id) | change.origins));
    }
    if (change.count > 0) table.addBaseCount(id, change.count);
    if (change.documents > 0) {
        const std::uint64_t sum = std::uint64_t{table.documentCount(id)} + change.documents;
        table.setDocumentCount(
            id, static_cast<std::uint32_t>(std::min<std::uint64_t>(sum, UINT32_MAX)));
    }
    if (change.stamp) markUsed(id);
    if (isNew) {
        index.insert(id, scoreOf(id), table);
    } else {
        index.setScore(id, scoreOf(id));
    }
    return true;
}

void StoreState::removeWord(std::uint32_t id) {
    const std::string_view word = table.word(id);
    const CString text(word.data(), static_cast<int>(word.size()));
    // Neither removal below allocates.
    store.removeString(text);
    top.refresh(store.top(), static_cast<std::uint8_t>(word[0]));
    index.erase(id, table);
    forgetUse(id);
    table.erase(id);
}

void StoreState::markUsed(std::uint32_t id) noexcept {
    table.setStamp(id, 1);
    if (weights.recent.empty()) return;
    auto at = std::find(recent.begin(), recent.end(), id);
    if (at == recent.end()) {
        // Room for the whole window is kept, so this never allocates; when
        // the window is full the word used longest ago makes way.
        if (recent.size() < weights.recent.size()) recent.push_back(id);
        at = recent.end() - 1;
        *at = id;
    }
    std::rotate(recent.begin(), at, at + 1);
}

void StoreState::forgetUse(std::uint32_t id) noexcept {
    const auto at = std::find(recent.begin(), recent.end(), id);
    if (at != recent.end()) recent.erase(at);
}

void StoreState::rescoreAll() {
    std::vector<std::uint32_t> counts(table.idLimit(), 0);
    for (std::uint32_t id = 0; id < table.idLimit(); ++id)
        if (table.isLive(id)) counts[id] = corpusCountOf(table.word(id));
    for (std::uint32_t id = 0; id < table.idLimit(); ++id) {
        if (!table.isLive(id)) continue;
        table.setCorpusCount(id, counts[id]);
        index.setScore(id, scoreOf(id));
    }
}

std::string StoreState::storedForm(std::string_view word) const {
    std::string stored = toNfc(word);
    if (stored.empty() || stored.find('\0') != std::string::npos ||
        stored.size() > static_cast<std::size_t>(INT_MAX) ||
        static_cast<long>(stored.size()) < store.shortest())
        stored.clear();
    return stored;
}

std::string StoreState::checkConsistency() const {
    CStringArray all;
    // Listing only reads the tree, though LinkedTrie's interface does not say so.
    const_cast<WordStore&>(store).getPossibleCompletions(CString(""), all);
    std::set<std::string> inTree;
    for (int i = 0; i < all.GetSize(); ++i) {
        const CString& w = all[i];
        inTree.insert(
            std::string(static_cast<const char*>(w), static_cast<std::size_t>(w.GetLength())));
    }
    if (static_cast<long>(inTree.size()) != store.words()) return "the tree's word count is wrong";
    if (inTree.size() != table.size()) return "the tree and the word table differ in size";
    for (const std::string& word : inTree) {
        const std::uint32_t id = table.find(word);
        if (id == WordTable::kNoWord) return "a word of the tree is not in the table: " + word;
        if (table.word(id) != word) return "the table's index leads to another word";
        if (table.origins(id) == 0) return "a stored word without origins: " + word;
        const bool document = hasOrigin(table.origins(id), Origin::kDocument);
        if (document != (table.documentCount(id) > 0))
            return "the document origin and count disagree: " + word;
        if (table.corpusCount(id) != corpusCountOf(word))
            return "the corpus count is stale: " + word;
    }
    if (recent.size() > weights.recent.size()) return "too many words used last";
    for (const std::uint32_t id : recent) {
        if (!table.isLive(id) || table.stamp(id) == 0)
            return "a word used last is not stored as used";
        if (std::count(recent.begin(), recent.end(), id) != 1) return "a word used last twice";
    }
    for (unsigned b = 1; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        if (top.node(byte) != findInList(store.top()->nextSibling, widen(static_cast<char>(byte))))
            return "the top list's entry for byte " + std::to_string(b) + " is stale";
    }
    return index.check(table, [this](std::uint32_t id) { return scoreOf(id); });
}

CompletionStore::CompletionStore(long minLength)
    : state_(std::make_unique<StoreState>(minLength)) {}

CompletionStore::CompletionStore(std::unique_ptr<StoreState> state) noexcept
    : state_(std::move(state)) {}

CompletionStore::CompletionStore(const CompletionStore& other)
    : state_(std::make_unique<StoreState>(*other.state_)) {}

CompletionStore& CompletionStore::operator=(const CompletionStore& other) {
    if (this != &other) {
        auto copy = std::make_unique<StoreState>(*other.state_);
        state_.swap(copy);
    }
    return *this;
}

CompletionStore::CompletionStore(CompletionStore&& other) noexcept = default;
CompletionStore& CompletionStore::operator=(CompletionStore&& other) noexcept = default;
CompletionStore::~CompletionStore() = default;

bool CompletionStore::addDictionaryWord(std::string_view word, std::uint64_t count) {
    StoreState::Change change;
    change.origins = static_cast<Origins>(Origin::kDictionary);
    change.count = count;
    return state_->applyChange(state_->storedForm(word), change);
}

bool CompletionStore::addTextWord(std::string_view word, std::uint64_t occurrences) {
    StoreState::Change change;
    change.origins = static_cast<Origins>(Origin::kText);
    change.count = occurrences;
    return state_->applyChange(state_->storedForm(word), change);
}

bool CompletionStore::learnWord(std::string_view word) {
    StoreState::Change change;
    change.origins = static_cast<Origins>(Origin::kPersonal);
    change.stamp = true;
    return state_->applyChange(state_->storedForm(word), change);
}

bool CompletionStore::addDocumentOccurrences(std::string_view word, std::uint32_t occurrences) {
    if (occurrences == 0) return contains(word);
    StoreState::Change change;
    change.origins = kDocumentFlag;
    change.documents = occurrences;
    return state_->applyChange(state_->storedForm(word), change);
}

bool CompletionStore::removeDocumentOccurrences(std::string_view word, std::uint32_t occurrences) {
    StoreState& s = *state_;
    const std::uint32_t id = s.table.find(toNfc(word));
    if (id == WordTable::kNoWord || s.table.documentCount(id) < occurrences) return false;
    const std::uint32_t left = s.table.documentCount(id) - occurrences;
    if (left == 0 && (s.table.origins(id) & ~kDocumentFlag) == 0) {
        s.removeWord(id);
        return true;
    }
    s.table.setDocumentCount(id, left);
    if (left == 0)
        s.table.setOrigins(id, static_cast<Origins>(s.table.origins(id) & ~kDocumentFlag));
    s.index.setScore(id, s.scoreOf(id));
    return true;
}

bool CompletionStore::forgetWord(std::string_view word) {
    const std::uint32_t id = state_->table.find(toNfc(word));
    if (id == WordTable::kNoWord) return false;
    state_->removeWord(id);
    return true;
}

bool CompletionStore::touchWord(std::string_view word) {
    StoreState& s = *state_;
    const std::uint32_t id = s.table.find(toNfc(word));
    if (id == WordTable::kNoWord) return false;
    s.table.reserveStamps(1);
    s.markUsed(id);
    return true;
}

void CompletionStore::reset() {
    StoreState& s = *state_;
    s.store.reset();
    s.top.rebuild(s.store.top());
    s.table.clear();
    s.index.clear();
    s.recent.clear();
}

void CompletionStore::setFrequencies(std::shared_ptr<const WordFrequencies> frequencies) {
    StoreState& s = *state_;
    std::shared_ptr<const WordFrequencies> old = std::move(s.frequencies);
    s.frequencies = std::move(frequencies);
    try {
        s.rescoreAll();
    } catch (...) {
        s.frequencies = std::move(old);
        throw;
    }
}

void CompletionStore::setRankingModel(const RankingModel& model) {
    StoreState& s = *state_;
    ModelWeights weights(model);
    s.recent.reserve(weights.recent.size());
    std::swap(s.weights, weights);
    try {
        s.rescoreAll();
    } catch (...) {
        std::swap(s.weights, weights);
        throw;
    }
    if (s.recent.size() > s.weights.recent.size()) s.recent.resize(s.weights.recent.size());
}

const RankingModel& CompletionStore::rankingModel() const noexcept { return state_->weights.model; }

namespace {

// Small batches, and the origins that are not built in bulk, go word by
// word; a batch large against the store is built in bulk.
bool isBulk(std::size_t words, Origin origin, std::size_t stored) noexcept {
    return (origin == Origin::kDictionary || origin == Origin::kText) && words >= 1024 &&
           words >= stored / 8;
}

}  // namespace

std::size_t CompletionStore::addWords(WordList&& list, Origin origin, BuildProgress* progress) {
    // Used up in place, never moved first: the words point into the bytes,
    // and moving a short string moves its bytes.
    struct UsedUp {
        WordList& list;
        ~UsedUp() {
            std::vector<WordCount>().swap(list.words);
            std::string().swap(list.bytes);
        }
    } usedUp{list};
    if (isBulk(list.words.size(), origin, state_->table.size()))
        return state_->addWordsInBulk(list.words, origin, progress, &list);
    return addWords(list.words, origin, progress);
}

std::size_t CompletionStore::addWords(const std::vector<WordCount>& words, Origin origin,
                                      BuildProgress* progress) {
    StoreState& s = *state_;
    if (isBulk(words.size(), origin, s.table.size()))
        return s.addWordsInBulk(words, origin, progress, nullptr);
    std::size_t added = 0;
    for (const WordCount& entry : words) {
        const std::string stored = s.storedForm(entry.word);
        const bool known = !stored.empty() && s.table.find(stored) != WordTable::kNoWord;
        StoreState::Change change;
        change.origins = static_cast<Origins>(origin);
        switch (origin) {
            case Origin::kDictionary:
                change.count = entry.count;
                break;
            case Origin::kText:
                change.count = entry.count == 0 ? 1 : entry.count;
                break;
            case Origin::kPersonal:
                // Words a personal list kept from earlier runs: permanent,
                // but not used in this run (learnWord stamps).
                break;
            case Origin::kDocument:
                change.documents = static_cast<std::uint32_t>(
                    std::min<std::uint64_t>(entry.count == 0 ? 1 : entry.count, UINT32_MAX));
                break;
        }
        if (s.applyChange(stored, change) && !known) ++added;
    }
    return added;
}

Completion CompletionStore::complete(const Query& query) const { return state_->runQuery(query); }

std::optional<CompletionStore::WordInfo> CompletionStore::lookUp(std::string_view word) const {
    const StoreState& s = *state_;
    const std::uint32_t id = s.table.find(toNfc(word));
    if (id == WordTable::kNoWord) return std::nullopt;
    WordInfo info;
    info.origins = s.table.origins(id);
    info.count = s.table.frequency(id);
    info.documentCount = s.table.documentCount(id);
    info.corpusCount = s.table.corpusCount(id);
    info.recent = s.table.stamp(id) != 0;
    return info;
}

bool CompletionStore::contains(std::string_view word) const {
    return state_->table.find(toNfc(word)) != WordTable::kNoWord;
}

std::size_t CompletionStore::wordCount() const noexcept { return state_->table.size(); }
long CompletionStore::minLength() const noexcept { return state_->store.shortest(); }
long CompletionStore::nodeCount() const noexcept { return state_->store.nodes(); }

std::size_t CompletionStore::extraMemoryBytes() const noexcept {
    return sizeof(StoreState) - sizeof(WordStore) + state_->table.memoryBytes() +
           state_->index.memoryBytes() + state_->recent.capacity() * sizeof(std::uint32_t) +
           state_->weights.recent.capacity() * sizeof(std::uint64_t) +
           state_->weights.nearby.capacity() * sizeof(std::uint64_t);
}

}  // namespace rorirer
