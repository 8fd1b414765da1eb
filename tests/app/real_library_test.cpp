// The procedures through the real archiver library on real archives: made by
// LHa for Java, taken from the corpus of archives made by other programs, or
// written by the procedures themselves and read back by lhasa. Only the person
// and the desktop are fakes here (dialog answers, message boxes, the viewer).
#include "fakes.h"
#include "listing/listing_parser.h"
#include "os/local_names.h"
#include "real_archives.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <fstream>
#include <iterator>

using namespace morvane;
using namespace morvane::testing;
using namespace Qt::StringLiterals;

namespace {

const QMap<QString, QByteArray> Files = {
    {u"readme.txt"_s, "hello\n"},
    {u"docs/numbers.txt"_s, QByteArray::number(1234567).repeated(4000)},
    {u"my docs/a long file name.txt"_s, "blanks in the folder and the name\n"},
    {u"empty.dat"_s, ""},
};

struct Real : ::testing::Test {
    UnlhaLibrary library;
    QTemporaryDir work;
    std::unique_ptr<Fake_Form> f;
    QString source, archive;

    void SetUp() override
    {
        ASSERT_TRUE(library.Load(Library_File())) << library.Error().toStdString();
        ASSERT_TRUE(work.isValid());
        f = std::make_unique<Fake_Form>(&library);
        source = work.filePath(u"source"_s);
        archive = work.filePath(u"arc/test archive.lzh"_s);
        QDir().mkpath(work.filePath(u"arc"_s));
        Write_Tree(source, Files);
        QStringList args = {u"a"_s, archive};
        args += Files.keys();
        ASSERT_EQ(Run_Tool(u"jlha"_s, args, source), 0);
        f->form.Lzh_Path = archive;
        f->form.File_List();
        ASSERT_TRUE(f->messages.texts.isEmpty());
    }
    // The row of the member stored as `path`.
    int Row(const QString& path) const
    {
        for (int i = 0; i < int(f->list.rows.size()); ++i)
            if (f->list.rows[i].path == path)
                return i;
        return -1;
    }
    void Select(const QStringList& paths)
    {
        for (const QString& p : paths)
            f->list.rows.at(Row(p)).selected = true;
    }
};

// The real library and an empty work folder.
struct Real_Library : ::testing::Test {
    UnlhaLibrary library;
    QTemporaryDir work;
    void SetUp() override
    {
        ASSERT_TRUE(library.Load(Library_File())) << library.Error().toStdString();
        ASSERT_TRUE(work.isValid());
    }
    // many.lzh in the work folder: the folder "many" and `count` small
    // files in it, named file0...txt with `digits` digits.
    QString Many_Members(int count, int digits)
    {
        QMap<QString, QByteArray> files;
        for (int i = 0; i < count; ++i)
            files.insert(u"many/file%1.txt"_s.arg(i, digits, 10, QChar(u'0')), QByteArray::number(i));
        Write_Tree(work.path(), files);
        Fake_Form maker(&library);
        const QString archive = work.filePath(u"many.lzh"_s);
        maker.form.Buf_Size = 20000;
        EXPECT_EQ(maker.form.Unlha(u"a \"%1\" \"%2\""_s.arg(archive, work.filePath(u"many"_s))), 0);
        return archive;
    }
};

}  // namespace

TEST_F(Real, AListingGivesEveryMemberItsRowAndWholePath)
{
    ASSERT_EQ(f->list.rows.size(), Files.size() + 1);
    for (const QString& path : Files.keys())
        EXPECT_GE(Row(path), 0) << path.toStdString();
    const auto& numbers = f->list.rows.at(Row(u"docs/numbers.txt"_s));
    EXPECT_EQ(numbers.text.left(12), u"numbers.txt "_s);
    EXPECT_EQ(numbers.text.mid(13, 12), u"      28,000"_s);
    EXPECT_EQ(f->list.rows.at(Row(u"my docs/a long file name.txt"_s)).text.left(12), u"a long file "_s);
    EXPECT_TRUE(f->list.rows.back().text.startsWith(u"     4 files       28,"_s));
    EXPECT_EQ(f->window.caption, text::Version + u"  "_s + archive);
}

