#include "LineEditor.h"

#include <poll.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string_view>
#include <utility>

#include <readline/history.h>
#include <readline/readline.h>

#include "completion/Unicode.h"
#include "fileio/FileHandle.h"
#include "fileio/UserFolders.h"

namespace rorirer {
namespace {

// Lines of history kept, in memory and in the file.
constexpr int kHistoryLines = 1000;

struct EditorState {
    CompletionStore* store = nullptr;
    const WordRules* rules = nullptr;
    QueryStyle* style = nullptr;
    std::function<void(const std::string&)> taken;
    const SessionPairs* session = nullptr;
    rl_compentry_func_t* savedEntryFunction = nullptr;
    struct sigaction savedInterrupt {};
    bool hintShown = false;
    Hint hint;  // the one shown, whole, for taking it
    bool lineDone = false;
    char* line = nullptr;  // readline's, once done; null at the end of input
};

EditorState editor;

// Set by Ctrl-C. Readline's own handler catches the signal while a line is
// read, puts the terminal back and sends it again, which lands here.
volatile std::sig_atomic_t interrupted = 0;

extern "C" void noteInterrupt(int) { interrupted = 1; }

std::string_view lineText() {
    return std::string_view(rl_line_buffer, static_cast<size_t>(rl_end));
}

// Readline's own completion is never asked; should a key reach it, it finds
// nothing rather than file names.
char* noCompletion(const char*, int) { return nullptr; }

void markUsed(const std::string& word) {
    if (word.empty()) return;
    editor.store->touchWord(word);
    if (editor.taken) editor.taken(word);
}

// Readline keeps its undo list by bytes, so one group undoes the whole edit.
void replaceWord(const TabEdit& edit) {
    rl_begin_undo_group();
    rl_delete_text(static_cast<int>(edit.start), rl_point);
    rl_point = static_cast<int>(edit.start);
    rl_insert_text(edit.text.c_str());
    if (edit.complete) {
        if (rl_point < rl_end && rl_line_buffer[rl_point] == ' ')
            ++rl_point;
        else
            rl_insert_text(" ");
    }
    rl_end_undo_group();
}

void showListing() {
    int rows = 0;
    int columns = 0;
    rl_get_screen_size(&rows, &columns);
    const std::string listing =
        listCandidates(*editor.store, *editor.rules, *editor.style, lineText(),
                       static_cast<size_t>(rl_point), columns, rows - 1, editor.session);
    if (listing.empty()) {
        rl_ding();
        return;
    }
    // The listing goes below the whole line, and the hint must not stay
    // behind on the line being left.
    const int point = rl_point;
    rl_point = rl_end;
    rl_redisplay();
    std::fputs("\033[K\n", rl_outstream);
    std::fputs(listing.c_str(), rl_outstream);
    editor.hintShown = false;
    rl_point = point;
    rl_on_new_line();
}

// Tab inserts what all candidates share, or the one that fits and a space;
// a Tab right after a Tab that had nothing new to insert lists them.
int completeOrList(int, int) {
    const bool repeated = rl_last_func == completeOrList;
    // Readline is C: nothing may be thrown through it. Queries leave the
    // store as it was, and a failed touch only loses a use.
    try {
        const TabEdit edit = decideTab(*editor.store, *editor.rules, *editor.style, lineText(),
                                       static_cast<size_t>(rl_point), repeated, editor.session);
        switch (edit.action) {
            case TabEdit::kNothing:
                rl_ding();
                break;
            case TabEdit::kList:
                showListing();
                break;
            case TabEdit::kReplace:
                replaceWord(edit);
                if (edit.complete) markUsed(edit.accepted);
                break;
        }
    } catch (const std::exception&) {
        rl_ding();
    }
    return 0;
}

// Right (or Ctrl-F) at the end of the line takes the hint; elsewhere it moves.
int takeHintOrForward(int count, int key) {
    if (rl_point != rl_end || !editor.hintShown || editor.hint.empty())
        return rl_forward_char(count, key);
    const std::string rest(editor.hint.rest());
    rl_insert_text(rest.c_str());
    try {
        markUsed(editor.hint.accepted);
    } catch (const std::exception&) {
        // The word is in the line; only its use is not counted.
    }
    return 0;
}

// The hint as it fits before the right margin: a hint that wrapped onto the
// next line could not be taken back by moving the cursor left.
std::string_view fittedHint() {
    int rows = 0;
    int columns = 0;
    rl_get_screen_size(&rows, &columns);
    const char* prompt = rl_display_prompt != nullptr ? rl_display_prompt : "";
    const int used = displayWidth(prompt) + displayWidth(lineText());
    const int room = columns > 0 ? columns - 1 - used % columns : 0;
    if (room <= 0) return std::string_view();
    const std::string_view text = editor.hint.text;
    const size_t cut = cutToColumns(text, editor.hint.restAt, room);
    return text.substr(editor.hint.restAt, cut - editor.hint.restAt);
}

void redisplayWithHint() {
    rl_redisplay();
    std::string_view shown;
    try {
        editor.hint = findHint(*editor.store, *editor.rules, *editor.style, lineText(),
                               static_cast<size_t>(rl_point), editor.session);
        if (!editor.hint.empty()) shown = fittedHint();
    } catch (const std::exception&) {
        editor.hint = Hint();  // no hint rather than no editor
    }
    if (editor.hintShown && shown.empty() && rl_point != rl_end) {
        // The old hint sits after the end of the line: go there to erase it.
        const int point = rl_point;
        rl_point = rl_end;
        rl_redisplay();
        std::fputs("\033[K", rl_outstream);
        rl_point = point;
        rl_redisplay();
    } else if (editor.hintShown || !shown.empty()) {
        std::fputs("\033[K", rl_outstream);
    }
    editor.hintShown = !shown.empty();
    if (editor.hintShown) {
        const std::string text(shown);
        std::fprintf(rl_outstream, "\033[2m%s\033[0m", text.c_str());
        // Back over the hint by the columns it took: a wide character takes
        // two, a combining mark none.
        const int width = displayWidth(text);
        if (width > 0) std::fprintf(rl_outstream, "\033[%dD", width);
    }
    std::fflush(rl_outstream);
}

int acceptLine(int count, int key) {
    if (editor.hintShown) {
        rl_point = rl_end;
        rl_redisplay();
        std::fputs("\033[K", rl_outstream);
        editor.hintShown = false;
    }
    return rl_newline(count, key);
}

int toggleSkipPrefixWord(int, int) {
    editor.style->skipPrefixWord = !editor.style->skipPrefixWord;
    std::fprintf(rl_outstream, "\033[K\n(skip prefix word: %s)\n",
                 editor.style->skipPrefixWord ? "on" : "off");
    editor.hintShown = false;
    rl_on_new_line();
    rl_redisplay();
    return 0;
}

// Readline calls this with the finished line; it is taken out of readline
// so that no prompt is drawn before the session has answered the line.
void takeLine(char* text) {
    editor.lineDone = true;
    editor.line = text;
    rl_callback_handler_remove();
}

// A signal ended the wait for a key. Readline's handlers, kept in place for
// the whole line, deal with it: a new terminal size, a stop (Ctrl-Z), and
// Ctrl-C, which they pass on to noteInterrupt.
void handleSignal() {
    const int signal = rl_pending_signal();
    // Readline echoes ^C or ^Z at the cursor, where a hint starts.
    if (editor.hintShown) std::fputs("\033[K", rl_outstream);
    editor.hintShown = false;
    // Readline's redraw after a resize clears the old line first only when
    // it draws alone; no hint while it redraws.
    rl_redisplay_function = rl_redisplay;
    rl_check_signals();
    rl_redisplay_function = redisplayWithHint;
    if (signal == SIGTSTP) {
        rl_forced_update_display();  // back from fg, on the line the shell left
    } else if (interrupted == 0) {
        redisplayWithHint();
    }
}

// Waits for the next key and hands it to readline.
void readKey() {
    pollfd input{::fileno(rl_instream), POLLIN, 0};
    if (::poll(&input, 1, -1) >= 0) {
        rl_callback_read_char();
    } else if (errno == EINTR) {
        handleSignal();
    } else {
        takeLine(nullptr);  // the terminal cannot be waited on: the input ends
    }
}

}  // namespace

LineEditor::LineEditor(CompletionStore& store, const WordRules& rules, QueryStyle& style,
                       std::FILE* terminal) {
    editor.store = &store;
    editor.rules = &rules;
    editor.style = &style;
    editor.savedEntryFunction = rl_completion_entry_function;

    rl_readline_name = "rorirer";
    rl_instream = stdin;
    rl_outstream = terminal;
    rl_completion_entry_function = noCompletion;
    // Readline reads the terminal's description (how to wrap a long line,
    // clear the screen, move up) only when it draws the line itself, so it
    // is set up before the hint's redisplay takes over.
    rl_initialize();
    rl_redisplay_function = redisplayWithHint;
    rl_persistent_signal_handlers = 1;
    struct sigaction onInterrupt {};
    onInterrupt.sa_handler = noteInterrupt;
    sigemptyset(&onInterrupt.sa_mask);
    ::sigaction(SIGINT, &onInterrupt, &editor.savedInterrupt);
    rl_bind_key('\t', completeOrList);
    rl_bind_key('\r', acceptLine);
    rl_bind_key('\n', acceptLine);
    rl_bind_keyseq("\\es", toggleSkipPrefixWord);
    // Right arrow in both cursor-key modes a terminal may be in, and Ctrl-F.
    rl_bind_keyseq("\\e[C", takeHintOrForward);
    rl_bind_keyseq("\\eOC", takeHintOrForward);
    rl_bind_key('F' & 0x1f, takeHintOrForward);

    using_history();
    stifle_history(kHistoryLines);
    if (userFolder("XDG_STATE_HOME", ".local/state", historyFolder_)) {
        historyFolder_ += "/rorirer";
        historyFile_ = historyFolder_ + "/history";
        // A history that cannot be read starts empty; saving says why.
        read_history(historyFile_.c_str());
    }
}

void LineEditor::onTaken(std::function<void(const std::string&)> listener) {
    editor.taken = std::move(listener);
}

void LineEditor::useContext(const SessionPairs* session) noexcept { editor.session = session; }

LineEditor::~LineEditor() {
    editor.taken = nullptr;
    editor.session = nullptr;
    ::sigaction(SIGINT, &editor.savedInterrupt, nullptr);
    rl_completion_entry_function = editor.savedEntryFunction;
    rl_redisplay_function = rl_redisplay;
}

bool LineEditor::readLine(const std::string& prompt, std::string& line) {
    // A Ctrl-C between two lines, while the session was busy, drops nothing.
    interrupted = 0;
    editor.lineDone = false;
    rl_callback_handler_install(prompt.c_str(), takeLine);
    while (!editor.lineDone) {
        readKey();
        if (interrupted != 0) {
            // As a shell does: the line is dropped, the next prompt comes on
            // a row of its own, cleared of what a resize may have left there.
            interrupted = 0;
            rl_callback_handler_remove();
            std::fputs("\n\033[K", rl_outstream);
            rl_callback_handler_install(prompt.c_str(), takeLine);
        }
    }
    const std::unique_ptr<char, decltype(&std::free)> text(editor.line, &std::free);
    editor.line = nullptr;
    if (text == nullptr) return false;
    line = text.get();
    if (!line.empty()) {
        add_history(text.get());
        historyAdded_ = true;
    }
    return true;
}

std::string LineEditor::saveHistory() {
    if (!historyAdded_ || historyFolder_.empty()) return std::string();
    const char* const notKept = " (the history of this session is not kept)";
    std::string failedAt;
    if (const int error = makeFolders(historyFolder_, failedAt))
        return describeError(failedAt, error) + notKept;
    // Readline writes the file anew beside the old one and renames it into
    // place, with mode 0600: the lines typed are the user's alone.
    if (const int error = write_history(historyFile_.c_str()))
        return describeError(historyFile_, error) + notKept;
    return std::string();
}

}  // namespace rorirer
