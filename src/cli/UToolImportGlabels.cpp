#include "cli/UToolImportGlabels.h"
#include "cli/UToolCommands.h"
#include "cli/UToolImportTemplates.h"
#include "cli/UToolPapers.h"
#include "document/ULabelData.h"
#include "glabels/UGlabelsProject.h"
#include "imaging/UPictureFormats.h"
#include "paper/UVelmoPapers.h"
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace velmo::tool {

namespace {

const QString kUsage = QStringLiteral("usage: velmo-tool import-glabels IN.glabels OUT.lbd [--merge DATA]");

} // namespace

int CommandImportGlabels(const QStringList& given)
{
    const QStringList arguments = WithoutOptionEnd(given);
    QStringList files;
    QString merge;
    const int end = OptionEnd(given);
    for (int i = 0; i < given.size(); ++i) {
        const QString& a = given[i];
        if (i == end)
            continue;
        if (i < end && a == u"--merge") {
            if (i + 1 >= given.size() || i + 1 == end) {
                ReportError(kUsage);
                return kExitUsage;
            }
            merge = given[++i];
        } else if (i < end && a.startsWith(u'-')) {
            ReportError(kUsage);
            return kExitUsage;
        } else {
            files << a;
        }
    }
    Q_UNUSED(arguments);
    if (files.size() != 2) {
        ReportError(kUsage);
        return kExitUsage;
    }
    const QString& in = files[0];
    const QString& out = files[1];
    QFile file(in);
    if (!QFileInfo(in).isFile() || !file.open(QIODevice::ReadOnly)) {
        ReportError(QStringLiteral("%1: cannot be read").arg(in));
        return kExitFailure;
    }
    if (file.size() > kMaxProjectBytes) {
        ReportError(QStringLiteral("%1: too large for a gLabels project").arg(in));
        return kExitFailure;
    }
    if (!merge.isEmpty() && !QFileInfo(merge).isFile()) {
        ReportError(QStringLiteral("%1: no such merge file").arg(merge));
        return kExitFailure;
    }
    const QByteArray bytes = file.readAll();
    try {
        // Pictures beside the project or inside it: PNG, GIF, TIFF … as the program reads them.
        RegisterPictureFormats();
        RegisterCatalogueClasses();
        // The delivered catalogue first, then the user's own, for a paper of the
        // template's geometry.
        std::unique_ptr<TVelmoPapers> delivered, user;
        const QString deliveredName = DeliveredCatalogue();
        if (!deliveredName.isEmpty())
            delivered = std::make_unique<TVelmoPapers>(deliveredName, true);
        if (QFileInfo(UserCatalogue()).isFile()) {
            try {
                user = std::make_unique<TVelmoPapers>(UserCatalogue(), true);
            } catch (const Exception&) {
                // A damaged user catalogue only means no match there.
            }
        }
        TGlabelsOptions options;
        options.FileName = QFileInfo(in).absoluteFilePath();
        options.MergeFile = merge.isEmpty() ? QString() : QFileInfo(merge).absoluteFilePath();
        options.Catalogues = {delivered.get(), user.get()};
        TGlabelsProject project = ImportGlabelsProject(bytes, options);
        user.reset();
        project.Document->Save(out);
        // As the program does: a sheet no catalogue has joins the user's papers.
        QString where = QStringLiteral("catalogue");
        if (project.MatchedPaper.isEmpty()) {
            where = QStringLiteral("from the project");
            if (project.NewPaper && QFileInfo(UserCatalogue()).isFile()) {
                try {
                    TVelmoPapers papers(UserCatalogue(), false);
                    std::vector<TImportedTemplate> made;
                    made.push_back(std::move(*project.NewPaper));
                    TTemplateImporter::Store(papers, made);
                    papers.Close();
                    where = QStringLiteral("added to the user's catalogue");
                } catch (const std::exception& e) {
                    project.Warnings
                        << QStringLiteral("用紙: 用紙情報に追加できませんでした（%1）").arg(ExceptionText(e));
                }
            }
        }
        QTextStream stdOut(stdout);
        stdOut << "paper: "
               << EscapeControls(project.MatchedPaper.isEmpty() ? project.Document->Paper()->PaperName()
                                                                : project.MatchedPaper)
               << " (" << where << ")\n";
        if (!project.MergeFile.isEmpty())
            stdOut << "merge: " << EscapeControls(project.MergeFile) << "\n";
        for (const QString& w : std::as_const(project.Warnings))
            stdOut << "warning: " << EscapeControls(w) << "\n";
        stdOut.flush();
    } catch (const std::exception& e) {
        ReportError(QStringLiteral("%1: %2").arg(in, ExceptionText(e)));
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace velmo::tool
