// Builds the delivered picture collections from their readable descriptions, with
// the program's own bitmap and JPEG writers:
//
//   make-pictures illust DATA-ROOT data/illust/illust.txt
//       the one-point illustrations: colour emoji of Noto Color Emoji drawn large and
//       our own stamps, one 24-bit bitmap each on the key colour 0xF0F0F0, sorted into
//       genre folders under Data/OnePoint, with the index Data/OnePoint/Illust.dat;
//   make-pictures backgrounds DATA-ROOT data/backgrounds/backgrounds.txt
//       generated patterns, textures and gradients as JPEG under Data/BackGrnd/<folder>,
//       with the index Data/BackGrnd/BackGrnd.dat;
//   make-pictures frames DATA-ROOT data/frames/frames.txt
//       frames for trimming under Data/trimming: the window where the picture shows in
//       0xF0F0F0, the part cut away in 0x607090, the frame itself in its colours.
//
// A bad line fails the build with "file:line: error: ...".
#include "base/UCodePage932.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QRawFont>
#include <QRegularExpression>
#include <QTextStream>
#include <cmath>
#include <cstdio>
#include <numbers>

using namespace velmo;

namespace {

struct TFailure
{
    QString Message;
};

QColor ParseColor(const QString& text)
{
    const QColor c = QColor::fromString(text);
    if (!c.isValid())
        throw TFailure{QStringLiteral("bad colour \"%1\"").arg(text)};
    return c;
}

double Num(const QStringList& args, int i)
{
    if (i >= args.size())
        throw TFailure{QStringLiteral("missing number %1").arg(i)};
    bool ok = false;
    const double v = args[i].toDouble(&ok);
    if (!ok)
        throw TFailure{QStringLiteral("bad number \"%1\"").arg(args[i])};
    return v;
}

QString Arg(const QStringList& args, int i)
{
    if (i >= args.size())
        throw TFailure{QStringLiteral("missing argument %1").arg(i)};
    return args[i];
}

void WriteText(const QString& fileName, const QString& text)
{
    bool ok = true;
    const QByteArray bytes = cp932::Encode(text, &ok);
    if (!ok)
        throw TFailure{QStringLiteral("index text not in code page 932")};
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw TFailure{QStringLiteral("cannot write %1").arg(fileName)};
}

void WriteBitmap(const QImage& image, const QString& fileName)
{
    TSafetyBitmap bitmap;
    bitmap.SetImage(image.convertToFormat(QImage::Format_RGB888), TPixelFormat::pf24bit);
    bitmap.SaveToFile(fileName);
}

constexpr QRgb kIllustKey = 0xFFF0F0F0;
constexpr QRgb kFrameOutside = 0xFF907060; // 0x607090 as 0x00BBGGRR
constexpr QRgb kFrameWindow = 0xFFF0F0F0;

// Pixels mostly covered go on white, the rest become the key colour; a genuine pixel
// of the key colour is nudged so it stays visible.
QImage OnKeyColour(const QImage& argb)
{
    QImage out(argb.size(), QImage::Format_RGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        auto* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = qUnpremultiply(in[x]);
            const int a = qAlpha(p);
            if (a < 128) {
                o[x] = kIllustKey;
                continue;
            }
            auto mix = [a](int c) { return (c * a + 255 * (255 - a)) / 255; };
            QRgb v = qRgb(mix(qRed(p)), mix(qGreen(p)), mix(qBlue(p)));
            if ((v & 0xFFFFFF) == (kIllustKey & 0xFFFFFF))
                v = qRgb(0xF0, 0xF0, 0xEF);
            o[x] = v;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------
// Illustrations

QString EmojiText(const QString& token)
{
    QString text;
    for (const QString& part : token.split(u'-')) {
        bool ok = false;
        const uint code = part.toUInt(&ok, 16);
        if (!ok || code == 0 || code > 0x10FFFF)
            throw TFailure{QStringLiteral("bad code point \"%1\"").arg(part)};
        const char32_t c = code;
        text += QString::fromUcs4(&c, 1);
    }
    return text;
}

QImage RenderEmoji(const QString& text, const QFont& font)
{
    const int side = 160;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.setFont(font);
        p.drawText(QRect(0, 0, side, side), Qt::AlignCenter, text);
    }
    // Crop to what was drawn, with a small margin.
    int left = side, top = side, right = -1, bottom = -1;
    for (int y = 0; y < side; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < side; ++x)
            if (qAlpha(row[x]) >= 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    if (right < 0)
        throw TFailure{QStringLiteral("the emoji font has no picture for U+%1")
                           .arg(text.toUcs4().value(0), 4, 16, QLatin1Char('0'))
                           .toUpper()};
    const QRect box = QRect(QPoint(left, top), QPoint(right, bottom)).adjusted(-4, -4, 4, 4) & image.rect();
    return OnKeyColour(image.copy(box));
}

// Our own stamps: a rounded frame or a circle with a word in the Japanese gothic face.
QImage RenderStamp(const QString& word, const QColor& colour, const QString& shape)
{
    const int w = shape == QLatin1String("circle") ? 120 : 150, h = 120;
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(colour, 7));
        p.setBrush(QColor(255, 255, 255));
        const QRectF r = QRectF(image.rect()).adjusted(6, 6, -6, -6);
        if (shape == QLatin1String("circle"))
            p.drawEllipse(r);
        else
            p.drawRoundedRect(r, 18, 18);
        QFont font(QStringLiteral("IPAexGothic"));
        font.setBold(true);
        int px = 64;
        for (; px > 12; px -= 2) {
            font.setPixelSize(px);
            if (QFontMetrics(font).horizontalAdvance(word) <= r.width() - 22)
                break;
        }
        p.setFont(font);
        p.setPen(colour);
        p.drawText(r, Qt::AlignCenter, word);
    }
    return OnKeyColour(image);
}

int MakeIllustrations(const QString& root, const QString& source)
{
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw TFailure{QStringLiteral("cannot read")};
    const int id = QFontDatabase::addApplicationFont(
        QStringLiteral("/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf"));
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    QFont emoji(families.value(0, QStringLiteral("Noto Color Emoji")));
    emoji.setPixelSize(109); // the font's own picture size: drawn without scaling
    const QString base = root + QStringLiteral("/Data/OnePoint");
    QDir().mkpath(base);
    QTextStream in(&file);
    QString index;
    QString folder;
    int count = 0, inGenre = 0, lineNo = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        ++lineNo;
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        try {
            const QStringList a = line.split(QRegularExpression(QStringLiteral("\\s+")));
            if (a[0] == QLatin1String("genre")) { // genre folder name
                folder = Arg(a, 1);
                const QString name = Arg(a, 2);
                index +=
                    QStringLiteral("[%1]\r\nName=%2\r\nDir=Data\\OnePoint\\%1\r\n\r\n").arg(folder, name);
                QDir().mkpath(base + u'/' + folder);
                inGenre = 0;
                continue;
            }
            if (folder.isEmpty())
                throw TFailure{QStringLiteral("pictures before the first genre")};
            if (a[0] == QLatin1String("stamp")) { // stamp word colour [circle|round]
                const QImage image =
                    RenderStamp(Arg(a, 1), ParseColor(Arg(a, 2)), a.value(3, QStringLiteral("round")));
                WriteBitmap(
                    image,
                    QStringLiteral("%1/%2/%3.bmp").arg(base, folder).arg(++inGenre, 3, 10, QLatin1Char('0')));
                ++count;
                continue;
            }
            for (const QString& token : a) {
                const QImage image = RenderEmoji(EmojiText(token), emoji);
                WriteBitmap(
                    image,
                    QStringLiteral("%1/%2/%3.bmp").arg(base, folder).arg(++inGenre, 3, 10, QLatin1Char('0')));
                ++count;
            }
        } catch (const TFailure& failure) {
            throw TFailure{QStringLiteral("%1:%2: error: %3").arg(source).arg(lineNo).arg(failure.Message)};
        }
    }
    WriteText(base + QStringLiteral("/Illust.dat"), index);
    return count;
}

