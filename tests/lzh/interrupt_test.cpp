// Work that is cut off: `unlha` and `lha` really killed in the middle of a
// member, then run again; special files where an archive should be; the
// owner of a rewritten archive; and files that appear while extraction runs.
#include "extract.h"
#include "platform.h"
#include "support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace lzh::test {
namespace {

using namespace std::chrono_literals;

// A program run in a folder of its own, its output into files there.
pid_t start(const std::vector<std::string> &argv, const fs::path &cwd, const fs::path &log) {
    pid_t pid = fork();
    if (pid == 0) {
        if (::chdir(cwd.c_str()) != 0) _exit(126);
        int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        std::vector<char *> args;
        for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        _exit(127);
    }
    return pid;
}

// Its wait status; a program still running after `limit` is killed and
// counts as hung (-1), so a regression fails rather than hangs the run.
int finish(pid_t pid, std::chrono::milliseconds limit = 20s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(1ms);
    }
    return status;
}

// Our temporaries in a folder: the archive writer's and extraction's.
std::vector<std::string> temporaries(const fs::path &dir) {
    std::vector<std::string> found;
    for (const auto &e : fs::directory_iterator(dir))
        if (e.path().filename().string().find(".unlha-") != std::string::npos) found.push_back(e.path().filename());
    return found;
}

// Waits until a temporary in `dir` holds more than `from` and less than
// `to` bytes: the program is then in the middle of its work.  False when
// the program ended first or went past `to`.
bool caught_in_the_middle(pid_t pid, const fs::path &dir, std::uintmax_t from, std::uintmax_t to) {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (std::chrono::steady_clock::now() < deadline) {
        for (const std::string &t : temporaries(dir)) {
            std::error_code ec;
            const std::uintmax_t size = fs::file_size(dir / t, ec);
            if (!ec && size > from) return size < to;
        }
        int status;
        if (::waitpid(pid, &status, WNOHANG) == pid) return false;
        std::this_thread::sleep_for(200us);
    }
    return false;
}

std::string describe(int status) {
    if (status == -1) return "hung";
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    return "exit " + std::to_string(WEXITSTATUS(status));
}

const std::string kUnlha = UNLHA_TOOL;
const std::string kLha = LHA_TOOL;

struct Kill {
    const char *name;
    int signal;
};
constexpr Kill kKills[] = {{"SIGINT", SIGINT}, {"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}, {"SIGKILL", SIGKILL}};

// About 48 MB of text: long enough to decode and to compress that a
// signal comes in the middle, made once for all the tests here.
class Interrupted : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        std::string text;
        text.reserve(48u << 20);
        for (std::uint32_t i = 0; text.size() < (48u << 20); ++i)
            text += "row " + std::to_string(i * 2654435761u % 1000003u) + " holds " + std::to_string(i % 977) + " items\n";
        write_file(*dir_ / "big.txt", text);
        ASSERT_EQ(unlha("a " + quote((*dir_ / "big.lzh").string()) + " " + quote((*dir_ / "big.txt").string())).rc, UNLHA_OK);
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static fs::path big() { return *dir_ / "big.txt"; }
    static fs::path big_archive() { return *dir_ / "big.lzh"; }

    TempDir d;

private:
    static TempDir *dir_;
};
TempDir *Interrupted::dir_ = nullptr;

TEST_F(Interrupted, AKilledExtractionLeavesNoCutFileAndTheNextRunExtractsIt) {
    const std::uintmax_t size = fs::file_size(big());
    const std::string whole = read_file(big());
    for (const std::string &tool : {kUnlha, kLha})
        for (const Kill &k : kKills) {
            SCOPED_TRACE(tool + " killed by " + k.name);
            const fs::path out = d / "out";
            const std::vector<std::string> x = tool == kUnlha ? std::vector<std::string>{tool, "x", big_archive().string()}
                                                              : std::vector<std::string>{tool, "xq", big_archive().string()};
            bool caught = false;
            for (int attempt = 0; attempt < 5 && !caught; ++attempt) {
                fs::remove_all(out);
                fs::create_directories(out);
                const pid_t pid = start(x, out, d / "log");
                caught = caught_in_the_middle(pid, out, 0, size / 2);
                if (caught) ::kill(pid, k.signal);
                const int status = finish(pid);
                if (!caught) continue;
                // Ended by that very signal, after removing its temporary.
                EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == k.signal) << describe(status);
                EXPECT_FALSE(fs::exists(out / "big.txt")) << "a cut file under the member's name";
                if (k.signal == SIGKILL)
                    EXPECT_EQ(temporaries(out).size(), 1u) << "nothing was left to clean up";
                else
                    EXPECT_EQ(temporaries(out), std::vector<std::string>{});
            }
            ASSERT_TRUE(caught) << "the extraction never ran long enough to interrupt";

            // Another extraction, live, writing here: its temporary stays.
            const std::string live = ".other.txt.unlha-part-Live01";
            write_file(out / live, "being written");
            const int held = ::open((out / live).c_str(), O_RDONLY);
            ASSERT_EQ(::flock(held, LOCK_EX), 0);
            const int status = finish(start(x, out, d / "log"));
            ::close(held);
            EXPECT_EQ(status, 0) << describe(status) << ": " << read_file(d / "log");
            EXPECT_TRUE(read_file(out / "big.txt") == whole);
            EXPECT_EQ(temporaries(out), std::vector<std::string>{live});
        }
}

