// A document's lines in order, kept in blocks so that replacing a few lines
// costs time in proportion to the lines touched and one block, not to the
// document: no edit copies the text or renumbers every line.
#ifndef RORIRER_LSP_LINETABLE_H
#define RORIRER_LSP_LINETABLE_H

#include <cstddef>
#include <string>
#include <vector>

namespace rorirer::lsp {

class LineTable {
public:
    std::size_t size() const noexcept { return lineCount_; }
    const std::string& operator[](std::size_t line) const;
    std::string& operator[](std::size_t line);

    // Replaces the `count` lines from `first` (first + count <= size()) with
    // `incoming`, whose strings are moved in; the lines replaced are moved
    // to `outgoing`, which is cleared first. Everything is allocated before
    // the table changes, so an exception leaves the table as it was.
    void replace(std::size_t first, std::size_t count, std::vector<std::string>& incoming,
                 std::vector<std::string>& outgoing);

    // Empty when the blocks keep their bounds and the index its sums;
    // otherwise the first rule broken. For tests.
    std::string checkInvariants() const;

private:
    using Block = std::vector<std::string>;

    struct Place {
        std::size_t block;
        std::size_t offset;
    };
    Place locate(std::size_t line) const;
    std::size_t linesBefore(std::size_t block) const;
    void addToIndex(std::size_t block, std::ptrdiff_t delta) noexcept;
    static void buildIndex(const std::vector<Block>& blocks, std::vector<std::size_t>& index);

    // Every block holds at least kMinBlock and at most kMaxBlock lines,
    // except a lone block, which may hold fewer.
    std::vector<Block> blocks_;
    // Fenwick tree over the blocks' line counts, one-based.
    std::vector<std::size_t> index_{0};
    std::size_t lineCount_ = 0;
};

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_LINETABLE_H
