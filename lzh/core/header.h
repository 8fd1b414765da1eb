// One member header of an LZH archive: the model shared by the reader and
// the writer, the parser for header levels 0 to 3 and the writers of levels
// 0, 1 and 2.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "methods.h"
#include "names.h"

namespace lzh {

enum class MemberKind { file, directory, symlink };

struct Member {
    // Where the member lives in the archive.
    std::uint64_t header_offset = 0;  // first byte of its header
    std::uint64_t header_size = 0;    // every header byte, extension headers included
    std::uint64_t data_offset = 0;    // first byte of the packed data
    std::uint64_t packed_size = 0;    // bytes of packed data
    std::uint64_t original_size = 0;

    std::string method = "-lh0-";  // five characters
    Dialect dialect = Dialect::common;  // a writer whose data of its method is its own
    int level = 2;
    char os_id = 'U';               // 0 for a level-0 header that names no system
    std::int64_t mtime = 0;         // seconds since 1970, UTC
    std::uint16_t crc16 = 0;        // of the original data
    bool has_crc = true;            // some level-0 writers leave the CRC out
    std::uint8_t msdos_attr = 0x20;
    std::optional<std::uint16_t> unix_mode;  // permission and type bits
    std::optional<std::uint16_t> os9_attributes;  // OS-9's own, as stored; unix_mode holds their meaning
    std::optional<std::uint16_t> uid, gid;
    std::optional<std::uint32_t> code_page;  // of the stored names, when a header says

    MemberKind kind = MemberKind::file;
    // The stored path decoded to UTF-8, "/"-separated, no trailing "/"
    // (a directory's kind says what it is).  May be absolute or hold "..":
    // extraction decides what is safe.
    std::string path;
    std::string link_target;  // UTF-8, for a symbolic link

    // Its bytes in the archive, header and data.
    std::uint64_t stored_size() const { return data_offset + packed_size - header_offset; }

    // The path as the listing shows it and as commands name the member:
    // a directory's ends in "/".
    std::string display_path() const;
    // Last part of display_path().
    std::string file_name() const;
    // The member as a line about it names it: its exact name (names.h), or
    // where its header is when its name is empty.
    std::string described() const;
    // The method id as listings show it: the header's, but -lhd- for a
    // folder that its writer stored as an empty -lh0- member.
    std::string listed_method() const;
};

enum class HeaderError {
    none,
    truncated,   // the archive ends inside the header
    malformed,   // sizes or fields that cannot be right
    bad_check,   // header checksum or CRC does not match
};

// The first bytes of a header say how long the fixed part is; the parser
// asks for more through this callback, reading at absolute offsets.
class HeaderInput {
public:
    virtual ~HeaderInput() = default;
    // Fills buf with n bytes from offset; false when fewer are there.
    virtual bool read_at(std::uint64_t offset, std::uint8_t *buf, std::size_t n) = 0;
};

// Upper bound on one header's size: real headers are well under 1 KiB, and
// a lying length must not make the reader allocate without bound.
constexpr std::size_t kMaxHeaderBytes = 1 << 20;

struct ParseResult {
    HeaderError error = HeaderError::none;
    bool end_of_archive = false;  // the 0 byte (or the file's end) that closes the archive
    std::string what;             // English detail for messages
};

// Parses the header that starts at `offset`.  On success fills `m`
// (header_offset, header_size, data_offset included), its names read in
// `names` where a person names their form.
ParseResult parse_header(HeaderInput &in, std::uint64_t offset, Member &m, NameCode names = NameCode::automatic);

// True when the 5 bytes at `p` are a method id ("-lh5-", "-pm2-"): a
// header holds its own 2 bytes in.
bool is_method_id(const std::uint8_t *p);

// True when the bytes at `p` (at least 22 available) look like the start of a
// header: a method id at 2..6 and a known level.  Used to find an archive
// inside a self-extracting program; parse_header confirms.
bool looks_like_header(const std::uint8_t *p, std::size_t avail);

// How many bytes the member whose header starts at `p` takes, header and
// data, by its size fields alone, whether or not the header checks out; 0
// when fewer than 32 bytes are available or its level is unknown.  Tells a
// damaged header from code that happens to hold a method id: its member
// ends where the next header begins.
std::uint64_t claimed_member_size(const std::uint8_t *p, std::size_t avail);

// How a writer stores headers: the level, whether in the generic format,
// which names no system (no OS id, no Unix mode, owner or time), and the
// form of the names.
struct HeaderFormat {
    int level = 2;  // 0, 1 or 2
    bool generic = false;
    NameCode names = NameCode::automatic;
};

// The header for `m` (path, kind, method, sizes, mtime, crc16, unix_mode,
// uid, gid, link target) at `format`.  Names are stored as names.h says
// (in `format.names` where a person named it: a name with no form there is
// refused); levels 1 and 2 say in which code page where one says it
// (Shift_JIS, UTF-8), and, unless generic, every member
// carries a Unix mode (one for its kind when `m` has none).  Level 0 stores
// the whole path with "\" as separator, levels 1 and 2 the folders apart;
// levels 0 and 1 store MS-DOS local time beside the Unix time.  False with
// `why` when the level cannot hold the member: a name too long for level 0
// (221 bytes, 233 generic) or for a header at all, a size past 32 bits at
// levels 0 and 1, a link in the generic format.  Nothing is ever cut.
// The size fields hold m.packed_size and m.original_size; a writer builds
// the header again once the data is written (its length stays the same).
bool build_header(const Member &m, const HeaderFormat &format, std::string &header, std::string &why);

// A level-2 header for `m`, with its header CRC (build_header at level 2).
std::string build_level2_header(const Member &m, bool generic = false);

} // namespace lzh
