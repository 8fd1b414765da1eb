#include "read_folder.h"

#include "archiver/path.h"
#include "os/local_names.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace morvane {

QString Member_File(const QString& folder, const QString& member)
{
    return folder + Path_Sep + QDir::toNativeSeparators(member);
}

Read_Folder::Stamp Read_Folder::Stamp_Of(const QString& file)
{
    const Local_File info = Local_Stat(file);
    if (!info.exists)
        return {};
    // A link or folder in a file's place is never what was written.
    if (!info.regular)
        return {-2, 0};
    return {info.size, info.modified_ns};
}

QString Read_Folder::Make(const QString& parent)
{
    QTemporaryDir dir(parent + Path_Sep + QStringLiteral("morvane-XXXXXX"));
    if (!dir.isValid())
        return {};
    dir.setAutoRemove(false);
    return QDir::toNativeSeparators(dir.path());
}

QString Read_Folder::For(const QString& parent, const QString& member)
{
    if (folder_.isEmpty() || !QFileInfo(folder_).isDir())
        folder_ = Make(parent);
    if (folder_.isEmpty())
        return {};
    const QString file = Member_File(folder_, member);
    const Stamp now = Stamp_Of(file);
    if (now.size != -1 && !(written_.contains(file) && written_.value(file) == now))
        folder_ = Make(parent);
    return folder_;
}

void Read_Folder::Written(const QString& file)
{
    written_.insert(file, Stamp_Of(file));
}

}  // namespace morvane
