// A personal word list's words in a store: what the list says in place of
// what the word sources say.
//
// The list wins over the sources: a word it marks forgotten leaves the store
// even when a source holds it, and a word it marks learned is added. Learned
// words from the list are permanent but not used in this run: recency is
// for the words the user takes in this one.
#ifndef RORIRER_TOOLS_PERSONALWORDS_H
#define RORIRER_TOOLS_PERSONALWORDS_H

#include <string>

#include "completion/CompletionStore.h"
#include "personal/PersonalList.h"

namespace rorirer {

// After the word sources are loaded: forgets every word the list marks
// forgotten, then adds its learned words. Throws std::bad_alloc; the store
// is then consistent and holds some of the list's changes.
void applyPersonalList(CompletionStore& store, const PersonalList& list);

// What others changed in the list (another running copy, or a person with an
// editor), as a save or a reload found it: their forgotten words leave the
// store, their learned words join it (not as used), and a word no longer
// learned leaves the store when the list was its only origin.
void applyListChanges(CompletionStore& store, const ListChanges& changes);

// The form the list records a word in: the store's normal form (NFC), so
// that a word learned in one spelling and forgotten in another is one entry.
std::string listForm(const std::string& word);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_PERSONALWORDS_H
