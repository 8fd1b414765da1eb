// Fuzzes decode() for every method name, and LHARK's -lh7-, with raw
// packed data.  Input: byte 0 picks the method (and, in its top bit, a
// packed size that claims more than there is), bytes 1-3 the original size
// (under 16 MiB), the rest the packed data.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "codec.h"

namespace {

constexpr std::string_view kMethods[] = {"-lh0-", "-lh1-", "-lh4-", "-lh5-", "-lh6-", "-lh7-", "-lhd-", "-lhx-",
                                         "-lzs-", "-lz4-", "-lz5-", "-pm0-", "-pm1-", "-pm2-", "-lh2-", "-lh3-"};
// Two choices more than the ids: the writers' own, LHARK's -lh7- and LHa
// for Java's -lh2-.
constexpr std::size_t kChoices = std::size(kMethods) + 2;

class MemorySource : public lzh::ByteSource {
public:
    MemorySource(const std::uint8_t *p, std::size_t n) : p_(p), n_(n) {}
    std::size_t served = 0;
    std::ptrdiff_t read(std::uint8_t *buf, std::size_t n) override {
        if (n > n_ - served) n = n_ - served;
        for (std::size_t i = 0; i < n; ++i) buf[i] = p_[served + i];
        served += n;
        return static_cast<std::ptrdiff_t>(n);
    }

private:
    const std::uint8_t *p_;
    std::size_t n_;
};

class CountingSink : public lzh::ByteSink {
public:
    std::uint64_t bytes = 0;
    std::uint8_t last = 0;
    bool write(const std::uint8_t *buf, std::size_t n) override {
        if (n > 0) last ^= buf[0] ^ buf[n - 1]; // reads the ends of what was handed over
        bytes += n;
        return true;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 4) return 0;
    const std::size_t pick = data[0] % kChoices;
    const lzh::MethodInfo *method = pick < std::size(kMethods)      ? lzh::data_method(kMethods[pick])
                                    : pick == std::size(kMethods) ? lzh::data_method("-lh7-", lzh::Dialect::lhark)
                                                                  : lzh::data_method("-lh2-", lzh::Dialect::java);
    if (!method) std::abort();  // every id above is in the method table
    const bool claim_more = data[0] & 0x80;
    const std::uint64_t original = (std::uint64_t{data[1]} | std::uint64_t{data[2]} << 8 | std::uint64_t{data[3]} << 16);
    MemorySource src(data + 4, size - 4);
    const std::uint64_t packed = claim_more ? std::uint64_t{1} << 40 : size - 4;
    CountingSink sink;
    const lzh::CodecStatus status = lzh::decode(*method, src, packed, original, sink);
    // What the interface promises, whatever the input.
    if (sink.bytes > original) std::abort();
    if (status == lzh::CodecStatus::ok && sink.bytes != original) std::abort();
    if (status == lzh::CodecStatus::unsupported && lzh::can_decode(method)) std::abort();
    if (src.served > size - 4) std::abort();
    return 0;
}
