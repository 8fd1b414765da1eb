// The best mode: its match finder against a search of every distance, its
// parse against the greedy and lazy ones under the same prices (and on an
// input made so that greedy loses), and its streams decoded by liblhasa and
// by ours at every method, on the data that strains a parse.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include "match_tree.h"
#include "optimal_parse.h"
#include "testkit.h"

namespace lzh::test {
namespace {

using enc::FoundMatch;
using enc::kMaxMatch;
using enc::kMinMatch;
using enc::MatchCache;
using enc::MatchTree;
using enc::OptimalParser;
using enc::Prices;
using enc::Token;

// Bytes from a small alphabet: many matches of many lengths everywhere.
std::vector<std::uint8_t> few_letters(std::size_t n, int letters, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(n);
    for (auto &b : v) b = std::uint8_t('a' + rng() % unsigned(letters));
    return v;
}

// The data with the padding the match finder may read past its end.
std::vector<std::uint8_t> padded(std::vector<std::uint8_t> data) {
    data.resize(data.size() + 16, 0);
    return data;
}

// For each length, the nearest distance that has it, as the list a match
// finder gives: by increasing length, each entry the longest at its distance.
std::vector<FoundMatch> every_distance(const std::vector<std::uint8_t> &d, std::int32_t pos, std::int32_t end,
                                       std::int32_t max_dist) {
    std::vector<FoundMatch> out;
    const int max_len = std::min<std::int32_t>(kMaxMatch, end - pos);
    int best = kMinMatch - 1;
    for (std::int32_t dist = 1; dist <= std::min(pos, max_dist); ++dist) {
        int len = 0;
        while (len < max_len && d[pos - dist + len] == d[pos + len]) ++len;
        if (len > best) {
            best = len;
            out.push_back(enc::found_match(len, std::uint32_t(dist)));
        }
    }
    return out;
}

std::string describe(const FoundMatch *m, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        s += ' ';
        s += std::to_string(enc::found_length(m[i]));
        s += '@';
        s += std::to_string(enc::found_offset(m[i]) + 1);
    }
    return s;
}

TEST(MatchTree, FindsTheNearestMatchOfEveryLength) {
    // Window of 1 KiB: the data runs past it several times, so matches
    // just inside and just outside it are asked for.
    const unsigned bits = 10;
    const std::int32_t max_dist = (1 << bits) - 1;
    std::vector<std::vector<std::uint8_t>> inputs = {few_letters(6000, 2, 1), few_letters(6000, 4, 2),
                                                     text_like(6000, 3), std::vector<std::uint8_t>(3000, 'z')};
    // A stretch repeated exactly a window back, and one a byte farther.
    std::vector<std::uint8_t> edge = random_bytes(4000, 4);
    std::copy_n(edge.begin() + 100, 300, edge.begin() + 100 + max_dist);
    std::copy_n(edge.begin() + 1500, 300, edge.begin() + 1500 + max_dist + 1);
    inputs.push_back(edge);
    MatchTree tree(bits, 1 << 20);
    FoundMatch found[kMaxMatch];
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        const std::vector<std::uint8_t> d = padded(inputs[k]);
        const std::int32_t end = std::int32_t(inputs[k].size());
        tree.restart(end);
        int mismatches = 0;
        for (std::int32_t pos = 0; pos + kMinMatch <= end; ++pos) {
            const int n = tree.find(d.data(), pos, std::min<std::int32_t>(kMaxMatch, end - pos), kMaxMatch, found);
            const std::vector<FoundMatch> want = every_distance(d, pos, end, max_dist);
            if (std::vector<FoundMatch>(found, found + n) != want && ++mismatches <= 3)
                ADD_FAILURE() << "input " << k << " at " << pos << ": found" << describe(found, n) << ", there are"
                              << describe(want.data(), int(want.size()));
        }
        EXPECT_EQ(mismatches, 0) << "input " << k;
    }
}

TEST(MatchTree, ARestartForgetsTheBufferBefore) {
    // The same bytes again as a new buffer: a position inserted before
    // the restart would show as a match ahead of the one looked up.
    MatchTree tree(13, 64);
    FoundMatch found[kMaxMatch];
    const std::vector<std::uint8_t> d = padded(text_like(5000, 5));
    for (int round = 0; round < 3; ++round) {
        tree.restart(5000);
        int mismatches = 0;
        for (std::int32_t pos = 0; pos + kMinMatch <= 5000; ++pos) {
            const int n = tree.find(d.data(), pos, std::min(kMaxMatch, 5000 - pos), kMaxMatch, found);
            for (int i = 0; i < n; ++i)
                if (enc::found_offset(found[i]) + 1 > std::uint32_t(pos) && ++mismatches <= 3)
                    ADD_FAILURE() << "round " << round << " at " << pos << ":" << describe(found, n);
        }
        EXPECT_EQ(mismatches, 0);
    }
}

