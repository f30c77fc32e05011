// The barcode label objects: stream forms, class names, geometry, hit tests,
// assignment, and damaged streams.
#include "BarCodeTestSupport.h"
#include "barcode/UBarCode.h"
#include "base/UCodePage932.h"
#include "base/UNumbers.h"
#include "base/UStream.h"
#include "imaging/UColorSpec.h"
#include "objects/ULDObjects.h"
#include "persist/UComponentStream.h"
#include "persist/UComponentText.h"
#include "support/TestSupport.h"
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

struct Registered : ::testing::Test
{
    Registered() { RegisterBarCodeClasses(); }
};

QByteArray AllCode128DataBytes()
{
    QByteArray bytes("Ab1 ~");
    for (int b = 0xC0; b <= 0xDF; ++b)
        bytes += char(b);
    for (const int b : {0xA0, 0xA1, 0xA5, 0xA6, 0xA8})
        bytes += char(b);
    return bytes;
}

} // namespace

TEST_F(Registered, NewObjectAndStreamForm)
{
    TLOBarCode code;
    EXPECT_EQ(code.BaseRect(), (TLogRect{0, 0, 300, 100}));
    EXPECT_EQ(code.BarKind(), 0);
    EXPECT_EQ(code.ElementRatio(), 250);
    EXPECT_FALSE(code.AddCheckDigit());
    EXPECT_TRUE(code.ShowNumber());
    EXPECT_FALSE(code.ShowFrame());
    EXPECT_EQ(code.Angle(), 0);
    // Everything is written but an empty code; in this order.
    const QString text = ComponentToText(ComponentStreamBytes(code));
    EXPECT_FALSE(text.contains(u"JANCode")) << text.toStdString();
    const QStringList order{"Left",       "Top",       "Width",   "Height",        "Angle",       "Font.",
                            "ShowNumber", "ShowFrame", "BarKind", "AddCheckDigit", "ElementRatio"};
    qsizetype at = 0;
    for (const QString& name : order) {
        const qsizetype next = text.indexOf(name, at);
        EXPECT_GE(next, at) << name.toStdString() << "\n" << text.toStdString();
        at = next;
    }
    EXPECT_TRUE(text.startsWith(u"object TLOBarCode")) << text.toStdString();
}

TEST_F(Registered, RoundTripKeepsEveryProperty)
{
    TLOBarCode code;
    code.SetBaseRect({10, 20, 410, 170});
    code.SetAngleValue(90);
    code.SetJANCode(QStringLiteral("abc-123"));
    code.SetBarKind(bkCode39);
    code.SetAddCheckDigit(true);
    code.SetElementRatio(270);
    code.SetShowNumber(false);
    code.SetShowFrame(true);
    code.Font()->SetName(QStringLiteral("IPAGothic"));
    code.Font()->SetSize(14);
    code.Font()->SetColor(0x0000FF);
    const QByteArray bytes = ComponentStreamBytes(code);
    TMemoryStream stream(bytes);
    std::unique_ptr<TComponent> back = ReadComponent(stream);
    auto* copy = dynamic_cast<TLOBarCode*>(back.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->BaseRect(), code.BaseRect());
    EXPECT_EQ(copy->Angle(), 90);
    EXPECT_EQ(copy->JANCode(), QStringLiteral("abc-123"));
    EXPECT_EQ(copy->BarKind(), bkCode39);
    EXPECT_TRUE(copy->AddCheckDigit());
    EXPECT_EQ(copy->ElementRatio(), 270);
    EXPECT_FALSE(copy->ShowNumber());
    EXPECT_TRUE(copy->ShowFrame());
    EXPECT_EQ(copy->Font()->Name(), QStringLiteral("IPAGothic"));
    EXPECT_EQ(copy->Font()->Size(), 14);
    EXPECT_EQ(copy->Font()->Color(), TColor(0x0000FF));
    EXPECT_EQ(ComponentStreamBytes(*copy), bytes);
}

TEST_F(Registered, Code128ControlBytesAreStoredAsTheyAre)
{
    const QByteArray data = AllCode128DataBytes();
    TLOBarCode code;
    code.SetBarKind(bkCode128);
    code.SetCodeBytes(data);
    EXPECT_EQ(code.CodeBytes(), data);
    EXPECT_TRUE(code.HasValidCode());
    const QByteArray bytes = ComponentStreamBytes(code);
    // The string value carries the data bytes themselves (code page 932 single bytes).
    EXPECT_TRUE(bytes.contains(data)) << Hex(bytes).toStdString();
    TMemoryStream stream(bytes);
    std::unique_ptr<TComponent> back = ReadComponent(stream);
    auto* copy = dynamic_cast<TLOBarCode*>(back.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->CodeBytes(), data);
    // Also through the text form and back.
    const QByteArray again = TextToComponent(ComponentToText(bytes));
    EXPECT_EQ(again, bytes);
}

