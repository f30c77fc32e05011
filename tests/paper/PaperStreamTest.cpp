#include "paper/PaperTestSupport.h"
#include "paper/UPaperInfo.h"
#include "persist/UComponentStream.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>

using namespace velmo;
using velmo::test::MakeMatrix;
using velmo::test::StreamBytes;

namespace {

std::string Hex(const QByteArray& bytes)
{
    return velmo::test::Hex(bytes).toStdString();
}

class PaperStream : public ::testing::Test
{
protected:
    void SetUp() override { velmo::test::EnsurePaperClasses(); }

    static std::unique_ptr<TPaperInfo> Read(const QByteArray& bytes)
    {
        TMemoryStream stream(bytes);
        std::unique_ptr<TComponent> root = ReadComponent(stream);
        auto* paper = dynamic_cast<TPaperInfo*>(root.get());
        if (!paper)
            return nullptr;
        root.release();
        return std::unique_ptr<TPaperInfo>(paper);
    }

    // The properties every matrix paper writes, up to and including FaceMargin.
    static StreamBytes MatrixStart(bool landscape, int width, int height, const QByteArray& name)
    {
        StreamBytes b;
        b.Header("TMatrixPaperInfo")
            .Prop("Landscape")
            .Bool(landscape)
            .Prop("Width")
            .Int(width)
            .Prop("Height")
            .Int(height);
        if (!name.isEmpty())
            b.Prop("PaperName").String(name);
        b.Prop("ReadOnly").Bool(false);
        for (const char* p : {"TopOffset", "LeftOffset", "BottomMargin", "RightMargin", "FaceWidth",
                              "FaceHeight", "FaceCountX", "FaceCountY"})
            b.Prop(p).Int(0);
        b.Prop("FaceShape").Ident("fsRect");
        b.Prop("FaceMargin").Int(0);
        return b;
    }
};

} // namespace

TEST_F(PaperStream, MatrixWithDefaultsByteForByte)
{
    TMatrixPaperInfo paper;
    paper.SetPortraitWidth(2100);
    paper.SetPortraitHeight(2970);
    paper.SetPaperName("A4");
    const QByteArray expected = MatrixStart(false, 2100, 2970, "A4").End().End().Data();
    EXPECT_EQ(Hex(ComponentStreamBytes(paper)), Hex(expected));
}

TEST_F(PaperStream, LandscapeWritesTheOrientedSizeAfterTheFlag)
{
    TMatrixPaperInfo paper;
    paper.SetPortraitWidth(2100);
    paper.SetPortraitHeight(2970);
    paper.SetLandscape(true);
    const QByteArray bytes = ComponentStreamBytes(paper);
    EXPECT_EQ(Hex(bytes), Hex(MatrixStart(true, 2970, 2100, "").End().End().Data()));
    std::unique_ptr<TPaperInfo> back = Read(bytes);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->Landscape());
    EXPECT_EQ(back->PortraitWidth(), 2100);
    EXPECT_EQ(back->PortraitHeight(), 2970);
}

TEST_F(PaperStream, CutCenterForms)
{
    TMatrixPaperInfo paper;
    // 410 x 410: neither the pair nor "CutCenter".
    EXPECT_EQ(Hex(ComponentStreamBytes(paper)), Hex(MatrixStart(false, 0, 0, "").End().End().Data()));

    // 430 x 410: the width only, since the height equals its default.
    paper.SetCutCenterWidth(430);
    EXPECT_EQ(Hex(ComponentStreamBytes(paper)),
              Hex(MatrixStart(false, 0, 0, "").Prop("CutCenterWidth").Int(430).End().End().Data()));

    // 430 x 300: both.
    paper.SetCutCenterHeight(300);
    EXPECT_EQ(Hex(ComponentStreamBytes(paper)), Hex(MatrixStart(false, 0, 0, "")
                                                        .Prop("CutCenterWidth")
                                                        .Int(430)
                                                        .Prop("CutCenterHeight")
                                                        .Int(300)
                                                        .End()
                                                        .End()
                                                        .Data()));

    // 360 x 360: the stream-only "CutCenter" after the published properties.
    paper.SetCutCenterWidth(360);
    paper.SetCutCenterHeight(360);
    paper.SetRoundSize(50);
    paper.SetCenterShape(csBarrel);
    const QByteArray bytes = ComponentStreamBytes(paper);
    EXPECT_EQ(Hex(bytes), Hex(MatrixStart(false, 0, 0, "")
                                  .Prop("RoundSize")
                                  .Int(50)
                                  .Prop("CenterShape")
                                  .Ident("csBarrel")
                                  .Prop("CutCenter")
                                  .Int(360)
                                  .End()
                                  .End()
                                  .Data()));
    auto back = Read(bytes);
    auto* matrix = dynamic_cast<TMatrixPaperInfo*>(back.get());
    ASSERT_TRUE(matrix);
    EXPECT_EQ(matrix->CutCenterWidth(), 360);
    EXPECT_EQ(matrix->CutCenterHeight(), 360);
    EXPECT_EQ(matrix->RoundSize(), 50);
    EXPECT_EQ(matrix->CenterShape(), csBarrel);
}

