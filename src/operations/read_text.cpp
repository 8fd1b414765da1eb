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
    // A folder row is no text to read: nothing is extracted or started for it.
    std::vector<QString> members;
    for (int row : Selected_Members()) {
        if (const QString member = Member_Name(row); !member.endsWith(u'/'))
            members.push_back(member);
    }
    Begin_Progress(text::Doing_Read, Lzh_Path);
    for (std::size_t k = 0; k < members.size(); ++k) {
        const QString& member = members[k];
        if (!Next_Member(int(k + 1), int(members.size()), Path_Of_Name(member)))
            break;
        // The file it becomes, by the very bytes of its stored path.
        const QString path = File_Of_Name(member);
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
    End_Progress();
    End_Command();
}

}  // namespace morvane