// Parses data[from, size) with data[0, from) before it, under `prices`.
struct Parsed {
    std::vector<Token> tokens;
    std::uint64_t bits = 0;
};

class Parse {
public:
    Parse(const std::vector<std::uint8_t> &data, std::int32_t from, unsigned window_bits = 16)
        : data_(padded(data)), from_(from), end_(std::int32_t(data.size())),
          cache_(data.size() + 1, data.size() * kMaxMatch), parser_(data.size()) {
        MatchTree tree(window_bits, 1 << 20);
        tree.restart(end_);
        for (std::int32_t p = 0; p < from; ++p) tree.insert(data_.data(), p, std::min(kMaxMatch, end_ - p), kMaxMatch);
        cache_.clear(from);
        FoundMatch found[kMaxMatch];
        for (std::int32_t p = from; p < end_; ++p) {
            const int max_len = std::min(kMaxMatch, end_ - p);
            cache_.add(found, max_len < kMinMatch ? 0 : tree.find(data_.data(), p, max_len, kMaxMatch, found));
        }
    }

    Parsed optimal(const Prices &prices) {
        Parsed r;
        r.tokens.resize(std::size_t(end_ - from_));
        r.tokens.resize(parser_.parse(data_.data(), cache_, from_, end_, prices, r.tokens.data(), &r.bits));
        return r;
    }

    // The longest match at each position (a literal where there is none),
    // or with `lazy` a literal first where the next position has a longer one.
    std::vector<Token> greedy(bool lazy) const {
        std::vector<Token> out;
        for (std::int32_t p = from_; p < end_;) {
            const int len = longest(p);
            if (len == 0 || (lazy && p + 1 < end_ && longest(p + 1) > len)) {
                out.push_back(enc::literal_token(data_[std::size_t(p)]));
                ++p;
                continue;
            }
            const FoundMatch m = cache_.matches(p)[cache_.count(p) - 1];
            out.push_back(enc::match_token(len, enc::found_offset(m) + 1));
            p += len;
        }
        return out;
    }

    // What `tokens` cost under `prices`, and whether they give the data back.
    std::uint64_t cost(const std::vector<Token> &tokens, const Prices &prices) const {
        std::uint64_t bits = 0;
        std::vector<std::uint8_t> out(data_.begin(), data_.begin() + from_);
        for (Token t : tokens) {
            const unsigned c = t & 0x3ff;
            if (c < 256) {
                bits += prices.lit[c];
                out.push_back(std::uint8_t(c));
                continue;
            }
            const int len = int(c) - 256 + kMinMatch;
            const std::uint32_t offset = t >> 16;
            bits += prices.len[len] + prices.pos[enc::pos_code(offset)];
            for (int i = 0; i < len; ++i) out.push_back(out[out.size() - offset - 1]);
        }
        EXPECT_TRUE(std::equal(out.begin(), out.end(), data_.begin(), data_.begin() + end_) && out.size() == std::size_t(end_))
            << "the codes do not give the data back";
        return bits;
    }

private:
    int longest(std::int32_t p) const {
        const int n = cache_.count(p);
        return n ? std::min(enc::found_length(cache_.matches(p)[n - 1]), end_ - p) : 0;
    }

    std::vector<std::uint8_t> data_;
    std::int32_t from_, end_;
    MatchCache cache_;
    OptimalParser parser_;
};

Prices flat_prices(int literal, int length, int position) {
    Prices p;
    std::fill(std::begin(p.lit), std::end(p.lit), std::uint8_t(literal));
    std::fill(std::begin(p.len), std::end(p.len), std::uint8_t(length));
    std::fill(std::begin(p.pos), std::end(p.pos), std::uint8_t(position));
    return p;
}

