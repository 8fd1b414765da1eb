// Hand-built -lh4- to -lh7- streams: the corners of the format that real
// archives rarely reach, and tables that no encoder would send.
#include <gtest/gtest.h>

#include <functional>

#include "decode_support.h"

namespace lzh::test {
namespace {

using Method = MethodInfo;

std::vector<Method> lh_methods() {
    std::vector<Method> out;
    for (const MethodInfo &m : all_methods())
        if (m.kind == MethodKind::lh) out.push_back(m);
    return out;
}

std::string pseudo_random(std::size_t n, std::uint32_t seed) {
    std::string s(n, '\0');
    for (char &c : s) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 23);
    }
    return s;
}

class LhStream : public ::testing::TestWithParam<Method> {
protected:
    BitWriter w;
    BlockWriter block{w, GetParam().position_count_bits};

    CodecStatus decode_written(std::uint64_t original_size, StringSink &out) {
        return decode_string(GetParam().id, w.bytes(), original_size, out);
    }
};

TEST_P(LhStream, SingleSymbolTablesTakeNoBits) {
    block.start(10);
    block.temp_single(0);
    block.code_single('A');
    block.position_single(0);
    StringSink out;
    ASSERT_EQ(decode_written(10, out), CodecStatus::ok);
    EXPECT_EQ(out.data, "AAAAAAAAAA");
}

TEST_P(LhStream, MatchBeforeTheFirstByteReadsSpaces) {
    block.start(1);
    block.all_literals_8_bits();
    w.put('x', 8);
    block.start(1);
    block.temp_single(0);
    block.code_single(256 + 5 - 3); // a match of 5
    block.position_single(3);       // distance 5..8, two extra bits
    w.put(3, 2);                    // distance 8: seven bytes before the start
    StringSink out;
    ASSERT_EQ(decode_written(6, out), CodecStatus::ok);
    EXPECT_EQ(out.data, "x     ");
}

// A match from the farthest distance the position code can say, after
// enough literals that it reaches back across an output chunk boundary.
TEST_P(LhStream, FarthestMatchReachesBackAcrossChunks) {
    const std::size_t farthest = std::size_t{1} << (GetParam().position_codes - 1);
    const std::string literals = pseudo_random(300'000, 7);
    for (std::size_t i = 0; i < literals.size();) { // a block holds at most 65535 symbols
        const std::size_t n = std::min<std::size_t>(0xFFFF, literals.size() - i);
        block.start(static_cast<unsigned>(n));
        block.all_literals_8_bits();
        for (const std::size_t end = i + n; i < end; ++i) w.put(static_cast<std::uint8_t>(literals[i]), 8);
    }
    block.start(1);
    block.temp_single(0);
    block.code_single(509); // a match of 256
    block.position_single(GetParam().position_codes - 1);
    w.put((1u << (GetParam().position_codes - 2)) - 1, GetParam().position_codes - 2);

    StringSink out;
    ASSERT_EQ(decode_written(literals.size() + 256, out), CodecStatus::ok);
    ASSERT_EQ(out.data.size(), literals.size() + 256);
    EXPECT_EQ(out.data.substr(0, literals.size()), literals);
    EXPECT_EQ(out.data.substr(literals.size()), literals.substr(literals.size() - farthest, 256));
}

TEST_P(LhStream, EmptyBlockIsSkippedTablesAndAll) {
    block.start(0);
    block.temp_single(0);
    block.code_single('y');
    block.position_single(0);
    block.start(3);
    block.temp_single(0);
    block.code_single('x');
    block.position_single(0);
    StringSink out;
    ASSERT_EQ(decode_written(3, out), CodecStatus::ok);
    EXPECT_EQ(out.data, "xxx");
}

TEST_P(LhStream, StreamCutShortIsTruncated) {
    block.start(1000);
    block.all_literals_8_bits();
    const std::string literals = pseudo_random(1000, 3);
    for (char c : literals) w.put(static_cast<std::uint8_t>(c), 8);
    const std::string whole = w.bytes();
    for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{9}, whole.size() / 2, whole.size() - 1}) {
        StringSink out;
        EXPECT_EQ(decode_string(GetParam().id, whole.substr(0, cut), 1000, out), CodecStatus::truncated) << cut;
        EXPECT_EQ(out.data, literals.substr(0, out.data.size())); // nothing decoded from past the end
    }
    StringSink out;
    EXPECT_EQ(decode_string(GetParam().id, whole, 1001, out), CodecStatus::truncated);
}

