#include "print/UPdfEngine.h"
#include "text/UFontEngine.h"
#include "text/UPdfText.h"
#include <QDateTime>
#include <QFontMetricsF>
#include <QHash>
#include <QIODevice>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPixmap>
#include <QTextItem>
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>
#include <zlib.h>

namespace velmo {

namespace {

// Page contents are written once and read by every viewer: the fast end of
// deflate keeps a long run's time in drawing, at a few per cent more bytes.
constexpr int kContentLevel = 3;
// Pictures are few and large: compressed as well as zlib can.
constexpr int kImageLevel = 6;
// Bitmaps for brushes without a PDF form are made at no more than this.
constexpr double kRasterDpi = 300;
constexpr qint64 kRasterPixels = qint64(40) << 20;

double Rounded(double v)
{
    return std::round(v * 1000.0) / 1000.0;
}

// Thousandths, written by hand: the number formatting of the standard library is
// a tenth of a long run's time.
void Num(QByteArray& out, double v, int decimals = 3)
{
    static constexpr double kScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
    if (!std::isfinite(v))
        v = 0;
    v = std::clamp(v, -1e9, 1e9);
    long long scaled = std::llround(v * kScale[decimals]);
    char buffer[40];
    char* end = buffer + sizeof buffer;
    char* p = end;
    *--p = ' ';
    const bool negative = scaled < 0;
    unsigned long long u = negative ? 0ULL - static_cast<unsigned long long>(scaled) : scaled;
    const auto unit = static_cast<unsigned long long>(kScale[decimals]);
    unsigned long long fraction = u % unit;
    u /= unit;
    if (fraction != 0) {
        int digits = decimals;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        for (int i = 0; i < digits; ++i) {
            *--p = char('0' + fraction % 10);
            fraction /= 10;
        }
        *--p = '.';
    }
    do {
        *--p = char('0' + u % 10);
        u /= 10;
    } while (u != 0);
    if (negative && (p[0] != '0' || p[1] != ' '))
        *--p = '-';
    out.append(p, end - p);
}

// A matrix's scale and turn need more digits than a position: they multiply
// coordinates of thousands of units.
void Matrix(QByteArray& out, const QTransform& m)
{
    Num(out, m.m11(), 6);
    Num(out, m.m12(), 6);
    Num(out, m.m21(), 6);
    Num(out, m.m22(), 6);
    Num(out, m.dx());
    Num(out, m.dy());
}

QByteArray Deflate(const QByteArray& data, int level)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()), level) != Z_OK)
        return {};
    out.resize(qsizetype(size));
    return out;
}

// Compresses one page's contents on a second thread while the next page is drawn.
class TDeflater
{
public:
    TDeflater() : FThread([this] { Run(); }) {}
    ~TDeflater()
    {
        {
            std::lock_guard lock(FMutex);
            FStop = true;
        }
        FChanged.notify_all();
        FThread.join();
    }
    TDeflater(const TDeflater&) = delete;
    TDeflater& operator=(const TDeflater&) = delete;

    // Only after the previous result was taken.
    void Submit(QByteArray data, int level)
    {
        {
            std::lock_guard lock(FMutex);
            FInput = std::move(data);
            FLevel = level;
            FHasInput = true;
        }
        FChanged.notify_all();
    }

    QByteArray Take()
    {
        std::unique_lock lock(FMutex);
        FChanged.wait(lock, [this] { return FHasOutput; });
        FHasOutput = false;
        return std::move(FOutput);
    }

private:
    void Run()
    {
        std::unique_lock lock(FMutex);
        for (;;) {
            FChanged.wait(lock, [this] { return FHasInput || FStop; });
            if (!FHasInput)
                return;
            QByteArray input = std::move(FInput);
            FHasInput = false;
            const int level = FLevel;
            lock.unlock();
            QByteArray output = Deflate(input, level);
            input = QByteArray();
            lock.lock();
            FOutput = std::move(output);
            FHasOutput = true;
            FChanged.notify_all();
        }
    }

    std::mutex FMutex;
    std::condition_variable FChanged;
    QByteArray FInput, FOutput;
    int FLevel = 0;
    bool FHasInput = false, FHasOutput = false, FStop = false;
    std::thread FThread; // last: started once the rest is set up
};

// A text string as UTF-16BE with its byte order mark, in hex.
QByteArray TextString(const QString& text)
{
    QByteArray out = "<FEFF";
    for (const QChar c : text)
        out += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    out += '>';
    return out;
}

QByteArray Hex2(int code)
{
    return QByteArray::number(code, 16).rightJustified(2, '0').toUpper();
}

QByteArray Utf16Hex(char32_t code)
{
    QByteArray out;
    auto unit = [&](uint u) { out += QByteArray::number(u, 16).rightJustified(4, '0').toUpper(); };
    if (code >= 0x10000) {
        const uint c = uint(code) - 0x10000;
        unit(0xD800 + (c >> 10));
        unit(0xDC00 + (c & 0x3FF));
    } else {
        unit(uint(code));
    }
    return out;
}

