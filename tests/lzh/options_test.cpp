// The options of adding and extracting where a slip would cost files or
// show the wrong thing: paths as given, excludes, removing what was added,
// dry runs, the generic format, and members to a stream (tests/lha's round
// trips cover the rest through lha).
#include "archive.h"
#include "extract.h"
#include "modify.h"
#include "support.h"

#include <gtest/gtest.h>

#include <functional>

namespace lzh::test {
namespace {

// Records each member's name and work at its end, and may act there.
struct Recorder : ProgressWatcher {
    std::vector<std::pair<std::string, MemberWork>> ends;
    std::function<void(const ProgressReport &)> on_end;
    bool report(const ProgressReport &r) override {
        if (r.event != ProgressEvent::end) return true;
        ends.emplace_back(std::string(r.member), r.work);
        if (on_end) on_end(r);
        return true;
    }
};

class Options : public ::testing::Test {
protected:
    TempDir d;
    StringOutput out;
    fs::path before_ = fs::current_path();
    std::string arc() const { return (d / "a.lzh").string(); }
    void SetUp() override {
        write_file(d / "tree/docs/readme.txt", "read me");
        write_file(d / "tree/docs/.hidden", "hidden");
        write_file(d / "tree/build/out.o", "object");
        write_file(d / "tree/main.c", std::string(20000, 'c'));
        fs::current_path(d.path());
    }
    void TearDown() override { fs::current_path(before_); }
    UnlhaResult add(const std::vector<std::string> &paths, AddOptions o, ProgressWatcher *w = nullptr) {
        o.paths_as_given = true;
        return add_paths(arc(), paths, o, out, w);
    }
};

TEST_F(Options, PathsAsGivenAreStoredRelativeAndDotDotIsRefused) {
    EXPECT_EQ(add({"./tree/docs/readme.txt", (d / "tree/main.c").string(), "tree/../tree/main.c"}, {}), UNLHA_ERR_COMMAND);
    EXPECT_NE(out.text().find("tree/../tree/main.c"), std::string::npos) << out.text();
    EXPECT_EQ(listed_paths(arc()), (std::vector<std::string>{"tree/docs/readme.txt", (d / "tree/main.c").string().substr(1)}));
    // "." adds what the folder holds, not the folder; "*" spares hidden names, as in the shell.
    fs::current_path(d / "tree/docs");
    EXPECT_EQ(add({"."}, {.create = true, .excludes = {"*"}}), UNLHA_OK) << out.text();
    EXPECT_EQ(listed_paths(arc()), (std::vector<std::string>{".hidden"}));
    fs::current_path(d.path());
    // A name leaves out a folder with all below it, a path one folder.
    EXPECT_EQ(add({"tree"}, {.create = true, .excludes = {"doc?", "tree/build"}}), UNLHA_OK);
    EXPECT_EQ(listed_paths(arc()), (std::vector<std::string>{"tree/", "tree/main.c"}));
}

TEST_F(Options, RemoveAddedDeletesWhatTheArchiveGotAndKeepsWhatChanged) {
    Recorder rec;
    rec.on_end = [&](const ProgressReport &r) {
        if (r.member == "tree/docs/readme.txt") write_file(d / "tree/docs/readme.txt", "changed meanwhile");
    };
    EXPECT_EQ(add({"tree"}, {.excludes = {"*.o"}, .remove_added = true}, &rec), UNLHA_ERR_WRITE);
    EXPECT_NE(out.text().find("readme.txt: changed since it was added; not removed"), std::string::npos) << out.text();
    EXPECT_EQ(read_file(d / "tree/docs/readme.txt"), "changed meanwhile");
    EXPECT_FALSE(fs::exists(d / "tree/main.c"));
    EXPECT_FALSE(fs::exists(d / "tree/docs/.hidden"));
    EXPECT_TRUE(fs::exists(d / "tree/build/out.o"));  // excluded, so its folder stays too
    ASSERT_EQ(extract_archive({arc(), (d / "out").string(), {}, false}, out), UNLHA_OK);
    EXPECT_EQ(read_file(d / "out/tree/main.c"), std::string(20000, 'c'));
    // A failed rewrite removes nothing.
    write_file(d / "bad.lzh", "not an archive");
    EXPECT_NE(add_paths((d / "bad.lzh").string(), {"tree/build/out.o"}, {.remove_added = true}, out), UNLHA_OK);
    EXPECT_TRUE(fs::exists(d / "tree/build/out.o"));
}

TEST_F(Options, ADryRunTellsAddAndReplaceAndWritesNothing) {
    ASSERT_EQ(add({"tree/main.c"}, {}), UNLHA_OK);
    const std::string before = read_file(arc());
    Recorder rec;
    ASSERT_EQ(add({"tree/main.c", "tree/docs"}, {.remove_added = true, .dry_run = true}, &rec), UNLHA_OK);
    EXPECT_EQ(rec.ends, (std::vector<std::pair<std::string, MemberWork>>{{"tree/main.c", MemberWork::replace},
                                                                        {"tree/docs", MemberWork::own},
                                                                        {"tree/docs/.hidden", MemberWork::own},
                                                                        {"tree/docs/readme.txt", MemberWork::own}}));
    EXPECT_EQ(read_file(arc()), before);
    EXPECT_TRUE(fs::exists(d / "tree/docs/readme.txt"));
    ExtractRequest x{arc(), (d / "nowhere/below").string(), {}, false};
    x.dry_run = true;
    ASSERT_EQ(extract_archive(x, out), UNLHA_OK);
    EXPECT_FALSE(fs::exists(d / "nowhere"));
}

TEST_F(Options, TheGenericFormatStoresNoFoldersAndNoSystem) {
    ASSERT_EQ(add({"tree"}, {.method = find_method("-lh0-"), .format = {1, true}}), UNLHA_OK) << out.text();
    ArchiveReader reader;
    ASSERT_EQ(reader.open(arc()), UNLHA_OK);
    int members = 0;
    for (Member m; reader.next(m); ++members) {
        EXPECT_EQ(m.method, "-lh0-") << m.path;  // main.c would compress well
        EXPECT_NE(m.kind, MemberKind::directory) << m.path;
        EXPECT_EQ(m.os_id, 0);
    }
    EXPECT_EQ(members, 4);
}

TEST_F(Options, WhenNoFileGoesInNoArchiveIsMadeOrReplaced) {
    // A name level 0 cannot hold is refused, the only file given.
    const std::string long_name(240, 'n');
    write_file(d / long_name, "x");
    EXPECT_NE(add({long_name}, {.format = {0, false}}), UNLHA_OK);
    EXPECT_FALSE(fs::exists(arc()));
    // Made anew from it, an old archive would have lost its members.
    ASSERT_EQ(add({"tree/main.c"}, {}), UNLHA_OK);
    const std::string before = read_file(arc());
    EXPECT_NE(add({long_name}, {.format = {0, false}, .create = true}), UNLHA_OK);
    EXPECT_EQ(read_file(arc()), before);
}

struct StringSink : ByteSink {
    std::string data;
    bool write(const std::uint8_t *buf, std::size_t n) override {
        data.append(reinterpret_cast<const char *>(buf), n);
        return true;
    }
};

TEST_F(Options, AStreamGetsTheFilesDataAndNothingReachesTheDisk) {
    ASSERT_EQ(add({"tree"}, {}), UNLHA_OK);
    StringSink sink;
    ExtractRequest req{arc(), (d / "stream").string(), {"tree/main.c", "readme.txt"}, false};
    req.stream = &sink;
    ASSERT_EQ(extract_archive(req, out), UNLHA_OK) << out.text();
    EXPECT_TRUE(sink.data == "read me" + std::string(20000, 'c'));  // in archive order
    EXPECT_FALSE(fs::exists(d / "stream"));
    std::string bytes = read_file(arc());
    bytes[bytes.rfind("read me")] = 'R';  // the data, after its header
    write_file(arc(), bytes);
    req.names = {"readme.txt"};
    EXPECT_EQ(extract_archive(req, out), UNLHA_ERR_DATA);
    EXPECT_NE(out.text().find("CRC"), std::string::npos) << out.text();
}

} // namespace
} // namespace lzh::test
