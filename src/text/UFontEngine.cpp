#include "text/UFontEngine.h"
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <QFile>
#include <cmath>
#include <hb-ot.h>
#include <hb.h>

namespace velmo {
namespace {

FT_Library Library()
{
    static FT_Library library = [] {
        FT_Library lib = nullptr;
        if (FT_Init_FreeType(&lib) != 0)
            lib = nullptr;
        return lib;
    }();
    return library;
}

// The slant of a synthetic italic (about 12 degrees) and the stroke added by a
// synthetic bold, as fractions of the em.
constexpr double kItalicShear = 0.21;
constexpr double kBoldStrength = 1.0 / 36.0;

struct TOutlineSink
{
    QPainterPath* Path;
    bool Open = false;
};

int MoveTo(const FT_Vector* to, void* user)
{
    auto* sink = static_cast<TOutlineSink*>(user);
    if (sink->Open)
        sink->Path->closeSubpath();
    sink->Path->moveTo(double(to->x), double(to->y));
    sink->Open = true;
    return 0;
}
int LineTo(const FT_Vector* to, void* user)
{
    static_cast<TOutlineSink*>(user)->Path->lineTo(double(to->x), double(to->y));
    return 0;
}
int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user)
{
    static_cast<TOutlineSink*>(user)->Path->quadTo(double(control->x), double(control->y), double(to->x),
                                                   double(to->y));
    return 0;
}
int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user)
{
    static_cast<TOutlineSink*>(user)->Path->cubicTo(double(c1->x), double(c1->y), double(c2->x),
                                                    double(c2->y), double(to->x), double(to->y));
    return 0;
}

bool FaceHasFeature(hb_face_t* face, hb_tag_t feature)
{
    unsigned int count = 64;
    hb_tag_t tags[64];
    unsigned int start = 0;
    for (;;) {
        count = 64;
        const unsigned int total =
            hb_ot_layout_table_get_feature_tags(face, HB_OT_TAG_GSUB, start, &count, tags);
        for (unsigned int i = 0; i < count; ++i)
            if (tags[i] == feature)
                return true;
        start += count;
        if (count == 0 || start >= total)
            return false;
    }
}

bool HasVerticalFeatures(hb_face_t* face)
{
    return FaceHasFeature(face, HB_TAG('v', 'e', 'r', 't')) ||
           FaceHasFeature(face, HB_TAG('v', 'r', 't', '2'));
}

} // namespace

struct TFontFace::TPrivate
{
    FT_Face Face = nullptr;
    hb_blob_t* Blob = nullptr;
    hb_face_t* HbFace = nullptr;
    hb_font_t* HbFont = nullptr;
    hb_buffer_t* Buffer = nullptr;
    ~TPrivate()
    {
        if (Buffer)
            hb_buffer_destroy(Buffer);
        if (HbFont)
            hb_font_destroy(HbFont);
        if (HbFace)
            hb_face_destroy(HbFace);
        if (Blob)
            hb_blob_destroy(Blob);
        if (Face)
            FT_Done_Face(Face);
    }
};

TFontFace::~TFontFace() = default;

