// Headers that other LZH programs write and that their readers' test suites
// hold, made by hand: each case names the writer or the corner it stands for.
#include "archive.h"
#include "support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace lzh::test {
namespace {

std::string utf16le(const std::u16string &s) {
    std::string out;
    for (char16_t c : s) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

std::string le32(std::uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

class Reading : public ::testing::Test {
protected:
    TempDir d;
    std::string archive(const std::vector<RawMember> &members, const std::string &name = "r.lzh") {
        write_file(d / name, raw_archive(members));
        return (d / name).string();
    }
    CmdResult extract(const std::string &arc) {
        return unlha("x " + quote(arc) + " " + quote((d / "out").string() + "/"));
    }
};

// lhasa's and libarchive's suites: a level-0 link stored by an MS-DOS-minded
// writer, target and all with "\".
TEST_F(Reading, LevelZeroLinkTargetsTakeBackslashAsSeparator) {
    std::string arc = archive({{"dir\\file1", "one"}, {"dir\\sub\\link|..\\file1", "", 0120777}});
    std::vector<Member> ms = members_of(arc);
    ASSERT_EQ(ms.size(), 2u);
    EXPECT_EQ(ms[1].kind, MemberKind::symlink);
    EXPECT_EQ(ms[1].path, "dir/sub/link");
    EXPECT_EQ(ms[1].link_target, "../file1");
    CmdResult r = extract(arc);
    ASSERT_EQ(r.rc, UNLHA_OK) << r.text;
    EXPECT_EQ(fs::read_symlink(d / "out/dir/sub/link"), "../file1");
}

// Windows archivers: the name in UTF-16 (0x44, 0x45) beside an ANSI
// stand-in that cannot carry it.
TEST_F(Reading, Utf16NameHeadersWinOverTheirStandIns) {
    RawMember m{"______.txt", "unicode"};
    m.level = 2;
    m.extensions = {{0x02, "___\xFF"},
                    {0x44, utf16le(u"Ωmega 表😀.txt")},
                    {0x45, utf16le(std::u16string(u"Ελλάδα") + char16_t(0xFFFF) + u"下")}};
    std::string arc = archive({m});
    std::vector<Member> ms = members_of(arc);
    ASSERT_EQ(ms.size(), 1u);
    EXPECT_EQ(ms[0].path, "Ελλάδα/下/Ωmega 表😀.txt");
    CmdResult r = extract(arc);
    ASSERT_EQ(r.rc, UNLHA_OK) << r.text;
    EXPECT_EQ(read_file(d / "out/Ελλάδα/下/Ωmega 表😀.txt"), "unicode");
}

// The code-page header says how to read bytes that a guess would read
// otherwise: "\xC3\xA9" is "é" in UTF-8 but two half-width katakana in 932.
TEST_F(Reading, TheCodePageHeaderDecidesHowNamesAreRead) {
    RawMember sjis{"\xC3\xA9.txt", "x"}, utf8{"\xC3\xA9.txt", "y"}, guess{"\xC3\xA9.txt", "z"};
    sjis.level = utf8.level = guess.level = 2;
    sjis.extensions = {{0x46, le32(932)}};
    utf8.extensions = {{0x46, le32(65001)}};
    std::vector<Member> ms = members_of(archive({sjis, utf8, guess}));
    ASSERT_EQ(ms.size(), 3u);
    EXPECT_EQ(ms[0].path, "ﾃｩ.txt");
    EXPECT_EQ(ms[1].path, "é.txt");
    EXPECT_EQ(ms[2].path, "é.txt");
}

// The classic Unix tool and libarchive accept a level-0 header that ends
// with its name; the members after it must not be lost either.
TEST_F(Reading, LevelZeroWithoutACrcIsReadAndSoIsWhatFollows) {
    RawMember bare{"nocrc.txt", "no check"};
    bare.omit_crc = true;
    std::string arc = archive({bare, {"after.txt", "after"}});
    std::vector<Member> ms = members_of(arc);
    ASSERT_EQ(ms.size(), 2u);
    EXPECT_FALSE(ms[0].has_crc);
    EXPECT_EQ(ms[1].path, "after.txt");
    CmdResult r = extract(arc);
    ASSERT_EQ(r.rc, UNLHA_OK) << r.text;
    EXPECT_EQ(read_file(d / "out/nocrc.txt"), "no check");
    EXPECT_EQ(read_file(d / "out/after.txt"), "after");
    EXPECT_NE(unlha("l " + quote(arc)).text.find(" ---- nocrc.txt"), std::string::npos);
}

// LHA on the Amiga keeps a file comment after a NUL in the name.
TEST_F(Reading, AnAmigaCommentAfterTheNameIsNotPartOfIt) {
    RawMember l0{std::string("readme\0A comment for the Workbench", 34), "zero"};
    RawMember l1{std::string("notes.txt\0more words", 20), "one"};
    l1.level = 1;
    l1.os_id = 'A';
    std::string arc = archive({l0, l1});
    std::vector<Member> ms = members_of(arc);
    ASSERT_EQ(ms.size(), 2u);
    EXPECT_EQ(ms[0].path, "readme");
    EXPECT_EQ(ms[1].path, "notes.txt");
    CmdResult r = extract(arc);
    ASSERT_EQ(r.rc, UNLHA_OK) << r.text;
    EXPECT_EQ(read_file(d / "out/readme"), "zero");
}

// LHARK writes level-1 headers with a blank OS id and an -lh7- of its own:
// only those two say which -lh7- a member holds.  Listed as the -lh7- its
// header says; data that is no such stream is damaged, and leaves no file.
TEST_F(Reading, LharksOwnLh7IsToldApartByItsHeaderAlone) {
    RawMember lhark{"LHARK.DOC", "\x12\x34\x56\x78 not an -lh7- stream"};
    lhark.level = 1;
    lhark.os_id = ' ';
    lhark.method = "-lh7-";
    RawMember unix_lh7 = lhark, level2 = lhark;
    unix_lh7.name = "unix.doc";
    unix_lh7.os_id = 'U';
    level2.name = "level2.doc";
    level2.level = 2;
    std::string arc = archive({lhark, unix_lh7, level2});
    const std::vector<Member> ms = members_of(arc);
    ASSERT_EQ(ms.size(), 3u);
    EXPECT_EQ(ms[0].dialect, Dialect::lhark);
    EXPECT_EQ(ms[1].dialect, Dialect::common);
    EXPECT_EQ(ms[2].dialect, Dialect::common);
    for (const Member &m : ms) EXPECT_EQ(m.method, "-lh7-");
    EXPECT_NE(unlha("l " + quote(arc)).text.find("-lh7- "), std::string::npos);
    for (const std::string &verb : {std::string("x"), std::string("t")}) {
        CmdResult r = verb == "x" ? extract(arc) : unlha("t " + quote(arc));
        EXPECT_EQ(r.rc, UNLHA_ERR_DATA) << r.text;
        EXPECT_NE(r.text.find("LHARK.DOC: damaged data"), std::string::npos) << r.text;
        EXPECT_EQ(r.text.find("not supported"), std::string::npos) << r.text;
    }
    EXPECT_FALSE(fs::exists(d / "out/LHARK.DOC"));
}

// OS-9/68k stores OS-9 permissions where Unix writers put the mode: public
// read/write/execute in bits 3-5, the owner's in 0-2.
TEST_F(Reading, Os9PermissionsBecomeTheUnixModeOtherReadersGive) {
    RawMember prog{"prog", "#!/bin/sh\n"}, data{"data", "d"};
    prog.level = data.level = 2;
    prog.os_id = data.os_id = 'K';
    prog.unix_mode = 0x27;  // owner rwe, public e: "----r--rwx" read as a Unix mode
    data.unix_mode = 0x0B;  // owner rw, public r
    std::string arc = archive({prog, data});
    CmdResult r = extract(arc);
    ASSERT_EQ(r.rc, UNLHA_OK) << r.text;
    struct stat st {};
    ASSERT_EQ(::stat((d / "out/prog").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0711u);
    ASSERT_EQ(::stat((d / "out/data").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(Reading, AnEmptyFileIsNoArchiveButTheEndMarkAloneIs) {
    write_file(d / "empty.lzh", "");
    write_file(d / "mark.lzh", std::string(1, '\0'));
    for (const std::string &verb : {std::string("l "), std::string("t "), std::string("x ")}) {
        EXPECT_EQ(unlha(verb + quote((d / "empty.lzh").string())).rc, UNLHA_ERR_FORMAT) << verb;
        EXPECT_EQ(unlha(verb + quote((d / "mark.lzh").string())).rc, UNLHA_OK) << verb;
    }
    // Nothing is added to a file that is not an archive, an empty one included.
    write_file(d / "f.txt", "f");
    EXPECT_EQ(unlha("a " + quote((d / "empty.lzh").string()) + " " + quote((d / "f.txt").string())).rc, UNLHA_ERR_FORMAT);
    EXPECT_EQ(fs::file_size(d / "empty.lzh"), 0u);
}

// A member whose packed size runs past the end of the file: it is listed,
// then the listing says where the archive stopped; extracting or testing it
// fails, and no file of it is left behind.
TEST_F(Reading, DataPastTheEndIsDamageThatEveryCommandReports) {
    RawMember first{"first.txt", "whole"}, cut{"cut.bin", std::string(100, 'c')};
    cut.claimed_packed = cut.claimed_original = 5000;
    std::string bytes = raw_member(first) + raw_member(cut);  // no end mark: the file ends in the data
    write_file(d / "cut.lzh", bytes);
    const std::string arc = (d / "cut.lzh").string();

    CmdResult l = unlha("l " + quote(arc));
    EXPECT_EQ(l.rc, UNLHA_ERR_FORMAT) << l.text;
    EXPECT_NE(l.text.find("cut.bin"), std::string::npos);
    EXPECT_NE(l.text.find("ends inside the data of cut.bin"), std::string::npos) << l.text;

    CmdResult x = extract(arc);
    EXPECT_NE(x.rc, UNLHA_OK);
    EXPECT_NE(x.text.find("cut.bin: the archive ends inside this member's data"), std::string::npos) << x.text;
    EXPECT_EQ(read_file(d / "out/first.txt"), "whole");
    EXPECT_FALSE(fs::exists(d / "out/cut.bin"));

    CmdResult t = unlha("t " + quote(arc));
    EXPECT_EQ(t.rc, UNLHA_ERR_FORMAT) << t.text;
    EXPECT_EQ(x.rc, UNLHA_ERR_FORMAT) << x.text;  // the three commands agree
}

} // namespace
} // namespace lzh::test
