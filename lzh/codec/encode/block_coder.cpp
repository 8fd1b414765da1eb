#include "block_coder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "huffman.h"

namespace lzh::enc {

namespace {

struct Table {
    std::uint8_t len[kNumChar];
    std::uint16_t code[kNumChar];
    int used = 0;  // symbols with a code: 0, or 2 and more
};

// The code lengths for these counts, and the codes too when `codes`
// (learning prices needs only the lengths).
void make_table(const std::uint32_t *freq, int n, Table &t, bool codes = true) {
    t.used = build_lengths(freq, n, kMaxCodeLen, t.len);
    if (t.used == 1) {
        // One used symbol: the format has a zero-bit form for it, but
        // libarchive rejects that form in the code-length and character
        // tables, so give it a one-bit code beside an unused neighbour.
        int single = 0;
        for (int i = 0; i < n; ++i)
            if (freq[i]) single = i;
        t.len[single] = 1;
        t.len[(single ^ 1) < n ? single ^ 1 : single - 1] = 1;
        t.used = 2;
    }
    if (codes && t.used >= 2) build_codes(t.len, n, t.code);
}

// A code length in the three-bit form: 0..6 as is, 7 and more as 7 followed
// by one "1" per step above 7 and a closing "0".
void put_small_length(BitWriter &out, unsigned len) {
    if (len <= 6) out.put(3, len);
    else out.put(len - 3, (1u << (len - 3)) - 2);
}

// The code-length and position tables share one layout; the code-length
// table has a two-bit count of zero lengths after its third entry.  An
// empty table (a block without matches) is written as a count of zero
// and the symbol 0, as every reader expects.
void write_pt_table(BitWriter &out, const Table &t, int n, int count_bits, int special) {
    if (t.used == 0) {
        out.put(count_bits, 0);
        out.put(count_bits, 0);
        return;
    }
    while (n > 0 && t.len[n - 1] == 0) --n;
    out.put(count_bits, n);
    int i = 0;
    while (i < n) {
        put_small_length(out, t.len[i++]);
        if (i == special) {
            int k = 0;
            while (k < 3 && i < n && t.len[i] == 0) {
                ++i;
                ++k;
            }
            out.put(2, k);
        }
    }
}

// The character lengths as code-length symbols: runs of zero lengths
// become the run codes 0 (one), 1 (3..18, 4 more bits) and 2 (20..531,
// 9 more bits); a length L becomes symbol L + 2.  Each item is the symbol
// in the low byte and its extra bits above.
int char_length_items(const Table &c, int n, std::uint32_t *items) {
    int k = 0;
    int i = 0;
    while (i < n) {
        if (c.len[i] != 0) {
            items[k++] = c.len[i] + 2u;
            ++i;
            continue;
        }
        int run = 1;
        while (i + run < n && c.len[i + run] == 0) ++run;
        i += run;
        if (run <= 2) {
            while (run--) items[k++] = 0;
        } else if (run <= 18) {
            items[k++] = 1 | std::uint32_t(run - 3) << 8;
        } else if (run == 19) {
            items[k++] = 0;
            items[k++] = 1 | 15u << 8;
        } else {
            items[k++] = 2 | std::uint32_t(run - 20) << 8;
        }
    }
    return k;
}


// Price of a symbol missing from the last block: it would need a code.
constexpr int kUnseenPrice = 12;

void learn_prices(const Method &method, const Table &ct, const Table &pt, Prices &pr) {
    auto price = [](const Table &t, int sym) { return t.len[sym] ? int(t.len[sym]) : kUnseenPrice; };
    for (int i = 0; i < 256; ++i) pr.lit[i] = std::uint8_t(price(ct, i));
    for (int l = kMinMatch; l <= kMaxMatch; ++l) pr.len[l] = std::uint8_t(price(ct, 256 + l - kMinMatch));
    for (int p = 0; p < int(method.position_codes); ++p)
        pr.pos[p] = std::uint8_t((pt.len[p] ? pt.len[p] : 6) + (p > 1 ? p - 1 : 0));
}

// The character and position tables of tokens[0..n).
void block_tables(const Method &method, const Token *tokens, std::size_t n, Table &ct, Table &pt, bool codes) {
    std::uint32_t cfreq[kNumChar] = {};
    std::uint32_t pfreq[kNumPosMax] = {};
    for (std::size_t i = 0; i < n; ++i) {
        unsigned c = tokens[i] & 0x3ff;
        ++cfreq[c];
        if (c >= 256) ++pfreq[pos_code(tokens[i] >> 16)];
    }
    make_table(cfreq, kNumChar, ct, codes);
    make_table(pfreq, method.position_codes, pt, codes);
}

// The three code tables of a block: the code-length code, the character
// lengths in it, the position lengths.  The character table always has two
// or more codes (make_table).
void write_tables(const Method &method, const Table &ct, const Table &pt, BitWriter &out) {
    Table tt;
    int nc = kNumChar;
    while (nc > 0 && ct.len[nc - 1] == 0) --nc;
    std::uint32_t items[kNumChar + 8];
    int nitems = char_length_items(ct, nc, items);
    std::uint32_t tfreq[kNumTemp] = {};
    for (int i = 0; i < nitems; ++i) ++tfreq[items[i] & 0xff];
    make_table(tfreq, kNumTemp, tt);
    write_pt_table(out, tt, kNumTemp, kTempCountBits, 3);
    out.put(kCharCountBits, nc);
    for (int i = 0; i < nitems; ++i) {
        unsigned sym = items[i] & 0xff;
        out.put(tt.len[sym], tt.code[sym]);
        if (sym == 1) out.put(4, items[i] >> 8);
        else if (sym == 2) out.put(kCharCountBits, items[i] >> 8);
    }
    write_pt_table(out, pt, method.position_codes, method.position_count_bits, -1);
}

} // namespace

Prices::Prices() {
    for (int i = 0; i < 256; ++i) lit[i] = 8;
    for (int l = 0; l <= kMaxMatch; ++l) len[l] = std::uint8_t(l < 8 ? 4 + l / 4 : 7 + (l > 32) + (l > 64));
    for (int p = 0; p < kNumPosMax; ++p) pos[p] = std::uint8_t(4 + (p > 1 ? p - 1 : 0));
}

void Prices::learn(const Method &method, const std::uint32_t *char_freq, const std::uint32_t *pos_freq) {
    Table ct, pt;
    make_table(char_freq, kNumChar, ct, false);
    make_table(pos_freq, method.position_codes, pt, false);
    learn_prices(method, ct, pt, *this);
}

void learn_block(const Method &method, const Token *tokens, std::size_t n, Prices &learn) {
    Table ct, pt;
    block_tables(method, tokens, n, ct, pt, false);
    learn_prices(method, ct, pt, learn);
}

std::uint64_t block_bits(const Method &method, const std::uint32_t *char_freq, const std::uint32_t *pos_freq) {
    Table ct, pt;
    make_table(char_freq, kNumChar, ct, false);
    make_table(pos_freq, method.position_codes, pt, false);
    std::uint8_t tables[kMaxTableBytes];
    BitWriter w(tables);
    write_tables(method, ct, pt, w);
    std::uint64_t bits = 16 + w.bit_count();
    for (int i = 0; i < kNumChar; ++i) bits += std::uint64_t(char_freq[i]) * ct.len[i];
    for (int p = 0; p < int(method.position_codes); ++p)
        if (pos_freq[p]) bits += std::uint64_t(pos_freq[p]) * (pt.len[p] + (p > 1 ? p - 1 : 0));
    return bits;
}

void write_block(const Method &method, const Token *tokens, std::size_t n, BitWriter &out, Prices *learn) {
    Table ct, pt;
    block_tables(method, tokens, n, ct, pt, true);
    if (learn) learn_prices(method, ct, pt, *learn);

    out.put(16, std::uint32_t(n));
    write_tables(method, ct, pt, out);

    std::uint32_t ccode[kNumChar];
    const std::uint8_t *clen = ct.len;
    for (int i = 0; i < kNumChar; ++i) ccode[i] = ct.len[i] ? ct.code[i] : 0;
    std::uint32_t pcode[32];
    std::uint8_t plen[32];
    for (int i = 0; i < int(method.position_codes); ++i) {
        plen[i] = pt.used ? pt.len[i] : 0;
        pcode[i] = pt.used && pt.len[i] ? pt.code[i] : 0;
    }
    // Literals and matches come in no order a branch could learn: a
    // literal puts a position code of no bits.  The writer is copied so
    // that its state stays in registers.
    BitWriter bits_out = out;
    for (std::size_t i = 0; i < n; ++i) {
        const Token t = tokens[i];
        const unsigned c = t & 0x3ff;
        bits_out.put(clen[c], ccode[c]);
        const std::uint32_t off = t >> 16;
        const unsigned p = pos_code(off);
        const unsigned extra = p > 1 ? p - 1 : 0;
        const bool match = c >= 256;
        const unsigned len = match ? plen[p] + extra : 0;
        const std::uint32_t bits = match ? (pcode[p] << extra) | (off & ((1u << extra) - 1)) : 0;
        bits_out.put(len, bits);
    }
    out = bits_out;
}

} // namespace lzh::enc
