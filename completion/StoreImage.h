// Compiled images of a CompletionStore: everything a store built from word
// lists and texts holds (its words, their origins and counts, the tree),
// written once and read back far faster than the words could be stored
// again. Recency stamps and document counts are for one run and never go
// into an image.
//
// An image belongs to the build of the layer that wrote it: its header
// names the format and the layout of what it holds, and any other is
// refused. The host puts a key of its own in the header (what the image was
// made from: its sources and options) and reads it back before the rest is
// read, to tell whether it is the image it wants. A checksum covers every
// byte, and everything read is checked before it is used: an image that is
// truncated, corrupt or foreign is refused with an ImageError, never
// trusted.
#ifndef RORIRER_COMPLETION_STOREIMAGE_H
#define RORIRER_COMPLETION_STOREIMAGE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "completion/BuildProgress.h"
#include "completion/CompletionStore.h"

namespace rorirer {

// Whether `start`, the first kImageMarkBytes bytes of a file (or all of a
// shorter one), are those of an image, of any build: what tells a compiled
// list from a word list, which never holds the NUL among them.
inline constexpr std::size_t kImageMarkBytes = 8;
bool isImageStart(std::string_view start) noexcept;

// An image that cannot be read: the message says why.
class ImageError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Where an image goes: write() takes every byte, or throws what the host
// chooses (the layer passes it on).
class ImageOutput {
public:
    virtual void write(const char* data, std::size_t size) = 0;

protected:
    ~ImageOutput() = default;
};

// Where an image comes from. read() gives up to `size` bytes, fewer only at
// the end, or throws what the host chooses.
class ImageInput {
public:
    virtual std::size_t read(char* into, std::size_t size) = 0;
    // Bytes in the whole input, or -1 when unknown. A known size bounds
    // what the header may ask to be allocated.
    virtual long long size() const noexcept { return -1; }

protected:
    ~ImageInput() = default;
};

// Writes `store` with `key` in the header. The store must hold nothing but
// words of word lists and texts: a store with recency stamps or document
// counts throws std::logic_error. Throws std::bad_alloc, or what `out`
// throws; what was written is then not a whole image.
void writeImage(const CompletionStore& store, std::string_view key, ImageOutput& out,
                BuildProgress* progress = nullptr);

// Reads an image in two steps: the header, then, if the host wants it, the
// store.
class ImageLoader {
public:
    // Reads and checks the header. Throws ImageError for an input that is
    // not an image of this build.
    explicit ImageLoader(ImageInput& in);
    ~ImageLoader();
    ImageLoader(const ImageLoader&) = delete;
    ImageLoader& operator=(const ImageLoader&) = delete;

    const std::string& key() const noexcept { return key_; }
    long minLength() const noexcept { return minLength_; }
    std::size_t wordCount() const noexcept { return words_; }

    // How the loaded store ranks: the model and the frequency table whose
    // estimates the image holds (a host keys its images so that they are).
    // Given to load(), they are in place before the rank index is rebuilt,
    // so that no second pass scores every word again.
    struct Ranking {
        RankingModel model;
        std::shared_ptr<const WordFrequencies> frequencies;
    };

    // Reads the rest: the store the image holds, ranked by `ranking` when
    // given, else by the default model without a frequency table. Throws
    // ImageError for an image that is not whole and right, std::bad_alloc,
    // or what the input throws. Called once.
    CompletionStore load(BuildProgress* progress = nullptr, const Ranking* ranking = nullptr);

private:
    struct Reading;
    std::unique_ptr<Reading> reading_;
    std::string key_;
    long minLength_ = 0;
    std::size_t words_ = 0;
    std::size_t nodes_ = 0;
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_STOREIMAGE_H
