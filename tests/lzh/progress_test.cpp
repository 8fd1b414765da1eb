// Progress through the C entry point, as a window sees it: every member
// begun and ended, bytes that only grow and end at their totals, and a stop
// at any point that leaves things as a failure would.
#include "shared_library.h"
#include "support.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace lzh::test {
namespace {

struct Event {
    int event;
    std::string command, member;
    std::uint64_t bytes_done, bytes_total, members_done, members_total;
    int work;
};

class Progress : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(lib_.error(), "");
        write_file(d / "src/big.bin", noise(3 << 20, 1));
        write_file(d / "src/text.txt", std::string(2 << 20, 'a'));
        write_file(d / "src/small.txt", "small");
        write_file(d / "src/sub/inner.txt", "inner");
        lib_.progress(this, &Progress::callback, this);
    }
    void TearDown() override {
        if (lib_.progress) lib_.progress(this, nullptr, nullptr);
    }
    static int callback(void *window, const UnlhaProgress *p, void *data) {
        auto *self = static_cast<Progress *>(data);
        EXPECT_EQ(window, data);
        EXPECT_EQ(p->size, sizeof(UnlhaProgress));
        self->events.push_back({p->event, p->command, p->member, p->bytes_done, p->bytes_total, p->members_done,
                                p->members_total, p->work});
        return self->stop_when && self->stop_when(self->events.back()) ? 1 : 0;
    }
    // Runs a command text with this fixture as the window; `text` is what it said.
    int run(const std::string &command) {
        events.clear();
        char buf[4096];
        const int rc = lib_.unlha(this, command.c_str(), buf, sizeof buf);
        text = buf;
        return rc;
    }
    std::string add_all(const std::string &archive) {
        return "a " + quote(archive) + " " + quote((d / "src/big.bin").string()) + " " +
               quote((d / "src/text.txt").string()) + " " + quote((d / "src/small.txt").string()) + " " +
               quote((d / "src/sub").string());
    }
    bool no_temporary_files() const {
        for (const auto &e : fs::recursive_directory_iterator(d.path()))
            if (e.path().filename().string().find(".unlha-") != std::string::npos) return false;
        return true;
    }

    TempDir d;
    std::string text;
    std::vector<Event> events;
    std::function<bool(const Event &)> stop_when;
    SharedLibrary lib_;
};

// What every command's events must look like.
void expect_sound(const std::vector<Event> &events, const std::string &command, std::size_t members) {
    ASSERT_FALSE(events.empty());
    std::uint64_t bytes = 0, done = 0;
    std::set<std::string> begun, ended;
    for (const Event &e : events) {
        EXPECT_EQ(e.command, command);
        EXPECT_GE(e.bytes_done, bytes);
        EXPECT_GE(e.members_done, done);
        bytes = e.bytes_done;
        done = e.members_done;
        EXPECT_EQ(e.members_total, members);
        EXPECT_LE(e.bytes_done, e.bytes_total);
        if (e.event == UNLHA_PROGRESS_BEGIN) EXPECT_TRUE(begun.insert(e.member).second) << e.member;
        if (e.event == UNLHA_PROGRESS_END) {
            EXPECT_TRUE(begun.count(e.member)) << e.member;
            EXPECT_TRUE(ended.insert(e.member).second) << e.member;
        }
    }
    EXPECT_EQ(ended.size(), members);
    EXPECT_EQ(events.back().event, UNLHA_PROGRESS_END);
    EXPECT_EQ(events.back().bytes_done, events.back().bytes_total);
    EXPECT_EQ(events.back().members_done, members);
}

TEST_F(Progress, EveryCommandTellsEachMemberAndBytesUpToItsTotals) {
    const std::string arc = (d / "a.lzh").string();
    ASSERT_EQ(run(add_all(arc)), UNLHA_OK);
    expect_sound(events, "a", 5);  // big, text, small, sub/ and sub/inner.txt
    EXPECT_EQ(events.back().bytes_total, (3u << 20) + (2u << 20) + 5 + 5);
    // Work is told between a big member's start and end, not only at them.
    std::size_t work = 0;
    for (const Event &e : events) work += e.event == UNLHA_PROGRESS_WORK && e.member == "big.bin";
    EXPECT_GT(work, 1u);

    ASSERT_EQ(run("x " + quote(arc) + " " + quote((d / "out").string() + "/")), UNLHA_OK);
    expect_sound(events, "x", 5);
    ASSERT_EQ(run("t " + quote(arc)), UNLHA_OK);
    expect_sound(events, "t", 5);
    ASSERT_EQ(run("l " + quote(arc)), UNLHA_OK);
    expect_sound(events, "l", 5);
    ASSERT_EQ(run("d " + quote(arc) + " small.txt"), UNLHA_OK);
    expect_sound(events, "d", 5);
    ASSERT_EQ(run("s " + quote(arc) + " " + quote(d.path().string() + "/")), UNLHA_OK);
    expect_sound(events, "s", 1);

    // A window without a callback hears nothing.
    events.clear();
    EXPECT_EQ(lib_.unlha(nullptr, ("l " + quote(arc)).c_str(), nullptr, 0), 0);
    EXPECT_TRUE(events.empty());
}

