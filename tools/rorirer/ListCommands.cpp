#include "ListCommands.h"

#include <string>
#include <vector>

#include "InputFile.h"
#include "PersonalWords.h"
#include "ToolError.h"
#include "completion/CompletionStore.h"
#include "completion/WordSplitter.h"
#include "personal/PersonalList.h"

namespace rorirer {
namespace {

// What a session would learn from `word` typed alone: it must come out as
// itself, whole.
bool isOneWord(const std::string& word, const WordRules& rules, bool numbers) {
    WordSplitter::Options splitting;
    splitting.keepNumbers = numbers;
    splitting.maxWordBytes = kMaxLineLength;
    WordSplitter splitter(rules, splitting);
    std::vector<std::string> words;
    const auto take = [&words](std::string_view w) { words.emplace_back(w); };
    try {
        splitter.feed(word, take);
        splitter.finish(take);
    } catch (const WordTooLong&) {
        return false;
    }
    return words.size() == 1 && words[0] == word;
}

void checkWord(const std::string& command, const std::string& word, const Options& options,
               const WordRules& rules) {
    const std::string quoted = command + ": '" + word + "'";
    if (word.empty()) throw ToolError(command + ": an empty word");
    if (word.size() > kMaxLineLength)
        throw ToolError(command + ": a word longer than " + std::to_string(kMaxLineLength) +
                        " bytes");
    if (word.find('\n') != std::string::npos)
        throw ToolError(command + ": a word holds a line break");
    if (command != "learn") return;
    if (!isOneWord(word, rules, options.numbers))
        throw ToolError(quoted + " is not one word (see --word-chars and --numbers)");
    CompletionStore probe(options.minLength);
    if (!probe.learnWord(word))
        throw ToolError(quoted + " is shorter than the store accepts (--min-length " +
                        std::to_string(options.minLength) + ")");
}

}  // namespace

int runListCommand(const Options& options, const WordRules& rules) {
    const bool learning = options.command == Command::kLearn;
    const std::string command = learning ? "learn" : "forget";
    if (!options.learn)
        throw ToolError(command + ": --no-learn leaves the personal word list alone");
    for (const std::string& word : options.words) checkWord(command, word, options, rules);

    PersonalList list(options.wordsFile.empty() ? PersonalList::defaultPath() : options.wordsFile);
    const ListStatus loaded = list.load();
    if (!loaded.ok()) throw ToolError(loaded.message());
    for (const std::string& word : options.words) {
        const std::string recorded = listForm(word);
        if (!(learning ? list.learn(recorded) : list.forget(recorded)).ok())
            throw ToolError(std::string(command).append(": '").append(word).append(
                "' cannot be kept in the list"));
    }
    const ListStatus saved = list.save();
    if (!saved.ok()) throw ToolError(saved.message());
    return kExitOk;
}

}  // namespace rorirer
