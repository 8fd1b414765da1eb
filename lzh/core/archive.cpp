#include "archive.h"

#include "file_io.h"
#include "program_part.h"
#include "platform.h"

#include <algorithm>
#include <cstring>

namespace lzh {
namespace {
constexpr std::size_t kCacheBytes = 16 * 1024;
// A self-extractor may carry a small archive of its own (a usage text)
// ahead of the real one; one that ends this far or further before the
// file's end gives way to an archive after it.
constexpr std::uint64_t kTrailingSlack = 1024;
} // namespace

ArchiveReader::~ArchiveReader() {
    if (fd_ >= 0) platform::close_file(fd_);
}

bool ArchiveReader::read_file(std::uint64_t offset, std::uint8_t *buf, std::size_t n) {
    if (!read_fully_at(fd_, offset, buf, n)) return false;
    bytes_read_ += n;
    return true;
}

bool ArchiveReader::read_at(std::uint64_t offset, std::uint8_t *buf, std::size_t n) {
    if (offset > size_ || n > size_ - offset) return false;
    if (n == 0) return true;  // an empty file has no cache to copy from
    if (n > kCacheBytes) return read_file(offset, buf, n);
    if (offset < cache_off_ || offset + n > cache_off_ + cache_.size()) {
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kCacheBytes, size_ - offset));
        cache_.resize(want);
        if (!read_file(offset, cache_.data(), want)) {
            cache_.clear();
            return false;
        }
        cache_off_ = offset;
    }
    std::memcpy(buf, cache_.data() + (offset - cache_off_), n);
    return true;
}

UnlhaResult ArchiveReader::fail(UnlhaResult code, std::string message) {
    code_ = code;
    message_ = std::move(message);
    return code_;
}

UnlhaResult ArchiveReader::open(const std::string &path, NameCode names) {
    names_ = names;
    // Anything but a regular file is refused at once, a named pipe too.
    platform::OpenedFile file = platform::open_regular(path);
    if (file.fd < 0) {
        code_ = UNLHA_ERR_ARCHIVE;
        message_ = path + ": " + file.why();
        return code_;
    }
    fd_ = file.fd;
    size_ = file.size;
    std::uint8_t b[7];
    // The end mark alone is an archive with no members, as "d" leaves one;
    // an empty file is no archive at all.
    if (size_ == 1 && read_at(0, b, 1) && b[0] == 0) {
        done_ = true;
        return UNLHA_OK;
    }
    // A method id where the first header has its own: the archive starts
    // here, and a header that does not parse is damage at offset 0.
    if (size_ >= sizeof b && read_at(0, b, sizeof b) && is_method_id(b + 2)) {
        Member m;
        if (header_at(0, m)) return UNLHA_OK;
        return fail(UNLHA_ERR_FORMAT, path + ": " + message_);
    }
    const ProgramPart program = find_program_part(*this, size_);
    if (program.kind != ProgramKind::none) {
        switch (search_window(program.search_from, program.end_known, false)) {
        case Found::archive: return UNLHA_OK;
        case Found::damage: return fail(UNLHA_ERR_FORMAT, path + ": " + message_);
        case Found::none: break;
        }
    }
    return fail(UNLHA_ERR_FORMAT, path + ": not an LZH archive");
}

bool ArchiveReader::header_at(std::uint64_t offset, Member &m) {
    ParseResult r = parse_header(*this, offset, m, names_);
    if (r.error == HeaderError::none && r.end_of_archive && end_mark_hides_header(offset))
        r = {HeaderError::malformed, false, "its size byte is 0"};
    if (r.error != HeaderError::none) {
        fail(UNLHA_ERR_FORMAT, "damaged header at offset " + std::to_string(offset) + ": " + r.what);
        return false;
    }
    return !r.end_of_archive;
}

// A 0 where a header begins ends the archive, unless a method id follows
// where a header has it: then it is a header whose size byte was lost, and
// the members after it must not vanish without a word.
bool ArchiveReader::end_mark_hides_header(std::uint64_t offset) {
    std::uint8_t b[7];
    return read_at(offset, b, sizeof b) && is_method_id(b + 2);
}

// A header at `offset` counts as the archive's start only when it parses,
// its data lies inside the file and what follows the data is another header,
// the end mark or the end of the file: a program's code holds method names
// that could otherwise pass for a header.
bool ArchiveReader::plausible_archive_at(std::uint64_t offset) {
    Member m;
    ParseResult r = parse_header(*this, offset, m);
    if (r.error != HeaderError::none || r.end_of_archive) return false;
    if (m.data_offset > size_ || m.packed_size > size_ - m.data_offset) return false;
    std::uint64_t after = m.data_offset + m.packed_size;
    if (after == size_) return true;
    Member n;
    ParseResult r2 = parse_header(*this, after, n);
    return r2.error == HeaderError::none;
}

