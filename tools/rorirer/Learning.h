// Learning and forgetting words in a session: the store changes at once, the
// personal list records the change and is saved, and what other running
// copies saved in the meantime comes into the store.
//
// Without a list (--no-learn) nothing is learned and nothing is recorded;
// :forget still takes a word out of this session's store.
#ifndef RORIRER_TOOLS_LEARNING_H
#define RORIRER_TOOLS_LEARNING_H

#include <string>
#include <vector>

#include "completion/CompletionStore.h"
#include "completion/WordRules.h"
#include "personal/PersonalList.h"

namespace rorirer {

class Learning {
public:
    // `list` may be null; both must outlive this object.
    Learning(CompletionStore& store, PersonalList* list) : store_(store), list_(list) {}

    bool enabled() const noexcept { return list_ != nullptr; }

    // Every word of `line` the store accepts is learned (as used just now)
    // and recorded. Returns the words that were new to the store. A word
    // longer than the word limit ends the line's learning and sets `problem`.
    std::vector<std::string> learnLine(const std::string& line, const WordRules& rules,
                                       bool numbers, std::string& problem);

    // True when the store held the word. It is recorded as forgotten when the
    // store held it or the list had it as learned.
    bool forget(const std::string& word);

    // Saves the list when this session changed it (after each line),
    // bringing in what others saved.
    // Returns what to tell the user: a failure, once until a save succeeds
    // again, and then that it did; otherwise nothing.
    std::string save();
    // The last save, at exit; says so when changes are left unsaved, for
    // whatever reason (a failing save, or a list that could not be read).
    std::string saveAtExit();
    // False while this session's changes are not all in the list.
    bool allSaved() const noexcept { return list_ == nullptr || list_->pendingCount() == 0; }

    // Heap bytes the store gained or lost through this object's changes.
    long long storeHeapChange() const noexcept { return heapChange_; }

private:
    template <typename Change>
    void changeStore(Change&& change);

    CompletionStore& store_;
    PersonalList* list_;
    bool failing_ = false;
    long long heapChange_ = 0;
    bool heapKnown_ = true;
};

}  // namespace rorirer

#endif  // RORIRER_TOOLS_LEARNING_H
