#include "cli/UToolBarCode.h"
#include "barcode/UBarCode.h"
#include "barcode/UJANCode.h"
#include "barcode/ULOBarCode.h"
#include "barcode/ULOZintBarCode.h"
#include "barcode/UZintSymbol.h"
#include "cli/UToolCommands.h"
#include "draw/UCanvas.h"
#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextStream>

namespace velmo::tool {
namespace {

constexpr int kMaxPixels = 20000; // per side; larger pictures are refused, not allocated
constexpr int kMargin = 20;       // 2 mm of white around the symbol

QString ZintKindNames()
{
    QStringList names;
    for (const TSymbologyInfo& info : Symbologies())
        names << QString::fromLatin1(info.Key);
    return names.join(QStringLiteral(", "));
}

// The --ecc value as the object stores it, or -1.
int ErrorLevelValue(int id, const QString& text)
{
    const QString t = text.toUpper();
    bool ok = false;
    const int n = t.toInt(&ok);
    if (id == 55) // PDF417: the security level, stored one higher (0 is automatic)
        return ok && n >= 0 && n <= 8 ? n + 1 : -1;
    if (ok)
        return n >= 1 && n <= 4 ? n : -1;
    const int letter = QStringLiteral("LMQH").indexOf(t);
    return t.size() == 1 && letter >= 0 ? letter + 1 : -1;
}

// Draws a libzint symbology through TLOZintBarCode.
int CommandZintBarCode(const TSymbologyInfo& info, const QString& data, const QString& out,
                       const QString& pdf, int dpi, int angle, int width, int height, bool digits, bool frame,
                       const QString& face, int points, double moduleMm, const QString& ecc, int version,
                       bool quietZone);

int Usage()
{
    QTextStream(stderr)
        << "usage: velmo-tool barcode KIND DATA OUT.png [--dpi N] [--angle DEG] [--size W,H] [--pdf "
           "OUT.pdf]\n"
           "           [--no-digits] [--check] [--frame] [--ratio N] [--font FACE] [--size-pt PT]\n"
           "           [--module MM] [--ecc L|M|Q|H|N] [--version N] [--no-quiet-zone]\n"
           "  KIND: jan, code39 or code128 (or 0, 1, 2), or one of\n"
           "        "
        << ZintKindNames()
        << "\n"
           "  lengths in 0.1 mm; --module: the module width in mm (0.1 to 10)\n"
           "  --ecc: QR L/M/Q/H, Micro QR L/M/Q, Aztec 1-4, PDF417 security level 0-8\n"
           "  --version: QR version, Micro QR M1-M4 as 1-4, Data Matrix size 1-30, PDF417 columns\n"
           "  jan: 7 or 12 digits get their check digit, 8 or 13 must carry the right one\n"
           "  code128: printable ASCII, \"^^\" for \"^\", ^{NAME} for NUL..US, DEL, FNC1..FNC4\n"
           "  --check: the Code 39 check character; --ratio: Code 39 wide element, 200-300\n";
    return kExitUsage;
}

// Grid units of the symbol and the units of its narrowest element, for the default size.
int64_t DefaultWidth(const TLOBarCode& code)
{
    switch (code.BarKind()) {
    case bkJAN:
        return code.JANCode().size() == 8 ? 81 * 3 : 109 * 3; // 0.3 mm modules
    case bkCode39: {
        const int64_t n = Code39UpperCase(code.JANCode()).size() + 2 + (code.AddCheckDigit() ? 1 : 0);
        const int64_t units = (4 * int64_t(code.ElementRatio()) + 600) * n + 1400;
        return units * 25 / 1000; // 0.25 mm narrow elements
    }
    default: {
        const std::vector<int> symbols = Code128Symbols(code.CodeBytes());
        return int64_t(symbols.size() + 1) * 12 * 3 + 19 * 3; // 0.3 mm modules
    }
    }
}

// Draws the object into OUT.png (and OUT.pdf) with a 2 mm margin; gives the
// picture's size. False after a reported error.
bool WriteBarCodePictures(TLOBarCode& code, const QString& png, const QString& pdf, int dpi,
                          int64_t* pixelWidth, int64_t* pixelHeight)
{
    const TLogRect bounds = code.GetEncloseRect();
    const TLogRect area{bounds.Left - kMargin, bounds.Top - kMargin, bounds.Right + kMargin,
                        bounds.Bottom + kMargin};
    const int64_t pw = (int64_t(area.Width()) * dpi + 253) / 254;
    const int64_t ph = (int64_t(area.Height()) * dpi + 253) / 254;
    if (pw > kMaxPixels || ph > kMaxPixels) {
        ReportError(QStringLiteral("the picture would be %1 x %2 pixels; at most %3 per side")
                        .arg(pw)
                        .arg(ph)
                        .arg(kMaxPixels));
        return false;
    }
    QImage image(int(pw), int(ph), QImage::Format_RGB32);
    image.fill(Qt::white);
    SetImageDPI(image, dpi);
    const double scale = dpi / 254.0;
    {
        QPainter painter(&image);
        painter.setTransform(QTransform(scale, 0, 0, scale, -area.Left * scale, -area.Top * scale));
        code.DrawTo(painter);
    }
    if (!WritePngFile(png, image))
        return false;

    if (!pdf.isEmpty()) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        {
            QPdfWriter writer(&buffer);
            writer.setResolution(dpi);
            writer.setPageSize(
                QPageSize(QSizeF(area.Width() / 10.0, area.Height() / 10.0), QPageSize::Millimeter));
            writer.setPageMargins(QMarginsF(0, 0, 0, 0));
            writer.setCreator(QStringLiteral("velmo-tool"));
            QPainter painter(&writer);
            painter.setTransform(QTransform(scale, 0, 0, scale, -area.Left * scale, -area.Top * scale));
            code.DrawTo(painter);
        }
        if (!WriteOutputFile(pdf, bytes))
            return false;
    }

