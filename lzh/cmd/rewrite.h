// Changing an archive without ever changing it in place: the new archive is
// written beside the old one, flushed to disk and renamed over it, so a
// failure at any point (a full disk, a damaged member, a crash) leaves the
// old archive whole.  The new file is a temporary (platform.h) named
// ".ARCHIVE.unlha-XXXXXX"; one that a killed writer left is removed by the
// next writer of that archive.
#pragma once

#include "archive.h"
#include "file_io.h"
#include "platform.h"
#include "progress.h"
#include "writer_lock.h"

#include <cstdint>
#include <memory>
#include <string>

namespace lzh {

class ArchiveRewrite {
public:
    ArchiveRewrite() = default;
    ~ArchiveRewrite();
    ArchiveRewrite(const ArchiveRewrite &) = delete;
    ArchiveRewrite &operator=(const ArchiveRewrite &) = delete;

    // Takes the writer lock of `target` (writer_lock.h), removes what
    // killed writers of it left, then starts a new file that will replace
    // it (created if missing).  Call it before the old archive is read.  A
    // target that is a symbolic link is replaced where the link points.
    // UNLHA_OK, else the lock's result (writer_lock.h) or UNLHA_ERR_WRITE.
    UnlhaResult begin(const std::string &target, std::string &why);

    // Appends bytes, or a region of another file copied as it is.
    bool write(const void *data, std::size_t n, std::string &why);
    // A copy counts as work of `progress`, and stops when it is stopped.
    bool copy_from(int fd, std::uint64_t offset, std::uint64_t length, std::string &why, Progress *progress = nullptr);
    // Copies an old member as it is, header and data, as one member of
    // `progress`.  False with `why` when its data runs past the archive's end.
    bool copy_member(const ArchiveReader &reader, const Member &m, Progress &progress, std::string &why);

    // Where the next byte goes, and random access for headers patched once
    // their member is written.
    std::uint64_t position() const { return base_ + sink_->count(); }
    bool write_at(std::uint64_t offset, const void *data, std::size_t n, std::string &why);
    // Drops everything from `offset` on (a member to be written again).
    bool truncate(std::uint64_t offset, std::string &why);
    ByteSink &sink() { return *sink_; }  // streaming writes; position() follows them
    bool sync_sink(std::string &why);    // flushes what the sink holds

    // Whether `id` is the new file itself.
    bool is_new_file(const platform::FileId &id) const;

    // Starts the new archive with what precedes the old one's first header
    // (a self-extractor's program part), byte for byte.
    bool start_archive(const ArchiveReader &old, std::string &why);
    // Ends the new archive: the end mark, then whatever followed the old
    // archive's end mark (`old` read to its end without error; none for an
    // archive made anew), byte for byte, so that a rewrite drops nothing it
    // does not own.
    bool end_archive(const ArchiveReader *old, std::string &why);

    // Flushes, gives the file its mode (and the owner where this process
    // may: platform::give_access), and renames it over the target.
    bool commit(const platform::FileAccess &access, std::string &why);

private:
    std::string describe_error(int err) const;
    WriterLock lock_;  // released after the temporary file is gone
    std::string target_;
    platform::TempFile temp_;
    int dir_fd_ = -1;
    std::uint64_t base_ = 0;  // file offset where the current sink began
    std::unique_ptr<FdSink> sink_;
};

} // namespace lzh
