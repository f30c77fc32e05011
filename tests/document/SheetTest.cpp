// The sheet view's decisions without and with its widgets: the overwrite check, copy,
// cut, paste, clear and drag of labels, sheet commands and names, the paper-change
// questions, the paper summary, the label pictures and the preview loader.
#include "LabelDocTestSupport.h"
#include "base/UNumbers.h"
#include "base/UStream.h"
#include "objects/ULDObjects.h"
#include "objects/ULOFace.h"
#include "paper/UPaperRecords.h"
#include "sheet/FSheet.h"
#include "sheet/USheetLabels.h"
#include "sheet/USheetView.h"
#include "support/TestSupport.h"
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabBar>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

struct Asked
{
    QStringList Questions;
    bool Answer = true;
    TAskYesNo Ask()
    {
        return [this](const QString& q) {
            Questions << q;
            return Answer;
        };
    }
};

void Design(TLabelData& data, int k, int color, const TLogRect& r = {50, 50, 400, 300})
{
    OwnedList list;
    list.List.Add(NewRect(r, color));
    data.WriteLabel(k, list.List);
}

int FirstColor(TLabelData& data, int k)
{
    OwnedList list;
    data.ReadLabel(k, list.List);
    if (list.List.Count() == 0)
        return -1;
    return static_cast<TLDTestRect*>(list.List[0])->Color();
}

TEST(OverwriteCheck, AsksOnlyBeyondTwoMillimetres)
{
    EXPECT_EQ(OverwriteCheck({900, 400}, {900, 400}, false), TOverwriteQuestion::None);
    EXPECT_EQ(OverwriteCheck({900, 400}, {920, 400}, false), TOverwriteQuestion::None);
    EXPECT_EQ(OverwriteCheck({900, 400}, {921, 400}, false), TOverwriteQuestion::SizeDiffers);
    EXPECT_EQ(OverwriteCheck({900, 400}, {900, 379}, true), TOverwriteQuestion::SizeDiffers);
    EXPECT_EQ(OverwriteCheck({900, 400}, {880, 420}, true), TOverwriteQuestion::Overwrite);
    EXPECT_EQ(
        OverwriteQuestionText(TOverwriteQuestion::SizeDiffers),
        QStringLiteral("複写先のﾗﾍﾞﾙｻｲｽﾞが異なっています。\r\nﾃﾞｰﾀの位置関係が変わりますが複写しますか？"));
}

TEST(LabelClipboard, SizeNameRoundTripsAndDamageIsRefused)
{
    EXPECT_EQ(LabelSizeName({864, 550}), QStringLiteral("Size0000036000000226"));
    QSize size;
    ASSERT_TRUE(ParseLabelSizeName(QStringLiteral("Size0000036000000226"), size));
    EXPECT_EQ(size, QSize(864, 550));
    EXPECT_FALSE(ParseLabelSizeName(QStringLiteral("Size00000360"), size));
    EXPECT_FALSE(ParseLabelSizeName(QStringLiteral("Sizexxxxxxxx00000226"), size));
    EXPECT_FALSE(ParseLabelSizeName(QStringLiteral("TLORect1"), size));
    EXPECT_EQ(SheetLabelFormatName(QStringLiteral("ベルモ")), QStringLiteral("ベルモ.SheetLabel"));
    EXPECT_TRUE(SheetLabelMimeType(QStringLiteral("ベルモ")).startsWith(QStringLiteral("application/x-")));
    EXPECT_TRUE(SheetLabelMimeType(QStringLiteral("ベルモ")).endsWith(QStringLiteral(".SheetLabel")));
    EXPECT_NE(SheetLabelMimeType(QStringLiteral("ベルモ")), SheetLabelMimeType(QStringLiteral("べルモ")));
}

