#include "lh_decoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform.h"
#include "huffman_table.h"

namespace lzh::detail {
namespace {

// Literal/length alphabet: 256 literals, then match lengths 3 to 256.
constexpr unsigned kCodeSymbols = 510;
constexpr unsigned kCodeCountBits = 9;
constexpr unsigned kMinMatch = 3;
// The code that sends the literal/length code's lengths: lengths 0 to 16
// (as symbol - 2) and three run-of-zeros symbols.
constexpr unsigned kTempSymbols = 19;
constexpr unsigned kTempCountBits = 5;
constexpr unsigned kTempSkipAfter = 3; // a 2-bit zero run follows the third length
constexpr unsigned kMaxTempLengths = 31; // its 5-bit count field allows up to 31 lengths
constexpr unsigned kMaxPositionLengths = 63; // LHARK's 6-bit count field, 63
// LHARK's -lh7-: 289 literal/length symbols, lengths 3 to 514.
constexpr unsigned kLharkCodeSymbols = 289;
constexpr unsigned kMaxMatch = 514;

// Table entries (see huffman_table.h) carry what the hot loop needs.
// Literal/length code: a literal's byte, or kFlag and the match length.
std::uint32_t code_entry(unsigned symbol) {
    if (symbol < 256) return symbol << kPayloadShift;
    if (symbol < kCodeSymbols) return kFlag | ((symbol - 256 + kMinMatch) << kPayloadShift);
    return kInvalidEntry;
}

// LHARK's: symbols 256-263 are lengths 3-10; from 264 on, four codes per
// count of extra bits (1 to 6), the length's top bits 4 to 7 shifted
// left by them; 288 is 514.  Kept out of the core's hot loop (see
// decode_batch_lhark()): the length in bits 8-17, the extra bit count
// from bit 20.
std::uint32_t lhark_code_entry(unsigned symbol) {
    if (symbol < 256) return symbol << kPayloadShift;
    if (symbol < 264) return kFlag | ((symbol - 256 + kMinMatch) << kPayloadShift);
    if (symbol < 288) {
        const unsigned extra = (symbol - 260) / 4;
        const unsigned base = ((4 + symbol % 4) << extra) + kMinMatch;
        return kFlag | (base << kPayloadShift) | (extra << 20);
    }
    if (symbol == 288) return kFlag | (kMaxMatch << kPayloadShift);
    return kInvalidEntry;
}

// Position code c stands for distances 2^(c-1)+1 .. 2^c (c >= 2; then c-1
// extra bits follow), or 1 and 2 (c = 0, 1).  The entry holds the extra
// bit count in bits 8-12 and the smallest distance from bit 16.
std::uint32_t position_entry(unsigned code, unsigned position_codes) {
    if (code >= position_codes) return kInvalidEntry;
    const unsigned extra = code > 1 ? code - 1 : 0;
    const unsigned base = code > 1 ? (1u << extra) + 1 : code + 1;
    return (extra << kPayloadShift) | (base << 16);
}

// LHARK's position codes: 0 to 3 the distances 1 to 4, then two codes per
// count of extra bits, (2 or 3) << extra, plus one: code 31 reaches 65536.
std::uint32_t lhark_position_entry(unsigned code) {
    if (code >= kLharkMethod.position_codes) return kInvalidEntry;
    const unsigned extra = code < 4 ? 0 : (code - 2) / 2;
    const unsigned base = (code < 4 ? code : (2 + code % 2) << extra) + 1;
    return (extra << kPayloadShift) | (base << 16);
}

std::uint32_t temp_entry(unsigned symbol) { return symbol < kTempSymbols ? symbol << kPayloadShift : kInvalidEntry; }

constexpr std::size_t kInBufSize = 64 * 1024;
// Zeros after the last packed byte: the bit buffer loads 8 bytes at a time
// and the last symbols need not end on a byte boundary.  Using up all of
// them means the stream ran past its end.
constexpr std::size_t kInPad = 64;

// Decoding runs in two halves.  The first reads the bit stream: it
// decodes the symbols of up to kBatch bytes of output into a Batch, the
// literals in one array and each match as one word.  The second copies
// them into the output behind a copy of the window, and hands that on.
// A long member has the first half on a thread of its own, so the second
// (and the CRC and the writing the sink does) overlap with it.
constexpr std::size_t kBatch = 256 * 1024;
// A batch ends with the symbol that reaches kBatch: a match may take it
// 513 bytes further (255 but for LHARK).  The wide copies may write 16
// bytes past the end and read 16 past the literals.
constexpr std::size_t kOutSlack = kMaxMatch + 16;
constexpr std::size_t kLitSlack = 16;
// Entries of two codes (Decoder::pairs_), for the length of both: two
// literals, the second byte in bits 16-23 and kTwoLiterals set; or a match
// length (kFlag, bits 8-16) with its position code, kWithPosition set, the
// count of extra bits in bits 18-22 and in bit 23 the 1 of the smallest
// distance 2^extra + 1 (0 where it is 2^extra: position code 0).
constexpr std::uint32_t kWithPosition = 1u << 17;
constexpr std::uint32_t kTwoLiterals = 1u << 24;
constexpr unsigned kPairsFrom = 4096;  // symbols a block needs to repay building them
constexpr std::size_t kMaxStep = 256;  // bytes of output one entry makes at most
// Members from this size on are decoded on two threads.
constexpr std::uint64_t kTwoThreadsFrom = 1024 * 1024;
// Batches between the two halves: one filled while one is copied and
// one waits.
constexpr int kBatches = 3;

// A match word: the count of the batch's literals before the match in
// bits 0-23, its length in bits 24-33 (0 for the literals at the end of a
// batch), the distance from bit 34 on.
inline std::uint64_t match_word(std::uint32_t literals, unsigned length, std::size_t distance) {
    return literals | std::uint64_t(length) << 24 | std::uint64_t(distance) << 34;
}

// The distance of a match from its position entry p, the position code's
// bits and the extra bits after it consumed from `bits`.  Two shifts, so
// that 0 extra bits reads nothing without a branch.  The distance is at
// most 2^(position_codes - 1), the decoder's history, and the output sits
// at least that far into its buffer: the source is always inside it.
inline std::size_t take_distance(std::uint64_t &bits, unsigned &nbits, std::uint32_t p) {
    bits <<= p & kLengthMask;
    nbits -= p & kLengthMask;
    const unsigned extra = (p >> kPayloadShift) & 31;
    const std::size_t dist = (p >> 16) + static_cast<std::size_t>((bits >> 32) >> (32 - extra));
    bits <<= extra;
    nbits -= extra;
    return dist;
}

// The symbols of up to `most` <= kBatch bytes of output (sized down for a
// small member: the mixed case is thousands of them).
struct Batch {
    std::unique_ptr<std::uint8_t[]> literals;  // most + kLitSlack
    std::unique_ptr<std::uint64_t[]> matches;  // most / kMinMatch + 2 words
    std::size_t words = 0;
    std::size_t bytes = 0;  // of output
    CodecStatus status = CodecStatus::ok;  // not ok: the batch is not to be used

