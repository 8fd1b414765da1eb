// Most-significant-bit-first bit packing, as LZH streams are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lzh::enc {

class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t> &buf) : buf_(buf) {}

    // Makes room for `bits` more bits so put() need not check capacity.
    void reserve_bits(std::size_t bits) {
        std::size_t need = used_ + bits / 8 + 16;
        if (buf_.size() < need) buf_.resize(need + need / 2);
    }

    // Appends the low `len` bits of `bits` (len <= 32), most significant first.
    void put(unsigned len, std::uint32_t bits) {
        acc_ = (acc_ << len) | bits;
        fill_ += len;
        if (fill_ >= 32) {
            fill_ -= 32;
            std::uint32_t w = __builtin_bswap32(std::uint32_t(acc_ >> fill_));
            std::memcpy(buf_.data() + used_, &w, 4);
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

    // Whole bytes already packed; the caller may take them away with drop().
    std::size_t full_bytes() const { return used_; }
    const std::uint8_t *data() const { return buf_.data(); }
    void drop(std::size_t n) {
        std::memmove(buf_.data(), buf_.data() + n, used_ - n);
        used_ -= n;
    }

    // Appends `bits` bits stored most-significant-first in `src`.
    void put_stream(const std::uint8_t *src, std::uint64_t bits) {
        reserve_bits(bits);
        std::uint64_t words = bits / 32;
        for (std::uint64_t i = 0; i < words; ++i) {
            std::uint32_t w;
            std::memcpy(&w, src + i * 4, 4);
            put(32, __builtin_bswap32(w));
        }
        unsigned rest = unsigned(bits % 32);
        src += words * 4;
        while (rest >= 8) {
            put(8, *src++);
            rest -= 8;
        }
        if (rest > 0) put(rest, *src >> (8 - rest));
    }

private:
    std::vector<std::uint8_t> &buf_;
    std::size_t used_ = 0;
    std::uint64_t acc_ = 0;
    unsigned fill_ = 0;
};

} // namespace lzh::enc