TEST(SheetLabels, DragCopiesMovesAndAsks)
{
    auto data = NewDocument();
    Design(*data, 1, 0x00FF00);
    Asked asked;
    TSheetLabels labels(*data, asked.Ask());
    // Same size, empty target: no question.
    EXPECT_TRUE(labels.DragLabel(1, 4, false));
    EXPECT_TRUE(asked.Questions.isEmpty());
    EXPECT_EQ(FirstColor(*data, 4), 0x00FF00);
    EXPECT_TRUE(data->LabelHasData(1));
    // Onto a label with data: the overwrite question; No keeps the target.
    Design(*data, 6, 0x0000FF);
    asked.Answer = false;
    EXPECT_FALSE(labels.DragLabel(1, 6, false));
    EXPECT_EQ(asked.Questions, QStringList{OverwriteLabelQuestion()});
    EXPECT_EQ(FirstColor(*data, 6), 0x0000FF);
    // Shift: moved, the source left empty.
    asked.Answer = true;
    EXPECT_TRUE(labels.DragLabel(4, 7, true));
    EXPECT_FALSE(data->LabelHasData(4));
    EXPECT_EQ(FirstColor(*data, 7), 0x00FF00);
    // The source itself, or out of range: nothing.
    EXPECT_FALSE(labels.DragLabel(7, 7, false));
    EXPECT_FALSE(labels.DragLabel(7, 99, false));
    EXPECT_FALSE(labels.DragLabel(-1, 2, false));
}

TEST(SheetLabels, ASharedDesignIsNeverDraggedAway)
{
    auto data = NewDocument();
    data->SetSeparatelyDesign(false);
    Design(*data, 0, 0x00FF00);
    Asked asked;
    TSheetLabels labels(*data, asked.Ask());
    EXPECT_FALSE(labels.DragLabel(0, 3, true));
    EXPECT_TRUE(data->LabelHasData(0));
    EXPECT_EQ(FirstColor(*data, 0), 0x00FF00);
    EXPECT_TRUE(asked.Questions.isEmpty());
}

TEST(SheetLabels, CopyAndPasteIntoAnotherDocumentReproducesTheDesign)
{
    auto source = NewDocument();
    {
        OwnedList list;
        list.List.Add(NewRect({10, 20, 110, 120}, 0x112233)); // topmost first
        list.List.Add(NewRect({30, 40, 330, 240}, 0x445566));
        source->WriteLabel(2, list.List);
    }
    Asked asked;
    TSheetLabels from(*source, asked.Ask());
    const QByteArray clip = from.CopyLabel(2);
    ASSERT_FALSE(clip.isEmpty());
    EXPECT_TRUE(TSheetLabels::IsLabelClipboard(clip));
    EXPECT_TRUE(from.CopyLabel(3).isEmpty()); // no data: nothing to copy

    auto target = NewDocument();
    TSheetLabels to(*target, asked.Ask());
    ASSERT_TRUE(to.PasteLabel(9, clip));
    EXPECT_TRUE(asked.Questions.isEmpty());
    OwnedList a, b;
    source->ReadLabel(2, a.List);
    target->ReadLabel(9, b.List);
    ASSERT_EQ(a.List.Count(), 2);
    ASSERT_EQ(b.List.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        auto* x = static_cast<TLDTestRect*>(a.List[i]);
        auto* y = static_cast<TLDTestRect*>(b.List[i]);
        EXPECT_EQ(x->BaseRect(), y->BaseRect());
        EXPECT_EQ(x->Color(), y->Color());
        EXPECT_TRUE(y->Name().isEmpty());
    }
}

TEST(SheetLabels, PasteFromALargerLabelAsksAboutTheSize)
{
    auto source = NewDocument(); // 900 x 400 labels
    Design(*source, 0, 0x00AA00);
    const QByteArray clip = TSheetLabels(*source, {}).CopyLabel(0);
    auto target = NewDocument();
    auto small = SamplePaper(3, 8);
    small->SetFaceWidth(600);
    small->SetFaceHeight(300);
    target->SetPaper(small.get());
    Asked asked;
    asked.Answer = false;
    TSheetLabels to(*target, asked.Ask());
    EXPECT_FALSE(to.PasteLabel(4, clip));
    EXPECT_EQ(asked.Questions, QStringList{LabelSizeDiffersQuestion()});
    EXPECT_FALSE(target->LabelHasData(4));
    asked.Answer = true;
    EXPECT_TRUE(to.PasteLabel(4, clip));
    EXPECT_EQ(FirstColor(*target, 4), 0x00AA00);
}

