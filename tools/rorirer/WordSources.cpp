#include "WordSources.h"

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "BuiltinWords.h"
#include "HeapUse.h"
#include "InputFile.h"
#include "Progress.h"
#include "StringBridge.h"
#include "ToolError.h"

namespace rorirer {
namespace {

// A word list line is the word itself; only the line ending and trailing
// blanks, which editors and other systems leave behind, are dropped.
void trimTrailingBlanks(std::string& line) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
        line.pop_back();
}

class Loader {
public:
    Loader(LinkedTrie& store, const WordChars& chars, bool numbers)
        : store_(store), chars_(chars), numbers_(numbers) {}

    void loadBuiltin() {
        const BuiltinWords words = builtinWords();
        progress_.startSource("built-in list", static_cast<long long>(words.size));
        const char* at = words.data;
        const char* end = words.data + words.size;
        std::string line;
        while (at < end) {
            const void* newline = std::memchr(at, '\n', static_cast<size_t>(end - at));
            const char* lineEnd = newline != nullptr ? static_cast<const char*>(newline) : end;
            line.assign(at, lineEnd);
            trimTrailingBlanks(line);
            if (!line.empty()) offer(line, lineEnd - words.data);
            at = lineEnd + 1;
        }
    }

    void loadDict(const std::string& path) {
        InputFile input(path);
        progress_.startSource(input.name(), input.size());
        LineReader lines(input);
        std::string line;
        while (lines.readLine(line)) {
            trimTrailingBlanks(line);
            if (!line.empty()) offer(line, input.bytesRead());
        }
    }

    void loadText(const std::string& path) {
        InputFile input(path);
        progress_.startSource(input.name(), input.size());
        WordSplitter splitter(chars_, numbers_);
        std::vector<char> chunk;
        long line = 1;
        auto emit = [&](const std::string& word) { offer(word, input.bytesRead()); };
        while (input.readChunk(chunk)) {
            // Feeds one line piece at a time, so a runaway word is caught with
            // its line number before it has grown past the limit by much.
            size_t at = 0;
            while (at < chunk.size()) {
                const void* newline = std::memchr(chunk.data() + at, '\n', chunk.size() - at);
                const size_t end =
                    newline != nullptr
                        ? static_cast<size_t>(static_cast<const char*>(newline) - chunk.data()) + 1
                        : chunk.size();
                splitter.feed(chunk.data() + at, end - at, emit);
                if (splitter.pendingLength() > kMaxLineLength)
                    throw ToolError(input.where(line) + "word longer than " +
                                    std::to_string(kMaxLineLength) + " bytes");
                if (newline != nullptr) ++line;
                at = end;
            }
        }
        splitter.finish(emit);
    }

    long long offered() const noexcept { return offered_; }
    void finish() { progress_.finish(); }

private:
    void offer(const std::string& word, long long bytesSoFar) {
        store_.insertString(toCString(word));
        ++offered_;
        progress_.update(offered_, bytesSoFar);
    }

    LinkedTrie& store_;
    const WordChars& chars_;
    bool numbers_;
    long long offered_ = 0;
    Progress progress_;
};

}  // namespace

LoadSummary loadWordSources(LinkedTrie& store, const Options& options, const WordChars& chars) {
    const auto start = std::chrono::steady_clock::now();
    const long long heapBefore = heapBytesInUse();
    LoadSummary summary;
    {
        // Scoped so that the loader's buffers are gone before the heap is
        // measured again.
        Loader loader(store, chars, options.numbers);
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
