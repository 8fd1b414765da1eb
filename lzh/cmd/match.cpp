#include "match.h"

#include "archive.h"

#include <algorithm>

namespace lzh {
namespace {

// Length of the UTF-8 character starting with byte c.
std::size_t char_len(unsigned char c) {
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) return 2;
    if ((c & 0xF0) == 0xE0) return 3;
    if ((c & 0xF8) == 0xF0) return 4;
    return 1;
}

std::string normalise(std::string_view name) {
    std::string s(name);
    for (char &c : s)
        if (c == '\\') c = '/';
    return s;
}

std::string strip_trailing_slash(std::string s) {
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

} // namespace

bool wildcard_match(std::string_view p, std::string_view t) {
    // Iterative matching with one backtrack point for the last "*".
    std::size_t pi = 0, ti = 0, star = std::string_view::npos, mark = 0;
    while (ti < t.size()) {
        if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            mark = ti;
        } else if (pi < p.size() && p[pi] == '?') {
            ++pi;
            ti = std::min(t.size(), ti + char_len(static_cast<unsigned char>(t[ti])));
        } else if (pi < p.size() && p[pi] == t[ti]) {
            ++pi;
            ++ti;
        } else if (star != std::string_view::npos) {
            pi = star + 1;
            mark = std::min(t.size(), mark + char_len(static_cast<unsigned char>(t[mark])));
            ti = mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size();
}

MemberMatcher::MemberMatcher(std::vector<std::string> names) : used_(names.size(), false), exact_(names.size(), false) {
    for (auto &n : names) {
        if (n == "*.*" || n == "*") all_ = true;
        names_.push_back(strip_trailing_slash(normalise(n)));
    }
    if (names_.empty()) all_ = true;
}

void MemberMatcher::note(const Member &m) {
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == m.path) exact_[i] = true;
}

bool MemberMatcher::matches(const Member &m) {
    bool hit = false;
    const std::string &path = m.path;
    std::size_t slash = path.rfind('/');
    std::string_view file = slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1);
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const std::string &n = names_[i];
        bool below = path.size() > n.size() && path[n.size()] == '/' && path.compare(0, n.size(), n) == 0;
        bool ok = exact_[i] ? (path == n || below)
                            : wildcard_match(n, path) || wildcard_match(n + "/*", path) ||
                                  (n.find('/') == std::string::npos && wildcard_match(n, file));
        if (ok) {
            used_[i] = true;
            hit = true;
        }
    }
    return hit || all_;
}

void note_all_members(ArchiveReader &reader, MemberMatcher &matcher) {
    if (matcher.all()) return;
    Member m;
    while (reader.next(m)) matcher.note(m);
    reader.rewind();
}

std::vector<std::string> MemberMatcher::unmatched() const {
    std::vector<std::string> out;
    if (all_) return out;
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (!used_[i]) out.push_back(names_[i]);
    return out;
}

} // namespace lzh
