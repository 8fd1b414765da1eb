// OPEN_Click and File_List with scripted dialogs and a recording library:
// the dialog's settings, the caption, the command, the rows, Cancel, and the
// listing that fails or does not fit.
#include "fakes.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::testing;
using namespace Qt::StringLiterals;

namespace {
const std::string Two = Golden_Listing("edge/two.lzh");
}  // namespace

TEST(OpenClick, AsksForAnLzhArchiveAndListsTheConfirmedOne)
{
    Fake_Form f;
    f.recorder.Answer_Listing(Two);
    f.dialogs.Confirm(u"/arc/TEST.LZH"_s);
    f.form.OPEN_Click();

    ASSERT_EQ(f.dialogs.shown.size(), 1u);
    const auto& d = f.dialogs.shown[0];
    EXPECT_EQ(d.action, DialogAction::Open);
    EXPECT_EQ(d.DialogTitle, u"Lhaﾌｧｲﾙを読込み"_s);
    EXPECT_EQ(d.FileName, u"*.LZH"_s);
    EXPECT_EQ(d.Filter, u"Lhaﾌｧｲﾙ (*.LZH)|*.LZH|全てのﾌｧｲﾙ(*.*)|*.*|"_s);
    EXPECT_EQ(d.FilterIndex, 1);
    EXPECT_EQ(d.Flags, 6);
    EXPECT_TRUE(d.CancelError);

    EXPECT_EQ(f.form.Lzh_Path, u"/arc/TEST.LZH"_s);
    EXPECT_EQ(f.window.caption, u"Morvane 32bit Ver.97.08  /arc/TEST.LZH"_s);
    ASSERT_EQ(f.recorder.calls.size(), 1u);
    EXPECT_EQ(f.recorder.calls[0].command, "l \"/arc/TEST.LZH\"");
    EXPECT_EQ(f.recorder.calls[0].size, 20000u);
    EXPECT_EQ(f.list.Texts().size(), 3);
    EXPECT_EQ(f.list.rows[1].path, u"docs/numbers.txt"_s);
    EXPECT_EQ(f.log, Log({"dialog Open", "pointer 11", "unlha l \"/arc/TEST.LZH\"", "pointer 0"}));
    EXPECT_EQ(f.form.Buf_Size, 20000);
}

TEST(OpenClick, CancelKeepsTheArchiveTheListAndTheCaption)
{
    Fake_Form f;
    f.List(u"/arc/a.lzh"_s, Two);
    const QStringList rows = f.list.Texts();
    f.log.clear();
    f.dialogs.Cancel();
    f.form.OPEN_Click();
    EXPECT_EQ(f.log, Log({"dialog Open"}));
    EXPECT_EQ(f.form.Lzh_Path, u"/arc/a.lzh"_s);
    EXPECT_EQ(f.list.Texts(), rows);
    EXPECT_EQ(f.window.caption, u"Morvane 32bit Ver.97.08  /arc/a.lzh"_s);

    // The commands still work on the archive the window shows.
    f.list.Select({0});
    f.dialogs.Confirm(u"/out/readme.txt"_s);
    f.form.File_Free();
    EXPECT_EQ(f.recorder.calls.back().command, "x -c \"/arc/a.lzh\" \"/out/\" \"readme.txt\"");
}

TEST(OpenClick, InheritsWhatEarlierDialogsLeftAndLeavesItsPathReadable)
{
    // Start-up's File_Add leaves the default extension "LZH", the Save As
    // routine its initial folder; the Open dialog sets neither.
    Fake_Form f;
    f.dialogs.Cancel();
    f.form.File_Add(f.form.Arg_Split(u"/home/me/f1.txt"_s));
    f.dialogs.Cancel();
    f.form.Dlg_Save(u"x"_s, text::Filter_All, u"/elsewhere/"_s, text::Title_Extract);
    f.recorder.Answer_Listing(Two);
    f.dialogs.Confirm(u"/arc/b.lzh"_s);
    f.form.OPEN_Click();
    ASSERT_EQ(f.dialogs.shown.size(), 3u);
    EXPECT_EQ(f.dialogs.shown[0].DefaultExt, u"LZH"_s);
    EXPECT_EQ(f.dialogs.shown.back().InitDir, u"/elsewhere/"_s);
    EXPECT_EQ(f.dialogs.shown.back().DefaultExt, u"LZH"_s);
    EXPECT_EQ(f.form.CMDialog1.FileName, u"/arc/b.lzh"_s);
}

TEST(FileList, APathWithBlanksIsOneQuotedWord)
{
    Fake_Form f;
    f.List(u"/home/me/My Files/a.lzh"_s, Two);
    EXPECT_EQ(f.recorder.calls[0].command, "l \"/home/me/My Files/a.lzh\"");
}

