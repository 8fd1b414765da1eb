// -lh2- and -lh3-: hand-built -lh3- streams for the corners of its block
// format, the archives LHa for Java made (tests/corpus/jlha_lh23, whose
// content the corpus test checks) cut short and damaged, and its own way
// with -lh2-'s first position code.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "archive.h"
#include "crc16.h"
#include "decode_support.h"
#include "file_io.h"
#include "support.h"

namespace lzh::test {
namespace {

// The parts of an -lh3- block.
struct Lh3Writer {
    BitWriter w;

    // A code for the 286 literal/length symbols, `lengths` by symbol (the
    // rest unused).
    void block(unsigned symbols, const std::map<unsigned, unsigned> &lengths) {
        w.put(symbols, 16);
        for (unsigned s = 0; s < 286; ++s) {
            const auto it = lengths.find(s);
            if (it == lengths.end()) w.put(0, 1);
            else w.put(1, 1), w.put(it->second - 1, 4);
        }
    }
    // One literal/length symbol, sent whole: three lengths of 1 first.
    void block_single(unsigned symbols, unsigned symbol) {
        w.put(symbols, 16);
        for (int i = 0; i < 3; ++i) w.put(0b10000, 5);
        w.put(symbol, 9);
    }
    void fixed_positions() { w.put(0, 1); }
    void single_position(unsigned high) {
        w.put(1, 1);
        for (int i = 0; i < 3; ++i) w.put(1, 4);
        w.put(high, 7);
    }
    void positions(const std::vector<unsigned> &lengths) {  // 128 of them
        w.put(1, 1);
        for (unsigned l : lengths) w.put(l, 4);
    }

