// The pure text helpers: path cutting with both separators, the exact command
// texts, the suggested program name, which members a name hits, and local
// file names that keep every byte.
#include "archiver/command_text.h"
#include "archiver/path.h"
#include "listing/listing_parser.h"
#include "operations/member_match.h"
#include "operations/self_extract.h"
#include "os/exec_line.h"
#include "os/local_names.h"

#include <gtest/gtest.h>

using namespace morvane;
using namespace Qt::StringLiterals;

namespace {
const QChar Back = u'\\';
const QChar Slash = u'/';
}  // namespace

TEST(PathDir, BackslashTable)
{
    const std::pair<QString, QString> table[] = {
        {u"C:\\ARC\\TEST.LZH"_s, u"C:\\ARC"_s},   {u"C:\\ARC\\"_s, u"C:\\ARC"_s},
        {u"C:\\TEST.LZH"_s, u"C:\\"_s},           {u"C:"_s, u"C:\\"_s},
        {u"\\TEST.LZH"_s, u"\\"_s},               {u"\\\\SRV\\SHARE\\TEST.LZH"_s, u"\\\\SRV\\SHARE"_s},
        {u"TEST.LZH"_s, u"TEST.LZH\\"_s},         {u""_s, u"\\"_s},
        {u"C:\\ARC\\\\TEST.LZH"_s, u"C:\\ARC\\"_s}, {u"C:\\書庫\\表.LZH"_s, u"C:\\書庫"_s},
        {u"C:/ARC/TEST.LZH"_s, u"C:/ARC/TEST.LZH\\"_s},
    };
    for (const auto& [path, dir] : table)
        EXPECT_EQ(Path_Dir(path, Back), dir) << path.toStdString();
    EXPECT_TRUE(Path_Dir(QString(), Back).isNull());
}

TEST(PathDir, SlashTable)
{
    const std::pair<QString, QString> table[] = {
        {u"/home/me/a.lzh"_s, u"/home/me"_s}, {u"/home/me/"_s, u"/home/me"_s}, {u"/a.lzh"_s, u"/"_s},
        {u"a.lzh"_s, u"a.lzh/"_s},             {u""_s, u"/"_s},                 {u"//srv/a.lzh"_s, u"//srv"_s},
        {u"/書庫/表.lzh"_s, u"/書庫"_s},
    };
    for (const auto& [path, dir] : table)
        EXPECT_EQ(Path_Dir(path, Slash), dir) << path.toStdString();
}

TEST(PathStripSep, RemovesOneSeparatorFromTheCallersVariable)
{
    const std::pair<QString, QString> table[] = {
        {u"C:\\ARC\\"_s, u"C:\\ARC"_s}, {u"C:\\"_s, u"C:"_s}, {u"C:\\ARC"_s, u"C:\\ARC"_s},
        {u"C:\\\\"_s, u"C:\\"_s},       {u"\\"_s, u""_s},     {u""_s, u""_s},
    };
    for (const auto& [before, after] : table) {
        QString variable = before;
        EXPECT_EQ(Path_StripSep(variable, Back), after);
        EXPECT_EQ(variable, after);
    }
    QString twice = u"C:\\\\"_s;
    Path_StripSep(twice, Back);
    EXPECT_EQ(Path_StripSep(twice, Back), u"C:"_s);
    QString root = u"/"_s;
    EXPECT_EQ(Path_StripSep(root, Slash), u""_s);
}

TEST(FolderOf, EndsInExactlyOneSeparator)
{
    EXPECT_EQ(Folder_Of(u"C:\\ARC\\TEST.LZH"_s, Back), u"C:\\ARC\\"_s);
    EXPECT_EQ(Folder_Of(u"C:\\TEST.LZH"_s, Back), u"C:\\"_s);
    EXPECT_EQ(Folder_Of(u"TEST.LZH"_s, Back), u"TEST.LZH\\"_s);
    EXPECT_EQ(Folder_Of(u"/out/readme.txt"_s, Slash), u"/out/"_s);
    EXPECT_EQ(Folder_Of(u"/readme.txt"_s, Slash), u"/"_s);
    EXPECT_EQ(Folder_Of(QString(), Slash), u"/"_s);
}

