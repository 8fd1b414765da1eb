// Archives we write: read back by the other LZH programs and by us, members
// replaced and deleted in place of their order, and a failed rewrite that
// leaves the old archive byte for byte as it was.
#include "archive.h"
#include "support.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lzh::test {
namespace {

std::string text(std::size_t n) {
    std::string s;
    for (int i = 0; s.size() < n; ++i) s += "entry " + std::to_string(i * 37 % 501) + " of the table, value " + std::to_string(i % 17) + "\n";
    s.resize(n);
    return s;
}

// At every method, in the default mode and in the best mode.
class WrittenArchives : public ::testing::TestWithParam<std::tuple<int, bool>> {
protected:
    TempDir d;
    int method() const { return std::get<0>(GetParam()); }
    std::string add_switches() const {
        return "a -o" + std::to_string(method()) + (std::get<1>(GetParam()) ? " -b " : " ");
    }
    void SetUp() override {
        write_file(d / "src/tree/text.txt", text(300000));
        write_file(d / "src/tree/noise.bin", noise(100000, 7));
        write_file(d / "src/tree/empty", "");
        write_file(d / "src/tree/deep/er/日本語.txt", text(5000));
        fs::create_directories(d / "src/tree/emptydir");
        fs::create_symlink("text.txt", d / "src/tree/link");
        fs::permissions(d / "src/tree/text.txt", fs::perms(0644));
        fs::permissions(d / "src/tree/noise.bin", fs::perms(0640));
        fs::permissions(d / "src/tree", fs::perms(0755));
        fs::permissions(d / "src/tree/deep", fs::perms(0755));
    }
};

TEST_P(WrittenArchives, OtherProgramsReadWhatWeWrite) {
    std::string arc = (d / "a.lzh").string();
    CmdResult r = unlha(add_switches() + quote(arc) + " " + quote((d / "src/tree").string()));
    ASSERT_EQ(r.rc, UNLHA_OK) << r.text;
    if (std::get<1>(GetParam())) {
        // The switch reaches the compressor: the best mode's archive is the smaller.
        const std::string plain = (d / "plain.lzh").string();
        ASSERT_EQ(unlha("a -o" + std::to_string(method()) + " " + quote(plain) + " " + quote((d / "src/tree").string())).rc,
                  UNLHA_OK);
        EXPECT_LT(fs::file_size(arc), fs::file_size(plain));
    }
    std::string q = shell_quote(arc);
    auto mode = [](const fs::path &p) { return fs::status(p).permissions() & fs::perms::mask; };
    auto same = [&](const fs::path &a, const std::string &rel) {
        EXPECT_TRUE(read_file(a) == read_file(d / "src" / rel)) << a << " differs from " << rel;
    };
    if (have_tool("lhasa")) {  // lhasa keeps names as stored: compare the ASCII ones
        EXPECT_EQ(sh("lhasa t " + q + " >/dev/null"), 0);
        fs::create_directories(d / "lhasa");
        ASSERT_EQ(sh("cd " + shell_quote((d / "lhasa").string()) + " && lhasa xq " + q + " >/dev/null"), 0);
        same(d / "lhasa/tree/text.txt", "tree/text.txt");
        same(d / "lhasa/tree/noise.bin", "tree/noise.bin");
        EXPECT_EQ(mode(d / "lhasa/tree/text.txt"), fs::perms(0644));
        EXPECT_EQ(mode(d / "lhasa/tree/noise.bin"), fs::perms(0640));
    }
    if (have_tool("bsdtar")) {
        // The code-page header lets libarchive read the Shift_JIS names with
        // no option, and the mode header gives the modes back.
        EXPECT_NE(sh_output("LC_ALL=C.UTF-8 bsdtar -tf " + q).find("tree/deep/er/日本語.txt"), std::string::npos);
        fs::create_directories(d / "bsdtar");
        ASSERT_EQ(sh("LC_ALL=C.UTF-8 bsdtar -xf " + q + " -C " + shell_quote((d / "bsdtar").string())), 0);
        same(d / "bsdtar/tree/noise.bin", "tree/noise.bin");
        same(d / "bsdtar/tree/deep/er/日本語.txt", "tree/deep/er/日本語.txt");
        for (const char *p : {"tree", "tree/text.txt", "tree/noise.bin", "tree/deep"})
            EXPECT_EQ(mode(d / "bsdtar" / p), mode(d / "src" / p)) << p;
    }
    if (have_tool("7zz")) EXPECT_EQ(sh("7zz t " + q + " >/dev/null"), 0);
    if (have_tool("jlha")) {
        std::string said = sh_output("jlha t " + q + " 2>&1");
        EXPECT_NE(said.find("Tested"), std::string::npos) << said;
        EXPECT_EQ(said.find("rror"), std::string::npos) << said;
    }

    // And we read back everything, the link and the empty folder included.
    fs::path out = d / "ours";
    ASSERT_EQ(unlha("x " + quote(arc) + " " + quote(out.string() + "/")).rc, UNLHA_OK);
    for (const char *f : {"tree/text.txt", "tree/noise.bin", "tree/empty", "tree/deep/er/日本語.txt"}) same(out / f, f);
    EXPECT_TRUE(fs::is_directory(out / "tree/emptydir"));
    EXPECT_EQ(fs::read_symlink(out / "tree/link"), "text.txt");
}

TEST_P(WrittenArchives, EverySizeAroundTheWindowsRoundTrips) {
    std::vector<std::pair<std::string, std::string>> files;
    for (std::size_t n : {0ul, 1ul, 8191ul, 8192ul, 8193ul, 32767ul, 32768ul, 32769ul, 65535ul, 65536ul, 65537ul})
        files.push_back({"t" + std::to_string(n), text(n)});
    files.push_back({"noise", noise(70000, 3)});            // incompressible: stored
    files.push_back({"same", std::string(1 << 20, 'z')});   // highly repetitive
    std::string words;
    for (auto &[name, data] : files) {
        write_file(d / "in" / name, data);
        words += " " + quote((d / "in" / name).string());
    }
    std::string arc = (d / "sizes.lzh").string();
    ASSERT_EQ(unlha(add_switches() + quote(arc) + words).rc, UNLHA_OK);
    ASSERT_EQ(unlha("x " + quote(arc) + " " + quote((d / "out").string() + "/")).rc, UNLHA_OK);
    for (auto &[name, data] : files) EXPECT_TRUE(read_file(d / "out" / name) == data) << name;
    std::string listing = unlha("l " + quote(arc)).text;
    EXPECT_NE(listing.find("-lh0- "), std::string::npos);  // the noise and the empty file
    EXPECT_NE(listing.find("-lh" + std::to_string(method()) + "- "), std::string::npos);
    if (have_tool("lhasa")) EXPECT_EQ(sh("lhasa t " + shell_quote(arc) + " >/dev/null"), 0);
}

TEST_P(WrittenArchives, AFileIsStoredOnlyWhenNoneOfItShrinks) {
    // A tarball or a disk image often begins with packed data: the file as a
    // whole still shrinks, and must be compressed.  Noise throughout is stored.
    const int m = method();
    const std::string head = noise(600000, 21), rest = text(1000000);
    write_file(d / "in/begins-packed.tar", head + rest);
    write_file(d / "in/ends-packed.tar", rest + head);
    write_file(d / "in/packed.xz", noise(700000, 22));
    write_file(d / "in/rest.txt", rest);
    std::string arc = (d / "mixed.lzh").string();
    ASSERT_EQ(unlha(add_switches() + quote(arc) + " " + quote((d / "in").string())).rc, UNLHA_OK);
    std::map<std::string, Member> got;
    {
        ArchiveReader reader;
        ASSERT_EQ(reader.open(arc), UNLHA_OK);
        for (Member mb; reader.next(mb);) got[mb.path] = mb;
    }
    const std::string coded = "-lh" + std::to_string(m) + "-";
    ASSERT_EQ(got["in/rest.txt"].method, coded);
    const std::uint64_t apart = head.size() + got["in/rest.txt"].packed_size;
    for (const char *name : {"in/begins-packed.tar", "in/ends-packed.tar"}) {
        EXPECT_EQ(got[name].method, coded) << name;
        EXPECT_LT(got[name].packed_size, apart + apart / 100) << name;
    }
    EXPECT_EQ(got["in/packed.xz"].method, "-lh0-");
    EXPECT_EQ(got["in/packed.xz"].packed_size, 700000u);
    ASSERT_EQ(unlha("x " + quote(arc) + " " + quote((d / "out").string() + "/")).rc, UNLHA_OK);
    EXPECT_TRUE(read_file(d / "out/in/begins-packed.tar") == head + rest);
    EXPECT_TRUE(read_file(d / "out/in/ends-packed.tar") == rest + head);
    EXPECT_TRUE(read_file(d / "out/in/packed.xz") == noise(700000, 22));
}

INSTANTIATE_TEST_SUITE_P(Methods, WrittenArchives, ::testing::Combine(::testing::Values(5, 6, 7), ::testing::Bool()),
                         [](const auto &info) {
                             return "lh" + std::to_string(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) ? "_best" : "");
                         });

