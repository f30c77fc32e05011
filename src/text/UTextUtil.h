#pragma once
// The text utilities: glyph widths, glyph positions for the four alignments, line
// boxes, rotated and vertical fonts, face fallback, decoration metrics and drawing a
// line rotated or on an arc. They work on a canvas whose font is already prepared.
#include "draw/UStroke.h"
#include "text/UTextCanvas.h"
#include <QPointF>
#include <QString>
#include <string>
#include <vector>

namespace velmo {

using TABCArray = std::vector<TABC>;
using TIntArray = std::vector<int>;

// Align types.
constexpr int kAlignLeft = 0; // top for vertical text
constexpr int kAlignCenter = 1;
constexpr int kAlignRight = 2;   // bottom for vertical text
constexpr int kAlignJustify = 3; // spread over the available length

// One laid-out line: one entry per character (a surrogate pair is one character).
struct TCharLayout
{
    TABCArray Widths;
    TIntArray Positions;
    int InkStart = 0;
    int InkEnd = 0;
    int LineHeight = 0;
    QString Text;
    std::u32string Codes;
    int Width() const { return InkEnd - InkStart; }
};

// The glyph's widths; a tab is A = 0, C = 0 and B = the width of "0".
TABC GetGlyphABC(TTextCanvas& canvas, char32_t code);
// The widths of a line's characters, tabs widened to the next stop of 8 "0" widths
// counted by characters.
TABCArray MeasureWidths(TTextCanvas& canvas, const std::u32string& codes);
void MeasureLine(TTextCanvas& canvas, TCharLayout& layout, const QString& text, int length, int alignType,
                 int spacing);
void PositionGlyphs(const TABCArray& widths, int length, int spacing, int alignType, TIntArray& positions,
                    int& inkStart, int& inkEnd);
void RepositionLine(TCharLayout& layout, int length, int alignType, int spacing);
void ShiftLine(TCharLayout& layout, int d);
TLogRect HorizontalLineBox(const TLogRect& rect, const TCharLayout& layout);
TLogRect VerticalLineBox(const TLogRect& rect, const TCharLayout& layout);

// Escapement and orientation -tenths (clockwise tenths of a degree on the page).
void SetFontAngle(TLogFont& font, int tenths);
// The face's vertical form ("@" name) when it has one, at escapement 2700 - tenths.
void SetVerticalFont(TLogFont& font, int tenths);
// Replaces an unusable face by the first usable fallback face and sets the charset.
void ResolveFace(TTextCanvas& canvas);

struct TDecorationMetrics
{
    int UnderlineOffset = 0;
    int UnderlineThickness = 1;
    int StrikeOutOffset = 0;
    int StrikeOutThickness = 1;
};
TDecorationMetrics GetDecorationMetrics(TTextCanvas& canvas);
// The underline and strike-out bands of a line box, as closed quadrilaterals.
std::vector<QPolygonF> DecorationBands(const TDecorationMetrics& metrics, const TLogRect& box, bool vertical,
                                       bool underline, bool strikeOut);

// Draws the line's glyphs along direction angle (degrees, clockwise on the page)
// with the line's ink centred on centre.
void DrawLineRotated(TTextCanvas& canvas, const TCharLayout& layout, double angle, QPointF centre);
// Draws the line along the circle inscribed in square, from startAngle (radians)
// over angularWidth, towards increasing angles or decreasing ones.
void DrawLineOnArc(TTextCanvas& canvas, const TLogRect& square, const TCharLayout& layout, bool increasing,
                   bool vertical, double angularWidth, double startAngle);

} // namespace velmo
