// Hostile and damaged archives made by hand.  Each case says what it
// attacks; none may write outside the folder, crash, or pass as success.
// CTest runs this as an unprivileged user when started as root, so a broken
// guard cannot reach the real system.
#include "support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace lzh::test {
namespace {

class Hostile : public ::testing::Test {
protected:
    TempDir d;
    fs::path outside() const { return d / "outside"; }
    fs::path dest() const { return d / "dest"; }
    void SetUp() override { fs::create_directories(outside()); fs::create_directories(dest()); }
    CmdResult extract(const std::vector<RawMember> &members, const std::string &sw = "") {
        write_file(d / "h.lzh", raw_archive(members));
        return unlha("x " + sw + " " + quote((d / "h.lzh").string()) + " " + quote(dest().string() + "/"));
    }
    bool outside_empty() const { return fs::is_empty(outside()); }
};

// Attacks: an absolute stored path aimed at a folder outside the destination.
TEST_F(Hostile, AbsolutePathLandsInsideTheFolder) {
    std::string target = outside().string() + "/abs.txt";
    CmdResult r = extract({{target, "absolute"}});
    EXPECT_EQ(r.rc, UNLHA_OK) << r.text;
    EXPECT_TRUE(outside_empty());
    EXPECT_EQ(read_file(dest() / target.substr(1)), "absolute");
}

// Attacks: a drive letter, which a Windows-minded reader would honour.
TEST_F(Hostile, DriveLettersAreDropped) {
    CmdResult r = extract({{"C:\\evil.txt", "drive"}, {"D:rel.txt", "drive2"}});
    EXPECT_EQ(r.rc, UNLHA_OK) << r.text;
    EXPECT_EQ(read_file(dest() / "evil.txt"), "drive");
    EXPECT_EQ(read_file(dest() / "rel.txt"), "drive2");
    EXPECT_FALSE(fs::exists(dest() / "C:"));
}

// Attacks: ".." parts climbing out, directly and after a folder.
TEST_F(Hostile, DotDotIsRefused) {
    CmdResult r = extract({{"../outside/evil1.txt", "x"}, {"a/../../outside/evil2.txt", "y"}, {"..\\outside\\evil3.txt", "z"}});
    EXPECT_EQ(r.rc, UNLHA_ERR_UNSAFE) << r.text;
    EXPECT_TRUE(outside_empty());
    EXPECT_EQ(lines_of(r.text).size(), 3u) << r.text;  // one line per refused member
}

// Attacks: ".." between 0xFF separators, which level-0 and level-1 names
// use as they use "/" and "\\".
TEST_F(Hostile, DotDotBetweenFFSeparatorsIsRefused) {
    RawMember level1{"a\xff..\xff..\xffoutside\xff" "evil2.txt", "y"};
    level1.level = 1;
    CmdResult r = extract({{"..\xffoutside\xff" "evil1.txt", "x"}, level1});
    EXPECT_EQ(r.rc, UNLHA_ERR_UNSAFE) << r.text;
    EXPECT_TRUE(outside_empty());
    EXPECT_EQ(lines_of(r.text).size(), 2u) << r.text;
}

// Attacks: a link pointing out of the folder, then a file written through it.
TEST_F(Hostile, LinksOutOfTheFolderAreRefusedAndNeverFollowed) {
    std::string abs = "ln1|" + outside().string();
    CmdResult r = extract({{abs, "", 0120777},
                           {"ln2|../outside", "", 0120777},
                           {"ln1/passwd", "pwned"},
                           {"ln2/passwd", "pwned"}});
    EXPECT_EQ(r.rc, UNLHA_ERR_UNSAFE) << r.text;
    EXPECT_TRUE(outside_empty());
    EXPECT_FALSE(fs::is_symlink(dest() / "ln1"));
    EXPECT_FALSE(fs::is_symlink(dest() / "ln2"));
}

// Attacks: a link that stays inside, then a file written through it.
TEST_F(Hostile, NoFileIsWrittenThroughALinkEvenOneInside) {
    CmdResult r = extract({{"sub/keep.txt", "k"}, {"ln|sub", "", 0120777}, {"ln/keep.txt", "overwrite"}}, "-c");
    EXPECT_EQ(r.rc, UNLHA_ERR_UNSAFE) << r.text;
    EXPECT_TRUE(fs::is_symlink(dest() / "ln"));
    EXPECT_EQ(read_file(dest() / "sub/keep.txt"), "k");
}

// Attacks: two links that each look safe, but chained climb out.
TEST_F(Hostile, ChainedLinksCannotClimbOut) {
    CmdResult r = extract({{"a/up|..", "", 0120777}, {"out|a/up/../..", "", 0120777}, {"out/evil.txt", "x"}});
    EXPECT_EQ(r.rc, UNLHA_ERR_UNSAFE) << r.text;
    EXPECT_TRUE(fs::is_symlink(dest() / "a/up"));  // safe alone: it points at the folder itself
    EXPECT_FALSE(fs::is_symlink(dest() / "out"));  // refused; the file then lands in a real folder
    EXPECT_TRUE(outside_empty());
}

// Attacks: a link already in the destination, planted before extraction.
TEST_F(Hostile, LinksAlreadyInTheFolderAreNotFollowed) {
    fs::create_directory_symlink(outside(), dest() / "planted");
    CmdResult r = extract({{"planted/evil.txt", "x"}});
    EXPECT_EQ(r.rc, UNLHA_ERR_UNSAFE) << r.text;
    EXPECT_TRUE(outside_empty());
    // Replacing the link itself is fine: the file takes its place.
    CmdResult r2 = extract({{"planted", "now a file"}}, "-c");
    EXPECT_EQ(r2.rc, UNLHA_OK) << r2.text;
    EXPECT_FALSE(fs::is_symlink(dest() / "planted"));
    EXPECT_EQ(read_file(dest() / "planted"), "now a file");
    EXPECT_TRUE(outside_empty());
}

// Attacks: data cut short, a reader that trusts the sizes.
TEST_F(Hostile, TruncatedDataFailsWithoutAPartialFile) {
    std::string whole = raw_archive({{"big.bin", std::string(5000, 'q')}});
    write_file(d / "h.lzh", whole.substr(0, whole.size() - 3000));
    CmdResult r = unlha("x " + quote((d / "h.lzh").string()) + " " + quote(dest().string() + "/"));
    EXPECT_EQ(r.rc, UNLHA_ERR_FORMAT) << r.text;  // cut short: the archive is damaged
    EXPECT_FALSE(fs::exists(dest() / "big.bin"));
}

// Attacks: header lengths that lie, in every header level.
TEST_F(Hostile, LyingHeaderLengthsAreDamagedHeadersNotCrashes) {
    std::string good = raw_member({"a.txt", "abc"});
    std::vector<std::string> cases;
    std::string h0 = good;  // level 0: a header size past the end of the file
    h0[0] = static_cast<char>(0xF0);
    cases.push_back(h0);
    std::string lvl1 = good;  // level 1 whose extension chain points past the end
    lvl1[20] = 1;
    lvl1 += std::string("\xFF\xFF", 2);
    cases.push_back(lvl1);
    std::string lvl2(26, '\0');  // level 2 claiming 64 KiB of header in 26 bytes
    lvl2.replace(2, 5, "-lh0-");
    lvl2[0] = lvl2[1] = '\xFF';
    lvl2[20] = 2;
    cases.push_back(lvl2);
    std::string lvl3(32, '\0');  // level 3 claiming 4 GiB of header
    lvl3[0] = 4;
    lvl3.replace(2, 5, "-lh5-");
    lvl3[20] = 3;
    for (int i = 24; i < 28; ++i) lvl3[i] = '\xFF';
    cases.push_back(lvl3);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        write_file(d / "h.lzh", raw_archive({{"first.txt", "1"}}).substr(0, raw_member({"first.txt", "1"}).size()) + cases[i]);
        CmdResult l = unlha("l " + quote((d / "h.lzh").string()));
        EXPECT_EQ(l.rc, UNLHA_ERR_FORMAT) << l.text;
        CmdResult x = unlha("x -c " + quote((d / "h.lzh").string()) + " " + quote(dest().string() + "/"));
        EXPECT_EQ(x.rc, UNLHA_ERR_FORMAT) << x.text;
        EXPECT_EQ(read_file(dest() / "first.txt"), "1");  // what came before is still extracted
    }
}

