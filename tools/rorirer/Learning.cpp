#include "Learning.h"

#include <utility>

#include "HeapUse.h"
#include "InputFile.h"
#include "PersonalWords.h"
#include "completion/WordSplitter.h"

namespace rorirer {

// The heap is measured around the store's own changes only: the line editor,
// its history and the list allocate too, and are no part of the store.
template <typename Change>
void Learning::changeStore(Change&& change) {
    const long long before = heapBytesInUse();
    change();
    const long long after = heapBytesInUse();
    if (before < 0 || after < 0) heapKnown_ = false;
    if (heapKnown_) heapChange_ += after - before;
}

Learning::LineWords Learning::learnLine(const std::string& line, const WordRules& rules,
                                        bool numbers, std::string& problem) {
    problem.clear();
    LineWords fresh;
    if (list_ == nullptr) return fresh;
    std::vector<std::string> words;
    WordSplitter::Options splitting;
    splitting.keepNumbers = numbers;
    splitting.maxWordBytes = kMaxLineLength;
    WordSplitter splitter(rules, splitting);
    const auto take = [&words](std::string_view word) { words.emplace_back(word); };
    try {
        splitter.feed(line, take);
        splitter.finish(take);
    } catch (const WordTooLong& tooLong) {
        problem = "a word longer than " + std::to_string(tooLong.limit()) +
                  " bytes is not learned, nor what follows it on the line";
    }
    for (const std::string& word : words) {
        bool accepted = false;
        bool isNew = false;
        changeStore([&] {
            isNew = !store_.contains(word);
            accepted = store_.learnWord(word);
        });
        if (!accepted) continue;
        const std::string recorded = listForm(word);
        if (heldHere_.count(recorded) != 0) continue;
        if (!isNew) {
            list_->learn(recorded);
        } else if (list_->pendingWords().count(recorded) != 0) {
            list_->learn(recorded);  // held in an earlier session: a second use
            fresh.learned.push_back(word);
        } else {
            heldHere_.insert(recorded);
            list_->hold(recorded);
            fresh.held.push_back(word);
        }
    }
    return fresh;
}

void Learning::taken(const std::string& word) {
    if (list_ == nullptr) return;
    const std::string recorded = listForm(word);
    if (heldHere_.erase(recorded) != 0) list_->learn(recorded);
}

bool Learning::forget(const std::string& word) {
    bool stored = false;
    changeStore([&] { stored = store_.forgetWord(word); });
    if (list_ != nullptr) {
        const std::string recorded = listForm(word);
        heldHere_.erase(recorded);
        if (stored || list_->learned().count(recorded) != 0 ||
            list_->pendingWords().count(recorded) != 0)
            list_->forget(recorded);
    }
    return stored;
}

std::string Learning::save() {
    // Without changes of its own a save would only read the list, which
    // costs in proportion to its size on every line.
    if (list_ == nullptr || list_->pendingCount() == 0) return std::string();
    ListChanges changes;
    const ListStatus saved = list_->save(&changes);
    if (saved.ok()) {
        changeStore([&] { applyListChanges(store_, changes); });
        if (!failing_) return std::string();
        failing_ = false;
        return "personal word list " + list_->path() + " saved again";
    }
    // A list that is off says so on its first refusal only; a save that
    // fails is told once until one succeeds.
    if (failing_ || saved.message().empty()) return std::string();
    failing_ = true;
    return saved.message();
}

std::string Learning::saveAtExit() {
    if (list_ == nullptr || list_->pendingCount() == 0) return std::string();
    // The changes are lost if this save fails too: say so even when a
    // failure was told before.
    failing_ = false;
    std::string said = save();
    if (list_->pendingCount() == 0) return said;
    const std::string lost =
        std::to_string(list_->pendingCount()) + " changes of this session lost";
    // A list that is off told why when it refused its first save.
    if (said.empty()) return "personal word list " + list_->path() + ": " + lost;
    return said + " (" + lost + ")";
}

}  // namespace rorirer
