#include "cli/UToolRender.h"
#include "base/UExceptions.h"
#include "base/UNumbers.h"
#include "cli/UToolCommands.h"
#include "cli/UToolDocument.h"
#include "document/ULabelData.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "imaging/UPictureFormats.h"
#include "merge/UCsvDB.h"
#include "merge/ULOInsertion.h"
#include "objects/ULOImage.h"
#include "objects/ULabelObject.h"
#include "paper/UPaperInfo.h"
#include "text/UCoonsDistortion.h"
#include "text/ULOText.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QTextStream>

namespace velmo::tool {

namespace {

int RenderUsage()
{
    QTextStream(stderr) << "usage: velmo-tool render FILE.lbd SHEET POS OUT.png [--dpi N]\n"
                           "         [--merge FILE.csv [--header] [--record N]]\n";
    return kExitUsage;
}

int PatternsUsage()
{
    QTextStream(stderr) << "usage: velmo-tool patterns [--file FILE.cdd] [--sheet OUT.png]\n";
    return kExitUsage;
}

// Splits options with one value each from the positional arguments.
bool SplitArguments(const QStringList& arguments, const QStringList& valued, QStringList& positional,
                    QHash<QString, QString>& options)
{
    const int end = OptionEnd(arguments);
    for (int i = 0; i < arguments.size(); ++i) {
        if (i > end) {
            positional << arguments[i];
        } else if (i == end) {
            continue;
        } else if (valued.contains(arguments[i])) {
            if (i + 1 >= arguments.size())
                return false;
            options.insert(arguments[i], arguments[i + 1]);
            ++i;
        } else if (arguments[i].startsWith(QLatin1String("--"))) {
            return false;
        } else {
            positional << arguments[i];
        }
    }
    return true;
}

} // namespace

QImage RenderLabelPicture(TLabelData& document, int k, int dpi, QString* problem,
                          const std::function<void(TDOList&)>& fill)
{
    const TLogRect rect = document.LabelRect(k);
    const int64_t w = std::max<int64_t>(1, int64_t(rect.Width()) * dpi / 254);
    const int64_t h = std::max<int64_t>(1, int64_t(rect.Height()) * dpi / 254);
    if (rect.IsEmpty() || w * h > 200'000'000) {
        if (problem)
            *problem = QStringLiteral("the label is too large to draw at %1 dpi").arg(dpi);
        return {};
    }
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.Scaler()->SetScale(100);
    site.SetLogWidth(rect.Width());
    site.SetLogHeight(rect.Height());
    site.SetColor(clWhite);
    site.SetBorder(false);
    TDOList list;
    if (document.LabelHasData(k))
        document.ReadLabel(k, list); // a damaged design is reported, not hidden
    if (fill)
        fill(list);
    for (TDrawObject* object : list.Objects()) {
        site.InsertComponent(object);
        site.AddObject(object);
    }
    QImage image(int(w), int(h), QImage::Format_RGB32);
    SetImageDPI(image, dpi);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        // The label's printable outline with its hole cut out, as the print run clips
        // each label to it.
        const TPaperInfo* paper = document.Paper();
        if (paper && k < paper->GetFaceCount()) {
            const QPainterPath shape =
                paper->GetFaceInfo(k).PrintablePath().translated(-rect.Left, -rect.Top);
            painter.save();
            painter.scale(double(dpi) / 254.0, double(dpi) / 254.0);
            const QTransform toDevice = painter.transform();
            painter.restore();
            painter.setClipPath(toDevice.map(shape));
        }
        SetPrintOutput(true);
        site.DrawTo(painter, QPoint(0, 0), 100); // the picture's own resolution
        SetPrintOutput(false);
    }
    return image;
}

int CommandRender(const QStringList& arguments)
{
    QStringList positional;
    QHash<QString, QString> options;
    QStringList rest = arguments;
    const int end = OptionEnd(rest);
    bool header = false;
    for (int i = 0; i < rest.size() && i < end; ++i)
        if (rest[i] == u"--header") {
            header = true;
            rest.removeAt(i);
            break;
        }
    if (!SplitArguments(rest,
                        {QStringLiteral("--dpi"), QStringLiteral("--merge"), QStringLiteral("--record")},
                        positional, options) ||
        positional.size() != 4)
        return RenderUsage();
    const QString mergeFile = options.value(QStringLiteral("--merge"));
    if ((header || options.contains(QStringLiteral("--record"))) && mergeFile.isEmpty()) {
        ReportError(QStringLiteral("--header and --record belong to --merge"));
        return kExitUsage;
    }
    int record = -1;
    if (options.contains(QStringLiteral("--record"))) {
        bool ok = false;
        record = options.value(QStringLiteral("--record")).toInt(&ok);
        if (!ok || record < 1) {
            ReportError(QStringLiteral("--record wants a record number from 1"));
            return kExitUsage;
        }
    }
    int dpi = 254;
    if (options.contains(QStringLiteral("--dpi"))) {
        bool ok = false;
        dpi = options.value(QStringLiteral("--dpi")).toInt(&ok);
        if (!ok || dpi < 10 || dpi > 2400) {
            ReportError(QStringLiteral("--dpi wants a number from 10 to 2400"));
            return kExitUsage;
        }
    }
    try {
        RegisterLabelDataClasses();
        RegisterTextClasses();
        RegisterImageClasses();
        RegisterMergeClasses();
        std::unique_ptr<TLabelData> document = TLabelData::Open(positional[0]);
        if (!SelectNamedSheet(*document, positional[1]))
            return kExitFailure;
        bool isNumber = false;
        const int k = positional[2].toInt(&isNumber);
        if (!isNumber || k < 0 || k >= document->LabelCount()) {
            ReportError(QStringLiteral("no label position \"%1\" (the sheet has %2)")
                            .arg(positional[2])
                            .arg(document->LabelCount()));
            return kExitFailure;
        }
        std::function<void(TDOList&)> fill;
        if (!mergeFile.isEmpty()) {
            // Merge pictures are named by file: every picture format the program reads.
            RegisterPictureFormats();
            TCsvDB& db = TCsvDB::Instance();
            db.Open(mergeFile);
            if (!db.Warning().isEmpty())
                QTextStream(stderr) << "velmo-tool: warning: " << EscapeControls(db.Warning()) << "\n";
            db.SetHasHeader(header);
            if (record > db.Count()) {
                ReportError(QStringLiteral("no record %1 (the file has %2)").arg(record).arg(db.Count()));
                return kExitFailure;
            }
            const int n = record > 0 ? record - 1 : k;
            fill = [&db, n](TDOList& objects) { db.ApplyMergeRecord(objects, n); };
        }
        QString problem;
        const QImage image = RenderLabelPicture(*document, k, dpi, &problem, fill);
        if (image.isNull()) {
            ReportError(problem);
            return kExitFailure;
        }
        if (!WritePngFile(positional[3], image.convertToFormat(QImage::Format_RGB888)))
            return kExitFailure;
    } catch (const Exception& e) {
        SetPrintOutput(false);
        ReportError(e.Message());
        return kExitFailure;
    }
    return kExitOk;
}

