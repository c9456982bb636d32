#include "lsp/Documents.h"

#include <utility>

namespace rorirer::lsp {

void Documents::addObserver(LineObserver& observer) { observers_.push_back(&observer); }

const Document* Documents::find(const std::string& uri) const {
    const auto found = documents_.find(uri);
    return found == documents_.end() ? nullptr : found->second.get();
}

void Documents::notify(const Document& document, const LinesChange& change) {
    for (LineObserver* observer : observers_) observer->linesChanged(document, change);
}

void Documents::open(const std::string& uri, std::string_view text, std::int64_t version) {
    // Everything is built before anything is told or replaced, so a failure
    // leaves the documents as they were.
    auto document = std::make_unique<Document>(uri, text, lineLimit_);
    document->setVersion(version);
    LinesChange opened;
    document->describeAll(LinesChange::Kind::kOpen, opened);
    const Document& added = *document;
    const auto found = documents_.find(uri);
    if (found == documents_.end()) {
        documents_.emplace(uri, std::move(document));
    } else {
        LinesChange closed;
        found->second->describeAll(LinesChange::Kind::kClose, closed);
        notify(*found->second, closed);
        found->second = std::move(document);
    }
    notify(added, opened);
}

bool Documents::change(const std::string& uri, std::int64_t version,
                       const std::vector<TextChange>& changes, PositionEncoding encoding) {
    const auto found = documents_.find(uri);
    if (found == documents_.end()) return false;
    Document& document = *found->second;
    for (const TextChange& edit : changes) {
        // A report of its own for each edit: what it keeps of the old text
        // goes with it.
        LinesChange report;
        if (edit.whole) {
            document.replaceAll(edit.text, report);
        } else {
            document.replace(document.toLinePosition(edit.start, encoding),
                             document.toLinePosition(edit.end, encoding), edit.text, report);
        }
        notify(document, report);
    }
    document.setVersion(version);
    return true;
}

bool Documents::close(const std::string& uri) {
    const auto found = documents_.find(uri);
    if (found == documents_.end()) return false;
    LinesChange report;
    found->second->describeAll(LinesChange::Kind::kClose, report);
    notify(*found->second, report);
    documents_.erase(found);
    return true;
}

void Documents::setLineLimit(std::size_t limit) {
    if (limit == lineLimit_) return;
    for (const auto& entry : documents_) {
        Document& document = *entry.second;
        LinesChange report;
        document.describeAll(LinesChange::Kind::kClose, report);
        notify(document, report);
        document.setLineLimit(limit);
        document.describeAll(LinesChange::Kind::kOpen, report);
        notify(document, report);
    }
    lineLimit_ = limit;
}

}  // namespace rorirer::lsp