TEST_F(Real, FileFreeExtractsTheSelectedMembersWithTheirFolders)
{
    Select({u"my docs/a long file name.txt"_s, u"readme.txt"_s});
    const QString out = work.filePath(u"out dir"_s);
    QDir().mkpath(out);
    f->dialogs.Confirm(out + u"/a long file name.txt"_s);
    f->form.File_Free();
    EXPECT_TRUE(f->messages.texts.isEmpty());
    EXPECT_EQ(f->dialogs.shown[0].FileName, u"a long file name.txt"_s);   // the first in row order
    const QMap<QString, QByteArray> expected = {
        {u"my docs/a long file name.txt"_s, Files[u"my docs/a long file name.txt"_s]},
        {u"readme.txt"_s, Files[u"readme.txt"_s]}};
    EXPECT_EQ(Read_Tree(out), expected);
}

TEST_F(Real, FileAllFreeExtractsEveryMemberAndReplacesWhatIsThere)
{
    const QString out = work.filePath(u"all"_s);
    Write_Tree(out, {{u"readme.txt"_s, "old content"}});
    f->dialogs.Confirm(out + u"/readme.txt"_s);
    f->form.File_AllFree();
    EXPECT_TRUE(f->messages.texts.isEmpty());
    EXPECT_EQ(Read_Tree(out), Files);
}

TEST_F(Real, FileReadLeavesAFileOfTheSameNameInTmpAloneAndOpensItsOwnCopy)
{
    const QString tmp = work.filePath(u"tmp folder"_s);
    Write_Tree(tmp, {{u"readme.txt"_s, "mine"}, {u"docs/numbers.txt"_s, "mine too"}});
    f->form.Tmp_Text = tmp + u"/readme.txt"_s;
    f->form.Txt_Viewer = u"/usr/bin/view %f"_s;
    Select({u"readme.txt"_s, u"docs/numbers.txt"_s});
    f->form.File_Read();
    EXPECT_TRUE(f->messages.texts.isEmpty());
    // The viewer was started on the copy of readme.txt (after docs/numbers.txt, in row order).
    const auto readme_copy = [this] {
        return f->desktop.started.size() == 2u ? f->desktop.started[1].arguments.value(0) : QString();
    };
    const QString copy = readme_copy();
    ASSERT_TRUE(copy.endsWith(u"/readme.txt"_s)) << copy.toStdString();
    EXPECT_TRUE(copy.startsWith(tmp + u"/morvane-"_s)) << copy.toStdString();
    const QMap<QString, QByteArray> copies = {{u"readme.txt"_s, Files[u"readme.txt"_s]},
                                              {u"docs/numbers.txt"_s, Files[u"docs/numbers.txt"_s]}};
    EXPECT_EQ(Read_Tree(QFileInfo(copy).path()), copies);
    const QMap<QString, QByteArray> mine = {{u"readme.txt"_s, "mine"}, {u"docs/numbers.txt"_s, "mine too"}};
    const auto theirs = [&] {
        QMap<QString, QByteArray> left = Read_Tree(tmp);
        for (auto it = left.begin(); it != left.end();)
            it = it.key().startsWith(u"morvane-"_s) ? left.erase(it) : std::next(it);
        return left;
    };
    EXPECT_EQ(theirs(), mine);

    // Read again: its own copy is replaced in the same folder. Once a viewer
    // has saved over it, the next read goes to a fresh folder instead.
    f->desktop.started.clear();
    f->form.File_Read();
    EXPECT_TRUE(f->messages.texts.isEmpty());
    EXPECT_EQ(readme_copy(), copy);
    Write_Tree(QFileInfo(copy).path(), {{u"readme.txt"_s, "edited in the viewer"}});
    f->desktop.started.clear();
    f->form.File_Read();
    EXPECT_TRUE(f->messages.texts.isEmpty());
    const QString fresh = readme_copy();
    EXPECT_NE(QFileInfo(fresh).path(), QFileInfo(copy).path());
    QFile edited(copy);
    ASSERT_TRUE(edited.open(QIODevice::ReadOnly));
    EXPECT_EQ(edited.readAll(), QByteArray("edited in the viewer"));
    EXPECT_EQ(theirs(), mine);
}

