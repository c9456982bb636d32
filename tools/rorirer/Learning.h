// Learning and forgetting words in a session: the store changes at once, the
// personal list records the change and is saved, and what other running
// copies saved in the meantime comes into the store.
//
// A word the store lacks is a typo as often as a new word, so entering it
// once teaches it to this session only: the list holds it as pending, and
// learns it when it is entered again in a later session, taken from a
// suggestion (Tab or the hint) or named by `rorirer learn`. A word one edit
// from a stored one is the likeliest typo of all; it follows the same rule,
// which keeps it out of later sessions without guessing.
//
// Without a list (--no-learn) nothing is learned and nothing is recorded;
// :forget still takes a word out of this session's store.
#ifndef RORIRER_TOOLS_LEARNING_H
#define RORIRER_TOOLS_LEARNING_H

#include <set>
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

    struct LineWords {
        std::vector<std::string> learned;  // new to the store, and now in the list
        std::vector<std::string> held;     // new to the store, for this session only
    };

    // Every word of `line` the store accepts is learned by the store (as used
    // just now); the list records known words as learned and new ones by the
    // rule above. A word longer than the word limit ends the line's learning
    // and sets `problem`.
    LineWords learnLine(const std::string& line, const WordRules& rules, bool numbers,
                        std::string& problem);

    // A suggestion was taken: a word held in this session is learned.
    void taken(const std::string& word);

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

    // The list's pending words, this session's among them; -1 without a list.
    long long pendingWords() const noexcept {
        return list_ == nullptr ? -1 : static_cast<long long>(list_->pendingWords().size());
    }

    // Heap bytes the store gained or lost through this object's changes.
    long long storeHeapChange() const noexcept { return heapChange_; }

private:
    template <typename Change>
    void changeStore(Change&& change);

    CompletionStore& store_;
    PersonalList* list_;
    // Words held in this session, in the list's form: entering them again in
    // this session is no second use.
    std::set<std::string> heldHere_;
    bool failing_ = false;
    long long heapChange_ = 0;
    bool heapKnown_ = true;
};

}  // namespace rorirer

#endif  // RORIRER_TOOLS_LEARNING_H
