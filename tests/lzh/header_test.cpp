// Headers we write, parsed back: names in code page 932 or UTF-8, folders,
// links (in the layout other readers split them by), 64-bit sizes, the size
// that must never look like the end mark, and levels 0 and 1 and the
// generic format, with what a level cannot hold refused; and headers of
// other writers: 0xFF in names, OS-9's attributes.
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

Member parsed(const std::string &header) {
    StringInput in(header);
    Member back;
    ParseResult r = parse_header(in, 0, back);
    EXPECT_EQ(r.error, HeaderError::none) << r.what;
    EXPECT_EQ(back.header_size, header.size());
    return back;
}

Member round_trip(const Member &m, std::string *bytes = nullptr) {
    std::string h = build_level2_header(m);
    if (bytes) *bytes = h;
    return parsed(h);
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


Member member(const std::string &path, MemberKind kind, std::uint64_t size = 1234) {
    Member m;
    m.path = path;
    m.kind = kind;
    m.method = kind == MemberKind::file ? "-lh5-" : "-lhd-";
    m.original_size = kind == MemberKind::file ? size : 0;
    m.packed_size = m.original_size / 2;
    m.crc16 = 0xBEEF;
    m.mtime = 1700000001;  // odd: MS-DOS time keeps even seconds only
    m.unix_mode = kind == MemberKind::directory ? 040750 : kind == MemberKind::symlink ? 0120777 : 0100640;
    m.uid = 1001;
    m.gid = 1002;
    if (kind == MemberKind::symlink) m.link_target = "../表示/ソ.txt";
    return m;
}

TEST(HeaderLevels, EveryKindRoundTripsAtEachLevel) {
    for (int level : {0, 1, 2})
        for (bool generic : {false, true})
            for (MemberKind kind : {MemberKind::file, MemberKind::directory, MemberKind::symlink}) {
                if (generic && kind == MemberKind::symlink) continue;
                SCOPED_TRACE("level " + std::to_string(level) + (generic ? " generic" : "") + " kind " +
                             std::to_string(static_cast<int>(kind)));
                Member m = member("表示/ソ連/報告.txt", kind);  // 0x5C second bytes must not split
                std::string h, why;
                ASSERT_TRUE(build_header(m, {level, generic}, h, why)) << why;
                Member back = parsed(h);
                EXPECT_EQ(back.level, level);
                EXPECT_EQ(back.path, m.path);
                EXPECT_EQ(back.kind, kind);
                EXPECT_EQ(back.link_target, m.link_target);
                EXPECT_EQ(back.original_size, m.original_size);
                EXPECT_EQ(back.packed_size, m.packed_size);
                EXPECT_EQ(back.crc16, 0xBEEF);
                if (generic) {
                    EXPECT_FALSE(back.unix_mode.has_value());
                    // Only the MS-DOS time, in local time and even seconds.
                    EXPECT_EQ(back.mtime, level == 2 ? m.mtime : m.mtime - 1);
                } else {
                    EXPECT_EQ(back.unix_mode, m.unix_mode);
                    EXPECT_EQ(back.mtime, m.mtime);
                    if (level < 2) EXPECT_EQ(back.uid, m.uid);
                }
            }
}

TEST(HeaderLevels, WhatALevelCannotHoldIsRefusedNeverCut) {
    std::string h, why;
    // Level 0's name field counts bytes with one byte: 221 with the Unix area, 233 without.
    EXPECT_TRUE(build_header(member(std::string(221, 'a'), MemberKind::file), {0, false}, h, why)) << why;
    EXPECT_EQ(parsed(h).path, std::string(221, 'a'));
    EXPECT_FALSE(build_header(member(std::string(222, 'a'), MemberKind::file), {0, false}, h, why));
    EXPECT_NE(why.find("222 bytes"), std::string::npos) << why;
    EXPECT_TRUE(build_header(member(std::string(233, 'a'), MemberKind::file), {0, true}, h, why)) << why;
    EXPECT_FALSE(build_header(member(std::string(234, 'a'), MemberKind::file), {0, true}, h, why));
    // Level 1 moves a long name into an extension header.
    const std::string long_name = "dir/" + std::string(300, 'b');
    ASSERT_TRUE(build_header(member(long_name, MemberKind::file), {1, false}, h, why)) << why;
    EXPECT_EQ(parsed(h).path, long_name);
    // Sizes past 32 bits only at level 2; a link never in the generic format.
    const std::uint64_t huge = 5ull << 30;
    EXPECT_FALSE(build_header(member("big", MemberKind::file, huge), {0, false}, h, why));
    EXPECT_FALSE(build_header(member("big", MemberKind::file, huge), {1, false}, h, why));
    ASSERT_TRUE(build_header(member("big", MemberKind::file, huge), {2, false}, h, why));
    EXPECT_EQ(parsed(h).original_size, huge);
    EXPECT_FALSE(build_header(member("l", MemberKind::symlink), {0, true}, h, why));
    EXPECT_FALSE(build_header(member(std::string(70000, 'c'), MemberKind::file), {2, false}, h, why));
}

// The bytes of an extension header of `type` in a header we built, its
// data only; "" when there is none.
std::string extension(const std::string &h, int level, std::uint8_t type) {
    std::size_t at = level == 2 ? 24 : static_cast<std::size_t>(static_cast<std::uint8_t>(h[0])) + 2 - 2;
    for (std::size_t size; at + 2 <= h.size() && (size = static_cast<std::uint8_t>(h[at]) | static_cast<std::uint8_t>(h[at + 1]) << 8);) {
        if (static_cast<std::uint8_t>(h[at + 2]) == type) return h.substr(at + 3, size - 3);
        at += size;
    }
    return "";
}

// A link's whole "folders/name|target" text is split at its last separator,
// as other readers split it: for dir/up -> ../a.txt the folder header
// holds "dir/up|../" and the name "a.txt".  Read back, it is the same link.
TEST(LinkLayout, TheWholeTextIsSplitAtItsLastSeparator) {
    struct Case {
        const char *path, *target, *folder, *name;
    };
    for (const Case &c : {Case{"dir/up", "../a.txt", "dir\xffup|..\xff", "a.txt"},
                          Case{"up", "a.txt", "", "up|a.txt"},
                          Case{"d/e/ln", "/abs/x", "d\xff" "e\xffln|\xff" "abs\xff", "x"},
                          Case{"ln", "../../表示/ソ.txt", "ln|..\xff..\xff\x95\x5c\x8e\xa6\xff", "\x83\x5c.txt"}}) {
        SCOPED_TRACE(c.path);
        Member m = member(c.path, MemberKind::symlink);
        m.link_target = c.target;
        for (int level : {1, 2}) {
            std::string h, why;
            ASSERT_TRUE(build_header(m, {level, false}, h, why)) << why;
            EXPECT_EQ(extension(h, level, 0x02), c.folder) << level;
            EXPECT_EQ(level == 2 ? extension(h, 2, 0x01) : h.substr(22, static_cast<std::uint8_t>(h[21])), c.name);
            const Member back = parsed(h);
            EXPECT_EQ(back.kind, MemberKind::symlink);
            EXPECT_EQ(back.path, c.path);
            EXPECT_EQ(back.link_target, c.target);
        }
    }
    // Level 0 holds the whole text in its name, with "\\" for separators.
    std::string h, why;
    ASSERT_TRUE(build_header(member("dir/up", MemberKind::symlink), {0, false}, h, why)) << why;
    EXPECT_NE(h.find("dir\\up|..\\\x95\x5c\x8e\xa6\\\x83\x5c.txt"), std::string::npos);
}

// Links written whole into the name (as this writer did before) read as
// well as those split across the folder header and the name.
TEST(LinkLayout, BothLayoutsRead) {
    for (int level : {1, 2}) {
        RawMember split{"a.txt", ""}, whole{"up|../a.txt", ""};
        split.level = whole.level = level;
        split.unix_mode = whole.unix_mode = 0120777;
        split.method = whole.method = "-lhd-";
        split.extensions = {{0x02, "dir\xffup|..\xff"}};
        whole.extensions = {{0x02, "dir\xff"}};
        for (const RawMember &raw : {split, whole}) {
            const Member m = parsed(raw_member(raw));
            EXPECT_EQ(m.kind, MemberKind::symlink) << level;
            EXPECT_EQ(m.path, "dir/up") << level;
            EXPECT_EQ(m.link_target, "../a.txt") << level;
        }
    }
}

// Writers of levels 0 and 1 put 0xFF between the parts of a name (the
// classic tool's UTF-8 builds) or "\\" (MS-DOS); "/" too; all three split,
// and 0xFF before decoding, since it is no byte of any character.
TEST(ForeignHeaders, NamesSplitAtFFBackslashAndSlash) {
    struct Case {
        int level;
        const char *raw, *path;
    };
    for (const Case &c : {Case{0, "tree\xff" "ascii.txt", "tree/ascii.txt"}, Case{0, "a\\b/c\xff\x95\x5c.txt", "a/b/c/表.txt"},
                          Case{1, "tree\xffsub\xff\x83\x5c.txt", "tree/sub/ソ.txt"}, Case{0, "\xff" "abs.txt", "/abs.txt"},
                          Case{0, "dir\xff", "dir"}}) {
        RawMember raw{c.raw, ""};
        raw.level = c.level;
        EXPECT_EQ(parsed(raw_member(raw)).path, c.path) << c.raw;
    }
}

// OS-9 keeps its attributes in extension header 0xCC (at byte 7 of its
// data) at levels 1 and 2: owner read, write, execute in bits 0-2, the
// public's in 3-5; Unix modes follow from them.
TEST(ForeignHeaders, Os9AttributesFromExtension0xCC) {
    for (int level : {1, 2}) {
        RawMember raw{"gpl2", ""};
        raw.level = level;
        raw.os_id = '9';
        raw.extensions = {{0xCC, std::string("\x18\x07\x09\x03\x01\x16\x00\x2b\x00\x00\x00\x00", 12)}};
        const Member m = parsed(raw_member(raw));
        EXPECT_EQ(m.os9_attributes, 0x2B) << level;  // owner read, write; public read, execute
        EXPECT_EQ(m.unix_mode, 0655) << level;
        raw.extensions[0].second.resize(11);  // too short to hold them
        EXPECT_FALSE(parsed(raw_member(raw)).unix_mode.has_value()) << level;
    }
}

TEST(Names, ReadingTakesUtf8OrCodePage932) {
    EXPECT_EQ(utf16le_to_utf8(std::string("\x3d\xd8\x00\xde" "A\0" "\x00\xd8", 8)), "😀A\xEF\xBF\xBD");  // a lone surrogate is marked
    EXPECT_EQ(name_to_utf8("\x95\x5c\x8e\xa6"), "表示");
    EXPECT_EQ(name_to_utf8("表示"), "表示");
    // Neither: the bytes stay, so that no two names read the same.
    EXPECT_EQ(name_to_utf8("caf\xe9.txt"), "caf\xe9.txt");
    EXPECT_EQ(name_to_utf8("\x95\x5c\xff"), "表\xff");
    EXPECT_EQ(name_to_utf8("caf\xe9", kCodePageUtf8), "caf\xe9");
    EXPECT_EQ(split_path("\\a\\\\b/c/"), (std::vector<std::string>{"a", "b", "c"}));
}

// A form of names that a person names is how every name reads and is
// written: over the archive's code page and over the guess.
TEST(Names, TheFormAPersonNamesWins) {
    const std::string euc = "\xc6\xfc\xcb\xdc\xb8\xec", sjis = "\x93\xfa\x96\x7b\x8c\xea";
    EXPECT_EQ(name_to_utf8(euc, std::nullopt, NameCode::euc), "日本語");
    EXPECT_EQ(name_to_utf8(euc, kCodePageShiftJis, NameCode::euc), "日本語");
    EXPECT_NE(name_to_utf8(euc), "日本語");  // guessed as code page 932
    EXPECT_EQ(name_to_utf8(euc, 20932), "日本語");  // EUC-JP's code page, as some headers say it
    EXPECT_EQ(name_to_utf8(":93:fa:96{:8c:ea.file", std::nullopt, NameCode::cap), "日本語.file");
    EXPECT_EQ(name_to_utf8("a:zz:9", std::nullopt, NameCode::cap), "a:zz:9");  // no escape there
    EXPECT_EQ(name_to_utf8(sjis, kCodePageUtf8, NameCode::sjis), "日本語");
    EXPECT_EQ(name_to_utf8(sjis, std::nullopt, NameCode::utf8), sjis);  // bytes as they are
    EXPECT_EQ(name_to_utf8(euc + "\xff", std::nullopt, NameCode::euc), "日本語\xff");  // what no form holds stays

    std::string out;
    ASSERT_TRUE(name_from_utf8("日本語", NameCode::euc, out));
    EXPECT_EQ(out, euc);
    ASSERT_TRUE(name_from_utf8("日本語.file", NameCode::cap, out));
    EXPECT_EQ(out, ":93:fa:96{:8c:ea.file");
    ASSERT_TRUE(name_from_utf8("日本語", NameCode::sjis, out));
    EXPECT_EQ(out, sjis);
    for (NameCode code : {NameCode::sjis, NameCode::euc, NameCode::cap}) EXPECT_FALSE(name_from_utf8("😀", code, out));
    ASSERT_TRUE(name_from_utf8("😀", NameCode::utf8, out));
    EXPECT_EQ(out, "😀");
    EXPECT_EQ(name_code("euc"), NameCode::euc);
    EXPECT_EQ(name_code("EUC"), std::nullopt);
    EXPECT_EQ(name_code_word(NameCode::cap), "cap");
}

// Written in a form a person names: the bytes of that form, the code-page
// header where one says it (none for EUC-JP and CAP, which readers are
// told), and read back in it; a name with no form there is refused.
TEST(HeaderLevels, NamesInTheFormAsked) {
    struct Case {
        NameCode code;
        const char *bytes;
        std::uint32_t code_page;
    };
    for (const Case &c : {Case{NameCode::sjis, "\x95\x5c", 932}, Case{NameCode::euc, "\xc9\xbd", 0},
                          Case{NameCode::utf8, "表", 65001}, Case{NameCode::cap, ":95\\", 0}}) {
        for (int level : {0, 1, 2}) {
            SCOPED_TRACE(std::string(name_code_word(c.code)) + " level " + std::to_string(level));
            Member m = member("表/x.txt", MemberKind::file);
            std::string h, why;
            ASSERT_TRUE(build_header(m, {level, false, c.code}, h, why)) << why;
            EXPECT_NE(h.find(c.bytes), std::string::npos);
            if (level > 0) EXPECT_EQ(extension(h, level, 0x46), c.code_page ? std::string(reinterpret_cast<const char *>(&c.code_page), 4) : "");
            StringInput in(h);
            Member back;
            ASSERT_EQ(parse_header(in, 0, back, c.code).error, HeaderError::none);
            EXPECT_EQ(back.path, "表/x.txt");
        }
    }
    std::string h, why;
    EXPECT_FALSE(build_header(member("日本/😀.txt", MemberKind::file), {2, false, NameCode::euc}, h, why));
    EXPECT_NE(why.find("cannot be written in euc"), std::string::npos) << why;
}

} // namespace
} // namespace lzh::test
