#include "testkit.h"

#include <gtest/gtest.h>
#include <lhasa.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

#include "crc16.h"

namespace lzh::test {

std::ptrdiff_t MemorySource::read(std::uint8_t *buf, std::size_t n) {
    if (pos_ >= fail_after_) return -1;
    std::size_t k = std::min({n, chunk_, data_.size() - pos_, fail_after_ - pos_});
    if (k) std::memcpy(buf, data_.data() + pos_, k);
    pos_ += k;
    return std::ptrdiff_t(k);
}

bool MemorySink::write(const std::uint8_t *buf, std::size_t n) {
    if (data.size() + n > capacity_) return false;
    if (n) data.insert(data.end(), buf, buf + n);
    return true;
}

const MethodInfo &lh(int level) {
    const MethodInfo *m = encoded_method(static_cast<char>('0' + level));
    if (!m) throw std::invalid_argument("no method -lh" + std::to_string(level) + "-");
    return *m;
}

std::vector<std::uint8_t> compress(int level, const std::vector<std::uint8_t> &data, Compression compression) {
    MemorySource src(data);
    MemorySink sink;
    EncodeResult r = MemberEncoder(lh(level), compression).encode(src, sink, UINT64_MAX);
    EXPECT_EQ(r.status, CodecStatus::ok);
    EXPECT_FALSE(r.gave_up);
    EXPECT_EQ(r.original, data.size());
    EXPECT_EQ(r.packed, sink.data.size());
    return sink.data;
}

namespace {

struct Feed {
    const std::vector<std::uint8_t> *packed;
    std::size_t pos;
};

size_t feed(void *buf, size_t len, void *user) {
    Feed *f = static_cast<Feed *>(user);
    size_t k = std::min(len, f->packed->size() - f->pos);
    if (k) std::memcpy(buf, f->packed->data() + f->pos, k);
    f->pos += k;
    return k;
}

void put16(std::vector<std::uint8_t> &v, unsigned x) {
    v.push_back(std::uint8_t(x));
    v.push_back(std::uint8_t(x >> 8));
}
void put32(std::vector<std::uint8_t> &v, std::uint32_t x) {
    put16(v, x & 0xffff);
    put16(v, x >> 16);
}

} // namespace

std::vector<std::uint8_t> lhasa_decode(const std::string &method, const std::vector<std::uint8_t> &packed,
                                       std::size_t original_size) {
    std::vector<char> name(method.begin(), method.end());
    name.push_back(0);
    LHADecoderType *type = lha_decoder_for_name(name.data());
    if (!type) return {};
    Feed f{&packed, 0};
    LHADecoder *d = lha_decoder_new(type, feed, &f, original_size);
    std::vector<std::uint8_t> out;
    std::uint8_t buf[8192];
    for (;;) {
        size_t n = lha_decoder_read(d, buf, sizeof buf);
        if (n == 0) break;
        out.insert(out.end(), buf, buf + n);
    }
    lha_decoder_free(d);
    return out;
}

std::vector<std::uint8_t> our_decode(const std::string &method, const std::vector<std::uint8_t> &packed,
                                     std::size_t original_size) {
    MemorySource src(packed);
    MemorySink sink;
    CodecStatus st = decode(method, src, packed.size(), original_size, sink);
    EXPECT_EQ(st, CodecStatus::ok) << method;
    return sink.data;
}

std::vector<std::uint8_t> level2_member(const std::string &method, const std::string &path,
                                        std::uint64_t original_size, std::uint16_t crc,
                                        const std::vector<std::uint8_t> &packed) {
    std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    for (char &c : dir)
        if (c == '/') c = char(0xff);  // the directory header's separator

    std::vector<std::uint8_t> h;
    h.reserve(64 + path.size() + packed.size());
    put16(h, 0);  // header size, set below
    h.insert(h.end(), method.begin(), method.end());
    put32(h, std::uint32_t(packed.size()));
    put32(h, std::uint32_t(original_size));
    put32(h, 1700000000u);  // modification time
    h.push_back(0x20);      // attribute: archive
    h.push_back(2);         // header level
    put16(h, crc);
    h.push_back('U');
    // Extended headers: header CRC (0x00), file name (0x01), folder (0x02).
    put16(h, 5);
    h.push_back(0x00);
    std::size_t crc_at = h.size();
    put16(h, 0);
    put16(h, unsigned(3 + name.size()));
    h.push_back(0x01);
    h.insert(h.end(), name.begin(), name.end());
    if (!dir.empty()) {
        put16(h, unsigned(3 + dir.size()));
        h.push_back(0x02);
        h.insert(h.end(), dir.begin(), dir.end());
    }
    put16(h, 0);
    // A header size that is a multiple of 256 would start with a zero
    // byte, which marks the end of an archive: pad it.
    if ((h.size() & 0xff) == 0) h.push_back(0);
    h[0] = std::uint8_t(h.size());
    h[1] = std::uint8_t(h.size() >> 8);
    std::uint16_t hcrc = crc16(h.data(), h.size());
    h[crc_at] = std::uint8_t(hcrc);
    h[crc_at + 1] = std::uint8_t(hcrc >> 8);
    h.insert(h.end(), packed.begin(), packed.end());
    return h;
}

std::vector<std::uint8_t> level2_archive(const std::string &method, const std::string &path,
                                         const std::vector<std::uint8_t> &original,
                                         const std::vector<std::uint8_t> &packed) {
    std::vector<std::uint8_t> a =
        level2_member(method, path, original.size(), crc16(original.data(), original.size()), packed);
    a.push_back(0);  // end of archive
    return a;
}

std::vector<std::uint8_t> random_bytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(n);
    for (auto &b : v) b = std::uint8_t(rng());
    return v;
}

std::vector<std::uint8_t> text_like(std::size_t n, std::uint32_t seed) {
    static const char *const words[] = {"the ", "archive ", "member ", "header ", "window ", "of ",
                                        "and ", "compress", "LZH ", "\n", "data ", "table ",
                                        "position ", "a ", "bit ", "stream, ", "block. ", "code "};
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v;
    v.reserve(n + 16);
    while (v.size() < n) {
        const char *w = words[rng() % (sizeof words / sizeof *words)];
        v.insert(v.end(), w, w + std::strlen(w));
        if (rng() % 16 == 0) v.push_back(std::uint8_t('0' + rng() % 10));
    }
    v.resize(n);
    return v;
}

bool write_file(const std::string &path, const std::vector<std::uint8_t> &data) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace lzh::test
