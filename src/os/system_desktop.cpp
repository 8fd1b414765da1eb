#include "system_desktop.h"

#include "local_names.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#endif

namespace morvane {

namespace {
#if defined(Q_OS_UNIX)
// Starts `program` with `arguments`, detached, each argument the very bytes
// of its local name (QProcess would turn a byte that no code page decodes
// into U+FFFD, and the viewer would be handed a file that does not exist).
// As QProcess::startDetached does: a grandchild in a session of its own
// that nobody waits for, and a failed exec reported through a pipe.
bool Start_Detached(const QString& program, const QStringList& arguments)
{
    const QString found = program.contains(u'/') ? program : QStandardPaths::findExecutable(program);
    if (found.isEmpty())
        return false;
    std::vector<QByteArray> words = {Local_Bytes(found)};
    for (const QString& argument : arguments)
        words.push_back(Local_Bytes(argument));
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        // Only calls that are safe between fork and exec from here on.
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0)
            ::execv(argv[0], argv.data());
        if (grandchild <= 0) {
            const int error = errno;
            [[maybe_unused]] const ssize_t n = ::write(report[1], &error, sizeof error);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t n;
    while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    // The pipe closed on exec without a word: the program runs.
    return n == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
#endif
}  // namespace

QStringList System_Desktop::Arguments() const
{
    return QCoreApplication::arguments().mid(1);
}

QString System_Desktop::Current_Folder() const
{
    return QDir::toNativeSeparators(QDir::currentPath());
}

QString System_Desktop::Environment(const QString& name) const
{
    return qEnvironmentVariable(name.toLocal8Bit().constData());
}

bool System_Desktop::Start_Program(const QString& program, const QStringList& arguments)
{
    if (program.isEmpty())
        return false;
#if defined(Q_OS_UNIX)
    return Start_Detached(program, arguments);
#else
    return QProcess::startDetached(program, arguments);
#endif
}

}  // namespace morvane
