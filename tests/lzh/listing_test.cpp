// The "l" listing: its exact columns, and every real archive of the corpus
// listing the members its manifest names.
#include "list.h"
#include "support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace lzh::test {
namespace {

struct Row {
    std::string name;  // columns 3-14
    std::string original, packed, ratio, date, time, method, crc, path;
};

// Cuts a listing line at the published columns (1-based, UTF-16 units).
Row cut(const std::string &line) {
    std::u16string u = utf16(line);
    auto col = [&](std::size_t from, std::size_t to) {
        if (u.size() < from) return std::string();
        return utf8(u.substr(from - 1, to == 0 ? std::u16string::npos : to - from + 1));
    };
    return {col(3, 14), col(17, 24), col(27, 34), col(36, 41), col(43, 50), col(52, 59), col(61, 65), col(67, 70), col(72, 0)};
}

std::string trim(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    std::size_t b = s.find_first_not_of(' ');
    return b == std::string::npos ? "" : s.substr(b);
}

// The member lines between the two separators.
std::vector<std::string> member_lines(const std::string &text) {
    std::vector<std::string> all = lines_of(text), out;
    int seps = 0;
    for (const auto &l : all) {
        if (l.rfind("--", 0) == 0) { ++seps; continue; }
        if (seps == 1) out.push_back(l);
    }
    return out;
}

class ListingTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("TZ", "UTC", 1); tzset(); }
};

TEST_F(ListingTest, CorpusArchivesListTheirManifestMembers) {
    for (const auto &a : manifest()["archives"]) {
        std::string name = a["archive"];
        SCOPED_TRACE(name);
        CmdResult r = unlha("l " + quote((corpus_dir() / name).string()));
        EXPECT_EQ(r.rc, cut_short(a) ? UNLHA_ERR_FORMAT : UNLHA_OK) << r.text;
        std::vector<std::string> lines = member_lines(r.text);
        ASSERT_EQ(lines.size(), a["members"].size()) << r.text;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const auto &m = a["members"][i];
            Row row = cut(lines[i]);
            EXPECT_EQ(row.path, m["stored_path"].get<std::string>());
            // A folder its writer stored as -lh0- is listed as the folder it is.
            const bool folder_as_lh0 = m["type"] == "dir" && m["method"] == "-lh0-";
            EXPECT_EQ(row.method, folder_as_lh0 ? "-lhd-" : m["method"].get<std::string>());
            std::uint64_t size = m.value("size", std::uint64_t{0});
            if (m["type"] == "file") EXPECT_EQ(std::stoull(trim(row.original)), size);
            std::string crc = m["crc16"];
            for (char &c : crc) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            EXPECT_EQ(row.crc, crc);
        }
    }
}

TEST_F(ListingTest, ColumnsHoldForJapaneseAndLongNames) {
    if (!have_tool("jlha")) GTEST_SKIP() << "jlha not installed";
    TempDir d;
    write_file(d / "src/日本語の名前.txt", std::string(5000, 'a'));
    write_file(d / "src/a_rather_long_file_name.dat", "x");
    write_file(d / "src/sub/表示.txt", "");
    ASSERT_EQ(sh("cd " + shell_quote((d / "src").string()) +
                 " && touch -d '2024-03-05 06:07:08' 日本語の名前.txt && LC_ALL=C.UTF-8 jlha ay ../t.lzh 日本語の名前.txt a_rather_long_file_name.dat sub/表示.txt >/dev/null 2>&1"),
              0);
    CmdResult r = unlha("l " + quote((d / "t.lzh").string()));
    ASSERT_EQ(r.rc, UNLHA_OK) << r.text;
    std::vector<std::string> lines = member_lines(r.text);
    ASSERT_EQ(lines.size(), 3u) << r.text;
    std::map<std::string, Row> rows;
    for (const auto &l : lines) rows[cut(l).path] = cut(l);

    Row jp = rows.at("日本語の名前.txt");
    EXPECT_EQ(jp.name, "日本語の名前.txt  ");  // 10 units, padded to 12
    EXPECT_EQ(jp.original, "    5000");
    EXPECT_EQ(jp.date, "24-03-05");
    EXPECT_EQ(jp.time, "06:07:08");
    EXPECT_EQ(jp.method, "-lh5-");
    Row lng = rows.at("a_rather_long_file_name.dat");
    EXPECT_EQ(lng.name, "a_rather_lon");  // cut to 12, the path keeps it whole
    EXPECT_EQ(lng.ratio, "100.0%");
    Row sub = rows.at("sub/表示.txt");
    EXPECT_EQ(trim(sub.name), "表示.txt");
    EXPECT_EQ(sub.ratio, "******");
}

