// The LZH compression methods: decoding every method we know, encoding
// -lh5-, -lh6- and -lh7-.  Methods are named by their five-character id
// ("-lh5-").  Data streams through; memory stays flat whatever the size.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "io.h"
#include "methods.h"

namespace lzh {

enum class CodecStatus {
    ok,
    corrupt,      // the packed data cannot be decoded
    truncated,    // the packed data ended before the member did
    read_error,   // the source reported an error
    write_error,  // the sink refused the data
    unsupported,  // no decoder here knows the method
};

// A short English phrase for messages, e.g. "damaged data".
const char *describe(CodecStatus status);

// The table entry that decodes a member's data: its method id's, or the
// writer's own (kLharkMethod, kJavaLh2Method); null for an id nobody knows.
const MethodInfo *data_method(std::string_view id, Dialect dialect = Dialect::common);

// True when decode() knows `method` (an id, or a table entry; null: no).
bool can_decode(std::string_view method);
bool can_decode(const MethodInfo *method);

// Decodes one member: reads at most `packed_size` bytes from `packed` and
// writes exactly `original_size` bytes to `out` (fewer only on failure).
CodecStatus decode(std::string_view method, ByteSource &packed, std::uint64_t packed_size,
                   std::uint64_t original_size, ByteSink &out);
CodecStatus decode(const MethodInfo &method, ByteSource &packed, std::uint64_t packed_size,
                   std::uint64_t original_size, ByteSink &out);

struct EncodeResult {
    CodecStatus status = CodecStatus::ok;
    std::uint64_t original = 0;  // bytes read from the source
    std::uint64_t packed = 0;    // bytes written to the sink
    bool gave_up = false;        // stopped because the output passed `give_up_above`
};

// Compresses everything `in` yields with `method`; a method the compressor
// does not write (methods.h says which) gives CodecStatus::unsupported.
// When the packed size would exceed `give_up_above`, stops early with
// gave_up set, so the caller can store the member instead.  Only the whole
// tells whether a member shrinks (a file may begin with packed data and go
// on with text), so no part of it decides alone; stretches that do not
// compress are coded quickly instead.
EncodeResult encode(const MethodInfo &method, ByteSource &in, ByteSink &out, std::uint64_t give_up_above);

// How hard the compressor works for a small output.
enum class Compression {
    normal,  // a lazy parse: fast, and as small as the common LZH programs make it
    best,    // the cheapest parse under each block's code lengths: smaller, several times slower
};

// Encodes the members of one command with one method.  It keeps its coders,
// buffers and threads from member to member, and codes the members it is
// told of ahead on its two threads while the ones before are written: on
// many small files that is what keeps both cores busy.  Its output is
// encode()'s (in the best mode, that of a fresh best-mode encoder), byte
// for byte, whatever was announced.
class MemberEncoder {
public:
    explicit MemberEncoder(const MethodInfo &method, Compression compression = Compression::normal);
    ~MemberEncoder();
    MemberEncoder(const MemberEncoder &) = delete;
    MemberEncoder &operator=(const MemberEncoder &) = delete;

    // encode() with this encoder's method.  When `in` gives the same bytes
    // as a member announced with ahead(), that member's coding is used.
    EncodeResult encode(ByteSource &in, ByteSink &out, std::uint64_t give_up_above);

    // Announces a member of `size` bytes that encode() will be given soon:
    // reads it from `in` now and codes it in the background.  Takes members
    // of one segment (size < kAheadBelow) while fewer than kAhead wait and
    // their bytes stay within kAheadBytes (the first is always taken);
    // false when it took nothing (then encode() codes the member as usual).
    // A member announced but never encoded costs only its coding.
    bool ahead(ByteSource &in, std::uint64_t size);

    // Whether ahead() has room now for a member of `size` bytes: a member
    // refused for want of room can be offered again once those before it
    // are encoded.
    bool room_for(std::uint64_t size) const;

    static constexpr std::uint64_t kAheadBelow = 256 * 1024;  // one segment
    // Enough ahead that a worker done with small members finds more while
    // the other codes a large one.
    static constexpr std::size_t kAhead = 16;
    static constexpr std::size_t kAheadBytes = 256 * 1024;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace lzh