// Attacks: huge claimed sizes, to make a reader allocate or write without bound.
TEST_F(Hostile, HugeClaimedSizesFailQuickly) {
    RawMember m{"huge.bin", std::string(64, '\x55')};
    m.method = "-lh5-";
    m.claimed_original = 0xFFFFFFFFu;
    CmdResult r = extract({m});
    EXPECT_EQ(r.rc, UNLHA_ERR_DATA) << r.text;
    EXPECT_FALSE(fs::exists(dest() / "huge.bin"));
    RawMember p{"past.bin", "short"};
    p.claimed_packed = p.claimed_original = 0x7FFFFFFF;  // the data would run far past the end of the file
    CmdResult r2 = extract({p});
    EXPECT_EQ(r2.rc, UNLHA_ERR_FORMAT) << r2.text;
    EXPECT_FALSE(fs::exists(dest() / "past.bin"));
}

// Attacks: terminal escape sequences in a name, aimed at whoever reads the listing.
TEST_F(Hostile, ControlCharactersNeverReachTheListing) {
    write_file(d / "h.lzh", raw_archive({{"\x1b]2;owned\x07name.txt", "x"}}));
    CmdResult r = unlha("l " + quote((d / "h.lzh").string()));
    EXPECT_EQ(r.rc, UNLHA_OK);
    EXPECT_EQ(r.text.find('\x1b'), std::string::npos);
    EXPECT_NE(r.text.find("?]2;owned?na "), std::string::npos) << r.text;        // the name field, for the eye
    EXPECT_NE(r.text.find(" %1B]2;owned%07name.txt\n"), std::string::npos) << r.text;  // the exact form
}

TEST(HostileSetup, RunsUnprivilegedUnderCTest) {
    // As root the guards above would be all that stands between an archive
    // and /etc; the CTest wrapper drops privileges and says so here.
    if (!std::getenv("MORVANE_DROPPED_PRIVILEGES")) GTEST_SKIP() << "started directly, not through CTest's wrapper";
    EXPECT_NE(::geteuid(), 0u);
    EXPECT_NE(::getuid(), 0u);
}

} // namespace
} // namespace lzh::test
