#include "draw/UDrawObject.h"
#include "base/UNumbers.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "draw/UScaler.h"
#include "persist/UComponentStream.h"
#include <QPainter>
#include <algorithm>
#include <array>

namespace velmo {

namespace {

TPaintErrorDisplay& ErrorDisplay()
{
    static TPaintErrorDisplay display;
    return display;
}

// alpha * d / 255 truncated toward zero, for alpha 0..255 and d -255..255; built once.
const std::array<std::array<int16_t, 511>, 256>& BlendTable()
{
    static const auto table = [] {
        std::array<std::array<int16_t, 511>, 256> t{};
        for (int a = 0; a < 256; ++a)
            for (int d = -255; d <= 255; ++d)
                t[size_t(a)][size_t(d + 255)] = int16_t(a * d / 255);
        return t;
    }();
    return table;
}

bool BlendableFormat(QImage::Format f)
{
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
           f == QImage::Format_ARGB32_Premultiplied || f == QImage::Format_RGB888;
}

} // namespace

void SetPaintErrorDisplay(TPaintErrorDisplay display)
{
    ErrorDisplay() = std::move(display);
}

void ReportPaintError(TDrawObject* object, const std::exception& error)
{
    if (ErrorDisplay())
        ErrorDisplay()(object, error);
}

// ---------------------------------------------------------------------------------

TDrawObject::TDrawObject(TComponent* owner)
    : TComponent(owner), FNotify(std::make_unique<TChangeNotify>(this)),
      FListener(std::make_unique<TListener>()), FAppendix(std::make_unique<TStrings>())
{
    FNotify->OnChange = [this] { ObjectModified(); };
    FAppendix->OnChange = [this] { ObjectModified(); };
    FListener->SetCallback([this](TComponent* sender, const TGUID& kind) { ListenerCallback(sender, kind); });
}

TDrawObject::~TDrawObject()
{
    SetComponentState(csDestroying, true);
    if (FSite)
        FSite->RemoveObject(this);
    FSite = nullptr;
    FListener.reset();
    // The notifier tells its listeners nkDestroying and lets go of them.
    FNotify.reset();
}

const TPropertyTable& TDrawObject::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("Left", &TDrawObject::PropLeft, &TDrawObject::SetPropLeft)
            .StoredIf(false)
            .Int("Top", &TDrawObject::PropTop, &TDrawObject::SetPropTop)
            .StoredIf(false)
            .Int("Width", &TDrawObject::PropWidth, &TDrawObject::SetPropWidth)
            .StoredIf(false)
            .Int("Height", &TDrawObject::PropHeight, &TDrawObject::SetPropHeight)
            .StoredIf(false)
            .Int("Cursor", &TDrawObject::Cursor, &TDrawObject::SetCursor)
            .Default(0)
            .Idents(CursorIdents())
            .String("Hint", &TDrawObject::Hint, &TDrawObject::SetHint)
            .Bool("Border", &TDrawObject::Border, &TDrawObject::SetBorder)
            .Bool("Movable", &TDrawObject::Movable, &TDrawObject::SetMovable)
            .Default(1)
            .Bool("Selectable", &TDrawObject::Selectable, &TDrawObject::SetSelectable)
            .Default(1)
            .Int("LayerGroup", &TDrawObject::LayerGroup, &TDrawObject::SetLayerGroup)
            // Events are bound by code, never by a stream: read and ignored.
            .Event<TDrawObject>(
                "OnModify", [](const TDrawObject&) { return QString(); }, [](TDrawObject&, const QString&) {})
            .Object("Appendix", &TDrawObject::Appendix, &TDrawObject::SetAppendix);
    return table;
}

void* TDrawObject::QueryInterface(const TGUID& iid)
{
    if (iid == IChangeBroadcaster::IID)
        return static_cast<IChangeBroadcaster*>(FNotify.get());
    return nullptr;
}

