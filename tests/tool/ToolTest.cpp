// velmo-tool as a user runs it: the built program on files made for the test.
#include "cli/UToolCommands.h"
#include "storage/UCompoundFile.h"
#include "storage/UZLibStream.h"
#include "support/TestSupport.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

QString Tool()
{
    return BinaryDir() + QStringLiteral("/src/velmo-tool");
}

QByteArray Content(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char(i * 13 + 7);
    return b;
}

QByteArray Compressed(const QByteArray& bytes)
{
    TMemoryStream source(bytes);
    TMemoryStream target;
    Compress(source, target, TCompressionLevel::clMax);
    return target.Data();
}

class ToolTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::exists(Tool())) << Tool().toStdString();
        FFile = FDir.filePath(QStringLiteral("work.lbd"));
        auto root = TCompoundFile::CreateFile(FFile);
        auto put = [](TCfbStorage& s, const QString& name, const QByteArray& bytes) {
            s.CreateStream(name)->Write(bytes.constData(), bytes.size());
        };
        put(*root, QStringLiteral("Info"), "information");
        auto sheets = root->CreateStorage(QStringLiteral("Sheets"));
        put(*sheets, QStringLiteral("NameList"), QByteArray("\x01\0\0\0NameList0\r\n", 15));
        auto sheet = sheets->CreateStorage(QStringLiteral("NameList0"));
        put(*sheet, QStringLiteral("LabelData"), Compressed(Content(20000)));
        put(*sheet, QStringLiteral("Preview"), Content(5000));
        sheet.reset();
        sheets.reset();
        root->Commit();
    }
    QTemporaryDir FDir;
    QString FFile;
};

TEST_F(ToolTest, LsPrintsTheTree)
{
    const ProcessResult r = RunProgram(Tool(), {QStringLiteral("ls"), FFile});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    const QByteArray labelSize = QByteArray::number(Compressed(Content(20000)).size()).rightJustified(10);
    EXPECT_EQ(r.StdOut, QByteArray("stream          11 Info\n"
                                   "storage          0 Sheets\n"
                                   "stream          15 Sheets\\NameList\n"
                                   "storage          0 Sheets\\NameList0\n"
                                   "stream        5000 Sheets\\NameList0\\Preview\n"
                                   "stream  ") +
                            labelSize + " Sheets\\NameList0\\LabelData\n");
}

TEST_F(ToolTest, CatWritesStreamBytes)
{
    ProcessResult r =
        RunProgram(Tool(), {QStringLiteral("cat"), FFile, QStringLiteral("Sheets\\NameList0\\Preview")});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    EXPECT_EQ(r.StdOut, Content(5000));
    r = RunProgram(Tool(), {QStringLiteral("cat"), FFile, QStringLiteral("Sheets/NameList0/LabelData")});
    EXPECT_EQ(r.StdOut, Compressed(Content(20000)));
    r = RunProgram(Tool(), {QStringLiteral("cat"), QStringLiteral("--inflate"), FFile,
                            QStringLiteral("Sheets\\NameList0\\LabelData")});
    ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
    EXPECT_EQ(r.StdOut, Content(20000));
    // A stream that is not compressed comes out as it is.
    r = RunProgram(Tool(),
                   {QStringLiteral("cat"), FFile, QStringLiteral("Info"), QStringLiteral("--inflate")});
    EXPECT_EQ(r.StdOut, QByteArray("information"));
}

