#include "cli/UToolCatalogue.h"
#include "base/UExceptions.h"
#include "cli/UToolCommands.h"
#include "paper/UPaperMaintenance.h"
#include "paper/UPaperRecords.h"
#include "paper/UVelmoPapers.h"
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace velmo::tool {

namespace {

int Usage()
{
    ReportError(QStringLiteral(
        "usage: velmo-tool catalogue CATALOGUE ACTION\n"
        "  keys                        key, name and group of every paper, in catalogue order\n"
        "  renumber START              paper i gets the key START + i (decimal or $hex)\n"
        "  order FILE                  the catalogue order of the names in FILE (one per line, - for stdin)\n"
        "  purposes [--remove-unused]  the purposes, and the uses the papers make of them\n"
        "  rename GROUP (--replace FROM TO | --affix HEAD TAIL)   rename the group's papers ('*': all)\n"
        "  regroup GROUP NEW           move the group's papers to the group NEW ('*': all)\n"
        "  delete-group GROUP          delete the group's papers ('*': all)\n"
        "  make-system                 every user paper becomes a system paper\n"
        "  update-info [NUMBER TIME]   show or set the pattern number and update time\n"
        "  defrag                      write every paper afresh"));
    return kExitUsage;
}

QList<int> Group(const TVelmoPapers& papers, const QString& group)
{
    return PapersOfGroup(papers, group, group == u"*");
}

QString ShapeList(TFaceShapes mask)
{
    QStringList names;
    for (int s : ShapesOffered(mask))
        names << FaceShapeIdent(s);
    return names.join(QLatin1Char(','));
}

} // namespace

int CommandCatalogue(const QStringList& arguments)
{
    if (arguments.size() < 2 || arguments[0].startsWith(u'-'))
        return Usage();
    const QString file = arguments[0];
    const QString action = arguments[1];
    const QStringList rest = arguments.mid(2);
    const bool reads = action == u"keys" || (action == u"purposes" && rest.isEmpty()) ||
                       (action == u"update-info" && rest.isEmpty());
    if (!QFileInfo(file).isFile()) {
        ReportError(QStringLiteral("%1: no such file").arg(file));
        return kExitFailure;
    }
    QTextStream out(stdout);
    try {
        RegisterCatalogueClasses();
        TVelmoPapers papers(file, reads);
        int code = kExitOk;
        try {
            if (action == u"keys" && rest.isEmpty()) {
                for (int i = 0; i < papers.Count(); ++i)
                    out << papers.Key(i) << '\t' << EscapeControls(papers.Paper(i)->PaperName()) << '\t'
                        << EscapeControls(papers.Paper(i)->GroupName()) << '\n';
            } else if (action == u"renumber" && rest.size() == 1) {
                const std::optional<uint32_t> start = ParseStartNumber(rest[0]);
                if (!start) {
                    ReportError(QStringLiteral("先頭番号を正しく入力してください: %1").arg(rest[0]));
                    code = kExitUsage;
                } else {
                    const int moved = RenumberPaperKeys(papers, *start);
                    out << "renumbered\t" << moved << '\n';
                    // Keys in use are skipped: say so rather than let it pass as done.
                    if (moved < papers.Count())
                        out << "kept\t" << papers.Count() - moved << "\t(the new key was in use)\n";
                }
            } else if (action == u"order" && rest.size() == 1) {
                QFile names;
                const bool opened = rest[0] == u"-"
                                        ? names.open(stdin, QIODevice::ReadOnly)
                                        : (names.setFileName(rest[0]), names.open(QIODevice::ReadOnly));
                if (!opened) {
                    ReportError(QStringLiteral("%1: %2").arg(rest[0], names.errorString()));
                    code = kExitFailure;
                } else {
                    // A list of names is small; a huge file is not one.
                    const QString text = QString::fromUtf8(names.read(16 * 1024 * 1024));
                    const QString defect = PaperOrderDefect(papers, text);
                    if (!defect.isEmpty()) {
                        ReportError(defect);
                        code = kExitFailure;
                    } else {
                        ApplyPaperOrder(papers, text);
                        out << "ordered\t" << papers.Count() << '\n';
                    }
                }
            } else if (action == u"purposes" &&
                       (rest.isEmpty() || rest == QStringList{QStringLiteral("--remove-unused")})) {
                TPurposeList list;
                if (papers.PurposeList())
                    list.Assign(*papers.PurposeList());
                const TPurposeCheck check = CheckPurposes(papers, list);
                if (!rest.isEmpty()) {
                    RemoveUnusedPurposes(list, check);
                    papers.SetPurposeList(list);
                    out << "removed\t" << check.Unused.size() << '\n';
                }
                for (int i = 0; i < list.Count(); ++i)
                    out << "purpose\t" << EscapeControls(list.Items(i)->ID()) << '\t'
                        << EscapeControls(list.Items(i)->DisplayName()) << '\t'
                        << ShapeList(list.Items(i)->ShapeMask()) << '\n';
                for (const QString& line : check.Report)
                    out << "check\t" << EscapeControls(line) << '\n';
            } else if (action == u"rename" && rest.size() == 4 &&
                       (rest[1] == u"--replace" || rest[1] == u"--affix")) {
                QStringList skipped;
                const int renamed =
                    RenamePapers(papers, Group(papers, rest[0]),
                                 rest[1] == u"--replace" ? TRenameMode::Replace : TRenameMode::HeaderFooter,
                                 rest[2], rest[3], &skipped);
                out << "renamed\t" << renamed << '\n';
                for (const QString& name : skipped)
                    ReportError(QStringLiteral("skipped %1 (the new name is empty or in use)")
                                    .arg(EscapeControls(name)));
            } else if (action == u"regroup" && rest.size() == 2) {
                out << "regrouped\t" << RegroupPapers(papers, Group(papers, rest[0]), rest[1]) << '\n';
            } else if (action == u"delete-group" && rest.size() == 1) {
                out << "deleted\t" << DeletePapers(papers, Group(papers, rest[0])) << '\n';
            } else if (action == u"make-system" && rest.isEmpty()) {
                out << "changed\t" << MakeSystemPapers(papers) << '\n';
            } else if (action == u"update-info" && rest.isEmpty()) {
                out << "number\t" << papers.UpdateInfo().PPRNo() << '\n';
                out << "updated\t" << UpdateTimeText(papers.UpdateInfo().LastUpdate()) << '\n';
            } else if (action == u"update-info" && rest.size() == 2) {
                bool ok = false;
                const int number = rest[0].toInt(&ok);
                const std::optional<double> time = ParseUpdateTime(rest[1]);
                if (!ok || number < 0 || !time) {
                    ReportError(QStringLiteral("日付・時間の指定が正しくありません"));
                    code = kExitUsage;
                } else {
                    TPaperUpdate info;
                    info.SetPPRNo(number);
                    info.SetLastUpdate(*time);
                    papers.SetUpdateInfo(info);
                }
            } else if (action == u"defrag" && rest.isEmpty()) {
                papers.Rewrite();
                out << "rewritten\t" << papers.Count() << '\n';
            } else {
                code = kExitUsage;
            }
        } catch (...) {
            papers.Discard();
            throw;
        }
        out.flush();
        if (code != kExitOk) {
            papers.Discard();
            return code == kExitUsage && !reads ? Usage() : code;
        }
        if (!reads)
            papers.Close();
        return kExitOk;
    } catch (const std::exception& error) {
        out.flush();
        ReportError(QStringLiteral("%1: %2").arg(file, ExceptionText(error)));
        return kExitFailure;
    }
}

} // namespace velmo::tool
