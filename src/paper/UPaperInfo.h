#pragma once
// Papers: kinds of pre-cut label sheets with their label faces. A matrix paper lays
// its faces out in a grid, a free paper lists them one by one; consumers ask either
// through TPaperInfo and get TFaceInfo descriptors back.
#include "base/UNumbers.h"
#include "paper/UFaceInfo.h"
#include "paper/UPurposeInfo.h"
#include <QSize>
#include <memory>

namespace velmo {

// More faces than any sheet can carry: a paper from a damaged stream that declares
// more is held at this many, so that nothing sized by the face count grows huge.
constexpr int kMaxFaceCount = 10000;

// The messages of the editors' checks.
QString FaceOutsidePaperMessage(); // "ラベルが用紙からはみ出しています"
QString OverlappingFaceQuestion(); // "ラベルが重なっています。よろしいですか？"

class TPaperInfo : public TComponent
{
    VELMO_PERSISTENT(TPaperInfo, TComponent)
public:
    explicit TPaperInfo(TComponent* owner = nullptr);
    ~TPaperInfo() override;

    // The sheet as oriented: the portrait size, swapped when Landscape is set.
    int Width() const { return FLandscape ? FPortraitHeight : FPortraitWidth; }
    void SetWidth(int value) { (FLandscape ? FPortraitHeight : FPortraitWidth) = value; }
    int Height() const { return FLandscape ? FPortraitWidth : FPortraitHeight; }
    void SetHeight(int value) { (FLandscape ? FPortraitWidth : FPortraitHeight) = value; }
    int PortraitWidth() const { return FPortraitWidth; }
    void SetPortraitWidth(int value) { FPortraitWidth = value; }
    int PortraitHeight() const { return FPortraitHeight; }
    void SetPortraitHeight(int value) { FPortraitHeight = value; }

