#include "base/UCodePage932.h"
#include "persist/TestComponents.h"
#include "persist/UComponentStream.h"
#include "support/StreamBytes.h"
#include "support/TestSupport.h"
#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

namespace velmo::test {
namespace {

std::string HexS(const QByteArray& bytes)
{
    return Hex(bytes).toStdString();
}

using B = StreamBytes;

class ComponentStreamTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterTestClasses();
        LoadedLog().clear();
    }

    // The bytes of a bare stream of obj with the given property entries.
    static QByteArray Record(const QByteArray& className, const QByteArray& name, const QByteArray& entries)
    {
        return B().Signature().Str(className).Str(name).Raw(entries).Raw({0, 0}).Data();
    }

    static std::unique_ptr<TComponent> Read(const QByteArray& bytes)
    {
        TReadOnlyMemoryStream stream(bytes.constData(), bytes.size());
        return ReadComponent(stream);
    }

    static std::unique_ptr<TTestObject> ReadTest(const QByteArray& bytes)
    {
        std::unique_ptr<TComponent> c = Read(bytes);
        auto* t = dynamic_cast<TTestObject*>(c.get());
        if (t)
            c.release();
        return std::unique_ptr<TTestObject>(t);
    }

    // The message of the exception a read of bytes raises ("" when it succeeds).
    static QString ReadError(const QByteArray& bytes)
    {
        try {
            Read(bytes);
        } catch (const Exception& e) {
            return e.Message();
        }
        return {};
    }

    static QByteArray NumberEntries(int number) { return B().Str("Number").Raw(IntBytes(number)).Data(); }

    static QByteArray IntBytes(int64_t v)
    {
        TMemoryStream s;
        TWriter(s).WriteInteger(v);
        return s.Data();
    }
};

// ---- the writer's encodings

TEST_F(ComponentStreamTest, IntegersUseTheSmallestTag)
{
    const std::vector<std::pair<int, int>> cases = {{-128, 2},   {127, 2},   {-129, 3},   {128, 3},
                                                    {-32768, 3}, {32767, 3}, {-32769, 4}, {32768, 4}};
    for (const auto& [value, tag] : cases) {
        TTestVisual object;
        object.Left = value;
        const QByteArray bytes = ComponentStreamBytes(object);
        QByteArray payload;
        const int size = tag == 2 ? 1 : tag == 3 ? 2 : 4;
        for (int i = 0; i < size; ++i)
            payload += char((uint32_t(value) >> (8 * i)) & 0xFF);
        const QByteArray expected = Record("TTestVisual", "",
                                           B().Str("Left")
                                               .Raw({tag})
                                               .Raw(payload)
                                               .Str("Top")
                                               .Raw({2, 0})
                                               .Str("Width")
                                               .Raw({2, 0})
                                               .Str("Height")
                                               .Raw({2, 0})
                                               .Data());
        EXPECT_EQ(HexS(bytes), HexS(expected)) << value;
        auto back = Read(bytes);
        EXPECT_EQ(static_cast<TTestVisual*>(back.get())->Left, value);
    }
}

TEST_F(ComponentStreamTest, Int64UsesInt64TagOnlyOutside32Bits)
{
    TMemoryStream s;
    TWriter w(s);
    w.WriteInteger(int64_t(INT32_MAX));
    w.WriteInteger(int64_t(INT32_MAX) + 1);
    w.WriteInteger(int64_t(INT32_MIN) - 1);
    EXPECT_EQ(HexS(s.Data()), HexS(B().Raw({4, 0xFF, 0xFF, 0xFF, 0x7F})
                                       .Raw({19, 0, 0, 0, 0x80, 0, 0, 0, 0})
                                       .Raw({19, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF})
                                       .Data()));
    TTestObject object;
    object.Number = 1;
    object.Big = int64_t(1) << 40;
    EXPECT_EQ(ReadTest(ComponentStreamBytes(object))->Big, int64_t(1) << 40);
}

TEST_F(ComponentStreamTest, StringsOf255BytesAreShortAnd256Long)
{
    TTestObject object;
    object.Number = 1;
    object.Text = QString(255, u'x');
    QByteArray bytes = ComponentStreamBytes(object);
    const QByteArray shortForm = B().Str("Text").Raw({6, 255}).Raw(QByteArray(255, 'x')).Data();
    EXPECT_TRUE(bytes.contains(shortForm));

    object.Text = QString(256, u'x');
    bytes = ComponentStreamBytes(object);
    const QByteArray longForm = B().Str("Text").Raw({12}).U32(256).Raw(QByteArray(256, 'x')).Data();
    EXPECT_TRUE(bytes.contains(longForm));
    EXPECT_EQ(ReadTest(bytes)->Text, object.Text);

    // 128 double-byte characters are 256 bytes: the length counts bytes.
    object.Text = QString(128, QChar(0x3042));
    bytes = ComponentStreamBytes(object);
    EXPECT_TRUE(bytes.contains(B().Str("Text").Raw({12}).U32(256).Data()));
    EXPECT_EQ(ReadTest(bytes)->Text, object.Text);
}

TEST_F(ComponentStreamTest, TextIsWrittenAsCodePage932)
{
    TTestObject object;
    object.Number = 1;
    object.Text = QStringLiteral("～∥－￥①髙");
    const QByteArray bytes = ComponentStreamBytes(object);
    EXPECT_TRUE(bytes.contains(
        B().Str("Text")
            .Raw({6, 12, 0x81, 0x60, 0x81, 0x61, 0x81, 0x7C, 0x81, 0x8F, 0x87, 0x40, 0xFB, 0xFC})
            .Data()));
    EXPECT_EQ(ReadTest(bytes)->Text, object.Text);
}

