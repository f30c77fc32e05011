// The barcode object of the libzint symbologies: its stream form beside the classic
// barcode's, damaged and unknown stored values, the Japanese refusals, the drawing's
// geometry (exact module multiples, no seams between touching modules, turns) and
// the dialog's new kinds with the exchange of the object's class.
#include "BarCodeTestSupport.h"
#include "barcode/FBarCodeProperty.h"
#include "barcode/ULOZintBarCode.h"
#include "barcode/UZintSymbol.h"
#include "base/UStream.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "draw/UDOAction.h"
#include "draw/UGhost.h"
#include "objects/ULDObjects.h"
#include "objects/ULOCreator.h"
#include "persist/UComponentStream.h"
#include "persist/UComponentText.h"
#include "support/TestSupport.h"
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTabWidget>
#include <QThread>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

struct Zint : ::testing::Test
{
    Zint() { RegisterBarCodeClasses(); }
};

std::unique_ptr<TComponent> ReadBack(const QByteArray& bytes)
{
    TMemoryStream stream(bytes);
    return ReadComponent(stream);
}

// The object drawn at dpi onto white, the picture's origin at the rectangle's corner.
QImage Render(TLOZintBarCode& code, double dpi)
{
    const TLogRect r = code.GetEncloseRect();
    const double scale = dpi / 254.0;
    QImage image(int(std::ceil(r.Width() * scale)) + 2, int(std::ceil(r.Height() * scale)) + 2,
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setTransform(QTransform(scale, 0, 0, scale, -r.Left * scale, -r.Top * scale));
    code.DrawTo(painter);
    return image;
}

QRect DarkBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

} // namespace

TEST_F(Zint, StreamFormKeepsTheSymbologyAndLeavesTheClassicKindOut)
{
    TLOZintBarCode code;
    code.SetSymbology(71);
    code.SetJANCode(QStringLiteral("部品 ABC-1 😀"));
    code.SetSymbolSize(3);
    code.SetModuleSize(45);
    code.SetQuietZone(false);
    code.SetBackColor(clNone);
    code.SetAngleValue(30);
    const QByteArray bytes = ComponentStreamBytes(code);
    const QString text = ComponentToText(bytes);
    EXPECT_TRUE(text.startsWith(u"object TLOZintBarCode")) << text.toStdString();
    for (const char* absent : {"BarKind", "AddCheckDigit", "ElementRatio", "ErrorLevel"})
        EXPECT_FALSE(text.contains(QLatin1String(absent))) << absent << "\n" << text.toStdString();
    for (const char* present :
         {"Symbology = 71", "SymbolSize = 3", "ModuleSize = 45", "QuietZone = False", "BackColor = clNone"})
        EXPECT_TRUE(text.contains(QLatin1String(present))) << present << "\n" << text.toStdString();

    std::unique_ptr<TComponent> back = ReadBack(bytes);
    auto* read = dynamic_cast<TLOZintBarCode*>(back.get());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Symbology(), 71);
    EXPECT_EQ(read->JANCode(), code.JANCode());
    EXPECT_EQ(read->SymbolSize(), 3);
    EXPECT_EQ(read->ModuleSize(), 45);
    EXPECT_FALSE(read->QuietZone());
    EXPECT_EQ(read->BackColor(), clNone);
    EXPECT_EQ(read->Angle(), 30);
    EXPECT_EQ(ComponentStreamBytes(*read), bytes);

    // The classic barcode's form gains nothing.
    TLOBarCode classic;
    classic.SetJANCode(QStringLiteral("4901234567894"));
    const QString classicText = ComponentToText(ComponentStreamBytes(classic));
    for (const char* absent : {"Symbology", "ModuleSize", "QuietZone", "BarColor", "BackColor"})
        EXPECT_FALSE(classicText.contains(QLatin1String(absent))) << classicText.toStdString();
}

