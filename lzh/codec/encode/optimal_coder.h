// The best mode's coder of one stretch of input: what SegmentCoder is to
// the default mode, with the smallest output it can find instead of speed.
//
// It finds every match length of every position (MatchTree).  The
// longest matches of a region show where its blocks should end: the cut
// whose tables and codes cost least.  Each block is then parsed by the
// cheapest path (OptimalParser) under the code lengths of its last parse,
// again while that makes the block smaller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "bit_writer.h"
#include "block_coder.h"
#include "match_tree.h"
#include "method.h"
#include "optimal_parse.h"

namespace lzh::enc {

class OptimalCoder {
public:
    explicit OptimalCoder(const Method &method);

    // As SegmentCoder::code(): codes data[dict_len .. dict_len + size)
    // with data[0 .. dict_len) as history into `out`
    // (max_coded_bytes(size) long, kReadPadding readable bytes after the
    // data) and returns the length in bits.
    std::uint64_t code(const std::uint8_t *data, std::size_t dict_len, std::size_t size, std::uint8_t *out);

    // Input positions one region holds at most: one parse, one cut into blocks.
    static constexpr std::size_t kRegion = 256 * 1024;

private:
    // Adds the matches of the positions from `from` on to the cache, as
    // many as it holds, up to `end`.
    void gather(const std::uint8_t *data, std::int32_t from, std::int32_t end);
    // Codes the positions the cache holds, all of them when they reach
    // `end`; returns where the codes written end (the cache then starts
    // there).
    std::int32_t code_region(const std::uint8_t *data, std::int32_t end, BitWriter &out);
    // Cuts tokens_[0, n) into blocks by their cost; fills cuts_ with the
    // token index each block starts at and returns the number of blocks.
    std::size_t split(std::size_t n);
    // Parses data[from, to) again under its own code lengths, up to
    // `passes` times while that makes it smaller, starting from the codes
    // in block_ (n of them); leaves the smallest in block_ and returns
    // their count.
    std::size_t refine(const std::uint8_t *data, std::int32_t from, std::int32_t to, std::size_t n, int passes);

    const Method &method_;
    MatchTree tree_;
    MatchCache cache_;
    OptimalParser parser_;
    std::unique_ptr<FoundMatch[]> found_;  // one position's matches
    std::unique_ptr<Token[]> tokens_;      // the region's parse
    std::unique_ptr<Token[]> block_;       // a block's smallest parse so far
    std::unique_ptr<Token[]> trial_;       // and the one tried after it
    std::unique_ptr<std::size_t[]> cuts_;
};

} // namespace lzh::enc
