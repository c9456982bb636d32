// The framing every part of a compiled image goes through: plain values and
// arrays of them in the machine's own layout (an image is read only by the
// build that wrote it), buffered, with one running checksum over every
// byte, checked at the end. The reader never asks the input for more than
// it holds, and refuses an array that could not fit in what is left of an
// input of known size before anything is allocated for it.
#ifndef RORIRER_COMPLETION_INTERNAL_IMAGEFORMAT_H
#define RORIRER_COMPLETION_INTERNAL_IMAGEFORMAT_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "completion/StoreImage.h"
#include "completion/internal/HugePages.h"

namespace rorirer {

class ImageWriter {
public:
    explicit ImageWriter(ImageOutput& out);
    ~ImageWriter();
    ImageWriter(const ImageWriter&) = delete;
    ImageWriter& operator=(const ImageWriter&) = delete;

    void bytes(const void* data, std::size_t size);
    template <typename T>
    void value(const T& v) {
        static_assert(std::is_trivially_copyable<T>::value, "plain values only");
        bytes(&v, sizeof v);
    }
    // An array's header: the size of its elements and their number. The
    // elements follow through bytes().
    template <typename T>
    void arrayHeader(std::size_t count) {
        value<std::uint64_t>(sizeof(T));
        value<std::uint64_t>(count);
    }
    template <typename T>
    void array(const T* data, std::size_t count) {
        static_assert(std::is_trivially_copyable<T>::value, "plain values only");
        arrayHeader<T>(count);
        bytes(data, count * sizeof(T));
    }
    // Writes the checksum of everything before it and hands the rest on.
    void finish();

private:
    struct Hash;
    void flush();

    ImageOutput& out_;
    std::unique_ptr<Hash> hash_;
    std::vector<char> buffer_;
};

class ImageReader {
public:
    explicit ImageReader(ImageInput& in);
    ~ImageReader();
    ImageReader(const ImageReader&) = delete;
    ImageReader& operator=(const ImageReader&) = delete;

    // Throws ImageError when the input ends first.
    void bytes(void* into, std::size_t size);
    template <typename T>
    T value() {
        static_assert(std::is_trivially_copyable<T>::value, "plain values only");
        T v;
        bytes(&v, sizeof v);
        return v;
    }
    // Reads an array's header and returns its count, checking that its
    // elements are of the size this build gives T, that there are at most
    // `most` of them and that they fit in what is left of the input.
    template <typename T>
    std::size_t arrayHeader(std::uint64_t most, const char* what) {
        if (value<std::uint64_t>() != sizeof(T)) refuse(std::string(what) + " of another layout");
        return checkCount(value<std::uint64_t>(), sizeof(T), most, what);
    }
    // An array's header and its elements, `v` sized to them.
    template <typename T>
    void array(std::vector<T>& v, std::uint64_t most, const char* what) {
        const std::size_t count = arrayHeader<T>(most, what);
        reserveHuge(v, count);
        v.resize(count);
        bytes(v.data(), count * sizeof(T));
    }
    // Reads the checksum and compares it with that of everything read, and
    // makes sure the input ends there.
    void finish();

    [[noreturn]] static void refuse(const std::string& why);

private:
    struct Hash;
    std::size_t checkCount(std::uint64_t count, std::size_t size, std::uint64_t most,
                           const char* what) const;
    void fill();
    // Reads straight into `into`, hashing as it goes.
    void readDirect(char* into, std::size_t size);

    ImageInput& in_;
    std::unique_ptr<Hash> hash_;
    std::vector<char> buffer_;
    std::size_t at_ = 0;
    std::size_t end_ = 0;
    long long size_;
    unsigned long long consumed_ = 0;  // bytes taken from the input so far
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_IMAGEFORMAT_H