TEST_F(PaperStream, CutCenterZeroReadsAsTheStandardHole)
{
    auto back = Read(MatrixStart(false, 0, 0, "")
                         .Prop("CutCenterWidth")
                         .Int(500)
                         .Prop("CutCenterHeight")
                         .Int(200)
                         .Prop("CutCenter")
                         .Int(0)
                         .End()
                         .End()
                         .Data());
    auto* matrix = dynamic_cast<TMatrixPaperInfo*>(back.get());
    ASSERT_TRUE(matrix);
    EXPECT_EQ(matrix->CutCenterWidth(), 410);
    EXPECT_EQ(matrix->CutCenterHeight(), 410);
}

TEST_F(PaperStream, LegacyFaceTypeSetsShapeAndPurpose)
{
    auto back = Read(MatrixStart(false, 2100, 2970, "").Prop("FaceType").Int(1).End().End().Data());
    auto* matrix = dynamic_cast<TMatrixPaperInfo*>(back.get());
    ASSERT_TRUE(matrix);
    EXPECT_EQ(matrix->FaceShape(), fsDoughnut);
    EXPECT_EQ(matrix->FacePurpose(), "CD");
    // Never written back.
    EXPECT_FALSE(ComponentStreamBytes(*matrix).contains("FaceType"));
    EXPECT_TRUE(ComponentStreamBytes(*matrix).contains("fsDoughnut"));

    // An unknown number changes nothing.
    auto unknown = Read(MatrixStart(false, 0, 0, "")
                            .Prop("FacePurpose")
                            .String("Keep")
                            .Prop("FaceType")
                            .Int(42)
                            .End()
                            .End()
                            .Data());
    auto* kept = dynamic_cast<TMatrixPaperInfo*>(unknown.get());
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->FaceShape(), fsRect);
    EXPECT_EQ(kept->FacePurpose(), "Keep");
}

