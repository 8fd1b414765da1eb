#include "match_tree.h"

#include <algorithm>

#include "bytes.h"

namespace lzh::enc {

namespace {

constexpr int kHash3Bits = 15;
constexpr int kHash4Bits = 16;
// Where base_ starts again, the tables cleared.
constexpr std::int32_t kMaxBase = 1 << 30;

inline std::uint32_t hash3(std::uint32_t v) { return ((v & 0xffffff) * 2654435761u) >> (32 - kHash3Bits); }
inline std::uint32_t hash4(std::uint32_t v) { return (v * 2654435761u) >> (32 - kHash4Bits); }

} // namespace

MatchTree::MatchTree(unsigned window_bits, int depth)
    : max_dist_((std::int32_t(1) << window_bits) - 1), mask_((std::uint32_t(1) << window_bits) - 1),
      depth_(depth), head3_(new std::int32_t[std::size_t(1) << kHash3Bits]),
      head4_(new std::int32_t[std::size_t(1) << kHash4Bits]),
      child_(new std::int32_t[2 * (std::size_t(mask_) + 1)]) {
    base_ = kMaxBase;  // the first restart clears the tables
}

void MatchTree::restart(std::int32_t size) {
    // Past every position of the last buffer by more than a window: its
    // entries are then out of reach of every new one.
    if (base_ > kMaxBase - size - 2 * (max_dist_ + 1)) {
        std::fill_n(head3_.get(), std::size_t(1) << kHash3Bits, 0);
        std::fill_n(head4_.get(), std::size_t(1) << kHash4Bits, 0);
        base_ = max_dist_ + 1;
    } else {
        base_ += limit_ + max_dist_ + 1;
    }
    limit_ = size;
}

template <bool kReport>
int MatchTree::walk(const std::uint8_t *data, std::int32_t pos, int max_len, int nice_len, FoundMatch *out) {
    const std::uint8_t *const cur = data + pos;
    const std::int32_t at = pos + base_;
    const std::int32_t cutoff = at - max_dist_;  // older nodes are out of reach
    const std::uint32_t v = load32(cur);
    int n = 0;
    int best = 2;  // longest length reported

    // The newest position with the same three bytes is the nearest match
    // of every length it reaches.
    std::int32_t *const h3 = &head3_[hash3(v)];
    std::int32_t cand = *h3;
    *h3 = at;
    if (kReport && cand >= cutoff && max_len >= 3) {
        const std::uint8_t *m = cur - (at - cand);
        if (((load32(m) ^ v) & 0xffffff) == 0) {
            best = common_length(m, cur, max_len, 3);
            out[n++] = found_match(best, std::uint32_t(at - cand));
        }
    }

    std::int32_t *const h4 = &head4_[hash4(v)];
    cand = *h4;
    *h4 = at;
    std::int32_t *smaller = &child_[2 * (std::uint32_t(at) & mask_)];
    std::int32_t *larger = smaller + 1;
    const int nice = std::min(nice_len, max_len);
    // Every node left of the path so far shares smaller_len bytes with
    // cur, every node right of it larger_len: a node below shares their
    // minimum, which the comparison skips.
    int smaller_len = 0, larger_len = 0, len = 0;
    for (int depth = depth_; cand >= cutoff && depth > 0; --depth) {
        const std::uint8_t *m = cur - (at - cand);
        std::int32_t *const node = &child_[2 * (std::uint32_t(cand) & mask_)];
        if (m[len] == cur[len]) {
            len = common_length(m, cur, nice, len + 1);
            if (kReport && len > best) {
                best = len;
                out[n++] = found_match(len, std::uint32_t(at - cand));
            }
            if (len >= nice) {
                // cur takes the node's place in the tree.
                *smaller = node[0];
                *larger = node[1];
                return n;
            }
        }
        if (m[len] < cur[len]) {
            *smaller = cand;
            smaller = &node[1];
            cand = *smaller;
            smaller_len = len;
        } else {
            *larger = cand;
            larger = &node[0];
            cand = *larger;
            larger_len = len;
        }
        len = std::min(smaller_len, larger_len);
    }
    *smaller = 0;
    *larger = 0;
    return n;
}

int MatchTree::find(const std::uint8_t *data, std::int32_t pos, int max_len, int nice_len, FoundMatch *out) {
    return walk<true>(data, pos, max_len, nice_len, out);
}

void MatchTree::insert(const std::uint8_t *data, std::int32_t pos, int max_len, int nice_len) {
    walk<false>(data, pos, max_len, nice_len, nullptr);
}

} // namespace lzh::enc
