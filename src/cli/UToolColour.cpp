// velmo-tool colour: a colour setting written in the component text form,
// painted over a rectangle, as PNG.
#include "base/UExceptions.h"
#include "cli/UToolCommands.h"
#include "cli/UToolDump.h"
#include "imaging/UColorSpec.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "persist/UComponentText.h"
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTextStream>

namespace velmo::tool {

namespace {

void ColourUsage()
{
    QTextStream(stderr)
        << "usage: velmo-tool colour SPEC.txt W H OUT.png [--picture FILE] [--zoom PERCENT] [--print]\n";
}

bool ParsePositive(const QString& text, int* value, int max)
{
    bool ok = false;
    *value = text.toInt(&ok);
    return ok && *value > 0 && *value <= max;
}

} // namespace

int CommandColour(const QStringList& givenArguments)
{
    QStringList arguments = givenArguments;
    QString picture;
    int zoom = 100;
    // Gradations as a printer gets them: smoothly resampled to the pixels.
    const bool print = arguments.removeAll(QStringLiteral("--print")) > 0;
    for (qsizetype i = 0; i < arguments.size();) {
        if (arguments[i] == u"--picture" && i + 1 < arguments.size()) {
            picture = arguments[i + 1];
            arguments.remove(i, 2);
        } else if (arguments[i] == u"--zoom" && i + 1 < arguments.size()) {
            if (!ParsePositive(arguments[i + 1], &zoom, 10000)) {
                ColourUsage();
                return kExitUsage;
            }
            arguments.remove(i, 2);
        } else {
            ++i;
        }
    }
    int width = 0, height = 0;
    if (arguments.size() != 4 || !ParsePositive(arguments[1], &width, 20000) ||
        !ParsePositive(arguments[2], &height, 20000)) {
        ColourUsage();
        return kExitUsage;
    }
    const int64_t pixelsW = int64_t(width) * zoom / 100, pixelsH = int64_t(height) * zoom / 100;
    if (pixelsW <= 0 || pixelsH <= 0 || pixelsW * pixelsH > 100'000'000) {
        ReportError(QStringLiteral("the picture would be %1 x %2 pixels").arg(pixelsW).arg(pixelsH));
        return kExitFailure;
    }
    QFile file(arguments[0]);
    if (!file.open(QIODevice::ReadOnly)) {
        ReportError(QStringLiteral("cannot read %1").arg(arguments[0]));
        return kExitFailure;
    }
    const QString text = QString::fromUtf8(file.readAll());
    RegisterImagingGraphics();
    RegisterPictureFormats();
    TColorSpec spec;
    try {
        ReadColorSpecText(text, spec);
        if (!picture.isEmpty())
            spec.ImageData()->LoadFromFile(picture);
    } catch (const EParserError& e) {
        ReportError(QStringLiteral("%1: %2").arg(arguments[0], e.Message()));
        return kExitFailure;
    } catch (const Exception& e) {
        ReportError(e.Message());
        return kExitFailure;
    }
    QImage image(int(pixelsW), int(pixelsH), QImage::Format_RGB32);
    if (image.isNull()) {
        ReportError(QStringLiteral("out of memory"));
        return kExitFailure;
    }
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.scale(zoom / 100.0, zoom / 100.0);
        spec.Fill(painter, QRect(0, 0, width, height),
                  print ? TGradationOutput::goResample : TGradationOutput::goAuto);
    }
    if (!WritePngFile(arguments[3], image))
        return kExitFailure;
    return kExitOk;
}

} // namespace velmo::tool
