// The table-driven CRC-16 against the bit-at-a-time definition, on every
// alignment and on lengths around its 16-byte steps.
#include "crc16.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace lzh::test {
namespace {

std::uint16_t bitwise_crc16(std::uint16_t crc, const std::uint8_t *p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    return crc;
}

TEST(Crc16, MatchesTheBitwiseDefinitionAtEveryAlignmentAndLength) {
    const std::uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(crc16(check, sizeof check), 0xBB3D);  // the published check value of this CRC

    std::mt19937 rng(7);
    std::vector<std::uint8_t> data(5000);
    for (auto &b : data) b = static_cast<std::uint8_t>(rng());
    for (std::size_t offset = 0; offset < 16; ++offset)
        for (std::size_t n : {0, 1, 7, 8, 15, 16, 17, 31, 32, 33, 100, 4096, 4983}) {
            const std::uint16_t seed = static_cast<std::uint16_t>(rng());
            EXPECT_EQ(crc16_update(seed, data.data() + offset, n), bitwise_crc16(seed, data.data() + offset, n))
                << "offset " << offset << ", " << n << " bytes";
        }
    // In pieces as in one go.
    std::uint16_t crc = 0;
    for (std::size_t at = 0, step = 1; at < data.size(); at += step, step = step * 3 % 97 + 1)
        crc = crc16_update(crc, data.data() + at, std::min(step, data.size() - at));
    EXPECT_EQ(crc, bitwise_crc16(0, data.data(), data.size()));
}

} // namespace
} // namespace lzh::test
