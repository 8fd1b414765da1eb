// Fuzzes the reading side with whole archives: the header reader and the
// self-extractor scan, the listing, and the decoders behind extraction.
#include "archive.h"
#include "codec.h"
#include "list.h"
#include "output.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

class NullOutput : public lzh::Output {
public:
    void line(std::string_view) override {}
};

class NullSink : public lzh::ByteSink {
public:
    bool write(const std::uint8_t *, std::size_t) override { return true; }
};

class MemorySource : public lzh::ByteSource {
public:
    MemorySource(const std::uint8_t *p, std::size_t n) : p_(p), n_(n) {}
    std::ptrdiff_t read(std::uint8_t *buf, std::size_t n) override {
        if (n > n_) n = n_;
        std::copy(p_, p_ + n, buf);
        p_ += n;
        n_ -= n;
        return static_cast<std::ptrdiff_t>(n);
    }

private:
    const std::uint8_t *p_;
    std::size_t n_;
};

const std::string &scratch_path() {
    static const std::string path = "/dev/shm/unlha-fuzz-" + std::to_string(::getpid()) + ".lzh";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::FILE *f = std::fopen(scratch_path().c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    NullOutput out;
    lzh::list_archive(scratch_path(), out);

    lzh::ArchiveReader reader;
    if (reader.open(scratch_path()) != 0) return 0;
    lzh::Member m;
    while (reader.next(m)) {
        // Members stay small here so a lying size cannot stall the run.
        if (m.original_size > (1u << 20) || m.data_offset > size) continue;
        std::size_t avail = size - static_cast<std::size_t>(m.data_offset);
        std::size_t packed = static_cast<std::size_t>(std::min<std::uint64_t>(m.packed_size, avail));
        MemorySource src(data + m.data_offset, packed);
        NullSink sink;
        lzh::decode(m.method, src, m.packed_size, m.original_size, sink);
    }
    return 0;
}
