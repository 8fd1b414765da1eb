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

// What the watcher wrote to standard output and error.
class Captured {
public:
    Captured() : out_(open_memstream(&out_buf_, &out_size_)), err_(open_memstream(&err_buf_, &err_size_)) {}
    ~Captured() {
        std::fclose(out_);
        std::fclose(err_);
        std::free(out_buf_);
        std::free(err_buf_);
    }
    std::FILE *out() { return out_; }
    std::FILE *err() { return err_; }
    std::string out_text() { return std::fflush(out_), std::string(out_buf_, out_size_); }
    std::string err_text() { return std::fflush(err_), std::string(err_buf_, err_size_); }

private:
    char *out_buf_ = nullptr, *err_buf_ = nullptr;
    std::size_t out_size_ = 0, err_size_ = 0;
    std::FILE *out_, *err_;
};

// One member's reports: begin, work in the chunks given, end.
void member(Messages &m, const std::string &name, const lzh::Member &header, std::vector<std::uint64_t> chunks,
            lzh::MemberOutcome outcome = lzh::MemberOutcome::done, const std::string &problem = "") {
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

lzh::Member file(std::uint64_t size, const char *method = "-lh5-") {
    lzh::Member h;
    h.original_size = size;
    h.packed_size = size / 4;
    h.method = method;
    return h;
}

TEST(LhaMessages, OnATerminalEachDrawGoesBackAndTheOsFollowTheBytes) {
    Captured c;
    MessageStyle style;
    style.key = 'x';
    style.terminal = true;
    Messages m(style, c.out(), c.err());
    // 20000 bytes of -lh5-: steps of 8192, three dots; chunks that cross them unevenly.
    member(m, "a.txt", file(20000), {100, 9000, 10900});
    EXPECT_EQ(c.out_text(), "\ra.txt\t- Melting  :  ...\ra.txt\t- Melting  :  ooo\ra.txt\t- Melted  \n");
}

TEST(LhaMessages, ALongNameGetsThreeStepsAndAStoredMemberTwoKilobyteOnes) {
    Captured c;
    MessageStyle style;
    style.key = 't';
    Messages m(style, c.out(), c.err());
    const std::string name(60, 'n');  // longer than the 58 columns
    member(m, name, file(100000), {100000});
    // Three columns: steps of ceil(100000 / (3 * 8192)) * 8192 = 40960, so three dots.
    EXPECT_EQ(c.out_text(), "\n" + name + "\t- Testing  :  ...\n" + name + "\t- Testing  :  ooo\n" + name + "\t- Tested  \n");
    Captured s;
    Messages stored(style, s.out(), s.err());
    member(stored, "s", file(5000, "-lh0-"), {5000});
    EXPECT_EQ(s.out_text(), "\ns\t- Testing  :  ...\ns\t- Testing  :  ooo\ns\t- Tested  \n");
}

TEST(LhaMessages, ADamagedMemberEndsItsLinesBeforeTheLibrarySaysWhy) {
    Captured c;
    MessageStyle style;
    style.key = 't';
    Messages m(style, c.out(), c.err());
    member(m, "bad", file(10), {10}, lzh::MemberOutcome::failed, "bad: CRC error: the data is damaged");
    EXPECT_EQ(c.out_text(), "\nbad\t- Testing  :  .\nbad\t- Testing  :  o\nbad\t- Tested  \n");
    EXPECT_EQ(c.err_text(), "LHa: Error: bad: CRC error: the data is damaged\n");
    // A member refused before any work has no lines of its own.
    Captured u;
    Messages unknown(style, u.out(), u.err());
    member(unknown, "x", file(10, "-lh2-"), {}, lzh::MemberOutcome::failed, "x: method -lh2- is not supported");
    EXPECT_EQ(u.out_text(), "");
}

} // namespace
} // namespace lha
