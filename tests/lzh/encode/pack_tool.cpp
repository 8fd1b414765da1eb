// lzh_encode_pack: a test-only archiver around the compressor, so that
// other LZH programs can check its output and sizes can be compared.
//
//   lzh_encode_pack [-5|-6|-7] [-f] ARCHIVE FILE...
//
// Each FILE is stored under the path given, compressed, or with -lh0- when
// compressing does not make it smaller (the give-up limit in use); -f
// keeps every non-empty member compressed.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "crc16.h"
#include "testkit.h"

int main(int argc, char **argv) {
    int level = 5;
    int i = 1;
    bool force = false;
    for (; i < argc && argv[i][0] == '-' && std::strlen(argv[i]) == 2; ++i) {
        if (argv[i][1] == 'f') force = true;
        else level = argv[i][1] - '0';
    }
    if (argc - i < 2) {
        std::fprintf(stderr, "usage: lzh_encode_pack [-5|-6|-7] [-f] ARCHIVE FILE...\n");
        return 2;
    }
    const std::string archive = argv[i++];
    std::vector<std::uint8_t> out;
    for (; i < argc; ++i) {
        std::ifstream f(argv[i], std::ios::binary);
        if (!f) {
            std::perror(argv[i]);
            return 1;
        }
        std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        lzh::test::MemorySource src(data);
        lzh::test::MemorySink sink;
        std::uint64_t limit = force ? UINT64_MAX : data.empty() ? 0 : data.size() - 1;
        lzh::EncodeResult r = lzh::encode(lzh::test::lh(level), src, sink, limit);
        if (r.status != lzh::CodecStatus::ok) {
            std::fprintf(stderr, "%s: compression failed\n", argv[i]);
            return 1;
        }
        std::string method(lzh::test::lh(level).id);
        const std::vector<std::uint8_t> &body = r.gave_up || data.empty() ? data : sink.data;
        if (r.gave_up || data.empty()) method = "-lh0-";
        std::vector<std::uint8_t> m =
            lzh::test::level2_member(method, argv[i], data.size(), lzh::crc16(data.data(), data.size()), body);
        out.insert(out.end(), m.begin(), m.end());
    }
    out.push_back(0);
    if (!lzh::test::write_file(archive, out)) {
        std::perror(archive.c_str());
        return 1;
    }
    return 0;
}
