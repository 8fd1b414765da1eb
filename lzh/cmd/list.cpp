#include "list.h"

#include "archive.h"
#include "match.h"

#include <cstdio>
#include <ctime>
#include <sys/stat.h>

namespace lzh {
namespace {

constexpr const char *kTitles = "  Name          Original    Packed  Ratio   Date     Time   Method CRC  Path";
constexpr const char *kSeparator = "--------------  --------  -------- ------ -------- -------- ----- ---- ----";

// The name field is for the eye: control characters, double quotes and
// bytes that are no part of a character show as "?".  Commands take a
// member's exact name from the path column.
std::string printable(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto u = static_cast<unsigned char>(s[i]);
        const std::size_t len = utf8_char_length(s, i);
        if (len == 0 || u < 0x20 || u == 0x7F || s[i] == '"') {
            out += '?';
            ++i;
        } else {
            out.append(s.substr(i, len));
            i += len;
        }
    }
    return out;
}

// Cuts or pads to `width` UTF-16 code units, never splitting a character.
std::string fit_utf16(std::string_view s, std::size_t width) {
    std::string out;
    std::size_t units = 0, i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
        std::size_t u = len == 4 ? 2 : 1;
        if (units + u > width || i + len > s.size()) break;
        out.append(s.substr(i, len));
        units += u;
        i += len;
    }
    out.append(width - units, ' ');
    return out;
}

std::string right(const std::string &s, std::size_t width) {
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

std::string ratio(SizeTotal packed, SizeTotal original) {
    if (original == 0) return "******";
    long double r = static_cast<long double>(packed) * 100.0L / static_cast<long double>(original);
    if (r > 999.9L) return "******";
    char buf[16];
    std::snprintf(buf, sizeof buf, "%5.1Lf%%", r);
    return right(buf, 6);
}

std::string date_time(std::int64_t t) {
    std::time_t tt = static_cast<std::time_t>(t);
    std::tm tm{};
    if (!localtime_r(&tt, &tm)) return "00-00-00 00:00:00";
    char buf[32];
    std::strftime(buf, sizeof buf, "%y-%m-%d %H:%M:%S", &tm);
    return buf;
}

// A size stands right-aligned in its 8 columns.  One of more than 8 digits
// shows there in binary units (K = 1024 bytes, M, G, T, P), rounded up, and
// the line then ends with its exact sizes: columns never move.
constexpr std::size_t kSizeWidth = 8;
bool fits(SizeTotal v) { return v < 100000000u; }

std::string decimal(SizeTotal v) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
        v /= 10;
    } while (v);
    return digits;
}

std::string size_field(SizeTotal v) {
    if (fits(v)) return right(decimal(v), kSizeWidth);
    // Seven digits and the unit; 2^64 bytes are 16384P.
    for (const char *u = "KMGTP"; *u; ++u) {
        v = (v >> 10) + ((v & 1023) != 0);
        if (v < 10000000u) return right(decimal(v) + *u, kSizeWidth);
    }
    return "********";
}

std::string sizes(SizeTotal original, SizeTotal packed) {
    return "  " + size_field(original) + "  " + size_field(packed);
}

std::string exact_sizes(SizeTotal original, SizeTotal packed) {
    if (fits(original) && fits(packed)) return {};
    std::string tail(1, '\t');
    return tail.append(decimal(original)).append(1, ' ').append(decimal(packed));
}

} // namespace

std::string listing_line(const Member &m) {
    char crc[8];
    std::snprintf(crc, sizeof crc, "%04X", m.crc16);
    return "  " + fit_utf16(printable(m.file_name()), 12) + sizes(m.original_size, m.packed_size) + " " +
           ratio(m.packed_size, m.original_size) + " " + date_time(m.mtime) + " " + printable(m.listed_method()) + " " +
           (m.has_crc ? crc : "----") + " " + exact_name(m.display_path()) + exact_sizes(m.original_size, m.packed_size);
}

std::string listing_summary(std::uint64_t count, SizeTotal original, SizeTotal packed, std::int64_t mtime) {
    return "  " + right(std::to_string(count) + " files", 12) + sizes(original, packed) + " " + ratio(packed, original) +
           " " + date_time(mtime) + exact_sizes(original, packed);
}

UnlhaResult list_archive(const std::string &archive, Output &out, ProgressWatcher *watcher, NameCode name_code) {
    Report report(out);
    Progress progress('l', watcher);
    ArchiveReader reader;
    if (UnlhaResult rc = reader.open(archive, name_code)) {
        report.fail(rc, reader.error());
        return report.result();
    }
    // The work: the archive read through, header by header.
    MemberMatcher everything({});
    const std::uint64_t size = reader.size();
    WorkPlan plan = plan_work(reader, everything, [size](const Member &m, bool) {
        return std::optional<std::uint64_t>(std::min(m.stored_size(), size - m.header_offset));
    });
    progress.plan(plan.members, plan.bytes);
    out.line(kTitles);
    out.line(kSeparator);
    std::uint64_t count = 0;
    SizeTotal original = 0, packed = 0;
    Member m;
    while (reader.next(m)) {
        const std::string line = listing_line(m);
        if (!progress.begin(exact_name(m.display_path()), &m)) break;
        progress.work(std::min(m.stored_size(), size - m.header_offset));
        progress.end(MemberOutcome::done);
        out.line(line);
        ++count;
        original += m.original_size;
        packed += m.packed_size;
    }
    if (progress.stopped()) {
        report.stopped(archive + ": stopped");
        return report.result();
    }
    out.line(kSeparator);
    struct stat st {};
    std::int64_t when = ::fstat(reader.fd(), &st) == 0 ? static_cast<std::int64_t>(st.st_mtime) : 0;
    out.line(listing_summary(count, original, packed, when));
    if (reader.error_code()) report.fail(reader.error_code(), archive + ": " + reader.error());
    return report.result();
}

} // namespace lzh
