#include "cli/UToolExport.h"
#include "base/UExceptions.h"
#include "cli/UToolCommands.h"
#include "cli/UToolDocument.h"
#include "document/ULabelData.h"
#include "document/ULabelExport.h"
#include "objects/ULOImage.h"
#include "text/ULOText.h"
#include <QFileInfo>
#include <QTextStream>

namespace velmo::tool {

namespace {

int ExportUsage()
{
    QTextStream(stderr) << "usage: velmo-tool export FILE.lbd SHEET POS OUT.bmp|OUT.jpg\n";
    return kExitUsage;
}

} // namespace

int CommandExport(const QStringList& arguments)
{
    if (arguments.size() != 4)
        return ExportUsage();
    const QString suffix = QFileInfo(arguments[3]).suffix().toLower();
    const bool jpeg = suffix == u"jpg" || suffix == u"jpeg";
    if (!jpeg && suffix != u"bmp") {
        ReportError(QStringLiteral("the output must end in .bmp, .jpg or .jpeg"));
        return kExitUsage;
    }
    try {
        RegisterLabelDataClasses();
        RegisterTextClasses();
        RegisterImageClasses();
        auto data = TLabelData::Open(arguments[0]);
        if (!SelectNamedSheet(*data, arguments[1]))
            return kExitFailure;
        bool isNumber = false;
        const int k = arguments[2].toInt(&isNumber);
        if (!isNumber || k < 0 || k >= data->LabelCount()) {
            ReportError(QStringLiteral("no label position \"%1\" (the sheet has %2)")
                            .arg(arguments[2])
                            .arg(data->LabelCount()));
            return kExitFailure;
        }
        WriteLabelPicture(*data, k, arguments[3], jpeg);
    } catch (const Exception& e) {
        ReportError(e.Message());
        return kExitFailure;
    } catch (const std::exception& e) {
        ReportError(QString::fromUtf8(e.what()));
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace velmo::tool
