// File_Add: the command-line words added as files to an archive chosen in a
// Save As dialog. Runs at start-up only, before the window is shown.
#include "archiver/command_text.h"
#include "archiver/path.h"
#include "form1.h"

namespace morvane {

void Form1::File_Add(int n)
{
    CMDialog1.Filter = text::Filter_Lzh;
    CMDialog1.FileName = QStringLiteral("*.LZH");
    CMDialog1.DefaultExt = QStringLiteral("LZH");
    CMDialog1.InitDir = Path_Dir(Arg_Word.value(1));
    CMDialog1.DialogTitle = text::Title_Add;
    CMDialog1.FilterIndex = 1;
    CMDialog1.Flags = Flag_HideReadOnly;
    CMDialog1.CancelError = true;
    if (CMDialog1.ShowSave() != Dialog_Confirmed)
        return;

    // Buf_Size stays as it is: nothing reads the library's text here.
    Begin_Progress(text::Doing_Add, CMDialog1.FileName);
    for (int k = 1; k <= n; ++k) {
        if (!Next_Member(k, n, Arg_Word.value(k)))
            break;
        Run(Cmd_Add(CMDialog1.FileName, Arg_Word.value(k)));
    }
    End_Progress();
}

}  // namespace morvane
