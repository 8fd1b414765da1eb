#include "member_match.h"

#include <algorithm>

namespace morvane {

namespace {

// As the archiver reads a name: "\" is "/", trailing "/" dropped.
QString Normalised(const QString& name)
{
    QString n = name;
    n.replace(u'\\', u'/');
    while (n.size() > 1 && n.endsWith(u'/'))
        n.chop(1);
    return n;
}

}  // namespace

QString File_Part(const QString& path)
{
    QStringView view(path);
    if (view.endsWith(u'/'))
        view.chop(1);
    return view.mid(view.lastIndexOf(u'/') + 1).toString();
}

Member_Index::Member_Index(const QStringList& paths) : sorted_(paths.size())
{
    for (const QString& p : paths)
        paths_.append(Normalised(p));
    for (int i = 0; i < int(sorted_.size()); ++i)
        sorted_[i] = i;
    std::sort(sorted_.begin(), sorted_.end(), [this](int a, int b) { return paths_[a] < paths_[b]; });
}

std::vector<int> Member_Index::Hits(const QString& name) const
{
    const QString n = Normalised(name);
    // The path itself and everything below it all start with the name, so
    // they lie in one run in path order.
    auto at = std::lower_bound(sorted_.begin(), sorted_.end(), n,
                               [this](int i, const QString& key) { return paths_[i] < key; });
    const QString folder = n + u'/';
    std::vector<int> hits;
    for (; at != sorted_.end() && paths_[*at].startsWith(n); ++at) {
        if (paths_[*at] == n || paths_[*at].startsWith(folder))
            hits.push_back(*at);
    }
    std::sort(hits.begin(), hits.end());
    return hits;
}

}  // namespace morvane
