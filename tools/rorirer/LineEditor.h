// The line editor of the interactive mode, on GNU readline: Tab completes the
// word before the cursor from the store, a second Tab lists the candidates, a
// dim hint after the cursor shows the rest of the one word that fits (Right
// or Ctrl-F at the end of the line takes it), and Alt-s toggles passing over
// a prefix that is itself a word. Readline's own completion, which splits
// words at bytes, is never used: the word is the completion layer's.
//
// As in a shell: Ctrl-C drops the line being typed and prompts again, Ctrl-D
// on an empty line ends the input, Ctrl-L clears the screen, a line longer
// than the terminal wraps, and the lines entered are kept for the next
// session (Up and Down, Ctrl-R).
//
// Readline keeps its state in globals, so only one LineEditor may exist.
#ifndef RORIRER_TOOLS_LINEEDITOR_H
#define RORIRER_TOOLS_LINEEDITOR_H

#include <cstdio>
#include <functional>
#include <string>

#include "TabCompletion.h"
#include "completion/CompletionStore.h"
#include "completion/WordRules.h"

namespace rorirer {

class LineEditor {
public:
    // `style` is shared with the caller, which may change it too. A
    // completion taken marks its word as used in `store`. The line is drawn
    // on `terminal`. The history of earlier sessions is read from
    // $XDG_STATE_HOME/rorirer/history (~/.local/state/rorirer/history).
    LineEditor(CompletionStore& store, const WordRules& rules, QueryStyle& style,
               std::FILE* terminal);
    ~LineEditor();
    LineEditor(const LineEditor&) = delete;
    LineEditor& operator=(const LineEditor&) = delete;

    // Called with each completion taken, after the store has marked it used.
    void onTaken(std::function<void(const std::string&)> listener);
    // Tab, the listing and the hint rank with the pairs of the lines entered
    // (null: none); `session` must outlive this object's use of it.
    void useContext(const SessionPairs* session) noexcept;

    // False at the end of input (Ctrl-D on an empty line).
    bool readLine(const std::string& prompt, std::string& line);

    // Writes the history, its last lines only, when this session added to
    // it; returns what to tell the user when that failed, else nothing.
    std::string saveHistory();

private:
    std::string historyFolder_;  // empty without a home folder: no history
    std::string historyFile_;
    bool historyAdded_ = false;
};

}  // namespace rorirer

#endif  // RORIRER_TOOLS_LINEEDITOR_H
