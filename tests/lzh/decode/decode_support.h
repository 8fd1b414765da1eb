// In-memory streams for the decoder tests: a source that can hand out short
// reads or fail part way, a sink that keeps what it gets or refuses more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codec.h"

namespace lzh::test {

class MemorySource : public ByteSource {
public:
    MemorySource(const void *data, std::size_t size) : data_(static_cast<const std::uint8_t *>(data)), size_(size) {}
    explicit MemorySource(const std::string &s) : MemorySource(s.data(), s.size()) {}
    std::size_t max_read = SIZE_MAX;  // at most this many bytes per read()
    std::size_t fail_at = SIZE_MAX;   // read() returns -1 once this many were served
    std::size_t served() const { return pos_; }
    std::ptrdiff_t read(std::uint8_t *buf, std::size_t n) override;

private:
    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

class StringSink : public ByteSink {
public:
    std::string data;
    std::size_t refuse_after = SIZE_MAX; // write() fails once it would pass this many bytes
    bool write(const std::uint8_t *buf, std::size_t n) override;
};

// Decodes `packed` in full with the sizes given.
CodecStatus decode_string(std::string_view method, const std::string &packed, std::uint64_t original_size,
                          StringSink &out);

} // namespace lzh::test
