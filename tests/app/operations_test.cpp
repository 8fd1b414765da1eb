// The archive commands with scripted dialogs, a recording library, message
// box, pointer and desktop: the exact command texts and their order, what
// each does around the dialog, and what a failure leaves.
#include "fakes.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace morvane;
using namespace morvane::testing;
using namespace Qt::StringLiterals;

namespace {

const std::string Three = Golden_Listing("edge/three.lzh");

struct Commands : ::testing::Test {
    Fake_Form f;
    void SetUp() override
    {
        f.List(u"/arc/a.lzh"_s, Three);
        f.recorder.calls.clear();
        f.recorder.respond = nullptr;
        f.log.clear();
    }
    // The library fails for commands that mention `part`.
    void Fail_On(const std::string& part)
    {
        f.recorder.respond = [part](const std::string& command, std::string&) {
            return command.find(part) != std::string::npos ? 4 : 0;
        };
    }
};

}  // namespace

TEST_F(Commands, FileFreeExtractsEachSelectedMemberByItsWholePathIntoTheChosenFolder)
{
    f.list.Select({1, 2});
    f.dialogs.Confirm(u"/out/anything.txt"_s);
    f.form.File_Free();

    ASSERT_EQ(f.dialogs.shown.size(), 1u);
    const auto& d = f.dialogs.shown[0];
    EXPECT_EQ(d.action, DialogAction::Save);
    EXPECT_EQ(d.FileName, u"numbers.txt"_s);   // the file name, not docs/numbers.txt
    EXPECT_EQ(d.Filter, u"全てのﾌｧｲﾙ(*.*)|*.*|"_s);
    EXPECT_EQ(d.InitDir, u"/arc/"_s);
    EXPECT_EQ(d.DialogTitle, u"Lha ファイル解凍"_s);
    EXPECT_EQ(d.FilterIndex, 1);
    EXPECT_EQ(d.Flags, 4);
    EXPECT_TRUE(d.CancelError);
    EXPECT_EQ(f.log, Log({"dialog Save", "pointer 11",
                          "unlha x -c \"/arc/a.lzh\" \"/out/\" \"docs/numbers.txt\"",
                          "unlha x -c \"/arc/a.lzh\" \"/out/\" \"my docs/a long name.txt\"", "pointer 0"}));
    EXPECT_EQ(f.recorder.calls[0].size, 20000u);
}

TEST_F(Commands, FileFreeGoesOnAfterAFailingMember)
{
    f.list.Select({0, 1, 2});
    f.dialogs.Confirm(u"/anything.txt"_s);   // the root folder: one separator
    Fail_On("numbers");
    f.form.File_Free();
    EXPECT_EQ(f.log, Log({"dialog Save", "pointer 11", "unlha x -c \"/arc/a.lzh\" \"/\" \"readme.txt\"",
                          "unlha x -c \"/arc/a.lzh\" \"/\" \"docs/numbers.txt\"", "msg err",
                          "unlha x -c \"/arc/a.lzh\" \"/\" \"my docs/a long name.txt\"", "pointer 0"}));
}

TEST_F(Commands, FileFreeWithoutASelectedMemberDoesNothingAtAll)
{
    f.form.File_Free();
    f.list.Select({3});   // the summary row alone
    f.form.File_Free();
    EXPECT_TRUE(f.log.empty());
}

TEST_F(Commands, CancelEndsACommandBeforeAnythingHappens)
{
    f.list.Select({0});
    f.dialogs.Cancel();
    f.form.File_Free();
    f.dialogs.Cancel();
    f.form.File_AllFree();
    f.dialogs.Cancel();
    f.form.File_Exe();
    EXPECT_EQ(f.log, Log({"dialog Save", "dialog Save", "dialog Save"}));
}

TEST_F(Commands, FileAllFreeExtractsEverythingWithOneCommand)
{
    f.dialogs.Confirm(u"/out/x/readme.txt"_s);
    Fail_On("*.*");
    f.form.File_AllFree();
    EXPECT_EQ(f.dialogs.shown[0].FileName, u"readme.txt"_s);
    EXPECT_EQ(f.log, Log({"dialog Save", "pointer 11", "unlha x -c \"/arc/a.lzh\" \"/out/x/\" *.*", "msg err",
                          "pointer 0"}));
}

TEST(FileAllFree, WithNoArchiveTheDialogStartsEmpty)
{
    Fake_Form f;
    f.dialogs.Confirm(u"/out/x"_s);
    f.form.File_AllFree();
    EXPECT_EQ(f.dialogs.shown[0].FileName, u""_s);
    EXPECT_EQ(f.recorder.Commands(), std::vector<std::string>({"x -c \"\" \"/out/\" *.*"}));
}

