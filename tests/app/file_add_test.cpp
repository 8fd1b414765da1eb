// File_Add with scripted dialogs and a recording library: the dialog's eight
// settings, one quoted "a" per word, "err" and on, no busy pointer.
#include "fakes.h"

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::testing;
using namespace Qt::StringLiterals;

TEST(FileAdd, AsksForTheArchiveInTheFolderOfTheFirstFileThenAddsEachWord)
{
    Fake_Form f;
    const int n = f.form.Arg_Split(u"/home/me/f1.txt \"/home/me/my notes.txt\""_s);
    f.dialogs.Confirm(u"/home/me/out.LZH"_s);
    f.form.File_Add(n);

    ASSERT_EQ(f.dialogs.shown.size(), 1u);
    const auto& d = f.dialogs.shown[0];
    EXPECT_EQ(d.action, DialogAction::Save);
    EXPECT_EQ(d.Filter, u"Lhaﾌｧｲﾙ (*.LZH)|*.LZH|全てのﾌｧｲﾙ(*.*)|*.*|"_s);
    EXPECT_EQ(d.FileName, u"*.LZH"_s);
    EXPECT_EQ(d.DefaultExt, u"LZH"_s);
    EXPECT_EQ(d.InitDir, u"/home/me"_s);
    EXPECT_EQ(d.DialogTitle, u"Lhaﾌｧｲﾙに書込み"_s);
    EXPECT_EQ(d.FilterIndex, 1);
    EXPECT_EQ(d.Flags, 4);
    EXPECT_TRUE(d.CancelError);

    EXPECT_EQ(f.recorder.Commands(), std::vector<std::string>({"a \"/home/me/out.LZH\" \"/home/me/f1.txt\"",
                                                               "a \"/home/me/out.LZH\" \"/home/me/my notes.txt\""}));
    // Buf_Size as it stands: nothing has set it at start-up.
    EXPECT_EQ(f.recorder.calls[0].size, 0u);
    EXPECT_EQ(f.log, Log({"dialog Save", "unlha a \"/home/me/out.LZH\" \"/home/me/f1.txt\"",
                          "unlha a \"/home/me/out.LZH\" \"/home/me/my notes.txt\""}));
}

TEST(FileAdd, CancelAddsNothing)
{
    Fake_Form f;
    f.form.Arg_Split(u"/a/f1.txt"_s);
    f.dialogs.Cancel();
    f.form.File_Add(1);
    EXPECT_TRUE(f.recorder.calls.empty());
    EXPECT_TRUE(f.messages.texts.isEmpty());
    EXPECT_EQ(f.form.CMDialog1.FileName, u"*.LZH"_s);
}

TEST(FileAdd, AFailingWordShowsOneErrAndTheNextIsStillAdded)
{
    Fake_Form f;
    const int n = f.form.Arg_Split(u"/a/missing.txt /a/f2.txt  /a/f3.txt"_s);
    f.recorder.respond = [](const std::string& command, std::string&) {
        return command.find("missing") != std::string::npos ? 2 : 0;
    };
    f.dialogs.Confirm(u"/a/x.lzh"_s);
    f.form.File_Add(n);
    EXPECT_EQ(f.recorder.Commands(),
              std::vector<std::string>({"a \"/a/x.lzh\" \"/a/missing.txt\"", "a \"/a/x.lzh\" \"/a/f2.txt\"",
                                        "a \"/a/x.lzh\" \"\"", "a \"/a/x.lzh\" \"/a/f3.txt\""}));
    EXPECT_EQ(f.messages.texts, QStringList({u"err"_s}));
    EXPECT_EQ(f.log[2], "msg err");
}