// ---------------------------------------------------------------------------------
// Backgrounds

QPainterPath HeartPath(double cx, double cy, double s)
{
    QPainterPath path;
    path.moveTo(cx, cy + s * 0.35);
    path.cubicTo(cx - s * 0.9, cy - s * 0.2, cx - s * 0.35, cy - s * 0.85, cx, cy - s * 0.35);
    path.cubicTo(cx + s * 0.35, cy - s * 0.85, cx + s * 0.9, cy - s * 0.2, cx, cy + s * 0.35);
    return path;
}

QPainterPath StarPath(double cx, double cy, double outer, double inner, int points)
{
    QPainterPath path;
    for (int i = 0; i < points * 2; ++i) {
        const double r = i % 2 == 0 ? outer : inner;
        const double a = -std::numbers::pi / 2 + i * std::numbers::pi / points;
        const QPointF pt(cx + r * std::cos(a), cy + r * std::sin(a));
        i == 0 ? path.moveTo(pt) : path.lineTo(pt);
    }
    path.closeSubpath();
    return path;
}

QPainterPath FlowerPath(double cx, double cy, double r)
{
    QPainterPath path;
    for (int i = 0; i < 5; ++i) {
        const double a = -std::numbers::pi / 2 + i * 2 * std::numbers::pi / 5;
        path.addEllipse(QPointF(cx + r * 0.5 * std::cos(a), cy + r * 0.5 * std::sin(a)), r * 0.45, r * 0.45);
    }
    path.setFillRule(Qt::WindingFill);
    return path;
}

