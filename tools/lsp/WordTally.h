// A tally of words for one change to a document: counts keyed by the words'
// bytes, added to by string_view, so that counting a whole document's
// words makes no string per word. Keys are kept in one buffer; the table is
// open addressing with linear probing, grown at half full.
#ifndef RORIRER_LSP_WORDTALLY_H
#define RORIRER_LSP_WORDTALLY_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rorirer::lsp {

class WordTally {
public:
    // Adds `delta` to the count of `word`; a word not seen yet starts at 0.
    void add(std::string_view word, long delta);

    // Words seen, whatever their count now (zero included).
    std::size_t size() const noexcept { return used_; }

    // Calls `visit(std::string_view word, long count)` for each word seen.
    template <typename Visit>
    void forEach(Visit&& visit) const {
        for (const Slot& slot : slots_)
            if (slot.length != kEmpty) visit(keyOf(slot), slot.count);
    }

private:
    static constexpr std::size_t kEmpty = static_cast<std::size_t>(-1);
    struct Slot {
        std::size_t hash = 0;
        std::size_t offset = 0;
        std::size_t length = kEmpty;
        long count = 0;
    };

    std::string_view keyOf(const Slot& slot) const noexcept {
        return std::string_view(keys_).substr(slot.offset, slot.length);
    }
    void grow();

    std::vector<Slot> slots_;  // a power of two in size, or empty
    std::string keys_;
    std::size_t used_ = 0;
};

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_WORDTALLY_H
