#include "lsp/DocumentPairs.h"

#include <string>
#include <vector>

#include "completion/Unicode.h"
#include "completion/WordBoundaries.h"
#include "lsp/WordTally.h"

namespace rorirer::lsp {
void DocumentPairs::linesChanged(const Document& document, const LinesChange& change) {
    if (change.kind == LinesChange::Kind::kEdit && change.removed.size() == 1 &&
        change.added.size() == 1 && !change.removed[0].overLimit && !change.added[0].overLimit) {
        lineEdited(document, change.firstLine, change.removed[0].text, change.added[0].text);
        return;
    }
    const PairReader::Context before = contextOfLine(document, change.firstLine);
    // The line after the change: its first word follows the changed lines.
    LineText next;
    const std::size_t after = change.firstLine + change.added.size();
    if (change.kind == LinesChange::Kind::kEdit && after < document.lineCount())
        next = firstWordOfLine(document, after);
    PairTally net;
    const auto tally = [&](const std::vector<LineText>& lines, long delta) {
        PairReader::Context context = before;
        const auto read = [&](const LineText& line) {
            reader_.readLine(line.overLimit ? std::string_view() : line.text, context,
                             [&](std::string_view previous, std::string_view word) {
                                 net.add(previous, word, delta);
                             });
        };
        for (const LineText& line : lines) read(line);
        if (!next.text.empty()) read(next);
    };
    tally(change.removed, -1);
    tally(change.added, +1);
    apply(net);
}

void DocumentPairs::apply(const PairTally& net) {
    // In the order first met: once the table is full, the pairs met later
    // are the ones left out.
    net.forEach([this](std::string_view previous, std::string_view word, long count) {
        if (count == 0) return;
        const auto n =
            static_cast<std::uint32_t>(std::min<long>(count < 0 ? -count : count, UINT32_MAX));
        if (count > 0) {
            pairs_.add(previous, word, n);
        } else {
            pairs_.remove(previous, word, n);
        }
    });
}

void DocumentPairs::lineEdited(const Document& document, std::size_t line, std::string_view was,
                               std::string_view now) {
    // Typing changes a few bytes of one line: only the pairs of the words
    // around them can differ. The two texts agree up to `same` bytes from
    // the start and `sameEnd` from the end.
    const std::size_t shorter = std::min(was.size(), now.size());
    std::size_t same = 0;
    while (same < shorter && was[same] == now[same]) ++same;
    std::size_t sameEnd = 0;
    while (sameEnd < shorter - same &&
           was[was.size() - 1 - sameEnd] == now[now.size() - 1 - sameEnd])
        ++sameEnd;
    // Both read alike up to a restart point within the common start...
    const std::size_t from = restartPointBefore(reader_.rules(), now, same);
    PairReader::Context start = contextOfLine(document, line);
    reader_.readUpTo(now, from, start);
    // ...and from the end of the first word that starts after a restart
    // point within the common end: the words after it follow the same
    // words in both. Without one, to the line's end, and the first word of
    // the next line may follow another word now.
    std::size_t toEnd = 0;  // bytes left out at the end of both
    for (std::size_t at = now.size() - sameEnd; at < now.size(); ++at) {
        const auto byte = static_cast<unsigned char>(now[at]);
        const Character c{byte, 1, true};
        if (byte >= 0x80 || reader_.rules().isWordCharacter(c) || reader_.rules().isApostrophe(c))
            continue;
        WordSpanReader words(reader_.rules(), now, at + 1, reader_.keepsNumbers());
        WordSpan span;
        if (words.next(span)) toEnd = now.size() - span.end;
        break;
    }
    LineText next;
    if (toEnd == 0 && line + 1 < document.lineCount()) next = firstWordOfLine(document, line + 1);

    PairTally net;
    const auto tally = [&](std::string_view text, long delta) {
        PairReader::Context context = start;
        const auto add = [&](std::string_view previous, std::string_view word) {
            net.add(previous, word, delta);
        };
        reader_.readPart(text, from, text.size() - toEnd, context, add);
        if (!next.text.empty()) reader_.readLine(next.text, context, add);
    };
    tally(was, -1);
    tally(now, +1);
    apply(net);
}

LineText DocumentPairs::firstWordOfLine(const Document& document, std::size_t line) const {
    LineText first;
    const std::string_view text = document.lineText(line);
    if (text.size() > document.lineLimit()) return first;
    WordSpanReader words(reader_.rules(), text, 0, reader_.keepsNumbers());
    WordSpan span;
    if (words.next(span)) first.text = text.substr(0, span.end);
    first.length = first.text.size();
    return first;
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
