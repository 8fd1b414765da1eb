// Which program opens a kind of file: what FindExecutableA answers on Windows,
// asked here of the desktop's MIME database (the file's type through Qt, the
// default application through xdg-mime) and .desktop files.
// The answer is the entry's whole command (exec_line.h), so that a viewer
// started through flatpak, snap or env starts as its entry says.
#include "exec_line.h"
#include "system_desktop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTextStream>

namespace morvane {

using namespace Qt::StringLiterals;

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

struct Entry {
    QString exec;
    bool terminal = false;
    Entry_Fields fields;
};

// The keys of a .desktop file's [Desktop Entry] group that starting it needs.
// Name is taken in the desktop's language where the entry has it.
Entry Read_Entry(const QString& desktop_file)
{
    Entry entry;
    entry.fields.location = desktop_file;
    QFile file(desktop_file);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return entry;
    const QString language = QLocale::system().name();   // "ja_JP"
    const QStringList name_keys = {u"Name["_s + language + u']', u"Name["_s + language.section(u'_', 0, 0) + u']',
                                   u"Name"_s};
    int name_rank = int(name_keys.size());
    QTextStream in(&file);
    bool in_entry = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'[')) {
            in_entry = line == u"[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!in_entry || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = Entry_Value(line.mid(equals + 1).trimmed());
        if (key == u"Exec")
            entry.exec = value;
        else if (key == u"Terminal")
            entry.terminal = value == u"true";
        else if (key == u"Icon")
            entry.fields.icon = value;
        else if (const int rank = int(name_keys.indexOf(key)); rank >= 0 && rank < name_rank) {
            entry.fields.name = value;
            name_rank = rank;
        }
    }
    return entry;
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
QString Or_Xdg_Open(const QString& viewer)
{
    if (!viewer.isEmpty())
        return viewer;
    const QString xdg_open = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    return xdg_open.isEmpty() ? QString() : Exec_Join({xdg_open});
}

}  // namespace

QString Viewer_From_Entry(const QString& desktop_file)
{
    // "" for a program that wants a terminal, which a detached start would
    // leave without one.
    const Entry entry = Read_Entry(desktop_file);
    if (entry.terminal)
        return {};
    const std::optional<QStringList> words = Exec_Words(entry.exec);
    std::optional<QStringList> line = words ? Expand_Entry_Codes(*words, entry.fields) : std::nullopt;
    if (!line)
        return {};
    (*line)[0] = Resolve(line->first());
    return line->first().isEmpty() ? QString() : Exec_Join(*line);
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
    return file.isEmpty() ? QString() : Viewer_From_Entry(file);
}

int System_Desktop::FindExecutable(const QString& file, const QString& folder, QString& buffer)
{
    const QString path = QDir(folder).filePath(file);
    if (!QFileInfo(path).isFile())
        return Err_File_Not_Found;
    // The file's type from the shared MIME database in process, as
    // `xdg-mime query filetype` finds it through a script and a helper
    // program each time (some 0.2 s of every start).
    const QString type = QMimeDatabase().mimeTypeForFile(path).name();
    const QString viewer = Or_Xdg_Open(Program_For_Type(type));
    if (viewer.isEmpty() || viewer.size() + 1 > buffer.size())
        return Err_No_Association;
    buffer.replace(0, viewer.size() + 1, viewer + QChar(0));
    return Found;
}

QString System_Desktop::Text_Program()
{
    return Or_Xdg_Open(Program_For_Type(QStringLiteral("text/plain")));
}

}  // namespace morvane
