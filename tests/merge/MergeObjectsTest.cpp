// Merge text, picture and barcode objects: the values the merge step gives them, the
// record's fields beyond its end, damaged pictures, and their stored forms.
#include "base/UStream.h"
#include "imaging/UImagePack.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "merge/UCsvDB.h"
#include "merge/ULOInsertion.h"
#include "objects/UDOGroup.h"
#include "objects/ULDObjects.h"
#include "objects/ULabelObject.h"
#include "persist/UComponentStream.h"
#include "persist/UComponentText.h"
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

class MergeObjects : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterImagingGraphics();
        RegisterPictureFormats();
        RegisterMergeClasses();
        ASSERT_TRUE(FDir.isValid());
    }
    void TearDown() override { TCsvDB::Instance().Close(); }

    QString Write(const QString& name, const QByteArray& bytes)
    {
        const QString path = FDir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QString WritePng(const QString& name, QColor colour, QSize size = {8, 6})
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = FDir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        EXPECT_TRUE(image.save(path));
        return path;
    }
    QTemporaryDir FDir;
};

QRgb PixelOf(TLOInsImage& image)
{
    const QImage& rendered = image.Rendered();
    if (rendered.isNull())
        return 0;
    return rendered.pixel(rendered.width() / 2, rendered.height() / 2) & 0xFFFFFF;
}

} // namespace

TEST_F(MergeObjects, TextTakesTheFieldAndShowsSpacesWhenEmpty)
{
    const QString csv = Write(QStringLiteral("a.csv"), "one,two,three\nfour,\"five\nlines\",six\n");
    TCsvDB::Instance().Open(csv);
    TDOList list;
    auto* text = new TLOInsText;
    text->SetBaseRect({0, 0, 100, 100});
    text->SetInsertionField(1);
    list.Add(text);
    TCsvDB::Instance().ApplyMergeRecord(list, 0);
    EXPECT_EQ(text->Text()->Lines(), QStringList{QStringLiteral("two")});
    // A line break in the value gives two lines.
    TCsvDB::Instance().ApplyMergeRecord(list, 1);
    EXPECT_EQ(text->Text()->Lines(), (QStringList{QStringLiteral("five"), QStringLiteral("lines")}));
    EXPECT_EQ(text->InsertionText(), QStringLiteral("five\nlines"));
    // Beyond the last record, and a field the record does not have.
    TCsvDB::Instance().ApplyMergeRecord(list, 2);
    EXPECT_EQ(text->Text()->Lines(), QStringList{QStringLiteral("\u3000\u3000\u3000")});
    text->SetInsertionField(4);
    TCsvDB::Instance().ApplyMergeRecord(list, 0);
    EXPECT_EQ(text->Text()->Lines(), QStringList{QStringLiteral("\u3000\u3000\u3000")});
    EXPECT_EQ(text->InsertionText(), QStringLiteral("\u3000\u3000\u3000"));
    list.FreeObjects();
}

TEST_F(MergeObjects, MergeObjectsInsideGroupsAreFilledToo)
{
    TCsvDB::Instance().Open(Write(QStringLiteral("g.csv"), "x,y\n"));
    TDOList list;
    auto* group = new TDOGroup;
    auto* text = new TLOInsText;
    text->SetInsertionField(1);
    group->AddMember(text);
    list.Add(group);
    TCsvDB::Instance().ApplyMergeRecord(list, 0);
    EXPECT_EQ(text->Text()->Lines(), QStringList{QStringLiteral("y")});
    list.FreeObjects();
}

TEST_F(MergeObjects, JanValuesGetTheirCheckDigitAgain)
{
    TLOInsBarCode code;
    code.SetBarKind(bkJAN);
    code.SetInsertionText(QStringLiteral("123456789012"));
    EXPECT_EQ(code.JANCode(), QStringLiteral("1234567890128"));
    code.SetInsertionText(QStringLiteral("1234567890120")); // wrong check digit replaced
    EXPECT_EQ(code.JANCode(), QStringLiteral("1234567890128"));
    code.SetInsertionText(QStringLiteral("4901234"));
    EXPECT_EQ(code.JANCode(), QStringLiteral("49012347"));
    code.SetInsertionText(QStringLiteral("12345"));
    EXPECT_EQ(code.JANCode(), QString());
    EXPECT_FALSE(code.HasValidCode());
    EXPECT_EQ(code.GetInsertionText(), QStringLiteral("12345"));
    // Other kinds take the value as it is.
    code.SetBarKind(bkCode39);
    code.SetInsertionText(QStringLiteral("ab-12"));
    EXPECT_EQ(code.JANCode(), QStringLiteral("ab-12"));
}

