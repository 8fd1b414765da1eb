#include "huffman.h"

#include <algorithm>

namespace lzh::enc {

namespace {

// Optimal code lengths for weights sorted ascending, computed in place
// (Moffat and Katajainen): afterwards a[i] is the length for weight i.
void minimum_redundancy(std::uint32_t *a, int n) {
    a[0] += a[1];
    int root = 0, leaf = 2;
    for (int next = 1; next < n - 1; ++next) {
        if (leaf >= n || a[root] < a[leaf]) {
            a[next] = a[root];
            a[root++] = next;
        } else {
            a[next] = a[leaf++];
        }
        if (leaf >= n || (root < next && a[root] < a[leaf])) {
            a[next] += a[root];
            a[root++] = next;
        } else {
            a[next] += a[leaf++];
        }
    }
    a[n - 2] = 0;
    for (int next = n - 3; next >= 0; --next) a[next] = a[a[next]] + 1;
    int avail = 1, used = 0, depth = 0, root2 = n - 2, next = n - 1;
    while (avail > 0) {
        while (root2 >= 0 && int(a[root2]) == depth) {
            ++used;
            --root2;
        }
        while (avail > used) {
            a[next--] = depth;
            --avail;
        }
        avail = 2 * used;
        ++depth;
        used = 0;
    }
}

// Up to this many symbols are sorted by comparison.
constexpr int kSortAlone = 64;

} // namespace

int build_lengths(const std::uint32_t *freq, int n, int max_len, std::uint8_t *len) {
    // Sort keys: frequency above, symbol below (n <= 1024, freq < 2^22).
    // Many symbols are sorted by a radix sort of the frequency, a byte at a
    // time from the lowest: stable, so equal frequencies stay in symbol
    // order.  Prices are learnt from a few thousand codes at a time, so
    // this runs often.
    std::uint32_t keys[1024], other[1024];
    std::uint32_t all = 0;
    int m = 0;
    for (int i = 0; i < n; ++i) {
        len[i] = 0;
        if (freq[i]) {
            const std::uint32_t f = std::min<std::uint32_t>(freq[i], (1u << 22) - 1);
            keys[m++] = f << 10 | std::uint32_t(i);
            all |= f;
        }
    }
    if (m < 2) return m;
    std::uint32_t *from = keys, *to = other;
    if (m <= kSortAlone) {
        std::sort(keys, keys + m);  // a small table: the buckets would cost more
    } else {
        for (unsigned shift = 10; shift < 32 && (all >> (shift - 10)) != 0; shift += 8) {
            int start[257] = {};
            for (int i = 0; i < m; ++i) ++start[(from[i] >> shift & 0xff) + 1];
            for (int b = 1; b < 256; ++b) start[b] += start[b - 1];
            for (int i = 0; i < m; ++i) to[start[from[i] >> shift & 0xff]++] = from[i];
            std::swap(from, to);
        }
    }
    const std::uint32_t *const sorted = from;
    std::uint32_t a[1024];
    for (int i = 0; i < m; ++i) a[i] = sorted[i] >> 10;
    minimum_redundancy(a, m);

    // Clamp to max_len, then rebalance the counts per length so that the
    // Kraft sum is exactly one again (in units of 2^-max_len).
    int count[33] = {};
    for (int i = 0; i < m; ++i) ++count[std::min<int>(int(a[i]), max_len)];
    const std::int64_t full = std::int64_t(1) << max_len;
    std::int64_t kraft = 0;
    for (int l = 1; l <= max_len; ++l) kraft += std::int64_t(count[l]) << (max_len - l);
    while (kraft > full) {
        // Push the deepest leaf above the limit one level down.
        int l = max_len - 1;
        while (count[l] == 0) --l;
        --count[l];
        ++count[l + 1];
        kraft -= std::int64_t(1) << (max_len - l - 1);
    }
    while (kraft < full) {
        // Lift a leaf whose gain still fits, from the deepest level.
        int l = max_len;
        while (count[l] == 0 || (std::int64_t(1) << (max_len - l)) > full - kraft) --l;
        --count[l];
        ++count[l - 1];
        kraft += std::int64_t(1) << (max_len - l);
    }
    // Rarest symbols take the longest codes.
    int k = 0;
    for (int l = max_len; l >= 1; --l)
        for (int c = 0; c < count[l]; ++c) len[sorted[k++] & 1023] = std::uint8_t(l);
    return m;
}

void build_codes(const std::uint8_t *len, int n, std::uint16_t *code) {
    unsigned count[18] = {}, next[18] = {};
    for (int i = 0; i < n; ++i) ++count[len[i]];
    count[0] = 0;
    unsigned c = 0;
    for (int l = 1; l <= 16; ++l) {
        c = (c + count[l - 1]) << 1;
        next[l] = c;
    }
    for (int i = 0; i < n; ++i)
        if (len[i]) code[i] = std::uint16_t(next[len[i]]++);
}

} // namespace lzh::enc