TEST_F(ComponentStreamTest, TextOutsideCodePage932IsAWideString)
{
    TTestObject object;
    object.Number = 1;
    object.Text = QStringLiteral("한글 ok \U0001F600");
    const QByteArray bytes = ComponentStreamBytes(object);
    QByteArray wide;
    for (QChar c : object.Text)
        wide += char(c.unicode() & 0xFF), wide += char(c.unicode() >> 8);
    EXPECT_TRUE(bytes.contains(B().Str("Text").Raw({18}).U32(uint32_t(object.Text.size())).Raw(wide).Data()));
    EXPECT_EQ(ReadTest(bytes)->Text, object.Text);

    // A wide string is accepted for a string property whoever wrote it.
    const QByteArray hand =
        Record("TTestObject", "",
               NumberEntries(1) + B().Str("Text").Raw({18}).U32(2).Raw({0x42, 0x30, 0x41, 0}).Data());
    EXPECT_EQ(ReadTest(hand)->Text, QStringLiteral("\u3042A"));

    // A character property holds one character of any width.
    object.Text.clear();
    object.Letter = QChar(0xD55C); // 한
    EXPECT_EQ(ReadTest(ComponentStreamBytes(object))->Letter, QChar(0xD55C));
    object.Letter = QChar(0x3042);
    const QByteArray sjis = ComponentStreamBytes(object);
    EXPECT_TRUE(sjis.contains(B().Str("Letter").Raw({6, 2, 0x82, 0xA0}).Data()));
    EXPECT_EQ(ReadTest(sjis)->Letter, QChar(0x3042));
}

TEST_F(ComponentStreamTest, DefaultsAndStoredConditionsDecideWhatIsWritten)
{
    TTestObject object; // everything at its default; Number and the font's four have none
    const auto font = [](const QByteArray& path) {
        return B()
            .Str(path + "Charset")
            .Raw({7})
            .Str("DEFAULT_CHARSET")
            .Str(path + "Color")
            .Raw({7})
            .Str("clWindowText")
            .Str(path + "Height")
            .Raw({2, 0xF4})
            .Str(path + "Name")
            .Raw({6})
            .Str(cp932::Encode(QStringLiteral("ＭＳ Ｐゴシック")))
            .Str(path + "Style")
            .Raw({11, 0})
            .Data();
    };
    const QByteArray items = B().Str("Items").Raw({14, 0}).Data(); // collections are written even when empty
    EXPECT_EQ(
        HexS(ComponentStreamBytes(object)),
        HexS(Record("TTestObject", "", NumberEntries(0) + font("Font.") + items + font("Inner.Font."))));

    object.Small = 5;
    EXPECT_TRUE(ComponentStreamBytes(object).contains(B().Str("Small").Raw({2, 5}).Data()));
    object.StoreSmall = false;
    EXPECT_FALSE(ComponentStreamBytes(object).contains("Small"));

    object.Kind = TTestKind::tkThree;
    object.Flags = tfRed | tfBlue;
    object.Flag = true;
    object.SetTag(0);
    const QByteArray bytes = ComponentStreamBytes(object);
    EXPECT_TRUE(bytes.contains(B().Str("Kind").Raw({7}).Str("tkThree").Data()));
    EXPECT_TRUE(bytes.contains(B().Str("Flags").Raw({11}).Str("tfRed").Str("tfBlue").Raw({0}).Data()));
    EXPECT_TRUE(bytes.contains(B().Str("Flag").Raw({9}).Data()));
    EXPECT_FALSE(bytes.contains("Tag"));
    object.SetName(QStringLiteral("Obj"));
    EXPECT_FALSE(ComponentStreamBytes(object).contains(B().Str("Name").Data())); // the record carries it
}

TEST_F(ComponentStreamTest, FontFollowsItsAlwaysWrittenRules)
{
    TTestObject object;
    object.Number = 1;
    object.Font()->SetColor(TColor(0x80000008u));
    object.Font()->SetCharset(SHIFTJIS_CHARSET);
    object.Font()->SetHeight(-16);
    object.Font()->SetName(QStringLiteral("Arial"));
    object.Font()->SetStyle(0);
    const QByteArray expected = B().Str("Font.Charset")
                                    .Raw({7})
                                    .Str("SHIFTJIS_CHARSET")
                                    .Str("Font.Color")
                                    .Raw({7})
                                    .Str("clWindowText")
                                    .Str("Font.Height")
                                    .Raw({2, 0xF0})
                                    .Str("Font.Name")
                                    .Raw({6})
                                    .Str("Arial")
                                    .Str("Font.Style")
                                    .Raw({11, 0}) // an empty set: vaSet and one 0 byte
                                    .Data();
    const QByteArray bytes = ComponentStreamBytes(object);
    EXPECT_TRUE(bytes.contains(expected)) << Hex(bytes).toStdString();
    EXPECT_FALSE(bytes.contains("Font.Size"));
    EXPECT_FALSE(bytes.contains(B().Str("Font.Pitch").Data()));

    object.Font()->SetPitch(TFontPitch::fpFixed);
    object.Font()->SetStyle(fsBold | fsStrikeOut);
    object.Font()->SetName(QString());
    const QByteArray second = ComponentStreamBytes(object);
    EXPECT_TRUE(second.contains(B().Str("Font.Pitch").Raw({7}).Str("fpFixed").Data()));
    EXPECT_TRUE(
        second.contains(B().Str("Font.Style").Raw({11}).Str("fsBold").Str("fsStrikeOut").Raw({0}).Data()));
    EXPECT_FALSE(second.contains(B().Str("Font.Name").Data()));

    auto back = ReadTest(second);
    EXPECT_EQ(back->Font()->Color(), TColor(0x80000008u));
    EXPECT_EQ(back->Font()->Charset(), SHIFTJIS_CHARSET);
    EXPECT_EQ(back->Font()->Height(), -16);
    EXPECT_EQ(back->Font()->Pitch(), TFontPitch::fpFixed);
    EXPECT_EQ(back->Font()->Style(), TFontStyles(fsBold | fsStrikeOut));
}