TEST(SheetLabels, DamagedClipboardDataChangesNothing)
{
    auto data = NewDocument();
    Design(*data, 3, 0x010203);
    const QByteArray good = TSheetLabels(*data, {}).CopyLabel(3);
    Asked asked;
    TSheetLabels labels(*data, asked.Ask());
    for (const QByteArray& bad :
         {QByteArray(), QByteArray("\x01\x00\x00\x00TPF0", 8), good.left(good.size() / 2),
          QByteArray("\xFF\xFF\xFF\x7F", 4), QByteArray(4, '\0')}) {
        EXPECT_FALSE(TSheetLabels::IsLabelClipboard(bad));
        EXPECT_FALSE(labels.PasteLabel(3, bad));
    }
    EXPECT_TRUE(asked.Questions.isEmpty());
    EXPECT_EQ(FirstColor(*data, 3), 0x010203);
    // A list whose first object does not carry its size is asked about.
    TMemoryStream stream(good);
    OwnedList list;
    list.List.LoadFromStream(stream);
    list.List[0]->SetName(QStringLiteral("Other"));
    TMemoryStream renamed;
    list.List.SaveToStream(renamed);
    asked.Answer = false;
    EXPECT_FALSE(labels.PasteLabel(5, renamed.Data()));
    EXPECT_EQ(asked.Questions, QStringList{LabelSizeDiffersQuestion()});
}

TEST(SheetLabels, TheFuzzSeedsAreLabelLists)
{
    RegisterTestObjects();
    for (const char* seed : {"group.bin", "two.bin"}) {
        const QByteArray bytes = ReadFileBytes(
            SourceDir() + QStringLiteral("/tests/data/fuzz/fuzz_sheet_label/") + QString::fromLatin1(seed));
        EXPECT_TRUE(TSheetLabels::IsLabelClipboard(bytes)) << seed;
    }
}

TEST(SheetLabels, PastedObjectsAreKeptOnTheSheet)
{
    auto data = NewDocument();
    OwnedList list;
    auto* far = NewRect({5000, 6000, 5100, 6100});
    far->SetName(LabelSizeName({900, 400}));
    list.List.Add(far);
    TMemoryStream stream;
    list.List.SaveToStream(stream);
    TSheetLabels labels(*data, [](const QString&) { return true; });
    ASSERT_TRUE(labels.PasteLabel(0, stream.Data()));
    OwnedList read;
    data->ReadLabel(0, read.List);
    ASSERT_EQ(read.List.Count(), 1);
    const QPoint c = RectCenter(static_cast<TLDTestRect*>(read.List[0])->BaseRect());
    EXPECT_LE(c.x(), 900 - 10); // pulled onto the label when read
    EXPECT_LE(c.y(), 400 - 10);
}

TEST(SheetLabels, CutAndClearAsk)
{
    auto data = NewDocument();
    Design(*data, 2, 0x0A0B0C);
    Asked asked;
    asked.Answer = false;
    TSheetLabels labels(*data, asked.Ask());
    QByteArray clip("untouched");
    EXPECT_FALSE(labels.CutLabel(2, clip));
    EXPECT_EQ(clip, QByteArray("untouched"));
    EXPECT_FALSE(labels.ClearLabel(2));
    EXPECT_TRUE(data->LabelHasData(2));
    EXPECT_EQ(asked.Questions, (QStringList{DeleteLabelQuestion(), DeleteLabelQuestion()}));
    asked.Answer = true;
    EXPECT_TRUE(labels.CutLabel(2, clip));
    EXPECT_FALSE(data->LabelHasData(2));
    EXPECT_TRUE(TSheetLabels::IsLabelClipboard(clip));
    EXPECT_FALSE(labels.ClearLabel(2)); // nothing left to clear, nothing asked
    EXPECT_EQ(asked.Questions.size(), 3);
}

