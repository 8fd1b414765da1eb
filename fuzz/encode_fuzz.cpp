// Fuzzes the compressor: whatever the data, each method in either mode
// must give a stream our decoder turns back into that data.  One encoder
// per method and mode serves every run, as one serves every member of a
// command.
// Input: byte 0 picks the method (bits 0-1), the mode (bit 2) and whether
// the data is stretched (bit 3): the rest of the input repeated, each copy
// with one byte changed, to some 24 KiB, so that matches reach across
// windows and blocks.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "codec.h"

namespace {

class MemorySource : public lzh::ByteSource {
public:
    explicit MemorySource(const std::vector<std::uint8_t> &d) : d_(d) {}
    std::ptrdiff_t read(std::uint8_t *buf, std::size_t n) override {
        if (n > d_.size() - at_) n = d_.size() - at_;
        for (std::size_t i = 0; i < n; ++i) buf[i] = d_[at_ + i];
        at_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }

private:
    const std::vector<std::uint8_t> &d_;
    std::size_t at_ = 0;
};

class MemorySink : public lzh::ByteSink {
public:
    std::vector<std::uint8_t> data;
    bool write(const std::uint8_t *buf, std::size_t n) override {
        data.insert(data.end(), buf, buf + n);
        return true;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *in, std::size_t size) {
    if (size < 1) return 0;
    static const char digits[] = {'5', '6', '7', '7'};
    const lzh::MethodInfo &method = *lzh::encoded_method(digits[in[0] & 3]);
    const bool best = in[0] & 4;
    static lzh::MemberEncoder *coders[4][2];
    lzh::MemberEncoder *&coder = coders[in[0] & 3][best];
    if (!coder) coder = new lzh::MemberEncoder(method, best ? lzh::Compression::best : lzh::Compression::normal);
    std::vector<std::uint8_t> data(in + 1, in + size);
    if ((in[0] & 8) && !data.empty()) {
        const std::size_t unit = data.size();
        for (std::size_t copy = 1; data.size() < 24 * 1024; ++copy) {
            data.insert(data.end(), in + 1, in + size);
            data[data.size() - 1 - copy % unit] ^= std::uint8_t(copy);
        }
    }
    MemorySource src(data);
    MemorySink packed;
    const lzh::EncodeResult r = coder->encode(src, packed, UINT64_MAX);
    if (r.status != lzh::CodecStatus::ok || r.gave_up || r.original != data.size() || r.packed != packed.data.size())
        std::abort();
    MemorySource back(packed.data);
    MemorySink out;
    if (lzh::decode(method.id, back, packed.data.size(), data.size(), out) != lzh::CodecStatus::ok || out.data != data)
        std::abort();
    return 0;
}
