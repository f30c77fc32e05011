// The insertion controller: which record the label shows while the user browses, its
// bounds with no, one and many records and beyond the last record, sort and find
// keeping the shown record, the header switch, a new link forgetting the choice, the
// keys and buttons of the window, and the layout view showing the chosen record
// without a change mark or an undo step.
#include "document/ULabelData.h"
#include "draw/FDrawSite.h"
#include "draw/UDOAction.h"
#include "imaging/UResourceImage.h"
#include "imaging/UWindowPictures.h"
#include "layout/FLayout.h"
#include "merge/FInsertionController.h"
#include "merge/FMergeDialogs.h"
#include "merge/UCsvDB.h"
#include "merge/UInsertionCursor.h"
#include "merge/ULOInsertion.h"
#include "merge/UMergeSession.h"
#include "objects/UDOGroup.h"
#include "objects/UGhostDesigners.h"
#include "objects/ULDObjects.h"
#include "objects/ULOCreator.h"
#include "paper/UPaperInfo.h"
#include "support/TestSupport.h"
#include "text/ULODate.h"
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

// Names in an order that sorting changes: record n (0-based) holds "名前<n>" with a
// sort key that runs backwards.
QByteArray Records(int count)
{
    QByteArray csv;
    for (int n = 0; n < count; ++n)
        csv += QStringLiteral("名前%1,%2\n").arg(n).arg(count - n, 4, 10, QChar(u'0')).toUtf8();
    return csv;
}

class InsertionCursor : public ::testing::Test
{
protected:
    void TearDown() override { TCsvDB::Instance().Close(); }
    void Link(const QByteArray& content, const QString& name = QStringLiteral("m.csv"))
    {
        const QString path = FDir.filePath(name);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        TCsvDB::Instance().Close();
        TCsvDB::Instance().Open(path);
    }
    QString NameShown(TInsertionCursor& cursor, int position)
    {
        const int n = cursor.RecordFor(position);
        return n < TCsvDB::Instance().Count() ? TCsvDB::Instance().RecordCopy(n).Get(0) : QString();
    }
    QTemporaryDir FDir;
};

TEST_F(InsertionCursor, EachPositionShowsItsOwnRecordUntilTheUserBrowses)
{
    Link(Records(5));
    TInsertionCursor cursor(TCsvDB::Instance());
    EXPECT_FALSE(cursor.Browsing());
    EXPECT_EQ(cursor.RecordFor(0), 0);
    EXPECT_EQ(cursor.RecordFor(3), 3);
    EXPECT_EQ(cursor.StatusText(3), QStringLiteral("4 / 5"));
    ASSERT_TRUE(cursor.Next(3));
    EXPECT_TRUE(cursor.Browsing());
    // Once chosen, every position shows the chosen record.
    EXPECT_EQ(cursor.RecordFor(0), 4);
    EXPECT_EQ(cursor.RecordFor(7), 4);
    cursor.Reset();
    EXPECT_EQ(cursor.RecordFor(2), 2);
}

TEST_F(InsertionCursor, StepsStopAtTheFirstAndLastRecord)
{
    Link(Records(5));
    TInsertionCursor cursor(TCsvDB::Instance());
    EXPECT_FALSE(cursor.CanStepBack(0));
    EXPECT_TRUE(cursor.CanStepForward(0));
    EXPECT_FALSE(cursor.Prior(0));
    EXPECT_FALSE(cursor.First(0)) << "position 0 already shows the first record";
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(cursor.Next(0)) << i;
    EXPECT_EQ(cursor.RecordFor(0), 4);
    EXPECT_FALSE(cursor.Next(0));
    EXPECT_FALSE(cursor.CanStepForward(0));
    EXPECT_FALSE(cursor.Last(0));
    EXPECT_EQ(cursor.StatusText(0), QStringLiteral("5 / 5"));
    EXPECT_TRUE(cursor.Prior(0));
    EXPECT_EQ(cursor.RecordFor(0), 3);
    EXPECT_TRUE(cursor.First(0));
    EXPECT_EQ(cursor.RecordFor(0), 0);
    EXPECT_TRUE(cursor.Last(0));
    EXPECT_EQ(cursor.RecordFor(0), 4);
    EXPECT_TRUE(cursor.JumpTo(0, 2));
    EXPECT_EQ(cursor.RecordFor(0), 2);
    // Numbers out of range land on the ends, never outside.
    EXPECT_TRUE(cursor.JumpTo(0, 99));
    EXPECT_EQ(cursor.RecordFor(0), 4);
    EXPECT_TRUE(cursor.JumpTo(0, -5));
    EXPECT_EQ(cursor.RecordFor(0), 0);
}

