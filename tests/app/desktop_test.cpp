// The real desktop stand-ins against a desktop of our own making: a private
// XDG data and config folder with a .desktop file, a viewer script on PATH.
// No desktop session is needed: xdg-mime answers from these files.
#include "os/system_desktop.h"
#include "real_archives.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace morvane;
using namespace morvane::testing;
using namespace Qt::StringLiterals;

namespace {

struct Own_Desktop : ::testing::Test {
    QTemporaryDir root;
    QString bin, data, config, files;
    System_Desktop desktop;

    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        bin = root.filePath(u"bin"_s);
        data = root.filePath(u"data"_s);
        config = root.filePath(u"config"_s);
        files = root.filePath(u"files"_s);
        for (const QString& dir : {bin, data + u"/applications"_s, config, files})
            QDir().mkpath(dir);
        Write_Tree(files, {{u"notes.txt"_s, "some text\n"}});
        for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                                 "XDG_SESSION_DESKTOP", "MATE_DESKTOP_SESSION_ID"})
            qunsetenv(name);
        qputenv("XDG_DATA_HOME", data.toLocal8Bit());
        // The system's MIME database, and none of its applications.
        const QString share = root.filePath(u"share"_s);
        QDir().mkpath(share);
        QFile::link(u"/usr/share/mime"_s, share + u"/mime"_s);
        qputenv("XDG_DATA_DIRS", share.toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", root.filePath(u"none"_s).toLocal8Bit());
        qputenv("PATH", (bin + u":/usr/local/bin:/usr/bin:/bin"_s).toLocal8Bit());
    }
    void Viewer(const QString& relative, const QString& exec, bool terminal = false)
    {
        Write_Tree(data + u"/applications"_s,
                   {{relative, ("[Desktop Entry]\nType=Application\nName=Viewer\nExec=" + exec +
                                "\nMimeType=text/plain;\nTerminal=" + (terminal ? "true" : "false") + "\n")
                                   .toUtf8()}});
    }
    void Default(const QString& id)
    {
        Write_Tree(config, {{u"mimeapps.list"_s, ("[Default Applications]\ntext/plain=" + id + "\n").toUtf8()}});
    }
    QString Script(const QString& name, const QByteArray& body)
    {
        const QString path = bin + u'/' + name;
        Write_Tree(bin, {{name, "#!/bin/sh\n" + body}});
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
};

}  // namespace

TEST_F(Own_Desktop, FindExecutableGivesTheDefaultApplicationsProgram)
{
    const QString viewer = Script(u"myview"_s, "exit 0\n");
    Viewer(u"myview.desktop"_s, u"myview %f"_s);
    Default(u"myview.desktop"_s);
    QString buffer(300, u' ');
    EXPECT_GT(desktop.FindExecutable(u"notes.txt"_s, files, buffer), 32);
    EXPECT_EQ(buffer.left(viewer.size() + 1), viewer + QChar(0));
    EXPECT_EQ(buffer.size(), 300);
    EXPECT_EQ(desktop.Text_Program(), viewer);
}

TEST_F(Own_Desktop, AVendorPrefixedIdIsFoundInItsVendorFolder)
{
    const QString viewer = Script(u"reader"_s, "exit 0\n");
    Viewer(u"acme/reader.desktop"_s, viewer + u" --new %U"_s);
    Default(u"acme-reader.desktop"_s);
    EXPECT_EQ(desktop.Text_Program(), viewer);
}

TEST_F(Own_Desktop, WithNothingAssociatedXdgOpenIsTheProgram)
{
    const QString xdg_open = QStandardPaths::findExecutable(u"xdg-open"_s);
    ASSERT_FALSE(xdg_open.isEmpty()) << "xdg-open (xdg-utils) is not installed";
    QString buffer(300, u' ');
    EXPECT_GT(desktop.FindExecutable(u"notes.txt"_s, files, buffer), 32);
    EXPECT_TRUE(buffer.startsWith(xdg_open + QChar(0)));

    // A program that wants a terminal is left to the desktop too.
    Script(u"termview"_s, "exit 0\n");
    Viewer(u"termview.desktop"_s, u"termview %f"_s, true);
    Default(u"termview.desktop"_s);
    EXPECT_EQ(desktop.Text_Program(), xdg_open);
}

TEST_F(Own_Desktop, AMissingFileOrATooSmallBufferFindsNothing)
{
    Script(u"myview"_s, "exit 0\n");
    Viewer(u"myview.desktop"_s, u"myview %f"_s);
    Default(u"myview.desktop"_s);
    QString buffer(300, u' ');
    EXPECT_EQ(desktop.FindExecutable(u"missing.txt"_s, files, buffer), 2);
    EXPECT_EQ(buffer, QString(300, u' '));
    QString tiny(4, u' ');
    EXPECT_LE(desktop.FindExecutable(u"notes.txt"_s, files, tiny), 32);
    EXPECT_EQ(tiny, QString(4, u' '));
}

TEST(ExecProgram, TakesTheFirstWordUnquoted)
{
    EXPECT_EQ(Exec_Program(u"gedit %U"_s), u"gedit"_s);
    EXPECT_EQ(Exec_Program(u"  /usr/bin/view"_s), u"/usr/bin/view"_s);
    EXPECT_EQ(Exec_Program(u"\"/opt/my app/view\" %f"_s), u"/opt/my app/view"_s);
    EXPECT_EQ(Exec_Program(u"\"/opt/a\\\"b\" %f"_s), u"/opt/a\"b"_s);
    EXPECT_EQ(Exec_Program(u""_s), u""_s);
}

TEST_F(Own_Desktop, AStartedProgramGetsEachArgumentWholeAndNoShellSeesThem)
{
    const QString record = root.filePath(u"args.txt"_s);
    const QString program = Script(u"record"_s, "for a in \"$@\"; do echo \"[$a]\"; done > \"" + record.toUtf8() +
                                                    ".part\"; mv \"" + record.toUtf8() + ".part\" \"" +
                                                    record.toUtf8() + "\"\n");
    const QString marker = root.filePath(u"ran"_s);
    EXPECT_TRUE(desktop.Start_Program(program, {u"/tmp/my docs/a b.txt"_s, u"x; touch "_s + marker}));
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(record) && clock.elapsed() < 10000)
        QThread::msleep(20);
    QFile file(record);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), u"[/tmp/my docs/a b.txt]\n[x; touch "_s + marker + u"]\n"_s);
    EXPECT_FALSE(QFile::exists(marker));
    EXPECT_FALSE(desktop.Start_Program(u""_s, {}));
    EXPECT_FALSE(desktop.Start_Program(root.filePath(u"no such program"_s), {}));
}
