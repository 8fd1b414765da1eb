// Which members a command's names select.
//
// "*.*" and "*" select every member.  Any other name is first read in the
// exact form (names.h): "%" and two hexadecimal digits stand for that byte.
// The listing writes a member's path that way, with every control
// character, '"', "%", "*", "?" and undecodable byte so written, so that its
// path column can go back into a command text (between quotes) and name
// that member and nothing else.
//
// A name that is some member's whole stored path selects that member (and,
// for a folder, everything below it) and nothing else.  Any other name
// matches a member's whole stored path or a folder above it or, when it
// holds no separator, the member's file name, with "*" and "?" as wildcards
// (on characters, not bytes); a "*" or "?" written as %2A or %3F is none, so
// a listed name whose member has gone meanwhile selects nothing.  The exact rule lets a caller name one member: "readme.txt" then
// does not also take "docs/readme.txt", and a member whose name holds "*"
// is not taken for a pattern.
#pragma once

#include "header.h"
#include "names.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lzh {

bool wildcard_match(std::string_view pattern, std::string_view text);

// Whether a path ("/"-separated) is left out by exclude patterns: a pattern
// without "/" matches any one part of it (so a folder's name leaves out
// everything below it), one with "/" the whole path or a folder above it.
// As in the shell, a wildcard does not match a leading "." of a part.
bool excluded(const std::vector<std::string> &patterns, std::string_view path);

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
    // A name decoded, "/"-separated, with no trailing "/", and which of its
    // characters were escaped (no wildcards then).
    struct Name {
        explicit Name(std::string_view name);
        bool matches(std::string_view text) const;
        std::string text;
        std::vector<bool> literal;
    };
    std::vector<Name> names_;
    std::vector<bool> used_;
    std::vector<bool> exact_;         // the name is some member's whole path
    std::vector<bool> folder_;        // ... and that member is a folder
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
