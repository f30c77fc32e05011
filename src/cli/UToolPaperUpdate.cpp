#include "cli/UToolPaperUpdate.h"
#include "cli/UToolCommands.h"
#include "cli/UToolPapers.h"
#include "paper/UOldPapers.h"
#include "paper/UPaperRecords.h"
#include "paper/UPaperUpdate.h"
#include "paper/UVelmoPapers.h"
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

namespace velmo::tool {

namespace {

QString Millimetres(int tenths)
{
    const QString sign = tenths < 0 ? QStringLiteral("-") : QString();
    const qint64 value = qAbs(qint64(tenths));
    return QStringLiteral("%1%2.%3").arg(sign).arg(value / 10).arg(value % 10);
}

} // namespace

int CommandUpdatePapers(const QStringList& arguments)
{
    const QString usage =
        QStringLiteral("usage: velmo-tool update-papers [--proxy HOST[:PORT]] URL [CATALOGUE]");
    QStringList positional;
    QString proxyHost;
    int proxyPort = 80;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == u"--proxy" && i + 1 < arguments.size()) {
            const QString value = arguments[++i];
            const int colon = int(value.lastIndexOf(QLatin1Char(':')));
            bool ok = true;
            proxyHost = colon > 0 ? value.left(colon) : value;
            if (colon > 0)
                proxyPort = value.mid(colon + 1).toInt(&ok);
            if (!ok || proxyPort <= 0 || proxyPort > 65535 || proxyHost.isEmpty()) {
                ReportError(usage);
                return kExitUsage;
            }
        } else if (a.startsWith(u'-') && a != u"-") {
            ReportError(usage);
            return kExitUsage;
        } else {
            positional << a;
        }
    }
    if (positional.isEmpty() || positional.size() > 2) {
        ReportError(usage);
        return kExitUsage;
    }
    RegisterCatalogueClasses();
    QTextStream out(stdout);
    QTextStream err(stderr);
    TPPRDownload download;
    download.SetIndexUrl(positional[0]);
    download.SetProxy(proxyHost, proxyPort);
    download.SetAgent(QStringLiteral("velmo-tool"));
    int lastPercent = -1;
    auto showProgress = [&] {
        if (download.Percent() != lastPercent && download.Expected() > 0) {
            lastPercent = download.Percent();
            err << QStringLiteral("\r%1/%2 %3%")
                       .arg(download.Received())
                       .arg(download.Expected())
                       .arg(lastPercent);
            err.flush();
        }
    };
    if (!download.ReadIndex()) {
        ReportError(QStringLiteral("アップデートファイルの取得に失敗しました: %1").arg(download.ErrorText()));
        return kExitFailure;
    }
    const TUpdateIndex& index = download.Index();
    out << "version\t" << UpdateNumberText(index.Version) << "\ndate\t" << UpdateDateText(index.Date)
        << "\nfile\t" << download.DownloadUrl().toString() << '\n';
    out.flush();
    if (index.Version == 0 || index.Date == 0) {
        out << QStringLiteral("新しい更新情報はありません") << '\n';
        download.Cleanup();
        return kExitOk;
    }
    download.OnPacket = showProgress;
    const bool ok = download.DownloadCatalogue();
    if (lastPercent >= 0) {
        err << '\n';
        err.flush();
    }
    if (!ok) {
        ReportError(QStringLiteral("アップデートファイルの取得に失敗しました: %1").arg(download.ErrorText()));
        return kExitFailure;
    }
    try {
        if (positional.size() == 1) {
            TVelmoPapers update(download.CatalogueFile(), true);
            out << "papers\t" << update.Count() << '\n';
            for (const QString& key : update.SkippedPapers())
                ReportError(QStringLiteral("用紙情報「%1」を読み込めませんでした").arg(key));
            download.Cleanup();
            return update.SkippedPapers().isEmpty() ? kExitOk : kExitFailure;
        }
        TVelmoPapers papers(positional[1], false);
        const int before = papers.Count();
        try {
            MergeDownloadedCatalogue(papers, download.CatalogueFile());
        } catch (...) {
            // The catalogue file stays as it was: nothing of a failed merge is kept.
            papers.Discard();
            throw;
        }
        papers.Close();
        download.Cleanup();
        out << QStringLiteral("更新処理を終了しました") << '\t' << before << " -> " << papers.Count()
            << " papers\n";
        return kExitOk;
    } catch (const std::exception& error) {
        download.Cleanup();
        ReportError(QStringLiteral("更新の途中でエラーが発生しました: %1").arg(ExceptionText(error)));
        return kExitFailure;
    }
}

