#include "barcode/ULOZintBarCode.h"
#include "base/UNumbers.h"
#include "draw/UCanvas.h"
#include "imaging/UColorSpec.h"
#include "objects/ULDObjects.h"
#include "text/UTextCanvas.h"
#include <QHash>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <memory>

namespace velmo {

const TPropertyTable& TLOZintBarCode::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Redeclare("BarKind")
            .StoredIf(false)
            .Redeclare("AddCheckDigit")
            .StoredIf(false)
            .Redeclare("ElementRatio")
            .StoredIf(false)
            .Int("Symbology", &TLOZintBarCode::Symbology, &TLOZintBarCode::SetSymbology)
            .Int("ErrorLevel", &TLOZintBarCode::ErrorLevel, &TLOZintBarCode::SetErrorLevel)
            .Default(0)
            .Int("SymbolSize", &TLOZintBarCode::SymbolSize, &TLOZintBarCode::SetSymbolSize)
            .Default(0)
            .Int("ModuleSize", &TLOZintBarCode::ModuleSize, &TLOZintBarCode::SetModuleSize)
            .Default(0)
            .Bool("QuietZone", &TLOZintBarCode::QuietZone, &TLOZintBarCode::SetQuietZone)
            .Int("BarColor", &TLOZintBarCode::BarColor, &TLOZintBarCode::SetBarColor)
            .Default(clBlack)
            .Idents(ColorIdents())
            .Int("BackColor", &TLOZintBarCode::BackColor, &TLOZintBarCode::SetBackColor)
            .Default(clWhite)
            .Idents(ColorIdents());
    return table;
}

TLOZintBarCode::TLOZintBarCode(TComponent* owner) : TLOBarCode(owner)
{
    SetBaseRect({0, 0, 200, 200});
}

TLOZintBarCode::~TLOZintBarCode() = default;

void TLOZintBarCode::OptionChanged()
{
    // The cache is keyed by what the encoding depends on: a reference to the last
    // symbol stays valid across a change that does not touch it (the module size).
    Changed();
    Invalidate();
}

void TLOZintBarCode::SetSymbology(int value)
{
    if (value == FSymbology)
        return;
    FSymbology = value;
    OptionChanged();
}

void TLOZintBarCode::SetErrorLevel(int value)
{
    if (value == FErrorLevel)
        return;
    FErrorLevel = value;
    OptionChanged();
}

void TLOZintBarCode::SetSymbolSize(int value)
{
    if (value == FSymbolSize)
        return;
    FSymbolSize = value;
    OptionChanged();
}

void TLOZintBarCode::SetModuleSize(int value)
{
    // Beyond 10 mm a module is no barcode any more; negative sizes mean "fit".
    value = std::clamp(value, 0, 1000);
    if (value == FModuleSize)
        return;
    FModuleSize = value;
    OptionChanged();
}

void TLOZintBarCode::SetQuietZone(bool value)
{
    if (value == FQuietZone)
        return;
    FQuietZone = value;
    OptionChanged();
}

void TLOZintBarCode::SetBarColor(TColor value)
{
    if (value == FBarColor)
        return;
    FBarColor = value;
    Changed();
    Invalidate();
}

void TLOZintBarCode::SetBackColor(TColor value)
{
    if (value == FBackColor)
        return;
    FBackColor = value;
    Changed();
    Invalidate();
}

TZintOptions TLOZintBarCode::Options() const
{
    TZintOptions options;
    options.ErrorLevel = FErrorLevel;
    options.Size = FSymbolSize;
    options.QuietZone = FQuietZone;
    options.ShowText = ShowNumber();
    return options;
}

const TEncodedSymbol& TLOZintBarCode::Encoded() const
{
    // The human-readable text is part of the key through ShowNumber: compare the
    // options each time, the data by value.
    const TZintOptions options = Options();
    const QString key = QStringLiteral("%1/%2/%3/%4/%5/")
                            .arg(FSymbology)
                            .arg(options.ErrorLevel)
                            .arg(options.Size)
                            .arg(int(options.QuietZone))
                            .arg(int(options.ShowText)) +
                        JANCode();
    if (!FEncoded || key != FEncodedData) {
        FEncoded = std::make_unique<TEncodedSymbol>(EncodeSymbol(FSymbology, JANCode(), options));
        FEncodedData = key;
    }
    return *FEncoded;
}

bool TLOZintBarCode::HasValidCode() const
{
    return Encoded().Valid;
}

QString TLOZintBarCode::EncodeError() const
{
    return Encoded().Valid ? QString() : Encoded().Error;
}

void TLOZintBarCode::Paint(QPainter& painter)
{
    TTextCanvas canvas(&painter, 254);
    PrepareCanvas(canvas);
    TZintDrawing drawing;
    drawing.Rect = BaseRect();
    drawing.Angle = Angle();
    drawing.ShowFrame = ShowFrame();
    drawing.ShowText = ShowNumber();
    drawing.ModuleSize = FModuleSize;
    drawing.Bars = ToQColor(FBarColor);
    drawing.Background = FBackColor == clNone ? QColor(Qt::transparent) : ToQColor(FBackColor);
    if (const TSymbologyInfo* info = FindSymbology(FSymbology))
        drawing.Shape = info->Shape;
    DrawZintSymbol(canvas, Encoded(), drawing);
}

