// Fuzz target for the language server's documents: decodes its input into
// a document and a sequence of edits, applies them to the server's
// documents and to the plain text model, and aborts when the texts differ,
// when the word tally an observer keeps from the change reports alone
// differs from a fresh count of the text, or when the server's own word
// counts (DocumentWords, the observer that feeds the completion layer) or
// the document occurrences it gave its CompletionStore differ from a fresh
// count of the text by the layer's WordSplitter.
//
// Input layout: one byte picks the line limit and the store's minimum
// length, one byte the initial text's length in pieces, then those pieces
// (one byte each, see kPieces). Then each operation is one byte: its low two
// bits pick the encoding, the next three the kind (edits mostly, now and
// then a whole-text replacement, or a byte that picks a new line limit or,
// with its top bit set, turns learning off or on). An edit reads four
// position bytes (start line and character, end line and character; 250
// and up stand for positions far past the end) and a text: a length byte
// (up to 7 pieces) and its pieces.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "LineMirror.h"
#include "ModelUnits.h"
#include "TextModel.h"
#include "WordCountCheck.h"
#include "lsp/DocumentWords.h"
#include "lsp/Documents.h"

namespace {

using rorirer::CompletionStore;
using rorirer::WordRules;
using rorirer::lsp::Document;
using rorirer::lsp::Documents;
using rorirer::lsp::DocumentWords;
using rorirer::lsp::FreshCounts;
using rorirer::lsp::LineMirror;
using rorirer::lsp::modelUnits;
using rorirer::lsp::PositionEncoding;
using rorirer::lsp::ProtocolPosition;
using rorirer::lsp::TextChange;

const char* const kPieces[] = {
    "a",
    "b",
    " ",
    "_",
    "word",
    "\n",
    "\r",
    "\r\n",
    "\xC3\xA9",
    "\xE2\x82\xAC",
    "\xE4\xB8\xAD",
    "\xF0\x9F\x98\x80" /* an emoji: a surrogate pair in UTF-16 */,
    "\xF0\x9D\x84\x9E",
    "e\xCC\x81" /* a combining mark */,
    "\xCC\x88",
    "\x80",
    "\xFF",
    "\xE2\x82",
    "\xED\xA0\x80",
    "\n\n",
    "\r\r",
    "ab\r",
    "\ncd",
    "'",
    "\xE2\x80\x99" /* a right single quote: an apostrophe too */,
    "42",
    "Word",
};
constexpr unsigned kPieceCount = sizeof kPieces / sizeof *kPieces;

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    // Past the end every byte reads as 0, so a truncated input still decodes.
    unsigned byte() { return pos_ < size_ ? data_[pos_++] : 0u; }
    std::string text(unsigned pieces) {
        std::string out;
        for (unsigned i = 0; i < pieces; ++i) out += kPieces[byte() % kPieceCount];
        return out;
    }
    std::uint64_t coordinate() {
        const unsigned value = byte();
        return value >= 250 ? (std::uint64_t{1} << (value - 220)) : value;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

[[noreturn]] void fail(const std::string& what, int step) {
    std::fprintf(stderr, "document disagrees with the model after operation %d: %s\n", step,
                 what.c_str());
    std::abort();
}

std::size_t limitFrom(unsigned byte) { return std::size_t{1} << (byte % 6 * 3); }

void run(Input& in) {
    const char* const uri = "file:///fuzz";
    const WordRules rules;
    Documents documents;
    LineMirror mirror;
    documents.addObserver(mirror);
    const unsigned first = in.byte();
    std::size_t limit = limitFrom(first);
    CompletionStore store(static_cast<long>(1 + first / 6 % 4));
    DocumentWords words(rules, false);
    words.setStore(&store);
    // An odd first byte puts off the store's share of the opening text.
    words.setDeferAbove(first % 2);
    documents.addObserver(words);
    documents.setLineLimit(limit);
    mirror.setLimit(limit);
    const std::string initial = in.text(in.byte());
    TextModel model(initial);
    documents.open(uri, initial, 0);

    for (int step = 1; !in.empty(); ++step) {
        const unsigned op = in.byte();
        const PositionEncoding encoding = op % 4 == 0   ? PositionEncoding::kUtf8
                                          : op % 4 == 3 ? PositionEncoding::kUtf32
                                                        : PositionEncoding::kUtf16;
        const unsigned kind = (op >> 2) % 8;
        if (kind == 7) {
            const unsigned value = in.byte();
            if (value >= 0x80) {
                words.setLearning(!words.learning());
            } else {
                limit = limitFrom(value);
                mirror.setLimit(limit);
                documents.setLineLimit(limit);
            }
        } else {
            TextChange change;
            change.whole = kind == 6;
            if (!change.whole) {
                change.start = ProtocolPosition{in.coordinate(), in.coordinate()};
                change.end = ProtocolPosition{in.coordinate(), in.coordinate()};
            }
            change.text = in.text(in.byte() % 8);
            if (change.whole) {
                model.replaceAll(change.text);
            } else {
                model.replace(change.start.line, change.start.character, change.end.line,
                              change.end.character, change.text, modelUnits(encoding));
            }
            documents.change(uri, step, {change}, encoding);
        }
        const Document& document = *documents.find(uri);
        if (document.text() != model.text()) fail("the text differs", step);
        const std::string mismatch = mirror.compare(document);
        if (!mismatch.empty()) fail(mismatch, step);
        FreshCounts fresh;
        rorirer::lsp::countAfresh(rules, model.text(), limit, fresh);
        const std::string counted = rorirer::lsp::compareDocumentCounts(words, uri, fresh);
        if (!counted.empty()) fail(counted, step);
        // The store lags while the opening text is being fed.
        if (words.feedSome(op % 3)) continue;
        const std::string stored = rorirer::lsp::compareStoreCounts(store, fresh, words.learning());
        if (!stored.empty()) fail(stored, step);
    }
    documents.close(uri);
    if (mirror.lineCount() != 0 || !mirror.words().empty()) fail("lines left after close", -1);
    if (words.countsOf(uri) != nullptr || store.wordCount() != 0)
        fail("words left after close", -1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    run(in);
    return 0;
}
