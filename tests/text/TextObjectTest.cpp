// The text object: properties and their stored form, old documents, sizing,
// geometry, painting and the field binding.
#include "base/UNumbers.h"
#include "base/UStream.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "objects/ULDObjects.h"
#include "persist/UComponentStream.h"
#include "persist/UComponentText.h"
#include "support/TestSupport.h"
#include "text/ULOText.h"
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

class TextObject : public ::testing::Test
{
protected:
    void SetUp() override { RegisterTextClasses(); }
};

QString ObjectText(const TLOText& object)
{
    return ComponentToText(ComponentStreamBytes(object));
}

// Reads a design written in the text form; the objects are owned by the caller.
std::vector<std::unique_ptr<TDrawObject>> ReadDesign(const QString& text)
{
    const QByteArray resource = TextToComponentResource(text, QStringLiteral("LabelData"));
    TReadOnlyMemoryStream stream(resource.constData(), resource.size());
    TDOList list;
    ReadLabelData(stream, list);
    std::vector<std::unique_ptr<TDrawObject>> objects;
    for (TDrawObject* o : list.Objects())
        objects.emplace_back(o);
    return objects;
}

QByteArray DesignBytes(const std::vector<TDrawObject*>& objects)
{
    TDOList list;
    for (TDrawObject* o : objects)
        list.Add(o);
    TMemoryStream stream;
    WriteLabelData(stream, list);
    return stream.Data();
}

QImage Render(TDrawObject& object, int width = 600, int height = 300)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    object.Paint(painter);
    return image;
}

int CountPixels(const QImage& image, const std::function<bool(QRgb)>& test)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(image.pixel(x, y)))
                ++n;
    return n;
}

bool Inked(QRgb c)
{
    return qGray(c) < 128;
}

} // namespace

TEST_F(TextObject, CreatedWithTheDefaults)
{
    TLOVelmoText t;
    EXPECT_EQ(t.Font()->Size(), 24);
    EXPECT_EQ(t.DistortionRatio(), 100);
    EXPECT_TRUE(t.CoonsDistortion()->IsEmpty());
    EXPECT_EQ(t.Shadow(), 0);
    EXPECT_FALSE(t.AutoSize());
    EXPECT_EQ(t.Version(), 1);
    EXPECT_EQ(t.StoredVersion(), 0);
    EXPECT_STREQ(t.ClassName(), "TLOVelmoText");
}

TEST_F(TextObject, AngleIsKeptInOneTurn)
{
    TLOVelmoText t;
    t.SetAngle(-90);
    EXPECT_EQ(t.Angle(), 270);
    t.SetAngle(450);
    EXPECT_EQ(t.Angle(), 90);
    EXPECT_EQ(t.SimpleText().Angle(), 90);
}

TEST_F(TextObject, ShadowPresetsAndFreeOffsets)
{
    TLOVelmoText t;
    t.SetShadow(8);
    EXPECT_EQ(t.ShadowOffsetX(), 7);
    EXPECT_EQ(t.ShadowOffsetY(), 7);
    t.SetShadow(42); // no preset: unchanged
    EXPECT_EQ(t.Shadow(), 8);
    QString text = ObjectText(t);
    EXPECT_TRUE(text.contains(QStringLiteral("Shadow = 8")));
    EXPECT_FALSE(text.contains(QStringLiteral("ShadowOffsetX")));
    t.SetShadowOffsetX(10);
    t.SetShadowOffsetY(0);
    EXPECT_EQ(t.Shadow(), 9);
    text = ObjectText(t);
    EXPECT_FALSE(text.contains(QStringLiteral("Shadow = ")));
    EXPECT_TRUE(text.contains(QStringLiteral("ShadowOffsetX = 10")));
    EXPECT_TRUE(text.contains(QStringLiteral("ShadowOffsetY = 0")));
}

