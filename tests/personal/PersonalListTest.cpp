// The personal list against a reference of plain sets, its file format by
// worked examples, and what it does with files it cannot use.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <random>
#include <vector>

#include "ListFiles.h"

namespace {

using WordList = ListTest;

using rorirer::ListChanges;
using rorirer::ListStatus;
using rorirer::PersonalList;

const std::string kHeader = "# rorirer personal word list 1\n";
const std::string kHeader2 = "# rorirer personal word list 2\n";

// Words a line-based format could easily get wrong.
const std::vector<std::string> kOddWords = {
    "#",
    "# end 1",
    "#hash",
    "-dash",
    "+plus",
    " lead",
    "trail ",
    "\ttab",
    "in\tside",
    "cr\r",
    "\r",
    "\xff\xfe",
    "\xc3",
    "\x80",
    "caf\xc3\xa9",
    "learned\tx",
    "forgotten",
    "a",
    std::string(PersonalList::kMaxWordBytes, 'w'),
};

TEST_F(WordList, FileFormatWorkedExamples) {
    struct Row {
        WordSet learned, forgotten;
        std::string file;
    } const rows[] = {
        {{"hello"}, {}, kHeader + "learned\thello\n# end 1\n"},
        {{}, {"gone"}, kHeader + "forgotten\tgone\n# end 1\n"},
        {{"b", "a"}, {"ab"}, kHeader + "learned\ta\nforgotten\tab\nlearned\tb\n# end 3\n"},
        {{"alpha", "Zeta", "\xc3\xa9t\xc3\xa9"},
         {"#x"},
         kHeader +
             "forgotten\t#x\nlearned\tZeta\nlearned\talpha\nlearned\t\xc3\xa9t\xc3\xa9\n# end 4\n"},
    };
    for (const Row& row : rows) {
        ::unlink(path().c_str());
        PersonalList list(path());
        for (const auto& w : row.learned) ASSERT_TRUE(succeeded(list.learn(w)));
        for (const auto& w : row.forgotten) ASSERT_TRUE(succeeded(list.forget(w)));
        ASSERT_TRUE(succeeded(list.save()));
        EXPECT_EQ(readBytes(path()), row.file);
        EXPECT_EQ(loadSets(path()), std::make_pair(row.learned, row.forgotten));
    }
}

TEST_F(WordList, RefusesWordsALineCannotHold) {
    PersonalList list(path());
    for (const std::string& word :
         {std::string(), std::string("a\nb"), std::string("a\0b", 3), std::string("\n"),
          std::string(PersonalList::kMaxWordBytes + 1, 'w')}) {
        const ListStatus learned = list.learn(word), forgotten = list.forget(word);
        EXPECT_FALSE(learned.ok());
        EXPECT_FALSE(forgotten.ok());
        EXPECT_NE(learned.message(), "");
        EXPECT_EQ(forgotten.message(), learned.message());
    }
    EXPECT_TRUE(list.learned().empty());
    EXPECT_TRUE(list.forgotten().empty());
    EXPECT_EQ(list.pendingCount(), 0u);
}

// The reference: a running copy is its view and the changes it made since
// its last save, in order, replayed on whatever the file holds at its save.
// The words are the odd ones, so every save is also a round trip of them.
enum Kind { kLearn, kForget, kHold };

struct Sets {
    WordSet learned, forgotten, pending;
    bool operator==(const Sets& o) const {
        return learned == o.learned && forgotten == o.forgotten && pending == o.pending;
    }
};

struct ModelCopy {
    Sets view;
    std::vector<std::pair<std::string, Kind>> log;
};

// Returns whether the sets changed. Holding never overrides learned or
// forgotten; the other two decide the word's state alone.
bool applyTo(Sets& sets, const std::string& word, Kind kind) {
    if (kind == kHold) {
        if (sets.learned.count(word) || sets.forgotten.count(word)) return false;
        return sets.pending.insert(word).second;
    }
    WordSet& into = kind == kLearn ? sets.learned : sets.forgotten;
    const bool changed = into.count(word) == 0;
    sets.learned.erase(word);
    sets.forgotten.erase(word);
    sets.pending.erase(word);
    into.insert(word);
    return changed;
}

Sets viewOf(const PersonalList& list) {
    return {list.learned(), list.forgotten(), list.pendingWords()};
}

std::vector<std::string> minus(const WordSet& a, const WordSet& b) {
    std::vector<std::string> out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

TEST_F(WordList, CopiesInterleavingChangesAndSavesMatchTheReference) {
    constexpr int kCopies = 3;
    std::mt19937 rng(11);
    std::vector<std::unique_ptr<PersonalList>> copies;
    std::vector<ModelCopy> model(kCopies);
    Sets disk;
    copies.reserve(kCopies);
    for (int i = 0; i < kCopies; ++i) copies.push_back(std::make_unique<PersonalList>(path()));

    for (int step = 0; step < 2000; ++step) {
        const int c = static_cast<int>(rng() % kCopies);
        PersonalList& list = *copies[c];
        ModelCopy& m = model[c];
        const std::string& word = kOddWords[rng() % kOddWords.size()];
        const auto action = rng() % 12;
        if (action < 9) {
            const Kind kind = action < 4 ? kLearn : action < 7 ? kForget : kHold;
            ASSERT_TRUE(succeeded(kind == kLearn    ? list.learn(word)
                                  : kind == kForget ? list.forget(word)
                                                    : list.hold(word)));
            if (applyTo(m.view, word, kind)) m.log.emplace_back(word, kind);
        } else if (action < 11) {
            ListChanges changes;
            ASSERT_TRUE(succeeded(list.save(&changes)));
            for (const auto& [w, kind] : m.log) applyTo(disk, w, kind);
            m.log.clear();
            EXPECT_EQ(changes.learned, minus(disk.learned, m.view.learned));
            EXPECT_EQ(changes.unlearned, minus(m.view.learned, disk.learned));
            EXPECT_EQ(changes.forgotten, minus(disk.forgotten, m.view.forgotten));
            EXPECT_EQ(changes.unforgotten, minus(m.view.forgotten, disk.forgotten));
            m.view = disk;
            if (exists(path())) {
                PersonalList fresh(path());
                ASSERT_TRUE(succeeded(fresh.load()));
                EXPECT_TRUE(viewOf(fresh) == disk) << "step " << step;
                // Only a list with pending words needs the newer version.
                EXPECT_EQ(readBytes(path()).compare(0, kHeader.size(), kHeader) == 0,
                          disk.pending.empty());
            }
        } else {
            // A copy that quits without saving and starts again.
            copies[c] = std::make_unique<PersonalList>(path());
            ASSERT_TRUE(succeeded(copies[c]->load()));
            m = ModelCopy{disk, {}};
        }
        ASSERT_TRUE(viewOf(*copies[c]) == m.view) << "step " << step;
        WordSet touched;
        for (const auto& entry : m.log) touched.insert(entry.first);
        ASSERT_EQ(copies[c]->pendingCount(), touched.size());
    }
}

TEST_F(WordList, UnusableListIsNeverOverwritten) {
    struct Row {
        std::string file;
        std::string problem;  // after the path
    } const rows[] = {
        {"", ": empty, not a rorirer personal word list (remove it to start anew)"},
        {"hello\n", ":1: not a rorirer personal word list (the first line is not \"" +
                        kHeader.substr(0, kHeader.size() - 1) + "\" or \"" +
                        kHeader2.substr(0, kHeader2.size() - 1) + "\")"},
        {"# rorirer personal word list 3\n# end 0\n",
         ":1: a version of the personal word list this program does not know (it reads \"" +
             kHeader.substr(0, kHeader.size() - 1) + "\" and \"" +
             kHeader2.substr(0, kHeader2.size() - 1) + "\")"},
        // Pending words came with version 2.
        {kHeader + "pending\tfoo\n# end 1\n",
         ":2: not an entry: expected learned<TAB>WORD, forgotten<TAB>WORD or # end COUNT"},
        {kHeader2 + "forgotten\tfoo\npending\tfoo\n# end 2\n",
         ":3: a word both forgotten and pending"},
        {"# rorirer personal word list 1\r\n# end 0\r\n",
         ":1: lines end in CR LF; the list takes LF alone"},
        {kHeader, ":2: no end line: the list was cut short"},
        {kHeader + "learned\tfoo\n", ":3: no end line: the list was cut short"},
        {kHeader + "learned\tfoo\n# end 1",
         ":3: the last line has no line end: the list was cut short"},
        {kHeader + "learned\tfo", ":2: the last line has no line end: the list was cut short"},
        {kHeader + "learnt\tfoo\n# end 1\n",
         ":2: not an entry: expected learned<TAB>WORD, forgotten<TAB>WORD or # end COUNT"},
        {kHeader + "\n# end 0\n",
         ":2: not an entry: expected learned<TAB>WORD, forgotten<TAB>WORD or # end COUNT"},
        {kHeader + "learned\t\n# end 1\n", ":2: an empty word"},
        {kHeader + "learned\tfoo\n# end 2\n",
         ":3: the end line counts 2 entries but the list has 1"},
        {kHeader + "# end 0\nlearned\tx\n", ":3: text after the end line"},
        {kHeader + "# end zero\n", ":2: a malformed end line"},
        {kHeader + "learned\tfoo\nforgotten\tfoo\n# end 2\n",
         ":3: a word both learned and forgotten"},
        {kHeader + std::string("learned\ta\0b\n# end 1\n", 20), ":2: binary data (a NUL byte)"},
        {kHeader + "learned\t" + std::string(PersonalList::kMaxWordBytes + 1, 'w') + "\n# end 1\n",
         ":2: a word longer than 4096 bytes"},
        {kHeader + std::string(5000, '#'),
         ":2: a line longer than any entry: a word holds at most 4096 bytes"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.problem);
        writeBytes(path(), row.file);
        PersonalList list(path());
        const ListStatus loaded = list.load();
        EXPECT_FALSE(loaded.ok());
        EXPECT_EQ(loaded.message(), path() + row.problem);
        EXPECT_EQ(loaded.error(), 0) << "a fault of the content, not of a call";
        EXPECT_FALSE(list.enabled());
        EXPECT_TRUE(succeeded(list.learn("word")));
        const ListStatus refused = list.save();
        EXPECT_FALSE(refused.ok());
        EXPECT_NE(refused.message().find("not saved in this session"), std::string::npos)
            << refused.message();
        EXPECT_TRUE(succeeded(list.forget("other")));
        const ListStatus again = list.save();
        EXPECT_FALSE(again.ok());
        EXPECT_EQ(again.message(), "") << "the refusal is reported once";
        EXPECT_EQ(readBytes(path()), row.file);
        EXPECT_FALSE(exists(path("words.txt.tmp")));
    }

    // Spoiled while the session runs: found at the save, left alone.
    const std::string spoiled = kHeader + "learned\tfoo\n";
    ::unlink(path().c_str());
    PersonalList list(path());
    ASSERT_TRUE(succeeded(list.load()));
    writeBytes(path(), spoiled);
    list.learn("bar");
    const ListStatus saved = list.save();
    EXPECT_FALSE(saved.ok());
    EXPECT_EQ(saved.message().rfind(path() + ":3: no end line", 0), 0u) << saved.message();
    EXPECT_FALSE(list.enabled());
    EXPECT_EQ(readBytes(path()), spoiled);
}

TEST_F(WordList, UnreadableListIsNeverOverwritten) {
    ASSERT_EQ(::mkdir(path().c_str(), 0700), 0);
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    for (const auto& [name, problem] :
         {std::make_pair(std::string("words.txt"),
                         std::string(": is a directory, not a word list")),
          std::make_pair(std::string("fifo"), std::string(": not a regular file"))}) {
        PersonalList list(path(name));
        const ListStatus loaded = list.load();
        EXPECT_FALSE(loaded.ok());
        EXPECT_EQ(loaded.message(), path(name) + problem);
        list.learn("word");
        EXPECT_FALSE(list.save().ok());
    }
    struct stat info {};
    EXPECT_TRUE(::stat(path().c_str(), &info) == 0 && S_ISDIR(info.st_mode));
    EXPECT_TRUE(::stat(path("fifo").c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
}

TEST_F(WordList, MissingFoldersAreMadePrivateOnTheFirstSave) {
    ::umask(022);
    const std::string file = PersonalList::defaultPath();
    ASSERT_EQ(file, folder_ + "/data/rorirer/words.txt");
    PersonalList list(file);
    ASSERT_TRUE(succeeded(list.load()));
    ASSERT_TRUE(succeeded(list.save()));
    EXPECT_FALSE(exists(folder_ + "/data")) << "a save with nothing to write made a folder";
    list.learn("word");
    ASSERT_TRUE(succeeded(list.save()));
    EXPECT_EQ(modeOf(folder_ + "/data"), 0700u);
    EXPECT_EQ(modeOf(folder_ + "/data/rorirer"), 0700u);
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_TRUE(exists(file + ".lock"));
    EXPECT_FALSE(exists(file + ".tmp"));

    // The user's choice of mode stays.
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    list.learn("another");
    ASSERT_TRUE(succeeded(list.save()));
    EXPECT_EQ(modeOf(file), 0644u);
}

TEST_F(WordList, DefaultPathFollowsTheEnvironment) {
    const passwd* user = ::getpwuid(::getuid());
    ASSERT_NE(user, nullptr);
    const std::string fromDatabase = std::string(user->pw_dir) + "/.local/share/rorirer/words.txt";
    struct Row {
        const char* dataHome;  // null: unset
        const char* home;
        std::string expected;
    } const rows[] = {
        {"/x/data", "/h", "/x/data/rorirer/words.txt"},
        {"/x/data//", "/h", "/x/data/rorirer/words.txt"},
        {"", "/h", "/h/.local/share/rorirer/words.txt"},
        {nullptr, "/h/", "/h/.local/share/rorirer/words.txt"},
        {"relative/data", "/h", "/h/.local/share/rorirer/words.txt"},
        {"/", "/h", "/rorirer/words.txt"},
        {nullptr, nullptr, fromDatabase},
        {nullptr, "", fromDatabase},
        {nullptr, "relative", fromDatabase},
    };
    for (const Row& row : rows) {
        for (const auto& [name, value] :
             {std::make_pair("XDG_DATA_HOME", row.dataHome), std::make_pair("HOME", row.home)}) {
            value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
        }
        EXPECT_EQ(PersonalList::defaultPath(), row.expected)
            << (row.dataHome ? row.dataHome : "(unset)") << " "
            << (row.home ? row.home : "(unset)");
    }
}

TEST_F(WordList, SymbolicLinkToTheListIsKept) {
    ASSERT_EQ(::mkdir(path("real").c_str(), 0700), 0);
    ASSERT_EQ(::symlink("real/list.txt", path().c_str()), 0);
    PersonalList list(path());
    list.learn("first");
    ASSERT_TRUE(succeeded(list.save()));  // the link dangles until now
    list.learn("second");
    ASSERT_TRUE(succeeded(list.save()));
    struct stat info {};
    ASSERT_EQ(::lstat(path().c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(loadSets(path("real/list.txt")).first, (WordSet{"first", "second"}));
}

TEST_F(WordList, SaveWithNothingNewLeavesTheFileAlone) {
    PersonalList mine(path()), theirs(path());
    mine.learn("mine");
    ASSERT_TRUE(succeeded(mine.save()));
    struct stat before {};
    ASSERT_EQ(::stat(path().c_str(), &before), 0);

    mine.learn("mine");  // already learned: nothing to write
    EXPECT_EQ(mine.pendingCount(), 0u);
    ASSERT_TRUE(succeeded(mine.save()));
    theirs.learn("mine");  // new to that copy, but the file has it
    ASSERT_TRUE(succeeded(theirs.save()));
    struct stat after {};
    ASSERT_EQ(::stat(path().c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino) << "the file was rewritten";
}

}  // namespace
