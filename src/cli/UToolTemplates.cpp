#include "cli/UToolTemplates.h"
#include "cli/UToolCommands.h"
#include "cli/UToolRender.h"
#include "document/ULabelData.h"
#include "document/UTemplateInfo.h"
#include "objects/ULOImage.h"
#include "paper/UPaperInfo.h"
#include "paper/UVelmoPapers.h"
#include "text/UFontList.h"
#include "text/ULOText.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QTextStream>
#include <map>
#include <set>

namespace velmo::tool {

namespace {

int TemplatesUsage()
{
    QTextStream(stderr)
        << "usage: velmo-tool templates [Template.dat | FOLDER] [--purpose P] [--sheet OUT.png]\n"
           "                            [--catalogue PAPERS.ppr]\n"
           "  without an index or folder: the delivered collection\n";
    return kExitUsage;
}

// The delivered collection's index beside the program (build tree or installed).
QString DeliveredTemplateIndex()
{
    const QString exeFolder = QCoreApplication::applicationDirPath();
    const QString index = QStringLiteral("/Data/Template/Template.dat");
    for (const QString& candidate :
         {exeFolder + QStringLiteral("/../data") + index,
          exeFolder + QStringLiteral("/../share/velmo") + index, QStringLiteral(VELMO_DATA_DIR) + index})
        if (QFileInfo(candidate).isFile())
            return QDir::cleanPath(candidate);
    return QString();
}

QString Line(const QStringList& fields)
{
    return fields.join(u'\t') + u'\n';
}

struct TListed
{
    QString Purpose;
    QString Group;
    TTemplateInfo Info;
    QString Caption; // the file as listed
};

// What a template needs that this installation lacks: faces no font provides,
// images without a picture. Empty when it draws as designed.
QStringList MissingParts(TLabelData& document, int k)
{
    QStringList missing;
    TDOList objects;
    document.ReadLabel(k, objects);
    for (TDrawObject* object : objects.Objects()) {
        if (auto* text = dynamic_cast<TLOText*>(object)) {
            const QString face = text->Font()->Name();
            if (IsFaceUnusable(face))
                missing << QStringLiteral("face \"%1\"").arg(face);
        }
        if (auto* image = dynamic_cast<TLOImage*>(object); image && !image->HasPicture())
            missing << QStringLiteral("an image without a picture");
    }
    objects.FreeObjects();
    missing.removeDuplicates();
    return missing;
}

// One cell per template: the label drawn to fit the cell, its group and file below.
// Returns the problems found while drawing.
QStringList DrawContactSheet(const std::vector<TListed>& entries, const QString& outFile, bool* written)
{
    constexpr int kThumb = 220, kCaption = 44, kGap = 12, kColumns = 8;
    const int rows = std::max<int>(1, (int(entries.size()) + kColumns - 1) / kColumns);
    QImage sheet(kColumns * (kThumb + kGap) + kGap, rows * (kThumb + kCaption + kGap) + kGap,
                 QImage::Format_RGB32);
    sheet.fill(QColor(0xE8, 0xE8, 0xE8));
    QStringList problems;
    QPainter painter(&sheet);
    QFont font(QStringLiteral("IPAexGothic"));
    font.setPixelSize(13);
    painter.setFont(font);
    const QFontMetrics metrics(font);
    for (size_t i = 0; i < entries.size(); ++i) {
        const TListed& entry = entries[i];
        const int x = kGap + int(i % kColumns) * (kThumb + kGap);
        const int y = kGap + int(i / kColumns) * (kThumb + kCaption + kGap);
        QString where =
            QStringLiteral("%1 %2:%3").arg(entry.Caption).arg(entry.Info.Sheet).arg(entry.Info.Label);
        QImage picture;
        try {
            std::unique_ptr<TLabelData> document = TLabelData::Open(entry.Info.File);
            document->SelectSheet(entry.Info.Sheet);
            const TLogRect rect = document->LabelRect(entry.Info.Label);
            const int longest = std::max(rect.Width(), rect.Height());
            const int dpi = std::clamp(longest > 0 ? kThumb * 254 / longest : 72, 10, 600);
            QString problem;
            picture = RenderLabelPicture(*document, entry.Info.Label, dpi, &problem);
            if (picture.isNull())
                problems << where + QStringLiteral(": ") + problem;
            const QStringList missing = MissingParts(*document, entry.Info.Label);
            if (!missing.isEmpty())
                problems << where + QStringLiteral(": missing ") + missing.join(QStringLiteral(", "));
        } catch (const std::exception& e) {
            problems << where + QStringLiteral(": ") + QString::fromUtf8(e.what());
        }
        if (!picture.isNull()) {
            const QImage fitted =
                picture.scaled(kThumb, kThumb, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            const QPoint at(x + (kThumb - fitted.width()) / 2, y + (kThumb - fitted.height()) / 2);
            painter.fillRect(QRect(at + QPoint(3, 3), fitted.size()), QColor(0xB0, 0xB0, 0xB0));
            painter.drawImage(at, fitted);
        } else {
            painter.fillRect(QRect(x, y, kThumb, kThumb), QColor(0xFF, 0xD0, 0xD0));
        }
        painter.setPen(Qt::black);
        painter.drawText(QRect(x, y + kThumb + 4, kThumb, 18), Qt::AlignLeft,
                         metrics.elidedText(entry.Group, Qt::ElideRight, kThumb));
        painter.setPen(QColor(0x50, 0x50, 0x50));
        painter.drawText(QRect(x, y + kThumb + 22, kThumb, 18), Qt::AlignLeft,
                         metrics.elidedText(QStringLiteral("%1 #%2").arg(entry.Caption).arg(entry.Info.Label),
                                            Qt::ElideLeft, kThumb));
    }
    painter.end();
    *written = WritePngFile(outFile, sheet.convertToFormat(QImage::Format_RGB888));
    return problems;
}

// Every listed template must be offered for at least one label position of the
// catalogue: a position whose purpose opens the template's section and whose shape
// has the template label's aspect class.
QStringList Unreachable(const std::vector<TListed>& entries, const QString& catalogueFile)
{
    RegisterCatalogueClasses();
    const TVelmoPapers papers(catalogueFile, true);
    std::set<std::pair<QString, int>> offered; // (purpose in upper case, aspect class)
    for (int i = 0; i < papers.Count(); ++i) {
        const TPaperInfo* paper = papers.Paper(i);
        for (int k = 0; k < paper->GetFaceCount(); ++k) {
            const TTemplateFace face = TTemplateFace::From(paper->GetFaceInfo(k));
            offered.insert(
                {face.Purpose.toUpper(), int(AspectClassOf(face.Rect.Width(), face.Rect.Height()))});
            // A landscape sheet turns its positions.
            offered.insert(
                {face.Purpose.toUpper(), int(AspectClassOf(face.Rect.Height(), face.Rect.Width()))});
        }
    }
    QStringList result;
    for (const TListed& entry : entries) {
        if (entry.Info.Blank)
            continue;
        std::unique_ptr<TLabelData> document = TLabelData::Open(entry.Info.File);
        document->SelectSheet(entry.Info.Sheet);
        const TLogRect rect = document->LabelRect(entry.Info.Label);
        const int aspect = int(AspectClassOf(rect.Width(), rect.Height()));
        if (!offered.count({entry.Purpose.toUpper(), aspect}))
            result << QStringLiteral("%1 %2:%3: no label position of the catalogue is offered it")
                          .arg(entry.Caption)
                          .arg(entry.Info.Sheet)
                          .arg(entry.Info.Label);
    }
    return result;
}

} // namespace

int CommandTemplates(const QStringList& arguments)
{
    QStringList positional;
    QString purpose, sheetFile, catalogue;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--purpose") || a == QLatin1String("--sheet") ||
            a == QLatin1String("--catalogue")) {
            if (i + 1 >= arguments.size())
                return TemplatesUsage();
            (a == QLatin1String("--purpose") ? purpose
             : a == QLatin1String("--sheet") ? sheetFile
                                             : catalogue) = arguments[++i];
        } else if (a.startsWith(QLatin1String("--"))) {
            return TemplatesUsage();
        } else {
            positional << a;
        }
    }
    if (positional.size() > 1)
        return TemplatesUsage();
    const QString source = positional.isEmpty() ? DeliveredTemplateIndex() : positional[0];
    if (source.isEmpty()) {
        ReportError(
            QStringLiteral("the delivered template collection (Data/Template/Template.dat) was not found"));
        return kExitFailure;
    }
    QTextStream out(stdout);
    std::optional<TTemplateFace> face;
    if (!purpose.isEmpty()) {
        face = TTemplateFace();
        face->Purpose = purpose;
    }
    auto entry = [](const TTemplateInfo& info, const QString& base) {
        const QString file = base.isEmpty() ? info.File : QDir(base).relativeFilePath(info.File);
        return QStringList{file, QString::number(info.Sheet), QString::number(info.Label)} +
               (info.Blank ? QStringList{QStringLiteral("blank")} : QStringList{});
    };
    std::vector<TListed> listed;
    if (QFileInfo(source).isDir()) {
        if (!catalogue.isEmpty()) {
            ReportError(QStringLiteral("--catalogue needs a template index"));
            return kExitUsage;
        }
        TTemplateList list;
        list.FillFromFolder(source, face, false);
        for (const TTemplateInfo& info : list.Items()) {
            out << Line(entry(info, QString()));
            if (!info.Blank)
                listed.push_back({purpose, QString(), info, QFileInfo(info.File).fileName()});
        }
    } else {
        TTemplateGroup group(source);
        if (!group.Available()) {
            ReportError(QStringLiteral("%1: no template index").arg(source));
            return kExitFailure;
        }
        const QStringList purposes = purpose.isEmpty() ? group.Purposes() : QStringList{purpose};
        const QString base = QFileInfo(source).absolutePath();
        for (const QString& p : purposes) {
            group.SetPurpose(p);
            const QStringList names = group.GroupNames();
            TTemplateFace sectionFace;
            sectionFace.Purpose = p;
            for (int i = 0; i < names.size(); ++i) {
                TTemplateList list;
                list.FillFromFolder(group.GroupFolder(i), sectionFace, false);
                for (const TTemplateInfo& info : list.Items()) {
                    const QStringList fields = entry(info, base);
                    out << Line(QStringList{p, names[i]} + fields);
                    if (!info.Blank)
                        listed.push_back({p, names[i], info, fields[0]});
                }
            }
        }
        if (!purpose.isEmpty() && listed.empty() &&
            !group.Purposes().contains(purpose, Qt::CaseInsensitive)) {
            ReportError(QStringLiteral("no section \"%1\" in %2").arg(purpose, source));
            return kExitFailure;
        }
    }
    out.flush();
    QStringList problems;
    if (!sheetFile.isEmpty()) {
        bool written = false;
        problems += DrawContactSheet(listed, sheetFile, &written);
        if (!written)
            return kExitFailure;
    }
    if (!catalogue.isEmpty()) {
        try {
            problems += Unreachable(listed, catalogue);
        } catch (const std::exception& e) {
            ReportError(QStringLiteral("%1: %2").arg(catalogue, QString::fromUtf8(e.what())));
            return kExitFailure;
        }
    }
    for (const QString& problem : problems)
        ReportError(problem);
    return problems.isEmpty() ? kExitOk : kExitFailure;
}

} // namespace velmo::tool
