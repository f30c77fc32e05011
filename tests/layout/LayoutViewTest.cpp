// The layout view on a real document: show label and write back, the style tool and
// the default style, the creation hook, zoom, shared designs, printed images, guides,
// keys, dropped files and the damaged inputs a user can run into.
#include "document/ULabelData.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "draw/UDOAction.h"
#include "draw/UGhost.h"
#include "draw/UGuide.h"
#include "imaging/FPhotoCD.h"
#include "imaging/UColorSpec.h"
#include "imaging/UGradation.h"
#include "imaging/UPictureFormats.h"
#include "imaging/UResourceImage.h"
#include "imaging/USafetyBitmap.h"
#include "layout/FLayout.h"
#include "objects/FLayoutAids.h"
#include "objects/FShapeDialogs.h"
#include "objects/UGhostDesigners.h"
#include "objects/ULDObjects.h"
#include "objects/ULOCreator.h"
#include "objects/ULOFace.h"
#include "objects/ULOImage.h"
#include "objects/ULORect.h"
#include "objects/ULORectBase.h"
#include "objects/UStandardDSA.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include "sheet/USheetView.h"
#include "storage/UDocFile.h"
#include "support/TestSupport.h"
#include "text/ULOText.h"
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <iostream>

using namespace velmo;

namespace {

void RegisterAll()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterLabelDataClasses();
    RegisterGhostDesigners();
    RegisterShapeClasses();
    RegisterTextClasses();
    RegisterImageClasses();
    RegisterImagingGraphics();
    RegisterPictureFormats();
    TDesignerList::Instance().Register(std::make_shared<TLOCreator>());
    InstallActionHistory();
}

std::unique_ptr<TMatrixPaperInfo> TwelveUp()
{
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPaperName(QStringLiteral("テスト 12面"));
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetFaceCountX(2);
    paper->SetFaceCountY(6);
    paper->SetFaceWidth(864);
    paper->SetFaceHeight(423);
    paper->SetLeftOffset(166);
    paper->SetTopOffset(196);
    paper->SetRightMargin(20);
    paper->SetBottomMargin(20);
    return paper;
}

// Settings kept in a map, as the application keeps them in its settings file.
QMap<QString, QString>& Settings()
{
    static QMap<QString, QString> map;
    return map;
}

void InstallMapStore()
{
    TfrmLayout::SetSettingsStore(
        {[](const QString& n, int d) { return Settings().contains(n) ? Settings()[n].toInt() : d; },
         [](const QString& n, const QString& d) { return Settings().value(n, d); },
         [](const QString& n, int v) { Settings()[n] = QString::number(v); },
         [](const QString& n, const QString& v) { Settings()[n] = v; }});
}

QPoint RectCenterOf(const TLogRect& r)
{
    return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
}

TLORect* NewRect(const TLogRect& r)
{
    auto* rect = static_cast<TLORect*>(FindLabelClassByName(u"TLORect")->Create(nullptr));
    rect->SetBaseRect(r);
    return rect;
}

class LayoutView : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterAll();
        Settings().clear();
        InstallMapStore();
        TfrmLayout::ResetRememberedZoom();
        FDoc = std::make_unique<TLabelData>();
        FDoc->SetPaper(TwelveUp().get());
        FView = std::make_unique<TfrmLayout>();
        TSheetMessages messages;
        messages.YesNo = [](const QString&) { return true; };
        messages.OkCancel = [](const QString&) { return true; };
        messages.Notice = [this](const QString& m) { FNotices << m; };
        FView->SetMessages(messages);
        FView->resize(1000, 700);
        FView->SetDocument(FDoc.get());
        FView->ShowLabel();
    }
    void TearDown() override
    {
        FView.reset();
        FDoc.reset();
        TfrmLayout::SetSettingsStore({});
    }
    TDrawSite* Site() { return FView->Site(); }
    // Objects of the design (the printed images left out).
    std::vector<TDrawObject*> Design()
    {
        std::vector<TDrawObject*> out;
        for (int i = 0; i < Site()->ObjectCount(); ++i)
            if (Site()->Objects(i)->LayerGroup() != kBackgroundLayerGroup)
                out.push_back(Site()->Objects(i));
        return out;
    }
    // Adds an object as the user's command would (recorded, selected).
    TLORect* AddRect(const TLogRect& r)
    {
        TLORect* rect = NewRect(r);
        Site()->InsertComponent(rect);
        Site()->AddObject(rect);
        RecordAddAction(rect, QStringLiteral("追加"));
        Site()->SelectAll(false);
        rect->SetSelected(true);
        Site()->RefreshPivots();
        return rect;
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool release = true)
    {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(Site(), &press);
        if (release) {
            QKeyEvent up(QEvent::KeyRelease, key, modifiers);
            QApplication::sendEvent(Site(), &up);
        }
    }
    std::unique_ptr<TLabelData> FDoc;
    std::unique_ptr<TfrmLayout> FView;
    QStringList FNotices;
};

// ---- show label and write back

TEST_F(LayoutView, ShowLabelSizesTheSiteToThePositionsOuterRectangle)
{
    EXPECT_EQ(Site()->LogWidth(), 864);
    EXPECT_EQ(Site()->LogHeight(), 423);
    EXPECT_EQ(FView->Aids()->HorizontalRuler()->RulerLength(), 86);
    EXPECT_EQ(FView->Aids()->VerticalRuler()->RulerLength(), 42);
    EXPECT_FALSE(Site()->Modified());
    EXPECT_FALSE(TActionList::Instance().CanUndo());
    EXPECT_EQ(FView->Overview()->ChosenIndex(), 0);
    EXPECT_TRUE(FView->Overview()->isEnabled());
}

