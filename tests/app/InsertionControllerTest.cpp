// The insertion controller in the main window: its command, shown by itself when merge
// data is linked to a label with merge objects, hidden in the sheet view and without
// merge data, the label showing the browsed record without a change mark, the choice
// kept across view switches and forgotten on a new link or document; and the sheet
// window drawing its labels again when merge data is chosen.
#include "AppTestSupport.h"
#include "app/FMain.h"
#include "app/host/FSheetMain.h"
#include "document/ULabelData.h"
#include "draw/FDrawSite.h"
#include "layout/FLayout.h"
#include "merge/FCsvBrowser.h"
#include "merge/FInsertionController.h"
#include "merge/FMergeDialogs.h"
#include "merge/UCsvDB.h"
#include "merge/ULOInsertion.h"
#include "merge/UMergeSession.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULORect.h"
#include "paper/UPaperInfo.h"
#include "paper/UVelmoPapers.h"
#include "sheet/FSheet.h"
#include "support/TestSupport.h"
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace velmo;
using velmo::test::TFrameFixture;

namespace {

class MainInsertionController : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(Fixture.Temp.path() + QStringLiteral("/data")));
        RegisterCatalogueClasses();
        RegisterShapeClasses();
        RegisterMergeClasses();
        Papers = std::make_unique<TVelmoPapers>(velmo::test::BinaryDir() + QStringLiteral("/data/velmo.ppr"),
                                                true);
        TfrmMain::SetSplashEnabled(false);
        Window = std::make_unique<TfrmMain>();
        Window->Catalogue = [this] { return Papers.get(); };
        Window->FileDialogHook = [this](TfrmMain::TFileDialogKind, const QString&, int*) {
            return DialogAnswers.isEmpty() ? QString() : DialogAnswers.takeFirst();
        };
        Window->NewDocument(true);
    }
    void TearDown() override
    {
        if (Window)
            Window->Document()->SetModified(false);
        Window.reset();
        TCsvDB::Instance().Close();
        qunsetenv("XDG_DATA_HOME");
    }
    QString Path(const QString& name) const { return Fixture.Temp.path() + u'/' + name; }
    QString Csv(const QString& name, int records, const QString& stem = QStringLiteral("名前"))
    {
        QByteArray content;
        for (int n = 0; n < records; ++n)
            content += QStringLiteral("%1%2,%3\n").arg(stem).arg(n).arg(n * 10).toUtf8();
        const QString path = Path(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return path;
    }
    // A saved document whose first label holds a merge text of field 0 (or a
    // rectangle only).
    QString Document(const QString& name, bool merge)
    {
        TLabelData data;
        data.SetPaper(Papers->Paper(0));
        TDOList list;
        if (merge) {
            auto* text = new TLOInsText;
            text->SetBaseRect({100, 100, 500, 200});
            list.Add(text);
        } else {
            auto* rect = new TLORect;
            rect->SetBaseRect({100, 100, 400, 300});
            list.Add(rect);
        }
        data.WriteLabel(0, list);
        list.FreeObjects();
        const QString file = Path(name);
        data.Save(file);
        return file;
    }
    QString MergeText() const
    {
        TfrmLayout* view = Window->LayoutView();
        if (!view)
            return QStringLiteral("(no layout view)");
        for (int i = 0; i < view->Site()->ObjectCount(); ++i)
            if (auto* t = dynamic_cast<TLOInsText*>(view->Site()->Objects(i)))
                return t->Text()->Lines().join(u'|');
        return QStringLiteral("(none)");
    }
    QAction* Command() const { return Window->Command(QStringLiteral("actMergeController")); }
    TfrmInsertionController* Controller() const { return Window->InsertionController(); }
    QString Status() const { return Controller()->StatusLabel()->text(); }
    bool Marked() const
    {
        return Window->Document()->Modified() || (Window->LayoutView() && Window->LayoutView()->Modified());
    }

    TFrameFixture Fixture;
    std::unique_ptr<TVelmoPapers> Papers;
    std::unique_ptr<TfrmMain> Window;
    QStringList DialogAnswers;
};

