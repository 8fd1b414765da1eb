// Writes one LZH block: the code count, the three code tables (code-length
// code, characters and lengths, positions) and the Huffman-coded codes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bit_writer.h"
#include "method.h"

namespace lzh::enc {

// One parsed code: a literal byte (0..255) or a match.  The character
// symbol sits in the low 10 bits; for a match (symbol >= 256) the offset,
// distance - 1, sits in the high 16 bits.
using Token = std::uint32_t;

inline Token literal_token(std::uint8_t byte) { return byte; }
inline Token match_token(int length, std::uint32_t distance) {
    return Token(256 + length - kMinMatch) | ((distance - 1) << 16);
}

// Codes tokens[0..n) as one block (1 <= n <= kMaxBlockCodes).
void write_block(const Method &method, const Token *tokens, std::size_t n, BitWriter &out);

} // namespace lzh::enc
