// The rarer methods, decoded by liblhasa through its public decoder
// interface: -lh1-, -lhx-, -lzs-, -lz5-, -pm1-, -pm2-.
#pragma once

#include <cstdint>
#include <string_view>

#include "codec.h"

namespace lzh::detail {

// True when liblhasa has a decoder for `method`.
bool lhasa_knows(std::string_view method);

CodecStatus lhasa_decode(std::string_view method, ByteSource &packed, std::uint64_t packed_size,
                         std::uint64_t original_size, ByteSink &out);

} // namespace lzh::detail
