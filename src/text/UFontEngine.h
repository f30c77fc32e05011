#pragma once
// Loaded font faces: glyph lookup, glyph ink and advance, outlines, the vertical
// forms of a face (HarfBuzz's vert/vrt2 substitution) and the face's line metrics,
// all in the face's own design units. FreeType and HarfBuzz stay behind this header.
#include <QHash>
#include <QPainterPath>
#include <QString>
#include <cstdint>
#include <memory>

namespace velmo {

// A glyph's advance and ink box in design units, y growing upwards.
struct TGlyphMetrics
{
    double Advance = 0;
    double XMin = 0, XMax = 0, YMin = 0, YMax = 0;
    bool HasInk = false;
};

// How a glyph stands in a vertical line: its advance down the column and the point
// (relative to its horizontal origin, y up) that lies on the column's centre line at
// the top of its cell.
struct TVerticalMetrics
{
    double Advance = 0;
    double OriginX = 0, OriginY = 0;
};

// The lines of a face (design units): the cell (win ascent and descent), the
// typographic ascender and gap, and the decoration positions and sizes.
struct TFaceMetrics
{
    int UnitsPerEm = 1000;
    double Ascent = 800, Descent = 200; // the cell: ascent above, descent below the baseline
    double ExternalLeading = 0;
    bool HasOutlineMetrics = false;
    double UnderlinePosition = -100, UnderlineThickness = 50; // position: y of the top edge, up
    double StrikeoutPosition = 250, StrikeoutSize = 50;
};

class TFontFace
{
public:
    // nullptr when the file is missing or no face can be read from it.
    static std::shared_ptr<TFontFace> Load(const QString& fileName, int index, bool syntheticBold,
                                           bool syntheticItalic);
    ~TFontFace();
    TFontFace(const TFontFace&) = delete;
    TFontFace& operator=(const TFontFace&) = delete;

    const QString& FileName() const { return FFileName; }
    const QString& FamilyName() const { return FFamily; }
    const QString& StyleName() const { return FStyle; }
    int FaceIndex() const { return FIndex; }
    // True when bold or italic is made up from a regular face: its outlines are not
    // the file's own.
    bool Synthetic() const { return FSyntheticBold || FSyntheticItalic; }
    // One of the file's tables (tag as four characters, "head"), empty when absent.
    QByteArray SfntTable(const char* tag) const;
    const TFaceMetrics& Metrics() const { return FMetrics; }
    // True when the face has vertical forms (a vert or vrt2 feature).
    bool HasVerticalForms() const { return FHasVerticalForms; }

    // 0 when the face has no glyph for the character.
    uint32_t GlyphIndex(char32_t code);
    // The glyph the face uses for the character in a vertical line (after vert and
    // vrt2); the horizontal glyph when there is no vertical form.
    uint32_t VerticalGlyphIndex(char32_t code);
    const TGlyphMetrics& GlyphMetrics(uint32_t glyph);
    TVerticalMetrics VerticalMetrics(uint32_t glyph);
    // Closed figures in design units, y up; empty for blank glyphs.
    const QPainterPath& GlyphOutline(uint32_t glyph);

private:
    TFontFace() = default;
    struct TPrivate;
    std::unique_ptr<TPrivate> d;
    QString FFileName;
    QString FFamily;
    QString FStyle;
    int FIndex = 0;
    TFaceMetrics FMetrics;
    bool FHasVerticalForms = false;
    bool FSyntheticBold = false;
    bool FSyntheticItalic = false;
    QHash<char32_t, uint32_t> FGlyphIndex;
    QHash<char32_t, uint32_t> FVerticalIndex;
    QHash<uint32_t, TGlyphMetrics> FGlyphMetrics;
    QHash<uint32_t, QPainterPath> FOutlines;
};

// True when the file holds a face that declares vertical forms (cheap: reads the
// layout tables only).
bool FileHasVerticalForms(const QString& fileName, int index);

} // namespace velmo