TEST_F(PaperStream, FreePaperFacesByteForByte)
{
    TFreePaperInfo paper;
    paper.SetPortraitWidth(1000);
    paper.SetPortraitHeight(500);
    paper.SetGroupName("G");
    TFaceItem* a = paper.Faces()->Add();
    a->SetRect({10, 20, 310, 220});
    TFaceItem* b = paper.Faces()->Add();
    b->SetRect({400, 20, 800, 420});
    b->SetFaceShape(fsDoughnut);
    b->SetFacePurpose("CD");
    b->SetFaceMargin(5);
    b->SetCutCenterWidth(150);
    b->SetCutCenterHeight(150);

    StreamBytes expected;
    expected.Header("TFreePaperInfo")
        .Prop("Landscape")
        .Bool(false)
        .Prop("Width")
        .Int(1000)
        .Prop("Height")
        .Int(500)
        .Prop("GroupName")
        .String("G")
        .Prop("ReadOnly")
        .Bool(false)
        .Prop("Faces")
        .Byte(14); // vaCollection
    expected
        .Byte(1) // item 0
        .Prop("Left")
        .Int(10)
        .Prop("Top")
        .Int(20)
        .Prop("Width")
        .Int(300)
        .Prop("Height")
        .Int(200)
        .Prop("FaceMargin")
        .Int(0)
        .Prop("FaceShape")
        .Ident("fsRect")
        .End();
    expected
        .Byte(1) // item 1
        .Prop("Left")
        .Int(400)
        .Prop("Top")
        .Int(20)
        .Prop("Width")
        .Int(400)
        .Prop("Height")
        .Int(400)
        .Prop("FaceMargin")
        .Int(5)
        .Prop("FaceShape")
        .Ident("fsDoughnut")
        .Prop("FacePurpose")
        .String("CD")
        .Prop("CutCenter")
        .Int(150)
        .End();
    expected.End().End().End();
    const QByteArray bytes = ComponentStreamBytes(paper);
    EXPECT_EQ(Hex(bytes), Hex(expected.Data()));

    auto back = Read(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(Hex(ComponentStreamBytes(*back)), Hex(bytes));
    ASSERT_EQ(back->GetFaceCount(), 2);
    EXPECT_EQ(back->GetFaceInfo(1), paper.GetFaceInfo(1));
}

TEST_F(PaperStream, PurposesOnlyWhileTheStoreFlagIsSet)
{
    auto paper = MakeMatrix(2, 3, 100, 100, 0, 0, 0, 0);
    paper->PurposeList()->SetDefault();
    EXPECT_FALSE(ComponentStreamBytes(*paper).contains("PurposeList"));
    paper->SetStorePurposes(true);
    const QByteArray bytes = ComponentStreamBytes(*paper);
    ASSERT_TRUE(bytes.contains("PurposeList"));
    // The purposes come after ReadOnly and before the matrix properties.
    EXPECT_LT(bytes.indexOf("ReadOnly"), bytes.indexOf("PurposeList"));
    EXPECT_LT(bytes.indexOf("PurposeList"), bytes.indexOf("TopOffset"));
    // An item: ID, DisplayName, ShapeMask as a set of identifiers.
    const QByteArray item = StreamBytes()
                                .Byte(1)
                                .Prop("ID")
                                .String("CD")
                                .Prop("DisplayName")
                                .String("CD")
                                .Prop("ShapeMask")
                                .Byte(11)
                                .Str("fsDoughnut")
                                .Str("fsEllipse")
                                .Str("")
                                .End()
                                .Data();
    EXPECT_TRUE(bytes.contains(item)) << Hex(bytes);

    auto back = Read(bytes);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->StorePurposes());
    ASSERT_EQ(back->PurposeList()->Count(), 5);
    EXPECT_EQ(back->PurposeList()->Items(2)->ID(), "CDCaseTray");
    back->SetStorePurposes(true);
    EXPECT_EQ(Hex(ComponentStreamBytes(*back)), Hex(bytes));
}

TEST_F(PaperStream, PurposeListStreamer)
{
    TPLStreamer streamer;
    streamer.List()->SetDefault();
    const QByteArray bytes = ComponentResourceBytes("PurposeList", streamer);
    TMemoryStream stream(bytes);
    auto back = ReadComponentResourceAs<TPLStreamer>(stream);
    ASSERT_EQ(back->List()->Count(), 5);
    EXPECT_EQ(back->List()->DisplayNames(), streamer.List()->DisplayNames());
    EXPECT_EQ(back->List()->Items(1)->ShapeMask(), FaceShapeBit(fsRect) | FaceShapeBit(fsRoundRect));
}

TEST_F(PaperStream, MatrixRoundTripKeepsEveryProperty)
{
    auto paper = MakeMatrix(4, 6, 480, 420, 110, 120, 15, 10);
    paper->SetPaperName(QString::fromUtf8("ラベル ２４面"));
    paper->SetGroupName(QString::fromUtf8("メーカー"));
    paper->SetReadOnly(true);
    paper->SetFaceShape(fsRoundRect);
    paper->SetFacePurpose("MOSquare");
    paper->SetFaceMargin(-3);
    paper->SetRoundSize(0);
    paper->SetCutCenterWidth(-1);
    const QByteArray bytes = ComponentResourceBytes("Paper", *paper);
    TMemoryStream stream(bytes);
    auto back = ReadComponentResourceAs<TMatrixPaperInfo>(stream);
    EXPECT_EQ(Hex(ComponentResourceBytes("Paper", *back)), Hex(bytes));
    EXPECT_EQ(back->PaperName(), paper->PaperName());
    EXPECT_TRUE(back->ReadOnly());
    for (int i = 0; i < paper->GetFaceCount(); ++i)
        EXPECT_EQ(back->GetFaceInfo(i), paper->GetFaceInfo(i));
}

