// Decoder throughput, side by side in one run.
//
//   decode_bench speed ARCHIVE...     our decoder against liblhasa's on every
//                                     member, in memory; medians of 7 rounds
//                                     of thread CPU time
//   decode_bench ours ARCHIVE...      the same for ours alone (for profiling)
//   decode_bench extract ARCHIVE DIR  what extraction does with a member:
//                                     stream it from the file, decode, CRC-16,
//                                     write DIR/<name>; for timing against
//                                     `bsdtar -xf` with hyperfine
//
// Keep the archives and DIR on /dev/shm: the disk is not what is measured.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <fcntl.h>

extern "C" {
#include <lha_decoder.h>
}

#include "archive.h"
#include "codec.h"
#include "crc16.h"
#include "file_io.h"

namespace {

class CountingSink : public lzh::ByteSink {
public:
    std::uint64_t bytes = 0;
    std::uint16_t crc = 0;
    bool write(const std::uint8_t *buf, std::size_t n) override {
        crc = lzh::crc16_update(crc, buf, n);
        bytes += n;
        return true;
    }
};

class BufferSource : public lzh::ByteSource {
public:
    explicit BufferSource(const std::vector<std::uint8_t> &b) : p_(b.data()), left_(b.size()) {}
    std::ptrdiff_t read(std::uint8_t *buf, std::size_t n) override {
        n = std::min(n, left_);
        std::memcpy(buf, p_, n);
        p_ += n;
        left_ -= n;
        return static_cast<std::ptrdiff_t>(n);
    }

private:
    const std::uint8_t *p_;
    std::size_t left_;
};

std::size_t lhasa_feed(void *buf, std::size_t len, void *user) {
    return static_cast<std::size_t>(static_cast<BufferSource *>(user)->read(static_cast<std::uint8_t *>(buf), len));
}

// Decodes with liblhasa's own decoder for the method; returns the CRC-16.
std::uint16_t lhasa_decode(const lzh::Member &m, const std::vector<std::uint8_t> &packed) {
    std::string name = m.method;
    BufferSource src(packed);
    LHADecoder *d = lha_decoder_new(lha_decoder_for_name(name.data()), lhasa_feed, &src,
                                    static_cast<std::size_t>(m.original_size));
    std::vector<std::uint8_t> buf(256 * 1024);
    std::uint16_t crc = 0;
    for (std::size_t got; (got = lha_decoder_read(d, buf.data(), buf.size())) > 0;)
        crc = lzh::crc16_update(crc, buf.data(), got);
    lha_decoder_free(d);
    return crc;
}

std::uint16_t our_decode(const lzh::Member &m, const std::vector<std::uint8_t> &packed) {
    BufferSource src(packed);
    CountingSink sink;
    if (lzh::decode(m.method, src, m.packed_size, m.original_size, sink) != lzh::CodecStatus::ok) return ~m.crc16;
    return sink.crc;
}

// CPU time of this thread, not wall time: the machine is shared, and a
// compile next door stretches wall time far more than CPU time.
double thread_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

template <class F> double median_seconds(F &&f) {
    std::vector<double> t;
    for (int round = 0; round < 7; ++round) {
        const double start = thread_seconds();
        f();
        t.push_back(thread_seconds() - start);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

int speed(int argc, char **argv, bool with_lhasa) {
    std::printf("%-40s %-6s %10s %10s %10s %7s\n", "member", "method", "bytes", "ours MB/s", "lhasa MB/s", "ratio");
    for (int i = 0; i < argc; ++i) {
        lzh::ArchiveReader reader;
        if (reader.open(argv[i]) != 0) {
            std::fprintf(stderr, "%s\n", reader.error().c_str());
            return 2;
        }
        for (lzh::Member m; reader.next(m);) {
            if (m.original_size < 1024 * 1024) continue;
            std::vector<std::uint8_t> packed(static_cast<std::size_t>(m.packed_size));
            if (!reader.read_at(m.data_offset, packed.data(), packed.size())) return 2;
            const std::string label = std::string(argv[i]) + ":" + m.path;
            if (our_decode(m, packed) != m.crc16 || (with_lhasa && lhasa_decode(m, packed) != m.crc16)) {
                std::fprintf(stderr, "%s does not decode to its CRC\n", label.c_str());
                return 1;
            }
            const double ours = median_seconds([&] { our_decode(m, packed); });
            const double theirs = with_lhasa ? median_seconds([&] { lhasa_decode(m, packed); }) : 0.0;
            const double mb = static_cast<double>(m.original_size) / 1e6;
            std::printf("%-40s %-6s %10llu %10.1f %10.1f %7.2f\n", label.c_str(), m.method.c_str(),
                        static_cast<unsigned long long>(m.original_size), mb / ours, mb / theirs, theirs / ours);
        }
    }
    return 0;
}

// The extraction path without the archive side's checks: region source,
// decoder, CRC, buffered file sink.
class CrcSink : public lzh::ByteSink {
public:
    explicit CrcSink(lzh::ByteSink &inner) : inner_(inner) {}
    std::uint16_t crc = 0;
    bool write(const std::uint8_t *buf, std::size_t n) override {
        crc = lzh::crc16_update(crc, buf, n);
        return inner_.write(buf, n);
    }

private:
    lzh::ByteSink &inner_;
};

int extract(const char *path, const std::string &dir) {
    lzh::ArchiveReader reader;
    if (reader.open(path) != 0) {
        std::fprintf(stderr, "%s\n", reader.error().c_str());
        return 2;
    }
    for (lzh::Member m; reader.next(m);) {
        if (m.kind != lzh::MemberKind::file) continue;
        const std::string out_path = dir + "/" + m.file_name();
        const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0) return 5;
        lzh::FileRegionSource src(reader.fd(), m.data_offset, m.packed_size);
        lzh::FdSink file(out);
        CrcSink sink(file);
        const lzh::CodecStatus s = lzh::decode(m.method, src, m.packed_size, m.original_size, sink);
        const bool flushed = file.flush();
        ::close(out);
        if (s != lzh::CodecStatus::ok || !flushed || sink.crc != m.crc16) {
            std::fprintf(stderr, "%s: %s\n", m.path.c_str(), s != lzh::CodecStatus::ok ? lzh::describe(s) : "CRC or write error");
            return 4;
        }
    }
    return reader.error_code();
}

} // namespace

int main(int argc, char **argv) {
    if (argc >= 3 && std::strcmp(argv[1], "speed") == 0) return speed(argc - 2, argv + 2, true);
    if (argc >= 3 && std::strcmp(argv[1], "ours") == 0) return speed(argc - 2, argv + 2, false);
    if (argc == 4 && std::strcmp(argv[1], "extract") == 0) return extract(argv[2], argv[3]);
    std::fprintf(stderr, "usage: decode_bench speed|ours ARCHIVE... | decode_bench extract ARCHIVE DIR\n");
    return 1;
}
