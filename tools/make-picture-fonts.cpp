// Builds the picture fonts of decorative strings from their description
// (data/fonts/fonts.txt): for each font a folder named by its number holding the
// 64 glyph pictures 00.bmp … 63.bmp, drawn from an installed face with our own
// effects onto the transparent colour #f0f0f0 and written with the program's bitmap
// writer. A bad line, or a face that is not installed, fails the build with
// "file:line: error: ...".
//
//   make-picture-fonts OUTPUT-FOLDER FONTS.txt
#include "base/UExceptions.h"
#include "imaging/USafetyBitmap.h"
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRegularExpression>
#include <QTextStream>
#include <cstdio>

using namespace velmo;

namespace {

struct TFailure
{
    QString Message;
};

constexpr char kGlyphs[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!?";
constexpr QRgb kTransparent = 0xFFF0F0F0;
constexpr int kHeight = 120; // every glyph picture of every font
constexpr int kPad = 9;

struct TFontSpec
{
    int Number = 0;
    QString Face;
    int Weight = 400;
    QString Effect;
    QList<QColor> Colours;
};

QPainterPath Outline(const QPainterPath& path, double width)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setJoinStyle(Qt::RoundJoin);
    stroker.setCapStyle(Qt::RoundCap);
    return stroker.createStroke(path).united(path);
}

// Draws one glyph path (already placed) with the font's effect.
void DrawEffect(QPainter& p, const QPainterPath& glyph, const TFontSpec& spec, double top, double bottom)
{
    const QList<QColor>& c = spec.Colours;
    p.setPen(Qt::NoPen);
    if (spec.Effect == QLatin1String("pop")) {
        // Thick outline, a drop shadow below it and a two-colour fill top to bottom.
        const QPainterPath outline = Outline(glyph, 9);
        p.setBrush(c[3]);
        p.drawPath(outline.translated(4, 4));
        p.setBrush(c[2]);
        p.drawPath(outline);
        QLinearGradient fill(0, top, 0, bottom);
        fill.setColorAt(0, c[0]);
        fill.setColorAt(1, c[1]);
        p.setBrush(fill);
        p.drawPath(glyph);
        // A gloss on the upper half.
        p.save();
        p.setClipPath(glyph);
        p.setBrush(QColor(255, 255, 255, 90));
        p.drawRect(QRectF(0, top, 10000, (bottom - top) * 0.38));
        p.restore();
    } else if (spec.Effect == QLatin1String("stripes")) {
        // Candy stripes inside a double outline.
        const QPainterPath heavy = Outline(glyph, 16);
        p.setBrush(c[2]);
        p.drawPath(heavy);
        p.setBrush(c[3]);
        p.drawPath(Outline(glyph, 7));
        p.save();
        p.setClipPath(glyph);
        p.fillRect(QRectF(-10, 0, 10000, 1000), c[1]);
        p.setBrush(c[0]);
        for (int x = -200; x < 600; x += 16) {
            QPolygonF band;
            band << QPointF(x, 0) << QPointF(x + 8, 0) << QPointF(x + 8 + 130, 130) << QPointF(x + 130, 130);
            p.drawPolygon(band);
        }
        p.restore();
    } else if (spec.Effect == QLatin1String("gold")) {
        // Metal: a dark rim, a raised edge and bands of light across the face.
        p.setBrush(c[3]);
        p.drawPath(Outline(glyph, 6).translated(2, 3));
        p.setBrush(c[2]);
        p.drawPath(Outline(glyph, 5));
        QLinearGradient fill(0, top, 0, bottom);
        fill.setColorAt(0.0, c[0]);
        fill.setColorAt(0.45, c[1]);
        fill.setColorAt(0.55, c[2].lighter(130));
        fill.setColorAt(1.0, c[0]);
        p.setBrush(fill);
        p.drawPath(glyph);
        p.save();
        p.setClipPath(glyph);
        p.setBrush(QColor(255, 255, 255, 120));
        p.drawPath(glyph.translated(-2, -2).subtracted(glyph));
        p.setPen(QPen(QColor(255, 255, 240, 150), 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(glyph.translated(1.5, 1.5));
        p.restore();
    } else if (spec.Effect == QLatin1String("ink")) {
        // Brush letters with a soft coloured halo.
        for (int w = 18; w >= 4; w -= 2) {
            QColor halo = c[1];
            halo.setAlpha(18 + (18 - w) * 6);
            p.setBrush(halo);
            p.drawPath(Outline(glyph, w));
        }
        p.setBrush(c[2]);
        p.drawPath(Outline(glyph, 3));
        p.setBrush(c[0]);
        p.drawPath(glyph);
    } else if (spec.Effect == QLatin1String("neon")) {
        // A lit tube: dark backing, wide glow, bright core.
        p.setBrush(c[2]);
        p.drawPath(Outline(glyph, 12));
        for (int w = 10; w >= 2; w -= 2) {
            QColor glow = c[0];
            glow.setAlpha(60 + (10 - w) * 15);
            p.setBrush(glow);
            p.drawPath(Outline(glyph, w));
        }
        p.setBrush(c[0]);
        p.drawPath(glyph);
        p.setPen(QPen(c[1], 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawPath(glyph);
    } else {
        throw TFailure{QStringLiteral("unknown effect \"%1\"").arg(spec.Effect)};
    }
}

QImage DrawGlyph(QChar ch, const QFont& font, const TFontSpec& spec)
{
    const QFontMetricsF metrics(font);
    QPainterPath path;
    path.addText(0, 0, font, QString(ch));
    const QRectF ink = path.boundingRect();
    const double advance = metrics.horizontalAdvance(ch);
    const double left = std::min(0.0, ink.left());
    const double right = std::max(advance, ink.right());
    const int width = int(std::ceil(right - left)) + 2 * kPad;
    // One baseline for every glyph of the font, so the letters line up in a string.
    const double baseline = kPad + metrics.ascent();
    path.translate(kPad - left, baseline);

    QImage layer(width, kHeight, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing, true);
        DrawEffect(p, path, spec, baseline - metrics.ascent() * 0.75, baseline);
    }
    // Onto the transparent colour; a glyph pixel never takes that colour itself.
    QImage out(width, kHeight, QImage::Format_RGB32);
    const QImage straight = layer.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < kHeight; ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
        auto* d = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int a = qAlpha(s[x]);
            if (a == 0) {
                d[x] = kTransparent;
                continue;
            }
            auto mix = [a](int v, int bg) { return (v * a + bg * (255 - a) + 127) / 255; };
            QRgb v = qRgb(mix(qRed(s[x]), 0xF0), mix(qGreen(s[x]), 0xF0), mix(qBlue(s[x]), 0xF0));
            if ((v | 0xFF000000) == kTransparent)
                v = qRgb(0xF0, 0xF0, 0xEF);
            d[x] = v;
        }
    }
    return out;
}

QList<TFontSpec> ReadSpecs(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw TFailure{QStringLiteral("%1: error: cannot read").arg(fileName)};
    QTextStream in(&file);
    QList<TFontSpec> specs;
    static const QRegularExpression token(QStringLiteral("\"([^\"]*)\"|(\\S+)"));
    int lineNo = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        ++lineNo;
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        QStringList args;
        for (auto it = token.globalMatch(trimmed); it.hasNext();) {
            const auto m = it.next();
            args << (m.captured(1).isNull() ? m.captured(2) : m.captured(1));
        }
        auto fail = [&](const QString& why) {
            return TFailure{QStringLiteral("%1:%2: error: %3").arg(fileName).arg(lineNo).arg(why)};
        };
        if (args.size() != 8)
            throw fail(QStringLiteral("expected number, face, weight, effect and four colours"));
        TFontSpec spec;
        bool ok1 = false, ok2 = false;
        spec.Number = args[0].toInt(&ok1);
        spec.Face = args[1];
        spec.Weight = args[2].toInt(&ok2);
        spec.Effect = args[3];
        if (!ok1 || spec.Number < 1 || spec.Number > 9)
            throw fail(QStringLiteral("the font number must be 1 to 9 (folders sort by name)"));
        if (!ok2 || spec.Weight < 100 || spec.Weight > 1000)
            throw fail(QStringLiteral("bad weight \"%1\"").arg(args[2]));
        for (int i = 4; i < 8; ++i) {
            const QColor c = QColor::fromString(args[i]);
            if (!c.isValid())
                throw fail(QStringLiteral("bad colour \"%1\"").arg(args[i]));
            spec.Colours << c;
        }
        for (const TFontSpec& other : specs)
            if (other.Number == spec.Number)
                throw fail(QStringLiteral("font %1 twice").arg(spec.Number));
        specs << spec;
    }
    // Fonts are found by position: numbers must run 1, 2, 3, … without gaps.
    for (int i = 0; i < specs.size(); ++i)
        if (specs[i].Number != i + 1)
            throw TFailure{QStringLiteral("%1: error: fonts must be numbered 1 to %2 in order")
                               .arg(fileName)
                               .arg(specs.size())};
    return specs;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: make-picture-fonts OUTPUT-FOLDER FONTS.txt\n");
        return 2;
    }
    try {
        const QList<TFontSpec> specs = ReadSpecs(args[2]);
        QDir(args[1]).removeRecursively();
        for (const TFontSpec& spec : specs) {
            QFont font(spec.Face);
            font.setPixelSize(10);
            font.setWeight(QFont::Weight(spec.Weight));
            font.setStyleStrategy(QFont::PreferOutline);
            if (QFontInfo(font).family().compare(spec.Face, Qt::CaseInsensitive) != 0)
                throw TFailure{QStringLiteral("%1: error: the face \"%2\" is not installed (got \"%3\")")
                                   .arg(args[2], spec.Face, QFontInfo(font).family())};
            // The largest size whose ascent and descent fit the picture's height.
            const QFontMetricsF at10(font);
            const double size = 10.0 * (kHeight - 2 * kPad) / (at10.ascent() + at10.descent());
            font.setPixelSize(int(size));
            const QString folder = QStringLiteral("%1/%2").arg(args[1]).arg(spec.Number);
            if (!QDir().mkpath(folder))
                throw TFailure{QStringLiteral("cannot make %1").arg(folder)};
            for (int k = 0; k < 64; ++k) {
                const QImage glyph = DrawGlyph(QChar(kGlyphs[k]), font, spec);
                TSafetyBitmap bitmap;
                bitmap.SetImage(glyph.convertToFormat(QImage::Format_BGR888), TPixelFormat::pf24bit);
                bitmap.SaveToFile(QStringLiteral("%1/%2.bmp").arg(folder).arg(k, 2, 10, QLatin1Char('0')));
            }
        }
    } catch (const TFailure& f) {
        std::fprintf(stderr, "%s\n", qPrintable(f.Message));
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-picture-fonts: error: %s\n", qPrintable(ExceptionText(e)));
        return 1;
    }
    return 0;
}
