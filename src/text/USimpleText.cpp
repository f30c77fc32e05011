#include "text/USimpleText.h"
#include "base/UNumbers.h"
#include "draw/UTransformer.h"
#include "text/UStringUtil.h"
#include <QPainter>
#include <climits>
#include <cmath>

namespace velmo {

const QStringList& DefaultDisplayText()
{
    static const QStringList text = {QStringLiteral(u"未入力項目")};
    return text;
}

const TPropertyTable& TSimpleText::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Object("Text", &TSimpleText::Text, &TSimpleText::SetText)
            .Object("Font", &TSimpleText::Font, &TSimpleText::SetFont)
            .Int("Align", &TSimpleText::Align, &TSimpleText::SetAlign)
            .Bool("Vertical", &TSimpleText::Vertical, &TSimpleText::SetVertical)
            .Int("CharSpacing", &TSimpleText::CharSpacing, &TSimpleText::SetCharSpacing)
            .Int("LineSpacing", &TSimpleText::LineSpacing, &TSimpleText::SetLineSpacing)
            .Int("Bulge", &TSimpleText::Bulge, &TSimpleText::SetBulge)
            .Int("Angle", &TSimpleText::Angle, &TSimpleText::SetAngle)
            .Bool("HanToZen", &TSimpleText::HanToZen, &TSimpleText::SetHanToZen)
            .Bool("NumToKnj", &TSimpleText::NumToKnj, &TSimpleText::SetNumToKnj)
            .Bool("MinusExc", &TSimpleText::MinusExc, &TSimpleText::SetMinusExc)
            .Int("FeedAngle", &TSimpleText::FeedAngle, &TSimpleText::SetFeedAngle)
            .Default(0);
    return table;
}

TSimpleText::TSimpleText()
{
    FText.OnChange = [this] { MeasureChanged(true); };
    FFont.OnChange = [this] { MeasureChanged(false); };
}

TSimpleText::~TSimpleText()
{
    FText.OnChange = nullptr;
    FFont.OnChange = nullptr;
}

void TSimpleText::MeasureChanged(bool conversions)
{
    FLayouts.clear();
    if (conversions)
        FWorking.clear();
    Changed();
}

void TSimpleText::SetText(TStrings* value)
{
    if (!value || value->Lines() == FText.Lines())
        return;
    FText.SetLines(value->Lines()); // reports through OnChange
}

void TSimpleText::SetLines(const QStringList& lines)
{
    if (lines == FText.Lines())
        return;
    FText.SetLines(lines);
}

void TSimpleText::SetFont(TPointBasedFont* value)
{
    if (!value || (*value == FFont && value->Size() == FFont.Size()))
        return;
    FFont.Assign(*value);
}

#define VELMO_SETTER(Name, Field, Type, Measure, Conversions)                                                \
    void TSimpleText::Set##Name(Type value)                                                                  \
    {                                                                                                        \
        if (value == Field)                                                                                  \
            return;                                                                                          \
        Field = value;                                                                                       \
        if (Measure)                                                                                         \
            MeasureChanged(Conversions);                                                                     \
        else                                                                                                 \
            Changed();                                                                                       \
    }

VELMO_SETTER(Align, FAlign, int, false, false)
VELMO_SETTER(Vertical, FVertical, bool, true, false)
VELMO_SETTER(CharSpacing, FCharSpacing, int, true, false)
VELMO_SETTER(LineSpacing, FLineSpacing, int, false, false)
VELMO_SETTER(Bulge, FBulge, int, false, false)
VELMO_SETTER(Angle, FAngle, int, false, false)
VELMO_SETTER(HanToZen, FHanToZen, bool, true, true)
VELMO_SETTER(NumToKnj, FNumToKnj, bool, true, true)
VELMO_SETTER(MinusExc, FMinusExc, bool, true, true)
VELMO_SETTER(FeedAngle, FFeedAngle, int, false, false)
#undef VELMO_SETTER