TEST_F(TextObject, ShadowOfPresetEightOnTwentyFourPointsIsSixUnits)
{
    TLOVelmoText t;
    t.SetBaseRect({100, 100, 500, 200});
    // 85 with the classic face's metrics; the installed face's cell is what counts.
    const int h = t.SimpleText().LineHeight();
    EXPECT_GE(h, 85);
    t.SetShadow(8);
    EXPECT_EQ(t.ShadowDisplacement(), QPoint(MulDiv(h, 7, 100), MulDiv(h, 7, 100)));
    EXPECT_EQ(t.ShadowDisplacement(), QPoint(6, 6));
    // Along the page also when the text is turned: the enclosing rectangle grows by
    // the displacement to the right and down only.
    t.SetShadow(0);
    t.SetAngle(90);
    const TLogRect plain = t.GetEncloseRect();
    t.SetShadow(8);
    const TLogRect shadowed = t.GetEncloseRect();
    EXPECT_EQ(shadowed.Left, plain.Left);
    EXPECT_EQ(shadowed.Top, plain.Top);
    EXPECT_EQ(shadowed.Right, plain.Right + 6);
    EXPECT_EQ(shadowed.Bottom, plain.Bottom + 6);
}

TEST_F(TextObject, VerticalSwapsWidthAndHeightAboutTheCentre)
{
    TLOVelmoText t;
    t.SetBaseRect({350, 450, 650, 550});
    t.SetVertical(true);
    EXPECT_EQ(t.BaseRect(), (TLogRect{450, 350, 550, 650}));
}

TEST_F(TextObject, AutoSizeKeepsAtLeastTwoMillimetres)
{
    TLOVelmoText t;
    t.SetBaseRect({1000, 1000, 1400, 1200});
    t.Font()->SetSize(4);
    t.SetLines({QStringLiteral("i")});
    t.SetAutoSize(true);
    t.AutoSizeNow();
    EXPECT_GE(t.BaseRect().Width(), 20);
    EXPECT_GE(t.BaseRect().Height(), 20);
    EXPECT_EQ(t.BaseRect().Left, 1000);
    EXPECT_EQ(t.BaseRect().Top, 1000);
}

TEST_F(TextObject, RightAlignedAutoSizeKeepsTheRightEdge)
{
    TLOVelmoText t;
    t.SetBaseRect({1000, 1000, 2000, 1100});
    t.SetAlign(kAlignRight);
    t.SetLines({QStringLiteral("ABCDEFGH")});
    t.SetAutoSize(true);
    t.AutoSizeNow();
    const int right = t.BaseRect().Right;
    t.SetLines({QStringLiteral("AB")});
    EXPECT_EQ(t.BaseRect().Right, right);
    EXPECT_LT(t.BaseRect().Width(), 1000);
}

TEST_F(TextObject, RotatedLeftAlignedAutoSizeKeepsItsTurnedCorner)
{
    TLOVelmoText t;
    t.SetBaseRect({1000, 1000, 1600, 1100});
    t.SetLines({QStringLiteral("ABCDEFGHIJ")});
    t.SetAngle(30);
    t.SetAutoSize(true);
    auto corner = [&] {
        TRotator r(t.Angle(), RectCenter(t.BaseRect()));
        return r.Transformed(QPoint(t.BaseRect().Left, t.BaseRect().Top));
    };
    t.AutoSizeNow();
    const QPoint before = corner();
    t.SetLines({QStringLiteral("ABC")});
    const QPoint after = corner();
    EXPECT_LE(std::abs(after.x() - before.x()), 2);
    EXPECT_LE(std::abs(after.y() - before.y()), 2);
}

TEST_F(TextObject, CurveIsOfferedUnlessAStraightTextIsDistorted)
{
    TLOVelmoText t;
    EXPECT_NE(Supports<IDOCurve>(&t), nullptr);
    t.CoonsDistortion()->MakeIdentity();
    EXPECT_EQ(Supports<IDOCurve>(&t), nullptr);
    t.SetBulge(200);
    EXPECT_NE(Supports<IDOCurve>(&t), nullptr);
    EXPECT_FALSE(t.Distorted());
    EXPECT_EQ(Supports<IDOFillColor>(&t), nullptr);
    EXPECT_NE(Supports<IDOLineColor>(&t), nullptr);
}

TEST_F(TextObject, ControlPointAndBulgeAgree)
{
    TLOVelmoText t;
    t.SetBaseRect({0, 0, 1000, 100});
    t.SetBulge(200);
    // Positive bulges arch upwards on a horizontal text.
    EXPECT_EQ(t.GetControlPoint(), QPoint(500, -150));
    t.SetControlPoint(QPoint(500, -250));
    EXPECT_NEAR(t.Bulge(), 300, 1);
    t.SetControlPoint(QPoint(500, 150));
    EXPECT_NEAR(t.Bulge(), -100, 1);
    t.SetControlPoint(QPoint(700, 50)); // on the chord
    EXPECT_EQ(t.Bulge(), 0);
}

