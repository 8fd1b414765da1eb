// The l and v columns for the header fields the corpus does not cover:
// mode bits, owners, OS-9 attributes, every system label, ratios that
// round, wide numbers, the six-month rule, and the verbose layouts.
#include "listing.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace lha {
namespace {

std::time_t utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    return timegm(&tm);
}

class LhaListing : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }

    static lzh::Member unix_file(std::string path, unsigned mode = 0100644) {
        lzh::Member m;
        m.path = std::move(path);
        m.os_id = 'U';
        m.unix_mode = static_cast<std::uint16_t>(mode);
        m.uid = 1000;
        m.gid = 100;
        m.original_size = 18092;
        m.packed_size = 7004;
        m.method = "-lh5-";
        m.crc16 = 0xa33a;
        m.mtime = utc(2010, 1, 1, 12, 34);
        return m;
    }

    // The list keys' formats at the clock the expected listings were made at.
    static ListFormat format(bool packed, int verbose = 0) {
        ListStyle s;
        s.packed = packed;
        s.verbose = verbose;
        s.now = utc(2026, 12, 8, 12);
        return ListFormat(s);
    }

    static std::string first_field(const lzh::Member &m) { return format(false).member(m).substr(0, 23); }
};

TEST_F(LhaListing, UnixModeBits) {
    EXPECT_EQ(first_field(unix_file("f", 0100755)).substr(0, 10), "-rwxr-xr-x");
    EXPECT_EQ(first_field(unix_file("f", 0104755)).substr(0, 10), "-rwsr-xr-x");
    // Set-id and sticky show whether or not the execute bit is there.
    EXPECT_EQ(first_field(unix_file("f", 0106644)).substr(0, 10), "-rwsr-sr--");
    EXPECT_EQ(first_field(unix_file("d", 041777)).substr(0, 10), "drwxrwxrwt");
    EXPECT_EQ(first_field(unix_file("l", 0120777)).substr(0, 10), "lrwxrwxrwx");
    EXPECT_EQ(first_field(unix_file("f", 0100000)).substr(0, 10), "----------");
}

TEST_F(LhaListing, OwnersAndMissingUnixFields) {
    lzh::Member wide = unix_file("f");
    wide.uid = 65535;
    wide.gid = 65534;
    EXPECT_EQ(first_field(wide), "-rw-r--r-- 65535/65534 ");
    lzh::Member bare = unix_file("f");
    bare.unix_mode.reset();
    bare.uid.reset();
    bare.gid.reset();
    EXPECT_EQ(first_field(bare), "-rw-rw-rw-     0/0     ");
}

TEST_F(LhaListing, OsNineAttributes) {
    lzh::Member m = unix_file("f", 0x80 | 0x3F);
    m.os_id = 'K';
    EXPECT_EQ(first_field(m), "d-ewrewr    1000/100   ");
    m.os_id = 'X';
    m.unix_mode = 0x25;  // public exec, owner exec, owner read
    EXPECT_EQ(first_field(m).substr(0, 8), "--e--e-r");
    // Without an attribute header the default mode's bits are read as OS-9's.
    m.unix_mode.reset();
    EXPECT_EQ(first_field(m).substr(0, 8), "d-ew-ew-");
    // High bits that would be a Unix link type do not make an OS-9 folder one.
    lzh::Member dir = unix_file("subdir", 0xB0BF);
    dir.os_id = 'K';
    dir.kind = lzh::MemberKind::directory;
    EXPECT_TRUE(format(false).member(dir).ends_with(" subdir/\n")) << format(false).member(dir);
}

TEST_F(LhaListing, SystemLabels) {
    const std::pair<char, const char *> labels[] = {
        {0, "[generic]"},  {'M', "[MS-DOS]"}, {'2', "[OS/2]"},   {'9', "[OS-9]"},   {'m', "[Mac OS]"},
        {'H', "[Human68K]"}, {'C', "[CP/M]"}, {'F', "[FLEX]"},   {'3', "[OS-386]"}, {'R', "[Runser]"},
        {'T', "[TownsOS]"}, {'J', "[JAVA]"},  {'w', "[unknown]"}, {'A', "[unknown]"},
    };
    for (auto [id, label] : labels) {
        lzh::Member m = unix_file("f");
        m.os_id = id;
        std::string want = std::string(label) + std::string(23 - std::string(label).size(), ' ');
        EXPECT_EQ(first_field(m), want) << "id " << static_cast<int>(id);
    }
    // A level-0 Unix extension too short to hold a mode says nothing.
    lzh::Member short_unix = unix_file("f");
    short_unix.level = 0;
    short_unix.unix_mode.reset();
    EXPECT_EQ(first_field(short_unix).substr(0, 9), "[generic]");
}

