// The main window's document life cycle: the save question and its Cancel, untitled
// saves, foreign and vanished files, the merge link, the start-up choice, the special
// menu, the wizard hook, and the bad-input cases (read-only, full disk, locked file,
// folders, unwritable export path) with nothing lost.
#include "AppTestSupport.h"
#include "app/FHistoryMenu.h"
#include "app/FMain.h"
#include "app/UAutoSave.h"
#include "app/UMainCommands.h"
#include "base/UFolderHistory.h"
#include "base/UModalResult.h"
#include "document/ULabelData.h"
#include "document/UProductInfo.h"
#include "layout/FLayout.h"
#include "merge/UCsvDB.h"
#include "merge/ULOInsertion.h"
#include "merge/UMergeSession.h"
#include "objects/FImageDialogs.h"
#include "objects/FShapeDialogs.h"
#include "objects/UDOGroup.h"
#include "objects/ULORect.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperMaintenance.h"
#include "paper/UVelmoPapers.h"
#include "paperui/FPaperMaintenance.h"
#include "print/FPrintPaper.h"
#include "storage/USafeFile.h"
#include "support/TestSupport.h"
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QImageReader>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/file.h>
#include <unistd.h>

using namespace velmo;
using velmo::test::TFrameFixture;

namespace {

void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QByteArray ReadAll(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(Fixture.Temp.path() + QStringLiteral("/data")));
        RegisterCatalogueClasses();
        RegisterShapeClasses();
        Papers = std::make_unique<TVelmoPapers>(velmo::test::BinaryDir() + QStringLiteral("/data/velmo.ppr"),
                                                true);
        TfrmMain::SetSplashEnabled(false);
        Window = std::make_unique<TfrmMain>();
        Window->Catalogue = [this] { return Papers.get(); };
        Window->FileDialogHook = [this](TfrmMain::TFileDialogKind kind, const QString& suggested,
                                        int* filter) {
            Dialogs.push_back({kind, suggested});
            if (filter)
                *filter = DialogFilter;
            return DialogAnswers.isEmpty() ? QString() : DialogAnswers.takeFirst();
        };
        Window->NewDocument(true);
    }
    void TearDown() override
    {
        SetWriteFaultAfter(-1);
        if (Window)
            Window->Document()->SetModified(false);
        Window.reset();
        TCsvDB::Instance().Close();
        qunsetenv("XDG_DATA_HOME");
    }

    QString Path(const QString& name) const { return Fixture.Temp.path() + u'/' + name; }
    // A saved one-label document with one rectangle.
    QString MakeDocument(const QString& name)
    {
        TLabelData data;
        data.SetPaper(Papers->Paper(0));
        TDOList list;
        auto* rect = new TLORect;
        rect->SetBaseRect({100, 100, 400, 300});
        list.Add(rect);
        data.WriteLabel(0, list);
        list.FreeObjects();
        const QString file = Path(name);
        data.Save(file);
        return file;
    }
    void Modify() { Window->Document()->SetModified(true); }
    QStringList Texts() const
    {
        QStringList out;
        for (const auto& m : Fixture.Shown)
            out << m.Text;
        return out;
    }

    TFrameFixture Fixture;
    std::unique_ptr<TVelmoPapers> Papers;
    std::unique_ptr<TfrmMain> Window;
    struct TDialog
    {
        TfrmMain::TFileDialogKind Kind;
        QString Suggested;
    };
    std::vector<TDialog> Dialogs;
    QStringList DialogAnswers;
    int DialogFilter = 1;
};

TEST_F(MainWindowTest, FirstDocumentIsUntitledOnTheCataloguesFirstPaper)
{
    ASSERT_NE(Window->Document(), nullptr);
    EXPECT_TRUE(Window->FileName().isEmpty());
    ASSERT_NE(Window->Document()->Paper(), nullptr);
    EXPECT_EQ(Window->Document()->Paper()->PaperName(), Papers->Paper(0)->PaperName());
    EXPECT_FALSE(Window->Document()->Modified());
    EXPECT_EQ(Window->TitleText(), QStringLiteral("ベルモ - 新規作成"));
    // A new document opens on its first label in the layout view.
    EXPECT_TRUE(Window->LayoutViewShown());
    EXPECT_FALSE(Window->SheetViewShown());
}

// The splash is a child of the main window: a window closed while its splash still
// shows deletes the splash from its own destructor, and nothing may then reach back
// into the half-destroyed window (the sanitizer build aborts on such a call).
TEST_F(MainWindowTest, SplashClosesWithItsWindowAndIsAwaitedUntilThen)
{
    Window.reset();
    TfrmMain::SetSplashEnabled(true);
    auto first = std::make_unique<TfrmMain>();
    TfrmMain::SetSplashEnabled(false);
    first->Catalogue = [this] { return Papers.get(); };
    EXPECT_FALSE(first->SplashClosed()) << "the start-up choice waits for the splash";
    first.reset();

    TfrmMain::SetSplashEnabled(true);
    auto second = std::make_unique<TfrmMain>();
    TfrmMain::SetSplashEnabled(false);
    ASSERT_FALSE(second->SplashClosed());
    for (int i = 0; i < 60 && !second->SplashClosed(); ++i)
        Wait(100);
    EXPECT_TRUE(second->SplashClosed()) << "the splash closes by itself after two seconds";
    second.reset();
}