QString DeliveredPatternFile()
{
    const QString exeFolder = QCoreApplication::applicationDirPath();
    const QStringList candidates{
        exeFolder + QStringLiteral("/../data/velmo.cdd"),
        exeFolder + QStringLiteral("/../share/velmo/velmo.cdd"),
        QStringLiteral(VELMO_DATA_DIR) + QStringLiteral("/velmo.cdd"),
    };
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate).isFile())
            return QDir::cleanPath(candidate);
    return QString();
}

int CommandPatterns(const QStringList& arguments)
{
    QStringList positional;
    QHash<QString, QString> options;
    if (!SplitArguments(arguments, {QStringLiteral("--file"), QStringLiteral("--sheet")}, positional,
                        options) ||
        !positional.isEmpty())
        return PatternsUsage();
    QString file = options.value(QStringLiteral("--file"));
    if (file.isEmpty())
        file = DeliveredPatternFile();
    if (file.isEmpty()) {
        ReportError(QStringLiteral("the delivered pattern file velmo.cdd was not found"));
        return kExitFailure;
    }
    try {
        TCDDFile cdd;
        cdd.Open(file);
        std::vector<TCoonsDistortion> patterns(size_t(cdd.Count()));
        for (int i = 0; i < cdd.Count(); ++i)
            cdd.LoadPattern(patterns[size_t(i)], i);
        const QString sheetFile = options.value(QStringLiteral("--sheet"));
        if (sheetFile.isEmpty()) {
            QTextStream out(stdout);
            out << "index\tidentifier\tname\tpoints\n";
            for (int i = 0; i < cdd.Count(); ++i) {
                const TCoonsDistortion& p = patterns[size_t(i)];
                out << i << '\t' << p.Id().ToString() << '\t' << EscapeControls(cdd.Name(i)) << '\t'
                    << p.PointCount(0) << ',' << p.PointCount(1) << ',' << p.PointCount(2) << ','
                    << p.PointCount(3) << '\n';
            }
            return kExitOk;
        }
        // Four columns of cells, each with the pattern's number and name under the
        // sample bent by it.
        constexpr int kCellW = 300, kCellH = 170, kColumns = 4;
        const int rows = std::max(1, (cdd.Count() + kColumns - 1) / kColumns);
        QImage image(kCellW * kColumns, kCellH * rows, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < cdd.Count(); ++i) {
            const int left = (i % kColumns) * kCellW, top = (i / kColumns) * kCellH;
            painter.setPen(QColor(210, 210, 210));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(left, top, kCellW - 1, kCellH - 1);
            // The unit square of the pattern, faint, for reference.
            const TLogRect target{(left + 20) * 10, (top + 12) * 10, (left + kCellW - 20) * 10,
                                  (top + kCellH - 32) * 10};
            painter.save();
            painter.scale(0.1, 0.1);
            painter.setPen(QPen(QColor(180, 200, 255), 10, Qt::DashLine));
            painter.drawRect(QRect(target.Left, target.Top, target.Width(), target.Height()));
            TStroke envelope;
            QPainterPath path =
                PatternSampleOutline(patterns[size_t(i)], target, QStringLiteral(u"ベルモ"), &envelope)
                    .ToPainterPath();
            painter.setPen(QPen(QColor(255, 170, 120), 12));
            envelope.DrawTo(painter);
            path.setFillRule(Qt::WindingFill);
            painter.fillPath(path, QColor(20, 20, 120));
            painter.restore();
            painter.setPen(Qt::black);
            painter.drawText(QRect(left, top + kCellH - 24, kCellW, 20), Qt::AlignCenter,
                             QStringLiteral("%1 %2").arg(i).arg(cdd.Name(i)));
        }
        painter.end();
        if (!WritePngFile(sheetFile, image))
            return kExitFailure;
    } catch (const Exception& e) {
        ReportError(e.Message());
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace velmo::tool