    const QString& PaperName() const { return FPaperName; }
    void SetPaperName(const QString& value) { FPaperName = value; }
    const QString& GroupName() const { return FGroupName; }
    void SetGroupName(const QString& value) { FGroupName = value; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    bool Landscape() const { return FLandscape; }
    void SetLandscape(bool value) { FLandscape = value; }
    TPurposeList* PurposeList() const { return FPurposeList.get(); }
    // The catalogue sets this around its own writes; elsewhere purposes are not written.
    bool StorePurposes() const { return FStorePurposes; }
    void SetStorePurposes(bool value) { FStorePurposes = value; }

    // Per-face queries in portrait coordinates; index from 0 to GetFaceCount() - 1.
    // An index outside raises EInternalError.
    virtual int GetFaceCount() const = 0;
    virtual TFaceShape GetFaceShape(int index) const = 0;
    virtual QString GetFacePurpose(int index) const = 0;
    virtual TLogRect GetFaceRect(int index) const = 0;
    virtual int GetFaceMargin(int index) const = 0;
    virtual QSize GetCutCenter(int index) const = 0;
    virtual int GetRoundSize(int index) const = 0;
    virtual TCenterShape GetCenterShape(int index) const = 0;
    // Whether the paper declares more faces than it holds (kMaxFaceCount).
    virtual bool HasExcessFaces() const { return false; }

    // The face rectangle grown by its margin, in sheet orientation.
    TLogRect GetPrintRect(int index) const;
    // Portrait to sheet orientation: a quarter turn counter-clockwise.
    TLogRect RotateToSheet(const TLogRect& rect) const;
    // Every field of the face, in sheet orientation.
    TFaceInfo GetFaceInfo(int index) const;

    // Copies size, names, ReadOnly, Landscape and purposes (not StorePurposes); papers
    // of the same kind also copy their faces.
    void Assign(const TPersistent& source) override;
    // A new paper of the same kind assigned from this one.
    std::unique_ptr<TPaperInfo> Clone(TComponent* owner = nullptr) const;

    void GetChildren(const TGetChildProc& proc, const TComponent* root) const override;

protected:
    void CheckFaceIndex(int index) const;
    virtual TPaperInfo* NewInstance(TComponent* owner) const = 0;

private:
    int FPortraitWidth = 0;
    int FPortraitHeight = 0;
    QString FPaperName;
    QString FGroupName;
    bool FReadOnly = false;
    bool FLandscape = false;
    std::unique_ptr<TPurposeList> FPurposeList;
    bool FStorePurposes = false;
};

// The index of the first face whose printable rectangle does not lie inside the sheet,
// or -1. A paper holding fewer faces than it declares is reported at its last face;
// a paper with no faces at all is reported at face 0.
int FindFaceOutsidePaper(const TPaperInfo& paper);
// The index of the first face whose printable shape shares area with an earlier one,
// or -1. Faces touching along an edge or at a point do not overlap.
int FindOverlappingFace(const TPaperInfo& paper);

// What a face is besides its place: shape, purpose, margin and the centre hole. A
// matrix paper holds one record for all its faces, a free paper one per face item;
// both publish it under the same property names.
class TFaceAttributes
{
public:
    int FaceMargin() const { return FFaceMargin; }
    void SetFaceMargin(int value) { FFaceMargin = value; }
    TFaceShape FaceShape() const { return FFaceShape; }
    void SetFaceShape(TFaceShape value) { FFaceShape = value; }
    const QString& FacePurpose() const { return FFacePurpose; }
    void SetFacePurpose(const QString& value) { FFacePurpose = value; }
    int CutCenterWidth() const { return FCutCenterWidth; }
    void SetCutCenterWidth(int value) { FCutCenterWidth = value; }
    int CutCenterHeight() const { return FCutCenterHeight; }
    void SetCutCenterHeight(int value) { FCutCenterHeight = value; }
    int RoundSize() const { return FRoundSize; }
    void SetRoundSize(int value) { FRoundSize = value; }
    TCenterShape CenterShape() const { return FCenterShape; }
    void SetCenterShape(TCenterShape value) { FCenterShape = value; }

protected:
    // The stream entries from "RoundSize" on, which both kinds write in the same order.
    template <class T> static TPropertyTable& AppendOutlineProperties(TPropertyTable& table);
    void AssignFaceAttributes(const TFaceAttributes& other) { *this = other; }

    bool HasCutCenter() const;
    bool CutCenterDiffers() const { return FCutCenterWidth != FCutCenterHeight; }
    void WriteCutCenter(TWriter& writer) const;
    void ReadCutCenter(TReader& reader);
    void ReadFaceType(TReader& reader);

    int FFaceMargin = 0;
    TFaceShape FFaceShape = fsRect;
    QString FFacePurpose;
    int FCutCenterWidth = kDefaultCutCenter;
    int FCutCenterHeight = kDefaultCutCenter;
    int FRoundSize = kDefaultRoundSize;
    TCenterShape FCenterShape = csEllipse;
};

class TMatrixPaperInfo : public TPaperInfo, public TFaceAttributes
{
    VELMO_PERSISTENT(TMatrixPaperInfo, TPaperInfo)
public:
    explicit TMatrixPaperInfo(TComponent* owner = nullptr);

    int LeftOffset() const { return FLeftOffset; }
    void SetLeftOffset(int value) { FLeftOffset = value; }
    int TopOffset() const { return FTopOffset; }
    void SetTopOffset(int value) { FTopOffset = value; }
    int RightMargin() const { return FRightMargin; }
    void SetRightMargin(int value) { FRightMargin = value; }
    int BottomMargin() const { return FBottomMargin; }
    void SetBottomMargin(int value) { FBottomMargin = value; }
    int FaceWidth() const { return FFaceWidth; }
    void SetFaceWidth(int value) { FFaceWidth = value; }
    int FaceHeight() const { return FFaceHeight; }
    void SetFaceHeight(int value) { FFaceHeight = value; }
    int FaceCountX() const { return FFaceCountX; }
    void SetFaceCountX(int value) { FFaceCountX = value; }
    int FaceCountY() const { return FFaceCountY; }
    void SetFaceCountY(int value) { FFaceCountY = value; }

