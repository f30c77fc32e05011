// Builds the decorative-line tiles from their readable description
// (data/decolines/patterns.txt) into 24-bit bitmaps, one file per pattern, written
// with the program's own bitmap writer. A bad line fails the build with
// "file:line: error: ...".
//
//   make-decolines OUTPUT-FOLDER PATTERNS.txt
#include "base/UExceptions.h"
#include "imaging/USafetyBitmap.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
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

QPainterPath StarPath(double cx, double cy, double outer, double inner, int points, double turn)
{
    QPainterPath path;
    for (int i = 0; i < points * 2; ++i) {
        const double r = i % 2 == 0 ? outer : inner;
        const double a =
            -std::numbers::pi / 2 + turn * std::numbers::pi / 180 + i * std::numbers::pi / points;
        const QPointF p(cx + r * std::cos(a), cy + r * std::sin(a));
        i == 0 ? path.moveTo(p) : path.lineTo(p);
    }
    path.closeSubpath();
    return path;
}

QPainterPath HeartPath(double cx, double cy, double s)
{
    QPainterPath path;
    path.moveTo(cx, cy + s * 0.45);
    path.cubicTo(cx - s * 0.9, cy - s * 0.1, cx - s * 0.45, cy - s * 0.75, cx, cy - s * 0.3);
    path.cubicTo(cx + s * 0.45, cy - s * 0.75, cx + s * 0.9, cy - s * 0.1, cx, cy + s * 0.45);
    path.closeSubpath();
    return path;
}