void PathOps(QByteArray& out, const QPainterPath& path)
{
    const int n = path.elementCount();
    QPointF start;
    int subpathElements = 0;
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            if (subpathElements > 2 && path.elementAt(i - 1).x == start.x() &&
                path.elementAt(i - 1).y == start.y())
                out += "h\n";
            start = QPointF(e.x, e.y);
            subpathElements = 1;
            Num(out, e.x);
            Num(out, e.y);
            out += "m\n";
            break;
        case QPainterPath::LineToElement:
            ++subpathElements;
            Num(out, e.x);
            Num(out, e.y);
            out += "l\n";
            break;
        case QPainterPath::CurveToElement:
            if (i + 2 < n) {
                const QPainterPath::Element& c2 = path.elementAt(i + 1);
                const QPainterPath::Element& to = path.elementAt(i + 2);
                Num(out, e.x);
                Num(out, e.y);
                Num(out, c2.x);
                Num(out, c2.y);
                Num(out, to.x);
                Num(out, to.y);
                out += "c\n";
                i += 2;
                subpathElements += 3;
            }
            break;
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    if (subpathElements > 2 && n > 0 && path.elementAt(n - 1).x == start.x() &&
        path.elementAt(n - 1).y == start.y())
        out += "h\n";
}

// What the content stream has set at the current nesting of clips.
struct TGState
{
    QRgb Fill = 0xFF000000;
    QRgb Stroke = 0xFF000000;
    double Width = 1;
    int Cap = 0;
    int Join = 0;
    double Miter = 10;
    QByteArray Dash = "[] 0";
    int Alpha = -1; // index of the ExtGState in use; -1: none (opaque)
};

struct TGlyphEntry
{
    QByteArray Proc;
    double Advance = 0;
    char32_t Code = 0;
};

// One Type 3 font: at most 256 glyphs of one face.
struct TType3Font
{
    int Object = 0;
    double UnitsPerEm = 1000;
    QRectF Box;
    std::vector<TGlyphEntry> Glyphs;
};

struct TFaceFonts
{
    std::vector<int> Fonts;                 // indexes into the engine's fonts
    QHash<uint32_t, QPair<int, int>> Slots; // glyph → (font, code)
};

struct TImageKey
{
    qint64 Key;
    QRect Source;
    bool Smooth;
    bool operator==(const TImageKey& o) const
    {
        return Key == o.Key && Source == o.Source && Smooth == o.Smooth;
    }
};

size_t qHash(const TImageKey& k, size_t seed = 0)
{
    return qHashMulti(seed, k.Key, k.Source.x(), k.Source.y(), k.Source.width(), k.Source.height(), k.Smooth);
}

} // namespace

class TPdfEngine final : public QPaintEngine, public TGlyphTextTarget
{
public:
    TPdfEngine(QIODevice& out, QSizeF pageSize, int dpi)
        : QPaintEngine(QPaintEngine::AllFeatures &
                       ~(QPaintEngine::PorterDuff | QPaintEngine::PerspectiveTransform |
                         QPaintEngine::BlendModes | QPaintEngine::RasterOpModes)),
          FOut(out), FPageSize(pageSize), FDpi(dpi)
    {
    }

    QString Title, Creator;

    bool begin(QPaintDevice*) override
    {
        if (FStarted)
            return false;
        FStarted = true;
        Write(QByteArray("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"));
        FCatalog = NewObject();
        FPagesObject = NewObject();
        FResources = NewObject();
        FInfo = NewObject();
        StartPage();
        setActive(true);
        return !FFailed;
    }

    bool end() override
    {
        if (FEnded)
            return !FFailed;
        FEnded = true;
        FinishPage();
        WriteQueuedPage();
        FDeflater.reset();
        WriteFonts();
        WriteResources();
        QByteArray pages = "<< /Type /Pages /Kids [";
        for (const int page : FPageObjects) {
            pages += QByteArray::number(page);
            pages += " 0 R ";
        }
        pages += "] /Count " + QByteArray::number(qsizetype(FPageObjects.size())) + " >>";
        WriteObject(FPagesObject, pages);
        WriteObject(FCatalog, "<< /Type /Catalog /Pages " + QByteArray::number(FPagesObject) + " 0 R >>");
        QByteArray info = "<< /Producer " + TextString(QStringLiteral("Velmo"));
        if (!Title.isEmpty())
            info += " /Title " + TextString(Title);
        if (!Creator.isEmpty())
            info += " /Creator " + TextString(Creator);
        info += " /CreationDate (D:" +
                QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() +
                "Z) >>";
        WriteObject(FInfo, info);
        const qint64 xref = FWritten;
        QByteArray table =
            "xref\n0 " + QByteArray::number(qsizetype(FOffsets.size() + 1)) + "\n0000000000 65535 f \n";
        for (const qint64 offset : FOffsets) {
            table += QByteArray::number(offset).rightJustified(10, '0');
            table += " 00000 n \n";
        }
        table += "trailer\n<< /Size " + QByteArray::number(qsizetype(FOffsets.size() + 1)) + " /Root " +
                 QByteArray::number(FCatalog) + " 0 R /Info " + QByteArray::number(FInfo) +
                 " 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
        Write(table);
        setActive(false);
        return !FFailed;
    }

    bool NewPage()
    {
        if (!FStarted || FEnded)
            return false;
        FinishPage();
        StartPage();
        return !FFailed;
    }

    bool Failed() const { return FFailed; }
    int PageCount() const
    {
        return int(FPageObjects.size()) + (FQueuedPage ? 1 : 0) + (FStarted && !FEnded ? 1 : 0);
    }
    Type type() const override { return QPaintEngine::Pdf; }