TEST_F(Interrupted, AKilledWriterLeavesTheArchiveAndNoTemporary) {
    write_file(d / "small.txt", "small");
    const fs::path arc = d / "w.lzh";
    ASSERT_EQ(unlha("a " + quote(arc.string()) + " " + quote((d / "small.txt").string())).rc, UNLHA_OK);
    const std::string before = read_file(arc);
    fs::copy_file(big(), d / "big.txt");
    for (const std::string &tool : {kUnlha, kLha})
        for (const Kill &k : kKills) {
            SCOPED_TRACE(tool + " killed by " + k.name);
            const pid_t pid = start({tool, "a", "w.lzh", "big.txt"}, d.path(), d / "log");
            const bool caught = caught_in_the_middle(pid, d.path(), 0, ~std::uintmax_t{0});
            if (caught) ::kill(pid, k.signal);
            const int status = finish(pid);
            ASSERT_TRUE(caught) << "the writer never got to write: " << describe(status) << ": " << read_file(d / "log");
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == k.signal) << describe(status);
            EXPECT_EQ(read_file(arc), before);
            if (k.signal != SIGKILL) {
                EXPECT_EQ(temporaries(d.path()), std::vector<std::string>{});
                continue;
            }
            // What SIGKILL left goes with the next writer of this archive;
            // another archive's, a live writer's and names only like ours stay.
            ASSERT_EQ(temporaries(d.path()).size(), 1u);
            const std::vector<std::string> others = {".other.lzh.unlha-Abc123", ".w.lzh.unlha-Abc1234", ".w.lzh.unlha-part-Abc123",
                                                     ".w.lzh.unlha-Ab_123", ".w.lzh.unlha-Live01"};
            for (const std::string &o : others) write_file(d / o, "not abandoned");
            const int held = ::open((d / ".w.lzh.unlha-Live01").c_str(), O_RDONLY);
            ASSERT_EQ(::flock(held, LOCK_EX), 0);
            const int next = finish(start({tool, "d", "w.lzh", "nothing-of-that-name"}, d.path(), d / "log"));
            ::close(held);
            EXPECT_TRUE(WIFEXITED(next)) << describe(next);
            std::vector<std::string> left = temporaries(d.path());
            std::sort(left.begin(), left.end());
            std::vector<std::string> expected = others;
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(left, expected);
            for (const std::string &o : others) fs::remove(d / o);
        }
}

