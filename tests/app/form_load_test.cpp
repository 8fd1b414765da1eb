// Start-up with fakes for the desktop and a real current folder: the text
// viewer lookup and its probe file, TMP, the cursor mode, the heading, and
// the two roads of the command line.
#include "fakes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::testing;
using namespace Qt::StringLiterals;

namespace {

struct Start_Up : ::testing::Test {
    QTemporaryDir folder;
    Fake_Form f;
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        f.desktop.folder = folder.path();
        f.desktop.environment[u"TMP"_s] = u"/var/tmp/m"_s;
    }
    void Touch(const QString& name) const
    {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QStringList Files() const { return QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot); }
};

}  // namespace

TEST_F(Start_Up, ATextFileInTheFolderIsLookedUpAndNothingIsCreated)
{
    Touch(u"notes.txt"_s);
    f.form.Form_Load();
    ASSERT_EQ(f.desktop.lookups.size(), 1u);
    EXPECT_EQ(f.desktop.lookups[0].file, u"notes.txt"_s);
    EXPECT_EQ(f.desktop.lookups[0].folder, folder.path());
    EXPECT_EQ(Files(), QStringList({u"notes.txt"_s}));
    EXPECT_EQ(f.form.Txt_Viewer, u"/usr/bin/fake-viewer"_s);
}

TEST_F(Start_Up, WithoutATextFileAProbeIsMadeForTheLookupAndRemoved)
{
    f.desktop.folder = folder.path() + u'/';   // as a root folder reads
    f.form.Form_Load();
    ASSERT_EQ(f.desktop.lookups.size(), 1u);
    EXPECT_EQ(f.desktop.lookups[0].file, u"test.txt"_s);
    EXPECT_EQ(f.desktop.lookups[0].folder, folder.path());   // no trailing separator
    EXPECT_TRUE(f.desktop.lookups[0].existed);
    EXPECT_EQ(f.desktop.lookups[0].content, QByteArray("\r\n"));
    EXPECT_TRUE(Files().isEmpty());
    EXPECT_EQ(f.form.Txt_Viewer, u"/usr/bin/fake-viewer"_s);
}

TEST_F(Start_Up, AProbeThatCannotBeMadeLeavesWhatIsThereAndAsksForTextFilesInGeneral)
{
    // A dangling link named test.txt: writing the probe would create its target.
    const QString target = folder.filePath(u"elsewhere"_s);
    ASSERT_TRUE(QFile::link(target, folder.filePath(u"test.txt"_s)));
    f.form.Form_Load();
    EXPECT_TRUE(f.desktop.lookups.empty());
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(Files(), QStringList({u"test.txt"_s}));
    EXPECT_EQ(f.form.Txt_Viewer, u"/usr/bin/generic-viewer"_s);
    EXPECT_EQ(f.label.caption, Column_Heading());   // the remaining steps still run
}

TEST_F(Start_Up, ALookupThatFindsNothingLeavesNoViewer)
{
    // The folder is there and the lookup runs, on a text file found there
    // and on the probe, but nothing is associated: the buffer stays blank.
    f.desktop.associated.clear();
    f.form.Form_Load();
    ASSERT_EQ(f.desktop.lookups.size(), 1u);
    EXPECT_TRUE(f.desktop.lookups[0].existed);
    EXPECT_EQ(f.form.Txt_Viewer, u""_s);

    Fake_Form g;
    g.desktop.folder = folder.path();
    g.desktop.associated.clear();
    Touch(u"notes.txt"_s);
    g.form.Form_Load();
    ASSERT_EQ(g.desktop.lookups.size(), 1u);
    EXPECT_EQ(g.desktop.lookups[0].file, u"notes.txt"_s);
    EXPECT_EQ(g.form.Txt_Viewer, u""_s);
}

TEST_F(Start_Up, RunsItsStepsInOrder)
{
    f.desktop.arguments = {u"/data/a.lzh"_s};
    f.recorder.Answer_Listing(Golden_Listing("edge/one.lzh"));
    f.form.Form_Load();
    EXPECT_EQ(f.log, Log({"folder", "find test.txt", "env TMP", "cursor 1", "arguments",
                          "label " + Column_Heading().toStdString(), "pointer 11", "unlha l \"/data/a.lzh\"",
                          "pointer 0"}));
}

TEST_F(Start_Up, TmpGivesTheTemporaryPath)
{
    f.form.Form_Load();
    EXPECT_EQ(f.form.Tmp_Text, u"/var/tmp/m/readme.txt"_s);

    Fake_Form g;
    g.desktop.folder = folder.path();
    g.desktop.environment[u"TMP"_s] = u"/var/tmp/"_s;
    g.form.Form_Load();
    EXPECT_EQ(g.form.Tmp_Text, u"/var/tmp//readme.txt"_s);
}

TEST_F(Start_Up, WithoutTmpTheTemporaryPathIsTmpdirThenSlashTmp)
{
    f.desktop.environment.remove(u"TMP"_s);
    f.desktop.environment[u"TMPDIR"_s] = u"/scratch"_s;
    f.form.Form_Load();
    EXPECT_EQ(f.form.Tmp_Text, u"/scratch/readme.txt"_s);

    Fake_Form g;
    g.desktop.folder = folder.path();
    g.form.Form_Load();
    EXPECT_EQ(g.form.Tmp_Text, u"/tmp/readme.txt"_s);
}

