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

QStringView After_Last_Slash(const QString& path)
{
    return QStringView(path).mid(path.lastIndexOf(u'/') + 1);
}

}  // namespace

bool Wildcard_Match(QStringView pattern, QStringView name)
{
    // Iterative matching with one backtrack point for the last "*".
    qsizetype p = 0, n = 0, star = -1, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

QString File_Part(const QString& path)
{
    QStringView view(path);
    if (view.endsWith(u'/'))
        view.chop(1);
    return view.mid(view.lastIndexOf(u'/') + 1).toString();
}

Member_Index::Member_Index(const QStringList& paths) : sorted_(paths.size())
{
    for (const QString& path : paths)
        paths_.append(Normalised(path));
    for (int i = 0; i < int(sorted_.size()); ++i)
        sorted_[i] = i;
    std::sort(sorted_.begin(), sorted_.end(), [this](int a, int b) { return paths_[a] < paths_[b]; });
}

std::vector<int> Member_Index::Hits(const QString& name) const
{
    const QString n = Normalised(name);
    const bool bare = !n.contains(u'/');
    std::vector<int> hits;
    if (n == u"*" || n == u"*.*") {
        for (int i = 0; i < paths_.size(); ++i)
            hits.push_back(i);
        return hits;
    }
    // The name is a whole stored path: that member and what is below it,
    // all starting with the name, so in one run in path order.
    auto at = std::lower_bound(sorted_.begin(), sorted_.end(), n,
                               [this](int i, const QString& key) { return paths_[i] < key; });
    const QString folder = n + u'/';
    bool exact = false;
    for (; at != sorted_.end() && paths_[*at].startsWith(n); ++at) {
        exact = exact || paths_[*at] == n;
        if (paths_[*at] == n || paths_[*at].startsWith(folder))
            hits.push_back(*at);
    }
    if (!exact) {
        hits.clear();
        const QString below = n + QStringLiteral("/*");
        for (int i = 0; i < paths_.size(); ++i) {
            if (Wildcard_Match(n, paths_[i]) || Wildcard_Match(below, paths_[i]) ||
                (bare && Wildcard_Match(n, After_Last_Slash(paths_[i]))))
                hits.push_back(i);
        }
    }
    std::sort(hits.begin(), hits.end());
    hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
    return hits;
}

}  // namespace morvane
