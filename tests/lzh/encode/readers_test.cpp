// Archives of our streams, of the default and of the best mode, checked by
// the other LZH programs installed:
// lhasa and 7zz test them, bsdtar and jlha extract them (jlha's own test
// command reports success even on damaged data, so its output is compared).
// A program that is not installed skips its test.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "crc16.h"
#include "testkit.h"

namespace lzh::test {
namespace {

namespace fs = std::filesystem;

bool installed(const char *program) {
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

int run(const std::string &command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

std::vector<std::uint8_t> read_file(const fs::path &p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

class Readers : public ::testing::Test {
protected:
    // Members at every method: text, noise, a long run, one byte, and a
    // size just past the window; in the best mode also repeats of the
    // greatest match length and a repeat from the window's far end.
    static void SetUpTestSuite() {
        std::string tmpl = (fs::temp_directory_path() / "lzh-encode-readers-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = new fs::path(tmpl);
        members_ = new std::map<std::string, std::vector<std::uint8_t>>;
        std::vector<std::uint8_t> archive;
        for (Compression mode : {Compression::normal, Compression::best})
            for (int level : {5, 6, 7}) {
                const bool best = mode == Compression::best;
                const std::string d = (best ? "best/lh" : "lh") + std::to_string(level) + "/";
                const std::size_t window = std::size_t(1) << lh(level).window_bits;
                (*members_)[d + "text.txt"] = text_like(300 * 1024 + std::size_t(level), unsigned(level));
                (*members_)[d + "noise.bin"] = random_bytes(40 * 1024, unsigned(level));
                (*members_)[d + "zeros.bin"] = std::vector<std::uint8_t>(100 * 1024, 0);
                (*members_)[d + "one.txt"] = {'x'};
                (*members_)[d + "edge.txt"] = text_like(window + 1, 99);
                if (best) {
                    const std::vector<std::uint8_t> unit = random_bytes(256, 7);
                    std::vector<std::uint8_t> &period = (*members_)[d + "period.bin"];
                    for (int i = 0; i < 200; ++i) period.insert(period.end(), unit.begin(), unit.end());
                    std::vector<std::uint8_t> far = random_bytes(window + 600, 8);
                    // From exactly the farthest distance a match may reach.
                    std::copy_n(far.begin(), 500, far.begin() + std::ptrdiff_t(window - 1));
                    (*members_)[d + "far.bin"] = far;
                }
                for (const auto &[path, data] : *members_) {
                    if (path.compare(0, d.size(), d) != 0) continue;
                    std::vector<std::uint8_t> m =
                        level2_member(std::string(lh(level).id), path, data.size(), crc16(data.data(), data.size()),
                                      compress(level, data, mode));
                    archive.insert(archive.end(), m.begin(), m.end());
                }
            }
        archive.push_back(0);
        ASSERT_TRUE(write_file((*dir_ / "ours.lzh").string(), archive));
    }
    static void TearDownTestSuite() {
        fs::remove_all(*dir_);
        delete dir_;
        delete members_;
    }

    static std::string archive() {
        std::string quoted = "'";
        quoted += (*dir_ / "ours.lzh").string();
        quoted += '\'';
        return quoted;
    }

    // Extracts with `command` run inside a fresh folder and compares.
    static void expect_extracted(const std::string &name, const std::string &command) {
        fs::path out = *dir_ / name;
        fs::create_directories(out);
        ASSERT_EQ(run("cd '" + out.string() + "' && " + command), 0) << command;
        for (const auto &[path, data] : *members_) {
            ASSERT_TRUE(fs::exists(out / path)) << name << ": " << path << " missing";
            EXPECT_TRUE(read_file(out / path) == data) << name << ": " << path << " differs";
        }
    }

    static fs::path *dir_;
    static std::map<std::string, std::vector<std::uint8_t>> *members_;
};

fs::path *Readers::dir_ = nullptr;
std::map<std::string, std::vector<std::uint8_t>> *Readers::members_ = nullptr;

TEST_F(Readers, LhasaTestsEveryMember) {
    if (!installed("lhasa")) GTEST_SKIP() << "lhasa not installed";
    EXPECT_EQ(run("lhasa t " + archive()), 0);
}

TEST_F(Readers, SevenZipTestsEveryMember) {
    if (!installed("7zz")) GTEST_SKIP() << "7zz not installed";
    EXPECT_EQ(run("7zz t " + archive()), 0);
}

TEST_F(Readers, BsdtarExtractsTheSameBytes) {
    if (!installed("bsdtar")) GTEST_SKIP() << "bsdtar not installed";
    expect_extracted("bsdtar", "bsdtar -xf " + archive());
}

TEST_F(Readers, JlhaExtractsTheSameBytes) {
    if (!installed("jlha")) GTEST_SKIP() << "jlha not installed";
    expect_extracted("jlha", "jlha x " + archive());
}

} // namespace
} // namespace lzh::test
