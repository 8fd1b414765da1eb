// CMDialog1's dialogs, shown with Qt's own file dialog: the same on every
// desktop, and a typed full path with Return confirms it. A typed name with
// "*" or "?" in it filters what the dialog shows and is never confirmed.
#pragma once

#include "app/common_dialog.h"

#include <QStringList>
#include <functional>

class QFileDialog;
class QWidget;

namespace morvane {

// "desc|pattern|desc|pattern|" as Qt name filters "desc (patterns)"; every
// pattern letter matches either case (*.LZH finds a.lzh), and "*.*" matches
// every name, one without a dot too.
QStringList Qt_Name_Filters(const QString& filter);

class Qt_File_Dialog : public FileDialogHost {
public:
    explicit Qt_File_Dialog(QWidget* window) : window_(window) {}
    bool Run(DialogAction action, const CommonDialog& settings, QString& chosen) override;

    // Called with the dialog just before it is shown (tests answer it from here).
    std::function<void(QFileDialog&)> on_show;

private:
    QWidget* window_;
};

}  // namespace morvane
