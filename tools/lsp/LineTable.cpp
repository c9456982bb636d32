#include "lsp/LineTable.h"

#include <algorithm>
#include <iterator>

namespace rorirer::lsp {
namespace {

// Small enough that moving a block's strings along is cheap next to
// parsing the message that asked for it, large enough that the index over
// the blocks stays small.
constexpr std::size_t kMinBlock = 64;
constexpr std::size_t kTargetBlock = 256;
constexpr std::size_t kMaxBlock = 512;

std::size_t lowestBit(std::size_t i) { return i & (~i + 1); }

std::size_t highestBitAtMost(std::size_t n) {
    std::size_t bit = 1;
    while (bit <= n / 2) bit <<= 1;
    return n == 0 ? 0 : bit;
}

// How many of `total` lines the i-th of `pieces` new blocks takes: as even
// as the division allows, so every piece holds at least kTargetBlock / 2
// lines whenever total reaches kTargetBlock.
std::size_t plannedSize(std::size_t i, std::size_t total, std::size_t pieces) {
    return total / pieces + (i < total % pieces ? 1 : 0);
}

}  // namespace

const std::string& LineTable::operator[](std::size_t line) const {
    const Place place = locate(line);
    return blocks_[place.block][place.offset];
}

std::string& LineTable::operator[](std::size_t line) {
    const Place place = locate(line);
    return blocks_[place.block][place.offset];
}

// Descends the Fenwick tree to the last block whose preceding lines number
// at most `line`; blocks are never empty, so that block holds the line.
LineTable::Place LineTable::locate(std::size_t line) const {
    std::size_t block = 0;
    std::size_t remaining = line;
    for (std::size_t step = highestBitAtMost(blocks_.size()); step > 0; step >>= 1) {
        if (block + step <= blocks_.size() && index_[block + step] <= remaining) {
            block += step;
            remaining -= index_[block];
        }
    }
    return {block, remaining};
}

std::size_t LineTable::linesBefore(std::size_t block) const {
    std::size_t sum = 0;
    for (std::size_t i = block; i > 0; i -= lowestBit(i)) sum += index_[i];
    return sum;
}

void LineTable::addToIndex(std::size_t block, std::ptrdiff_t delta) noexcept {
    for (std::size_t i = block + 1; i < index_.size(); i += lowestBit(i))
        index_[i] = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(index_[i]) + delta);
}

void LineTable::buildIndex(const std::vector<Block>& blocks, std::vector<std::size_t>& index) {
    std::fill(index.begin(), index.end(), 0);
    for (std::size_t i = 1; i <= blocks.size(); ++i) {
        index[i] += blocks[i - 1].size();
        const std::size_t parent = i + lowestBit(i);
        if (parent <= blocks.size()) index[parent] += index[i];
    }
}

