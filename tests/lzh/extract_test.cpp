// Extraction of real archives: the corpus as its manifest says, archives
// made by LHa for Java with every method and header level, and the rules for
// files that already exist, permissions and times.
#include "support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace lzh::test {
namespace {

TEST(Extract, CorpusArchivesGiveTheirManifestContent) {
    TempDir out;
    for (const auto &a : manifest()["archives"]) {
        std::string name = a["archive"];
        SCOPED_TRACE(name);
        fs::path dir = out / name;
        CmdResult r = unlha("x -c " + quote((corpus_dir() / name).string()) + " " + quote(dir.string() + "/"));
        bool all_optional = true;
        for (const auto &m : a["members"]) {
            bool optional = m.value("optional", false);
            all_optional = all_optional && optional;
            if (m["type"] != "file") continue;
            fs::path p = dir / m["extract_path"].get<std::string>();
            if (!fs::exists(p)) {
                EXPECT_TRUE(optional) << "missing " << p << "\n" << r.text;
                continue;
            }
            char crc[9];
            std::snprintf(crc, sizeof crc, "%08x", crc32_of(read_file(p)));
            bool ok = m.value("crc32", "") == crc;
            for (const auto &alt : m.value("accepted_alternatives", nlohmann::json::array()))
                ok = ok || alt.value("crc32", "") == crc;
            EXPECT_TRUE(ok || optional) << p << " has CRC-32 " << crc;
        }
        if (!all_optional) EXPECT_EQ(r.rc, UNLHA_OK) << r.text;
    }
}

TEST(Extract, ArchivesOfLhaForJavaRoundTripAtEveryMethodAndLevel) {
    if (!have_tool("jlha")) GTEST_SKIP() << "jlha not installed";
    TempDir d;
    std::string text;
    for (int i = 0; i < 4000; ++i) text += "line " + std::to_string(i * 7919 % 1000) + " of some text\n";
    std::string binary;
    std::uint32_t x = 1;
    for (int i = 0; i < 70000; ++i) binary += static_cast<char>((x = x * 1103515245 + 12345) >> 24);
    write_file(d / "src/text.txt", text);
    write_file(d / "src/bin/noise.bin", binary);
    write_file(d / "src/empty", "");
    for (std::string method : {"5", "6", "7"})
        for (std::string level : {"0", "1", "2"}) {
            SCOPED_TRACE("-lh" + method + "- level " + level);
            std::string arc = (d / ("a" + method + level + ".lzh")).string();
            ASSERT_EQ(sh("cd " + shell_quote((d / "src").string()) + " && LC_ALL=C.UTF-8 jlha ao" + method + level +
                         " " + shell_quote(arc) + " text.txt bin/noise.bin empty >/dev/null 2>&1"),
                      0);
            fs::path dest = d / ("out" + method + level);
            CmdResult r = unlha("x " + quote(arc) + " " + quote(dest.string() + "/"));
            ASSERT_EQ(r.rc, UNLHA_OK) << r.text;
            EXPECT_EQ(read_file(dest / "text.txt"), text);
            EXPECT_EQ(read_file(dest / "bin/noise.bin"), binary);
            EXPECT_TRUE(fs::is_regular_file(dest / "empty"));
        }
}

class ExtractRules : public ::testing::Test {
protected:
    TempDir d;
    std::string arc() const { return (d / "a.lzh").string(); }
    std::string dest() const { return (d / "out").string() + "/"; }
};

TEST_F(ExtractRules, ExistingFilesAreKeptUnlessReplacementIsAsked) {
    write_file(d / "a.lzh", raw_archive({{"one.txt", "new one"}, {"two.txt", "new two"}}));
    write_file(d / "out/one.txt", "old one");
    CmdResult r = unlha("x " + quote(arc()) + " " + quote(dest()));
    EXPECT_EQ(r.rc, UNLHA_ERR_WRITE);
    EXPECT_NE(r.text.find("one.txt"), std::string::npos);
    EXPECT_EQ(read_file(d / "out/one.txt"), "old one");
    EXPECT_EQ(read_file(d / "out/two.txt"), "new two");  // the others still come out

    EXPECT_EQ(unlha("x -c " + quote(arc()) + " " + quote(dest())).rc, UNLHA_OK);
    EXPECT_EQ(read_file(d / "out/one.txt"), "new one");
}

TEST_F(ExtractRules, ALaterMemberOfTheSameNameReplacesTheEarlierOne) {
    write_file(d / "a.lzh", raw_archive({{"f.txt", "first"}, {"f.txt", "second"}}));
    EXPECT_EQ(unlha("x " + quote(arc()) + " " + quote(dest())).rc, UNLHA_OK);
    EXPECT_EQ(read_file(d / "out/f.txt"), "second");
}

TEST_F(ExtractRules, PermissionsAndTimesComeBackWithoutSpecialBits) {
    write_file(d / "a.lzh", raw_archive({{"tool", "#!/bin/sh\n", 0100000 | 04755}, {"private", "secret", 0100000 | 0600}}));
    ASSERT_EQ(unlha("x " + quote(arc()) + " " + quote(dest())).rc, UNLHA_OK);
    struct stat st {};
    ASSERT_EQ(::stat((d / "out/tool").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);  // set-user-id dropped
    EXPECT_EQ(st.st_mtime, 1714716000);
    ASSERT_EQ(::stat((d / "out/private").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(ExtractRules, NamesSelectMembersByPathFileNameWildcardOrFolder) {
    write_file(d / "a.lzh", raw_archive({{"docs\\read me.txt", "a"}, {"docs\\sub\\b.c", "b"}, {"c.txt", "c"}, {"d.txt", "d"}}));
    CmdResult r = unlha("x " + quote(arc()) + " " + quote(dest()) + " \"docs/read me.txt\" d.*");
    EXPECT_EQ(r.rc, UNLHA_OK) << r.text;
    EXPECT_TRUE(fs::exists(d / "out/docs/read me.txt"));
    EXPECT_TRUE(fs::exists(d / "out/d.txt"));
    EXPECT_FALSE(fs::exists(d / "out/c.txt"));
    EXPECT_FALSE(fs::exists(d / "out/docs/sub/b.c"));

    EXPECT_EQ(unlha("x -c " + quote(arc()) + " " + quote(dest()) + " docs").rc, UNLHA_OK);  // a folder brings what is below it
    EXPECT_TRUE(fs::exists(d / "out/docs/sub/b.c"));

    // The whole path of a member at the top names it alone.
    write_file(d / "b.lzh", raw_archive({{"d.txt", "top"}, {"sub\\d.txt", "below"}}));
    std::string b = (d / "b.lzh").string();
    ASSERT_EQ(unlha("d " + quote(b) + " d.txt").rc, UNLHA_OK);
    EXPECT_EQ(unlha("l " + quote(b)).text.find(" d.txt\n"), std::string::npos);
    EXPECT_NE(unlha("l " + quote(b)).text.find("sub/d.txt"), std::string::npos);

    CmdResult none = unlha("x " + quote(arc()) + " " + quote(dest()) + " nothing.txt");
    EXPECT_EQ(none.rc, UNLHA_ERR_NOMATCH);
    EXPECT_NE(none.text.find("nothing.txt"), std::string::npos);
}

TEST_F(ExtractRules, DamagedMembersLeaveNoFileAndSpareTheOldCopy) {
    write_file(d / "a.lzh", raw_archive({{"bad.txt", "payload", 0, "-lh0-", 1}, {"ok.txt", "fine"}}));
    CmdResult r = unlha("x " + quote(arc()) + " " + quote(dest()));
    EXPECT_EQ(r.rc, UNLHA_ERR_DATA);
    EXPECT_NE(r.text.find("bad.txt: CRC error"), std::string::npos) << r.text;
    EXPECT_FALSE(fs::exists(d / "out/bad.txt"));
    EXPECT_EQ(read_file(d / "out/ok.txt"), "fine");

    write_file(d / "out/bad.txt", "the old copy");
    EXPECT_EQ(unlha("x -c " + quote(arc()) + " " + quote(dest())).rc, UNLHA_ERR_DATA);
    EXPECT_EQ(read_file(d / "out/bad.txt"), "the old copy");
    for (const auto &e : fs::directory_iterator(d / "out"))  // no temporary file left over
        EXPECT_EQ(e.path().filename().string().find(".unlha-"), std::string::npos) << e.path();
}

TEST_F(ExtractRules, ALongDamagedMemberLeavesNoFileAndSparesTheOldCopy) {
    // Long enough to be decoded on two threads, damaged in the middle of
    // its data, or cut there.
    std::string text;
    for (std::uint32_t i = 0; text.size() < (3u << 20); ++i)
        text += "line " + std::to_string(i * 7919u % 100003u) + " of a long member\n";
    write_file(d / "src/long.txt", text);
    ASSERT_EQ(unlha("a " + quote(arc()) + " " + quote((d / "src/long.txt").string())).rc, UNLHA_OK);
    const std::string whole = read_file(arc());
    std::string flipped = whole;
    flipped[whole.size() / 2] = static_cast<char>(flipped[whole.size() / 2] ^ 0x10);
    // Damaged data is result 4; an archive cut short is result 3, as its listing says.
    const std::pair<std::string, UnlhaResult> cases[] = {{flipped, UNLHA_ERR_DATA},
                                                         {whole.substr(0, whole.size() / 2), UNLHA_ERR_FORMAT}};
    for (const auto &[damaged, result] : cases) {
        write_file(d / "a.lzh", damaged);
        fs::remove_all(d / "out");
        CmdResult r = unlha("x " + quote(arc()) + " " + quote(dest()));
        EXPECT_EQ(r.rc, result) << r.text;
        EXPECT_NE(r.text.find("long.txt: "), std::string::npos) << r.text;
        EXPECT_FALSE(fs::exists(d / "out/long.txt"));
        write_file(d / "out/long.txt", "the old copy");
        EXPECT_EQ(unlha("x -c " + quote(arc()) + " " + quote(dest())).rc, result);
        EXPECT_EQ(read_file(d / "out/long.txt"), "the old copy");
        for (const auto &e : fs::directory_iterator(d / "out"))
            EXPECT_EQ(e.path().filename().string().find(".unlha-"), std::string::npos) << e.path();
    }
    write_file(d / "a.lzh", whole);
    ASSERT_EQ(unlha("x -c " + quote(arc()) + " " + quote(dest())).rc, UNLHA_OK);
    EXPECT_TRUE(read_file(d / "out/long.txt") == text);
}

TEST_F(ExtractRules, UnknownMethodsAreListedButNotExtracted) {
    write_file(d / "a.lzh", raw_archive({{"old.bin", "xxxx", 0, "-lh9-"}}));
    EXPECT_EQ(unlha("l " + quote(arc())).rc, UNLHA_OK);
    CmdResult r = unlha("x " + quote(arc()) + " " + quote(dest()));
    EXPECT_EQ(r.rc, UNLHA_ERR_DATA);
    EXPECT_NE(r.text.find("-lh9- is not supported"), std::string::npos) << r.text;
    EXPECT_FALSE(fs::exists(d / "out/old.bin"));
}

} // namespace
} // namespace lzh::test