void TSimpleText::Assign(const TPersistent& source)
{
    const auto* s = dynamic_cast<const TSimpleText*>(&source);
    if (!s) {
        TPersistent::Assign(source);
        return;
    }
    // One bracket on the source, as callers expect, and one here, so that the copy
    // reports a single change however many properties it carries.
    auto* src = const_cast<TSimpleText*>(s);
    src->BeginUpdate();
    BeginUpdate();
    SetLines(s->FText.Lines());
    SetFont(src->Font());
    SetAlign(s->FAlign);
    SetVertical(s->FVertical);
    SetCharSpacing(s->FCharSpacing);
    SetLineSpacing(s->FLineSpacing);
    SetBulge(s->FBulge);
    SetAngle(s->FAngle);
    SetHanToZen(s->FHanToZen);
    SetNumToKnj(s->FNumToKnj);
    SetMinusExc(s->FMinusExc);
    FWorking = s->FWorking;
    SetFeedAngle(s->FFeedAngle);
    EndUpdate();
    src->EndUpdate();
}

void TSimpleText::BeginUpdate()
{
    ++FUpdateCount;
}

void TSimpleText::EndUpdate()
{
    if (FUpdateCount > 0)
        --FUpdateCount;
    if (FUpdateCount == 0 && FChangeCount > 0) {
        FChangeCount = 0;
        if (OnChange)
            OnChange(this);
    }
}

void TSimpleText::Changed()
{
    ++FChangeCount;
    BeginUpdate();
    EndUpdate();
}

const QStringList& TSimpleText::DisplayLines()
{
    const QStringList& lines = FText.Count() == 0 ? DefaultDisplayText() : FText.Lines();
    if (!FHanToZen && !FNumToKnj)
        return lines;
    FWorking = lines;
    if (FHanToZen)
        StringsHalfToFull(FWorking, FMinusExc ? QStringLiteral("-") : QString());
    if (FNumToKnj)
        StringsDigitsToKanji(FWorking);
    return FWorking;
}

void TSimpleText::PrepareCanvas(TTextCanvas& canvas) const
{
    TLogFont font;
    font.FaceName = FFont.Name();
    font.Height = FFont.HeightFor(canvas.FontResolution());
    font.Color = FColor;
    font.Bold = FFont.Style() & fsBold;
    font.Italic = FFont.Style() & fsItalic;
    font.Charset = FFont.Charset();
    canvas.SetFont(font);
    ResolveFace(canvas);
    font = canvas.Font();
    if (FVertical)
        SetVerticalFont(font, 0);
    font.Quality = 4; // antialiased
    canvas.SetFont(font);
}

int TSimpleText::LineHeight()
{
    TTextCanvas& canvas = TTextCanvas::Measuring();
    PrepareCanvas(canvas);
    return canvas.TextMetrics().Height;
}

void TSimpleText::UpdateLayouts()
{
    const QStringList lines = DisplayLines();
    if (FLayouts.size() == size_t(lines.size()))
        return;
    FLayouts.assign(size_t(lines.size()), TCharLayout());
    TTextCanvas& canvas = TTextCanvas::Measuring();
    PrepareCanvas(canvas);
    for (qsizetype i = 0; i < lines.size(); ++i)
        MeasureLine(canvas, FLayouts[size_t(i)], lines[i], 0, kAlignLeft, FCharSpacing);
}

TLogRect TSimpleText::GetBounds(const TLogRect& rect)
{
    UpdateLayouts();
    int align = FAlign;
    if (align == kAlignJustify && rect.IsEmpty())
        align = kAlignLeft;
    const int H = LineHeight();
    const int n = int(FLayouts.size());
    const int pitch = H + FLineSpacing;
    if (n == 0)
        return FVertical ? TLogRect{rect.Right - H, rect.Top, rect.Right, rect.Top}
                         : TLogRect{rect.Left, rect.Top, rect.Left, rect.Top + H};

    // The feed slant: each following line moves along the line direction.
    double offset = 0, step = 0;
    if (FFeedAngle != 0) {
        const double s = std::sin(-FFeedAngle * M_PI / 180.0);
        step = s * pitch;
        if (align == kAlignLeft)
            offset = s >= 0 ? 0 : -s * pitch * (n - 1);
        else if (align == kAlignRight)
            offset = s >= 0 ? -s * pitch * (n - 1) : 0;
        else
            step = 0;
    }
    const int length = FVertical ? rect.Height() : rect.Width();
    int64_t low = INT64_MAX, high = INT64_MIN;
    for (int i = 0; i < n; ++i) {
        TCharLayout& layout = FLayouts[size_t(i)];
        RepositionLine(layout, length, align, FCharSpacing);
        if (FFeedAngle != 0)
            ShiftLine(layout, int(std::nearbyint(offset + i * step)));
        if (FFeedAngle == 0 && layout.Codes.empty())
            continue;
        const TLogRect box = FVertical ? VerticalLineBox(rect, layout) : HorizontalLineBox(rect, layout);
        low = std::min<int64_t>(low, FVertical ? box.Top : box.Left);
        high = std::max<int64_t>(high, FVertical ? box.Bottom : box.Right);
    }
    const int extent = n * pitch - FLineSpacing;
    TLogRect result;
    if (FVertical) {
        result.Left = rect.Right - extent;
        result.Right = rect.Right;
        result.Top = low == INT64_MAX ? rect.Top : int(low);
        result.Bottom = high == INT64_MIN ? rect.Bottom : int(high);
    } else {
        result.Top = rect.Top;
        result.Bottom = rect.Top + extent;
        result.Left = low == INT64_MAX ? rect.Left : int(low);
        result.Right = high == INT64_MIN ? rect.Right : int(high);
    }
    return result;
}

