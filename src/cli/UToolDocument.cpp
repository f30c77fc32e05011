#include "cli/UToolDocument.h"
#include "base/UDateTime.h"
#include "cli/UToolCommands.h"
#include "cli/UToolPapers.h"
#include "document/ULabelData.h"
#include "paper/UVelmoPapers.h"
#include "persist/UComponentStream.h"
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace velmo::tool {

namespace {

void NewUsage()
{
    QTextStream(stderr) << "usage: velmo-tool new (--paper NAME | --paper-file FILE PATH) [--landscape] "
                           "[--design same|each] OUT.lbd\n"
                           "  --design  same: one design on every label (the default, as the paper dialog's\n"
                           "            全ラベル同じ); each: a design per label\n";
}

QString DateText(double dayCount)
{
    if (dayCount == 0)
        return QStringLiteral("-");
    return DayCountToDateTime(dayCount).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString Millimetres(int value)
{
    return QStringLiteral("%1%2.%3mm")
        .arg(value < 0 ? QStringLiteral("-") : QString())
        .arg(std::abs(value) / 10)
        .arg(std::abs(value) % 10);
}

// "0-3,5,7-8" for a sorted list of positions.
QString Ranges(const QList<int>& positions)
{
    QStringList parts;
    for (int i = 0; i < positions.size();) {
        int j = i;
        while (j + 1 < positions.size() && positions[j + 1] == positions[j] + 1)
            ++j;
        parts << (i == j ? QString::number(positions[i])
                         : QStringLiteral("%1-%2").arg(positions[i]).arg(positions[j]));
        i = j + 1;
    }
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(u',');
}

bool ParseIndex(const QString& text, int* value)
{
    bool ok = false;
    *value = text.toInt(&ok);
    return ok && *value >= 0;
}

} // namespace

TCataloguePaper FindCataloguePaper(const QString& name, QString* message)
{
    // The delivered catalogue, read-only; the application's own copy is the data
    // module's business.
    TCataloguePaper found;
    const QString fileName = DeliveredCatalogue();
    if (fileName.isEmpty()) {
        if (message)
            *message = QStringLiteral("the paper catalogue was not found");
        return found;
    }
    RegisterCatalogueClasses();
    const TVelmoPapers papers(fileName, true);
    const int index = papers.IndexOfName(name);
    if (index < 0) {
        if (message)
            *message = QStringLiteral("no paper named \"%1\" in %2").arg(name, fileName);
        return found;
    }
    found.Paper = papers.Paper(index)->Clone();
    found.ExtraInfo = papers.GetExInfo(name, false);
    std::unique_ptr<TExtraPaperInfo> images = papers.FindRecord(QStringLiteral("PaperImages"), name);
    if (auto* record = dynamic_cast<TImagePaperInfo*>(images.get())) {
        images.release();
        found.ImageInfo.reset(record);
    }
    return found;
}

std::unique_ptr<TPaperInfo> ReadPaperComponent(const QString& fileName, const QString& path)
{
    RegisterLabelDataClasses();
    TFileStorage root(fileName, fmDocRead | fmDocShareDenyWrite);
    TDocStream stream(root, fmDocRead, ElementPathArgument(path));
    std::unique_ptr<TComponent> component;
    const QByteArray head = stream.ReadBytes(std::min<int64_t>(1, stream.Size()));
    stream.SetPosition(0);
    if (head.startsWith('\xFF'))
        component = ReadComponentResource(stream);
    else
        component = ReadComponent(stream);
    if (auto* paper = dynamic_cast<TPaperInfo*>(component.get())) {
        component.release();
        return std::unique_ptr<TPaperInfo>(paper);
    }
    throw EReadError(QStringLiteral("%1 holds no paper").arg(path));
}

int CommandNew(const QStringList& arguments)
{
    QString paperName, paperFile, paperPath, out;
    bool landscape = false;
    bool separately = false;
    const int end = OptionEnd(arguments);
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (i == end)
            continue;
        if (i > end) {
            if (!out.isEmpty()) {
                NewUsage();
                return kExitUsage;
            }
            out = a;
        } else if (a == u"--paper" && i + 1 < arguments.size()) {
            paperName = arguments[++i];
        } else if (a == u"--paper-file" && i + 2 < arguments.size()) {
            paperFile = arguments[++i];
            paperPath = arguments[++i];
        } else if (a == u"--landscape") {
            landscape = true;
        } else if (a == u"--design" && i + 1 < arguments.size() &&
                   (arguments[i + 1] == u"same" || arguments[i + 1] == u"each")) {
            separately = arguments[++i] == u"each";
        } else if (!a.startsWith(u"--") && out.isEmpty()) {
            out = a;
        } else {
            NewUsage();
            return kExitUsage;
        }
    }
    if (out.isEmpty() || paperName.isEmpty() == paperFile.isEmpty()) {
        NewUsage();
        return kExitUsage;
    }
    try {
        TCataloguePaper chosen;
        if (!paperFile.isEmpty()) {
            chosen.Paper = ReadPaperComponent(paperFile, paperPath);
        } else {
            QString message;
            chosen = FindCataloguePaper(paperName, &message);
            if (!chosen.Paper) {
                ReportError(message.isEmpty() ? QStringLiteral("no paper named \"%1\"").arg(paperName)
                                              : message);
                return kExitFailure;
            }
        }
        // As the main window's New: the paper as a copy in the chosen orientation, one
        // design for all labels unless asked for one per label, and the paper's extra
        // information and designs.
        chosen.Paper->SetLandscape(landscape);
        TLabelData data;
        data.SetPaper(chosen.Paper.get());
        data.SetSeparatelyDesign(separately);
        data.SetImageInfo(chosen.ImageInfo.get());
        data.SetExtraInfo(chosen.ExtraInfo.get());
        data.SetLastSave(DateTimeToDayCount(QDateTime::currentDateTime()));
        data.Save(out);
    } catch (const std::exception& e) {
        ReportError(ExceptionText(e));
        return kExitFailure;
    }
    return kExitOk;
}

int CommandInfo(const QStringList& given)
{
    const QStringList arguments = WithoutOptionEnd(given);
    if (arguments.size() != 1) {
        QTextStream(stderr) << "usage: velmo-tool info FILE.lbd\n";
        return kExitUsage;
    }
    if (!QFileInfo(arguments[0]).isFile()) {
        ReportError(QStringLiteral("%1: no such file").arg(arguments[0]));
        return kExitFailure;
    }
    std::unique_ptr<TLabelData> data;
    try {
        data = TLabelData::Open(arguments[0]);
    } catch (const std::exception& e) {
        ReportError(ExceptionText(e));
        return kExitFailure;
    }
    QTextStream out(stdout);
    try {
        const int current = data->CurrentSheet();
        out << "file: " << EscapeControls(arguments[0]) << "\n";
        out << "data name: " << EscapeControls(data->DataName()) << "\n";
        out << "sheets: " << data->SheetCount() << " (current " << current << ")\n";
        out << "view: " << (data->SheetMode() ? "sheet" : "layout") << "\n";
        out << "last save: " << DateText(data->LastSave()) << "\n";
        out << "last print: " << DateText(data->LastPrint()) << "\n";
        out << "product: " << EscapeControls(data->ProductInfo().Item(0)->FirstLine()) << "\n";
        for (int s = 0; s < data->SheetCount(); ++s) {
            data->SelectSheet(s);
            out << "sheet " << s << ": " << EscapeControls(data->SheetName()) << "\n";
            if (const TPaperInfo* paper = data->Paper())
                out << "  paper: " << EscapeControls(paper->PaperName()) << " ["
                    << EscapeControls(paper->GroupName()) << "] " << Millimetres(paper->Width()) << " x "
                    << Millimetres(paper->Height()) << (paper->Landscape() ? " landscape" : "") << ", "
                    << paper->GetFaceCount() << " labels\n";
            else
                out << "  paper: none\n";
            if (const TExPaperInfo* extra = data->ExtraInfo())
                out << "  maker: " << EscapeControls(extra->Company())
                    << ", purpose: " << EscapeControls(extra->Purpose()) << "\n";
            if (const TImagePaperInfo* images = data->ImageInfo())
                out << "  paper designs: " << images->FaceCount() << " faces\n";
            out << "  design: " << (data->SeparatelyDesign() ? "per label" : "shared") << ", current label "
                << data->CurrentLabelNo() << ", grid " << Millimetres(data->Grid()->Size()) << "\n";
            if (!data->CSVFile().isEmpty())
                out << "  merge file: " << EscapeControls(data->CSVFile())
                    << (data->CSVFieldName() ? " (field names)" : "") << "\n";
            QList<int> designed, previews;
            const int count = data->SeparatelyDesign() ? data->LabelCount() : std::min(1, data->LabelCount());
            for (int k = 0; k < count; ++k) {
                if (data->LabelHasData(k))
                    designed << k;
                if (data->PreviewExists(k))
                    previews << k;
            }
            out << "  designed labels: " << Ranges(designed) << "\n";
            out << "  previews: " << Ranges(previews) << "\n";
        }
        data->SelectSheet(current);
    } catch (const std::exception& e) {
        out.flush();
        ReportError(ExceptionText(e));
        return kExitFailure;
    }
    return kExitOk;
}

int CommandPreview(const QStringList& given)
{
    const QStringList arguments = WithoutOptionEnd(given);
    int sheet = 0, position = 0;
    if (arguments.size() != 4 || !ParseIndex(arguments[1], &sheet) || !ParseIndex(arguments[2], &position)) {
        QTextStream(stderr) << "usage: velmo-tool preview FILE.lbd SHEET POS OUT.bmp\n";
        return kExitUsage;
    }
    try {
        std::unique_ptr<TLabelData> data = TLabelData::Open(arguments[0]);
        if (sheet >= data->SheetCount()) {
            ReportError(QStringLiteral("the document has %1 sheets").arg(data->SheetCount()));
            return kExitFailure;
        }
        data->SelectSheet(sheet);
        if (position >= data->LabelCount()) {
            ReportError(QStringLiteral("sheet %1 has %2 labels").arg(sheet).arg(data->LabelCount()));
            return kExitFailure;
        }
        const QByteArray bytes = data->PreviewBytes(position);
        if (bytes.isEmpty()) {
            ReportError(QStringLiteral("label %1 of sheet %2 has no preview").arg(position).arg(sheet));
            return kExitFailure;
        }
        if (!WriteOutputFile(arguments[3], bytes))
            return kExitFailure;
    } catch (const std::exception& e) {
        ReportError(ExceptionText(e));
        return kExitFailure;
    }
    return kExitOk;
}

bool SelectNamedSheet(TLabelData& document, const QString& sheet)
{
    QStringList names;
    document.GetSheetNames(names);
    bool isNumber = false;
    int index = sheet.toInt(&isNumber);
    if (!isNumber)
        index = int(names.indexOf(sheet));
    if (index < 0 || index >= document.SheetCount()) {
        ReportError(QStringLiteral("no sheet \"%1\" (the file has %2)").arg(sheet).arg(names.size()));
        return false;
    }
    document.SelectSheet(index);
    return true;
}

} // namespace velmo::tool