TEST_F(LayoutView, TheEditCommandsFollowTheBoxThatHasTheKeyboard)
{
    FView->show();
    QApplication::setActiveWindow(FView.get());
    QApplication::processEvents();
    TLORect* rect = AddRect({100, 100, 300, 200});
    auto* undo = FView->Aids()->Command(QStringLiteral("Undo"));
    auto* redo = FView->Aids()->Command(QStringLiteral("Redo"));
    auto* cut = FView->Aids()->Command(QStringLiteral("Cut"));
    auto* copy = FView->Aids()->Command(QStringLiteral("Copy"));
    auto* paste = FView->Aids()->Command(QStringLiteral("Paste"));
    auto* clear = FView->Aids()->Command(QStringLiteral("Clear"));
    ASSERT_TRUE(undo && redo && cut && copy && paste && clear);
    auto update = [&] {
        for (TDrawSiteActionBase* a : {undo, redo, cut, copy, paste, clear})
            a->UpdateAction();
    };
    // On the site: the label's objects.
    Site()->setFocus();
    QApplication::processEvents();
    update();
    EXPECT_TRUE(undo->text().endsWith(QStringLiteral("の取り消し(&U)"))) << undo->text().toStdString();
    EXPECT_TRUE(cut->isEnabled());

    // The font size box has the keyboard: the commands act on its text.
    QComboBox* size = FView->FontSizeBox();
    ASSERT_TRUE(size->isEditable());
    size->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(size->hasFocus() || size->lineEdit()->hasFocus());
    QLineEdit* box = size->lineEdit();
    box->selectAll();
    box->insert(QStringLiteral("24"));
    box->selectAll();
    update();
    EXPECT_EQ(undo->text(), QStringLiteral("取り消し(&U)"));
    EXPECT_TRUE(undo->isEnabled());
    if (!qEnvironmentVariableIsEmpty("VELMO_SHOTS")) {
        QMenu* edit = FView->Menus()[0];
        edit->adjustSize();
        edit->grab().save(qEnvironmentVariable("VELMO_SHOTS") +
                          QStringLiteral("/layout-edit-menu-on-box.png"));
    }
    EXPECT_EQ(redo->text(), QStringLiteral("やり直し(&R)"));
    EXPECT_FALSE(redo->isEnabled());
    EXPECT_TRUE(cut->isEnabled());
    EXPECT_TRUE(copy->isEnabled());
    copy->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("24"));
    clear->trigger();
    EXPECT_TRUE(box->text().isEmpty());
    update();
    EXPECT_TRUE(paste->isEnabled());
    EXPECT_FALSE(cut->isEnabled()) << "nothing selected in the box";
    paste->trigger();
    EXPECT_EQ(box->text(), QStringLiteral("24"));
    undo->trigger();
    EXPECT_TRUE(box->text().isEmpty());
    // The label was not touched by any of it.
    ASSERT_EQ(Design().size(), 1u);
    EXPECT_EQ(Design().front(), rect);
    EXPECT_TRUE(rect->Selected());
    EXPECT_EQ(TActionList::Instance().Count(), 1);

    // Back on the site, the menu speaks of the objects again.
    Site()->setFocus();
    QApplication::processEvents();
    update();
    EXPECT_NE(undo->text(), QStringLiteral("取り消し(&U)"));
    cut->trigger();
    EXPECT_TRUE(Design().empty());
}

TEST_F(LayoutView, WriteBackStoresTheDesignAndKeepsTheObjects)
{
    AddRect({100, 100, 300, 200});
    ASSERT_TRUE(Site()->Modified());
    FView->WriteBack();
    EXPECT_FALSE(Site()->Modified());
    EXPECT_FALSE(TActionList::Instance().CanUndo());
    EXPECT_EQ(Design().size(), 1u);
    TDOList read;
    FDoc->ReadLabel(0, read);
    ASSERT_EQ(read.Count(), 1);
    EXPECT_EQ(static_cast<TLORect*>(read[0])->BaseRect(), (TLogRect{100, 100, 300, 200}));
    read.FreeObjects();
}

TEST_F(LayoutView, WritingBackAnUnmodifiedSiteTouchesNeitherDocumentNorHistory)
{
    AddRect({100, 100, 300, 200});
    FView->WriteBack();
    const QByteArray stored = FDoc->LabelResourceBytes(0);
    FDoc->SetModified(false);
    // An entry in the history that write back would clear if it ran.
    TActionList::Instance().AddAction(
        std::make_unique<TDOChangeAction>(Design()[0], QStringLiteral("x"), true));
    ASSERT_TRUE(TActionList::Instance().CanUndo());
    Site()->SetModified(false);
    FView->WriteBack();
    EXPECT_TRUE(TActionList::Instance().CanUndo());
    EXPECT_FALSE(FDoc->Modified());
    EXPECT_EQ(FDoc->LabelResourceBytes(0), stored);
}

TEST_F(LayoutView, ChoosingAnotherPositionWritesBackFirst)
{
    AddRect({10, 10, 100, 100});
    FView->ChoosePosition(5);
    EXPECT_EQ(FDoc->CurrentLabelNo(), 5);
    EXPECT_TRUE(Design().empty());
    EXPECT_TRUE(FDoc->LabelHasData(0));
    EXPECT_EQ(FView->Overview()->ChosenIndex(), 5);
    FView->ChoosePosition(0);
    EXPECT_EQ(Design().size(), 1u);
    // Out of range changes nothing.
    FView->ChoosePosition(12);
    FView->ChoosePosition(-1);
    EXPECT_EQ(FDoc->CurrentLabelNo(), 0);
}

TEST_F(LayoutView, SharedDesignShowsNoChosenFaceAndEditsTheOneDesign)
{
    FDoc->SetSeparatelyDesign(false);
    FDoc->SetCurrentLabelNo(3);
    FView->ShowLabel();
    EXPECT_EQ(FView->Overview()->ChosenIndex(), -1);
    EXPECT_FALSE(FView->Overview()->isEnabled());
    AddRect({10, 10, 100, 100});
    FView->WriteBack();
    // Every position reads the one design.
    for (int k : {0, 3, 11}) {
        TDOList read;
        FDoc->ReadLabel(k, read);
        EXPECT_EQ(read.Count(), 1) << k;
        read.FreeObjects();
    }
    EXPECT_EQ(FDoc->DesignCount(), 1);
}

TEST_F(LayoutView, PrintedImagesAreShownButNeitherSavedNorSelectable)
{
    TImagePaperInfo images;
    images.SetSeparatelyDesign(false);
    TDOList face;
    TLORect* printed = NewRect({0, 0, 864, 50});
    face.Add(printed);
    images.SetFaceObjects(0, face);
    face.FreeObjects();
    FDoc->SetImageInfo(&images);
    FView->ShowLabel();
    ASSERT_EQ(Site()->ObjectCount(), 1);
    TDrawObject* shown = Site()->Objects(0);
    EXPECT_EQ(shown->LayerGroup(), kBackgroundLayerGroup);
    Site()->SelectAll(true);
    EXPECT_FALSE(shown->Selected());
    TLORect* own = AddRect({100, 100, 200, 200});
    Q_UNUSED(own);
    FView->WriteBack();
    TDOList read;
    FDoc->ReadLabel(0, read);
    EXPECT_EQ(read.Count(), 1);
    for (TDrawObject* o : read.Objects())
        EXPECT_NE(o->LayerGroup(), kBackgroundLayerGroup);
    read.FreeObjects();
}

TEST_F(LayoutView, GuidesOutsideASmallerPositionAreRemoved)
{
    auto paper = std::make_unique<TFreePaperInfo>();
    paper->SetPaperName(QStringLiteral("自由"));
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    TFaceItem* big = static_cast<TFaceItem*>(paper->Faces()->Add());
    big->SetRect({100, 100, 1100, 900});
    TFaceItem* small = static_cast<TFaceItem*>(paper->Faces()->Add());
    small->SetRect({100, 1000, 500, 1300});
    FDoc->SetPaper(paper.get());
    FDoc->SetCurrentLabelNo(0);
    FView->ShowLabel();
    ASSERT_EQ(Site()->LogWidth(), 1000);
    FDoc->Guide()->SetPos(0, QPoint(800, 0)); // vertical guide at 80 mm
    FDoc->Guide()->SetPos(1, QPoint(200, 0)); // vertical guide at 20 mm
    FDoc->Guide()->SetPos(2, QPoint(0, 700)); // horizontal guide at 70 mm
    FView->ChoosePosition(1);
    EXPECT_EQ(Site()->LogWidth(), 400);
    EXPECT_EQ(Site()->LogHeight(), 300);
    QList<QPoint> kept;
    for (int i = 0; i < FDoc->Guide()->Count(); ++i)
        if (FDoc->Guide()->GetPos(i) != QPoint())
            kept << FDoc->Guide()->GetPos(i);
    EXPECT_EQ(kept, QList<QPoint>{QPoint(200, 0)});
}

