// Which program opens a kind of file: what FindExecutableA answers on Windows,
// asked here of the desktop's MIME database (xdg-mime) and .desktop files.
#include "system_desktop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

namespace morvane {

namespace {

// SE_ERR_FNF and SE_ERR_NOASSOC, as the platform call reports them.
constexpr int Err_File_Not_Found = 2;
constexpr int Err_No_Association = 31;
constexpr int Found = 33;

QString Xdg_Mime(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdg-mime"), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

QStringList Data_Folders()
{
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    return QStringList{home} + dirs.split(u':', Qt::SkipEmptyParts);
}

// "kde-foo.desktop" may live at applications/kde/foo.desktop.
QString Desktop_File(const QString& id)
{
    for (const QString& data : Data_Folders()) {
        const QString applications = data + QStringLiteral("/applications/");
        QString relative = id;
        for (;;) {
            const QString candidate = applications + relative;
            if (QFileInfo(candidate).isFile())
                return candidate;
            const qsizetype dash = relative.indexOf(u'-');
            if (dash < 0)
                break;
            relative[dash] = u'/';
        }
    }
    return {};
}

// The Exec line of a .desktop file; "" for a program that wants a terminal,
// which a detached start would leave without one.
QString Exec_Line(const QString& desktop_file)
{
    QFile file(desktop_file);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&file);
    bool in_entry = false;
    QString exec;
    bool terminal = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'['))
            in_entry = line == u"[Desktop Entry]";
        else if (in_entry && line.startsWith(u"Exec="))
            exec = line.mid(5);
        else if (in_entry && line.startsWith(u"Terminal="))
            terminal = line.mid(9).trimmed() == u"true";
    }
    return terminal ? QString() : exec;
}

QString Resolve(const QString& program)
{
    if (program.isEmpty())
        return {};
    if (QDir::isAbsolutePath(program))
        return QFileInfo(program).isExecutable() ? program : QString();
    return QStandardPaths::findExecutable(program);
}

// xdg-open hands the file to the desktop, which knows how to start what
// needs a terminal.
QString Or_Xdg_Open(const QString& program)
{
    return program.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("xdg-open")) : program;
}

}  // namespace

QString Exec_Program(const QString& exec_line)
{
    // The first word; a quoted one may hold blanks and backslash escapes.
    QString word;
    qsizetype i = 0;
    while (i < exec_line.size() && exec_line[i] == u' ')
        ++i;
    if (i < exec_line.size() && exec_line[i] == u'"') {
        for (++i; i < exec_line.size() && exec_line[i] != u'"'; ++i) {
            if (exec_line[i] == u'\\' && i + 1 < exec_line.size())
                ++i;
            word += exec_line[i];
        }
    } else {
        for (; i < exec_line.size() && exec_line[i] != u' '; ++i)
            word += exec_line[i];
    }
    return word;
}

QString Program_For_Type(const QString& mime_type)
{
    if (mime_type.isEmpty())
        return {};
    const QString id = Xdg_Mime({QStringLiteral("query"), QStringLiteral("default"), mime_type})
                           .section(u';', 0, 0);
    if (id.isEmpty())
        return {};
    const QString file = Desktop_File(id);
    return file.isEmpty() ? QString() : Resolve(Exec_Program(Exec_Line(file)));
}

int System_Desktop::FindExecutable(const QString& file, const QString& folder, QString& buffer)
{
    const QString path = QDir(folder).filePath(file);
    if (!QFileInfo(path).isFile())
        return Err_File_Not_Found;
    const QString type = Xdg_Mime({QStringLiteral("query"), QStringLiteral("filetype"), path});
    const QString program = Or_Xdg_Open(Program_For_Type(type));
    if (program.isEmpty() || program.size() + 1 > buffer.size())
        return Err_No_Association;
    buffer.replace(0, program.size() + 1, program + QChar(0));
    return Found;
}

QString System_Desktop::Text_Program()
{
    return Or_Xdg_Open(Program_For_Type(QStringLiteral("text/plain")));
}

}  // namespace morvane