TEST_F(LhaListing, RatiosRoundAsPrintfDoes) {
    auto ratio = [](std::uint64_t packed, std::uint64_t original) {
        lzh::Member m = unix_file("f");
        m.packed_size = packed;
        m.original_size = original;
        return format(false).member(m).substr(31, 6);
    };
    EXPECT_EQ(ratio(1, 3), " 33.3%");
    EXPECT_EQ(ratio(2, 3), " 66.7%");
    EXPECT_EQ(ratio(1, 400), "  0.2%");   // exactly 0.25: to even
    EXPECT_EQ(ratio(3, 400), "  0.8%");   // exactly 0.75: to even
    EXPECT_EQ(ratio(1, 8), " 12.5%");
    EXPECT_EQ(ratio(0, 5), "  0.0%");
    EXPECT_EQ(ratio(3, 2), "150.0%");
    EXPECT_EQ(ratio(0, 0), "******");
}

TEST_F(LhaListing, WideNumbersPushTheColumns) {
    lzh::Member m = unix_file("big");
    m.original_size = 5000000000ull;
    m.packed_size = 123456789;
    EXPECT_EQ(format(true).member(m),
              "-rw-r--r--  1000/100   123456789 5000000000   2.5% -lh5- a33a Jan  1  2010 big\n");
}

TEST_F(LhaListing, SixMonthRule) {
    auto stamp = [](std::time_t t) {
        lzh::Member m = unix_file("f");
        m.mtime = t;
        return format(false).member(m).substr(38, 12);
    };
    // The clock is in December 2026: months after June show the time of day.
    EXPECT_EQ(stamp(utc(2026, 7, 1, 0, 0)), "Jul  1 00:00");
    EXPECT_EQ(stamp(utc(2026, 6, 30, 23, 59)), "Jun 30  2026");
    EXPECT_EQ(stamp(utc(2026, 12, 8, 9, 5)), "Dec  8 09:05");
    EXPECT_EQ(stamp(utc(2027, 3, 15, 18, 30)), "Mar 15 18:30");  // the future too
    EXPECT_EQ(stamp(utc(1999, 12, 31, 23, 59)), "Dec 31  1999");
    EXPECT_EQ(stamp(0), "            ");
}

TEST_F(LhaListing, NamesAsShown) {
    lzh::Member dir = unix_file("subdir/inner", 040755);
    dir.kind = lzh::MemberKind::directory;
    EXPECT_EQ(ListFormat::shown_name(dir), "subdir/inner/");

    lzh::Member link = unix_file("bin/sh", 0120777);
    link.kind = lzh::MemberKind::symlink;
    link.link_target = "../usr/bin/dash";
    std::string line = format(false).member(link);
    EXPECT_TRUE(line.ends_with(" 2010 bin/sh -> ../usr/bin/dash\n")) << line;

    // Control characters never reach the terminal.
    lzh::Member odd = unix_file("a\x1b[31mb\tc");
    EXPECT_EQ(ListFormat::shown_name(odd), "a?[31mb?c");
}

TEST_F(LhaListing, EmptyStoredFolderListsAsFolderMethod) {
    lzh::Member dir = unix_file("MainDir/Empty");
    dir.kind = lzh::MemberKind::directory;
    dir.method = "-lh0-";
    dir.original_size = dir.packed_size = 0;
    EXPECT_NE(format(true).member(dir).find(" -lhd- "), std::string::npos);
    lzh::Member file = unix_file("MainDir/file");
    file.method = "-lh0-";
    EXPECT_NE(format(true).member(file).find(" -lh0- "), std::string::npos);
}

TEST_F(LhaListing, VerboseLayouts) {
    lzh::Member m = unix_file("docs/gpl-2");
    m.level = 1;
    EXPECT_EQ(format(false, 1).head(),
              "PERMISSION  UID  GID      SIZE  RATIO     STAMP     LV\n"
              "---------- ----------- ------- ------ ------------ ---\n");
    EXPECT_EQ(format(false, 1).member(m), "docs/gpl-2\n-rw-r--r--  1000/100     18092  38.7% Jan  1  2010 [1]\n");
    // Both v's: the full stamp, seconds included.
    m.mtime = utc(2010, 1, 1, 12, 34, 56);
    EXPECT_EQ(format(true, 1).member(m),
              "docs/gpl-2\n-rw-r--r--  1000/100      7004   18092  38.7% -lh5- a33a 2010-01-01 12:34:56 [1]\n");
    EXPECT_EQ(format(true, 1).head(),
              "PERMISSION  UID  GID    PACKED    SIZE  RATIO METHOD CRC     STAMP            LV\n"
              "---------- ----------- ------- ------- ------ ---------- ------------------- ---\n");
    m.mtime = 0;
    EXPECT_NE(format(true, 1).member(m).find("a33a" + std::string(21, ' ') + "[1]"), std::string::npos);
}

} // namespace
} // namespace lha
