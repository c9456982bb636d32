#include "WordSources.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "BuiltinWords.h"
#include "HeapUse.h"
#include "InputFile.h"
#include "Progress.h"
#include "Ranking.h"
#include "ToolError.h"
#include "completion/DictionaryLine.h"
#include "completion/Unicode.h"
#include "completion/WordSplitter.h"

namespace rorirer {
namespace {

using Batch = std::vector<CompletionStore::WordCount>;

bool isNumber(const WordRules& rules, std::string_view word) {
    // Most words start with an ASCII letter, and the digits' test decodes.
    const auto first = static_cast<unsigned char>(word.front());
    if ((first | 0x20) >= 'a' && (first | 0x20) <= 'z') return false;
    for (std::size_t at = 0; at < word.size();) {
        const Character c = decodeCharacter(word, at);
        if (!rules.isDigit(c)) return false;
        at += c.length;
    }
    return true;
}

// An upper bound on the nodes a source's words add to the tree, kept as
// they are read: a node for each byte a word does not share with the word
// before it, and an end marker for each word. Exact for a sorted list of
// distinct words, and never below the truth in any order (normalization
// aside); a duplicate costs one.
class NodeBound {
public:
    explicit NodeBound(const InputFile& input) : input_(input) {}

    void add(std::string_view word, std::string_view before) {
        const std::size_t most = std::min(word.size(), before.size());
        std::size_t shared = 0;
        while (shared < most && word[shared] == before[shared]) ++shared;
        nodes_ += static_cast<long long>(word.size() - shared) + 1;
        if (nodes_ > kMaxSourceNodes) {
            throw ToolError(input_.name() +
                            ": too many different words: they would take more than " +
                            std::to_string(kMaxSourceNodes) +
                            " nodes of the word tree, the most one source may add");
        }
    }

private:
    const InputFile& input_;
    long long nodes_ = 0;
};

class Loader {
public:
    Loader(CompletionStore& store, const WordRules& rules, bool numbers, Progress& progress)
        : store_(store), rules_(rules), numbers_(numbers), progress_(progress) {}

    // The list is in the program's memory for its whole run, so the batch
    // points into it and copies nothing.
    void loadBuiltin() {
        const BuiltinWords words = builtinWords();
        progress_.startSource("built-in list", static_cast<long long>(words.size));
        Batch batch;
        addLines(std::string_view(words.data, words.size), nullptr, batch);
        store_.addWords(batch, Origin::kDictionary, &progress_);
    }

    // Read whole, with the batch's views pointing into the bytes: a string
    // per word would take several times the list's size while loading. Both
    // are handed to the store, which lets go of them as it goes.
    void loadDict(const WordSource& source) {
        InputFile input(source.path, false,
                        source.regularFileOnly ? InputFile::Kind::kRegular : InputFile::Kind::kAny);
        progress_.startSource(input.name(), input.size());
        CompletionStore::WordList list;
        input.readAll(list.bytes, kMaxListBytes);
        // The mark some editors put at the start of a UTF-8 file is no part
        // of the first word.
        constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
        std::string_view lines(list.bytes);
        if (lines.substr(0, kByteOrderMark.size()) == kByteOrderMark)
            lines.remove_prefix(kByteOrderMark.size());
        addLines(lines, &input, list.words);
        store_.addWords(std::move(list), Origin::kDictionary, &progress_);
    }

    void loadText(const std::string& path) {
        InputFile input(path);
        progress_.startSource(input.name(), input.size());
        WordSplitter::Options splitting;
        splitting.keepNumbers = numbers_;
        splitting.maxWordBytes = kMaxLineLength;
        WordSplitter splitter(rules_, splitting);
        std::unordered_map<std::string, std::uint64_t> occurrences;
        std::string key;
        NodeBound nodes(input);
        const auto count = [&](std::string_view word) {
            key.assign(word);
            const auto [entry, fresh] = occurrences.try_emplace(key, 0);
            if (fresh) nodes.add(word, {});
            ++entry->second;
            offer(input.bytesRead());
        };
        try {
            std::vector<char> chunk;
            while (input.readChunk(chunk)) splitter.feed({chunk.data(), chunk.size()}, count);
            splitter.finish(count);
        } catch (const WordTooLong& tooLong) {
            throw ToolError(input.where(static_cast<long>(tooLong.line())) + "word longer than " +
                            std::to_string(tooLong.limit()) + " bytes");
        }
        Batch batch;
        batch.reserve(occurrences.size());
        for (const auto& [word, n] : occurrences) batch.push_back({word, n});
        store_.addWords(batch, Origin::kText, &progress_);
    }

