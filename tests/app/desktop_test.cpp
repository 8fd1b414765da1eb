// The real desktop stand-ins against a desktop of our own making: a private
// XDG data and config folder with .desktop files, viewer scripts on PATH.
// No desktop session is needed: xdg-mime answers from these files.
#include "os/exec_line.h"
#include "os/local_names.h"
#include "os/system_desktop.h"
#include "real_archives.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
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
                                 "XDG_SESSION_DESKTOP", "MATE_DESKTOP_SESSION_ID", "GTK_THEME"})
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

TEST_F(Own_Desktop, FindExecutableGivesTheDefaultApplicationsCommand)
{
    const QString viewer = Script(u"myview"_s, "exit 0\n");
    Viewer(u"myview.desktop"_s, u"myview %f"_s);
    Default(u"myview.desktop"_s);
    QString buffer(300, u' ');
    EXPECT_GT(desktop.FindExecutable(u"notes.txt"_s, files, buffer), 32);
    EXPECT_EQ(buffer.left(viewer.size() + 4), viewer + u" %f"_s + QChar(0));
    EXPECT_EQ(buffer.size(), 300);
    EXPECT_EQ(desktop.Text_Program(), viewer + u" %f"_s);
}

TEST_F(Own_Desktop, AVendorPrefixedIdIsFoundInItsVendorFolder)
{
    const QString viewer = Script(u"reader"_s, "exit 0\n");
    Viewer(u"acme/reader.desktop"_s, viewer + u" --new %U"_s);
    Default(u"acme-reader.desktop"_s);
    EXPECT_EQ(desktop.Text_Program(), viewer + u" --new %U"_s);
}

TEST_F(Own_Desktop, WithNothingAssociatedXdgOpenIsTheProgram)
{
    const QString xdg_open = QStandardPaths::findExecutable(u"xdg-open"_s);
    ASSERT_FALSE(xdg_open.isEmpty()) << "xdg-open (xdg-utils) is not installed";
    QString buffer(300, u' ');
    EXPECT_GT(desktop.FindExecutable(u"notes.txt"_s, files, buffer), 32);
    EXPECT_TRUE(buffer.startsWith(xdg_open + QChar(0)));

    // A program that wants a terminal is left to the desktop too, and so is
    // one that is not there.
    Script(u"termview"_s, "exit 0\n");
    Viewer(u"termview.desktop"_s, u"termview %f"_s, true);
    Default(u"termview.desktop"_s);
    EXPECT_EQ(desktop.Text_Program(), xdg_open);
    Viewer(u"gone.desktop"_s, u"not-installed-viewer %f"_s);
    Default(u"gone.desktop"_s);
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

namespace {
// What a started program was given: one "[argument]" line each, and the
// value of GTK_THEME, written once it has run.
QString Wait_For(const QString& record)
{
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(record) && clock.elapsed() < 10000)
        QThread::msleep(20);
    QFile file(record);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : u"(never ran)"_s;
}
QByteArray Recording(const QString& record)
{
    const QByteArray r = record.toUtf8();
    return "for a in \"$@\"; do echo \"[$a]\"; done > \"" + r + ".part\"\n"
           "echo \"GTK_THEME=$GTK_THEME\" >> \"" + r + ".part\"; mv \"" + r + ".part\" \"" + r + "\"\n";
}
}  // namespace

