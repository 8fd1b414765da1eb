// The listing parser: the fixed columns, the size formats, and the shapes of
// text that have caught parsers out (back-to-back separators, "-" lines,
// "--" above the titles, short lines, no final line feed).
#include "fakes.h"
#include "listing/listing_parser.h"

#include <gtest/gtest.h>

using namespace morvane;
using morvane::testing::Listing;

namespace {

const QString Titles = QStringLiteral("  Name          Original    Packed  Ratio   Date     Time   Method CRC  Path\n");
const QString Sep = QStringLiteral("--------------  --------  -------- ------ -------- -------- ----- ---- ----\n");
const QString Summary = QStringLiteral("       0 files         0         0 ****** 26-12-08 09:31:12\n");

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A member line with columns 3-16, 17-24 and 27-34 as given (fields are
// padded or right-aligned to their widths; nothing is cut).
QString Member_Line(const QString& cols3to16, const QString& size, const QString& packed, const QString& path)
{
    return QStringLiteral("  ") + cols3to16.leftJustified(14) + size.rightJustified(8) + QStringLiteral("  ") +
           packed.rightJustified(8) + QStringLiteral(" 100.0% 26-12-08 09:30:00 -lh0- 1A2B ") + path;
}

QStringList Texts(const std::vector<Listing_Row>& rows)
{
    QStringList out;
    for (const auto& r : rows)
        out.append(r.text);
    return out;
}

}  // namespace

TEST(ListingParser, SeparatorsBackToBackGiveOnlyTheSummaryRow)
{
    const auto rows = Parse_Listing(Titles + Sep + Sep + Summary);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].text, QStringLiteral("     0 files            0            0 ****** 26-12-08 09:31:12"));
    EXPECT_TRUE(rows[0].path.isEmpty());
}

TEST(ListingParser, ThreeMembersGiveFourRowsInListingOrderWithTheirWholePaths)
{
    const auto rows = Parse_Listing(Q(Listing({{"b.txt", 1234, 567, "b.txt"},
                                               {"a-very-long-name.txt", 12345678, 1, "docs/a-very-long-name.txt"},
                                               {"c d.txt", 0, 0, "x y/c d.txt"}})));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].text, QStringLiteral("b.txt               1,234          567  45.9% 26-12-08 09:30:00"));
    EXPECT_EQ(rows[1].text, QStringLiteral("a-very-long-   12,345,678            1   0.0% 26-12-08 09:30:00"));
    EXPECT_EQ(rows[2].text.left(12), QStringLiteral("c d.txt     "));
    EXPECT_EQ(rows[0].path, QStringLiteral("b.txt"));
    EXPECT_EQ(rows[1].path, QStringLiteral("docs/a-very-long-name.txt"));
    EXPECT_EQ(rows[2].path, QStringLiteral("x y/c d.txt"));
    EXPECT_EQ(rows[3].text, QStringLiteral("     3 files   12,346,912          568   0.0% 26-12-08 09:31:12"));
    EXPECT_TRUE(rows[3].path.isEmpty());
    for (const auto& row : rows)
        EXPECT_EQ(row.text.size(), 63);
}

TEST(ListingParser, SizeFieldsAreReadAsNumbersAndRightAlignedInTwelve)
{
    // Columns 17-24 and 27-34: "   12345", "       0", and eight blanks.
    const QString line = Member_Line(QStringLiteral("name.txt"), QStringLiteral("   12345"), QStringLiteral("       0"),
                                     QStringLiteral("name.txt\n"));
    const QString blank = Member_Line(QStringLiteral("name.txt"), QString(8, u' '), QString(8, u' '),
                                      QStringLiteral("name.txt\n"));
    const auto rows = Parse_Listing(Titles + Sep + line + blank + Sep + Summary);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].text.mid(13, 12), QStringLiteral("      12,345"));
    EXPECT_EQ(rows[0].text.mid(26, 12), QStringLiteral("           0"));
    EXPECT_EQ(rows[1].text.mid(13, 12), QStringLiteral("           0"));
    EXPECT_EQ(rows[1].text.mid(26, 12), QStringLiteral("           0"));
}

TEST(ListingParser, SizesOfMoreThanEightDigitsAreReadWhole)
{
    // The archiver puts a tenth and ninth digit into the blank columns 15-16
    // and 25-26 rather than shifting the line.
    const QString line = QStringLiteral("  big.img     1234567890 987654321  80.0% 26-12-08 09:30:00 -lh7- 1A2B big.img\n");
    const auto rows = Parse_Listing(Titles + Sep + line + Sep + Summary);
    ASSERT_EQ(rows.size(), 2u);
    // A ten-digit size takes the blank before it instead of losing a digit.
    EXPECT_EQ(rows[0].text.left(26), QStringLiteral("big.img     1,234,567,890 "));
    EXPECT_EQ(rows[0].text.mid(26, 12), QStringLiteral(" 987,654,321"));
    EXPECT_EQ(rows[0].text.mid(39), QStringLiteral(" 80.0% 26-12-08 09:30:00"));
    EXPECT_EQ(rows[0].text.size(), 63);
}

TEST(ListingParser, TheNameIsColumnsThreeToFourteenOnly)
{
    // A name that runs into columns 15 and 16 is cut there; 17-24 is still the size.
    const QString line = Member_Line(QStringLiteral("twelve-chars!!"), QStringLiteral("42"), QStringLiteral("42"),
                                     QStringLiteral("twelve-chars!!\n"));
    const auto rows = Parse_Listing(Titles + Sep + line + Sep + Summary);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].text.left(13), QStringLiteral("twelve-chars "));
    EXPECT_EQ(rows[0].text.mid(13, 12), QStringLiteral("          42"));
    EXPECT_EQ(rows[0].path, QStringLiteral("twelve-chars!!"));
}