bool TSimpleText::Draw(QPainter& painter, const TLogRect& rect)
{
    TTextCanvas canvas(&painter, 254);
    Draw(canvas, rect);
    return canvas.OutlinedGlyphs() == 0 && canvas.TextGlyphs() > 0;
}

void TSimpleText::Draw(TTextCanvas& canvas, const TLogRect& rect)
{
    DrawLines(canvas, rect, true);
    canvas.Flush();
}

void TSimpleText::MakeOutline(TStroke& stroke, const TLogRect& rect, bool withDecorations)
{
    TTextCanvas& canvas = TTextCanvas::Measuring();
    canvas.BeginPath();
    DrawLines(canvas, rect, withDecorations);
    canvas.EndPath();
    if (!canvas.Path().isEmpty())
        stroke.AppendPath(canvas.Path());
}

void TSimpleText::DrawLines(TTextCanvas& canvas, const TLogRect& rect, bool decorations)
{
    GetBounds(rect);
    PrepareCanvas(canvas);
    if (FBulge != 0)
        DrawOnArc(canvas, rect);
    else if (FAngle != 0)
        DrawRotated(canvas, rect, decorations);
    else
        DrawStraight(canvas, rect, decorations);
}

namespace {

// The line re-measured on the drawing canvas, spread to its measured width.
TCharLayout Remeasure(TTextCanvas& canvas, const TCharLayout& cached)
{
    TCharLayout layout;
    MeasureLine(canvas, layout, cached.Text, cached.Width(), kAlignJustify, 0);
    return layout;
}

} // namespace

void TSimpleText::DrawStraight(TTextCanvas& canvas, const TLogRect& rect, bool decorations)
{
    const bool underline = decorations && (FFont.Style() & fsUnderline);
    const bool strikeOut = decorations && (FFont.Style() & fsStrikeOut);
    const TDecorationMetrics metrics = GetDecorationMetrics(canvas);
    TLogRect current = rect;
    for (const TCharLayout& cached : FLayouts) {
        const TCharLayout layout = Remeasure(canvas, cached);
        const TLogRect box =
            FVertical ? VerticalLineBox(current, cached) : HorizontalLineBox(current, cached);
        for (size_t j = 0; j < layout.Codes.size(); ++j) {
            if (layout.Codes[j] == U'\t')
                continue;
            const QPoint at = FVertical ? QPoint(box.Right, box.Top + layout.Positions[j])
                                        : QPoint(box.Left + layout.Positions[j], box.Top);
            canvas.TextOut(at, QStringView(FromCode(layout.Codes[j])));
        }
        if (!cached.Codes.empty())
            for (const QPolygonF& band : DecorationBands(metrics, box, FVertical, underline, strikeOut))
                canvas.Polygon(band);
        if (FVertical)
            current.Right -= cached.LineHeight + FLineSpacing;
        else
            current.Top += cached.LineHeight + FLineSpacing;
    }
}

