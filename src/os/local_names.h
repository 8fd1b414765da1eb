// Local file names as the window holds them. A name on disk is bytes; the
// window holds text. A byte that is no part of a UTF-8 character (a Latin-1
// "café.txt" another program stored) stands in the text as the lone
// surrogate U+DC00 + byte, as Python's "surrogateescape" does, so that the
// text goes back to the very bytes and the file that was written is the file
// that is opened. Qt's own conversions would turn it into U+FFFD, a name no
// file has: paths holding such a byte reach the system through these
// functions only.
#pragma once

#include <QByteArray>
#include <QString>

namespace morvane {

QString Local_Name(const QByteArray& bytes);
QByteArray Local_Bytes(const QString& name);

// What lstat says of the file `path` names (not what a link points to).
struct Local_File {
    bool exists = false;
    bool link = false;
    bool regular = false;
    qint64 size = 0;
    qint64 modified_ns = 0;
    bool operator==(const Local_File&) const = default;
};
Local_File Local_Stat(const QString& path);

}  // namespace morvane
