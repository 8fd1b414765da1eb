// File_Del: the selected members deleted from the archive, one call each (a
// folder with its contents), and the rows of every member that went taken
// out of the list. No question is asked.
#include "app/form1.h"
#include "archiver/command_text.h"
#include "archiver/path.h"
#include "listing/listing_parser.h"
#include "member_match.h"

#include <algorithm>
#include <set>

namespace morvane {

void Form1::File_Del()
{
    Begin_Command();

    const std::vector<int> rows = Selected_Members();
    const Member_Index index(rows.empty() ? QStringList() : Member_Names());
    std::set<int> gone;
    Begin_Progress(text::Doing_Delete, Lzh_Path);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const int row = rows[k];
        if (gone.count(row))
            continue;   // taken with a folder or a name deleted before it
        const QString member = Member_Name(row);
        // Once the person asks to stop, no further member is deleted and
        // their rows stay.
        if (!Next_Member(int(k + 1), int(rows.size()), Path_Of_Name(member)))
            break;
        // A folder row means the folder with everything in it. Any other name
        // that would also hit a member that is not selected is not handed
        // over: the archiver would delete that one too.
        const std::vector<int> hits = index.Hits(member);
        const bool folder = member.endsWith(u'/');
        const bool only_selected = std::all_of(hits.begin(), hits.end(), [&](int hit) {
            return std::binary_search(rows.begin(), rows.end(), hit);
        });
        if (Run(folder || only_selected ? std::optional(Cmd_Delete(Lzh_Path, Folder_Of(CMDialog1.FileName), member))
                                        : std::nullopt)) {
            gone.insert(row);
            gone.insert(hits.begin(), hits.end());
        }
    }

    End_Progress();

    // Only the rows of members really deleted go; bottom up, so that the
    // indices still to be visited stay valid.
    for (auto it = gone.rbegin(); it != gone.rend(); ++it)
        List1.RemoveItem(*it);
    End_Command();
}

}  // namespace morvane
