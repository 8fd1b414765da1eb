// The "x" command: members out of an archive into a folder, safely.
#pragma once

#include "output.h"

#include <string>
#include <vector>

namespace lzh {

struct ExtractRequest {
    std::string archive;
    std::string folder;               // "" for the current folder
    std::vector<std::string> names;   // empty or "*.*" for all
    bool overwrite = false;           // -c: replace existing files
};

// Extracts the matching members; every failure is one line on `out`.
// Returns 0, or the first failing result.
UnlhaResult extract_archive(const ExtractRequest &req, Output &out);

} // namespace lzh
