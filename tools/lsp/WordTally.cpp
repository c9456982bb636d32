#include "lsp/WordTally.h"

#include <functional>

namespace rorirer::lsp {

void WordTally::add(std::string_view word, long delta) {
    if ((used_ + 1) * 2 > slots_.size()) grow();
    const std::size_t hash = std::hash<std::string_view>()(word);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        Slot& slot = slots_[at];
        if (slot.length == kEmpty) {
            // The key's bytes go in before the slot is taken, so a failure
            // to grow the buffer leaves the tally as it was.
            const std::size_t offset = keys_.size();
            keys_.append(word);
            slot = Slot{hash, offset, word.size(), delta};
            ++used_;
            return;
        }
        if (slot.hash == hash && keyOf(slot) == word) {
            slot.count += delta;
            return;
        }
    }
}

void WordTally::grow() {
    std::vector<Slot> bigger(slots_.empty() ? 64 : slots_.size() * 2);
    const std::size_t mask = bigger.size() - 1;
    for (const Slot& slot : slots_) {
        if (slot.length == kEmpty) continue;
        std::size_t at = slot.hash & mask;
        while (bigger[at].length != kEmpty) at = (at + 1) & mask;
        bigger[at] = slot;
    }
    slots_.swap(bigger);
}

}  // namespace rorirer::lsp