    explicit Batch(std::size_t most)
        : literals(new std::uint8_t[most + kLitSlack]), matches(new std::uint64_t[most / kMinMatch + 2]) {}
};

inline std::uint64_t load_be64(const std::uint8_t *p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap64(v);
    return v;
}

// Copies a match of `len` bytes from `dist` bytes back (none for len 0).  Overlap is the
// point (dist < len repeats the pattern).  May write up to 15 bytes past
// the end, which the slack covers.
inline void copy_match(std::uint8_t *out, std::size_t dist, unsigned len) {
    const std::uint8_t *src = out - dist;
    std::uint8_t *const end = out + len;
    if (dist >= 16) {
        // Most matches are short: one 16-byte copy, no loop.
        std::memcpy(out, src, 16);
        while ((out += 16) < end) std::memcpy(out, src += 16, 16);
    } else if (dist >= 8) {
        do {
            std::memcpy(out, src, 8);
            out += 8;
            src += 8;
        } while (out < end);
    } else if (dist == 1) {
        std::memset(out, *src, len);
    } else {
        for (unsigned i = 0; i < len; ++i) out[i] = src[i];
    }
}

// The second half: the batch's output at `out`, which has the window
// before it; returns its end.
std::uint8_t *copy_batch(const Batch &b, std::uint8_t *out) {
    const std::uint8_t *lit = b.literals.get();
    std::size_t literals = 0;
    const std::uint64_t *const end = b.matches.get() + b.words;
    for (const std::uint64_t *w = b.matches.get(); w < end; ++w) {
        const std::size_t n = (*w & 0xFFFFFF) - literals;
        literals += n;
        const unsigned len = static_cast<unsigned>(*w >> 24) & 0x3FF;
        std::memcpy(out, lit, 16);
        for (std::size_t i = 16; i < n; i += 16) std::memcpy(out + i, lit + i, 16);
        out += n;
        lit += n;
        copy_match(out, static_cast<std::size_t>(*w >> 34), len);
        out += len;
    }
    return out;
}

class Decoder {
public:
    Decoder(const MethodInfo &m, ByteSource &src, std::uint64_t packed_size, ByteSink &sink)
        : src_(src), packed_left_(packed_size), sink_(sink), lhark_(m.kind == MethodKind::lhark),
          position_codes_(m.position_codes), position_count_bits_(m.position_count_bits),
          history_(std::size_t{1} << (lhark_ ? m.window_bits : m.position_codes - 1)) {}

