// The code builder: readers accept only complete codes of at most 16 bits,
// assigned canonically.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "huffman.h"

namespace lzh::enc {
namespace {

// Kraft sum in units of 2^-16; 2^16 for a complete code.
std::uint64_t kraft(const std::vector<std::uint8_t> &len) {
    std::uint64_t k = 0;
    for (auto l : len)
        if (l) k += std::uint64_t(1) << (16 - l);
    return k;
}

void expect_sound(const std::vector<std::uint32_t> &freq) {
    std::vector<std::uint8_t> len(freq.size());
    int used = build_lengths(freq.data(), int(freq.size()), 16, len.data());
    int nonzero = 0;
    for (auto f : freq) nonzero += f != 0;
    ASSERT_EQ(used, nonzero);
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < freq.size(); ++i) {
        EXPECT_LE(len[i], 16);
        EXPECT_EQ(len[i] != 0, freq[i] != 0 && used >= 2) << "symbol " << i;
        if (freq[i]) order.push_back(i);
    }
    // A more frequent symbol never gets a longer code.
    std::sort(order.begin(), order.end(), [&](auto a, auto b) { return freq[a] > freq[b]; });
    for (std::size_t k = 1; k < order.size(); ++k)
        if (freq[order[k - 1]] > freq[order[k]]) {
            EXPECT_LE(len[order[k - 1]], len[order[k]]);
        }
    if (used >= 2) {
        EXPECT_EQ(kraft(len), 1u << 16);
    }
}

TEST(CodeLengths, SkewedFrequenciesStayWithinSixteenBits) {
    // Fibonacci weights would give a 30-deep tree without the limit.
    std::vector<std::uint32_t> freq(40);
    std::uint32_t a = 1, b = 1;
    for (auto &f : freq) {
        f = a;
        std::uint32_t c = a + b;
        a = b;
        b = c;
        if (b > (1u << 21)) b = 1u << 21;
    }
    expect_sound(freq);
}

TEST(CodeLengths, RandomTablesOfEveryShape) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        std::vector<std::uint32_t> freq(2 + rng() % 509);
        for (auto &f : freq) f = rng() % 3 == 0 ? 0 : (rng() % 2 ? rng() % 4 : rng() % 60000);
        expect_sound(freq);
    }
}

TEST(CodeLengths, LargeAlphabetsSortedByEveryDigitOfTheirCounts) {
    // Many symbols are sorted by their counts a byte at a time: counts of
    // one, two and three bytes, and past the limit of 2^22 (where they count
    // as 2^22 - 1), with ties, must come out in the order of the counts, and
    // equal counts in the order of the symbols, the lower one taking the
    // longer code.
    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint32_t> freq(65 + rng() % 446);
        const std::uint32_t top = round % 4 == 0 ? 255 : round % 4 == 1 ? 65535 : round % 4 == 2 ? (1u << 22) : (1u << 24);
        for (auto &f : freq) f = rng() % 4 == 0 ? 0 : rng() % 3 == 0 ? 1 + rng() % 3 : 1 + rng() % top;
        std::vector<std::uint8_t> len(freq.size());
        build_lengths(freq.data(), int(freq.size()), 16, len.data());
        EXPECT_EQ(kraft(len), 1u << 16) << "round " << round;
        std::vector<std::size_t> used;
        for (std::size_t i = 0; i < freq.size(); ++i) {
            EXPECT_EQ(len[i] != 0, freq[i] != 0) << "round " << round << ", symbol " << i;
            if (freq[i]) used.push_back(i);
        }
        auto count = [&](std::size_t i) { return std::min(freq[i], (1u << 22) - 1); };
        std::stable_sort(used.begin(), used.end(), [&](auto x, auto y) { return count(x) < count(y); });
        for (std::size_t k = 1; k < used.size(); ++k) EXPECT_GE(len[used[k - 1]], len[used[k]]) << "round " << round;
    }
}

TEST(CodeLengths, FewerThanTwoSymbolsLeaveTheOneSymbolForm) {
    std::vector<std::uint32_t> freq(19, 0);
    std::vector<std::uint8_t> len(19, 9);
    EXPECT_EQ(build_lengths(freq.data(), 19, 16, len.data()), 0);
    freq[5] = 100;
    EXPECT_EQ(build_lengths(freq.data(), 19, 16, len.data()), 1);
    for (auto l : len) EXPECT_EQ(l, 0);
    freq[18] = 1;
    EXPECT_EQ(build_lengths(freq.data(), 19, 16, len.data()), 2);
    EXPECT_EQ(len[5], 1);
    EXPECT_EQ(len[18], 1);
}

TEST(CanonicalCodes, ShorterFirstThenSymbolOrder) {
    const std::vector<std::uint8_t> len = {3, 0, 2, 3, 2, 3, 3, 0};
    std::vector<std::uint16_t> code(len.size());
    build_codes(len.data(), int(len.size()), code.data());
    EXPECT_EQ(code[2], 0b00);
    EXPECT_EQ(code[4], 0b01);
    EXPECT_EQ(code[0], 0b100);
    EXPECT_EQ(code[3], 0b101);
    EXPECT_EQ(code[5], 0b110);
    EXPECT_EQ(code[6], 0b111);
}

TEST(CanonicalCodes, PrefixFreeForBuiltLengths) {
    std::mt19937 rng(11);
    std::vector<std::uint32_t> freq(510);
    for (auto &f : freq) f = rng() % 5 ? rng() % 1000 : 0;
    std::vector<std::uint8_t> len(510);
    std::vector<std::uint16_t> code(510);
    build_lengths(freq.data(), 510, 16, len.data());
    build_codes(len.data(), 510, code.data());
    for (int i = 0; i < 510; ++i)
        for (int j = 0; j < 510; ++j) {
            if (i == j || !len[i] || !len[j] || len[i] > len[j]) continue;
            EXPECT_NE(code[j] >> (len[j] - len[i]), code[i]) << i << " is a prefix of " << j;
        }
}

} // namespace
} // namespace lzh::enc