TEST_F(MainWindowTest, SwitchingViewsSetsTheSheetModeThatSavingKeeps)
{
    ASSERT_TRUE(Window->SwitchView(true));
    EXPECT_TRUE(Window->SheetViewShown());
    EXPECT_FALSE(Window->LayoutViewShown());
    EXPECT_TRUE(Window->Document()->SheetMode());
    DialogAnswers = {Path(QStringLiteral("mode.lbd"))};
    ASSERT_TRUE(Window->Save());
    EXPECT_TRUE(TLabelData::Open(Path(QStringLiteral("mode.lbd")))->SheetMode());
    ASSERT_TRUE(Window->NewDocument(true));
    // Opening shows the view the file was saved in.
    ASSERT_TRUE(Window->OpenDocument(Path(QStringLiteral("mode.lbd"))));
    EXPECT_TRUE(Window->SheetViewShown());
    ASSERT_TRUE(Window->SwitchView(false));
    EXPECT_TRUE(Window->LayoutViewShown());
    EXPECT_FALSE(Window->Document()->SheetMode());
}

TEST_F(MainWindowTest, DefaultPaperNameAndOrientationComeFromTheSettings)
{
    const QString name = Papers->Paper(3)->PaperName();
    WriteSettingString(QStringLiteral("DefaultPaperName"), name);
    WriteSettingBool(QStringLiteral("DefaultLandScape"), true);
    ASSERT_TRUE(Window->NewDocument(true));
    EXPECT_EQ(Window->Document()->Paper()->PaperName(), name);
    EXPECT_TRUE(Window->Document()->Paper()->Landscape());
    // An unknown name falls back to the first paper.
    WriteSettingString(QStringLiteral("DefaultPaperName"), QStringLiteral("どこにもない用紙"));
    ASSERT_TRUE(Window->NewDocument(true));
    EXPECT_EQ(Window->Document()->Paper()->PaperName(), Papers->Paper(0)->PaperName());
}

TEST_F(MainWindowTest, CancelOnTheSaveQuestionKeepsTheDocumentForNewOpenAndClose)
{
    const QString other = MakeDocument(QStringLiteral("other.lbd"));
    TLabelData* before = Window->Document();
    Modify();
    Fixture.Answers = {mrCancel};
    EXPECT_FALSE(Window->NewDocument(true));
    EXPECT_EQ(Window->Document(), before);
    EXPECT_TRUE(Window->Document()->Modified());
    ASSERT_EQ(Fixture.Shown.size(), 1u);
    EXPECT_EQ(Fixture.Shown[0].Text, QStringLiteral("データが修正されています\r\n保存しますか？"));
    EXPECT_EQ(Fixture.Shown[0].Buttons, (TButtonKinds{bkYes, bkNo, bkCancel}));
    EXPECT_EQ(Fixture.Shown[0].Default, 0);
    EXPECT_EQ(Fixture.Shown[0].Cancel, 2);

    Fixture.Answers = {mrCancel};
    EXPECT_FALSE(Window->OpenDocument(other));
    EXPECT_EQ(Window->Document(), before);
    EXPECT_TRUE(Window->FileName().isEmpty());

    Fixture.Answers = {mrCancel};
    Window->show();
    EXPECT_FALSE(Window->close());
    EXPECT_TRUE(Window->isVisible());
    EXPECT_EQ(Window->Document(), before);

    // No discards and goes on.
    Fixture.Answers = {mrNo};
    EXPECT_TRUE(Window->OpenDocument(other));
    EXPECT_EQ(Window->FileName(), other);
}

TEST_F(MainWindowTest, YesOnTheQuestionSavesAndCancelInTheSaveDialogStops)
{
    Modify();
    // Yes, then Cancel in the save dialog of the untitled document: nothing replaced.
    Fixture.Answers = {mrYes};
    TLabelData* before = Window->Document();
    EXPECT_FALSE(Window->NewDocument(true));
    EXPECT_EQ(Window->Document(), before);
    ASSERT_EQ(Dialogs.size(), 1u);
    EXPECT_EQ(Dialogs[0].Kind, TfrmMain::TFileDialogKind::SaveDocument);
    EXPECT_TRUE(Window->Document()->Modified());

    // Yes with a name: saved, then replaced.
    Fixture.Answers = {mrYes};
    DialogAnswers = {Path(QStringLiteral("kept"))};
    EXPECT_TRUE(Window->NewDocument(true));
    EXPECT_NE(Window->Document(), before);
    // The extension is added to a bare name.
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("kept.lbd"))).isFile());
    EXPECT_NO_THROW(TLabelData::Open(Path(QStringLiteral("kept.lbd"))));
}

TEST_F(MainWindowTest, UntitledSaveGoesThroughTheDialogAndCancelLeavesItModified)
{
    Modify();
    EXPECT_FALSE(Window->Save());
    ASSERT_EQ(Dialogs.size(), 1u);
    EXPECT_EQ(Dialogs[0].Kind, TfrmMain::TFileDialogKind::SaveDocument);
    EXPECT_TRUE(Window->Document()->Modified());
    EXPECT_TRUE(Window->FileName().isEmpty());

    DialogAnswers = {Path(QStringLiteral("a.lbd"))};
    EXPECT_TRUE(Window->Save());
    EXPECT_FALSE(Window->Document()->Modified());
    EXPECT_EQ(Window->FileName(), Path(QStringLiteral("a.lbd")));
    EXPECT_EQ(Window->TitleText(), QStringLiteral("ベルモ - a.lbd"));
    EXPECT_GT(Window->Document()->LastSave(), 40000.0);
    // Saved files and their folders are remembered.
    EXPECT_EQ(Window->OpenFileHistory()->Items().value(0), Path(QStringLiteral("a.lbd")));
    // A second save needs no dialog.
    Modify();
    EXPECT_TRUE(Window->Save());
    EXPECT_EQ(Dialogs.size(), 2u);
}