TEST(OptimalParse, TakesALiteralWhereItOpensTheLongerMatch) {
    // Before it: "ABCD" once, and "BCDEFGHIJ".  The greedy parse of
    // "ABCDEFGHIJ" takes ABCD and then EFGHIJ, two matches; one literal A
    // and then BCDEFGHIJ cost less when a literal costs less than a match.
    const std::string before = "XABCDBCDEFGHIJ", text = "ABCDEFGHIJ";
    std::vector<std::uint8_t> data(before.begin(), before.end());
    data.insert(data.end(), text.begin(), text.end());
    Parse parse(data, std::int32_t(before.size()));
    const Prices cheap_literal = flat_prices(8, 4, 8);
    const Parsed best = parse.optimal(cheap_literal);
    ASSERT_EQ(best.tokens.size(), 2u);
    EXPECT_EQ(best.tokens[0], enc::literal_token('A'));
    EXPECT_EQ(best.tokens[1], enc::match_token(9, 10));
    EXPECT_EQ(best.bits, 8u + 12u);
    EXPECT_EQ(parse.cost(best.tokens, cheap_literal), best.bits);
    EXPECT_EQ(parse.cost(parse.greedy(false), cheap_literal), 24u);

    // When a literal costs more than a match, two matches it is.
    const Prices dear_literal = flat_prices(20, 4, 8);
    const Parsed two = parse.optimal(dear_literal);
    EXPECT_EQ(two.bits, 24u);
    EXPECT_EQ(parse.cost(two.tokens, dear_literal), 24u);
    for (Token t : two.tokens) EXPECT_GE(t & 0x3ff, 256u) << "a literal";
}

TEST(OptimalParse, ATinyMatchLosesToLiteralsWhenItCostsMore) {
    // "abc" again far back: a match of three bytes at 18 bits is dearer
    // than three literals at 5 bits; with literals at 7 bits it is not.
    std::vector<std::uint8_t> data = {'a', 'b', 'c', 'x', 'y', 'a', 'b', 'c'};
    Parse parse(data, 5);
    const Parsed lits = parse.optimal(flat_prices(5, 6, 12));
    EXPECT_EQ(lits.tokens, (std::vector<Token>{'a', 'b', 'c'}));
    EXPECT_EQ(lits.bits, 15u);
    const Parsed match = parse.optimal(flat_prices(7, 6, 12));
    EXPECT_EQ(match.tokens, std::vector<Token>{enc::match_token(3, 5)});
    EXPECT_EQ(match.bits, 18u);
}

TEST(OptimalParse, CostsNoMoreThanGreedyOrLazyAndGivesTheDataBack) {
    // Prices of a real block, uneven ones, and a flat set: under each,
    // the cheapest parse can be no dearer than the others.
    Prices uneven;
    std::mt19937 rng(7);
    for (auto &p : uneven.lit) p = std::uint8_t(4 + rng() % 10);
    for (auto &p : uneven.len) p = std::uint8_t(3 + rng() % 12);
    for (int i = 0; i < enc::kNumPosMax; ++i) uneven.pos[i] = std::uint8_t(2 + rng() % 6 + (i > 1 ? i - 1 : 0));
    const std::vector<std::vector<std::uint8_t>> inputs = {text_like(20000, 8), few_letters(20000, 3, 9),
                                                           random_bytes(5000, 10)};
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        Parse parse(inputs[k], 1000);
        const Prices learned = [&] {
            Prices p;
            std::uint32_t cf[enc::kNumChar] = {}, pf[enc::kNumPosMax] = {};
            for (Token t : parse.greedy(true)) {
                ++cf[t & 0x3ff];
                if ((t & 0x3ff) >= 256) ++pf[enc::pos_code(t >> 16)];
            }
            p.learn(lh(7), cf, pf);
            return p;
        }();
        for (const Prices &prices : {learned, uneven, flat_prices(8, 5, 9)}) {
            const Parsed best = parse.optimal(prices);
            EXPECT_EQ(parse.cost(best.tokens, prices), best.bits) << "input " << k;
            EXPECT_LE(best.bits, parse.cost(parse.greedy(false), prices)) << "input " << k;
            EXPECT_LE(best.bits, parse.cost(parse.greedy(true), prices)) << "input " << k;
        }
    }
}

void expect_best_roundtrip(int level, const std::vector<std::uint8_t> &data, const std::string &what) {
    const std::vector<std::uint8_t> packed = compress(level, data, Compression::best);
    const std::string method(lh(level).id);
    EXPECT_TRUE(lhasa_decode(method, packed, data.size()) == data) << method << " " << what << ": liblhasa";
    EXPECT_TRUE(our_decode(method, packed, data.size()) == data) << method << " " << what << ": ours";
}

