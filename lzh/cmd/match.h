// Which members a command's names select.
//
// A name matches a member's whole stored path or, when it holds no
// separator, the member's file name; "*" and "?" are wildcards (on
// characters, not bytes) and "*.*" matches every name.  A name that names a
// folder selects everything below it too.
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
    bool matches(const Member &m);
    // Names that have matched nothing so far.
    std::vector<std::string> unmatched() const;

private:
    std::vector<std::string> names_;
    std::vector<bool> used_;
    bool all_ = false;
};

} // namespace lzh
