#include "WordSources.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "BuiltinWords.h"
#include "HeapUse.h"
#include "InputFile.h"
#include "Progress.h"
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
    void loadDict(const std::string& path) {
        InputFile input(path);
        progress_.startSource(input.name(), input.size());
        CompletionStore::WordList list;
        input.readAll(list.bytes);
        addLines(list.bytes, &input, list.words);
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
        const auto count = [&](std::string_view word) {
            key.assign(word);
            ++occurrences[key];
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
        // allocator keeps the old buffers for a while.
        batch.reserve(static_cast<size_t>(std::count(all.begin(), all.end(), '\n')) + 1);
        long number = 0;
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
    {
        // Scoped so that the loader's buffers are gone before the heap is
        // measured again.
        Loader loader(store, rules, options.numbers, progress);
        if (options.sources.empty()) loader.loadBuiltin();
        for (const WordSource& source : options.sources) {
            if (source.kind == WordSource::kDict)
                loader.loadDict(source.path);
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

}  // namespace rorirer
