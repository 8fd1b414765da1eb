// The compressor's view of the methods it writes (methods.h holds their
// parameters) and the constants of the bit stream they share.
#pragma once

#include <cstdint>

#include "methods.h"

namespace lzh::enc {

// Match lengths run from kMinMatch to kMaxMatch; a length is coded as the
// character-table symbol 256 + (length - kMinMatch).
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 256;
constexpr int kNumChar = 256 + kMaxMatch - kMinMatch + 1;  // 510 symbols
constexpr int kCharCountBits = 9;
constexpr int kNumTemp = 19;      // code-length code: 0..2 run codes, 3..18 lengths 1..16
constexpr int kTempCountBits = 5;
constexpr int kMaxCodeLen = 16;
constexpr int kMaxBlockCodes = 65535;  // the block header holds the count in 16 bits

// The compressor works from the method table's entry.
using Method = MethodInfo;

// A match may reach one byte less than the window: every reader's ring
// buffer of 2^window_bits holds that much history.
constexpr std::int32_t max_dist(const Method &m) { return (std::int32_t(1) << m.window_bits) - 1; }

} // namespace lzh::enc