class Rewrites : public ::testing::Test {
protected:
    TempDir d;
    std::string arc() const { return (d / "a.lzh").string(); }
    void add(const std::string &name, const std::string &data) {
        write_file(d / name, data);
        CmdResult r = unlha("a " + quote(arc()) + " " + quote((d / name).string()));
        ASSERT_EQ(r.rc, UNLHA_OK) << r.text;
    }
};

TEST_F(Rewrites, AddingReplacesInPlaceAndAppendsNewMembers) {
    add("one", "1");
    add("two", "2");
    add("three", "3");
    add("two", "two, replaced");
    add("four", "4");
    EXPECT_EQ(listed_paths(arc()), (std::vector<std::string>{"one", "two", "three", "four"}));
    ASSERT_EQ(unlha("x " + quote(arc()) + " " + quote((d / "out").string() + "/")).rc, UNLHA_OK);
    EXPECT_EQ(read_file(d / "out/two"), "two, replaced");
}

TEST_F(Rewrites, DeletingCopiesTheOtherMembersByteForByte) {
    add("keep1", text(20000));
    add("gone", text(30000));
    add("keep2", noise(5000, 9));
    std::string before = read_file(arc());
    std::uint64_t gone_from = 0, gone_to = 0;
    {
        ArchiveReader reader;
        ASSERT_EQ(reader.open(arc()), UNLHA_OK);
        Member m;
        while (reader.next(m))
            if (m.path == "gone") gone_from = m.header_offset, gone_to = m.data_offset + m.packed_size;
    }
    ASSERT_GT(gone_to, gone_from);
    CmdResult r = unlha("d " + quote(arc()) + " " + quote(d.path().string() + "/") + " gone");
    ASSERT_EQ(r.rc, UNLHA_OK) << r.text;
    // The new archive is the old one with the deleted member's bytes cut out.
    EXPECT_EQ(read_file(arc()), before.substr(0, gone_from) + before.substr(gone_to));
    EXPECT_EQ(listed_paths(arc()), (std::vector<std::string>{"keep1", "keep2"}));
}