TEST_F(TextObject, EndingACurveEditTurnsTheRectangleAlongTheChord)
{
    TLOVelmoText t;
    t.SetBaseRect({0, 0, 1000, 100});
    t.BeginCurveEdit();
    t.SetStartPoint(QPoint(0, 0));
    t.SetEndPoint(QPoint(0, 1000)); // now running downwards
    t.EndCurveEdit();
    EXPECT_EQ(t.Angle(), 90);
    EXPECT_FALSE(t.AutoSize());
    EXPECT_EQ(t.BaseRect().Width(), 1000);
    EXPECT_EQ(t.BaseRect().Height(), 100);
    EXPECT_EQ(RectCenter(t.BaseRect()), QPoint(0, 500));
}

TEST_F(TextObject, StreamRoundTripsByteForByte)
{
    TLOVelmoText t;
    t.SetBaseRect({100, 200, 900, 400});
    t.SetLines({QStringLiteral("ベルモ"), QStringLiteral("Velmo")});
    t.SetVertical(true);
    t.SetAngle(15);
    t.SetBulge(0);
    t.SetOutline(true);
    t.SetOutLineWidth(5);
    t.SetShadow(3);
    t.TextColor()->SetKind(TColorSpecKind::cskGradation);
    t.CoonsDistortion()->MakeIdentity();
    t.CoonsDistortion()->SetPoint(0, 1, {1, 0.3});
    t.SetDistortionRatio(60);
    t.SetFieldNo(2);
    t.SetFieldType(TFieldType::ftCreatorEnglish);
    t.SetWizInputCaption(QStringLiteral("お名前"));
    const QByteArray first = DesignBytes({&t});
    TReadOnlyMemoryStream stream(first.constData(), first.size());
    TDOList list;
    ReadLabelData(stream, list);
    ASSERT_EQ(list.Count(), 1);
    std::unique_ptr<TDrawObject> back(list[0]);
    auto* r = dynamic_cast<TLOVelmoText*>(back.get());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->BaseRect(), t.BaseRect());
    EXPECT_TRUE(r->Vertical());
    EXPECT_EQ(r->Shadow(), 3);
    EXPECT_TRUE(r->CoonsDistortion()->SameContent(*t.CoonsDistortion()));
    EXPECT_EQ(ComponentToText(DesignBytes({r})), ComponentToText(first));
    EXPECT_EQ(DesignBytes({r}), first);
    // Properties in their order, the defaults left out, DiagonalAlign never.
    const QString text = ComponentToText(first);
    EXPECT_LT(text.indexOf(QStringLiteral("Version = 1")), text.indexOf(QStringLiteral("Text.Strings")));
    EXPECT_LT(text.indexOf(QStringLiteral("CoonsDistortion.Data")),
              text.indexOf(QStringLiteral("DistortionRatio")));
    EXPECT_FALSE(text.contains(QStringLiteral("DiagonalAlign")));
    EXPECT_FALSE(text.contains(QStringLiteral("EnableArch")));
    EXPECT_FALSE(text.contains(QStringLiteral("HanToZen")));
}

TEST_F(TextObject, HandWrittenDesignLoadsUnderTheOldClassName)
{
    auto objects = ReadDesign(
        QStringLiteral("object TLDObjects\n"
                       "  object T1: TLOText\n"
                       "    Left = 100\n    Top = 100\n    Width = 800\n    Height = 200\n"
                       "    Version = 1\n"
                       "    Text.Strings = (\n      'ベルモ'\n      'ラベル')\n"
                       "    Font.Name = 'ＭＳ 明朝'\n"
                       "    Vertical = True\n"
                       "    Angle = 0\n    DistortionRatio = 100\n    Outline = False\n    OutLineWidth = 0\n"
                       "    AutoSize = False\n    Bulge = 0\n    FieldNo = 0\n    FieldType = ftProduct\n"
                       "  end\n"
                       "  object T2: TLOMirtoText\n"
                       "    Left = 100\n    Top = 400\n    Width = 300\n    Height = 100\n"
                       "    Text.Strings = (\n      'x')\n"
                       "    Angle = 0\n    DistortionRatio = 100\n    Outline = True\n    OutLineWidth = 0\n"
                       "    AutoSize = False\n    Bulge = 0\n    FieldNo = 0\n    FieldType = ftProduct\n"
                       "    DiagonalAlign = 3\n"
                       "  end\n"
                       "end\n"));
    ASSERT_EQ(objects.size(), 2u);
    auto* first = dynamic_cast<TLOVelmoText*>(objects[0].get());
    auto* second = dynamic_cast<TLOVelmoText*>(objects[1].get());
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->Text()->Lines(), QStringList({QStringLiteral("ベルモ"), QStringLiteral("ラベル")}));
    EXPECT_TRUE(first->Vertical());
    // Reading does not swap the rectangle.
    EXPECT_EQ(first->BaseRect(), (TLogRect{100, 100, 900, 300}));
    EXPECT_EQ(second->FeedAngleValue(), -45);
    EXPECT_EQ(second->OutLineWidth(), 1);
    const QImage image = Render(*first, 1000, 400);
    EXPECT_GT(CountPixels(image, Inked), 100);
}

