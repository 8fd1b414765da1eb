#include "rewrite.h"

#include "match.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace lzh {

ArchiveRewrite::~ArchiveRewrite() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
    if (dir_fd_ >= 0) ::close(dir_fd_);
}

std::string ArchiveRewrite::describe_error(int err) const { return "cannot write " + target_ + ": " + error_text(err); }

bool ArchiveRewrite::begin(const std::string &target, std::string &why) {
    if (!lock_.acquire(target, why)) return false;
    target_ = real_target(target);  // through a link to the real file
    std::size_t slash = target_.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : target_.substr(0, slash));
    std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    temp_ = dir + "/." + (name.size() > 200 ? name.substr(0, 200) : name) + ".unlha-XXXXXX";
    fd_ = ::mkostemp(temp_.data(), O_CLOEXEC);
    if (fd_ < 0) {
        why = "cannot create a new archive in " + dir + ": " + error_text(errno);
        temp_.clear();
        return false;
    }
    dir_fd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    sink_ = std::make_unique<FdSink>(fd_);
    return true;
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
    if (write_fully_at(fd_, offset, data, n)) return true;
    why = describe_error(errno);
    return false;
}

bool ArchiveRewrite::truncate(std::uint64_t offset, std::string &why) {
    if (!sync_sink(why)) return false;
    if (::ftruncate(fd_, static_cast<off_t>(offset)) != 0 || ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) {
        why = describe_error(errno);
        return false;
    }
    base_ = offset;
    sink_ = std::make_unique<FdSink>(fd_);
    return true;
}

bool ArchiveRewrite::is_new_file(const struct stat &st) const {
    struct stat own {};
    return fd_ >= 0 && ::fstat(fd_, &own) == 0 && own.st_dev == st.st_dev && own.st_ino == st.st_ino;
}

bool ArchiveRewrite::commit(mode_t mode, std::string &why) {
    if (!sync_sink(why)) return false;
    if (::fchmod(fd_, mode) != 0 || ::fsync(fd_) != 0) {
        why = describe_error(errno);
        return false;
    }
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        why = describe_error(errno);
        return false;
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        why = describe_error(errno);
        return false;
    }
    committed_ = true;
    if (dir_fd_ >= 0) ::fsync(dir_fd_);  // the rename itself reaches the disk
    return true;
}

} // namespace lzh
