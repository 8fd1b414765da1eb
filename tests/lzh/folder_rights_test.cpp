// What a user without special rights meets in folders (CTest runs this as
// an unprivileged user; root would pass through every right).
#include "modify.h"
#include "support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace lzh::test {
namespace {

// Another program that makes the archive while this one adds to it.
class QuickerWriter : public ProgressWatcher {
public:
    explicit QuickerWriter(fs::path archive) : archive_(std::move(archive)) {}
    bool report(const ProgressReport &r) override {
        if (r.event == ProgressEvent::begin && !fs::exists(archive_)) write_file(archive_, "theirs");
        return true;
    }

private:
    fs::path archive_;
};

TEST(WriteOnlyFolder, ANewArchiveIsMadeThereButNeverOverAnotherWritersArchive) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may read any folder; CTest runs this as an unprivileged user";
    TempDir d;
    write_file(d / "a.txt", "a");
    write_file(d / "b.txt", "b");
    fs::create_directories(d / "drop");
    ASSERT_EQ(::chmod((d / "drop").c_str(), 0300), 0);  // may write and pass, may not read
    const std::string arc = (d / "drop/new.lzh").string();
    CmdResult r = unlha("a " + quote(arc) + " " + quote((d / "a.txt").string()));
    ASSERT_EQ(r.rc, UNLHA_OK) << r.text;
    r = unlha("a " + quote(arc) + " " + quote((d / "b.txt").string()));  // now locked through the archive itself
    EXPECT_EQ(r.rc, UNLHA_OK) << r.text;
    EXPECT_EQ(listed_paths(arc), (std::vector<std::string>{"a.txt", "b.txt"}));

    // Without a lock to wait on, a writer that finds an archive made
    // meanwhile changes nothing and says so.
    const fs::path late = d / "drop/late.lzh";
    QuickerWriter other(late);
    StringOutput out;
    EXPECT_EQ(add_paths(late.string(), {(d / "a.txt").string()}, AddOptions{}, out, &other), UNLHA_ERR_WRITE);
    EXPECT_NE(out.text().find("another program made this archive meanwhile"), std::string::npos) << out.text();

    ASSERT_EQ(::chmod((d / "drop").c_str(), 0700), 0);
    EXPECT_EQ(read_file(late), "theirs");
    for (const auto &e : fs::directory_iterator(d / "drop"))
        EXPECT_EQ(e.path().filename().string().find(".unlha-"), std::string::npos) << e.path();
}

} // namespace
} // namespace lzh::test