    void updateState(const QPaintEngineState& s) override
    {
        const DirtyFlags flags = s.state();
        if (flags & DirtyTransform)
            FMatrix = s.transform();
        if (flags & DirtyPen)
            FPen = s.pen();
        if (flags & DirtyBrush)
            FBrush = s.brush();
        if (flags & DirtyBrushOrigin)
            FBrushOrigin = s.brushOrigin();
        if (flags & DirtyOpacity)
            FOpacity = std::clamp(s.opacity(), 0.0, 1.0);
        if (flags & DirtyHints)
            FHints = s.renderHints();
        if (flags & DirtyClipEnabled)
            FClipEnabled = s.isClipEnabled();
        if (flags & (DirtyClipPath | DirtyClipRegion)) {
            QPainterPath path;
            if (flags & DirtyClipPath) {
                path = s.clipPath();
            } else {
                path.addRegion(s.clipRegion());
            }
            switch (s.clipOperation()) {
            case Qt::NoClip:
                FClips.clear();
                FClipEnabled = false;
                break;
            case Qt::ReplaceClip:
                FClips.clear();
                FClips.push_back(FMatrix.map(path));
                FClipEnabled = true;
                break;
            case Qt::IntersectClip:
                FClips.push_back(FMatrix.map(path));
                FClipEnabled = true;
                break;
            }
        }
    }

    void drawPath(const QPainterPath& path) override
    {
        DrawShape([&](QByteArray& out) { PathOps(out, path); }, [&] { return path; }, path.fillRule(), true);
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        if (count <= 0)
            return;
        auto build = [&] {
            QPainterPath path;
            path.setFillRule(mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
            path.moveTo(points[0]);
            for (int i = 1; i < count; ++i)
                path.lineTo(points[i]);
            if (mode != PolylineMode)
                path.closeSubpath();
            return path;
        };
        DrawShape(
            [&](QByteArray& out) {
                Num(out, points[0].x());
                Num(out, points[0].y());
                out += "m\n";
                for (int i = 1; i < count; ++i) {
                    Num(out, points[i].x());
                    Num(out, points[i].y());
                    out += "l\n";
                }
                if (mode != PolylineMode)
                    out += "h\n";
            },
            build, mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill, mode != PolylineMode);
    }

    void drawRects(const QRectF* rects, int count) override
    {
        if (count <= 0)
            return;
        DrawShape(
            [&](QByteArray& out) {
                for (int i = 0; i < count; ++i) {
                    Num(out, rects[i].x());
                    Num(out, rects[i].y());
                    Num(out, rects[i].width());
                    Num(out, rects[i].height());
                    out += "re\n";
                }
            },
            [&] {
                QPainterPath path;
                for (int i = 0; i < count; ++i)
                    path.addRect(rects[i]);
                return path;
            },
            Qt::WindingFill, true);
    }

    void drawPixmap(const QRectF& r, const QPixmap& pixmap, const QRectF& sr) override
    {
        if (!pixmap.isNull())
            DrawPicture(r, pixmap.cacheKey(), sr, [&] { return pixmap.toImage(); });
    }

    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags) override
    {
        if (!image.isNull())
            DrawPicture(r, image.cacheKey(), sr, [&] { return image; });
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        // Text the toolkit lays out itself is drawn as outlines; invisible text (the
        // searchable copy over text drawn as outlines) goes as invisible text.
        if (FPen.style() != Qt::NoPen && FPen.color().alpha() != 0) {
            QPaintEngine::drawTextItem(p, item);
            return;
        }
        const QString text = item.text();
        if (text.isEmpty())
            return;
        const QFont font = item.font();
        const double size = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * FDpi / 72.0;
        if (size <= 0)
            return;
        QFont measured = font;
        measured.setPixelSize(100);
        const QFontMetricsF metrics(measured);
        EnsureClip();
        FContent += "q BT 3 Tr\n";
        Matrix(FContent, QTransform(1, 0, 0, -1, p.x(), p.y()) * FMatrix);
        FContent += "Tm\n";
        int current = -1;
        QByteArray run;
        auto flush = [&] {
            if (!run.isEmpty())
                FContent += '<' + run + "> Tj\n";
            run.clear();
        };
        for (const char32_t code : text.toUcs4()) {
            const QPair<int, int> slot = Slot(FInvisible, 1000, code, code, [&](TGlyphEntry& e) {
                e.Advance = metrics.horizontalAdvance(QString::fromUcs4(&code, 1)) * 10.0;
                e.Proc = QByteArray::number(qRound(e.Advance)) + " 0 0 0 0 0 d1\n";
            });
            if (slot.first != current) {
                flush();
                FContent += "/T" + QByteArray::number(slot.first) + ' ';
                Num(FContent, size);
                FContent += "Tf\n";
                current = slot.first;
            }
            run += Hex2(slot.second);
        }
        flush();
        FContent += "ET Q\n";
    }

    bool CanEmbed(TFontFace& face) override { return !face.Synthetic(); }

