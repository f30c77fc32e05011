// The record browser and its jump, find and sort dialog, driven through their
// controls on a 1,000-record file.
#include "merge/FCsvBrowser.h"
#include "merge/UCsvDB.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

template <class W> W* Child(QWidget* parent, const QString& text)
{
    for (W* w : parent->findChildren<W*>())
        if (w->text() == text)
            return w;
    return nullptr;
}

QLabel* Status(QWidget* browser)
{
    for (QLabel* l : browser->findChildren<QLabel*>())
        if (l->text().contains(u'/'))
            return l;
    return nullptr;
}

class Browser : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QByteArray csv = "番号,名前\n";
        for (int i = 1; i <= 1000; ++i)
            csv += QStringLiteral("%1,名前%2\n").arg(i).arg(1000 - i, 4, 10, QChar(u'0')).toUtf8();
        const QString path = FDir.filePath("b.csv");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(csv);
        f.close();
        TCsvDB::Instance().Close();
        TCsvDB::Instance().Open(path);
    }
    void TearDown() override { TCsvDB::Instance().Close(); }
    QTemporaryDir FDir;
};

} // namespace

TEST_F(Browser, NavigationHeaderAndStatus)
{
    TCsvDB& db = TCsvDB::Instance();
    TfrmCsvBrowser browser(db);
    ASSERT_NE(Status(&browser), nullptr);
    EXPECT_EQ(Status(&browser)->text(), QStringLiteral("1/1001　　"));
    EXPECT_FALSE(Child<QPushButton>(&browser, "先頭")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(&browser, "前へ")->isEnabled());
    Child<QPushButton>(&browser, "末尾")->click();
    EXPECT_EQ(browser.Current(), 1000);
    EXPECT_FALSE(Child<QPushButton>(&browser, "次へ")->isEnabled());
    Child<QPushButton>(&browser, "前へ")->click();
    EXPECT_EQ(Status(&browser)->text(), QStringLiteral("1000/1001　　"));
    // The card shows the fields one per line.
    browser.SetCurrent(1);
    auto* card = browser.findChild<QPlainTextEdit*>();
    EXPECT_EQ(card->toPlainText(), QStringLiteral("1\n名前0999"));

    QCheckBox* header = Child<QCheckBox>(&browser, "1件目を項目名にする(&F)");
    ASSERT_TRUE(header->isEnabled());
    header->click();
    EXPECT_TRUE(db.HasHeader());
    EXPECT_EQ(db.FieldNames(), QStringList({"番号", "名前"}));
    EXPECT_EQ(Status(&browser)->text(), QStringLiteral("2/1000　　"));

    // The grid: field names as the column headers, numbers from 1.
    browser.SetCardView(false);
    auto* grid = browser.findChild<QTableView*>();
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), "名前");
    EXPECT_EQ(grid->model()->headerData(0, Qt::Vertical).toInt(), 1);
    grid->setCurrentIndex(grid->model()->index(7, 1));
    EXPECT_EQ(browser.Current(), 7);
    EXPECT_EQ(browser.SelectedField(), 1);
}

TEST_F(Browser, CancelRestoresOrderAndHeader)
{
    TCsvDB& db = TCsvDB::Instance();
    db.Sort(1, false); // 名前 ascending: the file's last line first
    const int firstLine = db.LineIndexAt(0);
    {
        TfrmCsvBrowser browser(db);
        Child<QCheckBox>(&browser, "1件目を項目名にする(&F)")->click();
        db.Sort(0, true);
        browser.reject();
    }
    EXPECT_FALSE(db.HasHeader());
    EXPECT_EQ(db.LineIndexAt(0), firstLine);
    EXPECT_EQ(db.Count(), 1001);
}