TEST_F(Rewrites, NothingMatchedLeavesTheArchiveUntouched) {
    add("one", "1");
    std::string before = read_file(arc());
    CmdResult r = unlha("d " + quote(arc()) + " missing.txt");
    EXPECT_EQ(r.rc, UNLHA_ERR_NOMATCH);
    EXPECT_NE(r.text.find("missing.txt"), std::string::npos);
    EXPECT_EQ(read_file(arc()), before);
}

TEST_F(Rewrites, AFileThatIsNotAnArchiveIsNeverOverwritten) {
    write_file(d / "a.lzh", "my notes, not an archive");
    write_file(d / "f", "data");
    CmdResult r = unlha("a " + quote(arc()) + " " + quote((d / "f").string()));
    EXPECT_EQ(r.rc, UNLHA_ERR_FORMAT) << r.text;
    EXPECT_EQ(read_file(d / "a.lzh"), "my notes, not an archive");
}

TEST_F(Rewrites, TheArchiveIsNotAddedToItself) {
    write_file(d / "dir/f.txt", "f");
    std::string inner = (d / "dir/in.lzh").string();
    ASSERT_EQ(unlha("a " + quote(inner) + " " + quote((d / "dir/f.txt").string())).rc, UNLHA_OK);
    CmdResult r = unlha("a " + quote(inner) + " " + quote((d / "dir").string()));
    EXPECT_EQ(r.rc, UNLHA_ERR_COMMAND);
    EXPECT_NE(r.text.find("is the archive itself"), std::string::npos);
    std::vector<std::string> paths = listed_paths(inner);
    EXPECT_EQ(std::count(paths.begin(), paths.end(), "dir/in.lzh"), 0);
    EXPECT_EQ(std::count(paths.begin(), paths.end(), "dir/f.txt"), 1);
}

TEST_F(Rewrites, MissingInputsAreReportedAndTheRestAdded) {
    write_file(d / "real", "here");
    CmdResult r = unlha("a " + quote(arc()) + " " + quote((d / "ghost").string()) + " " + quote((d / "real").string()));
    EXPECT_EQ(r.rc, UNLHA_ERR_ARCHIVE);
    EXPECT_NE(r.text.find("ghost"), std::string::npos);
    EXPECT_EQ(listed_paths(arc()), (std::vector<std::string>{"real"}));
}

