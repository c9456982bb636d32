// Times saving and loading the personal word list against the least any
// list file could cost, in one process, on the same 100,000 words:
//
//   save/PersonalList      learn or forget one word, then save: lock, re-read,
//                          merge, write a temporary file, fsync, rename, fsync
//                          the folder
//   save/bare-replace      the same bytes written to a temporary file, fsync,
//                          rename, fsync the folder: no lock, no read, no merge
//   load/PersonalList      a new list, loaded and checked line by line
//   load/lines-into-set    the file read whole and split into a std::set
//
//   PersonalListBench [--words=FILE] [--folder=DIR] [benchmark flags...]
//
// The folder (default: the system's temporary folder) should be on the disk
// the list would live on: the saves are timed in real time, syncs included.
// Before timing, the peers are checked to hold the same words.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "personal/PersonalList.h"

namespace {

constexpr size_t kWords = 100000;

std::string g_file;   // the list, saved by PersonalList
std::string g_bytes;  // its contents, for the bare replacement
std::set<std::string> g_words;

std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool replaceBare(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".bare";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool good = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    good = ::fsync(fd) == 0 && good;
    good = ::close(fd) == 0 && good;
    good = good && ::rename(temporary.c_str(), path.c_str()) == 0;
    const int folder = ::open(std::filesystem::path(path).parent_path().c_str(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    good = folder >= 0 && ::fsync(folder) == 0 && good;
    if (folder >= 0) ::close(folder);
    return good;
}

// The list's lines as words, without the format's checks.
std::set<std::string> readLinesIntoSet(const std::string& path) {
    const std::string bytes = readWhole(path);
    std::set<std::string> words;
    size_t at = bytes.find('\n') + 1;  // past the first line
    for (size_t end; (end = bytes.find('\n', at)) != std::string::npos; at = end + 1) {
        const size_t tab = bytes.find('\t', at);
        if (tab < end) words.emplace(bytes, tab + 1, end - tab - 1);
    }
    return words;
}

void savePersonalList(benchmark::State& state) {
    rorirer::PersonalList list(g_file);
    const rorirer::ListStatus loaded = list.load();
    if (!loaded.ok()) state.SkipWithError(loaded.message().c_str());
    const std::string word = "zzz-bench";
    for (auto _ : state) {
        list.learned().count(word) == 0 ? list.learn(word) : list.forget(word);
        const rorirer::ListStatus saved = list.save();
        if (!saved.ok()) state.SkipWithError(saved.message().c_str());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kWords));
}

void saveBareReplace(benchmark::State& state) {
    const std::string file = g_file + ".peer";
    for (auto _ : state) {
        if (!replaceBare(file, g_bytes)) state.SkipWithError("bare replacement failed");
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kWords));
}

void loadPersonalList(benchmark::State& state) {
    for (auto _ : state) {
        rorirer::PersonalList list(g_file);
        const rorirer::ListStatus loaded = list.load();
        if (!loaded.ok()) state.SkipWithError(loaded.message().c_str());
        benchmark::DoNotOptimize(list.learned().size());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kWords));
}

void loadLinesIntoSet(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(readLinesIntoSet(g_file).size());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kWords));
}

std::string takeOption(int& argc, char** argv, const char* name, std::string fallback) {
    const size_t length = std::strlen(name);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], name, length) != 0) continue;
        fallback = argv[i] + length;
        for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
        --argc;
        break;
    }
    return fallback;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string wordsFile = takeOption(argc, argv, "--words=", RORIRER_BENCH_WORDS);
    std::string folder =
        takeOption(argc, argv, "--folder=", std::filesystem::temp_directory_path().string()) +
        "/plistbench.XXXXXX";
    if (::mkdtemp(&folder[0]) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    g_file = folder + "/words.txt";

    std::ifstream in(wordsFile);
    std::string word;
    rorirer::PersonalList list(g_file);
    while (g_words.size() < kWords && std::getline(in, word)) {
        if (list.learn(word).ok()) g_words.insert(word);
    }
    const rorirer::ListStatus saved = list.save();
    if (g_words.size() != kWords || !saved.ok()) {
        std::fprintf(stderr, "could not make a list of %zu words from %s: %s\n", kWords,
                     wordsFile.c_str(), saved.message().c_str());
        return 1;
    }
    g_bytes = readWhole(g_file);
    rorirer::PersonalList check(g_file);
    if (!check.load().ok() || check.learned() != g_words || readLinesIntoSet(g_file) != g_words) {
        std::fprintf(stderr, "DISAGREEMENT: the list and its peer do not hold the same words\n");
        return 1;
    }
    std::printf("list: %zu words, %zu bytes, in %s\n", g_words.size(), g_bytes.size(),
                folder.c_str());

    benchmark::RegisterBenchmark("save/PersonalList", savePersonalList)->UseRealTime();
    benchmark::RegisterBenchmark("save/bare-replace", saveBareReplace)->UseRealTime();
    benchmark::RegisterBenchmark("load/PersonalList", loadPersonalList)->UseRealTime();
    benchmark::RegisterBenchmark("load/lines-into-set", loadLinesIntoSet)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
