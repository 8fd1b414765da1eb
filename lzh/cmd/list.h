// The "l" command: the archive's members in fixed columns.
#pragma once

#include "command.h"
#include "header.h"
#include "output.h"
#include "progress.h"

#include <cstdint>
#include <string>

namespace lzh {

// One member line: name in columns 3-14, sizes, ratio, date, time, method,
// CRC and, from column 72, the whole stored path.  Columns count UTF-16 code
// units, so a Japanese name keeps the columns.
std::string listing_line(const Member &m);

// A total of sizes: members of up to 2^64 - 1 bytes each add up past 64 bits.
using SizeTotal = unsigned __int128;

// The line under the closing separator.
std::string listing_summary(std::uint64_t count, SizeTotal original, SizeTotal packed, std::int64_t mtime);

// Lists `archive` to `out`; returns the result.
UnlhaResult list_archive(const std::string &archive, Output &out, ProgressWatcher *watcher = nullptr,
                         NameCode name_code = NameCode::automatic);

} // namespace lzh
