// Which bytes make up words, and splitting text into words the way an editor
// does: a word is a maximal run of word bytes.
#ifndef RORIRER_TOOLS_WORDCHARS_H
#define RORIRER_TOOLS_WORDCHARS_H

#include <bitset>
#include <cstddef>
#include <string>

namespace rorirer {

class WordChars {
public:
    // Letters, digits, '_' and every byte from 0x80 up, so UTF-8 letters
    // stay inside words.
    WordChars();
    // A set written as characters and ranges: "a-zA-Z_", "\x80-\xff", "\\".
    // A '-' first or last stands for itself. Throws ToolError when malformed.
    static WordChars parse(const std::string& written);

    bool isWordByte(unsigned char byte) const noexcept { return set_[byte]; }
    // Every non-word byte except NUL, for line editors that want the
    // characters that break words.
    std::string breakCharacters() const;

private:
    std::bitset<256> set_;
};

// The program's own splitter links into the same program as the completion
// layer's rorirer::WordSplitter (the language server's): the inline
// namespace gives it a name of its own, so the two classes' inline members
// are not taken for one another.
inline namespace bytewise {

// Collects words from text that arrives in pieces: a word split across two
// pieces is still one word.
class WordSplitter {
public:
    WordSplitter(const WordChars& chars, bool keepNumbers)
        : chars_(chars), keepNumbers_(keepNumbers) {}

    // Calls `emit(const std::string&)` for each word completed by this piece.
    template <typename Emit>
    void feed(const char* data, size_t size, Emit&& emit) {
        for (size_t i = 0; i < size; ++i) {
            if (chars_.isWordByte(static_cast<unsigned char>(data[i]))) {
                current_.push_back(data[i]);
                allDigits_ = allDigits_ && data[i] >= '0' && data[i] <= '9';
            } else {
                finish(emit);
            }
        }
    }
    // Emits the word the text ended in, if any.
    template <typename Emit>
    void finish(Emit&& emit) {
        if (!current_.empty() && (keepNumbers_ || !allDigits_)) emit(current_);
        current_.clear();
        allDigits_ = true;
    }
    // Length of the word being collected, so callers can refuse runaway words
    // before they grow without bound.
    size_t pendingLength() const noexcept { return current_.size(); }

private:
    const WordChars& chars_;
    bool keepNumbers_;
    std::string current_;
    bool allDigits_ = true;
};

}  // namespace bytewise
}  // namespace rorirer

#endif  // RORIRER_TOOLS_WORDCHARS_H
