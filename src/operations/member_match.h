// Which listed members a name in a command would hit, by the archiver's own
// rule: a name matches a member's whole stored path, everything below it when
// it names a folder, and, when it holds no "/", the member's file name; * and
// ? are wildcards, "*" and "*.*" every member. So "readme.txt" names
// "docs/readme.txt" too, and deleting one member can take others with it.
// File_Del asks this before it hands a name over.
#pragma once

#include <QMultiHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace morvane {

bool Wildcard_Match(QStringView pattern, QStringView name);

class Member_Index {
public:
    explicit Member_Index(const QStringList& paths);
    // Indices into `paths` of every member that `name` hits, ascending.
    std::vector<int> Hits(const QString& name) const;

private:
    QStringList paths_;
    std::vector<int> sorted_;             // indices of paths_, by path
    QMultiHash<QString, int> by_file_;    // the part after the last "/"
};

// The last part of a stored path ("docs/readme.txt" -> "readme.txt";
// a folder "docs/" -> "docs").
QString File_Part(const QString& path);

}  // namespace morvane
