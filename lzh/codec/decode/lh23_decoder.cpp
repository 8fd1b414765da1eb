#include "lh23_decoder.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "huffman_table.h"

namespace lzh::detail {
namespace {

constexpr std::size_t kWindow = 8192;
constexpr unsigned kSymbols = 286;       // literals 0-255, then lengths 3 on
constexpr unsigned kLongSymbol = 285;    // followed by 8 bits added to it
constexpr unsigned kLengthBias = 253;    // symbol - bias = match length
constexpr unsigned kMaxLength = kLongSymbol + 255 - kLengthBias;  // 287
constexpr unsigned kPositions = kWindow >> 6;  // codes of a distance's top bits
constexpr unsigned kLowBits = 6;               // sent as they are

// The packed bits, most significant first.  Past the data it reads zeros;
// taking any of them means the data was cut short.
class BitReader {
public:
    BitReader(ByteSource &src, std::uint64_t packed_size) : src_(src), left_(packed_size) {}

    // The next 16 bits, left where they are.
    unsigned peek16() {
        if (nbits_ < 16) fill();
        return static_cast<unsigned>(bits_ >> 48);
    }
    // Consumes n <= 16 bits; false when they ran past the data.
    bool skip(unsigned n) {
        if (nbits_ < n) fill();
        bits_ <<= n;
        nbits_ -= n;
        return (nbits_ >= padding_ && status_ == CodecStatus::ok) || fail(CodecStatus::truncated);
    }
    bool read(unsigned n, unsigned &value) {
        value = n ? peek16() >> (16 - n) : 0;
        return skip(n);
    }
    bool fail(CodecStatus s) {
        if (status_ == CodecStatus::ok) status_ = s;
        return false;
    }
    CodecStatus status() const { return status_; }

private:
    void fill() {
        while (nbits_ <= 56) {
            if (at_ == end_ && !load()) {
                nbits_ += 8;  // a zero byte past the data
                padding_ += 8;
                continue;
            }
            bits_ |= std::uint64_t{*at_++} << (56 - nbits_);
            nbits_ += 8;
        }
    }
    bool load() {
        if (left_ == 0 || status_ != CodecStatus::ok) return false;
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buf_.size(), left_));
        const std::ptrdiff_t got = src_.read(buf_.data(), want);
        if (got < 0 || static_cast<std::size_t>(got) > want) return fail(CodecStatus::read_error);
        if (got == 0) { // the source ended before the packed size did
            left_ = 0;
            return false;
        }
        left_ -= static_cast<std::uint64_t>(got);
        at_ = buf_.data();
        end_ = at_ + got;
        return true;
    }

    ByteSource &src_;
    std::uint64_t left_;
    std::array<std::uint8_t, 4096> buf_;
    const std::uint8_t *at_ = nullptr;
    const std::uint8_t *end_ = nullptr;
    std::uint64_t bits_ = 0;
    unsigned nbits_ = 0;
    unsigned padding_ = 0;  // of the nbits_, the zeros past the data (the lowest)
    CodecStatus status_ = CodecStatus::ok;
};

// An adaptive Huffman code, the one both ends of -lh2- keep.  Its nodes sit
// in slots ordered by weight, heaviest first, the root in slot 0; an inner
// node's children are a slot pair (its "0" child in `child`, its "1" child
// in the slot before).  Counting a symbol moves each node on its way up
// to the first slot of its weight before adding one there, which keeps
// the order; the weights are halved and the tree rebuilt when the count
// reaches 32768.
class AdaptiveCode {
public:
    // A code of `symbols` symbols, all in use, weight 1 each (the
    // literal/length code); or `growing`, with symbol 0 alone at first,
    // the others brought in by add(), and a root whose weight does not
    // count (the position code).  Symbol 0 alone is counted only when
    // `count_alone` (LHa for Java does, the others do not).
    AdaptiveCode(unsigned symbols, bool growing, bool count_alone = false)
        : weight_(2 * symbols - 1), child_(2 * symbols - 1), parent_(2 * symbols - 1), slot_of_(symbols),
          used_(growing ? 1 : 2 * symbols - 1), root_counts_(!growing), count_alone_(count_alone) {
        // The leaves fill the slots from the last up, symbol 0 last; each
        // inner node takes the next two slots from the bottom.
        unsigned slot = used_ - 1;
        for (unsigned s = 0; s < (used_ + 1) / 2; ++s, --slot) {
            weight_[slot] = 1;
            child_[slot] = ~static_cast<int>(s);
            slot_of_[s] = slot;
        }
        for (unsigned pair = used_ - 1; slot < used_ && pair > slot; pair -= 2, --slot) {
            weight_[slot] = weight_[pair] + weight_[pair - 1];
            child_[slot] = static_cast<int>(pair);
            parent_[pair] = parent_[pair - 1] = slot;
        }
        total_ = growing ? 0 : weight_[0];
    }

