// velmo-tool decolines [--folder DIR] [--length MM] OUT.png: every decorative-line
// pattern drawn as the decorative line the chooser would make of it, one under
// another, each with its file name.
#include "cli/UToolCommands.h"
#include "draw/UCanvas.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULOLine.h"
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>

namespace velmo::tool {

int CommandDecoLines(const QStringList& givenArguments)
{
    QStringList arguments = WithoutOptionEnd(givenArguments);
    QString folder;
    int length = 600; // logical units
    for (int i = 0; i < arguments.size();) {
        if (arguments[i] == QLatin1String("--folder") && i + 1 < arguments.size()) {
            folder = arguments[i + 1];
            arguments.remove(i, 2);
        } else if (arguments[i] == QLatin1String("--length") && i + 1 < arguments.size()) {
            bool ok = false;
            length = arguments[i + 1].toInt(&ok) * 10;
            if (!ok || length < 100 || length > 3000) {
                ReportError(QStringLiteral("--length takes 10 to 300 (millimetres)"));
                return kExitUsage;
            }
            arguments.remove(i, 2);
        } else {
            ++i;
        }
    }
    if (arguments.size() != 1) {
        ReportError(QStringLiteral("usage: velmo-tool decolines [--folder DIR] [--length MM] OUT.png"));
        return kExitUsage;
    }
    if (folder.isEmpty())
        folder = DecoLineFolder();
    const QStringList files = DecoLinePatternFiles(folder);
    if (files.isEmpty()) {
        ReportError(QStringLiteral("no decorative-line patterns in \"%1\"").arg(folder));
        return kExitFailure;
    }
    // One row of 10 mm per pattern at 254 dpi (one pixel per logical unit).
    constexpr int kRow = 100;
    constexpr int kLabel = 260;
    QImage sheet(kLabel + length + 40, int(files.size()) * kRow + 20, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    SetImageDPI(sheet, 254);
    QPainter painter(&sheet);
    QFont font;
    font.setPixelSize(28);
    painter.setFont(font);
    int row = 0;
    for (const QString& file : files) {
        QImageReader reader(file);
        reader.setAllocationLimit(64);
        const QImage tile = reader.read();
        const int y = 10 + row * kRow;
        painter.setPen(Qt::black);
        painter.drawText(QRect(10, y, kLabel - 20, kRow), Qt::AlignVCenter | Qt::AlignLeft,
                         QFileInfo(file).completeBaseName());
        if (tile.isNull()) {
            painter.drawText(QRect(kLabel, y, length, kRow), Qt::AlignCenter, QStringLiteral("(unreadable)"));
        } else {
            TLODecoLine line;
            TPicture picture;
            auto bitmap = std::make_unique<TBitmap>();
            bitmap->SetImage(tile.convertToFormat(QImage::Format_RGB888));
            picture.SetGraphic(std::move(bitmap));
            line.SetImage(&picture);
            line.FitToTile();
            const int width = std::min(line.LineWidth(), kRow - 20);
            line.SetLineWidth(width);
            line.SetStartPoint({kLabel, y + kRow / 2});
            line.SetEndPoint({kLabel + length, y + kRow / 2});
            line.Paint(painter);
        }
        ++row;
    }
    painter.end();
    return WritePngFile(arguments[0], sheet) ? kExitOk : kExitFailure;
}

} // namespace velmo::tool