int CommandMergeOldPapers(const QStringList& arguments)
{
    if (arguments.size() != 2 || arguments[0].startsWith(u'-') || arguments[1].startsWith(u'-')) {
        ReportError(QStringLiteral("usage: velmo-tool merge-old-papers OLD.ppr CATALOGUE"));
        return kExitUsage;
    }
    if (!QFileInfo(arguments[0]).isFile()) {
        ReportError(QStringLiteral("%1: no such file").arg(arguments[0]));
        return kExitFailure;
    }
    try {
        RegisterCatalogueClasses();
        TVelmoPapers papers(arguments[1], false);
        TOldPaperMergeResult result;
        try {
            result = MergeOldPapers(papers, arguments[0]);
        } catch (...) {
            papers.Discard();
            throw;
        }
        papers.Close();
        QTextStream out(stdout);
        out << "merged\t" << result.Merged << '\n';
        out.flush();
        for (const QString& skipped : result.Skipped)
            ReportError(QStringLiteral("skipped %1").arg(EscapeControls(skipped)));
        return kExitOk;
    } catch (const std::exception& error) {
        ReportError(QStringLiteral("%1: %2").arg(arguments[0], ExceptionText(error)));
        return kExitFailure;
    }
}

int ListOldPapers(const QString& fileName, bool namesOnly)
{
    try {
        RegisterCatalogueClasses();
        const TOldPapers old(fileName, true);
        QTextStream out(stdout);
        if (!namesOnly)
            out << "stream\tname\tgroup\tmaker\tsize (mm)\tfaces\tshape\n";
        for (int i = 0; i < old.Count(); ++i) {
            const std::unique_ptr<TPaperInfo> paper = ConvertOldPaper(*old.Paper(i));
            if (namesOnly) {
                out << EscapeControls(paper->PaperName()) << '\n';
                continue;
            }
            QStringList shapes;
            const int faces = paper->HasExcessFaces() ? 0 : paper->GetFaceCount();
            for (int f = 0; f < faces; ++f) {
                const QString shape = FaceShapeIdent(ValidFaceShape(paper->GetFaceShape(f)));
                if (!shapes.contains(shape))
                    shapes << shape;
            }
            out << EscapeControls(old.StreamName(i)) << '\t' << EscapeControls(paper->PaperName()) << '\t'
                << EscapeControls(paper->GroupName()) << '\t'
                << EscapeControls(MakerFromOldPaperName(paper->PaperName())) << '\t'
                << Millimetres(paper->PortraitWidth()) << 'x' << Millimetres(paper->PortraitHeight()) << '\t'
                << paper->GetFaceCount() << '\t' << shapes.join(QLatin1Char('/')) << '\n';
        }
        out.flush();
        for (const QString& skipped : old.SkippedPapers())
            ReportError(QStringLiteral("skipped %1").arg(EscapeControls(skipped)));
        return out.status() == QTextStream::Ok ? kExitOk : kExitFailure;
    } catch (const std::exception& error) {
        ReportError(QStringLiteral("%1: %2").arg(fileName, ExceptionText(error)));
        return kExitFailure;
    }
}

} // namespace velmo::tool