void TDrawObject::SetBoundsRect(const TLogRect& device)
{
    if (device == FBounds)
        return;
    Invalidate();
    FBounds = device;
    Invalidate();
}

void TDrawObject::SetBorder(bool value)
{
    if (value == FBorder)
        return;
    FBorder = value;
    Changed();
    Invalidate();
}

void TDrawObject::SetSelected(bool value)
{
    if (!value || FSelectable) {
        if (FSelected != value) {
            FSelected = value;
            Invalidate();
        }
    }
    // Told even when nothing changed: listeners rebuild their view of the selection.
    FNotify->Notify(this, nkSelection);
}

void TDrawObject::SetMovable(bool value)
{
    if (value == FMovable)
        return;
    FMovable = value;
    FNotify->Notify(this, nkMovable);
}

void TDrawObject::SetSelectable(bool value)
{
    FSelectable = value;
    if (!value && FSelected)
        SetSelected(false);
}

void TDrawObject::SetLayerGroup(int value)
{
    if (value == FLayerGroup)
        return;
    FLayerGroup = value;
    Changed();
}

void TDrawObject::SetAppendix(TStrings* value)
{
    if (!value) {
        if (FAppendix->Count() > 0)
            FAppendix->Clear();
        return;
    }
    if (value == FAppendix.get() || value->Lines() == FAppendix->Lines())
        return;
    FAppendix->Assign(*value);
}

void TDrawObject::SetVisible(bool value)
{
    if (value == FVisible)
        return;
    FVisible = value;
    if (FSite)
        FSite->InvalidateDevice(FBounds);
}

void TDrawObject::SetSite(TDrawSite* site)
{
    if (site == FSite)
        return;
    if (FSite)
        FSite->RemoveObject(this);
    FSite = site;
    if (FSite)
        FSite->InsertObject(this);
    SiteChanged();
}

TComponent* TDrawObject::GetParentComponent() const
{
    return FSite;
}

void TDrawObject::SetParentComponent(TComponent* parent)
{
    SetSite(dynamic_cast<TDrawSite*>(parent));
}

void TDrawObject::UpdateBounds()
{
    if (FSite)
        FSite->UpdateBounds(this);
}

void TDrawObject::Invalidate()
{
    if (FSite && FVisible)
        FSite->InvalidateDevice(FBounds);
}

void TDrawObject::BringToFrontInLayer()
{
    if (!FSite)
        return;
    const int i = FSite->IndexOfObject(this);
    if (i < 0)
        return;
    int target = i;
    for (int j = 0; j < FSite->ObjectCount(); ++j) {
        if (FLayerGroup < FSite->Objects(j)->LayerGroup()) {
            target = i < j ? j - 1 : j;
            break;
        }
        target = j;
    }
    if (target != i) {
        FSite->MoveObject(i, target);
        Changed();
    }
}

void TDrawObject::SendToBackInLayer()
{
    if (!FSite)
        return;
    const int i = FSite->IndexOfObject(this);
    if (i < 0)
        return;
    int target = 0;
    for (int j = FSite->ObjectCount() - 1; j >= 0; --j) {
        if (FSite->Objects(j)->LayerGroup() < FLayerGroup) {
            target = i < j ? j : j + 1;
            break;
        }
    }
    if (target != i) {
        FSite->MoveObject(i, target);
        Changed();
    }
}

void TDrawObject::Paint(QPainter&) {}

bool TDrawObject::NeedsBlend()
{
    const IDOBlend* blend = Supports<IDOBlend>(this);
    return blend && (blend->GetBlendRatio() != 100 || blend->GetBlendShade());
}

void TDrawObject::PaintBlended(QPainter& painter)
{
    if (NeedsBlend()) {
        const IDOBlend* blend = Supports<IDOBlend>(this);
        const int ratio = blend ? blend->GetBlendRatio() : 100;
        if (Blend(painter, ratio))
            return;
    }
    Paint(painter);
}

