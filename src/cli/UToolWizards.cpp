#include "cli/UToolWizards.h"

#include "cli/UToolCommands.h"
#include "cli/UToolPapers.h"
#include "document/ULabelData.h"
#include "draw/UDrawObject.h"
#include "imaging/UImageData.h"
#include "objects/ULOImage.h"
#include "paper/UPaperInfo.h"
#include "paper/UVelmoPapers.h"
#include "sheet/USheetView.h"
#include "text/UFontList.h"
#include "text/ULOText.h"
#include "wizard/UWizardDat.h"
#include "wizard/UWizardUtil.h"
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QTextStream>
#include <set>

namespace velmo::tool {

namespace {

int WizardsUsage()
{
    QTextStream(stderr) << "usage: velmo-tool wizards DATA_DIR [--check] [--contact-sheet OUT.png]\n";
    return kExitUsage;
}

struct TDesignEntry
{
    QString Caption; // genre / sub-genre or item
    QString File;
    bool WholeSheet = false;
};

// The design files of a folder in name order.
QStringList DesignFiles(const QString& folder)
{
    QStringList files;
    if (folder.isEmpty())
        return files;
    for (const QFileInfo& info : QDir(folder).entryInfoList(
             {QStringLiteral("*.lbd"), QStringLiteral("*.lbt")}, QDir::Files, QDir::Name))
        files << info.absoluteFilePath();
    return files;
}

// What a design needs to print as it was made: every face it names is installed or
// has a stand-in, every picture decodes. Problems are added to the list.
void CheckDesign(const QString& file, QStringList& problems, int& objectCount)
{
    std::unique_ptr<TLabelData> document;
    try {
        document = TLabelData::Open(file);
    } catch (const std::exception& e) {
        problems << QStringLiteral("%1: cannot be read: %2").arg(file, QString::fromUtf8(e.what()));
        return;
    }
    for (int s = 0; s < document->SheetCount(); ++s) {
        document->SelectSheet(s);
        for (int k = 0; k < document->DesignCount(); ++k) {
            if (!document->LabelHasData(k))
                continue;
            TDOList objects;
            try {
                document->ReadLabel(k, objects);
            } catch (const std::exception& e) {
                problems << QStringLiteral("%1: label %2 cannot be read: %3")
                                .arg(file)
                                .arg(k)
                                .arg(QString::fromUtf8(e.what()));
                continue;
            }
            if (objects.Count() == 0)
                problems << QStringLiteral("%1: label %2 is empty").arg(file).arg(k);
            for (TDrawObject* object : objects.Objects()) {
                ++objectCount;
                if (auto* text = dynamic_cast<TLOText*>(object)) {
                    const QString face = text->Font()->Name();
                    if (!OpenFace(face, false, false))
                        problems << QStringLiteral("%1: label %2: face \"%3\" is missing")
                                        .arg(file)
                                        .arg(k)
                                        .arg(face);
                    if (text->Text()->Lines().join(QString()).trimmed().isEmpty())
                        problems << QStringLiteral("%1: label %2: a text object is empty").arg(file).arg(k);
                }
                if (auto* image = dynamic_cast<TLOImage*>(object)) {
                    const TGraphic* graphic = image->ImageData()->Picture()->Graphic();
                    if (!graphic || graphic->Empty() || graphic->Image().isNull())
                        problems << QStringLiteral("%1: label %2: a picture is missing or does not decode")
                                        .arg(file)
                                        .arg(k);
                }
            }
            objects.FreeObjects();
        }
    }
}

// True when the design file's paper is turned as the orientation asks (an unreadable
// file answers true: CheckDesign reports it).
bool SheetOrientationIs(const QString& file, bool landscape)
{
    try {
        std::unique_ptr<TLabelData> document = TLabelData::Open(file);
        document->SelectSheet(0);
        return !document->Paper() || document->Paper()->Landscape() == landscape;
    } catch (const std::exception&) {
        return true;
    }
}

QImage DrawEntry(const TDesignEntry& entry, int side)
{
    QImage tile(side, side + 34, QImage::Format_RGB32);
    tile.fill(QColor(0xF4, 0xF4, 0xF4));
    QImage picture;
    try {
        std::unique_ptr<TLabelData> document = TLabelData::Open(entry.File);
        document->SelectSheet(0);
        if (entry.WholeSheet) {
            picture = RenderSheetImage(*document, 40);
        } else {
            picture = RenderLabelPicture(*document, 0, 120);
        }
    } catch (const std::exception&) {
    }
    QPainter painter(&tile);
    if (!picture.isNull()) {
        const QImage scaled =
            picture.scaled(side - 8, side - 8, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        painter.drawImage((side - scaled.width()) / 2, 4 + (side - 8 - scaled.height()) / 2, scaled);
    } else {
        painter.setPen(Qt::red);
        painter.drawText(QRect(0, 0, side, side), Qt::AlignCenter, QStringLiteral("読めません"));
    }
    painter.setPen(QColor(0x33, 0x33, 0x33));
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    painter.drawText(QRect(2, side, side - 4, 16), Qt::AlignCenter, entry.Caption);
    painter.drawText(QRect(2, side + 16, side - 4, 16), Qt::AlignCenter,
                     QFileInfo(entry.File).completeBaseName());
    return tile;
}

} // namespace

int CommandWizards(const QStringList& arguments)
{
    QString dataDir, sheetFile;
    bool check = false;
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--check"))
            check = true;
        else if (arguments[i] == QLatin1String("--contact-sheet") && i + 1 < arguments.size())
            sheetFile = arguments[++i];
        else if (arguments[i].startsWith(QLatin1String("--")) || !dataDir.isEmpty())
            return WizardsUsage();
        else
            dataDir = arguments[i];
    }
    if (dataDir.isEmpty())
        return WizardsUsage();
    const TWizardDat wizard(JoinDataFolder(dataDir, QStringLiteral("Template\\Wizard.dat")));
    TOsoroiDat osoroi(JoinDataFolder(dataDir, QStringLiteral("Osoroi\\Osoroi.dat")));
    if (!wizard.Loaded() && !osoroi.Loaded()) {
        ReportError(
            QStringLiteral("%1 holds neither Template/Wizard.dat nor Osoroi/Osoroi.dat").arg(dataDir));
        return kExitFailure;
    }
    QTextStream out(stdout);
    QStringList problems;
    std::vector<TDesignEntry> entries;
    std::set<QString> seen;

