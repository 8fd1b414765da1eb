// The listing parser, on what the library really lists (the golden listings
// of tests/corpus, which the library's own tests check it against): the
// fixed columns, sizes of any size, exact names; and on shapes of text that
// have caught parsers out (back-to-back separators, "-" lines, "--" above
// the titles, short lines, no final line feed).
#include "fakes.h"
#include "listing/listing_parser.h"

#include <QDirIterator>
#include <QFile>
#include <gtest/gtest.h>

using namespace morvane;
using morvane::testing::Golden_Listing;
using namespace Qt::StringLiterals;

namespace {

QString Golden(const char* archive) { return QString::fromStdString(Golden_Listing(archive)); }

QStringList Lines(const QString& text) { return text.split(u'\n', Qt::SkipEmptyParts); }

// The lines between the two separators.
QStringList Member_Lines(const QString& text)
{
    QStringList out;
    int seps = 0;
    for (const QString& l : Lines(text)) {
        if (l.startsWith(u"--"))
            ++seps;
        else if (seps == 1)
            out.append(l);
    }
    return out;
}

}  // namespace

// Every listing the library makes of the corpus: a row per member line and
// the summary, each row carrying the member's exact name from column 72,
// the name field and the sizes the line says.
TEST(ListingParser, EveryGoldenListingGivesItsMembersRowsAndNames)
{
    int listings = 0;
    QDirIterator it(QStringLiteral(MORVANE_LISTINGS), {u"*.l.txt"_s}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        QFile in(file);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(in.readAll());
        text.truncate(text.lastIndexOf(u"result "));
        SCOPED_TRACE(file.toStdString());
        const QStringList members = Member_Lines(text);
        const auto rows = Parse_Listing(text);
        if (members.isEmpty() && !text.contains(u"--"))
            continue;  // no listing at all: the archive could not be read
        ++listings;
        ASSERT_EQ(rows.size(), std::size_t(members.size()) + 1);
        for (int i = 0; i < members.size(); ++i) {
            const QString line = members[i];
            const qsizetype tab = line.indexOf(u'\t');
            EXPECT_EQ(rows[i].path, line.mid(71, tab < 0 ? -1 : tab - 71));
            EXPECT_EQ(rows[i].text.left(12), line.mid(2, 12));
            if (tab < 0)
                EXPECT_EQ(rows[i].text.mid(13, 12), Format_Size(Field_Value(QStringView(line).mid(16, 8))));
        }
        EXPECT_TRUE(rows.back().path.isEmpty());
    }
    EXPECT_GT(listings, 100);
}

TEST(ListingParser, ThreeMembersGiveFourRowsInListingOrder)
{
    const auto rows = Parse_Listing(Golden("edge/three.lzh"));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].text, u"readme.txt              6            6 100.0% 23-11-14 22:13:20"_s);
    EXPECT_EQ(rows[1].text, u"numbers.txt        13,893       13,893 100.0% 23-11-14 22:13:20"_s);
    EXPECT_EQ(rows[2].text.left(12), u"a long name."_s);  // the path keeps it whole
    EXPECT_EQ(rows[2].path, u"my docs/a long name.txt"_s);
    EXPECT_EQ(rows[3].text, u"     3 files       13,909       13,909 100.0% 24-01-01 00:00:00"_s);
    for (const auto& row : rows)
        EXPECT_EQ(row.text.size(), 63);
}