TEST_F(Zint, AnUnknownSymbologyIsReadShownEmptyAndKept)
{
    const QString text =
        QStringLiteral("object TLOZintBarCode\n  Left = 10\n  Top = 10\n  Width = 200\n"
                       "  Height = 200\n  Angle = 0\n  JANCode = 'DATA'\n  ShowNumber = True\n"
                       "  ShowFrame = False\n  Symbology = 4242\n  ModuleSize = 30\n"
                       "  QuietZone = True\nend\n");
    std::unique_ptr<TComponent> back = ReadBack(TextToComponent(text));
    auto* code = dynamic_cast<TLOZintBarCode*>(back.get());
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(code->Symbology(), 4242);
    EXPECT_FALSE(code->HasValidCode());
    EXPECT_FALSE(code->EncodeError().isEmpty());
    // No dark module anywhere; the screen shows the rectangle's dashed outline.
    const QImage image = Render(*code, 254);
    int black = 0, grey = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int g = qGray(image.pixel(x, y));
            black += g < 64;
            grey += g >= 64 && g < 200;
        }
    EXPECT_EQ(black, 0);
    EXPECT_GT(grey, 100);
    const QString again = ComponentToText(ComponentStreamBytes(*code));
    EXPECT_TRUE(again.contains(u"Symbology = 4242")) << again.toStdString();
}

TEST_F(Zint, AbsurdStoredOptionsDrawAutomaticSymbols)
{
    const QString text = QStringLiteral("object TLOZintBarCode\n  Width = 300\n  Height = 300\n"
                                        "  JANCode = 'HELLO'\n  Symbology = 58\n  ErrorLevel = 77\n"
                                        "  SymbolSize = -3\n  ModuleSize = 2000000\nend\n");
    std::unique_ptr<TComponent> back = ReadBack(TextToComponent(text));
    auto* code = dynamic_cast<TLOZintBarCode*>(back.get());
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(code->ModuleSize(), 1000); // 10 mm at most
    code->SetModuleSize(-4);
    EXPECT_EQ(code->ModuleSize(), 0);
    EXPECT_TRUE(code->HasValidCode()) << code->EncodeError().toStdString();
    EXPECT_EQ(code->Encoded().Size, QSizeF(21 + 8, 21 + 8)); // version 1 with its quiet zone
}

TEST_F(Zint, RefusalsAreExplainedInJapanese)
{
    const struct
    {
        const char* Key;
        QString Data;
        QString Message;
    } cases[] = {
        {"qr", QString(3000, u'漢'), QStringLiteral("QRコードに入りきりません")},
        {"datamatrix", QString(4000, u'A'), QStringLiteral("データマトリックスに入りきりません")},
        {"ean13", QStringLiteral("49012345678X"), QStringLiteral("数字以外の文字があります")},
        {"ean8", QStringLiteral("490123"),
         QStringLiteral("EAN-8は7桁（チェックデジットは自動で付きます）か8桁で入力してください")},
        {"upca", QStringLiteral("012345678901"),
         QStringLiteral("チェックデジットが正しくありません（正しくは 5）")},
        {"itf14", QStringLiteral("123456789012345678"), QStringLiteral("文字数が多すぎます（最大13文字）")},
        {"nw7", QStringLiteral("123"),
         QStringLiteral("NW-7は A〜D のスタート・ストップ文字で始めて終えてください")},
        {"code93", QStringLiteral("ラベル"), QStringLiteral("使えない文字があります")},
        {"microqr", QString(), QStringLiteral("データがありません")},
    };
    for (const auto& c : cases) {
        const TSymbologyInfo* info = FindSymbologyByKey(QString::fromLatin1(c.Key));
        ASSERT_NE(info, nullptr) << c.Key;
        const TEncodedSymbol symbol = EncodeSymbol(info->Id, c.Data, {});
        EXPECT_FALSE(symbol.Valid) << c.Key;
        EXPECT_TRUE(symbol.Error.startsWith(c.Message))
            << c.Key << ": " << symbol.Error.toStdString() << " (expected " << c.Message.toStdString() << ")";
    }
    // A size too small for the data is the symbology's own message, not a crash.
    TZintOptions tiny;
    tiny.Size = 1;
    const TEncodedSymbol small = EncodeSymbol(58, QString(200, u'A'), tiny);
    EXPECT_FALSE(small.Valid);
    EXPECT_FALSE(small.Error.isEmpty());
    // Check digits come as libzint adds them.
    EXPECT_EQ(
        EncodeSymbol(FindSymbologyByKey(QStringLiteral("ean13"))->Id, QStringLiteral("490123456789"), {})
            .HumanText,
        QStringLiteral("4901234567894"));
    EXPECT_EQ(
        EncodeSymbol(FindSymbologyByKey(QStringLiteral("ean8"))->Id, QStringLiteral("4901234"), {}).HumanText,
        QStringLiteral("49012347"));
    // The Japan Post form of an address as merge records hold it.
    EXPECT_EQ(NormalizeJapanPost(QStringLiteral("２６３－００２３　３ー２ーｂ１１０３")),
              QStringLiteral("26300233-2-B1103"));
    EXPECT_EQ(NormalizeJapanPost(QStringLiteral("1540023-3-16-4-205")), QStringLiteral("15400233-16-4-205"));
}

