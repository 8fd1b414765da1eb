#include "segment_coder.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "bit_writer.h"
#include "block_split.h"
#include "bytes.h"

namespace lzh::enc {

namespace {

constexpr int kHashBits = 15;
constexpr int kHash3Bits = 12;
constexpr std::size_t kRelearn = 2048;  // codes between price updates
// Matches shorter than this get a second lazy look, two bytes on.
constexpr int kShortMatch = 8;
// Packed or random data has no matches worth taking, and searching it
// costs as much as searching text.  Once kNoiseRun searches in a row found
// nothing and the last kNoiseSpan bytes look like noise, the parse passes
// over positions between searches, one more every 2^kSkipGrowth searches,
// up to kMaxSkip; it looks at the data again every kNoiseRecheck searches.
// A match then found is extended back over the literals passed, and ends
// it.  A match shorter than the step could be missed: noise hardly has
// any, but packed data holds runs and short repeats now and then, so a
// position whose three bytes were seen kNearRepeat bytes before or less
// (its link costs nothing to read) is searched all the same.
constexpr int kNoiseRun = 1024;
constexpr int kNoiseRecheck = 4096;
constexpr int kSkipGrowth = 4;
constexpr int kMaxSkip = 15;
constexpr std::int32_t kNoiseSpan = 1024;
constexpr std::uint16_t kNearRepeat = 256;

// Whether the kNoiseSpan bytes before `pos` look like noise: no byte value
// much more frequent than the rest (the sum of the squared counts is near
// the 5,120 uniform random bytes give; text and code give several times
// that).
bool looks_like_noise(const std::uint8_t *data, std::int32_t pos) {
    if (pos < kNoiseSpan) return false;
    std::uint16_t count[256] = {};
    for (const std::uint8_t *p = data + pos - kNoiseSpan; p < data + pos; ++p) ++count[*p];
    std::uint32_t squares = 0;
    for (unsigned c : count) squares += c * c;
    return squares <= 6 * kNoiseSpan;
}

// Entries of an earlier parse read as at least this far back: farther
// than any window or near3 reaches.
constexpr std::int32_t kGenerationGap = 1 << 20;
// Where base_ starts again, the tables cleared.
constexpr std::int32_t kMaxBase = 1 << 30;

} // namespace

SegmentCoder::SegmentCoder(const Method &method)
    : method_(method), learn_effort_(method.effort),
      chain_mask_(std::uint32_t(std::bit_ceil((std::size_t(1) << method.window_bits) + kWarmUp)) - 1),
      chain_(new std::uint16_t[std::size_t(chain_mask_) + 1]),
      near3_(new std::uint16_t[kNear3Ring]),
      head_(new std::int32_t[std::size_t(1) << kHashBits]),
      head3_(new std::int32_t[std::size_t(1) << kHash3Bits]),
      tokens_(new Token[kSplitRegion]) {
    learn_effort_.max_chain = method.effort.learn_chain;
    next_generation(kMaxBase);
}

void SegmentCoder::next_generation(std::int32_t end) {
    if (base_ + end + kGenerationGap > kMaxBase - kGenerationGap) {
        std::fill_n(head_.get(), std::size_t(1) << kHashBits, 0);
        std::fill_n(head3_.get(), std::size_t(1) << kHash3Bits, 0);
        base_ = kGenerationGap;
    } else {
        base_ += end + kGenerationGap;
    }
}

void SegmentCoder::index(const std::uint8_t *data, std::int32_t to) {
    const std::int32_t base = base_;
    const std::uint32_t farthest = std::uint32_t(max_dist(method_));
    std::int32_t *const head = head_.get();
    std::int32_t *const head3 = head3_.get();
    std::uint16_t *const chain = chain_.get();
    std::uint16_t *const near3 = near3_.get();
    const std::uint32_t mask = chain_mask_;
    for (std::int32_t pos = indexed_; pos < to; ++pos) {
        const std::uint32_t v = load32(data + pos);
        const std::uint32_t h = (v * 2654435761u) >> (32 - kHashBits);
        const std::uint32_t h3 = ((v & 0xffffff) * 2654435761u) >> (32 - kHash3Bits);
        // Entries of an earlier segment are at least kGenerationGap back.
        const std::uint32_t d = std::uint32_t(pos + base - head[h]);
        const std::uint32_t d3 = std::uint32_t(pos + base - head3[h3]);
        head[h] = pos + base;
        head3[h3] = pos + base;
        // Without branches: which way these go is anybody's guess.
        chain[std::uint32_t(pos) & mask] = std::uint16_t(d & (0u - std::uint32_t(d <= farthest)));
        near3[std::uint32_t(pos) % kNear3Ring] = std::uint16_t(d3 & (0u - std::uint32_t(d3 <= farthest)));
    }
    indexed_ = std::max(indexed_, to);
}

std::uint64_t SegmentCoder::code(const std::uint8_t *data, std::size_t dict_len, std::size_t size,
                                 std::uint8_t *out, bool whole) {
    if (size == 0) return 0;
    const std::int32_t start = std::int32_t(dict_len);
    const std::int32_t end = std::int32_t(dict_len + size);
    // The dictionary: only its last window's worth can be referenced.
    indexed_ = std::max<std::int32_t>(0, start - max_dist(method_));
    index(data, start);
    // A trial parse of the start learns the prices the real one begins
    // with.  They depend on this segment's data alone, so the output does
    // not depend on which thread coded what before.  It links no further
    // than its own end: the real parse starts a window behind that.  On a
    // small member it would cost as much as the real parse; prices learnt
    // from its first half serve as well (the bench's archives of small
    // files come out a little smaller than with a trial of all of it).
    prices_ = Prices();
    const std::size_t warm = whole ? std::min(kWarmUpWhole, std::max(kWarmUpWholeMin, size / 2)) : kWarmUp;
    const std::int32_t warm_end = std::min<std::int32_t>(end, start + std::int32_t(warm));
    run(data, start, warm_end, warm_end, nullptr, learn_effort_);
    const std::uint64_t bits = run(data, start, end, end, out, method_.effort);
    next_generation(end);
    return bits;
}

std::uint64_t SegmentCoder::run(const std::uint8_t *data, std::int32_t start, std::int32_t end,
                                std::int32_t indexed_end, std::uint8_t *out, const SearchEffort &effort) {
    BitWriter bits(out);
    const std::uint16_t *const chain_links = chain_.get();
    const std::uint16_t *const near3_links = near3_.get();
    const std::uint32_t mask = chain_mask_;
    const std::int32_t farthest = max_dist(method_);
    // How far ahead of the parse the rings have room for links.
    const std::int32_t ahead = std::min(std::int32_t(mask) + 1 - farthest, std::int32_t(kNear3Ring));
    const SearchEffort e = effort;
    // A three-byte match, too, stays within the window.
    const std::int32_t near3 = std::min(e.near3, farthest);
    Prices &prices = prices_;
    // Counts of the codes parsed since the last block was written: every
    // kRelearn codes they refresh the prices, so the parse adapts well
    // before a block ends.
    std::uint32_t cfreq[kNumChar] = {};
    std::uint32_t pfreq[kNumPosMax] = {};
    Token *const tokens = tokens_.get();
    std::size_t ntok = 0;

    // Looks at pos for the match that saves the most bits over literals,
    // among those longer than min_len.  Returns the savings (0 when nothing
    // beats literals) and the match in len and dist.  Chains link
    // positions with the same next four bytes; three-byte matches, only
    // worth it when near, come from the last position with the same three.
    // Forced inline: left a call, it costs some 15% of the time.
    auto find = [&](std::int32_t pos, int max_len, int min_len, int chain, int &len, std::int32_t &dist)
                    __attribute__((always_inline)) {
        const Links here = {chain_links[std::uint32_t(pos) & mask], near3_links[std::uint32_t(pos) % kNear3Ring]};
        const std::uint8_t *cur = data + pos;
        int best_sav = 0;
        int longest = min_len;
        // Price of the next l bytes as literals, summed as far as needed.
        int lit_sum[kMaxMatch + 1];
        int summed = 0;
        lit_sum[0] = 0;
        auto savings = [&](int l, std::int32_t d) {
            for (; summed < l; ++summed) lit_sum[summed + 1] = lit_sum[summed] + prices.lit[cur[summed]];
            return lit_sum[l] - prices.len[l] - prices.pos[pos_code(std::uint32_t(d - 1))];
        };
        if (min_len < kMinMatch && here.near3 != 0 && here.near3 <= near3 &&
            (load32(cur - here.near3) & 0xffffff) == (load32(cur) & 0xffffff)) {
            int l = common_length(cur - here.near3, cur, max_len);
            int sav = savings(l, here.near3);
            if (sav > best_sav) {
                longest = l;
                best_sav = sav;
                len = l;
                dist = here.near3;
            }
        }
        if (here.chain == 0) return best_sav;
        std::int32_t cand = pos - here.chain;
        const std::int32_t limit = pos - farthest;
        const int nice = std::min(e.nice_len, max_len);
        while (cand >= limit && chain-- > 0) {
            const std::uint8_t *c = data + cand;
            if (load16(c + longest - 1) == load16(cur + longest - 1) && load32(c) == load32(cur)) {
                int l = common_length(c, cur, max_len);
                if (l > longest) {
                    longest = l;
                    int sav = savings(l, pos - cand);
                    if (sav > best_sav) {
                        best_sav = sav;
                        len = l;
                        dist = pos - cand;
                    }
                    if (l >= nice) break;
                }
            }
            std::uint16_t d = chain_links[std::uint32_t(cand) & mask];
            if (d == 0) break;
            cand -= d;
        }
        return best_sav;
    };
    auto flush = [&]() {
        write_blocks(method_, tokens, ntok, out ? &bits : nullptr, &prices);
        ntok = 0;
        std::fill_n(cfreq, kNumChar, 0u);
        std::fill_n(pfreq, kNumPosMax, 0u);
    };
    int misses = 0;                // searches in a row that found nothing
    int noise_check = kNoiseRun;   // when to look at the data again
    bool noise = false;
    auto emit = [&](Token t) {
        tokens[ntok++] = t;
        unsigned c = t & 0x3ff;
        ++cfreq[c];
        if (c >= 256) ++pfreq[pos_code(t >> 16)];
        if (ntok == kSplitRegion) {
            flush();
        } else if (ntok % kRelearn == 0 && !noise) {  // noise has no prices worth learning
            prices.learn(method_, cfreq, pfreq);
        }
    };

    std::int32_t pos = start;
    while (pos < end) {
        int max_len = std::min<std::int32_t>(kMaxMatch, end - pos);
        if (max_len < kMinMatch) {
            emit(literal_token(data[pos]));
            ++pos;
            continue;
        }
        // Links for the finds below (pos to pos + 2), as far as the ring
        // keeps this position's window.
        if (pos + 2 >= indexed_) index(data, std::min(indexed_end, pos + ahead));
        int len = 0;
        std::int32_t dist = 0;
        int sav = find(pos, max_len, kMinMatch - 1, e.max_chain, len, dist);
        if (sav <= 0) {
            emit(literal_token(data[pos]));
            ++pos;
            if (++misses > noise_check) {
                noise = looks_like_noise(data, pos);
                noise_check = misses + kNoiseRecheck;
            }
            if (noise) {
                // Only as far as the links are made: the ring holds older
                // ones beyond.
                const std::int32_t skip = std::min<std::int32_t>(
                    std::min((misses - kNoiseRun) >> kSkipGrowth, kMaxSkip), std::min(end, indexed_) - pos);
                for (std::int32_t k = 0; k < skip; ++k) {
                    const std::uint16_t near = near3_links[std::uint32_t(pos) % kNear3Ring];
                    if (near != 0 && near <= kNearRepeat) break;
                    emit(literal_token(data[pos++]));
                }
            }
            continue;
        }
        if (noise) {
            // The match may begin among the literals passed over.
            while (ntok > 0 && tokens[ntok - 1] < 256 && pos > start && pos > dist && len < kMaxMatch &&
                   data[pos - 1] == data[pos - 1 - dist]) {
                --cfreq[tokens[--ntok]];
                --pos;
                ++len;
            }
        }
        misses = 0;
        noise_check = kNoiseRun;
        noise = false;
        // Lazy evaluation: a literal and then a better match one byte on.
        while (len < e.lazy_len && pos + 1 < end) {
            int max2 = std::min<std::int32_t>(kMaxMatch, end - pos - 1);
            if (max2 < kMinMatch) break;
            if (pos + 2 >= indexed_) index(data, std::min(indexed_end, pos + ahead));
            int len2 = 0;
            std::int32_t dist2 = 0;
            int chain = len >= e.good_len ? e.max_chain >> 2 : e.max_chain;
            int sav2 = find(pos + 1, max2, len - 1, chain, len2, dist2);
            if (sav2 > sav) {
                emit(literal_token(data[pos]));
                ++pos;
                len = len2;
                dist = dist2;
                sav = sav2;
                continue;
            }
            // And two literals, then a match two bytes on.
            if (len >= kShortMatch || end - pos - 2 < kMinMatch) break;
            int len3 = 0;
            std::int32_t dist3 = 0;
            int sav3 = find(pos + 2, std::min<std::int32_t>(kMaxMatch, end - pos - 2), len - 1, chain >> 1, len3, dist3);
            if (sav3 > sav) {
                emit(literal_token(data[pos]));
                emit(literal_token(data[pos + 1]));
                pos += 2;
                len = len3;
                dist = dist3;
                sav = sav3;
                continue;
            }
            break;
        }
        emit(match_token(len, std::uint32_t(dist)));
        pos += len;
    }
    flush();
    std::uint64_t total = bits.bit_count();
    bits.finish();
    return total;
}

} // namespace lzh::enc
