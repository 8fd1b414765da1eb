// Which file an ARCHIVE argument names.  As with the classic tool, a name
// without one of the archive extensions may leave ".lzh" or ".lzs" off:
// "lha l backup" lists backup.lzh when there is no file "backup".
#pragma once

#include <string>

namespace lha {

// The existing regular file the name stands for, or `name` unchanged when
// none exists (opening it then says what is wrong).
std::string resolve_archive_name(const std::string &name);

} // namespace lha
