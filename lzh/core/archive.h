// Reading an LZH archive member by member, also when it sits inside a
// self-extracting program.  Headers are read on demand: memory stays flat
// however many members the archive holds.  Nothing is taken on trust: an
// archive starts at offset 0 or right after a self-extractor's program
// part (program_part.h), and a header that is there but does not parse is
// damage, never a reason to look further for another.
#pragma once

#include "header.h"
#include "unlha32.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lzh {

class ArchiveReader : public HeaderInput {
public:
    ArchiveReader() = default;
    ~ArchiveReader() override;
    ArchiveReader(const ArchiveReader &) = delete;
    ArchiveReader &operator=(const ArchiveReader &) = delete;

    // Opens `path` and finds its first header.  Returns UNLHA_OK, or
    // UNLHA_ERR_ARCHIVE (missing or unreadable) or UNLHA_ERR_FORMAT (not an
    // LZH archive, an empty file included, or a first header that is
    // damaged, its offset named) with error() saying why.  The end mark
    // alone is an archive with no members.  Reads a bounded part of the
    // file, whatever its size.  Names are read in `names` where a person
    // named their form (names.h).
    UnlhaResult open(const std::string &path, NameCode names = NameCode::automatic);

    // The next member; false at the end of the archive (error_code() 0), or
    // with UNLHA_ERR_FORMAT and error() saying where it stopped, at a
    // damaged header or after a member whose data runs past the file's end.
    bool next(Member &m);

    // Back to the first member, for a second pass.
    void rewind();

    UnlhaResult error_code() const { return code_; }
    const std::string &error() const { return message_; }

    int fd() const { return fd_; }
    std::uint64_t size() const { return size_; }
    // Offset of the first header: non-zero inside a self-extracting program.
    std::uint64_t first_header() const { return first_; }
    // After next() returned false without error: where the members end (the
    // end mark or the end of the file).
    std::uint64_t end_offset() const { return pos_; }
    // After next() returned false without error: where what follows the
    // end mark begins (a rewrite keeps it); the file's size when nothing does.
    std::uint64_t trailer_offset() const { return pos_ < size_ ? pos_ + 1 : size_; }

    bool read_at(std::uint64_t offset, std::uint8_t *buf, std::size_t n) override;

    // Bytes read from the file through this reader (headers and the search
    // for the archive; member data is read through fd()).
    std::uint64_t bytes_read() const { return bytes_read_; }

private:
    enum class Found { archive, none, damage };
    UnlhaResult fail(UnlhaResult code, std::string message);
    bool header_at(std::uint64_t offset, Member &m);
    bool end_mark_hides_header(std::uint64_t offset);
    bool plausible_archive_at(std::uint64_t offset);
    Found search_window(std::uint64_t from, bool end_known, bool nested);
    Found damage_at(std::uint64_t offset);
    std::uint64_t closed_archive_end(std::uint64_t offset);
    bool read_file(std::uint64_t offset, std::uint8_t *buf, std::size_t n);

    int fd_ = -1;
    std::uint64_t size_ = 0, first_ = 0, pos_ = 0;
    UnlhaResult code_ = UNLHA_OK;
    std::string message_;
    bool done_ = false;
    std::string cut_short_;  // the member whose data ran past the end
    // A small read cache: headers are read in several pieces.
    std::vector<std::uint8_t> cache_;
    std::uint64_t cache_off_ = 0;
    std::uint64_t bytes_read_ = 0;
    NameCode names_ = NameCode::automatic;
};

} // namespace lzh
