#include "cli/UToolPapers.h"
#include "cli/UToolCommands.h"
#include "cli/UToolPaperUpdate.h"
#include "paper/UVelmoPapers.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace velmo::tool {

namespace {

// Tenths of a millimetre as "86.4".
QString Millimetres(int tenths)
{
    const QString sign = tenths < 0 ? QStringLiteral("-") : QString();
    const qint64 value = qAbs(qint64(tenths));
    return QStringLiteral("%1%2.%3").arg(sign).arg(value / 10).arg(value % 10);
}

QString Shapes(const TPaperInfo& paper)
{
    QStringList shapes;
    for (int i = 0; i < paper.GetFaceCount(); ++i) {
        const QString shape = FaceShapeIdent(ValidFaceShape(paper.GetFaceShape(i)));
        if (!shapes.contains(shape))
            shapes.append(shape);
    }
    return shapes.join(QLatin1Char('/'));
}

} // namespace

QString DeliveredCatalogue()
{
    const QString exeFolder = QCoreApplication::applicationDirPath();
    const QStringList candidates{
        exeFolder + QStringLiteral("/../data/velmo.ppr"),
        exeFolder + QStringLiteral("/../share/velmo/velmo.ppr"),
        QStringLiteral(VELMO_DATA_DIR) + QStringLiteral("/velmo.ppr"),
    };
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate).isFile())
            return QDir::cleanPath(candidate);
    return QString();
}

void ListPapers(const TVelmoPapers& papers, bool namesOnly, QTextStream& out)
{
    if (!namesOnly)
        out << "key\tname\tgroup\tmaker\tsize (mm)\tfaces\tshape\n";
    for (int i = 0; i < papers.Count(); ++i) {
        const TPaperInfo& paper = *papers.Paper(i);
        if (namesOnly) {
            out << EscapeControls(paper.PaperName()) << '\n';
            continue;
        }
        const std::unique_ptr<TExPaperInfo> info = papers.GetExInfo(paper.PaperName(), true);
        out << papers.Key(i) << '\t' << EscapeControls(paper.PaperName()) << '\t'
            << EscapeControls(paper.GroupName()) << '\t' << EscapeControls(info->Company()) << '\t'
            << Millimetres(paper.PortraitWidth()) << 'x' << Millimetres(paper.PortraitHeight()) << '\t'
            << paper.GetFaceCount() << '\t' << Shapes(paper) << '\n';
    }
}

int CommandPapers(const QStringList& arguments)
{
    bool namesOnly = false;
    bool old = false;
    QString fileName;
    const int end = OptionEnd(arguments);
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (i == end)
            continue;
        if (i > end) {
            if (!fileName.isEmpty()) {
                ReportError(QStringLiteral("usage: velmo-tool papers [--names] [--old] [CATALOGUE]"));
                return kExitUsage;
            }
            fileName = argument;
        } else if (argument == u"--names") {
            namesOnly = true;
        } else if (argument == u"--old") {
            old = true;
        } else if (argument.startsWith(u'-') || !fileName.isEmpty()) {
            ReportError(QStringLiteral("usage: velmo-tool papers [--names] [--old] [CATALOGUE]"));
            return kExitUsage;
        } else {
            fileName = argument;
        }
    }
    if (fileName.isEmpty()) {
        fileName = DeliveredCatalogue();
        if (fileName.isEmpty()) {
            ReportError(QStringLiteral("the delivered catalogue velmo.ppr was not found"));
            return kExitFailure;
        }
    } else if (!QFileInfo(fileName).isFile()) {
        ReportError(QStringLiteral("%1: no such file").arg(fileName));
        return kExitFailure;
    }
    if (old)
        return ListOldPapers(fileName, namesOnly);
    try {
        RegisterCatalogueClasses();
        const TVelmoPapers papers(fileName, true);
        QTextStream out(stdout);
        ListPapers(papers, namesOnly, out);
        out.flush();
        for (const QString& key : papers.SkippedPapers())
            ReportError(QStringLiteral("用紙情報「%1」を読み込めませんでした").arg(key));
        return out.status() == QTextStream::Ok ? kExitOk : kExitFailure;
    } catch (const std::exception& error) {
        ReportError(QStringLiteral("%1: %2").arg(fileName, ExceptionText(error)));
        return kExitFailure;
    }
}

} // namespace velmo::tool
