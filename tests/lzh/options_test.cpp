// The options of adding and extracting: paths as given, update, create
// anew, excludes, store, header levels, removing what was added, dry runs,
// keeping existing files, flat extraction and members to a stream.
#include "archive.h"
#include "extract.h"
#include "modify.h"
#include "support.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <utime.h>

namespace lzh::test {
namespace {

// A watcher that records each member's name, work and outcome.
struct Recorder : ProgressWatcher {
    struct Seen {
        std::string member;
        MemberWork work;
        MemberOutcome outcome;
    };
    std::vector<Seen> ends;
    std::function<void(const ProgressReport &)> on_end;
    bool report(const ProgressReport &r) override {
        if (r.event == ProgressEvent::end) {
            ends.push_back({std::string(r.member), r.work, r.outcome});
            if (on_end) on_end(r);
        }
        return true;
    }
    std::vector<std::string> members(MemberWork work) const {
        std::vector<std::string> out;
        for (const Seen &s : ends)
            if (s.work == work) out.push_back(s.member);
        return out;
    }
};

// Tests here work in their own folder, as the classic command line does.
class InFolder {
public:
    explicit InFolder(const fs::path &p) : before_(fs::current_path()) { fs::current_path(p); }
    ~InFolder() { fs::current_path(before_); }

private:
    fs::path before_;
};

void set_mtime(const fs::path &p, std::int64_t t) {
    struct utimbuf times = {static_cast<time_t>(t), static_cast<time_t>(t)};
    ASSERT_EQ(::utime(p.c_str(), &times), 0);
}

class Adding : public ::testing::Test {
protected:
    TempDir d;
    StringOutput out;
    std::string arc() const { return (d / "a.lzh").string(); }
    void SetUp() override {
        write_file(d / "tree/docs/readme.txt", "read me");
        write_file(d / "tree/docs/.hidden", "hidden");
        write_file(d / "tree/build/out.o", "object");
        write_file(d / "tree/main.c", std::string(20000, 'c'));
        here_.emplace(d.path());
    }
    void TearDown() override { here_.reset(); }
    std::optional<InFolder> here_;
    UnlhaResult add(const std::vector<std::string> &paths, AddOptions options, ProgressWatcher *w = nullptr) {
        return add_paths(arc(), paths, options, out, w);
    }
};

TEST_F(Adding, PathsAsGivenAreStoredRelativeAndDotDotIsRefused) {
    AddOptions o;
    o.paths_as_given = true;
    EXPECT_EQ(add({"./tree/docs/readme.txt", (d / "tree/main.c").string(), "tree/../tree/main.c"}, o), UNLHA_ERR_COMMAND);
    EXPECT_NE(out.text().find("tree/../tree/main.c"), std::string::npos) << out.text();
    std::string abs = (d / "tree/main.c").string().substr(1);
    EXPECT_EQ(listed_paths(arc()), (std::vector<std::string>{"tree/docs/readme.txt", abs}));
    // "." adds what the folder holds, not the folder.
    fs::current_path(d / "tree/docs");
    o.create = true;
    EXPECT_EQ(add({"."}, o), UNLHA_OK) << out.text();
    EXPECT_EQ(listed_paths(arc()), (std::vector<std::string>{".hidden", "readme.txt"}));
}

TEST_F(Adding, ExcludesLeaveOutNamesAndFoldersButWildcardsSpareHiddenNames) {
    AddOptions o;
    o.paths_as_given = true;
    o.excludes = {"*.o", "doc?"};
    ASSERT_EQ(add({"tree"}, o), UNLHA_OK) << out.text();
    EXPECT_EQ(listed_paths(arc()), (std::vector<std::string>{"tree/", "tree/build/", "tree/main.c"}));
    o.create = true;
    o.excludes = {"*"};  // as in the shell, not ".hidden"
    fs::current_path(d / "tree/docs");
    ASSERT_EQ(add({".hidden", "readme.txt"}, o), UNLHA_OK);
    EXPECT_EQ(listed_paths(arc()), (std::vector<std::string>{".hidden"}));
    fs::current_path(d.path());
    o.excludes = {"tree/build"};
    ASSERT_EQ(add({"tree"}, o), UNLHA_OK);
    for (const std::string &p : listed_paths(arc())) EXPECT_EQ(p.find("build"), std::string::npos) << p;
}

TEST_F(Adding, UpdateReplacesOnlyWithNewerFilesAndCreateDropsTheOld) {
    AddOptions o;
    o.paths_as_given = true;
    set_mtime("tree/main.c", 1600000000);
    set_mtime("tree/docs/readme.txt", 1600000000);
    ASSERT_EQ(add({"tree/main.c", "tree/docs/readme.txt"}, o), UNLHA_OK);
    write_file(d / "tree/main.c", "older");
    set_mtime("tree/main.c", 1500000000);
    write_file(d / "tree/docs/readme.txt", "newer");
    set_mtime("tree/docs/readme.txt", 1700000000);
    o.update = true;
    Recorder rec;
    ASSERT_EQ(add({"tree/main.c", "tree/docs/readme.txt", "tree/build/out.o"}, o, &rec), UNLHA_OK);
    EXPECT_EQ(rec.members(MemberWork::copy), (std::vector<std::string>{"tree/main.c"}));
    EXPECT_EQ(rec.members(MemberWork::replace), (std::vector<std::string>{"tree/docs/readme.txt"}));
    EXPECT_EQ(rec.members(MemberWork::own), (std::vector<std::string>{"tree/build/out.o"}));
    ExtractRequest x{arc(), (d / "out").string(), {}, false};
    ASSERT_EQ(extract_archive(x, out), UNLHA_OK);
    EXPECT_EQ(read_file(d / "out/tree/main.c"), std::string(20000, 'c'));
    EXPECT_EQ(read_file(d / "out/tree/docs/readme.txt"), "newer");

    o.update = false;
    o.create = true;
    ASSERT_EQ(add({"tree/build/out.o"}, o), UNLHA_OK);
    EXPECT_EQ(listed_paths(arc()), (std::vector<std::string>{"tree/build/out.o"}));
}

TEST_F(Adding, StoreLevelsAndTheGenericFormatShowInTheHeaders) {
    AddOptions o;
    o.paths_as_given = true;
    o.method = find_method("-lh0-");
    o.format = {1, true};
    ASSERT_EQ(add({"tree"}, o), UNLHA_OK) << out.text();
    ArchiveReader reader;
    ASSERT_EQ(reader.open(arc()), UNLHA_OK);
    Member m;
    int members = 0;
    while (reader.next(m)) {
        ++members;
        EXPECT_EQ(m.level, 1);
        EXPECT_EQ(m.method, "-lh0-") << m.path;  // main.c would compress well
        EXPECT_NE(m.kind, MemberKind::directory) << m.path;  // the generic format stores no folders
        EXPECT_EQ(m.os_id, 0);
    }
    EXPECT_EQ(members, 4);
}

TEST_F(Adding, RemoveAddedDeletesWhatTheArchiveGotAndKeepsWhatChanged) {
    AddOptions o;
    o.paths_as_given = true;
    o.remove_added = true;
    o.excludes = {"*.o"};
    // A file that changes after it was read stays where it is.
    Recorder rec;
    rec.on_end = [&](const ProgressReport &r) {
        if (r.member == "tree/docs/readme.txt") write_file(d / "tree/docs/readme.txt", "changed meanwhile");
    };
    EXPECT_EQ(add({"tree"}, o, &rec), UNLHA_ERR_WRITE);
    EXPECT_NE(out.text().find("readme.txt: changed since it was added; not removed"), std::string::npos) << out.text();
    EXPECT_EQ(read_file(d / "tree/docs/readme.txt"), "changed meanwhile");
    EXPECT_FALSE(fs::exists(d / "tree/main.c"));
    EXPECT_FALSE(fs::exists(d / "tree/docs/.hidden"));
    EXPECT_TRUE(fs::exists(d / "tree/build/out.o"));  // excluded, so its folder stays too
    ExtractRequest x{arc(), (d / "out").string(), {}, false};
    ASSERT_EQ(extract_archive(x, out), UNLHA_OK);
    EXPECT_EQ(read_file(d / "out/tree/main.c"), std::string(20000, 'c'));

    // A failed rewrite removes nothing.
    write_file(d / "bad.lzh", "not an archive");
    EXPECT_NE(add_paths((d / "bad.lzh").string(), {"tree/build/out.o"}, AddOptions{.remove_added = true}, out), UNLHA_OK);
    EXPECT_TRUE(fs::exists(d / "tree/build/out.o"));
}

TEST_F(Adding, ADryRunTellsAddAndReplaceAndWritesNothing) {
    AddOptions o;
    o.paths_as_given = true;
    ASSERT_EQ(add({"tree/main.c"}, o), UNLHA_OK);
    const std::string before = read_file(arc());
    o.dry_run = true;
    o.remove_added = true;
    Recorder rec;
    ASSERT_EQ(add({"tree/main.c", "tree/docs"}, o, &rec), UNLHA_OK);
    EXPECT_EQ(rec.members(MemberWork::replace), (std::vector<std::string>{"tree/main.c"}));
    EXPECT_EQ(rec.members(MemberWork::own), (std::vector<std::string>{"tree/docs", "tree/docs/.hidden", "tree/docs/readme.txt"}));
    EXPECT_EQ(read_file(arc()), before);
    EXPECT_TRUE(fs::exists(d / "tree/docs/readme.txt"));
    EXPECT_EQ(add_paths((d / "new.lzh").string(), {"tree"}, o, out), UNLHA_OK);
    EXPECT_FALSE(fs::exists(d / "new.lzh"));
}

class Extracting : public ::testing::Test {
protected:
    TempDir d;
    StringOutput out;
    std::string arc() const { return (d / "a.lzh").string(); }
    void SetUp() override {
        write_file(d / "src/top.txt", "top");
        write_file(d / "src/sub/deep.txt", std::string(50000, 'd'));
        write_file(d / "src/sub/skip.tmp", "tmp");
        InFolder here(d.path());
        AddOptions o;
        o.paths_as_given = true;
        ASSERT_EQ(add_paths(arc(), {"src"}, o, out), UNLHA_OK) << out.text();
    }
    ExtractRequest request(const std::string &folder) { return ExtractRequest{arc(), (d / folder).string(), {}, false}; }
};

TEST_F(Extracting, SkipExistingKeepsFilesWithoutFailing) {
    write_file(d / "out/src/top.txt", "mine");
    ExtractRequest req = request("out");
    req.names = {"top.txt"};
    EXPECT_EQ(extract_archive(req, out), UNLHA_ERR_WRITE);  // without it, a kept file is a failure
    out = StringOutput();
    req.names.clear();
    req.skip_existing = true;
    Recorder rec;
    EXPECT_EQ(extract_archive(req, out, &rec), UNLHA_OK);
    EXPECT_EQ(out.text(), "");
    EXPECT_EQ(read_file(d / "out/src/top.txt"), "mine");
    int kept = 0;
    for (const auto &s : rec.ends) kept += s.outcome == MemberOutcome::kept;
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(read_file(d / "out/src/sub/deep.txt"), std::string(50000, 'd'));
}

TEST_F(Extracting, FlatExcludesAndDryRun) {
    ExtractRequest req = request("flat");
    req.flat = true;
    req.excludes = {"*.tmp"};
    ASSERT_EQ(extract_archive(req, out), UNLHA_OK) << out.text();
    std::set<std::string> names;
    for (const auto &e : fs::recursive_directory_iterator(d / "flat")) names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"top.txt", "deep.txt"}));

    ExtractRequest dry = request("nowhere/below");
    dry.dry_run = true;
    Recorder rec;
    ASSERT_EQ(extract_archive(dry, out, &rec), UNLHA_OK);
    EXPECT_EQ(rec.ends.size(), 5u);
    EXPECT_FALSE(fs::exists(d / "nowhere"));
    // A dry run over what is there says which files would be kept.
    dry = request("flat");
    dry.flat = dry.dry_run = dry.skip_existing = true;
    rec.ends.clear();
    ASSERT_EQ(extract_archive(dry, out, &rec), UNLHA_OK);
    std::vector<std::string> kept;
    for (const auto &s : rec.ends)
        if (s.outcome == MemberOutcome::kept) kept.push_back(s.member);
    EXPECT_EQ(kept, (std::vector<std::string>{"src/sub/deep.txt", "src/top.txt"}));
}

struct StringSink : ByteSink {
    std::string data;
    bool write(const std::uint8_t *buf, std::size_t n) override {
        data.append(reinterpret_cast<const char *>(buf), n);
        return true;
    }
};

TEST_F(Extracting, AStreamGetsTheFilesDataAndNothingReachesTheDisk) {
    StringSink sink;
    ExtractRequest req = request("stream");
    req.names = {"src/sub/deep.txt", "top.txt"};
    req.stream = &sink;
    ASSERT_EQ(extract_archive(req, out), UNLHA_OK) << out.text();
    EXPECT_TRUE(sink.data == std::string(50000, 'd') + "top");
    EXPECT_FALSE(fs::exists(d / "stream"));
    // A damaged member says so.
    std::string bytes = read_file(arc());
    const std::size_t at = bytes.rfind("top");  // the data, after its header
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'T';
    write_file(arc(), bytes);
    sink.data.clear();
    req.names = {"top.txt"};
    EXPECT_EQ(extract_archive(req, out), UNLHA_ERR_DATA);
    EXPECT_NE(out.text().find("CRC"), std::string::npos) << out.text();
}

} // namespace
} // namespace lzh::test