void TLOZintBarCode::SetLineColor(const TColorSpec& color)
{
    TLOBarCode::SetLineColor(color);
    SetBarColor(color.Color());
}

void TLOZintBarCode::AssignDrawObject(const TDrawObject& source)
{
    TLOBarCode::AssignDrawObject(source);
    if (const auto* other = dynamic_cast<const TLOZintBarCode*>(&source)) {
        FSymbology = other->FSymbology;
        FErrorLevel = other->FErrorLevel;
        FSymbolSize = other->FSymbolSize;
        FModuleSize = other->FModuleSize;
        FQuietZone = other->FQuietZone;
        FBarColor = other->FBarColor;
        FBackColor = other->FBackColor;
        FEncoded.reset();
    }
}

// ---------------------------------------------------------------------------------

namespace {

// The device scale along an axis of the turned, axis-aligned mapping; 0 when the
// mapping turns the symbol off the device axes.
double AlignedScale(const QTransform& t)
{
    if (t.type() > QTransform::TxRotate)
        return 0;
    if (std::abs(t.m12()) < 1e-9 && std::abs(t.m21()) < 1e-9 &&
        std::abs(std::abs(t.m11()) - std::abs(t.m22())) < 1e-9)
        return std::abs(t.m11());
    if (std::abs(t.m11()) < 1e-9 && std::abs(t.m22()) < 1e-9 &&
        std::abs(std::abs(t.m12()) - std::abs(t.m21())) < 1e-9)
        return std::abs(t.m12());
    return 0;
}

} // namespace

