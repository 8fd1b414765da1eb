// decode(), can_decode() and describe() of codec.h: picks the decoder for a
// method.  Ours: the stored methods, directories, -lh2-, -lh3-, -lh4- to
// -lh7- and LHARK's -lh7-; liblhasa: whatever else it knows.
#include <algorithm>
#include <memory>

#include "codec.h"
#include "lh23_decoder.h"
#include "lh_decoder.h"
#include "lhasa_decoder.h"

namespace lzh {
namespace {

CodecStatus copy_stored(ByteSource &in, std::uint64_t packed_size, std::uint64_t original_size, ByteSink &out) {
    if (original_size == 0) return CodecStatus::ok;
    const std::size_t buf_size = static_cast<std::size_t>(std::min<std::uint64_t>(64 * 1024, original_size));
    std::unique_ptr<std::uint8_t[]> buf(new std::uint8_t[buf_size]);
    std::uint64_t left = original_size;
    std::uint64_t avail = packed_size;
    while (left > 0) {
        if (avail == 0) return CodecStatus::truncated;
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>({buf_size, left, avail}));
        const std::ptrdiff_t got = in.read(buf.get(), want);
        if (got < 0 || static_cast<std::size_t>(got) > want) return CodecStatus::read_error;
        if (got == 0) return CodecStatus::truncated;
        if (!out.write(buf.get(), static_cast<std::size_t>(got))) return CodecStatus::write_error;
        left -= static_cast<std::uint64_t>(got);
        avail -= static_cast<std::uint64_t>(got);
    }
    return CodecStatus::ok;
}

} // namespace

const char *describe(CodecStatus status) {
    switch (status) {
    case CodecStatus::ok: return "ok";
    case CodecStatus::corrupt: return "damaged data";
    case CodecStatus::truncated: return "data cut short";
    case CodecStatus::read_error: return "read error";
    case CodecStatus::write_error: return "write error";
    case CodecStatus::unsupported: return "unsupported method";
    }
    return "unknown error";
}

const MethodInfo *data_method(std::string_view id, Dialect dialect) {
    if (dialect == Dialect::lhark && id == kLharkMethod.id) return &kLharkMethod;
    if (dialect == Dialect::java && id == kJavaLh2Method.id) return &kJavaLh2Method;
    return find_method(id);
}

bool can_decode(const MethodInfo *m) {
    return m && (m->kind != MethodKind::rare || detail::lhasa_knows(m->id));
}

bool can_decode(std::string_view method) { return can_decode(find_method(method)); }

CodecStatus decode(const MethodInfo &m, ByteSource &packed, std::uint64_t packed_size, std::uint64_t original_size,
                   ByteSink &out) {
    switch (m.kind) {
    case MethodKind::rare: return detail::lhasa_decode(m.id, packed, packed_size, original_size, out);
    case MethodKind::directory:
        // A directory has no data; a size claimed for one cannot be produced.
        return original_size == 0 ? CodecStatus::ok : CodecStatus::corrupt;
    case MethodKind::stored: return copy_stored(packed, packed_size, original_size, out);
    case MethodKind::lh:
    case MethodKind::lhark: return detail::lh_decode(m, packed, packed_size, original_size, out);
    case MethodKind::lh23:
    case MethodKind::lh2_java: return detail::lh23_decode(m, packed, packed_size, original_size, out);
    }
    return CodecStatus::unsupported;
}

CodecStatus decode(std::string_view method, ByteSource &packed, std::uint64_t packed_size,
                   std::uint64_t original_size, ByteSink &out) {
    const MethodInfo *m = find_method(method);
    return m ? decode(*m, packed, packed_size, original_size, out) : CodecStatus::unsupported;
}

} // namespace lzh