QImage MakeBackground(const QStringList& a)
{
    const int W = 480, H = 320;
    QImage image(W, H, QImage::Format_RGB32);
    const QString kind = Arg(a, 0);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (kind == QLatin1String("gradient")) { // c1 c2 angle
        const double angle = Num(a, 3) * std::numbers::pi / 180;
        const QPointF c(W / 2.0, H / 2.0), d(std::cos(angle) * W / 2, std::sin(angle) * H / 2);
        QLinearGradient g(c - d, c + d);
        g.setColorAt(0, ParseColor(Arg(a, 1)));
        g.setColorAt(1, ParseColor(Arg(a, 2)));
        p.fillRect(image.rect(), g);
    } else if (kind == QLatin1String("radial")) { // c1 c2
        QRadialGradient g(QPointF(W / 2.0, H / 2.0), W * 0.6);
        g.setColorAt(0, ParseColor(Arg(a, 1)));
        g.setColorAt(1, ParseColor(Arg(a, 2)));
        p.fillRect(image.rect(), g);
    } else if (kind == QLatin1String("stripes")) { // c1 c2 width angle
        p.fillRect(image.rect(), ParseColor(Arg(a, 1)));
        const double w = Num(a, 3);
        p.translate(W / 2.0, H / 2.0);
        p.rotate(Num(a, 4));
        for (double x = -W; x < W; x += 2 * w)
            p.fillRect(QRectF(x, -W, w, 2 * W), ParseColor(Arg(a, 2)));
    } else if (kind == QLatin1String("checks")) { // c1 c2 size
        p.fillRect(image.rect(), ParseColor(Arg(a, 1)));
        const int s = int(Num(a, 3));
        for (int y = 0; y < H; y += s)
            for (int x = 0; x < W; x += s)
                if (((x / s) + (y / s)) % 2)
                    p.fillRect(x, y, s, s, ParseColor(Arg(a, 2)));
    } else if (kind == QLatin1String("gingham")) { // bg fg size
        p.fillRect(image.rect(), ParseColor(Arg(a, 1)));
        QColor fg = ParseColor(Arg(a, 2));
        fg.setAlpha(110);
        const int s = int(Num(a, 3));
        for (int x = 0; x < W; x += 2 * s)
            p.fillRect(x, 0, s, H, fg);
        for (int y = 0; y < H; y += 2 * s)
            p.fillRect(0, y, W, s, fg);
    } else if (kind == QLatin1String("dots") || kind == QLatin1String("hearts") ||
               kind == QLatin1String("stars") || kind == QLatin1String("flowers")) { // bg fg size spacing
        p.fillRect(image.rect(), ParseColor(Arg(a, 1)));
        p.setPen(Qt::NoPen);
        p.setBrush(ParseColor(Arg(a, 2)));
        const double s = Num(a, 3), step = Num(a, 4);
        if (step < 4 || s <= 0)
            throw TFailure{QStringLiteral("size and spacing must be positive")};
        int row = 0;
        for (double y = step / 2; y < H + step; y += step, ++row)
            for (double x = (row % 2 ? step : step / 2); x < W + step; x += step) {
                if (kind == QLatin1String("dots"))
                    p.drawEllipse(QPointF(x, y), s / 2, s / 2);
                else if (kind == QLatin1String("hearts"))
                    p.drawPath(HeartPath(x, y, s));
                else if (kind == QLatin1String("stars"))
                    p.drawPath(StarPath(x, y, s / 2, s / 4.5, 5));
                else
                    p.drawPath(FlowerPath(x, y, s / 2));
            }
    } else if (kind == QLatin1String("waves")) { // bg fg amplitude period
        p.fillRect(image.rect(), ParseColor(Arg(a, 1)));
        const double amp = Num(a, 3), period = Num(a, 4);
        p.setPen(QPen(ParseColor(Arg(a, 2)), 4));
        for (double y0 = 0; y0 < H + 2 * amp; y0 += amp * 3) {
            QPainterPath path;
            for (int x = 0; x <= W; x += 4) {
                const QPointF pt(x, y0 + amp * std::sin(x * 2 * std::numbers::pi / period));
                x == 0 ? path.moveTo(pt) : path.lineTo(pt);
            }
            p.drawPath(path);
        }
    } else if (kind == QLatin1String("seigaiha")) { // bg fg radius: overlapping wave arcs
        const QColor bg = ParseColor(Arg(a, 1)), fg = ParseColor(Arg(a, 2));
        const double r = Num(a, 3);
        p.fillRect(image.rect(), bg);
        int row = 0;
        for (double y = -r; y < H + r; y += r / 2, ++row)
            for (double x = (row % 2 ? r : 0) - r; x < W + 2 * r; x += 2 * r)
                for (int ring = 4; ring >= 1; --ring) {
                    p.setPen(Qt::NoPen);
                    p.setBrush(ring % 2 ? fg : bg);
                    p.drawEllipse(QPointF(x, y), r * ring / 4, r * ring / 4);
                }
    } else if (kind == QLatin1String("shippo")) { // bg fg radius: interlocking circles
        p.fillRect(image.rect(), ParseColor(Arg(a, 1)));
        const double r = Num(a, 3);
        p.setPen(QPen(ParseColor(Arg(a, 2)), 3));
        p.setBrush(Qt::NoBrush);
        for (double y = 0; y < H + r; y += r)
            for (double x = 0; x < W + r; x += r) {
                p.drawEllipse(QPointF(x, y), r / std::numbers::sqrt2, r / std::numbers::sqrt2);
                p.drawEllipse(QPointF(x + r / 2, y + r / 2), r / std::numbers::sqrt2,
                              r / std::numbers::sqrt2);
            }
    } else if (kind == QLatin1String("kikko")) { // bg fg size: hexagons
        p.fillRect(image.rect(), ParseColor(Arg(a, 1)));
        const double s = Num(a, 3);
        p.setPen(QPen(ParseColor(Arg(a, 2)), 3));
        const double h = s * std::sqrt(3.0);
        int col = 0;
        for (double x = 0; x < W + s * 2; x += s * 1.5, ++col)
            for (double y = (col % 2 ? h / 2 : 0); y < H + h; y += h) {
                QPolygonF hex;
                for (int i = 0; i < 6; ++i)
                    hex << QPointF(x + s * std::cos(i * std::numbers::pi / 3),
                                   y + s * std::sin(i * std::numbers::pi / 3));
                p.drawPolygon(hex);
            }
    } else if (kind == QLatin1String("texture")) { // base strength seed: paper-like grain
        const QColor base = ParseColor(Arg(a, 1));
        const int strength = int(Num(a, 2));
        QRandomGenerator random(quint32(Num(a, 3)));
        p.end();
        for (int y = 0; y < H; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < W; ++x) {
                const int n = int(random.bounded(2 * strength + 1)) - strength;
                row[x] = qRgb(std::clamp(base.red() + n, 0, 255), std::clamp(base.green() + n, 0, 255),
                              std::clamp(base.blue() + n, 0, 255));
            }
        }
        // A few fibres make it paper rather than noise.
        QPainter q(&image);
        q.setRenderHint(QPainter::Antialiasing);
        q.setPen(QPen(base.darker(112), 1));
        for (int i = 0; i < 160; ++i) {
            const QPointF s(random.bounded(W), random.bounded(H));
            q.drawLine(s, s + QPointF(random.bounded(30) - 15, random.bounded(30) - 15));
        }
        return image;
    } else {
        throw TFailure{QStringLiteral("unknown background kind \"%1\"").arg(kind)};
    }
    return image;
}