TEST(SheetLabels, SheetCommandsAndNames)
{
    auto data = NewDocument();
    TSheetLabels labels(*data, {});
    EXPECT_FALSE(labels.CanDeleteSheet());
    EXPECT_FALSE(labels.CanMoveSheet());
    EXPECT_FALSE(labels.DeleteSheet([](const QString&) { return true; }));
    EXPECT_EQ(labels.CheckSheetName(data->SheetName()), SheetNameExistsMessage()); // its own name
    EXPECT_EQ(labels.CheckSheetName(QStringLiteral("新規シート1").toUpper()), SheetNameExistsMessage());
    EXPECT_FALSE(labels.RenameSheet(QString()));
    EXPECT_FALSE(labels.RenameSheet(QString(kMaxSheetNameLength + 1, QLatin1Char('x'))));
    EXPECT_TRUE(labels.RenameSheet(QStringLiteral("Sheet A")));
    EXPECT_EQ(labels.CheckSheetName(QStringLiteral("sheet a")), SheetNameExistsMessage());

    Design(*data, 0, 0x123456);
    labels.CopySheetTo(0); // the copy first
    EXPECT_EQ(data->SheetCount(), 2);
    EXPECT_EQ(data->CurrentSheet(), 0);
    EXPECT_EQ(FirstColor(*data, 0), 0x123456);
    QStringList names;
    data->GetSheetNames(names);
    EXPECT_EQ(names[1], QStringLiteral("Sheet A"));
    EXPECT_TRUE(labels.CanDeleteSheet());
    QString asked;
    EXPECT_FALSE(labels.DeleteSheet([&asked](const QString& q) {
        asked = q;
        return false;
    }));
    EXPECT_EQ(asked, DeleteSheetQuestion(names[0]));
    EXPECT_EQ(data->SheetCount(), 2);
    labels.MoveSheetTo(1);
    names.clear();
    data->GetSheetNames(names);
    EXPECT_EQ(names[0], QStringLiteral("Sheet A"));
    EXPECT_EQ(data->CurrentSheet(), 1);
    EXPECT_TRUE(labels.DeleteSheet([](const QString&) { return true; }));
    EXPECT_EQ(data->SheetCount(), 1);
}

TEST(SheetLabels, CollidingSheetNamesStayAndRefuseAThird)
{
    auto data = NewDocument();
    data->AddSheet();
    data->SetSheetName(QStringLiteral("新規シート1")); // a damaged file may hold the same name twice
    QStringList names;
    data->GetSheetNames(names);
    EXPECT_EQ(names.count(QStringLiteral("新規シート1")), 2);
    TSheetLabels labels(*data, {});
    EXPECT_EQ(labels.CheckSheetName(QStringLiteral("新規シート1")), SheetNameExistsMessage());
    EXPECT_TRUE(labels.RenameSheet(QStringLiteral("二枚目")));
    names.clear();
    data->GetSheetNames(names);
    EXPECT_EQ(names, (QStringList{QStringLiteral("新規シート1"), QStringLiteral("二枚目")}));
}

TEST(PaperChange, QuestionsBeforeAPaperIsTaken)
{
    auto data = NewDocument(); // 12 positions
    auto fewer = SamplePaper(2, 3);
    EXPECT_TRUE(PaperChangeQuestion(*data, *fewer).isEmpty());
    Design(*data, 2, 1);
    EXPECT_EQ(PaperChangeQuestion(*data, *fewer), PaperMovesDataQuestion());
    Design(*data, 9, 1);
    EXPECT_EQ(PaperChangeQuestion(*data, *fewer), PaperDropsLabelsQuestion());
    EXPECT_EQ(PaperChangeQuestion(*data, *SamplePaper(2, 6)), PaperMovesDataQuestion());
}

TEST(PaperSummary, GridAndFreePapers)
{
    auto paper = SamplePaper(2, 5);
    paper->SetFaceWidth(864);
    paper->SetFaceHeight(550);
    paper->SetFaceShape(fsRoundRect);
    QStringList lines;
    PaperSummary(lines, *paper, nullptr, -1);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("用紙グループ：テスト"));
    EXPECT_EQ(lines[1], QStringLiteral("台紙：A4"));
    EXPECT_EQ(lines[2], QStringLiteral("面数：横2面×縦5面(10面)"));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("サイズ：86.4×55mm "))) << lines[3].toStdString();
    EXPECT_TRUE(lines[3].endsWith(QStringLiteral("(角丸型)"))) << lines[3].toStdString();

    TFreePaperInfo free;
    free.SetPortraitWidth(1234);
    free.SetPortraitHeight(999);
    for (int i = 0; i < 3; ++i) {
        TFaceItem* item = free.Faces()->Add();
        item->SetRect({100 + 300 * i, 100, 350 + 300 * i, 405});
        item->SetFaceShape(i == 1 ? fsEllipse : fsRect);
    }
    PaperSummary(lines, free, nullptr, -1);
    EXPECT_EQ(lines[1], QStringLiteral("台紙：その他(123.4×99.9mm)"));
    EXPECT_EQ(lines[2], QStringLiteral("面数：3面"));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[4], QStringLiteral("サイズ2：25×30.5mm (丸型)"));
    PaperSummary(lines, free, nullptr, 2);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("サイズ3：")));
    EXPECT_EQ(FaceShapeName(int(0x80000001u)), QStringLiteral("CD型"));
    EXPECT_EQ(FaceShapeName(6), QString());
}