void TDrawObject::PaintMask(QPainter& maskPainter)
{
    const QImage* mask = PaintedImage(maskPainter);
    maskPainter.resetTransform();
    maskPainter.fillRect(QRect(QPoint(0, 0), mask ? mask->size() : QSize(1 << 20, 1 << 20)), Qt::white);
    maskPainter.setBrush(Qt::black);
}

void TDrawObject::MakeImage(QPainter& imagePainter)
{
    // The image starts as the destination's pixels, so whatever the object leaves
    // unpainted keeps its background.
    Paint(imagePainter);
}

bool TDrawObject::Blend(QPainter& painter, int ratio)
{
    QImage* dest = PaintedImage(painter);
    if (!dest || !BlendableFormat(dest->format()))
        return false;
    const QTransform toDevice = painter.combinedTransform();
    bool invertible = false;
    const QTransform toLogical = toDevice.inverted(&invertible);
    if (!invertible)
        return false;
    const QRectF clipBox =
        painter.hasClipping() ? painter.clipBoundingRect() : toLogical.mapRect(QRectF(dest->rect()));
    const QRectF area = QRectF(ToQRect(GetEncloseRect())) & clipBox.adjusted(-5, -5, 5, 5);
    if (area.isEmpty())
        return true;
    const QRect device = toDevice.mapRect(area).toAlignedRect() & dest->rect();
    if (device.isEmpty())
        return true;
    const QTransform shifted = toDevice * QTransform::fromTranslate(-device.x(), -device.y());
    const int dpi = DeviceDPI(dest);

    QImage mask(device.size(), QImage::Format_Grayscale8);
    SetImageDPI(mask, dpi);
    mask.fill(0);
    {
        QPainter maskPainter(&mask);
        maskPainter.setTransform(shifted);
        PaintMask(maskPainter);
    }
    QImage source = dest->copy(device);
    SetImageDPI(source, dpi);
    {
        QPainter imagePainter(&source);
        imagePainter.setTransform(shifted);
        imagePainter.setClipRect(area);
        MakeImage(imagePainter);
    }
    if (source.format() != dest->format() || source.size() != device.size())
        return true; // nothing happens when the formats do not fit

    const int r = std::clamp(ratio, 0, 100);
    std::array<int, 256> alphaOf{};
    for (int m = 0; m < 256; ++m)
        alphaOf[size_t(m)] = std::min(255, MulDiv(m, r, 100));
    const auto& table = BlendTable();
    const int bytesPerPixel = dest->format() == QImage::Format_RGB888 ? 3 : 4;
    const int channels = 3;
    for (int y = 0; y < device.height(); ++y) {
        const uchar* m = mask.constScanLine(y);
        const uchar* s = source.constScanLine(y);
        uchar* d = dest->scanLine(device.y() + y) + size_t(device.x()) * size_t(bytesPerPixel);
        for (int x = 0; x < device.width(); ++x) {
            const int alpha = alphaOf[m[x]];
            if (alpha != 0) {
                const auto& row = table[size_t(alpha)];
                for (int c = 0; c < channels; ++c) {
                    const int k = x * bytesPerPixel + c;
                    d[k] = uchar(d[k] + row[size_t(int(s[k]) - int(d[k]) + 255)]);
                }
            }
        }
    }
    return true;
}

void TDrawObject::Notified(TComponent*, const TGUID&) {}

bool TDrawObject::HitTest(QPoint)
{
    throw EAbstractError(QStringLiteral("Abstract Error"));
}

TLogRect TDrawObject::GetEncloseRect() const
{
    throw EAbstractError(QStringLiteral("Abstract Error"));
}

void TDrawObject::ShowPivots()
{
    throw EAbstractError(QStringLiteral("Abstract Error"));
}

void TDrawObject::BeginDrag(int)
{
    throw EAbstractError(QStringLiteral("Abstract Error"));
}

void TDrawObject::Changed()
{
    FNotify->Changed();
}

void TDrawObject::ObjectModified()
{
    if (FSite)
        FSite->SetModified(true);
    if (OnModify)
        OnModify(this);
}

