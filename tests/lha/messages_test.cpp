// The per-member lines as a command's watcher draws them, fed the reports
// a command sends: on a terminal each draw goes back with a carriage
// return, the o's follow the bytes however they arrive, a long name gets
// the classic three steps, and the library's lines come after the member
// (tests/lha/round_trips.sh checks the lines of real commands).
#include "messages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace lha {
namespace {

lzh::Member file(std::uint64_t size, const char *method = "-lh5-") {
    lzh::Member h;
    h.original_size = size;
    h.packed_size = size / 4;
    h.method = method;
    return h;
}

struct Drawn {
    std::string out, err;
};

// What a watcher of `key` prints for one member's reports: begin, work in
// the chunks given, the library's line if any, end.
Drawn draw(char key, bool terminal, const std::string &name, const lzh::Member &header, std::vector<std::uint64_t> chunks,
           lzh::MemberOutcome outcome = lzh::MemberOutcome::done, const std::string &problem = "") {
    char *out_buf = nullptr, *err_buf = nullptr;
    std::size_t out_size = 0, err_size = 0;
    std::FILE *out = open_memstream(&out_buf, &out_size), *err = open_memstream(&err_buf, &err_size);
    {
        MessageStyle style;
        style.key = key;
        style.terminal = terminal;
        Messages m(style, out, err);
        lzh::ProgressReport r;
        r.member = name;
        r.header = &header;
        r.event = lzh::ProgressEvent::begin;
        m.report(r);
        for (std::uint64_t c : chunks) {
            r.member_bytes += c;
            r.event = lzh::ProgressEvent::work;
            m.report(r);
        }
        if (!problem.empty()) m.line(problem);
        r.event = lzh::ProgressEvent::end;
        r.outcome = outcome;
        m.report(r);
    }
    std::fclose(out);
    std::fclose(err);
    Drawn d{std::string(out_buf, out_size), std::string(err_buf, err_size)};
    std::free(out_buf);
    std::free(err_buf);
    return d;
}

TEST(LhaMessages, OnATerminalEachDrawGoesBackAndTheOsFollowTheBytes) {
    // 20000 bytes of -lh5-: steps of 8192, three dots; chunks that cross them unevenly.
    EXPECT_EQ(draw('x', true, "a.txt", file(20000), {100, 9000, 10900}).out,
              "\ra.txt\t- Melting  :  ...\ra.txt\t- Melting  :  ooo\ra.txt\t- Melted  \n");
}

TEST(LhaMessages, ALongNameGetsThreeStepsAndAStoredMemberTwoKilobyteOnes) {
    const std::string name(60, 'n');  // longer than the 58 columns
    // Three columns: steps of ceil(100000 / (3 * 8192)) * 8192 = 40960, so three dots.
    EXPECT_EQ(draw('t', false, name, file(100000), {100000}).out,
              "\n" + name + "\t- Testing  :  ...\n" + name + "\t- Testing  :  ooo\n" + name + "\t- Tested  \n");
    EXPECT_EQ(draw('t', false, "s", file(5000, "-lh0-"), {5000}).out,
              "\ns\t- Testing  :  ...\ns\t- Testing  :  ooo\ns\t- Tested  \n");
}

TEST(LhaMessages, ADamagedMemberEndsItsLinesBeforeTheLibrarySaysWhy) {
    Drawn bad = draw('t', false, "bad", file(10), {10}, lzh::MemberOutcome::failed, "bad: CRC error: the data is damaged");
    EXPECT_EQ(bad.out, "\nbad\t- Testing  :  .\nbad\t- Testing  :  o\n");  // never "Tested"
    EXPECT_EQ(bad.err, "LHa: Error: bad: CRC error: the data is damaged\n");
    Drawn cut = draw('x', true, "cut", file(20000), {9000}, lzh::MemberOutcome::failed, "cut: the archive ends inside this member");
    EXPECT_EQ(cut.out, "\rcut\t- Melting  :  ...\rcut\t- Melting  :  oo\n");  // never "Melted"
    // A member refused before any work has no lines of its own.
    EXPECT_EQ(draw('t', false, "x", file(10, "-lh2-"), {}, lzh::MemberOutcome::failed, "x: unsupported").out, "");
}

} // namespace
} // namespace lha
