// The personal list's words in a store, and learning in a session: what the
// list says goes over the sources, learned words from earlier runs are not
// recent, what others changed comes in, words are recorded in NFC, and a
// save that fails is told once.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Learning.h"
#include "PersonalWords.h"
#include "completion/internal/StoreState.h"

using rorirer::CompletionStore;
using rorirer::Learning;
using rorirer::ListChanges;
using rorirer::Origin;
using rorirer::PersonalList;
using rorirer::WordRules;

namespace {

class TemporaryFolder {
public:
    TemporaryFolder() {
        char name[] = "/tmp/rorirer-personal-words-XXXXXX";
        path_ = ::mkdtemp(name);
    }
    ~TemporaryFolder() {
        const std::string command = "rm -rf '" + path_ + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

CompletionStore dictionaryStore() {
    CompletionStore store(3);
    for (const char* word : {"helium", "helios", "helmet", "colour"}) store.addDictionaryWord(word);
    return store;
}

std::vector<std::string> ranked(const CompletionStore& store, const std::string& prefix) {
    rorirer::Query query;
    query.prefix = prefix;
    query.style.fuzzy = false;
    std::vector<std::string> texts;
    for (const auto& candidate : store.complete(query).candidates) texts.push_back(candidate.text);
    return texts;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(PersonalWords, TheListGoesOverTheSources) {
    TemporaryFolder folder;
    PersonalList list(folder.path() + "/words.txt");
    ASSERT_TRUE(list.learn("heliport").ok());
    ASSERT_TRUE(list.learn("helios").ok());
    ASSERT_TRUE(list.forget("helium").ok());
    ASSERT_TRUE(list.forget("unheard").ok());
    CompletionStore store = dictionaryStore();
    applyPersonalList(store, list);
    EXPECT_FALSE(store.contains("helium"));
    EXPECT_FALSE(store.contains("unheard"));
    for (const char* word : {"heliport", "helios"}) {
        SCOPED_TRACE(word);
        ASSERT_TRUE(store.lookUp(word).has_value());
        EXPECT_TRUE(rorirer::hasOrigin(store.lookUp(word)->origins, Origin::kPersonal));
        // From an earlier run: not used in this one.
        EXPECT_FALSE(store.lookUp(word)->recent);
    }
    // The list's words weigh more than a dictionary's.
    EXPECT_EQ(ranked(store, "hel"), (std::vector<std::string>{"helios", "heliport", "helmet"}));
    EXPECT_EQ(rorirer::StoreInspection::checkConsistency(store), "");
}

TEST(PersonalWords, ChangesOthersMadeComeIn) {
    CompletionStore store = dictionaryStore();
    store.addWords({{"quokka", 0}, {"helmet", 0}}, Origin::kPersonal);
    ListChanges changes;
    changes.learned = {"wombat"};
    changes.forgotten = {"colour"};
    // Unlearned: a word only the list gave goes; one a source gave stays.
    changes.unlearned = {"quokka", "helmet"};
    changes.unforgotten = {"helios"};
    applyListChanges(store, changes);
    EXPECT_TRUE(store.contains("wombat"));
    EXPECT_FALSE(store.lookUp("wombat")->recent);
    EXPECT_FALSE(store.contains("colour"));
    EXPECT_FALSE(store.contains("quokka"));
    EXPECT_TRUE(store.contains("helmet"));
    EXPECT_TRUE(store.contains("helios"));
    EXPECT_EQ(rorirer::StoreInspection::checkConsistency(store), "");
}

TEST(PersonalWords, LearningRecordsEveryAcceptedWordInNormalForm) {
    TemporaryFolder folder;
    PersonalList list(folder.path() + "/words.txt");
    CompletionStore store = dictionaryStore();
    Learning learning(store, &list);
    const WordRules rules;
    std::string problem;
    using Words = std::vector<std::string>;
    // Known words are learned; new ones are the session's and wait in the
    // list; numbers and words too short are neither.
    const Learning::LineWords first =
        learning.learnLine("an helmet, a cafe\xCC\x81s and 12345 quokkas", rules, false, problem);
    EXPECT_EQ(first.held, (Words{"cafe\xCC\x81s", "and", "quokkas"}));
    EXPECT_EQ(first.learned, Words{});
    EXPECT_EQ(problem, "");
    EXPECT_EQ(list.learned(), (std::set<std::string>{"helmet"}));
    EXPECT_EQ(list.pendingWords(), (std::set<std::string>{"and", "caf\u00e9s", "quokkas"}));
    EXPECT_TRUE(store.lookUp("helmet")->recent);
    EXPECT_TRUE(store.contains("quokkas"));
    EXPECT_EQ(ranked(store, "hel").front(), "helmet");
    EXPECT_EQ(learning.learnLine("12345", rules, true, problem).held, Words{"12345"});
    // Entered again in the same session, a word still waits; taken from a
    // suggestion, it is learned.
    EXPECT_EQ(learning.learnLine("quokkas", rules, false, problem).held, Words{});
    EXPECT_EQ(list.pendingWords().count("quokkas"), 1u);
    learning.taken("and");
    EXPECT_EQ(list.learned(), (std::set<std::string>{"and", "helmet"}));

    // A word past the limit ends the line's learning, and says so.
    const std::string line = "before " + std::string(5000, 'x') + " after";
    EXPECT_EQ(learning.learnLine(line, rules, false, problem).held, Words{"before"});
    EXPECT_NE(problem.find("longer than 4096 bytes"), std::string::npos) << problem;
    EXPECT_FALSE(store.contains("after"));

    // Forgotten: recorded when the store held it or the list had it.
    EXPECT_TRUE(learning.forget("caf\u00e9s"));
    EXPECT_TRUE(learning.forget("helios"));
    EXPECT_FALSE(learning.forget("nowhere"));
    EXPECT_EQ(list.forgotten(), (std::set<std::string>{"caf\u00e9s", "helios"}));
    EXPECT_EQ(learning.save(), "");
    EXPECT_NE(readFile(list.path()).find("forgotten\thelios\n"), std::string::npos);
    EXPECT_EQ(rorirer::StoreInspection::checkConsistency(store), "");

    // The next session: waiting words are not in its store; entered again,
    // they are learned for good.
    PersonalList next(list.path());
    ASSERT_TRUE(next.load().ok());
    CompletionStore nextStore = dictionaryStore();
    applyPersonalList(nextStore, next);
    EXPECT_FALSE(nextStore.contains("quokkas"));
    EXPECT_TRUE(nextStore.contains("and"));
    Learning again(nextStore, &next);
    const Learning::LineWords second = again.learnLine("quokkas before", rules, false, problem);
    EXPECT_EQ(second.learned, (Words{"quokkas", "before"}));
    EXPECT_EQ(next.pendingWords(), (std::set<std::string>{"12345"}));
}

TEST(PersonalWords, WithoutAListNothingIsLearned) {
    CompletionStore store = dictionaryStore();
    Learning learning(store, nullptr);
    std::string problem;
    const Learning::LineWords words =
        learning.learnLine("quokkas and wombats", WordRules(), false, problem);
    EXPECT_TRUE(words.learned.empty() && words.held.empty());
    EXPECT_FALSE(store.contains("quokkas"));
    EXPECT_TRUE(learning.forget("helmet"));
    EXPECT_FALSE(store.contains("helmet"));
    EXPECT_EQ(learning.save(), "");
    EXPECT_EQ(learning.saveAtExit(), "");
}

TEST(PersonalWords, AFailingSaveIsToldOnce) {
    TemporaryFolder folder;
    const std::string path = folder.path() + "/words.txt";
    // The lock beside the list cannot be opened where a folder stands.
    const std::string lock = path + ".lock";
    ASSERT_EQ(::mkdir(lock.c_str(), 0700), 0);
    PersonalList list(path);
    CompletionStore store = dictionaryStore();
    Learning learning(store, &list);
    std::string problem;
    learning.learnLine("quokkas", WordRules(), false, problem);
    const std::string first = learning.save();
    EXPECT_NE(first.find("not saved"), std::string::npos) << first;
    learning.learnLine("wombats", WordRules(), false, problem);
    EXPECT_EQ(learning.save(), "");
    EXPECT_EQ(learning.save(), "");
    ASSERT_EQ(::rmdir(lock.c_str()), 0);
    EXPECT_NE(learning.save().find("saved again"), std::string::npos);
    EXPECT_NE(readFile(path).find("pending\twombats\n"), std::string::npos);

    // At exit, changes that cannot be saved are lost: that is told even
    // after a failure was.
    learning.learnLine("numbats", WordRules(), false, problem);
    ASSERT_EQ(::unlink(lock.c_str()), 0);
    ASSERT_EQ(::mkdir(lock.c_str(), 0700), 0);
    EXPECT_NE(learning.save(), "");
    const std::string last = learning.saveAtExit();
    EXPECT_NE(last.find("not saved"), std::string::npos) << last;
    EXPECT_NE(last.find("(1 changes of this session lost)"), std::string::npos) << last;
}

}  // namespace
