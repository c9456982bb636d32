// Splits text into words by a WordRules, for text that arrives in pieces: a
// piece may end inside a UTF-8 sequence, or between an apostrophe and the
// letter that decides whether it joins, and the words come out as if the
// text had come whole. Words come out as written (not normalized).
#ifndef RORIRER_COMPLETION_WORDSPLITTER_H
#define RORIRER_COMPLETION_WORDSPLITTER_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>

#include "completion/WordBoundaries.h"
#include "completion/WordRules.h"

namespace rorirer {

// A word longer than the splitter's bound, thrown from feed() or finish()
// (which takes the bytes the last piece ended in). The caller reports the
// line; below is what the splitter is good for then.
class WordTooLong : public std::length_error {
public:
    WordTooLong(std::size_t line, std::size_t limit);
    std::size_t line() const noexcept { return line_; }
    std::size_t limit() const noexcept { return limit_; }

private:
    std::size_t line_;
    std::size_t limit_;
};

// After WordTooLong the splitter has dropped the long word and the rest of
// that piece, and line() still gives the long word's line. It may be fed
// again: it starts afresh, as at the start of a text, and line() counts on
// from there, without the lines of the dropped rest.
class WordSplitter {
public:
    struct Options {
        // Words made of decimal digits alone ("1984") are skipped unless set.
        bool keepNumbers = false;
        // Longest word in bytes, as written; a longer one throws WordTooLong.
        std::size_t maxWordBytes = 4096;
    };

    // `rules` must outlive the splitter.
    explicit WordSplitter(const WordRules& rules) : WordSplitter(rules, Options{}) {}
    WordSplitter(const WordRules& rules, Options options)
        : rules_(rules), options_(options), scanner_(rules) {}

    // Calls `emit(std::string_view word)` for each word this piece completes.
    template <typename Emit>
    void feed(std::string_view piece, Emit&& emit) {
        feedPiece(piece, &callEmit<Emit>, contextOf(emit));
    }
    // The text has ended: emits the word it ended in, if any.
    template <typename Emit>
    void finish(Emit&& emit) {
        finishText(&callEmit<Emit>, contextOf(emit));
    }

    // The line the splitter has reached, counting from 1.
    std::size_t line() const noexcept { return line_; }

private:
    using EmitFunction = void (*)(void* context, std::string_view word);
    // The callable goes through a plain pointer, so the splitting itself
    // need not live in this header; a const callable keeps its constness
    // in callEmit.
    template <typename Emit>
    static void* contextOf(Emit& emit) {
        return const_cast<void*>(static_cast<const void*>(std::addressof(emit)));
    }
    template <typename Emit>
    static void callEmit(void* context, std::string_view word) {
        (*static_cast<std::remove_reference_t<Emit>*>(context))(word);
    }

    void feedPiece(std::string_view piece, EmitFunction emit, void* context);
    void finishText(EmitFunction emit, void* context);
    void takeCharacter(const Character& c, std::string_view bytes, EmitFunction emit,
                       void* context);
    // Takes the run of ASCII word characters at `at`, if one starts there,
    // and moves `at` past it.
    bool takeAsciiRun(std::string_view piece, std::size_t& at);
    void append(std::string_view bytes);
    // Gives the word that `step` ended, unless it is a number not kept.
    void endWord(std::uint8_t step, EmitFunction emit, void* context);

    const WordRules& rules_;
    Options options_;
    WordScanner scanner_;
    std::string word_;
    // The apostrophe the scanner holds, waiting for the character that decides.
    std::string apostrophe_;
    // The start of a UTF-8 sequence that the last piece cut.
    std::string carried_;
    std::size_t line_ = 1;
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_WORDSPLITTER_H
