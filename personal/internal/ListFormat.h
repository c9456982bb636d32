// The personal word list's file format, version 2:
//
//   # rorirer personal word list 2
//   learned<TAB>WORD
//   forgotten<TAB>WORD
//   pending<TAB>WORD
//   # end N
//
// Lines end in LF alone. Everything after the tab up to the LF is the word,
// byte for byte, so any word without NUL or LF round-trips. Entries are
// written in the words' byte order; N counts them, so a file cut short
// anywhere, even between lines, fails to parse.
//
// Version 1 is the same without pending entries. A list without pending
// words is still written as version 1, so that an older copy of the program
// running beside this one keeps reading it; both versions are read.
#ifndef RORIRER_PERSONAL_INTERNAL_LISTFORMAT_H
#define RORIRER_PERSONAL_INTERNAL_LISTFORMAT_H

#include <set>
#include <string>

#include "personal/ListStatus.h"

namespace rorirer {

// The three sets a list holds. No word is in two of them.
struct ListContents {
    std::set<std::string> learned;
    std::set<std::string> forgotten;
    std::set<std::string> pending;
};

// Fails, saying why, for a word a list cannot hold.
ListStatus checkWord(const std::string& word);

// Reads the list at `path` into `out` (which must be empty); a missing file
// is an empty list. A failure names the file (and the line for a parse
// error), and leaves `out` in some partly filled state the caller throws
// away.
ListStatus readList(const std::string& path, ListContents& out);

// Writes `contents` to `fd` through a buffer; `name` is the file's, for the
// message of a failed write.
ListStatus writeList(int fd, const std::string& name, const ListContents& contents);

}  // namespace rorirer

#endif  // RORIRER_PERSONAL_INTERNAL_LISTFORMAT_H
