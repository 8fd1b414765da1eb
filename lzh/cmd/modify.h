// The commands that change archives: "d" deletes members, "a" adds files
// and folders, "s" makes a self-extracting program.  Each writes a new file
// and renames it into place (rewrite.h).
#pragma once

#include "output.h"

#include <string>
#include <vector>

namespace lzh {

int delete_members(const std::string &archive, const std::vector<std::string> &names, Output &out);

// `level` is the compression method: 5, 6 or 7.
int add_paths(const std::string &archive, const std::vector<std::string> &paths, int level, Output &out);

// Writes FOLDER/<archive name without extension>.exe.
int make_self_extractor(const std::string &archive, const std::string &folder, Output &out);

} // namespace lzh
