// morvane: the window program. Answers --help and --version alone on its
// command line at once; otherwise loads Qt's texts in the desktop's
// language and the archiver library from its own folder, runs Form_Load
// before the window first shows, then the window's loop.
#include "app/usage.h"
#include "archiver/unlha_library.h"
#include "main_window.h"
#include "os/system_desktop.h"
#include "translations.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

namespace {

// The README installed beside the program (bin/../share/doc/morvane; a
// Debian package keeps it compressed), or the one in the sources it was
// built from.
QString Readme(const char* argv0)
{
    QString program = QFile::decodeName(argv0);
    if (!program.contains(u'/'))
        program = QStandardPaths::findExecutable(program);
    const QString installed =
        QFileInfo(program).absoluteDir().filePath(QStringLiteral("../" MORVANE_INSTALL_DOCDIR "/README.md"));
    for (const QString& name : {installed, installed + QStringLiteral(".gz")})
        if (QFileInfo::exists(name))
            return QDir::cleanPath(name);
    return QStringLiteral(MORVANE_SOURCE_README);
}

}  // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const auto exists = [](const QString& name) { return QFileInfo::exists(name); };
    if (const auto answer = morvane::Command_Line_Answer(arguments, exists, Readme(argv[0]))) {
        std::fputs(answer->toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    const auto qt_texts = morvane::Install_Qt_Translation(QLocale::system());
    morvane::System_Desktop desktop;
    morvane::UnlhaLibrary library;
    library.Load(morvane::UnlhaLibrary::Find(QCoreApplication::applicationDirPath()));

    morvane::Main_Window window(desktop, library);
    window.Fire("Form_Load");
    window.show();
    return app.exec();
}
