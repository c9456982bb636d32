// Copies of the program killed at random moments while they save, and
// copies saving side by side, run as separate processes (PersonalListSaver):
// the list on disk is always one whole state a copy saved, and no copy's
// changes are lost to another's save.
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <random>
#include <thread>
#include <vector>

#include "ListFiles.h"
#include "SaverStates.h"

extern char** environ;

namespace {

using WordListProcesses = ListTest;

pid_t startSaver(std::vector<std::string> args) {
    args.insert(args.begin(), RORIRER_SAVER_PATH);
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& arg : args) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    pid_t child = -1;
    EXPECT_EQ(::posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    return child;
}

int waitFor(pid_t child) {
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    return status;
}

// The list must parse whole and be exactly the state it names.
long checkWholeState(const std::string& file) {
    if (!exists(file)) return 0;
    const auto [learned, forgotten] = loadSets(file);
    const long state = saver::stateOf(learned);
    WordSet expectedLearned, expectedForgotten;
    saver::fillState(state, expectedLearned, expectedForgotten);
    EXPECT_TRUE(learned == expectedLearned && forgotten == expectedForgotten)
        << "the list is not state " << state << " whole";
    return state;
}

TEST_F(WordListProcesses, KilledWhileSavingLeavesAWholeList) {
    constexpr int kRuns = RORIRER_KILL_RUNS;
    using Clock = std::chrono::steady_clock;
    using Micros = std::chrono::microseconds;
    const std::string file = path();
    const std::string temporary = file + ".tmp";
    // Kills are spread over the time a start and two saves take here, with
    // a list of the largest size.
    ASSERT_EQ(waitFor(startSaver({"cycle", file, "2"})), 0);
    const auto start = Clock::now();
    ASSERT_EQ(waitFor(startSaver({"cycle", file, "2"})), 0);
    const auto window = std::chrono::duration_cast<Micros>(Clock::now() - start);
    long last = checkWholeState(file);
    ASSERT_EQ(last, 4);

    std::mt19937 rng(20260101);
    int cutMidWrite = 0;
    for (int run = 0; run < kRuns && !HasFailure(); ++run) {
        const pid_t saver = startSaver({"cycle", file});
        if (run % 2 == 0) {
            std::this_thread::sleep_for(Micros(rng() % window.count()));
        } else {
            // Aimed at the few milliseconds of the write, the sync and the
            // rename: wait for the temporary file, then a little more.
            const auto giveUp = Clock::now() + window;
            while (!exists(temporary) && Clock::now() < giveUp) {
                std::this_thread::sleep_for(Micros(20));
            }
            std::this_thread::sleep_for(Micros(rng() % 3000));
        }
        ASSERT_EQ(::kill(saver, SIGKILL), 0);
        const int status = waitFor(saver);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the saver failed";
        cutMidWrite += exists(temporary);
        const long state = checkWholeState(file);
        ASSERT_GE(state, last) << "a saved state was lost";
        last = state;
    }
    // Not vacuous: saves completed between kills, and kills fell inside them.
    EXPECT_GE(last, 4 + kRuns / 40);
    EXPECT_GT(cutMidWrite, kRuns / 10);
}

TEST_F(WordListProcesses, CopiesSavingSideBySideLoseNothing) {
    constexpr long kSaves = 40;
    const std::string file = path();
    {
        // Large enough that each save takes a while and the two overlap.
        rorirer::PersonalList list(file);
        for (long i = 0; i < saver::kMostWords / 2; ++i) list.learn(saver::wordAt(i));
        ASSERT_TRUE(succeeded(list.save()));
    }
    const pid_t first = startSaver({"add", file, "first", std::to_string(kSaves)});
    const pid_t second = startSaver({"add", file, "second", std::to_string(kSaves)});
    EXPECT_EQ(waitFor(first), 0);
    EXPECT_EQ(waitFor(second), 0);
    const WordSet learned = loadSets(file).first;
    EXPECT_EQ(learned.size(), static_cast<size_t>(saver::kMostWords / 2 + 2 * kSaves));
    for (long i = 0; i < kSaves; ++i) {
        for (const char* tag : {"first", "second"}) {
            EXPECT_EQ(learned.count(tag + std::to_string(i)), 1u) << tag << i;
        }
    }
}

}  // namespace