TEST(CommandText, EveryPathAndNameStandsInQuotes)
{
    EXPECT_EQ(Cmd_List(u"C:\\ARC\\TEST.LZH"_s), u"l \"C:\\ARC\\TEST.LZH\""_s);
    EXPECT_EQ(Cmd_List(u"C:\\ARC\\TEST.LZH"_s).size(), 19);
    EXPECT_EQ(Cmd_Extract(u"/a b/x.lzh"_s, u"/out dir/"_s, u"docs/read me.txt"_s),
              u"x -c \"/a b/x.lzh\" \"/out dir/\" \"docs/read me.txt\""_s);
    EXPECT_EQ(Cmd_Extract_All(u"/a/x.lzh"_s, u"/out/"_s), u"x -c \"/a/x.lzh\" \"/out/\" *.*"_s);
    EXPECT_EQ(Cmd_Delete(u"/a/x.lzh"_s, u"/a/"_s, u"m.txt"_s), u"d \"/a/x.lzh\" \"/a/\" \"m.txt\""_s);
    EXPECT_EQ(Cmd_Self_Extract(u"/a/x.lzh"_s, u"/b/"_s), u"s  \"/a/x.lzh\" \"/b/\" -jw2"_s);
    EXPECT_EQ(Cmd_Add(u"/a/My Files.lzh"_s, u"f 1.txt"_s), u"a \"/a/My Files.lzh\" \"f 1.txt\""_s);
    EXPECT_EQ(Cmd_Add(u"/a/x.lzh"_s, u""_s), u"a \"/a/x.lzh\" \"\""_s);
}

TEST(CommandText, AQuoteInsideAPieceIsDoubledAndReadBackAsOne)
{
    // Written once, it would end the quoted word early and let the rest of
    // the name through as further words ("*.*" among them).
    EXPECT_EQ(Cmd_Delete(u"/a/x.lzh"_s, u"/a/"_s, u"x\" *.* \""_s), u"d \"/a/x.lzh\" \"/a/\" \"x\"\" *.* \"\"\""_s);
    EXPECT_EQ(Cmd_Add(u"/a/say\"hi.lzh"_s, u"\""_s), u"a \"/a/say\"\"hi.lzh\" \"\"\"\""_s);
    EXPECT_EQ(Archive_Of(Cmd_Extract(u"/o\"\"ut/x\".lzh"_s, u"/b/"_s, u"m"_s)), u"/o\"\"ut/x\".lzh"_s);
    EXPECT_EQ(Archive_Of(Cmd_List(u"/a/\""_s)), u"/a/\""_s);
}

TEST(ExeName, CutsAtTheLastDotOfTheFileName)
{
    EXPECT_EQ(Exe_Name(u"/arc/data.lzh"_s), u"/arc/data.EXE"_s);
    EXPECT_EQ(Exe_Name(u"/home/me/.cache/x.lzh"_s), u"/home/me/.cache/x.EXE"_s);
    EXPECT_EQ(Exe_Name(u"/old.files/data"_s), u"/old.files/data.EXE"_s);
    EXPECT_EQ(Exe_Name(u"/a/b.tar.lzh"_s), u"/a/b.tar.EXE"_s);
    EXPECT_EQ(Exe_Name(u"/a/.hidden"_s), u"/a/.hidden.EXE"_s);
    EXPECT_EQ(Exe_Name(u""_s), u".EXE"_s);
}

