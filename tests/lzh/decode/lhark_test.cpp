// LHARK's -lh7-, with no real archive of it at hand: streams from a small
// encoder here that writes the ordinary -lh7- block format but codes
// lengths and positions LHARK's way, as far as that is known (a length
// symbol from 264 on and a position code from 4 on are followed by extra
// bits; lengths reach 514 and distances 65536).
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <functional>
#include <unordered_map>

#include "archive.h"
#include "crc16.h"
#include "decode_support.h"
#include "huffman.h"
#include "support.h"

namespace lzh::test {
namespace {

constexpr unsigned kSymbols = 289;
constexpr unsigned kPositions = 32;
constexpr unsigned kTempSymbols = 19;

// A code and its extra bits: what the stream says for one length or distance.
struct Coded {
    unsigned symbol, extra_bits, extra;
};

// Lengths 3-10 are symbols 256-263; then four symbols per count of extra
// bits n (1 to 6), saying (4 to 7) << n; 514 has a symbol of its own.
Coded length_code(unsigned length) {
    if (length < 11) return {256 + length - 3, 0, 0};
    if (length == 514) return {288, 0, 0};
    const unsigned v = length - 3;  // 8 .. 510
    const unsigned n = static_cast<unsigned>(std::bit_width(v)) - 3;
    return {264 + 4 * (n - 1) + ((v >> n) - 4), n, v & ((1u << n) - 1)};
}

// Distances 1-4 are codes 0-3; then two codes per count of extra bits n,
// saying (2 or 3) << n, the distance less one.
Coded position_code(unsigned distance) {
    const unsigned v = distance - 1;
    if (v < 4) return {v, 0, 0};
    const unsigned n = static_cast<unsigned>(std::bit_width(v)) - 2;
    return {2 * n + 2 + ((v >> n) - 2), n, v & ((1u << n) - 1)};
}

struct Token {
    unsigned length;  // 0: a literal
    unsigned value;   // the literal, or the distance
};

// Greedy matches from a hash of three bytes, the farthest 65536 back, as
// long as 514, the longest of the last 256 candidates.
std::vector<Token> tokens_of(const std::string &data) {
    std::vector<Token> out;
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> seen;
    auto key = [&](std::size_t i) {
        return std::uint32_t(std::uint8_t(data[i])) | std::uint32_t(std::uint8_t(data[i + 1])) << 8 |
               std::uint32_t(std::uint8_t(data[i + 2])) << 16;
    };
    for (std::size_t i = 0; i < data.size();) {
        unsigned best = 0, best_distance = 0;
        if (i + 3 <= data.size()) {
            const auto &chain = seen[key(i)];
            int tries = 256;
            for (auto it = chain.rbegin(); it != chain.rend() && i - *it <= 65536 && tries-- > 0; ++it) {
                unsigned n = 0;
                while (n < 514 && i + n < data.size() && data[*it + n] == data[i + n]) ++n;
                if (n > best) best = n, best_distance = static_cast<unsigned>(i - *it);
            }
        }
        const unsigned step = best >= 3 ? best : 1;
        out.push_back(best >= 3 ? Token{best, best_distance} : Token{0, std::uint8_t(data[i])});
        for (std::size_t j = i; j < i + step; ++j)
            if (j + 3 <= data.size()) seen[key(j)].push_back(j);
        i += step;
    }
    return out;
}

// Code lengths for these counts, and the canonical codes: the single form
// where fewer than two symbols are used (`single` the one, or 0).
struct Code {
    std::vector<std::uint8_t> len;
    std::vector<std::uint16_t> code;
    int used;
    unsigned single = 0;
};

Code make_code(const std::vector<std::uint32_t> &freq) {
    Code c{std::vector<std::uint8_t>(freq.size()), std::vector<std::uint16_t>(freq.size()), 0};
    c.used = enc::build_lengths(freq.data(), static_cast<int>(freq.size()), 16, c.len.data());
    enc::build_codes(c.len.data(), static_cast<int>(freq.size()), c.code.data());
    for (unsigned i = 0; i < freq.size(); ++i)
        if (freq[i]) c.single = i;
    return c;
}

std::vector<unsigned> lengths_up_to_last(const Code &c) {
    std::vector<unsigned> v(c.len.begin(), c.len.end());
    while (!v.empty() && v.back() == 0) v.pop_back();
    return v;
}

// One block of tokens, LHARK's way.
void lhark_block(BitWriter &w, const std::vector<Token> &tokens) {
    std::vector<std::uint32_t> sym_freq(kSymbols), pos_freq(kPositions);
    for (const Token &t : tokens) {
        ++sym_freq[t.length ? length_code(t.length).symbol : t.value];
        if (t.length) ++pos_freq[position_code(t.value).symbol];
    }
    const Code symbols = make_code(sym_freq), positions = make_code(pos_freq);
    BlockWriter block{w, kLharkMethod.position_count_bits};
    block.start(static_cast<unsigned>(tokens.size()));
    if (symbols.used < 2) {
        block.temp_single(0);
        block.code_single(symbols.single);
    } else {
        // Each length through the temporary code as itself plus 2; a zero
        // as symbol 0 (a run of one).
        const std::vector<unsigned> lens = lengths_up_to_last(symbols);
        std::vector<std::uint32_t> temp_freq(kTempSymbols);
        for (unsigned l : lens) ++temp_freq[l ? l + 2 : 0];
        const Code temp = make_code(temp_freq);
        if (temp.used < 2) {
            block.temp_single(temp.single);
        } else {
            block.small_lengths(lengths_up_to_last(temp), 5, true);
        }
        w.put(static_cast<std::uint32_t>(lens.size()), 9);
        for (unsigned l : lens) {
            const unsigned t = l ? l + 2 : 0;
            if (temp.used >= 2) w.put(temp.code[t], temp.len[t]);
        }
    }
    if (positions.used < 2) block.position_single(positions.single);
    else block.small_lengths(lengths_up_to_last(positions), kLharkMethod.position_count_bits, false);
    auto put = [&](const Code &c, const Coded &x) {
        if (c.used >= 2) w.put(c.code[x.symbol], c.len[x.symbol]);
        w.put(x.extra, x.extra_bits);
    };
    for (const Token &t : tokens) {
        if (!t.length) {
            put(symbols, {t.value, 0, 0});
            continue;
        }
        put(symbols, length_code(t.length));
        put(positions, position_code(t.value));
    }
}

// The tokens in blocks of at most 65535, each with codes of its own.
std::string lhark_stream(const std::vector<Token> &tokens) {
    BitWriter w;
    for (std::size_t i = 0; i < tokens.size(); i += 0xFFFF)
        lhark_block(w, {tokens.begin() + static_cast<std::ptrdiff_t>(i),
                        tokens.begin() + static_cast<std::ptrdiff_t>(std::min(tokens.size(), i + 0xFFFF))});
    w.put(0, 7);
    return w.bytes();
}

CodecStatus decode_lhark(const std::string &packed, std::uint64_t size, StringSink &out) {
    MemorySource src(packed);
    return decode(kLharkMethod, src, packed.size(), size, out);
}

// Content whose matches take every length and position code: runs of one
// byte (lengths to 514 at distance 1), text, and noise repeated from
// farther and farther back, the last from 65536 bytes before.
std::string varied_content() {
    std::string s = "LHARK: ";
    for (unsigned n = 3; n <= 514; n += 37) s += std::string(n, static_cast<char>('a' + n % 26)) + "|";
    for (int i = 0; i < 400; ++i) s += "the window and the position code " + std::to_string(i * 7919 % 1000) + "\n";
    for (std::size_t back = 1024; back <= 65536; back *= 2) {
        s += noise(std::max(back / 2, back - std::min(back, s.size())), static_cast<std::uint32_t>(back));
        s += s.substr(s.size() - back, 514);  // a copy from `back` bytes before
    }
    return s;
}

TEST(Lhark, CodesAreTheInverseOfWhatTheDecoderReads) {
    // Every length and distance range boundary comes out as itself.
    std::string data = noise(70000, 5);
    for (unsigned length : {3u, 10u, 11u, 12u, 18u, 19u, 34u, 35u, 66u, 67u, 130u, 131u, 258u, 259u, 513u, 514u}) {
        const std::vector<Token> tokens = {{0, 'x'}, {length, 1}};
        StringSink out;
        ASSERT_EQ(decode_lhark(lhark_stream(tokens), 1 + length, out), CodecStatus::ok) << length;
        EXPECT_EQ(out.data, std::string(1 + length, 'x')) << length;
    }
    for (unsigned distance : {1u, 4u, 5u, 6u, 7u, 8u, 9u, 12u, 13u, 4096u, 4097u, 49152u, 49153u, 65535u, 65536u}) {
        std::vector<Token> tokens;
        for (unsigned i = 0; i < distance; ++i) tokens.push_back({0, std::uint8_t(data[i])});
        tokens.push_back({3, distance});
        std::string want = data.substr(0, distance);
        for (int i = 0; i < 3; ++i) want += want[want.size() - distance];
        StringSink out;
        ASSERT_EQ(decode_lhark(lhark_stream(tokens), distance + 3, out), CodecStatus::ok) << distance;
        EXPECT_TRUE(out.data == want) << distance;
    }
}

TEST(Lhark, StreamDecodesToItsContent) {
    const std::string content = varied_content();
    const std::vector<Token> tokens = tokens_of(content);
    ASSERT_TRUE(std::any_of(tokens.begin(), tokens.end(), [](const Token &t) { return t.length > 256; }));
    ASSERT_TRUE(std::any_of(tokens.begin(), tokens.end(), [](const Token &t) { return t.value > 32768 && t.length; }));
    const std::string packed = lhark_stream(tokens);
    StringSink out;
    ASSERT_EQ(decode_lhark(packed, content.size(), out), CodecStatus::ok);
    EXPECT_TRUE(out.data == content);
    // The ordinary -lh7- reads the same block otherwise.
    StringSink ordinary;
    MemorySource src(packed);
    const CodecStatus status = decode("-lh7-", src, packed.size(), content.size(), ordinary);
    EXPECT_FALSE(status == CodecStatus::ok && ordinary.data == content);
}

TEST(Lhark, DamagedStreamsFail) {
    const std::string content = varied_content();
    const std::string packed = lhark_stream(tokens_of(content));
    StringSink cut;
    EXPECT_EQ(decode_lhark(packed.substr(0, packed.size() / 2), content.size(), cut), CodecStatus::truncated);
    EXPECT_TRUE(content.starts_with(cut.data));
    // One-symbol blocks whose first symbol cannot be decoded: a literal/length
    // symbol of 289, a position code of 32 (the 6-bit count field would
    // allow 63), and 33 position lengths of 0, no code at all.
    const std::function<void(BlockWriter &)> damaged[] = {
        [](BlockWriter &b) { b.code_single(289), b.position_single(0); },
        [](BlockWriter &b) { b.code_single(256), b.position_single(32); },
        [](BlockWriter &b) {
            b.code_single(256);
            b.small_lengths(std::vector<unsigned>(33, 0), kLharkMethod.position_count_bits, false);
        },
    };
    StringSink out;
    for (const auto &write : damaged) {
        BitWriter w;
        BlockWriter b{w, kLharkMethod.position_count_bits};
        b.start(1);
        b.temp_single(0);
        write(b);
        w.put(0, 32);
        EXPECT_EQ(decode_lhark(w.bytes(), 4, out), CodecStatus::corrupt);
    }
    EXPECT_TRUE(out.data.empty());
}

// The archive as LHARK writes it: level 1, a blank OS id.
TEST(Lhark, ArchiveExtractsAndListsAsLh7) {
    TempDir d;
    const std::string content = varied_content();
    RawMember m{"LHARK.DOC", lhark_stream(tokens_of(content))};
    m.level = 1;
    m.os_id = ' ';
    m.method = "-lh7-";
    m.claimed_original = content.size();
    // raw_member() takes the CRC of the data it stores: make it the content's.
    auto crc_of = [](const std::string &s) { return crc16(reinterpret_cast<const std::uint8_t *>(s.data()), s.size()); };
    m.crc_delta = crc_of(content) - crc_of(m.data);
    write_file(d / "lhark.lzh", raw_archive({m}));
    ArchiveReader reader;
    ASSERT_EQ(reader.open((d / "lhark.lzh").string()), UNLHA_OK);
    Member header;
    ASSERT_TRUE(reader.next(header));
    ASSERT_EQ(header.dialect, Dialect::lhark);
    EXPECT_EQ(header.method, "-lh7-");
    const std::string listing = unlha("l " + quote((d / "lhark.lzh").string())).text;
    EXPECT_NE(listing.find(" -lh7- "), std::string::npos) << listing;
    CmdResult r = unlha("x " + quote((d / "lhark.lzh").string()) + " " + quote((d / "out").string() + "/"));
    EXPECT_EQ(r.rc, UNLHA_OK) << r.text;
    EXPECT_TRUE(read_file(d / "out/LHARK.DOC") == content);
    // Damaged: a byte in the middle of the data flipped.
    std::string arc = read_file(d / "lhark.lzh");
    arc[arc.size() / 2] = static_cast<char>(arc[arc.size() / 2] ^ 0x55);
    write_file(d / "damaged.lzh", arc);
    r = unlha("x " + quote((d / "damaged.lzh").string()) + " " + quote((d / "bad").string() + "/"));
    EXPECT_EQ(r.rc, UNLHA_ERR_DATA) << r.text;
    EXPECT_FALSE(fs::exists(d / "bad/LHARK.DOC"));
}

} // namespace
} // namespace lzh::test
