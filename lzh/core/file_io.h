// Files as byte streams: a region of an open file, a file being written.
// POSIX descriptors, read and written in large blocks.
#pragma once

#include "io.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lzh {

// Reads [offset, offset + length) of an open file; reports the end there.
class FileRegionSource : public ByteSource {
public:
    FileRegionSource(int fd, std::uint64_t offset, std::uint64_t length) : fd_(fd), pos_(offset), left_(length) {}
    std::ptrdiff_t read(std::uint8_t *buf, std::size_t n) override;
    std::uint64_t left() const { return left_; }

private:
    int fd_;
    std::uint64_t pos_, left_;
};

// Writes to an open descriptor through a buffer; remembers the first error.
class FdSink : public ByteSink {
public:
    explicit FdSink(int fd, std::size_t buffer = 256 * 1024) : fd_(fd) { buf_.reserve(buffer); }
    ~FdSink() override = default;
    bool write(const std::uint8_t *data, std::size_t n) override;
    bool flush();
    int error() const { return errno_; }  // errno of the first failure, 0 if none
    std::uint64_t count() const { return written_ + buf_.size(); }  // bytes taken so far

private:
    bool write_through(const std::uint8_t *data, std::size_t n);
    int fd_;
    std::vector<std::uint8_t> buf_;
    int errno_ = 0;
    std::uint64_t written_ = 0;
};

// pread/pwrite until done, retrying on EINTR.  False on error or early end.
bool read_fully_at(int fd, std::uint64_t offset, void *buf, std::size_t n);
bool write_fully(int fd, const void *buf, std::size_t n);
bool write_fully_at(int fd, std::uint64_t offset, const void *buf, std::size_t n);

// strerror() for messages.
std::string error_text(int err);

} // namespace lzh
