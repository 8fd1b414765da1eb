// Parameters of the three LZH methods we write.  They share one bit stream
// layout and differ in the window (dictionary) size and in how many
// position codes exist, which also sets the width of the position table's
// count field.
#pragma once

#include <cstdint>

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

struct Method {
    int level;         // 5, 6 or 7
    int dict_bits;     // log2 of the window
    int num_pos;       // position codes 0..num_pos-1
    int pos_count_bits;
    // A match may reach one byte less than the window: every reader's ring
    // buffer of 2^dict_bits holds that much history.
    std::int32_t max_dist() const { return (std::int32_t(1) << dict_bits) - 1; }
};

// nullptr for a level we do not write.
const Method *method_for_level(int level);

} // namespace lzh::enc
