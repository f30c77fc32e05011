#pragma once
// velmo-tool: the command line over the program's libraries. Each command lives in
// its own module (UTool<Name>.cpp) and takes the arguments that follow its name.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace velmo::tool {

// Runs velmo-tool with the process's arguments; returns the exit code.
int Main(int argc, char** argv);

// velmo-tool ls FILE: the element tree of a compound file, one element per line.
int CommandLs(const QStringList& arguments);
// velmo-tool cat [--inflate] FILE PATH: a stream's bytes on standard output;
// --inflate unpacks the compressed container when the stream holds one.
int CommandCat(const QStringList& arguments);

// Exit codes of every command.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1; // the file could not be read, the element is missing, …
constexpr int kExitUsage = 2;

// The element path of a command line: "\" separates names; "/" is accepted as well,
// since no element name can hold it and it needs no quoting in a shell.
QString ElementPathArgument(const QString& argument);

// Opens the compound file for reading and returns the bytes of the stream at path
// ("Sheets\NameList0\LabelData"). Raises EStorageError (missing file or element,
// damaged file) or EPathUtil.
QByteArray ReadStreamBytes(const QString& fileName, const QString& path);

// Writes bytes to standard output unchanged; false when that failed.
bool WriteStandardOutput(const QByteArray& bytes);
// Reports an error as "velmo-tool: message" on standard error.
void ReportError(const QString& message);

} // namespace velmo::tool