TEST_F(LayoutView, SheetTabsFollowTheDocumentAndShowAmpersands)
{
    FDoc->SetSheetName(QStringLiteral("A&B"));
    FDoc->AddSheet();
    FDoc->SetPaper(TwelveUp().get());
    FDoc->SelectSheet(0);
    FView->UpdateTabs();
    ASSERT_EQ(FView->Tabs()->count(), 2);
    EXPECT_EQ(FView->Tabs()->tabText(0), QStringLiteral("A&&B"));
    AddRect({10, 10, 50, 50});
    FView->Tabs()->setCurrentIndex(1);
    EXPECT_EQ(FDoc->CurrentSheet(), 1);
    EXPECT_TRUE(Design().empty());
    FView->ChangeSheet(0);
    EXPECT_EQ(Design().size(), 1u);
}

// ---- damaged input

QByteArray StreamBytes(TLabelData& doc, const QString& path)
{
    TDocStream s(doc.Storage(), fmDocRead, path);
    QByteArray bytes(int(s.Size()), '\0');
    s.Read(bytes.data(), bytes.size());
    return bytes;
}

TEST_F(LayoutView, DamagedDesignOpensEmptyWithTheMessageAndIsNotOverwritten)
{
    AddRect({10, 10, 100, 100});
    FView->ChoosePosition(1);
    const QString label = FDoc->SheetPath(0) + QStringLiteral("\\NameList0");
    const QByteArray broken("\xFF\x0A\x00LABELDATA\x00\x10\x00\x00\x00\x30\x00TPF0", 23);
    {
        TDocStream s(FDoc->Storage(), fmDocCreate, label);
        s.WriteBytes(broken);
    }
    FNotices.clear();
    FView->ChoosePosition(0);
    ASSERT_EQ(FNotices.size(), 1);
    EXPECT_FALSE(FNotices[0].isEmpty());
    EXPECT_TRUE(Design().empty());
    EXPECT_FALSE(Site()->Modified());
    // Going elsewhere and back leaves the damaged stream for the user to decide.
    FView->ChoosePosition(1);
    EXPECT_EQ(StreamBytes(*FDoc, label), broken);
    FView->ChoosePosition(0);
    // What the user makes there is theirs and is stored.
    AddRect({20, 20, 60, 60});
    FView->ChoosePosition(1);
    TDOList read;
    FDoc->ReadLabel(0, read);
    EXPECT_EQ(read.Count(), 1);
    read.FreeObjects();
}

TEST_F(LayoutView, SwitchingPositionsWhileACreationDragWaitsAbandonsIt)
{
    ASSERT_TRUE(TfrmLayout::CanInsert(QStringLiteral("TLORect")));
    ASSERT_TRUE(FView->Insert(QStringLiteral("TLORect")));
    ASSERT_GT(TGhostList::Instance().Count(), 0);
    FView->ChoosePosition(2);
    EXPECT_EQ(TGhostList::Instance().Count(), 0);
    EXPECT_EQ(FDoc->CurrentLabelNo(), 2);
    // Nothing half-made was stored for position 0.
    TDOList read;
    FDoc->ReadLabel(0, read);
    EXPECT_EQ(read.Count(), 0);
    read.FreeObjects();
}

TEST_F(LayoutView, FontSizesThatAreNotSizesAreIgnored)
{
    auto text = MakeTextObject({QStringLiteral("山田")}, {10, 10});
    TLOVelmoText* t = text.release();
    Site()->InsertComponent(t);
    Site()->AddObject(t);
    t->SetSelected(true);
    const int before = Supports<IDOFont>(t)->GetFont()->Size();
    for (const char* bad : {"abc", "1000", "999", "5", "", "-3", "12.5"})
        EXPECT_FALSE(FView->ApplyFontSize(QString::fromLatin1(bad))) << bad;
    EXPECT_EQ(Supports<IDOFont>(t)->GetFont()->Size(), before);
    EXPECT_FALSE(TActionList::Instance().CanUndo());
    EXPECT_TRUE(FView->ApplyFontSize(QStringLiteral(" 998 ")));
    EXPECT_EQ(Supports<IDOFont>(t)->GetFont()->Size(), 998);
    EXPECT_TRUE(FView->ApplyFontSize(QStringLiteral("6")));
    EXPECT_EQ(Supports<IDOFont>(t)->GetFont()->Size(), 6);
    EXPECT_EQ(TActionList::Instance().UndoCaption(), QStringLiteral("設定変更"));
}

TEST_F(LayoutView, ADroppedFileThatIsNoPictureIsNotTaken)
{
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("note.lbd"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is not a picture\n");
    f.close();
    EXPECT_FALSE(FView->OfferDroppedFile(text));
    EXPECT_FALSE(FView->OfferDroppedFile(dir.filePath(QStringLiteral("missing.png"))));
    // A truncated PNG is no picture either.
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString png = dir.filePath(QStringLiteral("cut.png"));
    ASSERT_TRUE(image.save(png));
    QFile cut(png);
    ASSERT_TRUE(cut.open(QIODevice::ReadWrite));
    cut.resize(30);
    cut.close();
    EXPECT_FALSE(FView->OfferDroppedFile(png));
    EXPECT_TRUE(Design().empty());
    EXPECT_FALSE(Site()->Modified());
}

TEST_F(LayoutView, ADroppedPictureBecomesASelectedImageRecordedAsAdd)
{
    QTemporaryDir dir;
    QImage image(180, 90, QImage::Format_RGB32);
    image.fill(Qt::blue);
    const QString png = dir.filePath(QStringLiteral("blue.png"));
    ASSERT_TRUE(image.save(png));
    ASSERT_TRUE(FView->OfferDroppedFile(png));
    ASSERT_EQ(Design().size(), 1u);
    auto* placed = dynamic_cast<TLOImage*>(Design()[0]);
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->ImageSource(), isFile);
    EXPECT_TRUE(placed->Selected());
    EXPECT_TRUE(placed->HasPicture());
    // 180 x 90 pixels at 180 pixels per inch: 25.4 x 12.7 mm.
    EXPECT_NEAR(placed->BaseRect().Width(), 254, 2);
    EXPECT_NEAR(placed->BaseRect().Height(), 127, 2);
    EXPECT_EQ(TActionList::Instance().UndoCaption(), QStringLiteral("追加"));
    TActionList::Instance().Undo();
    EXPECT_TRUE(Design().empty());
}

