// The name the listing gives a member selects that member and nothing else,
// whatever its stored path holds; wildcards still work where no member is
// named exactly.
#include "match.h"
#include "support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace lzh::test {
namespace {

std::set<std::string> files_below(const fs::path &root) {
    std::set<std::string> out;
    if (!fs::exists(root)) return out;
    for (const auto &e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) out.insert(fs::relative(e.path(), root).string());
    return out;
}

class Naming : public ::testing::Test {
protected:
    TempDir d;
    // Decoys that a loose reading of a name would also take.
    // Two names in no code page (Latin-1), that a lossy reading would show alike.
    const std::vector<std::string> paths = {"a\"b", "axb", "sub/axb", "a\nb", "a?b", "a*b", "a%22b", "100%.txt",
                                            "*.*", "with blank", "tab\there", "caf\xE9.txt", "caf\xE8.txt"};
    std::string arc;
    void SetUp() override {
        std::vector<RawMember> ms;
        for (const auto &p : paths) ms.push_back({p, "content of " + p});
        write_file(d / "n.lzh", raw_archive(ms));
        arc = (d / "n.lzh").string();
    }
};

TEST_F(Naming, TheListedNameDeletesThatMemberAlone) {
    const std::vector<std::string> names = listed_paths(arc);
    ASSERT_EQ(names.size(), paths.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(names[i].find_first_of("\"\n\t*?"), std::string::npos);  // safe between quotes, no wildcard
        const fs::path copy = d / ("copy" + std::to_string(i) + ".lzh");
        fs::copy_file(arc, copy);
        CmdResult r = unlha("d " + quote(copy.string()) + " " + quote(names[i]));
        ASSERT_EQ(r.rc, UNLHA_OK) << r.text;
        std::vector<std::string> left = listed_paths(copy.string()), want = names;
        want.erase(want.begin() + static_cast<std::ptrdiff_t>(i));
        EXPECT_EQ(left, want);
    }
}

TEST_F(Naming, TheListedNameExtractsThatMemberAlone) {
    const std::vector<std::string> names = listed_paths(arc);
    ASSERT_EQ(names.size(), paths.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        const fs::path out = d / ("out" + std::to_string(i));
        CmdResult r = unlha("x " + quote(arc) + " " + quote(out.string() + "/") + " " + quote(names[i]));
        EXPECT_EQ(r.rc, UNLHA_OK) << r.text;
        EXPECT_EQ(files_below(out), std::set<std::string>{paths[i]});
        EXPECT_EQ(read_file(out / paths[i]), "content of " + paths[i]);
    }
}

TEST_F(Naming, AListedNameWhoseMemberHasGoneSelectsNothingElse) {
    // As in a second window whose listing is older than the archive.
    for (const std::string name : {"%2A.%2A", "a%3Fb", "a%2Ab", "100%25.txt", "caf%E9.txt"}) {
        SCOPED_TRACE(name);
        const fs::path copy = d / "stale.lzh";
        fs::remove(copy);
        fs::copy_file(arc, copy);
        ASSERT_EQ(unlha("d " + quote(copy.string()) + " " + quote(name)).rc, UNLHA_OK);
        const std::vector<std::string> left = listed_paths(copy.string());
        ASSERT_EQ(left.size(), paths.size() - 1);
        EXPECT_EQ(unlha("d " + quote(copy.string()) + " " + quote(name)).rc, UNLHA_ERR_NOMATCH);
        EXPECT_EQ(listed_paths(copy.string()), left);
    }
}

TEST(NamingFolders, AFilesNameDoesNotTakeMembersBelowAPathLikeIt) {
    TempDir d;
    // A file "f" beside members below a path "f/" (no folder member), and a
    // folder "g" with its own.
    const fs::path arc = d / "f.lzh";
    write_file(arc, raw_archive({{"f", "file"}, {"f/x", "below"}, {"g/", ""}, {"g/y", "in g"}}));
    ASSERT_EQ(unlha("d " + quote(arc.string()) + " f").rc, UNLHA_OK);
    EXPECT_EQ(listed_paths(arc.string()), (std::vector<std::string>{"f/x", "g/", "g/y"}));
    ASSERT_EQ(unlha("d " + quote(arc.string()) + " g/").rc, UNLHA_OK);
    EXPECT_EQ(listed_paths(arc.string()), std::vector<std::string>{"f/x"});
}

TEST_F(Naming, WildcardsAndEveryMemberStillWork) {
    // "*.*" is every member, the one literally named so included.
    CmdResult all = unlha("x " + quote(arc) + " " + quote((d / "all").string() + "/") + " *.*");
    EXPECT_EQ(all.rc, UNLHA_OK) << all.text;
    EXPECT_EQ(files_below(d / "all").size(), paths.size());
    // Names that are no member's path stay patterns, matched against file
    // names in folders too; a literal "a?b" is named exactly instead.
    CmdResult some = unlha("x " + quote(arc) + " " + quote((d / "some").string() + "/") + " ?xb a?b");
    EXPECT_EQ(some.rc, UNLHA_OK) << some.text;
    EXPECT_EQ(files_below(d / "some"), (std::set<std::string>{"axb", "sub/axb", "a?b"}));
    // "?" is one character, an undecodable byte one too.
    CmdResult cafe = unlha("x " + quote(arc) + " " + quote((d / "cafe").string() + "/") + " caf?.txt");
    EXPECT_EQ(cafe.rc, UNLHA_OK) << cafe.text;
    EXPECT_EQ(files_below(d / "cafe"), (std::set<std::string>{"caf\xE9.txt", "caf\xE8.txt"}));
}

TEST(ExactName, EveryByteComesBackAndNothingDangerousStays) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    const std::string exact = exact_name(all);
    EXPECT_EQ(from_exact_name(exact), all);
    for (char c : exact) {
        auto u = static_cast<unsigned char>(c);
        EXPECT_TRUE(u >= 0x20 && u != 0x7F && c != '"' && c != '*' && c != '?') << int(u);
    }
    // A byte that is no part of a UTF-8 character is escaped; characters stay.
    EXPECT_EQ(exact_name("caf\xE9 \xE8\xA1\xA8\xE8"), "caf%E9 \xE8\xA1\xA8%E8");
    // A "%" that starts no escape stands for itself.
    EXPECT_EQ(from_exact_name("50%off 100%"), "50%off 100%");
    EXPECT_EQ(from_exact_name("%4g%2"), "%4g%2");
}

} // namespace
} // namespace lzh::test