TEST_F(MainInsertionController, TheMergeMenuCarriesACheckableCommand)
{
    QAction* command = Command();
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->text(), QStringLiteral("差し込みコントローラ(&C)"));
    EXPECT_TRUE(command->isCheckable());
    EXPECT_FALSE(command->isChecked());
    ASSERT_NE(Controller(), nullptr);
    EXPECT_FALSE(Controller()->isVisible());
    EXPECT_EQ(Controller()->parentWidget(), Window.get()) << "owned by the main window, kept over it";
    EXPECT_TRUE(command->isEnabled()) << "a new document opens in the layout view";
    ASSERT_TRUE(Window->SwitchView(true));
    EXPECT_FALSE(command->isEnabled());
}

TEST_F(MainInsertionController, LinkingMergeDataToALabelWithMergeObjectsShowsIt)
{
    ASSERT_TRUE(Window->OpenDocument(Document(QStringLiteral("m.lbd"), true)));
    EXPECT_FALSE(Controller()->isVisible());
    DialogAnswers = {Csv(QStringLiteral("a.csv"), 5)};
    ASSERT_TRUE(Window->ChooseMergeData());
    EXPECT_TRUE(Command()->isChecked());
    EXPECT_TRUE(Controller()->isVisible());
    EXPECT_EQ(Status(), QStringLiteral("1 / 5"));
    EXPECT_EQ(MergeText(), QStringLiteral("名前0"));
}

TEST_F(MainInsertionController, ALabelWithoutMergeObjectsDoesNotShowItByItself)
{
    ASSERT_TRUE(Window->OpenDocument(Document(QStringLiteral("plain.lbd"), false)));
    DialogAnswers = {Csv(QStringLiteral("a.csv"), 5)};
    ASSERT_TRUE(Window->ChooseMergeData());
    EXPECT_FALSE(Command()->isChecked());
    EXPECT_FALSE(Controller()->isVisible());
    // Asked for, it comes.
    Command()->trigger();
    EXPECT_TRUE(Controller()->isVisible());
    EXPECT_EQ(Status(), QStringLiteral("1 / 5"));
}

TEST_F(MainInsertionController, TheCommandWithoutMergeDataAsksForItAndCancelLeavesItOff)
{
    Command()->trigger();
    EXPECT_FALSE(Command()->isChecked());
    EXPECT_FALSE(Controller()->isVisible());
    DialogAnswers = {Csv(QStringLiteral("b.csv"), 3)};
    Command()->trigger();
    EXPECT_TRUE(Command()->isChecked());
    EXPECT_TRUE(Controller()->isVisible());
    EXPECT_EQ(Status(), QStringLiteral("1 / 3"));
}

TEST_F(MainInsertionController, BrowsingShowsTheRecordAndNeverMarksTheDocument)
{
    ASSERT_TRUE(Window->OpenDocument(Document(QStringLiteral("m.lbd"), true)));
    DialogAnswers = {Csv(QStringLiteral("a.csv"), 5)};
    ASSERT_TRUE(Window->ChooseMergeData());
    // Linking marks the document (its link is stored); browsing must add nothing.
    Window->Document()->SetModified(false);
    ASSERT_FALSE(Marked());
    Controller()->Button(ccNext)->click();
    EXPECT_EQ(MergeText(), QStringLiteral("名前1"));
    Controller()->Button(ccLast)->click();
    EXPECT_EQ(MergeText(), QStringLiteral("名前4"));
    EXPECT_EQ(Status(), QStringLiteral("5 / 5"));
    Controller()->Button(ccPrevious)->click();
    EXPECT_EQ(MergeText(), QStringLiteral("名前3"));
    EXPECT_FALSE(Marked());
    EXPECT_FALSE(Window->isWindowModified());
    EXPECT_TRUE(Window->AskToSave()) << "nothing to ask about";
}

