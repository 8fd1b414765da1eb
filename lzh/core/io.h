// Byte streams between the archive, the codecs and the files on disk.
// Members stream through these in blocks; nothing holds a member whole.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lzh {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to n bytes into buf. Returns the count read, 0 at the end,
    // or -1 on a read error.
    virtual std::ptrdiff_t read(std::uint8_t *buf, std::size_t n) = 0;
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Writes all n bytes; false when they could not all be written.
    virtual bool write(const std::uint8_t *buf, std::size_t n) = 0;
};

} // namespace lzh