namespace {
// File_Read with TMP a real folder of the test's own.
struct Reading : Commands {
    QTemporaryDir tmp;
    void SetUp() override
    {
        Commands::SetUp();
        ASSERT_TRUE(tmp.isValid());
        f.form.Tmp_Text = tmp.path() + u"//readme.txt"_s;   // TMP ending in a separator
        f.form.Txt_Viewer = u"/usr/bin/view"_s;
    }
    // The folders File_Read made under TMP.
    QStringList Made() const { return QDir(tmp.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot); }
    static void Write_File(const QString& path, const QByteArray& content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    static QByteArray Read_File(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
};
}  // namespace

TEST_F(Reading, EachMemberGoesIntoAPrivateFolderUnderTmpAndTheViewerStartsOnIt)
{
    f.form.Txt_Viewer = u"\"/usr/bin/my viewer\" --new %f"_s;
    f.list.Select({1, 2});
    f.form.File_Read();
    ASSERT_EQ(Made().size(), 1);
    const QString folder = tmp.filePath(Made()[0]);
    EXPECT_TRUE(Made()[0].startsWith(u"morvane-"_s));
    const QFileInfo info(folder);
    EXPECT_EQ(info.ownerId(), ::getuid());
    EXPECT_EQ(info.permissions() & (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                    QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                                    QFile::ExeOther),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const std::string p = folder.toStdString();
    EXPECT_EQ(f.log, Log({"pointer 11", "unlha x -c \"/arc/a.lzh\" \"" + p + "/\" \"docs/numbers.txt\"",
                          "start /usr/bin/my viewer | --new|" + p + "/docs/numbers.txt",
                          "unlha x -c \"/arc/a.lzh\" \"" + p + "/\" \"my docs/a long name.txt\"",
                          "start /usr/bin/my viewer | --new|" + p + "/my docs/a long name.txt", "pointer 0"}));

    // The next read uses the same folder.
    f.log.clear();
    f.form.File_Read();
    EXPECT_EQ(Made().size(), 1);
    EXPECT_EQ(f.log[1], "unlha x -c \"/arc/a.lzh\" \"" + p + "/\" \"docs/numbers.txt\"");
}

TEST_F(Reading, AFileThereThatTheProgramDidNotWriteSendsTheMemberToAFreshFolder)
{
    f.list.Select({0});
    f.form.File_Read();
    ASSERT_EQ(Made().size(), 1);
    const QString first = tmp.filePath(Made()[0]);
    // A viewer saved a file of that name there.
    Write_File(first + u"/readme.txt"_s, "edited");
    f.form.File_Read();
    ASSERT_EQ(Made().size(), 2);
    ASSERT_EQ(f.desktop.started.size(), 2u);
    EXPECT_FALSE(f.desktop.started[1].arguments.value(0).startsWith(first + u'/'));
    EXPECT_TRUE(f.recorder.calls[1].command.find(first.toStdString()) == std::string::npos);
    EXPECT_EQ(Read_File(first + u"/readme.txt"_s), QByteArray("edited"));
}

TEST_F(Reading, NoViewerStartsForAMemberThatFailed)
{
    f.list.Select({0, 1});
    Fail_On("readme");
    f.form.File_Read();
    ASSERT_EQ(f.desktop.started.size(), 1u);
    EXPECT_EQ(f.desktop.started[0].arguments, QStringList({tmp.filePath(Made()[0]) + u"/docs/numbers.txt"_s}));
    EXPECT_EQ(f.messages.texts, QStringList({u"err"_s}));
}

TEST_F(Reading, AViewerThatCannotStartIsReportedAndTheNextMemberIsRead)
{
    f.desktop.start_works = false;
    f.list.Select({0, 1});
    f.form.File_Read();
    EXPECT_EQ(f.desktop.started.size(), 2u);
    ASSERT_EQ(f.messages.texts.size(), 2);
    EXPECT_TRUE(f.messages.texts[0].startsWith(u"テキスト表示プログラムを起動できません。"_s));
    EXPECT_EQ(f.pointer.shape, Pointer_Default);

    // No viewer at all: nothing to start, and it says so.
    f.form.Txt_Viewer.clear();
    f.desktop.started.clear();
    f.form.File_Read();
    EXPECT_TRUE(f.desktop.started.empty());
    EXPECT_EQ(f.messages.texts.size(), 4);
}

TEST_F(Reading, WithoutAFolderOfItsOwnNothingIsExtracted)
{
    f.form.Tmp_Text = tmp.filePath(u"missing/readme.txt"_s);
    f.list.Select({0});
    f.form.File_Read();
    EXPECT_TRUE(f.recorder.calls.empty());
    EXPECT_TRUE(f.desktop.started.empty());
    EXPECT_EQ(f.messages.texts, QStringList({u"err"_s}));
}

TEST_F(Commands, FileReadWithNothingSelectedOnlyFlashesThePointer)
{
    f.list.Select({3});
    f.form.File_Read();
    EXPECT_EQ(f.log, Log({"pointer 11", "pointer 0"}));
}

TEST_F(Commands, FileDelDeletesEachSelectedMemberAndRemovesItsRow)
{
    f.list.Select({0, 2});
    f.form.File_Del();
    // No dialog has been shown since the Open road was not taken: the base
    // folder is what an empty path gives.
    EXPECT_EQ(f.log, Log({"pointer 11", "unlha d \"/arc/a.lzh\" \"/\" \"readme.txt\"",
                          "unlha d \"/arc/a.lzh\" \"/\" \"my docs/a long name.txt\"", "pointer 0"}));
    ASSERT_EQ(f.list.rows.size(), 2u);
    EXPECT_EQ(f.list.rows[0].path, u"docs/numbers.txt"_s);
    EXPECT_TRUE(f.list.rows[1].path.isEmpty());   // the old summary row stays
}

TEST_F(Commands, FileDelTakesItsBaseFolderFromTheLastDialog)
{
    f.dialogs.Confirm(u"/elsewhere/out/x.txt"_s);
    f.list.Select({1});
    f.form.File_Free();
    f.log.clear();
    f.form.File_Del();
    EXPECT_EQ(f.log[1], "unlha d \"/arc/a.lzh\" \"/elsewhere/out/\" \"docs/numbers.txt\"");
}

TEST_F(Commands, FileDelKeepsTheRowOfAMemberThatWasNotDeleted)
{
    f.list.Select({0, 1, 2});
    Fail_On("numbers");
    f.form.File_Del();
    EXPECT_EQ(f.recorder.calls.size(), 3u);
    EXPECT_EQ(f.messages.texts, QStringList({u"err"_s}));
    ASSERT_EQ(f.list.rows.size(), 2u);
    EXPECT_EQ(f.list.rows[0].path, u"docs/numbers.txt"_s);
    EXPECT_TRUE(f.list.rows[0].selected);
}

TEST_F(Commands, FileDelWithOnlyTheSummaryRowSelectedDeletesNothing)
{
    f.list.Select({3});
    f.form.File_Del();
    EXPECT_TRUE(f.recorder.calls.empty());
    EXPECT_EQ(f.list.rows.size(), 4u);
}

TEST(FileDel, AFolderRowDeletesTheFolderWithItsContentsAndTakesTheirRows)
{
    Fake_Form f;
    f.List(u"/arc/a.lzh"_s, Golden_Listing("edge/folders.lzh"));
    f.recorder.calls.clear();
    f.list.Select({0, 4});
    f.form.File_Del();
    EXPECT_EQ(f.recorder.Commands(), std::vector<std::string>({"d \"/arc/a.lzh\" \"/\" \"docs/\"",
                                                               "d \"/arc/a.lzh\" \"/\" \"readme.txt\""}));
    EXPECT_TRUE(f.messages.texts.isEmpty());
    ASSERT_EQ(f.list.rows.size(), 2u);
    EXPECT_EQ(f.list.rows[0].path, u"docs2.txt"_s);
    EXPECT_TRUE(f.list.rows[1].path.isEmpty());
}

TEST(FileDel, AFolderThatFailsKeepsItsRowsAndAFileNameThatWouldTakeMoreIsNotHandedOver)
{
    Fake_Form f;
    // "a" and "a/x" both: deleting the file "a" would take "a/x" as well.
    f.List(u"/arc/a.lzh"_s, Golden_Listing("edge/file_and_folder.lzh"));
    f.recorder.calls.clear();
    f.recorder.respond = [](const std::string& command, std::string&) { return command.find("d/") != std::string::npos ? 5 : 0; };
    f.list.Select({0, 2});
    f.form.File_Del();
    EXPECT_EQ(f.recorder.Commands(), std::vector<std::string>({"d \"/arc/a.lzh\" \"/\" \"d/\""}));
    EXPECT_EQ(f.messages.texts, QStringList({u"err"_s, u"err"_s}));
    EXPECT_EQ(f.list.rows.size(), 5u);

    // With everything below it selected, the file name goes, and so do both rows.
    f.recorder.calls.clear();
    f.list.rows[1].selected = true;
    f.form.File_Del();
    EXPECT_EQ(f.recorder.Commands().front(), "d \"/arc/a.lzh\" \"/\" \"a\"");
    EXPECT_EQ(f.list.rows.size(), 3u);
}

TEST_F(Commands, FileExeSuggestsTheArchiveNameAndWritesIntoTheChosenFolder)
{
    f.dialogs.Confirm(u"/out/whatever.EXE"_s);
    f.form.File_Exe();
    const auto& d = f.dialogs.shown[0];
    EXPECT_EQ(d.FileName, u"/arc/a.EXE"_s);
    EXPECT_EQ(d.Filter, u"EXEファイル(*.EXE)|*.EXE|全てのﾌｧｲﾙ(*.*)|*.*|"_s);
    EXPECT_EQ(d.InitDir, u"/arc/"_s);
    EXPECT_EQ(d.DialogTitle, u"実行ファイル作製"_s);
    EXPECT_EQ(d.Flags, 4);
    EXPECT_EQ(f.log, Log({"dialog Save", "pointer 11", "unlha s  \"/arc/a.lzh\" \"/out/\" -jw2", "pointer 0"}));
}

TEST_F(Commands, FileExeReportsAFailure)
{
    f.dialogs.Confirm(u"/out/a.EXE"_s);
    Fail_On("-jw2");
    f.form.File_Exe();
    EXPECT_EQ(f.messages.texts, QStringList({u"err"_s}));
    EXPECT_EQ(f.pointer.shape, Pointer_Default);
}

TEST_F(Commands, EveryCommandStartsFromAnEmptyBufferOfTwentyThousand)
{
    // A command that makes no call at all still leaves no text of the call
    // before it behind.
    const auto leave_text = [this] {
        f.recorder.respond = [](const std::string&, std::string& text) {
            text = "extracted\n";
            return 0;
        };
        f.list.Select({0});
        f.dialogs.Confirm(u"/out/x"_s);
        f.form.File_Free();
        ASSERT_TRUE(f.form.Buf_Out.startsWith(u"extracted\n   "_s));
        f.list.rows[0].selected = false;
        f.list.Select({3});   // the summary row alone: nothing to do
        f.form.Buf_Size = 7;
    };
    leave_text();
    f.form.File_Del();
    EXPECT_EQ(f.form.Buf_Out, QString(20000, u' '));
    EXPECT_EQ(f.form.Buf_Size, 20000);
    leave_text();
    f.form.File_Read();
    EXPECT_EQ(f.form.Buf_Out, QString(20000, u' '));
    EXPECT_EQ(f.form.Buf_Size, 20000);
}

// Every call goes through the progress window: begun with what it does and
// the archive's name, told of the members by the name a person reads, ended
// after the call; a stop the person asks for reaches the library, and the
// command says "err" for the stopped call as for any other failure.
TEST_F(Commands, ACallReportsToTheProgressWindowAndTheStopReachesTheLibrary)
{
    f.dialogs.Confirm(u"/out/x.txt"_s);
    bool stopped = false;
    f.recorder.respond = [&](const std::string&, std::string&) {
        for (int i = 1; i <= 4 && !stopped; ++i)
            stopped = f.recorder.Report(i < 3 ? "docs/numbers.txt" : "a%22b", std::uint64_t(i), 4);
        return stopped ? int(UNLHA_ERR_STOPPED) : 0;
    };
    f.progress.titles.clear();   // the listing's, in SetUp
    f.progress.stop_at = 2;   // the third step asks to stop
    f.form.File_AllFree();
    EXPECT_EQ(f.progress.titles, std::vector<QString>({u"MORVANE - 解凍 - a.lzh"_s}));
    EXPECT_EQ(f.progress.members, std::vector<QString>({u"docs/numbers.txt"_s, u"docs/numbers.txt"_s, u"a\"b"_s}));
    EXPECT_EQ(f.progress.done, std::vector<double>({0.25, 0.5, 0.75}));
    EXPECT_EQ(f.progress.open, 0);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(f.messages.texts, QStringList({u"err"_s}));
    EXPECT_EQ(f.pointer.shape, Pointer_Default);
    // Nobody hears of calls after this one ended.
    EXPECT_EQ(f.recorder.progress, nullptr);
}
