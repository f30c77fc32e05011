#include "objects/ULOFace.h"
#include "base/UNumbers.h"
#include "draw/UCanvas.h"
#include "draw/UGhost.h"
#include "objects/UGhostDesigners.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace velmo {

TLOFace::TLOFace(TComponent* owner) : TLORectBase(owner) {}

const TPropertyTable& TLOFace::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

void TLOFace::SetFaceInfo(const TFaceInfo& info)
{
    if (!CanChangeGeometry())
        return;
    FFaceInfo = info;
    TLORectBase::SetBaseRect(info.GetOuterRect());
    Invalidate();
}

void TLOFace::SetBaseRect(const TLogRect& rect)
{
    if (!CanChangeGeometry())
        return;
    TLORectBase::SetBaseRect(rect);
    FFaceInfo.SetOuterRect(BaseRect());
}

void TLOFace::SetEncloseSize(int width, int height)
{
    const TLogRect& r = BaseRect();
    SetBaseRect({r.Left, r.Top, r.Left + width, r.Top + height});
}

void TLOFace::SetChosen(bool value)
{
    if (value == FChosen)
        return;
    FChosen = value;
    Invalidate();
    if (!FChosen || !FSingleChoice || !Site())
        return;
    TDrawSite* site = Site();
    for (int i = 0; i < site->ObjectCount(); ++i) {
        auto* other = dynamic_cast<TLOFace*>(site->Objects(i));
        if (other && other != this && other->Chosen())
            other->SetChosen(false);
    }
}

void TLOFace::SetSingleChoice(bool value)
{
    if (value == FSingleChoice)
        return;
    FSingleChoice = value;
    Invalidate();
}

void TLOFace::SetShowInfo(bool value)
{
    if (value == FShowInfo)
        return;
    FShowInfo = value;
    Invalidate();
}

void TLOFace::SetFaceColor(TColor value)
{
    if (value == FFaceColor)
        return;
    FFaceColor = value;
    Invalidate();
}

void TLOFace::SetDesignPicture(const TFacePicture& picture)
{
    if (picture.Image.cacheKey() == FDesign.Image.cacheKey() && picture.Size == FDesign.Size)
        return;
    FDesign = picture;
    Invalidate();
}

int TLOFace::InfoFontSize() const
{
    const int scale = Site() ? Site()->Scaler()->Scale() : 100;
    return scale > 0 ? 1200 / scale : 12;
}

