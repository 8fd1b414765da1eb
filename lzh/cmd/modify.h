// The commands that change archives: "d" deletes members, "a" adds files
// and folders, "s" makes a self-extracting program.  Each writes a new file
// and renames it into place (rewrite.h).
#pragma once

#include "methods.h"
#include "output.h"
#include "progress.h"

#include <string>
#include <vector>

namespace lzh {

UnlhaResult delete_members(const std::string &archive, const std::vector<std::string> &names, Output &out,
                           ProgressWatcher *watcher = nullptr);

// Files are compressed with `method` (one we encode), or stored where that
// does not make them smaller.
UnlhaResult add_paths(const std::string &archive, const std::vector<std::string> &paths, const MethodInfo &method,
                      Output &out, ProgressWatcher *watcher = nullptr);

// Writes FOLDER/<archive name without extension>.exe.
UnlhaResult make_self_extractor(const std::string &archive, const std::string &folder, Output &out,
                                ProgressWatcher *watcher = nullptr);

} // namespace lzh