// Where the archive at `offset` has its end mark, when it has one within the
// search window; 0 otherwise (it runs on, or is damaged).
std::uint64_t ArchiveReader::closed_archive_end(std::uint64_t offset) {
    const std::uint64_t limit = offset + kProgramSearchBytes;
    Member m;
    while (offset < limit) {
        ParseResult r = parse_header(*this, offset, m);
        if (r.error != HeaderError::none) return 0;
        if (r.end_of_archive) return offset < size_ ? offset : 0;
        std::uint64_t after = m.data_offset + m.packed_size;
        if (after <= offset || after > size_) return 0;
        offset = after;
    }
    return 0;
}

// Looks for the archive in the window that starts at `from`.  After a
// program whose end its format gives, the archive starts there, after
// zero bytes at most.  Inside code, the first header that parses and runs
// on is the archive, unless a header-like place before it that does not
// parse claims a member that ends right there (a damaged first header); a
// small archive of the program's own gives way to one after it (`nested`,
// searched once), where a header-like place that does not parse is damage.
ArchiveReader::Found ArchiveReader::search_window(std::uint64_t from, bool end_known, bool nested) {
    if (from >= size_) return Found::none;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kProgramSearchBytes + 22, size_ - from));
    std::vector<std::uint8_t> buf(n);
    if (!read_file(from, buf.data(), n)) return Found::none;
    const std::size_t limit = static_cast<std::size_t>(std::min<std::uint64_t>(kProgramSearchBytes, n));
    if (end_known) {
        std::size_t i = 0;
        while (i < limit && buf[i] == 0) ++i;
        if (i == 1 && n == 1) {  // the end mark alone: a self-extractor of no members
            first_ = pos_ = from;
            return Found::archive;
        }
        if (i == limit || n - i < 7 || !is_method_id(buf.data() + i + 2)) return Found::none;
        Member m;
        if (!header_at(from + i, m)) return code_ ? Found::damage : Found::none;
        first_ = pos_ = from + i;
        return Found::archive;
    }
    // A header has its method id 2 bytes in, and it begins with "-".
    const std::size_t last = std::min(limit, n > 2 ? n - 2 : 0);
    std::vector<std::size_t> unparsed;  // header-like places that did not parse
    for (std::size_t i = 0; i < last; ++i) {
        const void *dash = std::memchr(buf.data() + i + 2, '-', last - i);
        if (!dash) break;
        i = static_cast<std::size_t>(static_cast<const std::uint8_t *>(dash) - buf.data()) - 2;
        if (n - i < 22 || !looks_like_header(buf.data() + i, n - i)) continue;
        if (!plausible_archive_at(from + i)) {
            unparsed.push_back(i);
            continue;
        }
        // One whose member, by its sizes, ends right here was the archive's
        // first header, damaged: the archive does not start at this one.
        for (std::size_t u : unparsed)
            if (u + claimed_member_size(buf.data() + u, n - u) == i) return damage_at(from + u);
        const std::uint64_t end = nested ? 0 : closed_archive_end(from + i);
        if (end != 0 && end + kTrailingSlack < size_) {
            const Found later = search_window(end + 1, false, true);
            if (later != Found::none) return later;
        }
        first_ = pos_ = from + i;
        return Found::archive;
    }
    // Past a program's own small archive, what looks like a header and
    // does not parse is the real archive's first header, damaged.
    return nested && !unparsed.empty() ? damage_at(from + unparsed.front()) : Found::none;
}

// The header at `offset` is damage, whether or not it parses on its own
// (it may, and still not run on to another header).
ArchiveReader::Found ArchiveReader::damage_at(std::uint64_t offset) {
    Member m;
    if (header_at(offset, m)) fail(UNLHA_ERR_FORMAT, "damaged header at offset " + std::to_string(offset));
    return Found::damage;
}

void ArchiveReader::rewind() {
    pos_ = first_;
    done_ = false;
    cut_short_.clear();
    code_ = UNLHA_OK;
    message_.clear();
}

bool ArchiveReader::next(Member &m) {
    if (done_ || code_ != 0) return false;
    if (!cut_short_.empty()) {
        // The member before ran past the end: the archive stops there.
        code_ = UNLHA_ERR_FORMAT;
        message_ = "the archive ends inside the data of " + cut_short_ + "; it is cut short or damaged";
        done_ = true;
        return false;
    }
    if (!header_at(pos_, m)) {
        done_ = true;
        return false;
    }
    // A member whose data runs past the end is listed (extracting it fails);
    // the next call reports the damage.
    std::uint64_t after = m.data_offset + m.packed_size;
    if (after < m.data_offset || after > size_) {
        cut_short_ = m.described() + (m.path.empty() ? "" : " (header at offset " + std::to_string(m.header_offset) + ")");
        pos_ = size_;
    } else {
        pos_ = after;
    }
    return true;
}

} // namespace lzh
