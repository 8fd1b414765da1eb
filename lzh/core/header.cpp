#include "header.h"

#include "crc16.h"
#include "names.h"

#include <cstring>
#include <ctime>
#include <vector>

namespace lzh {
namespace {

// Where the fields stand in each level's base header.  Every level starts
// with the method id at 2 and the two sizes, a time and the level at 20.
//
// Level 0 and 1 (the byte at 0 counts the header bytes after the first two):
//
//   0 size  1 checksum  2 method[5]  7 packed[4]  11 original[4]  15 MS-DOS time[4]
//  19 attribute  20 level  21 name length N  22 name[N]  22+N CRC-16[2]
//  level 0: 24+N an optional extension area ('U': version, Unix time[4], mode, uid, gid)
//  level 1: 24+N OS id, then the size[2] of the first extension header in the
//           header's last two bytes; "packed" counts the extension headers too
//
// Level 2 (the size at 0 counts the whole header, extension headers included):
//
//   0 size[2]  2 method[5]  7 packed[4]  11 original[4]  15 Unix time[4]
//  19 reserved  20 level  21 CRC-16[2]  23 OS id  24 size[2] of the first extension header
//
// Level 3 (as level 2, with 4-byte sizes):
//
//   0 word size[2] = 4  2 method[5]  7 packed[4]  11 original[4]  15 Unix time[4]
//  19 reserved  20 level  21 CRC-16[2]  23 OS id  24 header size[4]  28 size[4] of the first extension header
//
// An extension header is its type, its data and the size of the next one (0: none).
namespace at {
constexpr std::size_t size = 0, checksum = 1, method = 2, packed = 7, original = 11, time = 15, attribute = 19,
                      level = 20;
constexpr std::size_t name_length = 21, name = 22;         // levels 0 and 1
constexpr std::size_t crc = 21, os_id = 23, first_ext = 24;  // levels 2 and 3
constexpr std::size_t l3_header_size = 24, l3_first_ext = 28;
} // namespace at
constexpr std::size_t kLevel2Fixed = 26, kLevel3Fixed = 32;

// Extension header types.
enum : std::uint8_t {
    kExtCommon = 0x00,   // the header's CRC-16
    kExtName = 0x01,
    kExtFolder = 0x02,   // each folder ended by kFolderEnd
    kExtAttribute = 0x40,
    kExtSizes = 0x42,    // 64-bit packed and original sizes
    kExtUtf16Name = 0x44,
    kExtUtf16Folder = 0x45,
    kExtCodePage = 0x46,  // 32-bit Windows code page of the names
    kExtUnixMode = 0x50,
    kExtUnixOwner = 0x51,  // gid, uid
    kExtUnixTime = 0x54,
    kExtOs9 = 0xCC,       // OS-9's file description: its attributes at 7
};
// What ends each folder in a folder header, and separates parts of a name
// as the separators "/" and "\\" do: never a byte of a character.
constexpr char kFolderEnd = '\xFF';

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

constexpr std::uint16_t kTypeMask = 0xF000;
constexpr std::uint16_t kTypeLink = 0xA000;
constexpr std::uint16_t kTypeDir = 0x4000;
constexpr std::uint16_t kTypeFile = 0x8000;

// OS ids that change how a header reads.
constexpr char kOsOs9 = '9', kOsOs9_68k = 'K', kOsLhark = ' ', kOsJava = 'J';

std::int64_t dos_time_to_unix(std::uint32_t dos) {
    std::tm tm{};
    tm.tm_sec = static_cast<int>((dos & 0x1F) * 2);
    tm.tm_min = static_cast<int>((dos >> 5) & 0x3F);
    tm.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
    tm.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
    tm.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
    tm.tm_year = static_cast<int>(dos >> 25) + 80;
    // A day or month of 0 (some writers store them) normalises as other
    // readers show it: the last day of the month before, December before.
    tm.tm_isdst = -1;  // DOS times are local wall-clock times
    std::time_t t = std::mktime(&tm);
    return t == static_cast<std::time_t>(-1) ? 0 : static_cast<std::int64_t>(t);
}

// OS-9 keeps read, write and execute for the owner and for the public
// (bits 0-2 and 3-5) and marks folders in bit 7; the public's bits serve
// for the group and for others.
std::uint16_t os9_to_unix_mode(std::uint16_t os9) {
    auto bit = [os9](int b) { return (os9 >> b) & 1u; };
    unsigned mode = (bit(0) << 8) | (bit(1) << 7) | (bit(2) << 6)   // owner
                    | (bit(3) << 5) | (bit(4) << 4) | (bit(5) << 3)  // group
                    | (bit(3) << 2) | (bit(4) << 1) | bit(5);        // others
    return static_cast<std::uint16_t>(mode | (bit(7) ? kTypeDir : 0));
}

// What the base header and the extension headers said, before the path is
// assembled from its pieces.
struct Fields {
    std::string file_raw;
    std::string dir_raw;  // each folder ended by kFolderEnd
    std::string file_utf16, dir_utf16;
    bool have_utf16_file = false, have_utf16_dir = false;
    std::optional<std::uint32_t> code_page;
    NameCode names = NameCode::automatic;  // the form a person named, over the code page
    std::optional<std::uint16_t> os9_mode;
    std::optional<std::uint32_t> unix_mtime;
    std::optional<std::uint64_t> packed64, original64;
    std::size_t crc_ext_at = 0;  // offset of the header CRC inside the header bytes, 0 when none
    std::uint16_t header_crc = 0;
};

// Interprets one extension header (type + data, without the size fields).
void read_extension(std::uint8_t type, const std::uint8_t *d, std::size_t n, Member &m, Fields &f) {
    const char *text = reinterpret_cast<const char *>(d);
    switch (type) {
    case kExtCommon:
        if (n >= 2) f.header_crc = le16(d);
        break;
    case kExtName: f.file_raw.assign(text, n); break;
    case kExtFolder: f.dir_raw.assign(text, n); break;
    case kExtUtf16Name:
        f.file_utf16.assign(text, n);
        f.have_utf16_file = true;
        break;
    case kExtUtf16Folder:
        f.dir_utf16.assign(text, n);
        f.have_utf16_dir = true;
        break;
    case kExtCodePage:
        if (n >= 4) f.code_page = le32(d);
        break;
    case kExtAttribute:
        if (n >= 1) m.msdos_attr = d[0];
        break;
    case kExtSizes:
        if (n >= 16) {
            f.packed64 = le64(d);
            f.original64 = le64(d + 8);
        }
        break;
    case kExtUnixMode:
        if (n >= 2) m.unix_mode = le16(d);
        break;
    case kExtUnixOwner:
        if (n >= 4) {
            m.gid = le16(d);
            m.uid = le16(d + 2);
        }
        break;
    case kExtUnixTime:
        if (n >= 4) f.unix_mtime = le32(d);
        break;
    case kExtOs9:
        if (n >= 12) f.os9_mode = le16(d + 7);
        break;
    default:
        break;  // comments, owner names, OS/2 and Windows extras: not needed
    }
}

// The extension area after a level-0 name, as Unix and OS-9 writers leave it.
void read_level0_area(const std::uint8_t *x, std::size_t n, Member &m, Fields &f) {
    if (n == 0) return;
    m.os_id = static_cast<char>(x[0]);
    if ((x[0] == 'U' || x[0] == kOsOs9_68k) && n >= 12 && x[1] == 0) {
        // OS-9/68k repeats the time: the owner fields are the area's last six bytes.
        f.unix_mtime = le32(x + 2);
        m.unix_mode = le16(x + n - 6);
        m.uid = le16(x + n - 4);
        m.gid = le16(x + n - 2);
    } else if (x[0] == kOsOs9 && n >= 22 && x[9] == kExtOs9 && x[1] == x[17] && x[2] == x[18]) {
        f.os9_mode = le16(x + 1);
    }
}

// Stored bytes to UTF-8, each kFolderEnd a "/" (in names too: level-0 and
// level-1 writers put it there).  Split before decoding: it is no byte of
// any character.
std::string decode_parts(std::string_view raw, std::optional<std::uint32_t> code_page, NameCode code) {
    std::string out;
    for (std::size_t start = 0, i = 0; i <= raw.size(); ++i) {
        if (i < raw.size() && raw[i] != kFolderEnd) continue;
        out += name_to_utf8(raw.substr(start, i - start), code_page, code);
        if (i < raw.size()) out += '/';
        start = i + 1;
    }
    return out;
}

// The parts of a decoded folder text, at any separator a writer uses.
void append_parts(std::string &full, const std::string &utf8) {
    for (const std::string &part : split_path(utf8)) full += part + "/";
}

// Joins the directory and file parts into the member's path and kind.
void assemble_path(Member &m, const Fields &f) {
    std::string full;
    if (f.have_utf16_dir) {
        // UTF-16 folders are separated by U+FFFF, "\" or "/".
        std::string dir;
        const std::string wide = utf16le_to_utf8(f.dir_utf16);
        constexpr std::string_view kFFFF = "\xEF\xBF\xBF";
        for (std::size_t i = 0; i < wide.size();) {
            if (wide.compare(i, kFFFF.size(), kFFFF) == 0) {
                dir += '/';
                i += kFFFF.size();
            } else {
                dir += wide[i++];
            }
        }
        if (!dir.empty() && (dir[0] == '/' || dir[0] == '\\')) full += '/';
        append_parts(full, dir);
    } else if (!f.dir_raw.empty()) {
        const std::string dir = decode_parts(f.dir_raw, f.code_page, f.names);
        if (dir[0] == '/') full += '/';
        append_parts(full, dir);
    }
    full += f.have_utf16_file ? utf16le_to_utf8(f.file_utf16) : decode_parts(f.file_raw, f.code_page, f.names);
    // A symbolic link is stored as "name|target" with the link type bits; the
    // target's separators may have been stored as folder separators too.
    if (m.unix_mode && (*m.unix_mode & kTypeMask) == kTypeLink) {
        std::size_t bar = full.find('|');
        if (bar != std::string::npos) {
            m.link_target = full.substr(bar + 1);
            full.resize(bar);
            // Levels 0 and 1 came from MS-DOS: "\" there is a separator.
            if (m.level < 2)
                for (char &c : m.link_target)
                    if (c == '\\') c = '/';
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

ParseResult fail(HeaderError e, std::string what) { return ParseResult{e, false, std::move(what)}; }

// Real headers are well under 1 KiB; a longer one is refused, with the limit.
ParseResult too_long() {
    return fail(HeaderError::malformed,
                "the header with its extension headers runs past " + std::to_string(kMaxHeaderBytes) +
                    " bytes, the most this reader takes");
}

// Where an extension header lies in the header's bytes.
struct Extent {
    std::size_t at, size;
};

// Reads the chain of extension headers that follows the `h.size()` bytes of
// the header at `offset` into `h`, each one's type, data and the `width`-byte
// size of the next, and takes in what each says; `ext_at` gets where each
// begins in `h`.  The chain may not take the header past kMaxHeaderBytes.
ParseResult read_extensions(HeaderInput &in, std::uint64_t offset, std::vector<std::uint8_t> &h, std::uint32_t next,
                            int width, Member &m, Fields &f, std::vector<Extent> &ext_at) {
    while (next != 0) {
        if (next < static_cast<std::uint32_t>(1 + width)) return fail(HeaderError::malformed, "extension header too short");
        const std::size_t here = h.size();
        if (next > kMaxHeaderBytes - here) return too_long();
        h.resize(here + next);
        if (!in.read_at(offset + here, h.data() + here, next)) return fail(HeaderError::truncated, "the archive ends inside a header");
        ext_at.push_back({here, next});
        if (h[here] == kExtCommon && next >= static_cast<std::uint32_t>(3 + width)) f.crc_ext_at = here + 1;
        read_extension(h[here], h.data() + here + 1, next - 1 - width, m, f);
        next = width == 2 ? le16(h.data() + here + next - 2) : le32(h.data() + here + next - 4);
    }
    return {};
}

// The header CRC, when the header has one, over its first `n` bytes with
// the CRC's own two bytes taken as 0.  A header without one is checked for
// the mark of a CRC extension whose type byte was lost: an extension of two
// or three data bytes whose first two hold the CRC the header would have if
// that extension were the CRC's.  A Unix mode has two bytes too, and is
// suspect only beside a second one.
ParseResult check_header_crc(std::vector<std::uint8_t> &h, std::size_t n, const Fields &f,
                             const std::vector<Extent> &ext_at, int width) {
    if (f.crc_ext_at != 0) {
        h[f.crc_ext_at] = 0;
        h[f.crc_ext_at + 1] = 0;
        if (crc16(h.data(), n) != f.header_crc) return fail(HeaderError::bad_check, "header CRC does not match");
        return {};
    }
    const std::size_t crc_size = 1 + 2 + static_cast<std::size_t>(width);  // type, CRC, size of the next
    std::size_t modes = 0;
    for (const Extent &e : ext_at) modes += h[e.at] == kExtUnixMode;
    for (const auto &[at, size] : ext_at) {
        // Some writers put a byte after the CRC.
        if ((size != crc_size && size != crc_size + 1) || at + size > n || (h[at] == kExtUnixMode && modes < 2)) continue;
        std::vector<std::uint8_t> as_crc(h.begin(), h.begin() + static_cast<std::ptrdiff_t>(n));
        as_crc[at] = kExtCommon;
        as_crc[at + 1] = as_crc[at + 2] = 0;
        if (crc16(as_crc.data(), n) == le16(h.data() + at + 1))
            return fail(HeaderError::bad_check, "the type of its header CRC extension is damaged");
    }
    return {};
}

// Whether the level-1 header at `offset`, were its base header `base` bytes
// long, would have extension headers with a header CRC that checks.
bool checked_extensions_at(HeaderInput &in, std::uint64_t offset, std::size_t base) {
    std::vector<std::uint8_t> h(base);
    if (base < at::name || !in.read_at(offset, h.data(), base)) return false;
    h[at::size] = static_cast<std::uint8_t>(base - 2);
    Member m;
    Fields f;
    std::vector<Extent> ext_at;
    return read_extensions(in, offset, h, le16(h.data() + base - 2), 2, m, f, ext_at).error == HeaderError::none &&
           f.crc_ext_at != 0 && check_header_crc(h, h.size(), f, ext_at, 2).error == HeaderError::none;
}

// The base header of level 0 or 1 and, for level 1, its extension headers.
ParseResult parse_level01(HeaderInput &in, std::uint64_t offset, Member &m, Fields &f) {
    std::uint8_t first = 0;
    if (!in.read_at(offset, &first, 1)) return fail(HeaderError::truncated, "the archive ends inside a header");
    const std::size_t total = static_cast<std::size_t>(first) + 2;
    std::vector<std::uint8_t> h(total);
    if (total < at::name || !in.read_at(offset, h.data(), total))
        return fail(total < at::name ? HeaderError::malformed : HeaderError::truncated, "header shorter than its fields");
    std::uint8_t sum = 0;
    for (std::size_t i = at::method; i < total; ++i) sum = static_cast<std::uint8_t>(sum + h[i]);
    if (sum != h[at::checksum]) return fail(HeaderError::bad_check, "header checksum does not match");
    const std::size_t name_len = h[at::name_length];
    // Some level-0 writers leave the CRC out: the name then ends the header.
    const bool without_crc = m.level == 0 && at::name + name_len == total;
    if (at::name + name_len + (without_crc ? 0 : 2) > total) return fail(HeaderError::malformed, "name runs past the header");
    f.file_raw.assign(reinterpret_cast<const char *>(h.data() + at::name), name_len);
    // An Amiga comment may follow the name after a NUL.
    if (std::size_t nul = f.file_raw.find('\0'); nul != std::string::npos) f.file_raw.resize(nul);
    m.has_crc = !without_crc;
    if (m.has_crc) m.crc16 = le16(h.data() + at::name + name_len);
    const std::uint32_t packed_or_skip = le32(h.data() + at::packed);
    m.original_size = le32(h.data() + at::original);
    m.mtime = dos_time_to_unix(le32(h.data() + at::time));
    m.msdos_attr = h[at::attribute];
    const std::size_t after_crc = at::name + name_len + (without_crc ? 0 : 2);
    const std::size_t extra = total - after_crc;
    const std::uint8_t *x = h.data() + after_crc;
    if (m.level == 0) {
        m.os_id = 0;
        m.packed_size = packed_or_skip;
        m.header_size = total;
        read_level0_area(x, extra, m, f);
        return {};
    }
    if (extra < 3) return fail(HeaderError::malformed, "level-1 header without its OS id");
    m.os_id = static_cast<char>(x[0]);
    const std::uint32_t first_ext = le16(h.data() + total - 2);
    // A size byte one too large keeps the checksum when the byte it takes
    // in is 0, the type of a header CRC extension right after: a chain
    // that starts a byte earlier and checks says so.
    if (first_ext == 0 && extra > 3 && h[total - 1] == 0 && checked_extensions_at(in, offset, total - 1))
        return fail(HeaderError::bad_check, "its size byte is one too large");
    std::vector<Extent> ext_at;
    if (ParseResult r = read_extensions(in, offset, h, first_ext, 2, m, f, ext_at); r.error != HeaderError::none) return r;
    if (ParseResult r = check_header_crc(h, h.size(), f, ext_at, 2); r.error != HeaderError::none) return r;
    // A level-1 size counts the extension headers as packed data.
    const std::uint64_t ext_total = h.size() - total;
    if (ext_total > packed_or_skip) return fail(HeaderError::malformed, "extension headers larger than the member");
    m.packed_size = packed_or_skip - ext_total;
    m.header_size = h.size();
    return {};
}

ParseResult parse_level23(HeaderInput &in, std::uint64_t offset, Member &m, Fields &f) {
    const std::size_t fixed = m.level == 2 ? kLevel2Fixed : kLevel3Fixed;
    const int width = m.level == 2 ? 2 : 4;
    std::uint8_t b[kLevel3Fixed];
    if (!in.read_at(offset, b, fixed)) return fail(HeaderError::truncated, "the archive ends inside a header");
    if (m.level == 3 && le16(b + at::size) != 4) return fail(HeaderError::malformed, "level-3 header with a wrong word size");
    const std::uint64_t total = m.level == 2 ? le16(b + at::size) : le32(b + at::l3_header_size);
    if (total < fixed) return fail(HeaderError::malformed, "header size out of range");
    if (total > kMaxHeaderBytes) return too_long();
    std::vector<std::uint8_t> h(b, b + fixed);
    m.packed_size = le32(h.data() + at::packed);
    m.original_size = le32(h.data() + at::original);
    m.mtime = le32(h.data() + at::time);
    m.crc16 = le16(h.data() + at::crc);
    m.os_id = static_cast<char>(h[at::os_id]);
    // Walk the extension headers from the file rather than trusting the
    // total: some writers (OS-9/68k) state it two bytes short.
    std::vector<Extent> ext_at;
    const std::uint32_t first = m.level == 2 ? le16(h.data() + at::first_ext) : le32(h.data() + at::l3_first_ext);
    if (ParseResult r = read_extensions(in, offset, h, first, width, m, f, ext_at); r.error != HeaderError::none) return r;
    // Without a header CRC, a chain that ends where another extension header
    // would still fit was cut short: some writers pad a byte, none more.
    constexpr std::size_t kMostPadding = 2;
    if (f.crc_ext_at == 0 && h.size() + kMostPadding < total)
        return fail(HeaderError::malformed, "its extension headers end " + std::to_string(total - h.size()) +
                                                " bytes before the header does");
    if (h.size() < total) {  // padding after the last extension header
        std::size_t here = h.size();
        h.resize(static_cast<std::size_t>(total));
        if (!in.read_at(offset + here, h.data() + here, h.size() - here)) return fail(HeaderError::truncated, "the archive ends inside a header");
    }
    if (ParseResult r = check_header_crc(h, static_cast<std::size_t>(total), f, ext_at, width); r.error != HeaderError::none)
        return r;
    m.header_size = h.size();
    return {};
}

} // namespace

std::string Member::display_path() const {
    return kind == MemberKind::directory && !path.empty() && path != "/" ? path + "/" : path;
}

std::string Member::described() const {
    return path.empty() ? "the member at offset " + std::to_string(header_offset) : exact_name(display_path());
}

std::string Member::listed_method() const {
    return kind == MemberKind::directory && method == "-lh0-" ? "-lhd-" : method;
}

std::string Member::file_name() const {
    std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return kind == MemberKind::directory && !name.empty() ? name + "/" : name;
}

bool is_method_id(const std::uint8_t *p) {
    if (p[0] != '-' || p[4] != '-') return false;
    for (int i = 1; i < 4; ++i) {
        std::uint8_t c = p[i];
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))) return false;
    }
    return true;
}

bool looks_like_header(const std::uint8_t *p, std::size_t avail) {
    if (avail < 22 || !is_method_id(p + at::method)) return false;
    std::uint8_t level = p[at::level];
    if (level > 3) return false;
    if (level == 3) return le16(p) == 4;
    if (level == 2) return le16(p) >= kLevel2Fixed;
    return p[0] >= at::name - 2;  // room for the fixed fields and a name length
}

std::uint64_t claimed_member_size(const std::uint8_t *p, std::size_t avail) {
    if (avail < kLevel3Fixed) return 0;
    const std::uint64_t packed = le32(p + at::packed);
    switch (p[at::level]) {
    case 0:
    case 1: return p[at::size] + 2u + packed;  // level 1 counts its extensions as packed data
    case 2: return le16(p + at::size) + packed;
    case 3: return le32(p + at::l3_header_size) + packed;
    default: return 0;
    }
}

ParseResult parse_header(HeaderInput &in, std::uint64_t offset, Member &m, NameCode names) {
    m = Member{};
    m.header_offset = offset;
    std::uint8_t b[22];
    if (!in.read_at(offset, b, 1) || b[0] == 0) return ParseResult{HeaderError::none, true, {}};
    if (!in.read_at(offset, b, sizeof b)) return fail(HeaderError::truncated, "the archive ends inside a header");
    if (!is_method_id(b + at::method)) return fail(HeaderError::malformed, "no method id where a header should start");
    m.method.assign(reinterpret_cast<const char *>(b + at::method), 5);
    m.level = b[at::level];
    Fields f;
    f.names = names;
    ParseResult r;
    if (m.level <= 1) r = parse_level01(in, offset, m, f);
    else if (m.level <= 3) r = parse_level23(in, offset, m, f);
    else return fail(HeaderError::malformed, "unknown header level " + std::to_string(m.level));
    if (r.error != HeaderError::none) return r;

    if (f.unix_mtime) m.mtime = *f.unix_mtime;
    if (f.packed64) m.packed_size = *f.packed64;
    if (f.original64) m.original_size = *f.original64;
    // OS-9/68k writes OS-9 permissions where Unix writers put the mode.
    if (m.os_id == kOsOs9_68k && m.unix_mode) f.os9_mode = *m.unix_mode;
    if (f.os9_mode) {
        m.os9_attributes = f.os9_mode;
        m.unix_mode = static_cast<std::uint16_t>(os9_to_unix_mode(*f.os9_mode) | (m.method == "-lhd-" ? kTypeDir : 0));
    }
    // Writers with data of their own under a common method id, told apart
    // by their headers alone: LHARK (level 1, a blank OS id: its -lh7-) and
    // LHa for Java (OS id J: its -lh2-).
    if (m.level == 1 && m.os_id == kOsLhark) m.dialect = Dialect::lhark;
    if (m.os_id == kOsJava) m.dialect = Dialect::java;
    m.code_page = f.code_page;
    m.data_offset = offset + m.header_size;
    assemble_path(m, f);
    return {};
}

namespace {

// A member's stored name in the pieces each level wants: the code page of
// the names (0: no header says it), the file part, the folder part with
// kFolderEnd after each folder (a link's "name|target" split across them),
// and for level 0 the whole path with "\\".
struct StoredName {
    std::uint32_t code_page = 0;
    std::string file_part, dir_part, level0_path;
};

// False with `why` when a part has no form in `code`.
bool stored_name(const Member &m, NameCode code, StoredName &n, std::string &why) {
    std::vector<std::string> parts = split_path(m.path);
    std::vector<std::string_view> texts(parts.begin(), parts.end());
    if (m.kind == MemberKind::symlink) texts.push_back(m.link_target);
    if (code == NameCode::automatic) code = code_for(texts);
    n = StoredName{code_page_of(code), {}, {}, {}};
    std::vector<std::string> stored(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (name_from_utf8(texts[i], code, stored[i])) continue;
        why = "\"" + std::string(texts[i]) + "\" cannot be written in " + std::string(name_code_word(code)) +
              " (utf8 holds any name)";
        return false;
    }
    const std::size_t folders = m.kind == MemberKind::directory ? parts.size() : parts.size() - (parts.empty() ? 0 : 1);
    for (std::size_t i = 0; i < folders; ++i) n.dir_part += stored[i] + kFolderEnd;
    if (folders < parts.size()) n.file_part = stored[parts.size() - 1];
    if (m.kind == MemberKind::symlink) {
        // The whole "folders/name|target" text, every "/" of the target a
        // folder end too, split at its last one: the folder header holds
        // "dir/up|../" and the name "a.txt" for dir/up -> ../a.txt, the
        // layout other readers split links by.  ("/" is never the second
        // byte of a Shift_JIS character.)
        std::string whole = n.dir_part + n.file_part + '|' + stored.back();
        for (char &c : whole)
            if (c == '/') c = kFolderEnd;
        const std::size_t last = whole.rfind(kFolderEnd);
        n.dir_part = last == std::string::npos ? std::string() : whole.substr(0, last + 1);
        n.file_part = last == std::string::npos ? whole : whole.substr(last + 1);
    }
    // Levels 0 and 1 came from MS-DOS, whose separator is "\\"; a link's
    // target is written with it too, as readers of level 0 expect.
    for (char c : n.dir_part + n.file_part) n.level0_path += c == kFolderEnd || c == '/' ? '\\' : c;
    return true;
}

// The mode a member is stored with: its own, or one for its kind.
std::uint16_t stored_mode(const Member &m) {
    return m.unix_mode ? *m.unix_mode
           : m.kind == MemberKind::directory ? kTypeDir | 0755
           : m.kind == MemberKind::symlink   ? kTypeLink | 0777
                                             : kTypeFile | 0644;
}

std::string le_bytes(std::uint64_t v, int n) {
    std::string s(static_cast<std::size_t>(n), '\0');
    for (int i = 0; i < n; ++i) s[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

// MS-DOS date and time in local time, as levels 0 and 1 store them; the
// range is 1980 to 2107, and a time outside it is held at its nearer end.
std::uint32_t unix_to_dos_time(std::int64_t t) {
    std::tm tm{};
    const std::time_t tt = static_cast<std::time_t>(t);
    if (!localtime_r(&tt, &tm) || tm.tm_year < 80) return (1u << 21) | (1u << 16);  // 1980-01-01 00:00
    if (tm.tm_year > 207) return (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
    return (static_cast<std::uint32_t>(tm.tm_year - 80) << 25) | (static_cast<std::uint32_t>(tm.tm_mon + 1) << 21) |
           (static_cast<std::uint32_t>(tm.tm_mday) << 16) | (static_cast<std::uint32_t>(tm.tm_hour) << 11) |
           (static_cast<std::uint32_t>(tm.tm_min) << 5) | static_cast<std::uint32_t>(tm.tm_sec / 2);
}

constexpr std::uint64_t kMax32 = 0xFFFFFFFFull;

// The fields levels 0 and 1 share up to the name length, and the checksum
// over everything after the first two bytes.
std::string level01_base(const Member &m, int level, std::uint64_t packed) {
    std::string h(at::name_length, '\0');
    std::memcpy(h.data() + at::method, m.method.data(), 5);
    put32(h, at::packed, static_cast<std::uint32_t>(packed));
    put32(h, at::original, static_cast<std::uint32_t>(m.original_size));
    put32(h, at::time, unix_to_dos_time(m.mtime));
    h[at::attribute] = static_cast<char>(level == 0 && m.kind == MemberKind::directory ? 0x10 : 0x20);
    h[at::level] = static_cast<char>(level);
    return h;
}

void finish_level01(std::string &h, std::size_t base_size) {
    h[at::size] = static_cast<char>(base_size - 2);
    std::uint8_t sum = 0;
    for (std::size_t i = at::method; i < base_size; ++i) sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(h[i]));
    h[at::checksum] = static_cast<char>(sum);
}

// Level 0: the whole path in the name field; after the CRC, unless generic,
// the Unix area: 'U', its version 0, the Unix time, mode, uid and gid.
bool build_level0(const Member &m, const StoredName &n, bool generic, std::string &h, std::string &why) {
    if (generic && m.kind == MemberKind::symlink) {
        why = "a symbolic link cannot be stored in the generic format";
        return false;
    }
    const std::size_t limit = generic ? 233 : 221;  // what the size byte can count
    if (n.level0_path.size() > limit) {
        why = "the name is " + std::to_string(n.level0_path.size()) + " bytes long; a level-0 header holds " +
              std::to_string(limit) + " at most (level 1 or 2 holds it)";
        return false;
    }
    if (m.original_size > kMax32 || m.packed_size > kMax32) {
        why = "larger than a level-0 header can say (4 GiB at most; level 2 holds it)";
        return false;
    }
    h = level01_base(m, 0, m.packed_size);
    h += static_cast<char>(n.level0_path.size());
    h += n.level0_path;
    h += le_bytes(m.crc16, 2);
    if (!generic) {
        h += "U";
        h += '\0';
        h += le_bytes(static_cast<std::uint32_t>(m.mtime), 4);
        h += le_bytes(stored_mode(m), 2);
        h += le_bytes(m.uid.value_or(0), 2);
        h += le_bytes(m.gid.value_or(0), 2);
    }
    finish_level01(h, h.size());
    return true;
}

// Level 1: the file name in the base header (in an extension header when
// too long for it), the folders, code page, header CRC and Unix fields in
// extension headers, which the packed size counts.
bool build_level1(const Member &m, const StoredName &n, bool generic, std::string &h, std::string &why) {
    const bool long_name = n.file_part.size() > 230;
    std::string ext;
    std::size_t first_ext_size = 0;
    auto add_ext = [&](std::uint8_t type, const std::string &data) {
        std::string e = static_cast<char>(type) + data + std::string(2, '\0');
        const std::size_t size = e.size();
        if (ext.empty()) first_ext_size = size;
        else put16(ext, ext.size() - 2, static_cast<std::uint16_t>(size));
        ext += e;
    };
    // First, the header CRC over the base header and every extension, as
    // MS-DOS, Windows and Java writers give it: an extension chain cut short
    // anywhere after it no longer checks.
    const std::size_t header_crc_at = 1;
    add_ext(kExtCommon, std::string(2, '\0'));
    if (n.code_page) add_ext(kExtCodePage, le_bytes(n.code_page, 4));
    if (long_name) add_ext(kExtName, n.file_part);
    if (!n.dir_part.empty()) add_ext(kExtFolder, n.dir_part);
    if (!generic) {
        add_ext(kExtUnixMode, le_bytes(stored_mode(m), 2));
        add_ext(kExtUnixOwner, le_bytes(m.gid.value_or(0), 2) + le_bytes(m.uid.value_or(0), 2));
        add_ext(kExtUnixTime, le_bytes(static_cast<std::uint32_t>(m.mtime), 4));
    }
    if (n.file_part.size() + 3 > 0xFFFF || n.dir_part.size() + 3 > 0xFFFF) {
        why = "the name is too long for a header";
        return false;
    }
    if (m.original_size > kMax32 || m.packed_size + ext.size() > kMax32) {
        why = "larger than a level-1 header can say (4 GiB at most; level 2 holds it)";
        return false;
    }
    h = level01_base(m, 1, m.packed_size + ext.size());
    const std::string name = long_name ? std::string() : n.file_part;
    h += static_cast<char>(name.size());
    h += name;
    h += le_bytes(m.crc16, 2);
    h += static_cast<char>(generic ? 0 : 'U');
    h += le_bytes(first_ext_size, 2);
    const std::size_t base_size = h.size();
    finish_level01(h, base_size);
    h += ext;
    put16(h, base_size + header_crc_at, crc16(reinterpret_cast<const std::uint8_t *>(h.data()), h.size()));
    return true;
}

std::string build_level2(const Member &m, const StoredName &n, bool generic) {
    bool wide = m.original_size > 0xFFFFFFFFull || m.packed_size > 0xFFFFFFFFull;

    std::string h(kLevel2Fixed, '\0');
    std::memcpy(h.data() + at::method, m.method.data(), 5);
    put32(h, at::packed, static_cast<std::uint32_t>(m.packed_size));
    put32(h, at::original, static_cast<std::uint32_t>(m.original_size));
    put32(h, at::time, static_cast<std::uint32_t>(m.mtime));
    put16(h, at::crc, m.crc16);
    h[at::attribute] = 0x20;
    h[at::level] = 2;
    h[at::os_id] = generic ? 0 : 'U';
    std::size_t next_at = at::first_ext;  // where the size of the next extension goes
    auto add_ext = [&](std::uint8_t type, const std::string &data) {
        put16(h, next_at, static_cast<std::uint16_t>(data.size() + 3));
        h += static_cast<char>(type);
        h += data;
        next_at = h.size();
        h += std::string(2, '\0');
    };
    const std::size_t header_crc_at = h.size() + 1;
    add_ext(kExtCommon, std::string(2, '\0'));  // header CRC, filled in below
    if (n.code_page) add_ext(kExtCodePage, le_bytes(n.code_page, 4));
    add_ext(kExtName, n.file_part);
    if (!n.dir_part.empty()) add_ext(kExtFolder, n.dir_part);
    // Every member says its mode (readers that find none guess 0666 or
    // 0600), except in the generic format, which names no system.
    if (!generic) add_ext(kExtUnixMode, le_bytes(stored_mode(m), 2));
    if (wide) add_ext(kExtSizes, le_bytes(m.packed_size, 8) + le_bytes(m.original_size, 8));
    // A header whose size has a zero low byte would read as the end mark.
    if ((h.size() & 0xFF) == 0) h += '\0';
    put16(h, at::size, static_cast<std::uint16_t>(h.size()));
    put16(h, header_crc_at, crc16(reinterpret_cast<const std::uint8_t *>(h.data()), h.size()));
    return h;
}

} // namespace

std::string build_level2_header(const Member &m, bool generic) {
    StoredName n;
    std::string why;
    stored_name(m, NameCode::automatic, n, why);  // every name has an automatic form
    return build_level2(m, n, generic);
}

bool build_header(const Member &m, const HeaderFormat &format, std::string &header, std::string &why) {
    StoredName n;
    if (format.level >= 0 && format.level <= 2 && !stored_name(m, format.names, n, why)) return false;
    switch (format.level) {
    case 0: return build_level0(m, n, format.generic, header, why);
    case 1: return build_level1(m, n, format.generic, header, why);
    case 2:
        header = build_level2(m, n, format.generic);
        // The size field has 16 bits; a longer path must not wrap it.
        if (header.size() <= 0xFFFF) return true;
        why = "the name is too long for a header";
        return false;
    default:
        why = "header level " + std::to_string(format.level) + " is not written (0, 1 or 2)";
        return false;
    }
}


} // namespace lzh
