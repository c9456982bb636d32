// What the personal list's tests share: a scratch folder per test, and the
// file's bytes, to show a list was or was not rewritten.
#ifndef RORIRER_TESTS_PERSONAL_LISTFILES_H
#define RORIRER_TESTS_PERSONAL_LISTFILES_H

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "personal/PersonalList.h"

// A fresh folder under the system's temporary folder, removed afterwards.
// HOME and XDG_DATA_HOME point into it, so nothing reaches the real home.
class ListTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "plist.XXXXXX").string();
        ASSERT_NE(::mkdtemp(&pattern[0]), nullptr);
        folder_ = pattern;
        ::setenv("HOME", (folder_ + "/home").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (folder_ + "/data").c_str(), 1);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::string path(const std::string& name = "words.txt") const { return folder_ + "/" + name; }

    std::string folder_;
};

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline bool exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

inline mode_t modeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

using WordSet = std::set<std::string>;

// For ASSERT_TRUE and EXPECT_TRUE: a failure shows its message.
inline ::testing::AssertionResult succeeded(const rorirer::ListStatus& status) {
    if (status.ok()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << status.message();
}

// The sets a new PersonalList reads from `path`; a failed load fails the test.
inline std::pair<WordSet, WordSet> loadSets(const std::string& path) {
    rorirer::PersonalList list(path);
    EXPECT_TRUE(succeeded(list.load()));
    return {list.learned(), list.forgotten()};
}

#endif  // RORIRER_TESTS_PERSONAL_LISTFILES_H
