// Which members a command's names select.
//
// A name that is some member's whole stored path selects that member (and,
// for a folder, everything below it) and nothing else.  Any other name
// matches a member's whole stored path or, when it holds no separator, the
// member's file name, with "*" and "?" as wildcards (on characters, not
// bytes); "*.*" matches every name.  The first rule lets a caller name one
// member exactly: "readme.txt" then does not also take "docs/readme.txt",
// and a member whose name holds "*" is not taken for a pattern.
#pragma once

#include "header.h"

#include <string>
#include <string_view>
#include <vector>

namespace lzh {

bool wildcard_match(std::string_view pattern, std::string_view text);

class MemberMatcher {
public:
    explicit MemberMatcher(std::vector<std::string> names);
    // True when every member is wanted (no names, or "*.*").
    bool all() const { return all_; }
    // First pass, over every member: which names are whole stored paths.
    void note(const Member &m);
    bool matches(const Member &m);
    // Names that have matched nothing so far.
    std::vector<std::string> unmatched() const;

private:
    std::vector<std::string> names_;
    std::vector<bool> used_;
    std::vector<bool> exact_;  // the name is some member's whole path
    bool all_ = false;
};

class ArchiveReader;
// The first pass: notes every member of `reader`, then rewinds it.
void note_all_members(ArchiveReader &reader, MemberMatcher &matcher);

} // namespace lzh