TEST_F(Zint, ASetModuleSizeGivesExactModuleMultiples)
{
    TLOZintBarCode code;
    code.SetSymbology(58);
    code.SetJANCode(QStringLiteral("EXACT"));
    code.SetQuietZone(false);
    code.SetModuleSize(50); // 0.5 mm: 5 pixels at 254 dpi, 10 at 508
    code.SetBaseRect({0, 0, 300, 300});
    for (const int dpi : {254, 508}) {
        const QRect dark = DarkBounds(Render(code, dpi));
        const int module = dpi / 254 * 5;
        EXPECT_EQ(dark.width(), 21 * module) << dpi;
        EXPECT_EQ(dark.height(), 21 * module) << dpi;
    }
    // Fitted, the module is a whole number of pixels and the symbol as large as fits.
    code.SetModuleSize(0);
    const QImage fitted = Render(code, 300);
    const QRect dark = DarkBounds(fitted);
    EXPECT_EQ(dark.width() % 21, 0) << dark.width();
    EXPECT_EQ(dark.width(), dark.height());
    EXPECT_GT(dark.width(), fitted.width() - 2 - 21 * 2);
}

TEST_F(Zint, TouchingModulesLeaveNoSeamAtAnyScale)
{
    // The finder pattern's 3 x 3 centre is nine touching modules: at fractional
    // scales with anti-aliasing every pixel inside it must be fully dark.
    TLOZintBarCode code;
    code.SetSymbology(58);
    code.SetJANCode(QStringLiteral("SEAMS"));
    code.SetQuietZone(false);
    code.SetBaseRect({0, 0, 210, 210});
    for (const int module : {37, 41, 53, 66}) { // 0.37 mm … 0.66 mm
        code.SetModuleSize(module);
        for (const double dpi : {96.0, 150.0, 333.3, 600.0}) {
            const QImage image = Render(code, dpi);
            const double px = module / 10.0 * dpi / 254.0;
            const double x0 = (210 - 21 * module / 10.0) / 2 * dpi / 254.0;
            int light = 0;
            for (int y = int(std::ceil(x0 + 2 * px)) + 1; y < int(x0 + 5 * px) - 1; ++y)
                for (int x = int(std::ceil(x0 + 2 * px)) + 1; x < int(x0 + 5 * px) - 1; ++x)
                    light += qGray(image.pixel(x, y)) > 0;
            EXPECT_EQ(light, 0) << module << " at " << dpi;
        }
    }
}

TEST_F(Zint, TheSymbolTurnsWithTheObject)
{
    TLOZintBarCode code;
    code.SetSymbology(76); // Japan Post: a long, low symbol
    code.SetJANCode(QStringLiteral("1000001"));
    code.SetQuietZone(false);
    code.SetBaseRect({0, 0, 800, 60});
    const QRect upright = DarkBounds(Render(code, 254));
    code.SetAngleValue(90);
    const QRect turned = DarkBounds(Render(code, 254));
    EXPECT_GT(upright.width(), 8 * upright.height());
    EXPECT_NEAR(turned.height(), upright.width(), 2);
    EXPECT_NEAR(turned.width(), upright.height(), 2);
    code.SetAngleValue(33);
    EXPECT_GT(DarkBounds(Render(code, 254)).height(), 300);
}

