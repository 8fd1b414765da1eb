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

// The program that the desktop opens files of `mime_type` with: the default
// application's .desktop file, its Exec program resolved on PATH. "" if none.
QString Program_For_Type(const QString& mime_type);

// The program of a .desktop file's Exec line (its first word, unquoted).
QString Exec_Program(const QString& exec_line);

}  // namespace morvane
