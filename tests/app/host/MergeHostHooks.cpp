#include "MergeHostHooks.h"
#include "HostReport.h"
#include "app/FMain.h"
#include "document/ULabelData.h"
#include "draw/FDrawSite.h"
#include "imaging/UWindowPictures.h"
#include "layout/FLayout.h"
#include "merge/FInsertionController.h"
#include "merge/UCsvDB.h"
#include "merge/ULOInsertion.h"
#include "merge/UMergeSession.h"
#include "text/ULODate.h"
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QSpinBox>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>

namespace velmo::testhost {

namespace {

QString At(QWidget* w)
{
    const QPoint g = w->mapToGlobal(w->rect().center());
    return QStringLiteral("%1 %2").arg(g.x()).arg(g.y());
}

QString Clean(QString text)
{
    return text.remove(QLatin1Char('&')).replace(QLatin1Char(' '), QStringLiteral("_"));
}

void ReportMain(TfrmMain* main, QStringList& lines)
{
    TLabelData* doc = main->Document();
    lines << QStringLiteral("view %1").arg(main->LayoutViewShown()  ? QStringLiteral("layout")
                                           : main->SheetViewShown() ? QStringLiteral("sheet")
                                                                    : QStringLiteral("none"));
    lines << QStringLiteral("merge %1 %2")
                 .arg(main->MergeSession().Database().Active() ? main->MergeSession().Database().Count() : -1)
                 .arg(doc ? doc->CurrentLabelNo() : -1);
    if (TfrmLayout* view = main->LayoutView()) {
        TDrawSite* site = view->Site();
        const QPoint a = site->mapToGlobal(QPoint(0, 0));
        lines << QStringLiteral("site %1 %2 %3 %4")
                     .arg(a.x())
                     .arg(a.y())
                     .arg(site->width())
                     .arg(site->height());
        lines << QStringLiteral("modified %1").arg(view->Modified() ? 1 : 0);
        for (int i = 0; i < site->ObjectCount(); ++i) {
            if (auto* text = dynamic_cast<TLOInsText*>(site->Objects(i)))
                lines
                    << QStringLiteral("instext %1").arg(text->Text()->Lines().join(u'|').replace(u' ', u'_'));
            if (auto* numbering = dynamic_cast<TLONumbering*>(site->Objects(i)))
                lines << QStringLiteral("numbering %1").arg(numbering->CurNumber());
        }
    }
    if (QAction* command = main->Command(QStringLiteral("actMergeController")))
        lines << QStringLiteral("command %1 %2")
                     .arg(command->isEnabled() ? 1 : 0)
                     .arg(command->isChecked() ? 1 : 0);
    TfrmInsertionController* controller = main->InsertionController();
    if (!controller || !controller->isVisible()) {
        lines << QStringLiteral("controller hidden");
        return;
    }
    lines << QStringLiteral("controller shown %1 %2")
                 .arg(controller->StatusLabel()->text().replace(u' ', u'_'))
                 .arg(controller->isActiveWindow() ? 1 : 0);
    lines << QStringLiteral("counter %1").arg(At(controller->StatusLabel()));
    for (int i = ccFirst; i <= ccSort; ++i) {
        QToolButton* b = controller->Button(i);
        lines << QStringLiteral("ctlbutton %1 %2 %3 %4")
                     .arg(i)
                     .arg(At(b))
                     .arg(b->isEnabled() ? 1 : 0)
                     .arg(b->hasFocus() ? 1 : 0);
    }
    const QRect frame = controller->frameGeometry();
    lines << QStringLiteral("ctlrect %1 %2 %3 %4")
                 .arg(frame.x())
                 .arg(frame.y())
                 .arg(frame.width())
                 .arg(frame.height());
}

void ReportDialog(QDialog* dialog, QStringList& lines)
{
    lines << QStringLiteral("dialog %1").arg(Clean(dialog->windowTitle()));
    for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
        if (b->isVisible() && !b->text().isEmpty())
            lines << QStringLiteral("button %1 %2").arg(Clean(b->text()), At(b));
    for (QSpinBox* s : dialog->findChildren<QSpinBox*>())
        if (s->isVisible())
            lines << QStringLiteral("spin %1 %2 %3").arg(s->value()).arg(s->hasFocus() ? 1 : 0).arg(At(s));
}

} // namespace

void StartMergeReport()
{
    auto* timer = new QTimer(qApp);
    auto* last = new QString;
    QObject::connect(timer, &QTimer::timeout, [last] {
        QStringList lines;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible())
                continue;
            if (auto* main = dynamic_cast<TfrmMain*>(top); main && main->InsertionController())
                ReportMain(main, lines);
            else if (auto* dialog = qobject_cast<QDialog*>(top))
                ReportDialog(dialog, lines);
        }
        PrintReportBlock(lines, *last);
    });
    timer->start(150);
}

} // namespace velmo::testhost
