#include "paper/UPaperInfo.h"
#include "draw/UCanvas.h"
#include "paper/UFaceShape.h"
#include <algorithm>
#include <optional>
#include <vector>

namespace velmo {
namespace {

int Clamp32(int64_t value)
{
    return int(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// The older numbering of face kinds, applied to whatever holds a shape and a purpose.
template <class T> void ApplyFaceType(T& target, int faceType)
{
    TFaceInfo info;
    info.FaceShape = target.FaceShape();
    info.FacePurpose = target.FacePurpose();
    info.SetFaceType(faceType);
    target.SetFaceShape(info.FaceShape);
    target.SetFacePurpose(info.FacePurpose);
}

// "CutCenter" 0 stands for the standard hole.
int CutCenterFromStream(int value)
{
    return value == 0 ? kDefaultCutCenter : value;
}

} // namespace

QString FaceOutsidePaperMessage()
{
    return QStringLiteral("ラベルが用紙からはみ出しています");
}

QString OverlappingFaceQuestion()
{
    return QStringLiteral("ラベルが重なっています。よろしいですか？");
}

// ---------------------------------------------------------------------------------
// TPaperInfo

const TPropertyTable& TPaperInfo::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Bool("Landscape", &TPaperInfo::Landscape, &TPaperInfo::SetLandscape)
            .Int("Width", &TPaperInfo::Width, &TPaperInfo::SetWidth)
            .Int("Height", &TPaperInfo::Height, &TPaperInfo::SetHeight)
            .String("PaperName", &TPaperInfo::FPaperName, &TPaperInfo::FPaperName)
            .String("GroupName", &TPaperInfo::FGroupName, &TPaperInfo::FGroupName)
            .Bool("ReadOnly", &TPaperInfo::FReadOnly, &TPaperInfo::FReadOnly)
            .Object("PurposeList", &TPaperInfo::PurposeList)
            .StoredIf(&TPaperInfo::StorePurposes);
    return table;
}

TPaperInfo::TPaperInfo(TComponent* owner) : TComponent(owner), FPurposeList(std::make_unique<TPurposeList>())
{
}

TPaperInfo::~TPaperInfo() = default;

void TPaperInfo::CheckFaceIndex(int index) const
{
    if (index < 0 || index >= GetFaceCount())
        throw EInternalError(QStringLiteral("face index out of range"));
}

TLogRect TPaperInfo::GetPrintRect(int index) const
{
    const TLogRect r = GetFaceRect(index);
    const int64_t m = GetFaceMargin(index);
    const TLogRect grown{Clamp32(r.Left - m), Clamp32(r.Top - m), Clamp32(r.Right + m),
                         Clamp32(r.Bottom + m)};
    return FLandscape ? RotateToSheet(grown) : grown;
}

TLogRect TPaperInfo::RotateToSheet(const TLogRect& rect) const
{
    const int64_t w = FPortraitWidth;
    return {rect.Top, Clamp32(w - rect.Right), rect.Bottom, Clamp32(w - rect.Left)};
}

TFaceInfo TPaperInfo::GetFaceInfo(int index) const
{
    TFaceInfo info;
    info.Rect = GetFaceRect(index);
    const QSize cutCenter = GetCutCenter(index);
    info.CutCenterWidth = cutCenter.width();
    info.CutCenterHeight = cutCenter.height();
    info.FaceShape = GetFaceShape(index);
    info.FacePurpose = GetFacePurpose(index);
    info.FaceMargin = GetFaceMargin(index);
    info.CenterShape = GetCenterShape(index);
    info.RoundSize = GetRoundSize(index);
    if (FLandscape) {
        info.Rect = RotateToSheet(info.Rect);
        std::swap(info.CutCenterWidth, info.CutCenterHeight);
    }
    return info;
}

void TPaperInfo::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TPaperInfo*>(&source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    if (other == this)
        return;
    FPortraitWidth = other->FPortraitWidth;
    FPortraitHeight = other->FPortraitHeight;
    FPaperName = other->FPaperName;
    FGroupName = other->FGroupName;
    FReadOnly = other->FReadOnly;
    FLandscape = other->FLandscape;
    FPurposeList->Assign(*other->FPurposeList);
}

std::unique_ptr<TPaperInfo> TPaperInfo::Clone(TComponent* owner) const
{
    std::unique_ptr<TPaperInfo> copy(NewInstance(owner));
    copy->Assign(*this);
    return copy;
}

void TPaperInfo::GetChildren(const TGetChildProc& proc, const TComponent* root) const
{
    inherited::GetChildren(proc, root);
    for (int i = 0; i < ComponentCount(); ++i)
        proc(Components(i));
}

// ---------------------------------------------------------------------------------
// Validation

int FindFaceOutsidePaper(const TPaperInfo& paper)
{
    const TLogRect sheet{0, 0, paper.Width(), paper.Height()};
    const int count = paper.GetFaceCount();
    // A sheet without a single label has nowhere to print: its first label is missing,
    // which is reported as that label not fitting the sheet.
    if (count <= 0)
        return 0;
    for (int i = 0; i < count; ++i) {
        const TLogRect r = paper.GetPrintRect(i);
        if (!(IntersectRect(r, sheet) == r))
            return i;
    }
    // The faces the paper could not hold certainly do not fit on it.
    if (paper.HasExcessFaces() && count > 0)
        return count - 1;
    return -1;
}

int FindOverlappingFace(const TPaperInfo& paper)
{
    // Comparing each face with every earlier one gives the answer of a growing union
    // of areas; bounding boxes rule most pairs out before any area is built, and the
    // areas are only built where the two boxes meet.
    const int count = paper.GetFaceCount();
    std::vector<TFaceInfo> faces;
    std::vector<QRect> boxes;
    faces.reserve(size_t(count));
    boxes.reserve(size_t(count));
    const auto areaIn = [](const TFaceInfo& face, const QRect& window) {
        if (face.FaceShape == fsRect)
            return QRegion(LimitedRect(face.GetOuterRect())) & window;
        return PathToRegion(face.OuterPath(), window);
    };
    for (int i = 0; i < count; ++i) {
        faces.push_back(paper.GetFaceInfo(i));
        boxes.push_back(LimitedRect(NormalizedRect(faces.back().GetOuterRect())));
        const TFaceInfo& face = faces.back();
        const QRect& box = boxes.back();
        if (box.isEmpty())
            continue;
        for (int j = 0; j < i; ++j) {
            const QRect window = box & boxes[size_t(j)];
            if (window.isEmpty())
                continue;
            const TFaceInfo& other = faces[size_t(j)];
            if (face.FaceShape == fsRect && other.FaceShape == fsRect)
                return i;
            if (areaIn(face, window).intersects(areaIn(other, window)))
                return i;
        }
    }
    return -1;
}

// ---------------------------------------------------------------------------------
// TFaceAttributes

template <class T> TPropertyTable& TFaceAttributes::AppendOutlineProperties(TPropertyTable& table)
{
    return table.Int<T>("RoundSize", &T::FRoundSize, &T::FRoundSize)
        .Default(kDefaultRoundSize)
        .template Enum<T>("CenterShape", &T::FCenterShape, &T::FCenterShape, VELMO_CENTER_SHAPE_IDENTS)
        .Default(csEllipse)
        .template Int<T>("CutCenterWidth", &T::FCutCenterWidth, &T::FCutCenterWidth)
        .Default(kDefaultCutCenter)
        .template StoredIf<T>(&T::CutCenterDiffers)
        .template Int<T>("CutCenterHeight", &T::FCutCenterHeight, &T::FCutCenterHeight)
        .Default(kDefaultCutCenter)
        .template StoredIf<T>(&T::CutCenterDiffers)
        .template Custom<T>("CutCenter", &T::HasCutCenter, &T::WriteCutCenter, &T::ReadCutCenter)
        .template ReadOnlyCustom<T>("FaceType", &T::ReadFaceType);
}

bool TFaceAttributes::HasCutCenter() const
{
    return FCutCenterWidth == FCutCenterHeight && FCutCenterWidth != kDefaultCutCenter;
}

void TFaceAttributes::WriteCutCenter(TWriter& writer) const
{
    writer.WriteInteger(FCutCenterWidth);
}

void TFaceAttributes::ReadCutCenter(TReader& reader)
{
    const int value = CutCenterFromStream(reader.ReadInteger());
    FCutCenterWidth = value;
    FCutCenterHeight = value;
}

void TFaceAttributes::ReadFaceType(TReader& reader)
{
    ApplyFaceType(*this, reader.ReadInteger());
}

// ---------------------------------------------------------------------------------
// TMatrixPaperInfo

const TPropertyTable& TMatrixPaperInfo::Properties()
{
    using T = TMatrixPaperInfo;
    static const TPropertyTable table = AppendOutlineProperties<T>(
        TPropertyTable::Extending(inherited::Properties())
            .Int("TopOffset", &T::FTopOffset, &T::FTopOffset)
            .Int("LeftOffset", &T::FLeftOffset, &T::FLeftOffset)
            .Int("BottomMargin", &T::FBottomMargin, &T::FBottomMargin)
            .Int("RightMargin", &T::FRightMargin, &T::FRightMargin)
            .Int("FaceWidth", &T::FFaceWidth, &T::FFaceWidth)
            .Int("FaceHeight", &T::FFaceHeight, &T::FFaceHeight)
            .Int("FaceCountX", &T::FFaceCountX, &T::FFaceCountX)
            .Int("FaceCountY", &T::FFaceCountY, &T::FFaceCountY)
            .Enum<T>("FaceShape", &T::FFaceShape, &T::FFaceShape, VELMO_FACE_SHAPE_IDENTS)
            .String<T>("FacePurpose", &T::FFacePurpose, &T::FFacePurpose)
            .Int<T>("FaceMargin", &T::FFaceMargin, &T::FFaceMargin));
    return table;
}

TMatrixPaperInfo::TMatrixPaperInfo(TComponent* owner) : TPaperInfo(owner) {}

int64_t TMatrixPaperInfo::DeclaredFaceCount() const
{
    if (FFaceCountX <= 0 || FFaceCountY <= 0)
        return 0;
    return int64_t(FFaceCountX) * FFaceCountY;
}

int TMatrixPaperInfo::GetFaceCount() const
{
    return int(std::min<int64_t>(DeclaredFaceCount(), kMaxFaceCount));
}

TFaceShape TMatrixPaperInfo::GetFaceShape(int index) const
{
    CheckFaceIndex(index);
    return ValidFaceShape(FFaceShape);
}

QString TMatrixPaperInfo::GetFacePurpose(int index) const
{
    CheckFaceIndex(index);
    return FFacePurpose;
}

TLogRect TMatrixPaperInfo::GetFaceRect(int index) const
{
    CheckFaceIndex(index);
    const int64_t column = index % FFaceCountX;
    const int64_t row = index / FFaceCountX;
    const int64_t left = column * (int64_t(FFaceWidth) + FRightMargin) + FLeftOffset;
    const int64_t top = row * (int64_t(FFaceHeight) + FBottomMargin) + FTopOffset;
    return {Clamp32(left), Clamp32(top), Clamp32(left + FFaceWidth), Clamp32(top + FFaceHeight)};
}

int TMatrixPaperInfo::GetFaceMargin(int index) const
{
    CheckFaceIndex(index);
    return FFaceMargin;
}

QSize TMatrixPaperInfo::GetCutCenter(int index) const
{
    CheckFaceIndex(index);
    return QSize(FCutCenterWidth, FCutCenterHeight);
}

int TMatrixPaperInfo::GetRoundSize(int index) const
{
    CheckFaceIndex(index);
    return FRoundSize;
}

TCenterShape TMatrixPaperInfo::GetCenterShape(int index) const
{
    CheckFaceIndex(index);
    return FCenterShape == csBarrel ? csBarrel : csEllipse;
}

void TMatrixPaperInfo::Assign(const TPersistent& source)
{
    inherited::Assign(source);
    const auto* other = dynamic_cast<const TMatrixPaperInfo*>(&source);
    if (!other || other == this)
        return;
    FLeftOffset = other->FLeftOffset;
    FTopOffset = other->FTopOffset;
    FRightMargin = other->FRightMargin;
    FBottomMargin = other->FBottomMargin;
    FFaceWidth = other->FFaceWidth;
    FFaceHeight = other->FFaceHeight;
    FFaceCountX = other->FFaceCountX;
    FFaceCountY = other->FFaceCountY;
    AssignFaceAttributes(*other);
}

// ---------------------------------------------------------------------------------
// TFaceItem

const TPropertyTable& TFaceItem::Properties()
{
    using T = TFaceItem;
    static const TPropertyTable table = AppendOutlineProperties<T>(
        TPropertyTable::Extending(inherited::Properties())
            .Int("Left", &T::Left, &T::SetLeft)
            .Int("Top", &T::Top, &T::SetTop)
            .Int("Width", &T::Width, &T::SetWidth)
            .Int("Height", &T::Height, &T::SetHeight)
            .Int<T>("FaceMargin", &T::FFaceMargin, &T::FFaceMargin)
            .Enum<T>("FaceShape", &T::FFaceShape, &T::FFaceShape, VELMO_FACE_SHAPE_IDENTS)
            .String<T>("FacePurpose", &T::FFacePurpose, &T::FFacePurpose));
    return table;
}

void TFaceItem::SetLeft(int value)
{
    FRect.Right = Wrap32(int64_t(FRect.Right) - FRect.Left + value);
    FRect.Left = value;
}

void TFaceItem::SetTop(int value)
{
    FRect.Bottom = Wrap32(int64_t(FRect.Bottom) - FRect.Top + value);
    FRect.Top = value;
}

void TFaceItem::SetWidth(int value)
{
    FRect.Right = Wrap32(int64_t(FRect.Left) + value);
}

void TFaceItem::SetHeight(int value)
{
    FRect.Bottom = Wrap32(int64_t(FRect.Top) + value);
}

void TFaceItem::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TFaceItem*>(&source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    FRect = other->FRect;
    AssignFaceAttributes(*other);
}

// ---------------------------------------------------------------------------------
// TFaces

const TPropertyTable& TFaces::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

TFaces::TFaces() : TCollection(ItemFactory<TFaceItem>()) {}

void TFaces::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TFaces*>(&source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    if (other == this)
        return;
    Clear();
    for (int i = 0; i < other->Count(); ++i)
        Add()->Assign(*other->Items(i));
}

// ---------------------------------------------------------------------------------
// TFreePaperInfo

const TPropertyTable& TFreePaperInfo::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties()).Object("Faces", &TFreePaperInfo::Faces);
    return table;
}

