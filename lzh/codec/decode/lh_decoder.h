// Our decoder for -lh4-, -lh5-, -lh6- and -lh7-: one core (static Huffman
// blocks over an LZ77 window), told apart only by the position alphabet
// that the method table (methods.h) gives each.
#pragma once

#include <cstdint>
#include <string_view>

#include "codec.h"
#include "methods.h"

namespace lzh::detail {

CodecStatus lh_decode(const MethodInfo &method, ByteSource &packed, std::uint64_t packed_size,
                      std::uint64_t original_size, ByteSink &out);

} // namespace lzh::detail
