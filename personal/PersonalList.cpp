#include "personal/PersonalList.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <utility>

#include "fileio/UserFolders.h"
#include "personal/internal/AtomicFile.h"
#include "personal/internal/ListFormat.h"

namespace rorirer {
namespace {

constexpr char kListPlace[] = "/rorirer/words.txt";

// A symbolic link to the list is followed, even one whose target does not
// exist yet, so that the file it points at is replaced rather than the link,
// and copies reaching one list by different links share its lock.
std::string resolveLinks(const std::string& path) {
    constexpr int kMostLinks = 40;  // as the kernel allows in one lookup
    std::string current = path;
    std::string target(PATH_MAX, '\0');
    for (int hop = 0; hop < kMostLinks; ++hop) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        const ssize_t size = ::readlink(current.c_str(), &target[0], target.size());
        if (size <= 0 || static_cast<size_t>(size) >= target.size()) return current;
        const std::string link = target.substr(0, static_cast<size_t>(size));
        if (link[0] == '/') {
            current = link;
        } else {
            current = folderOf(current);
            current += '/';
            current += link;
        }
    }
    return current;  // a loop: opening it reports the fault
}

// A set holding `word` alone, from which a node can be taken: inserting a
// node into another set cannot fail.
std::set<std::string> singleton(const std::string& word) { return std::set<std::string>{word}; }

// Returns whether the list changed. Each kind decides the word's state
// alone, except that holding never overrides a word learned or forgotten.
template <typename Change>
bool applyChange(ListContents& list, const std::string& word, Change kind) {
    if (kind == Change::kHold) {
        if (list.learned.count(word) != 0 || list.forgotten.count(word) != 0) return false;
        return list.pending.insert(word).second;
    }
    const bool learn = kind == Change::kLearn;
    std::set<std::string>& into = learn ? list.learned : list.forgotten;
    std::set<std::string>& from = learn ? list.forgotten : list.learned;
    // Made before anything is taken out: a failure leaves the list as it was.
    auto node = singleton(word);
    const bool removed = (from.erase(word) + list.pending.erase(word)) != 0;
    return into.insert(node.extract(node.begin())).inserted || removed;
}

void listDifference(const std::set<std::string>& a, const std::set<std::string>& b,
                    std::vector<std::string>& out) {
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
}

}  // namespace

std::string PersonalList::defaultPath() {
    std::string dataHome;
    if (!userFolder("XDG_DATA_HOME", ".local/share", dataHome)) return "";
    return dataHome + kListPlace;
}

PersonalList::PersonalList(std::string path) : path_(std::move(path)) {
    if (path_.empty()) {
        off_ = ListStatus::failure(
            "the personal word list has no place: neither XDG_DATA_HOME nor a home "
            "folder is known");
    }
}

ListStatus PersonalList::load() {
    if (!enabled()) return off_;
    ListContents disk;
    ListStatus read = readList(resolveLinks(path_), disk);
    if (!read.ok()) {
        off_ = read;
        return read;
    }
    for (const auto& [word, kind] : pending_) applyChange(disk, word, kind);
    takeView(disk, nullptr);
    return ListStatus();
}

ListStatus PersonalList::learn(const std::string& word) { return record(word, Change::kLearn); }

ListStatus PersonalList::forget(const std::string& word) { return record(word, Change::kForget); }

ListStatus PersonalList::hold(const std::string& word) { return record(word, Change::kHold); }

ListStatus PersonalList::record(const std::string& word, Change kind) {
    ListStatus fault = checkWord(word);
    if (!fault.ok()) return fault;
    const bool holding = kind == Change::kHold;
    if (holding && (learned_.count(word) != 0 || forgotten_.count(word) != 0)) return ListStatus();
    std::set<std::string>& into = holding                  ? pendingWords_
                                  : kind == Change::kLearn ? learned_
                                                           : forgotten_;
    if (into.count(word) != 0) return ListStatus();

    // Every node is made before anything changes; what follows cannot fail.
    std::set<std::string> viewNode = singleton(word);
    std::map<std::string, Change> pendingNode{{word, kind}};
    const auto recorded = pending_.find(word);
    if (recorded != pending_.end()) {
        recorded->second = kind;
    } else {
        pending_.insert(pendingNode.extract(pendingNode.begin()));
    }
    if (!holding) {
        (kind == Change::kLearn ? forgotten_ : learned_).erase(word);
        pendingWords_.erase(word);
    }
    into.insert(viewNode.extract(viewNode.begin()));
    return ListStatus();
}

ListStatus PersonalList::save(ListChanges* changes) {
    if (!enabled()) return refuseSave();
    const std::string target = resolveLinks(path_);

    ListContents merged;
    if (pending_.empty()) {
        // Nothing to write: renames are atomic, so reading needs no lock.
        const ListStatus read = readList(target, merged);
        if (!read.ok()) return turnOff(read);
        takeView(merged, changes);
        return ListStatus();
    }

    std::string folder;
    if (const int error = makeFolders(folderOf(target), folder)) {
        return notSaved(ListStatus::systemFailure(error, "creating the folder " + folder));
    }
    FileHandle lock;
    const ListStatus locked = lockFile(target + ".lock", lock);
    if (!locked.ok()) return notSaved(locked);
    const ListStatus read = readList(target, merged);
    if (!read.ok()) return turnOff(read);
    bool differs = false;
    for (const auto& [word, kind] : pending_) {
        differs |= applyChange(merged, word, kind);
    }
    ListChanges found = findChanges(merged);
    if (differs) {
        const ListStatus replaced = replaceFile(target, [&merged](int fd, const std::string& name) {
            return writeList(fd, name, merged);
        });
        if (!replaced.ok()) return notSaved(replaced);
    }
    pending_.clear();
    takeView(merged, nullptr);
    if (changes != nullptr) *changes = std::move(found);
    return ListStatus();
}

ListChanges PersonalList::findChanges(const ListContents& next) const {
    ListChanges found;
    listDifference(next.learned, learned_, found.learned);
    listDifference(learned_, next.learned, found.unlearned);
    listDifference(next.forgotten, forgotten_, found.forgotten);
    listDifference(forgotten_, next.forgotten, found.unforgotten);
    return found;
}

void PersonalList::takeView(ListContents& next, ListChanges* changes) {
    if (changes != nullptr) *changes = findChanges(next);
    learned_.swap(next.learned);
    forgotten_.swap(next.forgotten);
    pendingWords_.swap(next.pending);
}

ListStatus PersonalList::notSaved(const ListStatus& reason) const {
    return ListStatus::failure("personal word list " + path_ + " not saved: " + reason.message(),
                               reason.error());
}

// Both build what they return before they change anything.
ListStatus PersonalList::turnOff(const ListStatus& reason) {
    ListStatus off = reason;
    ListStatus told = ListStatus::failure(
        reason.message() + "; the list is left as it is and not written again in this session",
        reason.error());
    off_ = std::move(off);
    refusalReported_ = true;
    return told;
}

ListStatus PersonalList::refuseSave() {
    if (refusalReported_) return ListStatus::failure("", off_.error());
    ListStatus told = ListStatus::failure(
        "personal word list not saved in this session: " + off_.message(), off_.error());
    refusalReported_ = true;
    return told;
}

}  // namespace rorirer
