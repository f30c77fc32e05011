// The object clipboard: our format beside a picture for other programs, pastes
// of our objects, of text and of pictures through the kinds' registration hooks,
// and damaged clipboard data.
#include "base/UStream.h"
#include "draw/FDrawSite.h"
#include "draw/UDOAction.h"
#include "imaging/UColorSpec.h"
#include "imaging/UDIB.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULDObjects.h"
#include "objects/ULOCreator.h"
#include "objects/ULORect.h"
#include "objects/UStandardDSA.h"
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <gtest/gtest.h>
#include <limits>

using namespace velmo;

namespace {

// What a text kind registers: a class made for "TLOTextPaste" and a preparation
// that takes the pasted text.
class TPasteText : public TLORect
{
    VELMO_DRAW_OBJECT(TPasteText, TLORect)
public:
    explicit TPasteText(TComponent* owner = nullptr) : TLORect(owner) {}
    QString Text;
};

class TPasteImage : public TLORect
{
    VELMO_DRAW_OBJECT(TPasteImage, TLORect)
public:
    explicit TPasteImage(TComponent* owner = nullptr) : TLORect(owner) {}
    QSize PictureSize;
};

const TPropertyTable& TPasteText::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}
const TPropertyTable& TPasteImage::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

struct Clipboard : ::testing::Test
{
    TDrawSite site;
    Clipboard()
    {
        ClearLabelClasses();
        RegisterShapeClasses();
        TDesignerList::Instance().Clear();
        TDesignerList::Instance().Register(std::make_shared<TLOCreator>());
        InstallActionHistory();
        TActionList::Instance().Clear();
        site.Scaler()->SetUnitDPI(254);
        site.SetLogWidth(500);
        site.SetLogHeight(300);
        site.resize(200, 120);
    }
    ~Clipboard() override
    {
        TActionList::Instance().Clear();
        TDesignerList::Instance().Clear();
        TLOCreator::SetPreparation(QStringLiteral("TLOTextPaste"), nullptr);
        TLOCreator::SetPreparation(QStringLiteral("TLOImagePaste"), nullptr);
        SetAddActionRecorder(nullptr);
        SetChangeActionFactory(nullptr);
        QGuiApplication::clipboard()->clear();
    }
    TLORect* AddRect(const TLogRect& r)
    {
        auto* o = new TLORect(&site);
        o->SetBaseRect(r);
        o->SetFillInside(true);
        site.AddObject(o);
        return o;
    }
};

// Registers the test's text and image kinds the way the text and image modules do.
void RegisterPasteKinds()
{
    RegisterLabelClassChain(
        {TComponentClass{QStringLiteral("TLOVelmoText"), &typeid(TPasteText),
                         [](TComponent* owner) -> TComponent* { return new TPasteText(owner); }}});
    RegisterLabelClassChain(
        {TComponentClass{QStringLiteral("TLOVelmoImage"), &typeid(TPasteImage),
                         [](TComponent* owner) -> TComponent* { return new TPasteImage(owner); }}});
    TLOCreator::SetPreparation(QStringLiteral("TLOTextPaste"), [](TLabelObject* object, TDrawSite*) {
        static_cast<TPasteText*>(object)->Text = PastedText(CurrentPasteData());
        static_cast<TPasteText*>(object)->SetBaseRect({0, 0, 100, 40});
    });
    TLOCreator::SetPreparation(QStringLiteral("TLOImagePaste"), [](TLabelObject* object, TDrawSite*) {
        const QImage picture = PastedPicture(CurrentPasteData());
        static_cast<TPasteImage*>(object)->PictureSize = picture.size();
        static_cast<TPasteImage*>(object)->SetBaseRect({0, 0, 100, 100});
    });
}

QByteArray PngBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