void TDrawObject::DrawTo(QPainter& painter)
{
    const TLogRect enclose = GetEncloseRect();
    QRectF clip;
    if (painter.hasClipping()) {
        clip = painter.clipBoundingRect();
    } else if (const QPaintDevice* device = painter.device()) {
        clip =
            painter.combinedTransform().inverted().mapRect(QRectF(0, 0, device->width(), device->height()));
    }
    // Touching counts: a line's enclosing rectangle may have no area.
    if (enclose.Left > clip.right() || enclose.Right < clip.left() || enclose.Top > clip.bottom() ||
        enclose.Bottom < clip.top())
        return;
    TCanvasSaver saver(painter);
    struct TargetGuard
    {
        TDrawObject* Object;
        ~TargetGuard() { Object->FTargetCanvas = nullptr; }
    } guard{this};
    FTargetCanvas = &painter;
    painter.setClipRect(QRectF(ToQRect(enclose)), Qt::IntersectClip);
    PaintBlended(painter);
}

void TDrawObject::PaintOnSite(QPainter& painter, int deviceDpi)
{
    if (FPaintFailed) {
        TCanvasSaver saver(painter);
        painter.setRenderHint(QPainter::Antialiasing, false);
        const QRect box = ToQRect(FBounds);
        painter.setPen(QPen(Qt::red, 1));
        painter.setBrush(QBrush(Qt::red, Qt::DiagCrossPattern));
        painter.drawRect(box.adjusted(0, 0, -1, -1));
        QFont font(QStringLiteral("System"));
        font.setPointSize(12);
        painter.setFont(font);
        painter.drawText(QRect(box.topLeft() + QPoint(1, 1), box.size()), Qt::AlignLeft | Qt::AlignTop,
                         QStringLiteral("描画に失敗しました"));
        return;
    }
    FPaintFailed = true;
    try {
        if (FBorder)
            FrameDeviceRect(painter, FBounds, Qt::blue);
        {
            TCanvasSaver saver(painter);
            if (FSite)
                FSite->Scaler()->ApplyMapping(painter, deviceDpi);
            PaintBlended(painter);
        }
        FPaintFailed = false;
    } catch (const std::exception& error) {
        // The mark stays: from now on the failure box is shown and the error is
        // not reported again.
        Invalidate();
        ReportPaintError(this, error);
    }
}

void TDrawObject::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TDrawObject*>(&source)) {
        TUpdateBracket bracket(*FNotify);
        AssignDrawObject(*other);
        return;
    }
    inherited::Assign(source);
}

void TDrawObject::AssignDrawObject(const TDrawObject& source)
{
    SetBorder(source.Border());
    SetSelected(source.Selected());
    SetAppendix(source.Appendix());
}

// ---------------------------------------------------------------------------------
// TDOList

void TDOList::Insert(int index, TDrawObject* object)
{
    index = std::clamp(index, 0, Count());
    FItems.insert(FItems.begin() + index, object);
}

int TDOList::IndexOf(const TDrawObject* object) const
{
    const auto it = std::find(FItems.begin(), FItems.end(), object);
    return it == FItems.end() ? -1 : int(it - FItems.begin());
}

void TDOList::Remove(const TDrawObject* object)
{
    const int i = IndexOf(object);
    if (i >= 0)
        Delete(i);
}

void TDOList::Delete(int index)
{
    if (index >= 0 && index < Count())
        FItems.erase(FItems.begin() + index);
}

void TDOList::Reverse()
{
    std::reverse(FItems.begin(), FItems.end());
}

void TDOList::FreeObjects()
{
    const std::vector<TDrawObject*> items = std::move(FItems);
    FItems.clear();
    for (TDrawObject* object : items)
        delete object;
}

void TDOList::SaveToStream(TStream& stream) const
{
    stream.WriteUInt32(uint32_t(FItems.size()));
    for (const TDrawObject* object : FItems)
        WriteComponent(stream, *object);
}

