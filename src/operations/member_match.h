// Which listed members a deletion by whole stored path takes with it. The
// archiver takes a name that is a member's whole stored path as that member
// alone and, for a folder, everything below it: so deleting the folder row
// "docs/" deletes "docs/readme.txt" too. File_Del asks this before it hands
// a name over, and takes the rows of everything deleted out of the list.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace morvane {

class Member_Index {
public:
    explicit Member_Index(const QStringList& paths);
    // Indices into `paths` of the member named by the whole stored path
    // `name` and of every member below it, ascending.
    std::vector<int> Hits(const QString& name) const;

private:
    QStringList paths_;
    std::vector<int> sorted_;  // indices of paths_, by path
};

// The last part of a stored path ("docs/readme.txt" -> "readme.txt";
// a folder "docs/" -> "docs").
QString File_Part(const QString& path);

}  // namespace morvane