TEST_F(Real, FileReadOfADamagedMemberShowsErrAndNoViewer)
{
    // Corrupt the packed data of the compressible member, past its header.
    QFile file(archive);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const qsizetype at = bytes.indexOf("numbers.txt") + 200;
    for (qsizetype i = at; i < at + 64; ++i)
        bytes[i] = char(bytes[i] ^ 0x5A);
    file.seek(0);
    file.write(bytes);
    file.close();
    f->form.Tmp_Text = work.filePath(u"t/readme.txt"_s);
    Select({u"docs/numbers.txt"_s});
    f->form.File_Read();
    EXPECT_EQ(f->messages.texts, QStringList({u"err"_s}));
    EXPECT_TRUE(f->desktop.started.empty());
}

// Two Latin-1 names another program stored, in no code page: the one read
// is extracted under its own bytes and the viewer is handed that very file
// (not a name with U+FFFD, which no file has); read again it is replaced in
// place, and once a viewer has saved over it the next read goes elsewhere.
TEST_F(Real_Library, ANameNoCodePageDecodesIsReadFromTheFileThatWasWritten)
{
    const QByteArray folder = work.filePath(u"latin"_s).toUtf8();
    QDir().mkpath(QString::fromUtf8(folder));
    for (const char* name : {"caf\xE9.txt", "caf\xE8.txt"}) {
        std::ofstream(folder.toStdString() + "/" + name) << "content of " << name;
    }
    const QByteArray archive = work.filePath(u"latin.lzh"_s).toUtf8();
    const QByteArray add = "a \"" + archive + "\" \"" + folder + "/caf\xE9.txt\" \"" + folder + "/caf\xE8.txt\"";
    char none = 0;
    ASSERT_EQ(library.Unlha(nullptr, add.constData(), &none, 0), 0);

    Fake_Form f(&library);
    f.form.Lzh_Path = QString::fromUtf8(archive);
    f.form.File_List();
    ASSERT_EQ(f.list.rows.size(), 3u);
    ASSERT_EQ(f.list.rows[0].path, u"caf%E9.txt"_s);
    f.list.Select({0});
    const QString tmp = work.filePath(u"tmp"_s);
    QDir().mkpath(tmp);
    f.form.Tmp_Text = tmp + u"/readme.txt"_s;
    f.form.Txt_Viewer = u"/usr/bin/view %f"_s;
    const auto viewed = [&f] {
        EXPECT_TRUE(f.messages.texts.isEmpty());
        const QByteArray file = f.desktop.started.empty() ? QByteArray() : Local_Bytes(f.desktop.started.back().arguments.value(0));
        std::ifstream in(file.toStdString());
        return std::make_pair(file, std::string(std::istreambuf_iterator<char>(in), {}));
    };
    f.form.File_Read();
    const auto [file, content] = viewed();
    EXPECT_TRUE(file.endsWith("/caf\xE9.txt")) << file.toHex().toStdString();
    EXPECT_EQ(content, "content of caf\xE9.txt");

    f.form.File_Read();
    EXPECT_EQ(viewed().first, file);
    std::ofstream(file.toStdString()) << "saved by the viewer";
    f.form.File_Read();
    const auto [fresh, again] = viewed();
    EXPECT_NE(fresh, file);
    EXPECT_EQ(again, "content of caf\xE9.txt");
    EXPECT_EQ(viewed().second, again);
    std::ifstream edited(file.toStdString());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(edited), {}), "saved by the viewer");
}

