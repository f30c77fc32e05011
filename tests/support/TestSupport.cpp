#include "support/TestSupport.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

namespace velmo::test {

QString SourceDir()
{
    // The build records where it came from, so a test program finds its data from
    // whatever folder it is started in; the environment may point elsewhere.
    const QByteArray dir = qgetenv("VELMO_SOURCE_DIR");
    return dir.isEmpty() ? QStringLiteral(VELMO_TEST_SOURCE_DIR) : QString::fromLocal8Bit(dir);
}

QString BinaryDir()
{
    const QByteArray dir = qgetenv("VELMO_BINARY_DIR");
    return dir.isEmpty() ? QStringLiteral(VELMO_TEST_BINARY_DIR) : QString::fromLocal8Bit(dir);
}

QString TestDataPath(const QString& relative)
{
    return SourceDir() + QStringLiteral("/tests/data/") + relative;
}

QByteArray ReadFileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return file.readAll();
}

void WriteFileBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        ADD_FAILURE() << "cannot write " << path.toStdString();
}

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v & 0xFF));
    return out;
}

QString Hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ')).toUpper();
}

ProcessResult RunProgram(const QString& program, const QStringList& arguments, const QByteArray& input,
                         int timeoutMs)
{
    ProcessResult result;
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs))
        return result;
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.StdOut = process.readAllStandardOutput();
    result.StdErr = process.readAllStandardError();
    result.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

} // namespace velmo::test