TEST_F(Registered, OlderClassNameReadsAsBarCode)
{
    EXPECT_EQ(FindLabelClass(u"TLOJANCode")->Name, QStringLiteral("TLOBarCode"));
    EXPECT_EQ(FindLabelClass(u"TLOBarCode")->Name, QStringLiteral("TLOBarCode"));
    RegisterBarCodeClasses(); // twice is harmless
    // An older document's object: no kind, ratio or check digit stored.
    const QString text = QStringLiteral(
        "object TLOJANCode\n  Left = 5\n  Top = 6\n  Width = 300\n  Height = 100\n  Border = False\n"
        "  LayerGroup = 0\n  DontPrint = False\n  Angle = 0\n  JANCode = '4901234567894'\n"
        "  Font.Charset = SHIFTJIS_CHARSET\n  Font.Color = clBlack\n  Font.Name = 'ＭＳ Ｐゴシック'\n"
        "  Font.Style = []\n  Font.Size = 9\n  ShowNumber = True\n  ShowFrame = False\nend\n");
    TMemoryStream stream(TextToComponent(text));
    std::unique_ptr<TComponent> back = ReadComponent(stream);
    auto* code = dynamic_cast<TLOBarCode*>(back.get());
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(code->BarKind(), bkJAN);
    EXPECT_EQ(code->JANCode(), QStringLiteral("4901234567894"));
    EXPECT_EQ(code->BaseRect(), (TLogRect{5, 6, 305, 106}));
    EXPECT_TRUE(code->HasValidCode());
    EXPECT_STREQ(code->ClassName(), "TLOBarCode");
    EXPECT_TRUE(ComponentStreamBytes(*code).contains("TLOBarCode"));
}

TEST_F(Registered, HitTestAndEnclosingRectangleFollowTheTurn)
{
    TLOBarCode code;
    code.SetBaseRect({0, 0, 300, 100});
    EXPECT_TRUE(code.HitTest({1, 1}));
    EXPECT_FALSE(code.HitTest({300, 50})); // right edge excluded
    EXPECT_FALSE(code.HitTest({150, 100}));
    code.SetAngleValue(90);
    // A quarter turn about (150, 50): x 100..200, y -100..200.
    const TLogRect r = code.GetEncloseRect();
    EXPECT_NEAR(r.Left, 100, 1);
    EXPECT_NEAR(r.Right, 200, 1);
    EXPECT_NEAR(r.Top, -100, 1);
    EXPECT_NEAR(r.Bottom, 200, 1);
    EXPECT_TRUE(code.HitTest({150, -90}));
    EXPECT_FALSE(code.HitTest({20, 50}));
    EXPECT_FALSE(code.HitTest({280, 50}));
    code.SetAngleValue(45);
    EXPECT_TRUE(code.HitTest({150, 50}));
    EXPECT_FALSE(code.HitTest({2, 2})); // the corner turned away
    // Invisible kinds stay selectable.
    code.SetBarKind(3);
    EXPECT_TRUE(code.HitTest({150, 50}));
}

TEST_F(Registered, EnclosingSizeAtAnAngleScalesTheBaseRectangle)
{
    TLOBarCode code;
    code.SetBaseRect({0, 0, 300, 100});
    code.SetEncloseSize(400, 120);
    EXPECT_EQ(code.BaseRect(), (TLogRect{0, 0, 400, 120}));
    code.SetAngleValue(90);
    const TLogRect before = code.GetEncloseRect();
    code.SetEncloseSize(before.Width() * 2, before.Height());
    EXPECT_EQ(code.PropWidth(), MulDiv(400, before.Width() * 2, before.Width()));
    EXPECT_EQ(code.PropHeight(), 120);
}

TEST_F(Registered, InterfacesAndAssignment)
{
    TLOBarCode code;
    IDORotate* rotate = Supports<IDORotate>(&code);
    ASSERT_NE(rotate, nullptr);
    rotate->SetAngle(180);
    EXPECT_EQ(code.Angle(), 180);
    IDOLineColor* colour = Supports<IDOLineColor>(&code);
    ASSERT_NE(colour, nullptr);
    TColorSpec red;
    red.SetColor(0x0000FF);
    colour->SetLineColor(red);
    EXPECT_EQ(code.Font()->Color(), TColor(0x0000FF));
    EXPECT_NE(colour->GetLineColor()->Color(), TColor(0x0000FF)); // the own setting stays
    IDOFont* font = Supports<IDOFont>(&code);
    ASSERT_NE(font, nullptr);
    TFont other;
    other.SetName(QStringLiteral("IPAMincho"));
    font->SetFont(other);
    EXPECT_EQ(code.Font()->Name(), QStringLiteral("IPAMincho"));

    code.SetBarKind(bkCode128);
    code.SetCodeBytes(AllCode128DataBytes());
    code.SetElementRatio(210);
    code.SetAddCheckDigit(true);
    code.SetShowFrame(true);
    code.SetBaseRect({7, 8, 99, 77});
    std::unique_ptr<TLabelObject> copy(Clone(code, nullptr));
    auto* c = dynamic_cast<TLOBarCode*>(copy.get());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ComponentStreamBytes(*c), ComponentStreamBytes(code));
    EXPECT_EQ(c->Angle(), 180);
}

