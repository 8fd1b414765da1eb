// The listing keys l and v over an archive.
#pragma once

#include "options.h"

#include <cstdio>
#include <ctime>

namespace lha {

// Lists the archive `o` names, only the members that match one of its FILE
// patterns when it has any ("*" and "?" wildcards over the whole shown
// name).  Returns the exit status: 0, or 1 when the archive cannot be read
// or ends in a damaged header (what could be listed still is).
int list_command(const Options &o, std::time_t now, std::FILE *out, std::FILE *err);

} // namespace lha
