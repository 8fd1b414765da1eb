// The diagnostic trace: the texts that the listing and the command-line split
// hand over. Off by default; QT_LOGGING_RULES="morvane.trace.debug=true" shows it.
#pragma once

#include <QLoggingCategory>

namespace morvane {
Q_DECLARE_LOGGING_CATEGORY(lcTrace)
}
