// What a large document costs the server, printed, never asserted: parsing
// a 5 MB didOpen of real prose (Debian's fortunes, repeated), opening it,
// and one-character changes in it, each change parsed from its message and
// applied. Beside it, in the same run, a peer that keeps the text in one
// string and rebuilds a table of line starts after each edit, as a simple
// server would; both must end with the same text.
//
// Usage: DocumentTimings [FORTUNES_DIRECTORY]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "lsp/Documents.h"
#include "lsp/JsonRpc.h"

namespace rorirer::lsp {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kDocumentBytes = 5000000;

double microsecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// The fortune files' text (not their .dat indexes), repeated up to 5 MB and
// cut at a line end. Empty when there are none.
std::string readProse(const std::filesystem::path& directory) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error))
        if (entry.is_regular_file() && !entry.path().has_extension()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::string prose;
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        prose.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (prose.empty()) return prose;
    std::string text;
    while (text.size() < kDocumentBytes) text += prose;
    text.resize(kDocumentBytes);
    text.resize(text.rfind('\n') + 1);
    return text;
}

Json didChange(std::uint64_t line, std::uint64_t character, int version, const char* text) {
    const Json position{{"line", line}, {"character", character}};
    return makeNotification(
        "textDocument/didChange",
        {{"textDocument", {{"uri", "file:///prose"}, {"version", version}}},
         {"contentChanges",
          Json::array({{{"range", {{"start", position}, {"end", position}}}, {"text", text}}})}});
}

// The simple way: one string and the start of every line, rebuilt after
// every edit.
class StringDocument {
public:
    explicit StringDocument(std::string text) : text_(std::move(text)) { index(); }
    void insert(std::size_t line, std::size_t byte, const std::string& text) {
        text_.insert(starts_[line] + byte, text);
        index();
    }
    const std::string& text() const { return text_; }

private:
    void index() {
        starts_.assign(1, 0);
        for (std::size_t i = 0; i < text_.size(); ++i)
            if (text_[i] == '\n') starts_.push_back(i + 1);
    }
    std::string text_;
    std::vector<std::size_t> starts_;
};

struct Edit {
    std::uint64_t line;
    std::uint64_t character;
    const char* text;
};

int run(const std::filesystem::path& directory) {
    const std::string prose = readProse(directory);
    if (prose.empty()) {
        std::printf("no fortune files in %s: nothing measured\n", directory.c_str());
        return 0;
    }
    const std::string body =
        serialize(makeNotification("textDocument/didOpen", {{"textDocument",
                                                             {{"uri", "file:///prose"},
                                                              {"languageId", "plaintext"},
                                                              {"version", 1},
                                                              {"text", prose}}}}));

    std::vector<double> parses;
    Json opened;
    for (int i = 0; i < 5; ++i) {
        const Clock::time_point start = Clock::now();
        opened = Json::parse(body.data(), body.data() + body.size());
        parses.push_back(microsecondsSince(start));
    }
    std::sort(parses.begin(), parses.end());
    const std::string& text =
        opened["params"]["textDocument"]["text"].get_ref<const std::string&>();

    Documents documents;
    Clock::time_point start = Clock::now();
    documents.open("file:///prose", text, 1);
    const double openMicroseconds = microsecondsSince(start);
    const std::size_t lines = documents.find("file:///prose")->lineCount();

    // Random places, typed at as the user would: a letter, or Enter.
    std::mt19937 random(11);
    std::vector<Edit> edits;
    edits.reserve(2000);
    for (int i = 0; i < 2000; ++i)
        edits.push_back({random() % (lines - 1), random() % 40, i % 10 == 9 ? "\n" : "x"});
    std::vector<std::string> messages;
    messages.reserve(edits.size());
    for (std::size_t i = 0; i < edits.size(); ++i)
        messages.push_back(serialize(
            didChange(edits[i].line, edits[i].character, static_cast<int>(i) + 2, edits[i].text)));

    // Parsing and applying are timed apart; together they are what one
    // keystroke costs the server.
    std::vector<TextChange> changes(messages.size());
    std::vector<int> versions(messages.size());
    start = Clock::now();
    for (std::size_t i = 0; i < messages.size(); ++i) {
        Json change = Json::parse(messages[i].data(), messages[i].data() + messages[i].size());
        Json& entry = change["params"]["contentChanges"][0];
        changes[i].start = {entry["range"]["start"]["line"].get<std::uint64_t>(),
                            entry["range"]["start"]["character"].get<std::uint64_t>()};
        changes[i].end = changes[i].start;
        changes[i].text = std::move(entry["text"].get_ref<std::string&>());
        versions[i] = change["params"]["textDocument"]["version"].get<int>();
    }
    const double perParse = microsecondsSince(start) / static_cast<double>(messages.size());
    start = Clock::now();
    for (std::size_t i = 0; i < changes.size(); ++i)
        documents.change("file:///prose", versions[i], {changes[i]}, PositionEncoding::kUtf16);
    const double perChange = microsecondsSince(start) / static_cast<double>(messages.size());

    // The peer: the same edits, fewer of them, since each costs the whole text.
    const std::size_t peerEdits = 100;
    StringDocument peer(text);
    Documents check;
    check.open("file:///prose", text, 1);
    const Document& checked = *check.find("file:///prose");
    std::vector<std::pair<std::size_t, std::size_t>> places;
    for (std::size_t i = 0; i < peerEdits; ++i) {
        const LinePosition at =
            checked.toLinePosition({edits[i].line, edits[i].character}, PositionEncoding::kUtf16);
        places.emplace_back(at.line, at.byte);
        TextChange edit;
        edit.start = edit.end = {edits[i].line, edits[i].character};
        edit.text = edits[i].text;
        check.change("file:///prose", 2, {edit}, PositionEncoding::kUtf16);
    }
    start = Clock::now();
    for (std::size_t i = 0; i < peerEdits; ++i)
        peer.insert(places[i].first, places[i].second, edits[i].text);
    const double peerPerChange = microsecondsSince(start) / static_cast<double>(peerEdits);
    if (peer.text() != checked.text()) {
        std::printf("the peer and the server disagree on the edited text\n");
        return 1;
    }

    std::printf("document: %zu bytes of prose in %zu lines; didOpen message %zu bytes\n",
                text.size(), lines, body.size());
    std::printf("didOpen: parse %.1f ms (median of 5, fastest %.1f ms), open %.1f ms\n",
                parses[2] / 1000, parses[0] / 1000, openMicroseconds / 1000);
    std::printf("one-character didChange: parse %.2f us, apply %.2f us (%zu changes)\n", perParse,
                perChange, messages.size());
    std::printf("peer (one string, line starts rebuilt): %.1f us each (%zu changes), %.0fx apply\n",
                peerPerChange, peerEdits, peerPerChange / perChange);
    return 0;
}

}  // namespace
}  // namespace rorirer::lsp

int main(int argc, char** argv) {
    try {
        return rorirer::lsp::run(argc > 1 ? argv[1] : "/usr/share/games/fortunes");
    } catch (const std::exception& error) {
        std::printf("DocumentTimings: %s\n", error.what());
        return 1;
    }
}
