#include "listing_parser.h"

#include "os/local_names.h"

#include <QStringList>
#include <QVarLengthArray>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace morvane {

namespace {

constexpr qsizetype Path_Column = 72;

// Listing columns first..first+width-1 of the line that starts at `start`;
// a field running past the end of the text is shorter by what is missing.
QStringView Field(const QString& text, qsizetype start, qsizetype column, qsizetype width)
{
    const qsizetype from = start + column - 1;
    if (from >= text.size())
        return {};
    return QStringView(text).mid(from, std::min(width, text.size() - from));
}

// The exact sizes that follow a TAB at the end of a line whose sizes did
// not fit their columns (the archiver then shows them there in units).
struct Exact_Sizes {
    QString original, packed;   // digits; empty when the line has none
};

Exact_Sizes Tail_Sizes(QStringView line)
{
    const qsizetype tab = line.indexOf(u'\t');
    if (tab < 0)
        return {};
    const QStringList words = line.mid(tab + 1).trimmed().toString().split(u' ');
    if (words.size() != 2)
        return {};
    for (const QString& w : words) {
        if (w.isEmpty() || std::any_of(w.begin(), w.end(), [](QChar c) { return !c.isDigit(); }))
            return {};
    }
    return {words[0], words[1]};
}

// "#,##0" of a whole number given as its digits (and perhaps a "-"), each
// character handed to `put`.
template <typename Put>
void Group(std::string_view digits, Put put)
{
    const std::size_t sign = !digits.empty() && digits[0] == '-' ? 1 : 0;
    if (sign)
        put(u'-');
    for (std::size_t i = sign; i < digits.size(); ++i) {
        if (i > sign && (digits.size() - i) % 3 == 0)
            put(u',');
        put(char16_t(digits[i]));
    }
}

// A size right-aligned in 12; a longer one is never cut: the rest of its
// row moves right, as after a full-width name.
void Append_Exact_Size(QString& row, const QString& digits)
{
    QString grouped;
    Group(digits.toStdString(), [&grouped](char16_t c) { grouped += QChar(c); });
    row += grouped.rightJustified(12);
}

// Builds the row of the line that starts at `start` and ends at `end` (its
// line feed, or the text's end); fields are cut at their columns however
// short the line, as the layout says.
QString Make_Row(const QString& text, qsizetype start, qsizetype end)
{
    const Exact_Sizes exact = Tail_Sizes(QStringView(text).mid(start, end - start));
    QString row;
    row.reserve(64);
    row += Field(text, start, 3, 12);
    row += u' ';
    if (exact.original.isEmpty())
        Append_Size(row, Field_Value(Field(text, start, 17, 8)), 12);
    else
        Append_Exact_Size(row, exact.original);
    row += u' ';
    if (exact.packed.isEmpty())
        Append_Size(row, Field_Value(Field(text, start, 27, 8)), 12);
    else
        Append_Exact_Size(row, exact.packed);
    row += u' ';
    row += Field(text, start, 36, 6);
    row += u' ';
    row += Field(text, start, 43, 8);
    row += u' ';
    row += Field(text, start, 52, 8);
    return row;
}

// Column 72 to the end of the line or to a TAB (`end` is its line feed or
// the text's end): the member's exact name.
QString Stored_Path(const QString& text, qsizetype start, qsizetype end)
{
    const qsizetype from = start + Path_Column - 1;
    if (from >= end)
        return {};
    QStringView path = QStringView(text).mid(from, end - from);
    if (path.endsWith(u'\r'))
        path.chop(1);
    if (const qsizetype tab = path.indexOf(u'\t'); tab >= 0)
        path.truncate(tab);
    return path.toString();
}

}  // namespace

double Field_Value(QStringView field)
{
    // Gathered without the blanks into a few bytes; a field holds eight.
    QVarLengthArray<char, 32> number;
    bool sign_seen = false;
    bool point_seen = false;
    for (QChar c : field) {
        if (c == u' ' || c == u'\t' || c == u'\n')
            continue;
        if ((c == u'-' || c == u'+') && number.isEmpty() && !sign_seen) {
            sign_seen = true;
            if (c == u'-')
                number.append('-');
            continue;
        }
        if (c >= u'0' && c <= u'9') {
            number.append(char(c.unicode()));
            continue;
        }
        if (c == u'.' && !point_seen) {
            point_seen = true;
            number.append('.');
            continue;
        }
        break;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.begin(), number.end(), value);
    return error == std::errc() && end == number.end() ? value : 0.0;
}

void Append_Size(QString& out, double value, qsizetype width)
{
    // Beyond 2^53 a double holds no exact whole number anyway; a size field
    // holds at most ten digits, so that is far out of reach.
    const double rounded = std::round(value);
    char digits[400];   // the most digits a double has, and a sign
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, rounded == 0 ? 0.0 : rounded,
                                            std::chars_format::fixed, 0);
    char16_t grouped[600];   // and a comma for every three
    qsizetype length = 0;
    Group(error == std::errc() ? std::string_view(digits, std::size_t(end - digits)) : "0",
          [&](char16_t c) { grouped[length++] = c; });
    // Right-aligned in `width`; a longer number loses its leftmost characters.
    if (length < width)
        out.resize(out.size() + width - length, u' ');
    const qsizetype shown = std::min(length, width);
    out.append(reinterpret_cast<const QChar*>(grouped + length - shown), shown);
}

QString Format_Size(double value, qsizetype width)
{
    QString out;
    Append_Size(out, value, width);
    return out;
}

std::vector<List_Row> Parse_Listing(const QString& text)
{
    std::vector<List_Row> rows;
    // The first "--" is the separator under the column titles. A text without
    // one is no listing at all (an error message): it gives no rows.
    const qsizetype titles = text.indexOf(u"--");
    if (titles < 0)
        return rows;
    qsizetype lf = text.indexOf(u'\n', titles + 1);

    // Member lines, until a line that begins with "-". When no line feed
    // follows, the member rows end there.
    qsizetype start = 0;
    for (;;) {
        if (lf < 0)
            return rows;
        start = lf + 1;
        if (start >= text.size())
            return rows;
        if (text[start] == u'-')
            break;
        lf = text.indexOf(u'\n', start);
        const qsizetype end = lf < 0 ? text.size() : lf;
        rows.push_back({Make_Row(text, start, end), Stored_Path(text, start, end)});
    }

    // The closing separator, then the summary line.
    lf = text.indexOf(u'\n', start);
    if (lf < 0)
        return rows;
    const qsizetype next = text.indexOf(u'\n', lf + 1);
    rows.push_back({Make_Row(text, lf + 1, next < 0 ? text.size() : next), QString()});
    return rows;
}

namespace {
// The bytes of the stored path that an exact name stands for: "%XX" is the
// byte XX of the path's UTF-8 form.
QByteArray Stored_Bytes(const QString& name)
{
    const auto hex = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    const QByteArray bytes = name.toUtf8();
    QByteArray path;
    path.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int hi = bytes[i] == '%' && i + 2 < bytes.size() ? hex(bytes[i + 1]) : -1;
        const int lo = hi >= 0 ? hex(bytes[i + 2]) : -1;
        if (lo >= 0) {
            path += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            path += bytes[i];
        }
    }
    return path;
}
}  // namespace

QString Path_Of_Name(const QString& name)
{
    return QString::fromUtf8(Stored_Bytes(name));
}

QString File_Of_Name(const QString& name)
{
    return Local_Name(Stored_Bytes(name));
}

}  // namespace morvane
