// Arg_Split: the argument string cut into Arg_Word at single blanks.
#include "form1.h"
#include "trace.h"

namespace morvane {

int Form1::Arg_Split(const QString& text)
{
    qCDebug(lcTrace).noquote() << text;
    // A blank inside double quotes does not split (a file manager hands over
    // "/home/me/My Files/a.lzh" as one path); the quotes are not part of the
    // word, and two of them inside the quotes stand for one.
    QStringList words;
    QString word;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"' && quoted && i + 1 < text.size() && text[i + 1] == u'"') {
            word += c;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (c == u' ' && !quoted) {
            words.append(word);
            word.clear();
        } else {
            word += c;
        }
    }
    words.append(word);

    // Every word is kept, more than the 20 that the array first holds too.
    if (Arg_Word.size() < words.size() + 1)
        Arg_Word.resize(words.size() + 1);
    for (qsizetype k = 0; k < words.size(); ++k)
        Arg_Word[k + 1] = words[k];
    return int(words.size());
}

QString Arg_Join(const QStringList& arguments)
{
    QStringList parts;
    for (QString arg : arguments) {
        if (arg.isEmpty() || arg.contains(u' ') || arg.contains(u'"'))
            parts.append(u'"' + arg.replace(u'"', QStringLiteral("\"\"")) + u'"');
        else
            parts.append(arg);
    }
    return parts.join(u' ');
}

}  // namespace morvane