TEST_F(InsertionCursor, APositionBeyondTheRecordsStepsBackToTheLast)
{
    Link(Records(5));
    TInsertionCursor cursor(TCsvDB::Instance());
    // Position 7 prints with an empty record.
    EXPECT_EQ(cursor.RecordFor(7), 7);
    EXPECT_EQ(cursor.StatusText(7), QStringLiteral("－ / 5"));
    EXPECT_FALSE(cursor.CanStepForward(7));
    EXPECT_FALSE(cursor.Next(7));
    EXPECT_TRUE(cursor.CanStepBack(7));
    ASSERT_TRUE(cursor.Prior(7));
    EXPECT_EQ(cursor.RecordFor(7), 4);
}

TEST_F(InsertionCursor, AnEmptyFileHasNothingToStepTo)
{
    Link(QByteArray());
    TInsertionCursor cursor(TCsvDB::Instance());
    EXPECT_EQ(cursor.Count(), 0);
    EXPECT_FALSE(cursor.HasRecords());
    EXPECT_EQ(cursor.StatusText(0), QStringLiteral("0 / 0"));
    EXPECT_FALSE(cursor.CanStepBack(0));
    EXPECT_FALSE(cursor.CanStepForward(0));
    EXPECT_FALSE(cursor.First(0));
    EXPECT_FALSE(cursor.Prior(0));
    EXPECT_FALSE(cursor.Next(0));
    EXPECT_FALSE(cursor.Last(0));
    EXPECT_FALSE(cursor.JumpTo(0, 3));
    EXPECT_FALSE(cursor.Browsing());
}

TEST_F(InsertionCursor, NoMergeDataIsLikeAnEmptyFile)
{
    TCsvDB::Instance().Close();
    TInsertionCursor cursor(TCsvDB::Instance());
    EXPECT_EQ(cursor.StatusText(2), QStringLiteral("0 / 0"));
    EXPECT_FALSE(cursor.Next(0));
    EXPECT_FALSE(cursor.Last(0));
}

TEST_F(InsertionCursor, OneRecord)
{
    Link("ただ一人,1\n");
    TInsertionCursor cursor(TCsvDB::Instance());
    EXPECT_EQ(cursor.StatusText(0), QStringLiteral("1 / 1"));
    EXPECT_FALSE(cursor.CanStepBack(0));
    EXPECT_FALSE(cursor.CanStepForward(0));
    EXPECT_FALSE(cursor.Next(0));
    EXPECT_FALSE(cursor.Prior(0));
    EXPECT_FALSE(cursor.JumpTo(0, 5));
    EXPECT_EQ(cursor.RecordFor(0), 0);
    // From the second position (no record) back to the one record.
    cursor.Reset();
    EXPECT_EQ(cursor.StatusText(1), QStringLiteral("－ / 1"));
    EXPECT_TRUE(cursor.Prior(1));
    EXPECT_EQ(cursor.RecordFor(1), 0);
}