TEST(MemberIndex, AWholeStoredPathHitsThatMemberAndWhatIsBelowIt)
{
    const Member_Index index({u"readme.txt"_s, u"docs/readme.txt"_s, u"docs/"_s, u"docs.txt"_s, u"src/a*b"_s,
                              u"src/aXb"_s, u"README.TXT"_s, u"docs/sub/deep.txt"_s, u"x/docs"_s});
    using V = std::vector<int>;
    EXPECT_EQ(index.Hits(u"readme.txt"_s), V({0}));           // not docs/readme.txt
    EXPECT_EQ(index.Hits(u"docs/readme.txt"_s), V({1}));
    EXPECT_EQ(index.Hits(u"docs/"_s), V({1, 2, 7}));          // a folder takes what is below it
    EXPECT_EQ(index.Hits(u"docs"_s), V({1, 2, 7}));           // but not x/docs
    EXPECT_EQ(index.Hits(u"docs\\readme.txt"_s), V({1}));    // "\\" reads as "/"
    EXPECT_EQ(index.Hits(u"src/a*b"_s), V({4}));              // a stored "*" is no wildcard
    EXPECT_EQ(index.Hits(u"nothing"_s), V());
    EXPECT_EQ(index.Hits(u"README.TXT"_s), V({6}));           // letter case counts
}

TEST(FilePart, TheLastPartOfAStoredPath)
{
    EXPECT_EQ(File_Part(u"docs/readme.txt"_s), u"readme.txt"_s);
    EXPECT_EQ(File_Part(u"docs/"_s), u"docs"_s);
}

// A local name keeps every byte of a file's name: valid UTF-8 reads as its
// characters, any other byte as itself, and the text goes back to the very
// bytes, for every byte and for broken sequences of every kind.
TEST(LocalNames, EveryByteOfANameComesBackAsItWas)
{
    const std::vector<QByteArray> names = {
        "plain.txt", "caf\xE9.txt", "caf\xC3\xA9.txt", "\xE8\xA1\xA8\xE7\xA4\xBA.txt",
        "\xE8\xA1", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF0\x9F\x98\x80 \xFF\xFE",
        "a\xE3\x81", "\x80\x80\x80",
    };
    for (const QByteArray& bytes : names) {
        SCOPED_TRACE(bytes.toHex().toStdString());
        const QString name = Local_Name(bytes);
        EXPECT_EQ(Local_Bytes(name), bytes);
        if (QString::fromUtf8(bytes).toUtf8() == bytes)
            EXPECT_EQ(name, QString::fromUtf8(bytes));   // well-formed: its own characters
    }
    QByteArray every;
    for (int b = 0; b < 256; ++b)
        every += char(b);
    EXPECT_EQ(Local_Bytes(Local_Name(every)), every);
    EXPECT_EQ(Local_Name("caf\xE9.txt"), u"caf"_s + QChar(0xDCE9) + u".txt"_s);
}

// The exact name a listing gives reads back as the file's name on disk with
// every byte kept, and as text a person reads with U+FFFD in its place.
TEST(LocalNames, AListedNameGivesTheFileItBecomes)
{
    EXPECT_EQ(Local_Bytes(File_Of_Name(u"dir/caf%E9.txt"_s)), QByteArray("dir/caf\xE9.txt"));
    EXPECT_EQ(Path_Of_Name(u"dir/caf%E9.txt"_s), u"dir/caf\uFFFD.txt"_s);
    EXPECT_EQ(File_Of_Name(u"表示/100%25 a%22b.txt"_s), u"表示/100% a\"b.txt"_s);
    const QString file = u"/tmp/m-1/"_s + File_Of_Name(u"caf%E9.txt"_s);
    const auto viewer = Viewer_Command(u"view %u %f"_s, file);
    ASSERT_TRUE(viewer);
    EXPECT_EQ(viewer->at(1), u"file:///tmp/m-1/caf%E9.txt"_s);
    EXPECT_EQ(Local_Bytes(viewer->at(2)), QByteArray("/tmp/m-1/caf\xE9.txt"));
}
