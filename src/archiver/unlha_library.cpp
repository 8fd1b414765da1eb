#include "unlha_library.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace morvane {

namespace {
#if defined(Q_OS_WIN)
constexpr auto Library_File = "unlha32.dll";
#else
constexpr auto Library_File = "libunlha32.so";
#endif
}  // namespace

UnlhaLibrary::UnlhaLibrary() : error_(QStringLiteral("not loaded")) {}

UnlhaLibrary::UnlhaLibrary(UnlhaFn unlha, CursorModeFn cursor, ProgressFn progress)
    : unlha_(unlha), cursor_(cursor), progress_(progress)
{
}

UnlhaLibrary::~UnlhaLibrary() = default;

bool UnlhaLibrary::Load(const QString& path)
{
    unlha_ = nullptr;
    cursor_ = nullptr;
    progress_ = nullptr;
    if (!QFileInfo(path).isFile()) {
        error_ = QStringLiteral("%1: no such file").arg(path);
        return false;
    }
    library_ = std::make_unique<QLibrary>(path);
    if (!library_->load()) {
        error_ = library_->errorString();
        return false;
    }
    auto unlha = reinterpret_cast<UnlhaFn>(library_->resolve("Unlha"));
    auto cursor = reinterpret_cast<CursorModeFn>(library_->resolve("UnlhaSetCursorMode"));
    if (!unlha || !cursor) {
        error_ = QStringLiteral("%1: no Unlha or UnlhaSetCursorMode").arg(path);
        library_->unload();
        return false;
    }
    unlha_ = unlha;
    cursor_ = cursor;
    // An older library without progress still works, without a progress window.
    progress_ = reinterpret_cast<ProgressFn>(library_->resolve("UnlhaSetProgressCallback"));
    error_.clear();
    return true;
}

int UnlhaLibrary::Unlha(void* window, const char* command, char* output, std::uint32_t size) const
{
    return unlha_ ? unlha_(window, command, output, size) : Unlha_Unavailable;
}

int UnlhaLibrary::SetCursorMode(int mode) const
{
    return cursor_ ? cursor_(mode) : Unlha_Unavailable;
}

void UnlhaLibrary::SetProgressCallback(void* window, UnlhaProgressCallback callback, void* data) const
{
    if (progress_)
        progress_(window, callback, data);
}

QString UnlhaLibrary::Find(const QString& programFolder)
{
    const QString beside = QDir(programFolder).filePath(QString::fromLatin1(Library_File));
    if (QFileInfo::exists(beside))
        return beside;
#ifdef MORVANE_INSTALL_LIBDIR
    // Installed: bin/morvane finds lib/morvane/libunlha32.so.
    const QString installed = QDir(programFolder).filePath(
        QStringLiteral("../" MORVANE_INSTALL_LIBDIR "/morvane/") + QString::fromLatin1(Library_File));
    if (QFileInfo::exists(installed))
        return QDir::cleanPath(installed);
#endif
    return beside;
}

}  // namespace morvane
