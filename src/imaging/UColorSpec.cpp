#include "imaging/UColorSpec.h"
#include "draw/UCanvas.h"
#include "draw/UPainterState.h"
#include "imaging/UDIB.h"
#include "imaging/UImageData.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include "persist/UComponentStream.h"
#include "persist/UComponentText.h"

namespace velmo {

namespace {

Qt::BrushStyle ToQtBrushStyle(TBrushStyle style)
{
    switch (style) {
    case TBrushStyle::bsSolid:
        return Qt::SolidPattern;
    case TBrushStyle::bsClear:
        return Qt::NoBrush;
    case TBrushStyle::bsHorizontal:
        return Qt::HorPattern;
    case TBrushStyle::bsVertical:
        return Qt::VerPattern;
    case TBrushStyle::bsFDiagonal:
        return Qt::FDiagPattern;
    case TBrushStyle::bsBDiagonal:
        return Qt::BDiagPattern;
    case TBrushStyle::bsCross:
        return Qt::CrossPattern;
    case TBrushStyle::bsDiagCross:
        return Qt::DiagCrossPattern;
    }
    return Qt::SolidPattern;
}

// The eight simple directions and their angles, in the order of the direction list.
struct TDirAngle
{
    rgGradationDir Dir;
    int Angle;
};
constexpr TDirAngle kDirAngles[] = {
    {rgGradationDir::rgdLeftToRight, 270},
    {rgGradationDir::rgdRightToLeft, 90},
    {rgGradationDir::rgdTopToBottom, 0},
    {rgGradationDir::rgdBottomToTop, 180},
    {rgGradationDir::rgdLeftTopToRightBottom, 315},
    {rgGradationDir::rgdRightTopToLeftBottom, 45},
    {rgGradationDir::rgdRightBottomToLeftTop, 135},
    {rgGradationDir::rgdLeftBottomToRightTop, 225},
};

template <int I> TColor GetGradColor(const TColorSpec& spec)
{
    return spec.GradColor(I);
}
template <int I> void SetGradColorAt(TColorSpec& spec, int value)
{
    spec.SetGradColor(I, value);
}

} // namespace

const TPropertyTable& TColorSpec::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("Color", &TColorSpec::Color, &TColorSpec::SetColor)
            .Default(0)
            .Idents(ColorIdents())
            .Enum("Style", &TColorSpec::Style, &TColorSpec::SetStyle,
                  {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal",
                   "bsCross", "bsDiagCross"})
            .Default(0)
            .Bool("Tile", &TColorSpec::Tile, &TColorSpec::SetTile)
            .Default(0)
            .Enum("Kind", &TColorSpec::Kind, &TColorSpec::SetKind, {"cskSolid", "cskBitmap", "cskGradation"})
            .Default(0)
            .Bool("TileShift", &TColorSpec::TileShift, &TColorSpec::SetTileShift)
            .Default(0)
            .Object("ImageData", &TColorSpec::ImageData, &TColorSpec::SetImageData)
            .Int("GradAngle", &TColorSpec::GradAngle, &TColorSpec::SetGradAngle)
            .Default(270)
            .Enum("GradKind", &TColorSpec::GradKind, &TColorSpec::SetGradKind,
                  {"rgkSimple", "rgkBoxToRim", "rgkBoxToCenter", "rgkCircleToRim", "rgkCircleToCenter",
                   "rgkConeClockwise", "rgkConeCounterClockwise"})
            .Default(0)
            .Object("GradColors", &TColorSpec::GradColors, &TColorSpec::SetGradColors)
            // Views of the above: readable by name, never written.
            .Enum("GradDir", &TColorSpec::GradDir, &TColorSpec::SetGradDir,
                  {"rgdLeftToRight", "rgdRightToLeft", "rgdTopToBottom", "rgdBottomToTop",
                   "rgdLeftTopToRightBottom", "rgdRightTopToLeftBottom", "rgdRightBottomToLeftTop",
                   "rgdLeftBottomToRightTop", "rgdCenterToRim", "rgdRimToCenter"})
            .StoredIf(false)
            .Int("GradColNum", &TColorSpec::GradColNum, &TColorSpec::SetGradColNum)
            .StoredIf(false)
            .Int<TColorSpec>("GradColor0", &GetGradColor<0>, &SetGradColorAt<0>)
            .StoredIf(false)
            .Int<TColorSpec>("GradColor1", &GetGradColor<1>, &SetGradColorAt<1>)
            .StoredIf(false)
            .Int<TColorSpec>("GradColor2", &GetGradColor<2>, &SetGradColorAt<2>)
            .StoredIf(false)
            .Int<TColorSpec>("GradColor3", &GetGradColor<3>, &SetGradColorAt<3>)
            .StoredIf(false)
            .Int<TColorSpec>("GradColor4", &GetGradColor<4>, &SetGradColorAt<4>)
            .StoredIf(false)
            .Int<TColorSpec>("GradColor5", &GetGradColor<5>, &SetGradColorAt<5>)
            .StoredIf(false)
            .Int<TColorSpec>("GradColor6", &GetGradColor<6>, &SetGradColorAt<6>)
            .StoredIf(false)
            .Int<TColorSpec>("GradColor7", &GetGradColor<7>, &SetGradColorAt<7>)
            .StoredIf(false);
    return table;
}

