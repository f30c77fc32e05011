#include "paper/PaperTestSupport.h"
#include "paper/UFaceShape.h"
#include "paper/UPaperInfo.h"
#include <gtest/gtest.h>

using namespace velmo;
using velmo::test::MakeMatrix;

namespace {

TFaceItem* AddFace(TFreePaperInfo& paper, TLogRect rect, TFaceShape shape = fsRect, int margin = 0)
{
    TFaceItem* item = paper.Faces()->Add();
    item->SetRect(rect);
    item->SetFaceShape(shape);
    item->SetFaceMargin(margin);
    return item;
}

std::unique_ptr<TFreePaperInfo> MakeFree(int width = 2100, int height = 2970)
{
    auto paper = std::make_unique<TFreePaperInfo>();
    paper->SetPortraitWidth(width);
    paper->SetPortraitHeight(height);
    return paper;
}

} // namespace

TEST(PaperFaces, MatrixNumbersRowByRow)
{
    auto paper = MakeMatrix(3, 2, 500, 300, 100, 200, 20, 30);
    ASSERT_EQ(paper->GetFaceCount(), 6);
    // Top row 0, 1, 2 from left to right; second row 3, 4, 5.
    EXPECT_EQ(paper->GetFaceRect(0), (TLogRect{100, 200, 600, 500}));
    EXPECT_EQ(paper->GetFaceRect(1), (TLogRect{620, 200, 1120, 500}));
    EXPECT_EQ(paper->GetFaceRect(2), (TLogRect{1140, 200, 1640, 500}));
    EXPECT_EQ(paper->GetFaceRect(3), (TLogRect{100, 530, 600, 830}));
    EXPECT_EQ(paper->GetFaceRect(5), (TLogRect{1140, 530, 1640, 830}));
    EXPECT_THROW(paper->GetFaceRect(6), EInternalError);
    EXPECT_THROW(paper->GetFaceRect(-1), EInternalError);
}

TEST(PaperFaces, MatrixWithoutColumnsOrRowsHasNoFaces)
{
    auto paper = MakeMatrix(0, 5, 500, 300, 0, 0, 0, 0);
    EXPECT_EQ(paper->GetFaceCount(), 0);
    EXPECT_THROW(paper->GetFaceRect(0), EInternalError);
    paper->SetFaceCountX(4);
    paper->SetFaceCountY(-3);
    EXPECT_EQ(paper->GetFaceCount(), 0);
    // A sheet without labels is rejected by the validity check; nothing overlaps on it.
    EXPECT_EQ(FindFaceOutsidePaper(*paper), 0);
    EXPECT_EQ(FindOverlappingFace(*paper), -1);
    auto free = MakeFree();
    EXPECT_EQ(FindFaceOutsidePaper(*free), 0);
    AddFace(*free, {100, 100, 600, 400});
    EXPECT_EQ(FindFaceOutsidePaper(*free), -1);
}

TEST(PaperFaces, LandscapeSwapsSheetAndTurnsFaces)
{
    auto paper = MakeFree();
    TFaceItem* item = AddFace(*paper, {100, 200, 600, 400}, fsDoughnut);
    item->SetCutCenterWidth(430);
    item->SetCutCenterHeight(410);
    paper->SetLandscape(true);
    EXPECT_EQ(paper->Width(), 2970);
    EXPECT_EQ(paper->Height(), 2100);
    const TFaceInfo info = paper->GetFaceInfo(0);
    EXPECT_EQ(info.Rect, (TLogRect{200, 1500, 400, 2000}));
    EXPECT_EQ(info.CutCenterWidth, 410);
    EXPECT_EQ(info.CutCenterHeight, 430);
    EXPECT_EQ(info.FaceShape, fsDoughnut);
    // The per-face queries stay portrait.
    EXPECT_EQ(paper->GetFaceRect(0), (TLogRect{100, 200, 600, 400}));

    // Width and Height write the portrait size crosswise while turned.
    paper->SetWidth(3000);
    paper->SetHeight(2000);
    EXPECT_EQ(paper->PortraitHeight(), 3000);
    EXPECT_EQ(paper->PortraitWidth(), 2000);
}

TEST(PaperFaces, RotatedSheetKeepsFacesOnTheSheet)
{
    // Every face of a portrait sheet that fits also fits once turned.
    auto paper = MakeMatrix(2, 6, 864, 423, 186, 212, 0, 0);
    paper->SetFaceMargin(10);
    ASSERT_EQ(FindFaceOutsidePaper(*paper), -1);
    paper->SetLandscape(true);
    EXPECT_EQ(FindFaceOutsidePaper(*paper), -1);
    // The top-left corner of the upright sheet ends at the bottom-left.
    const TLogRect first = paper->GetFaceInfo(0).Rect;
    EXPECT_EQ(first.Left, 212);
    EXPECT_EQ(first.Bottom, 2100 - 186);
}

