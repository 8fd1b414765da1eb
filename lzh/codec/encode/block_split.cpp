#include "block_split.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace lzh::enc {

namespace {

// Blocks start and end on chunk boundaries.
constexpr std::size_t kChunk = 2048;
constexpr std::size_t kMaxChunks = (kSplitRegion + kChunk - 1) / kChunk;

struct Histogram {
    std::uint32_t c[kNumChar];
    std::uint32_t p[kNumPosMax];
    std::uint32_t n;

    void add(const Histogram &o, int np) {
        for (int i = 0; i < kNumChar; ++i) c[i] += o.c[i];
        for (int i = 0; i < np; ++i) p[i] += o.p[i];
        n += o.n;
    }
};

// n * log2(n) for counts, from a table for the small ones.
class NLogN {
public:
    NLogN() {
        for (int i = 0; i < kSize; ++i) t_[i] = i ? float(i * std::log2(double(i))) : 0.0f;
    }
    float operator()(std::uint32_t n) const { return n < kSize ? t_[n] : float(n * std::log2(double(n))); }

private:
    static constexpr int kSize = 4096;
    float t_[kSize];
};

// Estimated bits of a block with these counts, leaving out the position
// extra bits (the same wherever blocks end): the entropy of the codes plus
// a rough price for the tables.
float estimate(const Histogram &h, int np) {
    static const NLogN nlogn;
    float bits = 16 + 40;
    std::uint32_t pn = 0;
    int used = 0;
    for (int i = 0; i < kNumChar; ++i)
        if (h.c[i]) {
            bits -= nlogn(h.c[i]);
            ++used;
        }
    for (int i = 0; i < np; ++i)
        if (h.p[i]) {
            bits -= nlogn(h.p[i]);
            pn += h.p[i];
            used += 1;
        }
    bits += nlogn(h.n) + nlogn(pn);
    return bits + 4.5f * float(used);
}

} // namespace

void write_blocks(const Method &method, const Token *tokens, std::size_t n, BitWriter *out, Prices *learn) {
    if (n == 0) return;
    const int np = int(method.position_codes);
    const std::size_t chunks = (n + kChunk - 1) / kChunk;
    auto block = [&](std::size_t from, std::size_t to, Prices *learn_here) {
        if (out) write_block(method, tokens + from, to - from, *out, learn_here);
        else if (learn_here) learn_block(method, tokens + from, to - from, *learn_here);
    };
    if (chunks == 1) {
        block(0, n, learn);
        return;
    }
    // Greedy merging: start with one block per chunk and join the
    // neighbours that gain most until no join saves bits.
    static thread_local Histogram hist[kMaxChunks];
    float cost[kMaxChunks];
    std::size_t first[kMaxChunks + 1];  // first chunk of each block, in order
    std::size_t blocks = chunks;
    for (std::size_t k = 0; k < chunks; ++k) {
        Histogram &h = hist[k];
        std::memset(&h, 0, sizeof h);
        std::size_t end = std::min(n, (k + 1) * kChunk);
        for (std::size_t i = k * kChunk; i < end; ++i) {
            unsigned c = tokens[i] & 0x3ff;
            ++h.c[c];
            if (c >= 256) ++h.p[pos_code(tokens[i] >> 16)];
        }
        h.n = std::uint32_t(end - k * kChunk);
        cost[k] = estimate(h, np);
        first[k] = k;
    }
    first[chunks] = chunks;
    // gain[b]: bits saved by joining block b with block b + 1.
    float gain[kMaxChunks];
    Histogram joined;
    auto pair_gain = [&](std::size_t b) {
        joined = hist[b];
        joined.add(hist[b + 1], np);
        return cost[b] + cost[b + 1] - estimate(joined, np);
    };
    for (std::size_t b = 0; b + 1 < blocks; ++b) gain[b] = pair_gain(b);
    while (blocks > 1) {
        std::size_t best = 0;
        for (std::size_t b = 1; b + 1 < blocks; ++b)
            if (gain[b] > gain[best]) best = b;
        if (gain[best] <= 0) break;
        hist[best].add(hist[best + 1], np);
        cost[best] = estimate(hist[best], np);
        for (std::size_t b = best + 1; b + 1 < blocks; ++b) {
            hist[b] = hist[b + 1];
            cost[b] = cost[b + 1];
            gain[b] = gain[b + 1];
        }
        for (std::size_t b = best + 1; b < blocks; ++b) first[b] = first[b + 1];
        --blocks;
        if (best > 0) gain[best - 1] = pair_gain(best - 1);
        if (best + 1 < blocks) gain[best] = pair_gain(best);
    }
    for (std::size_t b = 0; b < blocks; ++b) {
        std::size_t from = first[b] * kChunk;
        std::size_t to = std::min(n, first[b + 1] * kChunk);
        block(from, to, b + 1 == blocks ? learn : nullptr);
    }
}

} // namespace lzh::enc