    void DrawGlyphs(const QColor& color, const std::vector<TPlacedGlyph>& glyphs) override
    {
        if (glyphs.empty())
            return;
        EnsureClip();
        SetFill(color.rgb());
        SetAlpha(color.alphaF() * FOpacity, Current().Alpha >= 0 ? FAlphas[Current().Alpha].second : 1.0);
        FContent += "BT\n";
        // A run of glyphs in one direction is one text matrix and moves between
        // the glyphs' origins, measured from where the last move really went.
        int current = -1;
        double size = -1;
        double d[4] = {0, 0, 0, 0};
        QPointF origin;
        bool placed = false;
        const TFontFace* lastFace = nullptr;
        TFaceFonts* lastFonts = nullptr;
        for (const TPlacedGlyph& g : glyphs) {
            TFontFace& face = *g.Face;
            if (&face != lastFace) {
                lastFonts = &FFaces[face.FileName() + u'#' + QString::number(face.FaceIndex())];
                lastFace = &face;
            }
            TFaceFonts& fonts = *lastFonts;
            const double upm = face.Metrics().UnitsPerEm;
            const QTransform m = g.Mapping * FMatrix;
            const double a = m.m11() * upm, b = m.m12() * upm, c = m.m21() * upm, e = m.m22() * upm;
            const double sigma = Rounded(std::sqrt(std::abs(a * e - b * c)));
            if (sigma <= 0)
                continue;
            const QPair<int, int> slot = Slot(fonts, upm, g.Glyph, g.Code, [&](TGlyphEntry& entry) {
                const QPainterPath& outline = face.GlyphOutline(g.Glyph);
                const QRectF box = outline.boundingRect();
                entry.Advance = face.GlyphMetrics(g.Glyph).Advance;
                Num(entry.Proc, entry.Advance);
                entry.Proc += "0 ";
                Num(entry.Proc, box.left());
                Num(entry.Proc, box.top());
                Num(entry.Proc, box.right());
                Num(entry.Proc, box.bottom());
                entry.Proc += "d1\n";
                if (!outline.isEmpty()) {
                    PathOps(entry.Proc, outline);
                    entry.Proc += outline.fillRule() == Qt::OddEvenFill ? "f*\n" : "f\n";
                }
                TType3Font& font = FFonts[size_t(fonts.Fonts.back())];
                font.Box = font.Box.isNull() ? box : font.Box.united(box);
            });
            if (slot.first != current || sigma != size) {
                FContent += "/T" + QByteArray::number(slot.first) + ' ';
                Num(FContent, sigma);
                FContent += "Tf\n";
                current = slot.first;
                size = sigma;
            }
            const double n[4] = {a / sigma, b / sigma, c / sigma, e / sigma};
            constexpr double eps = 1e-9;
            const bool sameDirection = placed && std::abs(n[0] - d[0]) < eps && std::abs(n[1] - d[1]) < eps &&
                                       std::abs(n[2] - d[2]) < eps && std::abs(n[3] - d[3]) < eps;
            if (!sameDirection) {
                std::copy(n, n + 4, d);
                origin = QPointF(Rounded(m.dx()), Rounded(m.dy()));
                Matrix(FContent, QTransform(d[0], d[1], d[2], d[3], origin.x(), origin.y()));
                FContent += "Tm ";
                placed = true;
            } else {
                // (tx, ty) with origin + D (tx, ty) = the glyph's origin.
                const double det = d[0] * d[3] - d[1] * d[2];
                const double dx = m.dx() - origin.x(), dy = m.dy() - origin.y();
                const double tx = Rounded((d[3] * dx - d[2] * dy) / det);
                const double ty = Rounded((-d[1] * dx + d[0] * dy) / det);
                Num(FContent, tx);
                Num(FContent, ty);
                FContent += "Td ";
                origin += QPointF(d[0] * tx + d[2] * ty, d[1] * tx + d[3] * ty);
            }
            FContent += '<' + Hex2(slot.second) + "> Tj\n";
        }
        FContent += "ET\n";
    }

protected:
    // --- output ---------------------------------------------------------------
    void Write(const QByteArray& data)
    {
        if (FFailed)
            return;
        if (FOut.write(data) != data.size())
            FFailed = true;
        FWritten += data.size();
    }

    int NewObject()
    {
        FOffsets.push_back(-1);
        return int(FOffsets.size());
    }