TEST_F(ComponentStreamTest, ColoursWithoutIdentifierAreIntegers)
{
    TTestObject object;
    object.Number = 1;
    object.Color = 0x12345;
    EXPECT_TRUE(ComponentStreamBytes(object).contains(B().Str("Color").Raw({4, 0x45, 0x23, 0x01, 0}).Data()));
    object.Color = clNone;
    EXPECT_TRUE(ComponentStreamBytes(object).contains(B().Str("Color").Raw({7}).Str("clNone").Data()));
    object.Color = clRed;
    const QByteArray bytes = ComponentStreamBytes(object);
    EXPECT_TRUE(bytes.contains(B().Str("Color").Raw({7}).Str("clRed").Data()));
    EXPECT_EQ(ReadTest(bytes)->Color, clRed);
    object.Cursor = -22; // two identifiers: the first one
    EXPECT_TRUE(ComponentStreamBytes(object).contains(B().Str("Cursor").Raw({7}).Str("crSizeAll").Data()));
    object.Cursor = -5; // no identifier
    EXPECT_TRUE(ComponentStreamBytes(object).contains(B().Str("Cursor").Raw({2, 0xFB}).Data()));
}

TEST_F(ComponentStreamTest, IdentifiersFalseTrueNilNullBecomeTheirTags)
{
    TMemoryStream s;
    TWriter w(s);
    w.WriteIdent(QStringLiteral("false"));
    w.WriteIdent(QStringLiteral("TRUE"));
    w.WriteIdent(QStringLiteral("Nil"));
    w.WriteIdent(QStringLiteral("null"));
    w.WriteIdent(QStringLiteral("Nothing"));
    EXPECT_EQ(HexS(s.Data()), HexS(B().Raw({8, 9, 13, 0, 7}).Str("Nothing").Data()));

    TTestObject object;
    object.Number = 1;
    object.OnClick = QStringLiteral("nil");
    EXPECT_TRUE(ComponentStreamBytes(object).contains(B().Str("OnClick").Raw({13}).Data()));
    object.OnClick = QStringLiteral("ButtonClick");
    EXPECT_EQ(ReadTest(ComponentStreamBytes(object))->OnClick, QStringLiteral("ButtonClick"));
}

TEST_F(ComponentStreamTest, StringListWritesStringsOnlyWhenNotEmpty)
{
    TTestObject object;
    object.Number = 1;
    EXPECT_FALSE(ComponentStreamBytes(object).contains("Lines.Strings"));
    object.Lines()->SetLines({QStringLiteral("one"), QString(), QStringLiteral("三")});
    const QByteArray bytes = ComponentStreamBytes(object);
    EXPECT_TRUE(bytes.contains(B().Str("Lines.Strings")
                                   .Raw({1, 6, 3})
                                   .Raw(QByteArray("one"))
                                   .Raw({6, 0, 6, 2, 0x8E, 0x4F, 0})
                                   .Data()));
    EXPECT_EQ(ReadTest(bytes)->Lines()->Lines(), object.Lines()->Lines());
}

TEST_F(ComponentStreamTest, PictureDataHoldsClassNameAndFile)
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(qRgb(10, 20, 30));
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(image);
    const QByteArray bmp = bitmap->FileBytes();
    ASSERT_TRUE(bmp.startsWith("BM"));

    TTestObject object;
    object.Number = 1;
    object.Picture()->SetGraphic(std::move(bitmap));
    const QByteArray bytes = ComponentStreamBytes(object);
    const QByteArray data = B().Str("TBitmap").U32(uint32_t(bmp.size())).Raw(bmp).Data();
    EXPECT_TRUE(
        bytes.contains(B().Str("Picture.Data").Raw({10}).U32(uint32_t(data.size())).Raw(data).Data()));

    auto back = ReadTest(bytes);
    ASSERT_TRUE(back->Picture()->HasGraphic());
    EXPECT_EQ(back->Picture()->Graphic()->GraphicClassName(), QStringLiteral("TBitmap"));
    const QImage decoded = back->Picture()->Graphic()->Image();
    ASSERT_EQ(decoded.size(), QSize(3, 2));
    EXPECT_EQ(decoded.pixel(2, 1), qRgb(10, 20, 30));

    // JPEG bytes travel unchanged.
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG");
    }
    auto jpg = std::make_unique<TJPEGImage>();
    jpg->SetFileBytes(jpeg);
    object.Picture()->SetGraphic(std::move(jpg));
    back = ReadTest(ComponentStreamBytes(object));
    EXPECT_EQ(back->Picture()->Graphic()->GraphicClassName(), QStringLiteral("TJPEGImage"));
    EXPECT_EQ(back->Picture()->Graphic()->FileBytes(), jpeg);
    EXPECT_EQ(back->Picture()->Graphic()->Image().size(), QSize(3, 2));

    // A graphic class nobody registered leaves the picture empty.
    const QByteArray unknown = B().Str("TMetafile").U32(1).Raw({0}).Data();
    const QByteArray hand =
        Record("TTestObject", "",
               NumberEntries(1) +
                   B().Str("Picture.Data").Raw({10}).U32(uint32_t(unknown.size())).Raw(unknown).Data());
    EXPECT_FALSE(ReadTest(hand)->Picture()->HasGraphic());

    // A graphic whose stated length exceeds its data is an error, not a huge allocation.
    const QByteArray lying = B().Str("TBitmap").U32(0x7FFFFFFF).Raw({'B', 'M'}).Data();
    const QByteArray bad = Record(
        "TTestObject", "",
        NumberEntries(1) + B().Str("Picture.Data").Raw({10}).U32(uint32_t(lying.size())).Raw(lying).Data());
    EXPECT_EQ(ReadError(bad), QStringLiteral("ストリームからの読み込みエラー"));
}