// Runs a command in a child process that may write only `limit` bytes per
// file: the stand-in for a full disk.
int with_file_size_limit(const std::string &command, rlim_t limit) {
    pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit rl{limit, limit};
        setrlimit(RLIMIT_FSIZE, &rl);
        _exit(unlha(command).rc);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Rewrites, AFailedRewriteLeavesTheOldArchiveWhole) {
    add("small", "small");
    add("big", noise(200000, 5));
    std::string before = read_file(arc());
    write_file(d / "more", noise(400000, 11));
    EXPECT_EQ(with_file_size_limit("a " + quote(arc()) + " " + quote((d / "more").string()), before.size() + 1000), UNLHA_ERR_WRITE);
    EXPECT_EQ(read_file(arc()), before);
    EXPECT_EQ(with_file_size_limit("d " + quote(arc()) + " small", 1000), UNLHA_ERR_WRITE);
    EXPECT_EQ(read_file(arc()), before);
    for (const auto &e : fs::directory_iterator(d.path()))  // and no half-written file beside it
        EXPECT_EQ(e.path().filename().string().find(".unlha-"), std::string::npos) << e.path();
}

// Runs each command in a process of its own, all released at the same
// moment; returns their results in order.
std::vector<int> run_at_once(const std::vector<std::string> &commands) {
    int gate[2];
    if (::pipe(gate) != 0) return {};
    std::vector<pid_t> pids;
    for (const std::string &c : commands) {
        pid_t pid = fork();
        if (pid == 0) {
            ::close(gate[1]);
            char byte;
            (void)::read(gate[0], &byte, 1);  // returns when the parent closes its end
            _exit(unlha(c).rc);
        }
        pids.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    std::vector<int> results;
    for (pid_t pid : pids) {
        int status = 0;
        waitpid(pid, &status, 0);
        results.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    return results;
}

TEST_F(Rewrites, WritersAtOnceLoseNothing) {
    for (int i = 0; i < 6; ++i) add("keep" + std::to_string(i), text(3000 + 100 * i));
    std::vector<std::string> commands;
    for (int i = 0; i < 8; ++i) {
        write_file(d / ("new" + std::to_string(i)), noise(2000 + 50 * i, static_cast<std::uint32_t>(i)));
        commands.push_back("a " + quote(arc()) + " " + quote((d / ("new" + std::to_string(i))).string()));
    }
    for (int i = 0; i < 4; ++i) commands.push_back("d " + quote(arc()) + " keep" + std::to_string(i));
    const std::vector<int> rc = run_at_once(commands);
    ASSERT_EQ(rc.size(), commands.size());

    const std::vector<std::string> listed = listed_paths(arc());
    const std::set<std::string> members(listed.begin(), listed.end());
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(rc[static_cast<std::size_t>(i)], UNLHA_OK);
        EXPECT_TRUE(members.count("new" + std::to_string(i))) << "new" << i;  // reported success: it is there
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rc[static_cast<std::size_t>(8 + i)], UNLHA_OK);
        EXPECT_FALSE(members.count("keep" + std::to_string(i))) << "keep" << i;
    }
    EXPECT_TRUE(members.count("keep4") && members.count("keep5"));
    EXPECT_EQ(members.size(), 10u);
    EXPECT_EQ(unlha("t " + quote(arc())).rc, UNLHA_OK);

    // An archive that does not exist yet, made by eight writers at once.
    std::vector<std::string> creators;
    for (int i = 0; i < 8; ++i)
        creators.push_back("a " + quote((d / "fresh.lzh").string()) + " " + quote((d / ("new" + std::to_string(i))).string()));
    for (int r : run_at_once(creators)) EXPECT_EQ(r, UNLHA_OK);
    EXPECT_EQ(listed_paths((d / "fresh.lzh").string()).size(), 8u);
}

TEST_F(Rewrites, AWriterThatCannotGetTheLockChangesNothing) {
    add("one", "1");
    const std::string before = read_file(arc());
    int held = ::open(arc().c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);  // another writer, busy
    ::setenv("UNLHA_LOCK_WAIT", "0.3", 1);
    write_file(d / "two", "2");
    CmdResult a = unlha("a " + quote(arc()) + " " + quote((d / "two").string()));
    CmdResult del = unlha("d " + quote(arc()) + " one");
    ::unsetenv("UNLHA_LOCK_WAIT");
    ::close(held);
    EXPECT_EQ(a.rc, UNLHA_ERR_WRITE);
    EXPECT_NE(a.text.find("another program is changing this archive"), std::string::npos) << a.text;
    EXPECT_EQ(del.rc, UNLHA_ERR_WRITE);
    EXPECT_EQ(read_file(arc()), before);
    for (const auto &e : fs::directory_iterator(d.path()))
        EXPECT_EQ(e.path().filename().string().find(".unlha-"), std::string::npos) << e.path();
    // Once the other writer is done, the same command works.
    EXPECT_EQ(unlha("a " + quote(arc()) + " " + quote((d / "two").string())).rc, UNLHA_OK);
}

