#include "optimal_coder.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace lzh::enc {

namespace {

// Positions the match tree's walk visits at most, and the match length that
// ends a walk: past it the positions inside the match are only inserted,
// and their matches are the rest of this one.
constexpr int kDepth = 64;
constexpr int kNiceLen = kMaxMatch;
// Matches the cache holds: far more than the region's positions have
// on average, so that a region is cut short only in odd data.
constexpr std::size_t kCachedMatches = 4 * OptimalCoder::kRegion;
// Parses of a block under the code lengths of its last parse, at most:
// one in a large region (a second gains some 0.2% for a fifth more time),
// more in a small one, where the tables weigh more and a pass costs little.
constexpr int kBlockPasses = 1;
constexpr int kSmallBlockPasses = 4;
constexpr std::int32_t kSmallRegion = 64 * 1024;
// Blocks start on multiples of this many codes within a region.  So every
// block written but a segment's last covers that many bytes or more (a
// region the cache cuts short holds more), and the output stays within
// max_coded_bytes().
constexpr std::size_t kChunk = 2048;
static_assert(kCachedMatches >= kChunk * kMaxMatch);
constexpr std::size_t kMaxChunks = OptimalCoder::kRegion / kChunk + 1;
constexpr int kHistogram = kNumChar + kNumPosMax;

struct Counts {
    std::uint32_t c[kNumChar];
    std::uint32_t p[kNumPosMax];
};

void count(const Token *tokens, std::size_t n, Counts &k) {
    std::memset(&k, 0, sizeof k);
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned c = tokens[i] & 0x3ff;
        ++k.c[c];
        if (c >= 256) ++k.p[pos_code(tokens[i] >> 16)];
    }
}

inline std::int32_t token_length(Token t) {
    const unsigned c = t & 0x3ff;
    return c < 256 ? 1 : std::int32_t(c - 256 + kMinMatch);
}

} // namespace

OptimalCoder::OptimalCoder(const Method &method)
    : method_(method), tree_(method.window_bits, kDepth), cache_(kRegion, kCachedMatches), parser_(kRegion),
      found_(new FoundMatch[kMaxMatch]), tokens_(new Token[kRegion]), block_(new Token[kRegion]),
      trial_(new Token[kRegion]), cuts_(new std::size_t[kMaxChunks + 1]) {}

std::uint64_t OptimalCoder::code(const std::uint8_t *data, std::size_t dict_len, std::size_t size,
                                 std::uint8_t *out) {
    BitWriter bits(out);
    if (size == 0) return 0;
    const std::int32_t start = std::int32_t(dict_len);
    const std::int32_t end = std::int32_t(dict_len + size);
    tree_.restart(end);
    // The dictionary: only its last window's worth can be referenced.
    for (std::int32_t p = std::max<std::int32_t>(0, start - max_dist(method_)); p < start; ++p)
        tree_.insert(data, p, std::min<std::int32_t>(kMaxMatch, end - p), kNiceLen);
    cache_.clear(start);
    std::int32_t done = start;
    while (done < end) {
        gather(data, cache_.end(), end);
        done = code_region(data, end, bits);
    }
    const std::uint64_t total = bits.bit_count();
    bits.finish();
    return total;
}

void OptimalCoder::gather(const std::uint8_t *data, std::int32_t from, std::int32_t end) {
    FoundMatch *const found = found_.get();
    std::int32_t pos = from;
    while (pos < end && cache_.has_room(kMaxMatch, 2 * kMaxMatch)) {
        const int max_len = std::min<std::int32_t>(kMaxMatch, end - pos);
        if (max_len < kMinMatch) {
            cache_.add(found, 0);
            ++pos;
            continue;
        }
        const int n = tree_.find(data, pos, max_len, kNiceLen, found);
        cache_.add(found, n);
        ++pos;
        if (n == 0 || found_length(found[n - 1]) < kNiceLen) continue;
        // A match this long: inside it, the rest of it.
        const int len = found_length(found[n - 1]);
        const std::uint32_t distance = found_offset(found[n - 1]) + 1;
        for (int k = 1; k < len; ++k, ++pos) {
            tree_.insert(data, pos, std::min<std::int32_t>(kMaxMatch, end - pos), kNiceLen);
            const FoundMatch rest = found_match(len - k, distance) | kWholeOnly;
            cache_.add(&rest, len - k >= kMinMatch ? 1 : 0);
        }
    }
}

