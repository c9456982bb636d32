#include "WordSources.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
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
    for (std::size_t at = 0; at < word.size();) {
        const Character c = decodeCharacter(word, at);
        if (!rules.isDigit(c)) return false;
        at += c.length;
    }
    return true;
}

class Loader {
public:
    Loader(CompletionStore& store, const WordRules& rules, bool numbers)
        : store_(store), rules_(rules), numbers_(numbers) {}

    // The list is in the program's memory for its whole run, so the batch
    // points into it and copies nothing.
    void loadBuiltin() {
        const BuiltinWords words = builtinWords();
        progress_.startSource("built-in list", static_cast<long long>(words.size));
        const char* at = words.data;
        const char* end = words.data + words.size;
        // Reserved whole: a batch grown by doubling leaves its old buffers
        // behind, which a sanitizer's allocator keeps for a while.
        Batch batch;
        batch.reserve(static_cast<size_t>(std::count(at, end, '\n')) + 1);
        while (at < end) {
            const void* newline = std::memchr(at, '\n', static_cast<size_t>(end - at));
            const char* lineEnd = newline != nullptr ? static_cast<const char*>(newline) : end;
            const DictionaryLine line =
                parseDictionaryLine(std::string_view(at, static_cast<size_t>(lineEnd - at)));
            if (keeps(line.word)) {
                batch.push_back({line.word, line.count});
                offer(lineEnd - words.data);
            }
            at = lineEnd + 1;
        }
        store_.addWords(batch, Origin::kDictionary);
    }

    void loadDict(const std::string& path) {
        InputFile input(path);
        progress_.startSource(input.name(), input.size());
        LineReader lines(input);
        // A deque never moves what it holds, so the batch's views stay good.
        std::deque<std::string> held;
        Batch batch;
        std::string text;
        while (lines.readLine(text)) {
            const DictionaryLine line = parseDictionaryLine(text);
            if (!keeps(line.word)) continue;
            held.emplace_back(line.word);
            batch.push_back({held.back(), line.count});
            offer(input.bytesRead());
        }
        store_.addWords(batch, Origin::kDictionary);
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
        store_.addWords(batch, Origin::kText);
    }

    long long offered() const noexcept { return offered_; }
    void finish() { progress_.finish(); }

private:
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
    Progress progress_;
};

}  // namespace

LoadSummary loadWordSources(CompletionStore& store, const Options& options,
                            const WordRules& rules) {
    const auto start = std::chrono::steady_clock::now();
    const long long heapBefore = heapBytesInUse();
    LoadSummary summary;
    {
        // Scoped so that the loader's buffers are gone before the heap is
        // measured again.
        Loader loader(store, rules, options.numbers);
        if (options.sources.empty()) loader.loadBuiltin();
        for (const WordSource& source : options.sources) {
            if (source.kind == WordSource::kDict)
                loader.loadDict(source.path);
            else
                loader.loadText(source.path);
        }
        loader.finish();
        summary.offered = loader.offered();
    }
    summary.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long long heapAfter = heapBytesInUse();
    if (heapBefore >= 0 && heapAfter >= 0) summary.heapBytes = heapAfter - heapBefore;
    return summary;
}

}  // namespace rorirer
