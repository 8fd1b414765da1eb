#include "header.h"

#include "crc16.h"
#include "names.h"

#include <cstring>
#include <ctime>
#include <vector>

namespace lzh {
namespace {

std::uint16_t le16(const std::uint8_t *p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t le32(const std::uint8_t *p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint64_t le64(const std::uint8_t *p) { return le32(p) | (static_cast<std::uint64_t>(le32(p + 4)) << 32); }

void put16(std::string &s, std::size_t at, std::uint16_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8);
}
void put32(std::string &s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void put64(std::string &s, std::size_t at, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

constexpr std::uint16_t kTypeMask = 0xF000;
constexpr std::uint16_t kTypeLink = 0xA000;
constexpr std::uint16_t kTypeDir = 0x4000;

std::int64_t dos_time_to_unix(std::uint32_t dos) {
    std::tm tm{};
    tm.tm_sec = static_cast<int>((dos & 0x1F) * 2);
    tm.tm_min = static_cast<int>((dos >> 5) & 0x3F);
    tm.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
    tm.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
    tm.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
    tm.tm_year = static_cast<int>(dos >> 25) + 80;
    if (tm.tm_mday == 0) tm.tm_mday = 1;
    if (tm.tm_mon < 0) tm.tm_mon = 0;
    tm.tm_isdst = -1;  // DOS times are local wall-clock times
    std::time_t t = std::mktime(&tm);
    return t == static_cast<std::time_t>(-1) ? 0 : static_cast<std::int64_t>(t);
}

// What the base header and the extension headers said, before the path is
// assembled from its pieces.
struct Fields {
    std::string file_raw;
    std::string dir_raw;  // 0xFF-separated
    bool have_file_ext = false;
    std::optional<std::uint32_t> unix_mtime;
    std::optional<std::uint64_t> packed64, original64;
    std::size_t crc_ext_at = 0;  // offset of the header CRC inside the header bytes, 0 when none
    std::uint16_t header_crc = 0;
};

// Interprets one extension header (type + data, without the size fields).
void read_extension(std::uint8_t type, const std::uint8_t *d, std::size_t n, Member &m, Fields &f) {
    switch (type) {
    case 0x00:
        if (n >= 2) f.header_crc = le16(d);
        break;
    case 0x01:
        f.file_raw.assign(reinterpret_cast<const char *>(d), n);
        f.have_file_ext = true;
        break;
    case 0x02:
        f.dir_raw.assign(reinterpret_cast<const char *>(d), n);
        break;
    case 0x40:
        if (n >= 1) m.msdos_attr = d[0];
        break;
    case 0x42:
        if (n >= 16) {
            f.packed64 = le64(d);
            f.original64 = le64(d + 8);
        }
        break;
    case 0x50:
        if (n >= 2) m.unix_mode = le16(d);
        break;
    case 0x51:
        if (n >= 4) {
            m.gid = le16(d);
            m.uid = le16(d + 2);
        }
        break;
    case 0x54:
        if (n >= 4) f.unix_mtime = le32(d);
        break;
    default:
        break;  // comments, owner names, OS/2 and Windows extras: not needed
    }
}

// Joins the directory and file parts into the member's path and kind.
void assemble_path(Member &m, const Fields &f) {
    std::string full;
    if (!f.dir_raw.empty()) {
        // Split at 0xFF before decoding: it is never part of a character.
        if (static_cast<std::uint8_t>(f.dir_raw[0]) == 0xFF) full = "/";
        std::size_t start = 0;
        for (std::size_t i = 0; i <= f.dir_raw.size(); ++i) {
            if (i == f.dir_raw.size() || static_cast<std::uint8_t>(f.dir_raw[i]) == 0xFF) {
                if (i > start) full += name_to_utf8(std::string_view(f.dir_raw).substr(start, i - start)) + "/";
                start = i + 1;
            }
        }
    }
    full += name_to_utf8(f.file_raw);
    // A symbolic link is stored as "name|target" with the link type bits; the
    // target's separators may have been stored as folder separators too.
    if (m.unix_mode && (*m.unix_mode & kTypeMask) == kTypeLink) {
        std::size_t bar = full.find('|');
        if (bar != std::string::npos) {
            m.link_target = full.substr(bar + 1);
            full.resize(bar);
        }
        m.kind = MemberKind::symlink;
    }
    bool absolute = !full.empty() && (full[0] == '/' || full[0] == '\\');
    bool trailing_sep = !full.empty() && (full.back() == '/' || full.back() == '\\');

    std::string path = absolute ? "/" : "";
    for (const std::string &part : split_path(full)) {
        if (path.size() > (absolute ? 1u : 0u)) path += '/';
        path += part;
    }
    m.path = path;

    if (m.kind != MemberKind::symlink) {
        bool dir_method = m.method == "-lhd-";
        bool dir_mode = m.unix_mode && (*m.unix_mode & kTypeMask) == kTypeDir;
        if (dir_method || dir_mode || (trailing_sep && m.original_size == 0)) m.kind = MemberKind::directory;
    }
}

bool valid_method(const std::uint8_t *p) {
    if (p[0] != '-' || p[4] != '-') return false;
    for (int i = 1; i < 4; ++i) {
        std::uint8_t c = p[i];
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))) return false;
    }
    return true;
}

ParseResult fail(HeaderError e, std::string what) { return ParseResult{e, false, std::move(what)}; }

} // namespace

std::string Member::display_path() const {
    return kind == MemberKind::directory && !path.empty() && path != "/" ? path + "/" : path;
}

std::string Member::file_name() const {
    std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return kind == MemberKind::directory && !name.empty() ? name + "/" : name;
}

bool looks_like_header(const std::uint8_t *p, std::size_t avail) {
    if (avail < 22 || !valid_method(p + 2)) return false;
    std::uint8_t level = p[20];
    if (level > 3) return false;
    if (level == 3) return le16(p) == 4;
    if (level == 2) return le16(p) >= 26;
    return p[0] >= 22;  // room for the fixed fields, the CRC and a name length
}

ParseResult parse_header(HeaderInput &in, std::uint64_t offset, Member &m) {
    m = Member{};
    m.header_offset = offset;
    std::uint8_t b[32];
    if (!in.read_at(offset, b, 1) || b[0] == 0) return ParseResult{HeaderError::none, true, {}};
    if (!in.read_at(offset, b, 22)) return fail(HeaderError::truncated, "the archive ends inside a header");
    if (!valid_method(b + 2)) return fail(HeaderError::malformed, "no method id where a header should start");
    m.method.assign(reinterpret_cast<const char *>(b + 2), 5);
    m.level = b[20];
    Fields f;

    if (m.level == 0 || m.level == 1) {
        std::size_t total = static_cast<std::size_t>(b[0]) + 2;
        std::vector<std::uint8_t> h(total);
        if (total < 24 || !in.read_at(offset, h.data(), total))
            return fail(total < 24 ? HeaderError::malformed : HeaderError::truncated, "header shorter than its fields");
        std::uint8_t sum = 0;
        for (std::size_t i = 2; i < total; ++i) sum = static_cast<std::uint8_t>(sum + h[i]);
        if (sum != h[1]) return fail(HeaderError::bad_check, "header checksum does not match");
        std::size_t name_len = h[21];
        if (22 + name_len + 2 > total) return fail(HeaderError::malformed, "name runs past the header");
        f.file_raw.assign(reinterpret_cast<const char *>(h.data() + 22), name_len);
        m.crc16 = le16(h.data() + 22 + name_len);
        std::uint32_t packed_or_skip = le32(h.data() + 7);
        m.original_size = le32(h.data() + 11);
        m.mtime = dos_time_to_unix(le32(h.data() + 15));
        m.msdos_attr = h[19];
        std::size_t extra = total - (24 + name_len);  // bytes after the CRC
        const std::uint8_t *x = h.data() + 24 + name_len;
        if (m.level == 0) {
            m.os_id = 'M';
            m.packed_size = packed_or_skip;
            m.header_size = total;
            if (extra >= 1) m.os_id = static_cast<char>(x[0]);
            // The Unix extension of level 0: id, version, mtime, mode, uid, gid.
            if (extra >= 12 && x[0] == 'U') {
                f.unix_mtime = le32(x + 2);
                m.unix_mode = le16(x + 6);
                m.uid = le16(x + 8);
                m.gid = le16(x + 10);
            }
        } else {
            if (extra < 3) return fail(HeaderError::malformed, "level-1 header without its OS id");
            m.os_id = static_cast<char>(x[0]);
            std::uint32_t next = le16(h.data() + total - 2);
            std::uint64_t pos = offset + total, ext_total = 0;
            std::vector<std::uint8_t> e;
            while (next != 0) {
                if (next < 3) return fail(HeaderError::malformed, "extension header too short");
                ext_total += next;
                if (ext_total > kMaxHeaderBytes) return fail(HeaderError::malformed, "extension headers too long");
                e.resize(next);
                if (!in.read_at(pos, e.data(), next)) return fail(HeaderError::truncated, "the archive ends inside a header");
                read_extension(e[0], e.data() + 1, next - 3, m, f);
                pos += next;
                next = le16(e.data() + next - 2);
            }
            // A level-1 size counts the extension headers as packed data.
            if (ext_total > packed_or_skip) return fail(HeaderError::malformed, "extension headers larger than the member");
            m.packed_size = packed_or_skip - ext_total;
            m.header_size = total + ext_total;
        }
    } else if (m.level == 2 || m.level == 3) {
        std::size_t fixed = m.level == 2 ? 26 : 32;
        int width = m.level == 2 ? 2 : 4;
        if (!in.read_at(offset, b, fixed)) return fail(HeaderError::truncated, "the archive ends inside a header");
        std::uint64_t total = m.level == 2 ? le16(b) : le32(b + 24);
        if (m.level == 3 && le16(b) != 4) return fail(HeaderError::malformed, "level-3 header with a wrong word size");
        if (total < fixed || total > kMaxHeaderBytes) return fail(HeaderError::malformed, "header size out of range");
        std::vector<std::uint8_t> h(b, b + fixed);
        m.packed_size = le32(h.data() + 7);
        m.original_size = le32(h.data() + 11);
        m.mtime = le32(h.data() + 15);
        m.crc16 = le16(h.data() + 21);
        m.os_id = static_cast<char>(h[23]);
        // Walk the extension headers from the file rather than trusting the
        // total: some writers (OS-9/68k) state it two bytes short.
        std::uint32_t next = m.level == 2 ? le16(h.data() + 24) : le32(h.data() + 28);
        while (next != 0) {
            if (next < static_cast<std::uint32_t>(1 + width)) return fail(HeaderError::malformed, "extension header too short");
            std::size_t at = h.size();
            if (at + next > kMaxHeaderBytes) return fail(HeaderError::malformed, "extension headers too long");
            h.resize(at + next);
            if (!in.read_at(offset + at, h.data() + at, next)) return fail(HeaderError::truncated, "the archive ends inside a header");
            if (h[at] == 0x00) f.crc_ext_at = at + 1;
            read_extension(h[at], h.data() + at + 1, next - 1 - width, m, f);
            next = width == 2 ? le16(h.data() + at + next - 2) : le32(h.data() + at + next - 4);
        }
        if (h.size() < total) {  // padding after the last extension header
            std::size_t at = h.size();
            h.resize(static_cast<std::size_t>(total));
            if (!in.read_at(offset + at, h.data() + at, h.size() - at)) return fail(HeaderError::truncated, "the archive ends inside a header");
        }
        if (f.crc_ext_at != 0) {
            h[f.crc_ext_at] = 0;
            h[f.crc_ext_at + 1] = 0;
            if (crc16(h.data(), static_cast<std::size_t>(total)) != f.header_crc) return fail(HeaderError::bad_check, "header CRC does not match");
        }
        m.header_size = h.size();
    } else {
        return fail(HeaderError::malformed, "unknown header level " + std::to_string(m.level));
    }

    if (f.unix_mtime) m.mtime = *f.unix_mtime;
    if (f.packed64) m.packed_size = *f.packed64;
    if (f.original64) m.original_size = *f.original64;
    m.data_offset = offset + m.header_size;
    assemble_path(m, f);
    return {};
}

std::string build_level2_header(const Member &m) {
    std::vector<std::string> parts = split_path(m.path);
    std::string file_part, dir_part;
    if (m.kind == MemberKind::directory) {
        for (const auto &p : parts) dir_part += name_from_utf8(p) + '\xFF';
    } else {
        for (std::size_t i = 0; i + 1 < parts.size(); ++i) dir_part += name_from_utf8(parts[i]) + '\xFF';
        if (!parts.empty()) file_part = name_from_utf8(parts.back());
        if (m.kind == MemberKind::symlink) {
            file_part += '|';
            file_part += name_from_utf8(m.link_target);
        }
    }
    bool wide = m.original_size > 0xFFFFFFFFull || m.packed_size > 0xFFFFFFFFull;

    std::string h(26, '\0');
    std::memcpy(h.data() + 2, m.method.data(), 5);
    put32(h, 15, static_cast<std::uint32_t>(m.mtime));
    h[19] = 0x20;
    h[20] = 2;
    h[23] = 'U';
    std::size_t next_at = 24;  // where the size of the next extension goes
    auto add_ext = [&](std::uint8_t type, const std::string &data) {
        put16(h, next_at, static_cast<std::uint16_t>(data.size() + 3));
        h += static_cast<char>(type);
        h += data;
        next_at = h.size();
        h += std::string(2, '\0');
    };
    add_ext(0x00, std::string(2, '\0'));  // header CRC, filled in below
    add_ext(0x01, file_part);
    if (!dir_part.empty()) add_ext(0x02, dir_part);
    if (m.unix_mode) {
        std::string mode(2, '\0');
        put16(mode, 0, *m.unix_mode);
        add_ext(0x50, mode);
    }
    if (wide) add_ext(0x42, std::string(16, '\0'));
    // A header whose size has a zero low byte would read as the end mark.
    if ((h.size() & 0xFF) == 0) h += '\0';
    put16(h, 0, static_cast<std::uint16_t>(h.size()));
    patch_level2_header(h, m.packed_size, m.original_size, m.crc16);
    return h;
}

void patch_level2_header(std::string &h, std::uint64_t packed, std::uint64_t original, std::uint16_t crc) {
    const auto *p = reinterpret_cast<const std::uint8_t *>(h.data());
    put32(h, 7, static_cast<std::uint32_t>(packed));
    put32(h, 11, static_cast<std::uint32_t>(original));
    put16(h, 21, crc);
    std::size_t crc_at = 0;
    std::size_t pos = 26, next = le16(p + 24);
    while (next != 0 && pos + next <= h.size()) {
        if (p[pos] == 0x00) crc_at = pos + 1;
        if (p[pos] == 0x42) {
            put64(h, pos + 1, packed);
            put64(h, pos + 9, original);
        }
        pos += next;
        next = le16(p + pos - 2);
    }
    if (crc_at) {
        put16(h, crc_at, 0);
        put16(h, crc_at, crc16(p, h.size()));
    }
}

} // namespace lzh
