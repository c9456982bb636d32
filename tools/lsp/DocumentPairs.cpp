#include "lsp/DocumentPairs.h"

#include <string>
#include <vector>

#include "lsp/WordTally.h"

namespace rorirer::lsp {
namespace {

// Pairs are tallied as one key: the previous word, a NUL, the word. No
// word holds a NUL.
std::string pairKey(std::string_view previous, std::string_view word) {
    std::string key;
    key.reserve(previous.size() + 1 + word.size());
    key.append(previous);
    key.push_back('\0');
    key.append(word);
    return key;
}

}  // namespace

void DocumentPairs::linesChanged(const Document& document, const LinesChange& change) {
    const PairReader::Context before = contextOfLine(document, change.firstLine);
    // The line after the change: its first word follows the changed lines.
    LineText next;
    bool hasNext = false;
    const std::size_t after = change.firstLine + change.added.size();
    if (change.kind == LinesChange::Kind::kEdit && after < document.lineCount()) {
        next.text = document.lineText(after);
        next.length = next.text.size();
        next.overLimit = next.length > document.lineLimit();
        hasNext = true;
    }
    WordTally net;
    const auto tally = [&](const std::vector<LineText>& lines, long delta) {
        PairReader::Context context = before;
        const auto read = [&](const LineText& line) {
            reader_.readLine(line.overLimit ? std::string_view() : line.text, context,
                             [&](std::string_view previous, std::string_view word) {
                                 net.add(pairKey(previous, word), delta);
                             });
        };
        for (const LineText& line : lines) read(line);
        if (hasNext) read(next);
    };
    tally(change.removed, -1);
    tally(change.added, +1);
    net.forEach([this](std::string_view key, long count) {
        if (count == 0) return;
        const std::size_t nul = key.find('\0');
        const std::string_view previous = key.substr(0, nul);
        const std::string_view word = key.substr(nul + 1);
        const auto n =
            static_cast<std::uint32_t>(std::min<long>(count < 0 ? -count : count, UINT32_MAX));
        if (count > 0) {
            pairs_.add(previous, word, n);
        } else {
            pairs_.remove(previous, word, n);
        }
    });
}

PairReader::Context DocumentPairs::contextOfLine(const Document& document, std::size_t line) const {
    PairReader::Context context;
    if (line == 0 || line > document.lineCount()) return context;
    const std::string_view text = document.lineText(line - 1);
    if (text.size() > document.lineLimit()) return context;
    // A line without words ends the sentence; else what follows its last
    // word, as reading it whole would leave.
    PairReader::Context wordless;
    wordless.sentenceStart = false;
    reader_.readUpTo(text, text.size(), wordless);
    if (!wordless.sentenceStart && wordless.previous.empty()) return context;
    return wordless;
}

PairReader::Context DocumentPairs::contextAt(const Document& document, std::size_t line,
                                             std::size_t byte) const {
    PairReader::Context context = contextOfLine(document, line);
    if (line < document.lineCount()) {
        const std::string_view text = document.lineText(line);
        if (text.size() <= document.lineLimit()) reader_.readUpTo(text, byte, context);
    }
    return context;
}

}  // namespace rorirer::lsp
