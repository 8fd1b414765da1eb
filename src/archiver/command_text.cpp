#include "command_text.h"

#include <initializer_list>

namespace morvane {

namespace {
// The verb, then each argument quoted, then the tail, joined by blanks.
std::optional<QString> Build(const QString& verb, std::initializer_list<QString> args, const QString& tail = {})
{
    QString text = verb;
    for (const QString& arg : args) {
        const auto q = Quoted(arg);
        if (!q)
            return std::nullopt;
        text += u' ' + *q;
    }
    if (!tail.isEmpty())
        text += u' ' + tail;
    return text;
}
}  // namespace

std::optional<QString> Quoted(const QString& text)
{
    if (text.contains(u'"'))
        return std::nullopt;
    return u'"' + text + u'"';
}

std::optional<QString> Cmd_List(const QString& archive)
{
    return Build(QStringLiteral("l"), {archive});
}

std::optional<QString> Cmd_Extract(const QString& archive, const QString& folder, const QString& member)
{
    return Build(QStringLiteral("x -c"), {archive, folder, member});
}

std::optional<QString> Cmd_Extract_All(const QString& archive, const QString& folder)
{
    return Build(QStringLiteral("x -c"), {archive, folder}, QStringLiteral("*.*"));
}

std::optional<QString> Cmd_Delete(const QString& archive, const QString& folder, const QString& member)
{
    return Build(QStringLiteral("d"), {archive, folder, member});
}

std::optional<QString> Cmd_Self_Extract(const QString& archive, const QString& folder)
{
    // The verb is followed by two blanks, as the command has always been written.
    return Build(QStringLiteral("s "), {archive, folder}, QStringLiteral("-jw2"));
}

std::optional<QString> Cmd_Add(const QString& archive, const QString& file)
{
    return Build(QStringLiteral("a"), {archive, file});
}

}  // namespace morvane
