// The command line: the argument string built from the program's arguments,
// Arg_Split's words, the column heading start-up writes, and --help and
// --version.
#include "app/usage.h"
#include "fakes.h"

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::testing;
using namespace Qt::StringLiterals;

namespace {
QStringList Words(const Form1& form, int n)
{
    return form.Arg_Word.mid(1, n);
}
}  // namespace

TEST(ArgSplit, SingleBlanksSeparateAndEveryBlankMakesAWord)
{
    Fake_Form f;
    EXPECT_EQ(f.form.Arg_Split(u"a.lzh"_s), 1);
    EXPECT_EQ(Words(f.form, 1), QStringList({u"a.lzh"_s}));
    EXPECT_EQ(f.form.Arg_Split(u"/x/a.txt /y/b.txt"_s), 2);
    EXPECT_EQ(Words(f.form, 2), QStringList({u"/x/a.txt"_s, u"/y/b.txt"_s}));
    EXPECT_EQ(f.form.Arg_Split(u"a  b"_s), 3);
    EXPECT_EQ(Words(f.form, 3), QStringList({u"a"_s, u""_s, u"b"_s}));
    EXPECT_EQ(f.form.Arg_Split(u"a.lzh "_s), 2);
    EXPECT_EQ(Words(f.form, 2), QStringList({u"a.lzh"_s, u""_s}));
    EXPECT_EQ(f.form.Arg_Split(u" a"_s), 2);
    EXPECT_EQ(Words(f.form, 2), QStringList({u""_s, u"a"_s}));
    // Only the blank separates: a tab and an ideographic space are part of a word.
    EXPECT_EQ(f.form.Arg_Split(u"a\tb\u3000c"_s), 1);
}

TEST(ArgSplit, QuotesGroupAWordAndAreNotPartOfIt)
{
    Fake_Form f;
    EXPECT_EQ(f.form.Arg_Split(u"\"/home/me/My Files/a.lzh\""_s), 1);
    EXPECT_EQ(f.form.Arg_Word[1], u"/home/me/My Files/a.lzh"_s);
    EXPECT_EQ(f.form.Arg_Split(u"\"a b\"c d \"\""_s), 3);
    EXPECT_EQ(Words(f.form, 3), QStringList({u"a bc"_s, u"d"_s, u""_s}));
}

TEST(ArgSplit, WritesEntriesOneToNOnly)
{
    Fake_Form f;
    f.form.Arg_Word[0] = u"entry 0"_s;
    f.form.Arg_Word[5] = u"older"_s;
    EXPECT_EQ(f.form.Arg_Split(u"x y"_s), 2);
    EXPECT_EQ(f.form.Arg_Word[0], u"entry 0"_s);
    EXPECT_EQ(f.form.Arg_Word[5], u"older"_s);
}

TEST(ArgSplit, TwentyWordsAndMoreAreAllKept)
{
    Fake_Form f;
    QStringList twenty, thirty;
    for (int i = 1; i <= 30; ++i)
        (i <= 20 ? twenty : thirty).append(u"w"_s + QString::number(i));
    thirty = twenty + thirty;
    EXPECT_EQ(f.form.Arg_Split(twenty.join(u' ')), 20);
    EXPECT_EQ(Words(f.form, 20), twenty);
    EXPECT_EQ(f.form.Arg_Split(thirty.join(u' ')), 30);
    EXPECT_EQ(Words(f.form, 30), thirty);
}

TEST(ArgJoin, QuotesWhatHoldsABlankAQuoteOrNothing)
{
    EXPECT_EQ(Arg_Join({}), u""_s);
    EXPECT_EQ(Arg_Join({u"/a/x.lzh"_s}), u"/a/x.lzh"_s);
    EXPECT_EQ(Arg_Join({u"/tmp/a b/x.lzh"_s}), u"\"/tmp/a b/x.lzh\""_s);
    EXPECT_EQ(Arg_Join({u""_s, u"f1.txt"_s}), u"\"\" f1.txt"_s);
    EXPECT_EQ(Arg_Join({u"say\"hi"_s}), u"\"say\"\"hi\""_s);
}

TEST(ArgJoin, SplittingTheJoinedStringGivesTheArgumentsBack)
{
    const QStringList args = {u"/tmp/a b/x.lzh"_s, u""_s, u"plain"_s, u"  two  blanks "_s, u"表 ソ.txt"_s,
                              u"say\"hi"_s, u"\""_s, u"\"\""_s, u"\" \""_s, u"end\""_s, u"\"start"_s, u"a\"\"\"b c"_s};
    Fake_Form f;
    const int n = f.form.Arg_Split(Arg_Join(args));
    ASSERT_EQ(n, args.size());
    EXPECT_EQ(Words(f.form, n), args);
    // One by one as well: each argument alone is one word.
    for (const QString& arg : args) {
        ASSERT_EQ(f.form.Arg_Split(Arg_Join({arg})), 1) << arg.toStdString();
        EXPECT_EQ(f.form.Arg_Word[1], arg);
    }
}

TEST(ColumnHeading, IsTheFortyTwoCharactersOfTheSixCutLiterals)
{
    const QString blanks6(6, u' ');
    const QString expected = u"ファイル名"_s + blanks6 + u"オリジナル"_s + blanks6 + u"\u3000圧縮後 圧縮率.  日付"_s +
                             QString(5, u' ') + u"時間"_s;
    EXPECT_EQ(Column_Heading(), expected);
    EXPECT_EQ(Column_Heading().size(), 42);
}

// --help and --version alone are answered, unless a file of that name
// exists (then it is a file to add, as before); any other command line goes
// on to start-up.
TEST(CommandLineAnswer, HelpAndVersionAloneAndOnlyWhenNoSuchFileExists)
{
    const auto none = [](const QString&) { return false; };
    const auto all = [](const QString&) { return true; };
    const auto help = Command_Line_Answer({u"--help"_s}, none, u"/usr/share/doc/morvane/README.md"_s);
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->startsWith(u"usage: morvane [ARCHIVE | FILE...]\n"_s));
    EXPECT_TRUE(help->contains(u"The README: /usr/share/doc/morvane/README.md\n"_s));
    EXPECT_TRUE(help->endsWith(u'\n'));
    const auto version = Command_Line_Answer({u"--version"_s}, none, {});
    ASSERT_TRUE(version);
    EXPECT_EQ(*version, u"morvane (Morvane) "_s + Program_Version() + u'\n');
    EXPECT_FALSE(Program_Version().isEmpty());

    EXPECT_FALSE(Command_Line_Answer({u"--help"_s}, all, {}));
    EXPECT_FALSE(Command_Line_Answer({u"--version"_s}, all, {}));
    for (const QStringList& other : {QStringList(), QStringList({u"--help"_s, u"--version"_s}),
                                     QStringList({u"a.lzh"_s, u"--help"_s}), QStringList({u"--HELP"_s}),
                                     QStringList({u"-h"_s}), QStringList({u"--help "_s}), QStringList({u"a.lzh"_s})})
        EXPECT_FALSE(Command_Line_Answer(other, none, {})) << other.join(u'|').toStdString();
}
