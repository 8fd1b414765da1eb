// The best mode's parse: of all the ways to code a stretch of input as
// literals and matches (every length of every match the match finder
// saw), the one that costs fewest bits under given code lengths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "block_coder.h"
#include "match_tree.h"
#include "method.h"

namespace lzh::enc {

// The matches of a run of positions, each position's by increasing
// length (MatchTree::find's lists).  A match so marked is the rest of a
// long one that starts before its position: of its lengths only the whole
// is weighed, since cutting a long match short rarely pays, and weighing
// every length at every position inside it would cost its length squared.
constexpr FoundMatch kWholeOnly = FoundMatch(1) << 31;

class MatchCache {
public:
    MatchCache(std::size_t max_positions, std::size_t max_matches);

    // Empties it; the next position added is `first`.
    void clear(std::int32_t first);
    // Adds the next position's matches.
    void add(const FoundMatch *m, int n);
    // Forgets the positions before `pos`.
    void drop_before(std::int32_t pos);
    // Room for `positions` more positions with `matches` matches among them.
    bool has_room(std::size_t positions, std::size_t matches) const {
        return count_ + positions <= max_positions_ && start_[count_] + matches <= max_matches_;
    }

    std::int32_t first() const { return first_; }
    std::int32_t end() const { return first_ + std::int32_t(count_); }
    const FoundMatch *matches(std::int32_t pos) const { return &matches_[start_[pos - first_]]; }
    int count(std::int32_t pos) const {
        return int(start_[pos - first_ + 1] - start_[pos - first_]);
    }

private:
    std::size_t max_positions_, max_matches_;
    std::int32_t first_ = 0;
    std::size_t count_ = 0;
    std::unique_ptr<std::uint32_t[]> start_;  // count_ + 1 of them
    std::unique_ptr<FoundMatch[]> matches_;
};

// The plain parse of data[from, to): at each position its longest match,
// a literal where there is none or only a far one of three bytes.  Puts
// the codes in `out` (room for to - from) and returns how many.
std::size_t longest_matches(const std::uint8_t *data, const MatchCache &cache, std::int32_t from, std::int32_t to,
                            Token *out);

// Finds cheapest parses of stretches of up to `max_len` positions.
class OptimalParser {
public:
    explicit OptimalParser(std::size_t max_len);

    // The cheapest codes for data[from, to) under `prices`, whose matches
    // `cache` holds (none reaches past `to`); puts them in `out` (room
    // for to - from) and returns how many.  `bits`, when given, gets their
    // cost under `prices`.
    std::size_t parse(const std::uint8_t *data, const MatchCache &cache, std::int32_t from, std::int32_t to,
                      const Prices &prices, Token *out, std::uint64_t *bits = nullptr);

private:
    std::unique_ptr<std::int32_t[]> cost_;     // from each position to the end, in bits
    std::unique_ptr<std::uint32_t[]> choice_;  // at each position: 0 for a literal, else the match
};

} // namespace lzh::enc
