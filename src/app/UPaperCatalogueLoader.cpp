#include "app/UPaperCatalogueLoader.h"
#include "app/UAppFrame.h"
#include "paper/UVelmoPapers.h"
#include "persist/UComponentStream.h"
#include "storage/UDocFile.h"
#include "storage/USafeFile.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmo {

// ---------------------------------------------------------------------------------
// TPaperCatalogueLoader

TPaperCatalogueLoader::TPaperCatalogueLoader()
{
    RegisterCatalogueClasses();
}

TPaperCatalogueLoader::~TPaperCatalogueLoader()
{
    try {
        Close();
    } catch (const std::exception& error) {
        qWarning("%s", error.what());
    }
}

void TPaperCatalogueLoader::Close()
{
    if (!FPapers)
        return;
    std::unique_ptr<TVelmoPapers> papers = std::move(FPapers);
    papers->Close();
}

QString TPaperCatalogueLoader::DefaultUserFile()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + QStringLiteral("/.local/share/velmo");
    return folder + QStringLiteral("/velmo.ppr");
}

QString TPaperCatalogueLoader::FindInstalledCatalogue(TAppFrame& frame)
{
    const TDataRootSources& roots = frame.DataRoots();
    QStringList candidates;
    if (!roots.ExeFolder.isEmpty())
        candidates.append(QDir::cleanPath(roots.ExeFolder + QStringLiteral("/../data/velmo.ppr")));
    for (const QString& folder : roots.InstalledFolders)
        candidates.append(QDir::cleanPath(folder + QStringLiteral("/velmo.ppr")));
    for (const QString& candidate : std::as_const(candidates))
        if (QFileInfo(candidate).isFile())
            return candidate;
    return QString();
}

int TPaperCatalogueLoader::ReadUpdateNumber(const QString& fileName)
{
    try {
        TRootStorage root;
        root.OpenFile(fileName, fmDocRead | fmDocShareDenyWrite);
        TDocStream stream(root, fmDocRead, TPapersV2::UpdateInfoStreamName());
        std::unique_ptr<TComponent> read = ReadComponent(stream);
        if (auto* update = dynamic_cast<TPaperUpdate*>(read.get()))
            return update->PPRNo();
    } catch (const std::exception&) {
    }
    return -1;
}

void TPaperCatalogueLoader::Prepare(TAppFrame& frame)
{
    if (UserFile.isEmpty())
        UserFile = DefaultUserFile();
    if (InstalledFile.isEmpty())
        InstalledFile = FindInstalledCatalogue(frame);
    frame.Macro().SetValue(QStringLiteral("PaperInfo"), UserFile);
    if (QFileInfo::exists(UserFile) || InstalledFile.isEmpty())
        return; // a missing catalogue is reported by the start-up check
    QDir().mkpath(QFileInfo(UserFile).absolutePath());
    // Written beside and renamed, so that an interrupted first start leaves no half
    // catalogue behind; the copy is the user's and writable, whatever the original.
    // A copy that fails leaves no file, which the start-up check then reports.
    QFile installed(InstalledFile);
    if (!installed.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = installed.readAll();
    try {
        WriteFileReplacing(UserFile, bytes);
    } catch (const EStorageError& error) {
        qWarning("%s", error.what());
    }
}

void TPaperCatalogueLoader::Load(const QString& fileName)
{
    Close();
    FPapers = std::make_unique<TVelmoPapers>(fileName, false);
    if (!InstalledFile.isEmpty() &&
        QFileInfo(InstalledFile).canonicalFilePath() != QFileInfo(fileName).canonicalFilePath() &&
        ReadUpdateNumber(InstalledFile) > FPapers->UpdateInfo().PPRNo())
        MergeInstalled();
}

void TPaperCatalogueLoader::MergeInstalled()
{
    const QString fileName = FPapers->FileName();
    try {
        TVelmoPapers installed(InstalledFile, true);
        // A delivered catalogue with a damaged paper is a damaged installation: merging
        // the rest would take its update number and never bring that paper.
        if (!installed.SkippedPapers().isEmpty()) {
            qWarning("the installed catalogue has damaged papers; not merged");
            return;
        }
        const QStringList companies = FPapers->CompanyList();
        const QStringList groups = FPapers->GroupList();
        if (!FPapers->Storage().StorageExists(TPapersV2::GlobalInfoStorageName()))
            TDocStorage(FPapers->Storage(), true, TPapersV2::GlobalInfoStorageName());
        FPapers->MergeUpdate(installed, {}, true);
        // Makers and groups the user added stay listed behind the delivered ones.
        QStringList mergedCompanies = FPapers->CompanyList();
        for (const QString& name : companies)
            if (!mergedCompanies.contains(name))
                mergedCompanies.append(name);
        FPapers->SetCompanyList(mergedCompanies);
        QStringList mergedGroups = FPapers->GroupList();
        for (const QString& name : groups)
            if (!mergedGroups.contains(name))
                mergedGroups.append(name);
        FPapers->SetGroupList(mergedGroups);
    } catch (const std::exception& error) {
        // A delivered catalogue that cannot be merged must not cost the user theirs:
        // the half-merged working copy is dropped and the file read again.
        qWarning("%s", error.what());
        FPapers->Discard();
        FPapers = std::make_unique<TVelmoPapers>(fileName, false);
    }
}

} // namespace velmo