TEST_F(Zint, TheOtherFamilyKeepsWhatBothShare)
{
    TLOBarCode classic;
    classic.SetBaseRect({10, 20, 310, 170});
    classic.SetAngleValue(15);
    classic.SetJANCode(QStringLiteral("ABC"));
    classic.SetShowFrame(true);
    std::unique_ptr<TLOBarCode> other(MakeOtherFamily(classic));
    auto* zint = dynamic_cast<TLOZintBarCode*>(other.get());
    ASSERT_NE(zint, nullptr);
    EXPECT_EQ(zint->BaseRect(), classic.BaseRect());
    EXPECT_EQ(zint->Angle(), 15);
    EXPECT_EQ(zint->JANCode(), QStringLiteral("ABC"));
    EXPECT_TRUE(zint->ShowFrame());
    std::unique_ptr<TLOBarCode> back(MakeOtherFamily(*zint));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(QString::fromLatin1(back->ClassName()), QStringLiteral("TLOBarCode"));
}

// ---------------------------------------------------------------------------------
// The dialog

namespace {

struct ZintDialog : Zint
{
    std::vector<QString> Messages;
    ZintDialog()
    {
        SetBarCodeMessageHandler(
            [this](QWidget*, TBarCodeMessage, const QString& text) { Messages.push_back(text); });
    }
    ~ZintDialog() override
    {
        SetBarCodeMessageHandler(nullptr);
        TDOBarCodeEditor::SetExecHook(nullptr);
        SetAddActionRecorder({});
        TDesignerList::Instance().Clear();
        TGhostList::Instance().Clear();
        TActionList::Instance().Clear();
    }
};

void ChooseSymbology(TfrmBarCodeProperty& dialog, const char* key)
{
    dialog.SetKind(TfrmBarCodeProperty::kZintKind);
    dialog.SetSymbology(FindSymbologyByKey(QString::fromLatin1(key))->Id);
}

} // namespace

TEST_F(ZintDialog, OffersTheSymbologiesAndExplainsRefusedData)
{
    TfrmBarCodeProperty dialog;
    EXPECT_EQ(dialog.SymbologyList()->count(), int(Symbologies().size()));
    EXPECT_FALSE(dialog.ZintGroup()->isEnabled());
    ChooseSymbology(dialog, "ean13");
    EXPECT_TRUE(dialog.ZintGroup()->isEnabled());
    dialog.Entry()->setText(QStringLiteral("49012345678A"));
    EXPECT_EQ(dialog.ErrorLabel()->text(), QStringLiteral("数字以外の文字があります"));
    EXPECT_FALSE(dialog.EntryValid());
    dialog.accept();
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0], QStringLiteral("数字以外の文字があります"));
    // QR codes take Japanese text from the entry as it is.
    ChooseSymbology(dialog, "qr");
    dialog.Entry()->setText(QStringLiteral("ラベル印刷"));
    EXPECT_TRUE(dialog.EntryValid());
    EXPECT_TRUE(dialog.ErrorLabel()->text().isEmpty());
    EXPECT_EQ(dialog.ErrorLevelList()->count(), 5);
    EXPECT_EQ(dialog.SymbolSizeList()->count(), 41);
    ChooseSymbology(dialog, "nw7");
    EXPECT_FALSE(dialog.ErrorLevelList()->isEnabled());
    // The classic kinds still take single-byte characters only.
    dialog.SetKind(bkCode39);
    EXPECT_EQ(dialog.Entry()->text(), QString());
}

TEST_F(ZintDialog, InsertingAQRCodeMakesTheZintObject)
{
    TDesignerList::Instance().Register(std::make_shared<TLOCreator>());
    RegisterBarCodeDesigner();
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.SetLogWidth(900);
    site.SetLogHeight(500);
    std::vector<QString> added;
    SetAddActionRecorder([&](TDrawObject* o, const QString& caption) {
        added.push_back(QString::fromLatin1(o->ClassName()) + caption);
    });
    TDOBarCodeEditor::SetExecHook([](TfrmBarCodeProperty& dialog) {
        ChooseSymbology(dialog, "qr");
        dialog.Entry()->setText(QStringLiteral("https://example.jp/"));
        dialog.ErrorLevelList()->setCurrentIndex(4); // H
        dialog.accept();
        return dialog.result();
    });
    EXPECT_TRUE(InsertBarCode(&site));
    ASSERT_EQ(site.ObjectCount(), 1);
    auto* code = dynamic_cast<TLOZintBarCode*>(site.Objects(0));
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(code->Symbology(), 58);
    EXPECT_EQ(code->ErrorLevel(), 4);
    EXPECT_EQ(code->JANCode(), QStringLiteral("https://example.jp/"));
    EXPECT_EQ(code->BaseRect().Width(), code->BaseRect().Height()); // a square for a square symbol
    EXPECT_EQ(added, (std::vector<QString>{QStringLiteral("TLOZintBarCode追加")}));
}