int MakeBackgrounds(const QString& root, const QString& source)
{
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw TFailure{QStringLiteral("cannot read")};
    const QString base = root + QStringLiteral("/Data/BackGrnd");
    QDir().mkpath(base);
    QTextStream in(&file);
    QString index, folder;
    int count = 0, inGenre = 0, lineNo = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        ++lineNo;
        if (line.isEmpty() || line.startsWith(QLatin1String("//")))
            continue;
        try {
            const QStringList a = line.split(QRegularExpression(QStringLiteral("\\s+")));
            if (a[0] == QLatin1String("genre")) { // genre folder name
                folder = Arg(a, 1);
                index += QStringLiteral("[%1]\r\nFolder=%2\r\n\r\n").arg(Arg(a, 2), folder);
                QDir().mkpath(base + u'/' + folder);
                inGenre = 0;
                continue;
            }
            if (folder.isEmpty())
                throw TFailure{QStringLiteral("backgrounds before the first genre")};
            const QImage image = MakeBackground(a);
            QFile out(
                QStringLiteral("%1/%2/%3.jpg").arg(base, folder).arg(++inGenre, 3, 10, QLatin1Char('0')));
            const QByteArray jpeg = EncodeJPEG(image.convertToFormat(QImage::Format_RGB888), 88);
            if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(jpeg) != jpeg.size())
                throw TFailure{QStringLiteral("cannot write %1").arg(out.fileName())};
            ++count;
        } catch (const TFailure& failure) {
            throw TFailure{QStringLiteral("%1:%2: error: %3").arg(source).arg(lineNo).arg(failure.Message)};
        }
    }
    WriteText(base + QStringLiteral("/BackGrnd.dat"), index);
    return count;
}

