#include "TabCompletion.h"

#include <algorithm>
#include <vector>

#include "CompletionListing.h"
#include "completion/Unicode.h"
#include "completion/WordBoundaries.h"

namespace rorirer {
namespace {

// Candidates asked for when only the longest and unique completion matter:
// the unique one is among the first few even when words equal to the prefix
// (in several cases) are set aside before it.
constexpr std::size_t kFewCandidates = 16;
// Most candidates one listing asks for, whatever the screen's size.
constexpr std::size_t kMostListed = 2000;

// `held` keeps what the query's context views while it is asked.
Query queryFor(std::string_view line, std::size_t start, std::size_t cursor,
               const QueryStyle& style, std::size_t limit, const SessionPairs* session,
               PairReader::Context& held) {
    Query query;
    query.prefix = line.substr(start, cursor - start);
    query.style = style.withLimit(limit);
    if (session != nullptr) query.context = session->contextAt(line, start, held);
    return query;
}

// The stored word behind the unique completion, to mark as used.
std::string uniqueWord(const Completion& answer) {
    for (const Candidate& candidate : answer.candidates)
        if (candidate.text == *answer.unique) return candidate.word;
    return std::string();
}

}  // namespace

void SessionPairs::addLine(std::string_view line) {
    PairReader::Context context;
    reader_.readLine(line, context, [this](std::string_view previous, std::string_view word) {
        pairs_.add(previous, word);
    });
}

Query::Context SessionPairs::contextAt(std::string_view line, std::size_t start,
                                       PairReader::Context& held) const {
    held = PairReader::Context();
    reader_.readUpTo(line, start, held);
    Query::Context context;
    context.previous = held.previous;
    context.sentenceStart = held.sentenceStart;
    context.pairs = &pairs_;
    return context;
}

TabEdit decideTab(const CompletionStore& store, const WordRules& rules, const QueryStyle& style,
                  std::string_view line, std::size_t cursor, bool repeated,
                  const SessionPairs* session) {
    TabEdit edit;
    cursor = std::min(cursor, line.size());
    const std::size_t start = wordStartBeforeCursor(rules, line, cursor);
    if (start == cursor) return edit;
    const std::string_view word = line.substr(start, cursor - start);
    PairReader::Context held;
    const Completion answer =
        store.complete(queryFor(line, start, cursor, style, kFewCandidates, session, held));
    if (!answer.anyMatch) return edit;
    if (!answer.fuzzy) {
        edit.start = start;
        if (answer.unique) {
            edit.action = TabEdit::kReplace;
            edit.text = *answer.unique;
            edit.complete = true;
            edit.accepted = uniqueWord(answer);
            return edit;
        }
        if (answer.longest != toNfc(word)) {
            edit.action = TabEdit::kReplace;
            edit.text = answer.longest;
            return edit;
        }
    }
    if (repeated) edit.action = TabEdit::kList;
    return edit;
}

std::string listCandidates(const CompletionStore& store, const WordRules& rules,
                           const QueryStyle& style, std::string_view line, std::size_t cursor,
                           int columns, int rows, const SessionPairs* session) {
    cursor = std::min(cursor, line.size());
    const std::size_t start = wordStartBeforeCursor(rules, line, cursor);
    if (start == cursor) return std::string();
    const std::string_view word = line.substr(start, cursor - start);
    // Every word takes a column and two blanks at the least.
    const std::size_t screenful = static_cast<std::size_t>(std::max(rows, 1)) *
                                  static_cast<std::size_t>(std::max(columns / 3, 1));
    PairReader::Context held;
    Query query =
        queryFor(line, start, cursor, style, std::min(screenful, kMostListed), session, held);
    query.wantCount = true;
    const Completion answer = store.complete(query);
    if (!answer.anyMatch) return std::string();
    std::vector<std::string> texts;
    texts.reserve(answer.candidates.size());
    for (const Candidate& candidate : answer.candidates) texts.push_back(candidate.text);
    const auto total = static_cast<long long>(answer.count.value_or(texts.size()));
    if (!answer.fuzzy) return formatListing(texts, total, columns, rows);
    return "no word begins with " + std::string(word) + "; close matches:\n" +
           formatListing(texts, total, columns, rows - 1);
}

Hint findHint(const CompletionStore& store, const WordRules& rules, const QueryStyle& style,
              std::string_view line, std::size_t cursor, const SessionPairs* session) {
    Hint hint;
    if (cursor != line.size()) return hint;
    const std::size_t start = wordStartBeforeCursor(rules, line, cursor);
    if (start == cursor) return hint;
    const std::string_view word = line.substr(start, cursor - start);
    PairReader::Context held;
    Query query = queryFor(line, start, cursor, style, kFewCandidates, session, held);
    query.style.fuzzy = false;
    const Completion answer = store.complete(query);
    if (!answer.unique) return hint;
    const std::string& text = *answer.unique;
    std::string typed(word);
    if (text.compare(0, typed.size(), typed) != 0) {
        typed = toNfc(word);
        if (text.compare(0, typed.size(), typed) != 0) return hint;
    }
    if (text.size() == typed.size()) return hint;
    hint.text = text;
    hint.restAt = typed.size();
    hint.accepted = uniqueWord(answer);
    return hint;
}

std::size_t cutToColumns(std::string_view text, std::size_t from, int columns) noexcept {
    std::size_t cut = from;
    int width = 0;
    std::int32_t state = 0;
    Character before;
    for (std::size_t at = 0; at < text.size();) {
        const Character c = decodeCharacter(text, at);
        // The grapheme state is carried from the start of the text, so the
        // boundaries are those of the whole word.
        const bool boundary = at > 0 && isGraphemeBreak(before, c, state);
        if (at > from && boundary) cut = at;
        if (at >= from) {
            width += displayWidth(text.substr(at, c.length));
            if (width > columns) return cut;
        }
        before = c;
        at += c.length;
    }
    return text.size();
}

}  // namespace rorirer