    // The catalogue's purposes and paper names, to check what the data files name.
    std::unique_ptr<TVelmoPapers> papers;
    if (check) {
        const QString catalogue = DeliveredCatalogue();
        if (!catalogue.isEmpty()) {
            RegisterCatalogueClasses();
            papers = std::make_unique<TVelmoPapers>(catalogue, true);
        }
    }

    if (wizard.Loaded()) {
        const QStringList genres = wizard.Genres();
        out << "Wizard.dat: " << genres.size() << " genres\n";
        if (check && genres.size() < 12)
            problems
                << QStringLiteral("Wizard.dat: %1 genres, the genre page has 12 buttons").arg(genres.size());
        for (int g = 0; g < genres.size(); ++g) {
            const QStringList subs = wizard.SubGenres(g);
            out << "  " << genres[g] << ": " << subs.size() << " sub-genres\n";
            if (check && subs.isEmpty())
                problems << QStringLiteral("Wizard.dat: genre %1 has no sub-genres").arg(genres[g]);
            for (int s = 0; s < subs.size(); ++s) {
                const QStringList purposes = wizard.Purposes(g, s);
                const QStringList folders = wizard.Folders(g, s);
                int designs = 0;
                for (int i = 0; i < folders.size(); ++i) {
                    const QStringList files = DesignFiles(folders[i]);
                    designs += int(files.size());
                    if (check && files.isEmpty())
                        problems << QStringLiteral("Wizard.dat: %1/%2: folder %3 holds no designs")
                                        .arg(genres[g], subs[s], folders[i]);
                    for (const QString& file : files)
                        if (seen.insert(file).second)
                            entries.push_back({genres[g] + u'/' + subs[s], file, false});
                }
                if (check && papers && WizardCandidates(*papers, purposes).empty())
                    problems << QStringLiteral("Wizard.dat: %1/%2: no paper of the catalogue serves %3")
                                    .arg(genres[g], subs[s], purposes.join(u','));
                out << "    " << subs[s] << ": " << purposes.join(u',') << "; " << designs << " designs\n";
            }
        }
    }
    if (osoroi.Loaded()) {
        const QStringList genres = osoroi.Genres();
        out << "Osoroi.dat: " << genres.size() << " genres\n";
        if (check && genres.size() < 5)
            problems
                << QStringLiteral("Osoroi.dat: %1 genres, the genre page has 5 buttons").arg(genres.size());
        for (int g = 0; g < genres.size(); ++g) {
            const QStringList items = osoroi.Items(g);
            out << "  " << genres[g] << ": " << items.size() << " items\n";
            for (int i = 0; i < items.size(); ++i) {
                const QStringList paperNames = osoroi.Papers(g, i);
                int designs = 0;
                for (const QString& name : paperNames) {
                    if (check && papers && papers->IndexOfName(name) < 0)
                        problems << QStringLiteral("Osoroi.dat: %1/%2: no paper named %3 in the catalogue")
                                        .arg(genres[g], items[i], name);
                    // Both orientations: the design page offers the folder of the one
                    // the user chose, so a folder missing or empty is a choice that
                    // offers nothing.
                    for (const bool landscape : {false, true}) {
                        osoroi.SetLandscape(landscape);
                        const QString folder = osoroi.Folder(g, i, name);
                        const QString orientation =
                            landscape ? QStringLiteral("landscape") : QStringLiteral("portrait");
                        const QStringList files = DesignFiles(folder);
                        designs += int(files.size());
                        if (check && folder.isEmpty())
                            problems << QStringLiteral("Osoroi.dat: %1/%2: no %3 folder for %4")
                                            .arg(genres[g], items[i], orientation, name);
                        else if (check && !QFileInfo(folder).isDir())
                            problems << QStringLiteral("Osoroi.dat: %1/%2: the %3 folder %4 does not exist")
                                            .arg(genres[g], items[i], orientation, folder);
                        else if (check && files.isEmpty())
                            problems << QStringLiteral(
                                            "Osoroi.dat: %1/%2: the %3 folder %4 holds no designs for %5")
                                            .arg(genres[g], items[i], orientation, folder, name);
                        for (const QString& file : files) {
                            if (check && !SheetOrientationIs(file, landscape))
                                problems << QStringLiteral("Osoroi.dat: %1/%2: %3 is not a %4 sheet")
                                                .arg(genres[g], items[i], file, orientation);
                            if (seen.insert(file).second)
                                entries.push_back({genres[g] + u'/' + items[i], file, true});
                        }
                    }
                    osoroi.SetLandscape(false);
                }
                out << "    " << items[i] << ": " << paperNames.join(u',') << "; " << designs << " designs\n";
            }
        }
    }
    int objects = 0;
    if (check) {
        for (const TDesignEntry& entry : entries)
            CheckDesign(entry.File, problems, objects);
        out << "checked " << entries.size() << " design files, " << objects << " objects\n";
    }
    if (!sheetFile.isEmpty()) {
        const int side = 200, columns = 8;
        const int rows = std::max<int>(1, (int(entries.size()) + columns - 1) / columns);
        QImage sheet(columns * side, rows * (side + 34), QImage::Format_RGB32);
        sheet.fill(Qt::white);
        QPainter painter(&sheet);
        for (size_t i = 0; i < entries.size(); ++i)
            painter.drawImage(int(i % columns) * side, int(i / columns) * (side + 34),
                              DrawEntry(entries[i], side));
        painter.end();
        if (!WritePngFile(sheetFile, sheet))
            return kExitFailure;
    }
    for (const QString& problem : problems)
        QTextStream(stderr) << "velmo-tool: " << problem << "\n";
    return problems.isEmpty() ? kExitOk : kExitFailure;
}

} // namespace velmo::tool
