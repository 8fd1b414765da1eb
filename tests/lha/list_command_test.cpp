// lha l / v over real archives: FILE patterns, the archive name without its
// extension, and archives that cannot be read (the corpus listings cover the
// columns).
#include "archive.h"
#include "list_command.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace lha {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = MORVANE_CORPUS_DIR;

struct Listed {
    int status;
    std::string out, err;
};

std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

class LhaListCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        char tmpl[] = "/tmp/lha-list-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path copy(const std::string &corpus_path, const std::string &name) {
        fs::path to = dir_ / name;
        fs::copy_file(kCorpus / corpus_path, to);
        return to;
    }

    static Listed list(const std::vector<std::string> &args) {
        ParseResult p = parse_command_line(args);
        EXPECT_EQ(p.kind, ParseResult::Kind::run) << p.error;
        char *out_buf = nullptr, *err_buf = nullptr;
        std::size_t out_len = 0, err_len = 0;
        std::FILE *out = open_memstream(&out_buf, &out_len);
        std::FILE *err = open_memstream(&err_buf, &err_len);
        int status = list_command(p.options, std::time(nullptr), out, err);
        std::fclose(out);
        std::fclose(err);
        Listed r{status, std::string(out_buf, out_len), std::string(err_buf, err_len)};
        std::free(out_buf);
        std::free(err_buf);
        return r;
    }

    // The shown names of the member lines of an `lq` listing.
    static std::vector<std::string> names(const Listed &r) {
        std::vector<std::string> out;
        for (const std::string &l : lines_of(r.out)) out.push_back(l.substr(51));
        return out;
    }

    fs::path dir_;
};

TEST_F(LhaListCommand, FilePatternsRestrictTheListing) {
    std::string arc = copy("lha_unix114i/h2_subdir.lzh", "a.lzh").string();
    using V = std::vector<std::string>;
    EXPECT_EQ(names(list({"lq", arc})), (V{"subdir/", "subdir/subdir2/", "subdir/subdir2/hello.txt"}));
    EXPECT_EQ(names(list({"lq", arc, "subdir/subdir2/*"})), (V{"subdir/subdir2/", "subdir/subdir2/hello.txt"}));
    // A pattern is matched against the whole shown name, "*" across folders.
    EXPECT_EQ(names(list({"lq", arc, "hello.txt"})), V{});
    EXPECT_EQ(names(list({"lq", arc, "*hello.tx?"})), V{"subdir/subdir2/hello.txt"});
    EXPECT_EQ(names(list({"lq", arc, "subdir/", "*.txt"})), (V{"subdir/", "subdir/subdir2/hello.txt"}));

    // The totals count what was listed; no match is not a failure.
    Listed some = list({"l", arc, "*.txt"});
    EXPECT_EQ(some.status, 0);
    EXPECT_EQ(lines_of(some.out).at(4).substr(0, 22), " Total         1 file ");
    Listed none = list({"v", arc, "nothing"});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(lines_of(none.out).size(), 4u);
    EXPECT_EQ(lines_of(none.out).at(3).substr(0, 22), " Total         0 files");
}

TEST_F(LhaListCommand, ArchiveNameMayLeaveTheExtensionOff) {
    copy("lha_unix114i/h2_lh5.lzh", "backup.lzh");
    copy("larc333/lz5.lzs", "old.lzs");
    EXPECT_EQ(names(list({"lq", (dir_ / "backup").string()})), std::vector<std::string>{"gpl-2"});
    EXPECT_EQ(names(list({"lq", (dir_ / "old").string()})), std::vector<std::string>{"GPL-2"});
    // A name with an archive extension is taken as it is.
    Listed r = list({"l", (dir_ / "backup.exe").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("backup.exe"), std::string::npos);
}

TEST_F(LhaListCommand, UnreadableArchivesFailWithOneLine) {
    Listed missing = list({"l", (dir_ / "missing.lzh").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    ASSERT_EQ(lines_of(missing.err).size(), 1u);
    EXPECT_EQ(missing.err.rfind("LHa: Error: ", 0), 0u);
    EXPECT_NE(missing.err.find("missing.lzh"), std::string::npos);

    std::ofstream(dir_ / "text.lzh") << "this is not an archive, only some text that is long enough\n";
    Listed text = list({"v", (dir_ / "text.lzh").string()});
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(lines_of(text.err).size(), 1u);
}

TEST_F(LhaListCommand, DamagedHeaderKeepsWhatWasListed) {
    fs::path arc = copy("regression/multiple.lzh", "cut.lzh");
    // Cut the archive inside its third header.
    lzh::ArchiveReader reader;
    ASSERT_EQ(reader.open(arc.string()), UNLHA_OK);
    lzh::Member m;
    ASSERT_TRUE(reader.next(m));
    ASSERT_TRUE(reader.next(m));
    std::uint64_t third = m.data_offset + m.packed_size;
    fs::resize_file(arc, third + 10);

    Listed r = list({"l", arc.string()});
    EXPECT_EQ(r.status, 1);
    std::vector<std::string> lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_TRUE(lines[2].ends_with(" file1.txt"));
    EXPECT_TRUE(lines[3].ends_with(" file2-1.txt"));
    EXPECT_EQ(lines[5].substr(0, 22), " Total         2 files");
    EXPECT_EQ(lines_of(r.err).size(), 1u);
    EXPECT_NE(r.err.find("cut.lzh"), std::string::npos);
}

} // namespace
} // namespace lha