TEST_F(Browser, JumpFindAndSortPages)
{
    TCsvDB& db = TCsvDB::Instance();
    db.SetHasHeader(true);
    {
        TfrmCsvJump dialog(db, 0, 1);
        dialog.SetPage(TfrmCsvJump::pgJump);
        EXPECT_NE(Child<QLabel>(&dialog, QStringLiteral("1～1000の範囲で指定できます。")), nullptr);
        auto* number = dialog.findChild<QSpinBox*>();
        EXPECT_EQ(number->maximum(), 1000);
        number->setValue(250);
        dialog.accept();
        EXPECT_EQ(dialog.Result(), 249);
    }
    {
        // The number entered last is proposed next time.
        TfrmCsvJump dialog(db, 0, 1);
        EXPECT_EQ(dialog.findChild<QSpinBox*>()->value(), 250);
    }
    {
        TfrmCsvJump dialog(db, 0, 1);
        dialog.SetPage(TfrmCsvJump::pgFind);
        EXPECT_NE(Child<QRadioButton>(&dialog, QStringLiteral("[名前]から")), nullptr);
        dialog.findChild<QLineEdit*>(QStringLiteral("edFindText"))->setText(QStringLiteral("名前0500"));
        Child<QRadioButton>(&dialog, QStringLiteral("末尾方向"))->setChecked(true);
        dialog.accept();
        EXPECT_EQ(dialog.Result(), 499);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    {
        // No match: the message, and the dialog stays open.
        TfrmCsvJump dialog(db, 0, 1);
        dialog.SetPage(TfrmCsvJump::pgFind);
        EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("edFindText"))->text(),
                  QStringLiteral("名前0500")); // remembered
        dialog.findChild<QLineEdit*>(QStringLiteral("edFindText"))->setText(QStringLiteral("ありえない"));
        bool messageSeen = false;
        // The search pumps events while it runs, so wait for the box itself.
        QTimer closer;
        closer.setInterval(10);
        QObject::connect(&closer, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    messageSeen = box->text() == QStringLiteral("一致するデータはありません");
                    box->close();
                    closer.stop();
                }
        });
        closer.start();
        dialog.accept();
        EXPECT_TRUE(messageSeen);
        EXPECT_EQ(dialog.Result(), -1);
        EXPECT_NE(dialog.result(), QDialog::Accepted);
    }
    {
        TfrmCsvJump dialog(db, 0, 1);
        dialog.SetPage(TfrmCsvJump::pgSort);
        EXPECT_EQ(dialog.findChild<QComboBox*>()->currentIndex(), 1);
        Child<QRadioButton>(&dialog, QStringLiteral("降順(&D)"))->setChecked(true);
        dialog.accept();
        EXPECT_EQ(db.RecordAt(0).Get(1), QStringLiteral("名前0999"));
        EXPECT_EQ(db.RecordAt(999).Get(1), QStringLiteral("名前0000"));
    }
}

namespace {

// A small file of its own: record 1 holds an address of three lines (LF and CR LF
// inside the quotes) followed by a memo.
class SmallBrowser : public ::testing::Test
{
protected:
    void Open(const QByteArray& csv)
    {
        const QString path = FDir.filePath("s.csv");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(csv);
        f.close();
        TCsvDB::Instance().Close();
        TCsvDB::Instance().Open(path);
    }
    void TearDown() override { TCsvDB::Instance().Close(); }
    QTemporaryDir FDir;
};

const QByteArray kAddresses = "名前,住所,メモ\r\n"
                              "山田,\"東京都\n千代田区\r\n1-2-3\",至急\r\n"
                              "鈴木,大阪府,午前中\r\n"
                              "佐藤,\r\n";

} // namespace

TEST_F(SmallBrowser, TheCardCaretNamesTheFieldAlsoAfterLineBreaksInAField)
{
    Open(kAddresses);
    TCsvDB& db = TCsvDB::Instance();
    db.SetHasHeader(true);
    TfrmCsvBrowser browser(db);
    browser.SetCardView(true);
    browser.SetCurrent(0);
    auto* card = browser.findChild<QPlainTextEdit*>();
    ASSERT_NE(card, nullptr);
    // The CR LF inside the field is one line break on the card, like the LF.
    ASSERT_EQ(card->toPlainText(), QStringLiteral("山田\n東京都\n千代田区\n1-2-3\n至急"));
    const int want[] = {0, 1, 1, 1, 2};
    for (int line = 0; line < 5; ++line) {
        QTextCursor cursor(card->document()->findBlockByNumber(line));
        card->setTextCursor(cursor);
        EXPECT_EQ(browser.SelectedField(), want[line]) << "card line " << line;
    }
    // The find page offers the field the caret is in.
    browser.SetCurrent(0);
    card->setTextCursor(QTextCursor(card->document()->findBlockByNumber(4)));
    TfrmCsvJump dialog(db, browser.Current(), browser.SelectedField());
    EXPECT_NE(Child<QRadioButton>(&dialog, QStringLiteral("[メモ]から")), nullptr);
}

TEST_F(SmallBrowser, GridCellsMarkLineBreaksAndKeepTheWholeTextAsTooltip)
{
    Open(kAddresses);
    TCsvDB& db = TCsvDB::Instance();
    db.SetHasHeader(true);
    TfrmCsvBrowser browser(db);
    browser.SetCardView(false);
    auto* grid = browser.findChild<QTableView*>();
    QAbstractItemModel* model = grid->model();
    EXPECT_EQ(model->index(0, 1).data().toString(), QStringLiteral("東京都 \u21B5 千代田区 \u21B5 1-2-3"));
    EXPECT_EQ(model->index(0, 1).data(Qt::ToolTipRole).toString(),
              QStringLiteral("東京都\n千代田区\r\n1-2-3"));
    EXPECT_EQ(model->index(1, 1).data().toString(), QStringLiteral("大阪府"));
    EXPECT_FALSE(model->index(1, 1).data(Qt::ToolTipRole).isValid());
    // A row shorter than the others shows empty cells, not an error.
    EXPECT_EQ(model->index(2, 0).data().toString(), QStringLiteral("佐藤"));
    EXPECT_EQ(model->index(2, 2).data().toString(), QString());
}

