// Real members from the corpus, damaged on the way in or out: cut short,
// bits flipped, sizes that lie, sources and sinks that fail.  Whatever
// happens, the status says so and nothing but real content comes out.
#include <gtest/gtest.h>

#include <random>

#include "archive.h"
#include "decode_support.h"
#include "support.h"

namespace lzh::test {
namespace {

struct Sample {
    std::string method;
    std::string packed;
    std::uint64_t original_size = 0;
    std::string content; // the clean decode (the corpus test checks it)
};

// The first member of a corpus archive, with its packed bytes in memory.
Sample load_sample(const std::string &archive) {
    ArchiveReader reader;
    if (reader.open((corpus_dir() / archive).string()) != 0) throw std::runtime_error(reader.error());
    Member m;
    if (!reader.next(m)) throw std::runtime_error(archive + ": no member");
    Sample s{m.method, std::string(m.packed_size, '\0'), m.original_size, {}};
    if (!reader.read_at(m.data_offset, reinterpret_cast<std::uint8_t *>(s.packed.data()), s.packed.size()))
        throw std::runtime_error(archive + ": cannot read the data");
    StringSink out;
    if (decode_string(s.method, s.packed, s.original_size, out) != CodecStatus::ok)
        throw std::runtime_error(archive + ": does not decode");
    s.content = std::move(out.data);
    return s;
}

class HostileMember : public ::testing::TestWithParam<const char *> {
protected:
    static const Sample &sample(const std::string &archive) {
        static std::map<std::string, Sample> cache;
        auto it = cache.find(archive);
        if (it == cache.end()) it = cache.emplace(archive, load_sample(archive)).first;
        return it->second;
    }
    const Sample &s = sample(GetParam());

    // What came out must be the start of the real content.
    void expect_prefix(const StringSink &out) const {
        ASSERT_LE(out.data.size(), s.content.size());
        EXPECT_TRUE(std::equal(out.data.begin(), out.data.end(), s.content.begin()));
    }
};

TEST_P(HostileMember, CutAnywhereFailsWithoutInventingData) {
    for (std::size_t i = 0; i < 40; ++i) {
        const std::size_t cut = s.packed.size() * i / 40;
        StringSink out;
        const CodecStatus status = decode_string(s.method, s.packed.substr(0, cut), s.original_size, out);
        EXPECT_TRUE(status == CodecStatus::truncated || status == CodecStatus::corrupt)
            << "cut at " << cut << ": " << describe(status);
        expect_prefix(out);
    }
}

TEST_P(HostileMember, FlippedBitsNeverOverrunTheSize) {
    std::mt19937 rng(12345);
    const int trials = s.original_size > 100'000 ? 60 : 300;
    for (int t = 0; t < trials; ++t) {
        std::string packed = s.packed;
        for (int k = 0; k < 1 + t % 3; ++k)
            packed[rng() % packed.size()] ^= static_cast<char>(1u << (rng() % 8));
        StringSink out;
        const CodecStatus status = decode_string(s.method, packed, s.original_size, out);
        ASSERT_TRUE(status == CodecStatus::ok || status == CodecStatus::corrupt || status == CodecStatus::truncated)
            << describe(status);
        if (status == CodecStatus::ok) EXPECT_EQ(out.data.size(), s.original_size);
        else EXPECT_LT(out.data.size(), s.original_size);
    }
}

TEST_P(HostileMember, LyingSizes) {
    { // a terabyte claimed: decoding stops where the data does
        StringSink out;
        const CodecStatus status = decode_string(s.method, s.packed, std::uint64_t{1} << 40, out);
        EXPECT_TRUE(status == CodecStatus::truncated || status == CodecStatus::corrupt) << describe(status);
        EXPECT_GE(out.data.size() + 512 * 1024, s.content.size()); // at most the last chunk is held back
        expect_prefix(out);
    }
    { // a packed size beyond the file: the data in the file is enough
        MemorySource src(s.packed);
        StringSink out;
        EXPECT_EQ(decode(s.method, src, std::uint64_t{1} << 40, s.original_size, out), CodecStatus::ok);
        EXPECT_EQ(out.data, s.content);
    }
    { // a packed size short of the data: not a byte more is read
        MemorySource src(s.packed);
        StringSink out;
        const std::uint64_t half = s.packed.size() / 2;
        const CodecStatus status = decode(s.method, src, half, s.original_size, out);
        EXPECT_TRUE(status == CodecStatus::truncated || status == CodecStatus::corrupt) << describe(status);
        EXPECT_LE(src.served(), half);
        expect_prefix(out);
    }
}

TEST_P(HostileMember, ShortReadsChangeNothing) {
    for (std::size_t max_read : {1, 3, 4096}) {
        MemorySource src(s.packed);
        src.max_read = max_read;
        StringSink out;
        ASSERT_EQ(decode(s.method, src, s.packed.size(), s.original_size, out), CodecStatus::ok) << max_read;
        EXPECT_EQ(out.data, s.content) << max_read;
    }
}

TEST_P(HostileMember, FailingSourceAndSinkAreReported) {
    for (std::size_t fail_at : {std::size_t{0}, s.packed.size() / 3}) {
        MemorySource src(s.packed);
        src.fail_at = fail_at;
        StringSink out;
        EXPECT_EQ(decode(s.method, src, s.packed.size(), s.original_size, out), CodecStatus::read_error) << fail_at;
        expect_prefix(out);
    }
    StringSink refusing;
    refusing.refuse_after = s.content.size() / 2;
    MemorySource src(s.packed);
    EXPECT_EQ(decode(s.method, src, s.packed.size(), s.original_size, refusing), CodecStatus::write_error);
}

INSTANTIATE_TEST_SUITE_P(Corpus, HostileMember,
                         ::testing::Values("lha_amiga_122/lh4_long.lzh", "lha213/lh5_long.lzh",
                                           "lha_unix114i/lh6_long.lzh", "lha_unix114i/lh7_long.lzh",
                                           "lha213/lh0.lzh", "lha_amiga_122/lh1.lzh", "larc333/lz5.lzs",
                                           "pmarc124/pm1.pma"),
                         [](const auto &info) {
                             std::string s = info.param;
                             for (char &c : s)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return s;
                         });

} // namespace
} // namespace lzh::test