// ---- resource header

TEST_F(ComponentStreamTest, ResourceHeaderIsUpperCasedAndSizePatched)
{
    TTestObject object;
    object.Number = 1;
    const QByteArray stream = ComponentStreamBytes(object);
    const QByteArray resource = ComponentResourceBytes(QStringLiteral("PaperInfo"), object);
    const QByteArray header = B().Raw({0xFF, 10, 0})
                                  .Raw(QByteArray("PAPERINFO"))
                                  .Raw({0, 0x30, 0x10})
                                  .U32(uint32_t(stream.size()))
                                  .Data();
    EXPECT_EQ(header.size(), 9 + 10);
    EXPECT_EQ(HexS(resource), HexS(header + stream));

    TReadOnlyMemoryStream in(resource.constData(), resource.size());
    auto back = ReadComponentResourceAs<TTestObject>(in);
    EXPECT_EQ(back->Number, 1);
    EXPECT_EQ(in.Position(), resource.size());
}

TEST_F(ComponentStreamTest, ResourceNameIsCutTo63Bytes)
{
    TTestObject object;
    const QByteArray resource = ComponentResourceBytes(QString(70, u'a'), object);
    EXPECT_EQ(resource.mid(3, 64), QByteArray(63, 'A') + '\0');

    // Never inside a double-byte character; trail bytes in the letter range stay.
    const QString japanese = QStringLiteral("x") + QString(40, QChar(0x30BD)); // ソ = 83 5C
    const QByteArray r2 = ComponentResourceBytes(japanese, object);
    const QByteArray name = r2.mid(3, r2.indexOf('\0', 3) - 3);
    EXPECT_EQ(name.size(), 63);
    EXPECT_EQ(name.left(3), Bytes({'X', 0x83, 0x5C}));
    EXPECT_EQ(cp932::Decode(name), QStringLiteral("X") + QString(31, QChar(0x30BD)));
    const QByteArray r3 = ComponentResourceBytes(QStringLiteral("ab\u3041"), object); // ぁ = 82 9F
    EXPECT_EQ(r3.mid(3, 5), Bytes({'A', 'B', 0x82, 0x9F, 0}));
}

TEST_F(ComponentStreamTest, BadHeaderOrSignatureIsAFormatError)
{
    TTestObject object;
    QByteArray resource = ComponentResourceBytes(QStringLiteral("X"), object);
    const QString format = QStringLiteral("不正なストリーム フォーマット");
    for (int index : {0, 1}) {
        QByteArray bad = resource;
        bad[index] = char(bad[index] ^ 0x01);
        TReadOnlyMemoryStream in(bad.constData(), bad.size());
        try {
            ReadComponentResource(in);
            ADD_FAILURE() << index;
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), format);
        }
    }
    QByteArray stream = ComponentStreamBytes(object);
    stream[3] = '1';
    EXPECT_EQ(ReadError(stream), format);
}

// ---- the registry

TEST_F(ComponentStreamTest, AnAliasCreatesTheAliasedClass)
{
    RegisterClassAlias<TTestRectObject>(QStringLiteral("TOldRectangle"));
    const QByteArray bytes = Record("toldrectangle", "R", B().Str("Left").Raw({2, 9}).Data());
    std::unique_ptr<TComponent> c = Read(bytes);
    auto* rect = dynamic_cast<TTestRectObject*>(c.get());
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->Left, 9);
    EXPECT_EQ(rect->Name(), QStringLiteral("R"));
    // Written back under its own name.
    EXPECT_TRUE(ComponentStreamBytes(*rect).startsWith(B().Signature().Str("TTestRectObject").Data()));
    UnRegisterClass<TTestRectObject>();
    EXPECT_EQ(ReadError(bytes), QStringLiteral("クラス toldrectangle が見つかりません"));
    RegisterClass<TTestRectObject>();
    EXPECT_EQ(FindComponentClass(u"TOldRectangle"), nullptr); // the alias went with the class
}

// ---- re-declared properties