TEST_F(Rewrites, TestingChecksEveryMemberAndWritesNothing) {
    add("good", text(20000));
    add("also", noise(5000, 4));
    EXPECT_EQ(unlha("t " + quote(arc())).rc, UNLHA_OK);
    // Damage the data of "good": one line for it, result 4, "also" still fine.
    std::string bytes = read_file(arc());
    const std::size_t at = bytes.find("good") + 200;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x55);
    write_file(d / "bad.lzh", bytes);
    const auto before = std::distance(fs::directory_iterator(d.path()), fs::directory_iterator());
    CmdResult r = unlha("t " + quote((d / "bad.lzh").string()));
    EXPECT_EQ(r.rc, UNLHA_ERR_DATA) << r.text;
    ASSERT_EQ(lines_of(r.text).size(), 1u) << r.text;
    EXPECT_EQ(r.text.rfind("good: ", 0), 0u) << r.text;
    EXPECT_EQ(unlha("t " + quote((d / "bad.lzh").string()) + " also").rc, UNLHA_OK);
    EXPECT_EQ(unlha("t " + quote((d / "bad.lzh").string()) + " nothing").rc, UNLHA_ERR_NOMATCH);
    EXPECT_EQ(std::distance(fs::directory_iterator(d.path()), fs::directory_iterator()), before);
}

TEST_F(Rewrites, SelfExtractorRecreatesTheFilesElsewhere) {
    write_file(d / "src/p/readme.txt", text(4000));
    write_file(d / "src/p/sub/data.bin", noise(30000, 2));
    ASSERT_EQ(unlha("a " + quote(arc()) + " " + quote((d / "src/p").string())).rc, UNLHA_OK);
    fs::create_directories(d / "exe");
    CmdResult r = unlha("s  " + quote(arc()) + " " + quote((d / "exe").string() + "/") + " -jw2");
    ASSERT_EQ(r.rc, UNLHA_OK) << r.text;
    fs::path exe = d / "exe/a.exe";
    ASSERT_TRUE(fs::exists(exe));
    EXPECT_NE(fs::status(exe).permissions() & fs::perms::owner_exec, fs::perms::none);
    fs::create_directories(d / "run");
    ASSERT_EQ(sh("cd " + shell_quote((d / "run").string()) + " && " + shell_quote(exe.string())), 0);
    EXPECT_EQ(read_file(d / "run/p/readme.txt"), read_file(d / "src/p/readme.txt"));
    EXPECT_EQ(read_file(d / "run/p/sub/data.bin"), read_file(d / "src/p/sub/data.bin"));
    EXPECT_NE(sh_output(shell_quote(exe.string()) + " -l").find("p/sub/data.bin"), std::string::npos);

    // A self-extractor made from a self-extractor carries one program only.
    fs::create_directories(d / "again");
    ASSERT_EQ(unlha("s " + quote(exe.string()) + " " + quote((d / "again").string() + "/")).rc, UNLHA_OK);
    EXPECT_EQ(fs::file_size(d / "again/a.exe"), fs::file_size(exe));
    // Deleting from a self-extractor keeps it one.
    ASSERT_EQ(unlha("d " + quote((d / "again/a.exe").string()) + " readme.txt").rc, UNLHA_OK);
    EXPECT_EQ(sh(shell_quote((d / "again/a.exe").string()) + " -d " + shell_quote((d / "again/out").string())), 0);
    EXPECT_TRUE(fs::exists(d / "again/out/p/sub/data.bin"));
    EXPECT_FALSE(fs::exists(d / "again/out/p/readme.txt"));
}

TEST_F(Rewrites, ADamagedArchiveMakesNoSelfExtractor) {
    std::string good = raw_archive({{"a.txt", "aaaa"}, {"b.txt", "bbbb"}});
    write_file(d / "bad.lzh", good.substr(0, good.size() - 6));  // the last member's data cut short
    CmdResult r = unlha("s " + quote((d / "bad.lzh").string()) + " " + quote(d.path().string() + "/"));
    EXPECT_NE(r.rc, UNLHA_OK);
    EXPECT_FALSE(fs::exists(d / "bad.exe"));
}

} // namespace
} // namespace lzh::test
