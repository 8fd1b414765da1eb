// Our decoder for -lh2- and -lh3-, the 8 KiB methods between -lh1- and
// -lh4-: 286 literal/length symbols (the last one followed by 8 bits, for
// lengths from 32 on) and a distance's top 7 bits as a code, its low 6 bits
// as they are.  -lh3- sends static codes with each block; -lh2- adapts its
// codes to the symbols as they come, both ends changing the same trees.
#pragma once

#include <cstdint>

#include "codec.h"
#include "methods.h"

namespace lzh::detail {

CodecStatus lh23_decode(const MethodInfo &method, ByteSource &packed, std::uint64_t packed_size,
                        std::uint64_t original_size, ByteSink &out);

} // namespace lzh::detail
