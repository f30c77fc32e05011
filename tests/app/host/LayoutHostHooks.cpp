#include "LayoutHostHooks.h"
#include "HostReport.h"
#include "app/host/FLayoutMain.h"
#include "document/ULabelData.h"
#include "draw/FDrawSite.h"
#include "draw/UDOAction.h"
#include "draw/UDOInterfaces.h"
#include "draw/UGhost.h"
#include "draw/UPivot.h"
#include "imaging/UColorSpec.h"
#include "layout/FLayout.h"
#include "objects/FLayoutAids.h"
#include "objects/ULOFace.h"
#include "objects/ULabelObject.h"
#include "paper/UPaperRecords.h"
#include "text/ULOText.h"
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTextStream>
#include <QTimer>
#include <QToolBar>

namespace velmo::testhost {

namespace {

QString At(const QString& what, QWidget* w, QPoint local)
{
    const QPoint g = w->mapToGlobal(local);
    return QStringLiteral("%1 %2 %3").arg(what).arg(g.x()).arg(g.y());
}

QString Clean(QString text)
{
    return text.remove(QLatin1Char('&')).replace(QLatin1Char(' '), QStringLiteral("_"));
}

void ReportView(TfrmLayoutMain* main, QStringList& lines)
{
    TfrmLayout* view = main->Layout();
    TLabelData* doc = main->Document();
    if (!view || !doc)
        return;
    TDrawSite* site = view->Site();
    // The grid has no shown command in this view; the screenshots want it on.
    static bool gridShown = false;
    if (!gridShown && qEnvironmentVariableIntValue("VELMO_TEST_LAYOUT_GRID") == 1) {
        gridShown = true;
        doc->Grid()->SetVisible(true);
        site->update();
    }
    lines << QStringLiteral("view %1 %2 %3")
                 .arg(doc->CurrentSheet())
                 .arg(doc->CurrentLabelNo())
                 .arg(view->Scale());
    const QPoint o = site->mapToGlobal(site->ToDevice({0, 0}));
    const QPoint k = site->mapToGlobal(site->ToDevice({1000, 1000}));
    lines << QStringLiteral("site %1 %2 %3 %4").arg(o.x()).arg(o.y()).arg(k.x()).arg(k.y());
    // The rulers' middles, across the label.
    if (TLayoutAids* aids = view->Aids()) {
        TRuler* h = aids->HorizontalRuler();
        TRuler* v = aids->VerticalRuler();
        lines << QStringLiteral("rulers %1 %2")
                     .arg(h->mapToGlobal(h->rect().center()).y())
                     .arg(v->mapToGlobal(v->rect().center()).x());
    }
    if (QScrollArea* area = view->ScrollArea())
        lines << QStringLiteral("scroll %1 %2 %3 %4 %5 %6")
                     .arg(area->horizontalScrollBar()->value())
                     .arg(area->horizontalScrollBar()->maximum())
                     .arg(area->verticalScrollBar()->value())
                     .arg(area->verticalScrollBar()->maximum())
                     .arg(area->widget()->x())
                     .arg(area->widget()->y());
    lines << QStringLiteral("focus %1").arg(site->hasFocus() ? 1 : 0);
    for (int i = 0, n = 0; i < site->ObjectCount(); ++i) {
        TDrawObject* object = site->Objects(i);
        if (object->LayerGroup() == kBackgroundLayerGroup)
            continue;
        const TLogRect e = object->GetEncloseRect();
        int angle = 0;
        if (IDORotate* r = Supports<IDORotate>(object))
            angle = r->GetAngle();
        QString extra;
        if (auto* text = dynamic_cast<TLOText*>(object))
            extra =
                QStringLiteral(" text=%1 vertical=%2 bold=%3")
                    .arg(text->Text()->Lines().join(u'|').replace(QLatin1Char(' '), QStringLiteral("_")))
                    .arg(Supports<IDOVertical>(object) && Supports<IDOVertical>(object)->GetVertical() ? 1
                                                                                                       : 0)
                    .arg(Supports<IDOFont>(object)->GetFont()->Style() & fsBold ? 1 : 0);
        if (IDOBaseRect* b = Supports<IDOBaseRect>(object)) {
            const TLogRect r = b->GetBaseRect();
            extra +=
                QStringLiteral(" base=%1,%2,%3,%4").arg(r.Left).arg(r.Top).arg(r.Width()).arg(r.Height());
        }
        if (IDOFillColor* f = Supports<IDOFillColor>(object); f && f->GetFillColor())
            extra += QStringLiteral(" fillkind=%1").arg(int(f->GetFillColor()->Kind()));
        lines << QStringLiteral("obj %1 %2 %3 %4 %5 %6 %7 %8%9")
                     .arg(n++)
                     .arg(QString::fromLatin1(object->ClassName()))
                     .arg(e.Left)
                     .arg(e.Top)
                     .arg(e.Right)
                     .arg(e.Bottom)
                     .arg(object->Selected() ? 1 : 0)
                     .arg(angle)
                     .arg(extra);
    }
    for (int i = 0; i < site->PivotCount(); ++i) {
        TPivot* pivot = site->Pivots(i);
        if (!pivot->Visible())
            continue;
        const TLogRect& d = pivot->DeviceRect();
        lines << At(QStringLiteral("pivot %1").arg(pivot->Index()), site,
                    QPoint((d.Left + d.Right) / 2, (d.Top + d.Bottom) / 2));
    }
    lines << QStringLiteral("history %1 %2 %3")
                 .arg(TActionList::Instance().Count())
                 .arg(TActionList::Instance().CurrentIndex())
                 .arg(TGhostList::Instance().Count());
    for (QToolBar* bar : {view->CommandToolBar(), view->StyleToolBar()})
        for (QAction* action : bar->actions())
            if (QWidget* button = bar->widgetForAction(action); button && !action->objectName().isEmpty())
                lines << At(QStringLiteral("tool %1").arg(action->objectName()), button,
                            button->rect().center()) +
                             QStringLiteral(" %1 %2")
                                 .arg(action->isEnabled() ? 1 : 0)
                                 .arg(action->isChecked() ? 1 : 0);
    for (QAction* action : view->MenuBar()->actions())
        lines << At(QStringLiteral("menu %1").arg(Clean(action->text())), view->MenuBar(),
                    view->MenuBar()->actionGeometry(action).center());
    TPaperSite* overview = view->Overview();
    for (int i = 0; TLOFace* face = FaceAt(overview, i); ++i)
        lines << At(QStringLiteral("face %1").arg(i), overview,
                    overview->ToDevice(RectCenter(face->BaseRect())));
    for (int i = 0; i < 5; ++i)
        lines << QStringLiteral("status %1 %2").arg(i).arg(Clean(view->StatusText(i)));
    if (QComboBox* size = view->FontSizeBox())
        lines << At(QStringLiteral("fontsize"), size, size->rect().center());
}

// Buttons, tabs, line edits and menu entries of dialogs and pop-ups.
void ReportPopup(QWidget* top, QStringList& lines)
{
    if (auto* menu = qobject_cast<QMenu*>(top)) {
        for (QAction* a : menu->actions())
            if (!a->isSeparator())
                lines << At(QStringLiteral("menuitem %1")
                                .arg(Clean(a->text().section(QLatin1Char('\t'), 0, 0))),
                            menu, menu->actionGeometry(a).center()) +
                             QStringLiteral(" %1").arg(a->isEnabled() ? 1 : 0);
        return;
    }
    if (!qobject_cast<QDialog*>(top))
        return;
    lines << QStringLiteral("dialog %1").arg(Clean(top->windowTitle()));
    for (QAbstractButton* b : top->findChildren<QAbstractButton*>())
        if (b->isVisible() && !b->text().isEmpty())
            // A radio or check box takes clicks only on its mark and text, which may be
            // far left of the centre of a wide box.
            lines << At(QStringLiteral("button %1").arg(Clean(b->text())), b,
                        qobject_cast<QRadioButton*>(b) || qobject_cast<QCheckBox*>(b)
                            ? QPoint(8, b->height() / 2)
                            : b->rect().center());
    for (QTabBar* tabs : top->findChildren<QTabBar*>())
        if (tabs->isVisible())
            for (int i = 0; i < tabs->count(); ++i)
                lines << At(QStringLiteral("tabpage %1").arg(Clean(tabs->tabText(i))), tabs,
                            tabs->tabRect(i).center());
    for (QLineEdit* e : top->findChildren<QLineEdit*>())
        if (e->isVisible() && !e->objectName().isEmpty())
            lines << At(QStringLiteral("edit %1").arg(e->objectName()), e, e->rect().center());
    for (QComboBox* c : top->findChildren<QComboBox*>())
        if (c->isVisible() && !c->objectName().isEmpty())
            lines << At(QStringLiteral("combo %1").arg(c->objectName()), c, c->rect().center()) +
                         QStringLiteral(" %1 %2").arg(c->isEnabled() ? 1 : 0).arg(Clean(c->currentText()));
}

} // namespace

void StartLayoutReport()
{
    auto* timer = new QTimer(qApp);
    auto* last = new QString;
    QObject::connect(timer, &QTimer::timeout, [last] {
        QStringList lines;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible())
                continue;
            if (auto* main = dynamic_cast<TfrmLayoutMain*>(top))
                ReportView(main, lines);
            else
                ReportPopup(top, lines);
        }
        PrintReportBlock(lines, *last, QStringLiteral("velmo-layout: "), QStringLiteral("begin"),
                         QStringLiteral("end"));
    });
    timer->start(150);
}

} // namespace velmo::testhost
