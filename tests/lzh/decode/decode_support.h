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
    // It keeps a pointer into the string: a temporary would be gone before the first read.
    explicit MemorySource(std::string &&) = delete;
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

// Writes a bit stream MSB first, as the -lh4- to -lh7- decoders read it.
class BitWriter {
public:
    // nbits may exceed 32: the bits above the value's own are zero.
    void put(std::uint32_t value, unsigned nbits);
    void ones(unsigned n) { for (unsigned i = 0; i < n; ++i) put(1, 1); }
    // The bytes so far, the last one padded with zero bits.
    std::string bytes() const;

private:
    std::string out_;
    unsigned used_ = 0; // bits used in out_'s last byte (0 = none open)
};

// The parts of one block of an -lh4- to -lh7- stream.
struct BlockWriter {
    BitWriter &w;
    unsigned position_count_bits; // 4 for -lh4-/-lh5-, 5 for -lh6-/-lh7-

    void start(unsigned symbols) { w.put(symbols, 16); }
    // Code-length sets of the small alphabets: 3 bits a length, 7 and up
    // extended in unary.  `zero_run` is the temporary code's 2-bit field
    // after the third length.
    void small_lengths(const std::vector<unsigned> &lengths, unsigned count_bits, bool zero_run);
    void temp_single(unsigned symbol) { w.put(0, 5), w.put(symbol, 5); }
    void code_single(unsigned symbol) { w.put(0, 9), w.put(symbol, 9); }
    void position_single(unsigned code) { w.put(0, position_count_bits), w.put(code, position_count_bits); }
    // Every literal gets an 8-bit code (so a literal is its own byte in
    // the stream), sent with a temporary code that has one symbol.
    void all_literals_8_bits();
};

// Decodes `packed` in full with the sizes given.
CodecStatus decode_string(std::string_view method, const std::string &packed, std::uint64_t original_size,
                          StringSink &out);

} // namespace lzh::test
