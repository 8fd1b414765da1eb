// Canonical Huffman decoding tables for the -lh4- to -lh7- block codes.
//
// A code is looked up with the next 16 bits of the stream, MSB first.  Codes
// up to PrimaryBits long resolve in one lookup; longer ones (rare: the format
// allows 16) go through a second-level table of 2^(16 - PrimaryBits) entries
// hung off their primary prefix.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace lzh::detail {

// An entry: bits 0-8 the symbol, bits 9-13 the code length to consume.
// With bit 15 set, bits 0-14 index the second-level table instead.
inline constexpr unsigned kEntrySymbolMask = 0x1FF;
inline constexpr unsigned kEntryLengthShift = 9;
inline constexpr std::uint16_t kEntrySubtable = 0x8000;
// What a bit pattern that no code covers decodes to (incomplete codes are
// legal): a symbol beyond every alphabet, so the caller's range check
// rejects it as damaged data without a separate test.
inline constexpr unsigned kInvalidSymbol = 511;
inline constexpr unsigned kMaxCodeLength = 16;

template <unsigned PrimaryBits, unsigned MaxSymbols>
class HuffmanTable {
    static_assert(PrimaryBits >= 1 && PrimaryBits < kMaxCodeLength);
    static_assert(MaxSymbols <= kInvalidSymbol);
    static constexpr unsigned kSubBits = kMaxCodeLength - PrimaryBits;
    // One second-level table per primary prefix that has long codes below
    // it; each holds at least one long symbol, so MaxSymbols bounds them.
    static constexpr std::size_t kSize = (std::size_t{1} << PrimaryBits) + MaxSymbols * (std::size_t{1} << kSubBits);
    static_assert(kSize <= 0x8000, "subtable index must fit in 15 bits");

public:
    // Every bit pattern decodes to `symbol` and consumes no bits: the
    // format's way of sending an alphabet with one symbol in use.
    void set_single(unsigned symbol) { entries_.fill(static_cast<std::uint16_t>(symbol & kEntrySymbolMask)); }

    // Builds the canonical code of `lengths[0..n)` (0 = symbol unused).
    // False when a length exceeds 16 or the lengths over-subscribe the code
    // space; an incomplete code is accepted.
    bool build(const std::uint8_t *lengths, unsigned n) {
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

        std::fill_n(entries_.begin(), std::size_t{1} << PrimaryBits, static_cast<std::uint16_t>(kInvalidSymbol));
        std::size_t sub_free = std::size_t{1} << PrimaryBits;
        for (unsigned sym = 0; sym < n; ++sym) {
            const unsigned len = lengths[sym];
            if (len == 0) continue;
            const unsigned c = next[len]++;
            const auto entry = static_cast<std::uint16_t>(sym | (len << kEntryLengthShift));
            if (len <= PrimaryBits) {
                const std::size_t first = std::size_t{c} << (PrimaryBits - len);
                std::fill_n(entries_.begin() + first, std::size_t{1} << (PrimaryBits - len), entry);
                continue;
            }
            // A prefix-free code never puts a short code on a long code's
            // prefix, so this slot is either untouched or already a subtable.
            const unsigned prefix = c >> (len - PrimaryBits);
            if (!(entries_[prefix] & kEntrySubtable)) {
                std::fill_n(entries_.begin() + sub_free, std::size_t{1} << kSubBits, static_cast<std::uint16_t>(kInvalidSymbol));
                entries_[prefix] = static_cast<std::uint16_t>(kEntrySubtable | sub_free);
                sub_free += std::size_t{1} << kSubBits;
            }
            const std::size_t base = entries_[prefix] & ~kEntrySubtable;
            const std::size_t low = (std::size_t{c} << (kMaxCodeLength - len)) & ((std::size_t{1} << kSubBits) - 1);
            std::fill_n(entries_.begin() + base + low, std::size_t{1} << (kMaxCodeLength - len), entry);
        }
        return true;
    }

    // The entry for the code at the top of `bits` (the stream's next 64
    // bits, MSB first; at least 16 of them valid).
    std::uint16_t lookup(std::uint64_t bits) const {
        std::uint16_t e = entries_[bits >> (64 - PrimaryBits)];
        if (e & kEntrySubtable) [[unlikely]]
            e = entries_[(e & ~kEntrySubtable) + ((bits >> (64 - kMaxCodeLength)) & ((1u << kSubBits) - 1))];
        return e;
    }

private:
    std::array<std::uint16_t, kSize> entries_{};
};

inline unsigned entry_symbol(std::uint16_t e) { return e & kEntrySymbolMask; }
inline unsigned entry_length(std::uint16_t e) { return (e >> kEntryLengthShift) & 31u; }

} // namespace lzh::detail
