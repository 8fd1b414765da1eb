// Qt's own texts (the file dialogs' labels and buttons, the message box's OK)
// in the desktop's language, from Qt's translations (Debian's
// qt6-translations-l10n), as a Japanese desktop shows its own dialogs.
#pragma once

#include <QLocale>
#include <QTranslator>
#include <memory>

namespace morvane {

// Loads and installs qtbase's translation for `locale`; null (and nothing
// installed) when there is none. Keep the result for as long as it is used.
std::unique_ptr<QTranslator> Install_Qt_Translation(const QLocale& locale);

}  // namespace morvane