TColorSpec::TColorSpec()
    : FNotify(std::make_unique<TChangeNotify>(nullptr)), FImageData(std::make_unique<TImageData>()),
      FGradColors(std::make_unique<TGradationColors>())
{
    // Changes inside the parts are changes of the whole.
    FImageListener = std::make_unique<TListener>([this](TComponent*, const TGUID& kind) {
        if (kind == nkChanged)
            Changed();
    });
    FImageListener->ListenTo(&FImageData->Notify());
    FGradColors->OnChange = [this] { Changed(); };
}

TColorSpec::~TColorSpec()
{
    FGradColors->OnChange = nullptr;
    FImageListener.reset();
}

TColorSpecKind TColorSpec::Kind() const
{
    if (FKind == TColorSpecKind::cskBitmap && FImageData->IsEmpty())
        return TColorSpecKind::cskSolid;
    return FKind;
}

void TColorSpec::SetKind(TColorSpecKind value)
{
    if (value == FKind)
        return;
    FKind = value;
    Changed();
}

void TColorSpec::SetColor(TColor value)
{
    if (value == FColor)
        return;
    FColor = value;
    Changed();
}

void TColorSpec::SetStyle(TBrushStyle value)
{
    if (value == FStyle)
        return;
    FStyle = value;
    Changed();
}

void TColorSpec::SetTile(bool value)
{
    if (value == FTile)
        return;
    FTile = value;
    Changed();
}

void TColorSpec::SetTileShift(bool value)
{
    if (value == FTileShift)
        return;
    FTileShift = value;
    Changed();
}

void TColorSpec::SetImageData(const TImageData* value)
{
    if (value)
        FImageData->Assign(*value);
    else
        FImageData->Clear();
}

void TColorSpec::SetGradKind(rgGradationKind value)
{
    if (value == FGradKind)
        return;
    FGradKind = value;
    Changed();
}

void TColorSpec::SetGradAngle(int value)
{
    if (value == FGradAngle)
        return;
    FGradAngle = value;
    Changed();
}

void TColorSpec::SetGradColors(const TGradationColors* value)
{
    if (value)
        FGradColors->Assign(*value);
    else
        FGradColors->Assign(TGradationColors());
}

rgGradationDir TColorSpec::GradDir() const
{
    switch (FGradKind) {
    case rgGradationKind::rgkBoxToRim:
        return rgGradationDir::rgdCenterToRim;
    case rgGradationKind::rgkBoxToCenter:
        return rgGradationDir::rgdRimToCenter;
    case rgGradationKind::rgkSimple:
        for (const TDirAngle& d : kDirAngles)
            if (d.Angle == FGradAngle)
                return d.Dir;
        return rgGradationDir::rgdLeftToRight;
    default:
        return rgGradationDir::rgdLeftToRight;
    }
}

void TColorSpec::SetGradDir(rgGradationDir value)
{
    TUpdateBracket bracket(*FNotify);
    if (value == rgGradationDir::rgdCenterToRim || value == rgGradationDir::rgdRimToCenter) {
        SetGradKind(value == rgGradationDir::rgdCenterToRim ? rgGradationKind::rgkBoxToRim
                                                            : rgGradationKind::rgkBoxToCenter);
        SetGradAngle(0);
        return;
    }
    SetGradKind(rgGradationKind::rgkSimple);
    for (const TDirAngle& d : kDirAngles)
        if (d.Dir == value)
            SetGradAngle(d.Angle);
}

