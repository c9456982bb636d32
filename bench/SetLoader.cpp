// The peer of the program's start-up in bench/startup-bench: what a simple
// host does to be ready to complete from a word list. It reads the file
// whole, splits it into lines and stores each in a std::set, then prints
// how many it holds (so that the work cannot be left out).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <string_view>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: SetLoader LIST\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "SetLoader: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::set<std::string> words;
    std::string_view rest(bytes);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        if (!line.empty()) words.emplace(line);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    std::printf("%zu\n", words.size());
    return 0;
}
