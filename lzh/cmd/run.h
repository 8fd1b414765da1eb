// The one dispatcher behind Unlha() and the `unlha` tool.
#pragma once

#include "output.h"

#include <string_view>

namespace lzh {

// Runs one command text; its messages or listing go to `out`.  Returns the
// library's result (0 success, 1..8 as unlha32.h says).
int run_command(std::string_view text, Output &out);

} // namespace lzh
