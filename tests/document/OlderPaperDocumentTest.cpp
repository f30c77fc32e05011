// Work files of the earlier generation: their PaperInfo streams hold older paper
// records (written here byte by byte), and such a file opens with a current paper.
#include "LabelDocTestSupport.h"
#include "persist/UComponentStream.h"
#include "support/StreamBytes.h"
#include "support/TestSupport.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

QByteArray OlderPaperResource(int countY, const QByteArray& purpose)
{
    StreamBytes b;
    b.Header("TMatrixPaperInfo")
        .Prop("Landscape")
        .Bool(false)
        .Prop("Width")
        .Int(2100)
        .Prop("Height")
        .Int(2970)
        .Prop("PaperName")
        .String("OLD 2x" + QByteArray::number(countY))
        .Prop("ReadOnly")
        .Bool(false)
        .Prop("PaperPurpose")
        .String(purpose)
        .Prop("TopOffset")
        .Int(100)
        .Prop("LeftOffset")
        .Int(100)
        .Prop("FaceWidth")
        .Int(900)
        .Prop("FaceHeight")
        .Int(400)
        .Prop("FaceCountX")
        .Int(2)
        .Prop("FaceCountY")
        .Int(countY)
        .Prop("FaceShape")
        .Ident("fsRect")
        .Prop("FaceMargin")
        .Int(0)
        .End()
        .End();
    const QByteArray stream = b.Data();
    StreamBytes r;
    r.Raw(QByteArray("\xFF\x0A\x00PAPERINFO\x00\x30\x10", 15)).U32(uint32_t(stream.size())).Raw(stream);
    return r.Data();
}

class OlderPaperDocument : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }

    QString SavedWithOlderPaper(const QByteArray& paperStream)
    {
        auto data = NewDocument();
        data->AddSheet();
        data->SelectSheet(0);
        const QString file = FDir.filePath(QStringLiteral("old.lbd"));
        data->Save(file);
        data.reset();
        TFileStorage root(file, fmDocReadWrite);
        {
            TDocStream stream(root, fmDocCreate, QStringLiteral("Sheets\\NameList1\\PaperInfo"));
            stream.WriteBytes(paperStream);
        }
        root.Close();
        return file;
    }

    QTemporaryDir FDir;
};

TEST_F(OlderPaperDocument, OpensWithACurrentPaperOfTheSameGeometry)
{
    const QString file = SavedWithOlderPaper(OlderPaperResource(5, "ADDRESS"));
    auto data = TLabelData::Open(file);
    data->SelectSheet(1);
    ASSERT_TRUE(data->Paper());
    auto* matrix = dynamic_cast<TMatrixPaperInfo*>(data->Paper());
    ASSERT_TRUE(matrix);
    EXPECT_EQ(data->LabelCount(), 10);
    EXPECT_EQ(matrix->PaperName(), QStringLiteral("OLD 2x5"));
    EXPECT_EQ(matrix->GetFaceRect(9), (TLogRect{1000, 1700, 1900, 2100}));
    EXPECT_EQ(matrix->CutCenterWidth(), 410);
    // Saved again, the paper is in the current form: no purpose text.
    const QString again = FDir.filePath(QStringLiteral("again.lbd"));
    data->Save(again);
    TFileStorage root(again, fmDocRead);
    TDocStream stream(root, fmDocRead, QStringLiteral("Sheets\\NameList1\\PaperInfo"));
    const QByteArray bytes = stream.ReadBytes(stream.Size());
    EXPECT_FALSE(bytes.contains("PaperPurpose"));
    EXPECT_TRUE(bytes.contains("TMatrixPaperInfo"));
}

TEST_F(OlderPaperDocument, AnOlderPaperThatFailsItsChecksStillFailsTheLoad)
{
    // No rows: a sheet without faces.
    const QString file = SavedWithOlderPaper(OlderPaperResource(0, "X"));
    auto data = NewDocument();
    EXPECT_THROW(data->Load(file), ELabelDataError);
    // Neither format: the load fails too.
    QByteArray junk = OlderPaperResource(5, "X");
    junk.replace("PaperPurpose", "PaperPurposf");
    const QString other = SavedWithOlderPaper(junk);
    EXPECT_THROW(data->Load(other), ELabelDataError);
    // The older paper that is sound loads through the same path.
    EXPECT_NO_THROW(data->Load(SavedWithOlderPaper(OlderPaperResource(5, "X"))));
}

} // namespace