    void WriteObject(int number, const QByteArray& body)
    {
        FOffsets[size_t(number - 1)] = FWritten;
        Write(QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n");
    }

    void WriteStream(int number, QByteArray dict, const QByteArray& data, int level)
    {
        QByteArray packed = level > 0 ? Deflate(data, level) : QByteArray();
        const bool compressed = level > 0 && !packed.isEmpty();
        WriteStreamBytes(number, dict + (compressed ? " /Filter /FlateDecode" : ""),
                         compressed ? packed : data);
    }

    void WriteStreamBytes(int number, const QByteArray& dict, const QByteArray& bytes)
    {
        FOffsets[size_t(number - 1)] = FWritten;
        Write(QByteArray::number(number) + " 0 obj\n" + dict + " /Length " +
              QByteArray::number(bytes.size()) + " >>\nstream\n");
        Write(bytes);
        Write("\nendstream\nendobj\n");
    }

    // --- pages ----------------------------------------------------------------
    void StartPage()
    {
        FContent.clear();
        FContent.reserve(64 * 1024);
        FStates.assign(1, TGState());
        FEmitted.clear();
        const double s = 72.0 / FDpi;
        Matrix(FContent, QTransform(s, 0, 0, -s, 0, FPageSize.height()));
        FContent += "cm\n";
    }

    // The page's contents go to the second thread; the page before is written
    // now that its contents are compressed (the last one by end()).
    void FinishPage()
    {
        while (!FEmitted.empty())
            PopClip();
        WriteQueuedPage();
        if (!FDeflater)
            FDeflater = std::make_unique<TDeflater>();
        FDeflater->Submit(std::move(FContent), kContentLevel);
        FContent = QByteArray();
        FQueuedPage = true;
    }

    void WriteQueuedPage()
    {
        if (!FQueuedPage)
            return;
        FQueuedPage = false;
        const QByteArray packed = FDeflater->Take();
        const int contents = NewObject();
        WriteStreamBytes(contents, "<< /Filter /FlateDecode", packed);
        if (packed.isEmpty())
            FFailed = true; // zlib refused: no page is better than a damaged one
        const int page = NewObject();
        QByteArray dict =
            "<< /Type /Page /Parent " + QByteArray::number(FPagesObject) + " 0 R /MediaBox [0 0 ";
        Num(dict, FPageSize.width());
        Num(dict, FPageSize.height());
        dict += "] /Resources " + QByteArray::number(FResources) + " 0 R /Contents " +
                QByteArray::number(contents) + " 0 R >>";
        WriteObject(page, dict);
        FPageObjects.push_back(page);
    }

    // --- state ----------------------------------------------------------------
    TGState& Current() { return FStates.back(); }

    void PopClip()
    {
        FContent += "Q\n";
        FEmitted.pop_back();
        FStates.pop_back();
    }

    // The clip of the painter as nested groups: groups whose clip is still part of
    // the painter's stay, the rest are left and the new ones entered.
    void EnsureClip()
    {
        static const std::vector<QPainterPath> none;
        const std::vector<QPainterPath>& wanted = FClipEnabled ? FClips : none;
        size_t common = 0;
        while (common < wanted.size() && common < FEmitted.size() && FEmitted[common] == wanted[common])
            ++common;
        while (FEmitted.size() > common)
            PopClip();
        for (size_t i = common; i < wanted.size(); ++i) {
            FContent += "q\n";
            const QPainterPath& clip = wanted[i];
            if (clip.isEmpty()) {
                FContent += "0 0 0 0 re\n";
            } else {
                PathOps(FContent, clip);
            }
            FContent += clip.fillRule() == Qt::OddEvenFill ? "W* n\n" : "W n\n";
            FEmitted.push_back(clip);
            FStates.push_back(FStates.back());
        }
    }

    static void Colour(QByteArray& out, QRgb c, bool stroke)
    {
        if (qRed(c) == qGreen(c) && qGreen(c) == qBlue(c)) {
            Num(out, qRed(c) / 255.0);
            out += stroke ? "G\n" : "g\n";
            return;
        }
        Num(out, qRed(c) / 255.0);
        Num(out, qGreen(c) / 255.0);
        Num(out, qBlue(c) / 255.0);
        out += stroke ? "RG\n" : "rg\n";
    }

    void SetFill(QRgb c)
    {
        c |= 0xFF000000;
        if (Current().Fill != c) {
            Colour(FContent, c, false);
            Current().Fill = c;
        }
    }

    void SetStroke(QRgb c)
    {
        c |= 0xFF000000;
        if (Current().Stroke != c) {
            Colour(FContent, c, true);
            Current().Stroke = c;
        }
    }

    void SetAlpha(double fill, double stroke)
    {
        const QPair<int, int> key(qRound(std::clamp(fill, 0.0, 1.0) * 1000),
                                  qRound(std::clamp(stroke, 0.0, 1.0) * 1000));
        int index = -1;
        if (key != QPair<int, int>(1000, 1000) || Current().Alpha >= 0) {
            auto found = FAlphaIndex.constFind(key);
            if (found == FAlphaIndex.constEnd()) {
                found = FAlphaIndex.insert(key, int(FAlphas.size()));
                FAlphas.push_back({key.first / 1000.0, key.second / 1000.0});
            }
            index = *found;
        }
        if (index != Current().Alpha && index >= 0) {
            FContent += "/G" + QByteArray::number(index) + " gs\n";
            Current().Alpha = index;
        }
    }

    // Line width, ends, joins and dashes of the pen, in the units the stroke is
    // made in (the painter's for a pen that scales, device pixels for a cosmetic one).
    void SetLine(const QPen& pen, double unit)
    {
        TGState& st = Current();
        const bool cosmetic = pen.isCosmetic();
        double width = pen.widthF();
        if (cosmetic)
            width = width <= 0 ? 0 : width * unit;
        if (st.Width != width) {
            Num(FContent, width);
            FContent += "w\n";
            st.Width = width;
        }
        const int cap = pen.capStyle() == Qt::RoundCap ? 1 : pen.capStyle() == Qt::SquareCap ? 2 : 0;
        if (st.Cap != cap) {
            FContent += QByteArray::number(cap) + " J\n";
            st.Cap = cap;
        }
        const int join = pen.joinStyle() == Qt::RoundJoin ? 1 : pen.joinStyle() == Qt::BevelJoin ? 2 : 0;
        if (st.Join != join) {
            FContent += QByteArray::number(join) + " j\n";
            st.Join = join;
        }
        if (join == 0) {
            const double miter = std::max(1.0, pen.miterLimit());
            if (st.Miter != miter) {
                Num(FContent, miter);
                FContent += "M\n";
                st.Miter = miter;
            }
        }
        QByteArray dash = "[] 0";
        if (pen.style() != Qt::SolidLine) {
            const double step = std::max(width, cosmetic ? unit : 1.0);
            dash = "[";
            for (const double d : pen.dashPattern())
                Num(dash, d * step);
            dash += "] ";
            Num(dash, pen.dashOffset() * step);
            dash.chop(1);
        }
        if (st.Dash != dash) {
            FContent += dash + " d\n";
            st.Dash = dash;
        }
    }

    // A shape: its geometry in the painter's coordinates (emit), as a path for the
    // bitmap way (build), filled with the brush and outlined with the pen.
    template <class Emit, class Build>
    void DrawShape(const Emit& emit, const Build& build, Qt::FillRule rule, bool closed)
    {
        const bool fillWanted = closed && FBrush.style() != Qt::NoBrush;
        const bool fillSolid = fillWanted && FBrush.style() == Qt::SolidPattern;
        const bool strokeWanted = FPen.style() != Qt::NoPen && FPen.brush().style() != Qt::NoBrush;
        const bool strokeSolid = strokeWanted && FPen.brush().style() == Qt::SolidPattern;
        if (fillWanted && !fillSolid)
            FillThroughBitmap(build(), FBrush);
        const bool fill = fillSolid && FBrush.color().alpha() != 0;
        const bool stroke = strokeSolid && FPen.color().alpha() != 0;
        if (!fill && !stroke) {
            if (strokeWanted && !strokeSolid)
                StrokeThroughBitmap(build());
            return;
        }
        EnsureClip();
        const double scale = std::sqrt(std::abs(FMatrix.determinant()));
        if (fill)
            SetFill(FBrush.color().rgb());
        if (stroke) {
            SetStroke(FPen.color().rgb());
            SetLine(FPen, scale > 0 ? 1.0 / scale : 1.0);
        }
        SetAlpha(fill ? FBrush.color().alphaF() * FOpacity
                      : (Current().Alpha >= 0 ? FAlphas[Current().Alpha].first : 1.0),
                 stroke ? FPen.color().alphaF() * FOpacity
                        : (Current().Alpha >= 0 ? FAlphas[Current().Alpha].second : 1.0));
        const bool transformed = !FMatrix.isIdentity();
        if (transformed) {
            FContent += "q ";
            Matrix(FContent, FMatrix);
            FContent += "cm\n";
        }
        emit(FContent);
        const bool evenOdd = rule == Qt::OddEvenFill;
        if (fill && stroke)
            FContent += evenOdd ? "B*\n" : "B\n";
        else if (fill)
            FContent += evenOdd ? "f*\n" : "f\n";
        else
            FContent += "S\n";
        if (transformed)
            FContent += "Q\n";
        if (strokeWanted && !strokeSolid)
            StrokeThroughBitmap(build());
    }

    void StrokeThroughBitmap(const QPainterPath& path)
    {
        QPainterPathStroker stroker(FPen);
        FillThroughBitmap(stroker.createStroke(path), FPen.brush());
    }

    // A brush PDF has no simple form for (gradients, patterns, pictures) fills the
    // shape's box in a bitmap, which goes on the page with its transparency.
    void FillThroughBitmap(const QPainterPath& path, const QBrush& brush)
    {
        const QRectF page(0, 0, FPageSize.width() / 72.0 * FDpi, FPageSize.height() / 72.0 * FDpi);
        const QRectF box = FMatrix.map(path).boundingRect().intersected(page);
        if (box.isEmpty())
            return;
        double scale = std::min(1.0, kRasterDpi / FDpi);
        const double pixels = box.width() * box.height() * scale * scale;
        if (pixels > double(kRasterPixels))
            scale *= std::sqrt(double(kRasterPixels) / pixels);
        const QSize size(std::max(1, int(std::ceil(box.width() * scale))),
                         std::max(1, int(std::ceil(box.height() * scale))));
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing, FHints.testFlag(QPainter::Antialiasing));
            p.setTransform(FMatrix * QTransform::fromTranslate(-box.left(), -box.top()) *
                           QTransform::fromScale(scale, scale));
            p.setBrushOrigin(FBrushOrigin);
            p.setOpacity(FOpacity);
            p.fillPath(path, brush);
        }
        const int name = WriteImage(image, true);
        const QTransform saved = FMatrix;
        FMatrix = QTransform();
        const double opacity = FOpacity;
        FOpacity = 1;
        PlaceImage(box, name);
        FOpacity = opacity;
        FMatrix = saved;
    }

    // --- pictures -------------------------------------------------------------
    static QImage Part(const QImage& image, const QRectF& source)
    {
        const QRect part = source.toAlignedRect().intersected(image.rect());
        if (part.isEmpty() || part == image.rect())
            return image;
        return image.copy(part);
    }

    // A picture is written once per cache key and part; placing it again refers to it.
    // Pictures are shown pixel for pixel as the toolkit's writer shows them: a viewer's
    // smoothing would smear the edge of a band into the paper around it.
    template <class Pixels>
    void DrawPicture(const QRectF& r, qint64 cacheKey, const QRectF& sr, const Pixels& pixels)
    {
        const TImageKey key{cacheKey, sr.toAlignedRect(), false};
        auto found = FImages.constFind(key);
        if (found == FImages.constEnd())
            found = FImages.insert(key, WriteImage(Part(pixels(), sr), false));
        PlaceImage(r, *found);
    }

    void PlaceImage(const QRectF& r, int name)
    {
        EnsureClip();
        SetAlpha(FOpacity, FOpacity);
        FContent += "q ";
        Matrix(FContent, QTransform(r.width(), 0, 0, -r.height(), r.x(), r.y() + r.height()) * FMatrix);
        FContent += "cm /I" + QByteArray::number(name) + " Do Q\n";
    }

    int WriteImage(const QImage& source, bool smooth)
    {
        const QImage image = source.convertToFormat(QImage::Format_ARGB32);
        const int w = image.width(), h = image.height();
        bool alpha = false;
        bool gray = true;
        for (int y = 0; y < h && (gray || !alpha); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                const QRgb c = line[x];
                if (qAlpha(c) != 255)
                    alpha = true;
                if (qRed(c) != qGreen(c) || qGreen(c) != qBlue(c))
                    gray = false;
            }
        }
        QByteArray pixels;
        pixels.reserve(qsizetype(w) * h * (gray ? 1 : 3));
        QByteArray mask;
        if (alpha)
            mask.reserve(qsizetype(w) * h);
        for (int y = 0; y < h; ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                const QRgb c = line[x];
                if (gray) {
                    pixels += char(qRed(c));
                } else {
                    pixels += char(qRed(c));
                    pixels += char(qGreen(c));
                    pixels += char(qBlue(c));
                }
                if (alpha)
                    mask += char(qAlpha(c));
            }
        }
        const QByteArray size =
            " /Width " + QByteArray::number(w) + " /Height " + QByteArray::number(h) + " /BitsPerComponent 8";
        int smask = 0;
        if (alpha) {
            smask = NewObject();
            WriteStream(smask, "<< /Type /XObject /Subtype /Image /ColorSpace /DeviceGray" + size, mask,
                        kImageLevel);
        }
        const int object = NewObject();
        QByteArray dict = "<< /Type /XObject /Subtype /Image /ColorSpace " +
                          QByteArray(gray ? "/DeviceGray" : "/DeviceRGB") + size;
        if (smask)
            dict += " /SMask " + QByteArray::number(smask) + " 0 R";
        if (smooth)
            dict += " /Interpolate true";
        WriteStream(object, dict, pixels, kImageLevel);
        FImageObjects.push_back(object);
        return int(FImageObjects.size()) - 1;
    }

    // --- fonts ----------------------------------------------------------------
    template <class Make>
    QPair<int, int> Slot(TFaceFonts& fonts, double unitsPerEm, uint32_t glyph, char32_t code,
                         const Make& make)
    {
        auto found = fonts.Slots.constFind(glyph);
        if (found != fonts.Slots.constEnd())
            return *found;
        if (fonts.Fonts.empty() || FFonts[size_t(fonts.Fonts.back())].Glyphs.size() >= 256) {
            TType3Font font;
            font.Object = NewObject();
            font.UnitsPerEm = unitsPerEm;
            FFonts.push_back(font);
            fonts.Fonts.push_back(int(FFonts.size()) - 1);
        }
        const int index = fonts.Fonts.back();
        TGlyphEntry entry;
        entry.Code = code;
        FFonts[size_t(index)].Glyphs.push_back(entry);
        make(FFonts[size_t(index)].Glyphs.back());
        const QPair<int, int> slot(index, int(FFonts[size_t(index)].Glyphs.size()) - 1);
        fonts.Slots.insert(glyph, slot);
        return slot;
    }

    void WriteFonts()
    {
        for (TType3Font& font : FFonts) {
            const int n = int(font.Glyphs.size());
            QByteArray procs = "<<";
            QByteArray differences = "[0";
            QByteArray widths = "[";
            for (int i = 0; i < n; ++i) {
                const int proc = NewObject();
                WriteStream(proc, "<<", font.Glyphs[size_t(i)].Proc, kContentLevel);
                procs += " /g" + QByteArray::number(i) + ' ' + QByteArray::number(proc) + " 0 R";
                differences += " /g" + QByteArray::number(i);
                Num(widths, font.Glyphs[size_t(i)].Advance);
            }
            procs += " >>";
            differences += "]";
            widths += "]";
            QByteArray cmap = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                              "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                              "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                              "1 begincodespacerange\n<00> <FF>\nendcodespacerange\n";
            std::vector<int> mapped;
            for (int i = 0; i < n; ++i)
                if (font.Glyphs[size_t(i)].Code != 0)
                    mapped.push_back(i);
            for (size_t start = 0; start < mapped.size(); start += 100) {
                const size_t count = std::min<size_t>(100, mapped.size() - start);
                cmap += QByteArray::number(qsizetype(count)) + " beginbfchar\n";
                for (size_t k = start; k < start + count; ++k)
                    cmap +=
                        '<' + Hex2(mapped[k]) + "> <" + Utf16Hex(font.Glyphs[size_t(mapped[k])].Code) + ">\n";
                cmap += "endbfchar\n";
            }
            cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
            const int unicode = NewObject();
            WriteStream(unicode, "<<", cmap, kContentLevel);
            QByteArray dict = "<< /Type /Font /Subtype /Type3 /FontBBox [";
            const QRectF box = font.Box.isNull() ? QRectF(0, 0, 0, 0) : font.Box;
            Num(dict, std::floor(box.left()));
            Num(dict, std::floor(box.top()));
            Num(dict, std::ceil(box.right()));
            Num(dict, std::ceil(box.bottom()));
            dict += "] /FontMatrix [";
            const double unit = 1.0 / font.UnitsPerEm;
            dict += QByteArray::number(unit, 'g', 9) + " 0 0 " + QByteArray::number(unit, 'g', 9) + " 0 0]";
            dict +=
                " /CharProcs " + procs + " /Encoding << /Type /Encoding /Differences " + differences + " >>";
            dict += " /FirstChar 0 /LastChar " + QByteArray::number(n - 1) + " /Widths " + widths;
            dict += " /Resources << >> /ToUnicode " + QByteArray::number(unicode) + " 0 R >>";
            WriteObject(font.Object, dict);
        }
    }

    void WriteResources()
    {
        QByteArray dict = "<< /ProcSet [/PDF /Text /ImageB /ImageC]";
        if (!FFonts.empty()) {
            dict += " /Font <<";
            for (size_t i = 0; i < FFonts.size(); ++i)
                dict += " /T" + QByteArray::number(qsizetype(i)) + ' ' +
                        QByteArray::number(FFonts[i].Object) + " 0 R";
            dict += " >>";
        }
        if (!FImageObjects.empty()) {
            dict += " /XObject <<";
            for (size_t i = 0; i < FImageObjects.size(); ++i)
                dict += " /I" + QByteArray::number(qsizetype(i)) + ' ' +
                        QByteArray::number(FImageObjects[i]) + " 0 R";
            dict += " >>";
        }
        if (!FAlphas.empty()) {
            dict += " /ExtGState <<";
            for (size_t i = 0; i < FAlphas.size(); ++i) {
                dict += " /G" + QByteArray::number(qsizetype(i)) + " << /ca ";
                Num(dict, FAlphas[i].first);
                dict += "/CA ";
                Num(dict, FAlphas[i].second);
                dict += ">>";
            }
            dict += " >>";
        }
        dict += " >>";
        WriteObject(FResources, dict);
    }

