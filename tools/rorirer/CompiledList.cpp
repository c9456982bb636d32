#include "CompiledList.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "BuildIdentity.h"
#include "HeapUse.h"
#include "Ranking.h"
#include "ToolError.h"
#include "completion/StoreImage.h"
#include "fileio/FileHandle.h"
#include "fileio/UserFolders.h"

namespace rorirer {
namespace {

constexpr char kKeyHeader[] = "rorirer compiled list";

void note(const std::string& message) { std::fprintf(stderr, "rorirer: %s\n", message.c_str()); }

std::string hexOf(std::string_view bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        hex.push_back(kDigits[static_cast<unsigned char>(c) >> 4]);
        hex.push_back(kDigits[static_cast<unsigned char>(c) & 0xF]);
    }
    return hex;
}

std::string bytesOfHex(std::string_view hex) {
    std::string bytes;
    for (std::size_t at = 0; at + 1 < hex.size(); at += 2)
        bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(at, 2)), nullptr, 16)));
    return bytes;
}

// What the cache and a compiled list know of the sources and options an
// image was made from, one line a field, so that a difference can be named.
struct Key {
    struct Source {
        std::string what;      // "source dict HEXPATH", or "source builtin"
        std::string stamp;     // size, times and place of the file, as stat gives them
        std::string checksum;  // of its bytes; empty when not taken
    };
    std::string build;
    std::string options;
    // How many words the sources offered, for the load's summary; not
    // compared.
    long long offered = 0;
    std::vector<Source> sources;

    std::string text() const {
        std::string t = std::string(kKeyHeader) + "\n" + build + "\n" + options + "\noffered " +
                        std::to_string(offered) + "\n";
        for (const Source& s : sources) t += s.what + "\n" + s.stamp + "\n" + s.checksum + "\n";
        return t;
    }
    // What names the cache's file: the sources and the options, whatever
    // the build and the files' contents.
    std::string name() const {
        std::string t = options;
        for (const Source& s : sources) t += "\n" + s.what;
        return t;
    }
    static std::optional<Key> parse(const std::string& text) {
        std::vector<std::string> lines;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = text.find('\n', at);
            if (end == std::string::npos) return std::nullopt;
            lines.push_back(text.substr(at, end - at));
            at = end + 1;
        }
        constexpr std::size_t kFixed = 4;
        if (lines.size() < kFixed || lines[0] != kKeyHeader || (lines.size() - kFixed) % 3 != 0 ||
            lines[3].rfind("offered ", 0) != 0)
            return std::nullopt;
        Key key;
        key.build = lines[1];
        key.options = lines[2];
        char* end = nullptr;
        key.offered = std::strtoll(lines[3].c_str() + 8, &end, 10);
        if (end == lines[3].c_str() + 8 || *end != '\0') return std::nullopt;
        for (std::size_t i = kFixed; i < lines.size(); i += 3)
            key.sources.push_back({lines[i], lines[i + 1], lines[i + 2]});
        return key;
    }
};

std::string buildLine() { return "build " + buildIdentity(); }

std::string optionsLine(long minLength, bool numbers, const std::string& wordChars) {
    return "options min-length " + std::to_string(minLength) + " numbers " + (numbers ? "1" : "0") +
           " word-chars " + hexOf(wordChars);
}

// The options an image was made with, read back from its key.
struct KeyOptions {
    long minLength = 0;
    bool numbers = false;
    std::string wordChars;
};

// "options min-length N numbers 0|1 word-chars HEX", HEX empty without a set.
std::optional<KeyOptions> parseOptions(const std::string& line) {
    std::vector<std::string> words;
    for (std::size_t at = 0; at <= line.size();) {
        const std::size_t space = std::min(line.find(' ', at), line.size());
        words.push_back(line.substr(at, space - at));
        at = space + 1;
    }
    if (words.size() != 7 || words[0] != "options" || words[1] != "min-length" ||
        words[3] != "numbers" || words[5] != "word-chars" || words[2].empty() ||
        words[2].find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    KeyOptions options;
    options.minLength = std::stol(words[2]);
    options.numbers = words[4] == "1";
    options.wordChars = bytesOfHex(words[6]);
    return options;
}

std::string stampOf(const struct stat& info) {
    return "stamp size " + std::to_string(info.st_size) + " mtime " +
           std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec) +
           " ctime " + std::to_string(info.st_ctim.tv_sec) + "." +
           std::to_string(info.st_ctim.tv_nsec) + " inode " + std::to_string(info.st_ino) +
           " device " + std::to_string(info.st_dev);
}

