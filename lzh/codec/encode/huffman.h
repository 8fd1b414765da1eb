// Huffman code lengths limited to 16 bits, and the canonical codes every
// LZH reader rebuilds from those lengths (shorter codes first, and within
// one length in symbol order).
#pragma once

#include <cstdint>

namespace lzh::enc {

// Sets len[i] for the n symbols from their frequencies (freq 0 gives length
// 0).  With two or more used symbols the code is complete: the reader's
// table check demands it.  Returns the number of used symbols; with fewer
// than two, every length is 0 and the caller writes the one-symbol form.
int build_lengths(const std::uint32_t *freq, int n, int max_len, std::uint8_t *len);

// Assigns the canonical codes for the given lengths.
void build_codes(const std::uint8_t *len, int n, std::uint16_t *code);

} // namespace lzh::enc
