// The date, numbering and merge dialogs driven through their controls: the month
// steps, the applied values, the sample, the field chooser and the designer runs.
#include "barcode/FBarCodeProperty.h"
#include "barcode/ULOBarCode.h"
#include "base/UDateTime.h"
#include "document/ULabelData.h"
#include "merge/FMergeDialogs.h"
#include "merge/UCsvDB.h"
#include "merge/ULOInsertion.h"
#include "merge/UMergeSession.h"
#include "objects/ULabelObject.h"
#include "paper/UPaperInfo.h"
#include "text/FTextDialog.h"
#include "text/UDateFormat.h"
#include "text/ULODate.h"
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

// Screenshots for looking at the dialogs (VELMO_SHOTS=folder).
void Shoot(QWidget& widget, const char* name)
{
    const QByteArray folder = qgetenv("VELMO_SHOTS");
    if (folder.isEmpty())
        return;
    widget.resize(widget.sizeHint().expandedTo(QSize(640, 480)));
    widget.show();
    QApplication::processEvents();
    widget.grab().save(QString::fromLocal8Bit(folder) + u'/' + QString::fromLatin1(name) +
                       QStringLiteral(".png"));
}

class MergeDialogs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterMergeClasses();
        // Once, in the application's order: the merge designer comes last so that it
        // answers for its kinds before the text and barcode designers.
        static const bool registered = [] {
            RegisterTextDesigner();
            RegisterBarCodeDesigner();
            return true;
        }();
        (void)registered;
        FSession.SetDocument(&FDocument);
        RegisterMergeDesigner(FDesigner);
        ASSERT_TRUE(FDir.isValid());
        auto paper = std::make_unique<TMatrixPaperInfo>();
        paper->SetPortraitWidth(2100);
        paper->SetPortraitHeight(2970);
        paper->SetFaceWidth(900);
        paper->SetFaceHeight(400);
        paper->SetFaceCountX(2);
        paper->SetFaceCountY(5);
        FDocument.SetPaper(paper.get());
    }
    void TearDown() override
    {
        SetMergeDialogRunner({});
        TDesignerList::Instance().Unregister(FDesigner.get());
        TCsvDB::Instance().Close();
    }
    void OpenCsv(const QByteArray& bytes)
    {
        const QString path = FDir.filePath(QStringLiteral("d.csv"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        ASSERT_EQ(OpenMergeDataByName(TCsvDB::Instance(), FDocument, path), TMergeOpenResult::Opened);
    }
    QTemporaryDir FDir;
    TLabelData FDocument;
    TMergeSession FSession{TCsvDB::Instance()};
    std::shared_ptr<TMergeDesigner> FDesigner = std::make_shared<TMergeDesigner>(FSession);
};

double At(int y, int m, int d, int h = 0, int n = 0)
{
    return DateTimeToDayCount(QDateTime(QDate(y, m, d), QTime(h, n)));
}

} // namespace

TEST_F(MergeDialogs, DatePageStepsMonthsKeepingTheDayWithinTheMonth)
{
    TLODate date;
    date.SetDateValue(At(2024, 1, 31, 13, 45));
    TfrmDatePage page;
    page.Load(date);
    EXPECT_EQ(page.Formats()->count(), 41);
    EXPECT_EQ(page.Formats()->currentRow(), 0); // no format yet: the first
    EXPECT_EQ(page.Formats()->item(2)->text(), QStringLiteral("令和6年1月31日"));
    EXPECT_EQ(page.Hour()->value(), 13);
    EXPECT_EQ(page.Minute()->value(), 45);
    page.StepMonth(1);
    EXPECT_EQ(page.Day(), QDate(2024, 2, 29)); // leap year
    EXPECT_EQ(page.YearLabel()->text(), QStringLiteral("2024年"));
    EXPECT_EQ(page.MonthLabel()->text(), QStringLiteral("2月"));
    page.StepMonth(-2);
    EXPECT_EQ(page.Day(), QDate(2023, 12, 29));
    page.ChooseDay(31);
    page.StepMonth(2);
    EXPECT_EQ(page.Day(), QDate(2024, 2, 29));
    page.ChooseDay(8);
    page.Hour()->setValue(9);
    page.Minute()->setValue(5);
    page.Formats()->setCurrentRow(16);
    page.UpdateMode()->setCurrentIndex(2);
    EXPECT_EQ(page.Formats()->item(16)->text(), QStringLiteral("2024/2/8 9:05 AM"));
    Shoot(page, "date-page");
    page.ApplyTo(date);
    EXPECT_EQ(date.Date(), At(2024, 2, 8, 9, 5));
    EXPECT_EQ(date.Format(), DateFormatList()[16]);
    EXPECT_EQ(date.UpdateFlag(), TDateUpdateFlag::dufPrint);
    EXPECT_EQ(date.Text()->Lines(), QStringList{QStringLiteral("2024/2/8 9:05 AM")});
}