TEST_F(MainWindowTest, TitleMarksUnsavedChanges)
{
    const QString file = MakeDocument(QStringLiteral("mark.lbd"));
    ASSERT_TRUE(Window->OpenDocument(file));
    EXPECT_FALSE(Window->isWindowModified());
    EXPECT_TRUE(Window->windowTitle().contains(QStringLiteral("mark.lbd")));
    Modify();
    Wait(600);
    EXPECT_TRUE(Window->isWindowModified());
    ASSERT_TRUE(Window->Save());
    EXPECT_FALSE(Window->isWindowModified());
}

TEST_F(MainWindowTest, AForeignFileIsRefusedWithTheTitleAndLeavesTheRecentList)
{
    const QString good = MakeDocument(QStringLiteral("good.lbd"));
    ASSERT_TRUE(Window->OpenDocument(good));
    const QString bad = Path(QStringLiteral("bad.lbd"));
    {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is not a label document\n");
    }
    Window->OpenFileHistory()->Add(bad);
    TLabelData* before = Window->Document();
    EXPECT_FALSE(Window->OpenDocument(bad));
    EXPECT_EQ(Window->Document(), before);
    EXPECT_EQ(Window->FileName(), good);
    ASSERT_FALSE(Fixture.Shown.empty());
    EXPECT_EQ(Fixture.Shown.back().Text,
              QStringLiteral("指定されたファイルは「ベルモ」のデータではありません"));
    EXPECT_FALSE(Window->OpenFileHistory()->Items().contains(bad));
    EXPECT_TRUE(Window->OpenFileHistory()->Items().contains(good));
}

TEST_F(MainWindowTest, RecentFilesMenuIsDisabledWhileEmptyAndOpensItsEntry)
{
    QMenu* recent = Window->findChild<QMenu*>(QStringLiteral("mnuRecent"));
    ASSERT_NE(recent, nullptr);
    Window->OpenFileHistory()->Clear();
    Q_EMIT Window->FileMenu()->aboutToShow();
    EXPECT_FALSE(recent->isEnabled());
    const QString file = MakeDocument(QStringLiteral("recent.lbd"));
    ASSERT_TRUE(Window->OpenDocument(file));
    ASSERT_TRUE(Window->NewDocument(true));
    Q_EMIT Window->FileMenu()->aboutToShow();
    EXPECT_TRUE(recent->isEnabled());
    Window->OpenFileHistory()->RebuildMenu();
    const QList<QAction*> entries = Window->OpenFileHistory()->CreatedActions();
    ASSERT_FALSE(entries.isEmpty());
    // The entries, then a separator and "履歴の消去", which empties the menu.
    ASSERT_GE(entries.size(), 3);
    EXPECT_TRUE(entries.at(entries.size() - 2)->isSeparator());
    QAction* clear = entries.last();
    EXPECT_EQ(clear->text(), QStringLiteral("履歴の消去"));
    entries.first()->trigger();
    Wait(50);
    EXPECT_EQ(Window->FileName(), file);
    Window->OpenFileHistory()->RebuildMenu();
    Window->OpenFileHistory()->CreatedActions().last()->trigger();
    EXPECT_TRUE(Window->OpenFileHistory()->Items().isEmpty());
    Q_EMIT Window->FileMenu()->aboutToShow();
    EXPECT_FALSE(recent->isEnabled());
}

TEST_F(MainWindowTest, FileDialogsStartInTheLastFolderOfTheirKindElseTheDocuments)
{
    std::map<QString, QStringList> lists;
    SetFolderHistoryStore({[&](const QString& key) { return lists[key]; },
                           [&](const QString& key, const QString& folder) {
                               lists[key].removeAll(folder);
                               lists[key].prepend(folder);
                           },
                           [&](const QString& key) { lists[key].clear(); }});
    using K = TfrmMain::TFileDialogKind;
    for (K kind : {K::OpenDocument, K::SaveDocument, K::ExportPicture, K::OpenCsv})
        EXPECT_EQ(Window->FileDialogStart(kind, QString()), DocumentsFolder()) << int(kind);
    QDir(Fixture.Temp.path()).mkpath(QStringLiteral("csv"));
    QDir(Fixture.Temp.path()).mkpath(QStringLiteral("pictures"));
    RememberFolder(folderkind::MergeData, Path(QStringLiteral("csv/list.csv")));
    RememberFolder(folderkind::Export, Path(QStringLiteral("pictures")));
    // A work file opened: its folder is where documents are looked for next.
    const QString file = MakeDocument(QStringLiteral("here.lbd"));
    ASSERT_TRUE(Window->OpenDocument(file));
    EXPECT_EQ(Window->FileDialogStart(K::OpenCsv, QString()), Path(QStringLiteral("csv")));
    EXPECT_EQ(Window->FileDialogStart(K::ExportPicture, QString()), Path(QStringLiteral("pictures")));
    EXPECT_EQ(QDir::cleanPath(Window->FileDialogStart(K::SaveDocument, QString())),
              QDir::cleanPath(Fixture.Temp.path()));
    // A bare suggested name goes into that folder; a full one stays as it is.
    EXPECT_EQ(Window->FileDialogStart(K::SaveDocument, QStringLiteral("新規.lbd")),
              QDir(Fixture.Temp.path()).filePath(QStringLiteral("新規.lbd")));
    EXPECT_EQ(Window->FileDialogStart(K::OpenDocument, file), file);
    // A folder that has gone is skipped.
    QDir(Path(QStringLiteral("csv"))).removeRecursively();
    EXPECT_EQ(Window->FileDialogStart(K::OpenCsv, QString()), DocumentsFolder());
    SetFolderHistoryStore({});
}