TEST_F(Start_Up, WithoutArgumentsTheWindowOpensEmptyUnderTheHeading)
{
    f.form.Form_Load();
    EXPECT_EQ(f.recorder.cursor_modes, std::vector<int>({1}));
    EXPECT_TRUE(f.recorder.calls.empty());
    EXPECT_TRUE(f.dialogs.shown.empty());
    EXPECT_TRUE(f.messages.texts.isEmpty());
    EXPECT_TRUE(f.list.rows.empty());
    EXPECT_EQ(f.label.caption, Column_Heading());
    EXPECT_EQ(f.window.caption, u"Morvane 32bit Ver.97.08"_s);
}

TEST_F(Start_Up, OneArchiveIsListedWithItsPathAsGiven)
{
    const std::string listing = Golden_Listing("edge/one.lzh");
    for (const QString& arg : {u"/data/a.lzh"_s, u"/data/x.lzh.txt"_s, u"/tmp/a b/C.LZH"_s, u"/data/old.LHA"_s}) {
        Fake_Form g;
        g.desktop.folder = folder.path();
        g.desktop.arguments = {arg};
        g.recorder.Answer_Listing(listing);
        g.form.Form_Load();
        EXPECT_EQ(g.form.Lzh_Path, arg);
        ASSERT_EQ(g.recorder.calls.size(), 1u) << arg.toStdString();
        EXPECT_EQ(g.recorder.calls[0].command, "l \"" + arg.toStdString() + "\"");
        EXPECT_EQ(g.list.rows.size(), 2u);
        EXPECT_TRUE(g.dialogs.shown.empty());
    }
}

TEST_F(Start_Up, AnLzhArchiveOfAnyNameIsKnownByItsContentAndListed)
{
    // The library lists download.bin and refuses notes.bin; missing.bin is
    // not there to ask about.
    Touch(u"download.bin"_s);
    Touch(u"notes.bin"_s);
    const std::string listing = Golden_Listing("edge/one.lzh");
    for (const char* name : {"download.bin", "notes.bin", "missing.bin"}) {
        const QString path = folder.filePath(QString::fromUtf8(name));
        Fake_Form g;
        g.desktop.folder = folder.path();
        g.desktop.arguments = {path};
        g.recorder.respond = [&listing](const std::string& command, std::string& text) {
            if (command.find("notes.bin") != std::string::npos)
                return 3;
            text = listing;
            return 0;
        };
        g.dialogs.Cancel();
        g.form.Form_Load();
        const std::string l = "l \"" + path.toStdString() + "\"";
        if (std::strcmp(name, "download.bin") == 0) {
            EXPECT_EQ(g.recorder.Commands(), std::vector<std::string>({l, l}));
            EXPECT_EQ(g.recorder.calls[0].size, 0u);   // the question asks for no text
            EXPECT_EQ(g.form.Lzh_Path, path);
            EXPECT_EQ(g.list.rows.size(), 2u);
            EXPECT_TRUE(g.dialogs.shown.empty());
        } else {
            EXPECT_EQ(g.recorder.Commands(),
                      std::strcmp(name, "notes.bin") == 0 ? std::vector<std::string>({l}) : std::vector<std::string>());
            EXPECT_EQ(g.dialogs.shown.size(), 1u) << name;
            EXPECT_TRUE(g.form.Lzh_Path.isEmpty());
        }
    }
}

TEST_F(Start_Up, AnythingElseGoesToFileAddWithEveryArgumentWhole)
{
    for (const QStringList& args : {QStringList{u"/docs/readme.doc"_s}, QStringList{u"/a/x.lzh"_s, u"/a/y.txt"_s},
                                    QStringList{u"/a/x.lzh"_s, u""_s}, QStringList{u"/a/say\"hi"_s},
                                    QStringList{u"/a/\"q\" x.txt"_s, u"\""_s}}) {
        Fake_Form g;
        g.desktop.folder = folder.path();
        g.desktop.arguments = args;
        g.dialogs.Cancel();
        g.form.Form_Load();
        ASSERT_EQ(g.dialogs.shown.size(), 1u);
        EXPECT_EQ(g.dialogs.shown[0].DialogTitle, u"Lhaﾌｧｲﾙに書込み"_s);
        EXPECT_TRUE(g.recorder.calls.empty());
        EXPECT_TRUE(g.form.Lzh_Path.isEmpty());
        EXPECT_EQ(g.form.Arg_Word.mid(1, args.size()), args);
    }
}

TEST_F(Start_Up, AMissingLibraryIsReportedAndStartUpGoesOn)
{
    const UnlhaLibrary missing;
    Fake_Form g(&missing);
    g.desktop.folder = folder.path();
    g.desktop.arguments = {u"/data/a.lzh"_s};
    g.form.Form_Load();
    ASSERT_EQ(g.messages.texts.size(), 2);
    EXPECT_TRUE(g.messages.texts[0].startsWith(u"アーカイバ ライブラリを読み込めません。"_s));
    EXPECT_EQ(g.messages.texts[1], u"err"_s);   // the listing it could not make
    EXPECT_EQ(g.label.caption, Column_Heading());
    EXPECT_TRUE(g.recorder.cursor_modes.empty());
}
