#include "optimal_parse.h"

#include <algorithm>

namespace lzh::enc {

MatchCache::MatchCache(std::size_t max_positions, std::size_t max_matches)
    : max_positions_(max_positions), max_matches_(max_matches), start_(new std::uint32_t[max_positions + 1]),
      matches_(new FoundMatch[max_matches]) {
    start_[0] = 0;
}

void MatchCache::clear(std::int32_t first) {
    first_ = first;
    count_ = 0;
}

void MatchCache::add(const FoundMatch *m, int n) {
    std::uint32_t at = start_[count_];
    std::copy_n(m, n, &matches_[at]);
    start_[++count_] = at + std::uint32_t(n);
}

void MatchCache::drop_before(std::int32_t pos) {
    const std::size_t drop = std::size_t(pos - first_);
    const std::uint32_t at = start_[drop];
    std::copy(&matches_[at], &matches_[start_[count_]], &matches_[0]);
    for (std::size_t i = drop; i <= count_; ++i) start_[i - drop] = start_[i] - at;
    count_ -= drop;
    first_ = pos;
}

std::size_t longest_matches(const std::uint8_t *data, const MatchCache &cache, std::int32_t from, std::int32_t to,
                            Token *out) {
    // A match of three bytes from farther than this costs more than its
    // literals in most data.
    constexpr std::uint32_t kFarOffset = 4096;
    std::size_t k = 0;
    for (std::int32_t pos = from; pos < to;) {
        const int count = cache.count(pos);
        const FoundMatch m = count ? cache.matches(pos)[count - 1] : 0;
        const int len = std::min(found_length(m), to - pos);
        if (len < kMinMatch || (len == kMinMatch && found_offset(m) >= kFarOffset)) {
            out[k++] = literal_token(data[pos++]);
        } else {
            out[k++] = match_token(len, found_offset(m) + 1);
            pos += len;
        }
    }
    return k;
}

OptimalParser::OptimalParser(std::size_t max_len)
    : cost_(new std::int32_t[max_len + 1]), choice_(new std::uint32_t[max_len + 1]) {}

std::size_t OptimalParser::parse(const std::uint8_t *data, const MatchCache &cache, std::int32_t from,
                                 std::int32_t to, const Prices &prices, Token *out, std::uint64_t *bits) {
    const std::int32_t n = to - from;
    std::int32_t *const cost = cost_.get();
    // Prices in the type the vector code wants.
    std::int32_t len_price[kMaxMatch + 1];
    for (int l = kMinMatch; l <= kMaxMatch; ++l) len_price[l] = prices.len[l];
    std::uint32_t *const choice = choice_.get();
    // Backwards: the cheapest way from each position to the end is its
    // cheapest first code and the cheapest way on from there.
    cost[n] = 0;
    for (std::int32_t i = n - 1; i >= 0; --i) {
        const std::int32_t pos = from + i;
        std::int32_t best = cost[i + 1] + prices.lit[data[pos]];
        std::uint32_t pick = 0;
        const FoundMatch *m = cache.matches(pos);
        const int count = cache.count(pos);
        const int room = n - i;
        // Each length is taken from the nearest match that has it.
        int len = kMinMatch;
        for (int k = 0; k < count && len <= room; ++k) {
            const int longest = std::min(found_length(m[k]), room);
            const std::uint32_t offset = found_offset(m[k]);
            if (m[k] & kWholeOnly) len = std::max(len, longest);
            const std::int32_t pos_price = prices.pos[pos_code(offset)];
            // The cheapest of this match's lengths: a minimum first, which
            // the compiler turns into vector code, then where it is.
            const std::int32_t *const after = cost + i;
            std::int32_t lowest = INT32_MAX;
            for (int l = len; l <= longest; ++l) lowest = std::min(lowest, after[l] + len_price[l]);
            if (lowest + pos_price < best) {
                best = lowest + pos_price;
                while (after[len] + len_price[len] != lowest) ++len;
                pick = std::uint32_t(len) << 16 | offset;
            }
            len = longest + 1;
        }
        cost[i] = best;
        choice[i] = pick;
    }
    if (bits) *bits = cost[0];
    std::size_t k = 0;
    for (std::int32_t i = 0; i < n;) {
        const std::uint32_t c = choice[i];
        if (c == 0) {
            out[k++] = literal_token(data[from + i]);
            ++i;
        } else {
            out[k++] = match_token(found_length(c), found_offset(c) + 1);
            i += found_length(c);
        }
    }
    return k;
}

} // namespace lzh::enc