std::int32_t OptimalCoder::code_region(const std::uint8_t *data, std::int32_t end, BitWriter &out) {
    const std::int32_t from = cache_.first(), to = cache_.end();
    Token *const tokens = tokens_.get();
    // The longest matches of the region tell where blocks should end (a
    // cheapest parse under guessed prices serves no better), and give the
    // code lengths each block is parsed under first.  The last block of a
    // region the cache cut short waits for the next region, which starts
    // with its positions.
    const std::size_t n = longest_matches(data, cache_, from, to, tokens);
    const std::size_t blocks = split(n);
    const int passes = to - from < kSmallRegion ? kSmallBlockPasses : kBlockPasses;
    const bool last = to == end;
    std::size_t written = blocks;
    if (!last && blocks > 1) --written;
    std::int32_t pos = from;
    std::size_t t = 0;
    for (std::size_t b = 0; b < written; ++b) {
        const std::size_t first = cuts_[b], past = cuts_[b + 1];
        std::int32_t block_end = pos;
        for (; t < past; ++t) block_end += token_length(tokens[t]);
        std::copy(tokens + first, tokens + past, block_.get());
        const std::size_t m = refine(data, pos, block_end, past - first, passes);
        write_block(method_, block_.get(), m, out);
        pos = block_end;
    }
    cache_.drop_before(pos);
    return pos;
}

std::size_t OptimalCoder::split(std::size_t n) {
    const Token *const tokens = tokens_.get();
    const std::size_t chunks = (n + kChunk - 1) / kChunk;
    // Counts of the codes before each chunk boundary.
    static_assert(sizeof(Counts) == kHistogram * sizeof(std::uint32_t));
    std::vector<Counts> before(chunks + 1);
    std::memset(&before[0], 0, sizeof(Counts));
    for (std::size_t j = 0; j < chunks; ++j) {
        Counts &h = before[j + 1];
        h = before[j];
        for (std::size_t i = j * kChunk; i < std::min(n, (j + 1) * kChunk); ++i) {
            const unsigned c = tokens[i] & 0x3ff;
            ++h.c[c];
            if (c >= 256) ++h.p[pos_code(tokens[i] >> 16)];
        }
    }
    // cost[j]: the fewest bits for the codes before boundary j, the last
    // block of them starting at boundary from[j].
    std::vector<std::uint64_t> cost(chunks + 1, UINT64_MAX);
    std::vector<std::size_t> from(chunks + 1, 0);
    cost[0] = 0;
    Counts d;
    for (std::size_t j = 1; j <= chunks; ++j) {
        const std::size_t past = std::min(n, j * kChunk);
        for (std::size_t i = j; i-- > 0;) {
            if (past - i * kChunk > kMaxBlockCodes) break;
            const std::uint32_t *a = before[i].c, *b = before[j].c;
            std::uint32_t *o = d.c;
            for (int s = 0; s < kHistogram; ++s) o[s] = b[s] - a[s];
            const std::uint64_t c = cost[i] + block_bits(method_, d.c, d.p);
            if (c < cost[j]) {
                cost[j] = c;
                from[j] = i;
            }
        }
    }
    std::size_t blocks = 0;
    for (std::size_t j = chunks; j > 0; j = from[j]) ++blocks;
    std::size_t b = blocks;
    cuts_[b] = n;
    for (std::size_t j = chunks; j > 0; j = from[j]) cuts_[--b] = from[j] * kChunk;
    return blocks;
}

std::size_t OptimalCoder::refine(const std::uint8_t *data, std::int32_t from, std::int32_t to, std::size_t n,
                                 int passes) {
    Counts k;
    count(block_.get(), n, k);
    std::uint64_t best = block_bits(method_, k.c, k.p);
    Prices prices;
    prices.learn(method_, k.c, k.p);
    for (int pass = 0; pass < passes; ++pass) {
        const std::size_t m = parser_.parse(data, cache_, from, to, prices, trial_.get());
        if (m > kMaxBlockCodes) break;
        count(trial_.get(), m, k);
        const std::uint64_t bits = block_bits(method_, k.c, k.p);
        if (bits >= best) break;
        best = bits;
        n = m;
        std::swap(block_, trial_);
        prices.learn(method_, k.c, k.p);
    }
    return n;
}

} // namespace lzh::enc
