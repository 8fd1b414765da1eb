#include "crc16.h"

#include <array>
#include <bit>
#include <cstring>

namespace lzh {
namespace {

// Slicing-by-8 tables: the CRC runs over every extracted and added byte, so
// the byte-at-a-time loop would cost as much as the decoder's inner loop.
struct Tables {
    std::array<std::array<std::uint16_t, 256>, 8> t{};
    constexpr Tables() {
        for (unsigned i = 0; i < 256; ++i) {
            std::uint16_t c = static_cast<std::uint16_t>(i);
            for (int k = 0; k < 8; ++k) c = (c & 1) ? static_cast<std::uint16_t>((c >> 1) ^ 0xA001) : static_cast<std::uint16_t>(c >> 1);
            t[0][i] = c;
        }
        for (unsigned i = 0; i < 256; ++i)
            for (int s = 1; s < 8; ++s)
                t[s][i] = static_cast<std::uint16_t>((t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF]);
    }
};
constexpr Tables kTables;

} // namespace

std::uint16_t crc16_update(std::uint16_t crc, const std::uint8_t *p, std::size_t n) {
    const auto &t = kTables.t;
    if constexpr (std::endian::native == std::endian::little) {
    while (n >= 8) {
        std::uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + 4, 4);
        lo ^= crc;  // little-endian machines: the CRC folds into the first two bytes
        crc = static_cast<std::uint16_t>(
            t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
            t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24]);
        p += 8;
        n -= 8;
    }
    }
    while (n--) crc = static_cast<std::uint16_t>((crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF]);
    return crc;
}

} // namespace lzh