std::shared_ptr<TFontFace> TFontFace::Load(const QString& fileName, int index, bool syntheticBold,
                                           bool syntheticItalic)
{
    FT_Library library = Library();
    if (!library || fileName.isEmpty())
        return nullptr;
    const QByteArray path = QFile::encodeName(fileName);
    std::shared_ptr<TFontFace> face(new TFontFace);
    face->d = std::make_unique<TPrivate>();
    if (FT_New_Face(library, path.constData(), index, &face->d->Face) != 0) {
        face->d->Face = nullptr;
        return nullptr;
    }
    FT_Face ft = face->d->Face;
    if (!FT_IS_SCALABLE(ft) || ft->units_per_EM == 0)
        return nullptr;
    if (FT_Select_Charmap(ft, FT_ENCODING_UNICODE) != 0 && ft->num_charmaps > 0)
        FT_Set_Charmap(ft, ft->charmaps[0]);
    face->FFileName = fileName;
    face->FFamily = QString::fromUtf8(ft->family_name ? ft->family_name : "");
    face->FStyle = QString::fromUtf8(ft->style_name ? ft->style_name : "");
    face->FIndex = index;
    face->FSyntheticBold = syntheticBold;
    face->FSyntheticItalic = syntheticItalic;

    TFaceMetrics& m = face->FMetrics;
    m.UnitsPerEm = ft->units_per_EM;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(ft, FT_SFNT_HHEA));
    const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(ft, FT_SFNT_POST));
    if (os2 && os2->version != 0xFFFF && (os2->usWinAscent + os2->usWinDescent) > 0) {
        m.Ascent = os2->usWinAscent;
        m.Descent = os2->usWinDescent;
    } else {
        m.Ascent = ft->ascender;
        m.Descent = -ft->descender;
    }
    if (m.Ascent + m.Descent <= 0) {
        m.Ascent = 0.88 * m.UnitsPerEm;
        m.Descent = 0.12 * m.UnitsPerEm;
    }
    if (hhea) {
        const double hheaHeight = double(hhea->Ascender) - double(hhea->Descender) + double(hhea->Line_Gap);
        m.ExternalLeading = std::max(0.0, hheaHeight - (m.Ascent + m.Descent));
    }
    if (post && os2 && os2->version != 0xFFFF) {
        m.HasOutlineMetrics = true;
        m.UnderlinePosition = post->underlinePosition;
        m.UnderlineThickness = std::max<double>(1, post->underlineThickness);
        m.StrikeoutPosition = os2->yStrikeoutPosition;
        m.StrikeoutSize = std::max<double>(1, os2->yStrikeoutSize);
    }

    // HarfBuzz reads the same file for the vertical forms and vertical metrics.
    face->d->Blob = hb_blob_create_from_file_or_fail(path.constData());
    if (face->d->Blob) {
        face->d->HbFace = hb_face_create(face->d->Blob, unsigned(index));
        face->d->HbFont = hb_font_create(face->d->HbFace);
        hb_font_set_scale(face->d->HbFont, int(m.UnitsPerEm), int(m.UnitsPerEm));
        face->d->Buffer = hb_buffer_create();
        face->FHasVerticalForms = HasVerticalFeatures(face->d->HbFace);
    }
    return face;
}

QByteArray TFontFace::SfntTable(const char* tag) const
{
    if (!d || !d->Face || qstrlen(tag) != 4)
        return {};
    const FT_ULong t = FT_MAKE_TAG(tag[0], tag[1], tag[2], tag[3]);
    FT_ULong length = 0;
    if (FT_Load_Sfnt_Table(d->Face, t, 0, nullptr, &length) != 0 || length == 0)
        return {};
    QByteArray table(qsizetype(length), Qt::Uninitialized);
    if (FT_Load_Sfnt_Table(d->Face, t, 0, reinterpret_cast<FT_Byte*>(table.data()), &length) != 0)
        return {};
    return table;
}

uint32_t TFontFace::GlyphIndex(char32_t code)
{
    const auto found = FGlyphIndex.constFind(code);
    if (found != FGlyphIndex.constEnd())
        return found.value();
    const uint32_t glyph = FT_Get_Char_Index(d->Face, FT_ULong(code));
    FGlyphIndex.insert(code, glyph);
    return glyph;
}