TEST(FileList, AFailedListingShowsNothingOfTheArchiveBeforeAndSaysErr)
{
    Fake_Form f;
    f.List(u"/arc/a.lzh"_s, Two);
    f.recorder.respond = [](const std::string&, std::string& text) {
        text = "cannot open /arc/none.lzh: No such file or directory\n";
        return 2;
    };
    f.form.Lzh_Path = u"/arc/none.lzh"_s;
    f.form.File_List();
    EXPECT_TRUE(f.list.rows.empty());
    EXPECT_FALSE(f.form.Buf_Out.contains(u"readme.txt"_s));
    EXPECT_TRUE(f.form.Buf_Out.startsWith(u"cannot open"_s));
    EXPECT_EQ(f.form.Buf_Out.size(), 20000);
    EXPECT_EQ(f.window.caption, u"Morvane 32bit Ver.97.08  /arc/none.lzh"_s);
    EXPECT_EQ(f.messages.texts, QStringList({u"err"_s}));
    EXPECT_EQ(f.pointer.shape, Pointer_Default);
}

TEST(FileList, AListingTooLargeForTheBufferIsAskedForAgainWhole)
{
    Fake_Form f;
    f.List(u"/arc/big.lzh"_s, Golden_Listing("edge/many.lzh"));  // 3000 members
    ASSERT_GE(f.recorder.calls.size(), 2u);
    EXPECT_EQ(f.recorder.calls[0].size, 20000u);
    EXPECT_GT(f.recorder.calls.back().size, 20000u);
    ASSERT_EQ(f.list.rows.size(), 3001u);
    EXPECT_EQ(f.list.rows[2999].path, u"some/folder/file2999.txt"_s);
    EXPECT_TRUE(f.list.rows[3000].text.startsWith(u"  3000 files"_s));
    EXPECT_TRUE(f.messages.texts.isEmpty());
    EXPECT_EQ(f.form.Buf_Size, 20000);
}

// A large archive's listing is offered room by the archive's size at once:
// listed once, not first into 20000 bytes and then again; the rows go into
// the list in one go.
TEST(FileList, ALargeArchiveIsListedOnceWithRoomForItsListing)
{
    QTemporaryDir dir;
    const QString archive = dir.filePath(u"big.lzh"_s);
    QFile file(archive);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(217891));   // as large as edge/many.lzh, 3000 members
    file.close();
    Fake_Form f;
    f.List(archive, Golden_Listing("edge/many.lzh"));
    ASSERT_EQ(f.recorder.calls.size(), 1u);
    EXPECT_EQ(f.recorder.calls[0].size, 4u * 217891u);
    EXPECT_EQ(f.list.rows.size(), 3001u);
    EXPECT_EQ(f.list.bulk_adds, 1);
    EXPECT_EQ(f.form.Buf_Size, 20000);
}

TEST(FileList, ListingAgainRebuildsTheRows)
{
    Fake_Form f;
    f.List(u"/arc/a.lzh"_s, Two);
    f.list.RemoveItem(0);
    f.List(u"/arc/a.lzh"_s, Two);
    EXPECT_EQ(f.list.rows.size(), 3u);
    EXPECT_EQ(f.list.rows[0].path, u"readme.txt"_s);
}

TEST(FileList, NamesAndPathsCrossToTheLibraryAsUtf8)
{
    Fake_Form f;
    f.List(u"/書庫/ソ.lzh"_s, Golden_Listing("edge/japanese.lzh"));
    EXPECT_EQ(f.recorder.calls[0].command, "l \"/書庫/ソ.lzh\"");
    ASSERT_EQ(f.list.rows.size(), 3u);
    EXPECT_EQ(f.list.rows[0].text.left(12), u"表.txt       "_s);
    EXPECT_EQ(f.list.rows[0].path, u"フォルダ/表.txt"_s);
    EXPECT_EQ(f.list.rows[0].text.mid(13, 12), u"           1"_s);
}

TEST(FileList, APathHoldingAQuoteIsHandedOverAsOneWord)
{
    Fake_Form f;
    f.recorder.Answer_Listing(Two);
    f.form.Lzh_Path = u"/arc/say\"hi.lzh"_s;
    f.form.File_List();
    ASSERT_EQ(f.recorder.calls.size(), 1u);
    EXPECT_EQ(f.recorder.calls[0].command, "l \"/arc/say\"\"hi.lzh\"");
    EXPECT_TRUE(f.messages.texts.isEmpty());
    EXPECT_EQ(f.list.Texts().size(), 3);
}

TEST(FileList, WithoutTheLibraryEveryCommandSaysErr)
{
    const UnlhaLibrary missing;
    Fake_Form f(&missing);
    f.form.Lzh_Path = u"/arc/a.lzh"_s;
    f.form.File_List();
    EXPECT_EQ(f.messages.texts, QStringList({u"err"_s}));
    EXPECT_TRUE(f.list.rows.empty());
    EXPECT_EQ(f.pointer.shape, Pointer_Default);
}
