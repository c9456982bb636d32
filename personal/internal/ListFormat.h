// The personal word list's file format, version 1:
//
//   # rorirer personal word list 1
//   learned<TAB>WORD
//   forgotten<TAB>WORD
//   # end N
//
// Lines end in LF alone. Everything after the tab up to the LF is the word,
// byte for byte, so any word without NUL or LF round-trips. Entries are
// written in the words' byte order; N counts them, so a file cut short
// anywhere, even between lines, fails to parse.
#ifndef RORIRER_PERSONAL_INTERNAL_LISTFORMAT_H
#define RORIRER_PERSONAL_INTERNAL_LISTFORMAT_H

#include <set>
#include <string>

namespace rorirer {

// The two sets a list holds. No word is in both.
struct ListContents {
    std::set<std::string> learned;
    std::set<std::string> forgotten;
};

// Why a word cannot go in a list, or null when it can.
const char* findWordFault(const std::string& word) noexcept;

// Reads the list at `path` into `out` (which must be empty). A missing file
// is an empty list and sets `missing`. Returns "" on success; otherwise the
// problem, naming the file (and the line for a parse error), with `out` in
// some partly filled state the caller throws away.
std::string readList(const std::string& path, ListContents& out, bool& missing);

// Writes `contents` to `fd` through a buffer. Returns 0, or the errno of the
// write that failed.
int writeList(int fd, const ListContents& contents);

}  // namespace rorirer

#endif  // RORIRER_PERSONAL_INTERNAL_LISTFORMAT_H