TEST_F(MainInsertionController, TheSheetViewHidesItAndTheChoiceComesBackWithTheLayoutView)
{
    ASSERT_TRUE(Window->OpenDocument(Document(QStringLiteral("m.lbd"), true)));
    DialogAnswers = {Csv(QStringLiteral("a.csv"), 5)};
    ASSERT_TRUE(Window->ChooseMergeData());
    Controller()->Button(ccNext)->click();
    Controller()->Button(ccNext)->click();
    ASSERT_EQ(MergeText(), QStringLiteral("名前2"));
    ASSERT_TRUE(Window->SwitchView(true));
    EXPECT_FALSE(Controller()->isVisible());
    ASSERT_TRUE(Window->SwitchView(false));
    EXPECT_TRUE(Controller()->isVisible());
    EXPECT_EQ(Status(), QStringLiteral("3 / 5"));
    EXPECT_EQ(MergeText(), QStringLiteral("名前2"));
}

TEST_F(MainInsertionController, ANewLinkStartsAgainAndAFailedOneHidesIt)
{
    ASSERT_TRUE(Window->OpenDocument(Document(QStringLiteral("m.lbd"), true)));
    DialogAnswers = {Csv(QStringLiteral("a.csv"), 5)};
    ASSERT_TRUE(Window->ChooseMergeData());
    Controller()->Button(ccLast)->click();
    ASSERT_EQ(MergeText(), QStringLiteral("名前4"));
    DialogAnswers = {Csv(QStringLiteral("b.csv"), 3, QStringLiteral("別"))};
    ASSERT_TRUE(Window->ChooseMergeData());
    EXPECT_EQ(Status(), QStringLiteral("1 / 3"));
    EXPECT_EQ(MergeText(), QStringLiteral("別0"));
    EXPECT_TRUE(Controller()->isVisible());
    // A file that is gone: the former data is closed, the label shows no record.
    DialogAnswers = {Path(QStringLiteral("gone.csv"))};
    EXPECT_FALSE(Window->ChooseMergeData());
    EXPECT_FALSE(Controller()->isVisible());
    EXPECT_EQ(MergeText(), EmptyInsertionText());
}

TEST_F(MainInsertionController, ClosingTheWindowUnchecksTheCommandAndANewDocumentForgets)
{
    ASSERT_TRUE(Window->OpenDocument(Document(QStringLiteral("m.lbd"), true)));
    DialogAnswers = {Csv(QStringLiteral("a.csv"), 5)};
    ASSERT_TRUE(Window->ChooseMergeData());
    Controller()->Button(ccLast)->click();
    Controller()->close();
    EXPECT_FALSE(Command()->isChecked());
    EXPECT_FALSE(Controller()->isVisible());
    // Hidden, the chosen record still shows.
    EXPECT_EQ(MergeText(), QStringLiteral("名前4"));
    Window->Document()->SetModified(false);
    ASSERT_TRUE(Window->NewDocument(true));
    EXPECT_FALSE(Controller()->isVisible());
    EXPECT_FALSE(Controller()->Cursor().Browsing());
}

TEST_F(MainInsertionController, ReopeningADocumentWithItsMergeDataShowsItAtItsOwnRecord)
{
    const QString file = Document(QStringLiteral("m.lbd"), true);
    const QString csv = Csv(QStringLiteral("a.csv"), 4);
    {
        auto data = TLabelData::Open(file);
        data->SetCSVFile(csv);
        data->Save(file);
    }
    DialogAnswers = {Csv(QStringLiteral("c.csv"), 9)};
    ASSERT_TRUE(Window->ChooseMergeData());
    Command()->trigger();
    Controller()->Button(ccLast)->click();
    Window->Document()->SetModified(false);
    ASSERT_TRUE(Window->OpenDocument(file));
    EXPECT_TRUE(Controller()->isVisible());
    EXPECT_EQ(Status(), QStringLiteral("1 / 4"));
    EXPECT_EQ(MergeText(), QStringLiteral("名前0"));
    EXPECT_FALSE(Marked());
}

