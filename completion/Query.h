// What a host asks a CompletionStore about a typed prefix, and the answer.
#ifndef RORIRER_COMPLETION_QUERY_H
#define RORIRER_COMPLETION_QUERY_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rorirer {

// How the typed prefix's case meets the stored words'. Folding is
// utf8proc_tolower per code point, without locale: see docs/completion.md.
enum class CaseMode {
    kExact,   // byte for byte, as the LinkedTrie answers
    kIgnore,  // folded; candidates show the stored word
    kSmart,   // kIgnore, unless the prefix holds an upper-case letter: then case-sensitive
    kInfer,   // folded; the typed part stays as typed, the rest as stored,
              // and a prefix of two or more letters all in capitals gives capitals
};

enum class SortOrder {
    // Tiers, each breaking the ties of the one before: (a) the stored word
    // begins with the prefix exactly as typed; (b) used recently, most
    // recent first; (c) the host's preferred words, in the host's order;
    // (d) frequency, higher first; (e) length in code points, shorter
    // first; (f) byte order of the stored word.
    kRank,
    // Byte order of the stored words, as the LinkedTrie lists them.
    kAlpha,
};

// Where a word came from; a word may have several origins at once.
enum class Origin : std::uint8_t {
    kDictionary = 1,  // a word list; with its count column, if any
    kText = 2,        // words read from text, with their occurrences
    kPersonal = 4,    // learned or accepted by the user
    kDocument = 8,    // occurrences in open documents, which may go away
};
using Origins = std::uint8_t;
inline constexpr bool hasOrigin(Origins origins, Origin origin) {
    return (origins & static_cast<Origins>(origin)) != 0;
}

// How a host asks, whatever the prefix: what its settings choose. The
// program's command line, its interactive session and the language
// server's settings each keep one.
struct QueryStyle {
    static constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);

    CaseMode caseMode = CaseMode::kInfer;
    SortOrder sortOrder = SortOrder::kRank;
    // When no stored word begins with the prefix (as the case mode
    // matches) and it has four code points or more (and at most 64),
    // offer the words whose beginning is within one edit of it.
    bool fuzzy = true;
    // For the longest and unique completion only: a candidate equal to the
    // prefix (as the case mode matches) is set aside while others remain.
    bool skipPrefixWord = false;
    // Candidates wanted, best first.
    std::size_t limit = 20;

    QueryStyle withLimit(std::size_t most) const noexcept {
        QueryStyle style = *this;
        style.limit = most;
        return style;
    }
    bool operator==(const QueryStyle& other) const noexcept {
        return caseMode == other.caseMode && sortOrder == other.sortOrder && fuzzy == other.fuzzy &&
               skipPrefixWord == other.skipPrefixWord && limit == other.limit;
    }
    bool operator!=(const QueryStyle& other) const noexcept { return !(*this == other); }
};

// One question. The views and the pointer are read during
// CompletionStore::complete() alone: what they point to must outlive the
// call, and the store keeps none of it.
struct Query {
    // As typed; normalized to NFC before use, and read up to its first NUL.
    std::string_view prefix;
    QueryStyle style;
    // Stored words the host ranks above frequency (tier c), best first:
    // the language server passes the document's words nearest the cursor.
    // Null: none.
    const std::vector<std::string>* preferred = nullptr;
    // One occurrence of this word does not count: the word under the cursor,
    // which must not offer itself for having been typed.
    std::string_view discounted;
    // Also count every distinct candidate (this may walk them all).
    bool wantCount = false;
    // Also work out `longest` and `unique`, walking below the matched
    // paths. A host that only lists the candidates turns it off: `longest`
    // is then the prefix (NFC) and `unique` empty.
    bool wantLongest = true;
};

struct Candidate {
    std::string text;  // to put in place of the typed prefix
    std::string word;  // as stored
    bool fuzzy = false;
    bool caseAgrees = false;  // the stored word begins with the prefix as typed
    Origins origins = 0;
    std::uint64_t count = 0;  // frequency, as ranked
};

struct Completion {
    std::vector<Candidate> candidates;
    bool more = false;      // other distinct candidates exist beyond the limit
    bool anyMatch = false;  // some candidate exists
    bool fuzzy = false;     // the candidates come from the typo fallback
    // The longest text all candidates' texts begin with, cut back so it ends
    // neither inside a code point nor inside a grapheme cluster of any; at
    // least the prefix (NFC) itself.
    std::string longest;
    // The one distinct candidate text, when there is exactly one.
    std::optional<std::string> unique;
    // Distinct candidate texts, when asked for.
    std::optional<std::uint64_t> count;
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_QUERY_H