TEST_F(SmallBrowser, ColumnsFitTheirTextsWithinBounds)
{
    QByteArray csv = "番号,区分,会社,住所\n";
    const QString company = QStringLiteral("株式会社ベルモ商事東京支店");
    const QString longAddress =
        QStringLiteral("北海道札幌市中央区北一条西二丁目三番地四号五六七八九十ビル十一階");
    for (int i = 1; i <= 50; ++i)
        csv += QStringLiteral("%1,ア,%2,%3\n")
                   .arg(i, 4, 10, QChar(u'0'))
                   .arg(i == 7 ? company : QStringLiteral("ベルモ"),
                        i == 30 ? longAddress : QStringLiteral("東京都"))
                   .toUtf8();
    Open(csv);
    TCsvDB& db = TCsvDB::Instance();
    db.SetHasHeader(true);
    TfrmCsvBrowser browser(db);
    browser.SetCardView(false);
    auto* grid = browser.findChild<QTableView*>();
    grid->horizontalHeader()->setStretchLastSection(false);
    const QFontMetrics cells(grid->font());
    const QFontMetrics names(grid->horizontalHeader()->font());
    // Each short column holds its widest text and its name.
    EXPECT_GE(grid->columnWidth(0), cells.horizontalAdvance(QStringLiteral("0050")));
    EXPECT_GE(grid->columnWidth(0), names.horizontalAdvance(QStringLiteral("番号")));
    EXPECT_GE(grid->columnWidth(1), names.horizontalAdvance(QStringLiteral("区分")));
    // A short column is not made wide for nothing.
    EXPECT_LT(grid->columnWidth(1), 3 * names.horizontalAdvance(QStringLiteral("区分")) + 40);
    // A company name of a dozen characters is shown whole.
    EXPECT_GE(grid->columnWidth(2), cells.horizontalAdvance(company));
    // The one very long address does not take the whole window.
    EXPECT_LT(grid->columnWidth(3), cells.horizontalAdvance(longAddress));
    EXPECT_GE(grid->columnWidth(3), cells.horizontalAdvance(QStringLiteral("東京都")));

    // Switching the header off brings the generated names and widths for them.
    Child<QCheckBox>(&browser, "1件目を項目名にする(&F)")->click();
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("項目1"));
    EXPECT_GE(grid->columnWidth(0), names.horizontalAdvance(QStringLiteral("項目1")));
}

TEST_F(SmallBrowser, WithoutRecordsJumpFindAndSortAreOff)
{
    Open("名前,住所\n");
    TCsvDB& db = TCsvDB::Instance();
    db.SetHasHeader(true);
    ASSERT_EQ(db.Count(), 0);
    TfrmCsvBrowser browser(db);
    EXPECT_EQ(Status(&browser)->text(), QStringLiteral("0/0　　"));
    for (const char* name : {"指定", "検索", "ソート", "先頭", "前へ", "次へ", "末尾"})
        EXPECT_FALSE(Child<QPushButton>(&browser, QString::fromUtf8(name))->isEnabled()) << name;
    // The header can still be switched off: the names line becomes the one record,
    // and the commands come back.
    QCheckBox* header = Child<QCheckBox>(&browser, "1件目を項目名にする(&F)");
    ASSERT_TRUE(header->isEnabled());
    header->click();
    EXPECT_EQ(Status(&browser)->text(), QStringLiteral("1/1　　"));
    EXPECT_TRUE(Child<QPushButton>(&browser, "指定")->isEnabled());
    EXPECT_EQ(browser.SelectedField(), 0);
}