// ---------------------------------------------------------------------------------
// Frames

QPainterPath FrameShape(const QString& shape, const QRectF& r)
{
    QPainterPath path;
    if (shape == QLatin1String("rect"))
        path.addRect(r);
    else if (shape == QLatin1String("round"))
        path.addRoundedRect(r, r.width() * 0.15, r.width() * 0.15);
    else if (shape == QLatin1String("ellipse"))
        path.addEllipse(r);
    else if (shape == QLatin1String("heart"))
        path = HeartPath(r.center().x(), r.center().y() + r.height() * 0.1, r.width() * 0.78);
    else if (shape == QLatin1String("star"))
        path =
            StarPath(r.center().x(), r.center().y() + r.height() * 0.04, r.width() / 2, r.width() / 4.2, 5);
    else if (shape == QLatin1String("scallop")) {
        path.addEllipse(
            r.adjusted(r.width() * 0.08, r.height() * 0.08, -r.width() * 0.08, -r.height() * 0.08));
        const int n = 16;
        for (int i = 0; i < n; ++i) {
            const double t = i * 2 * std::numbers::pi / n;
            path.addEllipse(QPointF(r.center().x() + r.width() * 0.42 * std::cos(t),
                                    r.center().y() + r.height() * 0.42 * std::sin(t)),
                            r.width() * 0.08, r.height() * 0.08);
        }
        path.setFillRule(Qt::WindingFill);
        path = path.simplified();
    } else if (shape == QLatin1String("flower")) {
        // The petals leave a gap at the centre; the window must not.
        path = FlowerPath(r.center().x(), r.center().y(), r.width() * 0.5);
        path.addEllipse(r.center(), r.width() * 0.3, r.height() * 0.3);
        path = path.simplified();
    } else if (shape == QLatin1String("octagon")) {
        const double c = r.width() * 0.29;
        QPolygonF poly{{r.left() + c, r.top()},     {r.right() - c, r.top()},    {r.right(), r.top() + c},
                       {r.right(), r.bottom() - c}, {r.right() - c, r.bottom()}, {r.left() + c, r.bottom()},
                       {r.left(), r.bottom() - c},  {r.left(), r.top() + c}};
        path.addPolygon(poly);
        path.closeSubpath();
    } else if (shape == QLatin1String("ticket")) {
        path.addRect(r);
        const double c = r.width() * 0.12;
        for (const QPointF& corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()}) {
            QPainterPath bite;
            bite.addEllipse(corner, c, c);
            path = path.subtracted(bite);
        }
    } else
        throw TFailure{QStringLiteral("unknown frame shape \"%1\"").arg(shape)};
    return path;
}

