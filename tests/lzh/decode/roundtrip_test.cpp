// Files with known content, packed by jlha (another program's compressor)
// with -lh5-, -lh6- and -lh7-, come back byte for byte.  The files aim at
// the decoder's cases: text, skewed binary (long codes), runs (distance 1),
// short periods (overlapping copies), repeats from far back (the window
// limits), several output chunks, and the smallest sizes.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "archive.h"
#include "decode_support.h"
#include "file_io.h"
#include "support.h"

namespace lzh::test {
namespace {

std::map<std::string, std::string> make_files() {
    std::mt19937 rng(2024);
    std::map<std::string, std::string> files;

    static const char *const words[] = {"the ",  "archive ", "member ", "header ", "window ", "of ",  "and ",
                                        "data ", "LZH ",     "decode ", "\n",      "1996, ", "level ", "x"};
    std::string text;
    while (text.size() < 600'000) text += words[rng() % std::size(words)];
    files["text.txt"] = text;

    std::string skewed; // a few common bytes, the rest rare: long codes
    std::geometric_distribution<int> geo(0.08);
    for (int i = 0; i < 200'000; ++i) skewed += static_cast<char>(std::min(geo(rng), 255));
    files["skewed.bin"] = skewed;

    std::string runs;
    while (runs.size() < 150'000) runs.append(1 + rng() % 1500, static_cast<char>(rng()));
    files["runs.bin"] = runs;

    std::string periods;
    for (unsigned period = 2; period <= 40; ++period) {
        std::string unit;
        for (unsigned i = 0; i < period; ++i) unit += static_cast<char>(rng());
        for (int rep = 0; rep < 100; ++rep) periods += unit;
    }
    files["periods.bin"] = periods;

    auto noise = [&](std::size_t n) {
        std::string s(n, '\0');
        for (char &c : s) c = static_cast<char>(rng() % 64 + 32); // compressible, without repeats
        return s;
    };
    const std::string a = noise(20'000), b = noise(50'000);
    // Repeats from 6, 20, 42 and 62 KiB back: past -lh5-'s window, then -lh6-'s.
    files["far.bin"] = a + a.substr(0, 6000) + noise(14'000) + a + b.substr(0, 22'000) + a + b;

    files["one.bin"] = "Z";
    files["empty.bin"] = "";
    return files;
}

class JlhaRoundTrip : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() {
        if (!have_tool(JLHA_PROGRAM)) return;
        dir_ = new TempDir();
        files_ = new std::map<std::string, std::string>(make_files());
        std::string names;
        for (const auto &[name, content] : *files_) {
            write_file(*dir_ / name, content);
            names += " " + name;
        }
        for (int level : {5, 6, 7})
            sh("cd " + shell_quote(dir_->path().string()) + " && " + JLHA_PROGRAM + " ao" + std::to_string(level) +
               " lh" + std::to_string(level) + ".lzh" + names + " >/dev/null 2>&1");
    }
    static void TearDownTestSuite() {
        delete dir_;
        delete files_;
    }
    static TempDir *dir_;
    static std::map<std::string, std::string> *files_;
};

TempDir *JlhaRoundTrip::dir_ = nullptr;
std::map<std::string, std::string> *JlhaRoundTrip::files_ = nullptr;

TEST_P(JlhaRoundTrip, EveryFileComesBack) {
    if (!dir_) GTEST_SKIP() << "jlha is not installed";
    const std::string method = "-lh" + std::to_string(GetParam()) + "-";
    ArchiveReader reader;
    ASSERT_EQ(reader.open((*dir_ / ("lh" + std::to_string(GetParam()) + ".lzh")).string()), UNLHA_OK) << reader.error();
    std::size_t seen = 0, compressed = 0;
    for (Member m; reader.next(m); ++seen) {
        SCOPED_TRACE(m.path + " " + m.method);
        ASSERT_EQ(files_->count(m.path), 1u);
        // jlha stores what does not shrink; everything else is `method`.
        if (m.method != "-lh0-") {
            ASSERT_EQ(m.method, method);
            ++compressed;
        }
        FileRegionSource src(reader.fd(), m.data_offset, m.packed_size);
        StringSink out;
        ASSERT_EQ(decode(m.method, src, m.packed_size, m.original_size, out), CodecStatus::ok);
        EXPECT_TRUE(out.data == files_->at(m.path)) << "content differs";
    }
    EXPECT_EQ(seen, files_->size());
    EXPECT_GE(compressed, 5u);
}

INSTANTIATE_TEST_SUITE_P(Jlha, JlhaRoundTrip, ::testing::Values(5, 6, 7),
                         [](const auto &info) { return "lh" + std::to_string(info.param); });

} // namespace
} // namespace lzh::test
