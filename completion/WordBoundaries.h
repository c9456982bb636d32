// Where words begin and end in text, by a WordRules: the one statement of
// the word rule (word characters, and the apostrophe that joins two runs of
// letters) that everything splitting text into words goes through, so the
// words a WordSplitter gives, the words a host finds in a line and the word
// before the cursor always agree.
#ifndef RORIRER_COMPLETION_WORDBOUNDARIES_H
#define RORIRER_COMPLETION_WORDBOUNDARIES_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "completion/Unicode.h"
#include "completion/WordRules.h"

namespace rorirer {

// The word rule fed one character at a time, from a place where no word is
// under way: what each character does to the words. A word is a run of word
// characters; an apostrophe right after a letter is held until the next
// character, and joins the word when that is a letter. An apostrophe never
// starts a word.
class WordScanner {
public:
    // What a character did, as bits: a held apostrophe that does not join
    // ends the word before it, and the same character may start the next.
    enum Step : std::uint8_t {
        kEnds = 1,        // the word under way ended before this character
        kEndsAtHeld = 2,  // with kEnds: before the held apostrophe, which is in no word
        kEndsNumber = 4,  // with kEnds: the word that ended is decimal digits alone
        kStarts = 8,      // this character starts a word
        kContinues = 16,  // this character continues the word under way
        kHolds = 32,      // this character is an apostrophe after a letter, held
        kJoins = 64,      // the held apostrophe and this character continue the word
    };

    // `rules` must outlive the scanner.
    explicit WordScanner(const WordRules& rules) noexcept : rules_(&rules) {}

    std::uint8_t take(const Character& c) noexcept {
        const std::uint8_t kind = classOf(c);
        std::uint8_t step = 0;
        if (state_ == kHolding) {
            if ((kind & WordRules::kAsciiLetter) != 0) {
                state_ = kInWord;
                lastWasLetter_ = true;
                digitsOnly_ = false;
                return kJoins;
            }
            step = endWord(kEndsAtHeld);
        }
        if ((kind & WordRules::kAsciiWord) != 0) {
            if (state_ == kOutside) {
                state_ = kInWord;
                digitsOnly_ = true;
                step |= kStarts;
            } else {
                step |= kContinues;
            }
            digitsOnly_ = digitsOnly_ && (kind & WordRules::kAsciiDigit) != 0;
            lastWasLetter_ = (kind & WordRules::kAsciiLetter) != 0;
            return step;
        }
        if (state_ == kInWord) {
            if (lastWasLetter_ && rules_->isApostrophe(c)) {
                state_ = kHolding;
                return kHolds;
            }
            return endWord(0);
        }
        return step;
    }

    // As take() for a character known to be in no word and no apostrophe.
    std::uint8_t takeSeparator() noexcept {
        if (state_ == kHolding) return endWord(kEndsAtHeld);
        return state_ == kInWord ? endWord(0) : 0;
    }

    // As take() for each of a run of word characters, when no apostrophe is
    // held: `lastIsLetter` of the run's last one, `digitsOnly` of them all.
    std::uint8_t takeWordRun(bool lastIsLetter, bool digitsOnly) noexcept {
        std::uint8_t step = kContinues;
        if (state_ == kOutside) {
            state_ = kInWord;
            digitsOnly_ = true;
            step = kStarts;
        }
        digitsOnly_ = digitsOnly_ && digitsOnly;
        lastWasLetter_ = lastIsLetter;
        return step;
    }

    // The text ended: kEnds and its companions when a word was under way,
    // else 0. The scanner is then as new.
    std::uint8_t finish() noexcept {
        if (state_ == kOutside) return 0;
        return endWord(state_ == kHolding ? kEndsAtHeld : 0);
    }

    // Forgets the word under way, as if the text started again.
    void reset() noexcept { state_ = kOutside; }

    // A word is under way, a held apostrophe included.
    bool inWord() const noexcept { return state_ != kOutside; }
    bool holding() const noexcept { return state_ == kHolding; }

private:
    enum State : std::uint8_t { kOutside, kInWord, kHolding };

    // What the rules say of `c`, as WordRules::AsciiClass bits: looked up for
    // ASCII, which most text is, and asked of the rules otherwise.
    std::uint8_t classOf(const Character& c) const noexcept {
        if (c.wellFormed && c.value < 0x80)
            return rules_->asciiClass(static_cast<std::uint8_t>(c.value));
        if (rules_->isLetter(c)) return WordRules::kAsciiWord | WordRules::kAsciiLetter;
        if (!rules_->isWordCharacter(c)) return 0;
        return rules_->isDigit(c) ? WordRules::kAsciiWord | WordRules::kAsciiDigit
                                  : WordRules::kAsciiWord;
    }

    std::uint8_t endWord(std::uint8_t how) noexcept {
        state_ = kOutside;
        return static_cast<std::uint8_t>(kEnds | how | (digitsOnly_ ? kEndsNumber : 0));
    }

    const WordRules* rules_;
    State state_ = kOutside;
    bool lastWasLetter_ = false;
    bool digitsOnly_ = true;
};

// A word of a line: bytes [start, end).
struct WordSpan {
    std::size_t start = 0;
    std::size_t end = 0;
};

// Reads the words of `line` from byte `from` on, which must be a place where
// no word is under way: the start of the line, a restart point (below), or
// the start of a word. Words of digits alone are passed over unless
// `keepNumbers`, as WordSplitter passes them over. Unlike WordSplitter it
// bounds no word's length.
class WordSpanReader {
public:
    WordSpanReader(const WordRules& rules, std::string_view line, std::size_t from,
                   bool keepNumbers) noexcept
        : scanner_(rules), line_(line), at_(from), keepNumbers_(keepNumbers) {}

    // The next word; false once the line is read.
    bool next(WordSpan& span) noexcept;

private:
    WordScanner scanner_;
    std::string_view line_;
    std::size_t at_;
    std::size_t start_ = 0;  // of the word under way
    std::size_t held_ = 0;   // of the apostrophe held
    bool keepNumbers_;
    bool finished_ = false;
};

// The nearest place at or before `at` from which a WordSpanReader reads the
// same words as from the start of the line: just after an ASCII byte that
// neither belongs to a word nor is an apostrophe, or the line's start. (An
// ASCII byte is never part of a longer UTF-8 sequence, so it is always a
// character of its own.)
std::size_t restartPointBefore(const WordRules& rules, std::string_view line,
                               std::size_t at) noexcept;
// The nearest such place at or after `at`, other than the line's start;
// npos when there is none.
std::size_t restartPointAfter(const WordRules& rules, std::string_view line,
                              std::size_t at) noexcept;

// The word of `line` that starts at byte `start`, if one does: its end, or
// `start` when none starts there.
std::size_t wordEndFrom(const WordRules& rules, std::string_view line, std::size_t start,
                        bool keepNumbers) noexcept;

// The start of the word that ends at byte `cursor` of `line`: the word is
// line[start, cursor). Only the text before the cursor counts, so a word the
// cursor stands inside is cut at the cursor, and an apostrophe right after
// letters belongs to it ("doesn'" completes to "doesn't"). Equals `cursor`
// when no word ends there. Reads back only to the nearest restart point.
std::size_t wordStartBeforeCursor(const WordRules& rules, std::string_view line,
                                  std::size_t cursor) noexcept;

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_WORDBOUNDARIES_H