    bool decode(BitReader &in, unsigned &symbol) const {
        int c = child_[0];
        while (c > 0) {
            unsigned bit;
            if (!in.read(1, bit)) return false;
            c = child_[static_cast<unsigned>(c) - bit];
        }
        symbol = static_cast<unsigned>(~c);
        return true;
    }

    void count(unsigned symbol) {
        if (total_ == kRebuildAt) rebuild();
        if (root_counts_ || (used_ == 1 && count_alone_)) ++weight_[0];
        for (unsigned slot = slot_of_[symbol]; slot != 0;) slot = increment(slot);
        ++total_;
    }

    // Brings `symbol` in, counted once: the last slot, a leaf, becomes an
    // inner node over it and the new symbol.
    void add(unsigned symbol) {
        const unsigned last = used_ - 1, moved = used_, added = used_ + 1;
        child_[moved] = child_[last];
        slot_of_[static_cast<unsigned>(~child_[moved])] = moved;
        child_[added] = ~static_cast<int>(symbol);
        slot_of_[symbol] = added;
        child_[last] = static_cast<int>(added);
        weight_[moved] = weight_[last];
        weight_[added] = 0;
        if (last == 0) weight_[0] = kRootMark;
        parent_[moved] = parent_[added] = last;
        used_ += 2;
        count(symbol);
    }

    unsigned used() const { return used_; }

private:
    static constexpr std::uint32_t kRebuildAt = 0x8000;
    // The weight of a root that does not count: above every other weight,
    // so no node moves there.
    static constexpr std::uint32_t kRootMark = 0xFFFFFFFF;

    // One step up: to the first slot of this weight, one more there; the
    // parent of that slot next.
    unsigned increment(unsigned slot) {
        const std::uint32_t w = weight_[slot];
        // Slots 1.. are in order of weight: the first one not heavier.
        const unsigned first = static_cast<unsigned>(
            std::lower_bound(weight_.begin() + 1, weight_.begin() + slot, w, std::greater<>()) - weight_.begin());
        if (first != slot) {
            std::swap(child_[first], child_[slot]);
            hang(first);
            hang(slot);
        }
        ++weight_[first];
        return parent_[first];
    }

    // Points what slot `s` holds back at it.
    void hang(unsigned s) {
        const int c = child_[s];
        if (c < 0) slot_of_[static_cast<unsigned>(~c)] = s;
        else parent_[static_cast<unsigned>(c)] = parent_[static_cast<unsigned>(c) - 1] = s;
    }

    // Halves the leaves' weights (rounding up) and builds the tree anew:
    // the leaves in their order from the bottom, each inner node over the
    // last two slots filled, above the leaves no heavier than it.
    void rebuild() {
        int leaves = 0;
        for (unsigned i = 0; i < used_; ++i) {
            if (child_[i] >= 0) continue;
            weight_[leaves] = (weight_[i] + 1) / 2;
            child_[leaves++] = child_[i];
        }
        int next_leaf = leaves - 1;
        int slot = static_cast<int>(used_) - 1;
        auto place_leaf = [&] {
            weight_[slot] = weight_[next_leaf];
            child_[slot--] = child_[next_leaf--];
        };
        for (int pair = slot - 1;; pair -= 2) {
            while (slot >= pair && next_leaf >= 0) place_leaf();
            if (slot < 0) break;
            const std::uint32_t w = weight_[pair] + weight_[pair + 1];
            while (next_leaf >= 0 && weight_[next_leaf] <= w) place_leaf();
            weight_[slot] = w;
            child_[slot--] = pair + 1;
        }
        for (unsigned i = 0; i < used_; ++i) hang(i);
        total_ = weight_[0];
        if (!root_counts_) weight_[0] = kRootMark;
    }