uint32_t TFontFace::VerticalGlyphIndex(char32_t code)
{
    const auto found = FVerticalIndex.constFind(code);
    if (found != FVerticalIndex.constEnd())
        return found.value();
    uint32_t glyph = GlyphIndex(code);
    if (glyph != 0 && FHasVerticalForms && d->HbFont) {
        // Shaped alone, top to bottom, as Japanese: the substitution the face's own
        // vertical features choose for this character.
        hb_buffer_t* buffer = d->Buffer;
        hb_buffer_reset(buffer);
        hb_buffer_add_utf32(buffer, reinterpret_cast<const uint32_t*>(&code), 1, 0, 1);
        hb_buffer_set_direction(buffer, HB_DIRECTION_TTB);
        hb_buffer_set_language(buffer, hb_language_from_string("ja", -1));
        hb_buffer_guess_segment_properties(buffer);
        hb_shape(d->HbFont, buffer, nullptr, 0);
        unsigned int count = 0;
        const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
        if (count == 1 && info[0].codepoint != 0)
            glyph = info[0].codepoint;
    }
    FVerticalIndex.insert(code, glyph);
    return glyph;
}

const QPainterPath& TFontFace::GlyphOutline(uint32_t glyph)
{
    auto found = FOutlines.find(glyph);
    if (found != FOutlines.end())
        return found.value();
    QPainterPath path;
    FT_Face ft = d->Face;
    if (FT_Load_Glyph(ft, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0 &&
        ft->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Outline* outline = &ft->glyph->outline;
        if (FSyntheticBold) {
            const FT_Pos strength = FT_Pos(std::lround(FMetrics.UnitsPerEm * kBoldStrength));
            FT_Outline_EmboldenXY(outline, strength, strength);
        }
        FT_Outline_Funcs funcs{};
        funcs.move_to = MoveTo;
        funcs.line_to = LineTo;
        funcs.conic_to = ConicTo;
        funcs.cubic_to = CubicTo;
        TOutlineSink sink{&path};
        FT_Outline_Decompose(outline, &funcs, &sink);
        if (sink.Open)
            path.closeSubpath();
        path.setFillRule(Qt::WindingFill);
        if (FSyntheticItalic)
            path = QTransform(1, 0, kItalicShear, 1, 0, 0).map(path);
    }
    return FOutlines.insert(glyph, path).value();
}

const TGlyphMetrics& TFontFace::GlyphMetrics(uint32_t glyph)
{
    auto found = FGlyphMetrics.find(glyph);
    if (found != FGlyphMetrics.end())
        return found.value();
    TGlyphMetrics m;
    FT_Face ft = d->Face;
    if (FT_Load_Glyph(ft, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0)
        m.Advance = double(ft->glyph->metrics.horiAdvance);
    if (FSyntheticBold)
        m.Advance += std::lround(FMetrics.UnitsPerEm * kBoldStrength);
    const QPainterPath& outline = GlyphOutline(glyph);
    if (!outline.isEmpty()) {
        const QRectF box = outline.boundingRect();
        m.XMin = box.left();
        m.XMax = box.right();
        m.YMin = box.top();
        m.YMax = box.bottom();
        m.HasInk = box.width() > 0 || box.height() > 0;
    }
    return FGlyphMetrics.insert(glyph, m).value();
}

TVerticalMetrics TFontFace::VerticalMetrics(uint32_t glyph)
{
    TVerticalMetrics v;
    if (d->HbFont) {
        v.Advance = -double(hb_font_get_glyph_v_advance(d->HbFont, glyph));
        hb_position_t x = 0, y = 0;
        hb_font_get_glyph_v_origin(d->HbFont, glyph, &x, &y);
        v.OriginX = x;
        v.OriginY = y;
    }
    if (v.Advance <= 0) {
        v.Advance = FMetrics.UnitsPerEm;
        v.OriginX = GlyphMetrics(glyph).Advance / 2;
        v.OriginY = FMetrics.Ascent;
    }
    return v;
}

bool FileHasVerticalForms(const QString& fileName, int index)
{
    hb_blob_t* blob = hb_blob_create_from_file_or_fail(QFile::encodeName(fileName).constData());
    if (!blob)
        return false;
    hb_face_t* face = hb_face_create(blob, unsigned(index));
    const bool result = HasVerticalFeatures(face);
    hb_face_destroy(face);
    hb_blob_destroy(blob);
    return result;
}

} // namespace velmo