// Where a command both works on members and copies others, each member's
// reports say which: a window names the member being deleted or added, not
// one merely copied along.
TEST_F(Progress, EachMemberSaysWhetherItIsTheCommandsOwnWorkOrACopy) {
    const std::string arc = (d / "a.lzh").string();
    ASSERT_EQ(run(add_all(arc)), UNLHA_OK);
    const auto work_of = [this](const std::string &member) {
        std::set<int> seen;
        for (const Event &e : events)
            if (e.member == member) seen.insert(e.work);
        return seen;
    };
    for (const char *member : {"big.bin", "sub/inner.txt"}) EXPECT_EQ(work_of(member), std::set<int>{UNLHA_WORK_OWN});

    ASSERT_EQ(run("d " + quote(arc) + " small.txt"), UNLHA_OK);
    EXPECT_EQ(work_of("small.txt"), std::set<int>{UNLHA_WORK_OWN});
    for (const char *member : {"big.bin", "text.txt", "sub/", "sub/inner.txt"})
        EXPECT_EQ(work_of(member), std::set<int>{UNLHA_WORK_COPY}) << member;

    write_file(d / "src/small.txt", "back again");
    ASSERT_EQ(run("a " + quote(arc) + " " + quote((d / "src/small.txt").string()) + " " +
                  quote((d / "src/text.txt").string())),
              UNLHA_OK);
    EXPECT_EQ(work_of("small.txt"), std::set<int>{UNLHA_WORK_OWN});
    EXPECT_EQ(work_of("text.txt"), std::set<int>{UNLHA_WORK_REPLACE});
    EXPECT_EQ(work_of("big.bin"), std::set<int>{UNLHA_WORK_COPY});

    ASSERT_EQ(run("x -c " + quote(arc) + " " + quote((d / "out").string() + "/")), UNLHA_OK);
    for (const Event &e : events) EXPECT_EQ(e.work, UNLHA_WORK_OWN) << e.member;
}

// Stopped at each of its events in turn, an add or a delete leaves the
// archive byte for byte as it was, or no archive when there was none; no
// temporary file stays.
TEST_F(Progress, AStoppedAddOrDeleteLeavesTheArchiveAsItWas) {
    const std::string fresh = (d / "new.lzh").string(), old = (d / "old.lzh").string();
    ASSERT_EQ(run(add_all(old)), UNLHA_OK);
    write_file(d / "src/small.txt", "changed");  // so that adding again would change the archive
    const std::string before = read_file(old);
    for (const std::string &command : {add_all(fresh), add_all(old), "d " + quote(old) + " text.txt"}) {
        SCOPED_TRACE(command);
        // Its events, counted on a run that is undone.
        ASSERT_EQ(run(command), UNLHA_OK);
        const std::size_t steps = events.size();
        fs::remove(fresh);
        write_file(old, before);
        for (std::size_t stop_at = 0; stop_at < steps; ++stop_at) {
            SCOPED_TRACE(stop_at);
            std::size_t seen = 0;
            stop_when = [&](const Event &) { return seen++ == stop_at; };
            EXPECT_EQ(run(command), UNLHA_ERR_STOPPED);
            EXPECT_NE(text.find("stopped; the archive is as it was"), std::string::npos) << text;
            EXPECT_FALSE(fs::exists(fresh));
            EXPECT_TRUE(read_file(old) == before);
            EXPECT_TRUE(no_temporary_files());
        }
        stop_when = nullptr;
    }
}

// Stopped inside the second member, an extraction keeps the first and
// leaves nothing of the second; members after it are not begun.
TEST_F(Progress, AStoppedExtractionRemovesTheMemberItWasWriting) {
    const std::string arc = (d / "a.lzh").string();
    ASSERT_EQ(run(add_all(arc)), UNLHA_OK);
    for (bool replacing : {false, true}) {
        SCOPED_TRACE(replacing);
        const fs::path out = d / (replacing ? "again" : "out");
        if (replacing) {
            write_file(out / "text.txt", "the file that was there");
        }
        stop_when = [](const Event &e) { return e.member == "text.txt" && e.event == UNLHA_PROGRESS_WORK; };
        EXPECT_EQ(run("x -c " + quote(arc) + " " + quote(out.string() + "/")), UNLHA_ERR_STOPPED);
        EXPECT_NE(text.find("stopped"), std::string::npos) << text;
        EXPECT_EQ(read_file(out / "big.bin"), read_file(d / "src/big.bin"));
        // A file being replaced is kept as it was; a new one is not there.
        if (replacing) EXPECT_TRUE(read_file(out / "text.txt") == "the file that was there");
        else EXPECT_FALSE(fs::exists(out / "text.txt"));
        EXPECT_FALSE(fs::exists(out / "small.txt"));
        for (const Event &e : events) EXPECT_NE(e.member, "small.txt");
        EXPECT_TRUE(no_temporary_files());
    }
}

} // namespace
} // namespace lzh::test