    CodecStatus run(std::uint64_t original_size);

private:
    bool refill() {
        if (in_end_ - in_p_ >= 8) {
            bits_ |= load_be64(in_p_) >> nbits_;
            in_p_ += (63 - nbits_) >> 3;
            nbits_ |= 56;
            return true;
        }
        return refill_slow();
    }
    bool refill_slow();
    bool get_bits(unsigned n, unsigned &value);
    template <class Table> bool decode_entry(const Table &table, std::uint32_t &entry);
    bool fail(CodecStatus s) {
        status_ = s;
        return false;
    }
    bool read_block();
    template <class Table, class EntryOf>
    bool read_small_lengths(Table &table, unsigned count_bits, bool zero_run, EntryOf entry_of);
    bool read_code_lengths();
    void decode_batch(Batch &b, std::size_t stop);
    void decode_pairs(std::uint64_t &bits, unsigned &nbits, const std::uint8_t *&in_p, const std::uint8_t *in_end,
                      unsigned &block_left, const std::uint8_t *lit_base, std::uint8_t *__restrict &lit,
                      std::uint64_t *__restrict &word, std::size_t &produced, std::size_t stop, CodecStatus &status);
    [[gnu::always_inline]] void decode_batch_here(Batch &b, std::size_t stop);
    void decode_batch_bmi2(Batch &b, std::size_t stop);
    void decode_batch_lhark(Batch &b, std::size_t stop);
    void finish_batch(Batch &b, std::size_t stop, const std::uint8_t *lit, std::uint64_t *word, std::size_t produced,
                      CodecStatus status);
    CodecStatus run_here(std::uint64_t original_size, std::uint8_t *base);
    CodecStatus run_two_threads(std::uint64_t original_size, std::uint8_t *base);
    // Hands `produced` bytes at base on and moves the window down before it.
    bool put(std::uint8_t *base, std::size_t produced, std::uint64_t &left);
    bool overran() const {
        return eof_ && in_p_ > real_end_ && static_cast<std::size_t>(in_p_ - real_end_) * 8 > nbits_;
    }

    ByteSource &src_;
    std::uint64_t packed_left_;
    ByteSink &sink_;
    const bool lhark_;
    const unsigned position_codes_;
    const unsigned position_count_bits_;
    const std::size_t history_;
    CodecStatus status_ = CodecStatus::ok;

    // Input: bytes from the source, then (after the last one) kInPad zeros.
    std::unique_ptr<std::uint8_t[]> in_;
    std::size_t in_size_ = 0;
    const std::uint8_t *in_p_ = nullptr;
    const std::uint8_t *in_end_ = nullptr;
    const std::uint8_t *real_end_ = nullptr;
    bool eof_ = false;
    // The next bits of the stream, MSB first; the top nbits_ are valid.
    std::uint64_t bits_ = 0;
    unsigned nbits_ = 0;

