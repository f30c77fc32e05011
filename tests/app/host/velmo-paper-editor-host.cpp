// "用紙の追加・編集" alone, for the window tests that drive it with real input:
//   velmo-paper-editor-host CATALOGUE.ppr (matrix|free) OUT.pdf [extended]
// starts from an A4 sheet without labels, reports where its controls and faces are
// ("velmo: report begin" … "velmo: report end", screen coordinates) every 150 ms,
// and on OK stores the paper into the catalogue, writes the catalogue and prints the
// paper's outlines into OUT.pdf. Exit 0 after OK, 2 after Cancel, 1 on failure.
//   velmo-paper-editor-host --show WHAT CATALOGUE.ppr
// shows one window of the paper selection in the extended paper mode for a look
// (select, update-info, bulk-delete, bulk-rename, bulk-group, renumber, purposes,
// order, groups) until it is closed.
#include "base/UExceptions.h"
#include "objects/ULOFace.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperMaintenance.h"
#include "paper/UVelmoPapers.h"
#include "paperui/FEditPaper.h"
#include "paperui/FPaperMaintenance.h"
#include "paperui/FPaperSelect.h"
#include "print/UPrintOutlines.h"
#include "print/UPrinter.h"
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTextStream>
#include <QTimer>

using namespace velmo;

namespace {

void ReportWidget(QTextStream& out, const QString& name, const QWidget* w)
{
    if (!w || !w->isVisible())
        return;
    const QPoint at = w->mapToGlobal(QPoint(0, 0));
    out << "velmo: widget " << name << ' ' << at.x() << ' ' << at.y() << ' ' << w->width() << ' '
        << w->height();
    if (auto* spin = qobject_cast<const QDoubleSpinBox*>(w))
        out << ' ' << QString::number(spin->value(), 'f', 1);
    else if (auto* ispin = qobject_cast<const QSpinBox*>(w))
        out << ' ' << ispin->value();
    else if (auto* combo = qobject_cast<const QComboBox*>(w))
        out << ' ' << combo->currentText().toUtf8().toPercentEncoding();
    else if (auto* edit = qobject_cast<const QLineEdit*>(w))
        out << ' ' << edit->text().toUtf8().toPercentEncoding();
    out << '\n';
}

void Report(TfrmPaperTypeSelect& dialog)
{
    QTextStream out(stdout);
    out << "velmo: report begin\n";
    out << "velmo: kind " << (dialog.FreeKind() ? "free" : "matrix") << '\n';
    ReportWidget(out, QStringLiteral("MatrixKind"), dialog.MatrixButton());
    ReportWidget(out, QStringLiteral("FreeKind"), dialog.FreeButton());
    TPaperEditor& editor = dialog.Editor();
    for (QWidget* w : editor.findChildren<QWidget*>()) {
        if (!w->objectName().isEmpty() && (qobject_cast<QDoubleSpinBox*>(w) || qobject_cast<QSpinBox*>(w) ||
                                           qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w)))
            if (!qobject_cast<QLineEdit*>(w) || !qobject_cast<QAbstractSpinBox*>(w->parentWidget()))
                ReportWidget(out, w->objectName(), w);
    }
    for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>()) {
        QString text = b->text();
        text.remove(QLatin1Char('&'));
        if (text == QStringLiteral("OK") || text.startsWith(QStringLiteral("ラベル追加")) ||
            text.startsWith(QStringLiteral("ラベル削除")))
            ReportWidget(out,
                         text.startsWith(QStringLiteral("ラベル追加"))   ? QStringLiteral("AddLabel")
                         : text.startsWith(QStringLiteral("ラベル削除")) ? QStringLiteral("DeleteLabel")
                                                                         : QStringLiteral("OK"),
                         b);
    }
    if (dialog.FreeKind()) {
        TfrmEditFreePaper& free = dialog.FreeEditor();
        TDrawSite* site = free.Site();
        out << "velmo: current " << free.CurrentFace() << '\n';
        for (int i = 0; TLOFace* face = FaceAt(site, i); ++i) {
            const TLogRect r = site->RectToDevice(face->BaseRect());
            const QPoint at = site->mapToGlobal(QPoint(r.Left, r.Top));
            out << "velmo: face " << i << ' ' << at.x() << ' ' << at.y() << ' ' << r.Width() << ' '
                << r.Height() << ' ' << (face->Chosen() ? 1 : 0) << '\n';
        }
    }
    out << "velmo: report end" << Qt::endl;
}

} // namespace

