#include "crc16.h"

#include <array>
#include <bit>
#include <cstring>

#include "platform.h"

#ifdef LZH_X86_64
#define LZH_CRC16_CLMUL 1
#include <immintrin.h>
#endif

namespace lzh {
namespace {

// Slicing-by-16 tables: the CRC runs over every extracted and added byte,
// so the byte-at-a-time loop would cost as much as the decoder's inner
// loop.  t[s][i] is the CRC of byte i followed by s zero bytes.
struct Tables {
    std::array<std::array<std::uint16_t, 256>, 16> t{};
    constexpr Tables() {
        for (unsigned i = 0; i < 256; ++i) {
            std::uint16_t c = static_cast<std::uint16_t>(i);
            for (int k = 0; k < 8; ++k) c = (c & 1) ? static_cast<std::uint16_t>((c >> 1) ^ 0xA001) : static_cast<std::uint16_t>(c >> 1);
            t[0][i] = c;
        }
        for (unsigned i = 0; i < 256; ++i)
            for (std::size_t s = 1; s < t.size(); ++s)
                t[s][i] = static_cast<std::uint16_t>((t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF]);
    }
};
constexpr Tables kTables;

#ifdef LZH_CRC16_CLMUL
// Folding with carry-less multiplication.  In the usual (not reflected)
// view the message is a polynomial over GF(2), first bit highest, and the
// CRC is M(x) * x^16 mod P(x), P = x^16 + x^15 + x^2 + 1.  A 128-bit
// remainder A of what was read, followed by the next block B, stands for
// A * x^128 + B; splitting A into halves, A_hi * (x^192 mod P) and
// A_lo * (x^128 mod P) are the same modulo P and short enough to XOR onto
// B.  What is left at the end is a 16-byte stand-in for everything before
// it, which the tables finish.  Bytes here are reflected (least significant
// bit first), so a register holds the bits backwards and a carry-less
// product of two reflected 64-bit values comes out one bit short of its
// reflection: the constants are taken one power lower to make up for it.

// x^e mod P, in the usual view.
constexpr std::uint32_t x_pow_mod(unsigned e) {
    std::uint32_t r = 1;
    for (unsigned i = 0; i < e; ++i) {
        r <<= 1;
        if (r & 0x10000) r ^= 0x18005;
    }
    return r;
}

// A polynomial of degree < 64 reflected into 64 bits: x^j at bit 63 - j.
constexpr std::uint64_t reflect64(std::uint64_t v) {
    std::uint64_t r = 0;
    for (int j = 0; j < 64; ++j)
        if (v >> j & 1) r |= std::uint64_t(1) << (63 - j);
    return r;
}

// The pair of constants that fold a register `bits` farther on: the low
// half (the first 8 bytes, the high powers) is multiplied by the low one.
struct Fold {
    std::uint64_t lo, hi;
};
constexpr Fold fold_by(unsigned bits) { return {reflect64(x_pow_mod(bits + 64 - 1)), reflect64(x_pow_mod(bits - 1))}; }
constexpr Fold kFold128 = fold_by(128), kFold512 = fold_by(512);

__attribute__((target("pclmul,sse2"))) inline __m128i fold(__m128i acc, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(acc, k, 0x00), _mm_clmulepi64_si128(acc, k, 0x11)), next);
}

inline __m128i load128(const std::uint8_t *p) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(p)); }

// Folds n >= 64 bytes down to 16 (stored in `rest`), the incoming CRC
// folded into the first two; returns the bytes it used (a multiple of 16).
__attribute__((target("pclmul,sse2"))) std::size_t fold_blocks(std::uint16_t crc, const std::uint8_t *p, std::size_t n,
                                                               std::uint8_t rest[16]) {
    const __m128i k512 = _mm_set_epi64x(static_cast<long long>(kFold512.hi), static_cast<long long>(kFold512.lo));
    const __m128i k128 = _mm_set_epi64x(static_cast<long long>(kFold128.hi), static_cast<long long>(kFold128.lo));
    // Four registers 16 bytes apart, each folded 64 bytes on per step, so
    // that the multiplications overlap.
    __m128i a0 = _mm_xor_si128(load128(p), _mm_cvtsi32_si128(crc));
    __m128i a1 = load128(p + 16), a2 = load128(p + 32), a3 = load128(p + 48);
    std::size_t used = 64;
    for (; n - used >= 64; used += 64) {
        a0 = fold(a0, k512, load128(p + used));
        a1 = fold(a1, k512, load128(p + used + 16));
        a2 = fold(a2, k512, load128(p + used + 32));
        a3 = fold(a3, k512, load128(p + used + 48));
    }
    __m128i a = fold(fold(fold(a0, k128, a1), k128, a2), k128, a3);
    for (; n - used >= 16; used += 16) a = fold(a, k128, load128(p + used));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(rest), a);
    return used;
}

#endif

} // namespace

std::uint16_t crc16_update_tables(std::uint16_t crc, const std::uint8_t *p, std::size_t n) {
    const auto &t = kTables.t;
    if constexpr (std::endian::native == std::endian::little) {
        while (n >= 16) {
            std::uint64_t a, b;
            std::memcpy(&a, p, 8);
            std::memcpy(&b, p + 8, 8);
            a ^= crc;  // little-endian machines: the CRC folds into the first two bytes
            crc = static_cast<std::uint16_t>(
                t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][(a >> 24) & 0xFF] ^
                t[11][(a >> 32) & 0xFF] ^ t[10][(a >> 40) & 0xFF] ^ t[9][(a >> 48) & 0xFF] ^ t[8][a >> 56] ^
                t[7][b & 0xFF] ^ t[6][(b >> 8) & 0xFF] ^ t[5][(b >> 16) & 0xFF] ^ t[4][(b >> 24) & 0xFF] ^
                t[3][(b >> 32) & 0xFF] ^ t[2][(b >> 40) & 0xFF] ^ t[1][(b >> 48) & 0xFF] ^ t[0][b >> 56]);
            p += 16;
            n -= 16;
        }
    }
    while (n--) crc = static_cast<std::uint16_t>((crc >> 8) ^ t[0][(crc ^ *p++) & 0xFF]);
    return crc;
}

bool crc16_update_clmul(std::uint16_t &crc, const std::uint8_t *p, std::size_t n) {
#ifdef LZH_CRC16_CLMUL
    if (!platform::cpu_has_pclmul()) return false;
    if (n < 64) {
        crc = crc16_update_tables(crc, p, n);
        return true;
    }
    std::uint8_t rest[16];
    const std::size_t used = fold_blocks(crc, p, n, rest);
    crc = crc16_update_tables(crc16_update_tables(0, rest, sizeof rest), p + used, n - used);
    return true;
#else
    (void)crc, (void)p, (void)n;
    return false;
#endif
}

std::uint16_t crc16_update(std::uint16_t crc, const std::uint8_t *p, std::size_t n) {
    // Below a few blocks the tables are as quick.
    if (n >= 256 && crc16_update_clmul(crc, p, n)) return crc;
    return crc16_update_tables(crc, p, n);
}

} // namespace lzh