private:
    QIODevice& FOut;
    QSizeF FPageSize;
    int FDpi;
    bool FStarted = false, FEnded = false, FFailed = false;
    qint64 FWritten = 0;
    std::vector<qint64> FOffsets;
    int FCatalog = 0, FPagesObject = 0, FResources = 0, FInfo = 0;
    std::vector<int> FPageObjects;
    QByteArray FContent;
    std::unique_ptr<TDeflater> FDeflater;
    bool FQueuedPage = false;

    // The painter's state as the engine last heard it.
    QTransform FMatrix;
    QPen FPen;
    QBrush FBrush;
    QPointF FBrushOrigin;
    double FOpacity = 1;
    QPainter::RenderHints FHints;
    bool FClipEnabled = false;
    std::vector<QPainterPath> FClips; // device pixels, intersected in order

    // What the content stream has: clip groups entered, and the state at each.
    std::vector<QPainterPath> FEmitted;
    std::vector<TGState> FStates;

    std::vector<QPair<double, double>> FAlphas;
    QHash<QPair<int, int>, int> FAlphaIndex;
    QHash<TImageKey, int> FImages;
    std::vector<int> FImageObjects;
    std::vector<TType3Font> FFonts;
    QHash<QString, TFaceFonts> FFaces;
    TFaceFonts FInvisible;
};

