// The record browser and its jump, find and sort dialog, driven through their
// controls on a 1,000-record file.
#include "merge/FCsvBrowser.h"
#include "merge/UCsvDB.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
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
        EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("edFindText"))->text(), QStringLiteral("名前0500")); // remembered
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