// A Photo CD file dropped on the label goes through its size dialog: OK places the
// size chosen there, Cancel places nothing and still settles the drop (the file is
// no document for the main window to try).
TEST_F(LayoutView, ADroppedPhotoCDGoesThroughItsDialog)
{
    TfrmPhotoCD::ResetRemembered();
    QTemporaryDir dir;
    QImage image(96, 64, QImage::Format_RGB32);
    image.fill(QColor(30, 160, 60));
    const QString ppm = dir.filePath(QStringLiteral("green.ppm"));
    ASSERT_TRUE(image.save(ppm));
    const QString pcd = dir.filePath(QStringLiteral("GREEN.PCD"));
    ASSERT_EQ(velmo::test::RunProgram(QStringLiteral("convert"), {ppm, pcd}).ExitCode, 0);

    int dialogsSeen = 0;
    auto answerDialog = [&dialogsSeen](bool accept) {
        QTimer::singleShot(50, [&dialogsSeen, accept] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            ++dialogsSeen;
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("PhotoCDｲﾒｰｼﾞの設定"));
            if (accept)
                dialog->accept();
            else
                dialog->reject();
        });
    };
    answerDialog(false);
    EXPECT_TRUE(FView->OfferDroppedFile(pcd));
    EXPECT_EQ(dialogsSeen, 1);
    EXPECT_TRUE(Design().empty());
    EXPECT_FALSE(Site()->Modified());

    answerDialog(true);
    ASSERT_TRUE(FView->OfferDroppedFile(pcd));
    EXPECT_EQ(dialogsSeen, 2);
    ASSERT_EQ(Design().size(), 1u);
    auto* placed = dynamic_cast<TLOImage*>(Design()[0]);
    ASSERT_NE(placed, nullptr);
    ASSERT_TRUE(placed->HasPicture());
    // The dialog's remembered size is the middle one of the disc's three (384 x 256
    // for a landscape photograph), not the file's largest.
    EXPECT_EQ(placed->ImageData()->Picture()->Width(), 384);
    EXPECT_EQ(placed->ImageData()->Picture()->Height(), 256);
    EXPECT_EQ(TActionList::Instance().UndoCaption(), QStringLiteral("追加"));
}

TEST_F(LayoutView, APasteOfForeignDataAddsNothing)
{
    auto* data = new QMimeData;
    data->setData(ObjectMimeType(), QByteArray("\x00\x01garbage", 9));
    QApplication::clipboard()->setMimeData(data);
    TDrawSiteActionBase* paste = FView->Aids()->Command(QStringLiteral("Paste"));
    ASSERT_NE(paste, nullptr);
    try {
        paste->ExecuteAction();
    } catch (const std::exception&) {
        // Reported to the user by the application's handler; nothing is added.
    }
    EXPECT_TRUE(Design().empty());
    QApplication::clipboard()->clear();
}

// ---- the style tool, the default style and the creation hook

TEST_F(LayoutView, BoldWithNothingSelectedChangesOnlyTheDefaultStyle)
{
    auto existing = MakeTextObject({QStringLiteral("既存")}, {10, 10});
    TLOVelmoText* old = existing.release();
    Site()->InsertComponent(old);
    Site()->AddObject(old);
    Site()->SelectAll(false);
    QAction* bold = FView->Action(QStringLiteral("actBold"));
    ASSERT_NE(bold, nullptr);
    bold->trigger();
    EXPECT_TRUE(FView->DefaultStyle().FontStyle & fsBold);
    EXPECT_FALSE(old->GetFont()->Style() & fsBold);
    EXPECT_FALSE(TActionList::Instance().CanUndo());
    // The next text is bold.
    TLabelObject* next = TDesignerList::Instance().MakeObject(QStringLiteral("TLOText"));
    ASSERT_NE(next, nullptr);
    FView->PrepareNewObject(next);
    EXPECT_TRUE(Supports<IDOFont>(next)->GetFont()->Style() & fsBold);
    delete next;
    // Closing the view keeps DefStyle with bit 0.
    FView.reset();
    EXPECT_EQ(Settings().value(QStringLiteral("DefStyle")).toInt() & 1, 1);
    EXPECT_EQ(Settings().value(QStringLiteral("DefStyle")).toInt() & ~0x0F, 0);
}

TEST_F(LayoutView, TheDefaultStyleIsReadFromTheSettings)
{
    FView.reset();
    Settings()[QStringLiteral("DefFontName")] = QStringLiteral("IPAexゴシック");
    Settings()[QStringLiteral("DefFontSize")] = QStringLiteral("36");
    Settings()[QStringLiteral("DefPenColor")] = QStringLiteral("255");
    Settings()[QStringLiteral("DefBrushColor")] = QStringLiteral("65280");
    Settings()[QStringLiteral("DefAlign")] = QStringLiteral("2");
    Settings()[QStringLiteral("DefStyle")] = QStringLiteral("%1").arg(0x30 | 0x06); // high bits are not ours
    FView = std::make_unique<TfrmLayout>();
    const TStyleToolSpec d = FView->DefaultStyle();
    EXPECT_EQ(d.FontName, QStringLiteral("IPAexゴシック"));
    EXPECT_EQ(d.FontSize, 36);
    EXPECT_EQ(d.PenColor, TColor(255));
    EXPECT_EQ(d.FillColor, TColor(65280));
    EXPECT_EQ(d.Align, 2);
    EXPECT_EQ(d.FontStyle, TFontStyles(fsItalic | fsUnderline));
    EXPECT_FALSE(d.NoFill);
    EXPECT_EQ(FView->ToolState(), d);
    // Sizes no window could have stored fall back.
    FView.reset();
    Settings()[QStringLiteral("DefFontSize")] = QStringLiteral("4000");
    Settings()[QStringLiteral("DefAlign")] = QStringLiteral("9");
    FView = std::make_unique<TfrmLayout>();
    EXPECT_EQ(FView->DefaultStyle().FontSize, 24);
    EXPECT_EQ(FView->DefaultStyle().Align, 0);
}

TEST_F(LayoutView, ANewTextTakesTheSelectedRectanglesCompleteLineColour)
{
    TLORect* rect = AddRect({100, 100, 400, 300});
    TColorSpec gradient;
    gradient.SetKind(TColorSpecKind::cskGradation);
    gradient.SetGradAngle(45);
    TColorSpec fill;
    fill.SetColor(0x00FF00);
    rect->SetLineColor(gradient);
    rect->SetFillColor(fill);
    FView->SetToolState([&] {
        TStyleToolSpec s = FView->ToolState();
        s.PenColor = 0x0000FF;
        return s;
    }());
    TLabelObject* text = TDesignerList::Instance().MakeObject(QStringLiteral("TLOText"));
    ASSERT_NE(text, nullptr);
    FView->PrepareNewObject(text);
    const TColorSpec* got = Supports<IDOLineColor>(text)->GetLineColor();
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->Kind(), TColorSpecKind::cskGradation);
    EXPECT_EQ(got->GradAngle(), 45);
    EXPECT_EQ(Supports<IDOFillColor>(text), nullptr);
    delete text;
    // The creator runs the same hook for a rectangle dragged out.
    ASSERT_TRUE(FView->Insert(QStringLiteral("TLORect")));
    TLORect* made = nullptr;
    for (TDrawObject* o : Design())
        if (o != rect)
            made = dynamic_cast<TLORect*>(o);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetLineColor()->Kind(), TColorSpecKind::cskGradation);
    EXPECT_EQ(made->GetFillColor()->Color(), TColor(0x00FF00));
    TGhostList::Instance().Cancel();
}

