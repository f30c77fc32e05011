#include "base/UExtended.h"
#include "persist/TestComponents.h"
#include "persist/UComponentStream.h"
#include "persist/UComponentText.h"
#include "support/StreamBytes.h"
#include "support/TestSupport.h"
#include <cstring>
#include <gtest/gtest.h>

namespace velmo::test {
namespace {

class ComponentTextTest : public ::testing::Test
{
protected:
    void SetUp() override { RegisterTestClasses(); }
};

QByteArray RoundTrip(const QByteArray& resource, const QString& name)
{
    return TextToComponentResource(ComponentToText(resource), name);
}

// Where a parse of text fails: {line, column}.
std::pair<int, int> FailureAt(const QString& text)
{
    try {
        TextToComponent(text);
    } catch (const EParserError& e) {
        EXPECT_TRUE(
            e.Message().startsWith(QStringLiteral("line %1, column %2: ").arg(e.Line()).arg(e.Column())))
            << e.Message().toStdString();
        return {e.Line(), e.Column()};
    }
    ADD_FAILURE() << "no error for: " << text.toStdString();
    return {0, 0};
}

TEST_F(ComponentTextTest, EveryKindOfValueComesBackAsTheSameBytes)
{
    TTestObject root;
    root.SetName(QStringLiteral("Sheet"));
    for (int number : {0, -128, 127, -129, 128, -32768, 32767, -32769, 32768, INT32_MIN, INT32_MAX}) {
        root.Number = number;
        root.Big = int64_t(number) * 3;
        const QByteArray bytes = ComponentResourceBytes(QStringLiteral("Label"), root);
        EXPECT_EQ(RoundTrip(bytes, QStringLiteral("Label")), bytes) << number;
    }
    root.Big = int64_t(1) << 40;
    root.Text = QStringLiteral("It's 日本 ～∥－￥①髙\r\n\t end");
    root.Flags = tfRed | tfBlue;
    root.Flag = true;
    root.Letter = QChar(u'\'');
    root.Kind = TTestKind::tkThree;
    root.Lines()->SetLines({QStringLiteral("a"), QString(), QStringLiteral("b\r"), QString(300, u'x')});
    root.Blob = QByteArray(300, '\x01') + QByteArray("\xFF\x00\x7F", 3);
    root.Extra = {1, 200, -70000};
    for (double ratio : {0.5, 0.1, -1.0 / 3.0, 1e300, 5e-324, 100.0, -0.0}) {
        root.Ratio = ratio;
        auto* item = static_cast<TTestItem*>(root.Items()->Add());
        item->Value = 3;
        item->Caption = QStringLiteral("見出し");
        auto* child = new TTestObject(&root);
        child->Number = -1;
        child->Text = QString(256, u'y'); // a long string
        const QByteArray bytes = ComponentResourceBytes(QStringLiteral("Label"), root);
        EXPECT_EQ(RoundTrip(bytes, QStringLiteral("Label")), bytes) << ratio;
        const QByteArray stream = ComponentStreamBytes(root);
        EXPECT_EQ(TextToComponent(ComponentToText(stream)), stream) << ratio;
    }
}

TEST_F(ComponentTextTest, TextOutsideCodePage932StaysWide)
{
    TTestObject root;
    root.Text = QStringLiteral("한국 😀");
    const QByteArray bytes = ComponentStreamBytes(root);
    EXPECT_EQ(TextToComponent(ComponentToText(bytes)), bytes);
    const QByteArray wide = TextToComponent(QStringLiteral("object TX\n W = '한'\nend"));
    EXPECT_EQ(wide,
              StreamBytes().Header("TX").Prop("W").Raw({18, 1, 0, 0, 0, 0x5C, 0xD5}).End().End().Data());
}

TEST_F(ComponentTextTest, HandWrittenTextBecomesTheWritersBytes)
{
    const QString text = QStringLiteral("object Label1: TLORect\n"
                                        "  Left = 10\n"
                                        "  Top = -129\n"
                                        "  Width = 40000\n"
                                        "  Color = $80000008\n"
                                        "  Fill = $FF\n"
                                        "  Cursor = crHandPoint\n"
                                        "  Visible = True\n"
                                        "  Hidden = false\n"
                                        "  Link = nil\n"
                                        "  Nothing = Null\n"
                                        "  Caption = 'a''b'#13#10'c' +\n"
                                        "     '～∥－￥①髙'\n"
                                        "  Style = [fsBold,fsItalic]\n"
                                        "  Empty = []\n"
                                        "  Data = {\n"
                                        "    0A0b\n"
                                        "    FF}\n"
                                        "  Lines = (\n"
                                        "    1\n"
                                        "    'x')\n"
                                        "  Items = <\n"
                                        "    item\n"
                                        "      Value = 3\n"
                                        "    end\n"
                                        "    item [5]\n"
                                        "    end>\n"
                                        "  object TLOText\n"
                                        "  end\n"
                                        "end\n");
    const QByteArray expected =
        StreamBytes()
            .Signature()
            .Str("TLORect")
            .Str("Label1")
            .Prop("Left")
            .Int(10)
            .Prop("Top")
            .Int(-129)
            .Prop("Width")
            .Int(40000)
            .Prop("Color")
            .Raw({4, 0x08, 0, 0, 0x80})
            .Prop("Fill")
            .Int(255)
            .Prop("Cursor")
            .Ident("crHandPoint")
            .Prop("Visible")
            .Bool(true)
            .Prop("Hidden")
            .Bool(false)
            .Prop("Link")
            .Byte(13)
            .Prop("Nothing")
            .Byte(0)
            .Prop("Caption")
            .Byte(6)
            .Str(QByteArray("a'b\r\nc\x81\x60\x81\x61\x81\x7C\x81\x8F\x87\x40\xFB\xFC"))
            .Prop("Style")
            .Byte(11)
            .Str("fsBold")
            .Str("fsItalic")
            .Byte(0)
            .Prop("Empty")
            .Byte(11)
            .Byte(0)
            .Prop("Data")
            .Byte(10)
            .U32(3)
            .Raw({0x0A, 0x0B, 0xFF})
            .Prop("Lines")
            .Byte(1)
            .Int(1)
            .String("x")
            .End()
            .Prop("Items")
            .Byte(14)
            .Byte(1)
            .Prop("Value")
            .Int(3)
            .End()
            .Int(5)
            .Byte(1)
            .End()
            .End()
            .End()
            .Str("TLOText")
            .Str("")
            .End()
            .End()
            .End()
            .Data();
    EXPECT_EQ(TextToComponent(text).toHex(' '), expected.toHex(' '));
}

TEST_F(ComponentTextTest, ResourceHeaderCarriesTheGivenName)
{
    const QByteArray bytes =
        TextToComponentResource(QStringLiteral("object TX\nend"), QStringLiteral("LabelData"));
    const QByteArray body = StreamBytes().Header("TX").End().End().Data();
    QByteArray expected = Bytes({0xFF, 10, 0}) + "LABELDATA" + Bytes({0, 0x30, 0x10});
    expected += char(body.size());
    expected += Bytes({0, 0, 0});
    EXPECT_EQ(bytes, expected + body);
}

TEST_F(ComponentTextTest, CodePageBytesWrittenAsCharacterCodesAreTheirCharacters)
{
    // "ＭＳ Ｐゴシック" as the classic form writes a code-page string.
    const QByteArray bytes = TextToComponent(
        QStringLiteral("object TX\n  Name = #130'l'#130'r '#130'o'#131'S'#131'V'#131'b'#131'N'\nend"));
    EXPECT_EQ(bytes, StreamBytes()
                         .Header("TX")
                         .Prop("Name")
                         .String(QByteArray("\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E"))
                         .End()
                         .End()
                         .Data());
    // Codes that are no valid code page 932 stay the characters they name.
    const QByteArray latin = TextToComponent(QStringLiteral("object TX\n  A = #233\nend"));
    EXPECT_EQ(ComponentToText(latin), QStringLiteral("object TX\n  A = '\u00E9'\nend\n"));
}

TEST_F(ComponentTextTest, FloatsOfEveryKind)
{
    const QByteArray bytes = TextToComponent(QStringLiteral(
        "object TX\n A = 0.1\n B = 1.5s\n C = -12.3456c\n D = 45000.25d\n E = 2e3\n F = 7.00005c\nend"));
    const Extended80 tenth = DoubleToExtended(0.1);
    const Extended80 twoThousand = DoubleToExtended(2000.0);
    float single = 1.5f;
    uint32_t singleBits;
    std::memcpy(&singleBits, &single, 4);
    double date = 45000.25;
    uint64_t dateBits;
    std::memcpy(&dateBits, &date, 8);
    QByteArray expected = StreamBytes().Header("TX").Prop("A").Byte(5).Data();
    expected += QByteArray(reinterpret_cast<const char*>(tenth.data()), 10);
    expected += StreamBytes().Prop("B").Byte(15).U32(singleBits).Data();
    const int64_t currency = -123456;
    expected += StreamBytes()
                    .Prop("C")
                    .Byte(16)
                    .U32(uint32_t(currency))
                    .U32(uint32_t(uint64_t(currency) >> 32))
                    .Data();
    expected += StreamBytes().Prop("D").Byte(17).U32(uint32_t(dateBits)).U32(uint32_t(dateBits >> 32)).Data();
    expected += StreamBytes().Prop("E").Byte(5).Data();
    expected += QByteArray(reinterpret_cast<const char*>(twoThousand.data()), 10);
    expected += StreamBytes().Prop("F").Byte(16).U32(70001).U32(0).End().End().Data();
    EXPECT_EQ(bytes.toHex(' '), expected.toHex(' '));
    // And back to the same text values.
    const QString text = ComponentToText(bytes);
    EXPECT_TRUE(text.contains(QStringLiteral("A = 0.1\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("B = 1.5s\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("C = -12.3456c\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("D = 45000.25d\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("E = 2000.0\n")));
    EXPECT_EQ(TextToComponent(text), bytes);
}

TEST_F(ComponentTextTest, SixtyFourBitIntegersOnlyOutsideThirtyTwoBits)
{
    EXPECT_EQ(TextToComponent(QStringLiteral("object TX\n A = 2147483647\n B = 2147483648\nend")),
              StreamBytes()
                  .Header("TX")
                  .Prop("A")
                  .Int(INT32_MAX)
                  .Prop("B")
                  .Byte(19)
                  .U32(0x80000000u)
                  .U32(0)
                  .End()
                  .End()
                  .Data());
}

TEST_F(ComponentTextTest, PrefixesAndPositions)
{
    const QByteArray bytes =
        StreamBytes().Signature().Raw({0xF3, 2, 4}).Str("TThing").Str("N").End().End().Data();
    const QString text = ComponentToText(bytes);
    EXPECT_EQ(text, QStringLiteral("inherited N: TThing [4]\nend\n"));
    EXPECT_EQ(TextToComponent(text), bytes);
    EXPECT_EQ(TextToComponent(QStringLiteral("inline TThing\nend")),
              StreamBytes().Signature().Raw({0xF4}).Str("TThing").Str("").End().End().Data());
}

TEST_F(ComponentTextTest, TheTextFormLooksClassic)
{
    TTestObject root;
    root.SetName(QStringLiteral("Root"));
    root.Number = 7;
    root.Lines()->SetLines({QStringLiteral("a"), QStringLiteral("b")});
    static_cast<TTestItem*>(root.Items()->Add())->Value = 3;
    const QString text = ComponentToText(ComponentStreamBytes(root));
    EXPECT_TRUE(text.startsWith(QStringLiteral("object Root: TTestObject\n  Number = 7\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("  Lines.Strings = (\n    'a'\n    'b')\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("  Items = <\n    item\n      Value = 3\n    end>\n")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("\nend\n")));
}

TEST_F(ComponentTextTest, ParserErrorsNameLineAndColumn)
{
    EXPECT_EQ(FailureAt(QStringLiteral("")), std::make_pair(1, 1));
    EXPECT_EQ(FailureAt(QStringLiteral("thing TX\nend")), std::make_pair(1, 1));
    EXPECT_EQ(FailureAt(QStringLiteral("object TX\n  A = \nend")),
              std::make_pair(3, 4)); // 'end' is an identifier value
    EXPECT_EQ(FailureAt(QStringLiteral("object TX\n  A = 'open\nend")), std::make_pair(2, 12));
    EXPECT_EQ(FailureAt(QStringLiteral("object TX\n  A = {0A 0}\nend")), std::make_pair(2, 12));
    EXPECT_EQ(FailureAt(QStringLiteral("object TX\n  A = {0G}\nend")), std::make_pair(2, 9));
    EXPECT_EQ(FailureAt(QStringLiteral("object TX\n  A = [a b]\nend")), std::make_pair(2, 10));
    EXPECT_EQ(FailureAt(QStringLiteral("object TX\n  A = (1 2\nend")), std::make_pair(3, 4));
    EXPECT_EQ(FailureAt(QStringLiteral("object TX\n  A = <\n item\n  B = 1\n >\nend")), std::make_pair(5, 2));
    EXPECT_EQ(FailureAt(QStringLiteral("object TX\n  A = 99999999999999999999\nend")), std::make_pair(2, 7));
    EXPECT_EQ(FailureAt(QStringLiteral("object TX\n  A = 12px\nend")), std::make_pair(2, 7));
    EXPECT_EQ(FailureAt(QStringLiteral("object TX\n  A = #\nend")), std::make_pair(2, 7));
    EXPECT_EQ(FailureAt(QStringLiteral("object TX\n  A = 'a' + 1\nend")), std::make_pair(2, 13));
    EXPECT_EQ(FailureAt(QStringLiteral("object TX\n  A = ?\nend")), std::make_pair(2, 7));
    EXPECT_EQ(FailureAt(QStringLiteral("object TX\nend\nend")), std::make_pair(3, 1));
    EXPECT_EQ(FailureAt(QStringLiteral("object TX\n  object TY\n")), std::make_pair(3, 1));
    EXPECT_EQ(FailureAt(QStringLiteral("object TX\n  A = 1.0x\nend")), std::make_pair(2, 7));
    EXPECT_EQ(FailureAt(QStringLiteral("object TX\n  A = 1.123e4c\nend")), std::make_pair(2, 7));
    EXPECT_EQ(FailureAt(QStringLiteral("object : TX\nend")), std::make_pair(1, 8));
    EXPECT_EQ(FailureAt(QStringLiteral("object TX [x]\nend")), std::make_pair(1, 12));
    EXPECT_EQ(FailureAt(QStringLiteral("object TX\n  한 = 1\nend")), std::make_pair(2, 3));
}

TEST_F(ComponentTextTest, DeepNestingIsRefused)
{
    QString lists = QStringLiteral("object TX\n A = ");
    for (int i = 0; i < 10000; ++i)
        lists += u'(';
    EXPECT_THROW(TextToComponent(lists), EParserError);
    QString objects;
    for (int i = 0; i < 10000; ++i)
        objects += QStringLiteral("object TX\n");
    EXPECT_THROW(TextToComponent(objects), EParserError);
    // Just inside the limit is fine.
    QString fine = QStringLiteral("object TX\n A = ");
    for (int i = 0; i < 60; ++i)
        fine += u'(';
    for (int i = 0; i < 60; ++i)
        fine += u')';
    fine += QStringLiteral("\nend");
    EXPECT_EQ(TextToComponent(ComponentToText(TextToComponent(fine))), TextToComponent(fine));
}

TEST_F(ComponentTextTest, DamagedStreamsGiveTheStreamError)
{
    TTestObject root;
    root.Number = 5;
    root.Text = QStringLiteral("text");
    root.Lines()->SetLines({QStringLiteral("a")});
    root.Blob = QByteArray(40, '\x02');
    static_cast<TTestItem*>(root.Items()->Add())->Value = 3;
    new TTestObject(&root);
    const QByteArray bytes = ComponentResourceBytes(QStringLiteral("X"), root);
    for (qsizetype n = 0; n < bytes.size(); ++n)
        EXPECT_THROW(ComponentToText(bytes.left(n)), EReadError) << n;
    // Every single-byte change either reads or raises the stream error.
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        for (int v : {0, 0x7F, 0xFF, 20}) {
            QByteArray damaged = bytes;
            damaged[i] = char(v);
            try {
                const QString text = ComponentToText(damaged);
                // What was read prints as text that reads back.
                (void)TextToComponent(text);
            } catch (const EReadError&) {
            } catch (const EParserError&) {
            }
        }
    }
    EXPECT_THROW(ComponentToText(QByteArray("TPF1")), EReadError);
    EXPECT_THROW(ComponentToText(Bytes({0xFF, 11, 0})), EReadError);
}

} // namespace
} // namespace velmo::test
