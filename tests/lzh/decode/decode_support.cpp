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

void BitWriter::put(std::uint32_t value, unsigned nbits) {
    for (unsigned i = nbits; i-- > 0;) {
        if (used_ == 0) out_.push_back('\0');
        if (i < 32 && (value >> i) & 1) out_.back() = static_cast<char>(out_.back() | (0x80 >> used_));
        used_ = (used_ + 1) % 8;
    }
}

std::string BitWriter::bytes() const { return out_; }

void BlockWriter::small_lengths(const std::vector<unsigned> &lengths, unsigned count_bits, bool zero_run) {
    w.put(static_cast<std::uint32_t>(lengths.size()), count_bits);
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        if (lengths[i] < 7) {
            w.put(lengths[i], 3);
        } else {
            w.put(7, 3);
            w.ones(lengths[i] - 7);
            w.put(0, 1);
        }
        if (zero_run && i == 2) w.put(0, 2);
    }
}

void BlockWriter::all_literals_8_bits() {
    temp_single(8 + 2); // temporary symbol t means code length t - 2
    w.put(256, 9);      // 256 lengths, each read with no bits at all
    position_single(0);
}

CodecStatus decode_string(std::string_view method, const std::string &packed, std::uint64_t original_size,
                          StringSink &out) {
    MemorySource src(packed);
    return decode(method, src, packed.size(), original_size, out);
}

} // namespace lzh::test