QColor PixelAtLabel(const QImage& image, TLabelData& data, int k, int dpi)
{
    const QPoint c = RectCenter(data.LabelRect(k));
    return image.pixelColor(MulDiv(c.x(), dpi, 254), MulDiv(c.y(), dpi, 254));
}

TEST(SheetView, PicturesInPlaceAndSharedDesignsRenderedOnce)
{
    auto data = NewDocument(); // 2 x 6
    for (int k : {0, 5, 11})
        Design(*data, k, 0x0000FF, {0, 0, 900, 400}); // the whole label red
    const int dpi = 60;
    const QImage image = RenderSheetImage(*data, dpi);
    for (int k = 0; k < 12; ++k) {
        const QColor c = PixelAtLabel(image, *data, k, dpi);
        if (k == 0 || k == 5 || k == 11)
            EXPECT_EQ(c, QColor(255, 0, 0)) << k;
        else
            EXPECT_EQ(c, QColor(255, 255, 255)) << k;
    }
    // Shared design: one picture, the same for every position.
    data->SetSeparatelyDesign(false);
    Design(*data, 0, 0x00FF00, {0, 0, 900, 400});
    EXPECT_FALSE(LabelsRenderSeparately(*data));
    const std::vector<QImage> pictures = RenderSheetPictures(*data, dpi);
    ASSERT_EQ(pictures.size(), 12u);
    for (const QImage& p : pictures)
        EXPECT_EQ(p.cacheKey(), pictures[0].cacheKey());
    const QImage shared = RenderSheetImage(*data, dpi);
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(PixelAtLabel(shared, *data, k, dpi), QColor(0, 255, 0)) << k;
}

// A numbering object: shows a different number at each position.
class TSheetTestNumber : public TLDTestRect, public IDONumbering
{
    VELMO_DRAW_OBJECT(TSheetTestNumber, TLDTestRect)
public:
    explicit TSheetTestNumber(TComponent* owner = nullptr) : TLDTestRect(owner) {}
    void* QueryInterface(const TGUID& iid) override
    {
        if (iid == IDONumbering::IID)
            return static_cast<IDONumbering*>(this);
        return TLDTestRect::QueryInterface(iid);
    }
    void SetCurNumber(int number) override { FNumber = number; }
    int GetCurNumber() const override { return FNumber; }

private:
    int FNumber = 0;
};

const TPropertyTable& TSheetTestNumber::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

TEST(SheetView, ANumberingObjectMakesEveryPositionRenderAlone)
{
    auto data = NewDocument();
    if (!FindLabelClass(u"TSheetTestNumber"))
        RegisterLabelClass<TSheetTestNumber>();
    data->SetSeparatelyDesign(false);
    Design(*data, 0, 0x00FF00);
    EXPECT_FALSE(LabelsRenderSeparately(*data));
    OwnedList list;
    auto* number = new TSheetTestNumber;
    number->SetBaseRect({10, 10, 100, 100});
    list.List.Add(number);
    list.List.Add(NewRect({0, 0, 900, 400}, 0x00FF00));
    data->WriteLabel(0, list.List);
    EXPECT_TRUE(LabelsRenderSeparately(*data));
    const std::vector<QImage> pictures = RenderSheetPictures(*data, 40);
    ASSERT_EQ(pictures.size(), 12u);
    EXPECT_NE(pictures[1].cacheKey(), pictures[0].cacheKey());
}

