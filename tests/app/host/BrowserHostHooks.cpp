#include "BrowserHostHooks.h"
#include "HostReport.h"
#include "merge/FCsvBrowser.h"
#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTableView>
#include <QTextBlock>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <set>

namespace velmo::testhost {

namespace {

QString Escaped(QString s)
{
    s.replace(u'\\', QStringLiteral("\\\\"));
    s.replace(u'\n', QStringLiteral("\\n"));
    s.replace(u'\r', QStringLiteral("\\r"));
    s.replace(u'\t', QStringLiteral("\\t"));
    return s;
}

QString At(const QWidget* w, QPoint local)
{
    const QPoint g = w->mapToGlobal(local);
    return QStringLiteral("%1 %2").arg(g.x()).arg(g.y());
}

QString Box(const QWidget* w)
{
    const QPoint g = w->mapToGlobal(QPoint(0, 0));
    return QStringLiteral("%1 %2 %3 %4").arg(g.x()).arg(g.y()).arg(w->width()).arg(w->height());
}

// Every button, radio button and check box of the window: "what text X Y enabled checked".
void Controls(QWidget* window, const QString& prefix, QStringList& lines)
{
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->isVisible() || b->text().isEmpty())
            continue;
        const bool radio = qobject_cast<QRadioButton*>(b) != nullptr;
        const bool check = qobject_cast<QCheckBox*>(b) != nullptr;
        const char* kind = radio ? "radio" : check ? "check" : "button";
        // A radio button or check box answers clicks on its mark and text only, not
        // on the rest of its width.
        QPoint point = b->rect().center();
        if (radio || check) {
            QStyleOptionButton option;
            option.initFrom(b);
            option.text = b->text();
            point =
                b->style()
                    ->subElementRect(radio ? QStyle::SE_RadioButtonClickRect : QStyle::SE_CheckBoxClickRect,
                                     &option, b)
                    .center();
        }
        lines << QStringLiteral("%1%2 %3 %4 %5 %6")
                     .arg(prefix, QString::fromLatin1(kind), b->text(), At(b, point))
                     .arg(b->isEnabled() ? 1 : 0)
                     .arg(b->isChecked() ? 1 : 0);
    }
}

QString FocusLine()
{
    QWidget* f = QApplication::focusWidget();
    if (!f)
        return QStringLiteral("focus none");
    QString text;
    if (auto* b = qobject_cast<QAbstractButton*>(f))
        text = b->text();
    else if (!f->objectName().isEmpty())
        text = f->objectName();
    QString owner = QStringLiteral("other");
    for (QWidget* w = f; w; w = w->parentWidget()) {
        if (dynamic_cast<TfrmCsvJump*>(w)) {
            owner = QStringLiteral("dialog");
            break;
        }
        if (dynamic_cast<TfrmCsvBrowser*>(w)) {
            owner = QStringLiteral("browser");
            break;
        }
    }
    return QStringLiteral("focus %1 %2 %3")
        .arg(owner, QString::fromLatin1(f->metaObject()->className()), text)
        .trimmed();
}

