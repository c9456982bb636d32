#include "lsp/DocumentWords.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "completion/Unicode.h"
#include "lsp/Document.h"
#include "lsp/WordTally.h"

namespace rorirer::lsp {
namespace {

bool isAscii(std::string_view text) noexcept {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::uint32_t clampCount(long count) {
    return static_cast<std::uint32_t>(std::min<long>(count, UINT32_MAX));
}

}  // namespace

std::string storedWordForm(std::string_view word) {
    return isAscii(word) ? std::string(word) : toNfc(word);
}

void DocumentWords::linesChanged(const Document& document, const LinesChange& change) {
    // Every change goes to the store in the order it came. A close goes
    // on when that fails: what the store did not get is uncounted already,
    // and a document left open would offer its words on.
    if (change.kind == LinesChange::Kind::kClose) {
        try {
            flush();
        } catch (const std::bad_alloc&) {
        }
    } else {
        flush();
    }
    // The net change of each word: typing in a line takes all its words away
    // and brings them back, and only those that differ reach the store.
    WordTally net;
    const auto tally = [&](const std::vector<LineText>& lines, long delta) {
        for (const LineText& line : lines) {
            if (line.overLimit) continue;
            forEachWord(line.text, [&](std::string_view word) {
                if (isAscii(word)) {
                    net.add(word, delta);
                } else {
                    net.add(toNfc(word), delta);
                }
            });
        }
    };
    tally(change.removed, -1);
    tally(change.added, +1);

    const auto found = documents_.find(document.uri());
    Counts& counts = found != documents_.end() ? found->second : documents_[document.uri()];
    // In byte order, the store's tree is walked along paths it has just
    // walked, which matters when a whole document brings thousands of words.
    std::vector<std::pair<std::string, long>> changed;
    changed.reserve(net.size());
    net.forEach([&changed](std::string_view word, long count) {
        if (count != 0) changed.emplace_back(word, count);
    });
    std::sort(changed.begin(), changed.end());
    // Only an open is put off: it takes nothing away, so every count is an
    // addition that may wait.
    if (change.kind == LinesChange::Kind::kOpen && change.removed.empty() && deferAbove_ > 0 &&
        changed.size() > deferAbove_ && learning_ && store_ != nullptr) {
        deferFeed(counts, changed);
        return;
    }
    for (auto& entry : changed) {
        if (entry.second > 0) addCount(counts, std::move(entry.first), clampCount(entry.second));
        if (entry.second < 0) removeCount(counts, entry.first, clampCount(-entry.second));
    }
    if (change.kind == LinesChange::Kind::kClose) documents_.erase(document.uri());
}

void DocumentWords::addCount(Counts& counts, std::string word, std::uint32_t n) {
    const auto place = counts.try_emplace(std::move(word), 0);
    if (learning_ && store_ != nullptr) {
        try {
            store_->addDocumentOccurrences(place.first->first, n);
        } catch (...) {
            if (place.second) counts.erase(place.first);
            throw;
        }
    }
    place.first->second += n;
}

void DocumentWords::deferFeed(Counts& counts, std::vector<std::pair<std::string, long>>& opened) {
    // Room first, so that a failure leaves neither the counts nor the queue
    // with part of the document.
    std::deque<PendingFeed> queue;
    std::vector<Counts::iterator> added;
    added.reserve(opened.size());
    counts.reserve(counts.size() + opened.size());
    try {
        for (auto& entry : opened) {
            if (entry.second <= 0) continue;
            const std::uint32_t n = clampCount(entry.second);
            const auto place = counts.try_emplace(entry.first, 0);
            queue.push_back({&counts, std::move(entry.first), n});
            if (place.second) added.push_back(place.first);
        }
    } catch (...) {
        for (const auto& at : added) counts.erase(at);
        throw;
    }
    for (const PendingFeed& feed : queue) (*feed.counts)[feed.word] += feed.n;
    pending_ = std::move(queue);
}

bool DocumentWords::feedSome(std::size_t most) {
    for (; most > 0 && !pending_.empty(); --most) {
        PendingFeed& feed = pending_.front();
        try {
            if (learning_ && store_ != nullptr) store_->addDocumentOccurrences(feed.word, feed.n);
        } catch (...) {
            // What the store did not get is no longer counted either.
            for (const PendingFeed& left : pending_) {
                const auto found = left.counts->find(left.word);
                if (found == left.counts->end()) continue;
                found->second -= std::min(found->second, left.n);
                if (found->second == 0) left.counts->erase(found);
            }
            pending_.clear();
            throw;
        }
        pending_.pop_front();
    }
    return !pending_.empty();
}

void DocumentWords::removeCount(Counts& counts, const std::string& word, std::uint32_t n) {
    const auto found = counts.find(word);
    if (found == counts.end()) return;
    const std::uint32_t taken = std::min(n, found->second);
    if (learning_ && store_ != nullptr) store_->removeDocumentOccurrences(word, taken);
    found->second -= taken;
    if (found->second == 0) counts.erase(found);
}

void DocumentWords::setLearning(bool on) {
    if (on == learning_) return;
    flush();
    if (store_ != nullptr) {
        if (on) {
            addAllTo(*store_);
        } else {
            for (const auto& document : documents_)
                for (const auto& entry : document.second)
                    store_->removeDocumentOccurrences(entry.first, entry.second);
        }
    }
    learning_ = on;
}

void DocumentWords::addAllTo(CompletionStore& store) const {
    // All or nothing: a failure takes back what was added before it.
    std::vector<const Counts::value_type*> added;
    std::size_t total = 0;
    for (const auto& document : documents_) total += document.second.size();
    added.reserve(total);
    try {
        for (const auto& document : documents_) {
            for (const auto& entry : document.second) {
                store.addDocumentOccurrences(entry.first, entry.second);
                added.push_back(&entry);
            }
        }
    } catch (...) {
        for (const Counts::value_type* entry : added)
            store.removeDocumentOccurrences(entry->first, entry->second);
        throw;
    }
}

std::uint32_t DocumentWords::occurrences(const std::string& uri, const std::string& word) const {
    const Counts* counts = countsOf(uri);
    if (counts == nullptr) return 0;
    const auto found = counts->find(word);
    return found == counts->end() ? 0 : found->second;
}

const DocumentWords::Counts* DocumentWords::countsOf(const std::string& uri) const {
    const auto found = documents_.find(uri);
    return found == documents_.end() ? nullptr : &found->second;
}

}  // namespace rorirer::lsp
