// A compiled image: the header (a mark, the layout of this build's images,
// the host's key, the store's minimum length and sizes), the word table,
// the tree, and a checksum of everything before it. The rank index is not
// in it: its scores are a function of the table's fields, and it is built
// again from them in one pass over the words in byte order.
#include "completion/StoreImage.h"

#include <cstring>
#include <stdexcept>
#include <tuple>
#include <type_traits>
#include <utility>

#include "completion/internal/ImageFormat.h"
#include "completion/internal/StoreState.h"

namespace rorirer {
namespace {

// Never the start of a word list: a list holds no NUL.
constexpr char kMark[kImageMarkBytes] = {'\x89', 'R', 'O', 'R', 'I', 'M', 'G', '\0'};
// Raised whenever what an image holds, or how, changes in a way the layout
// below does not show.
constexpr int kFormatVersion = 1;
constexpr std::uint64_t kMostKeyBytes = 1 << 20;
constexpr std::uint64_t kMostLayoutBytes = 1 << 12;
constexpr std::size_t kReportEvery = 1 << 16;

// What this build's images are made of: the format's version, the size of a
// node, the element size of each of the table's columns, and the table's
// hash of a fixed word (its hash index is stored as it is). An image whose
// layout is another is another build's, and is refused.
std::string layout() {
    std::string shape = "format " + std::to_string(kFormatVersion) + "; node " +
                        std::to_string(sizeof(LinkedTrieNode)) + "; columns";
    const WordTable::Columns columns;
    std::apply(
        [&shape](const auto&... column) {
            ((shape +=
              ' ' + std::to_string(sizeof(typename std::decay_t<decltype(column)>::value_type))),
             ...);
        },
        columns.parts());
    shape += "; hash " + std::to_string(WordTable().hashOf("rorirer"));
    return shape;
}

std::string readString(ImageReader& in, std::uint64_t most, const char* what) {
    std::string text(in.arrayHeader<char>(most, what), '\0');
    in.bytes(text.data(), text.size());
    return text;
}

}  // namespace

bool isImageStart(std::string_view start) noexcept {
    return start.size() == kImageMarkBytes &&
           std::memcmp(start.data(), kMark, kImageMarkBytes) == 0;
}

void writeImage(const CompletionStore& store, std::string_view key, ImageOutput& out,
                BuildProgress* progress) {
    const StoreState& s = *store.state_;
    // The ids in byte order of their words, which become the image's ids.
    std::vector<std::uint32_t> order;
    order.reserve(s.table.size());
    for (RankIndex::Position at = s.index.positionOf(0); at.leaf != RankIndex::kNone;
         s.index.advance(at))
        order.push_back(s.index.idAt(at));

    ImageWriter writer(out);
    writer.bytes(kMark, sizeof kMark);
    const std::string shape = layout();
    writer.array(shape.data(), shape.size());
    writer.array(key.data(), key.size());
    writer.value<std::int64_t>(s.store.shortest());
    writer.value<std::uint64_t>(order.size());
    writer.value<std::uint64_t>(static_cast<std::uint64_t>(s.store.nodes() - 1));
    if (progress != nullptr) progress->report("writing the words", 0, order.size());
    s.table.writeImage(writer, order);
    s.store.writeImage(writer, progress);
    writer.finish();
}

struct ImageLoader::Reading {
    explicit Reading(ImageInput& input) : in(input) {}
    ImageReader in;
};

ImageLoader::ImageLoader(ImageInput& in) : reading_(std::make_unique<Reading>(in)) {
    ImageReader& r = reading_->in;
    char mark[sizeof kMark];
    r.bytes(mark, sizeof mark);
    if (std::memcmp(mark, kMark, sizeof mark) != 0) ImageReader::refuse("not a compiled list");
    if (readString(r, kMostLayoutBytes, "the layout") != layout())
        ImageReader::refuse("compiled by another version or build");
    key_ = readString(r, kMostKeyBytes, "the key");
    const auto shortest = r.value<std::int64_t>();
    const auto words = r.value<std::uint64_t>();
    const auto nodes = r.value<std::uint64_t>();
    if (shortest < 0 || shortest > INT32_MAX) ImageReader::refuse("a minimum length out of range");
    if (words >= WordTable::kNoWord - 2 || nodes >= std::uint64_t{1} << 40)
        ImageReader::refuse("more than the image can hold");
    minLength_ = static_cast<long>(shortest);
    words_ = static_cast<std::size_t>(words);
    nodes_ = static_cast<std::size_t>(nodes);
}

ImageLoader::~ImageLoader() = default;

CompletionStore ImageLoader::load(BuildProgress* progress, const Ranking* ranking) {
    if (reading_ == nullptr) throw std::logic_error("an image is loaded once");
    const std::unique_ptr<Reading> reading = std::move(reading_);
    ImageReader& r = reading->in;
    auto state = std::make_unique<StoreState>(minLength_);
    if (ranking != nullptr) {
        state->weights = ModelWeights(ranking->model);
        state->recent.reserve(state->weights.recent.size());
        state->frequencies = ranking->frequencies;
    }
    if (progress != nullptr) progress->report("reading the words", 0, words_);
    state->table.readImage(r, words_, static_cast<std::size_t>(std::max(minLength_, 1L)));
    state->store.readImage(r, nodes_, state->table, progress);
    r.finish();

    // The rank index from the table's fields: the ids are in byte order.
    RankIndex::Builder built(words_, static_cast<std::uint32_t>(words_));
    for (std::uint32_t id = 0; id < words_; ++id) {
        if (progress != nullptr && id % kReportEvery == 0) progress->report("ranking", id, words_);
        built.add(id, state->scoreOf(id), state->table.word(id));
    }
    built.finish(state->index);
    state->top.rebuild(state->store.top());
    return CompletionStore(std::move(state));
}

}  // namespace rorirer
