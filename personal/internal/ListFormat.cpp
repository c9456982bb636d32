#include "personal/internal/ListFormat.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "fileio/FileHandle.h"
#include "personal/PersonalList.h"

namespace rorirer {
namespace {

constexpr char kHeaderStart[] = "# rorirer personal word list ";
constexpr char kHeaderV1[] = "# rorirer personal word list 1";
constexpr char kHeaderV2[] = "# rorirer personal word list 2";
constexpr char kLearnedTag[] = "learned\t";
constexpr char kForgottenTag[] = "forgotten\t";
constexpr char kPendingTag[] = "pending\t";
constexpr char kEndTag[] = "# end ";

constexpr size_t lengthOf(const char* text) noexcept {
    return std::char_traits<char>::length(text);
}

// Longer than any line a list can hold: a file with such a line is not a
// list, and reading it stops there instead of holding it in memory.
constexpr size_t kMaxLineBytes = lengthOf(kForgottenTag) + PersonalList::kMaxWordBytes;
constexpr size_t kChunkBytes = 1 << 16;

bool startsWith(const char* line, size_t size, const char* tag) noexcept {
    const size_t length = lengthOf(tag);
    return size >= length && std::memcmp(line, tag, length) == 0;
}

// Checks the list line by line as its bytes arrive, so a file that is not a
// list is refused at its first bad line whatever its size.
class ListParser {
public:
    ListParser(const std::string& path, ListContents& out) : path_(path), out_(out) {}

    // The next bytes of the file; fails at the first fault.
    ListStatus take(const char* data, size_t size);
    // At the end of the file; fails when the list is incomplete.
    ListStatus finish() const;

private:
    ListStatus takeLine(const char* line, size_t size);
    ListStatus takeHeader(const char* line, size_t size);
    ListStatus takeEntry(std::set<std::string>& into, const char* word, size_t size);
    ListStatus takeEnd(const char* text, size_t size);
    ListStatus fail(long line, const std::string& reason) const;

    const std::string& path_;
    ListContents& out_;
    std::string partial_;  // the start of a line split across reads
    long lineNumber_ = 0;
    int version_ = 0;
    size_t entries_ = 0;
    bool ended_ = false;
};

ListStatus ListParser::take(const char* data, size_t size) {
    while (size > 0) {
        const void* newline = std::memchr(data, '\n', size);
        const size_t piece = newline != nullptr
                                 ? static_cast<size_t>(static_cast<const char*>(newline) - data)
                                 : size;
        if (partial_.size() + piece > kMaxLineBytes) {
            // Told by the limit users know, the word's, not the line's.
            return fail(lineNumber_ + 1, "a line longer than any entry: a word holds at most " +
                                             std::to_string(PersonalList::kMaxWordBytes) +
                                             " bytes");
        }
        if (newline == nullptr) {
            partial_.append(data, piece);
            return ListStatus();
        }
        ListStatus taken;
        if (partial_.empty()) {
            taken = takeLine(data, piece);
        } else {
            partial_.append(data, piece);
            taken = takeLine(partial_.data(), partial_.size());
            partial_.clear();
        }
        if (!taken.ok()) return taken;
        data += piece + 1;
        size -= piece + 1;
    }
    return ListStatus();
}

ListStatus ListParser::finish() const {
    if (!partial_.empty()) {
        return fail(lineNumber_ + 1, "the last line has no line end: the list was cut short");
    }
    if (lineNumber_ == 0) {
        return ListStatus::failure(
            path_ + ": empty, not a rorirer personal word list (remove it to start anew)");
    }
    if (!ended_) return fail(lineNumber_ + 1, "no end line: the list was cut short");
    return ListStatus();
}

ListStatus ListParser::takeLine(const char* line, size_t size) {
    ++lineNumber_;
    if (ended_) return fail(lineNumber_, "text after the end line");
    if (std::memchr(line, '\0', size) != nullptr)
        return fail(lineNumber_, "binary data (a NUL byte)");
    if (lineNumber_ == 1) return takeHeader(line, size);
    if (startsWith(line, size, kLearnedTag)) {
        const size_t tag = lengthOf(kLearnedTag);
        return takeEntry(out_.learned, line + tag, size - tag);
    }
    if (startsWith(line, size, kForgottenTag)) {
        const size_t tag = lengthOf(kForgottenTag);
        return takeEntry(out_.forgotten, line + tag, size - tag);
    }
    if (version_ >= 2 && startsWith(line, size, kPendingTag)) {
        const size_t tag = lengthOf(kPendingTag);
        return takeEntry(out_.pending, line + tag, size - tag);
    }
    if (startsWith(line, size, kEndTag)) {
        const size_t tag = lengthOf(kEndTag);
        return takeEnd(line + tag, size - tag);
    }
    return fail(lineNumber_, version_ >= 2 ? "not an entry: expected learned<TAB>WORD, "
                                             "forgotten<TAB>WORD, pending<TAB>WORD or # end COUNT"
                                           : "not an entry: expected learned<TAB>WORD, "
                                             "forgotten<TAB>WORD or # end COUNT");
}

ListStatus ListParser::takeHeader(const char* line, size_t size) {
    std::string text(line, size);
    const bool crLf = !text.empty() && text.back() == '\r';
    if (crLf) text.pop_back();
    const int version = text == kHeaderV1 ? 1 : text == kHeaderV2 ? 2 : 0;
    if (version != 0 && crLf) {
        return fail(lineNumber_, "lines end in CR LF; the list takes LF alone");
    }
    if (version != 0) {
        version_ = version;
        return ListStatus();
    }
    if (startsWith(line, size, kHeaderStart)) {
        return fail(lineNumber_,
                    "a version of the personal word list this program does not "
                    "know (it reads \"" +
                        std::string(kHeaderV1) + "\" and \"" + std::string(kHeaderV2) + "\")");
    }
    return fail(lineNumber_, "not a rorirer personal word list (the first line is not \"" +
                                 std::string(kHeaderV1) + "\" or \"" + std::string(kHeaderV2) +
                                 "\")");
}

ListStatus ListParser::takeEntry(std::set<std::string>& into, const char* word, size_t size) {
    if (size == 0) return fail(lineNumber_, "an empty word");
    if (size > PersonalList::kMaxWordBytes) {
        return fail(lineNumber_,
                    "a word longer than " + std::to_string(PersonalList::kMaxWordBytes) + " bytes");
    }
    if (entries_ == PersonalList::kMaxEntries) {
        return fail(lineNumber_,
                    "more than " + std::to_string(PersonalList::kMaxEntries) + " entries");
    }
    std::string text(word, size);
    const std::pair<const std::set<std::string>*, const char*> kinds[] = {
        {&out_.learned, "learned"}, {&out_.forgotten, "forgotten"}, {&out_.pending, "pending"}};
    for (const auto& [set, kind] : kinds) {
        if (set == &into || set->count(text) == 0) continue;
        const char* entry = (&into == &out_.learned     ? "learned"
                             : &into == &out_.forgotten ? "forgotten"
                                                        : "pending");
        return fail(lineNumber_, std::string("a word both ") + kind + " and " + entry);
    }
    // A word listed twice the same way is harmless, as a person may write it.
    into.insert(std::move(text));
    ++entries_;
    return ListStatus();
}

ListStatus ListParser::takeEnd(const char* text, size_t size) {
    constexpr size_t kMaxDigits = 9;  // kMaxEntries fits
    size_t count = 0;
    if (size == 0 || size > kMaxDigits) return fail(lineNumber_, "a malformed end line");
    for (size_t i = 0; i < size; ++i) {
        if (text[i] < '0' || text[i] > '9') return fail(lineNumber_, "a malformed end line");
        count = count * 10 + static_cast<size_t>(text[i] - '0');
    }
    if (count != entries_) {
        return fail(lineNumber_, "the end line counts " + std::to_string(count) +
                                     " entries but the list has " + std::to_string(entries_));
    }
    ended_ = true;
    return ListStatus();
}

ListStatus ListParser::fail(long line, const std::string& reason) const {
    return ListStatus::failure(path_ + ":" + std::to_string(line) + ": " + reason);
}

static_assert(PersonalList::kMaxEntries < 1'000'000'000, "the end line's count has 9 digits");

}  // namespace

ListStatus checkWord(const std::string& word) {
    const char* fault = nullptr;
    if (word.empty()) {
        fault = "an empty word";
    } else if (word.size() > PersonalList::kMaxWordBytes) {
        fault = "a word longer than the list holds";
    } else if (word.find('\0') != std::string::npos) {
        fault = "a word with a NUL byte";
    } else if (word.find('\n') != std::string::npos) {
        fault = "a word with a line end";
    }
    return fault == nullptr ? ListStatus() : ListStatus::failure(fault);
}

ListStatus readList(const std::string& path, ListContents& out) {
    // Non-blocking, so that a FIFO put where the list should be cannot hang
    // the open; it is refused below as not a regular file.
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file.isOpen()) {
        if (errno == ENOENT) return ListStatus();
        return ListStatus::systemFailure(errno, path);
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) return ListStatus::systemFailure(errno, path);
    if (S_ISDIR(info.st_mode))
        return ListStatus::failure(path + ": is a directory, not a word list");
    if (!S_ISREG(info.st_mode)) return ListStatus::failure(path + ": not a regular file");

