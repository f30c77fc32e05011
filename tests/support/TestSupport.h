#pragma once
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <initializer_list>

namespace velmo::test {

// Folder of the source tree (for test data) and of the build tree (for programs).
QString SourceDir();
QString BinaryDir();
QString TestDataPath(const QString& relative);

// The whole content of a file; a file that cannot be read fails the test and gives
// no bytes.
QByteArray ReadFileBytes(const QString& path);
// Writes the bytes as the file's whole content, making its folder; a failure fails
// the test.
void WriteFileBytes(const QString& path, const QByteArray& bytes);

// Bytes from a list of values, for hand-written byte vectors.
QByteArray Bytes(std::initializer_list<int> values);
// "81 60 FB FC" style hex text of bytes, for readable failure messages.
QString Hex(const QByteArray& bytes);

// Runs a program, returns its exit code (-1 when it could not run) and output.
struct ProcessResult
{
    int ExitCode = -1;
    QByteArray StdOut;
    QByteArray StdErr;
};
ProcessResult RunProgram(const QString& program, const QStringList& arguments, const QByteArray& input = {},
                         int timeoutMs = 60000);

} // namespace velmo::test
