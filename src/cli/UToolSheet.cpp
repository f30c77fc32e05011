#include "cli/UToolSheet.h"
#include "base/UExceptions.h"
#include "cli/UToolCommands.h"
#include "cli/UToolDocument.h"
#include "document/ULabelData.h"
#include "sheet/USheetView.h"
#include <QTextStream>

namespace velmo::tool {

namespace {
int Usage()
{
    QTextStream(stderr) << "usage: velmo-tool sheet FILE.lbd SHEET OUT.png [--dpi N]\n";
    return kExitUsage;
}
} // namespace

int CommandSheet(const QStringList& arguments)
{
    QStringList positional;
    int dpi = 100;
    const int end = OptionEnd(arguments);
    for (int i = 0; i < arguments.size(); ++i) {
        if (i >= end) {
            if (i > end)
                positional << arguments[i];
        } else if (arguments[i] == QLatin1String("--dpi")) {
            if (i + 1 >= arguments.size())
                return Usage();
            bool ok = false;
            dpi = arguments[++i].toInt(&ok);
            if (!ok || dpi < 10 || dpi > 1200) {
                ReportError(QStringLiteral("--dpi wants a number from 10 to 1200"));
                return kExitUsage;
            }
        } else {
            positional << arguments[i];
        }
    }
    if (positional.size() != 3)
        return Usage();
    try {
        RegisterLabelDataClasses();
        std::unique_ptr<TLabelData> document = TLabelData::Open(positional[0]);
        if (!SelectNamedSheet(*document, positional[1]))
            return kExitFailure;
        if (!document->Paper()) {
            ReportError(QStringLiteral("sheet %1 has no paper").arg(positional[1]));
            return kExitFailure;
        }
        const int64_t w = int64_t(document->Paper()->Width()) * dpi / 254;
        const int64_t h = int64_t(document->Paper()->Height()) * dpi / 254;
        if (w <= 0 || h <= 0 || w * h > 200'000'000) {
            ReportError(QStringLiteral("the sheet is too large to draw at %1 dpi").arg(dpi));
            return kExitFailure;
        }
        const QImage image = RenderSheetImage(*document, dpi);
        if (image.isNull()) {
            ReportError(QStringLiteral("the sheet could not be drawn"));
            return kExitFailure;
        }
        if (!WritePngFile(positional[2], image))
            return kExitFailure;
    } catch (const Exception& e) {
        ReportError(e.Message());
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace velmo::tool
