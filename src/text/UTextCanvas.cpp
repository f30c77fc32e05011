#include "text/UTextCanvas.h"
#include "base/UNumbers.h"
#include "draw/UCanvas.h"
#include "draw/UPainterState.h"
#include "text/UFontEngine.h"
#include "text/UFontList.h"
#include "text/UPdfText.h"
#include "text/UStringUtil.h"
#include <QGlyphRun>
#include <QHash>
#include <QPaintEngine>
#include <QPainter>
#include <cmath>

namespace velmo {

struct TTextCanvas::TRealized
{
    QString Name;
    int Height = 0;
    bool Bold = false, Italic = false;
    std::shared_ptr<TFontFace> Face;
    bool Vertical = false;
    double Em = 0;     // canvas units
    int EmDevice = 1;  // whole device pixels
    double Ascent = 0; // exact, canvas units
    double Cell = 0;   // exact ascent + descent
    bool MetricsReady = false;
    TTextMetric Metrics;
    QHash<char32_t, TABC> Widths;
};

struct TTextCanvas::TGlyphRef
{
    TFontFace* Face = nullptr;
    uint32_t Glyph = 0;
    bool Upright = false;
    bool Blank = false; // control characters draw nothing and take no space
};

TTextCanvas::TTextCanvas(QPainter* painter, int fontResolution)
    : FPainter(painter), FFontResolution(fontResolution > 0 ? fontResolution : 254)
{
    if (painter) {
        const QTransform t = painter->combinedTransform();
        const double det = std::abs(t.m11() * t.m22() - t.m12() * t.m21());
        FDeviceScale = det > 0 ? std::sqrt(det) : 1.0;
        FAsText = DrawsGlyphsAsText(*painter);
    }
}

TTextCanvas::TTextCanvas(double deviceScale, int fontResolution)
    : FFontResolution(fontResolution > 0 ? fontResolution : 254),
      FDeviceScale(deviceScale > 0 ? deviceScale : 1.0)
{
}

TTextCanvas::~TTextCanvas()
{
    Flush();
}

TTextCanvas& TTextCanvas::Measuring()
{
    static TTextCanvas canvas(1.0, 254);
    return canvas;
}

void TTextCanvas::SetFont(const TLogFont& font)
{
    if (font.Color != FFont.Color)
        Flush();
    FFont = font;
}

TTextCanvas::TRealized& TTextCanvas::Realize()
{
    TRealized* r = FRealized.get();
    if (r && r->Name == FFont.FaceName && r->Height == FFont.Height && r->Bold == FFont.Bold &&
        r->Italic == FFont.Italic)
        return *r;
    FRealized = std::make_unique<TRealized>();
    r = FRealized.get();
    r->Name = FFont.FaceName;
    r->Height = FFont.Height;
    r->Bold = FFont.Bold;
    r->Italic = FFont.Italic;
    QString base = FFont.FaceName;
    const bool atName = base.startsWith(u'@');
    if (atName)
        base.remove(0, 1);
    if (!base.isEmpty() && !IsFaceUnusable(base))
        r->Face = OpenFace(base, FFont.Bold, FFont.Italic);
    if (!r->Face)
        r->Face = LastResortFace(FFont.Bold, FFont.Italic);
    r->Vertical = atName && r->Face && r->Face->HasVerticalForms();
    TFaceMetrics m;
    if (r->Face)
        m = r->Face->Metrics();
    const double cellUnits = m.Ascent + m.Descent;
    if (FFont.Height < 0)
        r->Em = -double(FFont.Height);
    else if (FFont.Height > 0)
        r->Em = double(FFont.Height) * m.UnitsPerEm / cellUnits;
    else
        r->Em = MulDiv(10, FFontResolution, 72);
    r->EmDevice = std::max(1, RoundHalfAway(r->Em * FDeviceScale));
    r->Ascent = m.Ascent * r->Em / m.UnitsPerEm;
    r->Cell = cellUnits * r->Em / m.UnitsPerEm;
    return *r;
}

QString TTextCanvas::RealizedFamily()
{
    TRealized& r = Realize();
    return r.Face ? r.Face->FamilyName() : QString();
}

int TTextCanvas::DeviceRound(double designUnits, double unitsPerEm)
{
    // In whole pixels of the device's own font size, then back to canvas units.
    const double devicePixels = RoundHalfAway(designUnits * Realize().EmDevice / unitsPerEm);
    return RoundHalfAway(devicePixels / FDeviceScale);
}

TTextCanvas::TGlyphRef TTextCanvas::Glyph(char32_t code)
{
    TRealized& r = Realize();
    TGlyphRef ref;
    if (!r.Face || code < 0x20 || code == 0x7F) {
        ref.Blank = true;
        return ref;
    }
    ref.Upright = r.Vertical && !IsSingleByteCode(code);
    auto lookup = [&](TFontFace* face) {
        return ref.Upright ? face->VerticalGlyphIndex(code) : face->GlyphIndex(code);
    };
    ref.Face = r.Face.get();
    ref.Glyph = lookup(ref.Face);
    if (ref.Glyph == 0) {
        for (const std::shared_ptr<TFontFace>& fallback : GlyphFallbackFaces()) {
            if (const uint32_t g = lookup(fallback.get())) {
                ref.Face = fallback.get();
                ref.Glyph = g;
                break;
            }
        }
    }
    return ref;
}

TABC TTextCanvas::CharABCWidths(char32_t code)
{
    TRealized& r = Realize();
    const auto cached = r.Widths.constFind(code);
    if (cached != r.Widths.constEnd())
        return cached.value();
    TABC abc;
    const TGlyphRef g = Glyph(code);
    if (!g.Blank) {
        const double upem = g.Face->Metrics().UnitsPerEm;
        const TGlyphMetrics& gm = g.Face->GlyphMetrics(g.Glyph);
        if (g.Upright) {
            const TVerticalMetrics vm = g.Face->VerticalMetrics(g.Glyph);
            const int advance = DeviceRound(vm.Advance, upem);
            if (gm.HasInk) {
                abc.A = DeviceRound(vm.OriginY - gm.YMax, upem);
                abc.B = DeviceRound(vm.OriginY - gm.YMin, upem) - abc.A;
            }
            abc.C = advance - abc.A - abc.B;
        } else {
            const int advance = DeviceRound(gm.Advance, upem);
            if (gm.HasInk) {
                abc.A = DeviceRound(gm.XMin, upem);
                abc.B = DeviceRound(gm.XMax, upem) - abc.A;
            }
            abc.C = advance - abc.A - abc.B;
        }
    }
    r.Widths.insert(code, abc);
    return abc;
}

QSize TTextCanvas::TextExtent(QStringView text)
{
    int width = 0;
    for (const char32_t code : ToCodes(text))
        width += CharABCWidths(code).Width();
    return QSize(width, TextMetrics().Height);
}

TTextMetric TTextCanvas::TextMetrics()
{
    TRealized& r = Realize();
    if (!r.MetricsReady) {
        r.MetricsReady = true;
        TTextMetric& tm = r.Metrics;
        if (r.Face) {
            const TFaceMetrics& m = r.Face->Metrics();
            const double s = r.Em / m.UnitsPerEm;
            tm.Ascent = RoundHalfAway(m.Ascent * s);
            tm.Descent = RoundHalfAway(m.Descent * s);
            tm.ExternalLeading = RoundHalfAway(m.ExternalLeading * s);
            tm.PitchAndFamily = 4;
        } else {
            tm.Ascent = RoundHalfAway(r.Em * 0.88);
            tm.Descent = RoundHalfAway(r.Em * 0.12);
        }
        tm.Height = tm.Ascent + tm.Descent;
        tm.InternalLeading = tm.Height - RoundHalfAway(r.Em);
        tm.Charset = FFont.Charset;
    }
    return r.Metrics;
}

bool TTextCanvas::OutlineTextMetrics(TOutlineTextMetric& metrics)
{
    TRealized& r = Realize();
    if (!r.Face || !r.Face->Metrics().HasOutlineMetrics)
        return false;
    const TFaceMetrics& m = r.Face->Metrics();
    const double s = r.Em / m.UnitsPerEm;
    metrics.Ascent = TextMetrics().Ascent;
    metrics.UnderscorePosition = RoundHalfAway(m.UnderlinePosition * s);
    metrics.UnderscoreSize = std::max(1, RoundHalfAway(m.UnderlineThickness * s));
    metrics.StrikeoutPosition = RoundHalfAway(m.StrikeoutPosition * s);
    metrics.StrikeoutSize = std::max(1, RoundHalfAway(m.StrikeoutSize * s));
    return true;
}

void TTextCanvas::TextOut(QPoint point, QStringView text)
{
    TRealized& r = Realize();
    if (!r.Face)
        return;
    const double e = FFont.Escapement / 10.0 * M_PI / 180.0;
    const double ux = std::cos(e), uy = -std::sin(e); // along the line
    const double vx = std::sin(e), vy = std::cos(e);  // down the cell
    double pen = 0;
    QPainterPath glyphs;
    glyphs.setFillRule(Qt::WindingFill);
    for (const char32_t code : ToCodes(text)) {
        const TGlyphRef g = Glyph(code);
        if (!g.Blank) {
            const double s = r.Em / g.Face->Metrics().UnitsPerEm;
            const double px = point.x() + pen * ux, py = point.y() + pen * uy;
            QTransform t;
            if (g.Upright) {
                // Upright in the column: the glyph's vertical origin on the column's
                // centre line at the top of the cell.
                const TVerticalMetrics vm = g.Face->VerticalMetrics(g.Glyph);
                const double across = r.Cell / 2 + vm.OriginX * s;
                const double along = vm.OriginY * s;
                t = QTransform(-s * vx, -s * vy, -s * ux, -s * uy, px + along * ux + across * vx,
                               py + along * uy + across * vy);
            } else {
                t = QTransform(s * ux, s * uy, -s * vx, -s * vy, px + r.Ascent * vx, py + r.Ascent * vy);
            }
            if (FAsText && !FInPath && !g.Face->Synthetic()) {
                if (FPending.isEmpty() && FPendingText.empty())
                    FPendingColor = FFont.Color;
                FPendingText.push_back({g.Face, g.Glyph, code, t});
            } else {
                glyphs.addPath(t.map(g.Face->GlyphOutline(g.Glyph)));
                if (!FInPath && FPainter)
                    ++FOutlinedGlyphs;
            }
        }
        pen += CharABCWidths(code).Width();
    }
    AddFigures(glyphs);
}

void TTextCanvas::Polygon(const QPolygonF& points)
{
    if (points.size() < 3)
        return;
    QPainterPath path;
    path.addPolygon(points);
    path.closeSubpath();
    AddFigures(path);
}

void TTextCanvas::AddFigures(const QPainterPath& path)
{
    if (path.isEmpty())
        return;
    if (FInPath) {
        FPath.addPath(path);
        return;
    }
    if (!FPainter)
        return;
    if (FPending.isEmpty())
        FPending.setFillRule(Qt::WindingFill);
    FPendingColor = FFont.Color;
    FPending.addPath(path);
}

void TTextCanvas::Flush()
{
    if (!FPainter)
        return;
    FlushTextGlyphs();
    if (FPending.isEmpty())
        return;
    {
        TPainterStateKeeper keeper(*FPainter);
        FPainter->setRenderHint(QPainter::Antialiasing, true);
        FPainter->fillPath(FPending, ToQColor(FPendingColor));
    }
    FPending = QPainterPath();
}

void TTextCanvas::FlushTextGlyphs()
{
    if (FPendingText.empty())
        return;
    // Runs of glyphs of one face, size and direction become one glyph run each:
    // the glyph's mapping is its direction (a rotation) times its size, placed at
    // its origin; the run is drawn in the direction's frame.
    QPainter& painter = *FPainter;
    if (TGlyphTextTarget* target = GlyphTextTarget(painter)) {
        // Our own PDF writer takes the glyphs as they are; what it cannot embed is
        // filled as outlines below like on every other device.
        std::vector<TPlacedGlyph> taken;
        taken.reserve(FPendingText.size());
        std::vector<TTextGlyph> refused;
        for (const TTextGlyph& g : FPendingText) {
            if (target->CanEmbed(*g.Face))
                taken.push_back({g.Face, g.Glyph, g.Code, g.Mapping});
            else
                refused.push_back(g);
        }
        if (!taken.empty()) {
            painter.paintEngine()->syncState();
            target->DrawGlyphs(ToQColor(FPendingColor), taken);
            FTextGlyphs += int(taken.size());
        }
        for (const TTextGlyph& g : refused) {
            if (FPending.isEmpty())
                FPending.setFillRule(Qt::WindingFill);
            FPending.addPath(g.Mapping.map(g.Face->GlyphOutline(g.Glyph)));
            ++FOutlinedGlyphs;
        }
        FPendingText.clear();
        return;
    }
    TPainterStateKeeper keeper(painter);
    painter.setPen(ToQColor(FPendingColor));
    const QTransform base = painter.transform();
    size_t i = 0;
    while (i < FPendingText.size()) {
        const TTextGlyph& first = FPendingText[i];
        const QTransform& m = first.Mapping;
        const double s = std::sqrt(std::abs(m.m11() * m.m22() - m.m12() * m.m21()));
        const QTransform direction(m.m11() / s, m.m12() / s, -m.m21() / s, -m.m22() / s, 0, 0);
        auto sameRun = [&](const TTextGlyph& g) {
            const QTransform& n = g.Mapping;
            constexpr double eps = 1e-9;
            return g.Face == first.Face && std::abs(n.m11() - m.m11()) < eps &&
                   std::abs(n.m12() - m.m12()) < eps && std::abs(n.m21() - m.m21()) < eps &&
                   std::abs(n.m22() - m.m22()) < eps;
        };
        size_t j = i + 1;
        while (j < FPendingText.size() && sameRun(FPendingText[j]))
            ++j;
        const double pixelSize = s * first.Face->Metrics().UnitsPerEm;
        const QRawFont font = EmbeddableFont(*first.Face, pixelSize);
        if (!font.isValid() || !direction.isInvertible()) {
            for (size_t k = i; k < j; ++k) {
                if (FPending.isEmpty())
                    FPending.setFillRule(Qt::WindingFill);
                FPending.addPath(
                    FPendingText[k].Mapping.map(FPendingText[k].Face->GlyphOutline(FPendingText[k].Glyph)));
                ++FOutlinedGlyphs;
            }
        } else {
            const QTransform back = direction.inverted();
            QList<quint32> indexes;
            QList<QPointF> positions;
            indexes.reserve(qsizetype(j - i));
            positions.reserve(qsizetype(j - i));
            for (size_t k = i; k < j; ++k) {
                indexes.append(FPendingText[k].Glyph);
                positions.append(
                    back.map(QPointF(FPendingText[k].Mapping.dx(), FPendingText[k].Mapping.dy())));
            }
            QGlyphRun run;
            run.setRawFont(font);
            run.setGlyphIndexes(indexes);
            run.setPositions(positions);
            painter.setTransform(direction * base);
            painter.drawGlyphRun(QPointF(0, 0), run);
            FTextGlyphs += int(j - i);
        }
        i = j;
    }
    FPendingText.clear();
}

void TTextCanvas::BeginPath()
{
    Flush();
    FInPath = true;
    FPath = QPainterPath();
    FPath.setFillRule(Qt::WindingFill);
}

void TTextCanvas::EndPath()
{
    FInPath = false;
}

} // namespace velmo
