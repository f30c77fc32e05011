// Builds the resource file of the window pictures ("Images.res") from its readable
// sources: data/images/MANIFEST names each resource and the SVG drawing it comes
// from; every drawing is rendered at its own size onto white, turned into a 24-bit
// bitmap by the program's bitmap class and written by the program's resource writer.
//
//   make-images OUT.res SOURCE_FOLDER
//
// MANIFEST lines: TYPE NAME FILE.svg COLUMNSxROWS   (# starts a comment)
// TYPE is RT_BITMAP (a bitmap resource) or CBM (a compressed bitmap). The drawing's
// size must divide into the grid's cells evenly, so every cell is the same size.
// Any error is reported as FILE:LINE: message, and nothing is written.
#include "base/UStream.h"
#include "imaging/UResourceImage.h"
#include "imaging/USafetyBitmap.h"
#include "storage/USafeFile.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTextStream>
#include <cstdio>

using namespace velmo;

namespace {

struct TFailure
{
    QString Text;
};

[[noreturn]] void Fail(const QString& where, const QString& message)
{
    throw TFailure{QStringLiteral("%1: error: %2").arg(where, message)};
}

QImage Render(const QString& file, const QString& where)
{
    QSvgRenderer renderer(file);
    if (!renderer.isValid())
        Fail(where, QStringLiteral("%1 is not a readable SVG drawing").arg(file));
    const QSize size = renderer.defaultSize();
    if (size.isEmpty() || size.width() > 4096 || size.height() > 4096)
        Fail(where, QStringLiteral("%1 has no usable size").arg(file));
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    // Text in drawings needs fonts, which need a GUI application (offscreen is enough).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: make-images OUT.res SOURCE_FOLDER\n");
        return 2;
    }
    const QString out = args[1];
    const QDir source(args[2]);
    try {
        const QString manifest = source.filePath(QStringLiteral("MANIFEST"));
        QFile file(manifest);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            Fail(manifest, QStringLiteral("cannot be read"));
        QTextStream in(&file);
        in.setEncoding(QStringConverter::Utf8);
        std::vector<TResourceEntry> entries;
        static const QRegularExpression grid(QStringLiteral("^([0-9]{1,3})x([0-9]{1,3})$"));
        int lineNo = 0;
        while (!in.atEnd()) {
            const QString line = in.readLine();
            ++lineNo;
            const QString where = QStringLiteral("%1:%2").arg(manifest).arg(lineNo);
            const QString text = line.section(u'#', 0, 0).trimmed();
            if (text.isEmpty())
                continue;
            const QStringList fields = text.split(QRegularExpression(QStringLiteral("\\s+")));
            if (fields.size() != 4)
                Fail(where, QStringLiteral("expected TYPE NAME FILE.svg COLUMNSxROWS"));
            const QString type = fields[0];
            if (type != u"RT_BITMAP" && type != u"CBM")
                Fail(where, QStringLiteral("type \"%1\" is neither RT_BITMAP nor CBM").arg(type));
            const QRegularExpressionMatch m = grid.match(fields[3]);
            if (!m.hasMatch() || m.captured(1).toInt() < 1 || m.captured(2).toInt() < 1)
                Fail(where, QStringLiteral("\"%1\" is not a grid like 18x1").arg(fields[3]));
            const QImage image = Render(source.filePath(fields[2]), where);
            const int cols = m.captured(1).toInt();
            const int rows = m.captured(2).toInt();
            if (image.width() % cols || image.height() % rows)
                Fail(where, QStringLiteral("%1 × %2 does not divide into %3 × %4 equal cells")
                                .arg(image.width())
                                .arg(image.height())
                                .arg(cols)
                                .arg(rows));
            for (const TResourceEntry& e : entries)
                if (e.Name.Matches(TResourceId::FromString(fields[1])))
                    Fail(where, QStringLiteral("%1 is named twice").arg(fields[1]));
            TAppBitmap bitmap;
            bitmap.SetImage(image.convertToFormat(QImage::Format_BGR888), TPixelFormat::pf24bit);
            TResourceEntry entry;
            entry.Type = type == u"CBM" ? TResourceId::FromString(type) : TResourceId::FromOrdinal(RT_BITMAP);
            entry.Name = TResourceId::FromString(fields[1]);
            entry.Data = type == u"CBM" ? CompressedBitmapResourceData(bitmap) : BitmapResourceData(bitmap);
            entries.push_back(std::move(entry));
        }
        if (entries.empty())
            Fail(manifest, QStringLiteral("names no pictures"));
        WriteFileReplacing(out, WriteResourceFile(entries));
    } catch (const TFailure& f) {
        std::fprintf(stderr, "%s\n", qPrintable(f.Text));
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-images: %s\n", e.what());
        return 1;
    }
    return 0;
}