    unsigned block_left_ = 0; // symbols left in the current block
    HuffmanTable<12, kCodeSymbols> code_;
    // The literal/length code's primary table once more, with two codes in
    // an entry where they fit in its 12 bits: two literals, or a length and
    // the position code after it (see build_pairs()).  Only for blocks
    // long enough to repay building it.
    std::array<std::uint32_t, 4096> pairs_;
    bool use_pairs_ = false;
    void build_pairs();
    HuffmanTable<10, kMaxPositionLengths> position_;
    HuffmanTable<10, kMaxTempLengths> temp_;
};

[[gnu::noinline]] bool Decoder::refill_slow() {
    if (!eof_) {
        const std::size_t keep = static_cast<std::size_t>(in_end_ - in_p_);
        std::memmove(in_.get(), in_p_, keep);
        std::uint8_t *end = in_.get() + keep;
        std::uint8_t *const cap = in_.get() + in_size_;
        while (end < cap && packed_left_ > 0) {
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(cap - end, packed_left_));
            const std::ptrdiff_t got = src_.read(end, want);
            if (got < 0 || static_cast<std::size_t>(got) > want) return fail(CodecStatus::read_error);
            if (got == 0) break; // the source ended before the packed size did
            end += got;
            packed_left_ -= static_cast<std::uint64_t>(got);
        }
        in_p_ = in_.get();
        if (end < cap) {
            eof_ = true;
            real_end_ = end;
            std::memset(end, 0, kInPad);
            end += kInPad;
        }
        in_end_ = end;
    }
    if (in_end_ - in_p_ >= 8) return refill();
    return fail(CodecStatus::truncated);
}

bool Decoder::get_bits(unsigned n, unsigned &value) {
    if (nbits_ < n && !refill()) return false;
    value = n ? static_cast<unsigned>(bits_ >> (64 - n)) : 0;
    bits_ <<= n;
    nbits_ -= n;
    return true;
}

template <class Table> bool Decoder::decode_entry(const Table &table, std::uint32_t &entry) {
    if (nbits_ < kMaxCodeLength && !refill()) return false;
    entry = table.lookup(bits_);
    if (entry & kSlow) return fail(CodecStatus::corrupt);
    bits_ <<= entry & kLengthMask;
    nbits_ -= entry & kLengthMask;
    return true;
}

// The lengths of the position code or of the temporary code: 3 bits each,
// 7 extended by one per following 1 bit.  A count of 0 means one symbol in
// use, sent whole.  A count above the alphabet is tolerated like other
// readers do; the surplus symbols fail only if they are ever decoded.
template <class Table, class EntryOf>
bool Decoder::read_small_lengths(Table &table, unsigned count_bits, bool zero_run, EntryOf entry_of) {
    unsigned n;
    if (!get_bits(count_bits, n)) return false;
    if (n == 0) {
        unsigned symbol;
        if (!get_bits(count_bits, symbol)) return false;
        table.set_single(entry_of(symbol));
        return true;
    }
    std::uint8_t lengths[Table::kMaxSymbols] = {};
    for (unsigned i = 0; i < n;) {
        unsigned len;
        if (!get_bits(3, len)) return false;
        if (len == 7) {
            for (;;) {
                unsigned bit;
                if (!get_bits(1, bit)) return false;
                if (!bit) break;
                if (++len > kMaxCodeLength) return fail(CodecStatus::corrupt);
            }
        }
        lengths[i++] = static_cast<std::uint8_t>(len);
        if (zero_run && i == kTempSkipAfter) {
            unsigned zeros;
            if (!get_bits(2, zeros)) return false;
            for (; zeros > 0 && i < n; --zeros) lengths[i++] = 0;
        }
    }
    return table.build(lengths, n, entry_of) || fail(CodecStatus::corrupt);
}

// The literal/length code's lengths, sent with the temporary code.
bool Decoder::read_code_lengths() {
    unsigned n;
    if (!get_bits(kCodeCountBits, n)) return false;
    if (n == 0) {
        unsigned symbol;
        if (!get_bits(kCodeCountBits, symbol)) return false;
        code_.set_single(lhark_ ? lhark_code_entry(symbol) : code_entry(symbol)); // past the alphabet: fail when decoded
        return true;
    }
    if (n > (lhark_ ? kLharkCodeSymbols : kCodeSymbols)) return fail(CodecStatus::corrupt);
    std::uint8_t lengths[kCodeSymbols];
    for (unsigned i = 0; i < n;) {
        std::uint32_t e;
        if (!decode_entry(temp_, e)) return false;
        const unsigned t = e >> kPayloadShift;
        if (t > 2) {
            lengths[i++] = static_cast<std::uint8_t>(t - 2);
            continue;
        }
        unsigned run = 1;
        if (t == 1) {
            if (!get_bits(4, run)) return false;
            run += 3;
        } else if (t == 2) {
            if (!get_bits(kCodeCountBits, run)) return false;
            run += 20;
        }
        run = std::min(run, n - i);
        std::memset(lengths + i, 0, run);
        i += run;
    }
    return (lhark_ ? code_.build(lengths, n, lhark_code_entry) : code_.build(lengths, n, code_entry)) ||
           fail(CodecStatus::corrupt);
}

// Cold, and kept out of decode_batch: inlined there it crowds the hot
// loop's registers.
[[gnu::noinline]] bool Decoder::read_block() {
    unsigned symbols;
    do { // an empty block is skipped, tables and all
        if (!get_bits(16, symbols)) return false;
        if (!read_small_lengths(temp_, kTempCountBits, true, temp_entry)) return false;
        if (!read_code_lengths()) return false;
        const unsigned codes = position_codes_;
        const bool lhark = lhark_;
        if (!read_small_lengths(position_, position_count_bits_, false, [codes, lhark](unsigned c) {
                return lhark ? lhark_position_entry(c) : position_entry(c, codes);
            }))
            return false;
    } while (symbols == 0);
    block_left_ = symbols;
    use_pairs_ = symbols >= kPairsFrom && !lhark_;
    if (use_pairs_) build_pairs();
    return true;
}

// Each prefix whose first code is shorter than 12 bits, followed by a
// code that fits in the rest: a literal after a literal, or a match
// length's position code.  Taken a first code at a time: the prefixes it
// starts are a run, and what follows it in them is the table read with a
// stride.
void Decoder::build_pairs() {
    for (std::uint32_t i = 0; i < 4096;) {
        const std::uint32_t e = code_.primary(i);
        const unsigned l1 = e & kLengthMask;
        if ((e & kSlow) || l1 >= 12) {  // a link, a hole, or a code of 12 bits
            pairs_[i++] = e;
            continue;
        }
        const std::uint32_t run = 1u << (12 - l1);
        std::uint32_t *const out = pairs_.data() + i;
        if (!(e & kFlag)) {
            for (std::uint32_t j = 0; j < run; ++j) {
                const std::uint32_t e2 = code_.primary(j << l1);
                const bool fits = !(e2 & (kFlag | kSlow)) && (e2 & kLengthMask) <= 12 - l1;
                out[j] = fits ? ((l1 + (e2 & kLengthMask)) | (e & 0xFF00) | ((e2 & 0xFF00) << 8) | kTwoLiterals) : e;
            }
        } else {
            for (std::uint32_t j = 0; j < run; ++j) {
                const std::uint32_t p = position_.primary((j << l1) >> 2);
                const unsigned plen = p & kLengthMask;
                const bool fits = !(p & kSlow) && plen <= 12 - l1;
                const std::uint32_t extra = (p >> kPayloadShift) & 31;
                const std::uint32_t b0 = ((p >> 16) - (1u << extra)) & 1;
                out[j] = fits ? ((l1 + plen) | kFlag | (e & 0x1FF00) | kWithPosition | (extra << 18) | (b0 << 23)) : e;
            }
        }
        i += run;
    }
}

// The bulk of a long block, entries of two codes at a time (pairs_), with
// everything in registers.  It stops short of the block's last symbol (an
// entry may hold two), of the input's last 8 bytes (a step then reads
// without checking), of the stop, and when fewer than 16 bits are left
// for the next lookup.
[[gnu::always_inline]] inline void Decoder::decode_pairs(std::uint64_t &bits, unsigned &nbits,
                                                         const std::uint8_t *&in_p, const std::uint8_t *in_end,
                                                         unsigned &block_left, const std::uint8_t *lit_base,
                                                         std::uint8_t *__restrict &lit, std::uint64_t *__restrict &word,
                                                         std::size_t &produced, std::size_t stop, CodecStatus &status) {
    const std::uint32_t *const pairs = pairs_.data();
    while (block_left >= 2) {
        // As many steps as surely stay clear of those ends, counted out at
        // once.  The symbols they take are counted after: one a literal,
        // one a match word.
        const std::size_t steps = std::min<std::size_t>({(block_left - 1) / 2,
                                                         static_cast<std::size_t>(in_end - in_p) / 8,
                                                         (stop - produced + kMaxStep - 1) / kMaxStep});
        if (steps == 0) return;
        const std::uint8_t *const lit_from = lit;
        const std::uint64_t *const word_from = word;
        for (std::size_t step = 0; step < steps; ++step) {
            if (nbits < 16) break;
            // The lookup before the refill: the refill's load then overlaps
            // with it instead of delaying it.  The 16 bits the lookup reads
            // are there already; the refill adds below them.
            std::uint32_t e = pairs[bits >> 52];
            bits |= load_be64(in_p) >> nbits;
            in_p += (63 - nbits) >> 3;
            nbits |= 56;
            if (e & kSlow) [[unlikely]] {
                e = code_.lookup_long(e, bits);
                if (e & kSlow) {
                    status = CodecStatus::corrupt;
                    break;
                }
            }
            bits <<= e & kLengthMask;
            nbits -= e & kLengthMask;
            const std::uint32_t is_match = (e >> 6) & 1;  // kFlag
            if ((e & (kFlag | kWithPosition)) == kFlag) [[unlikely]] {
                // A match whose position code did not fit in the entry.
                const std::uint32_t p = position_.lookup(bits);
                if (p & kSlow) [[unlikely]] {
                    status = CodecStatus::corrupt;
                    break;
                }
                const std::size_t dist = take_distance(bits, nbits, p);
                const unsigned length = (e >> 8) & 0x1FF;
                *word++ = match_word(static_cast<std::uint32_t>(lit - lit_base), length, dist);
                produced += length;
                continue;
            }
            // Literals or a match, without a branch on which: that is too
            // hard to guess, and a wrong guess costs more than doing both.
            // Both are written; the pointers only move past what the entry
            // holds.
            const std::uint32_t if_match = 0u - is_match;
            const std::uint32_t literals = (1 + ((e >> 24) & 1)) & ~if_match;
            lit[0] = static_cast<std::uint8_t>(e >> 8);
            lit[1] = static_cast<std::uint8_t>(e >> 16);
            lit += literals;
            const unsigned extra = (e >> 18) & 31 & if_match;
            const std::size_t dist = (std::size_t{1} << extra) + ((e >> 23) & 1) +
                                     static_cast<std::size_t>((bits >> 32) >> (32 - extra));
            bits <<= extra;
            nbits -= extra;
            const unsigned length = (e >> 8) & 0x1FF & if_match;
            *word = match_word(static_cast<std::uint32_t>(lit - lit_base), length, dist);
            word += is_match;
            produced += literals + length;
        }
        block_left -= static_cast<unsigned>((lit - lit_from) + (word - word_from));
        if (status != CodecStatus::ok || nbits < 16) return;
    }
}

// The first half: decodes symbols into `b` until they make `stop` bytes of
// output (the last match may go up to 255 bytes past it); b.status says
// why it stopped short.  The bit buffer lives in locals here, written back
// only around the cold calls: stores through the batch's pointers would
// otherwise force every member back to memory.
void Decoder::decode_batch(Batch &b, const std::size_t stop) {
    if (lhark_) return decode_batch_lhark(b, stop);
#ifdef LZH_X86_64
    // The shifts by a variable count take a third fewer steps with BMI2.
    if (platform::cpu_has_bmi2()) return decode_batch_bmi2(b, stop);
#endif
    decode_batch_here(b, stop);
}

#ifdef LZH_X86_64
__attribute__((target("bmi2"))) void Decoder::decode_batch_bmi2(Batch &b, const std::size_t stop) {
    decode_batch_here(b, stop);
}
#endif

inline void Decoder::decode_batch_here(Batch &b, const std::size_t stop) {
    std::uint64_t bits = bits_;
    unsigned nbits = nbits_;
    const std::uint8_t *in_p = in_p_;
    const std::uint8_t *in_end = in_end_;
    unsigned block_left = block_left_;
#define LZH_SAVE() (bits_ = bits, nbits_ = nbits, in_p_ = in_p, block_left_ = block_left)
#define LZH_LOAD() (bits = bits_, nbits = nbits_, in_p = in_p_, in_end = in_end_, block_left = block_left_)
    // One refill covers the longest symbol: a 16-bit length code, a
    // 16-bit position code and 15 extra bits.
#define LZH_REFILL()                                                                                               \
    if (in_end - in_p >= 8) [[likely]] {                                                                           \
        bits |= load_be64(in_p) >> nbits;                                                                          \
        in_p += (63 - nbits) >> 3;                                                                                 \
        nbits |= 56;                                                                                               \
    } else {                                                                                                       \
        LZH_SAVE();                                                                                                \
        const bool more = refill_slow();                                                                           \
        LZH_LOAD();                                                                                                \
        if (!more) break;                                                                                          \
    }
    const std::uint8_t *const lit_base = b.literals.get();
    std::uint8_t *__restrict lit = b.literals.get();
    std::uint64_t *__restrict word = b.matches.get();
    std::size_t produced = 0;
    CodecStatus status = CodecStatus::ok;
    // The entry of the next literal/length symbol, its code consumed; kSlow
    // set for damaged data.
    auto next_entry = [&]() __attribute__((always_inline)) {
        const std::uint32_t e = code_.lookup(bits);
        bits <<= e & kLengthMask;
        nbits -= e & kLengthMask;
        --block_left;
        return e;
    };
    auto put_match = [&](unsigned length, std::size_t dist) __attribute__((always_inline)) {
        *word++ = match_word(static_cast<std::uint32_t>(lit - lit_base), length, dist);
        produced += length;
    };

    while (produced < stop) {
        if (block_left == 0) [[unlikely]] {
            LZH_SAVE();
            const bool read = read_block();
            LZH_LOAD();
            if (!read) break;
        }
        if (use_pairs_) {
            decode_pairs(bits, nbits, in_p, in_end, block_left, lit_base, lit, word, produced, stop, status);
            if (status != CodecStatus::ok || produced >= stop) break;
            if (block_left == 0) continue;
        }
        // One symbol at a time, near the ends of blocks and of the input.
        LZH_REFILL();
        std::uint32_t e = next_entry();
        if (!(e & (kFlag | kSlow))) {
            *lit++ = static_cast<std::uint8_t>(e >> kPayloadShift);
            ++produced;
            // Literals come in runs: take a second one without a refill
            // (40 bits are left).  The stop and block end checks stand.
            if (block_left == 0 || produced >= stop) continue;
            e = next_entry();
            if (!(e & (kFlag | kSlow))) {
                *lit++ = static_cast<std::uint8_t>(e >> kPayloadShift);
                ++produced;
                continue;
            }
            LZH_REFILL(); // 24 bits left may not hold the position
        }
        if (e & kSlow) [[unlikely]] {
            status = CodecStatus::corrupt;
            break;
        }
        const std::uint32_t p = position_.lookup(bits);
        if (p & kSlow) [[unlikely]] {
            status = CodecStatus::corrupt;
            break;
        }
        put_match(e >> kPayloadShift, take_distance(bits, nbits, p));
    }
    LZH_SAVE();
#undef LZH_REFILL
#undef LZH_LOAD
#undef LZH_SAVE
    finish_batch(b, stop, lit, word, produced, status);
}

// LHARK's blocks, a symbol at a time: its lengths take extra bits, which
// the core's loops have no room for, and its archives are few and small.
void Decoder::decode_batch_lhark(Batch &b, const std::size_t stop) {
    const std::uint8_t *const lit_base = b.literals.get();
    std::uint8_t *lit = b.literals.get();
    std::uint64_t *word = b.matches.get();
    std::size_t produced = 0;
    while (produced < stop) {
        if (block_left_ == 0 && !read_block()) break;
        std::uint32_t e, p;
        unsigned extra, position_extra;
        if (!decode_entry(code_, e)) break;
        --block_left_;
        if (!(e & kFlag)) {
            *lit++ = static_cast<std::uint8_t>(e >> kPayloadShift);
            ++produced;
            continue;
        }
        if (!get_bits(e >> 20, extra) || !decode_entry(position_, p) ||
            !get_bits((p >> kPayloadShift) & 31, position_extra))
            break;
        const unsigned length = ((e >> kPayloadShift) & 0x3FF) + extra;
        *word++ = match_word(static_cast<std::uint32_t>(lit - lit_base), length, (p >> 16) + position_extra);
        produced += length;
    }
    finish_batch(b, stop, lit, word, produced, CodecStatus::ok);
}

// Closes a batch the first half filled: why it stopped short, if it did,
// and the word for the literals after its last match.
void Decoder::finish_batch(Batch &b, const std::size_t stop, const std::uint8_t *lit, std::uint64_t *word,
                           std::size_t produced, CodecStatus status) {
    if (produced < stop && status == CodecStatus::ok) status = status_;  // a cold call failed
    else if (status == CodecStatus::ok && overran()) status = CodecStatus::truncated;
    *word++ = match_word(static_cast<std::uint32_t>(lit - b.literals.get()), 0, 0);
    b.words = static_cast<std::size_t>(word - b.matches.get());
    b.bytes = produced;
    b.status = status;
}

bool Decoder::put(std::uint8_t *base, std::size_t produced, std::uint64_t &left) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(produced, left));
    if (!sink_.write(base, n)) return false;
    left -= n;
    std::memmove(base - history_, base + produced - history_, history_);
    return true;
}

