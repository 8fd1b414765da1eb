// A command on many members, one call each, under one progress window: begun
// before the first call and ended after the last, told which member of how
// many; a stop the person asks for ends the call under way and calls no
// member after it, and what was not done stays as it was.
#include "fakes.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::testing;
using namespace Qt::StringLiterals;

namespace {

const std::string Three = Golden_Listing("edge/three.lzh");

// The archive of three members listed; every call reports its member at
// work twice, as the library does, and ends as the stop it was told says.
struct Many : ::testing::Test {
    Fake_Form f;
    void SetUp() override
    {
        f.List(u"/arc/a.lzh"_s, Three);
        f.recorder.calls.clear();
        f.progress.titles.clear();
        f.progress.logged = true;
        f.log.clear();
        f.recorder.respond = [this](const std::string& command, std::string&) {
            const std::string member = Last_Word(command);
            for (int i = 1; i <= 2; ++i) {
                if (f.recorder.Report(member.c_str(), std::uint64_t(i), 2))
                    return int(UNLHA_ERR_STOPPED);
            }
            return 0;
        };
    }
    static std::string Last_Word(const std::string& command)
    {
        const std::size_t open = command.rfind('"', command.size() - 2);
        return command.substr(open + 1, command.size() - open - 2);
    }
    std::vector<QString> Paths() const
    {
        std::vector<QString> out;
        for (const auto& row : f.list.rows)
            out.push_back(row.path);
        return out;
    }
};

}  // namespace

TEST_F(Many, ExtractingTheSelectedShowsOneProgressFromTheFirstCallToTheLast)
{
    f.list.Select({0, 1, 2});
    f.dialogs.Confirm(u"/out/x.txt"_s);
    f.form.File_Free();
    EXPECT_EQ(f.log, Log({"dialog Save", "pointer 11", "progress MORVANE - 解凍 - a.lzh", "next 1/3 readme.txt",
                          "unlha x -c \"/arc/a.lzh\" \"/out/\" \"readme.txt\"", "next 2/3 docs/numbers.txt",
                          "unlha x -c \"/arc/a.lzh\" \"/out/\" \"docs/numbers.txt\"", "next 3/3 my docs/a long name.txt",
                          "unlha x -c \"/arc/a.lzh\" \"/out/\" \"my docs/a long name.txt\"", "progress end",
                          "pointer 0"}));
    EXPECT_EQ(f.progress.open, 0);
    // Within each call, the member as the library names it, and the bar by
    // the call's own bytes.
    EXPECT_EQ(f.progress.members.at(2), u"docs/numbers.txt"_s);
    EXPECT_EQ(f.progress.done, std::vector<double>({0.5, 1.0, 0.5, 1.0, 0.5, 1.0}));
}

TEST_F(Many, AStopDuringMemberKCallsNoMemberAfterItAndKeepsTheRowsNotDeleted)
{
    f.list.Select({0, 1, 2});
    f.progress.stop_at = 4;   // next 1 and its two steps, next 2; then its first step asks to stop
    f.form.File_Del();
    EXPECT_EQ(f.recorder.Commands(), std::vector<std::string>({"d \"/arc/a.lzh\" \"/\" \"readme.txt\"",
                                                               "d \"/arc/a.lzh\" \"/\" \"docs/numbers.txt\""}));
    // The window goes before "err" says the stopped call did not finish.
    EXPECT_EQ(std::vector<std::string>(f.log.end() - 4, f.log.end()),
              std::vector<std::string>({"unlha d \"/arc/a.lzh\" \"/\" \"docs/numbers.txt\"", "progress end", "msg err",
                                        "pointer 0"}));
    EXPECT_EQ(f.progress.open, 0);
    // Only the first member went: its row goes, the stopped one's and the
    // one never called stay, with the summary row.
    EXPECT_EQ(Paths(), std::vector<QString>({u"docs/numbers.txt"_s, u"my docs/a long name.txt"_s, QString()}));
}

