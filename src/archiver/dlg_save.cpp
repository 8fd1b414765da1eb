// Dlg_Save: the Save As dialog through which the commands ask for a place.
#include "app/form1.h"

namespace morvane {

QString Form1::Dlg_Save(const QString& FileName, const QString& Filter, const QString& InitDir,
                        const QString& Title)
{
    CMDialog1.FileName = FileName;
    CMDialog1.Filter = Filter;
    CMDialog1.InitDir = InitDir;
    CMDialog1.DialogTitle = Title;
    CMDialog1.FilterIndex = 1;
    CMDialog1.Flags = Flag_HideReadOnly;   // and no question before overwriting
    CMDialog1.CancelError = true;
    if (CMDialog1.ShowSave() != Dialog_Confirmed)
        return QString();
    return CMDialog1.FileName;
}

}  // namespace morvane
