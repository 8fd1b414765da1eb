// The lha command line: keys, modifiers in every spelling the classic tool
// takes, the words that follow, and the mistakes that must be refused.
#include "options.h"

#include <gtest/gtest.h>

namespace lha {
namespace {

Options parse_ok(const std::vector<std::string> &args) {
    ParseResult r = parse_command_line(args);
    EXPECT_EQ(r.kind, ParseResult::Kind::run) << r.error;
    return r.options;
}

std::string parse_error(const std::vector<std::string> &args) {
    ParseResult r = parse_command_line(args);
    EXPECT_EQ(r.kind, ParseResult::Kind::error);
    EXPECT_EQ(r.error.find('\n'), std::string::npos) << "one line: " << r.error;
    EXPECT_FALSE(r.error.empty());
    return r.error;
}

TEST(LhaOptions, EveryKeyWithOrWithoutDash) {
    for (char key : std::string("aumcxelvtpd")) {
        std::string k(1, key);
        EXPECT_EQ(parse_ok({k, "a.lzh"}).key, key);
        Options dashed = parse_ok({"-" + k, "a.lzh", "one", "two"});
        EXPECT_EQ(dashed.key, key);
        EXPECT_EQ(dashed.archive, "a.lzh");
        EXPECT_EQ(dashed.files, (std::vector<std::string>{"one", "two"}));
    }
}

TEST(LhaOptions, DefaultsWhenNoModifier) {
    Options o = parse_ok({"a", "a.lzh"});
    EXPECT_FALSE(o.quiet);
    EXPECT_EQ(o.verbose, 0);
    EXPECT_EQ(o.method, "-lh5-");
    EXPECT_EQ(o.header_level, 2);
    EXPECT_FALSE(o.generic || o.force || o.no_execute || o.ignore_folders || o.delete_after);
    EXPECT_TRUE(o.extract_dir.empty());
    EXPECT_TRUE(o.excludes.empty());
}

TEST(LhaOptions, QuietLevels) {
    EXPECT_EQ(parse_ok({"lq", "a.lzh"}).quiet, 2);
    EXPECT_EQ(parse_ok({"lq0", "a.lzh"}).quiet, 0);
    EXPECT_EQ(parse_ok({"lq1", "a.lzh"}).quiet, 1);
    EXPECT_EQ(parse_ok({"lq2", "a.lzh"}).quiet, 2);
    EXPECT_TRUE(parse_ok({"vq", "a.lzh"}).silent());
    EXPECT_FALSE(parse_ok({"lq1", "a.lzh"}).silent());
    // A digit after q belongs to q, not to the header level.
    Options o = parse_ok({"aq1", "a.lzh"});
    EXPECT_EQ(o.header_level, 2);
    EXPECT_EQ(parse_ok({"aq11", "a.lzh"}).header_level, 1);
}

TEST(LhaOptions, FlagsAndCounts) {
    Options o = parse_ok({"xvvnfid", "a.lzh"});
    EXPECT_EQ(o.verbose, 2);
    EXPECT_TRUE(o.no_execute);
    EXPECT_TRUE(o.force);
    EXPECT_TRUE(o.ignore_folders);
    EXPECT_TRUE(o.delete_after);
    // The key v is a listing, not a verbose modifier.
    EXPECT_EQ(parse_ok({"v", "a.lzh"}).verbose, 0);
    EXPECT_TRUE(parse_ok({"m", "a.lzh"}).delete_after);
}

TEST(LhaOptions, MethodsActInOrder) {
    EXPECT_EQ(parse_ok({"ao5", "a.lzh"}).method, "-lh5-");
    EXPECT_EQ(parse_ok({"ao6", "a.lzh"}).method, "-lh6-");
    EXPECT_EQ(parse_ok({"ao7", "a.lzh"}).method, "-lh7-");
    EXPECT_EQ(parse_ok({"az", "a.lzh"}).method, "-lh0-");
    EXPECT_EQ(parse_ok({"ao7z", "a.lzh"}).method, "-lh0-");
    EXPECT_EQ(parse_ok({"azo6", "a.lzh"}).method, "-lh6-");
}

TEST(LhaOptions, HeaderLevelsAndGeneric) {
    EXPECT_EQ(parse_ok({"a0", "a.lzh"}).header_level, 0);
    EXPECT_EQ(parse_ok({"a1", "a.lzh"}).header_level, 1);
    EXPECT_EQ(parse_ok({"a12", "a.lzh"}).header_level, 2);
    Options g = parse_ok({"ag", "a.lzh"});
    EXPECT_TRUE(g.generic);
    EXPECT_EQ(g.header_level, 0);
    EXPECT_EQ(parse_ok({"ag1", "a.lzh"}).header_level, 1);
    EXPECT_EQ(parse_ok({"a1g", "a.lzh"}).header_level, 0);
}

TEST(LhaOptions, ValuesInEverySpelling) {
    EXPECT_EQ(parse_ok({"xw=/tmp/out", "a.lzh"}).extract_dir, "/tmp/out");
    EXPECT_EQ(parse_ok({"xw/tmp/out", "a.lzh"}).extract_dir, "/tmp/out");
    Options next = parse_ok({"xw", "/tmp/out", "a.lzh", "f"});
    EXPECT_EQ(next.extract_dir, "/tmp/out");
    EXPECT_EQ(next.archive, "a.lzh");
    EXPECT_EQ(next.files, std::vector<std::string>{"f"});
    // The value takes the rest of the word, modifier letters included.
    Options rest = parse_ok({"xfw=dir=q", "a.lzh"});
    EXPECT_TRUE(rest.force);
    EXPECT_EQ(rest.extract_dir, "dir=q");
    EXPECT_FALSE(rest.quiet);

    Options ex = parse_ok({"ax=*.o", "-x=*.tmp", "-x", "core", "a.lzh", "src"});
    EXPECT_EQ(ex.excludes, (std::vector<std::string>{"*.o", "*.tmp", "core"}));
    EXPECT_EQ(ex.archive, "a.lzh");
}

TEST(LhaOptions, LaterOptionWordsAndTheirEnd) {
    Options o = parse_ok({"x", "-f", "-qw=out", "a.lzh", "-name"});
    EXPECT_TRUE(o.force);
    EXPECT_EQ(o.quiet, 2);
    EXPECT_EQ(o.extract_dir, "out");
    EXPECT_EQ(o.archive, "a.lzh");
    EXPECT_EQ(o.files, std::vector<std::string>{"-name"});  // after the archive, names are names
    EXPECT_EQ(parse_ok({"l", "--", "-odd.lzh"}).archive, "-odd.lzh");
    EXPECT_EQ(parse_ok({"l", "-", "x"}).archive, "-");
}

TEST(LhaOptions, BestBeforeOrAfterTheKey) {
    EXPECT_FALSE(parse_ok({"ao7", "a.lzh", "f"}).best);
    Options after = parse_ok({"ao7", "--best", "a.lzh", "f"});
    EXPECT_TRUE(after.best);
    EXPECT_EQ(after.method, "-lh7-");
    EXPECT_EQ(after.archive, "a.lzh");
    EXPECT_EQ(after.files, std::vector<std::string>{"f"});
    Options before = parse_ok({"--best", "a", "-o6", "a.lzh"});
    EXPECT_TRUE(before.best);
    EXPECT_EQ(before.key, 'a');
    EXPECT_EQ(before.method, "-lh6-");
    // After the archive it is a name.
    EXPECT_EQ(parse_ok({"a", "a.lzh", "--best"}).files, std::vector<std::string>{"--best"});
    EXPECT_NE(parse_error({"a", "--bestest", "a.lzh"}).find("--bestest"), std::string::npos);
}

TEST(LhaOptions, LoneArchiveIsListed) {
    Options o = parse_ok({"backup.lzh"});
    EXPECT_EQ(o.key, 'l');
    EXPECT_EQ(o.archive, "backup.lzh");
}

TEST(LhaOptions, HelpAndVersion) {
    EXPECT_EQ(parse_command_line({"--help"}).kind, ParseResult::Kind::help);
    EXPECT_EQ(parse_command_line({"--version"}).kind, ParseResult::Kind::version);
}

// --archive-kanji-code among the modifier words, by any start of its name
// that names it alone, its value after "=" or in the next word; the
// modifiers around it still count.
TEST(LhaOptions, ArchiveKanjiCode) {
    EXPECT_EQ(parse_ok({"l", "a.lzh"}).archive_names, lzh::NameCode::automatic);
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"x", "--archive-kanji-code=euc", "a.lzh"}, {"x", "--archive=euc", "a.lzh"},
          {"x", "--a", "euc", "a.lzh"}, {"-x", "-f", "--archive-kanji-code", "euc", "-i", "a.lzh", "f"}}) {
        const Options o = parse_ok(args);
        EXPECT_EQ(o.archive_names, lzh::NameCode::euc) << args[1];
        EXPECT_EQ(o.archive, "a.lzh") << args[1];
    }
    const Options o = parse_ok({"x", "-f", "--archive-kanji-code", "utf8", "-i", "a.lzh", "f"});
    EXPECT_TRUE(o.force && o.ignore_folders);
    EXPECT_EQ(o.files, std::vector<std::string>{"f"});
    EXPECT_EQ(parse_ok({"a", "--system-kanji-code=utf8", "--archive-kanji-code=cap", "a.lzh"}).archive_names,
              lzh::NameCode::cap);
    EXPECT_NE(parse_error({"l", "--archive-kanji-code=jis", "a.lzh"}).find("jis"), std::string::npos);
    EXPECT_NE(parse_error({"l", "--archive-kanji-code"}).find("needs a value"), std::string::npos);
    EXPECT_NE(parse_error({"l", "--system-kanji-code=euc", "a.lzh"}).find("UTF-8"), std::string::npos);
    EXPECT_NE(parse_error({"l", "--=euc", "a.lzh"}).find("unknown long option"), std::string::npos);
}

