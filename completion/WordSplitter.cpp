#include "completion/WordSplitter.h"

#include <cstdint>
#include <utility>

namespace rorirer {
namespace {

// True when `bytes` (one to three) could still become a well-formed
// sequence: a lead byte and fitting continuations, fewer than it needs.
bool couldComplete(std::string_view bytes) {
    const auto lead = static_cast<std::uint8_t>(bytes[0]);
    const int length = utf8SequenceLength(lead);
    if (length <= 1 || static_cast<int>(bytes.size()) >= length) return false;
    for (std::size_t i = 1; i < bytes.size(); ++i)
        if (!utf8Continues(lead, static_cast<int>(i), static_cast<std::uint8_t>(bytes[i])))
            return false;
    return true;
}

}  // namespace

WordTooLong::WordTooLong(std::size_t line, std::size_t limit)
    : std::length_error("a word on line " + std::to_string(line) + " is longer than " +
                        std::to_string(limit) + " bytes"),
      line_(line),
      limit_(limit) {}

void WordSplitter::feedPiece(std::string_view piece, EmitFunction emit, void* context) {
    std::size_t at = 0;
    if (!carried_.empty()) {
        // The carried bytes and the start of this piece, enough to decide
        // every character that begins among the carried bytes.
        const std::size_t carried = carried_.size();
        const std::string joint = carried_ + std::string(piece.substr(0, 3));
        carried_.clear();
        std::size_t p = 0;
        while (p < carried) {
            const std::string_view rest = std::string_view(joint).substr(p);
            if (rest.size() < 4 && couldComplete(rest)) {
                // The piece was too short to decide: it is all carried on.
                carried_.assign(rest);
                return;
            }
            const Character c = decodeCharacter(joint, p);
            takeCharacter(c, rest.substr(0, c.length), emit, context);
            p += c.length;
        }
        at = p - carried;
    }
    while (at < piece.size()) {
        if (apostrophe_.empty()) {
            if (takeAsciiRun(piece, at)) continue;
            // Any other ASCII character is in no word, but for a newline
            // (counted) and an apostrophe (which may join two parts of a
            // word).
            const auto byte = static_cast<std::uint8_t>(piece[at]);
            if (byte < 0x80 && byte != '\n' && byte != '\'') {
                endWord(scanner_.takeSeparator(), emit, context);
                ++at;
                continue;
            }
        }
        const std::string_view rest = piece.substr(at);
        if (rest.size() < 4 && couldComplete(rest)) {
            carried_.assign(rest);
            return;
        }
        const Character c = decodeCharacter(piece, at);
        takeCharacter(c, rest.substr(0, c.length), emit, context);
        at += c.length;
    }
}

void WordSplitter::finishText(EmitFunction emit, void* context) {
    const std::string carried = carried_;
    carried_.clear();
    for (const char byte : carried)
        takeCharacter(Character{static_cast<unsigned char>(byte), 1, false},
                      std::string_view(&byte, 1), emit, context);
    apostrophe_.clear();
    endWord(scanner_.finish(), emit, context);
}

void WordSplitter::takeCharacter(const Character& c, std::string_view bytes, EmitFunction emit,
                                 void* context) {
    if (c.wellFormed && c.value == U'\n') ++line_;
    const std::uint8_t step = scanner_.take(c);
    if ((step & WordScanner::kEnds) != 0) {
        apostrophe_.clear();
        endWord(step, emit, context);
    }
    if ((step & WordScanner::kJoins) != 0) {
        const std::string apostrophe = std::move(apostrophe_);
        apostrophe_.clear();
        append(apostrophe);
    }
    if ((step & (WordScanner::kStarts | WordScanner::kContinues | WordScanner::kJoins)) != 0) {
        append(bytes);
    } else if ((step & WordScanner::kHolds) != 0) {
        apostrophe_.assign(bytes);
    }
}

bool WordSplitter::takeAsciiRun(std::string_view piece, std::size_t& at) {
    // What takeCharacter does for each character of the run, done once.
    std::size_t end = at;
    bool digitsOnly = true;
    std::uint8_t last = 0;
    for (; end < piece.size(); ++end) {
        const auto byte = static_cast<std::uint8_t>(piece[end]);
        // A newline, even one the rules make a word character, goes by
        // takeCharacter(), which counts the lines.
        const std::uint8_t kind = byte < 0x80 && byte != '\n' ? rules_.asciiClass(byte) : 0;
        if ((kind & WordRules::kAsciiWord) == 0) break;
        last = kind;
        digitsOnly = digitsOnly && (kind & WordRules::kAsciiDigit) != 0;
    }
    if (end == at) return false;
    scanner_.takeWordRun((last & WordRules::kAsciiLetter) != 0, digitsOnly);
    append(piece.substr(at, end - at));
    at = end;
    return true;
}

void WordSplitter::append(std::string_view bytes) {
    if (word_.size() + bytes.size() > options_.maxWordBytes) {
        word_.clear();
        scanner_.reset();
        throw WordTooLong(line_, options_.maxWordBytes);
    }
    word_.append(bytes);
}

void WordSplitter::endWord(std::uint8_t step, EmitFunction emit, void* context) {
    if ((step & WordScanner::kEnds) == 0) return;
    if (options_.keepNumbers || (step & WordScanner::kEndsNumber) == 0) emit(context, word_);
    word_.clear();
}

}  // namespace rorirer
