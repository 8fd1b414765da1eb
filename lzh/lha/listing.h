// The listings of `lha l` and `lha v`, column for column as the archive
// managers parse them:
//
//   PERMISSION  UID  GID      SIZE  RATIO     STAMP           NAME
//   ---------- ----------- ------- ------ ------------ --------------------
//   -rw-r--r--  1000/1000    18092  38.7% Jan  1  2010 docs/readme.txt
//   ---------- ----------- ------- ------ ------------ --------------------
//    Total         1 file    18092  38.7% Jan  1  2024
//
// `v` adds the packed size, the method and the CRC; the modifier v puts each
// name on a line of its own with the header level at the end; q leaves only
// the member lines.
#pragma once

#include "header.h"

#include <cstdint>
#include <ctime>
#include <string>

namespace lha {

// A name, method or link target as lha prints it: control characters
// would reach the terminal or break a client's line parsing, so they show
// as "?" (which still matches them as a FILE pattern).
std::string printable(std::string s);

struct ListStyle {
    bool packed = false;  // the key v: packed size, method, CRC
    int verbose = 0;      // the modifier v
    bool quiet = false;   // q: member lines only
    // A stamp from the last six months (or later) shows the time of day,
    // an older one the year.
    std::time_t now = 0;
};

class ListFormat {
public:
    explicit ListFormat(const ListStyle &style);

    // The column titles and the separator under them.
    std::string head() const;
    std::string separator() const;
    // One member: one line, or two with the modifier v.
    std::string member(const lzh::Member &m) const;
    // The line under the closing separator; `archive_mtime` 0 when unknown.
    std::string total(std::uint64_t count, std::uint64_t packed, std::uint64_t original,
                      std::time_t archive_mtime) const;

    // What the listing shows as a member's name, and what FILE arguments
    // are matched against: the stored path, "/" after a folder's, and for a
    // symbolic link its own name.
    static std::string shown_name(const lzh::Member &m);

private:
    std::string sizes(std::uint64_t packed, std::uint64_t original) const;
    std::string stamp(std::time_t t) const;
    std::string owner_field(const lzh::Member &m) const;

    ListStyle style_;
    unsigned threshold_ = 0;  // months since 1900, six months before now
};

} // namespace lha
