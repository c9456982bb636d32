#include "completion/WordRules.h"

#include <utf8proc.h>

#include <algorithm>

namespace rorirer {
namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char32_t hexValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<char32_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<char32_t>(c - 'a' + 10);
    return static_cast<char32_t>(c - 'A' + 10);
}

utf8proc_category_t categoryOf(char32_t c) {
    return utf8proc_category(static_cast<utf8proc_int32_t>(c));
}

bool isLetterOrMark(char32_t c) {
    switch (categoryOf(c)) {
        case UTF8PROC_CATEGORY_LU:
        case UTF8PROC_CATEGORY_LL:
        case UTF8PROC_CATEGORY_LT:
        case UTF8PROC_CATEGORY_LM:
        case UTF8PROC_CATEGORY_LO:
        case UTF8PROC_CATEGORY_MN:
        case UTF8PROC_CATEGORY_MC:
        case UTF8PROC_CATEGORY_ME:
            return true;
        default:
            return false;
    }
}

// Reads one character of a written set, an escape included, and moves `at`
// past it.
class SetReader {
public:
    SetReader(std::string_view written, std::string_view name) : written_(written), name_(name) {}

    bool atEnd() const { return at_ >= written_.size(); }
    // A '-' here that has something after it makes a range.
    bool atRangeDash() const { return at_ + 1 < written_.size() && written_[at_] == '-'; }
    void skip() { ++at_; }
    std::size_t position() const { return at_; }

    char32_t read() {
        if (written_[at_] != '\\') return readLiteral();
        if (at_ + 1 >= written_.size()) fail("'\\' at the end of the set");
        const char escaped = written_[at_ + 1];
        if (escaped == 'x') {
            if (at_ + 3 >= written_.size() || !isHexDigit(written_[at_ + 2]) ||
                !isHexDigit(written_[at_ + 3]))
                fail("'\\x' needs two hex digits");
            const char32_t value = hexValue(written_[at_ + 2]) * 16 + hexValue(written_[at_ + 3]);
            at_ += 4;
            return value;
        }
        if (escaped == 'u') return readCodePointEscape();
        ++at_;
        return readLiteral();
    }

    [[noreturn]] void fail(const std::string& why) const {
        throw WordRulesError(std::string(name_) + ": " + why);
    }

private:
    char32_t readLiteral() {
        const Character c = decodeCharacter(written_, at_);
        if (!c.wellFormed)
            fail("byte " + std::to_string(at_ + 1) +
                 " of the set is not UTF-8 (write \\xHH for U+00HH)");
        at_ += c.length;
        return c.value;
    }

    // \u{H...}: one to six hex digits naming a code point that is not a
    // surrogate.
    char32_t readCodePointEscape() {
        const char* const why = "'\\u' needs {H...}: one to six hex digits of a code point";
        std::size_t p = at_ + 2;
        if (p >= written_.size() || written_[p] != '{') fail(why);
        ++p;
        char32_t value = 0;
        int digits = 0;
        while (p < written_.size() && isHexDigit(written_[p]) && digits < 7) {
            value = value * 16 + hexValue(written_[p]);
            ++digits;
            ++p;
        }
        if (digits == 0 || digits > 6 || p >= written_.size() || written_[p] != '}') fail(why);
        if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            fail("'" + std::string(written_.substr(at_, p + 1 - at_)) + "' is not a code point");
        at_ = p + 1;
        return value;
    }

    std::string_view written_;
    std::string_view name_;
    std::size_t at_ = 0;
};

}  // namespace

WordRules::WordRules() {
    for (int c = 'a'; c <= 'z'; ++c) latin_.set(static_cast<std::size_t>(c));
    for (int c = 'A'; c <= 'Z'; ++c) latin_.set(static_cast<std::size_t>(c));
    for (int c = '0'; c <= '9'; ++c) latin_.set(static_cast<std::size_t>(c));
    latin_.set('_');
    classifyAscii();
}

void WordRules::classifyAscii() noexcept {
    for (char32_t c = 0; c < 0x80; ++c) {
        const Character character{c, 1, true};
        ascii_[c] = static_cast<std::uint8_t>((isWordCharacter(character) ? kAsciiWord : 0) |
                                              (isLetter(character) ? kAsciiLetter : 0) |
                                              (isDigit(character) ? kAsciiDigit : 0));
    }
}

WordRules WordRules::parse(std::string_view written, std::string_view name) {
    WordRules rules;
    rules.isDefault_ = false;
    rules.apostrophes_ = false;
    rules.latin_.reset();
    SetReader reader(written, name);
    std::vector<std::pair<char32_t, char32_t>> ranges;
    while (!reader.atEnd()) {
        const std::size_t start = reader.position();
        const char32_t first = reader.read();
        char32_t last = first;
        if (reader.atRangeDash()) {
            reader.skip();
            last = reader.read();
            if (last < first)
                reader.fail("range '" +
                            std::string(written.substr(start, reader.position() - start)) +
                            "' runs backwards");
        }
        ranges.emplace_back(first, last);
    }
    std::sort(ranges.begin(), ranges.end());
    for (const auto& range : ranges) {
        // NUL ends every string the store sees, so it never belongs to a word.
        const char32_t first = std::max<char32_t>(range.first, 1);
        if (range.second < first) continue;
        if (!rules.ranges_.empty() && first <= rules.ranges_.back().second + 1) {
            rules.ranges_.back().second = std::max(rules.ranges_.back().second, range.second);
        } else {
            rules.ranges_.emplace_back(first, range.second);
        }
    }
    const auto holds = [&rules](char32_t c) {
        return std::any_of(rules.ranges_.begin(), rules.ranges_.end(),
                           [c](const auto& r) { return r.first <= c && c <= r.second; });
    };
    rules.apostrophes_ = holds(U'\'') || holds(U'\u2019');
    for (char32_t c = 1; c < 256; ++c)
        if (holds(c)) rules.latin_.set(c);
    // Apostrophes join words by their rule only.
    rules.latin_.reset('\'');
    bool any = rules.latin_.any();
    for (const auto& r : rules.ranges_) {
        for (char32_t c = std::max<char32_t>(r.first, 256); c <= r.second && !any; ++c)
            any = c != U'\u2019';
    }
    if (!any) reader.fail("the set is empty");
    rules.classifyAscii();
    return rules;
}

bool WordRules::isWordCharacter(const Character& c) const noexcept {
    if (!c.wellFormed) return isDefault_ || latin_[c.value & 0xFFu];
    if (c.value < 0x80) return latin_[c.value];
    if (isApostrophe(c)) return false;
    if (isDefault_) {
        return isLetterOrMark(c.value) || categoryOf(c.value) == UTF8PROC_CATEGORY_ND;
    }
    if (c.value < 0x100) return latin_[c.value];
    const auto at = std::upper_bound(
        ranges_.begin(), ranges_.end(), c.value,
        [](char32_t value, const std::pair<char32_t, char32_t>& r) { return value < r.first; });
    return at != ranges_.begin() && c.value <= std::prev(at)->second;
}

bool WordRules::isLetter(const Character& c) const noexcept {
    return isWordCharacter(c) && (!c.wellFormed || isLetterOrMark(c.value));
}

bool WordRules::isDigit(const Character& c) const noexcept {
    return c.wellFormed && categoryOf(c.value) == UTF8PROC_CATEGORY_ND;
}

std::string WordRules::breakCharacters() const {
    std::string breaks;
    for (char32_t c = 1; c < 0x80; ++c)
        if (!isWordCharacter(Character{c, 1, true})) breaks.push_back(static_cast<char>(c));
    return breaks;
}

}  // namespace rorirer