TEST_F(TextObject, OldCircleAlignmentBecomesAnArc)
{
    auto objects = ReadDesign(
        QStringLiteral("object TLDObjects\n"
                       "  object T1: TLOText\n"
                       "    Left = 1000\n    Top = 1000\n    Width = 400\n    Height = 300\n"
                       "    Text.Strings = (\n      'まる'\n      'second')\n"
                       "    Align = 4\n    CharSpacing = 5\n"
                       "    Angle = 0\n    DistortionRatio = 100\n    Outline = False\n    OutLineWidth = 0\n"
                       "    AutoSize = False\n    Bulge = 0\n    FieldNo = 0\n    FieldType = ftProduct\n"
                       "  end\n"
                       "end\n"));
    ASSERT_EQ(objects.size(), 1u);
    auto* t = dynamic_cast<TLOVelmoText*>(objects[0].get());
    ASSERT_NE(t, nullptr);
    // With the classic face (line height 85): bulge 107 and a 216 × 216 square.
    const int h = t->SimpleText().LineHeight();
    EXPECT_EQ(t->Bulge(), (300 - h) / 2);
    EXPECT_EQ(t->BaseRect().Width(), 300 - 2 * (h / 2));
    EXPECT_EQ(t->BaseRect().Height(), 300 - 2 * (h / 2));
    EXPECT_EQ(RectCenter(t->BaseRect()), QPoint(1200, 1150));
    EXPECT_EQ(t->Align(), 1);
    EXPECT_EQ(t->CharSpacing(), 0);
    EXPECT_EQ(t->Text()->Lines(), QStringList({QStringLiteral("まる")}));
}

TEST_F(TextObject, OutOfRangeValuesAreClamped)
{
    auto objects = ReadDesign(QStringLiteral(
        "object TLDObjects\n"
        "  object T1: TLOVelmoText\n"
        "    Left = 0\n    Top = 0\n    Width = 400\n    Height = 300\n"
        "    Version = 1\n"
        "    Text.Strings = (\n      'a')\n"
        "    Angle = -725\n    DistortionRatio = 250\n    Outline = True\n    OutLineWidth = -4\n"
        "    AutoSize = False\n    Bulge = 99999\n    FieldNo = -3\n    FieldType = ftProduct\n"
        "    CharSpacing = 2000000000\n"
        "  end\n"
        "end\n"));
    auto* t = dynamic_cast<TLOVelmoText*>(objects.at(0).get());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Angle(), 355);
    EXPECT_EQ(t->DistortionRatio(), 100);
    EXPECT_EQ(t->OutLineWidth(), 1); // negative became 0, and an outline needs 1
    EXPECT_EQ(t->Bulge(), 4000);
    EXPECT_EQ(t->FieldNo(), 0);
    EXPECT_LE(t->CharSpacing(), 10000);
    // Still drawable.
    Render(*t);
}

TEST_F(TextObject, DamagedPatternInADesignIsAReadError)
{
    const QString text =
        QStringLiteral("object TLDObjects\n"
                       "  object T1: TLOVelmoText\n"
                       "    Left = 0\n    Top = 0\n    Width = 400\n    Height = 300\n"
                       "    CoonsDistortion.Data = {00112233445566778899AABBCCDDEEFF0200000002000000}\n"
                       "  end\n"
                       "end\n");
    EXPECT_THROW(ReadDesign(text), EReadError);
}