// Long blocks take their codes two at a time where both fit in 12 bits
// and one at a time where they do not.  These blocks have both kinds: two
// 2-bit literals (pairs of them), 16-bit literals, a match whose position
// code fits beside its length code and one whose position code does not.
class LongBlock {
public:
    LongBlock(BlockWriter &b, unsigned symbols) : b_(b) {
        b.start(symbols);
        // The temporary code: every symbol 5 bits, so symbol t is sent as t.
        b.small_lengths(std::vector<unsigned>(19, 5), 5, true);
        std::vector<unsigned> lengths(kLen8 + 1, 0);
        lengths['a'] = lengths['b'] = lengths[kLen3] = 2;  // 00, 01, 10
        lengths[kLen8] = 3;                                // 110
        lengths['c'] = lengths['d'] = 16;                  // 1110000000000000, ...01
        b.w.put(static_cast<std::uint32_t>(lengths.size()), 9);
        for (unsigned l : lengths) b.w.put(l ? l + 2 : 0, 5);  // temporary symbol 0: one zero length
        // Position code 0 (distance 1) in 1 bit, 4 (9 to 16) in 11.
        b.small_lengths({1, 0, 0, 0, 11}, b.position_count_bits, false);
    }
    // Sends a random symbol and adds what it stands for to `out`.
    void random_symbol(std::uint32_t &seed, std::string &out) {
        seed = seed * 1103515245u + 12345u;
        switch ((seed >> 16) % 7) {
        case 0: case 1: literal('a', 0b00, 2, out); break;
        case 2: case 3: literal('b', 0b01, 2, out); break;
        case 4: literal((seed >> 20) & 1 ? 'c' : 'd', (seed >> 20) & 1 ? 0xE000 : 0xE001, 16, out); break;
        case 5: // length 3 at distance 1: 2 + 1 bits, one entry
            b_.w.put(0b10, 2), b_.w.put(0, 1);
            copy(1, 3, out);
            break;
        default: { // length 8, position code 4 in 11 bits and 3 extra: on its own
            const unsigned extra = (seed >> 20) & 7;
            b_.w.put(0b110, 3), b_.w.put(0b10000000000, 11), b_.w.put(extra, 3);
            copy(9 + extra, 8, out);
        }
        }
    }

private:
    static constexpr unsigned kLen3 = 256, kLen8 = 256 + 5;
    void literal(char c, std::uint32_t code, unsigned bits, std::string &out) {
        b_.w.put(code, bits);
        out += c;
    }
    static void copy(std::size_t dist, unsigned len, std::string &out) {
        for (unsigned i = 0; i < len; ++i) out += out.size() >= dist ? out[out.size() - dist] : ' ';
    }
    BlockWriter &b_;
};

TEST_P(LhStream, LongBlocksDecodeCodesInPairsAndAlone) {
    // Enough blocks for a member that is decoded on two threads.
    std::string want;
    std::uint32_t seed = 5;
    while (want.size() < 1'300'000) {
        LongBlock block_of(block, 5000);
        for (int i = 0; i < 5000; ++i) block_of.random_symbol(seed, want);
    }
    w.put(0, 32);
    const std::string packed = w.bytes();
    for (std::size_t max_read : {SIZE_MAX, std::size_t{1000}}) {
        MemorySource src(packed);
        src.max_read = max_read;
        StringSink out;
        ASSERT_EQ(decode(GetParam().id, src, packed.size(), want.size(), out), CodecStatus::ok) << max_read;
        EXPECT_TRUE(out.data == want) << max_read;
    }
}

