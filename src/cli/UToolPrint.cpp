#include "cli/UToolPrint.h"
#include "base/UDateTime.h"
#include "base/UExceptions.h"
#include "cli/UToolCommands.h"
#include "cli/UToolDocument.h"
#include "document/ULabelData.h"
#include "imaging/UPictureFormats.h"
#include "merge/UCsvDB.h"
#include "merge/ULOInsertion.h"
#include "merge/UMergeSession.h"
#include "print/UPrintSheet.h"
#include "print/UPrinter.h"
#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>
#include <QTextStream>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <set>
#include <unistd.h>
#include <vector>

namespace velmo::tool {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void OnInterrupt(int)
{
    gInterrupted = 1;
}

int Usage()
{
    QTextStream(stderr) << "usage: velmo-tool print FILE.lbd [--sheet N] [--copies N] [--faces LIST]\n"
                           "         [--count-selected-only] [--frames] [--cut-lines] [--paper-images]\n"
                           "         [--offset X,Y] [--banding | --no-banding] [--dpi N]\n"
                           "         [--merge FILE.csv [--header]] (--pdf OUT.pdf | --printer NAME)\n"
                           "  --copies all (with --merge): as many sheets as the records need\n";
    return kExitUsage;
}

bool NeedValue(const QStringList& arguments, int i)
{
    if (i + 1 < arguments.size())
        return true;
    ReportError(QStringLiteral("%1 needs a value").arg(arguments[i]));
    return false;
}

} // namespace

bool ParseFaceList(const QString& text, int count, QByteArray& selection, QString& error)
{
    selection = QByteArray(count, 0);
    const QStringList parts = text.split(u',');
    static const QRegularExpression item(QStringLiteral("^\\s*(\\d{1,6})\\s*(?:-\\s*(\\d{1,6})\\s*)?$"));
    for (const QString& part : parts) {
        const QRegularExpressionMatch m = item.match(part);
        if (!m.hasMatch()) {
            error = QStringLiteral("--faces: \"%1\" is not a position or a range (e.g. 0,2,4-7)").arg(part);
            return false;
        }
        const int from = m.captured(1).toInt();
        const int to = m.captured(2).isEmpty() ? from : m.captured(2).toInt();
        if (from > to || to >= count) {
            error = QStringLiteral("--faces: \"%1\" is outside the positions 0 to %2")
                        .arg(part.trimmed())
                        .arg(count - 1);
            return false;
        }
        for (int i = from; i <= to; ++i)
            selection[i] = 1;
    }
    return true;
}

bool ParseOffset(const QString& text, QPoint& offset, QString& error)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*([-+]?\\d{1,3}(?:\\.\\d)?)\\s*,\\s*([-+]?\\d{1,3}(?:\\.\\d)?)\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) {
        error = QStringLiteral("--offset wants X,Y in millimetres with at most one decimal (e.g. 2.0,-1.5)");
        return false;
    }
    offset = QPoint(int(std::lround(m.captured(1).toDouble() * 10)),
                    int(std::lround(m.captured(2).toDouble() * 10)));
    if (std::abs(offset.x()) > kMaxPrintOffset || std::abs(offset.y()) > kMaxPrintOffset) {
        error = QStringLiteral("--offset: 印刷位置の調整は-99.9mmから99.9mmまでです");
        return false;
    }
    return true;
}

