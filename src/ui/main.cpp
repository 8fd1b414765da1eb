// morvane: the window program. Loads Qt's texts in the desktop's language
// and the archiver library from its own folder, runs Form_Load before the
// window first shows, then the window's loop.
#include "archiver/unlha_library.h"
#include "main_window.h"
#include "os/system_desktop.h"
#include "translations.h"

#include <QApplication>

int main(int argc, char* argv[])
{
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