TEST(PaperFaces, PrintRectCarriesTheBleed)
{
    auto paper = MakeMatrix(1, 1, 500, 300, 100, 100, 0, 0);
    paper->SetFaceMargin(15);
    EXPECT_EQ(paper->GetPrintRect(0), (TLogRect{85, 85, 615, 415}));
    paper->SetLandscape(true);
    EXPECT_EQ(paper->GetPrintRect(0), (TLogRect{85, 2100 - 615, 415, 2100 - 85}));
}

TEST(PaperFaces, FaceInfoComesFromEitherKind)
{
    auto matrix = MakeMatrix(2, 1, 1170, 1170, 0, 0, 0, 0);
    matrix->SetFaceShape(fsDoughnut);
    matrix->SetFacePurpose("CD");
    matrix->SetFaceMargin(5);
    matrix->SetCutCenterWidth(400);
    matrix->SetCutCenterHeight(420);
    matrix->SetRoundSize(80);
    matrix->SetCenterShape(csBarrel);
    const TFaceInfo info = matrix->GetFaceInfo(1);

    auto free = MakeFree();
    TFaceItem* item = free->Faces()->Add();
    SetFaceItemFromInfo(*item, info);
    EXPECT_EQ(free->GetFaceInfo(0), info);
    EXPECT_EQ(item->Rect(), (TLogRect{1170, 0, 2340, 1170}));
    EXPECT_EQ(item->RoundSize(), 80);
}

TEST(PaperFaces, FaceItemEdgesMoveAsDocumented)
{
    TFaceItem item;
    item.SetRect({100, 100, 300, 200});
    item.SetLeft(150);
    EXPECT_EQ(item.Rect(), (TLogRect{150, 100, 350, 200}));
    item.SetTop(50);
    EXPECT_EQ(item.Rect(), (TLogRect{150, 50, 350, 150}));
    item.SetWidth(10);
    item.SetHeight(20);
    EXPECT_EQ(item.Rect(), (TLogRect{150, 50, 160, 70}));
}

TEST(PaperFaces, AssignAndCloneCopyEverythingButTheStoreFlag)
{
    auto source = MakeMatrix(3, 4, 100, 100, 10, 10, 5, 5);
    source->SetPaperName("Paper");
    source->SetGroupName("Group");
    source->SetReadOnly(true);
    source->SetLandscape(true);
    source->SetStorePurposes(true);
    source->PurposeList()->SetDefault();
    source->SetFaceShape(fsRoundRect);
    source->SetRoundSize(60);
    std::unique_ptr<TPaperInfo> copy = source->Clone();
    auto* matrix = dynamic_cast<TMatrixPaperInfo*>(copy.get());
    ASSERT_NE(matrix, nullptr);
    EXPECT_EQ(matrix->PaperName(), "Paper");
    EXPECT_EQ(matrix->GroupName(), "Group");
    EXPECT_TRUE(matrix->ReadOnly());
    EXPECT_TRUE(matrix->Landscape());
    EXPECT_FALSE(matrix->StorePurposes());
    EXPECT_EQ(matrix->PurposeList()->Count(), 5);
    EXPECT_EQ(matrix->GetFaceCount(), 12);
    EXPECT_EQ(matrix->RoundSize(), 60);
    EXPECT_EQ(matrix->Width(), 2970);

    // A free paper takes the common part of a matrix paper.
    TFreePaperInfo free;
    free.Assign(*source);
    EXPECT_EQ(free.PaperName(), "Paper");
    EXPECT_EQ(free.GetFaceCount(), 0);
    // Something that is no paper cannot be assigned.
    TPurposeList list;
    EXPECT_THROW(free.Assign(list), EConvertError);
}

// ---- validation

TEST(PaperValidation, OutsideCountsTheBleedAndAcceptsTouching)
{
    auto paper = MakeFree(1000, 1000);
    AddFace(*paper, {0, 0, 500, 500});
    AddFace(*paper, {500, 500, 1000, 1000}); // touches the right and bottom edges
    EXPECT_EQ(FindFaceOutsidePaper(*paper), -1);
    AddFace(*paper, {100, 600, 400, 1000}, fsRect, 1); // bleed reaches one past the bottom
    EXPECT_EQ(FindFaceOutsidePaper(*paper), 2);
    paper->Faces()->Items(2)->SetFaceMargin(0);
    EXPECT_EQ(FindFaceOutsidePaper(*paper), -1);
    AddFace(*paper, {-1, 0, 10, 10});
    EXPECT_EQ(FindFaceOutsidePaper(*paper), 3);
}

