// Level-2 headers we write, parsed back: names in code page 932 or UTF-8,
// folders, links, 64-bit sizes, and the size that must never look like the
// end mark.
#include "header.h"
#include "names.h"
#include "support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace lzh::test {
namespace {

class StringInput : public HeaderInput {
public:
    explicit StringInput(std::string s) : s_(std::move(s)) {}
    bool read_at(std::uint64_t off, std::uint8_t *buf, std::size_t n) override {
        if (off > s_.size() || n > s_.size() - off) return false;
        std::memcpy(buf, s_.data() + off, n);
        return true;
    }

private:
    std::string s_;
};

Member round_trip(const Member &m, std::string *bytes = nullptr) {
    std::string h = build_level2_header(m);
    if (bytes) *bytes = h;
    StringInput in(h);
    Member back;
    ParseResult r = parse_header(in, 0, back);
    EXPECT_EQ(r.error, HeaderError::none) << r.what;
    EXPECT_EQ(back.header_size, h.size());
    return back;
}

TEST(Level2Header, NamesGoInCodePage932WhenTheyCanElseUtf8) {
    Member m;
    m.path = "表示/ソ連.txt";  // second bytes 0x5C: must not split
    std::string bytes;
    Member back = round_trip(m, &bytes);
    EXPECT_EQ(back.path, "表示/ソ連.txt");
    EXPECT_NE(bytes.find("\x83\x5c\x98\x41"), std::string::npos);  // ソ連 in code page 932

    m.path = "café/naïve 😀.txt";  // no code page 932 form
    back = round_trip(m, &bytes);
    EXPECT_EQ(back.path, "café/naïve 😀.txt");
    EXPECT_NE(bytes.find("naïve"), std::string::npos);
}

TEST(Level2Header, EveryMemberSaysItsCodePageAndMode) {
    Member jp, plain, wide, dir, link;
    jp.path = "表示/ソ連.txt";
    plain.path = "readme.txt";
    wide.path = "日本/😀.txt";  // the folder could be 932, the name cannot: the whole path goes in UTF-8
    dir.path = "docs";
    dir.kind = MemberKind::directory;
    link.path = "ln";
    link.kind = MemberKind::symlink;
    link.link_target = "表示";
    EXPECT_EQ(round_trip(jp).code_page, kCodePageShiftJis);
    EXPECT_EQ(round_trip(plain).code_page, kCodePageShiftJis);
    Member w = round_trip(wide);
    EXPECT_EQ(w.code_page, kCodePageUtf8);
    EXPECT_EQ(w.path, "日本/😀.txt");
    // Without a mode of their own, members get their kind's usual one.
    EXPECT_EQ(round_trip(plain).unix_mode, 0100644);
    EXPECT_EQ(round_trip(dir).unix_mode, 040755);
    Member l = round_trip(link);
    EXPECT_EQ(l.unix_mode, 0120777);
    EXPECT_EQ(l.link_target, "表示");
}

TEST(Level2Header, KindsSizesAndTimesSurvive) {
    Member dir;
    dir.path = "a/b";
    dir.kind = MemberKind::directory;
    dir.method = "-lhd-";
    Member d = round_trip(dir);
    EXPECT_EQ(d.kind, MemberKind::directory);
    EXPECT_EQ(d.display_path(), "a/b/");

    Member link;
    link.path = "bin/sh";
    link.kind = MemberKind::symlink;
    link.method = "-lhd-";
    link.unix_mode = 0120777;
    link.link_target = "../usr/bin/dash";
    Member l = round_trip(link);
    EXPECT_EQ(l.kind, MemberKind::symlink);
    EXPECT_EQ(l.path, "bin/sh");
    EXPECT_EQ(l.link_target, "../usr/bin/dash");

    Member big;
    big.path = "huge.img";
    big.method = "-lh7-";
    big.original_size = 6ull << 30;
    big.packed_size = 5ull << 30;
    big.crc16 = 0xBEEF;
    big.mtime = 1700000000;
    big.unix_mode = 0100640;
    Member b = round_trip(big);
    EXPECT_EQ(b.original_size, 6ull << 30);
    EXPECT_EQ(b.packed_size, 5ull << 30);
    EXPECT_EQ(b.crc16, 0xBEEF);
    EXPECT_EQ(b.mtime, 1700000000);
    EXPECT_EQ(b.unix_mode, 0100640);
    EXPECT_EQ(b.method, "-lh7-");
}

TEST(Level2Header, ASizeWithAZeroLowByteIsPadded) {
    // Find a name length that makes the header exactly 256 bytes long.
    for (std::size_t n = 150; n < 260; ++n) {
        Member m;
        m.path = std::string(n, 'n');
        std::string h = build_level2_header(m);
        EXPECT_NE(h.size() & 0xFF, 0u) << n;  // a 0 first byte reads as the end mark
        EXPECT_EQ(round_trip(m).path, m.path);
    }
}

TEST(Level2Header, DamagedHeaderCrcIsCaught) {
    Member m;
    m.path = "x.txt";
    std::string h = build_level2_header(m);
    h[h.size() - 5] ^= 1;
    StringInput in(h);
    Member back;
    EXPECT_EQ(parse_header(in, 0, back).error, HeaderError::bad_check);
}

TEST(Names, ReadingTakesUtf8OrCodePage932) {
    EXPECT_EQ(utf16le_to_utf8(std::string("\x3d\xd8\x00\xde" "A\0" "\x00\xd8", 8)), "😀A\xEF\xBF\xBD");  // a lone surrogate is marked
    EXPECT_EQ(name_to_utf8("\x95\x5c\x8e\xa6"), "表示");
    EXPECT_EQ(name_to_utf8("表示"), "表示");
    EXPECT_EQ(name_to_utf8("\xff\xfe"), "\xEF\xBF\xBD\xEF\xBF\xBD");  // neither: marked, never raw
    EXPECT_EQ(split_path("\\a\\\\b/c/"), (std::vector<std::string>{"a", "b", "c"}));
}

} // namespace
} // namespace lzh::test
