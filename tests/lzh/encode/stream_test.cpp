// encode() as the archive writer uses it: any read pattern, the give-up
// limit, failing sources and sinks, methods it does not write.
#include <gtest/gtest.h>

#include "testkit.h"

namespace lzh::test {
namespace {

// Text with an incompressible stretch: several segments, both threads busy.
std::vector<std::uint8_t> mixed_data() {
    std::vector<std::uint8_t> data = text_like(1500 * 1024, 21);
    std::vector<std::uint8_t> noise = random_bytes(200 * 1024, 22);
    data.insert(data.begin() + 400 * 1024, noise.begin(), noise.end());
    return data;
}

TEST(Stream, OutputDoesNotDependOnReadSizesOrRuns) {
    const std::vector<std::uint8_t> data = mixed_data();
    for (int level : {5, 7}) {
        std::vector<std::uint8_t> whole = compress(level, data);
        for (std::size_t chunk : {std::size_t(1), std::size_t(4093), std::size_t(300000)}) {
            MemorySource src(data, chunk);
            MemorySink sink;
            EncodeResult r = encode(lh(level), src, sink, UINT64_MAX);
            EXPECT_EQ(r.status, CodecStatus::ok);
            EXPECT_EQ(r.original, data.size());
            EXPECT_TRUE(sink.data == whole) << "level " << level << ", reads of " << chunk;
        }
    }
}

TEST(Stream, MethodsWeDoNotWriteAreRefused) {
    const std::vector<std::uint8_t> data = text_like(1000, 1);
    for (const MethodInfo &m : all_methods()) {
        if (m.encoded) continue;
        MemorySource src(data);
        MemorySink sink;
        EncodeResult r = encode(m, src, sink, UINT64_MAX);
        EXPECT_EQ(r.status, CodecStatus::unsupported) << m.id;
        EXPECT_TRUE(sink.data.empty());
    }
}

TEST(Stream, ReadErrorIsReported) {
    const std::vector<std::uint8_t> data = mixed_data();
    for (std::size_t fail_at : {std::size_t(0), std::size_t(1000), std::size_t(900 * 1024)}) {
        MemorySource src(data, 65536, fail_at);
        MemorySink sink;
        EXPECT_EQ(encode(lh(5), src, sink, UINT64_MAX).status, CodecStatus::read_error) << fail_at;
    }
}

TEST(Stream, WriteErrorIsReported) {
    const std::vector<std::uint8_t> data = mixed_data();
    for (std::size_t room : {std::size_t(0), std::size_t(100000)}) {
        MemorySource src(data);
        MemorySink sink(room);
        EncodeResult r = encode(lh(6), src, sink, UINT64_MAX);
        EXPECT_EQ(r.status, CodecStatus::write_error) << room;
        EXPECT_FALSE(r.gave_up);
        EXPECT_LE(r.packed, room);
    }
}

TEST(GiveUp, StopsEarlyOnIncompressibleInput) {
    const std::vector<std::uint8_t> data = random_bytes(8 * 1024 * 1024, 5);
    MemorySource src(data);
    MemorySink sink;
    EncodeResult r = encode(lh(5), src, sink, 100000);
    EXPECT_EQ(r.status, CodecStatus::ok);
    EXPECT_TRUE(r.gave_up);
    EXPECT_LE(r.packed, 100000u);
    EXPECT_EQ(r.packed, sink.data.size());
    // It stopped within a few segments, not at the end of the input.
    EXPECT_LT(src.position(), std::size_t(2 * 1024 * 1024));
    EXPECT_EQ(r.original, src.position());
}

TEST(GiveUp, EarlyGiveUpStopsIncompressibleInputWithAGenerousLimit) {
    // The archive writer's limit is the member's own size, which random data
    // only passes at the very end; asked to, the encoder stops much sooner.
    const std::vector<std::uint8_t> data = random_bytes(8 * 1024 * 1024, 6);
    MemorySource src(data);
    MemorySink sink;
    EncodeResult r = encode(lh(5), src, sink, data.size() - 1, true);
    EXPECT_EQ(r.status, CodecStatus::ok);
    EXPECT_TRUE(r.gave_up);
    EXPECT_LT(src.position(), std::size_t(3 * 1024 * 1024));

    // Data that shrinks is coded to the end all the same.
    const std::vector<std::uint8_t> text = text_like(3 * 1024 * 1024, 2);
    MemorySource tsrc(text);
    MemorySink tsink;
    EncodeResult t = encode(lh(5), tsrc, tsink, text.size() - 1, true);
    EXPECT_FALSE(t.gave_up);
    EXPECT_TRUE(tsink.data == compress(5, text));
}

TEST(GiveUp, LimitIsExactInBothSingleAndThreadedPaths) {
    for (std::size_t n : {std::size_t(5000), std::size_t(1200 * 1024)}) {
        const std::vector<std::uint8_t> data = text_like(n, 9);
        const std::vector<std::uint8_t> packed = compress(7, data);
        for (std::uint64_t limit : {std::uint64_t(packed.size()), std::uint64_t(packed.size() - 1)}) {
            MemorySource src(data);
            MemorySink sink;
            EncodeResult r = encode(lh(7), src, sink, limit);
            EXPECT_EQ(r.status, CodecStatus::ok);
            EXPECT_EQ(r.gave_up, limit < packed.size()) << n << " bytes, limit " << limit;
            EXPECT_LE(r.packed, limit);
            if (!r.gave_up) {
                EXPECT_TRUE(sink.data == packed);
            }
        }
    }
}

TEST(GiveUp, EmptyInputFitsALimitOfZero) {
    const std::vector<std::uint8_t> none;
    MemorySource src(none);
    MemorySink sink;
    EncodeResult r = encode(lh(5), src, sink, 0);
    EXPECT_EQ(r.status, CodecStatus::ok);
    EXPECT_FALSE(r.gave_up);
    EXPECT_EQ(r.packed, 0u);
}

} // namespace
} // namespace lzh::test
