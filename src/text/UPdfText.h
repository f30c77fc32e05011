#pragma once
// Glyphs that stay text in PDF output. On screens and bitmaps the text engine fills
// glyph outlines; on a PDF page (files and the CUPS spool alike) the same glyphs
// go as text in an embedded, subset font: a fraction of the bytes, searchable and
// copyable, drawn by the reader from the very outlines we would have filled.
//
// The PDF writer embeds only fonts it opened itself from their file, so the face is
// looked up again through the toolkit's font database and taken only when its
// tables are the same bytes as ours; anything else is drawn as outlines as before.
#include <QColor>
#include <QRawFont>
#include <QTransform>
#include <vector>

class QPainter;

namespace velmo {

class TFontFace;

// A glyph placed by the text engine: its outline's mapping (font units, y up) into
// the painter's logical coordinates, and the character it shows.
struct TPlacedGlyph
{
    TFontFace* Face;
    uint32_t Glyph;
    char32_t Code;
    QTransform Mapping;
};

// A paint engine that takes glyphs as text itself (our PDF writer): given the
// glyphs with the painter's state already synchronised, it keeps them as text in
// a font it embeds. Faces it cannot embed it refuses (false) and they are filled.
class TGlyphTextTarget
{
public:
    virtual ~TGlyphTextTarget() = default;
    virtual bool CanEmbed(TFontFace& face) = 0;
    virtual void DrawGlyphs(const QColor& color, const std::vector<TPlacedGlyph>& glyphs) = 0;
};

// The painter's engine as a glyph target, when it is one and glyphs go as text.
TGlyphTextTarget* GlyphTextTarget(QPainter& painter);

// Whether glyphs drawn on this painter go as text (a PDF page, and the switch on).
bool DrawsGlyphsAsText(const QPainter& painter);

// The face at the pixel size, as a font the PDF writer embeds; invalid when the
// toolkit has no font that is this very face.
QRawFont EmbeddableFont(TFontFace& face, double pixelSize);

// On by default; tests and comparisons switch it off to get outlines everywhere.
void SetGlyphsAsText(bool on);

} // namespace velmo