TEST_F(Many, AStopBetweenCallsCallsNothingMoreAndSaysNoErr)
{
    f.list.Select({0, 1, 2});
    f.dialogs.Confirm(u"/out/x.txt"_s);
    f.progress.stop_at = 3;   // next 1 and its two steps go on; next 2 stops
    f.form.File_Free();
    EXPECT_EQ(f.recorder.Commands(), std::vector<std::string>({"x -c \"/arc/a.lzh\" \"/out/\" \"readme.txt\""}));
    EXPECT_TRUE(f.messages.texts.isEmpty());
    EXPECT_EQ(f.progress.open, 0);
    EXPECT_EQ(f.pointer.shape, Pointer_Default);

    // The next command starts afresh.
    f.progress.stop_at = -1;
    f.recorder.calls.clear();
    f.dialogs.Confirm(u"/out/x.txt"_s);
    f.form.File_Free();
    EXPECT_EQ(f.recorder.calls.size(), 3u);
}

TEST_F(Many, TheDeleteProgressNamesTheMemberDeletedNotThoseCopiedAlong)
{
    f.list.Select({1});
    f.recorder.respond = [this](const std::string&, std::string&) {
        f.recorder.Report("readme.txt", 6, 13909, UNLHA_WORK_COPY);
        f.recorder.Report("docs/numbers.txt", 6, 13909, UNLHA_WORK_OWN);
        f.recorder.Report("my docs/a long name.txt", 13909, 13909, UNLHA_WORK_COPY);
        return 0;
    };
    f.form.File_Del();
    EXPECT_EQ(f.progress.nexts, std::vector<QString>({u"1/1 docs/numbers.txt"_s}));
    // "" keeps the name the window shows: the member being deleted.
    EXPECT_EQ(f.progress.members, std::vector<QString>({QString(), u"docs/numbers.txt"_s, QString()}));
}

TEST_F(Many, ReadingIsTitledWithItsOwnWordAndAFolderRowStartsNothing)
{
    QTemporaryDir tmp;
    f.form.Tmp_Text = tmp.filePath(u"readme.txt"_s);
    f.form.Txt_Viewer = u"/usr/bin/view"_s;
    f.List(u"/arc/a.lzh"_s, Golden_Listing("edge/folders.lzh"));
    f.recorder.calls.clear();
    f.progress.titles.clear();
    f.list.Select({0, 4});   // the folder docs/ and the file readme.txt
    f.form.File_Read();
    EXPECT_EQ(f.progress.titles, std::vector<QString>({u"MORVANE - ﾃｷｽﾄ読込 - a.lzh"_s}));
    ASSERT_EQ(f.recorder.calls.size(), 1u);
    EXPECT_EQ(Last_Word(f.recorder.calls[0].command), "readme.txt");
    ASSERT_EQ(f.desktop.started.size(), 1u);
    EXPECT_TRUE(f.desktop.started[0].arguments.value(0).endsWith(u"/readme.txt"_s));

    // The folder row alone: nothing is extracted and nothing started.
    f.recorder.calls.clear();
    f.desktop.started.clear();
    f.list.rows[4].selected = false;
    f.form.File_Read();
    EXPECT_TRUE(f.recorder.calls.empty());
    EXPECT_TRUE(f.desktop.started.empty());
    EXPECT_TRUE(f.messages.texts.isEmpty());
}

TEST(ManyWords, AddingTheCommandLinesFilesShowsOneProgressAndStopsOnRequest)
{
    Fake_Form f;
    f.progress.logged = true;
    const int n = f.form.Arg_Split(u"/a/f1.txt /a/f2.txt /a/f3.txt"_s);
    f.dialogs.Confirm(u"/a/x.lzh"_s);
    f.progress.stop_at = 2;   // the third word is not added
    f.form.File_Add(n);
    EXPECT_EQ(f.log, Log({"dialog Save", "progress MORVANE - 書込み - x.lzh", "next 1/3 /a/f1.txt",
                          "unlha a \"/a/x.lzh\" \"/a/f1.txt\"", "next 2/3 /a/f2.txt",
                          "unlha a \"/a/x.lzh\" \"/a/f2.txt\"", "next 3/3 /a/f3.txt", "progress end"}));
}
