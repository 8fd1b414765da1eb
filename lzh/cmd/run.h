// The one dispatcher behind Unlha() and the `unlha` tool.
#pragma once

#include "output.h"
#include "progress.h"

#include <string_view>

namespace lzh {

// Runs one command text; its messages or listing go to `out`, its progress
// to `watcher` when there is one.  Returns the library's result.
UnlhaResult run_command(std::string_view text, Output &out, ProgressWatcher *watcher = nullptr);

} // namespace lzh
