// Command lines in the syntax of a desktop entry's Exec key (the Desktop
// Entry Specification): words separated by blanks, a word with a reserved
// character in double quotes with `"`, "`", "$" and "\" escaped by a
// backslash, and field codes (%f %F %u %U %i %c %k %%) expanded after the
// quotes are undone. Txt_Viewer holds such a line: the association lookup
// (src/os) writes it with the entry's own codes expanded and its program as a
// full path, and File_Read expands the file codes for one file. Text only.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace morvane {

// A key's value as a desktop entry stores it: \s \n \t \r \\ undone; any
// other backslash is left for the quoting rules.
QString Entry_Value(const QString& stored);

// The words of an Exec line with the quotes undone (field codes stay as
// written). nullopt when a quote is not closed.
std::optional<QStringList> Exec_Words(const QString& line);

// The Exec line whose words are `words`: Exec_Words gives them back.
QString Exec_Join(const QStringList& words);

// What a desktop entry knows about itself, for %i, %c and %k.
struct Entry_Fields {
    QString icon;
    QString name;       // translated where the entry has a translation
    QString location;   // the entry file's path
};

// The entry's own field codes expanded and its deprecated ones dropped; the
// file codes and %% stay for Viewer_Command. The first word, the program,
// comes out as the plain name to start. nullopt for no program.
std::optional<QStringList> Expand_Entry_Codes(const QStringList& words, const Entry_Fields& entry);

// Program and arguments that start the viewer line `line` on one local file:
// the first word is the program as it stands; in the others %f and %F give
// the file's path, %u and %U its file: URL, %% a "%". A line with no file
// code gets the path as its last argument. nullopt for an empty or broken line.
// `file` is a local name (os/local_names.h).
std::optional<QStringList> Viewer_Command(const QString& line, const QString& file);

}  // namespace morvane