TEST_F(ComponentStreamTest, RedeclaredPropertiesKeepTheirPlace)
{
    auto names = [](const TPropertyTable& t) {
        QStringList out;
        for (const TPropertyInfo& p : t.Properties())
            out << p.Name;
        return out.join(u',');
    };
    EXPECT_EQ(names(TTestRectObject::Properties()),
              QStringLiteral("Name,Tag,Left,Top,Width,Height,Cursor,Hint,StartX,Filled"));

    TTestVisual visual;
    visual.Left = 1;
    TTestDrawObject draw;
    draw.Left = 1;
    draw.StartX = 2;
    TTestRectObject rect;
    rect.Left = 1;
    rect.StartX = 2;
    rect.Filled = true;
    const QByteArray sizes = B().Str("Left")
                                 .Raw({2, 1})
                                 .Str("Top")
                                 .Raw({2, 0})
                                 .Str("Width")
                                 .Raw({2, 0})
                                 .Str("Height")
                                 .Raw({2, 0})
                                 .Data();
    EXPECT_EQ(HexS(ComponentStreamBytes(visual)), HexS(Record("TTestVisual", "", sizes)));
    EXPECT_EQ(HexS(ComponentStreamBytes(draw)),
              HexS(Record("TTestDrawObject", "", B().Str("StartX").Raw({2, 2}).Data())));
    EXPECT_EQ(HexS(ComponentStreamBytes(rect)),
              HexS(Record("TTestRectObject", "",
                          sizes + B().Str("StartX").Raw({2, 2}).Str("Filled").Raw({9}).Data())));
    // Not stored is not the same as not readable: older files may carry them.
    auto back = Read(Record("TTestDrawObject", "", B().Str("Width").Raw({2, 7}).Data()));
    EXPECT_EQ(static_cast<TTestDrawObject*>(back.get())->Width, 7);
}

// ---- reading

TEST_F(ComponentStreamTest, HandWrittenStreamIsRead)
{
    const QByteArray children = B().Raw({0xF2, 2, 3}) // prefix with a child position
                                    .Str("TTestObject")
                                    .Str("Child")
                                    .Raw(NumberEntries(2))
                                    .Raw({0, 0})
                                    .Data();
    const QByteArray entries = B().Raw(NumberEntries(300))
                                   .Str("COLOR") // names are case-insensitive
                                   .Raw({7})
                                   .Str("CLRED")
                                   .Str("Flag")
                                   .Raw({7})
                                   .Str("true")
                                   .Str("Ratio")
                                   .Raw({2, 3}) // a float may be written as an integer
                                   .Str("Kind")
                                   .Raw({7})
                                   .Str("TKTWO")
                                   .Str("Items")
                                   .Raw({14, 2, 5, 1}) // an index in front of an item is ignored
                                   .Str("Value")
                                   .Raw({2, 4})
                                   .Str("Caption")
                                   .Raw({6, 1, 'c'})
                                   .Raw({0, 1, 0, 0})
                                   .Str("Extra")
                                   .Raw({1, 2, 1, 3, 0x10, 0x27, 0})
                                   .Str("Blob")
                                   .Raw({10})
                                   .U32(3)
                                   .Raw({1, 2, 3})
                                   .Str("Target")
                                   .Raw({7})
                                   .Str("Child")
                                   .Raw({0})
                                   .Data();
    const QByteArray bytes =
        B().Signature().Str("TTestObject").Str("Root").Raw(entries).Raw(children).Raw({0}).Data();
    auto root = ReadTest(bytes);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->Name(), QStringLiteral("Root"));
    EXPECT_EQ(root->Number, 300);
    EXPECT_EQ(root->Color, clRed);
    EXPECT_TRUE(root->Flag);
    EXPECT_EQ(root->Ratio, 3.0);
    EXPECT_EQ(root->Kind, TTestKind::tkTwo);
    ASSERT_EQ(root->Items()->Count(), 2);
    EXPECT_EQ(static_cast<TTestItem*>(root->Items()->Items(0))->Value, 4);
    EXPECT_EQ(static_cast<TTestItem*>(root->Items()->Items(0))->Caption, QStringLiteral("c"));
    EXPECT_EQ(static_cast<TTestItem*>(root->Items()->Items(1))->Value, 0);
    EXPECT_EQ(root->Extra, QList<int>({1, 10000}));
    EXPECT_EQ(root->Blob, Bytes({1, 2, 3}));
    ASSERT_EQ(root->ComponentCount(), 1);
    auto* child = dynamic_cast<TTestObject*>(root->Components(0));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->Name(), QStringLiteral("Child"));
    EXPECT_EQ(child->Number, 2);
    EXPECT_EQ(child->Parent(), root.get());
    EXPECT_EQ(root->Target(), child);
}

