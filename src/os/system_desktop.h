// The real desktop behind the Desktop interface: Linux's MIME database
// through xdg-mime, detached processes, the process environment.
#pragma once

#include "app/desktop.h"

namespace morvane {

class System_Desktop : public Desktop {
public:
    QStringList Arguments() const override;
    QString Current_Folder() const override;
    QString Environment(const QString& name) const override;
    int FindExecutable(const QString& file, const QString& folder, QString& buffer) override;
    QString Text_Program() override;
    bool Start_Program(const QString& program, const QStringList& arguments) override;
};

// The viewer that the desktop opens files of `mime_type` with: the default
// application's command as Viewer_From_Entry gives it. "" if none.
QString Program_For_Type(const QString& mime_type);

// The command of a .desktop file, an Exec line (exec_line.h) with the
// entry's own field codes expanded and its program resolved on PATH to a
// full path. "" if it cannot start: no program, or one that wants a terminal.
QString Viewer_From_Entry(const QString& desktop_file);

}  // namespace morvane