    std::vector<std::uint32_t> weight_;
    std::vector<int> child_;        // ~symbol for a leaf
    std::vector<unsigned> parent_;  // of each slot but the root
    std::vector<unsigned> slot_of_;
    unsigned used_;
    std::uint32_t total_;           // counts since the last rebuild (the root's weight where it counts)
    bool root_counts_;
    bool count_alone_;
};

// -lh2-: both codes adaptive.  The position code starts with distances up
// to 64 alone and takes in the next 64 each time the output has passed
// that far.
class AdaptiveCodes {
public:
    explicit AdaptiveCodes(bool java) : positions_{kPositions, true, java} {}

    bool symbol(BitReader &in, unsigned &s) {
        if (!symbols_.decode(in, s)) return false;
        symbols_.count(s);
        return finish_symbol(in, s);
    }

    bool position(BitReader &in, std::uint64_t done, unsigned &p) {
        while (positions_.used() < 2 * kPositions - 1 && done > next_) {
            positions_.add(static_cast<unsigned>(next_ >> kLowBits));
            next_ += std::uint64_t{1} << kLowBits;
        }
        unsigned high, low;
        if (!positions_.decode(in, high)) return false;
        positions_.count(high);
        if (!in.read(kLowBits, low)) return false;
        p = high << kLowBits | low;
        return true;
    }

    static bool finish_symbol(BitReader &in, unsigned &s) {
        if (s != kLongSymbol) return true;
        unsigned more;
        if (!in.read(8, more)) return false;
        s += more;
        return true;
    }

private:
    AdaptiveCode symbols_{kSymbols, false};
    AdaptiveCode positions_;
    std::uint64_t next_ = std::uint64_t{1} << kLowBits;
};

// -lh3-: a block is its symbol count (16 bits), the literal/length code's
// lengths (a 1 bit and 4 bits of length less one, or a 0 bit for an unused
// symbol), then a 1 bit and the position code's lengths (4 bits each) or a
// 0 bit for the fixed position code.  Three lengths of 1 first stand for a
// code of one symbol, sent whole (9 bits; 7 for a position).
class StaticCodes {
public:
    bool symbol(BitReader &in, unsigned &s) {
        while (left_ == 0)
            if (!read_block(in)) return false;
        --left_;
        return lookup(in, symbols_, s) && AdaptiveCodes::finish_symbol(in, s);
    }

    bool position(BitReader &in, std::uint64_t, unsigned &p) {
        unsigned high, low;
        if (!lookup(in, positions_, high) || !in.read(kLowBits, low)) return false;
        p = high << kLowBits | low;
        return true;
    }

private:
    template <class Table> static bool lookup(BitReader &in, const Table &table, unsigned &s) {
        const std::uint32_t e = table.lookup(std::uint64_t{in.peek16()} << 48);
        if (e & kSlow) return in.fail(CodecStatus::corrupt);
        s = e >> kPayloadShift;
        return in.skip(e & kLengthMask);
    }

    template <unsigned Limit> static std::uint32_t entry(unsigned symbol) {
        return symbol < Limit ? symbol << kPayloadShift : kInvalidEntry;
    }

    // The lengths of a code; `flagged`: each behind a 1 bit, stored less one.
    template <class Table>
    static bool read_code(BitReader &in, Table &table, unsigned n, bool flagged, unsigned single_bits) {
        std::uint8_t lengths[kSymbols];
        for (unsigned i = 0; i < n; ++i) {
            unsigned used = 1, len;
            if (flagged && !in.read(1, used)) return false;
            if (!used) len = 0;
            else if (!in.read(4, len)) return false;
            lengths[i] = static_cast<std::uint8_t>(flagged && used ? len + 1 : len);
            if (i == 2 && lengths[0] == 1 && lengths[1] == 1 && lengths[2] == 1) {
                unsigned symbol;
                if (!in.read(single_bits, symbol)) return false;
                table.set_single(entry<Table::kMaxSymbols>(symbol));
                return true;
            }
        }
        return table.build(lengths, n, entry<Table::kMaxSymbols>) || in.fail(CodecStatus::corrupt);
    }

