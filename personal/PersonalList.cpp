#include "personal/PersonalList.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <iterator>
#include <utility>

#include "personal/internal/AtomicFile.h"
#include "personal/internal/ListFormat.h"

namespace rorirer {
namespace {

constexpr char kListPlace[] = "/rorirer/words.txt";
constexpr char kDataHomeBelowHome[] = "/.local/share";

bool isAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path == "/" ? "" : path;
}

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (isAbsolute(home)) return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<size_t>(size) : 16384, '\0');
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, &buffer[0], buffer.size(), &found) != 0 ||
        found == nullptr || !isAbsolute(found->pw_dir)) {
        return "";
    }
    return found->pw_dir;
}

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

// Returns whether the list changed.
bool applyChange(ListContents& list, const std::string& word, bool learn) {
    std::set<std::string>& into = learn ? list.learned : list.forgotten;
    std::set<std::string>& from = learn ? list.forgotten : list.learned;
    const bool removed = from.erase(word) != 0;
    return into.insert(word).second || removed;
}

void listDifference(const std::set<std::string>& a, const std::set<std::string>& b,
                    std::vector<std::string>& out) {
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
}

}  // namespace

std::string PersonalList::defaultPath() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (isAbsolute(dataHome)) return withoutTrailingSlashes(dataHome) + kListPlace;
    const std::string home = homeFolder();
    if (home.empty()) return "";
    return withoutTrailingSlashes(home) + kDataHomeBelowHome + kListPlace;
}

PersonalList::PersonalList(std::string path) : path_(std::move(path)) {
    if (path_.empty()) {
        enabled_ = false;
        offReason_ =
            "the personal word list has no place: neither XDG_DATA_HOME nor a home "
            "folder is known";
    }
}

bool PersonalList::load(std::string& problem) {
    problem.clear();
    if (!enabled_) {
        problem = offReason_;
        return false;
    }
    ListContents disk;
    bool missing;
    problem = readList(resolveLinks(path_), disk, missing);
    if (!problem.empty()) {
        enabled_ = false;
        offReason_ = problem;
        return false;
    }
    for (const auto& [word, kind] : pending_) applyChange(disk, word, kind == Change::kLearn);
    takeView(disk, nullptr);
    return true;
}

bool PersonalList::learn(const std::string& word) { return record(word, Change::kLearn); }

bool PersonalList::forget(const std::string& word) { return record(word, Change::kForget); }

bool PersonalList::record(const std::string& word, Change kind) {
    if (findWordFault(word) != nullptr) return false;
    const bool learning = kind == Change::kLearn;
    std::set<std::string>& into = learning ? learned_ : forgotten_;
    std::set<std::string>& from = learning ? forgotten_ : learned_;
    if (into.count(word) != 0) return true;

    // Every node is made before anything changes; what follows cannot fail.
    std::set<std::string> viewNode = singleton(word);
    std::map<std::string, Change> pendingNode{{word, kind}};
    const auto recorded = pending_.find(word);
    if (recorded != pending_.end()) {
        recorded->second = kind;
    } else {
        pending_.insert(pendingNode.extract(pendingNode.begin()));
    }
    from.erase(word);
    into.insert(viewNode.extract(viewNode.begin()));
    return true;
}

bool PersonalList::save(std::string& problem, ListChanges* changes) {
    problem.clear();
    if (!enabled_) return refuseSave(problem);
    const std::string target = resolveLinks(path_);

    ListContents merged;
    bool missing;
    if (pending_.empty()) {
        // Nothing to write: renames are atomic, so reading needs no lock.
        problem = readList(target, merged, missing);
        if (!problem.empty()) return turnOff(problem);
        takeView(merged, changes);
        return true;
    }

    if (!makeFolders(folderOf(target), problem)) return notSaved(problem);
    FileHandle lock;
    if (!lockFile(target + ".lock", lock, problem)) return notSaved(problem);
    problem = readList(target, merged, missing);
    if (!problem.empty()) return turnOff(problem);
    bool differs = false;
    for (const auto& [word, kind] : pending_) {
        differs |= applyChange(merged, word, kind == Change::kLearn);
    }
    ListChanges found = findChanges(merged);
    if (differs) {
        const Replacement done = replaceFile(
            target, [&merged](int fd) { return writeList(fd, merged); }, problem);
        if (done != Replacement::kDone) return notSaved(problem);
    }
    pending_.clear();
    takeView(merged, nullptr);
    if (changes != nullptr) *changes = std::move(found);
    return true;
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
}

bool PersonalList::turnOff(std::string& problem) {
    enabled_ = false;
    offReason_ = problem;
    problem += "; the list is left as it is and not written again in this session";
    refusalReported_ = true;
    return false;
}

bool PersonalList::notSaved(std::string& problem) {
    problem = "personal word list " + path_ + " not saved: " + problem;
    return false;
}

bool PersonalList::refuseSave(std::string& problem) {
    if (!refusalReported_) {
        refusalReported_ = true;
        problem = "personal word list not saved in this session: " + offReason_;
    }
    return false;
}

}  // namespace rorirer
