// Every symbol is read back by two independent decoders, ZBar and ZXing, from PNG
// renders at 254, 300 and 600 dpi and from printed PDFs rasterised by pdftoppm, at
// 0 and 90 degrees; the decoded bytes must equal the data.
#include "BarCodeTestSupport.h"
#include "barcode/UBarCode.h"
#include "barcode/UJANCode.h"
#include "objects/ULabelObject.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

struct TSample
{
    QString Name;
    int Kind;
    QString Code;        // the object's code text (Code 128: the text form)
    bool Check;          // Code 39 check character
    QByteArray Expected; // what a scanner hands over
};

QByteArray Code128Bytes(const QString& text)
{
    QByteArray bytes;
    EXPECT_TRUE(Code128FromText(text, &bytes)) << text.toStdString();
    return bytes;
}

// What a scanner transmits for Code 128 data: control characters as themselves, DEL,
// FNC1 as the group separator except in the first place (GS1), where it is dropped.
QByteArray ScannedCode128(const QByteArray& data)
{
    QByteArray out;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(data[i]);
        if (b >= 0xC0 && b <= 0xDF)
            out += char(b - 0xC0);
        else if (b == 0xA8)
            out += char(0x7F);
        else if (b == 0xA6)
            out += i == 0 ? QByteArray() : QByteArray(1, char(0x1D));
        else
            out += char(b);
    }
    return out;
}

// The Code 39 check character computed here from the character order of the set,
// not through the program's tables.
QChar IndependentCheck39(const QString& text)
{
    static const QString set = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%");
    int sum = 0;
    for (const QChar c : text.toUpper())
        sum += int(set.indexOf(c));
    return set[sum % 43];
}

std::vector<TSample> Samples()
{
    std::vector<TSample> s;
    auto jan = [&](const QString& name, const QString& body) {
        const QString full = NormalizeJAN(body);
        s.push_back({name, bkJAN, full, false, full.toLatin1()});
    };
    jan(QStringLiteral("jan13"), QStringLiteral("490123456789"));
    jan(QStringLiteral("jan13b"), QStringLiteral("123456789012"));
    jan(QStringLiteral("jan8"), QStringLiteral("4901234"));
    jan(QStringLiteral("jan8b"), QStringLiteral("1234567"));
    // Random bodies: every leading digit's parity pattern over the runs.
    QRandomGenerator random(24);
    for (int i = 0; i < 3; ++i) {
        QString body = QString::number(i * 3 + 1);
        for (int k = 0; k < 11; ++k)
            body += QChar(u'0' + random.bounded(10));
        jan(QStringLiteral("jan13r%1").arg(i), body);
    }
    const QString all39 = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%");
    s.push_back({QStringLiteral("c39all"), bkCode39, all39, false, all39.toLatin1()});
    s.push_back({QStringLiteral("c39allcheck"), bkCode39, all39, true,
                 (all39 + IndependentCheck39(all39)).toLatin1()});
    s.push_back({QStringLiteral("c39lower"), bkCode39, QStringLiteral("abc"), false, "ABC"});
    s.push_back({QStringLiteral("c39check"), bkCode39, QStringLiteral("abc"), true, "ABCX"});
    const QStringList code128 = {
        QStringLiteral("Hello World"),             // starts in B
        QStringLiteral("HELLO-128"),               // set A throughout
        QStringLiteral("123456"),                  // an even run of digits
        QStringLiteral("1234567"),                 // an odd run
        QStringLiteral("abcDEF^{HT}ghi^{LF}j"),    // B, a switch to A for controls, back to B
        QStringLiteral("^{STX}A1^{ETX}"),          // starts in A with a control character
        QStringLiteral("ab^{DEL}cd"),              // DEL exists in B only
        QStringLiteral("AB^{FNC1}12"),             // FNC1 inside: the group separator
        QStringLiteral("^{FNC1}0101234567890128"), // FNC1 first: GS1
        QStringLiteral("a^{NUL}b^{US}c^{ESC}d"),   // a switch at every other character
        QStringLiteral(" !\"#$%&'()*+,-./"
                       "0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^^_`abcdefghijklmnopqrstuvwxyz{|}~"),
    };
    for (int i = 0; i < code128.size(); ++i)
        s.push_back({QStringLiteral("c128_%1").arg(i), bkCode128, code128[i], false,
                     ScannedCode128(Code128Bytes(code128[i]))});
    return s;
}