TEST_F(MainWindowTest, AMergeListMendedOnOpeningIsToldAndLabelsWithoutTheirPictureOnce)
{
    RegisterMergeClasses();
    // A list with a byte that is no character: it opens, and the line is named.
    const QString csv = Path(QStringLiteral("pics.csv"));
    {
        QFile f(csv);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("gone.png\nalso-gone.png\n,\x81\x20\n");
    }
    const QString file = MakeDocument(QStringLiteral("pictures.lbd"));
    {
        auto data = TLabelData::Open(file);
        data->SetSeparatelyDesign(false); // one design on every label
        TDOList list;
        auto* image = new TLOInsImage;
        image->SetBaseRect({50, 50, 250, 250});
        list.Add(image);
        data->WriteLabel(0, list);
        list.FreeObjects();
        data->SetCSVFile(csv);
        data->Save(file);
    }
    ASSERT_TRUE(Window->OpenDocument(file));
    EXPECT_EQ(Window->Document()->CSVFile(), csv);
    EXPECT_TRUE(Window->MergeSession().Database().Active());
    const QString mended = Texts().join(u'|');
    EXPECT_TRUE(mended.contains(QStringLiteral("3行目"))) << mended.toStdString();
    // Printed to a PDF through the print dialog: one notice for the run.
    QTemporaryDir out;
    TPrintDialogSettings& settings = PrintDialogSettings();
    settings.ToPdf = true;
    settings.PdfFile = out.filePath(QStringLiteral("p.pdf"));
    settings.Copies = 1;
    const int before = int(Fixture.Shown.size());
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->accept();
    });
    ASSERT_TRUE(Window->Print());
    EXPECT_TRUE(QFile::exists(settings.PdfFile));
    int notices = 0;
    QString notice;
    for (size_t i = size_t(before); i < Fixture.Shown.size(); ++i)
        if (Fixture.Shown[i].Text.contains(QStringLiteral("差込みイメージのファイルが見つからない"))) {
            ++notices;
            notice = Fixture.Shown[i].Text;
        }
    EXPECT_EQ(notices, 1);
    // The first two records name pictures that are not there (the third names none):
    // as many labels as the paper has of them.
    const int expected = std::min(2, Window->Document()->LabelCount());
    EXPECT_TRUE(notice.contains(QStringLiteral("%1 枚").arg(expected))) << notice.toStdString();
    EXPECT_TRUE(notice.contains(QStringLiteral("gone.png")));
    ResetPrintDialogSettings();
}

TEST_F(MainWindowTest, AVanishedMergeFileIsToldAndItsLinkCleared)
{
    const QString csv = Path(QStringLiteral("list.csv"));
    {
        QFile f(csv);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("a,b\nc,d\n");
    }
    const QString file = MakeDocument(QStringLiteral("merged.lbd"));
    {
        auto data = TLabelData::Open(file);
        data->SetCSVFile(csv);
        data->Save(file);
    }
    QFile::remove(csv);
    ASSERT_TRUE(Window->OpenDocument(file));
    EXPECT_TRUE(Window->Document()->CSVFile().isEmpty());
    EXPECT_TRUE(Texts().contains(QStringLiteral("CSVファイル「%1」が見つかりません").arg(csv)))
        << Texts().join(u'|').toStdString();
    EXPECT_FALSE(Window->MergeSession().Database().Active());
}

TEST_F(MainWindowTest, SavingClearsAMergeLinkNoLabelUsesAndNewClosesTheMergeData)
{
    const QString csv = Path(QStringLiteral("names.csv"));
    {
        QFile f(csv);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("山田,太郎\n鈴木,花子\n");
    }
    DialogAnswers = {csv};
    ASSERT_TRUE(Window->ChooseMergeData());
    EXPECT_EQ(Window->Document()->CSVFile(), csv);
    EXPECT_TRUE(Window->MergeSession().Database().Active());
    DialogAnswers = {Path(QStringLiteral("nomerge.lbd"))};
    ASSERT_TRUE(Window->SaveAs());
    EXPECT_TRUE(Window->Document()->CSVFile().isEmpty());
    EXPECT_FALSE(Window->Document()->CSVFieldName());
    EXPECT_TRUE(TLabelData::Open(Path(QStringLiteral("nomerge.lbd")))->CSVFile().isEmpty());

    DialogAnswers = {csv};
    ASSERT_TRUE(Window->ChooseMergeData());
    ASSERT_TRUE(Window->MergeSession().Database().Active());
    Window->Document()->SetModified(false);
    ASSERT_TRUE(Window->NewDocument(true));
    EXPECT_FALSE(Window->MergeSession().Database().Active());
}

