// Saves that fail: each system call a save makes, failed in turn (the test
// is linked with --wrap for each, so the library's calls come here first),
// and real failures: a full disk, a file size limit, a path through a file.
// A failed save must leave the old list, no temporary file, and the changes
// pending; the next save must then succeed.
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "ListFiles.h"

namespace {

// Calls left before the one that fails; negative: none fails.
long g_callsLeft = -1;
const char* g_failed = nullptr;
int g_error = 0;
bool g_renamed = false;

bool failHere(const char* name, int error) {
    if (g_callsLeft < 0 || g_callsLeft-- > 0) return false;
    g_failed = name;
    g_error = error;
    errno = error;
    return true;
}

}  // namespace

// The names --wrap gives the linker's two sides of each call.
// NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" {
int __real_open(const char* path, int flags, ...);
ssize_t __real_read(int fd, void* buffer, size_t size);
ssize_t __real_write(int fd, const void* data, size_t size);
int __real_fstat(int fd, struct stat* info);
int __real_fsync(int fd);
int __real_close(int fd);
int __real_rename(const char* from, const char* to);
int __real_mkdir(const char* path, mode_t mode);
int __real_flock(int fd, int operation);
int __real_fchmod(int fd, mode_t mode);

int __wrap_open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    return failHere("open", EACCES) ? -1 : __real_open(path, flags, mode);
}
ssize_t __wrap_read(int fd, void* buffer, size_t size) {
    return failHere("read", EIO) ? -1 : __real_read(fd, buffer, size);
}
ssize_t __wrap_write(int fd, const void* data, size_t size) {
    return failHere("write", ENOSPC) ? -1 : __real_write(fd, data, size);
}
int __wrap_fstat(int fd, struct stat* info) {
    return failHere("fstat", EIO) ? -1 : __real_fstat(fd, info);
}
int __wrap_fsync(int fd) { return failHere("fsync", EIO) ? -1 : __real_fsync(fd); }
int __wrap_close(int fd) {
    // A failed close still frees the descriptor.
    const int result = __real_close(fd);
    return failHere("close", EIO) ? -1 : result;
}
int __wrap_rename(const char* from, const char* to) {
    if (failHere("rename", EACCES)) return -1;
    const int result = __real_rename(from, to);
    g_renamed |= result == 0;
    return result;
}
int __wrap_mkdir(const char* path, mode_t mode) {
    return failHere("mkdir", EACCES) ? -1 : __real_mkdir(path, mode);
}
int __wrap_flock(int fd, int operation) {
    return failHere("flock", ENOLCK) ? -1 : __real_flock(fd, operation);
}
int __wrap_fchmod(int fd, mode_t mode) {
    return failHere("fchmod", EPERM) ? -1 : __real_fchmod(fd, mode);
}
}
// NOLINTEND(bugprone-reserved-identifier)

