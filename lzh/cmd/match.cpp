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
    std::string s = from_exact_name(name);
    for (char &c : s)
        if (c == '\\') c = '/';
    return s;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string strip_trailing_slash(std::string s) {
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

} // namespace

std::string exact_name(std::string_view path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '"' || c == '%' || c == '*' || c == '?') {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string from_exact_name(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        int hi, lo;
        if (name[i] == '%' && i + 2 < name.size() && (hi = hex_value(name[i + 1])) >= 0 &&
            (lo = hex_value(name[i + 2])) >= 0) {
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += name[i];
        }
    }
    return out;
}

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

MemberMatcher::MemberMatcher(const std::vector<std::string> &names)
    : used_(names.size(), false), exact_(names.size(), false), every_(names.size(), false) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        every_[i] = names[i] == "*.*" || names[i] == "*";
        names_.push_back(strip_trailing_slash(normalise(names[i])));
    }
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
        bool ok = every_[i]   ? true
                  : exact_[i] ? (path == n || below)
                              : wildcard_match(n, path) || wildcard_match(n + "/*", path) ||
                                    (n.find('/') == std::string::npos && wildcard_match(n, file));
        if (ok) {
            used_[i] = true;
            hit = true;
        }
    }
    return hit || all();
}

void note_all_members(ArchiveReader &reader, MemberMatcher &matcher) {
    if (matcher.all()) return;
    Member m;
    while (reader.next(m)) matcher.note(m);
    reader.rewind();
}

WorkPlan plan_work(ArchiveReader &reader, MemberMatcher &matcher,
                   const std::function<std::optional<std::uint64_t>(const Member &, bool selected)> &bytes_of) {
    note_all_members(reader, matcher);
    // Matching here marks the names used, as the command's own pass will.
    WorkPlan plan;
    Member m;
    while (reader.next(m)) {
        if (auto bytes = bytes_of(m, matcher.matches(m))) {
            ++plan.members;
            plan.bytes += *bytes;
        }
    }
    reader.rewind();
    return plan;
}

std::vector<std::string> MemberMatcher::unmatched() const {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (!used_[i] && !every_[i]) out.push_back(exact_name(names_[i]));
    return out;
}

} // namespace lzh
