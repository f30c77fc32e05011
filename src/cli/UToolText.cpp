#include "cli/UToolText.h"
#include "cli/UToolCommands.h"
#include "draw/UCanvas.h"
#include "text/UFontList.h"
#include "text/USimpleText.h"
#include <QImage>
#include <QPainter>
#include <QTextStream>
#include <cmath>

namespace velmo::tool {
namespace {

constexpr int kMaxPixels = 12000; // per side; larger pictures are refused, not allocated

int Usage()
{
    QTextStream(stderr)
        << "usage: velmo-tool text OUT.png LINE... [--font FACE] [--size PT] [--bold] [--vertical]\n"
           "           [--align 0-3] [--char-spacing N] [--line-spacing N] [--bulge N] [--angle DEG]\n"
           "           [--feed-angle DEG] [--box W,H] [--dpi N] [--outline] [--boxes]\n"
           "  lengths in 0.1 mm; --box is the layout rectangle (default: the text's own size)\n";
    return kExitUsage;
}

} // namespace

int CommandText(const QStringList& arguments)
{
    QString out;
    QStringList lines;
    TSimpleText text;
    TPointBasedFont font;
    font.SetName(QStringLiteral(u"ＭＳ Ｐゴシック"));
    font.SetSize(24);
    TFontStyles style = 0;
    int boxWidth = -1, boxHeight = -1, dpi = 254;
    bool outline = false, boxes = false;
    const int end = OptionEnd(arguments);
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (i >= end) {
            // Lines after "--" may begin with "-".
            if (i == end)
                continue;
            if (out.isEmpty())
                out = a;
            else
                lines << a;
            continue;
        }
        auto next = [&](QString* value) {
            if (i + 1 >= arguments.size())
                return false;
            *value = arguments[++i];
            return true;
        };
        QString v;
        int n = 0;
        if (a == u"--font") {
            if (!next(&v))
                return Usage();
            font.SetName(v);
        } else if (a == u"--size") {
            if (!next(&v) || !ToInt(v, &n, 1, 999))
                return Usage();
            font.SetSize(n);
        } else if (a == u"--bold") {
            style |= fsBold;
        } else if (a == u"--italic") {
            style |= fsItalic;
        } else if (a == u"--underline") {
            style |= fsUnderline;
        } else if (a == u"--strike-out") {
            style |= fsStrikeOut;
        } else if (a == u"--vertical") {
            text.SetVertical(true);
        } else if (a == u"--align") {
            if (!next(&v) || !ToInt(v, &n, 0, 3))
                return Usage();
            text.SetAlign(n);
        } else if (a == u"--char-spacing" || a == u"--line-spacing" || a == u"--bulge" || a == u"--angle" ||
                   a == u"--feed-angle") {
            if (!next(&v) || !ToInt(v, &n, -100000, 100000))
                return Usage();
            if (a == u"--char-spacing")
                text.SetCharSpacing(n);
            else if (a == u"--line-spacing")
                text.SetLineSpacing(n);
            else if (a == u"--bulge")
                text.SetBulge(n);
            else if (a == u"--angle")
                text.SetAngle(n);
            else
                text.SetFeedAngle(n);
        } else if (a == u"--box") {
            const QStringList parts = next(&v) ? v.split(u',') : QStringList();
            if (parts.size() != 2 || !ToInt(parts[0], &boxWidth, 0, 100000) ||
                !ToInt(parts[1], &boxHeight, 0, 100000))
                return Usage();
        } else if (a == u"--dpi") {
            if (!next(&v) || !ToInt(v, &dpi, 10, 2400))
                return Usage();
        } else if (a == u"--outline") {
            outline = true;
        } else if (a == u"--boxes") {
            boxes = true;
        } else if (a.startsWith(u"--")) {
            ReportError(QStringLiteral("unknown option \"%1\"").arg(a));
            return Usage();
        } else if (out.isEmpty()) {
            out = a;
        } else {
            lines << a;
        }
    }
    if (out.isEmpty())
        return Usage();
    font.SetStyle(style);
    text.SetFont(&font);
    text.SetLines(lines);
    text.SetColor(clBlack);

    // Without a box the text gets its own size.
    if (boxWidth < 0 || boxHeight < 0) {
        const TLogRect natural = text.GetBounds({0, 0, 0, 0});
        boxWidth = boxWidth < 0 ? std::max(1, natural.Width()) : boxWidth;
        boxHeight = boxHeight < 0 ? std::max(1, natural.Height()) : boxHeight;
    }
    const TLogRect box{0, 0, boxWidth, boxHeight};
    const TLogRect bounds = text.GetBounds(box);
    TStroke stroke;
    text.MakeOutline(stroke, box, true);
    TLogRect area = UnionRect(box, NormalizedRect(bounds));
    if (stroke.Count() > 0)
        area = UnionRect(area, stroke.Bounds());
    const int margin = 20;
    area = {area.Left - margin, area.Top - margin, area.Right + margin, area.Bottom + margin};
    const int64_t pw = (int64_t(area.Width()) * dpi + 253) / 254;
    const int64_t ph = (int64_t(area.Height()) * dpi + 253) / 254;
    if (pw > kMaxPixels || ph > kMaxPixels || pw <= 0 || ph <= 0) {
        ReportError(QStringLiteral("the picture would be %1 x %2 pixels; at most %3 per side")
                        .arg(pw)
                        .arg(ph)
                        .arg(kMaxPixels));
        return kExitFailure;
    }
    QImage image(int(pw), int(ph), QImage::Format_RGB32);
    image.fill(Qt::white);
    SetImageDPI(image, dpi);
    {
        QPainter painter(&image);
        const double scale = dpi / 254.0;
        painter.setTransform(QTransform(scale, 0, 0, scale, -area.Left * scale, -area.Top * scale));
        if (boxes) {
            painter.setPen(DevicePixelPen(QColor(170, 170, 170)));
            painter.drawRect(QRectF(box.Left, box.Top, box.Width(), box.Height()));
            const QColor faint(255, 200, 200);
            const std::vector<TCharLayout>& layouts = text.Layouts();
            TLogRect current = box;
            for (const TCharLayout& layout : layouts) {
                const TLogRect lb =
                    text.Vertical() ? VerticalLineBox(current, layout) : HorizontalLineBox(current, layout);
                painter.fillRect(QRectF(lb.Left, lb.Top, lb.Width(), lb.Height()), faint);
                if (text.Vertical())
                    current.Right -= layout.LineHeight + text.LineSpacing();
                else
                    current.Top += layout.LineHeight + text.LineSpacing();
            }
            painter.setPen(DevicePixelPen(QColor(90, 140, 255)));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(bounds.Left, bounds.Top, bounds.Width(), bounds.Height()));
        }
        if (outline) {
            painter.setRenderHint(QPainter::Antialiasing, true);
            QPainterPath path = stroke.ToPainterPath();
            path.setFillRule(Qt::WindingFill);
            painter.fillPath(path, Qt::black);
        } else {
            text.Draw(painter, box);
        }
    }
    if (!WritePngFile(out, image))
        return kExitFailure;
    return kExitOk;
}

} // namespace velmo::tool