std::string sizeOfStamp(const std::string& stamp) {
    const std::size_t at = stamp.find(" mtime ");
    return at == std::string::npos ? "" : stamp.substr(0, at);
}

// The checksum of a file's bytes; empty when it cannot be read.
std::string checksumOf(const std::string& path) {
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.isOpen()) return "";
    XXH3_state_t state;
    XXH3_64bits_reset(&state);
    std::vector<char> chunk(1 << 20);
    for (;;) {
        std::size_t got = 0;
        if (readSome(file.get(), chunk.data(), chunk.size(), got) != 0) return "";
        if (got == 0) break;
        XXH3_64bits_update(&state, chunk.data(), got);
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx",
                  static_cast<unsigned long long>(XXH3_64bits_digest(&state)));
    return std::string("xxh3 ") + digits;
}

// The key of the store `options` would build; none when it cannot be
// cached (standard input, a file that is not there). Checksums are taken
// only when asked for: they read every source.
std::optional<Key> keyOf(const Options& options, bool checksums) {
    Key key;
    key.build = buildLine();
    key.options = optionsLine(options.minLength, options.numbers, options.wordChars);
    if (options.sources.empty()) key.sources.push_back({"source builtin", "", ""});
    for (const WordSource& source : options.sources) {
        if (source.path == "-") return std::nullopt;
        char resolved[PATH_MAX];
        struct stat info {};
        if (::realpath(source.path.c_str(), resolved) == nullptr || ::stat(resolved, &info) != 0 ||
            !S_ISREG(info.st_mode))
            return std::nullopt;
        const char* kind = source.kind == WordSource::kDict ? "dict" : "text";
        key.sources.push_back({std::string("source ") + kind + " " + hexOf(resolved), stampOf(info),
                               checksums ? checksumOf(resolved) : ""});
    }
    return key;
}

std::string pathOfSource(const Key::Source& source) {
    const std::size_t space = source.what.rfind(' ');
    return bytesOfHex(source.what.substr(space + 1));
}

// The cache's file for `key`: the first source's name (for whoever looks
// into the folder) and a hash of the sources and options.
std::optional<std::string> cachePathOf(const Key& key) {
    std::string cache;
    if (!userFolder("XDG_CACHE_HOME", ".cache", cache)) return std::nullopt;
    std::string base = "builtin";
    if (key.sources.front().what != "source builtin") {
        const std::string path = pathOfSource(key.sources.front());
        base.clear();
        for (const char c : path.substr(path.rfind('/') + 1))
            base.push_back(std::isalnum(static_cast<unsigned char>(c)) || c == '-' ? c : '_');
    }
    const std::string name = key.name();
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx",
                  static_cast<unsigned long long>(XXH3_64bits(name.data(), name.size())));
    return cache + "/rorirer/" + base + "-" + digits + ".image";
}

class FileInput final : public ImageInput {
public:
    FileInput(int fd, long long size, std::string name)
        : fd_(fd), size_(size), name_(std::move(name)) {}
    std::size_t read(char* into, std::size_t size) override {
        std::size_t total = 0;
        while (total < size) {
            std::size_t got = 0;
            if (const int error = readSome(fd_, into + total, size - total, got))
                throw ToolError(describeError(name_, error));
            if (got == 0) break;
            total += got;
        }
        return total;
    }
    long long size() const noexcept override { return size_; }

private:
    int fd_;
    long long size_;
    std::string name_;
};

class FileOutput final : public ImageOutput {
public:
    FileOutput(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
    void write(const char* data, std::size_t size) override {
        if (const int error = writeAll(fd_, data, size))
            throw ToolError(describeError(name_, error));
    }

private:
    int fd_;
    std::string name_;
};

// An open compiled list, its header read.
struct OpenImage {
    FileHandle file;
    std::unique_ptr<FileInput> input;
    std::unique_ptr<ImageLoader> loader;
};

// Opens `path` and reads the image's header. Throws ImageError or ToolError.
OpenImage openImage(const std::string& path) {
    OpenImage image;
    image.file = FileHandle(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!image.file.isOpen()) throw ToolError(describeError(path, errno));
    struct stat info {};
    if (::fstat(image.file.get(), &info) != 0) throw ToolError(describeError(path, errno));
    image.input = std::make_unique<FileInput>(image.file.get(), info.st_size, path);
    image.loader = std::make_unique<ImageLoader>(*image.input);
    return image;
}

// Only a regular file is looked into: reading the start of a pipe, a
// terminal or standard input would take what the load then reads, and
// opening a FIFO could wait for a writer for good.
bool isCompiledList(const std::string& path) {
    if (path == "-") return false;
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file.isOpen()) return false;
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    char start[kImageMarkBytes];
    std::size_t got = 0;
    if (readSome(file.get(), start, sizeof start, got) != 0) return false;
    return isImageStart(std::string_view(start, got));
}