TEST(PaperValidation, OutsideUsesTheOrientedSheet)
{
    // A strip along the bottom of the upright sheet, touching three edges.
    auto paper = MakeFree();
    AddFace(*paper, {0, 2000, 2100, 2970});
    EXPECT_EQ(FindFaceOutsidePaper(*paper), -1);
    // Turned, it lies along the left edge of the 2970 x 2100 sheet: still inside.
    paper->SetLandscape(true);
    EXPECT_EQ(paper->GetPrintRect(0), (TLogRect{2000, 0, 2970, 2100}));
    EXPECT_EQ(FindFaceOutsidePaper(*paper), -1);
    paper->Faces()->Items(0)->SetFaceMargin(1);
    EXPECT_EQ(FindFaceOutsidePaper(*paper), 0);
}

TEST(PaperValidation, EmptyFaceIsNotOnTheSheet)
{
    auto paper = MakeFree(1000, 1000);
    AddFace(*paper, {100, 100, 100, 200});
    EXPECT_EQ(FindFaceOutsidePaper(*paper), 0);
}

TEST(PaperValidation, RectanglesSharingAnEdgeDoNotOverlap)
{
    auto paper = MakeMatrix(4, 5, 500, 400, 50, 50, 0, 0);
    EXPECT_EQ(FindOverlappingFace(*paper), -1);
    paper->SetRightMargin(-1); // one unit of each neighbour shared
    EXPECT_EQ(FindOverlappingFace(*paper), 1);
    paper->SetRightMargin(0);
    paper->SetBottomMargin(-1);
    EXPECT_EQ(FindOverlappingFace(*paper), 4);
}

TEST(PaperValidation, TouchingEllipsesDoNotOverlap)
{
    auto paper = MakeMatrix(3, 3, 600, 600, 100, 100, 0, 0);
    paper->SetFaceShape(fsEllipse);
    EXPECT_EQ(FindOverlappingFace(*paper), -1);
    paper->SetRightMargin(-2);
    EXPECT_EQ(FindOverlappingFace(*paper), 1);
}

TEST(PaperValidation, RoundFacesWithOverlappingBoxesAreReportedOnlyWhenShapesMeet)
{
    auto paper = MakeFree();
    AddFace(*paper, {0, 0, 1000, 1000}, fsDoughnut);
    // Its box overlaps the circle's box in the corner, the shapes do not meet.
    AddFace(*paper, {850, 850, 1350, 1350}, fsEllipse);
    EXPECT_EQ(FindOverlappingFace(*paper), -1);
    // A square in the same corner is still clear of the circle.
    AddFace(*paper, {880, 0, 1000, 120});
    EXPECT_EQ(FindOverlappingFace(*paper), -1);
    // The bleed counts: growing the second face makes it reach the first.
    paper->Faces()->Items(1)->SetFaceMargin(150);
    EXPECT_EQ(FindOverlappingFace(*paper), 1);
}

TEST(PaperValidation, RoundedCornersLeaveRoomForACornerNeighbour)
{
    auto paper = MakeFree();
    TFaceItem* a = AddFace(*paper, {0, 0, 500, 500}, fsRoundRect);
    a->SetRoundSize(200);
    AddFace(*paper, {480, 480, 600, 600}, fsEllipse);
    EXPECT_EQ(FindOverlappingFace(*paper), -1);
    a->SetRoundSize(0); // square corners: now they share the corner area
    EXPECT_EQ(FindOverlappingFace(*paper), 1);
}

TEST(PaperValidation, HoleDoesNotCountAsFree)
{
    // A small face inside a CD's hole overlaps: the check uses the outer shape.
    auto paper = MakeFree();
    AddFace(*paper, {0, 0, 1200, 1200}, fsDoughnut);
    AddFace(*paper, {580, 580, 620, 620});
    EXPECT_EQ(FindOverlappingFace(*paper), 1);
}

TEST(PaperValidation, HugeGridDoesNotAllocateOrHang)
{
    auto paper = MakeMatrix(INT32_MAX, INT32_MAX, 1, 1, 0, 0, 0, 0);
    EXPECT_EQ(paper->DeclaredFaceCount(), int64_t(INT32_MAX) * INT32_MAX);
    EXPECT_EQ(paper->GetFaceCount(), kMaxFaceCount);
    EXPECT_TRUE(paper->HasExcessFaces());
    EXPECT_GE(FindFaceOutsidePaper(*paper), 0);
    // Every face in one place.
    paper->SetRightMargin(-1);
    paper->SetBottomMargin(-1);
    EXPECT_EQ(FindOverlappingFace(*paper), 1);
}