TEST_F(TextObject, PlainColourDrawsGlyphsAndGradientFillsTheirShape)
{
    TLOVelmoText t;
    t.SetBaseRect({20, 20, 580, 280});
    t.Font()->SetSize(60);
    t.SetLines({QStringLiteral("■■")});
    const QImage plain = Render(t);
    const int plainInk = CountPixels(plain, Inked);
    EXPECT_GT(plainInk, 1000);
    TColorSpec red;
    red.SetColor(0x0000FF);
    t.SetTextColor(&red);
    const QImage redImage = Render(t);
    EXPECT_GT(CountPixels(redImage, [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 60; }), plainInk / 2);
    TColorSpec grad;
    grad.SetKind(TColorSpecKind::cskGradation);
    grad.SetGradColNum(2);
    grad.SetGradColor(0, 0x0000FF);
    grad.SetGradColor(1, 0xFF0000);
    t.SetTextColor(&grad);
    const QImage gradient = Render(t);
    // The gradient runs across the enclosing rectangle: red on the left, turning
    // blue on the right, and only inside the glyphs.
    EXPECT_GT(CountPixels(gradient, [](QRgb c) { return qRed(c) > 220 && qBlue(c) < 40; }), 50);
    EXPECT_GT(CountPixels(gradient, [](QRgb c) { return qBlue(c) > qRed(c) + 40; }), 50);
    EXPECT_NEAR(CountPixels(gradient, [](QRgb c) { return c != qRgb(255, 255, 255); }), plainInk,
                plainInk / 5);
}

TEST_F(TextObject, OutlineWidensTheInkAndShadowShiftsACopy)
{
    TLOVelmoText t;
    t.SetBaseRect({50, 50, 500, 200});
    t.Font()->SetSize(40);
    t.SetLines({QStringLiteral("AB")});
    const int plain = CountPixels(Render(t), Inked);
    t.SetOutline(true);
    t.SetOutLineWidth(6);
    TColorSpec black;
    t.SetOutlineColor(&black);
    const int outlined = CountPixels(Render(t), Inked);
    EXPECT_GT(outlined, plain * 5 / 4);
    t.SetOutline(false);
    t.SetShadow(8);
    TColorSpec grey;
    grey.SetColor(0x808080);
    t.SetShadowColor(&grey);
    const QImage shadowed = Render(t);
    EXPECT_GT(CountPixels(shadowed, [](QRgb c) { return std::abs(qGray(c) - 128) < 10; }), 20);
}

TEST_F(TextObject, DistortionBendsTheTextInsideItsRectangle)
{
    TLOVelmoText t;
    t.SetBaseRect({50, 50, 550, 250});
    t.Font()->SetSize(40);
    t.SetLines({QStringLiteral("WAVE")});
    const QImage straight = Render(t);
    TCoonsDistortion& d = *t.CoonsDistortion();
    d.MakeIdentity();
    d.SetPoint(0, 0, {0, 0.5}); // the left side shrinks to half
    EXPECT_TRUE(t.Distorted());
    const QImage bent = Render(t);
    EXPECT_NE(straight, bent);
    // Nothing is drawn above the left half's new top.
    int inkTopLeft = 0;
    for (int y = 50; y < 140; ++y)
        for (int x = 50; x < 120; ++x)
            if (Inked(bent.pixel(x, y)))
                ++inkTopLeft;
    EXPECT_EQ(inkTopLeft, 0);
    EXPECT_GT(CountPixels(bent, Inked), 200);
    // With a bulge the pattern is ignored.
    t.SetBulge(100);
    EXPECT_FALSE(t.Distorted());
}

TEST_F(TextObject, HitTestFollowsTheTurnedRectangle)
{
    TLOVelmoText t;
    t.SetBaseRect({0, 0, 400, 100});
    EXPECT_TRUE(t.HitTest({390, 50}));
    t.SetAngle(90);
    EXPECT_FALSE(t.HitTest({390, 50}));
    EXPECT_TRUE(t.HitTest({200, 230}));
}

TEST_F(TextObject, AssignCopiesEverything)
{
    TLOVelmoText a;
    a.SetBaseRect({10, 20, 310, 220});
    a.SetLines({QStringLiteral("copy")});
    a.SetVertical(true);
    a.SetShadow(5);
    a.SetAngle(30);
    a.CoonsDistortion()->MakeIdentity();
    a.SetFieldNo(3);
    a.SetEnableArch(true);
    a.SetWizInputEnable(true);
    std::unique_ptr<TLabelObject> b(Clone(a, nullptr));
    auto* c = dynamic_cast<TLOVelmoText*>(b.get());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->BaseRect(), a.BaseRect());
    EXPECT_EQ(ComponentStreamBytes(*c), ComponentStreamBytes(a));
    EXPECT_TRUE(c->EnableArch());
}