TEST_F(Browser, DialogPagesStartWithTheirFieldSelected)
{
    TCsvDB& db = TCsvDB::Instance();
    {
        TfrmCsvJump dialog(db, 0, 1);
        dialog.SetPage(TfrmCsvJump::pgJump);
        auto* number = dialog.findChild<QSpinBox*>();
        number->setValue(321);
        dialog.accept();
    }
    {
        // The jump page was the first page already: its field still takes the
        // keyboard, with the proposed number selected so that typing replaces it.
        TfrmCsvJump dialog(db, 0, 1);
        dialog.SetPage(TfrmCsvJump::pgJump);
        auto* number = dialog.findChild<QSpinBox*>();
        EXPECT_EQ(dialog.focusWidget(), number);
        EXPECT_EQ(number->findChild<QLineEdit*>()->selectedText(), QStringLiteral("321"));
    }
    {
        TfrmCsvJump dialog(db, 0, 1);
        auto* text = dialog.findChild<QLineEdit*>(QStringLiteral("edFindText"));
        text->setText(QStringLiteral("前回の文字"));
        dialog.SetPage(TfrmCsvJump::pgFind);
        EXPECT_EQ(dialog.focusWidget(), text);
        EXPECT_EQ(text->selectedText(), QStringLiteral("前回の文字"));
        dialog.SetPage(TfrmCsvJump::pgSort);
        EXPECT_EQ(dialog.focusWidget(), dialog.findChild<QComboBox*>());
    }
}

TEST_F(Browser, ARecordFarAwayIsShownAmidItsNeighbours)
{
    TCsvDB& db = TCsvDB::Instance();
    TfrmCsvBrowser browser(db);
    browser.SetCardView(false);
    browser.SetCurrent(0);
    browser.show();
    QApplication::processEvents();
    auto* grid = browser.findChild<QTableView*>();
    browser.SetCurrent(500);
    QApplication::processEvents();
    const int first = grid->rowAt(0);
    const int last = grid->rowAt(grid->viewport()->height() - 1);
    ASSERT_GE(first, 0);
    EXPECT_LT(first + 2, 500);
    EXPECT_GT(last - 2, 500);
    // One step down from the last row on the screen scrolls by one row only.
    browser.SetCurrent(last);
    QApplication::processEvents();
    const int before = grid->rowAt(0);
    browser.SetCurrent(last + 1);
    QApplication::processEvents();
    EXPECT_EQ(grid->rowAt(0), before + 1);
    EXPECT_TRUE(grid->viewport()->rect().contains(grid->visualRect(grid->model()->index(last + 1, 0))));
}

TEST_F(SmallBrowser, PageKeysMoveTheCardBetweenRecordsAndTheFieldStays)
{
    Open(kAddresses);
    TCsvDB& db = TCsvDB::Instance();
    db.SetHasHeader(true);
    TfrmCsvBrowser browser(db);
    browser.SetCardView(true);
    browser.SetCurrent(0);
    auto* card = browser.findChild<QPlainTextEdit*>();
    auto press = [card](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent down(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(card, &down);
    };
    card->setTextCursor(QTextCursor(card->document()->findBlockByNumber(4))); // 至急
    ASSERT_EQ(browser.SelectedField(), 2);
    press(Qt::Key_PageDown);
    EXPECT_EQ(browser.Current(), 1);
    EXPECT_EQ(Status(&browser)->text(), QStringLiteral("2/3　　"));
    // Record 2's memo is its third line: the caret went there, not to the top.
    EXPECT_EQ(card->textCursor().blockNumber(), 2);
    EXPECT_EQ(browser.SelectedField(), 2);
    // Record 3 has one field: the caret goes to it, and the memo field is still the
    // one chosen when the next record has it again.
    press(Qt::Key_PageDown);
    EXPECT_EQ(browser.Current(), 2);
    EXPECT_EQ(card->toPlainText(), QStringLiteral("佐藤"));
    EXPECT_EQ(card->textCursor().blockNumber(), 0);
    EXPECT_EQ(browser.SelectedField(), 2);
    press(Qt::Key_PageDown); // at the last record: stays
    EXPECT_EQ(browser.Current(), 2);
    press(Qt::Key_PageUp);
    press(Qt::Key_PageUp);
    EXPECT_EQ(browser.Current(), 0);
    EXPECT_EQ(card->textCursor().blockNumber(), 4);
    press(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(browser.Current(), 2);
    press(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(browser.Current(), 0);
    // Plain Home and End still move the caret within the card, and the arrow keys
    // take it from field to field.
    press(Qt::Key_End);
    EXPECT_EQ(browser.Current(), 0);
    press(Qt::Key_Up);
    EXPECT_EQ(card->textCursor().blockNumber(), 3);
    EXPECT_EQ(browser.SelectedField(), 1);
    press(Qt::Key_Down);
    EXPECT_EQ(browser.SelectedField(), 2);

    // The grid takes the field over as its current column, and back.
    browser.SetCardView(false);
    auto* grid = browser.findChild<QTableView*>();
    EXPECT_EQ(grid->currentIndex().column(), 2);
    grid->setCurrentIndex(grid->model()->index(1, 1));
    browser.SetCardView(true);
    EXPECT_EQ(browser.Current(), 1);
    EXPECT_EQ(card->textCursor().blockNumber(), 1);
    EXPECT_EQ(browser.SelectedField(), 1);
}
