// MemberEncoder as the archive writer uses it: one encoder for all members
// of a command, the next ones announced ahead.  Whatever it kept from
// earlier members and whatever it was told ahead, each member must come out
// as a fresh encode() gives it.
#include <gtest/gtest.h>

#include "testkit.h"

namespace lzh::test {
namespace {

struct Outcome {
    EncodeResult result;
    std::vector<std::uint8_t> packed;
};

// As the archive writer asks: give up once the member would not shrink.
Outcome encode_member(MemberEncoder &coder, const std::vector<std::uint8_t> &data, std::size_t chunk = SIZE_MAX) {
    MemorySource src(data, chunk);
    Outcome o;
    MemorySink sink;
    o.result = coder.encode(src, sink, data.empty() ? 0 : data.size() - 1);
    o.packed = std::move(sink.data);
    return o;
}

Outcome fresh(int level, const std::vector<std::uint8_t> &data) {
    MemberEncoder coder(lh(level));
    return encode_member(coder, data);
}

void expect_same(const Outcome &got, const Outcome &want, const std::string &what) {
    EXPECT_EQ(got.result.status, want.result.status) << what;
    EXPECT_EQ(got.result.original, want.result.original) << what;
    EXPECT_EQ(got.result.packed, want.result.packed) << what;
    EXPECT_EQ(got.result.gave_up, want.result.gave_up) << what;
    EXPECT_TRUE(got.packed == want.packed) << what;
}

bool announce(MemberEncoder &coder, const std::vector<std::uint8_t> &data) {
    MemorySource src(data);
    return coder.ahead(src, data.size());
}

// Members around every boundary the encoder has: the trial parse's 2, 6
// and 16 KiB, one segment, several; text and noise (which gives up), some
// repeated.
std::vector<std::vector<std::uint8_t>> members() {
    std::vector<std::vector<std::uint8_t>> m;
    std::uint32_t seed = 1;
    for (std::size_t n : {std::size_t(1), std::size_t(3), std::size_t(700), std::size_t(4 * 1024 + 1),
                          std::size_t(12 * 1024 + 1), std::size_t(16 * 1024),
                          std::size_t(16 * 1024 + 1), std::size_t(90000), std::size_t(256 * 1024 - 1),
                          std::size_t(256 * 1024), std::size_t(256 * 1024 + 1), std::size_t(800 * 1024)})
        m.push_back(text_like(n, seed++));
    m.push_back(random_bytes(5000, seed++));
    m.push_back(random_bytes(600 * 1024, seed++));
    m.push_back(m[2]);  // the same bytes again
    m.push_back(text_like(2000, seed++));
    m.insert(m.begin() + 4, m.back());
    return m;
}

TEST(MemberEncoder, ManyMembersComeOutAsFreshOnes) {
    const auto all = members();
    for (int level : {5, 6, 7}) {
        std::vector<Outcome> want;
        for (const auto &d : all) want.push_back(fresh(level, d));
        // Without look-ahead, and announcing as the archive writer does.
        for (bool ahead : {false, true}) {
            MemberEncoder coder(lh(level));
            std::size_t announced = 0;
            for (std::size_t i = 0; i < all.size(); ++i) {
                for (; ahead && announced < all.size() && announced < i + MemberEncoder::kAhead; ++announced)
                    announce(coder, all[announced]);
                expect_same(encode_member(coder, all[i], 7777), want[i],
                            "-lh" + std::to_string(level) + "- member " + std::to_string(i) + (ahead ? " ahead" : ""));
            }
        }
    }
}

TEST(MemberEncoder, AnnouncementsThatDoNotHoldChangeNothing) {
    const std::vector<std::uint8_t> a = text_like(30000, 41), b = text_like(5000, 42), c = text_like(70000, 43);
    std::vector<std::uint8_t> a_changed = a;
    a_changed[12345] ^= 1;
    MemberEncoder coder(lh(5));
    // a is announced but has changed when it is added, and is then left
    // out; c was never announced; b comes as announced.
    EXPECT_TRUE(announce(coder, a));
    EXPECT_TRUE(announce(coder, b));
    expect_same(encode_member(coder, a_changed), fresh(5, a_changed), "changed");
    expect_same(encode_member(coder, c), fresh(5, c), "not announced");
    expect_same(encode_member(coder, b), fresh(5, b), "as announced");
    expect_same(encode_member(coder, a), fresh(5, a), "announced, left out, then added");
    // Only members of one segment, and only as many as it was built for.
    EXPECT_FALSE(announce(coder, text_like(MemberEncoder::kAheadBelow, 44)));
    MemorySource shorter(b);
    EXPECT_FALSE(coder.ahead(shorter, b.size() + 1));
    for (std::size_t i = 0; i < MemberEncoder::kAhead; ++i) EXPECT_TRUE(announce(coder, b));
    EXPECT_FALSE(announce(coder, b));
    expect_same(encode_member(coder, b), fresh(5, b), "one of many alike");
}

TEST(MemberEncoder, WhatWaitsAheadStaysWithinItsBytes) {
    // Members of a third of the budget and a byte: two wait, a third does
    // not until the first is taken; each still comes out as a fresh one.
    const std::size_t n = MemberEncoder::kAheadBytes / 3 + 1;
    ASSERT_LT(n, MemberEncoder::kAheadBelow);
    const std::vector<std::uint8_t> a = text_like(n, 61), b = text_like(n, 62), c = text_like(n, 63);
    MemberEncoder coder(lh(6));
    EXPECT_TRUE(coder.room_for(n));
    EXPECT_TRUE(announce(coder, a));
    EXPECT_TRUE(announce(coder, b));
    EXPECT_FALSE(coder.room_for(n));
    EXPECT_TRUE(coder.room_for(MemberEncoder::kAheadBytes - 2 * n));
    EXPECT_FALSE(announce(coder, c));
    expect_same(encode_member(coder, a), fresh(6, a), "first");
    EXPECT_TRUE(coder.room_for(n));
    EXPECT_TRUE(announce(coder, c));
    expect_same(encode_member(coder, b), fresh(6, b), "second");
    expect_same(encode_member(coder, c), fresh(6, c), "third");
    // With nothing waiting, the largest member that can wait is taken, and
    // no larger one.
    EXPECT_FALSE(coder.room_for(MemberEncoder::kAheadBelow));
    EXPECT_TRUE(coder.room_for(MemberEncoder::kAheadBelow - 1));
    EXPECT_TRUE(announce(coder, text_like(MemberEncoder::kAheadBelow - 1, 64)));
    EXPECT_FALSE(coder.room_for(2));
}

TEST(MemberEncoder, AFailedMemberLeavesTheEncoderSound) {
    const std::vector<std::uint8_t> big = text_like(1200 * 1024, 51), small = text_like(20000, 52);
    MemberEncoder coder(lh(7));
    {
        // A read error halfway, segments still being coded.
        MemorySource src(big, 65536, 700 * 1024);
        MemorySink sink;
        EXPECT_EQ(coder.encode(src, sink, UINT64_MAX).status, CodecStatus::read_error);
    }
    {
        // The sink fills up.
        MemorySource src(big);
        MemorySink sink(1000);
        EXPECT_EQ(coder.encode(src, sink, UINT64_MAX).status, CodecStatus::write_error);
    }
    announce(coder, small);
    expect_same(encode_member(coder, big), fresh(7, big), "after the failures");
    expect_same(encode_member(coder, small), fresh(7, small), "announced before");
}

TEST(MemberEncoder, MethodsWeDoNotWriteAreRefused) {
    const std::vector<std::uint8_t> data = text_like(1000, 1);
    MemberEncoder coder(*find_method("-lh4-"));
    EXPECT_FALSE(announce(coder, data));
    EXPECT_EQ(encode_member(coder, data).result.status, CodecStatus::unsupported);
}

} // namespace
} // namespace lzh::test
