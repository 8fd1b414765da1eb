#include "file_io.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace lzh {

std::ptrdiff_t FileRegionSource::read(std::uint8_t *buf, std::size_t n) {
    if (n > left_) n = static_cast<std::size_t>(left_);
    if (n == 0) return 0;
    for (;;) {
        ssize_t r = ::pread(fd_, buf, n, static_cast<off_t>(pos_));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        pos_ += static_cast<std::uint64_t>(r);
        left_ -= static_cast<std::uint64_t>(r);
        if (r == 0) left_ = 0;  // the file is shorter than the header said
        return r;
    }
}

bool FdSink::write_through(const std::uint8_t *data, std::size_t n) {
    if (errno_) return false;
    if (!write_fully(fd_, data, n)) {
        errno_ = errno ? errno : EIO;
        return false;
    }
    written_ += n;
    return true;
}

bool FdSink::write(const std::uint8_t *data, std::size_t n) {
    if (errno_) return false;
    if (buf_.size() + n <= buf_.capacity()) {
        buf_.insert(buf_.end(), data, data + n);
        return true;
    }
    if (!flush()) return false;
    if (n >= buf_.capacity()) return write_through(data, n);
    buf_.insert(buf_.end(), data, data + n);
    return true;
}

bool FdSink::flush() {
    if (buf_.empty()) return errno_ == 0;
    bool ok = write_through(buf_.data(), buf_.size());
    buf_.clear();
    return ok;
}

bool read_fully_at(int fd, std::uint64_t offset, void *buf, std::size_t n) {
    auto *p = static_cast<std::uint8_t *>(buf);
    while (n > 0) {
        ssize_t r = ::pread(fd, p, n, static_cast<off_t>(offset));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        p += r;
        n -= static_cast<std::size_t>(r);
        offset += static_cast<std::uint64_t>(r);
    }
    return true;
}

bool write_fully(int fd, const void *buf, std::size_t n) {
    const auto *p = static_cast<const std::uint8_t *>(buf);
    while (n > 0) {
        ssize_t r = ::write(fd, p, n);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return false;
        if (r == 0) {
            errno = ENOSPC;
            return false;
        }
        p += r;
        n -= static_cast<std::size_t>(r);
    }
    return true;
}

bool write_fully_at(int fd, std::uint64_t offset, const void *buf, std::size_t n) {
    const auto *p = static_cast<const std::uint8_t *>(buf);
    while (n > 0) {
        ssize_t r = ::pwrite(fd, p, n, static_cast<off_t>(offset));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            if (r == 0) errno = ENOSPC;
            return false;
        }
        p += r;
        n -= static_cast<std::size_t>(r);
        offset += static_cast<std::uint64_t>(r);
    }
    return true;
}

std::string error_text(int err) { return std::strerror(err); }

} // namespace lzh
