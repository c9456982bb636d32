#include "completion/internal/ImageFormat.h"

#include <algorithm>
#include <cstring>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace rorirer {
namespace {

constexpr std::size_t kBufferBytes = 1 << 18;

}  // namespace

struct ImageWriter::Hash {
    XXH3_state_t state;
};

struct ImageReader::Hash {
    XXH3_state_t state;
};

ImageWriter::ImageWriter(ImageOutput& out) : out_(out), hash_(std::make_unique<Hash>()) {
    XXH3_64bits_reset(&hash_->state);
    buffer_.reserve(kBufferBytes);
}

ImageWriter::~ImageWriter() = default;

void ImageWriter::bytes(const void* data, std::size_t size) {
    const auto* from = static_cast<const char*>(data);
    XXH3_64bits_update(&hash_->state, from, size);
    while (size > 0) {
        if (buffer_.size() == kBufferBytes) flush();
        const std::size_t take = std::min(size, kBufferBytes - buffer_.size());
        buffer_.insert(buffer_.end(), from, from + take);
        from += take;
        size -= take;
    }
}

void ImageWriter::flush() {
    if (buffer_.empty()) return;
    out_.write(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void ImageWriter::finish() {
    const std::uint64_t checksum = XXH3_64bits_digest(&hash_->state);
    flush();
    out_.write(reinterpret_cast<const char*>(&checksum), sizeof checksum);
}

ImageReader::ImageReader(ImageInput& in)
    : in_(in), hash_(std::make_unique<Hash>()), buffer_(kBufferBytes), size_(in.size()) {
    XXH3_64bits_reset(&hash_->state);
}

ImageReader::~ImageReader() = default;

void ImageReader::refuse(const std::string& why) { throw ImageError(why); }

void ImageReader::fill() {
    at_ = 0;
    end_ = in_.read(buffer_.data(), buffer_.size());
    consumed_ += end_;
}

void ImageReader::readDirect(char* into, std::size_t size) {
    while (size > 0) {
        const std::size_t want = std::min<std::size_t>(size, 1 << 20);
        const std::size_t got = in_.read(into, want);
        if (got == 0) refuse("it ends too soon");
        consumed_ += got;
        XXH3_64bits_update(&hash_->state, into, got);
        into += got;
        size -= got;
    }
}

void ImageReader::bytes(void* into, std::size_t size) {
    auto* to = static_cast<char*>(into);
    while (size > 0) {
        if (at_ == end_) {
            // A large part goes straight where it belongs, without passing
            // through the buffer.
            if (size >= buffer_.size()) {
                readDirect(to, size);
                return;
            }
            fill();
            if (end_ == 0) refuse("it ends too soon");
        }
        const std::size_t take = std::min(size, end_ - at_);
        std::memcpy(to, buffer_.data() + at_, take);
        XXH3_64bits_update(&hash_->state, buffer_.data() + at_, take);
        at_ += take;
        to += take;
        size -= take;
    }
}

std::size_t ImageReader::checkCount(std::uint64_t count, std::size_t size, std::uint64_t most,
                                    const char* what) const {
    if (count > most) refuse(std::string(what) + ": more than the image can hold");
    if (size_ >= 0) {
        const unsigned long long left =
            static_cast<unsigned long long>(size_) -
            std::min<unsigned long long>(consumed_ - (end_ - at_),
                                         static_cast<unsigned long long>(size_));
        if (count > left / size) refuse(std::string(what) + ": more than the file holds");
    }
    return static_cast<std::size_t>(count);
}

void ImageReader::finish() {
    const std::uint64_t computed = XXH3_64bits_digest(&hash_->state);
    std::uint64_t stored;
    // The checksum itself is not part of what it covers.
    auto* to = reinterpret_cast<char*>(&stored);
    for (std::size_t left = sizeof stored; left > 0;) {
        if (at_ == end_) {
            fill();
            if (end_ == 0) refuse("it ends too soon");
        }
        const std::size_t take = std::min(left, end_ - at_);
        std::memcpy(to, buffer_.data() + at_, take);
        at_ += take;
        to += take;
        left -= take;
    }
    if (stored != computed) refuse("its checksum is wrong: it was damaged");
    if (at_ != end_) refuse("it goes on past its end");
    char probe;
    if (in_.read(&probe, 1) != 0) refuse("it goes on past its end");
}

}  // namespace rorirer
