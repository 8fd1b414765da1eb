// Path_Dir and Path_StripSep take paths apart as text: they never touch the
// file system, and the path need not exist. The separator is the platform's;
// the tests run both with "\" and "/".
#pragma once

#include <QString>

namespace morvane {

#if defined(Q_OS_WIN)
inline constexpr QChar Path_Sep = u'\\';
#else
inline constexpr QChar Path_Sep = u'/';
#endif

// The text before the last separator; a result without any separator gets
// one appended ("C:" -> "C:\", "TEST.LZH" -> "TEST.LZH\"). A null path gives
// a null result.
QString Path_Dir(const QString& Full_Path, QChar sep = Path_Sep);

// Removes one trailing separator from the caller's variable and returns its
// new value.
QString Path_StripSep(QString& Dir_Path, QChar sep = Path_Sep);

// The folder that holds `path`, ending in exactly one separator: Path_Dir,
// then Path_StripSep, then one separator.
QString Folder_Of(const QString& path, QChar sep = Path_Sep);

}  // namespace morvane
