#include "lsp/DocumentPairs.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "completion/Unicode.h"
#include "completion/WordBoundaries.h"
#include "lsp/WordTally.h"

namespace rorirer::lsp {
void DocumentPairs::linesChanged(const Document& document, const LinesChange& change) {
    const auto entry = std::find_if(unread_.begin(), unread_.end(), [&document](const Unread& u) {
        return u.document == &document;
    });
    if (change.kind == LinesChange::Kind::kOpen && readLaterAbove_ > 0 &&
        change.added.size() > readLaterAbove_) {
        unread_.push_back({&document, 0});
        return;
    }
    if (entry == unread_.end()) {
        count(document, change, true);
        return;
    }
    // Lines from `counted` on have not been read: a change there has no
    // pair to take back, and the lines it brings are read in their turn.
    std::size_t& counted = entry->counted;
    const std::size_t first = change.firstLine;
    const std::size_t removedEnd = first + change.removed.size();
    if (change.kind == LinesChange::Kind::kClose || removedEnd > counted || first >= counted) {
        if (first < counted) {
            const std::vector<LineText> read(change.removed.begin(),
                                             change.removed.begin() + (counted - first));
            PairTally net;
            tallyLines(contextOfLine(document, first), read, nullptr, -1, net);
            counted = first;
            apply(net);
        }
        if (change.kind == LinesChange::Kind::kClose) unread_.erase(entry);
        return;
    }
    // Within what was read; the line after it may not have been.
    count(document, change, removedEnd < counted);
    counted = counted - change.removed.size() + change.added.size();
}

void DocumentPairs::count(const Document& document, const LinesChange& change, bool readNext) {
    if (change.kind == LinesChange::Kind::kEdit && change.removed.size() == 1 &&
        change.added.size() == 1 && !change.removed[0].overLimit && !change.added[0].overLimit) {
        lineEdited(document, change.firstLine, change.removed[0].text, change.added[0].text,
                   readNext);
        return;
    }
    const PairReader::Context before = contextOfLine(document, change.firstLine);
    // The line after the change: its first word follows the changed lines.
    LineText next;
    const std::size_t after = change.firstLine + change.added.size();
    if (readNext && change.kind == LinesChange::Kind::kEdit && after < document.lineCount())
        next = firstWordOfLine(document, after);
    PairTally net;
    tallyLines(before, change.removed, &next, -1, net);
    tallyLines(before, change.added, &next, +1, net);
    apply(net);
}

void DocumentPairs::tallyLines(const PairReader::Context& before,
                               const std::vector<LineText>& lines, const LineText* next, long delta,
                               PairTally& net) const {
    PairReader::Context context = before;
    const auto read = [&](const LineText& line) {
        reader_.readLine(line.overLimit ? std::string_view() : line.text, context,
                         [&](std::string_view previous, std::string_view word) {
                             net.add(previous, word, delta);
                         });
    };
    for (const LineText& line : lines) read(line);
    if (next != nullptr && !next->text.empty()) read(*next);
}

bool DocumentPairs::readSome(std::size_t mostLines) {
    if (unread_.empty()) return false;
    Unread& u = unread_.front();
    const Document& document = *u.document;
    const std::size_t end = std::min(document.lineCount(), u.counted + mostLines);
    std::vector<LineText> lines;
    lines.reserve(end - u.counted);
    for (std::size_t line = u.counted; line < end; ++line) lines.push_back(document.line(line));
    PairTally net;
    tallyLines(contextOfLine(document, u.counted), lines, nullptr, +1, net);
    // Counted before the table is told, so that a failure there leaves
    // pairs uncounted rather than counted twice.
    u.counted = end;
    if (end == document.lineCount()) unread_.erase(unread_.begin());
    apply(net);
    return !unread_.empty();
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
                               std::string_view now, bool readNext) {
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
    const PairReader::Context start = contextWithin(document, line, now, from);
    // ...and from the end of the first word that starts after a restart
    // point within the common end: the words after it follow the same
    // words in both. Without one, to the line's end, and the first word of
    // the next line may follow another word now.
    std::size_t toEnd = 0;  // bytes left out at the end of both
    const std::size_t restart = restartPointAfter(reader_.rules(), now, now.size() - sameEnd + 1);
    if (restart != std::string_view::npos) {
        WordSpanReader words(reader_.rules(), now, restart, reader_.keepsNumbers());
        WordSpan span;
        if (words.next(span)) toEnd = now.size() - span.end;
    }
    LineText next;
    if (readNext && toEnd == 0 && line + 1 < document.lineCount())
        next = firstWordOfLine(document, line + 1);

    // The pairs of both readings, in order. Those they share at either end
    // are the same pairs, and cancel; a one-letter edit leaves a few in the
    // middle, too few to be worth a tally.
    using Pair = std::pair<std::string, std::string>;
    const auto pairsOf = [&](std::string_view text) {
        std::vector<Pair> read;
        read.reserve(4);
        PairReader::Context context = start;
        const auto add = [&](std::string_view previous, std::string_view word) {
            read.emplace_back(previous, word);
        };
        reader_.readPart(text, from, text.size() - toEnd, context, add);
        if (!next.text.empty()) reader_.readLine(next.text, context, add);
        return read;
    };
    const std::vector<Pair> old = pairsOf(was);
    const std::vector<Pair> fresh = pairsOf(now);
    std::size_t head = 0;
    while (head < old.size() && head < fresh.size() && old[head] == fresh[head]) ++head;
    std::size_t tail = 0;
    while (tail < old.size() - head && tail < fresh.size() - head &&
           old[old.size() - 1 - tail] == fresh[fresh.size() - 1 - tail])
        ++tail;
    for (std::size_t i = head; i + tail < old.size(); ++i)
        pairs_.remove(old[i].first, old[i].second);
    for (std::size_t i = head; i + tail < fresh.size(); ++i)
        pairs_.add(fresh[i].first, fresh[i].second);
}

LineText DocumentPairs::firstWordOfLine(const Document& document, std::size_t line) const {
    LineText first;
    const std::string_view text = document.line(line).text;
    WordSpanReader words(reader_.rules(), text, 0, reader_.keepsNumbers());
    WordSpan span;
    if (words.next(span)) first.text = text.substr(0, span.end);
    first.length = first.text.size();
    return first;
}

PairReader::Context DocumentPairs::contextOfLine(const Document& document, std::size_t line) const {
    PairReader::Context context;
    if (line == 0 || line > document.lineCount()) return context;
    const std::string_view text = document.line(line - 1).text;
    // A line without words ends the sentence; else what follows its last
    // word, as reading it whole would leave.
    PairReader::Context wordless;
    wordless.sentenceStart = false;
    reader_.readUpTo(text, text.size(), wordless);
    if (!wordless.sentenceStart && wordless.previous.empty()) return context;
    return wordless;
}

PairReader::Context DocumentPairs::contextWithin(const Document& document, std::size_t line,
                                                 std::string_view text, std::size_t byte) const {
    // The line before matters only when text[0, byte) has no word and ends
    // no sentence, which leaves this marker as it was.
    PairReader::Context context;
    context.sentenceStart = false;
    reader_.readUpTo(text, byte, context);
    if (context.sentenceStart || !context.previous.empty()) return context;
    return contextOfLine(document, line);
}

PairReader::Context DocumentPairs::contextAt(const Document& document, std::size_t line,
                                             std::size_t byte) const {
    if (line >= document.lineCount()) return contextOfLine(document, line);
    return contextWithin(document, line, document.line(line).text, byte);
}

}  // namespace rorirer::lsp
