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

constexpr int kNumPosMax = 17;

// What codes cost, in bits, as learnt from the last block written: the
// parser weighs matches against literals with these.
struct Prices {
    std::uint8_t lit[256];
    std::uint8_t len[kMaxMatch + 1];  // by match length
    std::uint8_t pos[kNumPosMax];     // by position code, extra bits included

    Prices();  // a guess for data not seen yet

    // The prices of the codes a block with these counts would get.
    void learn(const Method &method, const std::uint32_t *char_freq, const std::uint32_t *pos_freq);
};

// Position code of an offset (distance - 1): 0 for offset 0, else its bit
// length; the bits below the leading one follow the code verbatim.  The
// bit length of 2 * offset + 1, less one, is that without a branch on
// offset 0 (a run of one byte repeated), which the coder meets at random.
inline unsigned pos_code(std::uint32_t offset) { return 31 - unsigned(__builtin_clz(2 * offset + 1)); }

// Codes tokens[0..n) as one block (1 <= n <= kMaxBlockCodes); updates
// `learn` with this block's prices when given.
void write_block(const Method &method, const Token *tokens, std::size_t n, BitWriter &out,
                 Prices *learn = nullptr);

// Most bytes the code tables of one block take.
constexpr std::size_t kMaxTableBytes = 1800;

// The bits write_block() writes for a block with these counts of
// character and position codes.
std::uint64_t block_bits(const Method &method, const std::uint32_t *char_freq, const std::uint32_t *pos_freq);

// The prices write_block() would learn from tokens[0..n), without coding them.
void learn_block(const Method &method, const Token *tokens, std::size_t n, Prices &learn);

} // namespace lzh::enc