TEST_F(LayoutView, StyleChangesOnTheSelectionAreOneUndoStep)
{
    TLORect* a = AddRect({10, 10, 100, 100});
    TLORect* b = NewRect({200, 10, 300, 100});
    Site()->InsertComponent(b);
    Site()->AddObject(b);
    a->SetSelected(true);
    b->SetSelected(true);
    FView->ApplyFillColor(0x123456, false);
    EXPECT_EQ(a->GetFillColor()->Color(), TColor(0x123456));
    EXPECT_EQ(b->GetFillColor()->Color(), TColor(0x123456));
    EXPECT_EQ(TActionList::Instance().UndoCaption(), QStringLiteral("設定変更"));
    FView->ApplyFillColor(0, true);
    EXPECT_TRUE(a->GetNoFill());
    TActionList::Instance().Undo();
    EXPECT_FALSE(a->GetNoFill());
    TActionList::Instance().Undo();
    EXPECT_NE(a->GetFillColor()->Color(), TColor(0x123456));
    EXPECT_NE(b->GetFillColor()->Color(), TColor(0x123456));
    // With a selection the defaults stay.
    EXPECT_EQ(FView->DefaultStyle().FillColor, TStyleToolSpec().FillColor);
}

TEST_F(LayoutView, IdleSyncShowsTheTopmostSelectedObjectsStyle)
{
    TLORect* rect = AddRect({10, 10, 100, 100});
    TColorSpec fill;
    fill.SetColor(0x00AAFF);
    rect->SetFillColor(fill);
    rect->SetNoFill(true);
    FView->IdleUpdate();
    EXPECT_EQ(FView->ToolState().FillColor, TColor(0x00AAFF));
    EXPECT_TRUE(FView->ToolState().NoFill);
    // Nothing selected: the tool keeps what it shows, the defaults are untouched.
    Site()->SelectAll(false);
    FView->IdleUpdate();
    EXPECT_FALSE(FView->DefaultStyle().NoFill);
}

// ---- zoom

TEST(LayoutZoom, StepsFromAnyScale)
{
    EXPECT_EQ(TfrmLayout::NextZoomStep(400, true), 0);
    EXPECT_EQ(TfrmLayout::NextZoomStep(25, false), 0);
    EXPECT_EQ(TfrmLayout::NextZoomStep(137, true), 150);
    EXPECT_EQ(TfrmLayout::NextZoomStep(137, false), 100);
    EXPECT_EQ(TfrmLayout::NextZoomStep(100, true), 150);
    EXPECT_EQ(TfrmLayout::NextZoomStep(100, false), 75);
    EXPECT_EQ(TfrmLayout::NextZoomStep(1000, false), 400);
    EXPECT_EQ(TfrmLayout::NextZoomStep(3, true), 25);
}

TEST_F(LayoutView, ZoomStepsCheckTheirEntryAndStopAtTheEnds)
{
    FView->show();
    QApplication::processEvents();
    FView->SetZoom(400);
    EXPECT_EQ(FView->Scale(), 400);
    EXPECT_TRUE(FView->Action(QStringLiteral("actZoom400"))->isChecked());
    FView->ZoomIn();
    EXPECT_EQ(FView->Scale(), 400);
    FView->SetZoom(25);
    FView->ZoomOut();
    EXPECT_EQ(FView->Scale(), 25);
    FView->ZoomIn();
    EXPECT_EQ(FView->Scale(), 50);
    EXPECT_TRUE(FView->Action(QStringLiteral("actZoom50"))->isChecked());
    EXPECT_FALSE(FView->Action(QStringLiteral("actZoomAuto"))->isChecked());
    // Automatic fits the label into the scroll area.
    FView->SetZoom(0);
    EXPECT_TRUE(FView->Action(QStringLiteral("actZoomAuto"))->isChecked());
    const QSize area = FView->ScrollArea()->size();
    EXPECT_LE(Site()->width(), area.width());
    EXPECT_LE(Site()->height(), area.height());
    EXPECT_GT(Site()->width(), area.width() / 2);
    FView->hide();
    // The next view opens with the zoom of the last one.
    FView->SetZoom(150);
    FView.reset();
    EXPECT_EQ(TfrmLayout::RememberedZoom(), 150);
    FView = std::make_unique<TfrmLayout>();
    EXPECT_EQ(FView->Scale(), 150);
    EXPECT_TRUE(FView->Action(QStringLiteral("actZoom150"))->isChecked());
}

TEST_F(LayoutView, CtrlWheelZoomsAboutThePointer)
{
    FView->show();
    FView->SetZoom(100);
    QApplication::processEvents();
    const QPoint at(40, 30);
    QWheelEvent wheel(QPointF(at), QPointF(Site()->mapToGlobal(at)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Site(), &wheel);
    EXPECT_EQ(FView->Scale(), 150);
    FView->hide();
}

// ---- keys

TEST_F(LayoutView, ArrowKeysMoveTheSelectionAsOneStepPerRun)
{
    TLORect* rect = AddRect({100, 100, 200, 200});
    TActionList::Instance().Clear();
    for (int i = 0; i < 3; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), i > 0);
        QApplication::sendEvent(Site(), &press);
    }
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(Site(), &up);
    EXPECT_EQ(rect->BaseRect().Left, 103);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(rect->BaseRect().Top, 110);
    ASSERT_TRUE(TActionList::Instance().CanUndo());
    EXPECT_EQ(TActionList::Instance().UndoCaption(), QStringLiteral("移動"));
    TActionList::Instance().Undo();
    EXPECT_EQ(rect->BaseRect().Top, 100);
    EXPECT_EQ(rect->BaseRect().Left, 103);
    TActionList::Instance().Undo();
    EXPECT_EQ(rect->BaseRect().Left, 100);
    EXPECT_FALSE(TActionList::Instance().CanUndo());
}

TEST_F(LayoutView, ALockedObjectDoesNotMoveWithTheKeys)
{
    TLORect* rect = AddRect({100, 100, 200, 200});
    rect->SetMovable(false);
    Key(Qt::Key_Left);
    EXPECT_EQ(rect->BaseRect().Left, 100);
}

