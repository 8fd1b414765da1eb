// Every compression method the library knows, in one table: the decoder,
// the compressor, the command switches and the tests all read it.
//
// The -lh4- to -lh7- family shares one bit stream and differs only in the
// window and the position alphabet.  The position code of a distance is its
// bit length, so `position_codes` fixes the farthest distance,
// 2^(position_codes - 1): the window for -lh5- to -lh7-, twice it for -lh4-.
// `position_count_bits` is the width of the position table's count field.
//
// LHARK wrote an -lh7- of its own under the same id (kLharkMethod): the
// same blocks, but lengths up to 514 and positions both sent as a code and
// extra bits, with a 64 KiB window.  Only its headers tell it apart.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace lzh {

// How hard the compressor's match finder tries.
struct SearchEffort {
    int max_chain;       // chain links followed per position
    int good_len;        // a match this long quarters the lazy search
    int lazy_len;        // a match this long is taken without a lazy look
    int nice_len;        // a match this long ends the search
    std::int32_t near3;  // how near a 3-byte match is looked for
    int learn_chain;     // the same in the trial parse that learns prices: a shallow
                         // search costs little there, and its prices serve as well
};

enum class MethodKind {
    lh,         // the -lh4- .. -lh7- core
    lhark,      // LHARK's -lh7-: the core with its own length and position codes
    lh23,       // -lh2- (adaptive Huffman codes) and -lh3- (static, one code per block)
    lh2_java,   // LHa for Java's -lh2-: its position code counts differently at first
    stored,     // data kept as it is
    directory,  // no data
    rare,       // liblhasa's to decode where it knows it; else listed only
};
// A method not in the table at all is listed only.

struct MethodInfo {
    std::string_view id;           // the five-character method id, "-lh5-"
    MethodKind kind;
    unsigned window_bits;          // log2 of the window (the dictionary; for lh the compressor's search)
    unsigned position_codes;       // symbols of the position alphabet (lh only)
    unsigned position_count_bits;  // width of the position table's count field (lh only)
    bool encoded;                  // our compressor writes it
    SearchEffort effort;           // for the methods we encode
};

// Efforts are chosen so that the CPU time of all threads stays near or below
// gzip -6's: on a busy machine the second core may not be there.
inline constexpr MethodInfo kMethods[] = {
    {"-lh0-", MethodKind::stored, 0, 0, 0, false, {}},
    {"-lz4-", MethodKind::stored, 0, 0, 0, false, {}},
    {"-pm0-", MethodKind::stored, 0, 0, 0, false, {}},
    {"-lhd-", MethodKind::directory, 0, 0, 0, false, {}},
    {"-lh4-", MethodKind::lh, 12, 14, 4, false, {}},
    {"-lh5-", MethodKind::lh, 13, 14, 4, true, {32, 16, 64, 256, 8192, 4}},
    {"-lh6-", MethodKind::lh, 15, 16, 5, true, {48, 16, 64, 256, 32768, 4}},
    {"-lh7-", MethodKind::lh, 16, 17, 5, true, {48, 16, 64, 256, 65536, 4}},
    {"-lh1-", MethodKind::rare, 12, 0, 0, false, {}},
    {"-lh2-", MethodKind::lh23, 13, 0, 0, false, {}},
    {"-lh3-", MethodKind::lh23, 13, 0, 0, false, {}},
    {"-lhx-", MethodKind::rare, 19, 0, 0, false, {}},
    {"-lzs-", MethodKind::rare, 11, 0, 0, false, {}},
    {"-lz5-", MethodKind::rare, 12, 0, 0, false, {}},
    {"-pm1-", MethodKind::rare, 13, 0, 0, false, {}},
    {"-pm2-", MethodKind::rare, 13, 0, 0, false, {}},
};

// LHARK's -lh7- (see above): 32 position codes, a 6-bit count field.
inline constexpr MethodInfo kLharkMethod = {"-lh7-", MethodKind::lhark, 16, 32, 6, false, {}};
// LHa for Java's -lh2- counts the uses of the first position code made
// before the second one comes in, which the others leave out.
inline constexpr MethodInfo kJavaLh2Method = {"-lh2-", MethodKind::lh2_java, 13, 0, 0, false, {}};

// Writers whose data of a method is their own, told apart by their headers.
enum class Dialect {
    common,
    lhark,  // LHARK: level 1 and a blank OS id; its -lh7- is kLharkMethod
    java,   // LHa for Java: OS id 'J'; its -lh2- is kJavaLh2Method
};

// The method the compressor uses when none is asked for.
inline constexpr std::string_view kDefaultMethod = "-lh5-";

constexpr const MethodInfo *find_method(std::string_view id) {
    for (const MethodInfo &m : kMethods)
        if (m.id == id) return &m;
    return nullptr;
}

// The method we encode under a one-character name: "5" is -lh5-.
constexpr const MethodInfo *encoded_method(char digit) {
    for (const MethodInfo &m : kMethods)
        if (m.encoded && m.id[3] == digit) return &m;
    return nullptr;
}

constexpr std::span<const MethodInfo> all_methods() { return kMethods; }

} // namespace lzh
