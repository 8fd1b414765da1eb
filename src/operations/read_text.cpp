// File_Read: each selected member extracted into the temporary folder and
// opened in the program that opens text files.
#include "app/form1.h"
#include "archiver/command_text.h"
#include "archiver/path.h"

#include <QDir>

namespace morvane {

void Form1::File_Read()
{
    Begin_Command();
    for (int row : Selected_Members()) {
        const QString member = Member_Name(row);
        QString folder = Path_Dir(Tmp_Text);
        Path_StripSep(folder);
        // No viewer after a failure: it would show a missing file, or a stale
        // copy from an earlier read as if it were this member.
        if (!Run(Cmd_Extract(Lzh_Path, folder + Path_Sep, member)))
            continue;
        const QString file = folder + Path_Sep + QDir::toNativeSeparators(member);
        if (!desktop_.Start_Program(Txt_Viewer, {file}))
            messages_.Show(text::No_Viewer.arg(Txt_Viewer));
    }
    End_Command();
}

}  // namespace morvane
