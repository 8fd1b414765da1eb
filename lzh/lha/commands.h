// The keys that read members out, change archives or test them, over the
// library's commands (extract.h, modify.h):
//
//   x e   extract, below w=DIR; i drops stored folders; without f (or q)
//         an existing file is kept with a warning, which is no failure
//   p     the members' data to standard output
//   t     decode and check every member, writing nothing
//   a     add or replace files and folders, stored under the paths given
//   u     the same, but only files newer than their members (no files:
//         every member whose file is here)
//   m     a, then delete what was added; c  a into a new archive
//   d     delete members
//
// Each returns the exit status: 0, or 1 when anything failed.
#pragma once

#include "options.h"

#include <cstdio>
#include <string>

namespace lha {

int extract_command(const Options &o, std::FILE *out, std::FILE *err);
int add_command(const Options &o, std::FILE *out, std::FILE *err);
int delete_command(const Options &o, std::FILE *out, std::FILE *err);

} // namespace lha
