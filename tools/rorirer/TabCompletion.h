// What Tab does to a line, and what the listing and the hint show, decided
// from the line, the cursor and the store alone, so that the line editor only
// carries it out. Each asks in the session's style, with a limit of its own.
// The word is the layer's word before the cursor (Unicode letters, the
// apostrophe rule); a word the cursor stands inside is cut at the cursor.
#ifndef RORIRER_TOOLS_TABCOMPLETION_H
#define RORIRER_TOOLS_TABCOMPLETION_H

#include <cstddef>
#include <string>
#include <string_view>

#include "completion/CompletionStore.h"
#include "completion/WordPairs.h"
#include "completion/WordRules.h"

namespace rorirer {

// Which word followed which in the lines entered in this session, for the
// ranking model's pair part. Each line is a text of its own: its first word
// begins a sentence, as a message's does.
class SessionPairs {
public:
    // `rules` must outlive this object.
    SessionPairs(const WordRules& rules, bool keepNumbers) : reader_(rules, keepNumbers) {}

    // Counts the pairs of an entered line. Throws std::bad_alloc; the pairs
    // counted before the failure stay.
    void addLine(std::string_view line);

    // The context of the word that starts at `start` in `line`: the word
    // before it and whether it begins a sentence. `previous` views `held`.
    Query::Context contextAt(std::string_view line, std::size_t start,
                             PairReader::Context& held) const;

private:
    WordPairs pairs_;
    PairReader reader_;
};

struct TabEdit {
    enum Action {
        kNothing,  // no word, no match, or nothing new to insert: ring the bell
        kReplace,  // put `text` in place of line[start, cursor)
        kList,     // a Tab after one with nothing to insert: show the listing
    };
    Action action = kNothing;
    std::size_t start = 0;
    std::string text;
    // The one word that fits was taken: a space follows it, and the store
    // marks `accepted` (the stored word) as used.
    bool complete = false;
    std::string accepted;
};

// `repeated`: the key before this one was Tab too. A prefix that only has
// close matches (typos) is never replaced: a second Tab lists them.
// Each asks with the context of `session` when given.
TabEdit decideTab(const CompletionStore& store, const WordRules& rules, const QueryStyle& style,
                  std::string_view line, std::size_t cursor, bool repeated,
                  const SessionPairs* session = nullptr);

// The listing of the candidates for the word before the cursor, best first,
// fitted to `columns` by `rows` with "... and N more" when they do not fit;
// close matches come under a line that says so. Empty when there is no word.
std::string listCandidates(const CompletionStore& store, const WordRules& rules,
                           const QueryStyle& style, std::string_view line, std::size_t cursor,
                           int columns, int rows, const SessionPairs* session = nullptr);

struct Hint {
    // The one word that fits, as it would be inserted; the hint is what it
    // adds to the typed word, from byte `restAt` on.
    std::string text;
    std::size_t restAt = 0;
    std::string accepted;  // that word, as stored

    bool empty() const noexcept { return restAt >= text.size(); }
    std::string_view rest() const noexcept { return std::string_view(text).substr(restAt); }
};

// The hint for a cursor at the end of the line: empty unless exactly one
// word fits (typos aside) and it begins with the word as typed (or its NFC).
Hint findHint(const CompletionStore& store, const WordRules& rules, const QueryStyle& style,
              std::string_view line, std::size_t cursor, const SessionPairs* session = nullptr);

// The end of the longest piece of `text` from byte `from` that takes at most
// `columns` terminal columns and ends on a grapheme boundary of the whole
// text: a hint cut at the margin never splits a character or a cluster.
std::size_t cutToColumns(std::string_view text, std::size_t from, int columns) noexcept;

}  // namespace rorirer

#endif  // RORIRER_TOOLS_TABCOMPLETION_H