    long long offered() const noexcept { return offered_; }

private:
    // One word, or a word and its count, a line. `input` names the file in
    // the error for a line too long to be a word; the built-in list has none.
    void addLines(std::string_view all, const InputFile* input, Batch& batch) {
        // Reserved whole: a batch grown by doubling takes up to three times
        // its room while the last move is under way, and a sanitizer's
        // allocator keeps the old buffers for a while. A list never holds
        // more words than kMaxSourceNodes: each counts at least one.
        const auto lines = static_cast<size_t>(std::count(all.begin(), all.end(), '\n')) + 1;
        batch.reserve(std::min(lines, static_cast<size_t>(kMaxSourceNodes)));
        long number = 0;
        std::optional<NodeBound> nodes;
        if (input != nullptr) nodes.emplace(*input);
        std::string_view before;
        for (size_t at = 0; at < all.size();) {
            const size_t newline = std::min(all.find('\n', at), all.size());
            const std::string_view text = all.substr(at, newline - at);
            ++number;
            const bool crlf = !text.empty() && text.back() == '\r';
            if (input != nullptr && text.size() - (crlf ? 1 : 0) > kMaxLineLength) {
                throw ToolError(input->where(number) + "line longer than " +
                                std::to_string(kMaxLineLength) + " bytes");
            }
            const DictionaryLine line = parseDictionaryLine(text);
            if (keeps(line.word)) {
                if (nodes) nodes->add(line.word, before);
                before = line.word;
                batch.push_back({line.word, line.count});
                offer(static_cast<long long>(newline));
            }
            at = newline + 1;
        }
    }

    bool keeps(std::string_view word) const {
        return !word.empty() && (numbers_ || !isNumber(rules_, word));
    }

    void offer(long long bytesSoFar) {
        ++offered_;
        progress_.update(offered_, bytesSoFar);
    }

    CompletionStore& store_;
    const WordRules& rules_;
    bool numbers_;
    long long offered_ = 0;
    Progress& progress_;
};

}  // namespace

LoadSummary loadWordSources(CompletionStore& store, const Options& options, const WordRules& rules,
                            Progress& progress) {
    const auto start = std::chrono::steady_clock::now();
    const long long heapBefore = heapBytesInUse();
    LoadSummary summary;
    prepareRanking(store);
    {
        // Scoped so that the loader's buffers are gone before the heap is
        // measured again.
        Loader loader(store, rules, options.numbers, progress);
        if (options.sources.empty()) loader.loadBuiltin();
        for (const WordSource& source : options.sources) {
            if (source.kind == WordSource::kDict)
                loader.loadDict(source);
            else
                loader.loadText(source.path);
        }
        summary.offered = loader.offered();
    }
    summary.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long long heapAfter = heapBytesInUse();
    if (heapBefore >= 0 && heapAfter >= 0) summary.heapBytes = heapAfter - heapBefore;
    return summary;
}

void warnIfEmpty(const CompletionStore& store, const LoadSummary& load) {
    if (store.wordCount() != 0) return;
    const long shortest = store.minLength();
    if (load.offered > 0) {
        std::fprintf(stderr,
                     "rorirer: no word stored: none of the %lld words offered is %ld bytes or "
                     "longer (--min-length %ld)\n",
                     load.offered, shortest, shortest);
    } else {
        std::fprintf(stderr,
                     "rorirer: no word stored: the word sources hold none (see --word-chars and "
                     "--numbers)\n");
    }
}

}  // namespace rorirer
