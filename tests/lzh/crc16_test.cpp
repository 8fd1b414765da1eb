// The CRC-16 against the bit-at-a-time definition, on every alignment and
// on lengths around the steps of both ways of computing it: 16-byte table
// steps, and 16- and 64-byte folds of the carry-less multiplication.
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
    // In pieces as in one go.  (crc16_update() takes the carry-less
    // multiplication from 256 bytes on where it can.)
    std::uint16_t crc = 0;
    for (std::size_t at = 0, step = 1; at < data.size(); at += step, step = step * 3 % 97 + 1)
        crc = crc16_update(crc, data.data() + at, std::min(step, data.size() - at));
    EXPECT_EQ(crc, bitwise_crc16(0, data.data(), data.size()));
}

TEST(Crc16, CarryLessMultiplicationMatchesTheTablesAtEveryAlignmentAndLength) {
    std::mt19937 rng(11);
    std::vector<std::uint8_t> data(70000);
    for (auto &b : data) b = static_cast<std::uint8_t>(rng());
    std::uint16_t probe = 0;
    if (!crc16_update_clmul(probe, data.data(), 64)) GTEST_SKIP() << "no carry-less multiplication here";
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 300; ++n) lengths.push_back(n);
    for (std::size_t n : {511, 512, 513, 4095, 65536, 69983}) lengths.push_back(n);
    for (std::size_t offset = 0; offset < 16; ++offset)
        for (std::size_t n : lengths) {
            const std::uint16_t seed = static_cast<std::uint16_t>(rng());
            std::uint16_t crc = seed;
            ASSERT_TRUE(crc16_update_clmul(crc, data.data() + offset, n));
            ASSERT_EQ(crc, crc16_update_tables(seed, data.data() + offset, n)) << "offset " << offset << ", " << n << " bytes";
        }
    // All zeros and all ones, where a fold constant off by a power shows.
    for (std::uint8_t fill : {0x00, 0xFF}) {
        std::vector<std::uint8_t> same(1000, fill);
        std::uint16_t crc = 0x1234;
        ASSERT_TRUE(crc16_update_clmul(crc, same.data(), same.size()));
        EXPECT_EQ(crc, bitwise_crc16(0x1234, same.data(), same.size())) << int(fill);
    }
}

} // namespace
} // namespace lzh::test
