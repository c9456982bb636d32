#include "PersonalWords.h"

#include <vector>

#include "completion/Unicode.h"

namespace rorirer {
namespace {

template <typename Words>
void addLearned(CompletionStore& store, const Words& words) {
    std::vector<CompletionStore::WordCount> batch;
    batch.reserve(words.size());
    for (const std::string& word : words) batch.push_back({word, 0});
    store.addWords(batch, Origin::kPersonal);
}

}  // namespace

void applyPersonalList(CompletionStore& store, const PersonalList& list) {
    for (const std::string& word : list.forgotten()) store.forgetWord(word);
    addLearned(store, list.learned());
}

void applyListChanges(CompletionStore& store, const ListChanges& changes) {
    for (const std::string& word : changes.forgotten) store.forgetWord(word);
    for (const std::string& word : changes.unlearned) {
        const auto info = store.lookUp(word);
        if (info && info->origins == static_cast<Origins>(Origin::kPersonal))
            store.forgetWord(word);
    }
    addLearned(store, changes.learned);
}

std::string listForm(const std::string& word) { return toNfc(word); }

}  // namespace rorirer