// Writes `store`'s image to `path` through a temporary file beside it,
// renamed into place, so that a reader finds the old file or the new one,
// whole. `durable`: the file and its folder are synced first, for a file
// the user asked for; the cache's images do without, since a torn one is
// found out by its checksum and built again. Returns the error, or "".
std::string writeImageFile(const CompletionStore& store, const std::string& key,
                           const std::string& path, bool durable, Progress& progress) {
    const std::string folder = folderOf(path);
    std::string failed;
    if (const int error = makeFolders(folder, failed)) return describeError(failed, error);
    std::string temporary = folder + "/.rorirer-image-XXXXXX";
    FileHandle file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!file.isOpen()) return describeError(folder, errno);
    try {
        progress.startSource(path, -1);
        FileOutput out(file.get(), temporary);
        writeImage(store, key, out, &progress);
        if (durable) {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            if (::fchmod(file.get(), 0666 & ~mask) != 0)
                throw ToolError(describeError(temporary, errno));
            if (::fsync(file.get()) != 0) throw ToolError(describeError(temporary, errno));
        }
        if (const int error = file.close()) throw ToolError(describeError(temporary, error));
        if (::rename(temporary.c_str(), path.c_str()) != 0)
            throw ToolError(describeError(path, errno));
    } catch (const std::exception& error) {
        ::unlink(temporary.c_str());
        return error.what();
    }
    if (durable) {
        FileHandle dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.isOpen() && ::fsync(dir.get()) != 0) return describeError(folder, errno);
    }
    return "";
}

void keepImage(const CompletionStore& store, const Key& key, const std::string& path,
               Progress& progress) {
    const std::string error = writeImageFile(store, key.text(), path, false, progress);
    progress.finish();
    if (!error.empty())
        note("cannot keep the compiled list " + path + ": " + error + " (going on without it)");
}

// The store from the cache's image at `path`, if it is whole and was made
// from `current`'s sources as they are now. Tells why not, but for an image
// not made yet. Returns how many words the sources offered.
std::optional<long long> loadCached(CompletionStore& store, const std::string& path,
                                    const Key& current, Progress& progress) {
    if (::access(path.c_str(), F_OK) != 0 && errno == ENOENT) return std::nullopt;
    try {
        OpenImage image = openImage(path);
        std::optional<Key> stored = Key::parse(image.loader->key());
        if (!stored) throw ImageError("not a compiled list of this program");
        if (stored->build != current.build)
            throw ImageError("compiled by another build of rorirer");
        if (stored->options != current.options || stored->sources.size() != current.sources.size())
            throw ImageError("compiled from other sources or options");
        bool restamp = false;
        for (std::size_t i = 0; i < current.sources.size(); ++i) {
            Key::Source& was = stored->sources[i];
            const Key::Source& now = current.sources[i];
            if (was.what != now.what) throw ImageError("compiled from other sources or options");
            if (was.stamp == now.stamp) continue;
            // Touched or copied, perhaps, but the same bytes: still good.
            const std::string source = pathOfSource(now);
            if (sizeOfStamp(was.stamp) == sizeOfStamp(now.stamp) &&
                checksumOf(source) == was.checksum) {
                was.stamp = now.stamp;
                restamp = true;
                continue;
            }
            throw ImageError(source + " changed since it was compiled");
        }
        progress.startSource("compiled list", -1);
        store = loadRanked(*image.loader, &progress);
        if (restamp) keepImage(store, *stored, path, progress);
        return stored->offered;
    } catch (const std::exception& error) {
        progress.finish();
        note("compiled list " + path + ": " + error.what() + "; compiling it again");
        return std::nullopt;
    }
}

// The store a compiled list given as a word source holds.
void loadCompiledList(CompletionStore& store, const std::string& path, Progress& progress) {
    try {
        OpenImage image = openImage(path);
        const std::optional<Key> key = Key::parse(image.loader->key());
        if (!key) throw ImageError("not a compiled list of this program");
        if (key->build != buildLine())
            throw ImageError("compiled by another build of rorirer; compile it again");
        if (image.loader->minLength() != store.minLength()) {
            throw ImageError("compiled with --min-length " +
                             std::to_string(image.loader->minLength()) + ", not " +
                             std::to_string(store.minLength()));
        }
        progress.startSource(path, -1);
        store = loadRanked(*image.loader, &progress);
    } catch (const ImageError& error) {
        throw ToolError(path + ": " + error.what());
    }
}

}  // namespace