TEST_F(LayoutView, TabCyclesTheSelectionAndEscapeCancelsACreation)
{
    TLORect* a = AddRect({10, 10, 50, 50});
    TLORect* b = AddRect({100, 10, 150, 50});
    Site()->SelectAll(false);
    Key(Qt::Key_Tab);
    EXPECT_TRUE(a->Selected());
    Key(Qt::Key_Tab);
    EXPECT_TRUE(b->Selected());
    EXPECT_FALSE(a->Selected());
    Key(Qt::Key_Tab);
    EXPECT_TRUE(a->Selected());
    Key(Qt::Key_Backtab);
    EXPECT_TRUE(b->Selected());
    ASSERT_TRUE(FView->Insert(QStringLiteral("TLOCircle")));
    ASSERT_GT(TGhostList::Instance().Count(), 0);
    Key(Qt::Key_Escape);
    EXPECT_EQ(TGhostList::Instance().Count(), 0);
    EXPECT_TRUE(FView->Action(QStringLiteral("actSelect"))->isChecked());
}

// ---- status bar

TEST_F(LayoutView, StatusPanelsShowTheTopmostSelectedObject)
{
    QStatusBar bar;
    FView->SetStatusBar(&bar);
    TLORect* rect = AddRect({105, 200, 305, 260});
    rect->SetMovable(false);
    rect->SetDontPrint(true);
    FView->UpdateStatus();
    EXPECT_TRUE(FView->StatusText(0).startsWith(QStringLiteral("ﾏｳｽ(")));
    EXPECT_EQ(FView->StatusText(1), QStringLiteral("位置(10.5mm,20.0mm),ｻｲｽﾞ(20.0mm,6.0mm)"));
    EXPECT_EQ(FView->StatusText(2), QStringLiteral("固定"));
    EXPECT_EQ(FView->StatusText(3), QStringLiteral("印刷しない"));
    EXPECT_EQ(FView->StatusText(4), QStringLiteral("%1%").arg(FView->Scale()));
    Site()->SelectAll(false);
    FView->UpdateStatus();
    EXPECT_TRUE(FView->StatusText(1).isEmpty());
    EXPECT_TRUE(FView->StatusText(2).isEmpty());
    // Without a status bar there are no texts and nothing fails.
    FView->SetStatusBar(nullptr);
    FView->UpdateStatus();
    EXPECT_TRUE(FView->StatusText(0).isEmpty());
}

// ---- insert commands

TEST_F(LayoutView, InsertCommandsAreEnabledExactlyForRegisteredKinds)
{
    FView->IdleUpdate();
    struct Expect
    {
        const char* Action;
        const char* Kind;
    };
    const Expect all[] = {{"actText", "TLOText"},
                          {"actInsText", "TLOInsText"},
                          {"actNumbering", "TLONumbering"},
                          {"actDate", "TLODate"},
                          {"actDecoString", "TLODecoString"},
                          {"actLine", "TLOLine"},
                          {"actCurve", "TLOCurve"},
                          {"actRect", "TLORect"},
                          {"actCircle", "TLOCircle"},
                          {"actDecoLine", "TLODecoLine"},
                          {"actOnePoint", "TLOOnePoint"},
                          {"actInsImage", "TLOInsImage"},
                          {"actImageFile", "TLOImage"},
                          {"actTwain", "TLOTwain"},
                          {"actBarCode", "TLOBarCode"},
                          {"actInsBarCode", "TLOInsBarCode"},
                          {"actBackground", "TLOBackImage"}};
    for (const Expect& e : all) {
        QAction* a = FView->Action(QString::fromLatin1(e.Action));
        ASSERT_NE(a, nullptr) << e.Action;
        EXPECT_EQ(a->isEnabled(), TfrmLayout::CanInsert(QString::fromLatin1(e.Kind))) << e.Action;
    }
    // Registered here: shapes, texts, images and backgrounds; not: dates, numbering,
    // merge kinds, decorative strings and barcodes (their libraries register them).
    EXPECT_TRUE(FView->Action(QStringLiteral("actRect"))->isEnabled());
    EXPECT_TRUE(FView->Action(QStringLiteral("actText"))->isEnabled());
    EXPECT_FALSE(FView->Action(QStringLiteral("actDate"))->isEnabled());
    EXPECT_FALSE(FView->Insert(QStringLiteral("TLODate")));
    // Illustrations and scans share the image class; without the browser or the
    // scanner behind their preparation they stay off rather than open a file chooser.
    EXPECT_TRUE(FView->Action(QStringLiteral("actImageFile"))->isEnabled());
    EXPECT_FALSE(FView->Action(QStringLiteral("actOnePoint"))->isEnabled());
    EXPECT_FALSE(FView->Action(QStringLiteral("actTwain"))->isEnabled());
    TLOCreator::SetPreparation(QStringLiteral("TLOTwain"), [](TLabelObject*, TDrawSite*) {});
    FView->IdleUpdate();
    EXPECT_TRUE(FView->Action(QStringLiteral("actTwain"))->isEnabled());
    TLOCreator::SetPreparation(QStringLiteral("TLOTwain"), nullptr);
    FView->IdleUpdate();
    EXPECT_FALSE(FView->Action(QStringLiteral("actTwain"))->isEnabled());
}

