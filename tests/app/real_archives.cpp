#include "real_archives.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

namespace morvane::testing {

int Run_Tool(const QString& program, const QStringList& arguments, const QString& folder, QByteArray* output)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output)
        *output = process.readAll();
    return process.exitCode();
}

void Write_Tree(const QString& folder, const QMap<QString, QByteArray>& files)
{
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QString path = QDir(folder).filePath(it.key());
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(it.value());
    }
}

QMap<QString, QByteArray> Read_Tree(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            files.insert(QDir(folder).relativeFilePath(path), file.readAll());
    }
    return files;
}

QStringList Lhasa_Paths(const QString& archive)
{
    QByteArray output;
    Run_Tool(QStringLiteral("lhasa"), {QStringLiteral("l"), archive}, QDir::tempPath(), &output);
    // Member lines end with the date and the name: "... Dec  8 02:01 docs/readme.txt".
    static const QRegularExpression line(QStringLiteral(R"(^\S.*\s\d\d:\d\d (.+)$|^\S.*\s\d{4} (.+)$)"));
    QStringList paths;
    bool members = false;
    for (const QString& text : QString::fromUtf8(output).split(u'\n')) {
        if (text.startsWith(u"---")) {
            if (members)
                break;
            members = true;
            continue;
        }
        const auto match = line.match(text);
        if (members && match.hasMatch())
            paths.append(match.captured(1).isEmpty() ? match.captured(2) : match.captured(1));
    }
    return paths;
}

QString Library_File()
{
    return QStringLiteral(MORVANE_LIBRARY);
}

}  // namespace morvane::testing
