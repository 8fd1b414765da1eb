#include "rewrite.h"

#include "match.h"

#include <cerrno>
#include <vector>

namespace lzh {
namespace {
constexpr std::string_view kTemporaryTag = ".unlha-";
}

ArchiveRewrite::~ArchiveRewrite() {
    if (dir_fd_ >= 0) platform::close_file(dir_fd_);
}

std::string ArchiveRewrite::describe_error(int err) const { return "cannot write " + target_ + ": " + error_text(err); }

UnlhaResult ArchiveRewrite::begin(const std::string &target, std::string &why) {
    if (UnlhaResult rc = lock_.acquire(target, why)) return rc;
    target_ = real_target(target);  // through a link to the real file
    std::size_t slash = target_.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target_.substr(0, slash));
    std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    const std::string prefix = platform::temporary_prefix(name, kTemporaryTag);
    dir_fd_ = platform::open_folder(dir);  // not in a folder we may not read: then no sweep and no sync
    // The lock is ours, so no live writer of this archive has a temporary:
    // any there is what a killed one left.  A longer name is cut in the
    // temporary's, so its temporaries may be another archive's.
    if (dir_fd_ >= 0 && !lock_.unlocked_new() && name.size() <= platform::kMaxTemporaryBase)
        platform::remove_abandoned(dir_fd_, [&](std::string_view n) { return platform::is_temporary(n, prefix); });
    if (!temp_.create(platform::kCurrentFolder, dir + "/" + prefix)) {
        why = "cannot create a new archive in " + dir + ": " + error_text(errno);
        return UNLHA_ERR_WRITE;
    }
    sink_ = std::make_unique<FdSink>(temp_.fd());
    return UNLHA_OK;
}

bool ArchiveRewrite::write(const void *data, std::size_t n, std::string &why) {
    if (sink_->write(static_cast<const std::uint8_t *>(data), n)) return true;
    why = describe_error(sink_->error());
    return false;
}

bool ArchiveRewrite::copy_from(int fd, std::uint64_t offset, std::uint64_t length, std::string &why, Progress *progress) {
    std::vector<std::uint8_t> buf(static_cast<std::size_t>(std::min<std::uint64_t>(length, 256 * 1024)));
    while (length > 0) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length, buf.size()));
        if (!read_fully_at(fd, offset, buf.data(), n)) {
            why = "the archive ends inside a member";
            return false;
        }
        if (!write(buf.data(), n, why)) return false;
        if (progress && !progress->work(n)) {
            why = "stopped";
            return false;
        }
        offset += n;
        length -= n;
    }
    return true;
}

bool ArchiveRewrite::copy_member(const ArchiveReader &reader, const Member &m, Progress &progress, std::string &why) {
    if (!progress.begin(exact_name(m.display_path()), &m, MemberWork::copy)) return false;
    bool ok = m.data_offset + m.packed_size <= reader.size();
    if (!ok) why = exact_name(m.display_path()) + ": the archive ends inside this member";
    ok = ok && copy_from(reader.fd(), m.header_offset, m.stored_size(), why, &progress);
    progress.end(ok ? MemberOutcome::done : MemberOutcome::failed);
    return ok;
}

bool ArchiveRewrite::start_archive(const ArchiveReader &old, std::string &why) {
    return copy_from(old.fd(), 0, old.first_header(), why);
}

bool ArchiveRewrite::end_archive(const ArchiveReader *old, std::string &why) {
    const char end_mark = 0;
    if (!write(&end_mark, 1, why)) return false;
    if (!old) return true;
    return copy_from(old->fd(), old->trailer_offset(), old->size() - old->trailer_offset(), why);
}

bool ArchiveRewrite::sync_sink(std::string &why) {
    if (sink_->flush()) return true;
    why = describe_error(sink_->error());
    return false;
}

bool ArchiveRewrite::write_at(std::uint64_t offset, const void *data, std::size_t n, std::string &why) {
    if (!sync_sink(why)) return false;
    if (write_fully_at(temp_.fd(), offset, data, n)) return true;
    why = describe_error(errno);
    return false;
}

bool ArchiveRewrite::truncate(std::uint64_t offset, std::string &why) {
    if (!sync_sink(why)) return false;
    if (!platform::cut_file(temp_.fd(), offset)) {
        why = describe_error(errno);
        return false;
    }
    base_ = offset;
    sink_ = std::make_unique<FdSink>(temp_.fd());
    return true;
}

bool ArchiveRewrite::is_new_file(const platform::FileId &id) const {
    return temp_.fd() >= 0 && platform::file_id(temp_.fd()) == id;
}

bool ArchiveRewrite::commit(const platform::FileAccess &access, std::string &why) {
    if (!sync_sink(why)) return false;
    if (!platform::give_access(temp_.fd(), access) || !platform::flush_to_disk(temp_.fd())) {
        why = describe_error(errno);
        return false;
    }
    // Without the lock (see WriterLock::unlocked_new) an archive that
    // another writer made meanwhile is not replaced.
    if (!temp_.place(platform::kCurrentFolder, target_, !lock_.unlocked_new())) {
        why = errno == EEXIST ? target_ + ": another program made this archive meanwhile; nothing changed"
                              : describe_error(errno);
        return false;
    }
    if (dir_fd_ >= 0) platform::flush_to_disk(dir_fd_);  // the rename itself reaches the disk
    return true;
}

} // namespace lzh
