#include "archive.h"

#include "file_io.h"
#include "names.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lzh {
namespace {
constexpr std::size_t kCacheBytes = 16 * 1024;
constexpr std::size_t kScanChunk = 256 * 1024;
// Bytes a self-extracting file may carry after its archive's end mark.
constexpr std::uint64_t kTrailingSlack = 1024;

std::uint64_t rd(const std::uint8_t *p, int n) {
    std::uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}
} // namespace

ArchiveReader::~ArchiveReader() {
    if (fd_ >= 0) ::close(fd_);
}

bool ArchiveReader::read_at(std::uint64_t offset, std::uint8_t *buf, std::size_t n) {
    if (offset > size_ || n > size_ - offset) return false;
    if (n == 0) return true; // an empty file has no cache to copy from
    if (n > kCacheBytes) return read_fully_at(fd_, offset, buf, n);
    if (offset < cache_off_ || offset + n > cache_off_ + cache_.size()) {
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kCacheBytes, size_ - offset));
        cache_.resize(want);
        if (!read_fully_at(fd_, offset, cache_.data(), want)) {
            cache_.clear();
            return false;
        }
        cache_off_ = offset;
    }
    std::memcpy(buf, cache_.data() + (offset - cache_off_), n);
    return true;
}

UnlhaResult ArchiveReader::open(const std::string &path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        code_ = UNLHA_ERR_ARCHIVE;
        message_ = path + ": " + error_text(errno);
        return code_;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        code_ = UNLHA_ERR_ARCHIVE;
        message_ = path + ": not a regular file";
        return code_;
    }
    size_ = static_cast<std::uint64_t>(st.st_size);
    std::uint8_t first = 1;
    // The end mark alone is an archive with no members, as "d" leaves one;
    // an empty file is no archive at all.
    if (size_ == 1 && read_at(0, &first, 1) && first == 0) {
        done_ = true;
        return UNLHA_OK;
    }
    std::uint8_t b[22];
    if (read_at(0, b, std::min<std::uint64_t>(sizeof b, size_)) && size_ >= sizeof b && looks_like_header(b, sizeof b)) {
        Member m;
        if (header_at(0, m)) {
            first_ = pos_ = 0;
            return UNLHA_OK;
        }
    }
    code_ = UNLHA_OK;
    if (scan_for_archive(executable_end()) || scan_for_archive(0)) return UNLHA_OK;
    code_ = UNLHA_ERR_FORMAT;
    message_ = path + ": not an LZH archive";
    return code_;
}

bool ArchiveReader::header_at(std::uint64_t offset, Member &m) {
    ParseResult r = parse_header(*this, offset, m);
    if (r.error != HeaderError::none) {
        code_ = UNLHA_ERR_FORMAT;
        message_ = "damaged header at offset " + std::to_string(offset) + ": " + r.what;
        return false;
    }
    return !r.end_of_archive;
}

// A header at `offset` counts as the archive's start only when it parses,
// its data lies inside the file and what follows the data is another header,
// the end mark or the end of the file: a self-extractor's code holds method
// names that could otherwise pass for a header.
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

std::uint64_t ArchiveReader::members_end(std::uint64_t offset) {
    Member m;
    for (;;) {
        ParseResult r = parse_header(*this, offset, m);
        if (r.error != HeaderError::none || r.end_of_archive) return offset;
        std::uint64_t after = m.data_offset + m.packed_size;
        if (after <= offset || after > size_) return size_;
        offset = after;
    }
}

bool ArchiveReader::scan_for_archive(std::uint64_t from) {
    if (from >= size_) return false;
    std::vector<std::uint8_t> buf(kScanChunk + 32);
    for (std::uint64_t base = from; base < size_; base += kScanChunk) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(buf.size(), size_ - base));
        if (!read_fully_at(fd_, base, buf.data(), n)) return false;
        std::size_t limit = std::min<std::size_t>(n, kScanChunk);
        for (std::size_t i = 2; i < limit + 2 && i < n; ++i) {
            const void *hit = std::memchr(buf.data() + i, '-', std::min(limit + 2, n) - i);
            if (!hit) break;
            i = static_cast<std::size_t>(static_cast<const std::uint8_t *>(hit) - buf.data());
            std::size_t cand = i - 2;
            if (cand >= limit) break;
            if (n - cand >= 22 && looks_like_header(buf.data() + cand, n - cand) && plausible_archive_at(base + cand)) {
                // A self-extractor may carry a small archive of its own (a
                // usage text) ahead of the real one: prefer a later archive
                // when this one stops well short of the file's end.
                std::uint64_t end = members_end(base + cand);
                if (end + kTrailingSlack < size_ && scan_for_archive(end)) return true;
                first_ = pos_ = base + cand;
                return true;
            }
        }
    }
    return false;
}

// Where the program part of an ELF executable ends: our own self-extractor
// is one, and scanning its code for headers is slow and error-prone.
std::uint64_t ArchiveReader::executable_end() const {
    std::uint8_t e[64];
    if (size_ < sizeof e || !read_fully_at(fd_, 0, e, sizeof e) || std::memcmp(e, "\x7f" "ELF", 4) != 0 || e[5] != 1)
        return UNLHA_OK;
    bool is64 = e[4] == 2;
    std::uint64_t shoff = is64 ? rd(e + 0x28, 8) : rd(e + 0x20, 4);
    std::uint64_t shentsize = is64 ? rd(e + 0x3A, 2) : rd(e + 0x2E, 2);
    std::uint64_t shnum = is64 ? rd(e + 0x3C, 2) : rd(e + 0x30, 2);
    std::uint64_t end = shoff + shentsize * shnum;
    return end <= size_ ? end : 0;
}

void ArchiveReader::rewind() {
    pos_ = first_;
    done_ = size_ == 1;
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
        cut_short_ = exact_name(m.display_path()) + " (header at offset " + std::to_string(m.header_offset) + ")";
        pos_ = size_;
    } else {
        pos_ = after;
    }
    return true;
}

} // namespace lzh
