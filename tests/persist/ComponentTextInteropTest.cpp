// The text form against an independent implementation of it: Free Pascal's
// ObjectTextToBinary and ObjectBinaryToText, compiled for the test.
#include "base/UClassesFiler.h"
#include "persist/TestComponents.h"
#include "persist/UComponentStream.h"
#include "persist/UComponentText.h"
#include "support/TestSupport.h"
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace velmo::test {
namespace {

const char* const kConverter = R"(program convert;
{$mode objfpc}
uses Classes, SysUtils;
var
  input, output: TFileStream;
begin
  input := TFileStream.Create(ParamStr(2), fmOpenRead);
  output := TFileStream.Create(ParamStr(3), fmCreate);
  try
    if ParamStr(1) = 'tobin' then
      ObjectTextToBinary(input, output)
    else
      ObjectBinaryToText(input, output);
  finally
    output.Free;
    input.Free;
  end;
end.
)";

class ComponentTextInteropTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterTestClasses();
        const QString fpc = QStandardPaths::findExecutable(QStringLiteral("fpc"));
        if (fpc.isEmpty())
            GTEST_SKIP() << "Free Pascal (fp-compiler) is not installed";
        ASSERT_TRUE(FDir.isValid());
        WriteFileBytes(FDir.filePath(QStringLiteral("convert.pas")), QByteArray(kConverter));
        const ProcessResult built =
            RunProgram(fpc, {QStringLiteral("-O1"), QStringLiteral("-FE") + FDir.path(),
                             FDir.filePath(QStringLiteral("convert.pas"))});
        ASSERT_EQ(built.ExitCode, 0) << built.StdOut.toStdString();
        FConverter = FDir.filePath(QStringLiteral("convert"));
    }

    QByteArray Run(const char* direction, const QByteArray& input)
    {
        const QString in = FDir.filePath(QStringLiteral("in")), out = FDir.filePath(QStringLiteral("out"));
        WriteFileBytes(in, input);
        QFile::remove(out);
        const ProcessResult run = RunProgram(FConverter, {QLatin1String(direction), in, out});
        EXPECT_EQ(run.ExitCode, 0) << run.StdOut.toStdString() << run.StdErr.toStdString();
        return ReadFileBytes(out);
    }

    QTemporaryDir FDir;
    QString FConverter;
};

// Hand-written designs (text the classic reader takes, ASCII so that both read the
// same characters) become the same bytes in both implementations.
TEST_F(ComponentTextInteropTest, HandWrittenTextBecomesTheSameBytes)
{
    const char* const texts[] = {
        "object Label1: TLORect\n  Left = 10\n  Top = -129\n  Width = 40000\n  Big = -2147483648\n"
        "  Color = clWindowText\n  Flag = True\n  Other = False\n  Link = nil\nend\n",
        "object TX\n  Caption = 'a''b'#13#10'c'\n  Long = '"
        "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789"
        "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789"
        "01234567890123456789012345678901234567890123456789012345678901234567890123456789'\n"
        "  Joined = 'ab' +\n    'cd'\n  Empty = ''\nend\n",
        "object TX\n  Style = [fsBold, fsItalic]\n  None = []\n  Data = {\n    0A0BFF00}\n"
        "  Lines.Strings = (\n    'x'\n    'y')\n  Nested = (\n    1\n    (\n      2))\n"
        "  Items = <\n    item\n      Value = 3\n    end\n    item\n    end>\nend\n",
        "object TX\n  Ratio = 0.5\n  Third = 2.75\n  Big = 1E20\n  Negative = -1.25\nend\n",
        "object Root: TX\n  object A: TY\n    object TZ\n    end\n  end\n  object B: TY\n  end\nend\n",
    };
    for (const char* text : texts) {
        const QByteArray theirs = Run("tobin", QByteArray(text));
        EXPECT_EQ(Hex(TextToComponent(QString::fromLatin1(text))).toStdString(), Hex(theirs).toStdString())
            << text;
    }
}

// Streams this program writes: their text form by the other implementation reads
// back into the same bytes here, and ours reads back into the same bytes there.
TEST_F(ComponentTextInteropTest, OurStreamsThroughTheirTextAndBack)
{
    TTestObject root;
    root.SetName(QStringLiteral("Sheet"));
    root.Number = -70000;
    root.Small = 3;
    root.Text = QStringLiteral("It's plain");
    root.Flags = tfRed | tfBlue;
    root.Flag = true;
    root.Ratio = 0.75;
    root.Lines()->SetLines({QStringLiteral("a"), QStringLiteral("b\r")});
    root.Blob = QByteArray(100, '\x05');
    static_cast<TTestItem*>(root.Items()->Add())->Value = 300;
    auto* child = new TTestObject(&root);
    child->SetName(QStringLiteral("Child"));
    child->Number = 5;
    const QByteArray bytes = ComponentStreamBytes(root);
    const QByteArray theirText = Run("totext", bytes);
    EXPECT_EQ(TextToComponent(QString::fromLatin1(theirText)), bytes) << theirText.toStdString();
    // The other reads text as code-page bytes.
    EXPECT_EQ(Run("tobin", EncodeStreamText(ComponentToText(bytes))), bytes);
}

} // namespace
} // namespace velmo::test