TEST_F(MainWindowTest, SavingKeepsTheMergeLinkWhileALabelHoldsAMergeObjectEvenInAGroup)
{
    RegisterMergeClasses();
    const QString csv = Path(QStringLiteral("kept.csv"));
    {
        QFile f(csv);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("山田,太郎\n鈴木,花子\n");
    }
    for (const bool grouped : {false, true}) {
        SCOPED_TRACE(grouped ? "in a group" : "on the label");
        const QString file = Path(grouped ? QStringLiteral("grouped.lbd") : QStringLiteral("direct.lbd"));
        {
            TLabelData data;
            data.SetPaper(Papers->Paper(0));
            TDOList list;
            auto* text = new TLOInsText;
            text->SetBaseRect({100, 100, 900, 300});
            text->SetInsertionField(1);
            if (grouped) {
                auto* group = new TDOGroup;
                auto* rect = new TLORect;
                rect->SetBaseRect({100, 400, 400, 600});
                group->AddMember(rect);
                group->AddMember(text);
                list.Add(group);
            } else {
                list.Add(text);
            }
            data.WriteLabel(0, list);
            list.FreeObjects();
            data.Save(file);
        }
        ASSERT_TRUE(Window->OpenDocument(file));
        DialogAnswers = {csv};
        ASSERT_TRUE(Window->ChooseMergeData());
        ASSERT_EQ(Window->Document()->CSVFile(), csv);
        ASSERT_TRUE(Window->Save());
        EXPECT_EQ(Window->Document()->CSVFile(), csv);
        EXPECT_EQ(TLabelData::Open(file)->CSVFile(), csv);
        EXPECT_TRUE(Window->MergeSession().Database().Active());
    }
}

TEST_F(MainWindowTest, ChoosingAMissingCsvTellsAndLeavesNoLink)
{
    DialogAnswers = {Path(QStringLiteral("gone.csv"))};
    EXPECT_FALSE(Window->ChooseMergeData());
    EXPECT_TRUE(Window->Document()->CSVFile().isEmpty());
    EXPECT_TRUE(Texts().contains(
        QStringLiteral("CSVファイル「%1」が見つかりません").arg(Path(QStringLiteral("gone.csv")))))
        << Texts().join(u'|').toStdString();
}

TEST_F(MainWindowTest, StartupChoiceComesBackAfterTheCancelledPaperDialog)
{
    int asked = 0;
    Window->NewPaperDialogHook = [] { return false; };
    Window->StartupChoiceHook = [&asked] {
        ++asked;
        return asked == 1 ? TfrmMain::TStartupChoice::New : TfrmMain::TStartupChoice::Exit;
    };
    Window->show();
    Window->OfferStartupChoice();
    EXPECT_EQ(asked, 2);
    Wait(50);
    EXPECT_FALSE(Window->isVisible());
}

TEST_F(MainWindowTest, StartupChoiceEndsOnceADocumentIsOpened)
{
    const QString file = MakeDocument(QStringLiteral("chosen.lbd"));
    int asked = 0;
    DialogAnswers = {QString(), file};
    Window->StartupChoiceHook = [&asked] {
        ++asked;
        return TfrmMain::TStartupChoice::Open;
    };
    Window->OfferStartupChoice();
    // Cancelled open dialog: asked again; the second open succeeds.
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(Window->FileName(), file);
}

TEST_F(MainWindowTest, SpecialMenuEntriesOnlyWithTheSetting)
{
    QAction* extended = Window->Command(QStringLiteral("actExtendedPaper"));
    QAction* url = Window->Command(QStringLiteral("actUpdateUrl"));
    ASSERT_TRUE(extended && url);
    Q_EMIT Window->HelpMenu()->aboutToShow();
    EXPECT_FALSE(extended->isVisible());
    EXPECT_FALSE(url->isVisible());
    WriteSettingBool(QStringLiteral("EnableSpecialMenu"), true);
    Q_EMIT Window->HelpMenu()->aboutToShow();
    EXPECT_TRUE(extended->isVisible());
    EXPECT_TRUE(url->isVisible());
    EXPECT_FALSE(extended->isChecked());
    extended->trigger();
    Q_EMIT Window->HelpMenu()->aboutToShow();
    EXPECT_TRUE(extended->isChecked());
    // The paper selection and the paper editors follow the same switch as the
    // picture dialog's wizard box.
    EXPECT_TRUE(PaperExtendedModeOn());
    EXPECT_TRUE(ExtendedPaperMode());
    EXPECT_TRUE(TfrmImageProperty::ExtendedPaperMode());
    extended->trigger();
    EXPECT_FALSE(PaperExtendedModeOn());
    WriteSettingBool(QStringLiteral("EnableSpecialMenu"), false);
    Q_EMIT Window->HelpMenu()->aboutToShow();
    EXPECT_FALSE(extended->isVisible());
}

