// Differential fuzz target: decodes its input into a sequence of operations on
// a LinkedTrie and on the reference model, and aborts at the first result,
// output argument, count or tree invariant on which they disagree.
//
// Input layout: the first byte picks the minimum length, then each operation
// is one byte followed by the word it takes, if any. A word is a length byte
// and that many raw bytes (any value, NUL included), or one of the forms in
// readWord that reach stored words, long words and 0xFF-only words without
// the fuzzer having to guess them.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ReferenceModel.h"
#include "TrieProbe.h"

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    // Past the end every byte reads as 0, so a truncated input still decodes.
    unsigned byte() { return pos_ < size_ ? data_[pos_++] : 0u; }
    std::string bytes(std::size_t count) {
        const std::size_t take = std::min(count, size_ - std::min(pos_, size_));
        std::string out(reinterpret_cast<const char*>(data_) + pos_, take);
        pos_ += take;
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

std::string escaped(const std::string& s) {
    std::string out;
    for (unsigned char c : s.substr(0, 200)) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            static const char hex[] = "0123456789abcdef";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    if (s.size() > 200) out += "...(" + std::to_string(s.size()) + " bytes)";
    return out;
}

[[noreturn]] void fail(const std::string& what, const std::string& subject) {
    std::fprintf(stderr, "word store disagrees with the model: %s [%s]\n", what.c_str(),
                 escaped(subject).c_str());
    std::abort();
}

void expect(bool ok, const std::string& what, const std::string& subject) {
    if (!ok) fail(what, subject);
}

// A store under test and the model it must match.
struct Pair {
    std::unique_ptr<TrieProbe> trie;
    ReferenceModel model;

    explicit Pair(long minLength)
        : trie(std::make_unique<TrieProbe>(minLength)), model(minLength) {}

    void checkTree(const std::string& after) const {
        const std::string broken = checkInvariants(*trie);
        expect(broken.empty(), "invariant: " + broken, after);
        expect(trie->getWordCount() == model.wordCount(), "word count", after);
        expect(trie->getNodeCount() == model.nodeCount(), "node count", after);
        const std::vector<std::string> expected(model.words().begin(), model.words().end());
        expect(wordsInTree(*trie) == expected, "stored words", after);
    }
};

class Run {
public:
    explicit Run(Input& in) : in_(in), store_(static_cast<long>(in.byte() % 9) - 1) {}

    void execute() {
        while (!in_.empty()) step(in_.byte() % 16);
    }

private:
    std::string storedWord() {
        const auto& words = store_.model.words();
        const unsigned pick = in_.byte();
        if (words.empty()) return std::string();
        auto it = words.begin();
        std::advance(it, static_cast<long>(pick % words.size()));
        return *it;
    }

    std::string readWord() {
        const unsigned n = in_.byte();
        if (n < 0xE0) return in_.bytes(n);
        if (n < 0xE8) {
            std::string word = storedWord();
            switch (n & 3) {
                case 0:
                    break;
                case 1:  // a prefix of it
                    word.resize(in_.byte() % (word.size() + 1));
                    break;
                case 2:  // a continuation of it
                    word += in_.bytes(in_.byte() % 8);
                    break;
                default:  // it, then an embedded NUL and whatever follows
                    word += '\0';
                    word += in_.bytes(in_.byte() % 4);
                    break;
            }
            return word;
        }
        if (n < 0xF0) {
            // Runs of the highest or lowest byte, then an optional tail.
            std::string word(in_.byte(), (n & 1) ? '\xFF' : '\x01');
            return word + in_.bytes(n & 6);
        }
        // A long word: a short pattern repeated. Deep, yet short enough for
        // the model's walks, which cost the square of the word's length.
        const unsigned length = ((in_.byte() << 8) | in_.byte()) % 2000;
        const std::string pattern = in_.bytes(in_.byte() % 8 + 1);
        std::string word;
        if (pattern.empty()) return word;
        word.reserve(length);
        while (word.size() < length) word += pattern[word.size() % pattern.size()];
        return word;
    }

    void step(unsigned op) {
        switch (op) {
            case 0:
            case 1:
            case 2:
            case 14:
            case 15: {
                const std::string w = readWord();
                expect(store_.trie->insertString(toC(w)) == store_.model.insert(w), "insert", w);
                store_.checkTree("insert " + w);
                break;
            }
            case 3:
            case 4: {
                const std::string w = readWord();
                expect(store_.trie->removeString(toC(w)) == store_.model.remove(w), "remove", w);
                store_.checkTree("remove " + w);
                break;
            }
            case 5:
                checkContains(readWord());
                break;
            case 6:
            case 7:
                checkCompletions(readWord(), op == 6);
                break;
            case 8:
            case 9:
                checkListing(readWord());
                break;
            case 10:
                store_.trie->reset();
                store_.model.reset();
                store_.checkTree("reset");
                break;
            case 11:
                checkCopy();
                break;
            case 12:
                checkAssignment();
                break;
            default:
                checkAliasing(readWord());
                break;
        }
        const std::string broken = checkInvariants(*store_.trie);
        expect(broken.empty(), "invariant after operation " + std::to_string(op) + ": " + broken,
               "");
    }

    void checkContains(const std::string& text) {
        CString matched("stale");
        const ReferenceModel::Answer expected = store_.model.contains(text);
        expect(store_.trie->containsString(text.c_str(), matched) == expected.result,
               "containsString result", text);
        expect(toStd(matched) == expected.text, "containsString matched", text);
    }

    void checkCompletions(const std::string& prefix, bool longest) {
        for (bool skip : {false, true}) {
            const std::string what = std::string(longest ? "longest" : "unique") +
                                     (skip ? " skipping" : "") + " completion";
            CString completion("stale");
            const ReferenceModel::Answer expected =
                longest ? store_.model.longest(prefix, skip) : store_.model.unique(prefix, skip);
            const bool result =
                longest
                    ? store_.trie->getLongestUnambiguousCompletion(toC(prefix), completion, skip)
                    : store_.trie->getUniqueCompletion(toC(prefix), completion, skip);
            expect(result == expected.result, what + " result", prefix);
            expect(toStd(completion) == expected.text, what + " text", prefix);
        }
    }

    void checkListing(const std::string& prefix) {
        CStringArray out;
        out.Add("stale");
        store_.trie->getPossibleCompletions(toC(prefix), out);
        expect(toVector(out) == store_.model.list(prefix), "listing", prefix);
    }

    // Arguments that overlap the outputs must act as separate copies would.
    void checkAliasing(const std::string& prefix) {
        CStringArray out;
        out.Add("before");
        out.Add(toC(prefix));
        out.Add("after");
        store_.trie->getPossibleCompletions(out[1], out);
        expect(toVector(out) == store_.model.list(prefix), "listing of an element", prefix);

        CString matched = toC(prefix);
        const ReferenceModel::Answer contained = store_.model.contains(prefix);
        expect(store_.trie->containsString(matched, matched) == contained.result,
               "containsString of matched", prefix);
        expect(toStd(matched) == contained.text, "containsString of matched text", prefix);

        for (bool skip : {false, true}) {
            CString completion = toC(prefix);
            ReferenceModel::Answer expected = store_.model.longest(prefix, skip);
            expect(store_.trie->getLongestUnambiguousCompletion(completion, completion, skip) ==
                           expected.result &&
                       toStd(completion) == expected.text,
                   "longest completion in place", prefix);
            completion = toC(prefix);
            expected = store_.model.unique(prefix, skip);
            expect(
                store_.trie->getUniqueCompletion(completion, completion, skip) == expected.result &&
                    toStd(completion) == expected.text,
                "unique completion in place", prefix);
        }
    }

    // A copy matches its source, then goes on alone: changing it leaves the
    // source untouched. The run continues on the copy once the source is gone.
    void checkCopy() {
        Pair copy(0);
        copy.trie = std::make_unique<TrieProbe>(*store_.trie);
        copy.model = store_.model;
        expect(copy.trie->minimumLength() == store_.trie->minimumLength(), "copied minimum length",
               "");
        copy.checkTree("copy construction");
        const std::string w = readWord();
        expect(copy.trie->insertString(toC(w)) == copy.model.insert(w), "insert into copy", w);
        const std::string gone = storedWord();
        expect(copy.trie->removeString(toC(gone)) == copy.model.remove(gone), "remove from copy",
               gone);
        copy.checkTree("change to a copy");
        store_.checkTree("change to a copy of this store");
        store_ = std::move(copy);
    }

    // Assignment either way between this store and another with its own
    // minimum length and words, and self-assignment.
    void checkAssignment() {
        const unsigned how = in_.byte();
        Pair other(static_cast<long>(how % 9) - 1);
        const std::string w = readWord();
        expect(other.trie->insertString(toC(w)) == other.model.insert(w), "insert into other", w);
        if (how & 0x80) {
            *store_.trie = *other.trie;
            store_.model = other.model;
        } else {
            *other.trie = *store_.trie;
            other.model = store_.model;
            other.checkTree("assignment from this store");
            store_ = std::move(other);
        }
        const TrieProbe& self = *store_.trie;
        // cppcheck-suppress selfAssignment
        *store_.trie = self;
        store_.checkTree("assignment");
        expect(store_.trie->minimumLength() == store_.model.minLength(), "assigned minimum length",
               "");
    }

    Input& in_;
    Pair store_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    Run(in).execute();
    return 0;
}