TEST_P(LhStream, HolesInLongBlocksAreCorrupt) {
    // A long block that goes well, then a code no symbol has: a literal/
    // length code past 'd', or a position code that is not code 0 or 4.
    for (std::uint32_t hole : {0xFFFFu, 0b110'11000000000u}) {
        BitWriter bw;
        BlockWriter b{bw, GetParam().position_count_bits};
        std::string good;
        std::uint32_t seed = 9;
        LongBlock block_of(b, 5000);
        for (int i = 0; i < 3000; ++i) block_of.random_symbol(seed, good);
        bw.put(hole, 16);
        bw.put(0, 64);
        StringSink out;
        EXPECT_EQ(decode_string(GetParam().id, bw.bytes(), good.size() + 100, out), CodecStatus::corrupt) << hole;
        EXPECT_TRUE(out.data == good.substr(0, out.data.size())) << hole;
    }
}

// Tables no encoder sends.  Each builder writes one block whose first
// symbol cannot be decoded.
struct Damage {
    const char *what;
    std::function<void(BlockWriter &, const Method &)> write;
};

const Damage kDamage[] = {
    {"over-subscribed position lengths",
     [](BlockWriter &b, const Method &m) {
         b.start(1);
         b.temp_single(0);
         b.code_single('a');
         b.small_lengths({1, 1, 1}, m.position_count_bits, false);
     }},
    {"code length over 16",
     [](BlockWriter &b, const Method &m) {
         b.start(1);
         b.temp_single(0);
         b.code_single('a');
         b.small_lengths({1, 17}, m.position_count_bits, false);
     }},
    {"literal/length symbol 510",
     [](BlockWriter &b, const Method &) {
         b.start(1);
         b.temp_single(0);
         b.code_single(510);
         b.position_single(0);
     }},
    {"position code past the alphabet",
     [](BlockWriter &b, const Method &m) {
         b.start(1);
         b.temp_single(0);
         b.code_single(256);
         b.position_single(m.position_codes);
         b.w.put(0, 16);
     }},
    {"511 code lengths",
     [](BlockWriter &b, const Method &) {
         b.start(1);
         b.temp_single(0);
         b.w.put(511, 9);
     }},
    {"temporary symbol past its alphabet",
     [](BlockWriter &b, const Method &) {
         b.start(1);
         b.temp_single(25);
         b.w.put(1, 9);
     }},
    {"code with a hole where the stream points",
     [](BlockWriter &b, const Method &) {
         b.start(1);
         b.temp_single(1 + 2); // every length read is 1: symbol 0 alone gets code "0"
         b.w.put(1, 9);
         b.position_single(0);
         b.w.put(0xFFFF, 16); // code "1" is no symbol's
     }},
};

TEST_P(LhStream, DamagedTablesAreCorrupt) {
    for (const Damage &d : kDamage) {
        BitWriter bw;
        BlockWriter b{bw, GetParam().position_count_bits};
        d.write(b, GetParam());
        bw.put(0, 64);
        StringSink out;
        EXPECT_EQ(decode_string(GetParam().id, bw.bytes(), 4, out), CodecStatus::corrupt) << d.what;
        EXPECT_TRUE(out.data.empty()) << d.what;
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, LhStream, ::testing::ValuesIn(lh_methods()),
                         [](const auto &info) { return std::string(info.param.id).substr(1, 3); });

TEST(Dispatch, KnowsEveryMethodThatSomethingHereDecodes) {
    for (const char *m : {"-lh0-", "-lh1-", "-lh2-", "-lh3-", "-lh4-", "-lh5-", "-lh6-", "-lh7-", "-lhd-", "-lhx-",
                          "-lzs-", "-lz4-", "-lz5-", "-pm0-", "-pm1-", "-pm2-"})
        EXPECT_TRUE(can_decode(m)) << m;
    // LHARK's -lh7- only where a header says so; no id of its own.
    EXPECT_EQ(data_method("-lh7-", Dialect::lhark), &kLharkMethod);
    EXPECT_EQ(data_method("-lh7-"), find_method("-lh7-"));
    EXPECT_EQ(data_method("-lh5-", Dialect::lhark), find_method("-lh5-"));
    for (const char *m : {"-lk7-", "-lh8-", "-LH5-", "-lh5", "", "-lh5--"}) {
        EXPECT_FALSE(can_decode(m)) << m;
        StringSink out;
        EXPECT_EQ(decode_string(m, "\x01\x02", 2, out), CodecStatus::unsupported) << m;
    }
}

TEST(Dispatch, DirectoryHasNoData) {
    StringSink out;
    EXPECT_EQ(decode_string("-lhd-", "", 0, out), CodecStatus::ok);
    EXPECT_EQ(decode_string("-lhd-", "abc", 3, out), CodecStatus::corrupt);
    EXPECT_TRUE(out.data.empty());
}

TEST(Dispatch, StoredMethodsCopyAndStopAtTheirSize) {
    for (const char *m : {"-lh0-", "-lz4-", "-pm0-"}) {
        StringSink out;
        EXPECT_EQ(decode_string(m, "hello world", 5, out), CodecStatus::ok);
        EXPECT_EQ(out.data, "hello");
        StringSink cut;
        EXPECT_EQ(decode_string(m, "hel", 5, cut), CodecStatus::truncated);
        EXPECT_EQ(cut.data, "hel");
    }
}

} // namespace
} // namespace lzh::test
