// Member names between the archive's bytes and UTF-8.
//
// Names are stored in Shift_JIS (code page 932) when every character has a
// form there, else in UTF-8.  Reading takes valid non-ASCII UTF-8 as UTF-8
// and anything else as code page 932.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lzh {

bool is_valid_utf8(std::string_view s);

// Stored bytes to UTF-8.  A byte sequence that is neither valid UTF-8 nor
// code page 932 gives U+FFFD for each undecodable byte, so a name never
// carries invalid UTF-8 further.
std::string name_to_utf8(std::string_view raw);

// UTF-8 to the bytes to store: code page 932 when it can carry every
// character, else the UTF-8 unchanged.
std::string name_from_utf8(std::string_view utf8);

// Splits a decoded path at "/" and "\" (both are separators in LZH names),
// dropping empty parts.  Decode before splitting: a code page 932 character
// may have 0x5C as its second byte.
std::vector<std::string> split_path(std::string_view utf8_path);

} // namespace lzh
