// Compressed streams must decode to the input with an independent reader
// (liblhasa) and with ours at every method, across the sizes and kinds of data where an
// encoder goes wrong: empty, tiny, around the window and segment sizes,
// incompressible, highly repetitive.
#include <gtest/gtest.h>

#include <algorithm>

#include "testkit.h"

namespace lzh::test {
namespace {

void expect_roundtrip(int level, const std::vector<std::uint8_t> &data) {
    std::vector<std::uint8_t> packed = compress(level, data);
    const std::string method(lh(level).id);
    std::vector<std::uint8_t> back = lhasa_decode(method, packed, data.size());
    ASSERT_EQ(back.size(), data.size()) << method;
    EXPECT_TRUE(back == data) << method << ": liblhasa decodes other bytes";
    std::vector<std::uint8_t> ours = our_decode(method, packed, data.size());
    ASSERT_EQ(ours.size(), data.size()) << method;
    EXPECT_TRUE(ours == data) << method << ": our decoder decodes other bytes";
}

class RoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(RoundTrip, EmptyInputGivesNoBytes) {
    EXPECT_TRUE(compress(GetParam(), {}).empty());
}

TEST_P(RoundTrip, TinyInputs) {
    for (std::size_t n : {1, 2, 3, 4, 5, 17}) {
        expect_roundtrip(GetParam(), std::vector<std::uint8_t>(n, 'a'));
        expect_roundtrip(GetParam(), random_bytes(n, unsigned(n)));
    }
}

TEST_P(RoundTrip, AroundTheWindowSizes) {
    for (std::size_t w : {8192u, 32768u, 65536u})
        for (std::size_t n : {w - 1, w, w + 1}) {
            expect_roundtrip(GetParam(), text_like(n, unsigned(n)));
            expect_roundtrip(GetParam(), random_bytes(n, unsigned(n)));
        }
}

TEST_P(RoundTrip, AcrossSegmentsAndBlocks) {
    // Several segments: matches reach back into the previous segment.
    std::vector<std::uint8_t> data = text_like(900 * 1024 + 7, 1);
    std::vector<std::uint8_t> noise = random_bytes(300 * 1024, 2);
    data.insert(data.begin() + 200 * 1024, noise.begin(), noise.end());
    expect_roundtrip(GetParam(), data);
}

TEST_P(RoundTrip, AroundTheSegmentSize) {
    // 256 KiB segments: the threaded path starts at one, and an input
    // ending on a segment boundary leaves an empty last read.
    const std::size_t seg = 256 * 1024;
    for (std::size_t n : {seg - 1, seg, seg + 1, 2 * seg})
        expect_roundtrip(GetParam(), text_like(n, unsigned(n)));
}

TEST_P(RoundTrip, HighlyRepetitive) {
    expect_roundtrip(GetParam(), std::vector<std::uint8_t>(700 * 1024, 0));
    std::vector<std::uint8_t> period;
    for (int i = 0; i < 600 * 1024; ++i) period.push_back(std::uint8_t("abcab"[i % 5]));
    expect_roundtrip(GetParam(), period);
}

TEST_P(RoundTrip, Incompressible) {
    expect_roundtrip(GetParam(), random_bytes(600 * 1024, 3));
}

TEST_P(RoundTrip, RepeatsAtTheWindowsEdge) {
    // The same random chunk again just inside and just outside the window.
    const std::size_t w = std::size_t(1) << (GetParam() == 5 ? 13 : GetParam() == 6 ? 15 : 16);
    std::vector<std::uint8_t> chunk = random_bytes(1000, 4);
    for (std::size_t gap : {w - 1000 - 1, w - 1000, w - 1000 + 1}) {
        std::vector<std::uint8_t> data = chunk;
        std::vector<std::uint8_t> filler = random_bytes(gap, unsigned(gap));
        data.insert(data.end(), filler.begin(), filler.end());
        data.insert(data.end(), chunk.begin(), chunk.end());
        expect_roundtrip(GetParam(), data);
    }
}

TEST_P(RoundTrip, RepeatsAreFoundWhereverTheyFall) {
    // Random bytes with one 1000-byte stretch repeated from half a window
    // back, the repeat placed around where the match finder changes hands:
    // the end of the trial parse of a small member and of a segment, where
    // its ring of links wraps, a segment boundary; in a member that ends
    // soon after and in a long one.  A repeat the finder misses costs
    // about its length.
    const std::size_t w = std::size_t(1) << (GetParam() == 5 ? 13 : GetParam() == 6 ? 15 : 16);
    const std::size_t k = 1024, long_member = 300 * k;
    const std::vector<std::uint8_t> noise = random_bytes(long_member, 9);
    const std::size_t long_packed = compress(GetParam(), noise).size();
    for (std::size_t at : {3 * k, 6 * k, 16 * k, 32 * k, 64 * k, 128 * k, 256 * k}) {
        for (std::size_t start : {at - 600, at + 100}) {
            if (start < w / 2) continue;
            for (std::size_t size : {start + 2000, long_member}) {
                std::vector<std::uint8_t> data(noise.begin(), noise.begin() + std::ptrdiff_t(size));
                const std::size_t without = size == long_member ? long_packed : compress(GetParam(), data).size();
                std::copy_n(noise.begin() + std::ptrdiff_t(start - w / 2), 1000, data.begin() + std::ptrdiff_t(start));
                EXPECT_LT(compress(GetParam(), data).size() + 900, without) << "repeat at " << start << " of " << size;
                if (size != long_member) expect_roundtrip(GetParam(), data);
            }
        }
    }
}

TEST_P(RoundTrip, RepeatsInsideLongNoise) {
    // In long noise the parse looks at fewer positions: a repeat it lands in
    // is taken from its first byte on, the very first bytes of the member
    // included, and costs next to nothing.
    const std::size_t w = std::size_t(1) << (GetParam() == 5 ? 13 : GetParam() == 6 ? 15 : 16);
    const std::vector<std::uint8_t> noise = random_bytes(200 * 1024, 31);
    for (std::size_t from : {std::size_t(0), std::size_t(4000), std::size_t(150 * 1024)}) {
        for (std::size_t at : {std::size_t(7000), std::size_t(190 * 1024)}) {
            if (at <= from || at - from + 1500 > w) continue;
            std::vector<std::uint8_t> data = noise;
            std::copy_n(noise.begin() + std::ptrdiff_t(from), 1500, data.begin() + std::ptrdiff_t(at));
            EXPECT_LT(compress(GetParam(), data).size() + 1400, compress(GetParam(), noise).size())
                << "from " << from << " at " << at;
            expect_roundtrip(GetParam(), data);
        }
    }
}

TEST_P(RoundTrip, ShortRepeatsInsideLongNoise) {
    // Packed data holds a run or a short repeat now and then: where the
    // parse looks at fewer positions, those are still taken (a run of eight
    // bytes costs a literal and a short match, some six bytes less).
    const std::vector<std::uint8_t> noise = random_bytes(600 * 1024, 32);
    std::vector<std::uint8_t> data = noise;
    const int runs = 300;
    for (int i = 0; i < runs; ++i) {
        const std::size_t at = 100 * 1024 + std::size_t(i) * 1600 + std::size_t(i % 13);
        std::fill_n(data.begin() + std::ptrdiff_t(at), 8, data[at]);
    }
    const std::size_t with_runs = compress(GetParam(), data).size();
    const std::size_t without = compress(GetParam(), noise).size();
    EXPECT_LT(with_runs + runs * 4, without) << with_runs << " vs " << without;
    expect_roundtrip(GetParam(), data);
}

INSTANTIATE_TEST_SUITE_P(Methods, RoundTrip, ::testing::Values(5, 6, 7),
                         [](const auto &info) { return "lh" + std::to_string(info.param); });

} // namespace
} // namespace lzh::test
