// Canonical Huffman decoding tables for the -lh4- to -lh7- block codes.
//
// A code is looked up with the next 16 bits of the stream, MSB first.  Codes
// up to PrimaryBits long resolve in one lookup; longer ones (rare: the format
// allows 16) go through a second-level table of 2^(16 - PrimaryBits) entries
// hung off their primary prefix.
//
// An entry is what the decoder needs next, precomputed per symbol by the
// caller: bits 0-4 the code length to consume (bit 5 stays clear, so an
// entry can be a shift count as it is), bit 6 free for the caller, bit 7
// kSlow, bits 8-31 the caller's payload.  kSlow marks a link to a
// second-level table (its index in the payload) or, with payload 0, a bit
// pattern no code covers.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace lzh::detail {

inline constexpr unsigned kMaxCodeLength = 16;
inline constexpr std::uint32_t kLengthMask = 63;
inline constexpr std::uint32_t kFlag = 0x40;
inline constexpr std::uint32_t kSlow = 0x80;
inline constexpr unsigned kPayloadShift = 8;
// What a symbol the caller cannot use maps to: an incomplete code is
// legal, an unusable symbol is not, and both fail only when decoded.
inline constexpr std::uint32_t kInvalidEntry = kSlow;

template <unsigned PrimaryBits, unsigned MaxSymbols>
class HuffmanTable {
    static_assert(PrimaryBits >= 1 && PrimaryBits < kMaxCodeLength);
    static constexpr unsigned kSubBits = kMaxCodeLength - PrimaryBits;
    static constexpr std::size_t kPrimary = std::size_t{1} << PrimaryBits;
    // One second-level table per primary prefix that has long codes below
    // it; each holds at least one long symbol, so MaxSymbols bounds them.
    static constexpr std::size_t kSize = kPrimary + MaxSymbols * (std::size_t{1} << kSubBits);

public:
    static constexpr unsigned kMaxSymbols = MaxSymbols;

    // Every bit pattern decodes to `entry` and consumes no bits: the
    // format's way of sending an alphabet with one symbol in use.
    void set_single(std::uint32_t entry) { std::fill_n(entries_.begin(), kPrimary, entry & ~kLengthMask); }

    // Builds the canonical code of `lengths[0..n)` (0 = symbol unused);
    // entry_of(symbol) gives each symbol's entry without its length.  False
    // when a length exceeds 16 or the lengths over-subscribe the code space;
    // an incomplete code is accepted.
    template <class EntryOf> bool build(const std::uint8_t *lengths, unsigned n, EntryOf entry_of) {
        if (n > MaxSymbols) return false;
        unsigned count[kMaxCodeLength + 1] = {};
        for (unsigned i = 0; i < n; ++i) {
            if (lengths[i] > kMaxCodeLength) return false;
            ++count[lengths[i]];
        }
        int left = 1;
        for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
            left = left * 2 - static_cast<int>(count[len]);
            if (left < 0) return false;
        }
        unsigned next[kMaxCodeLength + 1];
        unsigned code = 0;
        for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
            next[len] = code;
            code = (code + count[len]) << 1;
        }

        std::fill_n(entries_.begin(), kPrimary, kInvalidEntry);
        std::size_t sub_free = kPrimary;
        for (unsigned sym = 0; sym < n; ++sym) {
            const unsigned len = lengths[sym];
            if (len == 0) continue;
            const unsigned c = next[len]++;
            const std::uint32_t entry = entry_of(sym) | len;
            if (len <= PrimaryBits) {
                std::fill_n(entries_.begin() + (std::size_t{c} << (PrimaryBits - len)),
                            std::size_t{1} << (PrimaryBits - len), entry);
                continue;
            }
            // A prefix-free code never gives a long code's prefix slot to a
            // short code: the slot is still invalid, or already our link.
            const unsigned prefix = c >> (len - PrimaryBits);
            if (entries_[prefix] == kInvalidEntry) {
                std::fill_n(entries_.begin() + sub_free, std::size_t{1} << kSubBits, kInvalidEntry);
                entries_[prefix] = kSlow | static_cast<std::uint32_t>(sub_free << kPayloadShift);
                sub_free += std::size_t{1} << kSubBits;
            }
            const std::size_t base = entries_[prefix] >> kPayloadShift;
            const std::size_t low = (std::size_t{c} << (kMaxCodeLength - len)) & ((std::size_t{1} << kSubBits) - 1);
            std::fill_n(entries_.begin() + base + low, std::size_t{1} << (kMaxCodeLength - len), entry);
        }
        return true;
    }

    // The entry for the code at the top of `bits` (the stream's next 64
    // bits, MSB first; at least 16 of them valid); kSlow set when no code
    // matches.
    std::uint32_t lookup(std::uint64_t bits) const {
        const std::uint32_t e = entries_[bits >> (64 - PrimaryBits)];
        if (e & kSlow) [[unlikely]]
            return lookup_long(e, bits);
        return e;
    }

    // The entry for the PrimaryBits-bit prefix `i` (a link when kSlow).
    std::uint32_t primary(std::size_t i) const { return entries_[i]; }

    // The second step for a primary entry with kSlow set.
    std::uint32_t lookup_long(std::uint32_t e, std::uint64_t bits) const {
        const std::size_t sub = e >> kPayloadShift;
        if (sub == 0) return kInvalidEntry;
        return entries_[sub + ((bits >> (64 - kMaxCodeLength)) & ((std::size_t{1} << kSubBits) - 1))];
    }

private:
    std::array<std::uint32_t, kSize> entries_; // left uninitialised: build() or set_single() comes first
};

} // namespace lzh::detail
