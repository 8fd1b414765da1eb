#include "listing.h"

#include <cstdio>

namespace lha {
namespace {

// Unix mode bits as the archive stores them (0x50 and the level-0 Unix
// extension), independent of the host's values.
constexpr unsigned kDirectory = 0040000, kSymlink = 0120000;
// A header without a mode: a plain file, read-write for everyone (an OS-9
// header without one shows what these bits mean there).
constexpr unsigned kDefaultMode = 0100666;

constexpr const char *kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";

std::string format(const char *fmt, auto... args) {
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, fmt, args...);
    return std::string(buf, n < 0 ? 0 : static_cast<std::size_t>(n));
}

// The system a header says it was made on.  A level-0 Unix extension too
// short for its fields says nothing.
char system_of(const lzh::Member &m) {
    if (m.level == 0 && m.os_id == 'U' && !m.unix_mode) return 0;
    return m.os_id;
}

const char *system_label(char id) {
    switch (id) {
    case 0: return "[generic]";
    case 'C': return "[CP/M]";
    case 'F': return "[FLEX]";
    case '9': return "[OS-9]";
    case 'M': return "[MS-DOS]";
    case 'm': return "[Mac OS]";
    case '2': return "[OS/2]";
    case 'H': return "[Human68K]";
    case '3': return "[OS-386]";
    case 'R': return "[Runser]";
    case 'T': return "[TownsOS]";
    case 'J': return "[JAVA]";
    default: return "[unknown]";
    }
}

bool is_osk(char id) { return id == 'K' || id == 'X'; }

std::string unix_permissions(unsigned mode) {
    std::string s(10, '-');
    if (mode & kDirectory)
        s[0] = 'd';
    else if ((mode & kSymlink) == kSymlink)
        s[0] = 'l';
    const char *rwx = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i)
        if (mode & (0400u >> i)) s[1 + i] = rwx[i];
    if (mode & 04000) s[3] = 's';
    if (mode & 02000) s[6] = 's';
    if (mode & 01000) s[9] = 't';
    return s;
}

// OS-9/68K's attribute byte (stored in the field Unix writers use for the
// mode): from bit 7 down, folder, shared, then execute, write, read for the
// public and for the owner.
std::string osk_permissions(unsigned mode) {
    const char *letters = "dsewrewr";
    std::string s;
    for (int i = 0; i < 8; ++i) s += (mode & (0x80u >> i)) ? letters[i] : '-';
    return s;
}


} // namespace

std::string printable(std::string s) {
    for (char &c : s) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) c = '?';
    }
    return s;
}

ListFormat::ListFormat(const ListStyle &style) : style_(style) {
    std::tm tm{};
    std::time_t now = style.now;
    if (localtime_r(&now, &tm)) threshold_ = static_cast<unsigned>(tm.tm_year * 12 + tm.tm_mon - 6);
}

std::string ListFormat::head() const {
    const char *title;
    if (style_.packed)
        title = style_.verbose ? "PERMISSION  UID  GID    PACKED    SIZE  RATIO METHOD CRC     STAMP            LV"
                               : "PERMISSION  UID  GID    PACKED    SIZE  RATIO METHOD CRC     STAMP     NAME";
    else
        title = style_.verbose ? "PERMISSION  UID  GID      SIZE  RATIO     STAMP     LV"
                               : "PERMISSION  UID  GID      SIZE  RATIO     STAMP           NAME";
    return std::string(title) + "\n" + separator();
}

std::string ListFormat::separator() const {
    if (style_.packed)
        return style_.verbose ? "---------- ----------- ------- ------- ------ ---------- ------------------- ---\n"
                              : "---------- ----------- ------- ------- ------ ---------- ------------ ----------\n";
    return style_.verbose ? "---------- ----------- ------- ------ ------------ ---\n"
                          : "---------- ----------- ------- ------ ------------ --------------------\n";
}

std::string ListFormat::sizes(std::uint64_t packed, std::uint64_t original) const {
    std::string s;
    if (style_.packed) s += format("%7llu ", static_cast<unsigned long long>(packed));
    s += format("%7llu ", static_cast<unsigned long long>(original));
    if (original == 0)
        s += "******";
    else
        s += format("%5.1f%%", static_cast<double>(packed) * 100.0 / static_cast<double>(original));
    return s;
}

std::string ListFormat::stamp(std::time_t t) const {
    bool full = style_.packed && style_.verbose;
    if (t == 0) return std::string(full ? 19 : 12, ' ');
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return std::string(full ? 19 : 12, ' ');
    if (full)
        return format("%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                      tm.tm_min, tm.tm_sec);
    std::string month(kMonths + tm.tm_mon * 3, 3);
    if (static_cast<unsigned>(tm.tm_year * 12 + tm.tm_mon) > threshold_)
        return month + format(" %2d %02d:%02d", tm.tm_mday, tm.tm_hour, tm.tm_min);
    return month + format(" %2d  %04d", tm.tm_mday, tm.tm_year + 1900);
}

std::string ListFormat::owner_field(const lzh::Member &m) const {
    char id = system_of(m);
    if (id == 'U' || is_osk(id)) {
        unsigned mode = m.unix_mode.value_or(kDefaultMode);
        std::string perm = id == 'U' ? unix_permissions(mode) + " " : osk_permissions(m.os9_attributes.value_or(mode)) + "   ";
        return perm + format("%5d/%-5d ", m.uid.value_or(0), m.gid.value_or(0));
    }
    return format("%-11.11s%12s", system_label(id), "");
}

std::string ListFormat::shown_name(const lzh::Member &m) { return printable(m.display_path()); }

std::string ListFormat::member(const lzh::Member &m) const {
    std::string name = shown_name(m);
    if (m.kind == lzh::MemberKind::symlink) name.append(" -> ").append(printable(m.link_target));
    std::string line;
    if (style_.verbose) line.append(name).append("\n");
    line.append(owner_field(m)).append(sizes(m.packed_size, m.original_size));
    // A member stored without a CRC shows stars, as in the classic tool.
    if (style_.packed) line.append(" ").append(printable(m.listed_method())).append(m.has_crc ? format(" %04x", m.crc16) : " ****");
    line.append(" ").append(stamp(static_cast<std::time_t>(m.mtime)));
    if (style_.verbose)
        line.append(format(" [%d]", m.level));
    else
        line.append(" ").append(name);
    return line.append("\n");
}

std::string ListFormat::total(std::uint64_t count, std::uint64_t packed, std::uint64_t original,
                              std::time_t archive_mtime) const {
    std::string line = format(" Total %9llu file%c ", static_cast<unsigned long long>(count), count == 1 ? ' ' : 's');
    line += sizes(packed, original) + " ";
    if (style_.packed) line += std::string(11, ' ');
    return line + stamp(archive_mtime) + "\n";
}

} // namespace lha