void TDOList::LoadFromStream(TStream& stream)
{
    Clear();
    const uint32_t count = stream.ReadUInt32();
    // The smallest component stream ("TPF0", class name, empty name, two list ends)
    // takes 9 bytes: a count the data cannot hold is refused before anything is made.
    constexpr int64_t kMinComponentSize = 9;
    if (int64_t(count) > stream.Remaining() / kMinComponentSize)
        throw EReadError(ReadErrorMessage());
    std::vector<std::unique_ptr<TComponent>> read;
    read.reserve(count);
    for (uint32_t i = 0; i < count; ++i)
        read.push_back(ReadComponent(stream));
    for (std::unique_ptr<TComponent>& component : read) {
        if (auto* object = dynamic_cast<TDrawObject*>(component.get())) {
            component.release();
            FItems.push_back(object);
        }
    }
}

// ---------------------------------------------------------------------------------
// Placement helpers

QPoint RectCenter(const TLogRect& r)
{
    // Summed in 64 bits: a rectangle near either end of the int range has a centre.
    return {int((int64_t(r.Left) + r.Right) / 2), int((int64_t(r.Top) + r.Bottom) / 2)};
}

void KeepInside(const TDOList& list, const TLogRect& rect)
{
    for (TDrawObject* object : list.Objects()) {
        IDOEncloseBounds* bounds = Supports<IDOEncloseBounds>(object);
        if (!bounds)
            continue;
        const QPoint c = RectCenter(bounds->GetEncloseBounds());
        int dx = 0, dy = 0;
        if (c.x() < rect.Left + 10)
            dx = rect.Left - c.x() + 10;
        else if (c.x() > rect.Right - 10)
            dx = -(c.x() - rect.Right + 10);
        if (c.y() < rect.Top + 10)
            dy = rect.Top - c.y() + 10;
        else if (c.y() > rect.Bottom - 10)
            dy = -(c.y() - rect.Bottom + 10);
        if (dx != 0 || dy != 0)
            bounds->MoveBy(dx, dy);
    }
}

void ScaleObjects(const TDOList& list, const TLogRect& from, const TLogRect& to)
{
    if (from == to)
        return;
    // A rectangle without width or height has no scale; that axis is only moved.
    const auto mapX = [&](int v) { return from.Width() != 0 ? MulDiv(v, to.Width(), from.Width()) : v; };
    const auto mapY = [&](int v) { return from.Height() != 0 ? MulDiv(v, to.Height(), from.Height()) : v; };
    for (TDrawObject* object : list.Objects()) {
        IDOEncloseBounds* bounds = Supports<IDOEncloseBounds>(object);
        if (!bounds)
            continue;
        const TLogRect e = bounds->GetEncloseBounds();
        const int x = from.Left + mapX(e.Left - from.Left) + (to.Left - from.Left);
        const int y = from.Top + mapY(e.Top - from.Top) + (to.Top - from.Top);
        bounds->MoveBy(x - e.Left, y - e.Top);
        bounds->SetEncloseSize(mapX(e.Width()), mapY(e.Height()));
    }
}

QSize DefaultImageSize(QSize pixels)
{
    return {std::max(30, MulDiv(pixels.width(), 254, 180)), std::max(30, MulDiv(pixels.height(), 254, 180))};
}

TLogRect FitAspect(const TLogRect& rect, int width, int height)
{
    if (rect.Width() <= 0 || rect.Height() <= 0)
        return {rect.Left, rect.Top, rect.Left + std::clamp(rect.Width(), 0, std::max(width, 0)),
                rect.Top + std::clamp(rect.Height(), 0, std::max(height, 0))};
    int w = MulDiv(rect.Width(), height, rect.Height());
    int h = height;
    if (w > width) {
        h = MulDiv(rect.Height(), width, rect.Width());
        w = width;
    }
    return {rect.Left, rect.Top, rect.Left + w, rect.Top + h};
}

