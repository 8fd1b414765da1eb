#include "rewrite.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace lzh {

// The sink the codecs stream into: buffered, and it keeps the position.
class ArchiveRewrite::CountingSink : public ByteSink {
public:
    CountingSink(int fd, std::uint64_t &pos) : fd_(fd), pos_(pos) { buf_.reserve(256 * 1024); }
    bool write(const std::uint8_t *data, std::size_t n) override {
        if (err_) return false;
        if (buf_.size() + n > buf_.capacity() && !flush()) return false;
        if (n >= buf_.capacity()) {
            if (!write_fully(fd_, data, n)) return fail();
            pos_ += n;
            return true;
        }
        buf_.insert(buf_.end(), data, data + n);
        pos_ += n;
        return true;
    }
    bool flush() {
        if (err_) return false;
        if (!buf_.empty() && !write_fully(fd_, buf_.data(), buf_.size())) return fail();
        buf_.clear();
        return true;
    }
    int error() const { return err_; }

private:
    bool fail() {
        err_ = errno ? errno : EIO;
        return false;
    }
    int fd_;
    std::uint64_t &pos_;
    std::vector<std::uint8_t> buf_;
    int err_ = 0;
};

ArchiveRewrite::~ArchiveRewrite() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
    if (dir_fd_ >= 0) ::close(dir_fd_);
}

std::string ArchiveRewrite::describe_error(int err) const { return "cannot write " + target_ + ": " + error_text(err); }

bool ArchiveRewrite::begin(const std::string &target, std::string &why) {
    target_ = target;
    char resolved[PATH_MAX];
    if (::realpath(target.c_str(), resolved)) target_ = resolved;  // through a link to the real file
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
    sink_ = std::make_unique<CountingSink>(fd_, pos_);
    return true;
}

bool ArchiveRewrite::write(const void *data, std::size_t n, std::string &why) {
    if (sink_->write(static_cast<const std::uint8_t *>(data), n)) return true;
    why = describe_error(sink_->error());
    return false;
}

bool ArchiveRewrite::copy_from(int fd, std::uint64_t offset, std::uint64_t length, std::string &why) {
    std::vector<std::uint8_t> buf(static_cast<std::size_t>(std::min<std::uint64_t>(length, 256 * 1024)));
    while (length > 0) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length, buf.size()));
        if (!read_fully_at(fd, offset, buf.data(), n)) {
            why = "the archive ends inside a member";
            return false;
        }
        if (!write(buf.data(), n, why)) return false;
        offset += n;
        length -= n;
    }
    return true;
}

bool ArchiveRewrite::sync_sink(std::string &why) {
    if (sink_->flush()) return true;
    why = describe_error(sink_->error());
    return false;
}

bool ArchiveRewrite::write_at(std::uint64_t offset, const void *data, std::size_t n, std::string &why) {
    if (!sync_sink(why)) return false;
    const auto *p = static_cast<const std::uint8_t *>(data);
    while (n > 0) {
        ssize_t w = ::pwrite(fd_, p, n, static_cast<off_t>(offset));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            why = describe_error(w < 0 ? errno : ENOSPC);
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
        offset += static_cast<std::uint64_t>(w);
    }
    return true;
}

bool ArchiveRewrite::truncate(std::uint64_t offset, std::string &why) {
    if (!sync_sink(why)) return false;
    if (::ftruncate(fd_, static_cast<off_t>(offset)) != 0 || ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) {
        why = describe_error(errno);
        return false;
    }
    pos_ = offset;
    return true;
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

namespace lzh {
ByteSink &ArchiveRewrite::sink() { return *sink_; }
} // namespace lzh

namespace lzh {
ArchiveRewrite::ArchiveRewrite() = default;
} // namespace lzh
