#include "cli/UToolImportTemplates.h"
#include "base/UExceptions.h"
#include "cli/UToolCommands.h"
#include "paper/UTemplateImport.h"
#include "paper/UVelmoPapers.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

namespace velmo::tool {

namespace {

const QString kUsage =
    QStringLiteral("usage: velmo-tool import-templates [--catalogue FILE.ppr] [--dry-run] FILE.xml…");

// A template file of the database is a few hundred kilobytes; anything far larger is
// not one, and is refused before it is read into memory.
constexpr qint64 kMaxTemplateFile = 64 * 1024 * 1024;

} // namespace

QString UserCatalogue()
{
    // The program names its data folder after itself ("ベルモ"); this tool has another
    // name, so the folder is spelled out.
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/ベルモ/velmo.ppr");
}

int CommandImportTemplates(const QStringList& arguments)
{
    QString catalogue;
    bool dryRun = false;
    QStringList files;
    const int end = OptionEnd(arguments);
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (i == end)
            continue;
        if (i < end && argument == u"--catalogue") {
            if (i + 1 >= arguments.size()) {
                ReportError(kUsage);
                return kExitUsage;
            }
            catalogue = arguments[++i];
        } else if (i < end && argument == u"--dry-run") {
            dryRun = true;
        } else if (i < end && argument.startsWith(u'-')) {
            ReportError(kUsage);
            return kExitUsage;
        } else {
            files.append(argument);
        }
    }
    if (files.isEmpty()) {
        ReportError(kUsage);
        return kExitUsage;
    }
    if (catalogue.isEmpty()) {
        catalogue = UserCatalogue();
        if (!dryRun && !QFileInfo(catalogue).isFile()) {
            ReportError(
                QStringLiteral(
                    "%1: the catalogue does not exist yet; start the program once or give --catalogue")
                    .arg(catalogue));
            return kExitFailure;
        }
    }
    TTemplateImporter importer;
    for (const QString& fileName : std::as_const(files)) {
        QFile file(fileName);
        if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly)) {
            ReportError(QStringLiteral("%1: cannot be read").arg(fileName));
            return kExitFailure;
        }
        if (file.size() > kMaxTemplateFile) {
            ReportError(QStringLiteral("%1: too large for a template file").arg(fileName));
            return kExitFailure;
        }
        try {
            importer.AddFile(QFileInfo(fileName).fileName(), file.readAll());
        } catch (const std::exception& error) {
            ReportError(ExceptionText(error));
            return kExitFailure;
        }
    }
    const std::vector<TImportedTemplate> converted = importer.Convert();
    QTextStream out(stdout);
    int imported = 0, refused = 0;
    for (const TImportedTemplate& t : converted) {
        if (t.Paper) {
            out << "imported\t" << t.Brand << ' ' << t.Part << '\t' << t.Paper->PaperName() << '\n';
            ++imported;
        } else {
            out << "refused\t" << t.Brand << ' ' << t.Part << '\t' << t.Refusal << '\n';
            ++refused;
        }
    }
    out.flush();
    if (!dryRun && imported > 0) {
        try {
            RegisterCatalogueClasses();
            QDir().mkpath(QFileInfo(catalogue).absolutePath());
            TVelmoPapers papers(catalogue, false);
            TTemplateImporter::Store(papers, converted);
            papers.Close();
        } catch (const std::exception& error) {
            ReportError(QStringLiteral("%1: %2").arg(catalogue, ExceptionText(error)));
            return kExitFailure;
        }
    }
    QTextStream(stderr) << QStringLiteral("%1 imported, %2 refused\n").arg(imported).arg(refused);
    return imported > 0 || refused == 0 ? kExitOk : kExitFailure;
}

} // namespace velmo::tool
