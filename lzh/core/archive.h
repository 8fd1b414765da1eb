// Reading an LZH archive member by member, also when it sits inside a
// self-extracting program.  Headers are read on demand: memory stays flat
// however many members the archive holds.
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

    // Opens `path` and finds its first header.  Returns 0, or the library's
    // result (2: missing or unreadable, 3: not an LZH archive) with error()
    // saying why.  An empty file is an archive with no members.
    UnlhaResult open(const std::string &path);

    // The next member; false at the end of the archive (error_code() 0) or
    // at a damaged header (error_code() 3, error() says what).
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

    bool read_at(std::uint64_t offset, std::uint8_t *buf, std::size_t n) override;

private:
    bool header_at(std::uint64_t offset, Member &m);
    bool plausible_archive_at(std::uint64_t offset);
    bool scan_for_archive(std::uint64_t from);
    std::uint64_t members_end(std::uint64_t offset);
    std::uint64_t executable_end() const;

    int fd_ = -1;
    std::uint64_t size_ = 0, first_ = 0, pos_ = 0;
    UnlhaResult code_ = UNLHA_OK;
    std::string message_;
    bool done_ = false;
    // A small read cache: headers are read in several pieces.
    std::vector<std::uint8_t> cache_;
    std::uint64_t cache_off_ = 0;
};

} // namespace lzh
