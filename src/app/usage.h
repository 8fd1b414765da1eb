// `morvane --help` and `morvane --version`: answered on standard output
// before any window is made (no display is needed), but only when that is
// the only argument and no file of that name exists. Any other command line
// goes on to start-up as it always has.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace morvane {

// The text to print for `arguments` (the program's, without its own name),
// or nullopt to go on. `exists` says whether a file of that name exists;
// `readme` is where the README is.
std::optional<QString> Command_Line_Answer(const QStringList& arguments,
                                           const std::function<bool(const QString&)>& exists, const QString& readme);

// The version the build sets (CMake's project version).
QString Program_Version();

}  // namespace morvane