std::unique_ptr<TLOBarCode> Make(const TSample& sample, int angle)
{
    auto code = MakeBarCode(sample.Kind, QString(), {100, 100, 100, 220}, angle);
    code->SetAddCheckDigit(sample.Check);
    int64_t width;
    if (sample.Kind == bkCode128) {
        code->SetCodeBytes(Code128Bytes(sample.Code));
        width = int64_t(Code128Symbols(code->CodeBytes()).size() + 1) * 36 + 19 * 3;
    } else if (sample.Kind == bkCode39) {
        code->SetJANCode(sample.Code);
        const int64_t n = sample.Code.size() + 2 + (sample.Check ? 1 : 0);
        width = ((4 * 250 + 600) * n + 1400) * 25 / 1000;
    } else {
        code->SetJANCode(sample.Code);
        width = sample.Code.size() == 8 ? 81 * 3 : 109 * 3;
    }
    // Seven units more than whole modules: module edges fall between device pixels.
    code->SetPropWidth(int(width) + 7);
    return code;
}

} // namespace

TEST(Decode, EverySymbolByZBarAndZXingFromPngAndPdf)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::map<QString, QByteArray> expected;
    QStringList files;
    const std::vector<TSample> samples = Samples();
    for (const TSample& sample : samples) {
        for (const int angle : {0, 90}) {
            auto code = Make(sample, angle);
            ASSERT_TRUE(code->HasValidCode()) << sample.Name.toStdString();
            for (const int dpi : {254, 300, 600}) {
                const QString file =
                    dir.filePath(QStringLiteral("%1_%2_%3.png").arg(sample.Name).arg(angle).arg(dpi));
                ASSERT_TRUE(RenderBarCode(*code, dpi).save(file));
                files << file;
                expected[file] = sample.Expected;
            }
            // A printer band at 600 dpi: the bars get the printer's width reduction.
            {
                SetPrintOutput(true);
                const QImage band = RenderBarCode(*code, 600);
                SetPrintOutput(false);
                const QString file =
                    dir.filePath(QStringLiteral("%1_%2_band600.png").arg(sample.Name).arg(angle));
                ASSERT_TRUE(band.save(file));
                files << file;
                expected[file] = sample.Expected;
            }
            // Printed to PDF at 600 dpi, read back at 300 by poppler.
            const QString pdf = dir.filePath(QStringLiteral("%1_%2.pdf").arg(sample.Name).arg(angle));
            WriteFileBytes(pdf, RenderBarCodePdf(*code, 600));
            const QString base = dir.filePath(QStringLiteral("%1_%2_pdf").arg(sample.Name).arg(angle));
            const ProcessResult run =
                RunProgram(QStringLiteral("pdftoppm"),
                           {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"),
                            QStringLiteral("-singlefile"), pdf, base});
            ASSERT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
            files << base + QStringLiteral(".png");
            expected[base + QStringLiteral(".png")] = sample.Expected;
        }
    }
    const TDecodes decodes = DecodeFiles(files);
    int passed = 0;
    for (const QString& file : files) {
        const QString want = QString::fromLatin1(expected[file].toHex());
        EXPECT_EQ(decodes.ZBar.at(file), want) << "ZBar " << QFileInfo(file).fileName().toStdString();
        EXPECT_EQ(decodes.ZXing.at(file), want) << "ZXing " << QFileInfo(file).fileName().toStdString();
        passed += decodes.ZBar.at(file) == want && decodes.ZXing.at(file) == want;
    }
    EXPECT_EQ(passed, files.size());
    // The decoders saw the symbology that was drawn.
    for (const QString& file : files) {
        const QString name = QFileInfo(file).fileName();
        if (name.startsWith(u"c128"))
            EXPECT_EQ(decodes.ZXingKind.at(file), QStringLiteral("Code128")) << name.toStdString();
        else if (name.startsWith(u"c39"))
            EXPECT_EQ(decodes.ZXingKind.at(file), QStringLiteral("Code39")) << name.toStdString();
        else if (name.startsWith(u"jan8"))
            EXPECT_EQ(decodes.ZBarKind.at(file), QStringLiteral("EAN-8")) << name.toStdString();
        else
            EXPECT_EQ(decodes.ZBarKind.at(file), QStringLiteral("EAN-13")) << name.toStdString();
    }
    if (!qEnvironmentVariableIsEmpty("VELMO_BARCODE_SHOTS")) {
        const QString keep = qEnvironmentVariable("VELMO_BARCODE_SHOTS");
        QDir().mkpath(keep);
        for (const QString& file : files)
            QFile::copy(file, keep + u'/' + QFileInfo(file).fileName());
    }
}

