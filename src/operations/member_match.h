// Which listed members a name in a command would hit, by the archiver's own
// rule. A name that is some member's whole stored path hits that member and,
// for a folder, everything below it. Any other name matches a member's whole
// stored path or, when it holds no "/", its file name, with * and ? as
// wildcards; "*" and "*.*" hit every member. Deleting a folder's member so
// takes what is below it: File_Del asks this before it hands a name over.
#pragma once

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
    QStringList paths_;                   // as the archiver compares them: no trailing "/"
    std::vector<int> sorted_;             // indices of paths_, by path
};

// The last part of a stored path ("docs/readme.txt" -> "readme.txt";
// a folder "docs/" -> "docs").
QString File_Part(const QString& path);

}  // namespace morvane