TEST_F(ComponentStreamTest, RoundTripKeepsTheWholeTree)
{
    TTestObject root;
    root.SetName(QStringLiteral("Root"));
    root.Number = -70000;
    root.Kind = TTestKind::tkTwo;
    root.Flags = tfGreen;
    root.Letter = QChar(u'Z');
    root.Text = QStringLiteral("ラベル");
    root.Ratio = 0.1;
    root.Big = -(int64_t(1) << 50);
    root.Extra = {1, -1, 100000};
    root.Blob = QByteArray(1000, 'b');
    root.SetTag(42);
    root.Inner()->Number = 9;
    root.Inner()->Font()->SetName(QStringLiteral("ＭＳ 明朝"));
    auto* a = new TTestObject(&root);
    a->SetName(QStringLiteral("A"));
    auto* b = new TTestObject(a); // owned by A: "A.B"
    b->SetName(QStringLiteral("B"));
    auto* c = new TTestObject(&root);
    c->SetName(QStringLiteral("C"));
    root.SetTarget(b);
    a->SetTarget(&root);
    c->SetTarget(a);
    auto* item = static_cast<TTestItem*>(root.Items()->Add());
    item->Value = 5;
    item->SetLink(c);
    root.Inner()->Link = a;

    const QByteArray bytes = ComponentResourceBytes(QStringLiteral("Label"), root);
    EXPECT_TRUE(bytes.contains(B().Str("Target").Raw({7}).Str("A.B").Data()));
    EXPECT_TRUE(bytes.contains(B().Str("Target").Raw({7}).Str("Owner").Data()));
    EXPECT_TRUE(bytes.contains(B().Str("Inner.Font.Name").Data()));

    TReadOnlyMemoryStream in(bytes.constData(), bytes.size());
    auto back = ReadComponentResourceAs<TTestObject>(in);
    EXPECT_EQ(back->Number, -70000);
    EXPECT_EQ(back->Kind, TTestKind::tkTwo);
    EXPECT_EQ(back->Flags, uint32_t(tfGreen));
    EXPECT_EQ(back->Letter, QChar(u'Z'));
    EXPECT_EQ(back->Text, root.Text);
    EXPECT_EQ(back->Ratio, 0.1);
    EXPECT_EQ(back->Big, root.Big);
    EXPECT_EQ(back->Extra, root.Extra);
    EXPECT_EQ(back->Blob, root.Blob);
    EXPECT_EQ(back->Tag(), 42);
    ASSERT_NE(back->Inner(), nullptr);
    EXPECT_EQ(back->Inner()->Number, 9);
    EXPECT_EQ(back->Inner()->Font()->Name(), QStringLiteral("ＭＳ 明朝"));
    EXPECT_EQ(back->Inner()->Link, back->FindComponent(u"A"));
    TComponent* backA = back->FindComponent(u"A");
    TComponent* backC = back->FindComponent(u"C");
    ASSERT_TRUE(backA && backC);
    TComponent* backB = backA->FindComponent(u"B");
    ASSERT_TRUE(backB);
    EXPECT_EQ(back->Target(), backB);
    EXPECT_EQ(static_cast<TTestObject*>(backA)->Target(), back.get());
    EXPECT_EQ(static_cast<TTestObject*>(backC)->Target(), backA);
    EXPECT_EQ(static_cast<TTestItem*>(back->Items()->Items(0))->GetLink(), backC);
    // Written again, the bytes are the same.
    EXPECT_EQ(HexS(ComponentResourceBytes(QStringLiteral("Label"), *back)), HexS(bytes));
}

TEST_F(ComponentStreamTest, LoadedRunsAfterTheWholeReadInReadOrder)
{
    TTestObject root;
    root.SetName(QStringLiteral("R"));
    auto* a = new TTestObject(&root);
    a->SetName(QStringLiteral("A"));
    (new TTestObject(a))->SetName(QStringLiteral("A1"));
    (new TTestObject(&root))->SetName(QStringLiteral("B"));
    a->SetTarget(root.Components(1)); // a reference to a later sibling
    const QByteArray bytes = ComponentStreamBytes(root);

    LoadedLog().clear();
    auto back = ReadTest(bytes);
    EXPECT_EQ(LoadedLog(), QStringList({"R", "A", "A1", "B"}));
    auto* backA = static_cast<TTestObject*>(back->FindComponent(u"A"));
    EXPECT_EQ(backA->Target(), back->FindComponent(u"B")); // resolved before Loaded
    EXPECT_FALSE(back->IsLoading());
    EXPECT_FALSE(backA->IsLoading());
}

TEST_F(ComponentStreamTest, ReadingIntoAnExistingRootKeepsIt)
{
    TTestObject source;
    source.SetName(QStringLiteral("Design"));
    source.Number = 5;
    source.Text = QStringLiteral("new");
    (new TTestObject(&source))->SetName(QStringLiteral("Part"));
    const QByteArray bytes = ComponentStreamBytes(source);

    TComponent owner;
    TTestObject other(&owner);
    other.SetName(QStringLiteral("Design"));
    auto* root = new TTestObject(&owner);
    root->Number = 1;
    root->Text = QStringLiteral("old");
    root->Ratio = 2.5;
    TReadOnlyMemoryStream in(bytes.constData(), bytes.size());
    ReadComponentInto(in, *root);
    EXPECT_EQ(root->Owner(), &owner);
    EXPECT_EQ(root->Name(), QStringLiteral("Design_1")); // unique among the owner's components
    EXPECT_EQ(root->Number, 5);
    EXPECT_EQ(root->Text, QStringLiteral("new"));
    EXPECT_EQ(root->Ratio, 2.5); // not in the stream: untouched
    ASSERT_EQ(root->ComponentCount(), 1);
    EXPECT_EQ(root->Components(0)->Name(), QStringLiteral("Part"));
    EXPECT_EQ(root->LoadedCount, 1);
}