TEST(Decode, PdfBarsAreVectorRectangles)
{
    QTemporaryDir dir;
    for (const int angle : {0, 90}) {
        auto code = MakeBarCode(bkCode128, QStringLiteral("VECTOR"), {0, 0, 400, 120}, angle, false);
        const QString pdf = dir.filePath(QStringLiteral("v%1.pdf").arg(angle));
        WriteFileBytes(pdf, RenderBarCodePdf(*code, 1200));
        const ProcessResult run = RunProgram(
            QStringLiteral("/usr/bin/python3"),
            {SourceDir() + QStringLiteral("/tests/barcode/decode.py"), QStringLiteral("--pdf-ops"), pdf});
        ASSERT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
        const QJsonObject ops = QJsonDocument::fromJson(run.StdOut).object();
        // Start, 6 data characters, check and stop: 3 bars each, 4 for the stop; and
        // the white background. The bars are one fill, the background another.
        EXPECT_EQ(ops.value(QStringLiteral("rects")).toInt(), 8 * 3 + 4 + 1) << angle;
        EXPECT_EQ(ops.value(QStringLiteral("fills")).toInt(), 2) << angle;
        EXPECT_EQ(ops.value(QStringLiteral("images")).toInt(), 0) << angle;
    }
}

// At angles off the axes the bars are turned polygons; the decoders look along rows
// and columns only, so ImageMagick turns the picture back first.
TEST(Decode, SymbolsAtOtherAnglesTurnedBack)
{
    QTemporaryDir dir;
    QStringList files;
    std::map<QString, QByteArray> expected;
    struct Turned
    {
        int Kind;
        QString Code;
        QByteArray Expected;
        int Width;
    };
    const Turned symbols[] = {
        {bkJAN, QStringLiteral("4901234567894"), "4901234567894", 400},
        {bkCode39, QStringLiteral("CODE-39"), "CODE-39", 700},
        {bkCode128, QStringLiteral("Turn^{HT}128"), "Turn\t128", 700},
    };
    for (const Turned& t : symbols) {
        for (const int angle : {30, 45, -20}) {
            auto code = MakeBarCode(t.Kind, QString(), {0, 0, t.Width, 150}, angle);
            if (t.Kind == bkCode128)
                code->SetCodeBytes(Code128Bytes(t.Code));
            else
                code->SetJANCode(t.Code);
            const QString turned = dir.filePath(QStringLiteral("t%1_%2.png").arg(t.Kind).arg(angle + 100));
            ASSERT_TRUE(RenderBarCode(*code, 400).save(turned));
            const QString back = dir.filePath(QStringLiteral("b%1_%2.png").arg(t.Kind).arg(angle + 100));
            const ProcessResult run = RunProgram(
                QStringLiteral("convert"), {turned, QStringLiteral("-background"), QStringLiteral("white"),
                                            QStringLiteral("-rotate"), QString::number(-angle), back});
            ASSERT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
            files << back;
            expected[back] = t.Expected;
        }
    }
    const TDecodes decodes = DecodeFiles(files);
    for (const QString& file : files) {
        const QString want = QString::fromLatin1(expected[file].toHex());
        EXPECT_EQ(decodes.ZBar.at(file), want) << "ZBar " << QFileInfo(file).fileName().toStdString();
        EXPECT_EQ(decodes.ZXing.at(file), want) << "ZXing " << QFileInfo(file).fileName().toStdString();
    }
}