TEST_F(InsertionCursor, ASortKeepsTheChosenRecordOnTheLabel)
{
    Link(Records(6));
    TInsertionCursor cursor(TCsvDB::Instance());
    ASSERT_TRUE(cursor.JumpTo(0, 1));
    ASSERT_EQ(NameShown(cursor, 0), QStringLiteral("名前1"));
    // The second field runs backwards: ascending puts record 5 first.
    TCsvDB::Instance().Sort(1, false);
    EXPECT_EQ(NameShown(cursor, 0), QStringLiteral("名前1"));
    EXPECT_EQ(cursor.RecordFor(0), 4);
    EXPECT_EQ(cursor.StatusText(0), QStringLiteral("5 / 6"));
    // The steps go on from its new place.
    ASSERT_TRUE(cursor.Next(0));
    EXPECT_EQ(NameShown(cursor, 0), QStringLiteral("名前0"));
}

TEST_F(InsertionCursor, PinBeforeASortFollowsThePositionsOwnRecord)
{
    Link(Records(6));
    TInsertionCursor cursor(TCsvDB::Instance());
    cursor.Pin(2);
    TCsvDB::Instance().Sort(1, false);
    EXPECT_EQ(NameShown(cursor, 2), QStringLiteral("名前2"));
    EXPECT_EQ(cursor.RecordFor(2), 3);
    // A position with no record has nothing to pin.
    cursor.Reset();
    cursor.Pin(9);
    EXPECT_FALSE(cursor.Browsing());
}

TEST_F(InsertionCursor, TheHeaderSwitchKeepsTheRecordOrItsPlace)
{
    Link("氏名,番号\n山田,1\n鈴木,2\n佐藤,3\n");
    TInsertionCursor cursor(TCsvDB::Instance());
    ASSERT_TRUE(cursor.JumpTo(0, 2));
    ASSERT_EQ(NameShown(cursor, 0), QStringLiteral("鈴木"));
    TCsvDB::Instance().SetHasHeader(true);
    EXPECT_EQ(NameShown(cursor, 0), QStringLiteral("鈴木"));
    EXPECT_EQ(cursor.StatusText(0), QStringLiteral("2 / 3"));
    TCsvDB::Instance().SetHasHeader(false);
    EXPECT_EQ(NameShown(cursor, 0), QStringLiteral("鈴木"));
    // The names line chosen, then made the header: the first record takes its place.
    ASSERT_TRUE(cursor.First(0));
    TCsvDB::Instance().SetHasHeader(true);
    EXPECT_EQ(NameShown(cursor, 0), QStringLiteral("山田"));
    EXPECT_EQ(cursor.StatusText(0), QStringLiteral("1 / 3"));
}

TEST_F(InsertionCursor, ANewLinkForgetsTheChoiceEvenForTheSameFile)
{
    Link(Records(6));
    TInsertionCursor cursor(TCsvDB::Instance());
    ASSERT_TRUE(cursor.Last(0));
    ASSERT_TRUE(cursor.Browsing());
    Link(Records(3), QStringLiteral("other.csv"));
    EXPECT_FALSE(cursor.Browsing());
    EXPECT_EQ(cursor.RecordFor(1), 1);
    ASSERT_TRUE(cursor.Last(0));
    // The same file read again may hold other records.
    TCsvDB::Instance().Open(FDir.filePath(QStringLiteral("other.csv")));
    EXPECT_FALSE(cursor.Browsing());
    ASSERT_TRUE(cursor.Last(0));
    TCsvDB::Instance().Close();
    EXPECT_FALSE(cursor.Browsing());
    EXPECT_EQ(cursor.StatusText(0), QStringLiteral("0 / 0"));
}

// ---------------------------------------------------------------------------------
// The window

class InsertionController : public InsertionCursor
{
protected:
    void SetUp() override
    {
        SetResourceFileResolver([](const QString& resFile) {
            return velmo::test::BinaryDir() + QStringLiteral("/data/") + resFile;
        });
        FSession = std::make_unique<TMergeSession>(TCsvDB::Instance());
        FWindow = std::make_unique<TfrmInsertionController>(nullptr, *FSession);
        FWindow->Position = [this] { return FPosition; };
        FWindow->OnRecordChanged = [this] { ++FChanges; };
        FWindow->OnClosed = [this] { ++FClosed; };
    }
    void TearDown() override
    {
        TfrmInsertionController::SetJumpDialogRunner({});
        FWindow.reset();
        SetResourceFileResolver({});
        InsertionCursor::TearDown();
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(FWindow.get(), &press);
    }
    bool Enabled(int image) const { return FWindow->Button(image)->isEnabled(); }
    QString Status() const { return FWindow->StatusLabel()->text(); }
    std::unique_ptr<TMergeSession> FSession;
    std::unique_ptr<TfrmInsertionController> FWindow;
    int FPosition = 0;
    int FChanges = 0;
    int FClosed = 0;
};