    bool read_block(BitReader &in) {
        unsigned custom;
        if (!in.read(16, left_) || !read_code(in, symbols_, kSymbols, true, 9) || !in.read(1, custom)) return false;
        if (custom) return read_code(in, positions_, kPositions, false, 7);
        // The fixed position code: length 2 for the first, then one longer
        // from each of these symbols on (none is 3 long).
        constexpr unsigned kLonger[] = {1, 1, 3, 6, 13, 31, 78};
        std::uint8_t lengths[kPositions];
        unsigned len = 2, k = 0;
        for (unsigned i = 0; i < kPositions; ++i) {
            while (k < std::size(kLonger) && kLonger[k] == i) ++len, ++k;
            lengths[i] = static_cast<std::uint8_t>(len);
        }
        return positions_.build(lengths, kPositions, entry<kPositions>) || in.fail(CodecStatus::corrupt);
    }

    unsigned left_ = 0;  // symbols left in the block; an empty block is passed over
    HuffmanTable<12, kSymbols> symbols_;
    HuffmanTable<10, kPositions> positions_;
};

// The output behind 8 KiB of history (spaces before the first byte),
// handed on in chunks.
class Output {
public:
    Output(ByteSink &sink, std::uint64_t size) : sink_(sink), left_(size), buf_(kWindow + kChunk + kMaxLength, ' ') {}

    void literal(unsigned byte) { buf_[at_++] = static_cast<std::uint8_t>(byte); }
    void match(unsigned length, std::size_t distance) {
        for (std::size_t from = at_ - distance; length > 0; --length) buf_[at_++] = buf_[from++];
    }
    // Hands on what is there once a chunk is full (or always); false when
    // the sink refuses it.
    bool flush(bool always) {
        if (at_ < kWindow + kChunk && !always) return true;
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(at_ - kWindow, left_));
        if (n && !sink_.write(buf_.data() + kWindow, n)) return false;
        left_ -= n;
        std::copy(buf_.begin() + static_cast<std::ptrdiff_t>(at_ - kWindow), buf_.begin() + static_cast<std::ptrdiff_t>(at_),
                  buf_.begin());
        at_ = kWindow;
        return true;
    }

private:
    static constexpr std::size_t kChunk = 64 * 1024;
    ByteSink &sink_;
    std::uint64_t left_;
    std::vector<std::uint8_t> buf_;
    std::size_t at_ = kWindow;
};

template <class Codes>
CodecStatus run(std::unique_ptr<Codes> codes, ByteSource &packed, std::uint64_t packed_size, std::uint64_t size,
                ByteSink &out) {
    BitReader in(packed, packed_size);
    Output output(out, size);
    for (std::uint64_t done = 0; done < size;) {
        unsigned s, position;
        if (!codes->symbol(in, s)) return in.status();
        if (s < 256) {
            output.literal(s);
            ++done;
        } else {
            if (!codes->position(in, done, position)) return in.status();
            output.match(s - kLengthBias, std::size_t{position} + 1);
            done += s - kLengthBias;
        }
        if (!output.flush(false)) return CodecStatus::write_error;
    }
    if (in.status() != CodecStatus::ok) return in.status();
    return output.flush(true) ? CodecStatus::ok : CodecStatus::write_error;
}

} // namespace

CodecStatus lh23_decode(const MethodInfo &method, ByteSource &packed, std::uint64_t packed_size,
                        std::uint64_t original_size, ByteSink &out) {
    if (original_size == 0) return CodecStatus::ok;
    if (method.id == "-lh3-") return run(std::make_unique<StaticCodes>(), packed, packed_size, original_size, out);
    const bool java = method.kind == MethodKind::lh2_java;
    return run(std::make_unique<AdaptiveCodes>(java), packed, packed_size, original_size, out);
}

} // namespace lzh::detail