// frame shape colour width [pattern]: the ring between the outer shape and the
// window is the frame; the pattern decorates it.
QImage MakeFrame(const QStringList& a)
{
    const int S = 240;
    const QString shape = Arg(a, 1);
    const QColor colour = ParseColor(Arg(a, 2));
    const double width = Num(a, 3);
    const QString pattern = a.value(4, QStringLiteral("plain"));
    if (width < 4 || width > 60)
        throw TFailure{QStringLiteral("frame width out of 4..60")};
    QImage image(S, S, QImage::Format_RGB32);
    image.fill(kFrameOutside);
    const QRectF outerRect(4, 4, S - 8, S - 8);
    const QPainterPath outer = FrameShape(shape, outerRect);
    const QPainterPath window = FrameShape(shape, outerRect.adjusted(width, width, -width, -width));
    // The key colours must stay exact, so the shapes are drawn without antialiasing.
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(outer);
    p.setClipPath(outer.subtracted(window));
    if (pattern == QLatin1String("dots")) {
        p.setBrush(colour.lighter(150));
        for (int y = 0; y < S; y += 12)
            for (int x = (y / 12) % 2 * 6; x < S; x += 12)
                p.drawEllipse(QPointF(x, y), 3, 3);
    } else if (pattern == QLatin1String("stripes")) {
        p.setBrush(colour.lighter(140));
        p.rotate(45);
        for (int x = -2 * S; x < 2 * S; x += 14)
            p.drawRect(x, -2 * S, 7, 4 * S);
        p.resetTransform();
    } else if (pattern == QLatin1String("double")) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(colour.lighter(170), 3));
        p.drawPath(FrameShape(shape, outerRect.adjusted(width / 2, width / 2, -width / 2, -width / 2)));
        p.setPen(Qt::NoPen);
    } else if (pattern == QLatin1String("stars")) {
        p.setBrush(QColor(0xFF, 0xE0, 0x60));
        for (int y = 0; y < S; y += 22)
            for (int x = (y / 22) % 2 * 11; x < S; x += 22)
                p.drawPath(StarPath(x, y, 7, 3, 5));
    } else if (pattern != QLatin1String("plain")) {
        throw TFailure{QStringLiteral("unknown frame pattern \"%1\"").arg(pattern)};
    }
    p.setClipping(false);
    p.setBrush(QColor::fromRgb(kFrameWindow));
    p.drawPath(window);
    p.end();
    // Colours of the frame that happen to equal a key colour would be cut away.
    QImage ring(S, S, QImage::Format_Grayscale8);
    ring.fill(0);
    {
        QPainter r(&ring);
        r.setPen(Qt::NoPen);
        r.setBrush(Qt::white);
        r.drawPath(outer);
        r.setBrush(Qt::black);
        r.drawPath(window);
    }
    for (int y = 0; y < S; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const uchar* inRing = ring.constScanLine(y);
        for (int x = 0; x < S; ++x)
            if (inRing[x] && (row[x] == kFrameWindow || row[x] == kFrameOutside))
                row[x] ^= 0x000001;
    }
    return image;
}

int MakeFrames(const QString& root, const QString& source)
{
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw TFailure{QStringLiteral("cannot read")};
    const QString base = root + QStringLiteral("/Data/trimming");
    QDir().mkpath(base);
    QTextStream in(&file);
    int count = 0, lineNo = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        ++lineNo;
        if (line.isEmpty() || line.startsWith(QLatin1String("//")))
            continue;
        try {
            const QStringList a = line.split(QRegularExpression(QStringLiteral("\\s+")));
            if (a[0] != QLatin1String("frame"))
                throw TFailure{QStringLiteral("expected \"frame\"")};
            WriteBitmap(MakeFrame(a),
                        QStringLiteral("%1/frame%2.bmp").arg(base).arg(++count, 3, 10, QLatin1Char('0')));
        } catch (const TFailure& failure) {
            throw TFailure{QStringLiteral("%1:%2: error: %3").arg(source).arg(lineNo).arg(failure.Message)};
        }
    }
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: make-pictures illust|backgrounds|frames DATA-ROOT SOURCE.txt\n");
        return 2;
    }
    try {
        int count = 0;
        if (args[1] == QLatin1String("illust"))
            count = MakeIllustrations(args[2], args[3]);
        else if (args[1] == QLatin1String("backgrounds"))
            count = MakeBackgrounds(args[2], args[3]);
        else if (args[1] == QLatin1String("frames"))
            count = MakeFrames(args[2], args[3]);
        else
            throw TFailure{QStringLiteral("unknown collection \"%1\"").arg(args[1])};
        std::printf("make-pictures: %d %s\n", count, qPrintable(args[1]));
    } catch (const TFailure& failure) {
        std::fprintf(stderr, "%s\n", qPrintable(failure.Message));
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: error: %s\n", qPrintable(args[3]), e.what());
        return 1;
    }
    return 0;
}