void LineTable::replace(std::size_t first, std::size_t count, std::vector<std::string>& incoming,
                        std::vector<std::string>& outgoing) {
    outgoing.clear();
    // The blocks [lo, hi) whose lines change.
    std::size_t lo = 0;
    std::size_t hi = 0;
    if (!blocks_.empty()) {
        const Place start =
            first < lineCount_ ? locate(first) : Place{blocks_.size() - 1, blocks_.back().size()};
        lo = start.block;
        hi = (count == 0 ? lo : locate(first + count - 1).block) + 1;
    }
    std::size_t total = incoming.size();
    for (std::size_t b = lo; b < hi; ++b) total += blocks_[b].size();
    total -= count;
    // A neighbour joins a region that would leave a block too small; it
    // holds at least kMinBlock lines itself, so this ends after one or two.
    while (total < kMinBlock && (lo > 0 || hi < blocks_.size())) {
        if (hi < blocks_.size()) {
            total += blocks_[hi++].size();
        } else {
            total += blocks_[--lo].size();
        }
    }
    const std::size_t regionStart = linesBefore(lo);

    if (hi - lo == 1 && total > 0 && total <= kMaxBlock) {
        Block& block = blocks_[lo];
        const std::size_t oldSize = block.size();
        outgoing.reserve(count);
        block.reserve(total);
        // Only moves of strings from here on, which cannot throw.
        const auto from = block.begin() + static_cast<std::ptrdiff_t>(first - regionStart);
        const auto to = from + static_cast<std::ptrdiff_t>(count);
        std::move(from, to, std::back_inserter(outgoing));
        const auto at = block.erase(from, to);
        block.insert(at, std::make_move_iterator(incoming.begin()),
                     std::make_move_iterator(incoming.end()));
        addToIndex(lo, static_cast<std::ptrdiff_t>(total) - static_cast<std::ptrdiff_t>(oldSize));
        lineCount_ = lineCount_ - count + incoming.size();
        incoming.clear();
        return;
    }

    // Rebuild the region as evenly filled new blocks, allocated up front.
    const std::size_t pieces = (total + kTargetBlock - 1) / kTargetBlock;
    const std::size_t oldPieces = hi - lo;
    std::vector<Block> fresh(pieces);
    for (std::size_t i = 0; i < pieces; ++i) fresh[i].reserve(plannedSize(i, total, pieces));
    outgoing.reserve(count);
    const std::size_t blockCount = blocks_.size() - oldPieces + pieces;
    std::vector<std::size_t> freshIndex;
    std::vector<std::size_t> oldSizes;
    if (blockCount != blocks_.size()) {
        freshIndex.resize(blockCount + 1);
        blocks_.reserve(blockCount);
    } else {
        oldSizes.resize(oldPieces);
        for (std::size_t i = 0; i < oldPieces; ++i) oldSizes[i] = blocks_[lo + i].size();
    }

    // Only moves from here on.
    std::size_t target = 0;
    auto put = [&](std::string& line) {
        while (fresh[target].size() == plannedSize(target, total, pieces)) ++target;
        fresh[target].push_back(std::move(line));
    };
    std::size_t line = regionStart;
    for (std::size_t b = lo; b < hi; ++b) {
        for (std::string& text : blocks_[b]) {
            if (line < first) {
                put(text);
            } else if (line < first + count) {
                outgoing.push_back(std::move(text));
            }
            ++line;
        }
    }
    for (std::string& text : incoming) put(text);
    line = regionStart;
    for (std::size_t b = lo; b < hi; ++b) {
        for (std::string& text : blocks_[b]) {
            if (line >= first + count) put(text);
            ++line;
        }
    }

    const std::size_t kept = std::min(pieces, oldPieces);
    for (std::size_t i = 0; i < kept; ++i) blocks_[lo + i] = std::move(fresh[i]);
    const auto keptEnd = blocks_.begin() + static_cast<std::ptrdiff_t>(lo + kept);
    if (pieces < oldPieces) {
        blocks_.erase(keptEnd, blocks_.begin() + static_cast<std::ptrdiff_t>(hi));
    } else if (pieces > oldPieces) {
        blocks_.insert(keptEnd,
                       std::make_move_iterator(fresh.begin() + static_cast<std::ptrdiff_t>(kept)),
                       std::make_move_iterator(fresh.end()));
    }
    if (!freshIndex.empty()) {
        buildIndex(blocks_, freshIndex);
        index_.swap(freshIndex);
    } else {
        for (std::size_t i = 0; i < oldPieces; ++i)
            addToIndex(lo + i, static_cast<std::ptrdiff_t>(blocks_[lo + i].size()) -
                                   static_cast<std::ptrdiff_t>(oldSizes[i]));
    }
    lineCount_ = lineCount_ - count + incoming.size();
    incoming.clear();
}

std::string LineTable::checkInvariants() const {
    if (index_.size() != blocks_.size() + 1) return "the index does not match the blocks";
    std::size_t lines = 0;
    for (std::size_t b = 0; b < blocks_.size(); ++b) {
        const std::size_t held = blocks_[b].size();
        if (held == 0) return "block " + std::to_string(b) + " is empty";
        if (held > kMaxBlock) return "block " + std::to_string(b) + " is too large";
        if (held < kMinBlock && blocks_.size() > 1)
            return "block " + std::to_string(b) + " is too small";
        if (linesBefore(b) != lines) return "the index is wrong before block " + std::to_string(b);
        lines += held;
    }
    if (lines != lineCount_) return "the line count is wrong";
    return {};
}

}  // namespace rorirer::lsp
