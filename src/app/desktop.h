// The operating system as the window's procedures use it: the program's
// arguments, the current folder, the environment, which program opens a kind
// of file, and starting a program. src/os implements it for the real desktop.
#pragma once

#include <QString>
#include <QStringList>

namespace morvane {

class Desktop {
public:
    virtual ~Desktop() = default;

    // The program's arguments, without the program's own name.
    virtual QStringList Arguments() const = 0;
    virtual QString Current_Folder() const = 0;
    // An unset variable and an empty one both give "".
    virtual QString Environment(const QString& name) const = 0;

    // The program associated with the existing file `file` in `folder`: its
    // command, an Exec line of its desktop entry (os/exec_line.h) that starts
    // with the program's full path, followed by a NUL character is written
    // over the start of `buffer` (never past its end). Returns more than 32
    // on success, as the platform call does; otherwise the buffer is left alone.
    virtual int FindExecutable(const QString& file, const QString& folder, QString& buffer) = 0;
    // The command of the program associated with text files in general; "" if none.
    virtual QString Text_Program() = 0;

    // Start `program` with `arguments`, detached, never through a shell.
    virtual bool Start_Program(const QString& program, const QStringList& arguments) = 0;
};

}  // namespace morvane