TEST_F(InsertionController, ButtonsCarryTheStripsPicturesAndJapaneseHints)
{
    EXPECT_EQ(FWindow->windowTitle(), QStringLiteral("差し込みコントローラ"));
    EXPECT_TRUE(FWindow->windowFlags() & Qt::Tool);
    EXPECT_FALSE(FWindow->isModal());
    EXPECT_TRUE(FWindow->testAttribute(Qt::WA_AlwaysShowToolTips))
        << "hints while the editor has the keyboard";
    ASSERT_TRUE(FWindow->HasPictures()) << "Images.res of the build";
    const char* hints[] = {"先頭", "前の", "次の", "最後", "番号", "検索", "並べかえ"};
    for (int i = ccFirst; i <= ccSort; ++i) {
        QToolButton* b = FWindow->Button(i);
        EXPECT_FALSE(b->icon().isNull()) << i;
        EXPECT_TRUE(b->toolTip().contains(QString::fromUtf8(hints[i]))) << b->toolTip().toStdString();
        EXPECT_NE(b->focusPolicy() & Qt::TabFocus, 0) << i;
    }
    // The icons are the strip's cells: next is not previous.
    const QImage prev = FWindow->Button(ccPrevious)->icon().pixmap(24, 24).toImage();
    const QImage next = FWindow->Button(ccNext)->icon().pixmap(24, 24).toImage();
    EXPECT_NE(prev, next);
    // The next arrow is the previous one turned round (edges may round differently).
    const QImage turned = prev.mirrored(true, false).convertToFormat(QImage::Format_ARGB32);
    const QImage n32 = next.convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(turned.size(), n32.size());
    int differing = 0, inked = 0;
    for (int y = 0; y < n32.height(); ++y)
        for (int x = 0; x < n32.width(); ++x) {
            const QRgb a = turned.pixel(x, y), b = n32.pixel(x, y);
            inked += qAlpha(b) > 128 ? 1 : 0;
            differing += std::abs(qAlpha(a) - qAlpha(b)) > 96 ? 1 : 0;
        }
    EXPECT_GT(inked, 40);
    EXPECT_LT(differing, inked / 10);
}

TEST_F(InsertionController, ButtonsFollowTheBoundsAndTellTheOwner)
{
    Link(Records(4));
    FWindow->Refresh();
    EXPECT_EQ(Status(), QStringLiteral("1 / 4"));
    EXPECT_FALSE(Enabled(ccFirst));
    EXPECT_FALSE(Enabled(ccPrevious));
    EXPECT_TRUE(Enabled(ccNext));
    EXPECT_TRUE(Enabled(ccLast));
    FWindow->Button(ccNext)->click();
    EXPECT_EQ(Status(), QStringLiteral("2 / 4"));
    EXPECT_EQ(FChanges, 1);
    FWindow->Button(ccLast)->click();
    EXPECT_EQ(Status(), QStringLiteral("4 / 4"));
    EXPECT_FALSE(Enabled(ccNext));
    EXPECT_FALSE(Enabled(ccLast));
    EXPECT_TRUE(Enabled(ccFirst));
    EXPECT_EQ(FChanges, 2);
    // A step that cannot move says nothing.
    FWindow->Next();
    EXPECT_EQ(FChanges, 2);
    FWindow->Button(ccFirst)->click();
    EXPECT_EQ(Status(), QStringLiteral("1 / 4"));
    EXPECT_EQ(FChanges, 3);
}

