#include "LineEditor.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include <readline/history.h>
#include <readline/readline.h>

#include "CompletionListing.h"
#include "CompletionReport.h"
#include "StringBridge.h"

namespace rorirer {
namespace {

// Completions handed to readline per Tab. The listing shows at most a
// screenful, and the longest completion comes from the store, so readline
// never needs the rest; the total is kept for "... and N more".
constexpr int kMaxMatches = 2000;

struct EditorState {
    LinkedTrie* store = nullptr;
    const WordChars* chars = nullptr;
    bool* skipPrefixWord = nullptr;
    std::string breakCharacters;
    const char* savedWordBreaks = nullptr;
    const char* savedBasicBreaks = nullptr;
    long long matchTotal = 0;
    bool hintShown = false;
};

EditorState editor;

char* copyForReadline(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy == nullptr) return nullptr;
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

// The word that ends at the cursor: what Tab would complete.
std::string wordBeforeCursor() {
    int start = rl_point;
    while (start > 0 &&
           editor.chars->isWordByte(static_cast<unsigned char>(rl_line_buffer[start - 1])))
        --start;
    return std::string(rl_line_buffer + start, static_cast<size_t>(rl_point - start));
}

char** listMatches(const char* text) {
    const CompletionReport report =
        reportCompletions(*editor.store, text, *editor.skipPrefixWord, kMaxMatches);
    editor.matchTotal = report.count;
    if (!report.anyMatch) return nullptr;

    std::vector<std::string> matches;
    if (report.hasUnique) {
        matches.push_back(report.unique);  // alone: readline inserts it and a space
    } else {
        matches.push_back(report.longest);
        matches.insert(matches.end(), report.listed.begin(), report.listed.end());
    }
    char** array = static_cast<char**>(std::calloc(matches.size() + 1, sizeof(char*)));
    if (array == nullptr) return nullptr;
    for (size_t i = 0; i < matches.size(); ++i) {
        array[i] = copyForReadline(matches[i]);
        if (array[i] == nullptr) {
            for (size_t j = 0; j < i; ++j) std::free(array[j]);
            std::free(array);
            return nullptr;
        }
    }
    return array;
}

// Readline is C: nothing may be thrown through it. Queries leave the store
// as it was, so a failed allocation only means no completion is offered.
char** completeWord(const char* text, int, int) {
    // Never fall back to completing file names.
    rl_attempted_completion_over = 1;
    try {
        return listMatches(text);
    } catch (const std::exception&) {
        return nullptr;
    }
}

void displayMatches(char** matches, int count, int) {
    int rows = 0;
    int columns = 0;
    rl_get_screen_size(&rows, &columns);
    // The hint would otherwise stay behind on the line being left.
    std::fputs("\033[K\n", rl_outstream);
    try {
        const std::vector<std::string> words(matches + 1, matches + 1 + count);
        const std::string listing = formatListing(words, editor.matchTotal, columns, rows - 1);
        std::fputs(listing.c_str(), rl_outstream);
    } catch (const std::exception&) {
        std::fputs("(out of memory)\n", rl_outstream);
    }
    editor.hintShown = false;
    rl_on_new_line();
    rl_redisplay();
}

std::string hintForLine() {
    if (rl_point != rl_end) return std::string();
    const std::string word = wordBeforeCursor();
    if (word.empty()) return std::string();
    const CString prefix = toCString(word);
    CString completion;
    if (!editor.store->getUniqueCompletion(prefix, completion, *editor.skipPrefixWord))
        return std::string();
    std::string rest = toStdString(completion).substr(word.size());

    // A hint that wrapped onto the next line could not be taken back by
    // moving the cursor left, so it is cut at the right margin.
    int rows = 0;
    int columns = 0;
    rl_get_screen_size(&rows, &columns);
    const char* prompt = rl_display_prompt != nullptr ? rl_display_prompt : "";
    const size_t used = displayWidth(prompt) + displayWidth(rl_line_buffer);
    const long room = columns > 0 ? columns - 1 - static_cast<long>(used % columns) : 0;
    if (room <= 0) return std::string();
    size_t cut = 0;
    long width = 0;
    while (cut < rest.size()) {
        size_t next = cut + 1;
        while (next < rest.size() && (static_cast<unsigned char>(rest[next]) & 0xc0) == 0x80)
            ++next;
        if (++width > room) break;
        cut = next;
    }
    rest.resize(cut);
    return rest;
}

void redisplayWithHint() {
    rl_redisplay();
    std::string hint;
    try {
        hint = hintForLine();
    } catch (const std::exception&) {
        hint.clear();  // no hint rather than no editor
    }
    if (editor.hintShown && hint.empty() && rl_point != rl_end) {
        // The old hint sits after the end of the line: go there to erase it.
        const int point = rl_point;
        rl_point = rl_end;
        rl_redisplay();
        std::fputs("\033[K", rl_outstream);
        rl_point = point;
        rl_redisplay();
    } else if (editor.hintShown || !hint.empty()) {
        std::fputs("\033[K", rl_outstream);
    }
    editor.hintShown = !hint.empty();
    if (editor.hintShown) {
        std::fprintf(rl_outstream, "\033[2m%s\033[0m\033[%zuD", hint.c_str(), displayWidth(hint));
    }
    std::fflush(rl_outstream);
}

// Tab inserts what all completions share; a Tab right after a Tab that has
// nothing new to insert lists them. Readline alone would want a third Tab
// after one that inserted something.
int completeOrList(int count, int key) {
    const bool repeated = rl_last_func == completeOrList;
    if (repeated) {
        const std::string word = wordBeforeCursor();
        const CompletionReport report =
            reportCompletions(*editor.store, word, *editor.skipPrefixWord, 0);
        if (report.anyMatch && !report.hasUnique && report.longest == word)
            return rl_possible_completions(count, key);
    }
    return rl_complete(count, key);
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
    *editor.skipPrefixWord = !*editor.skipPrefixWord;
    std::fprintf(rl_outstream, "\033[K\n(skip prefix word: %s)\n",
                 *editor.skipPrefixWord ? "on" : "off");
    editor.hintShown = false;
    rl_on_new_line();
    rl_redisplay();
    return 0;
}

}  // namespace

LineEditor::LineEditor(LinkedTrie& store, const WordChars& chars, bool& skipPrefixWord) {
    editor.store = &store;
    editor.chars = &chars;
    editor.skipPrefixWord = &skipPrefixWord;
    editor.breakCharacters = chars.breakCharacters();
    editor.savedWordBreaks = rl_completer_word_break_characters;
    editor.savedBasicBreaks = rl_basic_word_break_characters;

    rl_readline_name = "rorirer";
    rl_attempted_completion_function = completeWord;
    rl_completion_display_matches_hook = displayMatches;
    rl_redisplay_function = redisplayWithHint;
    rl_completer_word_break_characters = editor.breakCharacters.data();
    rl_basic_word_break_characters = editor.breakCharacters.data();
    rl_completer_quote_characters = nullptr;
    // The store lists in byte order already; readline would re-sort by locale.
    rl_sort_completion_matches = 0;
    rl_ignore_completion_duplicates = 0;
    rl_bind_key('\t', completeOrList);
    rl_bind_key('\r', acceptLine);
    rl_bind_key('\n', acceptLine);
    rl_bind_keyseq("\\es", toggleSkipPrefixWord);
}

LineEditor::~LineEditor() {
    rl_attempted_completion_function = nullptr;
    rl_completion_display_matches_hook = nullptr;
    rl_redisplay_function = rl_redisplay;
    rl_completer_word_break_characters = editor.savedWordBreaks;
    rl_basic_word_break_characters = editor.savedBasicBreaks;
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