TEST(SheetView, PreparingASiteForALabelPutsThePrintedImagesUnderneath)
{
    auto data = NewDocument();
    TImagePaperInfo images;
    images.SetPaperName(data->Paper()->PaperName());
    images.SetSeparatelyDesign(false);
    TDOList face;
    face.Add(NewRect({0, 0, 900, 100}, 0x808080));
    images.SetFaceObjects(0, face);
    face.FreeObjects();
    data->SetImageInfo(&images);
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.SetLogWidth(900);
    site.SetLogHeight(400);
    auto* old = new TLDTestRect(&site);
    site.AddObject(old);
    PrepareLabelSite(site, *data, 7);
    ASSERT_EQ(site.ObjectCount(), 1); // what was there is gone
    TDrawObject* image = site.Objects(0);
    EXPECT_EQ(image->LayerGroup(), -50);
    EXPECT_FALSE(image->Selectable());
    EXPECT_FALSE(image->Enabled());
    EXPECT_EQ(image->Owner(), &site);
    // The printed image shows under the design in the label's picture.
    Design(*data, 7, 0x0000FF, {0, 200, 900, 400});
    const QImage picture = RenderLabelPicture(*data, 7, 100);
    EXPECT_EQ(picture.pixelColor(picture.width() / 2, MulDiv(50, 100, 254)), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(picture.pixelColor(picture.width() / 2, MulDiv(300, 100, 254)), QColor(255, 0, 0));
}

TEST(SheetView, PreviewLoaderDrawsTheStoredPreviews)
{
    QTemporaryDir dir;
    auto data = NewDocument();
    Design(*data, 3, 0xFF0000, {0, 0, 900, 400}); // blue
    const QString file = dir.filePath(QStringLiteral("p.lbd"));
    data->Save(file);
    QImage picture;
    {
        TLDPreviewLoader loader(file);
        ASSERT_TRUE(loader.IsOpen());
        EXPECT_TRUE(loader.Preview(picture, 0, 3));
        EXPECT_FALSE(loader.Preview(picture, 0, 4));
        EXPECT_FALSE(loader.Preview(picture, 3, 0));
        EXPECT_FALSE(loader.Preview(picture, 0, -1));
        EXPECT_TRUE(loader.Preview(picture, 0, 3)); // back to the sheet after another
    }
    QImage sheet;
    ASSERT_TRUE(DrawSheetPreview(sheet, file, *data->Paper(), 10, 0));
    EXPECT_EQ(sheet.size(), QSize(210, 297));
    const auto at = [&](int k) {
        const QPoint c = RectCenter(data->LabelRect(k));
        return sheet.pixelColor(c.x() / 10, c.y() / 10);
    };
    EXPECT_EQ(at(3), QColor(0, 0, 255));
    EXPECT_EQ(at(2), QColor(255, 255, 255));
    EXPECT_EQ(sheet.pixelColor(0, 0), QColor(0, 0, 0)); // the sheet's outline
    EXPECT_FALSE(DrawSheetPreview(sheet, dir.filePath(QStringLiteral("none.lbd")), *data->Paper(), 10, 0));
    TLDPreviewLoader missing(dir.filePath(QStringLiteral("none.lbd")));
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_FALSE(missing.Preview(picture, 0, 0));
}

// ---- the widgets

struct ViewFixture : ::testing::Test
{
    std::unique_ptr<TLabelData> Data = NewDocument();
    Asked Answers;
    QStringList Notices;
    std::unique_ptr<TfrmSheet> View;
    ViewFixture()
    {
        TfrmSheet::ResetRememberedZoom();
        View = std::make_unique<TfrmSheet>(*Data, QStringLiteral("ベルモ"));
        TSheetMessages m;
        m.YesNo = Answers.Ask();
        m.OkCancel = Answers.Ask();
        m.Notice = [this](const QString& text) { Notices << text; };
        View->SetMessages(m);
        View->resize(800, 900);
        View->show();
        QApplication::processEvents();
    }
    QPoint DevicePoint(int k) const
    {
        TSheetSite* site = View->Site();
        return site->ToDevice(RectCenter(Data->LabelRect(k)));
    }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = {})
    {
        TSheetSite* site = View->Site();
        QMouseEvent e(type, at, site->mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, mods);
        QCoreApplication::sendEvent(site, &e);
    }
    void DragWithMouse(int from, int to, Qt::KeyboardModifiers mods = {})
    {
        Mouse(QEvent::MouseButtonPress, DevicePoint(from), Qt::LeftButton);
        const QPoint mid = (DevicePoint(from) + DevicePoint(to)) / 2;
        Mouse(QEvent::MouseMove, mid, Qt::LeftButton, mods);
        Mouse(QEvent::MouseMove, DevicePoint(to), Qt::LeftButton, mods);
        EXPECT_EQ(View->Site()->DropTarget(), to);
        Mouse(QEvent::MouseButtonRelease, DevicePoint(to), Qt::NoButton, mods);
    }
};