void adoptCompiledOptions(Options& options) {
    for (std::size_t i = 0; i < options.sources.size(); ++i) {
        const WordSource& source = options.sources[i];
        if (source.kind != WordSource::kDict || !isCompiledList(source.path)) continue;
        if (i != 0)
            throw ToolError(source.path + ": a compiled list must be the first word source");
        std::optional<KeyOptions> compiled;
        try {
            const OpenImage image = openImage(source.path);
            const std::optional<Key> key = Key::parse(image.loader->key());
            if (key) compiled = parseOptions(key->options);
            if (!compiled) throw ImageError("not a compiled list of this program");
            if (key->build != buildLine())
                throw ImageError("compiled by another build of rorirer; compile it again");
        } catch (const ImageError& error) {
            throw ToolError(source.path + ": " + error.what());
        }
        const auto conflict = [&source](const std::string& how) {
            return ToolError(source.path + ": compiled " + how +
                             "; leave the option out, or compile the list again");
        };
        if (options.minLengthGiven && options.minLength != compiled->minLength)
            throw conflict("with --min-length " + std::to_string(compiled->minLength));
        if (!options.wordChars.empty() && options.wordChars != compiled->wordChars)
            throw conflict(compiled->wordChars.empty()
                               ? std::string("without --word-chars")
                               : "with --word-chars '" + compiled->wordChars + "'");
        if (options.numbers && !compiled->numbers) throw conflict("without --numbers");
        options.minLength = compiled->minLength;
        options.wordChars = compiled->wordChars;
        options.numbers = compiled->numbers;
    }
}

LoadSummary loadStore(CompletionStore& store, const Options& given, const WordRules& rules) {
    // The store's shortest word rules: the language server makes a store
    // for the client's own --min-length.
    Options options = given;
    options.minLength = store.minLength();
    const auto start = std::chrono::steady_clock::now();
    const long long heapBefore = heapBytesInUse();
    const auto finished = [&](LoadSummary summary) {
        summary.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const long long heapAfter = heapBytesInUse();
        summary.heapBytes =
            heapBefore >= 0 && heapAfter >= 0 ? heapAfter - heapBefore : summary.heapBytes;
        return summary;
    };
    Progress progress;

    // A compiled list given as the first source, and the sources after it.
    if (!options.sources.empty() && options.sources[0].kind == WordSource::kDict &&
        isCompiledList(options.sources[0].path)) {
        loadCompiledList(store, options.sources[0].path, progress);
        LoadSummary summary;
        summary.offered = static_cast<long long>(store.wordCount());
        Options rest = options;
        rest.sources.erase(rest.sources.begin());
        if (!rest.sources.empty())
            summary.offered += loadWordSources(store, rest, rules, progress).offered;
        return finished(summary);
    }

    const std::optional<Key> current =
        options.cache && defaultRanking() ? keyOf(options, false) : std::nullopt;
    const std::optional<std::string> path = current ? cachePathOf(*current) : std::nullopt;
    if (!path) return finished(loadWordSources(store, options, rules, progress));
    if (std::optional<long long> offered = loadCached(store, *path, *current, progress)) {
        LoadSummary summary;
        summary.offered = *offered;
        return finished(summary);
    }

    // Built from the sources, as they were read: an image is kept only if
    // none of them changed meanwhile. The checksums are taken once the load
    // has gone well: it refuses a source too large to read, which a
    // checksum would read to its end first.
    LoadSummary summary = loadWordSources(store, options, rules, progress);
    std::optional<Key> after = keyOf(options, true);
    bool unchanged = after.has_value();
    for (std::size_t i = 0; unchanged && i < current->sources.size(); ++i)
        unchanged = current->sources[i].stamp == after->sources[i].stamp;
    if (unchanged) {
        after->offered = summary.offered;
        keepImage(store, *after, *path, progress);
    }
    return finished(summary);
}

int runCompile(const Options& options, const WordRules& rules) {
    Options sources = options;
    sources.cache = false;
    CompletionStore store(options.minLength);
    const LoadSummary load = loadStore(store, sources, rules);
    std::optional<Key> key = keyOf(options, true);
    if (!key) {
        // From standard input: no file to stamp.
        key = Key();
        key->build = buildLine();
        key->options = optionsLine(options.minLength, options.numbers, options.wordChars);
    }
    key->offered = load.offered;
    Progress progress;
    const std::string error = writeImageFile(store, key->text(), options.output, true, progress);
    if (!error.empty()) throw ToolError("cannot write the compiled list: " + error);
    return kExitOk;
}

}  // namespace rorirer