    *pixelWidth = pw;
    *pixelHeight = ph;
    return true;
}

} // namespace

int CommandBarCode(const QStringList& arguments)
{
    QStringList positional;
    int dpi = 600, angle = 0, width = -1, height = 150, ratio = 250, points = 10;
    bool digits = true, check = false, frame = false;
    QString pdf, face, ecc;
    double moduleMm = 0;
    int version = 0;
    bool quietZone = true, sizeGiven = false;
    const int end = OptionEnd(arguments);
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (i >= end) {
            if (i > end)
                positional << a;
            continue;
        }
        auto next = [&](QString* value) {
            if (i + 1 >= arguments.size())
                return false;
            *value = arguments[++i];
            return true;
        };
        QString v;
        if (a == u"--dpi") {
            if (!next(&v) || !ToInt(v, &dpi, 10, 4800))
                return Usage();
        } else if (a == u"--angle") {
            if (!next(&v) || !ToInt(v, &angle, -3600, 3600))
                return Usage();
        } else if (a == u"--size") {
            const QStringList parts = next(&v) ? v.split(u',') : QStringList();
            if (parts.size() != 2 || !ToInt(parts[0], &width, 1, 100000) ||
                !ToInt(parts[1], &height, 1, 100000))
                return Usage();
            sizeGiven = true;
        } else if (a == u"--pdf") {
            if (!next(&pdf))
                return Usage();
        } else if (a == u"--no-digits") {
            digits = false;
        } else if (a == u"--check") {
            check = true;
        } else if (a == u"--frame") {
            frame = true;
        } else if (a == u"--ratio") {
            if (!next(&v) || !ToInt(v, &ratio, kMinElementRatio, kMaxElementRatio))
                return Usage();
        } else if (a == u"--font") {
            if (!next(&face))
                return Usage();
        } else if (a == u"--size-pt") {
            if (!next(&v) || !ToInt(v, &points, 1, 200))
                return Usage();
        } else if (a == u"--module") {
            bool ok = false;
            moduleMm = next(&v) ? v.toDouble(&ok) : 0;
            if (!ok || !(moduleMm >= 0.1 && moduleMm <= 10)) {
                ReportError(QStringLiteral("--module takes a width in mm from 0.1 to 10"));
                return Usage();
            }
        } else if (a == u"--ecc") {
            if (!next(&ecc))
                return Usage();
        } else if (a == u"--version") {
            if (!next(&v) || !ToInt(v, &version, 1, 40))
                return Usage();
        } else if (a == u"--no-quiet-zone") {
            quietZone = false;
        } else if (a.startsWith(u"--")) {
            ReportError(QStringLiteral("unknown option \"%1\"").arg(a));
            return Usage();
        } else {
            positional << a;
        }
    }
    if (positional.size() != 3)
        return Usage();
    const QString kindName = positional[0].toLower();
    int kind = -1;
    if (kindName == u"jan" || kindName == u"0")
        kind = bkJAN;
    else if (kindName == u"code39" || kindName == u"1")
        kind = bkCode39;
    else if (kindName == u"code128" || kindName == u"2")
        kind = bkCode128;
    if (kind < 0) {
        if (const TSymbologyInfo* info = FindSymbologyByKey(kindName))
            return CommandZintBarCode(*info, positional[1], positional[2], pdf, dpi, angle,
                                      sizeGiven ? width : -1, sizeGiven ? height : -1, digits, frame, face,
                                      points, moduleMm, ecc, version, quietZone);
        ReportError(QStringLiteral("unknown barcode kind \"%1\"").arg(positional[0]));
        return Usage();
    }

    if (moduleMm > 0 || !ecc.isEmpty() || version > 0 || !quietZone) {
        ReportError(
            QStringLiteral("--module, --ecc, --version and --no-quiet-zone are for the libzint kinds"));
        return Usage();
    }
    TLOBarCode code;
    code.SetBarKind(kind);
    code.SetAddCheckDigit(check);
    code.SetElementRatio(ratio);
    code.SetShowNumber(digits);
    code.SetShowFrame(frame);
    code.Font()->SetColor(clBlack);
    if (!face.isEmpty())
        code.Font()->SetName(face);
    code.Font()->SetSize(points);
    const QString& data = positional[1];
    // The same checks as the barcode dialog, with the reason spelled out.
    switch (kind) {
    case bkJAN:
        if (!IsAcceptableJAN(data)) {
            ReportError(
                QStringLiteral("バーコードが正しくありません。 (JAN: 7 or 12 digits, or 8 or 13 with the "
                               "right check digit %1)")
                    .arg(JANCheckDigit(data) >= 0 ? QString::number(JANCheckDigit(data))
                                                  : QStringLiteral("-")));
            return kExitFailure;
        }
        code.SetJANCode(NormalizeJAN(data));
        break;
    case bkCode39:
        if (!IsValidCode39(data)) {
            ReportError(
                QStringLiteral("バーコードが正しくありません。 (Code 39: 0-9, A-Z, - . space $ / + %)"));
            return kExitFailure;
        }
        code.SetJANCode(data);
        break;
    default: {
        QByteArray bytes;
        if (!Code128FromText(data, &bytes)) {
            ReportError(QStringLiteral("cannot read \"%1\" as Code 128 data").arg(data));
            return kExitFailure;
        }
        if (!IsValidCode128(bytes)) {
            ReportError(QStringLiteral(
                "バーコードが正しくありません。 (Code 128: empty, or a byte without a data value)"));
            return kExitFailure;
        }
        code.SetCodeBytes(bytes);
        break;
    }
    }
    if (width < 0)
        width = int(std::clamp<int64_t>(DefaultWidth(code), 100, 100000));
    code.SetBaseRect({0, 0, width, height});
    code.SetAngleValue(angle);

    int64_t pw = 0, ph = 0;
    if (!WriteBarCodePictures(code, positional[2], pdf, dpi, &pw, &ph))
        return kExitFailure;

    QTextStream out(stdout);
    out << "kind " << kindName << ", stored code \""
        << (kind == bkCode128 ? Code128ToText(code.CodeBytes()) : code.JANCode()) << "\", rectangle " << width
        << " x " << height << " (0.1 mm), " << pw << " x " << ph << " pixels at " << dpi << " dpi\n";
    if (kind == bkCode128) {
        out << "symbol characters:";
        for (const int s : Code128Symbols(code.CodeBytes()))
            out << ' ' << s;
        out << " 106\n";
    } else if (kind == bkCode39 && check) {
        out << "check character: " << Code39CheckCharacter(data) << "\n";
    }
    return kExitOk;
}

