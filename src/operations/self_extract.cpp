// File_Exe: the archive turned into a self-extracting program in a folder
// chosen in the Save As dialog.
#include "app/form1.h"
#include "archiver/command_text.h"
#include "archiver/path.h"
#include "self_extract.h"

namespace morvane {

QString Exe_Name(const QString& archive)
{
    // Cut at the last "." of the file name, never at one in a folder name
    // ("/home/me/.cache/x.lzh" -> "/home/me/.cache/x.EXE").
    const qsizetype name_start = archive.lastIndexOf(Path_Sep) + 1;
    const qsizetype dot = archive.lastIndexOf(u'.');
    const QString stem = dot > name_start ? archive.left(dot) : archive;
    return stem + QStringLiteral(".EXE");
}

void Form1::File_Exe()
{
    if (Dlg_Save(Exe_Name(Lzh_Path), text::Filter_Exe, Folder_Of(Lzh_Path), text::Title_Exe).isEmpty())
        return;
    Begin_Command();
    Run(Cmd_Self_Extract(Lzh_Path, Folder_Of(CMDialog1.FileName)));
    End_Command();
}

}  // namespace morvane
