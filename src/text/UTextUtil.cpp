#include "text/UTextUtil.h"
#include "base/UNumbers.h"
#include "text/UFontList.h"
#include "text/UStringUtil.h"
#include <QPolygonF>
#include <climits>
#include <cmath>

namespace velmo {

TABC GetGlyphABC(TTextCanvas& canvas, char32_t code)
{
    if (code == U'\t') {
        TABC abc;
        abc.B = canvas.TextExtent(u"0").width();
        return abc;
    }
    return canvas.CharABCWidths(code);
}

TABCArray MeasureWidths(TTextCanvas& canvas, const std::u32string& codes)
{
    TABCArray widths;
    widths.reserve(codes.size());
    for (size_t i = 0; i < codes.size(); ++i) {
        TABC abc = GetGlyphABC(canvas, codes[i]);
        if (codes[i] == U'\t')
            abc.B *= 8 - int(i % 8);
        widths.push_back(abc);
    }
    return widths;
}

void PositionGlyphs(const TABCArray& widths, int length, int spacing, int alignType, TIntArray& positions,
                    int& inkStart, int& inkEnd)
{
    const size_t n = widths.size();
    positions.assign(n, 0);
    const int s = alignType == kAlignJustify ? 0 : spacing;
    int64_t pen = 0;
    int64_t m = 0, M = 0;
    bool first = true;
    for (size_t i = 0; i < n; ++i) {
        positions[i] = int(pen);
        pen += widths[i].A;
        m = first ? pen : std::min(m, pen);
        pen += widths[i].B;
        M = first ? pen : std::max(M, pen);
        first = false;
        pen += widths[i].C + s;
    }
    if (alignType == kAlignJustify) {
        const int64_t extra = int64_t(length) - (M - m);
        pen = -m;
        int64_t previous = 0;
        for (size_t i = 0; i < n; ++i) {
            positions[i] = int(pen);
            pen += widths[i].Width();
            if (n >= 2) {
                const int64_t k = int64_t(i) + 1;
                const int64_t h = Div64(k * extra, int64_t(n) - 1);
                pen += h - previous;
                previous = h;
            }
        }
        inkStart = 0;
        inkEnd = length;
        return;
    }
    int64_t d = 0;
    if (alignType == kAlignRight)
        d = int64_t(length) - M;
    else if (alignType == kAlignCenter)
        d = Div64(int64_t(length) - M - m, 2);
    else
        d = -m;
    for (int& p : positions)
        p = int(p + d);
    inkStart = int(m + d);
    inkEnd = int(M + d);
}

void MeasureLine(TTextCanvas& canvas, TCharLayout& layout, const QString& text, int length, int alignType,
                 int spacing)
{
    layout.Text = text;
    layout.Codes = ToCodes(text);
    layout.Widths = MeasureWidths(canvas, layout.Codes);
    PositionGlyphs(layout.Widths, length, spacing, alignType, layout.Positions, layout.InkStart,
                   layout.InkEnd);
    layout.LineHeight = canvas.TextMetrics().Height;
}

void RepositionLine(TCharLayout& layout, int length, int alignType, int spacing)
{
    PositionGlyphs(layout.Widths, length, spacing, alignType, layout.Positions, layout.InkStart,
                   layout.InkEnd);
}

void ShiftLine(TCharLayout& layout, int d)
{
    for (int& p : layout.Positions)
        p += d;
    layout.InkStart += d;
    layout.InkEnd += d;
}

TLogRect HorizontalLineBox(const TLogRect& rect, const TCharLayout& layout)
{
    return {rect.Left + layout.InkStart, rect.Top, rect.Left + layout.InkEnd, rect.Top + layout.LineHeight};
}

TLogRect VerticalLineBox(const TLogRect& rect, const TCharLayout& layout)
{
    return {rect.Right - layout.LineHeight, rect.Top + layout.InkStart, rect.Right, rect.Top + layout.InkEnd};
}

void SetFontAngle(TLogFont& font, int tenths)
{
    if (font.Escapement != -tenths || font.Orientation != -tenths) {
        font.Escapement = -tenths;
        font.Orientation = -tenths;
    }
}

void SetVerticalFont(TLogFont& font, int tenths)
{
    QString face = font.FaceName;
    if (!face.startsWith(u'@'))
        face.prepend(u'@');
    if (!IsVerticalFace(face))
        face.remove(0, 1);
    const int escapement = 2700 - tenths;
    if (font.Escapement == escapement && font.Orientation == escapement && font.FaceName == face)
        return;
    font.FaceName = face;
    font.Escapement = escapement;
    font.Orientation = escapement;
}

void ResolveFace(TTextCanvas& canvas)
{
    TLogFont font = canvas.Font();
    if (IsFaceUnusable(font.FaceName)) {
        const QStringList& fallbacks = FallbackFaces();
        QString chosen = fallbacks.last();
        for (const QString& face : fallbacks) {
            if (!IsFaceUnusable(face)) {
                chosen = face;
                break;
            }
        }
        font.FaceName = chosen;
    }
    font.Charset = FaceCharset(font.FaceName);
    canvas.SetFont(font);
}

TDecorationMetrics GetDecorationMetrics(TTextCanvas& canvas)
{
    TDecorationMetrics d;
    TOutlineTextMetric otm;
    if (canvas.OutlineTextMetrics(otm)) {
        d.UnderlineOffset = otm.Ascent - otm.UnderscorePosition;
        d.UnderlineThickness = otm.UnderscoreSize;
        d.StrikeOutOffset = otm.Ascent - otm.StrikeoutPosition;
        d.StrikeOutThickness = otm.StrikeoutSize;
    } else {
        const TTextMetric tm = canvas.TextMetrics();
        d.UnderlineOffset = tm.ExternalLeading + tm.Ascent;
        d.StrikeOutOffset = MulDiv(tm.Ascent, 3, 4) + tm.ExternalLeading;
    }
    return d;
}

std::vector<QPolygonF> DecorationBands(const TDecorationMetrics& metrics, const TLogRect& box, bool vertical,
                                       bool underline, bool strikeOut)
{
    // Each band covers [x0, x1) x [y0, y1) exactly, as a filled polygon with a
    // one-pixel border covers it on the measuring canvas.
    std::vector<QPolygonF> bands;
    auto band = [&](int offset, int thickness) {
        double x0, y0, x1, y1;
        if (vertical) {
            x0 = box.Right - offset - thickness;
            x1 = box.Right - offset;
            y0 = box.Top;
            y1 = box.Bottom;
        } else {
            x0 = box.Left;
            x1 = box.Right;
            y0 = box.Top + offset;
            y1 = box.Top + offset + thickness;
        }
        if (x1 <= x0 || y1 <= y0)
            return;
        bands.push_back(QPolygonF({QPointF(x0, y0), QPointF(x1, y0), QPointF(x1, y1), QPointF(x0, y1)}));
    };
    if (underline)
        band(metrics.UnderlineOffset, metrics.UnderlineThickness);
    if (strikeOut)
        band(metrics.StrikeOutOffset, metrics.StrikeOutThickness);
    return bands;
}

void DrawLineRotated(TTextCanvas& canvas, const TCharLayout& layout, double angle, QPointF centre)
{
    const double a = angle * M_PI / 180.0;
    const double ux = std::cos(a), uy = std::sin(a);
    const double c = (layout.InkStart + layout.InkEnd) / 2.0;
    const double h = layout.LineHeight;
    for (size_t j = 0; j < layout.Codes.size() && j < layout.Positions.size(); ++j) {
        if (layout.Codes[j] == U'\t')
            continue;
        const double d = layout.Positions[j] - c;
        const double x = centre.x() + d * ux + (h / 2) * std::sin(a);
        const double y = centre.y() + d * uy - (h / 2) * std::cos(a);
        canvas.TextOut(QPoint(int(std::floor(x)), int(std::floor(y))),
                       QStringView(FromCode(layout.Codes[j])));
    }
}

void DrawLineOnArc(TTextCanvas& canvas, const TLogRect& square, const TCharLayout& layout, bool increasing,
                   bool vertical, double angularWidth, double startAngle)
{
    const int W = layout.Width();
    const int H = layout.LineHeight;
    const size_t n = layout.Codes.size();
    if (W == 0 || H == 0 || n == 0)
        return;
    const double cx = (square.Left + square.Right) / 2.0;
    const double cy = (square.Top + square.Bottom) / 2.0;
    const int rOut = std::min(square.Width(), square.Height()) / 2;
    const double rMid = rOut - H / 2.0;
    const double D = rOut - H == 0 ? 1.0 : double(rOut - H);
    const double gap = n > 1 ? (angularWidth - W / D) / double(n - 1) : 0.0;
    const double sign = increasing ? 1.0 : -1.0;
    for (size_t i = 0; i < n; ++i) {
        if (layout.Codes[i] == U'\t')
            continue;
        const TABC& w = layout.Widths[i];
        const double ink = layout.Positions[i] + w.A + w.B / 2.0;
        const double theta = startAngle + sign * (double(i) * gap + ink / D);
        const QPointF p(cx + std::cos(theta) * rMid, cy + std::sin(theta) * rMid);
        const double turn = theta * 180.0 / M_PI + (increasing ? 90.0 : -90.0);
        TLogFont font = canvas.Font();
        const int tenths = RoundHalfAway(10.0 * turn);
        if (vertical)
            SetVerticalFont(font, tenths + 2700);
        else
            SetFontAngle(font, tenths);
        canvas.SetFont(font);
        TCharLayout single;
        MeasureLine(canvas, single, FromCode(layout.Codes[i]), 0, kAlignLeft, 0);
        DrawLineRotated(canvas, single, turn, p);
    }
}

} // namespace velmo