TEST_F(MergeDialogs, DateDialogThroughTheDesigner)
{
    TLODate date;
    date.SetBaseRect({0, 0, 100, 100});
    date.SetAutoSize(true);
    date.SetDateValue(At(2019, 4, 30, 8, 0));
    date.SetFormat(DateFormatList()[2]);
    QString title;
    QStringList tabs;
    SetMergeDialogRunner([&](QWidget& widget) {
        auto& dialog = static_cast<TfrmTextDialog&>(widget);
        title = dialog.windowTitle();
        for (int i = 0; i < dialog.Tabs()->count(); ++i)
            tabs << dialog.Tabs()->tabText(i);
        auto* page = static_cast<TfrmDatePage*>(dialog.Tabs()->widget(0));
        page->StepMonth(1);
        Shoot(dialog, "date-dialog");
        return int(QDialog::Accepted);
    });
    bool cancelled = true;
    TDesignerList::Instance().Edit(&date, &cancelled);
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(title, QStringLiteral("日付オブジェクトの設定"));
    EXPECT_EQ(tabs, (QStringList{"日付", "文字色", "変形", "影", "縁取り", "位置"}));
    EXPECT_EQ(date.Text()->Lines(), QStringList{QStringLiteral("令和1年5月30日")});
    // Cancel changes nothing.
    SetMergeDialogRunner([](QWidget&) { return int(QDialog::Rejected); });
    TDesignerList::Instance().Edit(&date, &cancelled);
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(date.Text()->Lines(), QStringList{QStringLiteral("令和1年5月30日")});
}

TEST_F(MergeDialogs, NumberingPageSampleAndApply)
{
    TLONumbering numbering;
    numbering.SetStartNumber(1);
    numbering.SetStepCount(1);
    TfrmNumberingPage page;
    page.Load(numbering, true);
    EXPECT_EQ(page.Title()->text(), QStringLiteral("ナンバリングの追加"));
    EXPECT_EQ(page.SampleList()->count(), 10);
    EXPECT_EQ(page.SampleList()->item(9)->text(), QStringLiteral("10"));
    page.Start()->setValue(1000);
    page.Step()->setValue(-250);
    page.Places()->setValue(6);
    page.Comma()->setChecked(true);
    page.Header()->setText(QStringLiteral("No."));
    page.Footer()->setText(QStringLiteral("番"));
    EXPECT_EQ(page.SampleList()->item(0)->text(), QStringLiteral("No.01,000番"));
    EXPECT_EQ(page.SampleList()->item(8)->text(), QStringLiteral("No.-01,000番"));
    Shoot(page, "numbering-page");
    page.ApplyTo(numbering, 3);
    EXPECT_EQ(numbering.CurNumber(), 3);
    EXPECT_EQ(numbering.Text()->Lines(), QStringList{QStringLiteral("No.000250番")});
    EXPECT_EQ(numbering.LockCount(), 6);
    EXPECT_TRUE(numbering.CommaEnable());
}

TEST_F(MergeDialogs, NumberingDialogUsesTheCurrentLabel)
{
    FDocument.SetCurrentLabelNo(4);
    TLONumbering numbering;
    numbering.SetBaseRect({0, 0, 100, 100});
    numbering.SetStartNumber(1);
    numbering.SetStepCount(1);
    SetMergeDialogRunner([](QWidget& widget) {
        auto& dialog = static_cast<TfrmTextDialog&>(widget);
        Shoot(dialog, "numbering-dialog");
        return int(QDialog::Accepted);
    });
    bool cancelled = true;
    TDesignerList::Instance().Edit(&numbering, &cancelled);
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(numbering.Text()->Lines(), QStringList{QStringLiteral("5")});
}

TEST_F(MergeDialogs, FieldChooserShowsNamesAndTheReferenceRecord)
{
    OpenCsv("名前,住所\n山田,東京\n佐藤,大阪\n");
    TCsvDB::Instance().SetHasHeader(true);
    TfrmInsertionPanel panel(TCsvDB::Instance());
    panel.Load(1, true);
    EXPECT_EQ(panel.Title()->text(), QStringLiteral("差込み文字の追加"));
    ASSERT_EQ(panel.FieldList()->count(), 2);
    EXPECT_EQ(panel.FieldList()->item(0)->text(), QStringLiteral("[名前]山田"));
    EXPECT_EQ(panel.FieldList()->currentRow(), 1);
    EXPECT_EQ(panel.RecordLabel()->text(), QStringLiteral("1/2件"));
    panel.RecordBar()->setValue(1);
    EXPECT_EQ(panel.FieldList()->item(1)->text(), QStringLiteral("[住所]大阪"));
    EXPECT_EQ(panel.RecordLabel()->text(), QStringLiteral("2/2件"));
    EXPECT_EQ(panel.ReferenceValue(), QStringLiteral("大阪"));
    EXPECT_EQ(panel.RecordBar()->pageStep(), 10);
    Shoot(panel, "field-chooser");
}