TEST_F(MainWindowTest, CommandsCarryTheirCaptionsAndShortCuts)
{
    const struct
    {
        const char* name;
        const char* caption;
        QKeySequence key;
    } expected[] = {
        {"actNew", "新規作成(&N)...", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"actOpen", "開く(&O)...", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"actSave", "保存(&S)", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"actSaveAs", "名前を付けて保存(&A)...", {}},
        {"actExport", "他形式保存(&H)...", {}},
        {"actTemplate", "ラベルテンプレートの呼び出し(&T)...", {}},
        {"actSelectPaper", "用紙選択(&L)...", {}},
        {"actEnvironment", "環境設定(&E)...", {}},
        {"actPrinterSetup", "プリンタ設定(&R)...", {}},
        {"actPrint", "印刷(&P)...", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"actExit", "ベルモの終了(&X)", {}},
        {"actMergeFile", "CSVファイルの選択(&F)...", {}},
        {"actMergeList", "CSVデータの一覧(&V)...", {}},
        {"actSheetView", "ラベルシート表示(&S)", {}},
        {"actLayoutView", "ラベル表示(&L)", {}},
        {"actHelp", "ベルモの使い方(&C)", QKeySequence(Qt::Key_F1)},
        {"actUpdatePaper", "用紙情報の自動更新(&U)...", {}},
        {"actAbout", "バージョン情報(&A)...", {}},
    };
    for (const auto& e : expected) {
        QAction* a = Window->Command(QString::fromLatin1(e.name));
        ASSERT_NE(a, nullptr) << e.name;
        EXPECT_EQ(a->text(), QString::fromUtf8(e.caption)) << e.name;
        EXPECT_EQ(a->shortcut(), e.key) << e.name;
    }
}

TEST_F(MainWindowTest, WizardEntriesHiddenUntilARunnerIsRegistered)
{
    SetWizardRunner({});
    Q_EMIT Window->FileMenu()->aboutToShow();
    EXPECT_FALSE(Window->Command(QStringLiteral("actWizard"))->isVisible());
    EXPECT_FALSE(Window->Command(QStringLiteral("actMatching"))->isVisible());
    EXPECT_FALSE(Window->RunWizard(TWizardKind::Plain));

    const QString result = MakeDocument(QStringLiteral("wizard-result.lbd"));
    TWizardKind seen = TWizardKind::Plain;
    SetWizardRunner([&](TWizardKind kind, QWidget*) {
        seen = kind;
        return TWizardOutcome{TWizardOutcome::Accepted, result};
    });
    Q_EMIT Window->FileMenu()->aboutToShow();
    EXPECT_TRUE(Window->Command(QStringLiteral("actWizard"))->isVisible());
    const QString titled = MakeDocument(QStringLiteral("titled.lbd"));
    ASSERT_TRUE(Window->OpenDocument(titled));
    Modify();
    Fixture.Answers = {mrNo};
    EXPECT_TRUE(Window->RunWizard(TWizardKind::Matching));
    EXPECT_EQ(seen, TWizardKind::Matching);
    // The result is untitled and the work file is not remembered.
    EXPECT_TRUE(Window->FileName().isEmpty());
    EXPECT_EQ(Window->TitleText(), QStringLiteral("ベルモ - 新規作成"));
    EXPECT_TRUE(Window->Document()->LabelHasData(0));
    EXPECT_FALSE(Window->OpenFileHistory()->Items().contains(result));

    SetWizardRunner([](TWizardKind, QWidget*) { return TWizardOutcome{TWizardOutcome::Unavailable, {}}; });
    EXPECT_FALSE(Window->RunWizard(TWizardKind::Plain));
    EXPECT_TRUE(Fixture.Shown.back().Text.startsWith(QStringLiteral("ウイザード情報が見つかりません")))
        << Fixture.Shown.back().Text.toStdString();

    SetWizardRunner([&](TWizardKind, QWidget*) {
        return TWizardOutcome{TWizardOutcome::Accepted, Path(QStringLiteral("no-such-work-file.lbd"))};
    });
    EXPECT_FALSE(Window->RunWizard(TWizardKind::Plain));
    EXPECT_EQ(Fixture.Shown.back().Text, QStringLiteral("作業ファイル「%1」の読込みに失敗しました")
                                             .arg(Path(QStringLiteral("no-such-work-file.lbd"))));
    SetWizardRunner({});
}

// ---- bad input ----

TEST_F(MainWindowTest, ReadOnlyWorkFileGoesToSaveAsWithAMessage)
{
    const QString file = MakeDocument(QStringLiteral("ro.lbd"));
    ASSERT_TRUE(Window->OpenDocument(file));
    const QByteArray before = ReadAll(file);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadUser);
    Modify();
    DialogAnswers = {Path(QStringLiteral("copy.lbd"))};
    EXPECT_TRUE(Window->Save());
    EXPECT_TRUE(Texts().contains(
        QStringLiteral("ファイル「ro.lbd」は読み取り専用です。\r\n別の名前を付けて保存してください")));
    EXPECT_EQ(ReadAll(file), before);
    EXPECT_EQ(Window->FileName(), Path(QStringLiteral("copy.lbd")));
    EXPECT_FALSE(Window->Document()->Modified());
}

TEST_F(MainWindowTest, AFullDiskDuringSaveKeepsThePreviousFileByteForByte)
{
    const QString file = MakeDocument(QStringLiteral("full.lbd"));
    ASSERT_TRUE(Window->OpenDocument(file));
    const QByteArray before = ReadAll(file);
    Window->Document()->SetDataName(QStringLiteral("変更後"));
    Modify();
    for (int64_t after : {int64_t(0), int64_t(100), int64_t(4096), int64_t(before.size() / 2)}) {
        Fixture.Shown.clear();
        SetWriteFaultAfter(after);
        EXPECT_FALSE(Window->Save()) << after;
        SetWriteFaultAfter(-1);
        EXPECT_EQ(ReadAll(file), before) << after;
        EXPECT_TRUE(Window->Document()->Modified()) << after;
        ASSERT_EQ(Fixture.Shown.size(), 1u);
        EXPECT_TRUE(Fixture.Shown[0].Text.startsWith(QStringLiteral("データの保存に失敗しました"))) << after;
        // No temporary file is left beside it.
        EXPECT_EQ(QDir(Fixture.Temp.path())
                      .entryList(QDir::Files | QDir::Hidden)
                      .filter(QStringLiteral(".full.lbd"))
                      .size(),
                  0);
    }
    EXPECT_TRUE(Window->Save());
    EXPECT_EQ(TLabelData::Open(file)->DataName(), QStringLiteral("変更後"));
}

