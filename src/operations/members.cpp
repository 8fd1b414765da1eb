// Reading members back out of List1: every row but the last, the summary row.
#include "app/form1.h"

namespace morvane {

std::vector<int> Form1::Selected_Members() const
{
    std::vector<int> rows;
    for (int i = 0; i <= List1.ListCount() - 2; ++i) {
        if (List1.Selected(i))
            rows.push_back(i);
    }
    return rows;
}

QString Form1::Member_Name(int row) const
{
    const QString path = List1.ItemPath(row);
    if (!path.isEmpty())
        return path;
    // A listing line too short to hold the path: the name column is all there is.
    return List1.List(row).left(12).trimmed();
}

QStringList Form1::Member_Names() const
{
    QStringList names;
    for (int i = 0; i <= List1.ListCount() - 2; ++i)
        names.append(Member_Name(i));
    return names;
}

}  // namespace morvane
