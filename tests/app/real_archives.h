// Real archives in temporary folders for the tests that use the real library:
// files written from a table, archives made by LHa for Java, listings read
// back by lhasa.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

namespace morvane::testing {

// Runs `program` with `arguments` in `folder`; its exit code, or -1 if it
// could not run. Output goes to `output` when given.
int Run_Tool(const QString& program, const QStringList& arguments, const QString& folder, QByteArray* output = nullptr);

// Writes each relative path with its content below `folder`.
void Write_Tree(const QString& folder, const QMap<QString, QByteArray>& files);

// The relative paths and contents of every file below `folder`.
QMap<QString, QByteArray> Read_Tree(const QString& folder);

// The stored paths that `lhasa l` lists for `archive`.
QStringList Lhasa_Paths(const QString& archive);

// The real library's file (the build's libunlha32.so).
QString Library_File();

}  // namespace morvane::testing