TEST_F(ToolTest, FailuresGoToStandardErrorWithExitCodes)
{
    ProcessResult r = RunProgram(Tool(), {QStringLiteral("cat"), FFile, QStringLiteral("Sheets\\Missing")});
    EXPECT_EQ(r.ExitCode, tool::kExitFailure);
    EXPECT_TRUE(r.StdOut.isEmpty());
    EXPECT_TRUE(r.StdErr.contains("0x80030002")) << r.StdErr.toStdString();
    r = RunProgram(Tool(), {QStringLiteral("ls"), FDir.filePath(QStringLiteral("none.lbd"))});
    EXPECT_EQ(r.ExitCode, tool::kExitFailure);
    EXPECT_TRUE(r.StdErr.startsWith("velmo-tool: ")) << r.StdErr.toStdString();
    r = RunProgram(Tool(), {QStringLiteral("cat"), FFile, QStringLiteral("..\\x")});
    EXPECT_EQ(r.ExitCode, tool::kExitFailure);
    EXPECT_TRUE(r.StdErr.contains("too many")) << r.StdErr.toStdString();
    r = RunProgram(Tool(), {QStringLiteral("ls")});
    EXPECT_EQ(r.ExitCode, tool::kExitUsage);
    r = RunProgram(Tool(), {QStringLiteral("frobnicate")});
    EXPECT_EQ(r.ExitCode, tool::kExitUsage);
    r = RunProgram(Tool(), {});
    EXPECT_EQ(r.ExitCode, tool::kExitUsage);
    // A damaged file: the error, not a crash.
    QFile f(FFile);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.resize(1024);
    f.close();
    r = RunProgram(Tool(), {QStringLiteral("ls"), FFile});
    EXPECT_EQ(r.ExitCode, tool::kExitFailure);
    EXPECT_TRUE(r.StdErr.contains("0x80030109")) << r.StdErr.toStdString();
}

TEST_F(ToolTest, DumpShowsComponentStreamsInsideFilesCompressedOrNot)
{
    // A hand-written resource: header "LABEL", then TItem "A" with X = 7.
    const QByteArray component =
        QByteArray("TPF0") + Bytes({5}) + "TItem" + Bytes({1}) + "A" + Bytes({1}) + "X" + Bytes({2, 7, 0, 0});
    const QByteArray resource = Bytes({0xFF, 10, 0}) + "LABEL" + Bytes({0, 0x30, 0x10}) +
                                Bytes({int(component.size()), 0, 0, 0}) + component;
    {
        auto root = TCompoundFile::OpenFile(FFile, TStgAccess::ReadWrite);
        root->CreateStream(QStringLiteral("Plain"))->Write(resource.constData(), resource.size());
        const QByteArray packed = Compressed(resource);
        root->CreateStream(QStringLiteral("Packed"))->Write(packed.constData(), packed.size());
        root->Commit();
    }
    for (const char* stream : {"Plain", "Packed"}) {
        const ProcessResult r =
            RunProgram(Tool(), {QStringLiteral("dump"), FFile, QString::fromLatin1(stream)});
        EXPECT_EQ(r.ExitCode, 0) << stream << r.StdErr.toStdString();
        EXPECT_TRUE(r.StdOut.contains("object A: TItem")) << stream << r.StdOut.toStdString();
        EXPECT_TRUE(r.StdOut.contains("X = 7 (vaInt8)")) << stream;
    }
    // A stream that is no component resource fails with a message.
    const ProcessResult bad = RunProgram(Tool(), {QStringLiteral("dump"), FFile, QStringLiteral("Info")});
    EXPECT_EQ(bad.ExitCode, 1);
    EXPECT_TRUE(bad.StdErr.startsWith("velmo-tool: ")) << bad.StdErr.toStdString();
}

TEST(ToolLibrary, ReadStreamBytesForOtherCommands)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("x.lbd"));
    {
        auto root = TCompoundFile::CreateFile(file);
        auto sub = root->CreateStorage(QStringLiteral("A"));
        sub->CreateStream(QStringLiteral("B"))->Write("bytes", 5);
        root->Commit();
    }
    EXPECT_EQ(tool::ReadStreamBytes(file, QStringLiteral("A\\B")), QByteArray("bytes"));
    EXPECT_EQ(tool::ReadStreamBytes(file, QStringLiteral("/A/B")), QByteArray("bytes"));
    EXPECT_THROW(tool::ReadStreamBytes(file, QStringLiteral("A\\C")), EStorageError);
    try {
        tool::ReadStreamBytes(file, QStringLiteral("A"));
        ADD_FAILURE() << "a storage read as a stream";
    } catch (const Exception& error) {
        EXPECT_TRUE(error.Message().contains(QStringLiteral("A is a storage, not a stream")));
    }
}

} // namespace
