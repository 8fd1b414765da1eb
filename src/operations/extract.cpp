// File_Free and File_AllFree: members extracted into a folder chosen in the
// Save As dialog (the folder of the path confirmed there).
#include "app/form1.h"
#include "archiver/command_text.h"
#include "archiver/path.h"
#include "listing/listing_parser.h"
#include "member_match.h"

namespace morvane {

void Form1::File_Free()
{
    const std::vector<int> rows = Selected_Members();
    if (rows.empty())
        return;
    // The member's file name only: a folder in the name would move the destination.
    const QString chosen = Dlg_Save(File_Part(Path_Of_Name(Member_Name(rows.front()))), text::Filter_All,
                                    Folder_Of(Lzh_Path), text::Title_Extract);
    if (chosen.isEmpty())
        return;
    Begin_Command();
    Begin_Progress(text::Doing_Extract, Lzh_Path);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const QString member = Member_Name(rows[k]);
        if (!Next_Member(int(k + 1), int(rows.size()), Path_Of_Name(member)))
            break;
        Run(Cmd_Extract(Lzh_Path, Folder_Of(CMDialog1.FileName), member));
    }
    End_Progress();
    End_Command();
}

void Form1::File_AllFree()
{
    const QString first = List1.ListCount() > 1 ? File_Part(Path_Of_Name(Member_Name(0))) : QString();
    const QString chosen = Dlg_Save(first, text::Filter_All, Folder_Of(Lzh_Path), text::Title_Extract);
    if (chosen.isEmpty())
        return;
    Begin_Command();
    Run(Cmd_Extract_All(Lzh_Path, Folder_Of(CMDialog1.FileName)));
    End_Command();
}

}  // namespace morvane
