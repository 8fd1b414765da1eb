#include "command_text.h"

#include <initializer_list>

namespace morvane {

namespace {
// The verb, then each argument quoted, then the tail, joined by blanks.
QString Build(const QString& verb, std::initializer_list<QString> args, const QString& tail = {})
{
    QString text = verb;
    for (const QString& arg : args)
        text += u' ' + Quoted(arg);
    if (!tail.isEmpty())
        text += u' ' + tail;
    return text;
}
}  // namespace

QString Quoted(QString text)
{
    return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString Cmd_List(const QString& archive)
{
    return Build(QStringLiteral("l"), {archive});
}

QString Cmd_Extract(const QString& archive, const QString& folder, const QString& member)
{
    return Build(QStringLiteral("x -c"), {archive, folder, member});
}

QString Cmd_Extract_All(const QString& archive, const QString& folder)
{
    return Build(QStringLiteral("x -c"), {archive, folder}, QStringLiteral("*.*"));
}

QString Cmd_Delete(const QString& archive, const QString& folder, const QString& member)
{
    return Build(QStringLiteral("d"), {archive, folder, member});
}

QString Cmd_Self_Extract(const QString& archive, const QString& folder)
{
    // The verb is followed by two blanks, as the command has always been written.
    return Build(QStringLiteral("s "), {archive, folder}, QStringLiteral("-jw2"));
}

QString Cmd_Add(const QString& archive, const QString& file)
{
    return Build(QStringLiteral("a"), {archive, file});
}

QString Archive_Of(const QString& command)
{
    const qsizetype open = command.indexOf(u'"');
    if (open < 0)
        return {};
    QString archive;
    for (qsizetype i = open + 1; i < command.size(); ++i) {
        if (command[i] != u'"')
            archive += command[i];
        else if (i + 1 < command.size() && command[i + 1] == u'"')
            archive += command[++i];
        else
            return archive;
    }
    return {};
}

}  // namespace morvane
