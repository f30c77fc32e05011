#include "text/ULODecoString.h"
#include "base/UNumbers.h"
#include "draw/UCanvas.h"
#include "imaging/UGREffector.h"
#include "imaging/UImagePack.h"
#include "objects/ULDObjects.h"
#include "text/UTextUtil.h"
#include <QPainter>
#include <cmath>

namespace velmo {

namespace {

// The largest turned picture a string renders at one pixel per unit; a larger one
// is rendered smaller and stretched, so a huge rectangle never asks for gigabytes.
constexpr int64_t kMaxCachePixels = int64_t(4096) * 4096;

} // namespace

const TPropertyTable& TLODecoString::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .String("Text", &TLODecoString::Text, &TLODecoString::SetText)
            .StoredIf<TLODecoString>([](const TLODecoString& o) { return !o.Text().isEmpty(); })
            .Int("FontNo", &TLODecoString::FontNo, &TLODecoString::SetFontNo)
            .NoDefault()
            .Int("Align", &TLODecoString::Align, &TLODecoString::SetAlignValue)
            .Default(0)
            .Int("Angle", &TLODecoString::Angle, &TLODecoString::SetAngleValue)
            .NoDefault();
    return table;
}

TLODecoString::TLODecoString(TComponent* owner) : TLORectBase(owner), FFont(std::make_unique<TImageFont>())
{
    FFont->SetFontNo(1);
    FFont->OnChange = [this] { FontChanged(); };
}

TLODecoString::~TLODecoString()
{
    FFont->OnChange = nullptr;
}

void* TLODecoString::QueryInterface(const TGUID& iid)
{
    if (iid == IDORotate::IID)
        return static_cast<IDORotate*>(this);
    if (iid == IDOAlign::IID)
        return static_cast<IDOAlign*>(this);
    return TLORectBase::QueryInterface(iid);
}

void TLODecoString::Discard()
{
    FCache.reset();
}

void TLODecoString::FontChanged()
{
    Discard();
    if (InGhostAssignment())
        return;
    Changed();
    Invalidate();
}

void TLODecoString::SetText(const QString& value)
{
    if (value == FText)
        return;
    FText = value;
    Discard();
    Changed();
    Invalidate();
}

void TLODecoString::SetAlignValue(int value)
{
    if (value == FAlign)
        return;
    FAlign = value;
    Discard();
    Changed();
    Invalidate();
}

void TLODecoString::SetAngleValue(int value)
{
    if (value == FRotator.Angle())
        return;
    Invalidate();
    FRotator.SetAngle(Mod(Mod(value, 360) + 360, 360));
    Discard();
    Changed();
    Invalidate();
    UpdateBounds();
}

void TLODecoString::SetBaseRect(const TLogRect& rect)
{
    TLORectBase::SetBaseRect(rect);
    const TLogRect& r = BaseRect();
    {
        // The font follows the rectangle; that alone is no change of the object.
        auto saved = std::move(FFont->OnChange);
        FFont->SetHeight(r.Height());
        FFont->OnChange = std::move(saved);
    }
    FRotator.SetCenter(QPoint(Div(r.Left + r.Right, 2), Div(r.Top + r.Bottom, 2)));
    Discard();
    UpdateBounds();
}

void TLODecoString::FitToText()
{
    FFont->SetHeight(100);
    const QSize size = FFont->TextSize(FText);
    SetBaseRect({0, 0, size.width(), size.height()});
}

std::vector<int> TLODecoString::GlyphPositions(int width) const
{
    TABCArray widths;
    widths.reserve(size_t(FText.size()));
    for (QChar c : FText)
        widths.push_back(TABC{0, FFont->GlyphSize(c).width(), 0});
    TIntArray positions;
    int inkStart = 0, inkEnd = 0;
    PositionGlyphs(widths, width, 0, FAlign, positions, inkStart, inkEnd);
    return positions;
}

void TLODecoString::DrawString(QPainter& painter, const TLogRect& r) const
{
    if (FText.isEmpty() || r.IsEmpty())
        return;
    TImageFont font;
    font.Assign(*FFont);
    font.SetHeight(r.Height());
    TABCArray widths;
    for (QChar c : FText)
        widths.push_back(TABC{0, font.GlyphSize(c).width(), 0});
    TIntArray positions;
    int inkStart = 0, inkEnd = 0;
    PositionGlyphs(widths, r.Width(), 0, FAlign, positions, inkStart, inkEnd);
    for (int i = 0; i < FText.size(); ++i)
        font.DrawGlyph(painter, r.Left + positions[size_t(i)], FText[i], r.Top);
}

