#include "app/UToolkitTranslations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace velmo {

int InstallToolkitTranslations(QCoreApplication& app, const QString& folder)
{
    const QString where = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    int installed = 0;
    // "qtbase" holds the widgets' texts; "qt" is the older bundle some systems still
    // ship instead (it only forwards to qtbase where both exist).
    for (const char* catalogue : {"qtbase_ja", "qt_ja"}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(QString::fromLatin1(catalogue), where) && !translator->isEmpty() &&
            QCoreApplication::installTranslator(translator)) {
            ++installed;
        } else {
            delete translator;
        }
    }
    return installed;
}

} // namespace velmo
