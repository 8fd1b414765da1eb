// Unaligned loads and the common length of two byte strings, for the
// match finders.
#pragma once

#include <cstdint>
#include <cstring>

namespace lzh::enc {

inline std::uint16_t load16(const std::uint8_t *p) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline std::uint32_t load32(const std::uint8_t *p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline std::uint64_t load64(const std::uint8_t *p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// Length of the common prefix of a and b from `from` on, at most max
// (reads up to 7 bytes past max; the caller's padding covers that).
inline int common_length(const std::uint8_t *a, const std::uint8_t *b, int max, int from = 0) {
    int len = from;
    while (len < max) {
        std::uint64_t x = load64(a + len) ^ load64(b + len);
        if (x) {
            len += __builtin_ctzll(x) >> 3;
            return len < max ? len : max;
        }
        len += 8;
    }
    return max;
}

} // namespace lzh::enc
