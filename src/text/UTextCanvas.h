#pragma once
// The canvas the text engine measures and draws on: a font with face, height in
// canvas units, escapement and the "@" vertical form; glyph ABC widths, text
// extents, text metrics and decoration metrics; drawing a string at a cell's
// top-left corner at the font's escapement; capturing what is drawn as a path.
//
// Canvas units are the painter's logical units (0.1 mm on label sites); the font
// resolution says how many of them make an inch (254). Widths are worked out the
// way a device works them out: at the device's own pixel size of the font, in whole
// device pixels, then given back in canvas units, so that every device may measure a
// line a little differently; the layout re-spaces each line to its measured width.
// Glyphs are always drawn from their outlines at the exact size, on every device.
#include "base/UGraphics.h"
#include "draw/UStroke.h"
#include <QPainterPath>
#include <QPoint>
#include <QPolygon>
#include <QString>
#include <QTransform>
#include <memory>
#include <vector>

class QPainter;

namespace velmo {

class TFontFace;

struct TABC
{
    int A = 0; // space before the ink
    int B = 0; // the ink
    int C = 0; // space after the ink
    int Width() const { return A + B + C; }
    bool operator==(const TABC&) const = default;
};

struct TTextMetric
{
    int Height = 0; // the cell: ascent + descent
    int Ascent = 0;
    int Descent = 0;
    int InternalLeading = 0;
    int ExternalLeading = 0;
    int PitchAndFamily = 0; // bit 4: an outline (TrueType-class) font
    int Charset = 1;
};

struct TOutlineTextMetric
{
    int Ascent = 0;
    int UnderscorePosition = 0; // above the baseline, negative below it
    int UnderscoreSize = 0;
    int StrikeoutPosition = 0;
    int StrikeoutSize = 0;
};

// What a canvas font is made from (the description of a font that can be read and
// created again).
struct TLogFont
{
    QString FaceName;   // "@" in front: the face's vertical form
    int Height = -12;   // negative: character (em) height; positive: cell height
    int Escapement = 0; // tenths of a degree, counter-clockwise
    int Orientation = 0;
    bool Bold = false;
    bool Italic = false;
    int Charset = DEFAULT_CHARSET;
    int Quality = 0;
    TColor Color = clBlack;
    bool operator==(const TLogFont&) const = default;
};

class TTextCanvas
{
public:
    // Draws on painter, whose transformation maps canvas units to device pixels.
    explicit TTextCanvas(QPainter* painter, int fontResolution = 254);
    // Draws nowhere (measures, captures paths); deviceScale device pixels make one
    // canvas unit.
    explicit TTextCanvas(double deviceScale = 1.0, int fontResolution = 254);
    ~TTextCanvas();
    TTextCanvas(const TTextCanvas&) = delete;
    TTextCanvas& operator=(const TTextCanvas&) = delete;

    // The process-wide measuring canvas: 254 units per inch, one unit a pixel.
    static TTextCanvas& Measuring();

    QPainter* Painter() const { return FPainter; }
    int FontResolution() const { return FFontResolution; }

    const TLogFont& Font() const { return FFont; }
    void SetFont(const TLogFont& font);

    // The character's widths in the current font; always succeeds (characters no
    // installed face has get the face's missing-glyph box).
    TABC CharABCWidths(char32_t code);
    // The advance of a string: width along the line, the cell height across it.
    QSize TextExtent(QStringView text);
    TTextMetric TextMetrics();
    // False when the face has no outline metrics.
    bool OutlineTextMetrics(TOutlineTextMetric& metrics);

    // Draws the characters one after the other from the point, which is the
    // top-left corner of the first character's cell (before escapement).
    void TextOut(QPoint point, QStringView text);
    // A filled polygon in the font colour.
    void Polygon(const QPolygonF& points);

    // Between BeginPath and EndPath nothing is painted; what would be drawn is
    // collected as closed figures in canvas units.
    void BeginPath();
    void EndPath();
    const QPainterPath& Path() const { return FPath; }

    // Paints what is waiting (glyphs are filled in batches of one colour).
    void Flush();
    // Glyphs painted so far as filled outlines, and as text (PDF pages only).
    int OutlinedGlyphs() const { return FOutlinedGlyphs; }
    int TextGlyphs() const { return FTextGlyphs; }

    // The face the font draws with after fallback (never empty when any font loads).
    QString RealizedFamily();

private:
    struct TRealized;
    TRealized& Realize();
    // The face holding the character, its glyph, and whether it stands upright.
    struct TGlyphRef;
    TGlyphRef Glyph(char32_t code);
    int DeviceRound(double designUnits, double unitsPerEm);
    void AddFigures(const QPainterPath& path);
    void FlushTextGlyphs();

    // A glyph waiting to be drawn as text: its face, glyph and the mapping of its
    // design units onto the canvas.
    struct TTextGlyph
    {
        TFontFace* Face;
        uint32_t Glyph;
        char32_t Code;
        QTransform Mapping;
    };

    QPainter* FPainter = nullptr;
    int FFontResolution = 254;
    double FDeviceScale = 1.0;
    TLogFont FFont;
    std::unique_ptr<TRealized> FRealized;
    bool FInPath = false;
    QPainterPath FPath;
    QPainterPath FPending;
    TColor FPendingColor = clBlack;
    bool FAsText = false;
    std::vector<TTextGlyph> FPendingText;
    int FOutlinedGlyphs = 0;
    int FTextGlyphs = 0;
};

} // namespace velmo