TFreePaperInfo::TFreePaperInfo(TComponent* owner) : TPaperInfo(owner), FFaces(std::make_unique<TFaces>()) {}

const TFaceItem& TFreePaperInfo::Item(int index) const
{
    CheckFaceIndex(index);
    return *FFaces->Items(index);
}

int TFreePaperInfo::GetFaceCount() const
{
    return std::min(FFaces->Count(), kMaxFaceCount);
}

TFaceShape TFreePaperInfo::GetFaceShape(int index) const
{
    return ValidFaceShape(Item(index).FaceShape());
}

QString TFreePaperInfo::GetFacePurpose(int index) const
{
    return Item(index).FacePurpose();
}

TLogRect TFreePaperInfo::GetFaceRect(int index) const
{
    return Item(index).Rect();
}

int TFreePaperInfo::GetFaceMargin(int index) const
{
    return Item(index).FaceMargin();
}

QSize TFreePaperInfo::GetCutCenter(int index) const
{
    const TFaceItem& item = Item(index);
    return QSize(item.CutCenterWidth(), item.CutCenterHeight());
}

int TFreePaperInfo::GetRoundSize(int index) const
{
    return Item(index).RoundSize();
}

TCenterShape TFreePaperInfo::GetCenterShape(int index) const
{
    return Item(index).CenterShape() == csBarrel ? csBarrel : csEllipse;
}

void TFreePaperInfo::Assign(const TPersistent& source)
{
    inherited::Assign(source);
    const auto* other = dynamic_cast<const TFreePaperInfo*>(&source);
    if (other && other != this)
        FFaces->Assign(*other->FFaces);
}

void SetFaceItemFromInfo(TFaceItem& item, const TFaceInfo& info)
{
    item.SetFaceMargin(info.FaceMargin);
    item.SetLeft(info.Rect.Left);
    item.SetTop(info.Rect.Top);
    item.SetWidth(info.Rect.Width());
    item.SetHeight(info.Rect.Height());
    item.SetFaceShape(info.FaceShape);
    item.SetFacePurpose(info.FacePurpose);
    item.SetCenterShape(info.CenterShape);
    item.SetCutCenterWidth(info.CutCenterWidth);
    item.SetCutCenterHeight(info.CutCenterHeight);
    item.SetRoundSize(info.RoundSize);
}

void RegisterPaperClasses()
{
    RegisterClasses<TMatrixPaperInfo, TFreePaperInfo, TPLStreamer>();
}

} // namespace velmo