TPdfPaintDevice::TPdfPaintDevice(QIODevice& out, QSizeF pageSize, int dpi)
    : FEngine(std::make_unique<TPdfEngine>(out, pageSize, dpi)), FPageSize(pageSize), FDpi(std::max(1, dpi))
{
}

TPdfPaintDevice::~TPdfPaintDevice() = default;

void TPdfPaintDevice::SetTitle(const QString& title)
{
    FEngine->Title = title;
}

void TPdfPaintDevice::SetCreator(const QString& creator)
{
    FEngine->Creator = creator;
}

bool TPdfPaintDevice::NewPage()
{
    return FEngine->NewPage();
}

bool TPdfPaintDevice::Failed() const
{
    return FEngine->Failed();
}

int TPdfPaintDevice::PageCount() const
{
    return FEngine->PageCount();
}

QPaintEngine* TPdfPaintDevice::paintEngine() const
{
    return FEngine.get();
}

int TPdfPaintDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return qRound(FPageSize.width() / 72.0 * FDpi);
    case PdmHeight:
        return qRound(FPageSize.height() / 72.0 * FDpi);
    case PdmWidthMM:
        return qRound(FPageSize.width() / 72.0 * 25.4);
    case PdmHeightMM:
        return qRound(FPageSize.height() / 72.0 * 25.4);
    case PdmNumColors:
        return std::numeric_limits<int>::max();
    case PdmDepth:
        return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return FDpi;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    }
    return 0;
}

} // namespace velmo