    CodecStatus decode(std::uint64_t size, StringSink &out) { return decode_string("-lh3-", w.bytes(), size, out); }
};

TEST(Lh3Stream, SingleSymbolCodesTakeNoBits) {
    Lh3Writer s;
    s.block_single(5, 'A');
    s.fixed_positions();
    StringSink out;
    ASSERT_EQ(s.decode(5, out), CodecStatus::ok);
    EXPECT_EQ(out.data, "AAAAA");
}

// The fixed position code: 2 bits for the first 64 distances, 9 for the
// last 64; the low 6 bits as they are.  The farthest match reaches 8 KiB
// back, before the first byte, where there are spaces.
TEST(Lh3Stream, FixedPositionsReachTheWholeWindow) {
    Lh3Writer s;
    s.block(3, {{'x', 1}, {256 + 5 - 3, 1}});  // 'x' is "0", a match of 5 is "1"
    s.fixed_positions();
    s.w.put(0, 1);          // x
    s.w.put(1, 1);          // a match of 5
    s.w.put(0, 2);          // top bits 0 ...
    s.w.put(0, 6);          // ... distance 1
    s.w.put(1, 1);          // a match of 5
    s.w.put(0x1FF, 9);      // top bits 127: the last code of the fixed table
    s.w.put(63, 6);         // distance 8192
    StringSink out;
    ASSERT_EQ(s.decode(11, out), CodecStatus::ok);
    EXPECT_EQ(out.data, "xxxxxx     ");
}

// Symbol 285 is followed by 8 bits added to it: lengths 32 to 287.
TEST(Lh3Stream, LastSymbolTakesEightMoreBits) {
    Lh3Writer s;
    s.block(3, {{'y', 1}, {285, 1}});
    s.single_position(0);
    s.w.put(0, 1);    // y
    s.w.put(1, 1);    // symbol 285 ...
    s.w.put(255, 8);  // ... +255: a match of 287
    s.w.put(0, 6);    // distance 1 (the position code takes no bits)
    s.w.put(1, 1);
    s.w.put(0, 8);    // a match of 32
    s.w.put(0, 6);
    StringSink out;
    ASSERT_EQ(s.decode(1 + 287 + 32, out), CodecStatus::ok);
    EXPECT_EQ(out.data, std::string(320, 'y'));
}

TEST(Lh3Stream, BlocksChangeCodesAndEmptyOnesArePassedOver) {
    Lh3Writer s;
    s.block_single(0, 'n');  // no symbols: its codes are read and dropped
    s.fixed_positions();
    s.block_single(2, 'a');
    s.fixed_positions();
    std::vector<unsigned> lengths(128, 0);
    lengths[0] = lengths[5] = 1;  // top bits 0 is "0", 5 is "1"
    s.block(2, {{'b', 1}, {256, 1}});
    s.positions(lengths);
    s.w.put(0, 1);   // b
    s.w.put(1, 1);   // a match of 3 ...
    s.w.put(1, 1);   // ... top bits 5 ...
    s.w.put(62, 6);  // ... distance 5 * 64 + 63: the spaces before the start
    StringSink out;
    ASSERT_EQ(s.decode(6, out), CodecStatus::ok);
    EXPECT_EQ(out.data, "aab   ");
}

TEST(Lh3Stream, DamagedCodesAreCorrupt) {
    struct Case {
        const char *what;
        std::function<void(Lh3Writer &)> write;
    };
    const Case cases[] = {
        {"over-subscribed lengths", [](Lh3Writer &s) { s.block(1, {{0, 1}, {1, 1}, {3, 1}}), s.fixed_positions(); }},
        {"a symbol past the alphabet", [](Lh3Writer &s) { s.block_single(1, 300), s.fixed_positions(); }},
        {"a code with a hole where the stream points",
         [](Lh3Writer &s) { s.block(1, {{'a', 1}}), s.fixed_positions(), s.w.put(1, 1); }},
        {"over-subscribed positions",
         [](Lh3Writer &s) {
             s.block_single(1, 256);
             s.positions(std::vector<unsigned>(128, 2));
         }},
    };
    for (const Case &c : cases) {
        Lh3Writer s;
        c.write(s);
        s.w.put(0, 32);
        StringSink out;
        EXPECT_EQ(s.decode(3, out), CodecStatus::corrupt) << c.what;
        EXPECT_TRUE(out.data.empty()) << c.what;
    }
}

// The packed data of each member of a jlha_lh23 archive, with its size.
struct Packed {
    std::string data;
    std::uint64_t size;
};

std::vector<Packed> packed_members(const std::string &archive) {
    const fs::path path = corpus_dir() / "jlha_lh23" / archive;
    const std::string bytes = read_file(path);
    ArchiveReader reader;
    EXPECT_EQ(reader.open(path.string()), UNLHA_OK) << reader.error();
    std::vector<Packed> out;
    for (Member m; reader.next(m);) out.push_back({bytes.substr(m.data_offset, m.packed_size), m.original_size});
    return out;
}

class Lh23Archive : public ::testing::TestWithParam<const char *> {
protected:
    std::string method() const { return std::string("-") + GetParam() + "-"; }
    std::string archive() const { return std::string(GetParam()) + ".lzh"; }
};

TEST_P(Lh23Archive, StreamCutShortIsTruncated) {
    for (const Packed &p : packed_members(archive())) {
        StringSink whole;
        ASSERT_EQ(decode_string(method(), p.data, p.size, whole), CodecStatus::ok);
        for (std::size_t cut : {std::size_t{0}, std::size_t{1}, p.data.size() / 2, p.data.size() - 1}) {
            StringSink out;
            EXPECT_EQ(decode_string(method(), p.data.substr(0, cut), p.size, out), CodecStatus::truncated) << cut;
            EXPECT_TRUE(whole.data.starts_with(out.data)) << cut;  // nothing made up past the end
        }
    }
}

// A flipped byte in each member's data: the member fails with result 4 and
// leaves no file, whatever the decoder made of it.
TEST_P(Lh23Archive, DamagedDataFailsAndLeavesNoFile) {
    TempDir d;
    std::string bytes = read_file(corpus_dir() / "jlha_lh23" / archive());
    ArchiveReader reader;
    ASSERT_EQ(reader.open((corpus_dir() / "jlha_lh23" / archive()).string()), UNLHA_OK);
    std::vector<std::string> names;
    for (Member m; reader.next(m);) {
        bytes[m.data_offset + m.packed_size / 3] = static_cast<char>(bytes[m.data_offset + m.packed_size / 3] ^ 0x24);
        names.push_back(m.path);
    }
    write_file(d / "damaged.lzh", bytes);
    const CmdResult r = unlha("x " + quote((d / "damaged.lzh").string()) + " " + quote((d / "out").string() + "/"));
    EXPECT_EQ(r.rc, UNLHA_ERR_DATA) << r.text;
    for (const std::string &name : names) {
        EXPECT_FALSE(fs::exists(d / "out" / name)) << name;
        EXPECT_NE(r.text.find(name), std::string::npos) << r.text;
    }
    EXPECT_EQ(unlha("t " + quote((d / "damaged.lzh").string())).rc, UNLHA_ERR_DATA);
}

INSTANTIATE_TEST_SUITE_P(Methods, Lh23Archive, ::testing::Values("lh2", "lh3"));

// LHa for Java counts the first position code's uses before the second
// comes in: its header (OS id J) picks that way, which reads its member
// with matches in the first 64 bytes right where the common way does not.
TEST(JavaLh2, TheHeaderPicksTheWriterOwnWay) {
    ArchiveReader reader;
    ASSERT_EQ(reader.open((corpus_dir() / "jlha_lh23" / "lh2_early.lzh").string()), UNLHA_OK);
    Member m;
    ASSERT_TRUE(reader.next(m));
    EXPECT_EQ(m.dialect, Dialect::java);
    ASSERT_EQ(data_method(m.method, m.dialect), &kJavaLh2Method);
    EXPECT_EQ(data_method("-lh2-"), find_method("-lh2-"));
    const Packed p = packed_members("lh2_early.lzh").at(0);
    for (const MethodInfo *method : {&kJavaLh2Method, find_method("-lh2-")}) {
        StringSink out;
        MemorySource src(p.data);
        const CodecStatus status = decode(*method, src, p.data.size(), p.size, out);
        const bool right = status == CodecStatus::ok &&
                           crc16(reinterpret_cast<const std::uint8_t *>(out.data.data()), out.data.size()) == m.crc16;
        EXPECT_EQ(right, method == &kJavaLh2Method) << describe(status);
    }
}

} // namespace
} // namespace lzh::test