TEST(PaperValidation, ExtremeGeometryStaysFinite)
{
    auto paper = MakeMatrix(2, 2, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MAX);
    paper->SetFaceMargin(INT32_MAX);
    paper->SetFaceShape(fsBarrelCD);
    paper->SetCutCenterWidth(INT32_MIN);
    paper->SetRoundSize(INT32_MAX);
    EXPECT_EQ(FindFaceOutsidePaper(*paper), 0);
    EXPECT_GE(FindOverlappingFace(*paper), -1);
    const TFaceInfo info = paper->GetFaceInfo(3);
    // Areas are cut to the coordinate limit instead of growing with the numbers.
    const QRegion region = info.CreateRegion(nullptr, true);
    EXPECT_LE(region.boundingRect().width(), 2 * kRegionCoordinateLimit);
    EXPECT_FALSE(info.ContainsPoint({-5, -5}));
}

TEST(PaperValidation, MessagesAreTheEditorsTexts)
{
    EXPECT_EQ(FaceOutsidePaperMessage(), QString::fromUtf8("ラベルが用紙からはみ出しています"));
    EXPECT_EQ(OverlappingFaceQuestion(), QString::fromUtf8("ラベルが重なっています。よろしいですか？"));
}

// ---- purposes

TEST(Purposes, DefaultListAndLookups)
{
    TPurposeList list;
    list.SetDefault();
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list.DisplayNames(), (QStringList{"CD", "CDCover", "CDCaseTray", "MOSquare", ""}));
    EXPECT_EQ(list.Items(0)->ShapeMask(), FaceShapeBit(fsDoughnut) | FaceShapeBit(fsEllipse));
    EXPECT_EQ(list.Items(3)->ShapeMask(), FaceShapeBit(fsRect) | FaceShapeBit(fsRoundRect));
    EXPECT_EQ(list.Items(4)->ShapeMask(), 0u);
    EXPECT_EQ(list.Find("cdcover"), 1);
    EXPECT_EQ(list.Find("none"), -1);
    EXPECT_EQ(list.Find(""), 4);

    // The last item with an ID wins.
    TPurposeInfo* twin = list.Add();
    twin->SetID("CD");
    EXPECT_EQ(list.Find("cd"), 5);

    TPurposeInfo extra;
    extra.SetID("cd");
    EXPECT_FALSE(list.AddIfAbsent(extra));
    extra.SetID("Sticker");
    extra.SetDisplayName("シール");
    EXPECT_TRUE(list.AddIfAbsent(extra));
    EXPECT_EQ(list.Items(6)->DisplayName(), QString::fromUtf8("シール"));
}

TEST(Purposes, MergeAddsOnlyAbsentItemsInOrder)
{
    TPurposeList target;
    target.Add()->SetID("CD");
    TPurposeList other;
    other.SetDefault();
    EXPECT_TRUE(target.Merge(other));
    QStringList ids;
    for (int i = 0; i < target.Count(); ++i)
        ids << target.Items(i)->ID();
    EXPECT_EQ(ids, (QStringList{"CD", "CDCover", "CDCaseTray", "MOSquare", ""}));
    EXPECT_FALSE(target.Merge(other));
}

TEST(Purposes, ShapeNamesAndHoles)
{
    EXPECT_EQ(FaceShapeDisplayName(fsRect), QString::fromUtf8("角型"));
    EXPECT_EQ(FaceShapeDisplayName(fsDoughnut), QString::fromUtf8("CD型"));
    EXPECT_EQ(FaceShapeDisplayName(fsEllipse), QString::fromUtf8("丸型"));
    EXPECT_EQ(FaceShapeDisplayName(fsRoundRect), QString::fromUtf8("角丸型"));
    EXPECT_EQ(FaceShapeDisplayName(fsRectCD), QString::fromUtf8("名刺型CD"));
    EXPECT_EQ(FaceShapeDisplayName(fsBarrelCD), QString::fromUtf8("たる型CD"));
    EXPECT_TRUE(FaceShapeDisplayName(6).isEmpty());
    EXPECT_TRUE(ShapeHasHole(fsDoughnut));
    EXPECT_TRUE(ShapeHasHole(fsRectCD));
    EXPECT_TRUE(ShapeHasHole(fsBarrelCD));
    EXPECT_FALSE(ShapeHasHole(fsEllipse));
    EXPECT_FALSE(ShapeHasHole(fsRoundRect));
}