void TSimpleText::DrawRotated(TTextCanvas& canvas, const TLogRect& rect, bool decorations)
{
    const bool underline = decorations && (FFont.Style() & fsUnderline);
    const bool strikeOut = decorations && (FFont.Style() & fsStrikeOut);
    const TDecorationMetrics metrics = GetDecorationMetrics(canvas);
    TRotator rotator(FAngle, QPoint(Div(rect.Left + rect.Right, 2), Div(rect.Top + rect.Bottom, 2)));
    TLogFont font = canvas.Font();
    if (FVertical)
        SetVerticalFont(font, 10 * FAngle);
    else
        SetFontAngle(font, 10 * FAngle);
    canvas.SetFont(font);
    TLogRect current = rect;
    for (const TCharLayout& cached : FLayouts) {
        const TCharLayout layout = Remeasure(canvas, cached);
        const TLogRect box =
            FVertical ? VerticalLineBox(current, cached) : HorizontalLineBox(current, cached);
        const QPoint centre =
            rotator.Transformed(QPoint(Div(box.Left + box.Right, 2), Div(box.Top + box.Bottom, 2)));
        DrawLineRotated(canvas, layout, FVertical ? FAngle + 90 : FAngle, centre);
        if (!cached.Codes.empty()) {
            for (const QPolygonF& band : DecorationBands(metrics, box, FVertical, underline, strikeOut)) {
                QPolygonF turned;
                for (const QPointF& p : band)
                    turned << QPointF(rotator.Transformed(p.toPoint()));
                canvas.Polygon(turned);
            }
        }
        if (FVertical)
            current.Right -= cached.LineHeight + FLineSpacing;
        else
            current.Top += cached.LineHeight + FLineSpacing;
    }
}

void TSimpleText::DrawOnArc(TTextCanvas& canvas, const TLogRect& rect)
{
    const int midX = Div(rect.Left + rect.Right, 2);
    const int midY = Div(rect.Top + rect.Bottom, 2);
    TRotator rotator(FAngle, QPoint(midX, midY));
    QPoint start = FVertical ? QPoint(midX, rect.Top) : QPoint(rect.Left, midY);
    QPoint end = FVertical ? QPoint(midX, rect.Bottom) : QPoint(rect.Right, midY);
    start = rotator.Transformed(start);
    end = rotator.Transformed(end);
    const double dx = end.x() - start.x(), dy = end.y() - start.y();
    const double chord = std::hypot(dx, dy);
    if (chord < 0.9)
        return; // no circle through two points that close
    const double b = std::abs(double(FBulge));
    const double mx = (start.x() + end.x()) / 2.0, my = (start.y() + end.y()) / 2.0;
    double r0, cx, cy;
    if (b < 1) {
        r0 = chord / 2;
        cx = mx;
        cy = my;
    } else {
        r0 = chord * chord / (8 * b) + b / 2;
        // The right-hand side of start->end on the page for an arch, the left for a sag.
        const double side = FBulge > 0 ? 1.0 : -1.0;
        const double nx = -dy / chord * side, ny = dx / chord * side;
        cx = mx + nx * (r0 - b);
        cy = my + ny * (r0 - b);
    }
    const int centreX = int(cx), centreY = int(cy), radius0 = int(r0);
    auto angleOf = [&](QPoint p) {
        double a = std::atan2(double(p.y() - centreY), double(p.x() - centreX));
        if (a < 0)
            a += 2 * M_PI;
        return a;
    };
    const bool increasing = FBulge > 0;
    const double q = angleOf(start);
    double span = increasing ? angleOf(end) - q : q - angleOf(end);
    if (span < 0)
        span += 2 * M_PI;
    const int H = LineHeight();
    PrepareCanvas(canvas);
    int R = radius0 + H / 2;
    const double sign = increasing ? 1.0 : -1.0;
    const TLogFont lineFont = canvas.Font();
    for (const TCharLayout& cached : FLayouts) {
        canvas.SetFont(lineFont);
        TCharLayout layout;
        MeasureLine(canvas, layout, cached.Text, 0, kAlignLeft, FCharSpacing);
        const int W = layout.Width();
        const double phi = R == H ? double(W) : double(W) / double(R - H);
        double theta0 = q, psi = phi;
        switch (FAlign) {
        case kAlignCenter:
            theta0 = q + sign * (span - phi) / 2;
            break;
        case kAlignRight:
            theta0 = q + sign * (span - phi);
            break;
        case kAlignJustify:
            psi = span;
            break;
        default:
            break;
        }
        const TLogRect square{centreX - R, centreY - R, centreX + R, centreY + R};
        DrawLineOnArc(canvas, square, layout, increasing, FVertical, psi, theta0);
        R -= H + FLineSpacing;
    }
    canvas.SetFont(lineFont);
}

} // namespace velmo
