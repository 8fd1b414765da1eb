// The best mode's match finder: the positions of the window in binary
// trees, one per hash of the next four bytes, ordered by the bytes that
// follow each position and rebuilt at every insertion so that the newest
// position is the root.  Walking down from the root meets ever older
// positions; each one that matches longer than all before it is the
// nearest match of the new lengths, so one walk yields every length the
// position has with the nearest distance for each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace lzh::enc {

// A match as the best mode's parse keeps it: the length above, the
// offset (distance - 1) below.
using FoundMatch = std::uint32_t;
inline FoundMatch found_match(int length, std::uint32_t distance) {
    return FoundMatch(length) << 16 | (distance - 1);
}
inline int found_length(FoundMatch m) { return int(m >> 16 & 0x1ff); }
inline std::uint32_t found_offset(FoundMatch m) { return m & 0xffff; }

class MatchTree {
public:
    // Distances reach up to 2^window_bits - 1 (window_bits <= 16); a walk
    // visits at most `depth` positions.
    MatchTree(unsigned window_bits, int depth);

    // Forgets every position: what is inserted next starts a new buffer,
    // `size` bytes long at most.
    void restart(std::int32_t size);

    // Inserts position `pos` of `data` (positions are inserted in order,
    // from some start on) and puts its matches in `out` by increasing
    // length, the nearest for each, lengths capped at `max_len`; returns
    // how many (at most max_len - 2).  A walk stops at a match of
    // `nice_len`.  The four bytes from pos must be readable.
    int find(const std::uint8_t *data, std::int32_t pos, int max_len, int nice_len, FoundMatch *out);

    // Inserts `pos` without reporting its matches.
    void insert(const std::uint8_t *data, std::int32_t pos, int max_len, int nice_len);

private:
    template <bool kReport>
    int walk(const std::uint8_t *data, std::int32_t pos, int max_len, int nice_len, FoundMatch *out);

    const std::int32_t max_dist_;
    const std::uint32_t mask_;
    const int depth_;
    // Positions are kept as position + base_; a restart moves base_ past
    // the last buffer by more than a window, so old entries read as out of
    // reach without clearing the tables.
    std::int32_t base_ = 0;
    std::int32_t limit_ = 0;  // the size of the current buffer
    std::unique_ptr<std::int32_t[]> head3_;  // newest position per three-byte hash
    std::unique_ptr<std::int32_t[]> head4_;  // tree root per four-byte hash
    std::unique_ptr<std::int32_t[]> child_;  // two per window slot: smaller, larger
};

} // namespace lzh::enc