// One drawing operation of a pattern.
void Draw(QPainter& p, const QStringList& a, int width, int height)
{
    const QString op = a[0];
    auto pen = [&](double w, const QString& colour) {
        QPen pen(ParseColor(colour), w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
    };
    auto brush = [&](const QString& colour) {
        p.setPen(Qt::NoPen);
        p.setBrush(ParseColor(colour));
    };
    if (op == QLatin1String("line")) { // x1 y1 x2 y2 width colour
        pen(Num(a, 5), Arg(a, 6));
        p.drawLine(QPointF(Num(a, 1), Num(a, 2)), QPointF(Num(a, 3), Num(a, 4)));
    } else if (op == QLatin1String("rect")) { // x y w h colour
        brush(Arg(a, 5));
        p.drawRect(QRectF(Num(a, 1), Num(a, 2), Num(a, 3), Num(a, 4)));
    } else if (op == QLatin1String("circle")) { // cx cy r colour
        brush(Arg(a, 4));
        p.drawEllipse(QPointF(Num(a, 1), Num(a, 2)), Num(a, 3), Num(a, 3));
    } else if (op == QLatin1String("ellipse")) { // cx cy rx ry angle colour
        brush(Arg(a, 6));
        p.save();
        p.translate(Num(a, 1), Num(a, 2));
        p.rotate(Num(a, 5));
        p.drawEllipse(QPointF(0, 0), Num(a, 3), Num(a, 4));
        p.restore();
    } else if (op == QLatin1String("ring")) { // cx cy r width colour
        pen(Num(a, 4), Arg(a, 5));
        p.drawEllipse(QPointF(Num(a, 1), Num(a, 2)), Num(a, 3), Num(a, 3));
    } else if (op == QLatin1String("star")) { // cx cy outer inner points turn colour
        brush(Arg(a, 7));
        p.drawPath(StarPath(Num(a, 1), Num(a, 2), Num(a, 3), Num(a, 4), int(Num(a, 5)), Num(a, 6)));
    } else if (op == QLatin1String("heart")) { // cx cy size colour
        brush(Arg(a, 4));
        p.drawPath(HeartPath(Num(a, 1), Num(a, 2), Num(a, 3)));
    } else if (op == QLatin1String("petals")) { // cx cy length n colour centre-colour
        const double cx = Num(a, 1), cy = Num(a, 2), l = Num(a, 3);
        const int n = int(Num(a, 4));
        brush(Arg(a, 5));
        for (int i = 0; i < n; ++i) {
            p.save();
            p.translate(cx, cy);
            p.rotate(360.0 * i / n);
            p.drawEllipse(QPointF(0, -l / 2), l / 3.2, l / 2);
            p.restore();
        }
        brush(Arg(a, 6));
        p.drawEllipse(QPointF(cx, cy), l / 3.5, l / 3.5);
    } else if (op == QLatin1String("wave")) { // y amplitude periods phase width colour
        pen(Num(a, 5), Arg(a, 6));
        QPainterPath path;
        const double y = Num(a, 1), amp = Num(a, 2), periods = Num(a, 3), phase = Num(a, 4);
        for (int x = -2; x <= width + 2; ++x) {
            const QPointF pt(x,
                             y + amp * std::sin(2 * std::numbers::pi * (periods * x / width + phase / 360)));
            x == -2 ? path.moveTo(pt) : path.lineTo(pt);
        }
        p.drawPath(path);
    } else if (op == QLatin1String("zigzag")) { // y amplitude teeth width colour
        pen(Num(a, 4), Arg(a, 5));
        const double y = Num(a, 1), amp = Num(a, 2);
        const int teeth = int(Num(a, 3));
        QPainterPath path;
        path.moveTo(0, y + amp);
        for (int i = 0; i < teeth; ++i) {
            path.lineTo(width * (i + 0.5) / teeth, y - amp);
            path.lineTo(width * (i + 1.0) / teeth, y + amp);
        }
        p.drawPath(path);
    } else if (op == QLatin1String("arc")) { // cx cy r start span width colour
        pen(Num(a, 6), Arg(a, 7));
        const double r = Num(a, 3);
        p.drawArc(QRectF(Num(a, 1) - r, Num(a, 2) - r, 2 * r, 2 * r), int(Num(a, 4) * 16),
                  int(Num(a, 5) * 16));
    } else if (op == QLatin1String("polygon")) { // colour x1 y1 x2 y2 ...
        brush(Arg(a, 1));
        QPolygonF poly;
        for (int i = 2; i + 1 < a.size(); i += 2)
            poly << QPointF(Num(a, i), Num(a, i + 1));
        if (poly.size() < 3)
            throw TFailure{QStringLiteral("a polygon needs three points")};
        p.drawPolygon(poly);
    } else {
        throw TFailure{QStringLiteral("unknown operation \"%1\"").arg(op)};
    }
    (void)height;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: make-decolines OUTPUT-FOLDER PATTERNS.txt\n");
        return 2;
    }
    const QString folder = args[1];
    QFile file(args[2]);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "%s: error: cannot read\n", qPrintable(args[2]));
        return 1;
    }
    QDir().mkpath(folder);
    QTextStream in(&file);
    int lineNo = 0;
    QString name;
    QImage tile;
    std::unique_ptr<QPainter> painter;
    int written = 0;
    auto finish = [&] {
        if (!painter)
            return;
        painter.reset();
        TSafetyBitmap bitmap;
        bitmap.SetImage(tile.convertToFormat(QImage::Format_RGB888));
        bitmap.SaveToFile(QDir(folder).filePath(name + QStringLiteral(".bmp")));
        ++written;
    };
    try {
        while (!in.atEnd()) {
            const QString raw = in.readLine();
            ++lineNo;
            // Comments are whole lines: colours begin with '#' too.
            const QString line = raw.trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            const QStringList a = line.split(QRegularExpression(QStringLiteral("\\s+")));
            try {
                if (a[0] == QLatin1String("pattern")) { // name width height
                    finish();
                    name = Arg(a, 1);
                    const int w = int(Num(a, 2)), h = int(Num(a, 3));
                    if (w < 4 || h < 4 || w > 512 || h > 512)
                        throw TFailure{QStringLiteral("tile size out of 4..512")};
                    tile = QImage(w, h, QImage::Format_RGB32);
                    tile.fill(QColor(240, 240, 240)); // the transparent colour
                    painter = std::make_unique<QPainter>(&tile);
                    painter->setRenderHint(QPainter::Antialiasing, true);
                } else {
                    if (!painter)
                        throw TFailure{QStringLiteral("operation before the first pattern")};
                    Draw(*painter, a, tile.width(), tile.height());
                }
            } catch (const TFailure& failure) {
                std::fprintf(stderr, "%s:%d: error: %s\n", qPrintable(args[2]), lineNo,
                             qPrintable(failure.Message));
                return 1;
            }
        }
        finish();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: error: %s\n", qPrintable(args[2]), error.what());
        return 1;
    }
    std::printf("%d decorative-line patterns\n", written);
    return 0;
}
