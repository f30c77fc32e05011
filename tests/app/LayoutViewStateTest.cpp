// What the hosted layout view keeps and what marks a document changed: showing a
// label (pictures, merge texts, the record of the label) never does, an edit does; a
// safety copy leaves the view as the user has it (undo history, changes).
#include "AppTestSupport.h"
#include "app/FMain.h"
#include "app/UAutoSave.h"
#include "base/UModalResult.h"
#include "document/ULabelData.h"
#include "draw/FDrawSite.h"
#include "draw/UDOAction.h"
#include "layout/FLayout.h"
#include "merge/UCsvDB.h"
#include "merge/ULOInsertion.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULOImage.h"
#include "objects/ULORect.h"
#include "paper/UVelmoPapers.h"
#include "support/TestSupport.h"
#include "text/ULOText.h"
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

class LayoutViewState : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(Fixture.Temp.path() + QStringLiteral("/data")));
        RegisterCatalogueClasses();
        RegisterShapeClasses();
        RegisterTextClasses();
        RegisterImageClasses();
        RegisterMergeClasses();
        InstallActionHistory();
        Papers = std::make_unique<TVelmoPapers>(velmo::test::BinaryDir() + QStringLiteral("/data/velmo.ppr"),
                                                true);
        TfrmMain::SetSplashEnabled(false);
        Window = std::make_unique<TfrmMain>();
        Window->Catalogue = [this] { return Papers.get(); };
        Window->NewDocument(true);
    }
    void TearDown() override
    {
        if (Window && Window->Document())
            Window->Document()->SetModified(false);
        if (Window && Window->LayoutView())
            Window->LayoutView()->Site()->SetModified(false);
        Window.reset();
        TCsvDB::Instance().Close();
        qunsetenv("XDG_DATA_HOME");
    }

    QString Path(const QString& name) const { return Fixture.Temp.path() + u'/' + name; }

    // A label with a rectangle, a text, a picture from a file and a merge text bound
    // to the second field of a linked CSV.
    QString MakeDocument(bool withMerge)
    {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(QColor(220, 30, 30));
        EXPECT_TRUE(picture.save(Path(QStringLiteral("red.bmp"))));
        TLabelData data;
        data.SetPaper(Papers->Paper(0));
        TDOList list;
        auto* rect = new TLORect;
        rect->SetBaseRect({100, 100, 400, 300});
        list.Add(rect);
        auto* text = new TLOVelmoText;
        text->SetBaseRect({100, 400, 900, 500});
        text->SetLines({QStringLiteral("Summer 2026")});
        list.Add(text);
        auto* image = new TLOImage;
        image->SetBaseRect({500, 100, 800, 300});
        image->LoadPicture(Path(QStringLiteral("red.bmp")));
        list.Add(image);
        if (withMerge) {
            QFile csv(Path(QStringLiteral("names.csv")));
            EXPECT_TRUE(csv.open(QIODevice::WriteOnly));
            csv.write("名前01,東京都1丁目\r\n名前02,東京都2丁目\r\n");
            csv.close();
            data.SetCSVFile(Path(QStringLiteral("names.csv")));
            auto* merge = new TLOInsText;
            merge->SetBaseRect({100, 600, 900, 700});
            merge->SetInsertionField(1);
            list.Add(merge);
        }
        data.WriteLabel(0, list);
        list.FreeObjects();
        const QString file = Path(QStringLiteral("state.lbd"));
        data.Save(file);
        return file;
    }

    bool Marked() const { return Window->Document()->Modified() || Window->LayoutView()->Modified(); }
    int ObjectCount() const
    {
        TDrawSite* site = Window->LayoutView()->Site();
        int n = 0;
        for (int i = 0; i < site->ObjectCount(); ++i)
            n += site->Objects(i)->LayerGroup() != kBackgroundLayerGroup;
        return n;
    }
    // An edit as the user makes it: everything selected, then deleted.
    void DeleteAll()
    {
        Command(QStringLiteral("SelectAll"));
        Command(QStringLiteral("Clear"));
    }
    // A command as its menu entry runs it (the entry is enabled when its menu opens).
    void Command(const QString& name)
    {
        QAction* action = Window->LayoutView()->Action(name);
        ASSERT_NE(action, nullptr) << name.toStdString();
        action->setEnabled(true);
        action->trigger();
    }

    velmo::test::TFrameFixture Fixture;
    std::unique_ptr<TVelmoPapers> Papers;
    std::unique_ptr<TfrmMain> Window;
};

TEST_F(LayoutViewState, ShowingAndSavingALabelNeverMarksItChanged)
{
    ASSERT_TRUE(Window->OpenDocument(MakeDocument(true)));
    ASSERT_NE(Window->LayoutView(), nullptr);
    EXPECT_EQ(ObjectCount(), 4);
    Window->show();
    // Pictures drawn, the record applied, idle handlers and the window's timers run.
    Wait(1200);
    EXPECT_FALSE(Marked()) << "opening and showing the label changed it";
    // Another look at the label: the sheet view and back.
    ASSERT_TRUE(Window->SwitchView(true));
    Wait(300);
    ASSERT_TRUE(Window->SwitchView(false));
    Wait(600);
    EXPECT_FALSE(Marked()) << "switching views changed the label";
    // A real edit marks it; the save clears the mark and nothing brings it back.
    DeleteAll();
    EXPECT_EQ(ObjectCount(), 0);
    EXPECT_TRUE(Marked());
    ASSERT_TRUE(Window->Save());
    EXPECT_FALSE(Marked());
    Wait(1200);
    EXPECT_FALSE(Marked()) << "the label reported a change after the save";
}