TEST_F(Clipboard, CopyPutsOurFormatAndAPictureForOtherPrograms)
{
    TLORect* r = AddRect({50, 50, 250, 150});
    r->FillColor()->SetColor(0x0000FF);
    r->SetSelected(true);
    TDSACopy copy;
    ASSERT_TRUE(copy.Execute(&site));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat(ObjectMimeType()));
    if (const QString seeds = qEnvironmentVariable("VELMO_FUZZ_SEED_DIR"); !seeds.isEmpty()) {
        QFile seed(seeds + QStringLiteral("/rect.bin"));
        if (seed.open(QIODevice::WriteOnly))
            seed.write(data->data(ObjectMimeType()));
    }
    EXPECT_EQ(ObjectMimeType(), QStringLiteral("application/x-%E3%83%99%E3%83%AB%E3%83%A2"));
    ASSERT_TRUE(data->hasImage());
    const QImage picture = qvariant_cast<QImage>(data->imageData());
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(200 + 10, 100 + 10)) << "one pixel per unit, frame included";
    EXPECT_EQ(QColor(picture.pixel(picture.width() / 2, picture.height() / 2)), QColor(255, 0, 0));
    // Our block: a count and one stream per object.
    TDOList list;
    ReadObjectClipboardBytes(data->data(ObjectMimeType()), list);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_STREQ(list[0]->ClassName(), "TLORect");
    list.FreeObjects();
    EXPECT_EQ(TActionList::Instance().Count(), 0) << "copying changes nothing";
}

TEST_F(Clipboard, PastedObjectsFromALargerLabelComeInsideAndUndoInOneStep)
{
    TLORect* r = AddRect({2000, 2000, 2200, 2100});
    TDOList list;
    list.Add(r);
    auto* data = new QMimeData;
    data->setData(ObjectMimeType(), ObjectClipboardBytes(list));
    QGuiApplication::clipboard()->setMimeData(data);
    TDSAPaste paste;
    ASSERT_TRUE(paste.CanExecute(&site));
    ASSERT_TRUE(paste.Execute(&site));
    ASSERT_EQ(site.ObjectCount(), 2);
    auto* pasted = dynamic_cast<TLORect*>(site.Objects(1));
    ASSERT_NE(pasted, nullptr);
    EXPECT_TRUE(pasted->Selected());
    const TLogRect e = pasted->GetEncloseRect();
    const QPoint c((e.Left + e.Right) / 2, (e.Top + e.Bottom) / 2);
    EXPECT_LE(c.x(), 500 - 10);
    EXPECT_LE(c.y(), 300 - 10);
    EXPECT_EQ(TActionList::Instance().UndoCaption(), QStringLiteral("貼り付け"));
    TActionList::Instance().Undo();
    EXPECT_EQ(site.ObjectCount(), 1);
}

TEST_F(Clipboard, GarbageInOurFormatRaisesTheStreamErrorAndChangesNothing)
{
    AddRect({0, 0, 100, 100});
    for (const QByteArray& garbage : {QByteArray("\x05\x00\x00\x00TPF0garbage", 15),
                                      QByteArray("\xFF\xFF\xFF\x7F", 4), QByteArray(3, 'x')}) {
        auto* data = new QMimeData;
        data->setData(ObjectMimeType(), garbage);
        QGuiApplication::clipboard()->setMimeData(data);
        TDSAPaste paste;
        EXPECT_THROW(paste.Execute(&site), EStreamError);
        EXPECT_EQ(site.ObjectCount(), 1);
        EXPECT_EQ(TActionList::Instance().GroupLevel(), 0) << "the group is closed";
        EXPECT_EQ(TActionList::Instance().Count(), 0);
    }
}

