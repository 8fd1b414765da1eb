// Most-significant-bit-first bit packing, as LZH streams are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lzh::enc {

// Packs into a caller's buffer; the caller sizes it for the worst case, so
// put() never checks for room.
class BitWriter {
public:
    explicit BitWriter(std::uint8_t *buf) : buf_(buf) {}

    // Appends the low `len` bits of `bits` (len <= 32), most significant first.
    void put(unsigned len, std::uint32_t bits) {
        acc_ = (acc_ << len) | bits;
        fill_ += len;
        if (fill_ >= 32) {
            fill_ -= 32;
            std::uint32_t w = __builtin_bswap32(std::uint32_t(acc_ >> fill_));
            std::memcpy(buf_ + used_, &w, 4);
            used_ += 4;
        }
    }

    std::uint64_t bit_count() const { return std::uint64_t(used_) * 8 + fill_; }

    // Pads the last byte with zero bits and returns the byte count.
    std::size_t finish() {
        while (fill_ >= 8) {
            fill_ -= 8;
            buf_[used_++] = std::uint8_t(acc_ >> fill_);
        }
        if (fill_ > 0) buf_[used_++] = std::uint8_t(acc_ << (8 - fill_));
        fill_ = 0;
        return used_;
    }

private:
    std::uint8_t *buf_;
    std::size_t used_ = 0;
    std::uint64_t acc_ = 0;
    unsigned fill_ = 0;
};

} // namespace lzh::enc
