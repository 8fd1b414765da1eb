// The command texts handed to Unlha. Every path and member name stands
// between double quotes, so blanks inside them do not split words. A text
// that itself holds a double quote cannot be one word of a command: such a
// command is not built (std::nullopt) and the caller reports "err".
#pragma once

#include <QString>
#include <optional>

namespace morvane {

std::optional<QString> Quoted(const QString& text);

// `folder` arguments end with their separator.
std::optional<QString> Cmd_List(const QString& archive);
std::optional<QString> Cmd_Extract(const QString& archive, const QString& folder, const QString& member);
std::optional<QString> Cmd_Extract_All(const QString& archive, const QString& folder);
std::optional<QString> Cmd_Delete(const QString& archive, const QString& folder, const QString& member);
std::optional<QString> Cmd_Self_Extract(const QString& archive, const QString& folder);
std::optional<QString> Cmd_Add(const QString& archive, const QString& file);

// Read back from a command text built here: the archive it names (its first
// quoted word), and what it does, as the progress window says it.
QString Archive_Of(const QString& command);
QString What_It_Does(const QString& command);

}  // namespace morvane