TEST_F(MergeObjects, RefusedBarcodeValuesAreReportedNotHidden)
{
    TDOList list;
    auto* code = new TLOInsBarCode;
    code->SetBarKind(bkJAN);
    list.Add(code);
    code->SetInsertionText(QStringLiteral("4901234567894"));
    EXPECT_FALSE(HasRefusedBarCode(list));
    code->SetInsertionText(QStringLiteral("49012"));
    EXPECT_TRUE(HasRefusedBarCode(list));
    // An empty value (no record for the label) is not a fault.
    code->SetInsertionText(QString());
    EXPECT_FALSE(HasRefusedBarCode(list));
    code->SetBarKind(bkCode39);
    code->SetInsertionText(QStringLiteral("lower?"));
    EXPECT_TRUE(HasRefusedBarCode(list));
    list.FreeObjects();
}

TEST_F(MergeObjects, PicturesByRelativeNameMissingOrDamaged)
{
    WritePng(QStringLiteral("pics/red.png"), QColor(255, 0, 0));
    WritePng(QStringLiteral("pics/blue.png"), QColor(0, 0, 255));
    Write(QStringLiteral("pics/bad.png"), QByteArray("\x89PNG\r\n\x1a\nnot really", 18));
    TCsvDB::Instance().Open(Write(QStringLiteral("list.csv"), "pics/red.png\npics/blue.png\npics/bad.png\n"
                                                              "pics/gone.png\n\n"));
    const QString elsewhere = QDir::currentPath();
    TDOList list;
    auto* image = new TLOInsImage;
    image->SetBaseRect({0, 0, 400, 400});
    list.Add(image);
    TCsvDB::Instance().ApplyMergeRecord(list, 0);
    EXPECT_EQ(PixelOf(*image), 0xFF0000u);
    TCsvDB::Instance().ApplyMergeRecord(list, 1);
    EXPECT_EQ(PixelOf(*image), 0x0000FFu);
    // Damaged and missing: the error picture, never the previous label's picture.
    const QSize errorSize(ErrorPicture().Width(), ErrorPicture().Height());
    for (int record : {2, 3}) {
        TCsvDB::Instance().ApplyMergeRecord(list, 1);
        TCsvDB::Instance().ApplyMergeRecord(list, record);
        ASSERT_TRUE(image->HasPicture()) << record;
        EXPECT_EQ(QSize(image->ImageData()->Picture()->Width(), image->ImageData()->Picture()->Height()),
                  errorSize)
            << record;
        EXPECT_NE(PixelOf(*image), 0x0000FFu) << record;
    }
    // No name (a record with an empty field, or beyond the end): no picture.
    TCsvDB::Instance().ApplyMergeRecord(list, 4);
    EXPECT_FALSE(image->HasPicture());
    TCsvDB::Instance().ApplyMergeRecord(list, 1);
    TCsvDB::Instance().ApplyMergeRecord(list, 99);
    EXPECT_FALSE(image->HasPicture());
    EXPECT_EQ(QDir::currentPath(), elsewhere);
    list.FreeObjects();
}

