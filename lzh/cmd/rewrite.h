// Changing an archive without ever changing it in place: the new archive is
// written beside the old one, flushed to disk and renamed over it, so a
// failure at any point (a full disk, a damaged member, a crash) leaves the
// old archive whole.
#pragma once

#include "file_io.h"

#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>

namespace lzh {

class ArchiveRewrite {
public:
    ArchiveRewrite();
    ~ArchiveRewrite();  // removes the new file unless committed
    ArchiveRewrite(const ArchiveRewrite &) = delete;
    ArchiveRewrite &operator=(const ArchiveRewrite &) = delete;

    // Starts a new file that will replace `target` (created if missing).
    // A target that is a symbolic link is replaced where the link points.
    bool begin(const std::string &target, std::string &why);

    // Appends bytes, or a region of another file copied as it is.
    bool write(const void *data, std::size_t n, std::string &why);
    bool copy_from(int fd, std::uint64_t offset, std::uint64_t length, std::string &why);

    // Where the next byte goes, and random access for headers patched once
    // their member is written.
    std::uint64_t position() const { return pos_; }
    bool write_at(std::uint64_t offset, const void *data, std::size_t n, std::string &why);
    // Drops everything from `offset` on (a member to be written again).
    bool truncate(std::uint64_t offset, std::string &why);
    ByteSink &sink();                    // streaming writes; position() follows them
    bool sync_sink(std::string &why);    // after streaming: flush and take the position

    // Flushes, gives the file `mode`, and renames it over the target.
    bool commit(mode_t mode, std::string &why);

    const std::string &target() const { return target_; }

private:
    std::string describe_error(int err) const;
    class CountingSink;
    std::string target_, temp_;
    int fd_ = -1, dir_fd_ = -1;
    std::uint64_t pos_ = 0;
    std::unique_ptr<CountingSink> sink_;
    bool committed_ = false;
};

} // namespace lzh