TEST_F(MergeDialogs, MergeTextTakesTheCurrentLabelsRecord)
{
    OpenCsv("a,b\nc,d\n");
    FDocument.SetCurrentLabelNo(1);
    TLOInsText text;
    text.SetBaseRect({0, 0, 100, 100});
    SetMergeDialogRunner([](QWidget& widget) {
        auto& dialog = static_cast<TfrmTextDialog&>(widget);
        auto* panel = static_cast<TfrmInsertionPanel*>(dialog.Tabs()->widget(0));
        panel->FieldList()->setCurrentRow(1);
        Shoot(dialog, "merge-text-dialog");
        return int(QDialog::Accepted);
    });
    bool cancelled = true;
    TDesignerList::Instance().Edit(&text, &cancelled);
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(text.InsertionField(), 1);
    EXPECT_EQ(text.Text()->Lines(), QStringList{QStringLiteral("d")});
    // A label beyond the records shows the empty value.
    FDocument.SetCurrentLabelNo(5);
    TDesignerList::Instance().Edit(&text, &cancelled);
    EXPECT_EQ(text.Text()->Lines(), QStringList{QStringLiteral("\u3000\u3000\u3000")});
}

TEST_F(MergeDialogs, MergeTextTakesTheBrowsedRecordWhileTheUserBrowses)
{
    OpenCsv("a,b\nc,d\ne,f\n");
    FDocument.SetCurrentLabelNo(0);
    ASSERT_TRUE(FSession.Cursor().JumpTo(0, 2)); // the user browsed to record 2
    TLOInsText text;
    text.SetBaseRect({0, 0, 100, 100});
    SetMergeDialogRunner([](QWidget& widget) {
        auto& dialog = static_cast<TfrmTextDialog&>(widget);
        static_cast<TfrmInsertionPanel*>(dialog.Tabs()->widget(0))->FieldList()->setCurrentRow(1);
        return int(QDialog::Accepted);
    });
    bool cancelled = true;
    TDesignerList::Instance().Edit(&text, &cancelled);
    FSession.Cursor().Reset();
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(text.Text()->Lines(), QStringList{QStringLiteral("f")})
        << "the record the label shows, not label 0's";
    TDesignerList::Instance().Edit(&text, &cancelled);
    EXPECT_EQ(text.Text()->Lines(), QStringList{QStringLiteral("b")})
        << "without browsing: the label's own record";
}

TEST_F(MergeDialogs, MergeBarcodeCopiesTheReferenceValueIntoTheCodeBox)
{
    OpenCsv("NB0001,x\nNB0002,y\n");
    TLOInsBarCode code;
    code.SetBaseRect({0, 0, 500, 150});
    code.SetBarKind(bkCode39);
    QString entry;
    SetMergeDialogRunner([&](QWidget& widget) {
        auto& dialog = static_cast<TfrmBarCodeProperty&>(widget);
        auto* panel = static_cast<TfrmInsertionPanel*>(dialog.Pages()->widget(0));
        panel->RecordBar()->setValue(1);
        panel->FieldList()->setCurrentRow(0);
        entry = dialog.Entry()->text();
        Shoot(dialog, "merge-barcode-dialog");
        return int(QDialog::Accepted);
    });
    bool cancelled = true;
    TDesignerList::Instance().Edit(&code, &cancelled);
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(entry, QStringLiteral("NB0002"));
    EXPECT_EQ(code.JANCode(), QStringLiteral("NB0002"));
    EXPECT_EQ(code.InsertionField(), 0);
}

TEST_F(MergeDialogs, MergeKindsWithoutMergeDataAskForItAndCancelEndsTheEdit)
{
    // The document has no merge data and choosing it is cancelled: no dialog opens.
    ASSERT_TRUE(FDocument.CSVFile().isEmpty());
    bool ran = false;
    SetMergeDialogRunner([&](QWidget&) {
        ran = true;
        return int(QDialog::Accepted);
    });
    FDesigner->SetDataChooser([](QWidget*) { return false; });
    TLOInsImage image;
    bool cancelled = false;
    TDesignerList::Instance().Edit(&image, &cancelled);
    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(ran);
    FDesigner->SetDataChooser({});
}