int CommandPrint(const QStringList& arguments)
{
    QStringList positional;
    QString sheetName, facesText, pdf, printer, mergeFile;
    bool mergeHeader = false;
    bool copiesForAllRecords = false;
    TPrintSpec spec;
    int banding = -1; // not given
    int dpi = 300;
    const int end = OptionEnd(arguments);
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (i >= end) {
            if (i > end)
                positional << a;
        } else if (a == u"--sheet") {
            if (!NeedValue(arguments, i))
                return kExitUsage;
            sheetName = arguments[++i];
        } else if (a == u"--copies") {
            if (!NeedValue(arguments, i))
                return kExitUsage;
            bool ok = false;
            if (arguments[i + 1] == u"all") {
                ++i;
                copiesForAllRecords = true;
                continue;
            }
            spec.Copies = arguments[++i].toInt(&ok);
            if (!ok || spec.Copies < 1 || spec.Copies > kMaxPrintCopies) {
                ReportError(QStringLiteral("--copies wants a number from 1 to %1").arg(kMaxPrintCopies));
                return kExitUsage;
            }
        } else if (a == u"--faces") {
            if (!NeedValue(arguments, i))
                return kExitUsage;
            facesText = arguments[++i];
        } else if (a == u"--count-selected-only") {
            spec.CountSelectedOnly = true;
        } else if (a == u"--frames") {
            spec.PrintFrames = true;
        } else if (a == u"--cut-lines") {
            spec.PrintCutLines = true;
        } else if (a == u"--paper-images") {
            spec.PrintPaperImages = true;
        } else if (a == u"--offset") {
            if (!NeedValue(arguments, i))
                return kExitUsage;
            QString error;
            if (!ParseOffset(arguments[++i], spec.Offset, error)) {
                ReportError(error);
                return kExitUsage;
            }
        } else if (a == u"--banding" || a == u"--no-banding") {
            const int value = a == u"--banding" ? 1 : 0;
            if (banding >= 0 && banding != value) {
                ReportError(QStringLiteral("--banding and --no-banding exclude each other"));
                return kExitUsage;
            }
            banding = value;
        } else if (a == u"--dpi") {
            if (!NeedValue(arguments, i))
                return kExitUsage;
            bool ok = false;
            dpi = arguments[++i].toInt(&ok);
            if (!ok || dpi < 72 || dpi > 2400) {
                ReportError(QStringLiteral("--dpi wants a number from 72 to 2400"));
                return kExitUsage;
            }
        } else if (a == u"--pdf") {
            if (!NeedValue(arguments, i))
                return kExitUsage;
            pdf = arguments[++i];
        } else if (a == u"--merge") {
            if (!NeedValue(arguments, i))
                return kExitUsage;
            mergeFile = arguments[++i];
        } else if (a == u"--header") {
            mergeHeader = true;
        } else if (a == u"--printer") {
            if (!NeedValue(arguments, i))
                return kExitUsage;
            printer = arguments[++i];
        } else if (a.startsWith(u"--")) {
            ReportError(QStringLiteral("unknown option %1").arg(a));
            return Usage();
        } else {
            positional << a;
        }
    }
    if (positional.size() != 1 || pdf.isEmpty() == printer.isEmpty())
        return Usage();
    if (copiesForAllRecords && mergeFile.isEmpty()) {
        ReportError(QStringLiteral("--copies all belongs to --merge"));
        return kExitUsage;
    }
    if (mergeHeader && mergeFile.isEmpty()) {
        ReportError(QStringLiteral("--header belongs to --merge"));
        return kExitUsage;
    }
    if (spec.CountSelectedOnly && facesText.isEmpty()) {
        // Counting chosen faces only means nothing when all are printed.
        spec.CountSelectedOnly = false;
    }
    try {
        RegisterLabelDataClasses();
        // Merge pictures are named by file: every picture format the program reads.
        RegisterPictureFormats();
        std::unique_ptr<TLabelData> document = TLabelData::Open(positional[0]);
        if (!sheetName.isEmpty()) {
            if (!SelectNamedSheet(*document, sheetName))
                return kExitFailure;
        }
        if (!document->Paper()) {
            ReportError(QStringLiteral("the sheet has no paper"));
            return kExitFailure;
        }
        if (!facesText.isEmpty()) {
            QString error;
            if (!ParseFaceList(facesText, document->LabelCount(), spec.Selection, error)) {
                ReportError(error);
                return kExitUsage;
            }
            spec.AllFaces = false;
        }
        // Date fields that follow the print time show now.
        document->SetLastPrint(DateTimeToDayCount(QDateTime::currentDateTime()));

        std::unique_ptr<TPrintDevice> device;
        if (!pdf.isEmpty())
            device = std::make_unique<TPdfPrintDevice>(pdf, dpi);
        else
            device = std::make_unique<TQtPrintDevice>(printer);
        device->SetTitle(PrintJobTitle(positional[0]));
        // Unbanded unless asked: a PDF file is a vector device, and the printers here
        // take PDF too (CUPS), so the job goes as compact as the file would be. Banded
        // at the printer's resolution, 1,000 badges spooled 584 MB.
        const bool band = banding == 1;

        const bool terminal = isatty(STDERR_FILENO) == 1;
        int shown = -1;
        TPhasedProgress progress;
        progress.OnShow = [&](int position) {
            const int percent = position / 100;
            if (terminal && percent != shown) {
                shown = percent;
                QTextStream(stderr) << "\rvelmo-tool: printing " << percent << "%" << Qt::flush;
            }
        };
        TMergeSession session(TCsvDB::Instance());
        session.SetDocument(document.get());
        TCsvDB& db = session.Database();
        if (!mergeFile.isEmpty()) {
            db.Open(mergeFile);
            if (!db.Warning().isEmpty())
                QTextStream(stderr) << "velmo-tool: warning: " << EscapeControls(db.Warning()) << "\n";
            db.SetHasHeader(mergeHeader);
            if (copiesForAllRecords) {
                // Enough sheets for every record at the labels each sheet counts.
                const int faces = document->Paper()->GetFaceCount();
                const int perSheet = spec.CountSelectedOnly ? spec.SelectedCount(faces) : faces;
                if (perSheet <= 0) {
                    ReportError(QStringLiteral("no label of the sheet is chosen"));
                    return kExitUsage;
                }
                spec.MergeSheets = true;
                spec.Copies = std::max(1, int((int64_t(db.Count()) + perSheet - 1) / perSheet));
            }
        }
        TPrintSite site(*document, progress, spec);
        // Record n on label n; without merge data the numbering objects still count.
        // A value that makes no barcode leaves its label without one; the run goes on
        // and names those labels at the end.
        std::vector<int> refused;
        std::set<int> missingLabels;
        QStringList missingFiles;
        site.SetFaceHook([&session, &refused, &missingLabels, &missingFiles](TDOList& objects, int counter) {
            session.FillLabel(objects, counter);
            for (const QString& name : MissingMergePictures(objects)) {
                missingLabels.insert(counter);
                if (!missingFiles.contains(name))
                    missingFiles << name;
            }
            if (HasRefusedBarCode(objects))
                refused.push_back(counter);
        });
        site.SetBandingSetting([band] { return band; });
        gInterrupted = 0;
        auto oldHandler = std::signal(SIGINT, OnInterrupt);
        struct TRestore
        {
            decltype(oldHandler) Old;
            ~TRestore() { std::signal(SIGINT, Old); }
        } restore{oldHandler};
        site.SetMessagePump([&] {
            if (gInterrupted)
                site.SetAborted(true);
        });
        try {
            site.PrintRun(*device);
        } catch (...) {
            if (terminal && shown >= 0)
                QTextStream(stderr) << "\n";
            throw;
        }
        if (terminal && shown >= 0)
            QTextStream(stderr) << "\n";
        if (site.Aborted()) {
            ReportError(QStringLiteral("印刷を中断しました"));
            return kExitFailure;
        }
        if (!refused.empty()) {
            QStringList labels;
            for (size_t i = 0; i < refused.size() && i < 20; ++i)
                labels << QString::number(refused[i]);
            if (refused.size() > 20)
                labels << QStringLiteral("…");
            QTextStream(stderr)
                << "velmo-tool: " << refused.size() << (refused.size() == 1 ? " label was" : " labels were")
                << " printed without its barcode (the merge value is not a valid code): label "
                << labels.join(QStringLiteral(", ")) << "\n";
        }
        if (!missingLabels.empty())
            QTextStream(stderr) << "velmo-tool: "
                                << EscapeControls(
                                       MissingMergePicturesNotice(int(missingLabels.size()), missingFiles))
                                       .replace(u'\n', QStringLiteral("\n  "))
                                << "\n";
        if (terminal)
            QTextStream(stderr) << "velmo-tool: " << spec.Copies << (spec.Copies == 1 ? " sheet" : " sheets")
                                << " printed to " << (pdf.isEmpty() ? printer : pdf) << "\n";
    } catch (const std::exception& e) {
        ReportError(ExceptionText(e));
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace velmo::tool
