// The rank of a word among words that all match a query equally well, as one
// 64-bit integer, larger is better: its recency stamp (24 bits), then its
// frequency (28 bits, compressed keeping order), then its length in code
// points inverted (12 bits). Equal scores fall back on byte order.
#ifndef RORIRER_COMPLETION_INTERNAL_SCORE_H
#define RORIRER_COMPLETION_INTERNAL_SCORE_H

#include <cstddef>
#include <cstdint>

namespace rorirer {

inline constexpr unsigned kStampBits = 24;
inline constexpr unsigned kCountBits = 28;
inline constexpr unsigned kLengthBits = 12;
inline constexpr std::uint32_t kMaxStamp = (1u << kStampBits) - 1;
inline constexpr std::size_t kMaxRankedLength = (1u << kLengthBits) - 1;

// Frequencies below 2^27 keep their order exactly; larger ones are compared
// by their 22 leading bits.
inline std::uint64_t countKey(std::uint64_t count) noexcept {
    constexpr std::uint64_t kExact = 1ull << 27;
    if (count < kExact) return count;
    unsigned exponent = 63;
    while ((count >> exponent) == 0) --exponent;
    const std::uint64_t mantissa = (count >> (exponent - 21)) & ((1ull << 21) - 1);
    return kExact + (static_cast<std::uint64_t>(exponent - 27) << 21) + mantissa;
}

// `codePoints` beyond kMaxRankedLength count as kMaxRankedLength.
inline std::uint64_t packScore(std::uint32_t stamp, std::uint64_t frequency,
                               std::size_t codePoints) noexcept {
    const std::uint64_t length = codePoints < kMaxRankedLength ? codePoints : kMaxRankedLength;
    return (static_cast<std::uint64_t>(stamp) << (kCountBits + kLengthBits)) |
           (countKey(frequency) << kLengthBits) | (kMaxRankedLength - length);
}

inline std::uint32_t stampOfScore(std::uint64_t score) noexcept {
    return static_cast<std::uint32_t>(score >> (kCountBits + kLengthBits));
}

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_SCORE_H