TEST_F(ListingTest, SummaryAndEmptyArchive) {
    TempDir d;
    write_file(d / "empty.lzh", std::string(1, '\0'));
    CmdResult r = unlha("l " + quote((d / "empty.lzh").string()));
    ASSERT_EQ(r.rc, UNLHA_OK);
    std::vector<std::string> lines = lines_of(r.text);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], lines[2]);  // the separators back to back
    EXPECT_EQ(lines[3].substr(0, 34), "       0 files         0         0");
    EXPECT_EQ(lines[3].substr(35, 6), "******");
}

TEST_F(ListingTest, FailuresSayWhatAndWhy) {
    TempDir d;
    CmdResult missing = unlha("l " + quote((d / "none.lzh").string()));
    EXPECT_EQ(missing.rc, UNLHA_ERR_ARCHIVE);
    EXPECT_NE(missing.text.find("none.lzh"), std::string::npos);

    write_file(d / "text.lzh", "this is plain text, not an archive at all\n");
    EXPECT_EQ(unlha("l " + quote((d / "text.lzh").string())).rc, UNLHA_ERR_FORMAT);

    // A damaged second header: the first member is listed, the result says 3.
    std::string good = read_file(corpus_dir() / "regression/multiple.lzh");
    std::string bad = good;
    std::size_t second = good.find("-lh0-", 10);
    bad[second + 4] = '*';  // the second method id no longer ends in "-"
    write_file(d / "bad.lzh", bad);
    CmdResult r = unlha("l " + quote((d / "bad.lzh").string()));
    EXPECT_EQ(r.rc, UNLHA_ERR_FORMAT) << r.text;
    EXPECT_EQ(member_lines(r.text).size(), 1u) << r.text;
    EXPECT_NE(r.text.find("damaged header"), std::string::npos);
}

// A 20 GB member (the sizes of a level-2 header's 64-bit extension, no
// data behind them): every column stays where it is, the sizes show in
// units, and the exact sizes follow the path after a TAB.
TEST_F(ListingTest, SixtyFourBitSizesKeepEveryColumn) {
    TempDir d;
    auto le64 = [](std::uint64_t v) {
        std::string s;
        for (int i = 0; i < 8; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    };
    const std::uint64_t original = 21474836480ull, packed = 0;  // nothing behind the claim
    RawMember big{"big.img", ""};
    big.level = 2;
    big.extensions = {{0x42, le64(packed) + le64(original)}};
    RawMember small{"small.txt", "tiny"};
    small.level = 2;
    write_file(d / "big.lzh", raw_archive({big, small}));
    CmdResult r = unlha("l " + quote((d / "big.lzh").string()));
    std::vector<std::string> lines = member_lines(r.text);
    ASSERT_EQ(lines.size(), 2u) << r.text;

    const std::string line = lines[0];
    const std::size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    EXPECT_EQ(line.substr(tab + 1), std::to_string(original) + " " + std::to_string(packed));
    Row row = cut(line.substr(0, tab));
    EXPECT_EQ(row.name, "big.img     ");
    EXPECT_EQ(row.original, "  20480M");  // 20971520K would take eight digits and the unit
    EXPECT_EQ(row.packed, "       0");
    EXPECT_EQ(row.method, "-lh0-");
    EXPECT_EQ(row.path, "big.img");
    EXPECT_EQ(line.substr(14, 2), "  ");
    EXPECT_EQ(line.substr(24, 2), "  ");
    EXPECT_EQ(cut(lines[1]).path, "small.txt");  // a line with sizes that fit has no tail
    EXPECT_EQ(lines[1].find('\t'), std::string::npos);

    // The summary: the count stays in its field, the totals after it.
    const std::string summary = lines_of(r.text).back();
    EXPECT_EQ(summary.substr(0, 16), "       2 files  ");
    EXPECT_NE(summary.find('\t'), std::string::npos);
    EXPECT_EQ(summary.substr(summary.find('\t') + 1),
              std::to_string(original + 4) + " " + std::to_string(packed + 4));
}

TEST(ListingSizes, LargeSizesShowInUnitsRoundedUp) {
    auto original_field = [](std::uint64_t size) {
        Member m;
        m.path = "f";
        m.original_size = size;
        m.packed_size = size;
        const std::string line = listing_line(m);
        EXPECT_EQ(line.substr(26, 8), line.substr(16, 8));  // the packed size alike
        return line.substr(16, 8);
    };
    EXPECT_EQ(original_field(99999999), "99999999");
    EXPECT_EQ(original_field(100000000), "  97657K");
    EXPECT_EQ(original_field(10240000000ull), "   9766M");
    EXPECT_EQ(original_field(18446744073709551615ull), "  16384P");
    // Totals go past 64 bits without wrapping.
    const SizeTotal two_max = SizeTotal(18446744073709551615ull) * 2;
    const std::string summary = listing_summary(2, two_max, 4, 0);
    EXPECT_EQ(summary.substr(16, 8), "  32768P");
    EXPECT_EQ(summary.substr(summary.find('\t')), "\t36893488147419103230 4");
}

} // namespace
} // namespace lzh::test
