#include "app/UAutoSave.h"
#include "document/ULabelData.h"
#include "storage/USafeFile.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmo {

TAutoSave::TAutoSave(const QString& folder) : FFolder(folder) {}

QString TAutoSave::DefaultFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share/velmo");
    return base + QStringLiteral("/autosave");
}

QString TAutoSave::CopyFile() const
{
    return FFolder + QStringLiteral("/autosave.lbd");
}

QString TAutoSave::SourceFile() const
{
    return FFolder + QStringLiteral("/autosave.txt");
}

void TAutoSave::Write(TLabelData& document, const QString& workFile)
{
    QDir().mkpath(FFolder);
    // The copy first: a note without a readable copy would offer nothing. Writing the
    // copy does not save the work: the document stays modified.
    const bool modified = document.Modified();
    try {
        document.Save(CopyFile());
    } catch (...) {
        document.SetModified(modified);
        throw;
    }
    document.SetModified(modified);
    WriteFileReplacing(SourceFile(), workFile.toUtf8());
}

void TAutoSave::Discard()
{
    QFile::remove(CopyFile());
    QFile::remove(SourceFile());
}

bool TAutoSave::Pending(QString* workFile) const
{
    if (!QFileInfo(CopyFile()).isFile())
        return false;
    if (workFile) {
        QFile note(SourceFile());
        workFile->clear();
        if (note.open(QIODevice::ReadOnly))
            *workFile = QString::fromUtf8(note.read(4096)).trimmed();
    }
    return true;
}

} // namespace velmo