TEST_F(Registered, ChangesReportOnceAndOnlyWhenSomethingChanged)
{
    TLOBarCode code;
    int changes = 0;
    TListener listener([&](TComponent*, const TGUID& kind) { changes += kind == nkChanged; });
    listener.ListenTo(&code.Notifier());
    code.SetJANCode(QString());
    code.SetBarKind(0);
    code.SetElementRatio(250);
    code.SetAngleValue(0);
    code.SetShowNumber(true);
    EXPECT_EQ(changes, 0);
    code.SetBarKind(2);
    code.SetElementRatio(260);
    code.SetAddCheckDigit(true);
    code.SetJANCode(QStringLiteral("x"));
    code.SetAngleValue(30);
    code.SetShowFrame(true);
    EXPECT_EQ(changes, 6);
    code.Font()->SetSize(20);
    EXPECT_GE(changes, 7);
    listener.StopListening(&code.Notifier());
}

TEST_F(Registered, DamagedStreamsNeverCrash)
{
    TLOBarCode code;
    code.SetBarKind(bkCode128);
    code.SetCodeBytes(AllCode128DataBytes());
    code.SetAngleValue(33);
    TDOList list;
    list.Add(&code);
    TMemoryStream stream;
    WriteLabelData(stream, list);
    const QByteArray bytes = stream.Data();
    TDOList read;
    // Every truncation fails cleanly.
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        TMemoryStream cut(bytes.left(n));
        EXPECT_THROW(ReadLabelData(cut, read), Exception) << n;
        EXPECT_EQ(read.Count(), 0);
    }
    // Changed bytes either fail or give an object that draws what it holds.
    QRandomGenerator random(7);
    QImage image(200, 200, QImage::Format_RGB32);
    for (int round = 0; round < 1500; ++round) {
        QByteArray damaged = bytes;
        const int flips = 1 + random.bounded(4);
        for (int f = 0; f < flips; ++f)
            damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
        TMemoryStream in(damaged);
        try {
            ReadLabelData(in, read);
        } catch (const Exception&) {
            EXPECT_EQ(read.Count(), 0);
            continue;
        }
        for (int i = 0; i < read.Count(); ++i) {
            QPainter painter(&image);
            painter.scale(0.5, 0.5);
            read[i]->DrawTo(painter);
            read[i]->HitTest({10, 10});
        }
        read.FreeObjects();
    }
}

TEST_F(Registered, ExtremeValuesFromStreamsDrawSafely)
{
    const QColor grey(128, 128, 128);
    for (const int angle : {INT_MIN, -90, 0, 1, 90, 180, 270, 359, 360, INT_MAX}) {
        for (const int ratio : {INT_MIN, -5, 0, 100, 250, 100000, INT_MAX}) {
            for (const int kind : {-1, 0, 1, 2, 3}) {
                auto code = MakeBarCode(kind, QStringLiteral("1234567890128"), {0, 0, 300, 100}, angle);
                code->SetElementRatio(ratio);
                QImage image(300, 300, QImage::Format_RGB32);
                image.fill(grey);
                {
                    QPainter painter(&image);
                    painter.translate(0, 100);
                    code->Paint(painter);
                }
                // Kinds without a symbology draw nothing at all; the others draw.
                const bool drawn = image.pixelColor(150, 150) != grey || image.pixelColor(10, 150) != grey;
                EXPECT_EQ(drawn, kind >= 0 && kind <= 2) << angle << " " << ratio << " " << kind;
            }
        }
    }
    // Tiny, huge and empty rectangles; 0 and 1,000 characters.
    QImage image(300, 300, QImage::Format_RGB32);
    for (const TLogRect r : {TLogRect{0, 0, 1, 1}, TLogRect{0, 0, 5, 2},
                             TLogRect{-50000, -50000, 50000, 50000}, TLogRect{0, 0, 0, 0}}) {
        for (const QString& data :
             {QString(), QString(1000, u'A'), QString(1000, u'a'), QString(1000, u'9')}) {
            for (const int kind : {0, 1, 2}) {
                auto code = MakeBarCode(kind, data, r, 0);
                QPainter painter(&image);
                painter.scale(0.3, 0.3);
                code->DrawTo(painter);
                code->SetAngleValue(30);
                code->DrawTo(painter);
                EXPECT_EQ(code->HasValidCode(), kind != 0 && !data.isEmpty());
            }
        }
    }
}
