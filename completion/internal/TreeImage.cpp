// The tree in a compiled image, and the block of the layer's own nodes it is
// restored into.
//
// Each node is two bytes, in depth-first order (a node, the lists below it,
// then its next sibling): its byte, and whether a first child and a next
// sibling follow. The first child of a node with children is the node
// after it; the next sibling of a node comes after everything below it. So
// a reader keeps the nodes still waiting for their next sibling on a stack,
// and links each when the subtree before it ends, at a word's last node.
#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "completion/BuildProgress.h"
#include "completion/internal/HugePages.h"
#include "completion/internal/ImageFormat.h"
#include "completion/internal/WordStore.h"
#include "completion/internal/WordTable.h"
#include "wordstore/internal/TreeWalk.h"

namespace rorirer {
namespace {

constexpr std::uint8_t kHasChild = 1;
constexpr std::uint8_t kHasSibling = 2;
constexpr std::size_t kChunkNodes = 1 << 15;
constexpr std::size_t kReportEvery = 1 << 18;

}  // namespace

// Room for the nodes of one image, side by side, page-aligned, its pages
// faulted in with one call where Linux offers it instead of a fault per
// page (as the library's pool does for its chunks).
struct WordStore::Block {
    static constexpr std::size_t kPage = 4096;
    static_assert(kPage % sizeof(RestoredNode) == 0, "nodes tile a page");

    explicit Block(std::size_t nodes)
        : memory(::operator new (std::max<std::size_t>(nodes, 1) * sizeof(RestoredNode),
                                 std::align_val_t{kPage})) {
        adviseHugePages(memory, nodes * sizeof(RestoredNode));
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
        const std::size_t bytes = nodes * sizeof(RestoredNode) / kPage * kPage;
        if (bytes >= 16 * kPage) ::madvise(memory, bytes, MADV_POPULATE_WRITE);
#endif
    }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    ~Block() { ::operator delete (memory, std::align_val_t{kPage}); }
    RestoredNode* slot(std::size_t i) const noexcept {
        return static_cast<RestoredNode*>(memory) + i;
    }

    void* memory;
};

void WordStore::FreeBlock::operator()(Block* block) const noexcept { delete block; }

void WordStore::dropRestored() noexcept {
    if (block_ == nullptr) return;
    // Pooled nodes go back to the pool one by one; restored ones need
    // nothing but their block, which goes whole.
    if (mixed_) killTrieNodes(root->nextSibling);
    root->nextSibling = nullptr;
    block_.reset();
    mixed_ = false;
}

void WordStore::writeImage(ImageWriter& out, BuildProgress* progress) const {
    const std::size_t total = nodeCount > 1 ? static_cast<std::size_t>(nodeCount - 1) : 0;
    out.arrayHeader<std::uint16_t>(total);
    std::vector<std::uint16_t> chunk;
    chunk.reserve(kChunkNodes);
    // The nodes still to visit: a node's next sibling waits below its first
    // child, so the stack holds one entry per branch of the current path.
    std::vector<const LinkedTrieNode*> pending;
    if (root->nextSibling != nullptr) pending.push_back(root->nextSibling);
    std::size_t written = 0;
    while (!pending.empty()) {
        const LinkedTrieNode* node = pending.back();
        pending.pop_back();
        if (node->nextSibling != nullptr) pending.push_back(node->nextSibling);
        if (node->firstChild != nullptr) pending.push_back(node->firstChild);
        const auto flags =
            static_cast<std::uint16_t>((node->firstChild != nullptr ? kHasChild : 0) |
                                       (node->nextSibling != nullptr ? kHasSibling : 0));
        chunk.push_back(static_cast<std::uint16_t>(byteOf(node) | (flags << 8)));
        if (chunk.size() == kChunkNodes) {
            out.bytes(chunk.data(), chunk.size() * sizeof(std::uint16_t));
            chunk.clear();
        }
        if (progress != nullptr && ++written % kReportEvery == 0)
            progress->report("writing the tree", written, total);
    }
    out.bytes(chunk.data(), chunk.size() * sizeof(std::uint16_t));
}

void WordStore::readImage(ImageReader& in, std::size_t nodes, const WordTable& table,
                          BuildProgress* progress) {
    if (root->nextSibling != nullptr) throw std::logic_error("an image goes into an empty store");
    if (in.arrayHeader<std::uint16_t>(nodes, "the tree") != nodes)
        ImageReader::refuse("a tree of the wrong size");
    std::unique_ptr<Block, FreeBlock> block(new Block(nodes));
    std::vector<std::uint16_t> chunk(std::min(nodes, kChunkNodes));

    // The nodes waiting for their next sibling, each with its depth.
    struct Waiting {
        RestoredNode* node;
        std::size_t depth;
    };
    std::vector<Waiting> waiting;
    std::string path;  // the bytes of the nodes above the next one
    std::size_t depth = 0;
    // The previous node of the list the next one joins, or null when it
    // heads its list; the top-level list follows the root marker.
    const LinkedTrieNode* before = root;
    std::uint32_t nextWord = 0;
    const std::size_t wordLimit = table.idLimit();
    for (std::size_t i = 0; i < nodes; ++i) {
        if (i % kChunkNodes == 0) in.bytes(chunk.data(), std::min(kChunkNodes, nodes - i) * 2);
        if (progress != nullptr && i % kReportEvery == 0)
            progress->report("restoring the tree", i, nodes);
        const std::uint16_t entry = chunk[i % kChunkNodes];
        const char byte = static_cast<char>(entry & 0xFF);
        const auto flags = static_cast<std::uint8_t>(entry >> 8);
        if ((flags & ~(kHasChild | kHasSibling)) != 0) ImageReader::refuse("a node of no kind");
        RestoredNode* node = new (block->slot(i)) RestoredNode(widen(byte));

        // Its place: an end marker heads a list below the root, with no
        // list of its own and a sibling after it; any other node follows a
        // smaller character.
        if (byte == '\0') {
            if (before != nullptr || depth == 0 || flags != kHasSibling)
                ImageReader::refuse("an end marker out of place");
        } else if (before != nullptr && before->character >= node->character) {
            ImageReader::refuse("a list out of order");
        }
        path.resize(depth);
        if (byte != '\0') path.push_back(byte);
        if ((flags & kHasSibling) != 0) waiting.push_back({node, depth});

        if ((flags & kHasChild) != 0) {
            if (i + 1 == nodes) ImageReader::refuse("a node whose list is missing");
            node->firstChild = block->slot(i + 1);
            ++depth;
            before = nullptr;
            continue;
        }
        // A word ends here: the next of the table's, in byte order.
        if (nextWord == wordLimit || table.word(nextWord) != path)
            ImageReader::refuse("a tree that does not hold the image's words");
        ++nextWord;
        if (waiting.empty()) {
            if (i + 1 != nodes) ImageReader::refuse("nodes outside the tree");
            continue;
        }
        if (i + 1 == nodes) ImageReader::refuse("a node whose sibling is missing");
        const Waiting w = waiting.back();
        waiting.pop_back();
        w.node->nextSibling = block->slot(i + 1);
        depth = w.depth;
        before = w.node;
    }
    if (nextWord != wordLimit) ImageReader::refuse("a tree that does not hold the image's words");

    // Nothing below can fail.
    if (nodes > 0) root->nextSibling = block->slot(0);
    nodeCount = static_cast<long>(nodes) + 1;
    wordCount = static_cast<long>(wordLimit);
    block_ = std::move(block);
    mixed_ = false;
}

}  // namespace rorirer