TEST_F(MainWindowTest, AFileLockedByAnotherProgramIsNeitherOpenedNorOverwritten)
{
    const QString file = MakeDocument(QStringLiteral("locked.lbd"));
    const QString mine = MakeDocument(QStringLiteral("mine.lbd"));
    ASSERT_TRUE(Window->OpenDocument(mine));
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    // flock locks belong to the open file, so this process counts as "another" here.
    EXPECT_FALSE(Window->OpenDocument(file));
    EXPECT_EQ(Window->FileName(), mine);
    EXPECT_TRUE(Fixture.Shown.back().Text.contains(QStringLiteral("ほかのプログラムが使用中")));
    const QByteArray before = ReadAll(file);
    Modify();
    EXPECT_FALSE(Window->SaveTo(file));
    EXPECT_EQ(ReadAll(file), before);
    EXPECT_TRUE(Window->Document()->Modified());
    ::close(fd);
    EXPECT_TRUE(Window->SaveTo(file));
}

TEST_F(MainWindowTest, ADroppedFolderIsToldAndChangesNothing)
{
    const QString folder = Path(QStringLiteral("folder.lbd"));
    QDir().mkpath(folder);
    TLabelData* before = Window->Document();
    EXPECT_FALSE(Window->OpenDocument(folder));
    EXPECT_EQ(Window->Document(), before);
    EXPECT_TRUE(Fixture.Shown.back().Text.contains(QStringLiteral("フォルダです")));
    // Saving onto a folder asks for a name instead.
    Modify();
    EXPECT_FALSE(Window->SaveTo(folder));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_TRUE(Window->Document()->Modified());
}

TEST_F(MainWindowTest, ExportWritesTheCurrentLabelAsBmpAndJpegAndRefusesAnUnwritablePath)
{
    const QString file = MakeDocument(QStringLiteral("export.lbd"));
    ASSERT_TRUE(Window->OpenDocument(file));
    const TLogRect rect = Window->Document()->LabelRect(0);
    DialogAnswers = {Path(QStringLiteral("label.bmp"))};
    DialogFilter = 1;
    ASSERT_TRUE(Window->ExportLabel());
    QImageReader bmp(Path(QStringLiteral("label.bmp")));
    EXPECT_EQ(bmp.format(), "bmp");
    const QImage picture = bmp.read();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(rect.Width(), rect.Height()));
    EXPECT_EQ(picture.depth(), 32); // read as RGB32 from 24-bit rows
    // The rectangle's outline is dark, the rest white.
    EXPECT_EQ(QColor(picture.pixel(rect.Width() - 2, rect.Height() - 2)), QColor(Qt::white));

    DialogAnswers = {Path(QStringLiteral("label.jpg"))};
    DialogFilter = 2;
    ASSERT_TRUE(Window->ExportLabel());
    QImageReader jpeg(Path(QStringLiteral("label.jpg")));
    EXPECT_EQ(jpeg.format(), "jpeg");
    EXPECT_EQ(jpeg.size(), QSize(rect.Width(), rect.Height()));

    const QString blocked = Path(QStringLiteral("no-such-folder/label.bmp"));
    EXPECT_FALSE(Window->ExportLabelTo(blocked, false));
    EXPECT_FALSE(QFileInfo(blocked).exists());
    EXPECT_TRUE(Fixture.Shown.back().Text.startsWith(
        QStringLiteral("ラベルの画像を「%1」に保存できませんでした").arg(blocked)));
    // The document is not touched by an export.
    EXPECT_FALSE(Window->Document()->Modified());
}

TEST_F(MainWindowTest, ExportLeavesOutThePapersPrintedImagesAndDrawsNothingForAnEmptyLabel)
{
    ASSERT_TRUE(Window->NewDocument(true));
    const QImage empty = RenderLabelDesign(*Window->Document(), 0);
    ASSERT_FALSE(empty.isNull());
    for (int y = 0; y < empty.height(); y += 7)
        for (int x = 0; x < empty.width(); x += 7)
            ASSERT_EQ(QColor(empty.pixel(x, y)), QColor(Qt::white)) << x << "," << y;
}

