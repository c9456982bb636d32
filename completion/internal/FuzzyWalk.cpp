#include "completion/internal/FuzzyWalk.h"

#include <algorithm>
#include <cstdint>

#include "completion/Unicode.h"
#include "wordstore/internal/TreeWalk.h"

namespace rorirer {
namespace {

// Distances above this are all "too far", so each cell fits a byte.
constexpr std::uint8_t kFar = 2;

// The decoding of the path up to one node: characters committed so far and
// the start of a sequence not yet decided (room for the byte that ends it).
struct PathState {
    std::uint32_t characters = 0;
    std::uint8_t pending[4] = {0, 0, 0, 0};
    std::uint8_t pendingLength = 0;
};

class Walk {
public:
    explicit Walk(const std::vector<MatchKey>& typed) : typed_(typed), width_(typed.size() + 1) {
        // A path of more than |typed| + 1 characters is too far; a node may
        // commit four characters at once, and the pending bytes three more
        // when tried on their own.
        const std::size_t rows = typed.size() + 2 + 4 + 3 + 1;
        rows_.assign(rows * width_, kFar);
        keys_.assign(rows, 0);
        for (std::size_t j = 0; j < width_; ++j)
            rows_[j] = static_cast<std::uint8_t>(std::min<std::size_t>(j, kFar));
    }

    // Row `i` (i >= 1) from rows i-1 and i-2, for the path's i-th character.
    void computeRow(std::size_t i, MatchKey key) {
        keys_[i] = key;
        std::uint8_t* row = &rows_[i * width_];
        const std::uint8_t* above = row - width_;
        row[0] = static_cast<std::uint8_t>(std::min<std::size_t>(i, kFar));
        for (std::size_t j = 1; j < width_; ++j) {
            int best = std::min(
                {above[j] + 1, row[j - 1] + 1, above[j - 1] + (key == typed_[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && key == typed_[j - 2] && keys_[i - 1] == typed_[j - 1])
                best = std::min(best, rows_[(i - 2) * width_ + j - 2] + 1);
            row[j] = static_cast<std::uint8_t>(std::min<int>(best, kFar));
        }
    }

    std::uint8_t rowMinimum(std::size_t i) const {
        const std::uint8_t* row = &rows_[i * width_];
        return *std::min_element(row, row + width_);
    }
    std::uint8_t rowLast(std::size_t i) const { return rows_[i * width_ + width_ - 1]; }
    std::size_t capacity() const { return keys_.size(); }

private:
    const std::vector<MatchKey>& typed_;
    std::size_t width_;
    std::vector<std::uint8_t> rows_;
    std::vector<MatchKey> keys_;
};

MatchKey keyOfByte(std::uint8_t byte) { return matchKey(Character{byte, 1, false}); }

}  // namespace

std::vector<std::string> findPrefixesWithinOneEdit(const LinkedTrieNode* top,
                                                   const std::vector<MatchKey>& typed) {
    std::vector<std::string> found;
    Walk walk(typed);
    std::vector<PathState> states;  // by byte depth: the state after that node
    std::string path;
    struct Frame {
        const LinkedTrieNode* node;
        std::size_t depth;
    };
    std::vector<Frame> stack;
    for (const LinkedTrieNode* n = top->nextSibling; n != nullptr; n = n->nextSibling)
        stack.push_back({n, 0});
    std::reverse(stack.begin(), stack.end());

    while (!stack.empty()) {
        const Frame frame = stack.back();
        stack.pop_back();
        const std::uint8_t byte = byteOf(frame.node);
        PathState state = frame.depth == 0 ? PathState{} : states[frame.depth - 1];
        path.resize(frame.depth);
        path.push_back(static_cast<char>(byte));

        const auto commit = [&](MatchKey key) {
            ++state.characters;
            walk.computeRow(state.characters, key);
        };
        const auto startFresh = [&](std::uint8_t b) {
            if (utf8SequenceLength(b) >= 2) {
                state.pending[0] = b;
                state.pendingLength = 1;
            } else {
                commit(b < 0x80 ? matchKey(Character{b, 1, true}) : keyOfByte(b));
            }
        };
        if (state.pendingLength == 0) {
            startFresh(byte);
        } else if (utf8Continues(state.pending[0], state.pendingLength, byte)) {
            state.pending[state.pendingLength++] = byte;
            if (state.pendingLength == utf8SequenceLength(state.pending[0])) {
                const std::string_view bytes(reinterpret_cast<const char*>(state.pending),
                                             state.pendingLength);
                state.pendingLength = 0;
                commit(matchKey(decodeCharacter(bytes, 0)));
            }
        } else {
            for (std::uint8_t i = 0; i < state.pendingLength; ++i)
                commit(keyOfByte(state.pending[i]));
            state.pendingLength = 0;
            startFresh(byte);
        }

        if (walk.rowMinimum(state.characters) > 1) continue;
        // The path decoded on its own: undecided bytes stand alone.
        std::size_t alone = state.characters;
        for (std::uint8_t i = 0; i < state.pendingLength; ++i)
            walk.computeRow(++alone, keyOfByte(state.pending[i]));
        if (walk.rowLast(alone) <= 1) {
            found.push_back(path);
            continue;
        }
        if (state.characters + 4 >= walk.capacity()) continue;
        if (states.size() <= frame.depth) states.resize(frame.depth + 1);
        states[frame.depth] = state;
        const std::size_t before = stack.size();
        for (const LinkedTrieNode* n = frame.node->firstChild; n != nullptr; n = n->nextSibling)
            if (!isEndMarker(n)) stack.push_back({n, frame.depth + 1});
        std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(before), stack.end());
    }
    return found;
}

}  // namespace rorirer