void TLOFace::Paint(QPainter& painter)
{
    TCanvasSaver saver(painter);
    QColor colour = Qt::black;
    if (FEditable) {
        painter.setBrush(FChosen ? ToQColor(FFaceColor) : QColor(Qt::white));
        // One unit wide, but never thinner than a device pixel (as a mapped pen is).
        const QTransform t = painter.combinedTransform();
        const qreal unit = std::abs(t.map(QPointF(1, 0)).x() - t.map(QPointF(0, 0)).x());
        const QPen pen = unit < 1 ? DevicePixelPen(Qt::black) : QPen(Qt::black, 1);
        if (FDesign.IsNull()) {
            painter.setPen(pen);
            FFaceInfo.DrawOutline(painter, false, false);
        } else {
            // The fill, the design over it, and the outline over both.
            painter.setPen(Qt::NoPen);
            FFaceInfo.DrawOutline(painter, false, false);
            DrawFacePicture(painter, FFaceInfo, FDesign);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            FFaceInfo.DrawOutline(painter, false, false);
        }
    } else {
        DrawFacePicture(painter, FFaceInfo, FDesign);
        painter.setBrush(Qt::NoBrush);
        if (FChosen) {
            colour = Qt::blue;
            // Four device pixels wide, inside the outline: a stroke of twice the
            // width clipped to the printable shape.
            const QTransform inverse = painter.combinedTransform().inverted();
            const qreal width = std::abs(inverse.map(QPointF(4, 0)).x() - inverse.map(QPointF(0, 0)).x());
            painter.setClipPath(FFaceInfo.PrintablePath(), Qt::IntersectClip);
            painter.setPen(QPen(colour, 2 * width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        } else {
            painter.setPen(DevicePixelPen(colour));
        }
        FFaceInfo.DrawOutline(painter, false, false);
        painter.setClipping(false);
    }
    if (FFaceInfo.FaceMargin != 0) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(DevicePixelPen(colour, Qt::DotLine));
        FFaceInfo.DrawCutLine(painter, false);
    }
    if (FShowInfo) {
        QFont font = painter.font();
        font.setPixelSize(std::max(1, MulDiv(InfoFontSize(), 254, 72)));
        painter.setFont(font);
        painter.setPen(Qt::blue);
        const TLogRect& r = BaseRect();
        const QString text = QStringLiteral("%1 [%2]").arg(FaceIndex(this)).arg(FFaceInfo.FacePurpose);
        painter.drawText(QRectF(r.Left, r.Top, std::max(1, r.Width()), std::max(1, r.Height())),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
    }
}

void TLOFace::DrawGhost(QPainter& painter)
{
    TCanvasSaver saver(painter);
    FFaceInfo.DrawOutline(painter, false, false);
}

bool TLOFace::HitTest(QPoint logical)
{
    // The whole outer shape, the bleed and a centre hole included; cells are hit at
    // their centres.
    return FFaceInfo.OuterPath().contains(QPointF(logical.x() + 0.5, logical.y() + 0.5));
}

void TLOFace::ShowPivots()
{
    if (FEditable)
        ShowRectPivots(this);
}

void TLOFace::BeginDrag(int pivotIndex)
{
    TGhostList& ghosts = TGhostList::Instance();
    if (pivotIndex == -1)
        ghosts.Add(std::make_unique<TSimpleMoveGhost>(this));
    else if (FEditable && pivotIndex >= 0 && pivotIndex <= 7)
        ghosts.Add(std::make_unique<TRectGhost>(this, pivotIndex));
}

void TLOFace::BeforePress(Qt::MouseButton button, Qt::KeyboardModifiers)
{
    FPressing = false;
    if (button != Qt::LeftButton || !Enabled())
        return;
    FPressing = true;
    FChosenBeforePress = FChosen;
    SetChosen(FSingleChoice ? true : !FChosen);
}

void TLOFace::AfterPress(Qt::MouseButton)
{
    if (!FPressing)
        return;
    FPressing = false;
    if (FChosen != FChosenBeforePress && OnChoose)
        OnChoose(this);
}

void TLOFace::AssignDrawObject(const TDrawObject& source)
{
    TLORectBase::AssignDrawObject(source);
    if (const auto* other = dynamic_cast<const TLOFace*>(&source)) {
        SetFaceInfo(other->FFaceInfo);
        SetSingleChoice(other->FSingleChoice);
        FEditable = other->FEditable;
    }
}

// ---------------------------------------------------------------------------------

int SiteFaceCount(const TDrawSite* site)
{
    if (!site)
        return 0;
    int n = 0;
    for (int i = 0; i < site->ObjectCount(); ++i)
        if (dynamic_cast<TLOFace*>(site->Objects(i)))
            ++n;
    return n;
}

TLOFace* FaceAt(const TDrawSite* site, int index)
{
    if (!site || index < 0)
        return nullptr;
    for (int i = 0; i < site->ObjectCount(); ++i) {
        if (auto* face = dynamic_cast<TLOFace*>(site->Objects(i))) {
            if (index == 0)
                return face;
            --index;
        }
    }
    return nullptr;
}

int FaceIndex(const TLOFace* face)
{
    const TDrawSite* site = face ? face->Site() : nullptr;
    if (!site)
        return -1;
    int n = 0;
    for (int i = 0; i < site->ObjectCount(); ++i) {
        auto* other = dynamic_cast<TLOFace*>(site->Objects(i));
        if (!other)
            continue;
        if (other == face)
            return n;
        ++n;
    }
    return -1;
}

TLOFace* ChosenFace(const TDrawSite* site)
{
    if (!site)
        return nullptr;
    for (int i = 0; i < site->ObjectCount(); ++i)
        if (auto* face = dynamic_cast<TLOFace*>(site->Objects(i)); face && face->Chosen())
            return face;
    return nullptr;
}

void ChooseFace(TDrawSite* site, int index)
{
    if (TLOFace* face = FaceAt(site, index))
        face->SetChosen(true);
}

void AddPaperFaces(TDrawSite* site, const TPaperInfo& paper, bool singleChoice, bool editable)
{
    if (!site)
        return;
    for (int i = 0; i < paper.GetFaceCount(); ++i) {
        auto* face = new TLOFace(site);
        face->SetSingleChoice(singleChoice);
        face->SetEditable(editable);
        face->SetFaceInfo(paper.GetFaceInfo(i));
        site->AddObject(face);
    }
}

// ---------------------------------------------------------------------------------

TPaperSite::TPaperSite(TComponent* owner, QWidget* parent) : TDrawSite(owner, parent)
{
    Scaler()->SetUnitDPI(254);
}

TPaperSite::~TPaperSite()
{
    if (FPaper)
        FPaper->RemoveFreeNotification(this);
}

const TPropertyTable& TPaperSite::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Bool("MultiSelect", &TPaperSite::MultiSelect, &TPaperSite::SetMultiSelect)
            .Default(0)
            .Bool("DrawInfo", &TPaperSite::DrawInfo, &TPaperSite::SetDrawInfo)
            .Default(0)
            .Int("FaceColor", &TPaperSite::FaceColor, &TPaperSite::SetFaceColor)
            .Default(kFaceColor)
            .Idents(ColorIdents());
    return table;
}

void TPaperSite::SetMultiSelect(bool value)
{
    if (value == FMultiSelect)
        return;
    FMultiSelect = value;
    RebuildFaces();
}

void TPaperSite::SetDrawInfo(bool value)
{
    if (value == FDrawInfo)
        return;
    FDrawInfo = value;
    for (int i = 0; TLOFace* face = FaceAt(this, i); ++i)
        face->SetShowInfo(value);
}

void TPaperSite::SetFaceColor(TColor value)
{
    if (value == FFaceColor)
        return;
    FFaceColor = value;
    for (int i = 0; TLOFace* face = FaceAt(this, i); ++i)
        face->SetFaceColor(value);
}

void TPaperSite::Notification(TComponent* component, TOperation operation)
{
    TDrawSite::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FPaper) {
        FPaper = nullptr;
        RebuildFaces();
    }
}