CodecStatus Decoder::run_here(std::uint64_t original_size, std::uint8_t *base) {
    Batch b(static_cast<std::size_t>(std::min<std::uint64_t>(original_size, kBatch)));
    for (std::uint64_t left = original_size; left > 0;) {
        decode_batch(b, static_cast<std::size_t>(std::min<std::uint64_t>(left, kBatch)));
        if (b.status != CodecStatus::ok) return b.status;
        if (!put(base, static_cast<std::size_t>(copy_batch(b, base) - base), left)) return CodecStatus::write_error;
    }
    return CodecStatus::ok;
}

// The first half on a thread of its own, filling the batches in turn;
// this one copies them out in the same order.
CodecStatus Decoder::run_two_threads(std::uint64_t original_size, std::uint8_t *base) {
    std::vector<Batch> batches;
    for (int i = 0; i < kBatches; ++i) batches.emplace_back(kBatch);
    std::mutex mutex;
    std::condition_variable changed;
    std::uint64_t filled = 0, emptied = 0;  // batches so far
    bool quit = false;                      // the second half has stopped
    auto first_half = [&] {
        for (std::uint64_t left = original_size; left > 0;) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return quit || filled - emptied < kBatches; });
                if (quit) return;
            }
            Batch &b = batches[filled % kBatches];
            decode_batch(b, static_cast<std::size_t>(std::min<std::uint64_t>(left, kBatch)));
            left -= std::min<std::uint64_t>(left, b.bytes);
            {
                std::lock_guard<std::mutex> lock(mutex);
                ++filled;
            }
            changed.notify_all();
            if (b.status != CodecStatus::ok) return;
        }
    };
    std::thread thread;
    try {
        thread = std::thread(first_half);
    } catch (const std::system_error &) {
        return run_here(original_size, base);
    }
    CodecStatus status = CodecStatus::ok;
    for (std::uint64_t left = original_size; left > 0;) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return filled > emptied; });
        }
        const Batch &b = batches[emptied % kBatches];
        if (b.status != CodecStatus::ok) {
            status = b.status;
            break;
        }
        if (!put(base, static_cast<std::size_t>(copy_batch(b, base) - base), left)) {
            status = CodecStatus::write_error;
            break;
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++emptied;
        }
        changed.notify_all();
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        quit = true;
    }
    changed.notify_all();
    thread.join();
    return status;
}

