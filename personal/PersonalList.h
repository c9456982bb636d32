// The personal word list: the words a user taught the program and the words
// they told it to forget, kept in a small text file across runs, and the
// words waiting to be learned: typed in one session only, as a typo is, so
// kept out of completion until they are used again in another.
//
// learn() and forget() change the view in memory at once and are recorded as
// this run's pending changes. save() takes a lock beside the file, reads the
// list as it is on disk now (another running copy may have saved since), applies
// the pending changes to it, and replaces the file atomically; the view then
// is the merged list. A kill at any moment leaves the old file or the new one,
// whole.
//
// A list that cannot be read or parsed turns the list off for the session:
// learn() and forget() still change the view, but the file is never written.
//
// Every member that can fail returns a ListStatus (ListStatus.h).
//
// docs/rorirer.md ("The personal word list") describes the file for users.
#ifndef RORIRER_PERSONAL_PERSONALLIST_H
#define RORIRER_PERSONAL_PERSONALLIST_H

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "personal/ListStatus.h"

namespace rorirer {

struct ListContents;

// What a save or a reload found changed on disk by others (another running
// copy, or a person editing the file), as differences of the view before and
// after. This run's own pending changes are already in the view, so they
// never appear here.
struct ListChanges {
    std::vector<std::string> learned;      // learned now, were not
    std::vector<std::string> unlearned;    // were learned, are not
    std::vector<std::string> forgotten;    // forgotten now, were not
    std::vector<std::string> unforgotten;  // were forgotten, are not

    bool empty() const noexcept {
        return learned.empty() && unlearned.empty() && forgotten.empty() && unforgotten.empty();
    }
};

class PersonalList {
public:
    // Longest word the list holds: the longest line the program reads.
    static constexpr size_t kMaxWordBytes = 4096;
    // More entries than this and the file is refused as not a word list.
    static constexpr size_t kMaxEntries = 10'000'000;

    // $XDG_DATA_HOME/rorirer/words.txt, or ~/.local/share/rorirer/words.txt
    // when XDG_DATA_HOME is unset, empty or not an absolute path; the home
    // folder is HOME, or the password database's when HOME is unset, empty
    // or relative. Empty when there is no home folder at all.
    static std::string defaultPath();

    explicit PersonalList(std::string path);
    PersonalList(const PersonalList&) = delete;
    PersonalList& operator=(const PersonalList&) = delete;

    const std::string& path() const noexcept { return path_; }

    // Reads the file into the view; a missing file (or folder) is an empty
    // list. A failure names the file and the reason (and the line for a
    // parse error); the list is then off and the view is left as it was.
    // Pending changes stay pending and stay applied.
    [[nodiscard]] ListStatus load();

    const std::set<std::string>& learned() const noexcept { return learned_; }
    const std::set<std::string>& forgotten() const noexcept { return forgotten_; }
    const std::set<std::string>& pendingWords() const noexcept { return pendingWords_; }

    // A word is any bytes but NUL and newline, 1 to kMaxWordBytes long; any
    // other fails, saying why, and changes nothing. Learning takes the word
    // out of the forgotten set, forgetting out of the learned set. A word the
    // view already holds that way records no change.
    ListStatus learn(const std::string& word);
    ListStatus forget(const std::string& word);
    // Records a word as pending: it waits for a later use before it is
    // learned. A word the list has learned or forgotten stays so: a forgotten
    // word comes back only when it is learned outright.
    ListStatus hold(const std::string& word);

    // Changes made since the last successful save (not to be confused with
    // the pending words, which are saved entries).
    size_t pendingCount() const noexcept { return pending_.size(); }

    // Under the lock: re-reads the file, applies the pending changes, writes
    // the result atomically (creating missing folders with mode 0700) and
    // makes it the view. With nothing pending the file is only read, never
    // written. When `changes` is given it receives what others changed.
    //
    // A failure leaves the view and the pending changes as they were; the
    // file is the old list, or, when only the final sync of its folder
    // failed, already the new one (the next save writes it again). When the
    // list is off, saves fail: the first refusal says why, and the later
    // ones have an empty message, so the caller warns once.
    [[nodiscard]] ListStatus save(ListChanges* changes = nullptr);

    // False once the file was found unreadable or unparsable, or when the
    // list has no place.
    bool enabled() const noexcept { return off_.ok(); }

private:
    enum class Change { kLearn, kForget, kHold };

    ListStatus record(const std::string& word, Change kind);
    ListChanges findChanges(const ListContents& next) const;
    // Makes `next` the view; `next` gets the old one. Cannot fail once
    // `changes` (when given) is filled.
    void takeView(ListContents& next, ListChanges* changes);
    ListStatus turnOff(const ListStatus& reason);
    ListStatus notSaved(const ListStatus& reason) const;
    ListStatus refuseSave();

    std::string path_;
    std::set<std::string> learned_;
    std::set<std::string> forgotten_;
    std::set<std::string> pendingWords_;
    // The last change of each word since the last save. Applying changes in
    // order comes to the same as applying the last one per word, since each
    // decides the word's state alone.
    std::map<std::string, Change> pending_;
    // Why the list is off; ok while it is on.
    ListStatus off_;
    bool refusalReported_ = false;
};

}  // namespace rorirer

#endif  // RORIRER_PERSONAL_PERSONALLIST_H