TEST_F(InsertionController, KeysStepAndEscapeCloses)
{
    Link(Records(4));
    FWindow->show();
    Key(Qt::Key_End);
    EXPECT_EQ(Status(), QStringLiteral("4 / 4"));
    Key(Qt::Key_Left);
    EXPECT_EQ(Status(), QStringLiteral("3 / 4"));
    Key(Qt::Key_Home);
    EXPECT_EQ(Status(), QStringLiteral("1 / 4"));
    Key(Qt::Key_PageDown);
    Key(Qt::Key_Right);
    EXPECT_EQ(Status(), QStringLiteral("3 / 4"));
    // On a button (where Tab puts the keyboard) the arrows still step the records.
    {
        QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
        QApplication::sendEvent(FWindow->Button(ccJump), &left);
        EXPECT_EQ(Status(), QStringLiteral("2 / 4"));
        QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
        QApplication::sendEvent(FWindow->Button(ccFind), &end);
        EXPECT_EQ(Status(), QStringLiteral("4 / 4"));
        QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        QApplication::sendEvent(FWindow->Button(ccFirst), &right);
        EXPECT_EQ(Status(), QStringLiteral("4 / 4")) << "no step beyond the last";
        Key(Qt::Key_Left);
    }
    Key(Qt::Key_Escape);
    EXPECT_FALSE(FWindow->isVisible());
    EXPECT_EQ(FClosed, 1);
    // Closed is only hidden: the choice stays.
    EXPECT_EQ(FWindow->ShownRecord(), 2);
}

TEST_F(InsertionController, EmptyFileDisablesEverythingAndOpensNoDialog)
{
    Link(QByteArray());
    FWindow->Refresh();
    EXPECT_EQ(Status(), QStringLiteral("0 / 0"));
    for (int i = ccFirst; i <= ccSort; ++i)
        EXPECT_FALSE(Enabled(i)) << i;
    int runs = 0;
    TfrmInsertionController::SetJumpDialogRunner([&runs](TfrmCsvJump&) {
        ++runs;
        return int(QDialog::Rejected);
    });
    FWindow->ShowJumpDialog(TfrmCsvJump::pgJump);
    Key(Qt::Key_End);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(FChanges, 0);
}

TEST_F(InsertionController, JumpTakesTheNumberTypedAndCancelChangesNothing)
{
    Link(Records(30));
    FWindow->Refresh();
    TfrmCsvJump::TPage opened = TfrmCsvJump::pgSort;
    TfrmInsertionController::SetJumpDialogRunner([&opened](TfrmCsvJump& dialog) {
        opened = dialog.Page();
        QSpinBox* number = dialog.findChild<QSpinBox*>();
        EXPECT_TRUE(number->hasFocus() || !dialog.isVisible());
        EXPECT_EQ(number->maximum(), 30);
        number->setValue(17);
        dialog.accept();
        return dialog.result();
    });
    FWindow->Button(ccJump)->click();
    EXPECT_EQ(opened, TfrmCsvJump::pgJump);
    EXPECT_EQ(Status(), QStringLiteral("17 / 30"));
    EXPECT_EQ(FChanges, 1);
    TfrmInsertionController::SetJumpDialogRunner([](TfrmCsvJump& dialog) {
        dialog.findChild<QSpinBox*>()->setValue(3);
        return int(QDialog::Rejected);
    });
    FWindow->ShowJumpDialog(TfrmCsvJump::pgJump);
    EXPECT_EQ(Status(), QStringLiteral("17 / 30"));
    EXPECT_EQ(FChanges, 1);
}

TEST_F(InsertionController, CancelledDialogLeavesAPositionFollowingItsOwnRecord)
{
    Link(Records(10));
    FPosition = 3;
    FWindow->Refresh();
    TfrmInsertionController::SetJumpDialogRunner([](TfrmCsvJump&) { return int(QDialog::Rejected); });
    FWindow->ShowJumpDialog(TfrmCsvJump::pgSort);
    EXPECT_FALSE(FWindow->Cursor().Browsing());
    FPosition = 5;
    FWindow->Refresh();
    EXPECT_EQ(Status(), QStringLiteral("6 / 10"));
}

