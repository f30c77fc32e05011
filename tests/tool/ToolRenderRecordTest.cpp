// velmo-tool render --merge: a label drawn with its own merge record or with the record
// the insertion controller would show (--record N), measured by the ink of records of
// different lengths; and the option errors.
#include "support/TestSupport.h"
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo::test;

namespace {

QString Tool()
{
    return BinaryDir() + QStringLiteral("/src/velmo-tool");
}

const char* kDesign = R"(object TLDObjects
  object TLOInsText
    Left = 20
    Top = 20
    Width = 700
    Height = 120
    Text.Strings = (
      'x')
    Font.Charset = SHIFTJIS_CHARSET
    Font.Color = clBlack
    Font.Name = 'IPAPGothic'
    Font.Size = 18
    Font.Style = []
    AutoSize = True
    InsertionField = 0
  end
end
)";

class ToolRenderRecord : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        FWork = FDir.filePath(QStringLiteral("w.lbd"));
        ProcessResult r = RunProgram(Tool(), {QStringLiteral("new"), QStringLiteral("--paper"),
                                              QStringLiteral("A4 12面 86.4×42.3mm"),
                                              QStringLiteral("--design"), QStringLiteral("each"), FWork});
        ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
        const QString design = FDir.filePath(QStringLiteral("d.txt"));
        WriteFileBytes(design, QByteArray(kDesign));
        for (const char* position : {"0", "2", "5"}) {
            r = RunProgram(Tool(), {QStringLiteral("put-label"), FWork, QStringLiteral("0"),
                                    QString::fromLatin1(position), design});
            ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
        }
        // One, six and three black squares: the ink tells the records apart.
        FCsv = FDir.filePath(QStringLiteral("m.csv"));
        WriteFileBytes(FCsv, QStringLiteral("■,a\n■■■■■■,b\n■■■,c\n").toUtf8());
    }
    // The dark pixels of the label drawn with the arguments; -1 when it failed.
    int Ink(const QString& position, const QStringList& extra, QString* error = nullptr)
    {
        const QString out = FDir.filePath(QStringLiteral("out-%1.png").arg(++FRuns));
        QStringList args{
            QStringLiteral("render"), FWork, QStringLiteral("0"), position, out, QStringLiteral("--dpi"),
            QStringLiteral("150")};
        args << extra;
        ProcessResult r = RunProgram(Tool(), args);
        if (error)
            *error = QString::fromUtf8(r.StdErr);
        if (r.ExitCode != 0)
            return -1;
        QImage image(out);
        if (image.isNull())
            return -1;
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 96 ? 1 : 0;
        return dark;
    }
    QStringList Merge(const QStringList& more = {}) const
    {
        return QStringList{QStringLiteral("--merge"), FCsv} + more;
    }

    QTemporaryDir FDir;
    QString FWork;
    QString FCsv;
    int FRuns = 0;
};

TEST_F(ToolRenderRecord, EachLabelShowsItsOwnRecordOrTheChosenOne)
{
    const int one = Ink(QStringLiteral("0"), Merge());
    ASSERT_GT(one, 20) << "record 1 (one square) on label 0";
    const int three = Ink(QStringLiteral("2"), Merge());
    EXPECT_GT(three, one * 2);
    EXPECT_LT(three, one * 4);
    // The controller's record 2 (six squares) on label 0.
    const int six = Ink(QStringLiteral("0"), Merge({QStringLiteral("--record"), QStringLiteral("2")}));
    EXPECT_GT(six, one * 5);
    EXPECT_LT(six, one * 7);
    // Label 5 has no record: nothing is printed there, never another label's record.
    EXPECT_LT(Ink(QStringLiteral("5"), Merge()), one / 3);
    // ... unless a record is chosen for it.
    EXPECT_EQ(Ink(QStringLiteral("5"), Merge({QStringLiteral("--record"), QStringLiteral("1")})), one);
    // With the first line as names, record 1 is the six squares.
    EXPECT_EQ(Ink(QStringLiteral("0"), Merge({QStringLiteral("--header")})), six);
}

TEST_F(ToolRenderRecord, BadOptionsAreRefusedWithTheirReason)
{
    QString error;
    EXPECT_EQ(Ink(QStringLiteral("0"), Merge({QStringLiteral("--record"), QStringLiteral("0")}), &error), -1);
    EXPECT_TRUE(error.contains(QStringLiteral("--record"))) << error.toStdString();
    EXPECT_EQ(Ink(QStringLiteral("0"), Merge({QStringLiteral("--record"), QStringLiteral("x")}), &error), -1);
    EXPECT_EQ(Ink(QStringLiteral("0"), Merge({QStringLiteral("--record"), QStringLiteral("4")}), &error), -1);
    EXPECT_TRUE(error.contains(QStringLiteral("no record 4 (the file has 3)"))) << error.toStdString();
    EXPECT_EQ(Ink(QStringLiteral("0"), {QStringLiteral("--record"), QStringLiteral("1")}, &error), -1);
    EXPECT_TRUE(error.contains(QStringLiteral("belong to --merge"))) << error.toStdString();
    EXPECT_EQ(Ink(QStringLiteral("0"), {QStringLiteral("--header")}, &error), -1);
    EXPECT_EQ(Ink(QStringLiteral("0"), {QStringLiteral("--merge"), FDir.filePath(QStringLiteral("gone.csv"))},
                  &error),
              -1);
    EXPECT_FALSE(error.isEmpty());
    // Without merge data the design with merge objects still draws.
    EXPECT_GE(Ink(QStringLiteral("0"), {}), 0);
}

} // namespace