QPolygon TLODecoString::OutlinePolygon() const
{
    const TLogRect& r = BaseRect();
    TRotator rotator = FRotator;
    QPolygon polygon;
    for (QPoint p :
         {QPoint(r.Left, r.Top), QPoint(r.Right, r.Top), QPoint(r.Right, r.Bottom), QPoint(r.Left, r.Bottom)})
        polygon << rotator.Transformed(p);
    return polygon;
}

TLogRect TLODecoString::GetEncloseRect() const
{
    if (FRotator.Angle() == 0)
        return BaseRect();
    const QRect b = OutlinePolygon().boundingRect();
    return {b.left(), b.top(), b.left() + b.width() - 1, b.top() + b.height() - 1};
}

void TLODecoString::SetEncloseSize(int width, int height)
{
    TUpdateBracket bracket(Notifier());
    if (FRotator.Angle() != 0) {
        const TLogRect e = GetEncloseRect();
        if (e.Width() == 0 || e.Height() == 0)
            return;
        SetPropWidth(MulDiv(BaseRect().Width(), width, e.Width()));
        SetPropHeight(MulDiv(BaseRect().Height(), height, e.Height()));
    } else {
        SetPropWidth(width);
        SetPropHeight(height);
    }
}

bool TLODecoString::HitTest(QPoint logical)
{
    TRotator back(-FRotator.Angle(), FRotator.Center());
    const QPoint p = back.Transformed(logical);
    const TLogRect& r = BaseRect();
    return p.x() >= r.Left && p.x() < r.Right && p.y() >= r.Top && p.y() < r.Bottom;
}

void TLODecoString::DrawGhost(QPainter& painter)
{
    painter.drawPolygon(OutlinePolygon());
}

void TLODecoString::Paint(QPainter& painter)
{
    const TLogRect& r = BaseRect();
    if (r.IsEmpty() || FText.isEmpty())
        return;
    if (FRotator.Angle() == 0) {
        DrawString(painter, r);
        return;
    }
    if (!HasCachedPicture()) {
        // Rendered once at one pixel per unit (smaller for huge rectangles), turned,
        // and only stretched on later paints.
        int w = r.Width();
        int h = r.Height();
        const int64_t pixels = int64_t(w) * h;
        if (pixels > kMaxCachePixels) {
            const double scale = std::sqrt(double(kMaxCachePixels) / double(pixels));
            w = std::max(1, int(w * scale));
            h = std::max(1, int(h * scale));
        }
        TSafetyBitmap flat;
        flat.SetPixelFormat(TPixelFormat::pf24bit);
        flat.SetSize(w, h, kImageFontTransparent);
        QImage canvas = flat.Image().convertToFormat(QImage::Format_RGB32);
        {
            QPainter p(&canvas);
            DrawString(p, {0, 0, w, h});
        }
        flat.SetImage(canvas.convertToFormat(QImage::Format_BGR888), TPixelFormat::pf24bit);
        flat.SetTransparentColor(kImageFontTransparent);
        flat.SetTransparent(true);
        auto turned = std::make_unique<TSafetyBitmap>();
        RotateMaskedBitmap(flat, *turned, FRotator.Angle(), QSize(w, h));
        FCache = std::move(turned);
        ++FRenderCount;
    }
    if (!HasCachedPicture())
        return;
    const TLogRect e = GetEncloseRect();
    TCanvasSaver saver(painter);
    FCache->Draw(painter, QRect(e.Left, e.Top, e.Width(), e.Height()));
}

void TLODecoString::Loaded()
{
    TLORectBase::Loaded();
    // Finds the font data while the document is read, not at the first paint.
    const int index = FFont->ImageIndex(u'A');
    if (index >= 0)
        (void)ImageFontPack().GetImageRect(index);
}

void TLODecoString::AssignDrawObject(const TDrawObject& source)
{
    TLORectBase::AssignDrawObject(source);
    if (const auto* other = dynamic_cast<const TLODecoString*>(&source)) {
        SetText(other->FText);
        FFont->Assign(*other->FFont);
        SetAngleValue(other->Angle());
        SetAlignValue(other->FAlign);
    }
}

void RegisterDecoStringClasses()
{
    if (FindLabelClassByName(u"TLODecoString"))
        return;
    RegisterLabelClass<TLODecoString>();
}

} // namespace velmo
