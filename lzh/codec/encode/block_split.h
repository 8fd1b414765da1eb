// Chooses where blocks end.  Each block carries its own code tables, so a
// new block pays off where the statistics of the data change (code in an
// executable followed by its string table, say) and costs its tables
// where they do not.
#pragma once

#include <cstddef>

#include "bit_writer.h"
#include "block_coder.h"
#include "method.h"

namespace lzh::enc {

// Most codes write_blocks() takes at once.
constexpr std::size_t kSplitRegion = kMaxBlockCodes;

// Writes tokens[0..n) (n <= kSplitRegion) as one or more blocks; `learn`
// takes the prices of the last one.  Without `out` nothing is written and
// only `learn` is set, as the blocks would have set it.
void write_blocks(const Method &method, const Token *tokens, std::size_t n, BitWriter *out, Prices *learn);

} // namespace lzh::enc
