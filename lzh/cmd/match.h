// Which members a command's names select, and the exact form in which the
// listing names a member.
//
// "*.*" and "*" select every member.  Any other name is first read in the
// exact form: "%" and two hexadecimal digits stand for that byte.  The
// listing writes a member's path that way, with every control character,
// '"', "%", "*" and "?" so written, so that its path column can go back into
// a command text (between quotes) and name that member and nothing else.
//
// A name that is some member's whole stored path selects that member (and,
// for a folder, everything below it) and nothing else.  Any other name
// matches a member's whole stored path or, when it holds no separator, the
// member's file name, with "*" and "?" as wildcards (on characters, not
// bytes).  The exact rule lets a caller name one member: "readme.txt" then
// does not also take "docs/readme.txt", and a member whose name holds "*"
// is not taken for a pattern.
#pragma once

#include "header.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lzh {

// A stored path in the exact form, and back.  A "%" not followed by two
// hexadecimal digits stands for itself.
std::string exact_name(std::string_view path);
std::string from_exact_name(std::string_view name);

bool wildcard_match(std::string_view pattern, std::string_view text);

class MemberMatcher {
public:
    explicit MemberMatcher(const std::vector<std::string> &names);
    // True when no names were given: every member is wanted without a first pass.
    bool all() const { return names_.empty(); }
    // First pass, over every member: which names are whole stored paths.
    void note(const Member &m);
    bool matches(const Member &m);
    // Names that have matched nothing so far.
    std::vector<std::string> unmatched() const;

private:
    std::vector<std::string> names_;  // decoded, "/"-separated, no trailing "/"
    std::vector<bool> used_;
    std::vector<bool> exact_;         // the name is some member's whole path
    std::vector<bool> every_;         // "*.*" or "*"
};

class ArchiveReader;
// The first pass: notes every member of `reader`, then rewinds it.
void note_all_members(ArchiveReader &reader, MemberMatcher &matcher);

// What a command will do, for its progress: the members it counts and
// their bytes.  `bytes_of` says, for each member and whether the names
// select it, how many bytes of work it is, or nullopt for none at all.
struct WorkPlan {
    std::uint64_t members = 0, bytes = 0;
};
WorkPlan plan_work(ArchiveReader &reader, MemberMatcher &matcher,
                   const std::function<std::optional<std::uint64_t>(const Member &, bool selected)> &bytes_of);

} // namespace lzh
