// Turns one stretch of input into complete LZH blocks.  The bytes before
// the stretch (up to one window) serve as its dictionary, so stretches can
// be coded independently, in parallel, and their bit strings joined.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "block_coder.h"
#include "method.h"

namespace lzh::enc {

// Bytes the caller must keep readable (any value) past the end of the data.
constexpr std::size_t kReadPadding = 16;

// Room code() may need for `size` bytes: at most 16 bits a byte (a literal
// code, or a match of three or more bytes at 47 bits), and the tables of
// every block.
constexpr std::size_t max_coded_bytes(std::size_t size) { return 2 * size + (size / 2048 + 4) * 1800; }

class SegmentCoder {
public:
    explicit SegmentCoder(const Method &method);

    // Codes data[dict_len .. dict_len + size) using data[0 .. dict_len) as
    // history; puts the blocks in `out` (max_coded_bytes(size) long) and
    // returns their length in bits, the last byte padded with zero bits.
    // `data` must have kReadPadding readable bytes after the end.
    std::uint64_t code(const std::uint8_t *data, std::size_t dict_len, std::size_t size, std::uint8_t *out);

    // Learns prices from a trial parse of data[dict_len .. dict_len + size)
    // (its first kWarmUp bytes at most); parse() then starts from them.
    void learn(const std::uint8_t *data, std::size_t dict_len, std::size_t size);
    // Codes as code() does, starting from the prices learnt last.
    std::uint64_t parse(const std::uint8_t *data, std::size_t dict_len, std::size_t size, std::uint8_t *out);

    static constexpr std::size_t kWarmUp = 16 * 1024;

private:
    // Codes into `out`, or with no `out` only learns the prices.
    std::uint64_t run(const std::uint8_t *data, std::size_t dict_len, std::size_t size, std::uint8_t *out,
                      const SearchEffort &effort);
    void next_generation(std::int32_t end);
    const Method &method_;
    SearchEffort learn_effort_;
    int hash_shift_;
    std::uint32_t ring_mask_;
    // The hash tables hold position + base_.  Each parse moves base_ past
    // the positions of the last one by more than any match reaches, so
    // their entries read as out of reach and need no clearing per parse.
    std::int32_t base_ = 0;
    std::unique_ptr<std::int32_t[]> head_;
    std::unique_ptr<std::int32_t[]> head3_;
    std::unique_ptr<std::uint16_t[]> prev_;  // distance to the previous link, 0 at the end
    std::unique_ptr<Token[]> tokens_;
    Prices prices_;
};

} // namespace lzh::enc