TEST_F(ComponentStreamTest, FailedReadLeavesNothingBehind)
{
    TTestObject source;
    source.SetName(QStringLiteral("Root"));
    for (int i = 0; i < 3; ++i) {
        auto* child = new TTestObject(&source);
        child->SetName(QStringLiteral("C%1").arg(i));
        (new TTestObject(child))->SetName(QStringLiteral("G"));
    }
    QByteArray bytes = ComponentStreamBytes(source);
    // Break the last grandchild's class name.
    const qsizetype at = bytes.lastIndexOf("TTestObject");
    bytes[at + 1] = 'X';

    const int alive = TTestObject::Alive();
    EXPECT_EQ(ReadError(bytes), QStringLiteral("クラス TXestObject が見つかりません"));
    EXPECT_EQ(TTestObject::Alive(), alive);

    TTestObject existing;
    auto* keep = new TTestObject(&existing);
    keep->SetName(QStringLiteral("Keep"));
    TReadOnlyMemoryStream in(bytes.constData(), bytes.size());
    EXPECT_THROW(ReadComponentInto(in, existing), EClassNotFound);
    ASSERT_EQ(existing.ComponentCount(), 1);
    EXPECT_EQ(existing.Components(0), keep);
    EXPECT_EQ(TTestObject::Alive(), alive + 2);
    EXPECT_FALSE(existing.IsLoading());
}

TEST_F(ComponentStreamTest, FailureMessagesAreExact)
{
    const auto entry = [](const QByteArray& entries) { return Record("TTestObject", "", entries); };
    EXPECT_EQ(ReadError(entry(B().Str("Nope").Raw({2, 1}).Data())),
              QStringLiteral("プロパティが存在しません"));
    EXPECT_EQ(ReadError(entry(B().Str("Nope.Name").Raw({2, 1}).Data())),
              QStringLiteral("プロパティが存在しません"));
    EXPECT_EQ(ReadError(entry(B().Str("Font.Nope").Raw({2, 1}).Data())),
              QStringLiteral("プロパティが存在しません"));
    EXPECT_EQ(ReadError(entry(B().Str("Number").Raw({6, 1, 'x'}).Data())),
              QStringLiteral("不正なプロパティの値です"));
    EXPECT_EQ(ReadError(entry(B().Str("Kind").Raw({7}).Str("tkFour").Data())),
              QStringLiteral("不正なプロパティの値です"));
    EXPECT_EQ(ReadError(entry(B().Str("Flags").Raw({11}).Str("tfPink").Raw({0}).Data())),
              QStringLiteral("不正なプロパティの値です"));
    EXPECT_EQ(ReadError(entry(B().Str("Color").Raw({7}).Str("clPink").Data())),
              QStringLiteral("不正なプロパティの値です"));
    EXPECT_EQ(ReadError(entry(B().Str("Number").Raw({7}).Str("clRed").Data())),
              QStringLiteral("不正なプロパティの値です"));
    EXPECT_EQ(ReadError(entry(B().Str("Flag").Raw({2, 1}).Data())),
              QStringLiteral("不正なプロパティの値です"));
    EXPECT_EQ(ReadError(entry(B().Str("Letter").Raw({6, 2, 'a', 'b'}).Data())),
              QStringLiteral("不正なプロパティの値です"));
    EXPECT_EQ(ReadError(entry(B().Str("Font").Raw({14, 0}).Data())),
              QStringLiteral("不正なプロパティの値です"));
    EXPECT_EQ(ReadError(entry(B().Str("Number").Raw({99}).Data())),
              QStringLiteral("不正なプロパティの値です"));
    EXPECT_EQ(ReadError(entry(B().Str("Number.X").Raw({2, 1}).Data())),
              QStringLiteral("不正なプロパティのパスです"));
    EXPECT_EQ(ReadError(entry(B().Str("Target.Name").Raw({2, 1}).Data())),
              QStringLiteral("不正なプロパティのパスです"));
    EXPECT_EQ(ReadError(entry(B().Str("Inner").Raw({13}).Str("Inner.Number").Raw({2, 1}).Data())),
              QStringLiteral("不正なプロパティのパスです"));
    EXPECT_EQ(ReadError(entry(B().Str("Font").Raw({13}).Data())),
              QStringLiteral("プロパティは書き込み禁止です"));
    EXPECT_EQ(ReadError(Record("TTestReadOnly", "", B().Str("Fixed").Raw({2, 1}).Data())),
              QStringLiteral("プロパティは書き込み禁止です"));
    EXPECT_EQ(ReadError(Record("TUnknown", "", {})), QStringLiteral("クラス TUnknown が見つかりません"));

    const QByteArray child = B().Str("TTestObject").Str("Twin").Raw({0, 0}).Data();
    EXPECT_EQ(
        ReadError(B().Signature().Str("TTestObject").Str("").Raw({0}).Raw(child).Raw(child).Raw({0}).Data()),
        QStringLiteral("コンポーネント名 Twin はすでに使われています"));
    // Clearing a nested object through a setter is allowed, also after a reference
    // was read into it: the pending reference is dropped, not written into freed memory.
    auto cleared = ReadTest(entry(B().Str("Inner.Link").Raw({7}).Str("Owner").Str("Inner").Raw({13}).Data()));
    EXPECT_EQ(cleared->Inner(), nullptr);
    // A reference that names nothing stays unset.
    EXPECT_EQ(ReadTest(entry(B().Str("Target").Raw({7}).Str("Nobody.Owner").Data()))->Target(), nullptr);
}

