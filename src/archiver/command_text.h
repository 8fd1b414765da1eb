// The command texts handed to Unlha. Every path and member name stands
// between double quotes, so blanks inside them do not split words; a double
// quote inside one is written twice, which the library reads as one.
#pragma once

#include <QString>

namespace morvane {

QString Quoted(QString text);

// `folder` arguments end with their separator.
QString Cmd_List(const QString& archive);
QString Cmd_Extract(const QString& archive, const QString& folder, const QString& member);
QString Cmd_Extract_All(const QString& archive, const QString& folder);
QString Cmd_Delete(const QString& archive, const QString& folder, const QString& member);
QString Cmd_Self_Extract(const QString& archive, const QString& folder);
QString Cmd_Add(const QString& archive, const QString& file);

// Read back from a command text built here: the archive it names (its first
// quoted word).
QString Archive_Of(const QString& command);

}  // namespace morvane
