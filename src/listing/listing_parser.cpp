#include "listing_parser.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

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

Exact_Sizes Tail_Sizes(const QString& text, qsizetype start, qsizetype end)
{
    const qsizetype tab = text.indexOf(u'\t', start);
    if (tab < 0 || tab >= end)
        return {};
    const QStringList words = QStringView(text).mid(tab + 1, end - tab - 1).trimmed().toString().split(u' ');
    if (words.size() != 2)
        return {};
    for (const QString& w : words) {
        if (w.isEmpty() || std::any_of(w.begin(), w.end(), [](QChar c) { return !c.isDigit(); }))
            return {};
    }
    return {words[0], words[1]};
}

// "#,##0" of a whole number given as its digits.
QString Grouped(const QString& digits)
{
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += u',';
        grouped += digits[i];
    }
    return grouped;
}

QString Make_Row(const QString& text, qsizetype start, qsizetype end)
{
    const Exact_Sizes exact = Tail_Sizes(text, start, end);
    QString row;
    row.reserve(63);
    // A size right-aligned in 12; a longer one is never cut: the rest of
    // its row moves right, as after a full-width name.
    const auto put_size = [&row](const QString& size) { row += size.rightJustified(12); };
    const auto size_at = [&](qsizetype column, const QString& digits) {
        return digits.isEmpty() ? Format_Size(Field_Value(Field(text, start, column, 8))).trimmed() : Grouped(digits);
    };
    row += Field(text, start, 3, 12);
    row += u' ';
    put_size(size_at(17, exact.original));
    row += u' ';
    put_size(size_at(27, exact.packed));
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
    QString number;
    bool sign_seen = false;
    bool point_seen = false;
    for (QChar c : field) {
        if (c == u' ' || c == u'\t' || c == u'\n')
            continue;
        if ((c == u'-' || c == u'+') && number.isEmpty() && !sign_seen) {
            sign_seen = true;
            if (c == u'-')
                number += c;
            continue;
        }
        if (c >= u'0' && c <= u'9') {
            number += c;
            continue;
        }
        if (c == u'.' && !point_seen) {
            point_seen = true;
            number += c;
            continue;
        }
        break;
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok ? value : 0.0;
}

QString Format_Size(double value, qsizetype width)
{
    // Beyond 2^53 a double holds no exact whole number anyway; a size field
    // holds at most ten digits, so that is far out of reach.
    const double rounded = std::round(value);
    const bool negative = rounded < 0;
    const QString digits = QString::number(std::fabs(rounded), 'f', 0);
    QString grouped;
    grouped.reserve(digits.size() + digits.size() / 3 + 1);
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += u',';
        grouped += digits[i];
    }
    if (negative && rounded != 0)
        grouped.prepend(u'-');
    return (QString(width, u' ') + grouped).right(width);
}

std::vector<Listing_Row> Parse_Listing(const QString& text)
{
    std::vector<Listing_Row> rows;
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

QString Path_Of_Name(const QString& name)
{
    // "%XX" stands for the byte XX of the path's UTF-8 form.
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
    return QString::fromUtf8(path);
}

}  // namespace morvane
