// Form_Load: runs once, before the window is first shown.
#include "archiver/path.h"
#include "archiver/unlha_library.h"
#include "form1.h"

#include <QDir>
#include <QFile>

namespace morvane {

namespace {

// Room for any path the association lookup writes, and its NUL.
constexpr int Viewer_Buffer = 4096;

QString Left_Bytes(const QString& s, int bytes) { return s.left(bytes / 2); }
QString Right_Bytes(const QString& s, int bytes) { return s.right(bytes / 2); }

// The first ordinary "*.txt" file in the folder, in the folder's own order.
QString First_Text_File(const QString& folder)
{
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Unsorted);
    return names.value(0);
}

bool Is_Archive_Name(const QString& word)
{
    const QString upper = word.toUpper();
    return upper.contains(u".LZH") || upper.contains(u".LHA");
}

}  // namespace

QString Column_Heading()
{
    // Each literal is cut to a width counted in bytes of its two-byte form.
    return Left_Bytes(QStringLiteral("ファイル名      "), 12) + u' ' +
           Right_Bytes(QStringLiteral("        オリジナル"), 18) + u' ' +
           Right_Bytes(QStringLiteral("          　圧縮後"), 18) + u' ' +
           Left_Bytes(QStringLiteral("圧縮率.    "), 10) + u' ' +
           Left_Bytes(QStringLiteral("日付      "), 8) + u' ' +
           Left_Bytes(QStringLiteral("  時間      "), 8);
}

// The program that opens text files, found through a text file in `folder`:
// one that is there, or a probe "test.txt" made for the lookup and removed again.
QString Form1::Find_Text_Viewer(const QString& folder)
{
    QString buffer(Viewer_Buffer, u' ');
    const QString found = First_Text_File(folder);
    if (!found.isEmpty()) {
        desktop_.FindExecutable(found, folder, buffer);
    } else {
        QString dir = folder;
        Path_StripSep(dir);
        const QString probe = dir + Path_Sep + QStringLiteral("test.txt");
        // Made only if nothing of that name is there (a link included): the
        // probe never writes through a link nor removes someone else's file.
        QFile file(probe);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return desktop_.Text_Program();   // a read-only folder, for one
        file.write("\r\n");
        file.close();
        desktop_.FindExecutable(QStringLiteral("test.txt"), dir, buffer);
        QFile::remove(probe);
    }
    // The lookup leaves the path followed by a NUL; without a NUL it found nothing.
    const qsizetype nul = buffer.indexOf(QChar(0));
    return nul < 0 ? QString() : buffer.left(nul);
}

void Form1::Form_Load()
{
    Txt_Viewer = Find_Text_Viewer(desktop_.Current_Folder());

    QString tmp = desktop_.Environment(QStringLiteral("TMP"));
#if !defined(Q_OS_WIN)
    // Without TMP a member read for viewing would land in the root folder.
    if (tmp.isEmpty())
        tmp = desktop_.Environment(QStringLiteral("TMPDIR"));
    if (tmp.isEmpty())
        tmp = QStringLiteral("/tmp");
#endif
    Tmp_Text = tmp + Path_Sep + QStringLiteral("readme.txt");

    if (library_.Loaded())
        library_.SetCursorMode(1);
    else
        messages_.Show(text::No_Library.arg(library_.Error()));

    const QString arguments = Arg_Join(desktop_.Arguments());
    Label1.SetCaption(Column_Heading());
    if (arguments.isEmpty())
        return;
    const int n = Arg_Split(arguments);
    // .LHA as well: the desktop opens both kinds of name with this program,
    // and an archive of any name, since it knows an archive by its content.
    if (n == 1 && (Is_Archive_Name(Arg_Word[1]) || Is_Lzh_Archive(Arg_Word[1]))) {
        Lzh_Path = Arg_Word[1];
        File_List();
    } else {
        File_Add(n);
    }
}

}  // namespace morvane
