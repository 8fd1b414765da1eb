#include "usage.h"

#include "morvane_version.h"

namespace morvane {

namespace {
constexpr auto Usage = R"(usage: morvane [ARCHIVE | FILE...]
Morvane shows the members of an LZH (LHA) archive in a window, where you
extract the selected or all members, delete members, read a text member in
the desktop's text viewer, and turn the archive into a self-extracting
program.

  morvane              an empty window; ﾌｧｲﾙ > ｵｰﾌﾟﾝ opens an archive
  morvane ARCHIVE      lists ARCHIVE (named *.lzh or *.lha, or any file that
                       is an LZH archive)
  morvane FILE...      asks for an archive in a Save As dialog and adds the
                       files to it
  morvane --help       this text
  morvane --version    the version

The README: %1
)";
}  // namespace

QString Program_Version()
{
    return QStringLiteral(MORVANE_VERSION);
}

std::optional<QString> Command_Line_Answer(const QStringList& arguments,
                                           const std::function<bool(const QString&)>& exists, const QString& readme)
{
    if (arguments.size() != 1 || exists(arguments[0]))
        return std::nullopt;
    if (arguments[0] == u"--help")
        return QString::fromUtf8(Usage).arg(readme);
    if (arguments[0] == u"--version")
        return QStringLiteral("morvane (Morvane) %1\n").arg(Program_Version());
    return std::nullopt;
}

}  // namespace morvane
