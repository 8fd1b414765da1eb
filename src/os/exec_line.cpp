#include "exec_line.h"

#include "local_names.h"

#include <QUrl>

using namespace Qt::StringLiterals;

namespace morvane {

namespace {

bool Is_Blank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }

// Escaped by a backslash inside a quoted word.
bool Is_Escaped_In_Quotes(QChar c) { return c == u'"' || c == u'`' || c == u'$' || c == u'\\'; }

bool Needs_Quotes(const QString& word)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#`");
    if (word.isEmpty())
        return true;
    for (QChar c : word) {
        if (reserved.contains(c))
            return true;
    }
    return false;
}

// A value substituted for a code still passes through Viewer_Command's
// expansion, which reads "%" as the start of a code.
QString Literal(QString value) { return value.replace(u'%', QStringLiteral("%%")); }

// Expands the codes of one word. `code` gives the text for a code, or
// nullopt to drop it. A word made of codes alone that comes out empty is no
// word at all (an entry without a location gives no %k argument).
template <typename Code>
std::optional<QString> Expand_Word(const QString& word, Code code)
{
    QString out;
    bool only_codes = !word.isEmpty();
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (word[i] != u'%') {
            out += word[i];
            only_codes = false;
            continue;
        }
        if (i + 1 < word.size()) {
            if (const std::optional<QString> text = code(word[i + 1]))
                out += *text;
            ++i;
        }
    }
    if (only_codes && out.isEmpty())
        return std::nullopt;
    return out;
}

}  // namespace

QString Entry_Value(const QString& stored)
{
    QString value;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const QChar c = stored[i];
        if (c != u'\\' || i + 1 >= stored.size()) {
            value += c;
            continue;
        }
        switch (stored[i + 1].unicode()) {
        case 's': value += u' '; break;
        case 'n': value += u'\n'; break;
        case 't': value += u'\t'; break;
        case 'r': value += u'\r'; break;
        case '\\': value += u'\\'; break;
        default: value += c; continue;   // the next character is read on its own
        }
        ++i;
    }
    return value;
}

std::optional<QStringList> Exec_Words(const QString& line)
{
    QStringList words;
    QString word;
    bool in_word = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (Is_Blank(c)) {
            if (in_word)
                words.append(word);
            word.clear();
            in_word = false;
            continue;
        }
        in_word = true;
        if (c == u'"') {
            for (++i;; ++i) {
                if (i >= line.size())
                    return std::nullopt;
                if (line[i] == u'"')
                    break;
                if (line[i] == u'\\' && i + 1 < line.size() && Is_Escaped_In_Quotes(line[i + 1]))
                    ++i;
                word += line[i];
            }
        } else if (c == u'\\' && i + 1 < line.size()) {
            word += line[++i];
        } else {
            word += c;
        }
    }
    if (in_word)
        words.append(word);
    return words;
}

QString Exec_Join(const QStringList& words)
{
    QStringList parts;
    for (const QString& word : words) {
        if (!Needs_Quotes(word)) {
            parts.append(word);
            continue;
        }
        QString quoted = QStringLiteral("\"");
        for (QChar c : word) {
            if (Is_Escaped_In_Quotes(c))
                quoted += u'\\';
            quoted += c;
        }
        parts.append(quoted + u'"');
    }
    return parts.join(u' ');
}

std::optional<QStringList> Expand_Entry_Codes(const QStringList& words, const Entry_Fields& entry)
{
    if (words.isEmpty())
        return std::nullopt;
    // The program itself as it is to be started: a "%%" in its name is a "%".
    const auto program = Expand_Word(words.first(), [](QChar code) -> std::optional<QString> {
        return code == u'%' ? std::optional<QString>(QStringLiteral("%")) : std::nullopt;
    });
    if (!program || program->isEmpty())
        return std::nullopt;
    QStringList out = {*program};
    for (const QString& word : words.mid(1)) {
        if (word == u"%i") {
            if (!entry.icon.isEmpty())
                out << QStringLiteral("--icon") << Literal(entry.icon);
            continue;
        }
        const auto expanded = Expand_Word(word, [&entry](QChar code) -> std::optional<QString> {
            switch (code.unicode()) {
            case 'c': return Literal(entry.name);
            case 'k': return Literal(entry.location);
            case 'f': case 'F': case 'u': case 'U': case '%': return u'%' + QString(code);
            default: return std::nullopt;   // deprecated or unknown: nothing
            }
        });
        if (expanded)
            out.append(*expanded);
    }
    return out;
}

std::optional<QStringList> Viewer_Command(const QString& line, const QString& file)
{
    const std::optional<QStringList> words = Exec_Words(line);
    if (!words || words->isEmpty() || words->first().isEmpty())
        return std::nullopt;
#if defined(Q_OS_WIN)
    const QString url = QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
#else
    // From the file's own bytes: a byte of its name that no code page
    // decodes is kept as %XX.
    const QString url = u"file://"_s + QString::fromLatin1(Local_Bytes(file).toPercentEncoding("/"));
#endif
    bool file_given = false;
    QStringList command = {words->first()};
    for (const QString& word : words->mid(1)) {
        const auto expanded = Expand_Word(word, [&](QChar code) -> std::optional<QString> {
            switch (code.unicode()) {
            case 'f': case 'F': file_given = true; return file;
            case 'u': case 'U': file_given = true; return url;
            case '%': return QStringLiteral("%");
            default: return std::nullopt;
            }
        });
        if (expanded)
            command.append(*expanded);
    }
    if (!file_given)
        command.append(file);
    return command;
}

}  // namespace morvane
