#include "lhasa_decoder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

extern "C" {
#include <lha_decoder.h>
}

namespace lzh::detail {
namespace {

constexpr std::size_t kOutBuf = 64 * 1024;
constexpr std::size_t kPadding = 16;

LHADecoderType *lookup(std::string_view method) {
    // Method ids are five characters; the library wants a C string.
    if (method.size() != 5) return nullptr;
    char name[6];
    std::memcpy(name, method.data(), 5);
    name[5] = '\0';
    return lha_decoder_for_name(name);
}

// What the library's read callback sees.  It can only answer "no more
// bytes", so why it got none is kept here.
struct Feed {
    ByteSource *src;
    std::uint64_t left;       // bytes of the packed size not yet read
    std::size_t padding = kPadding;
    bool read_error = false;
    bool ran_dry = false;     // the decoder wanted more than data and padding
};

// Answers all of a request or nothing: some decoders here take any
// non-zero answer as the whole of what they asked for.
std::size_t feed(void *buf, std::size_t len, void *user) {
    auto *f = static_cast<Feed *>(user);
    auto *p = static_cast<std::uint8_t *>(buf);
    if (f->read_error) return 0;
    std::size_t have = 0;
    while (have < len && f->left > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(len - have, f->left));
        const std::ptrdiff_t got = f->src->read(p + have, want);
        if (got < 0 || static_cast<std::size_t>(got) > want) {
            f->read_error = true;
            return 0;
        }
        if (got == 0) { // the source ended before the packed size did
            f->left = 0;
            break;
        }
        have += static_cast<std::size_t>(got);
        f->left -= static_cast<std::uint64_t>(got);
    }
    // Past the data: some decoders read a little beyond it even when it
    // is good; zeros let them, and running through those means the data
    // was cut short.
    if (have < len) {
        if (len - have > f->padding) {
            f->ran_dry = true;
            return 0;
        }
        std::memset(p + have, 0, len - have);
        f->padding -= len - have;
    }
    return len;
}

} // namespace

bool lhasa_knows(std::string_view method) { return lookup(method) != nullptr; }

CodecStatus lhasa_decode(std::string_view method, ByteSource &packed, std::uint64_t packed_size,
                         std::uint64_t original_size, ByteSink &out) {
    LHADecoderType *type = lookup(method);
    if (!type) return CodecStatus::unsupported;
    if (original_size == 0) return CodecStatus::ok;

    Feed f{&packed, packed_size};
    const std::size_t length = static_cast<std::size_t>(
        std::min<std::uint64_t>(original_size, std::numeric_limits<std::size_t>::max()));
    std::unique_ptr<LHADecoder, decltype(&lha_decoder_free)> decoder(lha_decoder_new(type, feed, &f, length),
                                                                     lha_decoder_free);
    if (!decoder) throw std::bad_alloc();
    const std::size_t buf_size = static_cast<std::size_t>(std::min<std::uint64_t>(kOutBuf, original_size));
    std::unique_ptr<std::uint8_t[]> buf(new std::uint8_t[buf_size]);

    // The library decodes one step ahead of what it hands out, so after the
    // last output byte it may want input that is not there.  Asking for
    // that byte alone, last, keeps this apart from data that ran out.
    for (std::uint64_t left = original_size; left > 0;) {
        const std::size_t want =
            left == 1 ? 1 : static_cast<std::size_t>(std::min<std::uint64_t>(buf_size, left - 1));
        const std::size_t got = lha_decoder_read(decoder.get(), buf.get(), want);
        if (f.read_error) return CodecStatus::read_error;
        if (f.ran_dry && left > 1) return CodecStatus::truncated;
        if (got == 0 || got > want) return f.ran_dry ? CodecStatus::truncated : CodecStatus::corrupt;
        if (!out.write(buf.get(), got)) return CodecStatus::write_error;
        left -= got;
    }
    return CodecStatus::ok;
}

} // namespace lzh::detail
