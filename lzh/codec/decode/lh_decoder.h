// Our decoder for -lh4-, -lh5-, -lh6- and -lh7-: one core (static Huffman
// blocks over an LZ77 window), told apart only by the parameters below.
#pragma once

#include <cstdint>
#include <string_view>

#include "codec.h"

namespace lzh::detail {

struct LhMethod {
    std::string_view name;
    unsigned window_bits;         // the window the compressor searches
    unsigned position_codes;      // symbols of the position alphabet
    unsigned position_count_bits; // width of the position table's code count
};

// The parameters for `name`, or nullptr when it is none of these methods.
const LhMethod *find_lh_method(std::string_view name);

CodecStatus lh_decode(const LhMethod &method, ByteSource &packed, std::uint64_t packed_size,
                      std::uint64_t original_size, ByteSink &out);

} // namespace lzh::detail