TEST_F(MergeObjects, AMissingPictureIsAHintOnScreenAndNothingInPrint)
{
    WritePng(QStringLiteral("red.png"), QColor(255, 0, 0));
    TCsvDB::Instance().Open(Write(QStringLiteral("list.csv"), "red.png\ngone.png\n"));
    TDOList list;
    auto* image = new TLOInsImage;
    image->SetBaseRect({0, 0, 200, 200});
    list.Add(image);
    auto* group = new TDOGroup;
    auto* inner = new TLOInsImage;
    inner->SetBaseRect({0, 0, 100, 100});
    group->AddMember(inner);
    list.Add(group);
    // Ink drawn by the objects onto white, on screen and as print output.
    auto ink = [&](bool print) {
        QImage canvas(200, 200, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        {
            QPainter painter(&canvas);
            SetPrintOutput(print);
            image->DrawTo(painter);
            SetPrintOutput(false);
        }
        int n = 0;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                n += (canvas.pixel(x, y) & 0xFFFFFF) != 0xFFFFFFu;
        return n;
    };
    TCsvDB::Instance().ApplyMergeRecord(list, 0);
    EXPECT_FALSE(image->PictureMissing());
    EXPECT_TRUE(MissingMergePictures(list).isEmpty());
    EXPECT_GT(ink(true), 1000); // a picture that exists prints

    TCsvDB::Instance().ApplyMergeRecord(list, 1);
    EXPECT_TRUE(image->PictureMissing());
    EXPECT_GT(ink(false), 1000) << "the layout view keeps the hint";
    EXPECT_EQ(ink(true), 0) << "print output leaves the label empty";
    // Both, the one inside the group too, named for the report.
    EXPECT_EQ(MissingMergePictures(list), QStringList({"gone.png", "gone.png"}));
    const QString notice = MissingMergePicturesNotice(3, {QStringLiteral("gone.png")});
    EXPECT_TRUE(notice.contains(u"3 枚") && notice.contains(u"gone.png")) << notice.toStdString();

    // A copy keeps the state; the stored design leaves the hint out, so a design
    // written while it showed prints nothing when read back.
    TLOInsImage copy;
    copy.Assign(*image);
    EXPECT_TRUE(copy.PictureMissing());
    const QByteArray bytes = ComponentStreamBytes(*image);
    EXPECT_FALSE(ComponentToText(bytes).contains(u"ImageData")) << ComponentToText(bytes).toStdString();
    TReadOnlyMemoryStream stream(bytes.constData(), bytes.size());
    TLOInsImage back;
    ReadComponentInto(stream, back);
    EXPECT_EQ(back.InsertionText(), QStringLiteral("gone.png"));
    EXPECT_FALSE(back.HasPicture());
    // A found picture is stored with the design as before.
    TCsvDB::Instance().ApplyMergeRecord(list, 0);
    EXPECT_TRUE(ComponentToText(ComponentStreamBytes(*image)).contains(u"ImageData"));
    list.FreeObjects();
}

TEST_F(MergeObjects, StoredFormsAndAssign)
{
    TLOInsText text;
    text.SetBaseRect({0, 0, 100, 100});
    text.SetInsertionField(0);
    QString form = ComponentToText(ComponentStreamBytes(text));
    // The field is always written, the text only when there is one.
    EXPECT_TRUE(form.contains(u"InsertionField = 0")) << form.toStdString();
    EXPECT_FALSE(form.contains(u"InsertionText")) << form.toStdString();
    text.SetInsertionField(2);
    text.SetInsertionText(QStringLiteral("山田"));
    form = ComponentToText(ComponentStreamBytes(text));
    EXPECT_LT(form.indexOf(u"InsertionText"), form.indexOf(u"InsertionField = 2"));
    EXPECT_GT(form.indexOf(u"InsertionText"), form.indexOf(u"Text.Strings"));

    const QByteArray bytes = ComponentStreamBytes(text);
    TReadOnlyMemoryStream stream(bytes.constData(), bytes.size());
    TLOInsText back;
    ReadComponentInto(stream, back);
    EXPECT_EQ(back.InsertionField(), 2);
    EXPECT_EQ(back.InsertionText(), QStringLiteral("山田"));
    TLOInsText copy;
    copy.Assign(back);
    EXPECT_EQ(copy.InsertionField(), 2);
    EXPECT_EQ(copy.InsertionText(), QStringLiteral("山田"));
    EXPECT_EQ(copy.Text()->Lines(), QStringList{QStringLiteral("山田")});

    TLOInsBarCode code;
    code.SetBarKind(bkCode128);
    code.SetInsertionField(3);
    code.SetInsertionText(QStringLiteral("A-1"));
    TLOInsBarCode codeCopy;
    codeCopy.Assign(code);
    EXPECT_EQ(codeCopy.InsertionField(), 3);
    EXPECT_EQ(codeCopy.JANCode(), QStringLiteral("A-1"));
    EXPECT_TRUE(ComponentToText(ComponentStreamBytes(code)).startsWith(u"object TLOInsBarCode"));

    TLOInsImage image;
    image.SetInsertionField(5);
    TLOInsImage imageCopy;
    imageCopy.Assign(image);
    EXPECT_EQ(imageCopy.InsertionField(), 5);
    EXPECT_TRUE(ComponentToText(ComponentStreamBytes(image)).contains(u"InsertionField = 5"));
}

TEST_F(MergeObjects, DesignsNameTheClassesAsTheCreatorMakesThem)
{
    for (const char* kind :
         {"TLOInsText", "TLOInsImage", "TLOInsBarCode", "TLODate", "TLONumbering", "TLOField"})
        EXPECT_NE(FindLabelClassByName(QString::fromLatin1(kind)), nullptr) << kind;
    // The image object's older name still reads as the current image class.
    const TComponentClass* older = FindLabelClass(u"TLOImage");
    ASSERT_NE(older, nullptr);
    EXPECT_EQ(older->Name, QStringLiteral("TLOVelmoImage"));
}

TEST_F(MergeObjects, LibzintMergeBarcodeJoinsTwoFieldsAndReportsRefusals)
{
    TCsvDB::Instance().Open(
        Write(QStringLiteral("jp.csv"), QByteArray("263-0023,3-2-B1103\n100-0005,1-#-3\n,\n")));
    TDOList list;
    auto* code = new TLOInsZintBarCode;
    code->SetSymbology(76); // Japan Post
    code->SetInsertionField(0);
    code->SetInsertionField2(1);
    list.Add(code);
    TCsvDB::Instance().ApplyMergeRecord(list, 0);
    EXPECT_EQ(code->JANCode(), QStringLiteral("263-00233-2-B1103"));
    EXPECT_TRUE(code->HasValidCode()) << code->EncodeError().toStdString();
    EXPECT_FALSE(HasRefusedBarCode(list));
    TCsvDB::Instance().ApplyMergeRecord(list, 1);
    EXPECT_FALSE(code->HasValidCode());
    EXPECT_TRUE(HasRefusedBarCode(list));
    // An empty record, and a label beyond the last record, print no symbol and are
    // no fault.
    TCsvDB::Instance().ApplyMergeRecord(list, 2);
    EXPECT_FALSE(HasRefusedBarCode(list));
    TCsvDB::Instance().ApplyMergeRecord(list, 7);
    EXPECT_TRUE(code->JANCode().isEmpty());
    EXPECT_FALSE(HasRefusedBarCode(list));
    // One field alone: the second one's value is not joined.
    code->SetInsertionField2(-1);
    TCsvDB::Instance().ApplyMergeRecord(list, 0);
    EXPECT_EQ(code->JANCode(), QStringLiteral("263-0023"));
    list.FreeObjects();

    // Stored with its class name; the second field only when there is one, and read
    // back without replacing the stored data by a merge value.
    TLOInsZintBarCode stored;
    stored.SetSymbology(58);
    stored.SetJANCode(QStringLiteral("https://example.jp/"));
    stored.SetInsertionText(QStringLiteral("https://example.jp/"));
    QString text = ComponentToText(ComponentStreamBytes(stored));
    EXPECT_TRUE(text.startsWith(u"object TLOInsZintBarCode")) << text.toStdString();
    EXPECT_FALSE(text.contains(u"InsertionField2")) << text.toStdString();
    stored.SetInsertionField2(3);
    const QByteArray bytes = ComponentStreamBytes(stored);
    TMemoryStream stream(bytes);
    std::unique_ptr<TComponent> back = ReadComponent(stream);
    auto* read = dynamic_cast<TLOInsZintBarCode*>(back.get());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->InsertionField2(), 3);
    EXPECT_EQ(read->JANCode(), QStringLiteral("https://example.jp/"));
    EXPECT_EQ(ComponentStreamBytes(*read), bytes);
}
