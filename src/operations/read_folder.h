// Where File_Read puts the members it opens for reading: a folder of the
// program's own under TMP, never TMP itself, so that a file of the person's
// that has a member's name is never replaced. The folder is made on first
// use (mode 0700, by mkdtemp, so it is ours and was empty) and kept for the
// run and after it, since a viewer may still have its files open. A member
// is extracted over a file there only when that file is still exactly what
// was extracted: one a viewer saved over sends the member to a fresh folder.
#pragma once

#include <QHash>
#include <QString>

namespace morvane {

class Read_Folder {
public:
    // The folder (no trailing separator) to extract `member` (a stored path
    // as a local name, os/local_names.h) into, made under `parent` if need be; "" if no folder could be made.
    QString For(const QString& parent, const QString& member);
    // `file` was just extracted by this program.
    void Written(const QString& file);

private:
    struct Stamp {
        qint64 size = -1;
        qint64 modified_ns = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp Stamp_Of(const QString& file);
    QString Make(const QString& parent);

    QString folder_;
    QHash<QString, Stamp> written_;
};

// The path of `member` (a stored path, "/"-separated) below `folder`.
QString Member_File(const QString& folder, const QString& member);

}  // namespace morvane
