// Compiled images. A store read back from its image is the same store: the
// same tree node for node, the same words with the same origins and counts,
// a consistent rank index, the same answers, and the same image again; and
// it goes on to change, copy and free itself as the store it came from. An
// image cut short at any length, with any byte changed or with a byte
// added is refused, never trusted.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "completion/CompletionStore.h"
#include "completion/StoreImage.h"
#include "completion/internal/StoreState.h"

using rorirer::CaseMode;
using rorirer::CompletionStore;
using rorirer::ImageError;
using rorirer::ImageLoader;
using rorirer::Origin;
using rorirer::Query;
using rorirer::SortOrder;

namespace {

class MemoryOutput final : public rorirer::ImageOutput {
public:
    void write(const char* data, std::size_t size) override { bytes.append(data, size); }
    std::string bytes;
};

class MemoryInput final : public rorirer::ImageInput {
public:
    explicit MemoryInput(std::string_view bytes) : bytes_(bytes) {}
    std::size_t read(char* into, std::size_t size) override {
        const std::size_t take = std::min(size, bytes_.size() - at_);
        std::copy_n(bytes_.data() + at_, take, into);
        at_ += take;
        return take;
    }
    long long size() const noexcept override { return static_cast<long long>(bytes_.size()); }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

std::string imageOf(const CompletionStore& store, const std::string& key = "key") {
    MemoryOutput out;
    rorirer::writeImage(store, key, out);
    return out.bytes;
}

CompletionStore storeOf(std::string_view image) {
    MemoryInput in(image);
    ImageLoader loader(in);
    return loader.load();
}

// Words of a few scripts, and bytes that are not UTF-8.
std::string randomWord(std::mt19937& random) {
    static const char* const kPieces[] = {"a",  "b",  "c",  "e",    "s",    "t",        "A", "S",
                                          "é",  "É",  "ą",  "ł",    "ß",    "α",        "Ж", "'",
                                          "ab", "st", "ie", "\xE9", "\xFF", "e\xCC\x81"};
    std::uniform_int_distribution<std::size_t> length(1, 7);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
    std::string w;
    const std::size_t pieces = length(random);
    for (std::size_t i = 0; i < pieces; ++i) w += kPieces[piece(random)];
    return w;
}

// A store as word sources build one: lists in bulk and word by word, with
// counts, texts, personal words without stamps, and some words forgotten,
// so that ids are reused and out of byte order.
CompletionStore sourceStore(unsigned seed, long minLength) {
    std::mt19937 random(seed);
    CompletionStore store(minLength);
    std::vector<std::string> kept;
    for (int batch = 0; batch < 3; ++batch) {
        std::vector<std::string> words;
        const std::size_t n = batch == 0 ? 1500 : random() % 40;
        words.reserve(n);
        for (std::size_t i = 0; i < n; ++i) words.push_back(randomWord(random));
        std::vector<CompletionStore::WordCount> entries;
        entries.reserve(n);
        for (const std::string& w : words)
            entries.push_back({w, random() % 3 == 0 ? random() % 90 : 0});
        const Origin origins[] = {Origin::kDictionary, Origin::kText, Origin::kPersonal};
        store.addWords(entries, origins[random() % 3]);
        kept.insert(kept.end(), words.begin(), words.end());
    }
    for (int i = 0; i < 40; ++i) store.addDictionaryWord(randomWord(random), random() % 5);
    for (int i = 0; i < 20; ++i) store.addTextWord(randomWord(random), 1 + random() % 3);
    for (int i = 0; i < 60; ++i) store.forgetWord(kept[random() % kept.size()]);
    for (int i = 0; i < 10; ++i) store.addDictionaryWord(randomWord(random));
    return store;
}

// The two trees, walked side by side.
void expectSameTree(const CompletionStore& a, const CompletionStore& b) {
    using rorirer::StoreInspection;
    const LinkedTrieNode* x = StoreInspection::stateOf(a).store.top();
    const LinkedTrieNode* y = StoreInspection::stateOf(b).store.top();
    EXPECT_EQ(a.nodeCount(), b.nodeCount());
    std::vector<std::pair<const LinkedTrieNode*, const LinkedTrieNode*>> pending{{x, y}};
    long nodes = 0;
    while (!pending.empty()) {
        const auto [p, q] = pending.back();
        pending.pop_back();
        ++nodes;
        ASSERT_EQ(p->character, q->character);
        ASSERT_EQ(p->firstChild == nullptr, q->firstChild == nullptr);
        ASSERT_EQ(p->nextSibling == nullptr, q->nextSibling == nullptr);
        if (p->firstChild != nullptr) pending.emplace_back(p->firstChild, q->firstChild);
        if (p->nextSibling != nullptr) pending.emplace_back(p->nextSibling, q->nextSibling);
    }
    EXPECT_EQ(nodes, a.nodeCount());
}

std::vector<std::string> everyWord(const CompletionStore& store) {
    Query q;
    q.style.caseMode = CaseMode::kExact;
    q.style.sortOrder = SortOrder::kAlpha;
    q.style.limit = Query().style.kNoLimit;
    q.wantLongest = false;
    std::vector<std::string> words;
    for (const auto& c : store.complete(q).candidates) words.push_back(c.word);
    return words;
}

void expectSameWords(const CompletionStore& a, const CompletionStore& b) {
    const std::vector<std::string> words = everyWord(a);
    ASSERT_EQ(words, everyWord(b));
    for (const std::string& w : words) {
        const auto x = a.lookUp(w);
        const auto y = b.lookUp(w);
        ASSERT_TRUE(x && y) << w;
        EXPECT_EQ(x->origins, y->origins) << w;
        EXPECT_EQ(x->count, y->count) << w;
        EXPECT_EQ(x->recent, y->recent) << w;
        EXPECT_EQ(x->documentCount, y->documentCount) << w;
    }
}

void expectSameAnswers(const CompletionStore& a, const CompletionStore& b, std::mt19937& random) {
    const std::vector<std::string> words = everyWord(a);
    for (int i = 0; i < 60; ++i) {
        std::string prefix = words.empty() ? randomWord(random) : words[random() % words.size()];
        prefix.resize(random() % (prefix.size() + 1));
        Query q;
        q.prefix = prefix;
        q.style.caseMode = static_cast<CaseMode>(random() % 4);
        q.style.sortOrder = random() % 4 == 0 ? SortOrder::kAlpha : SortOrder::kRank;
        q.style.limit = 1 + random() % 30;
        q.wantCount = true;
        const rorirer::Completion x = a.complete(q);
        const rorirer::Completion y = b.complete(q);
        std::vector<std::string> xs;
        std::vector<std::string> ys;
        for (const auto& c : x.candidates) xs.push_back(c.text + " " + std::to_string(c.count));
        for (const auto& c : y.candidates) ys.push_back(c.text + " " + std::to_string(c.count));
        ASSERT_EQ(xs, ys) << prefix;
        EXPECT_EQ(x.longest, y.longest) << prefix;
        EXPECT_EQ(x.unique, y.unique) << prefix;
        EXPECT_EQ(x.count, y.count) << prefix;
    }
}

TEST(StoreImage, RoundTripsToTheSameStore) {
    for (unsigned seed = 1; seed <= 10; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        CompletionStore store = sourceStore(seed, seed % 3 == 0 ? 1 : 5);
        const std::string image = imageOf(store, "key " + std::to_string(seed));
        MemoryInput in(image);
        ImageLoader loader(in);
        EXPECT_EQ(loader.key(), "key " + std::to_string(seed));
        EXPECT_EQ(loader.minLength(), store.minLength());
        EXPECT_EQ(loader.wordCount(), store.wordCount());
        CompletionStore loaded = loader.load();

        ASSERT_EQ(rorirer::StoreInspection::checkConsistency(loaded), "");
        expectSameTree(store, loaded);
        expectSameWords(store, loaded);
        expectSameAnswers(store, loaded, random);
        EXPECT_EQ(imageOf(loaded, "key " + std::to_string(seed)), image);

        // Both go on alike: words learned, forgotten, counted in documents,
        // added in bulk; then copied and emptied.
        constexpr int kMore = 1200;
        std::vector<CompletionStore::WordCount> more;
        std::vector<std::string> moreWords;
        moreWords.reserve(kMore);
        more.reserve(kMore);
        for (int i = 0; i < kMore; ++i) moreWords.push_back(randomWord(random));
        for (const std::string& w : moreWords) more.push_back({w, 1});
        const std::vector<std::string> words = everyWord(store);
        for (CompletionStore* s : {&store, &loaded}) {
            std::mt19937 same(std::mt19937::result_type{seed} * 7);
            for (int i = 0; i < 150; ++i) {
                const std::string& known = words[same() % words.size()];
                switch (same() % 5) {
                    case 0:
                        s->learnWord(randomWord(same));
                        break;
                    case 1:
                        s->forgetWord(known);
                        break;
                    case 2:
                        s->addDocumentOccurrences(known, 2);
                        break;
                    case 3:
                        s->removeDocumentOccurrences(known, 1);
                        break;
                    default:
                        s->touchWord(known);
                        break;
                }
            }
            s->addWords(more, Origin::kText);
        }
        ASSERT_EQ(rorirer::StoreInspection::checkConsistency(loaded), "");
        expectSameWords(store, loaded);
        expectSameAnswers(store, loaded, random);
        const CompletionStore copy(loaded);
        expectSameAnswers(store, copy, random);
        loaded.reset();
        EXPECT_EQ(loaded.wordCount(), 0u);
        EXPECT_TRUE(loaded.addDictionaryWord("wordly"));
        ASSERT_EQ(rorirer::StoreInspection::checkConsistency(loaded), "");
    }
}

TEST(StoreImage, AStoreOfTheSessionIsNoImage) {
    CompletionStore store;
    store.learnWord("recently");
    MemoryOutput out;
    EXPECT_THROW(rorirer::writeImage(store, "", out), std::logic_error);
    CompletionStore empty;
    const CompletionStore loaded = storeOf(imageOf(empty));
    EXPECT_EQ(loaded.wordCount(), 0u);
    EXPECT_EQ(loaded.nodeCount(), 1);
}

// Loading reads the header, then the rest: a refusal may come at either.
bool isRefused(std::string_view image) {
    try {
        storeOf(image);
    } catch (const ImageError&) {
        return true;
    }
    return false;
}

// Words of a list and of a text, some not ASCII and one not UTF-8: an image
// small enough to damage at every byte.
std::string smallImage() {
    CompletionStore store(3);
    for (const char* w : {"zebra", "zebras", "zed", "école", "Ärger", "ab\xFF", "abc", "abd"})
        store.addDictionaryWord(w, 3);
    store.addTextWord("zebu", 2);
    return imageOf(store);
}

TEST(StoreImage, RefusesEveryCutEveryChangedByteAndAnythingAfter) {
    const std::string image = smallImage();
    ASSERT_FALSE(isRefused(image));
    for (std::size_t length = 0; length < image.size(); ++length)
        EXPECT_TRUE(isRefused(std::string_view(image).substr(0, length))) << length;
    for (std::size_t at = 0; at < image.size(); ++at) {
        for (const int bit : {0x01, 0x80}) {
            std::string changed = image;
            changed[at] = static_cast<char>(changed[at] ^ bit);
            EXPECT_TRUE(isRefused(changed)) << "byte " << at << " bit " << bit;
        }
    }
    EXPECT_TRUE(isRefused(image + '\0'));
    EXPECT_TRUE(isRefused("zebra\nzebras\n"));
}

// The checksum only finds damage by chance; what an image holds is checked
// as it is read. Each byte changed in turn, the checksum made right again:
// the image is refused, or it loads as a consistent store (a changed count
// or origin is still a store), never a store that breaks its invariants.
TEST(StoreImage, DamageUnderARightChecksumIsRefusedOrHarmless) {
    const std::string image = smallImage();
    const std::size_t body = image.size() - sizeof(std::uint64_t);
    std::size_t refused = 0;
    for (std::size_t at = 0; at < body; ++at) {
        for (const int bit : {0x01, 0x04, 0x80}) {
            std::string changed = image;
            changed[at] = static_cast<char>(changed[at] ^ bit);
            const std::uint64_t checksum = XXH3_64bits(changed.data(), body);
            std::memcpy(&changed[body], &checksum, sizeof checksum);
            try {
                CompletionStore loaded = storeOf(changed);
                // An image keeps the frequency list's estimates only as a
                // head start: a host sets its frequency table after loading
                // (the program does), which derives every estimate again.
                loaded.setFrequencies(nullptr);
                EXPECT_EQ(rorirer::StoreInspection::checkConsistency(loaded), "")
                    << "byte " << at << " bit " << bit;
            } catch (const ImageError&) {
                ++refused;
            }
        }
    }
    // The words and the tree make up most of the image: most damage is found.
    EXPECT_GT(refused, body);
}

}  // namespace
