// The command text and the C entry point as a program sees them: words,
// quotes and switches, which members a name selects, and the output buffer
// rules (whole lines, always terminated, result 6 when cut).
#include "command.h"
#include "match.h"
#include "shared_library.h"
#include "support.h"
#include "unlha32.h"

#include <gtest/gtest.h>

namespace lzh::test {
namespace {

TEST(CommandText, QuotesGroupWordsAndAreDropped) {
    auto w = split_command_words("x  -c \"/home/me/My Files/a.lzh\"   \"/tmp/out dir/\" name \"\" tail\"x y\"");
    ASSERT_EQ(w.size(), 7u);
    EXPECT_EQ(w[2].text, "/home/me/My Files/a.lzh");
    EXPECT_EQ(w[3].text, "/tmp/out dir/");
    EXPECT_EQ(w[5].text, "");  // an empty quoted word is still a word
    EXPECT_TRUE(w[5].quoted);
    EXPECT_EQ(w[6].text, "tailx y");
    // Inside quotes "" is one quote of the word, whatever else it holds.
    auto q = split_command_words("a \"say\"\"hi\" \"\"\"\" \"x\"\" *.* \"\"\"");
    ASSERT_EQ(q.size(), 4u);
    EXPECT_EQ(q[1].text, "say\"hi");
    EXPECT_EQ(q[2].text, "\"");
    EXPECT_EQ(q[3].text, "x\" *.* \"");
    for (std::string word : {"", "plain", "a b", "\"", "say\"hi", "\"\" \"", "end\"", "-dash"})
        EXPECT_EQ(split_command_words("l " + command_word(word)).at(1).text, word);
    auto open = split_command_words("l \"unclosed path with blanks");
    ASSERT_EQ(open.size(), 2u);
    EXPECT_EQ(open[1].text, "unclosed path with blanks");
}

TEST(CommandText, ArchiveFolderNamesAndSwitches) {
    Command c;
    std::string err;
    ASSERT_TRUE(parse_command("x -c \"/a/b.lzh\" \"/out/\" \"docs/x y.txt\" \"-dash.txt\"", c, err));
    EXPECT_EQ(c.verb, 'x');
    EXPECT_TRUE(c.overwrite);
    EXPECT_EQ(c.archive, "/a/b.lzh");
    EXPECT_EQ(c.folder, "/out/");
    EXPECT_EQ(c.names, (std::vector<std::string>{"docs/x y.txt", "-dash.txt"}));  // quoted: a name, not a switch

    ASSERT_TRUE(parse_command("a -o7 arc.lzh dir/ file", c, err));
    EXPECT_EQ(c.method->id, "-lh7-");
    EXPECT_FALSE(c.best);
    EXPECT_EQ(c.folder, "");  // "a" takes paths, a folder among them
    EXPECT_EQ(c.names, (std::vector<std::string>{"dir/", "file"}));

    ASSERT_TRUE(parse_command("a -b -o6 arc.lzh file", c, err));
    EXPECT_TRUE(c.best);
    EXPECT_EQ(c.method->id, "-lh6-");

    ASSERT_TRUE(parse_command("s  \"/a/b.lzh\" \"/out/\" -jw2", c, err));
    EXPECT_EQ(c.folder, "/out/");

    ASSERT_TRUE(parse_command("d a.lzh docs/", c, err));  // the folder member, not a base folder
    EXPECT_EQ(c.names, std::vector<std::string>{"docs/"});
    ASSERT_TRUE(parse_command("d a.lzh \"/base/\" docs/", c, err));
    EXPECT_EQ(c.folder, "/base/");
    EXPECT_EQ(c.names, std::vector<std::string>{"docs/"});

    EXPECT_FALSE(parse_command("x -z a.lzh", c, err));
    EXPECT_NE(err.find("-z"), std::string::npos);
    EXPECT_FALSE(parse_command("q a.lzh", c, err));
    EXPECT_FALSE(parse_command("x -c", c, err));
    EXPECT_FALSE(parse_command("   ", c, err));
}

Member member(const std::string &path, MemberKind kind = MemberKind::file) {
    Member m;
    m.path = path;
    m.kind = kind;
    return m;
}

TEST(Matching, PathsFileNamesWildcardsAndFolders) {
    MemberMatcher by_name({"readme.txt"});
    EXPECT_TRUE(by_name.matches(member("docs/readme.txt")));  // no separator: the file name will do
    MemberMatcher by_path({"docs/readme.txt"});
    EXPECT_FALSE(by_path.matches(member("other/docs/readme.txt")));
    EXPECT_TRUE(by_path.matches(member("docs/readme.txt")));
    MemberMatcher all({"*.*"});
    EXPECT_TRUE(all.matches(member("Makefile")));  // no dot, still every name
    MemberMatcher one_char({"??.txt"});
    EXPECT_TRUE(one_char.matches(member("表示.txt")));  // "?" is a character, not a byte
    EXPECT_FALSE(one_char.matches(member("表示示.txt")));
    MemberMatcher folder({"docs/"});
    EXPECT_TRUE(folder.matches(member("docs/a/b.c")));
    EXPECT_FALSE(folder.matches(member("docsx/b.c")));
    MemberMatcher back({"docs\\readme.txt"});
    EXPECT_TRUE(back.matches(member("docs/readme.txt")));

    // A name that is a whole stored path takes that member only.
    MemberMatcher exact({"readme.txt", "a*b.txt"});
    for (const char *p : {"readme.txt", "docs/readme.txt", "a*b.txt", "axb.txt"}) exact.note(member(p));
    EXPECT_TRUE(exact.matches(member("readme.txt")));
    EXPECT_FALSE(exact.matches(member("docs/readme.txt")));
    EXPECT_TRUE(exact.matches(member("a*b.txt")));
    EXPECT_FALSE(exact.matches(member("axb.txt")));

    MemberMatcher some({"a", "b"});
    some.matches(member("a"));
    EXPECT_EQ(some.unmatched(), std::vector<std::string>{"b"});
}

// Through the shared library, as the window loads it.
class EntryPoint : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(lib_.error(), "");
        write_file(d / "a.lzh", raw_archive({{"one.txt", "1"}, {"two.txt", "22"}, {"three.txt", "333"}}));
        cmd_ = "l " + quote((d / "a.lzh").string());
    }
    SharedLibrary lib_;
    TempDir d;
    std::string cmd_;
};

