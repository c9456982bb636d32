// The open documents, by URI, and the observers told of every change to
// any of them.
#ifndef RORIRER_LSP_DOCUMENTS_H
#define RORIRER_LSP_DOCUMENTS_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "lsp/Document.h"
#include "lsp/LineObserver.h"
#include "lsp/PositionEncoding.h"

namespace rorirer::lsp {

// One entry of a change notification: a range and its new text, or the
// whole new text when `whole` is set.
struct TextChange {
    bool whole = false;
    ProtocolPosition start;
    ProtocolPosition end;
    std::string text;
};

class Documents {
public:
    static constexpr std::size_t kDefaultLineLimit = 100000;

    // Observers are not owned and must outlive this object.
    void addObserver(LineObserver& observer);

    const Document* find(const std::string& uri) const;
    std::size_t size() const noexcept { return documents_.size(); }

    // Opening a URI that is open already replaces its document.
    void open(const std::string& uri, std::string_view text, std::int64_t version);
    // Applies `changes` in order, each to the text the one before left.
    // False when the URI is not open.
    bool change(const std::string& uri, std::int64_t version,
                const std::vector<TextChange>& changes, PositionEncoding encoding);
    bool close(const std::string& uri);

    // Observers are told that every line went under the old limit and came
    // back under the new one, so what they skipped matches again.
    void setLineLimit(std::size_t limit);
    std::size_t lineLimit() const noexcept { return lineLimit_; }

private:
    void notify(const Document& document, const LinesChange& change);

    std::unordered_map<std::string, std::unique_ptr<Document>> documents_;
    std::vector<LineObserver*> observers_;
    std::size_t lineLimit_ = kDefaultLineLimit;
};

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_DOCUMENTS_H
