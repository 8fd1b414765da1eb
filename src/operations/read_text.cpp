// File_Read: each selected member extracted into the program's own folder
// under TMP and opened in the program that opens text files.
#include "app/form1.h"
#include "archiver/command_text.h"
#include "archiver/path.h"
#include "listing/listing_parser.h"
#include "os/exec_line.h"

namespace morvane {

void Form1::File_Read()
{
    Begin_Command();
    for (int row : Selected_Members()) {
        const QString member = Member_Name(row);
        const QString path = Path_Of_Name(member);   // the file it becomes
        QString tmp = Path_Dir(Tmp_Text);
        Path_StripSep(tmp);
        const QString folder = read_folder_.For(tmp, path);
        // No viewer after a failure: it would show a missing file, or a stale
        // copy from an earlier read as if it were this member.
        if (!Run(folder.isEmpty() ? std::nullopt : std::optional(Cmd_Extract(Lzh_Path, folder + Path_Sep, member))))
            continue;
        const QString file = Member_File(folder, path);
        read_folder_.Written(file);
        const auto viewer = Viewer_Command(Txt_Viewer, file);
        if (!viewer || !desktop_.Start_Program(viewer->first(), viewer->mid(1)))
            messages_.Show(text::No_Viewer.arg(Txt_Viewer));
    }
    End_Command();
}

}  // namespace morvane