void TColorSpec::SetGradColor(int index, TColor value)
{
    if (index >= 0 && index < FGradColors->Count())
        FGradColors->SetColor(index, value);
}

QImage TColorSpec::Bitmap() const
{
    const TGraphic* graphic = FImageData->Picture()->Graphic();
    if (!graphic || graphic->Empty())
        return {};
    return graphic->Image();
}

void TColorSpec::SetBitmap(const QImage& value)
{
    if (value.isNull())
        return;
    auto bitmap = std::make_unique<TAppBitmap>();
    bitmap->SetImage(value);
    FImageData->Picture()->SetGraphic(std::move(bitmap));
}

void TColorSpec::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TColorSpec*>(&source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this)
        return;
    TUpdateBracket bracket(*FNotify);
    SetKind(other->Kind());
    SetColor(other->Color());
    SetStyle(other->Style());
    FImageData->Assign(*other->ImageData());
    SetTile(other->Tile());
    SetTileShift(other->TileShift());
    if (Kind() == TColorSpecKind::cskGradation) {
        SetGradAngle(other->GradAngle());
        SetGradKind(other->GradKind());
        FGradColors->Assign(*other->GradColors());
    }
}

std::vector<TTileRow> TileRows(const QRect& r, int w, int h, bool shift)
{
    std::vector<TTileRow> rows;
    if (w <= 0 || h <= 0 || r.isEmpty())
        return rows;
    const int64_t bottom = int64_t(r.top()) + r.height();
    int index = 0;
    for (int64_t top = r.top(); top < bottom; top += h, ++index)
        rows.push_back({int(top), shift && index % 2 == 1 ? r.left() - (w + 1) / 2 : r.left()});
    return rows;
}

void DrawGraphic(QPainter& painter, const QRect& rectangle, const TGraphic& graphic)
{
    if (graphic.Empty() || rectangle.isEmpty())
        return;
    if (auto* bitmap = dynamic_cast<const TSafetyBitmap*>(&graphic)) {
        const_cast<TSafetyBitmap*>(bitmap)->Draw(painter, rectangle);
        return;
    }
    if (auto* jpeg = dynamic_cast<const TSafetyJPEGImage*>(&graphic)) {
        jpeg->Draw(painter, rectangle);
        return;
    }
    const QImage image = graphic.Image();
    if (image.isNull())
        return;
    TCanvasSaver saver(painter);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    DrawSharedImage(painter, QRectF(rectangle), image);
}

void TColorSpec::Fill(QPainter& painter, const QRect& rectangle, TGradationOutput output) const
{
    if (rectangle.isEmpty())
        return;
    TCanvasSaver saver(painter);
    switch (Kind()) {
    case TColorSpecKind::cskGradation: {
        const std::vector<TColor> colors = FGradColors->Expanded();
        if (!colors.empty()) {
            PaintGradation(painter, rectangle, colors, FGradAngle, FGradKind, output);
            return;
        }
        // No colours at all: the solid colour is the harmless choice.
        painter.fillRect(rectangle, ToQColor(FColor));
        return;
    }
    case TColorSpecKind::cskBitmap: {
        TPictureEx* display = FImageData->DisplayPicture();
        const TGraphic* graphic = display ? display->Graphic() : nullptr;
        if (!graphic || graphic->Empty())
            return;
        if (!FTile) {
            DrawGraphic(painter, rectangle, *graphic);
            return;
        }
        const QSize size = GraphicSize(graphic);
        const int w = size.width(), h = size.height();
        // Tiles the clip hides are not drawn; what is drawn is the same.
        QRect visible = rectangle;
        if (painter.hasClipping())
            visible &= painter.clipBoundingRect().toAlignedRect();
        for (const TTileRow& row : TileRows(rectangle, w, h, FTileShift)) {
            if (row.Top + h <= visible.top() || row.Top >= visible.bottom() + 1)
                continue;
            for (int64_t left = row.FirstLeft; left < int64_t(rectangle.left()) + rectangle.width();
                 left += w) {
                if (left + w <= visible.left() || left > visible.right())
                    continue;
                DrawGraphic(painter, QRect(int(left), row.Top, w, h), *graphic);
            }
        }
        return;
    }
    case TColorSpecKind::cskSolid:
        if (FStyle == TBrushStyle::bsClear)
            return;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QBrush(ToQColor(FColor), ToQtBrushStyle(FStyle)));
        // fillRect keeps a PDF's fill a vector fill.
        painter.fillRect(rectangle, painter.brush());
        return;
    }
}

