#include "listing_parser.h"

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

// A size field (8 columns). The archiver writes a size of more than eight
// digits into the two blank columns before the field rather than shifting
// the line, so digits there that run on into the field belong to it.
QStringView Size_Field(const QString& text, qsizetype start, qsizetype column)
{
    const qsizetype from = start + column - 1;
    qsizetype first = from;
    while (first > from - 2 && first - 1 < text.size() && first < text.size() && text[first].isDigit() &&
           text[first - 1].isDigit())
        --first;
    return Field(text, start, column - (from - first), 8 + (from - first));
}

QString Make_Row(const QString& text, qsizetype start)
{
    QString row;
    row.reserve(63);
    // A size of ten digits ("1,234,567,890") takes the blank before its
    // field rather than losing its first digit.
    const auto put_size = [&row](double value) {
        QString size = Format_Size(value, 13);
        if (size[0] != u' ')
            row.chop(1);
        row += size.right(size[0] != u' ' ? 13 : 12);
    };
    row += Field(text, start, 3, 12);
    row += u' ';
    put_size(Field_Value(Size_Field(text, start, 17)));
    row += u' ';
    put_size(Field_Value(Size_Field(text, start, 27)));
    row += u' ';
    row += Field(text, start, 36, 6);
    row += u' ';
    row += Field(text, start, 43, 8);
    row += u' ';
    row += Field(text, start, 52, 8);
    return row;
}

// Column 72 to the end of the line (`end` is its line feed or the text's end).
QString Stored_Path(const QString& text, qsizetype start, qsizetype end)
{
    const qsizetype from = start + Path_Column - 1;
    if (from >= end)
        return {};
    QStringView path = QStringView(text).mid(from, end - from);
    if (path.endsWith(u'\r'))
        path.chop(1);
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
        rows.push_back({Make_Row(text, start), Stored_Path(text, start, end)});
    }

    // The closing separator, then the summary line.
    lf = text.indexOf(u'\n', start);
    if (lf < 0)
        return rows;
    rows.push_back({Make_Row(text, lf + 1), QString()});
    return rows;
}

}  // namespace morvane
