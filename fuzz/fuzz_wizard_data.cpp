// The wizards' data files on untrusted bytes: decoded, parsed, and every genre,
// sub-genre, item, paper and folder asked for, as the wizard pages do.
#include "wizard/UWizardDat.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Wizard.dat"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(bytes);
    }
    const velmo::TWizardDat wizard(path);
    const int genres = int(wizard.Genres().size());
    for (int g = -1; g <= genres && g < 64; ++g) {
        const int subs = int(wizard.SubGenres(g).size());
        for (int s = -1; s <= subs && s < 64; ++s) {
            const QStringList purposes = wizard.Purposes(g, s);
            const QStringList folders = wizard.Folders(g, s);
            // Elements alternate: never more folders than purposes.
            if (folders.size() > purposes.size())
                __builtin_trap();
            for (const QString& folder : folders)
                if (folder.contains(QStringLiteral("/../")) || folder.endsWith(QStringLiteral("/..")))
                    __builtin_trap();
        }
    }
    velmo::TOsoroiDat osoroi(path);
    const int ogenres = int(osoroi.Genres().size());
    for (int g = 0; g < ogenres && g < 64; ++g) {
        const int items = int(osoroi.Items(g).size());
        for (int i = 0; i < items && i < 64; ++i) {
            const QStringList papers = osoroi.Papers(g, i);
            for (int p = 0; p < papers.size() && p < 16; ++p) {
                osoroi.SetLandscape(p % 2 == 1);
                const QString folder = osoroi.Folder(g, i, papers[p]);
                if (folder != osoroi.LastFolder())
                    __builtin_trap();
            }
        }
    }
    for (const QString& element : velmo::SplitWizardList(velmo::TWizardIniFile::DecodeBytes(bytes)))
        if (element.isEmpty())
            __builtin_trap();
    return 0;
}