TEST_F(EntryPoint, ListingThatFitsIsWholeAndTerminated) {
    std::vector<char> buf(20000, 'X');
    ASSERT_EQ(lib_.unlha(nullptr, cmd_.c_str(), buf.data(), buf.size()), UNLHA_OK);
    std::string text(buf.data());
    EXPECT_EQ(lines_of(text).size(), 7u);
    EXPECT_EQ(text.back(), '\n');
}

TEST_F(EntryPoint, ListingThatDoesNotFitIsCutAfterAWholeLine) {
    std::vector<char> full(20000);
    lib_.unlha(nullptr, cmd_.c_str(), full.data(), full.size());
    std::string whole(full.data());
    std::size_t third_line_end = 0;
    for (int i = 0; i < 3; ++i) third_line_end = whole.find('\n', third_line_end) + 1;
    std::vector<char> buf(third_line_end + 10, 'X');  // room for three lines and part of the fourth
    EXPECT_EQ(lib_.unlha(nullptr, cmd_.c_str(), buf.data(), static_cast<uint32_t>(buf.size())), UNLHA_ERR_OUTPUT);
    EXPECT_EQ(std::string(buf.data()), whole.substr(0, third_line_end));
    char tiny[5];
    EXPECT_EQ(lib_.unlha(nullptr, cmd_.c_str(), tiny, sizeof tiny), UNLHA_ERR_OUTPUT);
    EXPECT_EQ(tiny[0], '\0');
}

// A failure is worth more than the news that its text was cut: t of a
// damaged member and l of a damaged header return their failure with any
// buffer, the text cut after its last whole line.
TEST_F(EntryPoint, AFailureIsReturnedWhenItsTextDoesNotFit) {
    RawMember damaged{"bad.txt", "data"};
    damaged.crc_delta = 1;
    write_file(d / "bad.lzh", raw_archive({{"one.txt", "1"}, damaged}));
    std::string bytes = raw_archive({{"one.txt", "1"}, {"two.txt", "22"}});
    bytes[raw_member({"one.txt", "1"}).size() + 1] ^= 0x01;  // the second header's checksum
    write_file(d / "header.lzh", bytes);
    const std::pair<std::string, UnlhaResult> cases[] = {
        {"t " + quote((d / "bad.lzh").string()), UNLHA_ERR_DATA},
        {"l " + quote((d / "header.lzh").string()), UNLHA_ERR_FORMAT},
    };
    for (const auto &[command, result] : cases) {
        SCOPED_TRACE(command);
        std::vector<char> full(20000);
        ASSERT_EQ(lib_.unlha(nullptr, command.c_str(), full.data(), full.size()), result);
        const std::string whole(full.data());
        for (std::uint32_t size : {10u, static_cast<std::uint32_t>(whole.size() / 2), static_cast<std::uint32_t>(whole.size())}) {
            std::vector<char> buf(size, 'X');
            EXPECT_EQ(lib_.unlha(nullptr, command.c_str(), buf.data(), size), result) << size;
            const std::string cut(buf.data());
            EXPECT_EQ(whole.compare(0, cut.size(), cut), 0);
            EXPECT_TRUE(cut.empty() || cut.back() == '\n') << cut;
            EXPECT_LT(cut.size(), whole.size());
        }
    }
}

TEST_F(EntryPoint, ZeroSizeWritesNothingAndFailuresKeepTheirResult) {
    char untouched[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(lib_.unlha(nullptr, cmd_.c_str(), untouched, 0), UNLHA_OK);
    EXPECT_EQ(untouched[0], 'a');
    std::string missing = "l " + quote((d / "none.lzh").string());
    EXPECT_EQ(lib_.unlha(nullptr, missing.c_str(), untouched, 0), UNLHA_ERR_ARCHIVE);
    char buf[200];
    EXPECT_EQ(lib_.unlha(nullptr, "frobnicate", buf, sizeof buf), UNLHA_ERR_COMMAND);
    EXPECT_NE(std::string(buf).find("unknown command"), std::string::npos);
    EXPECT_EQ(lib_.unlha(nullptr, nullptr, buf, sizeof buf), UNLHA_ERR_COMMAND);
}

TEST_F(EntryPoint, CursorModeIsRemembered) {
    int before = lib_.cursor(1);
    EXPECT_EQ(lib_.cursor(before), 1);
}

} // namespace
} // namespace lzh::test