CodecStatus Decoder::run(std::uint64_t original_size) {
    if (original_size == 0) return CodecStatus::ok;
    // Sized down for small members: the mixed case is thousands of them.
    in_size_ = static_cast<std::size_t>(std::min<std::uint64_t>(kInBufSize, std::max<std::uint64_t>(packed_left_, 8)));
    in_.reset(new std::uint8_t[in_size_ + kInPad]);
    in_p_ = in_end_ = in_.get();
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(kBatch, original_size));
    std::unique_ptr<std::uint8_t[]> buf(new std::uint8_t[history_ + chunk + kOutSlack]);
    // Matches may reach before the first byte; they read spaces there.
    std::memset(buf.get(), ' ', history_);
    std::uint8_t *const base = buf.get() + history_;
    return original_size >= kTwoThreadsFrom ? run_two_threads(original_size, base) : run_here(original_size, base);
}

} // namespace

CodecStatus lh_decode(const MethodInfo &method, ByteSource &packed, std::uint64_t packed_size,
                      std::uint64_t original_size, ByteSink &out) {
    // Heap, not stack: the tables make the decoder some 75 KiB.
    auto decoder = std::make_unique<Decoder>(method, packed, packed_size, out);
    return decoder->run(original_size);
}

} // namespace lzh::detail
