#include "crc16.h"

#include <array>
#include <bit>
#include <cstring>

namespace lzh {
namespace {

// Slicing-by-16 tables: the CRC runs over every extracted and added byte,
// so the byte-at-a-time loop would cost as much as the decoder's inner
// loop.  t[s][i] is the CRC of byte i followed by s zero bytes.
struct Tables {
    std::array<std::array<std::uint16_t, 256>, 16> t{};
    constexpr Tables() {
        for (unsigned i = 0; i < 256; ++i) {
            std::uint16_t c = static_cast<std::uint16_t>(i);
            for (int k = 0; k < 8; ++k) c = (c & 1) ? static_cast<std::uint16_t>((c >> 1) ^ 0xA001) : static_cast<std::uint16_t>(c >> 1);
            t[0][i] = c;
        }
        for (unsigned i = 0; i < 256; ++i)
            for (std::size_t s = 1; s < t.size(); ++s)
                t[s][i] = static_cast<std::uint16_t>((t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF]);
    }
};
constexpr Tables kTables;

} // namespace

std::uint16_t crc16_update(std::uint16_t crc, const std::uint8_t *p, std::size_t n) {
    const auto &t = kTables.t;
    if constexpr (std::endian::native == std::endian::little) {
        while (n >= 16) {
            std::uint64_t a, b;
            std::memcpy(&a, p, 8);
            std::memcpy(&b, p + 8, 8);
            a ^= crc;  // little-endian machines: the CRC folds into the first two bytes
            crc = static_cast<std::uint16_t>(
                t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][(a >> 24) & 0xFF] ^
                t[11][(a >> 32) & 0xFF] ^ t[10][(a >> 40) & 0xFF] ^ t[9][(a >> 48) & 0xFF] ^ t[8][a >> 56] ^
                t[7][b & 0xFF] ^ t[6][(b >> 8) & 0xFF] ^ t[5][(b >> 16) & 0xFF] ^ t[4][(b >> 24) & 0xFF] ^
                t[3][(b >> 32) & 0xFF] ^ t[2][(b >> 40) & 0xFF] ^ t[1][(b >> 48) & 0xFF] ^ t[0][b >> 56]);
            p += 16;
            n -= 16;
        }
    }
    while (n--) crc = static_cast<std::uint16_t>((crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF]);
    return crc;
}

} // namespace lzh