    ListParser parser(path, out);
    std::vector<char> chunk(kChunkBytes);
    for (;;) {
        size_t got = 0;
        if (const int error = readSome(file.get(), chunk.data(), chunk.size(), got)) {
            return ListStatus::systemFailure(error, path);
        }
        if (got == 0) break;
        ListStatus taken = parser.take(chunk.data(), got);
        if (!taken.ok()) return taken;
    }
    return parser.finish();
}

ListStatus writeList(int fd, const std::string& name, const ListContents& contents) {
    struct Section {
        const char* tag;
        std::set<std::string>::const_iterator next, end;
    };
    // Written through `first` below, which cppcheck does not follow.
    // cppcheck-suppress constVariable
    Section sections[] = {
        {kLearnedTag, contents.learned.begin(), contents.learned.end()},
        {kForgottenTag, contents.forgotten.begin(), contents.forgotten.end()},
        {kPendingTag, contents.pending.begin(), contents.pending.end()},
    };
    std::string buffer;
    buffer.reserve(kChunkBytes + kMaxLineBytes + 1);
    buffer += contents.pending.empty() ? kHeaderV1 : kHeaderV2;
    buffer += '\n';
    for (;;) {
        // The sets are disjoint, so the words never tie.
        Section* first = nullptr;
        for (Section& section : sections) {
            if (section.next != section.end && (first == nullptr || *section.next < *first->next))
                first = &section;
        }
        if (first == nullptr) break;
        buffer += first->tag;
        buffer += *first->next++;
        buffer += '\n';
        if (buffer.size() >= kChunkBytes) {
            if (const int error = writeAll(fd, buffer.data(), buffer.size())) {
                return ListStatus::systemFailure(error, "writing " + name);
            }
            buffer.clear();
        }
    }
    buffer += kEndTag;
    buffer += std::to_string(contents.learned.size() + contents.forgotten.size() +
                             contents.pending.size());
    buffer += '\n';
    if (const int error = writeAll(fd, buffer.data(), buffer.size())) {
        return ListStatus::systemFailure(error, "writing " + name);
    }
    return ListStatus();
}

}  // namespace rorirer
