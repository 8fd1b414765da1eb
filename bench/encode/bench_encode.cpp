// Compresses one file with -lh5-, -lh6- and -lh7- in this process and prints
// the speed (median of the runs: wall time, and the CPU time of all threads,
// steadier on a busy machine) and the packed size, to compare with
// `gzip -6 < FILE > /dev/null` and other LZH compressors.
//
//   bench_encode FILE|FOLDER [-r RUNS] [-m 5|6|7]... [-b]
//
// -b: the best mode.
//
// The file is read through read(2) in segments, as the archiver will, so
// the reported peak RSS is that of a real compression.  A folder's files
// (all below it, in path order) are read into memory first and coded as
// the members of one archive are, the next ones announced ahead: the
// coder's own time on many small files, without the file system's.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codec.h"

namespace {

class FileSource : public lzh::ByteSource {
public:
    explicit FileSource(int fd) : fd_(fd) {}
    std::ptrdiff_t read(std::uint8_t *buf, std::size_t n) override {
        ssize_t r;
        do r = ::read(fd_, buf, n);
        while (r < 0 && errno == EINTR);
        return r;
    }

private:
    int fd_;
};

class MemorySource : public lzh::ByteSource {
public:
    explicit MemorySource(const std::vector<std::uint8_t> &data) : data_(data) {}
    std::ptrdiff_t read(std::uint8_t *buf, std::size_t n) override {
        n = std::min(n, data_.size() - pos_);
        if (n) std::memcpy(buf, data_.data() + pos_, n);
        pos_ += n;
        return std::ptrdiff_t(n);
    }

private:
    const std::vector<std::uint8_t> &data_;
    std::size_t pos_ = 0;
};

class CountingSink : public lzh::ByteSink {
public:
    bool write(const std::uint8_t *, std::size_t n) override {
        bytes += n;
        return true;
    }
    std::uint64_t bytes = 0;
};

double cpu_seconds() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int usage() {
    std::fprintf(stderr, "usage: bench_encode FILE|FOLDER [-r RUNS] [-m 5|6|7]... [-b]\n");
    return 2;
}

std::vector<std::vector<std::uint8_t>> read_tree(const char *folder) {
    std::vector<std::filesystem::path> paths;
    for (const auto &e : std::filesystem::recursive_directory_iterator(folder))
        if (e.is_regular_file()) paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    std::vector<std::vector<std::uint8_t>> files;
    for (const auto &p : paths) {
        std::ifstream in(p, std::ios::binary);
        files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

// Codes the files as the archive writer codes members: one encoder, the
// next ones announced ahead, a member given up stored.
lzh::EncodeResult encode_members(const lzh::MethodInfo &method, lzh::Compression compression,
                                 const std::vector<std::vector<std::uint8_t>> &files) {
    lzh::EncodeResult total;
    lzh::MemberEncoder coder(method, compression);
    std::size_t announced = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        for (; announced < files.size() && announced < i + lzh::MemberEncoder::kAhead; ++announced) {
            MemorySource ahead(files[announced]);
            coder.ahead(ahead, files[announced].size());
        }
        MemorySource src(files[i]);
        CountingSink sink;
        const std::uint64_t size = files[i].size();
        lzh::EncodeResult r = size ? coder.encode(src, sink, size - 1) : lzh::EncodeResult{};
        if (r.status != lzh::CodecStatus::ok) return r;
        total.original += size;
        total.packed += r.gave_up || size == 0 ? size : r.packed;
    }
    return total;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) return usage();
    const char *path = argv[1];
    int runs = 5;
    std::vector<int> levels;
    lzh::Compression compression = lzh::Compression::normal;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-r") && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "-m") && i + 1 < argc) levels.push_back(std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "-b")) compression = lzh::Compression::best;
        else return usage();
    }
    if (levels.empty()) levels = {5, 6, 7};

    std::printf("%-6s %12s %12s %8s %10s %10s %10s\n", "method", "original", "packed", "ratio", "median s", "MB/s",
                "cpu s");
    const bool tree = std::filesystem::is_directory(path);
    const std::vector<std::vector<std::uint8_t>> files = tree ? read_tree(path) : std::vector<std::vector<std::uint8_t>>{};
    for (int level : levels) {
        const lzh::MethodInfo *method = lzh::encoded_method(static_cast<char>('0' + level));
        if (!method) return usage();
        std::vector<double> times, cpu;
        lzh::EncodeResult last;
        for (int run = 0; run < runs; ++run) {
            int fd = tree ? -1 : ::open(path, O_RDONLY);
            if (!tree && fd < 0) {
                std::perror(path);
                return 1;
            }
            FileSource src(fd);
            CountingSink sink;
            double c0 = cpu_seconds();
            auto t0 = std::chrono::steady_clock::now();
            last = tree ? encode_members(*method, compression, files)
                        : lzh::MemberEncoder(*method, compression).encode(src, sink, UINT64_MAX);
            auto t1 = std::chrono::steady_clock::now();
            if (fd >= 0) ::close(fd);
            if (last.status != lzh::CodecStatus::ok) {
                std::fprintf(stderr, "-lh%d-: encode failed (%d)\n", level, int(last.status));
                return 1;
            }
            times.push_back(std::chrono::duration<double>(t1 - t0).count());
            cpu.push_back(cpu_seconds() - c0);
        }
        double t = median(times);
        std::printf("-lh%d-  %12llu %12llu %7.2f%% %10.3f %10.1f %10.3f\n", level, (unsigned long long)last.original,
                    (unsigned long long)last.packed,
                    last.original ? 100.0 * double(last.packed) / double(last.original) : 0.0, t,
                    double(last.original) / 1e6 / t, median(cpu));
        std::fflush(stdout);
    }
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("peak RSS %ld KiB\n", ru.ru_maxrss);
    return 0;
}