TEST_F(ViewFixture, DraggingALabelWithTheMouse)
{
    Design(*Data, 1, 0x00FF00);
    View->RefreshAll();
    DragWithMouse(1, 4);
    EXPECT_TRUE(Answers.Questions.isEmpty());
    EXPECT_EQ(FirstColor(*Data, 4), 0x00FF00);
    EXPECT_EQ(Data->CurrentLabelNo(), 1); // the press chose the source
    // Onto a label with data: asked; Shift moves.
    DragWithMouse(4, 1, Qt::ShiftModifier);
    EXPECT_EQ(Answers.Questions, QStringList{OverwriteLabelQuestion()});
    EXPECT_FALSE(Data->LabelHasData(4));
    EXPECT_EQ(View->Site()->DropTarget(), -1);
    // The picture of the position changed with the data.
    EXPECT_EQ(
        View->Pictures()[4].pixelColor(View->Pictures()[4].width() / 8, View->Pictures()[4].height() / 2),
        QColor(Qt::white));
}

TEST_F(ViewFixture, SharedDesignPositionsAreNotChosen)
{
    Data->SetSeparatelyDesign(false);
    Design(*Data, 0, 0x00FF00);
    View->RefreshAll();
    EXPECT_FALSE(View->Site()->Selecting());
    Mouse(QEvent::MouseButtonPress, DevicePoint(5), Qt::LeftButton);
    Mouse(QEvent::MouseMove, DevicePoint(2), Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, DevicePoint(2), Qt::NoButton, Qt::ShiftModifier);
    EXPECT_EQ(Data->CurrentLabelNo(), 0);
    EXPECT_TRUE(Data->LabelHasData(0));
    // Every position shows the shared design.
    EXPECT_EQ(View->Pictures()[7].cacheKey(), View->Pictures()[0].cacheKey());
}

TEST_F(ViewFixture, EscapeEndsADragWithoutEffect)
{
    Design(*Data, 0, 0x00FF00);
    View->RefreshAll();
    Mouse(QEvent::MouseButtonPress, DevicePoint(0), Qt::LeftButton);
    Mouse(QEvent::MouseMove, DevicePoint(3), Qt::LeftButton);
    EXPECT_EQ(View->Site()->DropTarget(), 3);
    EXPECT_FALSE(View->Site()->DropMoves());
    // Shift pressed and released during the drag: the highlight follows at once. (The
    // window system reports the state before the key; the event gives the state after.)
    QKeyEvent shiftDown(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier);
    QCoreApplication::sendEvent(View->Site(), &shiftDown);
    EXPECT_TRUE(View->Site()->DropMoves());
    QKeyEvent shiftUp(QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier);
    QCoreApplication::sendEvent(View->Site(), &shiftUp);
    EXPECT_FALSE(View->Site()->DropMoves());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(View->Site(), &escape);
    Mouse(QEvent::MouseButtonRelease, DevicePoint(3), Qt::NoButton);
    EXPECT_FALSE(Data->LabelHasData(3));
}

TEST_F(ViewFixture, CopyAndPasteThroughTheClipboard)
{
    Design(*Data, 2, 0x00FFFF);
    Data->SetCurrentLabelNo(2);
    View->RefreshAll();
    EXPECT_TRUE(View->Action(QStringLiteral("actCopyLabel"))->isEnabled());
    View->CopyLabel();
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    ASSERT_NE(clip, nullptr);
    ASSERT_TRUE(clip->hasFormat(View->ClipboardMimeType()));
    EXPECT_TRUE(View->CanPasteLabel());
    Data->SetCurrentLabelNo(8);
    View->PasteLabel();
    EXPECT_EQ(FirstColor(*Data, 8), 0x00FFFF);
    // Damaged clipboard content: nothing is pasted.
    auto* bad = new QMimeData;
    bad->setData(View->ClipboardMimeType(), QByteArray("\x05\x00\x00\x00junk", 8));
    QApplication::clipboard()->setMimeData(bad);
    Data->SetCurrentLabelNo(9);
    View->PasteLabel();
    EXPECT_FALSE(Data->LabelHasData(9));
}

TEST_F(ViewFixture, TabsFollowTheSheets)
{
    EXPECT_FALSE(View->Action(QStringLiteral("actDeleteSheet"))->isEnabled());
    EXPECT_FALSE(View->Action(QStringLiteral("actMoveSheet"))->isEnabled());
    View->AddSheet();
    EXPECT_EQ(View->Tabs()->count(), 2);
    EXPECT_EQ(View->Tabs()->currentIndex(), 1);
    EXPECT_TRUE(View->Action(QStringLiteral("actDeleteSheet"))->isEnabled());
    View->Tabs()->setCurrentIndex(0);
    EXPECT_EQ(Data->CurrentSheet(), 0);
    Answers.Answer = false;
    View->DeleteSheet();
    EXPECT_EQ(Data->SheetCount(), 2);
    Answers.Answer = true;
    View->DeleteSheet();
    EXPECT_EQ(Data->SheetCount(), 1);
    EXPECT_EQ(View->Tabs()->count(), 1);
}