TEST_F(InsertionController, FindGoesFromTheShownRecordInTheChosenDirection)
{
    Link(Records(12));
    FWindow->Refresh();
    ASSERT_TRUE(FWindow->Cursor().JumpTo(0, 5));
    TfrmInsertionController::SetJumpDialogRunner([](TfrmCsvJump& dialog) {
        EXPECT_EQ(dialog.Page(), TfrmCsvJump::pgFind);
        dialog.findChild<QLineEdit*>(QStringLiteral("edFindText"))->setText(QStringLiteral("名前1"));
        for (QRadioButton* r : dialog.findChildren<QRadioButton*>())
            if (r->text() == QStringLiteral("末尾方向"))
                r->setChecked(true);
        dialog.accept();
        return dialog.result();
    });
    FWindow->Button(ccFind)->click();
    // Towards the last from record 6 ("名前5"): "名前10" is record 11.
    EXPECT_EQ(Status(), QStringLiteral("11 / 12"));
    EXPECT_EQ(FChanges, 1);
}

TEST_F(InsertionController, SortKeepsTheShownRecordAndTheNumberFollowsIt)
{
    Link(Records(8));
    FPosition = 2;
    FWindow->Refresh();
    ASSERT_EQ(Status(), QStringLiteral("3 / 8"));
    TfrmInsertionController::SetJumpDialogRunner([](TfrmCsvJump& dialog) {
        EXPECT_EQ(dialog.Page(), TfrmCsvJump::pgSort);
        dialog.findChild<QComboBox*>()->setCurrentIndex(1);
        for (QRadioButton* r : dialog.findChildren<QRadioButton*>())
            if (r->text() == QStringLiteral("昇順(&U)"))
                r->setChecked(true);
        dialog.accept();
        return dialog.result();
    });
    FWindow->Button(ccSort)->click();
    const int n = FWindow->ShownRecord();
    EXPECT_EQ(TCsvDB::Instance().RecordCopy(n).Get(0), QStringLiteral("名前2"));
    EXPECT_EQ(Status(), QStringLiteral("6 / 8"));
    EXPECT_EQ(TCsvDB::Instance().RecordCopy(0).Get(0), QStringLiteral("名前7"));
    EXPECT_EQ(FChanges, 1);
}

TEST(InsertionField, OfMergeObjectsAndOfGroupsHoldingThem)
{
    RegisterMergeClasses();
    TLOInsBarCode code;
    code.SetInsertionField(3);
    EXPECT_EQ(InsertionFieldOf(&code), 3);
    TLONumbering numbering;
    EXPECT_EQ(InsertionFieldOf(&numbering), -1) << "numbering takes no field";
    // A damaged stream's negative field reads as the first one.
    TLOInsText text;
    text.SetInsertionField(-7);
    EXPECT_EQ(InsertionFieldOf(&text), 0);
    TDOGroup outer;
    auto* inner = new TDOGroup;
    inner->AddMember(new TLONumbering);
    auto* image = new TLOInsImage;
    image->SetInsertionField(2);
    inner->AddMember(image);
    outer.AddMember(new TLONumbering);
    outer.AddMember(inner);
    EXPECT_EQ(InsertionFieldOf(&outer), 2) << "found inside a group within a group";
    TDOGroup plain;
    plain.AddMember(new TLONumbering);
    EXPECT_EQ(InsertionFieldOf(&plain), -1);
}

// ---------------------------------------------------------------------------------
// The layout view showing the chosen record