// A 20 GiB member: the line keeps its columns, the sizes there are in
// units, and the exact ones after the TAB are what the row shows, whole.
TEST(ListingParser, SizesOfAnyLengthAreShownWholeAndTheNameStopsAtTheTab)
{
    const auto rows = Parse_Listing(Golden("edge/huge.lzh"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].path, u"huge/disk.img"_s);
    EXPECT_EQ(rows[0].text, u"disk.img     21,474,836,480            0   0.0% 23-11-14 22:13:20"_s);
    EXPECT_EQ(rows[1].text, u"after.txt               6            6 100.0% 23-11-14 22:13:20"_s);
    EXPECT_EQ(rows[2].text, u"     2 files 21,474,836,486            6   0.0% 24-01-01 00:00:00"_s);
    // The largest size of all.
    const auto big = Parse_Listing(Golden("edge/one.lzh").replace(u"E8C1 a.txt\n"_s, u"E8C1 a.txt\t18446744073709551615 1\n"_s));
    ASSERT_EQ(big.size(), 2u);
    EXPECT_EQ(big[0].text, u"a.txt        18,446,744,073,709,551,615            1 100.0% 23-11-14 22:13:20"_s);
    EXPECT_EQ(big[0].path, u"a.txt"_s);
}

// Names the listing writes in their exact form stay exact in the row; the
// path they stand for is read back from it.
TEST(ListingParser, ExactNamesAreKeptAndTheirPathsReadBack)
{
    const auto rows = Parse_Listing(Golden("edge/names.lzh"));
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0].path, u"a%22b"_s);
    EXPECT_EQ(Path_Of_Name(rows[0].path), u"a\"b"_s);
    EXPECT_EQ(Path_Of_Name(rows[3].path), u"a\nb"_s);
    EXPECT_EQ(Path_Of_Name(rows[4].path), u"100%.txt"_s);
    EXPECT_EQ(Path_Of_Name(rows[5].path), u"*.*"_s);
    EXPECT_EQ(Path_Of_Name(u"表%2A.txt"_s), u"表*.txt"_s);
    EXPECT_EQ(Path_Of_Name(u"50%off%4"_s), u"50%off%4"_s);  // no escape: as it stands
}

TEST(ListingParser, JapaneseNamesKeepTheColumns)
{
    // Columns count UTF-16 code units: 表.txt is 5 of them, padded to 12.
    const auto rows = Parse_Listing(Golden("edge/japanese.lzh"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].text.left(12), u"表.txt       "_s);
    EXPECT_EQ(rows[0].text.mid(13, 12), u"           1"_s);
    EXPECT_EQ(rows[0].path, u"フォルダ/表.txt"_s);
    EXPECT_EQ(rows[1].text.left(12), u"表示テスト.txt   "_s);
}

namespace {

// Shapes the library does not make, built from one of its listings.
const QString One = Golden("edge/one.lzh");
const QStringList One_Lines = Lines(One);   // titles, separator, member, separator, summary
const QString Titles = One_Lines[0] + u'\n';
const QString Sep = One_Lines[1] + u'\n';
const QString Summary = One_Lines[4] + u'\n';

// The library's member line with columns 3-16, 17-24 and 27-34 and the path
// replaced as given (padded or right-aligned to their widths; nothing cut).
QString Member_Line(const QString& cols3to16, const QString& size, const QString& packed, const QString& path)
{
    QString line = One_Lines[2];
    line.replace(2, 14, cols3to16.leftJustified(14));
    line.replace(16, 8, size.rightJustified(8));
    line.replace(26, 8, packed.rightJustified(8));
    return line.left(71) + path;
}

}  // namespace

TEST(ListingParser, SeparatorsBackToBackGiveOnlyTheSummaryRow)
{
    const auto rows = Parse_Listing(Titles + Sep + Sep + Summary);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].text, QStringLiteral("     1 files            1            1 100.0% 24-01-01 00:00:00"));
    EXPECT_TRUE(rows[0].path.isEmpty());
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
    const QString member = One_Lines[2] + u'\n';
    const QString text = Titles + Sep + member + QStringLiteral("-not a separator\n") + member + Sep + Summary;
    const auto rows = Parse_Listing(text);
    ASSERT_EQ(rows.size(), 2u);
    // The line after the "-" line is taken as the summary.
    EXPECT_EQ(rows[1].text, rows[0].text);
    EXPECT_TRUE(rows[1].path.isEmpty());
}

TEST(ListingParser, TheFirstDoubleDashAnywhereEndsTheHeader)
{
    const QString text = QStringLiteral("Archive: /tmp/old--files/a.lzh\n") + One;
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