class BestMode : public ::testing::TestWithParam<int> {
protected:
    std::size_t window() const { return std::size_t(1) << lh(GetParam()).window_bits; }
};

TEST_P(BestMode, EmptyAndTinyInputs) {
    EXPECT_TRUE(compress(GetParam(), {}, Compression::best).empty());
    for (std::size_t n : {1, 2, 3, 4, 9}) {
        expect_best_roundtrip(GetParam(), std::vector<std::uint8_t>(n, 'a'), std::to_string(n) + " alike");
        expect_best_roundtrip(GetParam(), random_bytes(n, unsigned(n)), std::to_string(n) + " random");
    }
}

TEST_P(BestMode, LongRepeatsAndMatchesOfTheGreatestLength) {
    // Runs far past the longest match; a period just under, at and over it.
    expect_best_roundtrip(GetParam(), std::vector<std::uint8_t>(600 * 1024, 0), "zeros");
    for (std::size_t period : {std::size_t(kMaxMatch - 1), std::size_t(kMaxMatch), std::size_t(kMaxMatch + 1)}) {
        const std::vector<std::uint8_t> unit = random_bytes(period, unsigned(period));
        std::vector<std::uint8_t> data;
        while (data.size() < 300 * 1024) data.insert(data.end(), unit.begin(), unit.end());
        expect_best_roundtrip(GetParam(), data, "period " + std::to_string(period));
    }
}

TEST_P(BestMode, RepeatsAtTheWindowsEdge) {
    // A chunk again exactly at the farthest distance, one byte inside it
    // and one byte beyond it.
    const std::vector<std::uint8_t> chunk = random_bytes(700, 11);
    for (std::size_t gap : {window() - 700 - 2, window() - 700 - 1, window() - 700}) {
        std::vector<std::uint8_t> data = chunk;
        const std::vector<std::uint8_t> filler = random_bytes(gap, unsigned(gap));
        data.insert(data.end(), filler.begin(), filler.end());
        data.insert(data.end(), chunk.begin(), chunk.end());
        expect_best_roundtrip(GetParam(), data, "gap " + std::to_string(gap));
    }
}

TEST_P(BestMode, IncompressibleRunsAmongText) {
    // Noise between text: blocks change their codes where it starts and ends.
    std::vector<std::uint8_t> data = text_like(300 * 1024, 12);
    for (std::size_t at : {std::size_t(20000), std::size_t(150000), std::size_t(290000)}) {
        const std::vector<std::uint8_t> noise = random_bytes(30000, unsigned(at));
        data.insert(data.begin() + std::ptrdiff_t(at), noise.begin(), noise.end());
    }
    expect_best_roundtrip(GetParam(), data, "text and noise");
    expect_best_roundtrip(GetParam(), random_bytes(300 * 1024, 13), "noise");
}

TEST_P(BestMode, ManyMatchesAtEveryPosition) {
    // Two letters: every position has a match of nearly every length, more
    // than one parse takes at once.
    expect_best_roundtrip(GetParam(), few_letters(600 * 1024, 2, 14), "two letters");
}

INSTANTIATE_TEST_SUITE_P(Methods, BestMode, ::testing::Values(5, 6, 7),
                         [](const auto &info) { return "lh" + std::to_string(info.param); });

TEST(BestMode, EveryMemberComesOutAsAFreshOne) {
    // One encoder for many members, some announced ahead and coded on the
    // other thread: each as a new encoder makes it.
    std::vector<std::vector<std::uint8_t>> members;
    for (std::size_t n : {std::size_t(1), std::size_t(700), std::size_t(20000), std::size_t(256 * 1024),
                          std::size_t(256 * 1024 + 1)})
        members.push_back(text_like(n, unsigned(n)));
    members.push_back(random_bytes(5000, 15));
    members.push_back(members[2]);
    for (bool ahead : {false, true}) {
        MemberEncoder coder(lh(7), Compression::best);
        std::size_t announced = 0;
        for (std::size_t i = 0; i < members.size(); ++i) {
            for (; ahead && announced < members.size(); ++announced) {
                MemorySource src(members[announced]);
                coder.ahead(src, members[announced].size());
            }
            MemorySource src(members[i]);
            MemorySink sink;
            ASSERT_EQ(coder.encode(src, sink, UINT64_MAX).status, CodecStatus::ok);
            EXPECT_TRUE(sink.data == compress(7, members[i], Compression::best)) << "member " << i;
        }
    }
}

} // namespace
} // namespace lzh::test