bool TColorSpec::IsPlainColor(const QPainter& painter) const
{
    if (Kind() != TColorSpecKind::cskSolid || FStyle != TBrushStyle::bsSolid)
        return false;
    const QPaintDevice* device = painter.device();
    if (!device)
        return true;
    if (device->devType() == QInternal::Image) {
        const QImage* image = static_cast<const QImage*>(device);
        if (image->format() == QImage::Format_Indexed8 || image->format() == QImage::Format_Mono ||
            image->format() == QImage::Format_MonoLSB) {
            const QRgb rgb = ToQColor(FColor).rgb();
            const int index = NearestPaletteIndex(image->colorTable(), rgb);
            return index >= 0 && (image->colorTable()[index] & 0xFFFFFF) == (rgb & 0xFFFFFF);
        }
        if (image->depth() < 24) {
            // 16-bit pixels keep only the top bits of each channel.
            const QRgb rgb = ToQColor(FColor).rgb();
            QImage probe(1, 1, image->format());
            probe.setPixel(0, 0, rgb);
            return (probe.pixel(0, 0) & 0xFFFFFF) == (rgb & 0xFFFFFF);
        }
    }
    return true;
}

} // namespace velmo

// ---------------------------------------------------------------------------------
// The text form

namespace velmo {

namespace {

// What the text's properties are read into: the caller's spec under one
// name, read in place (a picture kind stays a picture kind until its picture comes).
class TColorSpecHolder : public TComponent
{
    VELMO_PERSISTENT(TColorSpecHolder, TComponent)
public:
    explicit TColorSpecHolder(TComponent* owner = nullptr) : TComponent(owner) {}
    TColorSpec* Spec() const { return FTarget ? FTarget : FOwn.get(); }
    void SetTarget(TColorSpec* target) { FTarget = target; }

private:
    std::unique_ptr<TColorSpec> FOwn = std::make_unique<TColorSpec>();
    TColorSpec* FTarget = nullptr;
};

} // namespace

const TPropertyTable& TColorSpecHolder::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties()).Object("Spec", &TColorSpecHolder::Spec);
    return table;
}

void ReadColorSpecText(const QString& text, TColorSpec& spec)
{
    const QByteArray bytes = TextToComponent(text);
    // Rewrite the root's entries under "Spec." and drop its children; the values
    // are copied as they are.
    TReadOnlyMemoryStream in(bytes.constData(), bytes.size());
    TReader reader(in, kMaxComponentNesting);
    char signature[4];
    in.ReadBuffer(signature, 4);
    if ((reader.PeekByte() & 0xF0) == 0xF0)
        throw EReadError(InvalidStreamFormatMessage());
    reader.ReadStr(); // class
    reader.ReadStr(); // name
    TMemoryStream out;
    TWriter writer(out);
    out.WriteBytes(QByteArray("TPF0"));
    writer.WriteStr(QString::fromLatin1(TColorSpecHolder::StaticClassName()));
    writer.WriteStr(QString());
    const TPropertyTable& own = TColorSpec::Properties();
    while (!reader.EndOfList()) {
        QString name = reader.ReadStr();
        const qsizetype dot = name.indexOf(u'.');
        if (dot > 0 && !own.Find(QStringView(name).left(dot)))
            name = name.mid(dot + 1); // "FillColor.Kind" → "Kind"
        writer.WriteStr(QStringLiteral("Spec.") + name);
        const int64_t start = in.Position();
        reader.SkipValue();
        out.WriteBytes(bytes.mid(qsizetype(start), qsizetype(in.Position() - start)));
    }
    writer.WriteListEnd();
    writer.WriteListEnd(); // no children
    static const bool registered = [] {
        RegisterClass<TColorSpecHolder>();
        return true;
    }();
    (void)registered;
    TColorSpecHolder holder;
    holder.SetTarget(&spec);
    const QByteArray rewritten = out.Data();
    TReadOnlyMemoryStream stream(rewritten.constData(), rewritten.size());
    ReadComponentInto(stream, holder);
}

} // namespace velmo