    // FaceCountX x FaceCountY as declared (0 when either is not positive).
    int64_t DeclaredFaceCount() const;

    int GetFaceCount() const override;
    TFaceShape GetFaceShape(int index) const override;
    QString GetFacePurpose(int index) const override;
    TLogRect GetFaceRect(int index) const override;
    int GetFaceMargin(int index) const override;
    QSize GetCutCenter(int index) const override;
    int GetRoundSize(int index) const override;
    TCenterShape GetCenterShape(int index) const override;
    bool HasExcessFaces() const override { return DeclaredFaceCount() > kMaxFaceCount; }

    void Assign(const TPersistent& source) override;

protected:
    TPaperInfo* NewInstance(TComponent* owner) const override { return new TMatrixPaperInfo(owner); }

private:
    int FLeftOffset = 0;
    int FTopOffset = 0;
    int FRightMargin = 0;
    int FBottomMargin = 0;
    int FFaceWidth = 0;
    int FFaceHeight = 0;
    int FFaceCountX = 0;
    int FFaceCountY = 0;
};

class TFaceItem : public TCollectionItem, public TFaceAttributes
{
    VELMO_PERSISTENT(TFaceItem, TCollectionItem)
public:
    TFaceItem() = default;

    const TLogRect& Rect() const { return FRect; }
    void SetRect(const TLogRect& rect) { FRect = rect; }
    int Left() const { return FRect.Left; }
    int Top() const { return FRect.Top; }
    int Width() const { return Wrap32(int64_t(FRect.Right) - FRect.Left); }
    int Height() const { return Wrap32(int64_t(FRect.Bottom) - FRect.Top); }
    // Moves the rectangle, keeping its size.
    void SetLeft(int value);
    void SetTop(int value);
    // Moves the right or bottom edge.
    void SetWidth(int value);
    void SetHeight(int value);

    void Assign(const TPersistent& source) override;

private:
    TLogRect FRect;
};

class TFaces : public TCollection
{
    VELMO_PERSISTENT(TFaces, TCollection)
public:
    TFaces();
    TFaceItem* Items(int index) const { return static_cast<TFaceItem*>(TCollection::Items(index)); }
    TFaceItem* Add() { return static_cast<TFaceItem*>(TCollection::Add()); }
    void Assign(const TPersistent& source) override;
};

class TFreePaperInfo : public TPaperInfo
{
    VELMO_PERSISTENT(TFreePaperInfo, TPaperInfo)
public:
    explicit TFreePaperInfo(TComponent* owner = nullptr);
    TFaces* Faces() const { return FFaces.get(); }

    int GetFaceCount() const override;
    TFaceShape GetFaceShape(int index) const override;
    QString GetFacePurpose(int index) const override;
    TLogRect GetFaceRect(int index) const override;
    int GetFaceMargin(int index) const override;
    QSize GetCutCenter(int index) const override;
    int GetRoundSize(int index) const override;
    TCenterShape GetCenterShape(int index) const override;
    bool HasExcessFaces() const override { return FFaces->Count() > kMaxFaceCount; }

    void Assign(const TPersistent& source) override;

protected:
    TPaperInfo* NewInstance(TComponent* owner) const override { return new TFreePaperInfo(owner); }

private:
    const TFaceItem& Item(int index) const;
    std::unique_ptr<TFaces> FFaces;
};

// Fills a free paper's item from a face descriptor (portrait coordinates expected).
void SetFaceItemFromInfo(TFaceItem& item, const TFaceInfo& info);

// Registers the paper classes (and the purpose-list streamer) with the class registry.
void RegisterPaperClasses();

} // namespace velmo
