// Test helpers for the compressor: in-memory streams, decoding through
// liblhasa, and wrapping one compressed member in a level-2 archive so
// other LZH programs can check it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "codec.h"

namespace lzh::test {

// Yields `data`, at most `chunk` bytes per read; fails with -1 once
// `fail_after` bytes were given (when set).
class MemorySource : public ByteSource {
public:
    explicit MemorySource(const std::vector<std::uint8_t> &data, std::size_t chunk = SIZE_MAX,
                          std::size_t fail_after = SIZE_MAX)
        : data_(data), chunk_(chunk), fail_after_(fail_after) {}
    std::ptrdiff_t read(std::uint8_t *buf, std::size_t n) override;
    std::size_t position() const { return pos_; }

private:
    const std::vector<std::uint8_t> &data_;
    std::size_t chunk_, fail_after_, pos_ = 0;
};

// Collects everything written; refuses once `capacity` would be passed.
class MemorySink : public ByteSink {
public:
    explicit MemorySink(std::size_t capacity = SIZE_MAX) : capacity_(capacity) {}
    bool write(const std::uint8_t *buf, std::size_t n) override;
    std::vector<std::uint8_t> data;

private:
    std::size_t capacity_;
};

// The method we write as -lh<level>- (5, 6 or 7), from the method table.
const MethodInfo &lh(int level);

// Compresses `data` with -lh<level>- (no give-up limit); fails the test on error.
std::vector<std::uint8_t> compress(int level, const std::vector<std::uint8_t> &data,
                                   Compression compression = Compression::normal);

// Decodes `packed` with liblhasa's decoder for `method` ("-lh5-"), expecting
// `original_size` bytes.  Returns what was decoded (shorter on failure).
std::vector<std::uint8_t> lhasa_decode(const std::string &method, const std::vector<std::uint8_t> &packed,
                                       std::size_t original_size);

// One member with a level-2 header: `packed` stored as `path` ("/"-separated).
std::vector<std::uint8_t> level2_member(const std::string &method, const std::string &path,
                                        std::uint64_t original_size, std::uint16_t crc,
                                        const std::vector<std::uint8_t> &packed);

// Decodes `packed` with our own decoder (lzh::decode); shorter on failure.
std::vector<std::uint8_t> our_decode(const std::string &method, const std::vector<std::uint8_t> &packed,
                                     std::size_t original_size);

// A one-member archive: the member and the end-of-archive byte.
std::vector<std::uint8_t> level2_archive(const std::string &method, const std::string &path,
                                         const std::vector<std::uint8_t> &original,
                                         const std::vector<std::uint8_t> &packed);

// Test data.
std::vector<std::uint8_t> random_bytes(std::size_t n, std::uint32_t seed);
std::vector<std::uint8_t> text_like(std::size_t n, std::uint32_t seed);

bool write_file(const std::string &path, const std::vector<std::uint8_t> &data);

} // namespace lzh::test