TEST_F(ViewFixture, TheTabsOfferTheSheetCommands)
{
    QStringList names;
    for (QAction* a : View->Tabs()->actions())
        names << a->objectName();
    EXPECT_EQ(names, (QStringList{QStringLiteral("actAddSheet"), QStringLiteral("actDeleteSheet"),
                                  QStringLiteral("actCopySheet"), QStringLiteral("actMoveSheet"),
                                  QStringLiteral("actRenameSheet")}));
    EXPECT_EQ(View->Tabs()->contextMenuPolicy(), Qt::ActionsContextMenu);
}

TEST_F(ViewFixture, ZoomIsRememberedForTheNextView)
{
    View->SetZoom(150);
    EXPECT_EQ(View->Site()->Scaler()->Scale(), 150);
    View->SetZoom(33); // not a step: ignored
    EXPECT_EQ(View->Zoom(), 150);
    View.reset();
    EXPECT_EQ(TfrmSheet::RememberedZoom(), 150);
    TfrmSheet next(*Data, QStringLiteral("ベルモ"));
    EXPECT_EQ(next.Zoom(), 150);
    TfrmSheet::ResetRememberedZoom();
    EXPECT_EQ(TfrmSheet::RememberedZoom(), 0);
}

TEST_F(ViewFixture, ChangingThePaperRebuildsTheView)
{
    Design(*Data, 10, 1);
    auto fewer = SamplePaper(2, 3);
    Answers.Answer = false;
    EXPECT_FALSE(View->ConfirmPaperChange(*fewer));
    EXPECT_EQ(Answers.Questions, QStringList{PaperDropsLabelsQuestion()});
    Data->SetCurrentLabelNo(5);
    View->ChangePaper(*fewer, true, nullptr, nullptr);
    EXPECT_EQ(Data->LabelCount(), 6);
    EXPECT_EQ(Data->CurrentLabelNo(), 0);
    EXPECT_EQ(SiteFaceCount(View->Site()), 6);
    EXPECT_EQ(View->Pictures().size(), 6u);
}

TEST(SheetDialogs, PositionDialogMovesTheEntry)
{
    const QStringList names{QStringLiteral("A"), QStringLiteral("B")};
    TfrmSheetPosition copy(CopySheetTitle(), CopySheetGuidance(), names, 0, CopiedSheetEntry());
    EXPECT_EQ(copy.Position(), 2);
    EXPECT_FALSE(copy.DownButton()->isEnabled());
    EXPECT_TRUE(copy.UpButton()->isEnabled());
    copy.MoveUp();
    copy.MoveUp();
    copy.MoveUp(); // already first
    EXPECT_EQ(copy.Position(), 0);
    EXPECT_FALSE(copy.UpButton()->isEnabled());
    EXPECT_EQ(copy.List()->item(0)->text(), CopiedSheetEntry());
    EXPECT_EQ(copy.windowTitle(), QStringLiteral("ﾗﾍﾞﾙｼｰﾄの複写"));
    TfrmSheetPosition move(MoveSheetTitle(), MoveSheetGuidance(), names, 1, QString());
    EXPECT_EQ(move.Position(), 1);
    move.MoveUp();
    EXPECT_EQ(move.List()->item(0)->text(), QStringLiteral("B"));
}

TEST(SheetDialogs, RenameDialogStaysOpenOnATakenName)
{
    QStringList notices;
    TfrmSheetName dialog(
        QStringLiteral("新規シート1"),
        [](const QString& n) {
            return n == QStringLiteral("新規シート1") ? SheetNameExistsMessage() : QString();
        },
        [&notices](const QString& m) { notices << m; });
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    dialog.Edit()->clear();
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.Edit()->setText(QStringLiteral("新規シート1"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(notices, QStringList{SheetNameExistsMessage()});
    dialog.Edit()->setText(QStringLiteral("別名"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), int(QDialog::Accepted));
    EXPECT_EQ(dialog.Edit()->maxLength(), kMaxSheetNameLength);
}

} // namespace
