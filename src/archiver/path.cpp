#include "path.h"

namespace morvane {

namespace {
QString Dir_Part(const QString& path, QChar sep)
{
    const qsizetype last = path.lastIndexOf(sep);
    QString d = last >= 0 ? path.left(last) : path + sep;
    if (!d.contains(sep))
        d += sep;
    return d;
}
}  // namespace

QString Path_Dir(const QString& Full_Path, QChar sep)
{
    if (Full_Path.isNull())
        return QString();
    return Dir_Part(Full_Path, sep);
}

QString Path_StripSep(QString& Dir_Path, QChar sep)
{
    if (Dir_Path.endsWith(sep))
        Dir_Path.chop(1);
    return Dir_Path;
}

QString Folder_Of(const QString& path, QChar sep)
{
    QString dir = Dir_Part(path, sep);
    return Path_StripSep(dir, sep) + sep;
}

}  // namespace morvane