TEST(LhaOptions, MistakesGetOneLine) {
    EXPECT_NE(parse_error({}).find("usage: lha"), std::string::npos);
    EXPECT_NE(parse_error({"k", "a.lzh"}).find("'k'"), std::string::npos);
    EXPECT_NE(parse_error({"-", "a.lzh"}).find("no command"), std::string::npos);
    EXPECT_NE(parse_error({"lK", "a.lzh"}).find("'K'"), std::string::npos);
    EXPECT_NE(parse_error({"l", "-fy", "a.lzh"}).find("'y'"), std::string::npos);
    EXPECT_NE(parse_error({"ao", "a.lzh"}).find("5, 6 or 7"), std::string::npos);
    EXPECT_NE(parse_error({"ao4", "a.lzh"}).find("o4"), std::string::npos);
    EXPECT_NE(parse_error({"-xw"}).find("w=DIR"), std::string::npos);
    EXPECT_NE(parse_error({"-ax"}).find("x=PATTERN"), std::string::npos);
    EXPECT_NE(parse_error({"-l"}).find("no archive"), std::string::npos);
    EXPECT_NE(parse_error({"l", "-f"}).find("no archive"), std::string::npos);
    EXPECT_NE(parse_error({"--bogus"}).find("--bogus"), std::string::npos);
    EXPECT_NE(parse_error({"l", "--bogus", "a.lzh"}).find("--bogus"), std::string::npos);
    // Text mode and the old method switch are not offered.
    parse_error({"at", "a.lzh"});
    parse_error({"ae", "a.lzh"});
}

} // namespace
} // namespace lha
