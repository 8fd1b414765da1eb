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
    // `data` must have kReadPadding readable bytes after the end.  A trial
    // parse of the start learns the prices the real parse starts from:
    // kWarmUp bytes of a segment of a long member, half of a `whole` member
    // (kWarmUpWhole bytes at most, kWarmUpWholeMin at least).
    std::uint64_t code(const std::uint8_t *data, std::size_t dict_len, std::size_t size, std::uint8_t *out,
                       bool whole = false);

    static constexpr std::size_t kWarmUp = 16 * 1024;
    static constexpr std::size_t kNear3Ring = kWarmUp;
    static constexpr std::size_t kWarmUpWhole = 6 * 1024;
    static constexpr std::size_t kWarmUpWholeMin = 2 * 1024;

private:
    // Where a position's match candidates are: the distance back to the
    // last position before it with the same next four bytes' hash (the
    // chain goes on from there), and to the last with the same next three
    // bytes' hash; 0 when there is none within the window.
    struct Links {
        std::uint16_t chain;
        std::uint16_t near3;
    };

    // Codes data[start, end) into `out`, or with no `out` only learns the
    // prices.  The links are made as far as `indexed_end`.
    std::uint64_t run(const std::uint8_t *data, std::int32_t start, std::int32_t end, std::int32_t indexed_end,
                      std::uint8_t *out, const SearchEffort &effort);
    // Makes the links of the positions from indexed_ up to `to`.
    void index(const std::uint8_t *data, std::int32_t to);
    void next_generation(std::int32_t end);
    const Method &method_;
    SearchEffort learn_effort_;
    // The links depend on the data alone, not on the parse, so the trial
    // parse and the real one share them.  They are kept in rings: the
    // chain's for a window behind the parse and what is linked ahead of
    // it; the three-byte ones only for what is ahead, since only the
    // position being parsed reads its own.
    std::uint32_t chain_mask_;
    std::unique_ptr<std::uint16_t[]> chain_;
    std::unique_ptr<std::uint16_t[]> near3_;  // kNear3Ring of them
    std::int32_t indexed_ = 0;  // positions below this have their links
    // The hash tables hold position + base_.  Each segment moves base_ past
    // the positions of the last one by more than any match reaches, so
    // their entries read as out of reach and need no clearing per segment.
    std::int32_t base_ = 0;
    std::unique_ptr<std::int32_t[]> head_;
    std::unique_ptr<std::int32_t[]> head3_;
    std::unique_ptr<Token[]> tokens_;
    Prices prices_;
};

} // namespace lzh::enc