int ShowWindow(const QString& what, const QString& catalogue)
{
    RegisterCatalogueClasses();
    SetExtendedPaperMode(true);
    TVelmoPapers papers(catalogue, true);
    std::unique_ptr<QDialog> dialog;
    if (what == u"select") {
        auto select = std::make_unique<TfrmPaperSelect>(papers, false, nullptr);
        if (papers.Count() > 0)
            select->ShowPaper(*papers.Paper(std::min(3, papers.Count() - 1)));
        dialog = std::move(select);
    } else if (what == u"update-info")
        dialog = std::make_unique<TfrmPaperUpdateInfo>(papers);
    else if (what == u"bulk-delete")
        dialog = std::make_unique<TfrmBulkPapers>(papers, TfrmBulkPapers::TKind::Delete);
    else if (what == u"bulk-rename")
        dialog = std::make_unique<TfrmBulkPapers>(papers, TfrmBulkPapers::TKind::Rename);
    else if (what == u"bulk-group")
        dialog = std::make_unique<TfrmBulkPapers>(papers, TfrmBulkPapers::TKind::Regroup);
    else if (what == u"renumber")
        dialog = std::make_unique<TfrmRenumberPapers>(papers);
    else if (what == u"purposes")
        dialog = std::make_unique<TfrmPurposeEditor>(papers);
    else if (what == u"order")
        dialog = std::make_unique<TfrmPaperOrder>(papers);
    else if (what == u"groups")
        dialog = std::make_unique<TfrmGroupView>(papers);
    else
        return 1;
    dialog->move(0, 0);
    dialog->exec();
    papers.Discard();
    return 0;
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], "--show") == 0) {
        try {
            return ShowWindow(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
        } catch (const std::exception& error) {
            QTextStream(stderr) << "velmo-paper-editor-host: " << ExceptionText(error) << Qt::endl;
            return 1;
        }
    }
    if (argc < 4) {
        QTextStream(stderr) << "usage: velmo-paper-editor-host CATALOGUE (matrix|free) OUT.pdf [extended]\n";
        return 1;
    }
    const QString catalogue = QString::fromLocal8Bit(argv[1]);
    const bool free = qstrcmp(argv[2], "free") == 0;
    const QString pdf = QString::fromLocal8Bit(argv[3]);
    SetExtendedPaperMode(argc > 4 && qstrcmp(argv[4], "extended") == 0);
    try {
        RegisterCatalogueClasses();
        TVelmoPapers papers(catalogue, false);
        TPrinterForm forms;
        forms.Add({QStringLiteral("A4"), 9, QSize(2100, 2970)});
        forms.Add({QStringLiteral("はがき"), 43, QSize(1000, 1480)});
        std::unique_ptr<TPaperInfo> start;
        if (free)
            start = std::make_unique<TFreePaperInfo>();
        else
            start = std::make_unique<TMatrixPaperInfo>();
        start->SetPortraitWidth(2100);
        start->SetPortraitHeight(2970);
        TfrmPaperTypeSelect dialog(*start, papers, true, forms);
        dialog.move(0, 0);
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, &dialog, [&dialog] { Report(dialog); });
        timer.start(150);
        if (dialog.exec() != QDialog::Accepted)
            return 2;
        timer.stop();
        const TPaperInfo& paper = dialog.Paper();
        papers.StorePaper(paper);
        papers.Close();
        PrintPaperOutlinesToPdf(pdf, paper);
        QTextStream(stdout) << "velmo: saved " << paper.PaperName() << Qt::endl;
        return 0;
    } catch (const std::exception& error) {
        QTextStream(stderr) << "velmo-paper-editor-host: " << ExceptionText(error) << Qt::endl;
        return 1;
    }
}
