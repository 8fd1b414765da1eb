#include "decode_support.h"

#include <algorithm>
#include <cstring>

namespace lzh::test {

std::ptrdiff_t MemorySource::read(std::uint8_t *buf, std::size_t n) {
    if (pos_ >= fail_at) return -1;
    n = std::min({n, size_ - pos_, max_read, fail_at - pos_});
    std::memcpy(buf, data_ + pos_, n);
    pos_ += n;
    return static_cast<std::ptrdiff_t>(n);
}

bool StringSink::write(const std::uint8_t *buf, std::size_t n) {
    if (data.size() + n > refuse_after) return false;
    data.append(reinterpret_cast<const char *>(buf), n);
    return true;
}

CodecStatus decode_string(std::string_view method, const std::string &packed, std::uint64_t original_size,
                          StringSink &out) {
    MemorySource src(packed);
    return decode(method, src, packed.size(), original_size, out);
}

} // namespace lzh::test
