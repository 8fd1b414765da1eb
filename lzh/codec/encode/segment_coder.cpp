#include "segment_coder.h"

#include <algorithm>
#include <cstring>

#include "bit_writer.h"

namespace lzh::enc {

namespace {

constexpr int kHashBits = 16;
constexpr std::int32_t kEmpty = -(1 << 30);

inline std::uint32_t load32(const std::uint8_t *p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline std::uint64_t load64(const std::uint8_t *p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}
inline std::uint16_t load16(const std::uint8_t *p) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

// Length of the common prefix of a and b, at most max (reads up to 7 bytes
// past max; the caller's padding covers that).
inline int common_length(const std::uint8_t *a, const std::uint8_t *b, int max) {
    int len = 0;
    while (len < max) {
        std::uint64_t x = load64(a + len) ^ load64(b + len);
        if (x) {
            len += __builtin_ctzll(x) >> 3;
            return len < max ? len : max;
        }
        len += 8;
    }
    return max;
}

} // namespace

const Effort &effort_for(const Method &method) {
    static const Effort lh5 = {48, 16, 32, 128, 2048, 6144, 16384};
    static const Effort lh6 = {48, 16, 32, 128, 2048, 8192, 16384};
    static const Effort lh7 = {48, 16, 32, 128, 2048, 8192, 16384};
    switch (method.level) {
    case 5: return lh5;
    case 6: return lh6;
    default: return lh7;
    }
}

SegmentCoder::SegmentCoder(const Method &method)
    : method_(method), effort_(effort_for(method)), hash_shift_(32 - kHashBits),
      ring_mask_((std::uint32_t(1) << method.dict_bits) - 1),
      head_(new std::int32_t[std::size_t(1) << kHashBits]),
      prev_(new std::int32_t[std::size_t(1) << method.dict_bits]),
      tokens_(new Token[std::size_t(effort_.block_codes)]) {}

void SegmentCoder::reset_hash() { std::fill_n(head_.get(), std::size_t(1) << kHashBits, kEmpty); }

std::uint64_t SegmentCoder::code(const std::uint8_t *data, std::size_t dict_len, std::size_t size,
                                 std::vector<std::uint8_t> &out) {
    BitWriter bits(out);
    if (size == 0) {
        bits.finish();
        return 0;
    }
    reset_hash();
    std::int32_t *const head = head_.get();
    std::int32_t *const prev = prev_.get();
    const std::uint32_t mask = ring_mask_;
    const int shift = hash_shift_;
    const std::int32_t max_dist = method_.max_dist();
    const Effort e = effort_;
    Token *const tokens = tokens_.get();
    std::size_t ntok = 0;

    auto hash_at = [&](std::int32_t pos) {
        return ((load32(data + pos) & 0xffffff) * 2654435761u) >> shift;
    };
    auto insert = [&](std::int32_t pos) {
        std::uint32_t h = hash_at(pos);
        prev[std::uint32_t(pos) & mask] = head[h];
        head[h] = pos;
    };
    // Inserts pos and returns the longest match there longer than `best`
    // (or `best` itself when none is), with its distance in `dist`.
    auto find = [&](std::int32_t pos, int max_len, int best, int chain, std::int32_t &dist) {
        std::uint32_t h = hash_at(pos);
        std::int32_t cand = head[h];
        prev[std::uint32_t(pos) & mask] = cand;
        head[h] = pos;
        const std::int32_t limit = pos - max_dist;
        const std::uint8_t *cur = data + pos;
        const int nice = std::min(e.nice_len, max_len);
        while (cand >= limit && chain-- > 0) {
            const std::uint8_t *c = data + cand;
            if (load16(c + best - 1) == load16(cur + best - 1) && load16(c) == load16(cur)) {
                int len = common_length(c, cur, max_len);
                if (len > best) {
                    best = len;
                    dist = pos - cand;
                    if (len >= nice) break;
                }
            }
            cand = prev[std::uint32_t(cand) & mask];
        }
        return best;
    };
    auto worth = [&](int len, std::int32_t dist) {
        return len > 4 || (len == 4 && dist <= e.far4) || (len == 3 && dist <= e.far3);
    };
    auto flush = [&]() {
        if (ntok) write_block(method_, tokens, ntok, bits);
        ntok = 0;
    };
    auto emit = [&](Token t) {
        tokens[ntok++] = t;
        if (ntok == std::size_t(e.block_codes)) flush();
    };

    // The dictionary: only its last window's worth can be referenced.
    std::int32_t start = std::int32_t(dict_len);
    for (std::int32_t p = std::max<std::int32_t>(0, start - max_dist); p < start; ++p) insert(p);

    const std::int32_t end = std::int32_t(dict_len + size);
    std::int32_t pos = start;
    while (pos < end) {
        int max_len = std::min<std::int32_t>(kMaxMatch, end - pos);
        if (max_len < kMinMatch) {
            emit(literal_token(data[pos]));
            ++pos;
            continue;
        }
        std::int32_t dist = 0;
        int len = find(pos, max_len, kMinMatch - 1, e.max_chain, dist);
        std::int32_t inserted = pos + 1;
        if (len < kMinMatch || !worth(len, dist)) {
            emit(literal_token(data[pos]));
            ++pos;
            continue;
        }
        // Lazy evaluation: a longer match one byte on beats this one.
        while (len < e.lazy_len && pos + 1 < end) {
            int max2 = std::min<std::int32_t>(kMaxMatch, end - pos - 1);
            if (max2 <= len) break;
            std::int32_t dist2 = 0;
            int chain = len >= e.good_len ? e.max_chain >> 2 : e.max_chain;
            int len2 = find(pos + 1, max2, len, chain, dist2);
            inserted = pos + 2;
            if (len2 > len && worth(len2, dist2)) {
                emit(literal_token(data[pos]));
                ++pos;
                len = len2;
                dist = dist2;
                continue;
            }
            break;
        }
        emit(match_token(len, std::uint32_t(dist)));
        const std::int32_t next = pos + len;
        for (std::int32_t p = inserted; p < next; ++p) insert(p);
        pos = next;
    }
    flush();
    std::uint64_t total = bits.bit_count();
    std::size_t bytes = bits.finish();
    out.resize(bytes);
    return total;
}

} // namespace lzh::enc