TEST_F(ZintDialog, ChangingTheFamilyOnASiteIsOneUndoableStep)
{
    InstallActionHistory();
    TActionList::Instance().Clear();
    RegisterBarCodeDesigner();
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.SetLogWidth(900);
    site.SetLogHeight(500);
    auto* first = new TLOBarCode;
    first->SetJANCode(QStringLiteral("4901234567894"));
    site.AddObject(first);
    auto* jan = new TLOBarCode;
    jan->SetJANCode(QStringLiteral("4901234567894"));
    jan->SetBaseRect({100, 100, 400, 200});
    site.AddObject(jan);
    auto* last = new TLOBarCode;
    site.AddObject(last);
    const int index = site.IndexOfObject(jan);
    TDOBarCodeEditor::SetExecHook([](TfrmBarCodeProperty& dialog) {
        ChooseSymbology(dialog, "datamatrix");
        dialog.Entry()->setText(QStringLiteral("DM-1"));
        dialog.accept();
        return dialog.result();
    });
    bool cancelled = true;
    jan->Edit(&cancelled);
    EXPECT_FALSE(cancelled);
    ASSERT_EQ(site.ObjectCount(), 3);
    auto* matrix = dynamic_cast<TLOZintBarCode*>(site.Objects(index));
    ASSERT_NE(matrix, nullptr);
    EXPECT_EQ(matrix->JANCode(), QStringLiteral("DM-1"));
    EXPECT_EQ(matrix->BaseRect(), (TLogRect{100, 100, 400, 200}));
    EXPECT_EQ(site.Objects(index - 1), first);
    EXPECT_EQ(site.Objects(index + 1), last);
    TActionList::Instance().Undo();
    ASSERT_EQ(site.ObjectCount(), 3);
    EXPECT_EQ(site.Objects(index), jan);
    EXPECT_EQ(dynamic_cast<TLOZintBarCode*>(site.Objects(index)), nullptr);
    TActionList::Instance().Redo();
    EXPECT_NE(dynamic_cast<TLOZintBarCode*>(site.Objects(index)), nullptr);
}

// With VELMO_BARCODE_SHOTS set and a display, keeps the dialog on the new kinds.
TEST_F(ZintDialog, Screenshots)
{
    const QString folder = qEnvironmentVariable("VELMO_BARCODE_SHOTS");
    if (folder.isEmpty() || QGuiApplication::platformName() != u"xcb")
        GTEST_SKIP() << "screenshots need VELMO_BARCODE_SHOTS and an X display";
    QDir().mkpath(folder);
    const struct
    {
        const char* Key;
        QString Data;
        const char* Name;
    } shots[] = {
        {"qr", QStringLiteral("https://example.jp/ ラベル"), "zint-dialog-qr"},
        {"japanpost", QStringLiteral("263-0023 3-2-B1103"), "zint-dialog-japanpost"},
        {"ean13", QStringLiteral("49012345678A"), "zint-dialog-error"},
    };
    for (const auto& shot : shots) {
        TLOZintBarCode code;
        code.SetSymbology(FindSymbologyByKey(QString::fromLatin1(shot.Key))->Id);
        code.SetJANCode(shot.Data);
        code.Font()->SetName(QStringLiteral("IPAPGothic"));
        TfrmBarCodeProperty dialog;
        dialog.LoadFrom(code);
        dialog.move(40, 40);
        dialog.show();
        for (int i = 0; i < 20; ++i) {
            QApplication::processEvents();
            QThread::msleep(25);
        }
        const ProcessResult run =
            RunProgram(QStringLiteral("import"),
                       {QStringLiteral("-window"), QStringLiteral("root"),
                        folder + u'/' + QString::fromLatin1(shot.Name) + QStringLiteral(".png")});
        EXPECT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
        dialog.hide();
    }
}
