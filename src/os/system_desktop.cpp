#include "system_desktop.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

namespace morvane {

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
    return !program.isEmpty() && QProcess::startDetached(program, arguments);
}

}  // namespace morvane
