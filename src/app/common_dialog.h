// CMDialog1, the file-dialog component. It keeps every property between
// dialogs, as the component does: a dialog that sets only some of them
// inherits the rest from the last one, and the confirmed path stays readable
// in FileName after the dialog has closed (File_Del relies on it).
#pragma once

#include <QString>

namespace morvane {

class CommonDialog;

enum class DialogAction { Open, Save };

// Error numbers a dialog action reports.
inline constexpr int Dialog_Confirmed = 0;
inline constexpr int Dialog_Cancelled = 32755;   // the component's cancel error
inline constexpr int Dialog_Failed = 32765;      // could not be shown

// Flags.
inline constexpr int Flag_OverwritePrompt = 2;
inline constexpr int Flag_HideReadOnly = 4;

// Shows a dialog with the component's settings. Returns true and the
// confirmed full path, or false when the person cancelled.
class FileDialogHost {
public:
    virtual ~FileDialogHost() = default;
    virtual bool Run(DialogAction action, const CommonDialog& settings, QString& chosen) = 0;
};

class CommonDialog {
public:
    explicit CommonDialog(FileDialogHost* host) : host_(host) {}

    QString FileName;
    QString Filter;        // "description|pattern|description|pattern|"
    QString DefaultExt;
    QString InitDir;
    QString DialogTitle;
    int FilterIndex = 0;   // 1 for the first file type
    int Flags = 0;
    bool CancelError = false;

    // Show the dialog; return the error number (0 when confirmed, and then
    // FileName holds the confirmed path).
    int ShowOpen() { return Show(DialogAction::Open); }
    int ShowSave() { return Show(DialogAction::Save); }

private:
    int Show(DialogAction action);
    FileDialogHost* host_;
};

}  // namespace morvane