TEST_F(TextObject, FieldBindingFollowsTheDocumentsInformation)
{
    auto a = MakeTextObject({QStringLiteral("old")});
    auto b = MakeTextObject({QStringLiteral("keep")});
    auto c = MakeTextObject({QStringLiteral("unbound")});
    a->SetFieldNo(2);
    a->SetFieldType(TFieldType::ftProduct);
    b->SetFieldNo(1);
    b->SetFieldType(TFieldType::ftCreatorJapanese);
    TDOList list;
    list.Add(a.get());
    list.Add(b.get());
    list.Add(c.get());
    UpdateFieldTexts(list, {TFieldType::ftProduct}, [](TFieldType kind, int index, QStringList& lines) {
        if (kind != TFieldType::ftProduct)
            return false;
        lines = {QStringLiteral("item %1").arg(index)};
        return true;
    });
    EXPECT_EQ(a->Text()->Lines(), QStringList({QStringLiteral("item 1")}));
    EXPECT_EQ(b->Text()->Lines(), QStringList({QStringLiteral("keep")}));
    EXPECT_EQ(c->Text()->Lines(), QStringList({QStringLiteral("unbound")}));
    // Missing information leaves the text.
    UpdateFieldTexts(list, {TFieldType::ftCreatorJapanese},
                     [](TFieldType, int, QStringList&) { return false; });
    EXPECT_EQ(b->Text()->Lines(), QStringList({QStringLiteral("keep")}));
}

TEST_F(TextObject, MadeTextObjectFitsItsLines)
{
    auto t = MakeTextObject({QStringLiteral("貼り付けた文字"), QStringLiteral("二行目")}, QPoint(300, 400));
    EXPECT_TRUE(t->AutoSize());
    EXPECT_EQ(t->BaseRect().Left, 300);
    EXPECT_EQ(t->BaseRect().Top, 400);
    EXPECT_EQ(t->BaseRect().Height(), 2 * t->SimpleText().LineHeight());
    EXPECT_GT(t->BaseRect().Width(), 300);
}

TEST_F(TextObject, EveryKindDrawsInsideItsEnclosingRectangle)
{
    // The enclosing rectangle decides what is repainted and what a printout band
    // draws: ink outside it would be cut off.
    const QByteArray design = ReadFileBytes(TestDataPath(QStringLiteral("text/every-kind.txt")));
    auto objects = ReadDesign(QString::fromUtf8(design));
    ASSERT_EQ(objects.size(), 12u);
    for (auto& object : objects) {
        auto* t = dynamic_cast<TLOVelmoText*>(object.get());
        ASSERT_NE(t, nullptr);
        // Also turned, and vertical, and with the distortion bent the other way.
        for (int variant = 0; variant < 3; ++variant) {
            if (variant == 1)
                t->SetAngle(t->Angle() + 35);
            if (variant == 2)
                t->SetVertical(!t->Vertical());
            const TLogRect e = t->GetEncloseRect();
            QImage image(2200, 1600, QImage::Format_RGB32);
            image.fill(Qt::white);
            {
                QPainter painter(&image);
                painter.translate(50, 50);
                t->Paint(painter);
            }
            int outside = 0, inside = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                        const int lx = x - 50, ly = y - 50;
                        if (lx < e.Left - 1 || lx > e.Right + 1 || ly < e.Top - 1 || ly > e.Bottom + 1)
                            ++outside;
                        else
                            ++inside;
                    }
            EXPECT_EQ(outside, 0) << t->Name().toStdString() << " variant " << variant;
            EXPECT_GT(inside, 0) << t->Name().toStdString() << " variant " << variant;
        }
    }
}

TEST_F(TextObject, ArcTextIsHitOnItsBandOnly)
{
    TLOVelmoText t;
    t.SetBaseRect({0, 0, 1000, 100});
    t.SetLines({QStringLiteral("円弧の文字")});
    t.SetBulge(300);
    const QPoint apex = t.GetControlPoint();
    EXPECT_TRUE(t.HitTest(apex + QPoint(0, 20)));
    // The chord's middle lies far below an arch of 300.
    EXPECT_FALSE(t.HitTest(QPoint(500, 50)));
    const TLogRect e = t.GetEncloseRect();
    EXPECT_LE(e.Top, apex.y());
    EXPECT_GE(e.Bottom, 50);
}