TEST_F(PaperStream, OwnedComponentsAreChildren)
{
    TFreePaperInfo paper;
    auto* child = new TMatrixPaperInfo(&paper);
    child->SetName("Inner");
    child->SetPortraitWidth(5);
    const QByteArray bytes = ComponentStreamBytes(paper);
    auto back = Read(bytes);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->ComponentCount(), 1);
    auto* inner = dynamic_cast<TMatrixPaperInfo*>(back->Components(0));
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->Name(), "Inner");
    EXPECT_EQ(inner->PortraitWidth(), 5);
}

// ---- untrusted streams

TEST_F(PaperStream, WrongTypesAreStreamErrors)
{
    const auto read = [](const QByteArray& bytes) { return Read(bytes); };
    EXPECT_THROW(read(MatrixStart(false, 0, 0, "").Prop("FaceCountX").String("many").End().End().Data()),
                 EReadError);
    EXPECT_THROW(read(MatrixStart(false, 0, 0, "").Prop("FaceShape").Ident("fsStar").End().End().Data()),
                 EReadError);
    EXPECT_THROW(read(MatrixStart(false, 0, 0, "").Prop("CenterShape").Int(1).End().End().Data()),
                 EReadError);
    EXPECT_THROW(read(MatrixStart(false, 0, 0, "").Prop("CutCenter").String("x").End().End().Data()),
                 EReadError);
    EXPECT_THROW(read(MatrixStart(false, 0, 0, "").Prop("FaceType").Bool(true).End().End().Data()),
                 EReadError);
    EXPECT_THROW(read(MatrixStart(false, 0, 0, "").Prop("PurposeList").Int(3).End().End().Data()),
                 EReadError);
    EXPECT_THROW(read(MatrixStart(false, 0, 0, "").Prop("Faces").Byte(14).End().End().End().Data()),
                 EPropertyError);
    EXPECT_THROW(read(StreamBytes().Header("TFreePaperInfo").Prop("Faces").Int(2).End().End().Data()),
                 EReadError);
    EXPECT_THROW(read(StreamBytes()
                          .Header("TFreePaperInfo")
                          .Prop("Faces")
                          .Byte(14)
                          .Byte(1)
                          .Prop("Left")
                          .String("1")
                          .End()
                          .End()
                          .End()
                          .End()
                          .Data()),
                 EReadError);
    EXPECT_THROW(read(StreamBytes().Header("TPaperInfo").End().End().Data()), EClassNotFound);
}

TEST_F(PaperStream, TruncatedStreamsFailCleanly)
{
    auto paper = MakeMatrix(3, 3, 100, 100, 0, 0, 0, 0);
    paper->SetCutCenterWidth(300);
    paper->SetCutCenterHeight(300);
    const QByteArray bytes = ComponentStreamBytes(*paper);
    for (int cut = 0; cut < bytes.size(); ++cut)
        EXPECT_THROW(Read(bytes.left(cut)), EReadError) << cut;
}

TEST_F(PaperStream, HugeFaceCountsLoadWithoutAllocating)
{
    auto back = Read(MatrixStart(false, 2100, 2970, "")
                         .Prop("FaceCountX")
                         .Int(INT32_MAX)
                         .Prop("FaceCountY")
                         .Int(INT32_MAX)
                         .Prop("FaceWidth")
                         .Int(-5)
                         .Prop("RoundSize")
                         .Int(INT32_MIN)
                         .End()
                         .End()
                         .Data());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->GetFaceCount(), kMaxFaceCount);
    EXPECT_TRUE(back->HasExcessFaces());
    // A later property wins over an earlier one with the same name.
    EXPECT_EQ(back->GetFaceRect(0).Width(), -5);
    EXPECT_EQ(FindFaceOutsidePaper(*back), 0);
}

TEST_F(PaperStream, FreePaperWithoutFacesIsReadAndRejectedByTheCheck)
{
    auto back = Read(StreamBytes().Header("TFreePaperInfo").Prop("Faces").Byte(14).End().End().End().Data());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->GetFaceCount(), 0);
    EXPECT_THROW(back->GetFaceInfo(0), EInternalError);
    EXPECT_EQ(FindFaceOutsidePaper(*back), 0); // rejected: nowhere to print
    EXPECT_EQ(FindOverlappingFace(*back), -1);
}
