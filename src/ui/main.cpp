// morvane: the window program. Loads the archiver library from its own
// folder, runs Form_Load before the window first shows, then the window's loop.
#include "archiver/unlha_library.h"
#include "main_window.h"
#include "os/system_desktop.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    morvane::System_Desktop desktop;
    morvane::UnlhaLibrary library;
    library.Load(morvane::UnlhaLibrary::Find(QCoreApplication::applicationDirPath()));

    morvane::Main_Window window(desktop, library);
    window.Fire("Form_Load");
    window.show();
    return app.exec();
}
