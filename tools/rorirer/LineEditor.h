// The line editor of the interactive mode, on GNU readline: Tab completion
// from the store, the listing on a second Tab, the dim hint after the cursor
// and a key (Alt-s) that toggles passing over a prefix that is itself a word.
//
// Readline keeps its state in globals, so only one LineEditor may exist.
#ifndef RORIRER_TOOLS_LINEEDITOR_H
#define RORIRER_TOOLS_LINEEDITOR_H

#include <string>

#include "WordChars.h"
#include "wordstore/LinkedTrie.h"

namespace rorirer {

class LineEditor {
public:
    // `skipPrefixWord` is shared with the caller, which may change it too.
    LineEditor(LinkedTrie& store, const WordChars& chars, bool& skipPrefixWord);
    ~LineEditor();
    LineEditor(const LineEditor&) = delete;
    LineEditor& operator=(const LineEditor&) = delete;

    // False at the end of input (Ctrl-D on an empty line).
    bool readLine(const std::string& prompt, std::string& line);
};

}  // namespace rorirer

#endif  // RORIRER_TOOLS_LINEEDITOR_H
