#pragma once

#include <QString>

namespace morvane {

// The name suggested for the self-extracting program of `archive`: the
// archive's path with ".EXE" in place of the file name's extension.
QString Exe_Name(const QString& archive);

}  // namespace morvane