class LayoutShowsRecord : public InsertionCursor
{
protected:
    void SetUp() override
    {
        static const bool registered = [] {
            RegisterLabelDataClasses();
            RegisterGhostDesigners();
            RegisterMergeClasses();
            InstallActionHistory();
            return true;
        }();
        (void)registered;
        auto paper = std::make_unique<TMatrixPaperInfo>();
        paper->SetPortraitWidth(2100);
        paper->SetPortraitHeight(2970);
        paper->SetFaceCountX(2);
        paper->SetFaceCountY(4);
        paper->SetFaceWidth(900);
        paper->SetFaceHeight(600);
        FDoc = std::make_unique<TLabelData>();
        FDoc->SetPaper(paper.get());
        TDOList list;
        auto* text = new TLOInsText;
        text->SetBaseRect({50, 50, 600, 200});
        text->SetInsertionField(0);
        list.Add(text);
        auto* numbering = new TLONumbering;
        numbering->SetBaseRect({50, 300, 600, 450});
        list.Add(numbering);
        FDoc->WriteLabel(0, list);
        list.FreeObjects();
        FDoc->SetModified(false);
        Link(Records(5));
        FSession = std::make_unique<TMergeSession>(TCsvDB::Instance());
        FCursor = &FSession->Cursor();
        FView = std::make_unique<TfrmLayout>();
        FView->resize(900, 700);
        FView->SetMergeSession(FSession.get());
        FView->SetDocument(FDoc.get());
        FView->ShowLabel();
    }
    void TearDown() override
    {
        FView.reset();
        FDoc.reset();
        InsertionCursor::TearDown();
    }
    QString MergeText() const
    {
        for (int i = 0; i < FView->Site()->ObjectCount(); ++i)
            if (auto* t = dynamic_cast<TLOInsText*>(FView->Site()->Objects(i)))
                return t->Text()->Lines().join(u'|');
        return QStringLiteral("(none)");
    }
    int Number() const
    {
        for (int i = 0; i < FView->Site()->ObjectCount(); ++i)
            if (auto* n = dynamic_cast<TLONumbering*>(FView->Site()->Objects(i)))
                return n->CurNumber();
        return -1;
    }
    std::unique_ptr<TLabelData> FDoc;
    std::unique_ptr<TMergeSession> FSession;
    TInsertionCursor* FCursor = nullptr;
    std::unique_ptr<TfrmLayout> FView;
};

TEST_F(LayoutShowsRecord, TheChosenRecordShowsWithoutAChangeMarkOrUndoStep)
{
    EXPECT_EQ(MergeText(), QStringLiteral("名前0"));
    EXPECT_TRUE(FView->HoldsMergeObjects());
    EXPECT_EQ(FView->MergeFieldOfSelection(), 0);
    const int history = TActionList::Instance().Count();
    ASSERT_TRUE(FCursor->Last(0));
    FView->ReapplyMergeRecord();
    EXPECT_EQ(MergeText(), QStringLiteral("名前4"));
    EXPECT_EQ(Number(), 4) << "numbering shows the label the record prints on";
    ASSERT_TRUE(FCursor->Prior(0));
    FView->ReapplyMergeRecord();
    EXPECT_EQ(MergeText(), QStringLiteral("名前3"));
    EXPECT_FALSE(FView->Modified());
    EXPECT_FALSE(FDoc->Modified());
    EXPECT_EQ(TActionList::Instance().Count(), history);
    // Showing the label again (another sheet or position) keeps the choice.
    FView->ShowLabel();
    EXPECT_EQ(MergeText(), QStringLiteral("名前3"));
    // Beyond the records the label is empty as in print, never the former record.
    FCursor->Reset();
    FDoc->SetCurrentLabelNo(0);
    ASSERT_TRUE(FCursor->JumpTo(0, 4));
    TCsvDB::Instance().Close();
    FView->ReapplyMergeRecord();
    EXPECT_EQ(MergeText(), EmptyInsertionText());
    EXPECT_FALSE(FView->Modified());
}

TEST_F(LayoutShowsRecord, AnEditedLabelStaysMarkedWhileBrowsing)
{
    FView->Site()->SetModified(true);
    ASSERT_TRUE(FCursor->Next(0));
    FView->ReapplyMergeRecord();
    EXPECT_EQ(MergeText(), QStringLiteral("名前1"));
    EXPECT_TRUE(FView->Modified()) << "browsing must not lose the mark of a real edit";
}

} // namespace
