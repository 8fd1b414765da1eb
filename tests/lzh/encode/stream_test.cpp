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

TEST(GiveUp, ABeginningThatDoesNotShrinkDoesNotStopTheRest) {
    // Under the archive writer's limit (a byte less than the member), a
    // member that begins with noise and goes on with text is coded whole:
    // about as large as the noise plus the text coded alone, and it decodes.
    // Noise throughout is given up at that limit.
    const std::vector<std::uint8_t> noise = random_bytes(600 * 1024, 6);
    const std::vector<std::uint8_t> text = text_like(1200 * 1024, 2);
    std::vector<std::uint8_t> data = noise;
    data.insert(data.end(), text.begin(), text.end());
    for (int level : {5, 6, 7}) {
        const std::string method(lh(level).id);
        MemorySource src(data);
        MemorySink sink;
        EncodeResult r = encode(lh(level), src, sink, data.size() - 1);
        EXPECT_EQ(r.status, CodecStatus::ok) << method;
        EXPECT_FALSE(r.gave_up) << method;
        EXPECT_EQ(r.original, data.size()) << method;
        const std::size_t alone = noise.size() + compress(level, text).size();
        EXPECT_LT(r.packed, alone + alone / 100) << method;
        EXPECT_TRUE(our_decode(method, sink.data, data.size()) == data) << method;

        MemorySource nsrc(noise);
        MemorySink nsink;
        EncodeResult n = encode(lh(level), nsrc, nsink, noise.size() - 1);
        EXPECT_TRUE(n.gave_up) << method;
        EXPECT_LE(n.packed, noise.size() - 1) << method;
    }
}

TEST(GiveUp, NoiseCostsLittleMoreThanItsSize) {
    // Packed data inside a member is coded for the member's sake, so what
    // it costs adds to the member: its literals, and a table now and then.
    const std::vector<std::uint8_t> noise = random_bytes(2 * 1024 * 1024, 12);
    for (int level : {5, 6, 7}) EXPECT_LT(compress(level, noise).size(), noise.size() + noise.size() / 500) << level;
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
