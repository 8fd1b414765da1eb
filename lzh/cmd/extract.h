// The "x" command: members out of an archive into a folder, safely; and
// "t", which checks them without writing.
#pragma once

#include "output.h"
#include "progress.h"

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
UnlhaResult extract_archive(const ExtractRequest &req, Output &out, ProgressWatcher *watcher = nullptr);

// The "t" command: decodes the matching members and checks their CRCs,
// writing nothing.  One line per damaged member (UNLHA_ERR_DATA).
UnlhaResult test_archive(const std::string &archive, const std::vector<std::string> &names, Output &out,
                         ProgressWatcher *watcher = nullptr);

} // namespace lzh