TEST_F(MainWindowTest, AutosaveCopyIsWrittenBesideAndOfferedBack)
{
    const QString file = MakeDocument(QStringLiteral("auto.lbd"));
    ASSERT_TRUE(Window->OpenDocument(file));
    const QByteArray before = ReadAll(file);
    Window->Document()->SetDataName(QStringLiteral("未保存の変更"));
    Modify();
    Window->AutoSaveNow();
    EXPECT_TRUE(Window->Document()->Modified()) << "the copy is not the user's save";
    const QString copy = Window->AutoSavePath();
    ASSERT_FALSE(copy.isEmpty());
    EXPECT_NE(QFileInfo(copy).absolutePath(), QFileInfo(file).absolutePath());
    EXPECT_EQ(ReadAll(file), before); // never over the work file
    TAutoSave store(TAutoSave::DefaultFolder());
    QString source;
    ASSERT_TRUE(store.Pending(&source));
    EXPECT_EQ(source, file);

    // As after a killed run: the window goes without its close step.
    Window->Document()->SetModified(false);
    Window.reset();
    ASSERT_TRUE(store.Pending(nullptr)) << "the copy survives a run that did not close";
    Window = std::make_unique<TfrmMain>();
    Window->Catalogue = [this] { return Papers.get(); };
    Fixture.Answers = {mrYes};
    Window->MakeInitialDocument();
    ASSERT_NE(Window->Document(), nullptr);
    EXPECT_EQ(Window->Document()->DataName(), QStringLiteral("未保存の変更"));
    EXPECT_TRUE(Window->Document()->Modified());
    EXPECT_EQ(Window->FileName(), file);
    EXPECT_TRUE(Texts().last().contains(QStringLiteral("auto.lbd")));
    // Saving ends the copy.
    ASSERT_TRUE(Window->Save());
    EXPECT_FALSE(store.Pending(nullptr));
    EXPECT_EQ(TLabelData::Open(file)->DataName(), QStringLiteral("未保存の変更"));
}

TEST_F(MainWindowTest, AutosaveOfferDeclinedRemovesTheCopyAndADamagedCopyIsTold)
{
    Modify();
    Window->AutoSaveNow();
    TAutoSave store(TAutoSave::DefaultFolder());
    ASSERT_TRUE(store.Pending(nullptr));
    Window->Document()->SetModified(false);
    Window.reset();
    Window = std::make_unique<TfrmMain>();
    Window->Catalogue = [this] { return Papers.get(); };
    Fixture.Answers = {mrNo};
    Window->MakeInitialDocument();
    EXPECT_FALSE(store.Pending(nullptr));
    EXPECT_FALSE(Window->Document()->Modified());

    // A copy cut short by the crash itself.
    QDir().mkpath(TAutoSave::DefaultFolder());
    {
        QFile f(store.CopyFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\xD0\xCF\x11\xE0 cut");
    }
    Fixture.Answers = {mrYes};
    Fixture.Shown.clear();
    Window->MakeInitialDocument();
    EXPECT_TRUE(Texts().join(u'|').contains(QStringLiteral("自動保存の文書を読み込めませんでした")));
    EXPECT_FALSE(store.Pending(nullptr));
    EXPECT_NE(Window->Document(), nullptr);
}

TEST_F(MainWindowTest, ClosingRemovesTheAutosaveCopy)
{
    Modify();
    Window->AutoSaveNow();
    ASSERT_FALSE(Window->AutoSavePath().isEmpty());
    Window->show();
    Fixture.Answers = {mrNo};
    EXPECT_TRUE(Window->close());
    EXPECT_FALSE(TAutoSave(TAutoSave::DefaultFolder()).Pending(nullptr));
}

TEST_F(MainWindowTest, HelpOpensTheInstalledGuideInTheBrowser)
{
    QUrl opened;
    Window->OpenUrlHook = [&opened](const QUrl& url) {
        opened = url;
        return true;
    };
    Fixture.Frame->DataRoots().ExeFolder = velmo::test::BinaryDir() + QStringLiteral("/src");
    Window->OpenHelp();
    ASSERT_TRUE(opened.isLocalFile()) << Texts().join(u'|').toStdString();
    EXPECT_TRUE(opened.toLocalFile().endsWith(QStringLiteral("help/index.html")));
    const QByteArray page = ReadAll(opened.toLocalFile());
    EXPECT_TRUE(page.contains("lang=\"ja\""));
    // Every picture the guide shows is there.
    const QString folder = QFileInfo(opened.toLocalFile()).absolutePath();
    int pictures = 0;
    for (qsizetype at = page.indexOf("src=\""); at >= 0; at = page.indexOf("src=\"", at + 1)) {
        const qsizetype end = page.indexOf('"', at + 5);
        const QString name = QString::fromUtf8(page.mid(at + 5, end - at - 5));
        EXPECT_TRUE(QImageReader(folder + u'/' + name).canRead()) << name.toStdString();
        ++pictures;
    }
    EXPECT_GE(pictures, 3);
}

} // namespace

namespace {

TEST_F(MainWindowTest, DesignsSurviveMergeLinkExportAndSave)
{
    const QString file = MakeDocument(QStringLiteral("keep.lbd"));
    ASSERT_TRUE(Window->OpenDocument(file));
    ASSERT_TRUE(Window->Document()->LabelHasData(0));
    const QString csv = Path(QStringLiteral("k.csv"));
    {
        QFile f(csv);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("a,b\nc,d\n");
    }
    DialogAnswers = {csv};
    ASSERT_TRUE(Window->ChooseMergeData());
    EXPECT_TRUE(Window->Document()->LabelHasData(0)) << "after the link";
    ASSERT_TRUE(Window->ExportLabelTo(Path(QStringLiteral("k.jpg")), true));
    EXPECT_TRUE(Window->Document()->LabelHasData(0)) << "after the export";
    Modify();
    ASSERT_TRUE(Window->Save());
    EXPECT_TRUE(TLabelData::Open(file)->LabelHasData(0)) << "in the saved file";
}

} // namespace