TEST_F(Real, FileDelDeletesTheSelectedMembersFromTheArchive)
{
    Select({u"readme.txt"_s, u"my docs/a long file name.txt"_s});
    f->form.File_Del();
    EXPECT_TRUE(f->messages.texts.isEmpty());
    QStringList left = Lhasa_Paths(archive);
    left.sort();
    EXPECT_EQ(left, QStringList({u"docs/numbers.txt"_s, u"empty.dat"_s}));
    EXPECT_EQ(f->list.rows.size(), 3u);
    EXPECT_EQ(Row(u"readme.txt"_s), -1);
}

// While another writer (the command-line tool, another window) holds the
// archive, the window's deletion waits for it; one that cannot get it in
// time says "err", keeps its rows and leaves the archive as it was.
TEST_F(Real, FileDelWaitsForAnotherWriterOfTheArchive)
{
    QFile held(archive);
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    ASSERT_EQ(::flock(held.handle(), LOCK_EX), 0);
    const auto contents = [this] {
        QFile file(archive);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = contents();
    qputenv("UNLHA_LOCK_WAIT", "0.3");
    Select({u"readme.txt"_s});
    f->form.File_Del();
    qunsetenv("UNLHA_LOCK_WAIT");
    EXPECT_EQ(f->messages.texts, QStringList({u"err"_s}));
    EXPECT_NE(Row(u"readme.txt"_s), -1);
    EXPECT_TRUE(contents() == before);
    // Once it is done, the same deletion goes through.
    ::flock(held.handle(), LOCK_UN);
    f->messages.texts.clear();
    Select({u"readme.txt"_s});
    f->form.File_Del();
    EXPECT_TRUE(f->messages.texts.isEmpty());
    EXPECT_EQ(Row(u"readme.txt"_s), -1);
}

TEST_F(Real, FileDelTakesExactlyTheSelectedMembers)
{
    // A second readme.txt in a folder: the top-level one is named exactly.
    Write_Tree(source, {{u"docs/readme.txt"_s, "the other readme\n"}});
    ASSERT_EQ(Run_Tool(u"jlha"_s, {u"a"_s, archive, u"docs/readme.txt"_s}, source), 0);
    f->form.File_List();
    Select({u"readme.txt"_s});
    f->form.File_Del();
    EXPECT_TRUE(f->messages.texts.isEmpty());
    QStringList left = Lhasa_Paths(archive);
    EXPECT_FALSE(left.contains(u"readme.txt"_s));
    EXPECT_TRUE(left.contains(u"docs/readme.txt"_s));
    EXPECT_EQ(left.size(), 4);
}

TEST_F(Real_Library, AFolderRowDeletesTheFolderWithItsContent)
{
    Write_Tree(work.path(), {{u"sub/a.txt"_s, "a\n"}, {u"sub/b.txt"_s, "b\n"}, {u"top.txt"_s, "t\n"}});
    Fake_Form f(&library);
    const QString archive = work.filePath(u"folders.lzh"_s);
    f.form.Buf_Size = 20000;
    ASSERT_EQ(f.form.Unlha(u"a \"%1\" \"%2\" \"%3\""_s.arg(archive, work.filePath(u"sub"_s), work.filePath(u"top.txt"_s))), 0);
    f.form.Lzh_Path = archive;
    f.form.File_List();
    ASSERT_EQ(f.list.rows.size(), 5u);
    ASSERT_EQ(f.list.rows[0].path, u"sub/"_s);
    f.list.Select({0});
    f.form.File_Del();
    EXPECT_TRUE(f.messages.texts.isEmpty());
    EXPECT_EQ(Lhasa_Paths(archive), QStringList({u"top.txt"_s}));
    // Exactly the rows of what is gone: listing again gives the same rows.
    QStringList rows;
    for (const auto& row : f.list.rows)
        rows.append(row.path);
    f.form.File_List();
    QStringList listed;
    for (const auto& row : f.list.rows)
        listed.append(row.path);
    EXPECT_EQ(rows, listed);
    EXPECT_EQ(rows, QStringList({u"top.txt"_s, u""_s}));
}

// Names that the name column shows with "?" ('"' and a line feed) beside
// decoys that "?" would also match: each row's commands act on its member alone.
TEST_F(Real_Library, RowsShownWithAQuestionMarkActOnTheirMemberAlone)
{
    const QString names = QStringLiteral(MORVANE_CORPUS) + u"/edge/names.lzh"_s;
    // The paths the archive holds, as a fresh listing gives them.
    const auto paths = [this](const QString& archive) {
        Fake_Form g(&library);
        g.form.Lzh_Path = archive;
        g.form.File_List();
        QStringList out;
        for (const auto& row : g.list.rows)
            if (!row.path.isEmpty())
                out.append(Path_Of_Name(row.path));
        return out;
    };
    for (const QString& target : {u"a\"b"_s, u"a\nb"_s}) {
        SCOPED_TRACE(target.toStdString());
        const QString archive = work.filePath(u"names.lzh"_s);
        QFile::remove(archive);
        ASSERT_TRUE(QFile::copy(names, archive));
        Fake_Form f(&library);
        f.form.Lzh_Path = archive;
        f.form.File_List();
        int row = -1;
        for (int i = 0; i + 1 < int(f.list.rows.size()); ++i)
            if (Path_Of_Name(f.list.rows[i].path) == target)
                row = i;
        ASSERT_GE(row, 0);
        EXPECT_EQ(f.list.rows[row].text.left(3), u"a?b"_s);

        // Extracted: that member's file and no other.
        const QString out = work.filePath(u"out"_s);
        QDir(out).removeRecursively();
        f.list.Select({row});
        f.dialogs.Confirm(out + u"/anything"_s);
        f.form.File_Free();
        EXPECT_TRUE(f.messages.texts.isEmpty());
        EXPECT_EQ(Read_Tree(out), (QMap<QString, QByteArray>{{target, "content of " + target.toUtf8()}}));

        // Deleted: that member and no other, and only its row goes.
        const QStringList before = paths(archive);
        f.list.Select({row});
        f.form.File_Del();
        EXPECT_TRUE(f.messages.texts.isEmpty());
        QStringList want = before;
        want.removeAll(target);
        EXPECT_EQ(paths(archive), want);
        EXPECT_EQ(f.list.rows.size(), std::size_t(before.size()));  // its row gone, the summary kept
    }
}

TEST_F(Real_Library, AnArchiveOfAnyNameOnTheCommandLineIsListedAndOtherFilesAdded)
{
    Write_Tree(work.path(), {{u"src/readme.txt"_s, "hello\n"}, {u"notes.bin"_s, "not an archive\n"}});
    ASSERT_EQ(Run_Tool(u"jlha"_s, {u"a"_s, work.filePath(u"download.bin"_s), u"readme.txt"_s}, work.filePath(u"src"_s)), 0);
    // A self-extracting one too: our own, made from that archive.
    QFile::copy(work.filePath(u"download.bin"_s), work.filePath(u"sfx.lzh"_s));
    {
        Fake_Form maker(&library);
        maker.form.Buf_Size = 20000;
        ASSERT_EQ(maker.form.Unlha(u"s  \"%1\" \"%2/\" -jw2"_s.arg(work.filePath(u"sfx.lzh"_s), work.path())), 0);
        ASSERT_TRUE(QFile::rename(work.filePath(u"sfx.exe"_s), work.filePath(u"installer"_s)));
    }
    // A tar that holds that archive is no archive: its files are to be added.
    ASSERT_EQ(Run_Tool(u"tar"_s, {u"-cf"_s, u"backup.tar"_s, u"download.bin"_s, u"notes.bin"_s}, work.path()), 0);
    QFile tar(work.filePath(u"backup.tar"_s));
    ASSERT_TRUE(tar.open(QIODevice::ReadOnly));
    const QByteArray tar_bytes = tar.readAll();
    tar.close();
    for (const QString& name : {u"download.bin"_s, u"installer"_s, u"notes.bin"_s, u"backup.tar"_s}) {
        Fake_Form f(&library);
        f.desktop.folder = work.path();
        f.desktop.arguments = {work.filePath(name)};
        f.dialogs.Cancel();
        f.form.Form_Load();
        if (name == u"notes.bin" || name == u"backup.tar") {
            ASSERT_EQ(f.dialogs.shown.size(), 1u) << name.toStdString();
            EXPECT_EQ(f.dialogs.shown[0].DialogTitle, u"Lhaﾌｧｲﾙに書込み"_s);  // File_Add's Save As
            EXPECT_TRUE(f.list.rows.empty());
        } else {
            EXPECT_TRUE(f.dialogs.shown.empty()) << name.toStdString();
            ASSERT_EQ(f.list.rows.size(), 2u) << name.toStdString();
            EXPECT_EQ(f.list.rows[0].path, u"readme.txt"_s);
        }
        EXPECT_TRUE(f.messages.texts.isEmpty()) << name.toStdString();
    }
    ASSERT_TRUE(tar.open(QIODevice::ReadOnly));
    EXPECT_EQ(tar.readAll(), tar_bytes);
}

TEST_F(Real, FileExeWritesASelfExtractingProgramThatGivesTheFilesBack)
{
    const QString out = work.filePath(u"exe out"_s);
    QDir().mkpath(out);
    f->dialogs.Confirm(out + u"/any name.EXE"_s);
    f->form.File_Exe();
    EXPECT_EQ(f->dialogs.shown[0].FileName, work.filePath(u"arc/test archive.EXE"_s));
    EXPECT_TRUE(f->messages.texts.isEmpty());
    const QString program = out + u"/test archive.exe"_s;
    ASSERT_TRUE(QFileInfo(program).isExecutable());
    const QString unpacked = work.filePath(u"unpacked"_s);
    QDir().mkpath(unpacked);
    EXPECT_EQ(Run_Tool(program, {u"-d"_s, unpacked}, out), 0);
    EXPECT_EQ(Read_Tree(unpacked), Files);
}

TEST_F(Real_Library, ShiftJisNamesAreListedExtractedAndDeletedByTheirWholePath)
{
    const QString archive = work.filePath(u"日本語.lzh"_s);
    ASSERT_TRUE(QFile::copy(QStringLiteral(MORVANE_CORPUS "/jlha_sjis/h0_lh5.lzh"), archive));
    Fake_Form f(&library);
    f.form.Lzh_Path = archive;
    f.form.File_List();
    int so = -1, plan = -1;
    for (int i = 0; i < int(f.list.rows.size()); ++i) {
        if (f.list.rows[i].path == u"表示/ソ連.txt"_s)
            so = i;
        if (f.list.rows[i].path == u"表示/予定表.csv"_s)
            plan = i;
    }
    ASSERT_GE(so, 0);
    ASSERT_GE(plan, 0);
    EXPECT_EQ(f.list.rows[so].text.left(12), u"ソ連.txt      "_s.left(12));

    f.list.rows[so].selected = true;
    const QString out = work.filePath(u"out"_s);
    QDir().mkpath(out);
    f.dialogs.Confirm(out + u"/ソ連.txt"_s);
    f.form.File_Free();
    EXPECT_TRUE(f.messages.texts.isEmpty());
    EXPECT_TRUE(QFileInfo(out + u"/表示/ソ連.txt"_s).isFile());

    f.list.rows[so].selected = false;
    f.list.rows[plan].selected = true;
    const size_t before = f.list.rows.size();
    f.form.File_Del();
    EXPECT_TRUE(f.messages.texts.isEmpty());
    f.form.File_List();
    EXPECT_EQ(f.list.rows.size(), before - 1);
    for (const auto& row : f.list.rows)
        EXPECT_NE(row.path, u"表示/予定表.csv"_s);
}

TEST_F(Real_Library, AddsEachCommandLineFileToTheChosenArchive)
{
    Write_Tree(work.path(), {{u"in/f1.txt"_s, "first\n"}, {u"in/second file.txt"_s, QByteArray(70000, 'x')}});
    Fake_Form f(&library);
    f.desktop.folder = work.path();
    f.desktop.arguments = {work.filePath(u"in/f1.txt"_s), work.filePath(u"in/missing.txt"_s),
                           work.filePath(u"in/second file.txt"_s)};
    const QString archive = work.filePath(u"new archive.LZH"_s);
    f.dialogs.Confirm(archive);
    f.form.Form_Load();
    EXPECT_EQ(f.dialogs.shown[0].InitDir, work.filePath(u"in"_s));
    EXPECT_EQ(f.messages.texts, QStringList({u"err"_s}));   // the missing file, and only it
    const QString out = work.filePath(u"out"_s);
    QDir().mkpath(out);
    ASSERT_EQ(Run_Tool(u"lhasa"_s, {u"x"_s, archive}, out), 0);
    EXPECT_EQ(Read_Tree(out), Read_Tree(work.filePath(u"in"_s)));
}

// A double quote in a file's or the archive's name goes through the command
// text doubled: the file is added under its own name, listed, read back and
// deleted alone.
TEST_F(Real_Library, NamesHoldingQuotesAreAddedListedAndDeleted)
{
    Write_Tree(work.path(), {{u"in/say\"hi.txt"_s, "quoted\n"}, {u"in/sayhi.txt"_s, "decoy\n"}});
    const QString archive = work.filePath(u"a \"quoted\" name.LZH"_s);
    {
        Fake_Form f(&library);
        f.desktop.folder = work.path();
        f.desktop.arguments = {work.filePath(u"in/say\"hi.txt"_s), work.filePath(u"in/sayhi.txt"_s)};
        f.dialogs.Confirm(archive);
        f.form.Form_Load();
        EXPECT_TRUE(f.messages.texts.isEmpty());
    }
    const QString out = work.filePath(u"out"_s);
    QDir().mkpath(out);
    ASSERT_EQ(Run_Tool(u"lhasa"_s, {u"x"_s, archive}, out), 0);
    EXPECT_EQ(Read_Tree(out), Read_Tree(work.filePath(u"in"_s)));

    Fake_Form f(&library);
    f.form.Lzh_Path = archive;
    f.form.File_List();
    EXPECT_TRUE(f.messages.texts.isEmpty());
    ASSERT_EQ(f.list.rows.size(), 3u);
    const int row = Path_Of_Name(f.list.rows[0].path) == u"say\"hi.txt"_s ? 0 : 1;
    ASSERT_EQ(Path_Of_Name(f.list.rows[row].path), u"say\"hi.txt"_s);
    f.list.Select({row});
    f.form.File_Del();
    EXPECT_TRUE(f.messages.texts.isEmpty());
    f.form.File_List();
    ASSERT_EQ(f.list.rows.size(), 2u);
    EXPECT_EQ(f.list.rows[0].path, u"sayhi.txt"_s);
}

TEST_F(Real_Library, CancelWritesNoArchive)
{
    Write_Tree(work.path(), {{u"f1.txt"_s, "first\n"}});
    Fake_Form f(&library);
    f.desktop.folder = work.path();
    f.desktop.arguments = {work.filePath(u"f1.txt"_s)};
    f.dialogs.Cancel();
    f.form.Form_Load();
    EXPECT_EQ(QDir(work.path()).entryList(QDir::Files), QStringList({u"f1.txt"_s}));
}

TEST_F(Real_Library, ThousandsOfMembersListWhole)
{
    Fake_Form f(&library);
    f.form.Lzh_Path = Many_Members(5000, 5);
    f.form.File_List();
    EXPECT_TRUE(f.messages.texts.isEmpty());
    // The folder itself, its 5000 files, the summary.
    ASSERT_EQ(f.list.rows.size(), 5002u);
    EXPECT_EQ(f.list.rows[5000].path, u"many/file04999.txt"_s);
    EXPECT_TRUE(f.list.rows[5001].text.startsWith(u"  5001 files"_s));
}

// A damaged archive whose rows before the damage do not fit the first
// buffer: the library returns its failure with the listing cut, and the
// window still asks again until it has every row before the damage.
TEST_F(Real_Library, ADamagedArchiveListsEveryMemberBeforeTheDamage)
{
    const QString archive = Many_Members(600, 3);
    QFile file(archive);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    const qsizetype name = bytes.indexOf("file599.txt");  // in the last header, which no longer checks
    ASSERT_GT(name, 0);
    bytes[name] = 'F';
    ASSERT_TRUE(file.seek(0));
    ASSERT_EQ(file.write(bytes), bytes.size());
    file.close();
    Fake_Form f(&library);
    f.form.Lzh_Path = archive;
    f.form.File_List();
    EXPECT_EQ(f.messages.texts, QStringList({u"err"_s}));
    // The folder, its first 599 files, the summary.
    ASSERT_EQ(f.list.rows.size(), 601u);
    EXPECT_EQ(f.list.rows[599].path, u"many/file598.txt"_s);
    EXPECT_TRUE(f.list.rows[600].text.startsWith(u"   600 files"_s)) << f.list.rows[600].text.toStdString();
}

TEST_F(Real_Library, ANameThatIsNoArchiveListsNothingAndSaysErr)
{
    Write_Tree(work.path(), {{u"not.lzh"_s, "plain text, no archive\n"}});
    Fake_Form f(&library);
    for (const QString& name : {u"not.lzh"_s, u"missing.lzh"_s}) {
        f.messages.texts.clear();
        f.form.Lzh_Path = work.filePath(name);
        f.form.File_List();
        EXPECT_TRUE(f.list.rows.empty()) << name.toStdString();
        EXPECT_EQ(f.messages.texts, QStringList({u"err"_s}));
    }
}

TEST_F(Real_Library, EveryCorpusArchiveListsItsMembers)
{
    const QString corpus = QStringLiteral(MORVANE_CORPUS);
    QFile manifest(corpus + u"/manifest.json"_s);
    ASSERT_TRUE(manifest.open(QIODevice::ReadOnly));
    const QJsonArray archives = QJsonDocument::fromJson(manifest.readAll()).object()[u"archives"_s].toArray();
    ASSERT_GT(archives.size(), 100);
    for (const QJsonValue& entry : archives) {
        const QJsonObject a = entry.toObject();
        Fake_Form f(&library);
        f.form.Lzh_Path = corpus + u'/' + a[u"archive"_s].toString();
        f.form.File_List();
        const QJsonArray members = a[u"members"_s].toArray();
        ASSERT_EQ(f.list.rows.size(), size_t(members.size()) + 1) << f.form.Lzh_Path.toStdString();
        for (int i = 0; i < members.size(); ++i) {
            const QString stored = members[i].toObject()[u"stored_path"_s].toString();
            if (!stored.isEmpty())
                EXPECT_EQ(f.list.rows[i].path, stored) << f.form.Lzh_Path.toStdString();
        }
    }
}

TEST(LibraryLoading, FindsTheLibraryBesideTheProgramAndReportsAMissingOne)
{
    const QString beside = QFileInfo(Library_File()).path();
    EXPECT_EQ(UnlhaLibrary::Find(beside), Library_File());
    UnlhaLibrary missing;
    EXPECT_FALSE(missing.Load(u"/nonexistent/libunlha32.so"_s));
    EXPECT_FALSE(missing.Loaded());
    EXPECT_FALSE(missing.Error().isEmpty());
    char out[8];
    EXPECT_EQ(missing.Unlha(nullptr, "l x", out, sizeof out), Unlha_Unavailable);
}