void ReportGrid(QTableView* grid, QStringList& lines)
{
    QAbstractItemModel* model = grid->model();
    const int rows = model->rowCount(), cols = model->columnCount();
    lines << QStringLiteral("grid-size %1 %2").arg(rows).arg(cols);
    lines << QStringLiteral("grid-viewport %1").arg(Box(grid->viewport()));
    const QModelIndex cur = grid->currentIndex();
    lines << QStringLiteral("grid-current %1 %2")
                 .arg(cur.isValid() ? cur.row() : -1)
                 .arg(cur.isValid() ? cur.column() : -1);
    std::set<int> selectedRows;
    for (const QModelIndex& i : grid->selectionModel()->selectedIndexes())
        selectedRows.insert(i.row());
    QStringList sel;
    for (int r : selectedRows)
        sel << QString::number(r);
    lines << QStringLiteral("grid-selected %1").arg(sel.join(u','));
    const int first = grid->rowAt(0);
    int last = grid->rowAt(grid->viewport()->height() - 1);
    if (last < 0)
        last = rows - 1;
    lines << QStringLiteral("grid-visible %1 %2").arg(first).arg(last);
    lines << QStringLiteral("grid-vscroll %1 %2")
                 .arg(grid->verticalScrollBar()->value())
                 .arg(grid->verticalScrollBar()->maximum());
    QStringList names, widths, needs;
    const QFontMetrics fm(grid->font());
    for (int c = 0; c < cols; ++c) {
        names << model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        widths << QString::number(grid->columnWidth(c));
        // The widest text of the rows on the screen, with the cell's padding.
        int need = 0;
        for (int r = std::max(first, 0); first >= 0 && r <= last; ++r)
            need = std::max(need, fm.horizontalAdvance(model->index(r, c).data(Qt::DisplayRole).toString()));
        needs << QString::number(need);
    }
    lines << QStringLiteral("grid-names %1").arg(names.join(u'|'));
    lines << QStringLiteral("grid-widths %1").arg(widths.join(u','));
    lines << QStringLiteral("grid-text-widths %1").arg(needs.join(u','));
    if (cur.isValid()) {
        QStringList texts;
        for (int c = 0; c < cols; ++c)
            texts << Escaped(model->index(cur.row(), c).data(Qt::DisplayRole).toString());
        lines << QStringLiteral("grid-current-text %1").arg(texts.join(u'\t'));
    }
    for (int r = std::max(first, 0); first >= 0 && r <= last; ++r) {
        const QRect rect = grid->visualRect(model->index(r, 0));
        lines << QStringLiteral("row %1 %2").arg(r).arg(grid->viewport()->mapToGlobal(rect.center()).y());
    }
    for (int c = 0; c < cols; ++c) {
        const QRect rect = grid->visualRect(model->index(std::max(first, 0), c));
        if (rect.center().x() >= 0 && rect.center().x() < grid->viewport()->width())
            lines << QStringLiteral("col %1 %2").arg(c).arg(grid->viewport()->mapToGlobal(rect.center()).x());
    }
    // Column 0 of every row as the grid shows it: the order the user sees.
    QStringList col0;
    for (int r = 0; r < rows; ++r)
        col0 << model->index(r, 0).data(Qt::DisplayRole).toString();
    lines << QStringLiteral("grid-col0 %1").arg(col0.join(u','));
}

void ReportBrowser(TfrmCsvBrowser* b, QStringList& lines)
{
    lines << QStringLiteral("browser %1").arg(Box(b));
    lines << QStringLiteral("browser-title %1").arg(b->windowTitle());
    lines << QStringLiteral("view %1").arg(b->CardView() ? QStringLiteral("card") : QStringLiteral("table"));
    for (QLabel* l : b->findChildren<QLabel*>())
        if (l->isVisible() && l->text().contains(u'/'))
            lines << QStringLiteral("status %1").arg(l->text().trimmed());
    for (QCheckBox* c : b->findChildren<QCheckBox*>())
        lines << QStringLiteral("header %1 %2").arg(c->isChecked() ? 1 : 0).arg(c->isEnabled() ? 1 : 0);
    Controls(b, QString(), lines);
    if (auto* card = b->findChild<QPlainTextEdit*>(); card && card->isVisible()) {
        lines << QStringLiteral("card %1").arg(Escaped(card->toPlainText()));
        lines << QStringLiteral("card-caret %1").arg(card->textCursor().blockNumber());
        lines << QStringLiteral("card-box %1").arg(Box(card->viewport()));
        // Where each line of the card is on the screen, for clicking into a field.
        int n = 0;
        for (QTextBlock block = card->document()->firstBlock(); block.isValid(); block = block.next(), ++n) {
            QTextCursor c(block);
            const QRect r = card->cursorRect(c);
            lines << QStringLiteral("card-line %1 %2")
                         .arg(n)
                         .arg(At(card->viewport(), r.center() + QPoint(20, 0)));
        }
    }
    if (auto* grid = b->findChild<QTableView*>(); grid && grid->isVisible())
        ReportGrid(grid, lines);
}