namespace {

int CommandZintBarCode(const TSymbologyInfo& info, const QString& data, const QString& out,
                       const QString& pdf, int dpi, int angle, int width, int height, bool digits, bool frame,
                       const QString& face, int points, double moduleMm, const QString& ecc, int version,
                       bool quietZone)
{
    TLOZintBarCode code;
    code.SetSymbology(info.Id);
    code.SetShowNumber(digits);
    code.SetShowFrame(frame);
    code.SetQuietZone(quietZone);
    code.Font()->SetColor(clBlack);
    if (!face.isEmpty())
        code.Font()->SetName(face);
    code.Font()->SetSize(points);
    if (!ecc.isEmpty()) {
        const int level = (info.Options & soErrorLevel) ? ErrorLevelValue(info.Id, ecc) : -1;
        if (level < 0) {
            ReportError(QStringLiteral("--ecc %1 is no error correction level of %2")
                            .arg(ecc, QString::fromLatin1(info.Key)));
            return kExitUsage;
        }
        code.SetErrorLevel(level);
    }
    if (version > 0) {
        const std::vector<TSymbolChoice> sizes = SizeChoices(info.Id);
        if (version >= int(sizes.size())) {
            ReportError(QStringLiteral("--version %1 is no size of %2")
                            .arg(version)
                            .arg(QString::fromLatin1(info.Key)));
            return kExitUsage;
        }
        code.SetSymbolSize(version);
    }
    code.SetJANCode(data);
    const TEncodedSymbol symbol = code.Encoded();
    if (!symbol.Valid) {
        ReportError(symbol.Error);
        return kExitFailure;
    }
    // Without a module width the symbol is laid out at a customary one and fitted.
    const int module = moduleMm > 0                           ? int(std::lround(moduleMm * 100))
                       : info.Id == 76                        ? 60 // the Japan Post bar pitch of 1.2 mm
                       : info.Shape == TSymbolShape::ssLinear ? 33
                                                              : 50;
    if (moduleMm > 0)
        code.SetModuleSize(module);
    const int frameMargin = frame ? 20 : 0;
    if (width < 0) {
        width = int(std::ceil(symbol.Size.width() * module / 10.0)) + frameMargin;
        if (info.Shape == TSymbolShape::ssLinear) {
            height = 150 + frameMargin;
        } else {
            height = int(std::ceil(symbol.Size.height() * module / 10.0)) + frameMargin;
        }
    }
    code.SetBaseRect({0, 0, std::clamp(width, 1, 100000), std::clamp(height, 1, 100000)});
    code.SetAngleValue(angle);

    int64_t pw = 0, ph = 0;
    if (!WriteBarCodePictures(code, out, pdf, dpi, &pw, &ph))
        return kExitFailure;
    QTextStream stream(stdout);
    stream << "kind " << info.Key << ", data \"" << data << "\"";
    if (!symbol.HumanText.isEmpty())
        stream << ", text \"" << symbol.HumanText << "\"";
    stream << ", " << symbol.Size.width() << " x " << symbol.Size.height() << " modules, rectangle " << width
           << " x " << height << " (0.1 mm), " << pw << " x " << ph << " pixels at " << dpi << " dpi\n";
    return kExitOk;
}

} // namespace

} // namespace velmo::tool
