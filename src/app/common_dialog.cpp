#include "common_dialog.h"

namespace morvane {

int CommonDialog::Show(DialogAction action)
{
    if (!host_)
        return Dialog_Failed;
    QString chosen;
    if (!host_->Run(action, *this, chosen))
        return CancelError ? Dialog_Cancelled : Dialog_Confirmed;
    FileName = chosen;
    return Dialog_Confirmed;
}

}  // namespace morvane
