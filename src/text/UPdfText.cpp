#include "text/UPdfText.h"
#include "text/UFontEngine.h"
#include <QFont>
#include <QFontDatabase>
#include <QHash>
#include <QPaintEngine>
#include <QPainter>
#include <atomic>

namespace velmo {

namespace {

// VELMO_PDF_TEXT_OUTLINES=1 draws PDF text as outlines, as every other device does:
// the way to compare a page with its text against the same page without it.
std::atomic<bool> GAsText{!qEnvironmentVariableIsSet("VELMO_PDF_TEXT_OUTLINES")};

struct TEmbeddable
{
    bool Found = false;
    QRawFont Font; // at an arbitrary size; resized per use
};

// Asked for the face's own family and style, the toolkit answers with the face it
// would draw; it is ours only when the tables that identify a font file (its header
// with checksum and dates, its glyph count) are equal byte for byte.
bool SameFace(const QRawFont& raw, TFontFace& face)
{
    if (!raw.isValid())
        return false;
    const QByteArray head = face.SfntTable("head");
    return !head.isEmpty() && raw.fontTable("head") == head &&
           raw.fontTable("maxp") == face.SfntTable("maxp");
}

QRawFont FontFor(const QString& family, const QString& style)
{
    QFont font(family);
    if (!style.isEmpty())
        font.setStyleName(style);
    font.setPixelSize(100);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoFontMerging | QFont::PreferOutline));
    return QRawFont::fromFont(font);
}

TEmbeddable Find(TFontFace& face)
{
    TEmbeddable result;
    QRawFont raw = FontFor(face.FamilyName(), face.StyleName());
    if (!SameFace(raw, face)) {
        // A face the system's font list does not know by that name (a file the
        // document's folder brought, a family fontconfig names otherwise): the file
        // itself, registered once.
        const int id = QFontDatabase::addApplicationFont(face.FileName());
        raw = QRawFont();
        if (id >= 0) {
            for (const QString& family : QFontDatabase::applicationFontFamilies(id)) {
                QRawFont candidate = FontFor(family, face.StyleName());
                if (SameFace(candidate, face)) {
                    raw = candidate;
                    break;
                }
            }
        }
    }
    if (SameFace(raw, face)) {
        result.Found = true;
        result.Font = raw;
    }
    return result;
}

} // namespace

bool DrawsGlyphsAsText(const QPainter& painter)
{
    if (!GAsText.load())
        return false;
    const QPaintEngine* engine = painter.paintEngine();
    return engine && engine->type() == QPaintEngine::Pdf;
}

TGlyphTextTarget* GlyphTextTarget(QPainter& painter)
{
    if (!GAsText.load())
        return nullptr;
    return dynamic_cast<TGlyphTextTarget*>(painter.paintEngine());
}

QRawFont EmbeddableFont(TFontFace& face, double pixelSize)
{
    if (face.Synthetic() || pixelSize <= 0)
        return {};
    static QHash<QString, TEmbeddable> cache;
    const QString key = face.FileName() + u'#' + QString::number(face.FaceIndex());
    auto found = cache.find(key);
    if (found == cache.end())
        found = cache.insert(key, Find(face));
    if (!found->Found)
        return {};
    QRawFont font = found->Font;
    font.setPixelSize(pixelSize);
    return font;
}

void SetGlyphsAsText(bool on)
{
    GAsText.store(on);
}

} // namespace velmo
