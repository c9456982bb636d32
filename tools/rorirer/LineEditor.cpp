#include "LineEditor.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string_view>

#include <readline/history.h>
#include <readline/readline.h>

#include "completion/Unicode.h"

namespace rorirer {
namespace {

struct EditorState {
    CompletionStore* store = nullptr;
    const WordRules* rules = nullptr;
    QueryStyle* style = nullptr;
    rl_compentry_func_t* savedEntryFunction = nullptr;
    bool hintShown = false;
    Hint hint;  // the one shown, whole, for taking it
};

EditorState editor;

std::string_view lineText() {
    return std::string_view(rl_line_buffer, static_cast<size_t>(rl_end));
}

// Readline's own completion is never asked; should a key reach it, it finds
// nothing rather than file names.
char* noCompletion(const char*, int) { return nullptr; }

void markUsed(const std::string& word) {
    if (!word.empty()) editor.store->touchWord(word);
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
                       static_cast<size_t>(rl_point), columns, rows - 1);
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
                                       static_cast<size_t>(rl_point), repeated);
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
                               static_cast<size_t>(rl_point));
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

}  // namespace

LineEditor::LineEditor(CompletionStore& store, const WordRules& rules, QueryStyle& style) {
    editor.store = &store;
    editor.rules = &rules;
    editor.style = &style;
    editor.savedEntryFunction = rl_completion_entry_function;

    rl_readline_name = "rorirer";
    rl_completion_entry_function = noCompletion;
    rl_redisplay_function = redisplayWithHint;
    rl_bind_key('\t', completeOrList);
    rl_bind_key('\r', acceptLine);
    rl_bind_key('\n', acceptLine);
    rl_bind_keyseq("\\es", toggleSkipPrefixWord);
    // Right arrow in both cursor-key modes a terminal may be in, and Ctrl-F.
    rl_bind_keyseq("\\e[C", takeHintOrForward);
    rl_bind_keyseq("\\eOC", takeHintOrForward);
    rl_bind_key('F' & 0x1f, takeHintOrForward);
}

LineEditor::~LineEditor() {
    rl_completion_entry_function = editor.savedEntryFunction;
    rl_redisplay_function = rl_redisplay;
}

bool LineEditor::readLine(const std::string& prompt, std::string& line) {
    char* text = readline(prompt.c_str());
    if (text == nullptr) return false;
    line = text;
    if (*text != '\0') add_history(text);
    std::free(text);
    return true;
}

}  // namespace rorirer