// Every command, where the archive is a named pipe nobody writes to or a
// folder: a clear refusal at once, and no temporary.
TEST(SpecialFiles, EveryCommandRefusesAPipeOrFolderAtOnce) {
    TempDir d;
    ASSERT_EQ(::mkfifo((d / "pipe.lzh").c_str(), 0644), 0);
    fs::create_directories(d / "folder.lzh");
    write_file(d / "small.txt", "small");
    struct Case {
        std::vector<std::string> argv;  // ARCHIVE stands for the archive's name
        int status;
    };
    const std::vector<Case> cases = {
        {{kUnlha, "l", "ARCHIVE"}, UNLHA_ERR_ARCHIVE},
        {{kUnlha, "t", "ARCHIVE"}, UNLHA_ERR_ARCHIVE},
        {{kUnlha, "x", "ARCHIVE", "out/"}, UNLHA_ERR_ARCHIVE},
        {{kUnlha, "d", "ARCHIVE", "small.txt"}, UNLHA_ERR_ARCHIVE},
        {{kUnlha, "a", "ARCHIVE", "small.txt"}, UNLHA_ERR_ARCHIVE},
        {{kUnlha, "s", "ARCHIVE", "out/"}, UNLHA_ERR_ARCHIVE},
        {{kLha, "l", "ARCHIVE"}, 1},
        {{kLha, "x", "ARCHIVE"}, 1},
        {{kLha, "t", "ARCHIVE"}, 1},
        {{kLha, "a", "ARCHIVE", "small.txt"}, 1},
        {{kLha, "d", "ARCHIVE", "small.txt"}, 1},
    };
    for (const std::string archive : {"pipe.lzh", "folder.lzh"})
        for (Case c : cases) {
            for (std::string &a : c.argv)
                if (a == "ARCHIVE") a = archive;
            SCOPED_TRACE(c.argv[0] + " " + c.argv[1] + " " + archive);
            const int status = finish(start(c.argv, d.path(), d / "log"), 10s);
            ASSERT_NE(status, -1) << "hung";
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == c.status) << describe(status);
            EXPECT_NE(read_file(d / "log").find(archive + ": not a regular file"), std::string::npos) << read_file(d / "log");
            EXPECT_EQ(temporaries(d.path()), std::vector<std::string>{});
        }
    struct stat st {};
    EXPECT_TRUE(::stat((d / "pipe.lzh").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
}

// Writes a file at a member's path while the member is decoded, after
// extraction saw nothing there: another program, quicker than it.
class Interloper : public ProgressWatcher {
public:
    explicit Interloper(fs::path where) : where_(std::move(where)) {}
    bool report(const ProgressReport &r) override {
        if (r.event == ProgressEvent::work && !r.member.empty()) write_file(where_ / std::string(r.member), "theirs");
        return true;
    }

private:
    fs::path where_;
};

TEST(ExtractionRace, AFileThatAppearsMeanwhileIsKeptUnlessReplacingWasAsked) {
    TempDir d;
    write_file(d / "a.lzh", raw_archive({{"one.txt", "ours"}, {"sub\\two.txt", "ours too"}}));
    Interloper other(d / "out");
    StringOutput out;
    EXPECT_EQ(extract_archive({(d / "a.lzh").string(), (d / "out").string()}, out, &other), UNLHA_ERR_WRITE);
    EXPECT_NE(out.text().find("one.txt: already exists; kept"), std::string::npos) << out.text();
    EXPECT_EQ(read_file(d / "out/one.txt"), "theirs");
    EXPECT_EQ(read_file(d / "out/sub/two.txt"), "theirs");
    EXPECT_EQ(temporaries(d / "out"), std::vector<std::string>{});

    StringOutput replaced;
    ExtractRequest req{(d / "a.lzh").string(), (d / "out").string()};
    req.overwrite = true;
    EXPECT_EQ(extract_archive(req, replaced, &other), UNLHA_OK) << replaced.text();
    EXPECT_EQ(read_file(d / "out/one.txt"), "ours");
    EXPECT_EQ(read_file(d / "out/sub/two.txt"), "ours too");
}

TEST(Owners, ARewriteAsRootKeepsTheArchivesOwnerGroupAndMode) {
    if (::geteuid() != 0) GTEST_SKIP() << "not root: an owner other than ours cannot be given";
    const passwd *nobody = ::getpwnam("nobody");
    const group *nogroup = ::getgrnam("nogroup");
    if (!nobody || !nogroup) GTEST_SKIP() << "no user nobody or group nogroup here";
    TempDir d;
    write_file(d / "a.txt", "a");
    write_file(d / "b.txt", "b");
    const std::string arc = (d / "a.lzh").string();
    ASSERT_EQ(unlha("a " + quote(arc) + " " + quote((d / "a.txt").string()) + " " + quote((d / "b.txt").string())).rc, UNLHA_OK);
    ASSERT_EQ(::chown(arc.c_str(), nobody->pw_uid, nogroup->gr_gid), 0);
    ASSERT_EQ(::chmod(arc.c_str(), 0640), 0);
    write_file(d / "c.txt", "c");
    for (const std::string &command : {"d " + quote(arc) + " a.txt", "a " + quote(arc) + " " + quote((d / "c.txt").string())}) {
        SCOPED_TRACE(command);
        ASSERT_EQ(unlha(command).rc, UNLHA_OK);
        struct stat st {};
        ASSERT_EQ(::stat(arc.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, nobody->pw_uid);
        EXPECT_EQ(st.st_gid, nogroup->gr_gid);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
    }
    EXPECT_EQ(listed_paths(arc), (std::vector<std::string>{"b.txt", "c.txt"}));
}

// A temporary made and then a signal: gone, and the process ended by that
// signal; a signal the process ignores stays ignored and removes nothing.
TEST(Signals, ATemporaryGoesWithTheProcessUnlessTheSignalIsIgnored) {
    TempDir d;
    for (bool ignored : {false, true}) {
        SCOPED_TRACE(ignored ? "ignored" : "default");
        const pid_t pid = fork();
        if (pid == 0) {
            if (ignored) std::signal(SIGHUP, SIG_IGN);
            platform::remove_temporaries_on_signals();
            platform::TempFile t;
            if (!t.create(platform::kCurrentFolder, (d / ".x.unlha-").string())) _exit(3);
            ::raise(SIGHUP);
            _exit(fs::exists(t.name()) ? 0 : 4);  // still here: the signal was ignored
        }
        const int status = finish(pid);
        if (ignored) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << describe(status);
            EXPECT_EQ(temporaries(d.path()).size(), 1u);
            for (const std::string &t : temporaries(d.path())) fs::remove(d / t);
        } else {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP) << describe(status);
            EXPECT_EQ(temporaries(d.path()), std::vector<std::string>{});
        }
    }
}

} // namespace
} // namespace lzh::test