void TPaperSite::SetPaper(TPaperInfo* paper)
{
    if (FPaper != paper) {
        if (FPaper)
            FPaper->RemoveFreeNotification(this);
        FPaper = paper;
        if (FPaper)
            FPaper->FreeNotification(this);
    }
    if (FPaper) {
        SetLogWidth(FPaper->Width());
        SetLogHeight(FPaper->Height());
        FitToParent();
    }
    RebuildFaces();
    update();
}

void TPaperSite::FitToParent()
{
    QWidget* parent = parentWidget();
    if (!FPaper || !parent)
        return;
    const QRect client = parent->contentsRect();
    if (client.width() <= 0 || client.height() <= 0)
        return;
    // The site is exactly the sheet at its scale, so the frame it draws round itself
    // is the sheet's edge. FitScale rounds to the nearest per cent, which may be a
    // little too large: step down until the whole sheet fits.
    int scale = std::max(1, FitScale(SiteDPI(), FromQRect(client), true, true));
    const auto sheetSize = [this](int percent) {
        TScaler scaler;
        scaler.Assign(*Scaler());
        scaler.SetScale(percent);
        return scaler.ToDevice(SiteDPI(), QPoint(LogWidth(), LogHeight()));
    };
    QPoint size = sheetSize(scale);
    while (scale > 1 && (size.x() > client.width() || size.y() > client.height()))
        size = sheetSize(--scale);
    const int oldScale = Scaler()->Scale();
    Scaler()->SetScale(scale);
    size.setX(std::min(std::max(1, size.x()), client.width()));
    size.setY(std::min(std::max(1, size.y()), client.height()));
    setGeometry(client.x() + (client.width() - size.x()) / 2, client.y() + (client.height() - size.y()) / 2,
                size.x(), size.y());
    if (scale != oldScale)
        ShowDesigns();
}

void TPaperSite::SetDesigns(const TImagePaperInfo* designs)
{
    FDesigns.SetDesigns(designs);
    ShowDesigns();
}

void TPaperSite::TakeDesigns(std::unique_ptr<TImagePaperInfo> designs)
{
    FDesigns.TakeDesigns(std::move(designs));
    ShowDesigns();
}

void TPaperSite::ShowDesigns()
{
    if (!FPaper)
        return;
    const int dpi = SitePaperDPI(*this);
    for (int i = 0; TLOFace* face = FaceAt(this, i); ++i)
        face->SetDesignPicture(FDesigns.Picture(*FPaper, i, dpi));
}

void TPaperSite::RebuildFaces()
{
    DeletePivots();
    DestroyComponents();
    if (!FPaper)
        return;
    AddPaperFaces(this, *FPaper, !FMultiSelect, true);
    for (int i = 0; TLOFace* face = FaceAt(this, i); ++i) {
        face->SetFaceColor(FFaceColor);
        face->OnChoose = [this](TLOFace*) { FFaceClicked = true; };
        face->SetShowInfo(FDrawInfo);
    }
    ShowDesigns();
}

int TPaperSite::ChosenIndex() const
{
    TLOFace* face = ChosenFace(this);
    return face ? FaceIndex(face) : -1;
}

bool TPaperSite::IsChosen(int index) const
{
    TLOFace* face = FaceAt(this, index);
    return face && face->Chosen();
}

void TPaperSite::Choose(int index)
{
    ChooseFace(this, index);
}

void TPaperSite::SetChosen(int index, bool value)
{
    if (TLOFace* face = FaceAt(this, index))
        face->SetChosen(value);
}

void TPaperSite::mousePressEvent(QMouseEvent* event)
{
    TDrawSite::mousePressEvent(event);
    // Faces are chosen here, never dragged.
    CancelMode();
}

void TPaperSite::mouseReleaseEvent(QMouseEvent* event)
{
    TDrawSite::mouseReleaseEvent(event);
    if (FFaceClicked && OnFaceClick)
        OnFaceClick(this);
    FFaceClicked = false;
}

} // namespace velmo