TEST_F(Own_Desktop, TheViewerStartsAsItsEntrySaysOnOneFile)
{
    // Entries of the shapes desktops install: a sandbox runner, env with a
    // variable, a quoted program with the entry's own field codes.
    const QString file = files + u"/表 示.txt"_s;
    const QString url = u"file://"_s + QString::fromUtf8(QUrl::toPercentEncoding(file, "/"));
    struct Shape {
        const char* entry;
        QString program;   // the script standing for the program
        QString exec;
        QString expected;
    };
    const QString location = data + u"/applications/"_s;
    const std::vector<Shape> shapes = {
        {"org.gnome.TextEditor.desktop", u"flatpak"_s,
         u"flatpak run --branch=stable --file-forwarding org.gnome.TextEditor @@u %U @@"_s,
         u"[run]\n[--branch=stable]\n[--file-forwarding]\n[org.gnome.TextEditor]\n[@@u]\n["_s + url +
             u"]\n[@@]\nGTK_THEME=\n"_s},
        {"gedit.desktop", u"gedit"_s, u"env GTK_THEME=x gedit %F"_s, u"["_s + file + u"]\nGTK_THEME=x\n"_s},
        {"snap-editor.desktop", u"snap"_s, u"snap run gnome-text-editor %f"_s,
         u"[run]\n[gnome-text-editor]\n["_s + file + u"]\nGTK_THEME=\n"_s},
        {"quoted.desktop", u"my view"_s,
         u"\"my view\" --name=%c %i %k \"100%% \\\\ \\$HOME\" %f %d"_s,
         u"[--name=Viewer]\n[--icon]\n[accessories-text-editor]\n["_s + location + u"quoted.desktop]\n[100% \\ $HOME]\n["_s + file +
             u"]\nGTK_THEME=\n"_s},
    };
    Write_Tree(files, {{u"表 示.txt"_s, "text\n"}});
    for (const Shape& shape : shapes) {
        const QString record = root.filePath(u"record-"_s + QString::fromUtf8(shape.entry));
        Script(shape.program, Recording(record));
        Write_Tree(location, {{QString::fromUtf8(shape.entry),
                               ("[Desktop Entry]\nType=Application\nName=Viewer\nIcon=accessories-text-editor\nExec=" +
                                shape.exec + "\nMimeType=text/plain;\n[Desktop Action new]\nExec=wrong %f\n")
                                   .toUtf8()}});
        const QString viewer = Viewer_From_Entry(location + QString::fromUtf8(shape.entry));
        // xdg-mime itself takes a quoted program for a missing one.
        if (!shape.exec.startsWith(u'"')) {
            Default(QString::fromUtf8(shape.entry));
            EXPECT_EQ(desktop.Text_Program().toStdString(), viewer.toStdString());
        }
        const auto command = Viewer_Command(viewer, file);
        ASSERT_TRUE(command) << viewer.toStdString();
        EXPECT_TRUE(desktop.Start_Program(command->first(), command->mid(1))) << viewer.toStdString();
        EXPECT_EQ(Wait_For(record).toStdString(), shape.expected.toStdString()) << viewer.toStdString();
    }
}

TEST_F(Own_Desktop, AStartedProgramGetsEachArgumentWholeAndNoShellSeesThem)
{
    const QString record = root.filePath(u"args.txt"_s);
    const QString program = Script(u"record"_s, Recording(record));
    const QString marker = root.filePath(u"ran"_s);
    EXPECT_TRUE(desktop.Start_Program(program, {u"/tmp/my docs/a b.txt"_s, u"x; touch "_s + marker}));
    EXPECT_EQ(Wait_For(record).toStdString(), (u"[/tmp/my docs/a b.txt]\n[x; touch "_s + marker + u"]\nGTK_THEME=\n"_s).toStdString());
    EXPECT_FALSE(QFile::exists(marker));
    EXPECT_FALSE(desktop.Start_Program(u""_s, {}));
    EXPECT_FALSE(desktop.Start_Program(root.filePath(u"no such program"_s), {}));
}

// A file name with a byte that no code page decodes reaches the started
// program as that very byte, in its path and in its file: URL, so the
// program opens the file that is there.
TEST_F(Own_Desktop, AStartedProgramGetsAFilesNameByItsVeryBytes)
{
    const QString record = root.filePath(u"bytes.txt"_s);
    const QByteArray r = record.toUtf8();
    Script(u"bytes"_s, "printf '%s|%s' \"$1\" \"$2\" > \"" + r + ".part\"; mv \"" + r + ".part\" \"" + r + "\"\n");
    const QString file = files + u'/' + Local_Name("caf\xE9.txt");
    const auto command = Viewer_Command(u"bytes %f %u"_s, file);
    ASSERT_TRUE(command);
    EXPECT_TRUE(desktop.Start_Program(command->first(), command->mid(1)));
    Wait_For(record);
    QFile out(record);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QByteArray path = files.toUtf8() + "/caf\xE9.txt";
    EXPECT_EQ(out.readAll(), path + "|file://" + path.toPercentEncoding("/"));
}