TEST_F(LayoutView, TheMenusHoldTheirEntriesInOrder)
{
    QStringList titles;
    for (QMenu* m : FView->Menus())
        titles << m->title();
    EXPECT_EQ(titles,
              (QStringList{QStringLiteral("編集(&E)"), QStringLiteral("文字(&S)"), QStringLiteral("図形(&R)"),
                           QStringLiteral("画像(&I)"), QStringLiteral("位置(&L)"), QStringLiteral("設定(&D)"),
                           QStringLiteral("表示(&V)")}));
    auto entries = [](QMenu* m) {
        QStringList out;
        for (QAction* a : m->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    };
    EXPECT_EQ(entries(FView->Menus()[0]),
              (QStringList{QStringLiteral("取り消し(&U)"), QStringLiteral("やり直し(&R)"),
                           QStringLiteral("-"), QStringLiteral("切り取り(&T)"), QStringLiteral("コピー(&C)"),
                           QStringLiteral("貼り付け(&P)"), QStringLiteral("-"), QStringLiteral("クリア(&D)"),
                           QStringLiteral("-"), QStringLiteral("すべて選択(&A)")}));
    EXPECT_EQ(entries(FView->Menus()[1]),
              (QStringList{QStringLiteral("文字(&T)..."), QStringLiteral("日付・時間(&D)..."),
                           QStringLiteral("ナンバリング(&N)..."), QStringLiteral("飾り文字(&I)..."),
                           QStringLiteral("-"), QStringLiteral("バーコード(&J)..."), QStringLiteral("-"),
                           QStringLiteral("差込み文字(&N)..."), QStringLiteral("差込みバーコード(&S)..."),
                           QStringLiteral("-"), QStringLiteral("横書き(&H)"), QStringLiteral("縦書き(&V)")}));
    EXPECT_EQ(entries(FView->Menus()[3]),
              (QStringList{QStringLiteral("イラスト(&O)..."), QStringLiteral("イメージファイル(&F)..."),
                           QStringLiteral("TWAIN取り込み(&T)..."), QStringLiteral("差込みイラスト(&N)..."),
                           QStringLiteral("-"), QStringLiteral("背景柄(&B)...")}));
    EXPECT_EQ(
        entries(FView->ObjectMenu()),
        (QStringList{QStringLiteral("切り取り(&T)"), QStringLiteral("コピー(&C)"),
                     QStringLiteral("貼り付け(&P)"), QStringLiteral("クリア(&D)"), QStringLiteral("-"),
                     QStringLiteral("位置合わせ(&A)..."), QStringLiteral("回転(&T)"), QStringLiteral("-"),
                     QStringLiteral("前面に移動(&W)"), QStringLiteral("背面に移動(&K)"), QStringLiteral("-"),
                     QStringLiteral("プロパティ(&O)")}));
    // The lent commands of the main window take their places.
    QMenu file(QStringLiteral("ファイル(&F)"));
    QMenu help(QStringLiteral("ヘルプ(&H)"));
    QAction sheet(QStringLiteral("シート表示(&S)"));
    QAction layout(QStringLiteral("ラベル表示(&L)"));
    TLayoutMainCommands lent;
    lent.FileMenu = &file;
    lent.HelpMenu = &help;
    lent.SheetView = &sheet;
    lent.LayoutView = &layout;
    FView->SetMainCommands(lent);
    const QList<QAction*> bar = FView->MenuBar()->actions();
    ASSERT_EQ(bar.size(), 9);
    EXPECT_EQ(bar.first()->text(), QStringLiteral("ファイル(&F)"));
    EXPECT_EQ(bar.last()->text(), QStringLiteral("ヘルプ(&H)"));
    const QStringList view = entries(FView->Menus()[6]);
    EXPECT_EQ(view.mid(view.size() - 2),
              (QStringList{QStringLiteral("シート表示(&S)"), QStringLiteral("ラベル表示(&L)")}));
    EXPECT_EQ(view.count(QStringLiteral("-")), 2);
    // Lent again (a second time) the entries are not doubled.
    FView->SetMainCommands(lent);
    EXPECT_EQ(entries(FView->Menus()[6]).size(), view.size());

    // The tool bar's file buttons: short captions and hints of their own, the main
    // window's commands behind them.
    QAction newDoc(QStringLiteral("新規作成(&N)..."));
    QAction open(QStringLiteral("開く(&O)..."));
    QAction save(QStringLiteral("保存(&S)"));
    QAction print(QStringLiteral("印刷(&P)..."));
    QAction paper(QStringLiteral("用紙選択(&L)..."));
    lent.New = &newDoc;
    lent.Open = &open;
    lent.Save = &save;
    lent.Print = &print;
    lent.PaperSelect = &paper;
    FView->SetMainCommands(lent);
    FView->SetMainCommands(lent); // not doubled either
    QStringList captions, hints;
    QAction* printButton = nullptr;
    const QStringList mainButtons{QStringLiteral("tbNew"), QStringLiteral("tbOpen"), QStringLiteral("tbSave"),
                                  QStringLiteral("tbPrint"), QStringLiteral("tbPaperSelect")};
    for (QAction* a : FView->CommandToolBar()->actions())
        if (mainButtons.contains(a->objectName())) {
            captions << a->text();
            hints << a->toolTip();
            if (a->objectName() == u"tbPrint")
                printButton = a;
        }
    EXPECT_EQ(captions, (QStringList{QStringLiteral("新規"), QStringLiteral("開く"), QStringLiteral("保存"),
                                     QStringLiteral("印刷"), QStringLiteral("用紙選択")}));
    EXPECT_EQ(hints,
              (QStringList{QStringLiteral("新しくラベルシートを開きます"),
                           QStringLiteral("保存されているデータを開きます"),
                           QStringLiteral("編集したデータを保存します"),
                           QStringLiteral("ラベルシートを印刷します"), QStringLiteral("用紙を変更します")}));
    EXPECT_EQ(FView->CommandToolBar()->actions().first()->objectName(), QStringLiteral("tbNew"));
    if (!qEnvironmentVariableIsEmpty("VELMO_SHOTS")) {
        FView->show();
        QApplication::processEvents();
        FView->CommandToolBar()->grab().save(qEnvironmentVariable("VELMO_SHOTS") +
                                             QStringLiteral("/layout-toolbar.png"));
    }
    EXPECT_EQ(FView->CommandToolBar()->actions().last()->objectName(), QStringLiteral("tbPaperSelect"));
    ASSERT_NE(printButton, nullptr);
    int printed = 0;
    QObject::connect(&print, &QAction::triggered, [&] { ++printed; });
    printButton->trigger();
    EXPECT_EQ(printed, 1);
    print.setEnabled(false);
    EXPECT_FALSE(printButton->isEnabled());
    print.setEnabled(true);
    EXPECT_TRUE(printButton->isEnabled());
    FView->SetMainCommands({});
}

} // namespace