TEST_F(ComponentStreamTest, EveryTruncationFailsCleanly)
{
    TTestObject root;
    root.SetName(QStringLiteral("Root"));
    root.Number = 100000;
    root.Text = QString(300, u'y');
    root.Ratio = 1.5;
    root.Flags = tfRed;
    root.Lines()->SetLines({QStringLiteral("a"), QStringLiteral("b")});
    root.Blob = QByteArray(10, 'z');
    root.Items()->Add();
    root.OnClick = QStringLiteral("X");
    (new TTestObject(&root))->SetName(QStringLiteral("C"));
    root.SetTarget(root.Components(0));
    const QByteArray bytes = ComponentResourceBytes(QStringLiteral("T"), root);
    const int alive = TTestObject::Alive();
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        const QByteArray part = bytes.left(n);
        TReadOnlyMemoryStream in(part.constData(), part.size());
        EXPECT_THROW(ReadComponentResource(in), EReadError) << n;
    }
    EXPECT_EQ(TTestObject::Alive(), alive);
    TReadOnlyMemoryStream in(bytes.constData(), bytes.size());
    EXPECT_NO_THROW(ReadComponentResource(in));
}

TEST_F(ComponentStreamTest, HugeLengthsAreRefused)
{
    const QString readError = QStringLiteral("ストリームからの読み込みエラー");
    const auto entry = [](const QByteArray& entries) { return Record("TTestObject", "", entries); };
    EXPECT_EQ(ReadError(entry(B().Str("Text").Raw({12}).U32(0xFFFFFFFF).Raw({'a'}).Data())), readError);
    EXPECT_EQ(ReadError(entry(B().Str("Text").Raw({18}).U32(0x80000000).Raw({'a', 0}).Data())), readError);
    EXPECT_EQ(ReadError(entry(B().Str("Blob").Raw({10}).U32(0xFFFFFFF0).Data())), readError);
    EXPECT_EQ(ReadError(entry(B().Str("Text").Raw({6, 200, 'a'}).Data())), readError);
}

TEST_F(ComponentStreamTest, DeepNestingIsBounded)
{
    // Child records nested far deeper than any design.
    QByteArray bytes = B().Signature().Data();
    const int depth = 5000;
    for (int i = 0; i < depth; ++i)
        bytes += B().Str("TTestObject").Str("").Raw({0}).Data();
    bytes += QByteArray(depth + 1, '\0');
    const int alive = TTestObject::Alive();
    EXPECT_EQ(ReadError(bytes), QStringLiteral("不正なストリーム フォーマット"));
    EXPECT_EQ(TTestObject::Alive(), alive);

    // 60 levels are fine.
    bytes = B().Signature().Data();
    for (int i = 0; i < 60; ++i)
        bytes += B().Str("TTestObject").Str("").Raw({0}).Data();
    bytes += QByteArray(61, '\0');
    EXPECT_EQ(ReadError(bytes), QString());

    // Lists nested deeply when skipped.
    QByteArray lists(100000, char(1));
    lists += QByteArray(100000, '\0');
    TReadOnlyMemoryStream in(lists.constData(), lists.size());
    TReader reader(in);
    EXPECT_THROW(reader.SkipValue(), EReadError);

    // Collections nested through item properties cannot recurse (items hold no
    // collections here), but a collection inside a list is refused as a value.
    EXPECT_EQ(ReadError(Record("TTestObject", "", B().Str("Extra").Raw({1, 14, 0, 0}).Data())),
              QStringLiteral("不正なプロパティの値です"));
}

TEST_F(ComponentStreamTest, SkippingCoversEveryTag)
{
    TMemoryStream s;
    TWriter w(s);
    w.WriteListBegin();
    w.WriteInteger(1);
    w.WriteInteger(1000);
    w.WriteInteger(100000);
    w.WriteInteger(int64_t(1) << 40);
    w.WriteFloat(2.5);
    w.WriteSingle(1.5f);
    w.WriteCurrency(12345);
    w.WriteDate(36526.5);
    w.WriteString(QStringLiteral("s"));
    w.WriteString(QString(300, u's'));
    w.WriteWideString(QStringLiteral("w"));
    w.WriteIdent(QStringLiteral("id"));
    w.WriteBoolean(true);
    w.WriteBoolean(false);
    w.WriteValue(TValueType::vaNil);
    w.WriteBinary(QByteArray(5, 'b'));
    w.WriteSet(5, {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    w.WriteValue(TValueType::vaCollection);
    w.WriteInteger(0);
    w.WriteListBegin();
    w.WriteStr(QStringLiteral("P"));
    w.WriteInteger(1);
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteListEnd();
    s.WriteUInt8(0x77); // a marker after the value
    s.SetPosition(0);
    TReader r(s);
    r.SkipValue();
    EXPECT_EQ(s.ReadUInt8(), 0x77);

    s.SetPosition(1);
    EXPECT_EQ(r.ReadInteger(), 1);
    EXPECT_EQ(r.ReadInteger(), 1000);
    EXPECT_EQ(r.ReadInteger(), 100000);
    EXPECT_EQ(r.ReadInt64(), int64_t(1) << 40);
    EXPECT_EQ(r.ReadFloat(), 2.5);
    EXPECT_EQ(r.ReadFloat(), 1.5);
    EXPECT_EQ(r.ReadFloat(), 1.2345);
    EXPECT_EQ(r.ReadFloat(), 36526.5);
}

TEST_F(ComponentStreamTest, WriteFailureIsReported)
{
    TTestObject object;
    QByteArray none;
    TReadOnlyMemoryStream readOnly(none.constData(), 0);
    try {
        WriteComponent(readOnly, object);
        ADD_FAILURE();
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("ストリームへの書き込みエラー"));
    }
}

} // namespace
} // namespace velmo::test