TEST(ListingParser, AnyLineBeginningWithADashEndsTheMembers)
{
    const QString member = Q(Listing({{"a.txt", 1, 1, "a.txt"}})).split(u'\n')[2] + u'\n';
    const QString text = Titles + Sep + member + QStringLiteral("-not a separator\n") + member + Sep + Summary;
    const auto rows = Parse_Listing(text);
    ASSERT_EQ(rows.size(), 2u);
    // The line after the "-" line is taken as the summary.
    EXPECT_EQ(rows[1].text, rows[0].text);
    EXPECT_TRUE(rows[1].path.isEmpty());
}

TEST(ListingParser, TheFirstDoubleDashAnywhereEndsTheHeader)
{
    const QString text = QStringLiteral("Archive: /tmp/old--files/a.lzh\n") +
                         Q(Listing({{"a.txt", 1, 1, "a.txt"}}));
    const auto rows = Parse_Listing(text);
    // Parsing starts after the path line: the titles become a member row and
    // their separator ends the members.
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].text.left(12), QStringLiteral("Name        "));
    EXPECT_EQ(rows[1].text.left(12), QStringLiteral("a.txt       "));
}

TEST(ListingParser, AShortLineLendsItsLineFeedAndTheNextLineToTheLaterFields)
{
    const QString text = Titles + Sep + QStringLiteral("  short.txt        7\r\n") + Sep + Summary;
    const auto rows = Parse_Listing(text);
    ASSERT_EQ(rows.size(), 2u);
    // The line is 22 characters with its CR LF: columns 36-41 are characters
    // 14-19 of the separator line after it.
    EXPECT_EQ(rows[0].text.mid(13, 12), QStringLiteral("           7"));
    EXPECT_EQ(rows[0].text.mid(39, 6), QStringLiteral("-  ---"));
    EXPECT_TRUE(rows[0].path.isEmpty());
}

TEST(ListingParser, WithoutALineFeedTheMemberRowsEndThere)
{
    const QString member = Member_Line(QStringLiteral("last.txt"), QStringLiteral("5"), QStringLiteral("5"),
                                       QStringLiteral("last.txt"));
    const auto rows = Parse_Listing(Titles + Sep + member);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].path, QStringLiteral("last.txt"));
    EXPECT_TRUE(Parse_Listing(QStringLiteral("--")).empty());
    EXPECT_TRUE(Parse_Listing(Titles + Sep).empty());
}

TEST(ListingParser, TextWithoutASeparatorIsNoListing)
{
    EXPECT_TRUE(Parse_Listing(QStringLiteral("cannot open /tmp/none.lzh: No such file\n") + QString(20000, u' ')).empty());
}

TEST(ListingParser, JapaneseNamesKeepTheColumnsAndCarriageReturnsStayOutOfPaths)
{
    // 表示テスト.txt is 9 UTF-16 code units: padded to 12 like any name.
    QString text = Q(Listing({{"x", 1, 1, "x"}}));
    text.replace(QStringLiteral("  x           "), QStringLiteral("  表示テスト.txt   "));
    text.replace(QStringLiteral("1A2B x\n"), QStringLiteral("1A2B フォルダ/表示テスト.txt\r\n"));
    const auto rows = Parse_Listing(text);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].text.left(12), QStringLiteral("表示テスト.txt   "));
    EXPECT_EQ(rows[0].text.mid(13, 12), QStringLiteral("           1"));
    EXPECT_EQ(rows[0].path, QStringLiteral("フォルダ/表示テスト.txt"));
}

TEST(FieldValue, SkipsBlanksTabsAndLineFeedsAndStopsAtAnythingElse)
{
    EXPECT_EQ(Field_Value(u" 1 2 3"), 123);
    EXPECT_EQ(Field_Value(u"\t7\n"), 7);
    EXPECT_EQ(Field_Value(u"12a4"), 12);
    EXPECT_EQ(Field_Value(u"12\r4"), 12);
    EXPECT_EQ(Field_Value(u"abc"), 0);
    EXPECT_EQ(Field_Value(u""), 0);
    EXPECT_EQ(Field_Value(u"  -5"), -5);
    EXPECT_EQ(Field_Value(u"1.5.3"), 1.5);
    EXPECT_EQ(Field_Value(u"--5"), 0);
}

TEST(FormatSize, GroupsByThreesRoundsAndKeepsTheLastTwelve)
{
    EXPECT_EQ(Format_Size(0), QStringLiteral("           0"));
    EXPECT_EQ(Format_Size(999), QStringLiteral("         999"));
    EXPECT_EQ(Format_Size(1000), QStringLiteral("       1,000"));
    EXPECT_EQ(Format_Size(12345678), QStringLiteral("  12,345,678"));
    EXPECT_EQ(Format_Size(-1234), QStringLiteral("      -1,234"));
    EXPECT_EQ(Format_Size(2.5), QStringLiteral("           3"));
    EXPECT_EQ(Format_Size(1234.4), QStringLiteral("       1,234"));
    EXPECT_EQ(Format_Size(-0.4), QStringLiteral("           0"));
    EXPECT_EQ(Format_Size(1234567890123.0), QStringLiteral(",567,890,123"));
}