TLogRect CoverAspect(const TLogRect& rect, int width, int height)
{
    if (rect.Width() <= 0 || rect.Height() <= 0)
        return {rect.Left, rect.Top, rect.Left + width, rect.Top + height};
    int w = MulDiv(height, rect.Width(), rect.Height());
    int h = height;
    if (w < width) {
        h = MulDiv(width, rect.Height(), rect.Width());
        w = width;
    }
    return {rect.Left, rect.Top, rect.Left + w, rect.Top + h};
}

namespace {
TLogRect CentreOn(const TLogRect& r, const TLogRect& box)
{
    const QPoint c = RectCenter(box);
    const QPoint rc = RectCenter(r);
    return OffsetRect(r, c.x() - rc.x(), c.y() - rc.y());
}
} // namespace

TLogRect FitAspectBox(const TLogRect& rect, const TLogRect& box)
{
    return CentreOn(FitAspect(rect, box.Width(), box.Height()), box);
}

void PlaceNewObject(TDrawObject* object, TDrawSite* site)
{
    IDOEncloseBounds* enclose = Supports<IDOEncloseBounds>(object);
    if (!object || !site || !enclose)
        return;
    const TLogRect e = enclose->GetEncloseBounds();
    const IDOBounds* bounds = Supports<IDOBounds>(object);
    if (bounds && bounds->KeepsAspect()) {
        if (e.Width() > site->LogWidth() || e.Height() > site->LogHeight()) {
            const TLogRect fitted = FitAspect(e, site->LogWidth(), site->LogHeight());
            enclose->SetEncloseSize(fitted.Width(), fitted.Height());
        }
    } else {
        const int w = std::min(e.Width(), site->LogWidth());
        const int h = std::min(e.Height(), site->LogHeight());
        if (w != e.Width() || h != e.Height())
            enclose->SetEncloseSize(w, h);
    }
    // Centre on the middle of the part of the site its parent shows.
    const QWidget* parent = site->parentWidget();
    const int pw = parent ? parent->width() : site->width();
    const int ph = parent ? parent->height() : site->height();
    const int left = parent ? site->x() : 0;
    const int top = parent ? site->y() : 0;
    const QPoint target = site->ToLogical(QPoint(pw / 2 - left, ph / 2 - top));
    const QPoint centre = RectCenter(enclose->GetEncloseBounds());
    if (target != centre)
        enclose->MoveBy(target.x() - centre.x(), target.y() - centre.y());
}

int MinimumExtent(const TDrawObject* object, int value)
{
    const TDrawSite* site = object ? object->Site() : nullptr;
    if (!site)
        return value;
    return std::max(value, site->ToLogical(QPoint(2, 0)).x());
}

THitBitmap::THitBitmap(const TDrawSite* site, QPoint logicalPoint, int extraWidth)
    : FImage(1, 1, QImage::Format_ARGB32_Premultiplied)
{
    FImage.fill(Qt::transparent);
    FPenWidth = extraWidth + (site ? std::max(1, site->ToLogical(QPoint(1, 0)).x()) : 3);
    FPen = QPen(Qt::black, FPenWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    FPainter = std::make_unique<QPainter>(&FImage);
    // One logical unit is one pixel here, and the point's unit cell is the pixel.
    FPainter->translate(-logicalPoint.x(), -logicalPoint.y());
    FPainter->setPen(FPen);
    FPainter->setBrush(Qt::NoBrush);
}

THitBitmap::~THitBitmap() = default;

QPainter& THitBitmap::Painter()
{
    return *FPainter;
}

bool THitBitmap::Hit()
{
    if (FPainter && FPainter->isActive())
        FPainter->end();
    return qAlpha(FImage.pixel(0, 0)) != 0;
}

TDrawObject* CloneDrawObject(const TDrawObject& object, TComponent* owner)
{
    std::unique_ptr<TDrawObject> copy(object.NewInstance(owner));
    copy->Assign(object);
    return copy.release();
}

} // namespace velmo