namespace {

using WordListFailure = ListTest;

using rorirer::ListStatus;
using rorirer::PersonalList;

// A session's changes on top of the list a test starts with.
void change(PersonalList& list) {
    list.learn("new");
    list.forget("drop");
    list.learn("old");
}

TEST_F(WordListFailure, EveryFailingCallOfASaveLeavesTheOldList) {
    // Once with the list there, once with its folders still to make.
    for (const std::string& file : {path(), path("new/deeper/words.txt")}) {
        SCOPED_TRACE(file);
        const bool existed = file == path();
        std::string initial;
        if (existed) {
            PersonalList list(file);
            list.learn("keep");
            list.learn("drop");
            list.forget("old");
            ASSERT_TRUE(succeeded(list.save()));
            initial = readBytes(file);
        }
        const auto after = std::make_pair(
            existed ? WordSet{"keep", "new", "old"} : WordSet{"new", "old"}, WordSet{"drop"});
        std::set<std::string> failedCalls;
        for (long n = 0;; ++n) {
            if (existed) writeBytes(file, initial);
            std::error_code ignored;
            std::filesystem::remove_all(path("new"), ignored);
            PersonalList list(file);
            ASSERT_TRUE(succeeded(list.load()));
            change(list);
            const WordSet learned = list.learned(), forgotten = list.forgotten();
            const size_t pending = list.pendingCount();

            g_callsLeft = n;
            g_failed = nullptr;
            g_renamed = false;
            const ListStatus saved = list.save();
            g_callsLeft = -1;
            if (g_failed == nullptr) {
                ASSERT_TRUE(succeeded(saved));
                EXPECT_EQ(loadSets(file), after);
                EXPECT_GT(n, 10);
                break;
            }
            const std::string failed = g_failed;
            failedCalls.insert(failed);
            SCOPED_TRACE(::testing::Message()
                         << "call " << n << ", " << failed << ": " << saved.message());
            if (saved.ok()) {
                // Closing what was only read or locked: nothing is lost.
                EXPECT_EQ(failed, "close");
                EXPECT_EQ(loadSets(file), after);
                continue;
            }
            EXPECT_NE(saved.message().find(file), std::string::npos);
            EXPECT_EQ(saved.error(), g_error) << "the failed call's errno";
            EXPECT_EQ(list.learned(), learned);
            EXPECT_EQ(list.forgotten(), forgotten);
            EXPECT_EQ(list.pendingCount(), pending);
            EXPECT_FALSE(exists(file + ".tmp"));
            if (g_renamed) {
                EXPECT_EQ(failed, "fsync") << "only the folder's sync comes after the rename";
                EXPECT_EQ(loadSets(file), after);
            } else if (existed) {
                EXPECT_EQ(readBytes(file), initial);
            } else {
                EXPECT_FALSE(exists(file));
            }
            if (list.enabled()) {
                ASSERT_TRUE(succeeded(list.save()));
                EXPECT_EQ(list.pendingCount(), 0u);
                EXPECT_EQ(loadSets(file), after);
            } else {
                // Reading the list failed: it is never written in this session.
                EXPECT_TRUE(failed == "open" || failed == "fstat" || failed == "read");
            }
        }
        WordSet expected = {"close", "fchmod", "flock", "fsync", "open", "rename", "write"};
        expected.insert(existed ? "read" : "mkdir");
        if (existed) expected.insert("fstat");
        EXPECT_EQ(failedCalls, expected);
    }
}

TEST_F(WordListFailure, ListThatCannotBeOpenedIsLeftAlone) {
    writeBytes(path(), "# rorirer personal word list 1\nlearned\tkeep\n# end 1\n");
    const std::string before = readBytes(path());
    PersonalList list(path());
    g_callsLeft = 0;
    const ListStatus loaded = list.load();
    g_callsLeft = -1;
    EXPECT_FALSE(loaded.ok());
    EXPECT_EQ(loaded.message(), path() + ": Permission denied");
    EXPECT_EQ(loaded.error(), EACCES);
    list.learn("word");
    EXPECT_FALSE(list.save().ok());
    EXPECT_EQ(readBytes(path()), before);
}

// What every real failure must leave: the old list, the changes pending, and
// a save that works once the cause is gone.
void expectFailedSaveLeftAlone(PersonalList& list, const std::string& before, const char* reason) {
    const size_t pending = list.pendingCount();
    ASSERT_GT(pending, 0u);
    const ListStatus saved = list.save();
    EXPECT_FALSE(saved.ok());
    EXPECT_NE(saved.message().find(reason), std::string::npos) << saved.message();
    EXPECT_EQ(readBytes(list.path()), before);
    EXPECT_FALSE(exists(list.path() + ".tmp"));
    EXPECT_EQ(list.pendingCount(), pending);
    EXPECT_TRUE(list.enabled());
}

void learnMany(PersonalList& list, int count) {
    for (int i = 0; i < count; ++i) list.learn("word" + std::to_string(i));
}

TEST_F(WordListFailure, FileSizeLimitLeavesTheOldList) {
    PersonalList list(path());
    list.learn("keep");
    ASSERT_TRUE(succeeded(list.save()));
    const std::string before = readBytes(path());
    learnMany(list, 2000);

    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    expectFailedSaveLeftAlone(list, before, "File too large");
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(succeeded(list.save()));
    EXPECT_EQ(loadSets(path()).first.size(), 2001u);
}

TEST_F(WordListFailure, PathThroughAFileIsReported) {
    writeBytes(path("file"), "");
    PersonalList list(path("file/sub/words.txt"));
    list.learn("word");
    const ListStatus saved = list.save();
    EXPECT_FALSE(saved.ok());
    EXPECT_NE(saved.message().find("Not a directory"), std::string::npos) << saved.message();
    EXPECT_EQ(saved.error(), ENOTDIR);
    EXPECT_EQ(list.pendingCount(), 1u);
    EXPECT_TRUE(list.enabled());
}

// Runs in a child with a mount namespace of its own, so the small disk is
// seen by no other process and goes with the child. Exits 77 where the
// system allows no such namespace.
int fillSmallDisk(const std::string& folder) {
    if (::unshare(CLONE_NEWNS) != 0) return 77;
    // The source and type are ignored for a change of propagation.
    if (::mount("none", "/", "none", MS_REC | MS_PRIVATE, nullptr) != 0) return 77;
    if (::mount("plist", folder.c_str(), "tmpfs", 0, "size=64k,mode=0700") != 0) return 77;
    const std::string file = folder + "/words.txt";
    PersonalList list(file);
    list.learn("keep");
    if (!list.save().ok()) return 10;
    const std::string before = readBytes(file);
    learnMany(list, 8000);
    expectFailedSaveLeftAlone(list, before, "No space left on device");
    if (::testing::Test::HasFailure()) return 11;
    // A session with fewer changes fits.
    PersonalList fresh(file);
    fresh.learn("fits");
    if (!fresh.save().ok() || loadSets(file).first != WordSet{"keep", "fits"}) return 12;
    return 0;
}

TEST_F(WordListFailure, FullDiskLeavesTheOldList) {
    ASSERT_EQ(::mkdir(path("disk").c_str(), 0700), 0);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(fillSmallDisk(path("disk")));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no private tmpfs here (needs CAP_SYS_ADMIN)";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the child's failures are printed above";
}

}  // namespace