void DrawZintSymbol(TTextCanvas& canvas, const TEncodedSymbol& symbol, const TZintDrawing& drawing)
{
    QPainter* painter = canvas.Painter();
    if (!painter)
        return;
    const TLogRect& rect = drawing.Rect;
    const QPointF pivot(Div(rect.Left + rect.Right, 2), Div(rect.Top + rect.Bottom, 2));
    QTransform turn;
    turn.translate(pivot.x(), pivot.y());
    turn.rotate(drawing.Angle);
    turn.translate(-pivot.x(), -pivot.y());

    TLogRect area = rect;
    {
        TCanvasSaver saver(*painter);
        painter->setTransform(turn, true);
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setPen(Qt::NoPen);
        const QRectF outer(rect.Left, rect.Top, rect.Width(), rect.Height());
        if (drawing.ShowFrame) {
            // A 0.3 mm line on the rectangle's edge, the symbol 1 mm inside, as the
            // other barcodes draw theirs.
            QPainterPath frame;
            frame.addRect(outer);
            frame.addRect(outer.adjusted(3, 3, -3, -3));
            frame.setFillRule(Qt::OddEvenFill);
            if (drawing.Background.alpha() != 0)
                painter->fillRect(outer.adjusted(3, 3, -3, -3), drawing.Background);
            painter->fillPath(frame, Qt::black);
            area = {rect.Left + 10, rect.Top + 10, rect.Right - 10, rect.Bottom - 10};
        } else if (drawing.Background.alpha() != 0) {
            painter->fillRect(outer, drawing.Background);
        }
        if (!symbol.Valid || symbol.Size.width() <= 0 || symbol.Size.height() <= 0) {
            if (!IsPrinting(*painter) && !PrintOutput()) {
                painter->setBrush(Qt::NoBrush);
                painter->setPen(DevicePixelPen(QColor(0x80, 0x80, 0x80), Qt::DashLine));
                painter->drawRect(outer.adjusted(0, 0, -1, -1));
            }
            return;
        }
    }
    if (area.Width() <= 0 || area.Height() <= 0)
        return;

    // The text under linear symbols, in the object's font.
    const bool withText =
        drawing.ShowText && drawing.Shape == TSymbolShape::ssLinear && !symbol.Texts.empty();
    int textHeight = 0;
    if (withText) {
        // The font shrinks where a text would run past the part of the symbol
        // libzint gives it; it never grows.
        const double moduleWidth =
            drawing.ModuleSize > 0 ? drawing.ModuleSize / 10.0 : area.Width() / symbol.Size.width();
        double factor = 1;
        for (const TSymbolText& text : symbol.Texts) {
            const int width = canvas.TextExtent(text.Text).width();
            if (text.Width > 0 && width > 0)
                factor = std::min(factor, text.Width * moduleWidth / width);
        }
        if (factor < 1) {
            TLogFont font = canvas.Font();
            const int height = int(std::lround(font.Height * factor));
            font.Height = height == 0 ? (font.Height < 0 ? -1 : 1) : height;
            canvas.SetFont(font);
        }
        textHeight = canvas.TextExtent(u"0").height();
    }
    const int gap = withText ? std::max(1, textHeight / 6) : 0;

    const double W = symbol.Size.width();
    double sx = 0, sy = 0, x0 = area.Left, y0 = area.Top;
    double barTop = symbol.BarsTop, barBottom = symbol.BarsBottom;
    if (barBottom <= barTop)
        barBottom = barTop + 1;
    if (drawing.Shape == TSymbolShape::ssLinear) {
        sx = drawing.ModuleSize > 0 ? drawing.ModuleSize / 10.0 : area.Width() / W;
        const double barsHeight = std::max(1, area.Height() - (withText ? textHeight + gap : 0));
        sy = barsHeight / (barBottom - barTop);
        x0 = area.Left + (area.Width() - W * sx) / 2;
        y0 = area.Top - barTop * sy;
    } else {
        const double H = symbol.Size.height();
        sx = drawing.ModuleSize > 0 ? drawing.ModuleSize / 10.0
                                    : std::min(area.Width() / W, area.Height() / H);
        sy = sx;
        x0 = area.Left + (area.Width() - W * sx) / 2;
        y0 = area.Top + (area.Height() - H * sy) / 2;
    }

    // On a mapping that keeps the symbol on the device axes a fitted module becomes a
    // whole number of device pixels and the symbol starts on a pixel edge: every
    // module edge is then sharp, at any zoom. A set module size stays exact.
    const QTransform device = turn * painter->combinedTransform();
    const double scale = AlignedScale(device);
    if (scale > 0) {
        if (drawing.ModuleSize == 0 && sx * scale >= 1) {
            const double pixels = std::floor(sx * scale + 1e-6);
            const double fitted = pixels / scale;
            x0 += (W * sx - W * fitted) / 2;
            if (drawing.Shape != TSymbolShape::ssLinear) {
                y0 += (symbol.Size.height() * sy - symbol.Size.height() * fitted) / 2;
                sy = fitted;
            }
            sx = fitted;
        }
        const QPointF origin = device.map(QPointF(x0, y0));
        const QPointF snapped(std::round(origin.x()), std::round(origin.y()));
        bool invertible = false;
        const QTransform back = device.inverted(&invertible);
        if (invertible) {
            const QPointF logical = back.map(snapped);
            x0 = logical.x();
            y0 = logical.y();
        }
    }

    {
        TCanvasSaver saver(*painter);
        painter->setTransform(turn, true);
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setClipRect(QRectF(area.Left, area.Top, area.Width(), area.Height()), Qt::IntersectClip);
        const QTransform place(sx, 0, 0, sy, x0, y0);
        // One fill for the whole symbol.
        painter->fillPath(place.map(symbol.Dark), drawing.Bars);
    }

    if (withText) {
        // The canvas turns the text with its font; the reference points turn here.
        const int textTop = area.Bottom - textHeight;
        TRotator rotator(drawing.Angle, QPoint(int(pivot.x()), int(pivot.y())));
        TLogFont font = canvas.Font();
        const int64_t turnTenths = (3600 - (int64_t(10) * drawing.Angle) % 3600) % 3600;
        font.Escapement = int(turnTenths);
        font.Orientation = int(turnTenths);
        canvas.SetFont(font);
        for (const TSymbolText& text : symbol.Texts) {
            const int width = canvas.TextExtent(text.Text).width();
            const double x = x0 + text.Position.x() * sx;
            double left = x - width / 2.0;
            if (text.Align == 1)
                left = x;
            else if (text.Align == 2)
                left = x - width;
            canvas.TextOut(rotator.Transformed(QPoint(int(std::lround(left)), textTop)), text.Text);
        }
        canvas.Flush();
    }
}

namespace {

// The classes of the two barcode families by the class of the other one.
QHash<QString, QString>& FamilyPairs()
{
    static QHash<QString, QString> pairs{{QStringLiteral("TLOBarCode"), QStringLiteral("TLOZintBarCode")},
                                         {QStringLiteral("TLOZintBarCode"), QStringLiteral("TLOBarCode")}};
    return pairs;
}

} // namespace

void RegisterBarCodeFamily(const QString& classicClass, const QString& zintClass)
{
    FamilyPairs().insert(classicClass, zintClass);
    FamilyPairs().insert(zintClass, classicClass);
}

TLOBarCode* MakeOtherFamily(const TLOBarCode& object)
{
    const QString name = FamilyPairs().value(object.ClassName());
    const TComponentClass* cls = name.isEmpty() ? nullptr : FindLabelClassByName(name);
    if (!cls)
        return nullptr;
    std::unique_ptr<TComponent> component(cls->Create(nullptr));
    auto* replacement = dynamic_cast<TLOBarCode*>(component.get());
    if (!replacement)
        return nullptr;
    component.release();
    // What both families have: the placement, angle, font, frame and the text.
    replacement->Assign(object);
    replacement->SetJANCode(object.JANCode());
    auto* from = Supports<IDOInsertion>(const_cast<TLOBarCode*>(&object));
    if (auto* to = Supports<IDOInsertion>(replacement); to && from)
        to->SetInsertionField(from->GetInsertionField());
    return replacement;
}

} // namespace velmo
