// OPEN_Click and File_List: making an archive the current one and listing it.
#include "app/form1.h"
#include "app/trace.h"
#include "archiver/command_text.h"
#include "archiver/unlha_library.h"
#include "listing_parser.h"

#include <QFileInfo>

#include <algorithm>

namespace morvane {

namespace {
// A listing that does not fit is asked for again with a buffer this many
// times larger, up to a limit no real listing reaches.
constexpr int Growth = 8;
constexpr int Max_Listing_Bytes = 1 << 28;

// Whether a listing stops before its closing separator. The library cuts a
// text that does not fit after its last whole line and says so with result
// 6 only when the command went well; a failure (a damaged archive) is
// returned as such, its listing cut all the same.
bool Listing_Cut(const QString& text)
{
    const qsizetype titles = text.indexOf(u"\n--");
    return titles >= 0 && text.indexOf(u"\n-", titles + 1) < 0;
}

// A listing takes up to about this many bytes per byte of archive (small
// members with long names); offered at once, the room spares a large
// archive a second listing. What is not written is never touched. A large
// archive of large members needs little: its first room stops at 64 MiB
// (some 650,000 members).
constexpr qint64 Listing_Per_Archive_Byte = 4;
constexpr qint64 Max_First_Room = 1 << 26;

int Listing_Room(const QString& archive)
{
    const qint64 guess = QFileInfo(archive).size() * Listing_Per_Archive_Byte;
    return int(std::clamp<qint64>(guess, Buf_Chars, Max_First_Room));
}
}  // namespace

void Form1::OPEN_Click()
{
    CMDialog1.Filter = text::Filter_Lzh;
    CMDialog1.FileName = QStringLiteral("*.LZH");
    CMDialog1.DialogTitle = text::Title_Open;
    CMDialog1.FilterIndex = 1;
    CMDialog1.Flags = Flag_HideReadOnly | Flag_OverwritePrompt;
    CMDialog1.CancelError = true;
    const int error = CMDialog1.ShowOpen();
    // Cancel keeps the current archive: the window still shows it, and its
    // commands still work on it.
    if (error == Dialog_Cancelled)
        return;
    if (error == Dialog_Confirmed)
        Lzh_Path = CMDialog1.FileName;
    if (!Lzh_Path.isEmpty())
        File_List();
}

void Form1::File_List()
{
    window_.SetCaption(text::Version + QStringLiteral("  ") + Lzh_Path);
    List1.Clear();
    pointer_.Set(Pointer_Busy);

    const QString command = Cmd_List(Lzh_Path);
    Buf_Size = Listing_Room(Lzh_Path);
    int result = Unlha(command);
    while ((result == UNLHA_ERR_OUTPUT || (result != 0 && Listing_Cut(Buf_Out))) && Buf_Size < Max_Listing_Bytes) {
        Buf_Size = std::min(Buf_Size * Growth, Max_Listing_Bytes);
        result = Unlha(command);
    }
    Buf_Size = Buf_Chars;
    qCDebug(lcTrace).noquote() << QStringView(Buf_Out).trimmed();

    List_Fill();
    // A listing that failed says so, rather than showing an empty archive.
    if (result != 0)
        Err();
    pointer_.Set(Pointer_Default);
}

bool Form1::Is_Lzh_Archive(const QString& path) const
{
    // The library knows an archive by its headers, a self-extracting one
    // included. Asked for no text, it answers with its result alone, and
    // Buf_Out stays as it is.
    if (!QFileInfo(path).isFile())
        return false;
    char none = 0;
    return library_.Unlha(window_.Handle(), Cmd_List(path).toLocal8Bit().constData(), &none, 0) == 0;
}

void Form1::List_Fill()
{
    List1.AddItems(Parse_Listing(Buf_Out));
}

}  // namespace morvane
