// The line editor of the interactive mode, on GNU readline: Tab completes the
// word before the cursor from the store, a second Tab lists the candidates, a
// dim hint after the cursor shows the rest of the one word that fits (Right
// or Ctrl-F at the end of the line takes it), and Alt-s toggles passing over
// a prefix that is itself a word. Readline's own completion, which splits
// words at bytes, is never used: the word is the completion layer's.
//
// Readline keeps its state in globals, so only one LineEditor may exist.
#ifndef RORIRER_TOOLS_LINEEDITOR_H
#define RORIRER_TOOLS_LINEEDITOR_H

#include <string>

#include "TabCompletion.h"
#include "completion/CompletionStore.h"
#include "completion/WordRules.h"

namespace rorirer {

class LineEditor {
public:
    // `style` is shared with the caller, which may change it too. A
    // completion taken marks its word as used in `store`.
    LineEditor(CompletionStore& store, const WordRules& rules, QueryStyle& style);
    ~LineEditor();
    LineEditor(const LineEditor&) = delete;
    LineEditor& operator=(const LineEditor&) = delete;

    // False at the end of input (Ctrl-D on an empty line).
    bool readLine(const std::string& prompt, std::string& line);
};

}  // namespace rorirer

#endif  // RORIRER_TOOLS_LINEEDITOR_H