TEST_F(LayoutViewState, SafetyCopyKeepsUndoHistoryAndTheViewsChanges)
{
    const QString file = MakeDocument(false);
    ASSERT_TRUE(Window->OpenDocument(file));
    const QByteArray before = [&] {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    DeleteAll();
    ASSERT_EQ(ObjectCount(), 0);
    ASSERT_TRUE(TActionList::Instance().CanUndo());
    Window->AutoSaveNow();
    const QString copy = Window->AutoSavePath();
    ASSERT_FALSE(copy.isEmpty());
    {
        // The copy holds the edit.
        auto saved = TLabelData::Open(copy);
        TDOList objects;
        saved->ReadLabel(0, objects);
        EXPECT_EQ(objects.Count(), 0);
        objects.FreeObjects();
    }
    // The view is as the user left it: the edit can still be undone and is still a
    // change of the document.
    EXPECT_TRUE(TActionList::Instance().CanUndo()) << "the safety copy cleared the undo history";
    EXPECT_TRUE(Marked());
    Command(QStringLiteral("Undo"));
    EXPECT_EQ(ObjectCount(), 3);
    // The work file is untouched by the copy; the save then holds the undone state.
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    f.close();
    ASSERT_TRUE(Window->Save());
    auto saved = TLabelData::Open(file);
    TDOList objects;
    saved->ReadLabel(0, objects);
    EXPECT_EQ(objects.Count(), 3);
    objects.FreeObjects();
}

TEST_F(LayoutViewState, SafetyCopyWaitsWhileADialogIsOpen)
{
    ASSERT_TRUE(Window->OpenDocument(MakeDocument(false)));
    DeleteAll();
    QString during = QStringLiteral("<not run>");
    QDialog dialog(Window.get());
    QTimer::singleShot(0, &dialog, [&] {
        Window->AutoSaveNow();
        during = Window->AutoSavePath();
        dialog.reject();
    });
    dialog.exec();
    EXPECT_TRUE(during.isEmpty()) << "a copy was written under an open dialog: " << during.toStdString();
    Window->AutoSaveNow();
    EXPECT_FALSE(Window->AutoSavePath().isEmpty());
}

} // namespace

namespace {

TEST_F(LayoutViewState, MergeKindsAreListedInTheMenus)
{
    auto listed = [this](const char* menu, const char* action) {
        auto* m = Window->LayoutView()->findChild<QMenu*>(QString::fromLatin1(menu));
        QAction* a = Window->LayoutView()->Action(QString::fromLatin1(action));
        return m && a && m->actions().contains(a);
    };
    EXPECT_TRUE(listed("mnText", "actInsText"));
    EXPECT_TRUE(listed("mnText", "actInsBarCode"));
    EXPECT_TRUE(listed("mnImage", "actInsImage"));
    // So are the kinds that only a menu reaches.
    EXPECT_TRUE(listed("mnText", "actBarCode"));
    EXPECT_TRUE(listed("mnText", "actDecoString"));
    EXPECT_TRUE(listed("mnShape", "actDecoLine"));
    EXPECT_EQ(Window->LayoutView()->Action(QStringLiteral("actInsText"))->text(),
              QStringLiteral("差込み文字(&N)..."));
    EXPECT_EQ(Window->LayoutView()->Action(QStringLiteral("actInsBarCode"))->text(),
              QStringLiteral("差込みバーコード(&S)..."));
}

} // namespace

namespace {

TEST_F(LayoutViewState, RestoredWorkIsKnownAsTheWorkOfItsFile)
{
    const QString file = MakeDocument(false);
    ASSERT_TRUE(Window->OpenDocument(file));
    EXPECT_FALSE(Window->HoldsRestoredWorkOf(file)) << "opened, not restored";
    DeleteAll();
    Window->AutoSaveNow();
    ASSERT_FALSE(Window->AutoSavePath().isEmpty());
    // As after a crash: the next start restores the copy.
    Window->Document()->SetModified(false);
    Window->LayoutView()->Site()->SetModified(false);
    Window = std::make_unique<TfrmMain>();
    Window->Catalogue = [this] { return Papers.get(); };
    Fixture.Answers = {mrYes};
    Window->MakeInitialDocument();
    ASSERT_EQ(Window->FileName(), file);
    EXPECT_TRUE(Window->HoldsRestoredWorkOf(file));
    // The same file by another spelling of its path.
    EXPECT_TRUE(Window->HoldsRestoredWorkOf(Fixture.Temp.path() + QStringLiteral("/./state.lbd")));
    EXPECT_FALSE(Window->HoldsRestoredWorkOf(Path(QStringLiteral("red.bmp"))));
    EXPECT_FALSE(Window->HoldsRestoredWorkOf(QString()));
    // Once saved it is the file's content again.
    ASSERT_TRUE(Window->Save());
    EXPECT_FALSE(Window->HoldsRestoredWorkOf(file));
}

} // namespace