// ---------------------------------------------------------------------------------
// The sheet window of velmo --sheet

// A sheet-mode document of two big labels, the first with a merge text, and a CSV
// whose records are black squares.
struct TSheetMergeFiles
{
    QTemporaryDir Dir;
    QString Work;
    QString Csv;
    explicit TSheetMergeFiles(bool linked)
    {
        Csv = Dir.filePath(QStringLiteral("big.csv"));
        {
            QFile f(Csv);
            f.open(QIODevice::WriteOnly);
            f.write("■■■■■■,x\n■■■■■■,y\n");
        }
        auto paper = std::make_unique<TMatrixPaperInfo>();
        paper->SetPaperName(QStringLiteral("テスト"));
        paper->SetPortraitWidth(2100);
        paper->SetPortraitHeight(2970);
        paper->SetFaceCountX(1);
        paper->SetFaceCountY(2);
        paper->SetFaceWidth(1800);
        paper->SetFaceHeight(1200);
        paper->SetLeftOffset(100);
        paper->SetTopOffset(100);
        Work = Dir.filePath(QStringLiteral("s.lbd"));
        TLabelData data;
        data.SetPaper(paper.get());
        TDOList list;
        auto* text = new TLOInsText;
        text->SetBaseRect({100, 100, 1700, 1000});
        text->Font()->SetSize(72);
        list.Add(text);
        data.WriteLabel(0, list);
        list.FreeObjects();
        data.SetSheetMode(true);
        if (linked)
            data.SetCSVFile(Csv);
        data.Save(Work);
    }
};

int DarkPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qGray(image.pixel(x, y)) < 100 ? 1 : 0;
    return n;
}

TEST(SheetMainMerge, ChoosingMergeDataDrawsTheLabelsAgain)
{
    TFrameFixture fixture;
    RegisterMergeClasses();
    TSheetMergeFiles files(false);
    TCsvDB::Instance().Close();
    TfrmSheetMain window{QString()};
    ASSERT_TRUE(window.OpenDocument(files.Work));
    ASSERT_NE(window.SheetView(), nullptr);
    ASSERT_GE(window.SheetView()->Pictures().size(), 1u);
    const QImage before = window.SheetView()->Pictures()[0];
    SetMergeFileChooser([&files](QWidget*, const QString&) { return files.Csv; });
    QAction* choose = window.findChild<QAction*>(QStringLiteral("actChooseCsv"));
    ASSERT_NE(choose, nullptr);
    choose->trigger();
    SetMergeFileChooser({});
    ASSERT_TRUE(window.MergeSession().Database().Active());
    const QImage after = window.SheetView()->Pictures()[0];
    ASSERT_EQ(before.size(), after.size());
    // The record's black squares are on the label now; before it showed blanks.
    EXPECT_GT(DarkPixels(after), DarkPixels(before) + 100) << DarkPixels(before) << " " << DarkPixels(after);
    window.Document()->SetModified(false);
    TCsvDB::Instance().Close();
}

TEST(SheetMainMerge, ADocumentWithItsMergeDataOpensShowingTheRecords)
{
    TFrameFixture fixture;
    RegisterMergeClasses();
    int blank = 0;
    {
        TSheetMergeFiles files(false);
        TCsvDB::Instance().Close();
        TfrmSheetMain window{QString()};
        ASSERT_TRUE(window.OpenDocument(files.Work));
        blank = DarkPixels(window.SheetView()->Pictures()[0]);
    }
    TSheetMergeFiles files(true);
    TfrmSheetMain window{QString()};
    ASSERT_TRUE(window.OpenDocument(files.Work));
    ASSERT_TRUE(window.MergeSession().Database().Active());
    EXPECT_GT(DarkPixels(window.SheetView()->Pictures()[0]), blank + 100)
        << "drawn before the data was opened";
    window.Document()->SetModified(false);
    TCsvDB::Instance().Close();
}

} // namespace