void ReportDialog(TfrmCsvJump* d, QStringList& lines)
{
    lines << QStringLiteral("dialog %1").arg(Box(d));
    lines << QStringLiteral("dialog-title %1").arg(d->windowTitle());
    if (auto* bar = d->findChild<QTabBar*>()) {
        lines << QStringLiteral("dialog-page %1").arg(bar->currentIndex());
        for (int i = 0; i < bar->count(); ++i)
            lines << QStringLiteral("tab %1 %2 %3")
                         .arg(i)
                         .arg(bar->tabText(i), At(bar, bar->tabRect(i).center()));
    }
    Controls(d, QStringLiteral("d"), lines);
    for (QLabel* l : d->findChildren<QLabel*>())
        if (l->isVisible())
            lines << QStringLiteral("dlabel %1").arg(l->text());
    if (auto* spin = d->findChild<QSpinBox*>(); spin && spin->isVisible())
        lines << QStringLiteral("jump-value %1 %2 %3 %4")
                     .arg(spin->text())
                     .arg(spin->minimum())
                     .arg(spin->maximum())
                     .arg(spin->findChild<QLineEdit*>() ? spin->findChild<QLineEdit*>()->selectedText()
                                                        : QString());
    if (auto* text = d->findChild<QLineEdit*>(QStringLiteral("edFindText")); text && text->isVisible())
        lines << QStringLiteral("find-text %1").arg(text->text());
    if (auto* combo = d->findChild<QComboBox*>(); combo && combo->isVisible()) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        lines << QStringLiteral("sort-key %1 %2").arg(combo->currentIndex()).arg(combo->currentText());
        lines << QStringLiteral("sort-items %1").arg(items.join(u'|'));
        lines << QStringLiteral("sort-combo %1").arg(At(combo, combo->rect().center()));
    }
}

} // namespace

void StartBrowserReport()
{
    auto* timer = new QTimer(qApp);
    auto* last = new QString;
    // The event loop's longest pause while a browser is on the screen: what the user
    // feels as the window not answering.
    auto* tick = new QTimer(qApp);
    auto* sinceTick = new QElapsedTimer;
    auto* slowest = new qint64(0);
    sinceTick->start();
    tick->setInterval(10);
    QObject::connect(tick, &QTimer::timeout, [sinceTick, slowest] {
        bool browser = false;
        for (QWidget* w : QApplication::topLevelWidgets())
            browser = browser || (w->isVisible() && dynamic_cast<TfrmCsvBrowser*>(w));
        if (browser)
            *slowest = std::max(*slowest, sinceTick->elapsed());
        sinceTick->restart();
    });
    tick->start();
    QObject::connect(timer, &QTimer::timeout, [last, slowest] {
        QStringList lines;
        bool any = false;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible())
                continue;
            if (auto* b = dynamic_cast<TfrmCsvBrowser*>(w)) {
                ReportBrowser(b, lines);
                any = true;
            }
        }
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible())
                continue;
            if (auto* d = dynamic_cast<TfrmCsvJump*>(w))
                ReportDialog(d, lines);
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                lines << QStringLiteral("message %1").arg(Escaped(box->text()));
                Controls(box, QStringLiteral("m"), lines);
            }
        }
        if (!any)
            lines << QStringLiteral("browser none");
        lines << FocusLine();
        lines << QStringLiteral("slowest-ms %1").arg(*slowest);
        PrintReportBlock(lines, *last);
    });
    timer->start(150);
}

} // namespace velmo::testhost