TEST_F(Clipboard, ShapesFarBeyondAnySheetAreRefusedAndFarOnesNearItRead)
{
    // Written by a rectangle placed directly, read back through the stored Left, Top,
    // Width and Height: a corner ten kilometres out reads, one near the end of the int
    // range (whose centre and height overflowed int) is a damaged stream.
    auto bytesOf = [&](const TLogRect& r) {
        TLORect rect;
        rect.SetBaseRect(r);
        TDOList list;
        list.Add(&rect);
        const QByteArray bytes = ObjectClipboardBytes(list);
        list.Clear();
        return bytes;
    };
    for (const TLogRect& far :
         {TLogRect{-99'999'000, 0, -99'998'000, 100}, TLogRect{0, 99'990'000, 100, 99'999'000}}) {
        TDOList list;
        ReadObjectClipboardBytes(bytesOf(far), list);
        ASSERT_EQ(list.Count(), 1);
        EXPECT_EQ(static_cast<TLORect*>(list[0])->BaseRect(), far);
        list.FreeObjects();
    }
    for (const TLogRect& absurd :
         {TLogRect{0, 1952867660, 100, 1952867700}, TLogRect{-2'000'000'000, 0, -1'999'999'900, 10},
          TLogRect{0, 0, 100'000'001, 10}}) {
        TDOList list;
        EXPECT_THROW(ReadObjectClipboardBytes(bytesOf(absurd), list), EReadError);
        EXPECT_EQ(list.Count(), 0);
    }
    // Moving a shape's stored edge past the limit is refused and leaves the shape.
    TLORect* r = AddRect({0, 0, 100, 100});
    EXPECT_THROW(r->SetPropTop(std::numeric_limits<int>::max()), EReadError);
    EXPECT_THROW(r->SetPropWidth(std::numeric_limits<int>::max()), EReadError);
    EXPECT_EQ(r->BaseRect(), (TLogRect{0, 0, 100, 100}));
}

TEST_F(Clipboard, PlainTextFromAnotherProgramMakesATextObjectThroughItsHook)
{
    RegisterPasteKinds();
    auto* data = new QMimeData;
    data->setText(QStringLiteral("ラベルの文字"));
    QGuiApplication::clipboard()->setMimeData(data);
    TDSAPaste paste;
    ASSERT_TRUE(paste.CanExecute(&site));
    ASSERT_TRUE(paste.Execute(&site));
    ASSERT_EQ(site.ObjectCount(), 1);
    auto* text = dynamic_cast<TPasteText*>(site.Objects(0));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Text, QStringLiteral("ラベルの文字"));
    EXPECT_TRUE(text->Selected());
    TActionList::Instance().Undo();
    EXPECT_EQ(site.ObjectCount(), 0) << "the paste is one step";
}

TEST_F(Clipboard, APictureFromAnotherProgramMakesAnImageObjectAndAHugeOneIsRefused)
{
    RegisterPasteKinds();
    QImage small(40, 30, QImage::Format_RGB32);
    small.fill(Qt::green);
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), PngBytes(small));
    TDSAPaste paste;
    paste.Source = [data] { return data; };
    ASSERT_TRUE(paste.Execute(&site));
    ASSERT_EQ(site.ObjectCount(), 1);
    auto* image = dynamic_cast<TPasteImage*>(site.Objects(0));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->PictureSize, QSize(40, 30));

    QImage huge(9000, 8000, QImage::Format_Mono);
    huge.fill(0);
    data->setData(QStringLiteral("image/png"), PngBytes(huge));
    EXPECT_THROW(paste.Execute(&site), EInvalidGraphic);
    EXPECT_EQ(site.ObjectCount(), 1);
    delete data;
}

TEST_F(Clipboard, WithoutARegisteredKindTextPastesNothing)
{
    auto* data = new QMimeData;
    data->setText(QStringLiteral("abc"));
    TDSAPaste paste;
    paste.Source = [data] { return data; };
    EXPECT_TRUE(paste.Execute(&site));
    EXPECT_EQ(site.ObjectCount(), 0);
    EXPECT_EQ(TActionList::Instance().Count(), 0);
    delete data;
}

TEST_F(Clipboard, CutTakesTheObjectsOffAndCopiesThem)
{
    TLORect* r = AddRect({10, 10, 60, 60});
    r->SetSelected(true);
    TDSACut cut;
    ASSERT_TRUE(cut.Execute(&site));
    EXPECT_EQ(site.ObjectCount(), 0);
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(ObjectMimeType()));
    EXPECT_EQ(TActionList::Instance().UndoCaption(), QStringLiteral("切り取り"));
    TActionList::Instance().Undo();
    EXPECT_EQ(site.ObjectCount(), 1);
}
