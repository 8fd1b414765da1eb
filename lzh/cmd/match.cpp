#include "match.h"

#include "archive.h"

#include <algorithm>

namespace lzh {
namespace {

// The length of the character at t[i]; a byte that starts none counts alone.
std::size_t char_at(std::string_view t, std::size_t i) { return std::max<std::size_t>(1, utf8_char_length(t, i)); }

// `literal`, when given, marks the characters of `p` that stand for
// themselves even if they are "*" or "?".
bool match_pattern(std::string_view p, const std::vector<bool> *literal, std::string_view t) {
    const auto wild = [&](std::size_t i, char c) { return p[i] == c && !(literal && (*literal)[i]); };
    // Iterative matching with one backtrack point for the last "*".
    std::size_t pi = 0, ti = 0, star = std::string_view::npos, mark = 0;
    while (ti < t.size()) {
        if (pi < p.size() && wild(pi, '*')) {
            star = pi++;
            mark = ti;
        } else if (pi < p.size() && wild(pi, '?')) {
            ++pi;
            ti = std::min(t.size(), ti + char_at(t, ti));
        } else if (pi < p.size() && p[pi] == t[ti]) {
            ++pi;
            ++ti;
        } else if (star != std::string_view::npos) {
            pi = star + 1;
            mark = std::min(t.size(), mark + char_at(t, mark));
            ti = mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && wild(pi, '*')) ++pi;
    return pi == p.size();
}

} // namespace

bool wildcard_match(std::string_view p, std::string_view t) { return match_pattern(p, nullptr, t); }

MemberMatcher::Name::Name(std::string_view name) {
    // Read in the exact form: an escaped "*" or "?" is no wildcard.
    for (std::size_t i = 0; i < name.size(); ++i) {
        const std::string_view escape = name.substr(i, 3);
        const std::string one = escape.size() == 3 && escape[0] == '%' ? from_exact_name(escape) : std::string();
        if (one.size() == 1) {
            text += one;
            literal.push_back(true);
            i += 2;
        } else {
            text += name[i] == '\\' ? '/' : name[i];
            literal.push_back(false);
        }
    }
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
        literal.pop_back();
    }
}

bool MemberMatcher::Name::matches(std::string_view t) const { return match_pattern(text, &literal, t); }

namespace {

// One part against one pattern, a hidden name only by a pattern that starts with ".".
bool part_matches(std::string_view pattern, std::string_view part) {
    if (!part.empty() && part[0] == '.' && (pattern.empty() || pattern[0] != '.')) return false;
    return wildcard_match(pattern, part);
}

} // namespace

bool excluded(const std::vector<std::string> &patterns, std::string_view path) {
    for (const std::string &p : patterns) {
        if (p.empty()) continue;
        if (p.find('/') != std::string::npos) {
            const std::string_view pat = std::string_view(p).substr(0, p.find_last_not_of('/') + 1);
            for (std::size_t end = path.find('/'); ; end = path.find('/', end + 1)) {
                if (wildcard_match(pat, path.substr(0, end))) return true;
                if (end == std::string_view::npos) break;
            }
            continue;
        }
        for (std::size_t start = 0; start <= path.size();) {
            std::size_t end = path.find('/', start);
            if (end == std::string_view::npos) end = path.size();
            if (part_matches(p, path.substr(start, end - start))) return true;
            start = end + 1;
        }
    }
    return false;
}

MemberMatcher::MemberMatcher(const std::vector<std::string> &names)
    : used_(names.size(), false), exact_(names.size(), false), folder_(names.size(), false),
      every_(names.size(), false) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        every_[i] = names[i] == "*.*" || names[i] == "*";
        names_.emplace_back(names[i]);
    }
}

void MemberMatcher::note(const Member &m) {
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (names_[i].text != m.path) continue;
        exact_[i] = true;
        if (m.kind == MemberKind::directory) folder_[i] = true;
    }
}

bool MemberMatcher::matches(const Member &m) {
    bool hit = false;
    const std::string &path = m.path;
    std::size_t slash = path.rfind('/');
    std::string_view file = slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1);
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const Name &n = names_[i];
        const std::string &text = n.text;
        const bool below = path.size() > text.size() && path[text.size()] == '/' && path.compare(0, text.size(), text) == 0;
        bool ok = every_[i] || (exact_[i] && (path == text || (folder_[i] && below)));
        if (!exact_[i] && !every_[i]) {
            // The whole path, a folder above it, or, for a name without a
            // separator, the file name.
            ok = n.matches(path) || (text.find('/') == std::string::npos && n.matches(file));
            for (std::size_t end = path.find('/'); !ok && end != std::string::npos; end = path.find('/', end + 1))
                ok = n.matches(std::string_view(path).substr(0, end));
        }
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
        if (!used_[i] && !every_[i]) out.push_back(exact_name(names_[i].text));
    return out;
}

} // namespace lzh