namespace {

TEST_F(LayoutView, DraggingToTheEdgeOfTheVisiblePartScrollsAlong)
{
    FView->show();
    QApplication::processEvents();
    FView->SetZoom(400);
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    QScrollArea* area = FView->ScrollArea();
    QScrollBar* h = area->horizontalScrollBar();
    QScrollBar* v = area->verticalScrollBar();
    ASSERT_GT(h->maximum(), 0);
    ASSERT_GT(v->maximum(), 0);
    TLORect* rect = AddRect({50, 50, 150, 120});
    rect->SetFillInside(true); // pressed anywhere inside, not only on its frame
    QApplication::processEvents();
    auto send = [this](QEvent::Type type, QPoint device, Qt::MouseButtons buttons) {
        QMouseEvent e(type, device, Site()->mapToGlobal(device),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(Site(), &e);
    };
    const QPoint start = Site()->ToDevice(QPoint(100, 85));
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    ASSERT_FALSE(TGhostList::Instance().IsSelectionOnly()) << "the press takes the object";
    send(QEvent::MouseMove, start + QPoint(10, 10), Qt::LeftButton);
    // The drag reaches past the right and bottom edges of the viewport: the label
    // scrolls along, a step per move.
    QWidget* viewport = area->viewport();
    int lastH = h->value();
    for (int i = 0; i < 6; ++i) {
        const QPoint edge = Site()->mapFrom(viewport, QPoint(viewport->width() + 5, viewport->height() + 5));
        send(QEvent::MouseMove, edge, Qt::LeftButton);
        QApplication::processEvents();
        EXPECT_GT(h->value(), lastH) << "move " << i;
        lastH = h->value();
    }
    EXPECT_GT(v->value(), 0);
    if (!qEnvironmentVariableIsEmpty("VELMO_SHOTS"))
        FView->grab().save(qEnvironmentVariable("VELMO_SHOTS") + QStringLiteral("/layout-autoscroll.png"));
    // Let go in the middle of the part of the label now in view.
    const QRect visible =
        QRect(Site()->mapFrom(viewport, QPoint(0, 0)), viewport->size()).intersected(Site()->rect());
    const QPoint end = visible.center();
    send(QEvent::MouseMove, end, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, end, Qt::NoButton);
    QApplication::processEvents();
    // The drag went on after the scrolling: the object lies where the mouse let go.
    EXPECT_GT(rect->BaseRect().Left, 150);
    EXPECT_NEAR(rect->BaseRect().Left + 50, Site()->ToLogical(end).x(), 12);
    // Back at the left and top edges, it scrolls back.
    const int before = h->value();
    send(QEvent::MouseButtonPress, Site()->ToDevice(RectCenterOf(rect->BaseRect())), Qt::LeftButton);
    send(QEvent::MouseMove, Site()->mapFrom(viewport, QPoint(-5, -5)), Qt::LeftButton);
    EXPECT_LT(h->value(), before);
    send(QEvent::MouseButtonRelease, Site()->mapFrom(viewport, QPoint(30, 30)), Qt::NoButton);
    // A move without a drag never scrolls.
    const int still = h->value();
    send(QEvent::MouseMove, Site()->mapFrom(viewport, QPoint(viewport->width() + 5, 40)), Qt::NoButton);
    EXPECT_EQ(h->value(), still);
}

TEST_F(LayoutView, AFixedZoomShowsTheLabelFromItsOriginWithScrollBarsThatSaySo)
{
    FView->show();
    QApplication::processEvents();
    FView->SetZoom(400);
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    QScrollArea* area = FView->ScrollArea();
    QScrollBar* h = area->horizontalScrollBar();
    QScrollBar* v = area->verticalScrollBar();
    EXPECT_GT(h->maximum(), 0);
    EXPECT_EQ(h->value(), 0);
    EXPECT_EQ(v->value(), 0);
    EXPECT_EQ(area->widget()->pos(), QPoint(0, 0));
    // The label's top-left corner is in view.
    const QPoint corner = Site()->mapTo(area->viewport(), QPoint(0, 0));
    EXPECT_TRUE(area->viewport()->rect().contains(corner)) << corner.x() << "," << corner.y();
    FView->hide();
}

} // namespace

namespace {

// A merge kind for this test only: its class is what enables its command.
// A plain rectangle of its own class (no designer opens a dialog for it).
class TLOInsText : public TLORectBase
{
    VELMO_DRAW_OBJECT(TLOInsText, TLORectBase)
public:
    explicit TLOInsText(TComponent* owner = nullptr) : TLORectBase(owner) {}
    void SetEncloseSize(int w, int h) override
    {
        SetBaseRect({BaseRect().Left, BaseRect().Top, BaseRect().Left + w, BaseRect().Top + h});
    }
    void DrawGhost(QPainter& p) override { p.drawRect(ToQRect(BaseRect())); }
    void Paint(QPainter& p) override { p.drawRect(ToQRect(BaseRect())); }
};

const TPropertyTable& TLOInsText::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

struct InsTextRegistration
{
    InsTextRegistration() { RegisterLabelClass<TLOInsText>(); }
    ~InsTextRegistration() { UnRegisterLabelClassOf(typeid(TLOInsText)); }
};

TEST_F(LayoutView, AMergeKindAsksForMergeDataFirstAndStopsWithout)
{
    QAction* insText = FView->Action(QStringLiteral("actInsText"));
    ASSERT_NE(insText, nullptr);
    FView->IdleUpdate();
    EXPECT_FALSE(insText->isEnabled());
    {
        InsTextRegistration registered;
        FView->IdleUpdate();
        EXPECT_TRUE(insText->isEnabled());
        int asked = 0;
        // Cancelled.
        FView->OnChooseMergeData = [&asked] {
            ++asked;
            return false;
        };
        insText->trigger();
        EXPECT_EQ(asked, 1);
        EXPECT_TRUE(Design().empty());
        // "Chosen" but no file set: still nothing.
        FView->OnChooseMergeData = [&asked] {
            ++asked;
            return true;
        };
        insText->trigger();
        EXPECT_EQ(asked, 2);
        EXPECT_TRUE(Design().empty());
        // A file chosen: the object is made.
        FView->OnChooseMergeData = [this, &asked] {
            ++asked;
            FDoc->SetCSVFile(QStringLiteral("/tmp/addresses.csv"));
            return true;
        };
        insText->trigger();
        EXPECT_EQ(asked, 3);
        ASSERT_EQ(Design().size(), 1u);
        EXPECT_EQ(QString::fromLatin1(Design()[0]->ClassName()), QStringLiteral("TLOInsText"));
        // With merge data nothing is asked again.
        insText->trigger();
        EXPECT_EQ(asked, 3);
        EXPECT_EQ(Design().size(), 2u);
        TActionList::Instance().Clear();
        ClearSite(*Site());
    }
    FView->IdleUpdate();
    EXPECT_FALSE(insText->isEnabled());
}

} // namespace

namespace {

TEST_F(LayoutView, PasteStaysReadyForItsKeyBetweenMenus)
{
    AddRect({10, 10, 60, 60});
    FView->Aids()->Command(QStringLiteral("Copy"))->ExecuteAction();
    FView->IdleUpdate();
    QAction* paste = FView->Aids()->Command(QStringLiteral("Paste"));
    EXPECT_TRUE(paste->isEnabled());
    // An idle pass decides the others: nothing to redo here.
    EXPECT_FALSE(FView->Aids()->Command(QStringLiteral("Redo"))->isEnabled());
    paste->trigger();
    EXPECT_EQ(Design().size(), 2u);
    QApplication::clipboard()->clear();
}

} // namespace

TEST_F(LayoutView, EveryViewShowsTheSameIconObjects)
{
    // The toolkit caches an icon's drawn sizes under the icon's own key: a view opened
    // again with icons made anew added to that cache on every open (the soak's memory
    // grew by about 130 kB a cycle until the cache was full).
    auto icon = [this](QToolBar* bar, const char* name) {
        for (QAction* a : bar->actions())
            if (a->objectName() == QLatin1String(name))
                return a->icon();
        return QIcon();
    };
    SetApplicationDirectory(test::BinaryDir() + "/data"); // where the window pictures are
    FView = std::make_unique<TfrmLayout>();
    const QIcon text = icon(FView->CommandToolBar(), "tbText");
    const QIcon bold = icon(FView->StyleToolBar(), "actBold");
    ASSERT_FALSE(text.isNull());
    ASSERT_FALSE(bold.isNull());
    FView.reset();
    FView = std::make_unique<TfrmLayout>();
    EXPECT_EQ(icon(FView->CommandToolBar(), "tbText").cacheKey(), text.cacheKey());
    EXPECT_EQ(icon(FView->StyleToolBar(), "actBold").cacheKey(), bold.cacheKey());
    SetApplicationDirectory(QString());
}
