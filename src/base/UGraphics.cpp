#include "base/UGraphics.h"
#include "base/UNumbers.h"
#include <QBuffer>
#include <QHash>
#include <mutex>

namespace velmo {

// ---------------------------------------------------------------------------------
// Identifier tables

const TIdentTable& ColorIdents()
{
    static const TIdentTable table{
        {"clBlack", clBlack},
        {"clMaroon", clMaroon},
        {"clGreen", clGreen},
        {"clOlive", clOlive},
        {"clNavy", clNavy},
        {"clPurple", clPurple},
        {"clTeal", clTeal},
        {"clGray", clGray},
        {"clSilver", clSilver},
        {"clRed", clRed},
        {"clLime", clLime},
        {"clYellow", clYellow},
        {"clBlue", clBlue},
        {"clFuchsia", clFuchsia},
        {"clAqua", clAqua},
        {"clWhite", clWhite},
        {"clScrollBar", clSystemColor + 0},
        {"clBackground", clSystemColor + 1},
        {"clActiveCaption", clSystemColor + 2},
        {"clInactiveCaption", clSystemColor + 3},
        {"clMenu", clSystemColor + 4},
        {"clWindow", clSystemColor + 5},
        {"clWindowFrame", clSystemColor + 6},
        {"clMenuText", clSystemColor + 7},
        {"clWindowText", clSystemColor + 8},
        {"clCaptionText", clSystemColor + 9},
        {"clActiveBorder", clSystemColor + 10},
        {"clInactiveBorder", clSystemColor + 11},
        {"clAppWorkSpace", clSystemColor + 12},
        {"clHighlight", clSystemColor + 13},
        {"clHighlightText", clSystemColor + 14},
        {"clBtnFace", clSystemColor + 15},
        {"clBtnShadow", clSystemColor + 16},
        {"clGrayText", clSystemColor + 17},
        {"clBtnText", clSystemColor + 18},
        {"clInactiveCaptionText", clSystemColor + 19},
        {"clBtnHighlight", clSystemColor + 20},
        {"cl3DDkShadow", clSystemColor + 21},
        {"cl3DLight", clSystemColor + 22},
        {"clInfoText", clSystemColor + 23},
        {"clInfoBk", clSystemColor + 24},
        {"clNone", clNone},
    };
    return table;
}

const TIdentTable& CharsetIdents()
{
    static const TIdentTable table{
        {"ANSI_CHARSET", 0},     {"DEFAULT_CHARSET", 1},      {"SYMBOL_CHARSET", 2},
        {"MAC_CHARSET", 77},     {"SHIFTJIS_CHARSET", 128},   {"HANGEUL_CHARSET", 129},
        {"JOHAB_CHARSET", 130},  {"GB2312_CHARSET", 134},     {"CHINESEBIG5_CHARSET", 136},
        {"GREEK_CHARSET", 161},  {"TURKISH_CHARSET", 162},    {"HEBREW_CHARSET", 177},
        {"ARABIC_CHARSET", 178}, {"BALTIC_CHARSET", 186},     {"RUSSIAN_CHARSET", 204},
        {"THAI_CHARSET", 222},   {"EASTEUROPE_CHARSET", 238}, {"OEM_CHARSET", 255},
    };
    return table;
}

const TIdentTable& CursorIdents()
{
    static const TIdentTable table{
        {"crDefault", 0},   {"crArrow", -2},    {"crCross", -3},     {"crIBeam", -4},    {"crSizeNESW", -6},
        {"crSizeNS", -7},   {"crSizeNWSE", -8}, {"crSizeWE", -9},    {"crUpArrow", -10}, {"crHourGlass", -11},
        {"crDrag", -12},    {"crNoDrop", -13},  {"crHSplit", -14},   {"crVSplit", -15},  {"crMultiDrag", -16},
        {"crSQLWait", -17}, {"crNo", -18},      {"crAppStart", -19}, {"crHelp", -20},    {"crHandPoint", -21},
        {"crSizeAll", -22}, {"crSize", -22},
    };
    return table;
}

// ---------------------------------------------------------------------------------
// TStrings

const TPropertyTable& TStrings::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Custom("Strings", &TStrings::HasStrings, &TStrings::WriteStrings, &TStrings::ReadStrings);
    return table;
}

void TStrings::SetLines(const QStringList& lines)
{
    FLines = lines;
    Changed();
}

void TStrings::Add(const QString& line)
{
    FLines.append(line);
    Changed();
}

void TStrings::Clear()
{
    if (FLines.isEmpty())
        return;
    FLines.clear();
    Changed();
}

QString TStrings::Text() const
{
    QString out;
    for (const QString& line : FLines) {
        out += line;
        out += QLatin1String("\r\n");
    }
    return out;
}

void TStrings::SetText(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < n)
        lines.append(text.mid(start));
    SetLines(lines);
}

void TStrings::Assign(const TPersistent& source)
{
    if (const auto* s = dynamic_cast<const TStrings*>(&source)) {
        SetLines(s->FLines);
        return;
    }
    TPersistent::Assign(source);
}

void TStrings::WriteStrings(TWriter& writer) const
{
    writer.WriteListBegin();
    for (const QString& line : FLines)
        writer.WriteString(line);
    writer.WriteListEnd();
}

void TStrings::ReadStrings(TReader& reader)
{
    QStringList lines;
    reader.ReadListBegin();
    while (!reader.EndOfList())
        lines.append(reader.ReadString());
    reader.ReadListEnd();
    SetLines(lines);
}

void TStrings::Changed()
{
    if (OnChange)
        OnChange();
}

// ---------------------------------------------------------------------------------
// TFont

const TPropertyTable& TFont::Properties()
{
    // No declared defaults: Charset, Color, Height and Style are always written.
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("Charset", &TFont::Charset, &TFont::SetCharset)
            .Idents(CharsetIdents())
            .Int("Color", &TFont::Color, &TFont::SetColor)
            .Idents(ColorIdents())
            .Int("Height", &TFont::Height, &TFont::SetHeight)
            .String("Name", &TFont::Name, &TFont::SetName)
            .Enum("Pitch", &TFont::Pitch, &TFont::SetPitch, {"fpDefault", "fpVariable", "fpFixed"})
            .Default(int(TFontPitch::fpDefault))
            .Int("Size", &TFont::Size, &TFont::SetSize)
            .StoredIf(false) // read from older files only
            .Set("Style", &TFont::Style, &TFont::SetStyle,
                 {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
    return table;
}

void TFont::SetCharset(int value)
{
    if (value == FCharset)
        return;
    FCharset = value;
    Changed();
}

void TFont::SetColor(TColor value)
{
    if (value == FColor)
        return;
    FColor = value;
    Changed();
}

void TFont::SetHeight(int value)
{
    if (value == FHeight)
        return;
    FHeight = value;
    Changed();
}

void TFont::SetName(const QString& value)
{
    if (value == FName)
        return;
    FName = value;
    Changed();
}

void TFont::SetPitch(TFontPitch value)
{
    if (value == FPitch)
        return;
    FPitch = value;
    Changed();
}

int TFont::Size() const
{
    return -MulDiv(FHeight, 72, FPixelsPerInch);
}

void TFont::SetSize(int points)
{
    SetHeight(-MulDiv(points, FPixelsPerInch, 72));
}

void TFont::SetStyle(TFontStyles value)
{
    value &= fsBold | fsItalic | fsUnderline | fsStrikeOut;
    if (value == FStyle)
        return;
    FStyle = value;
    Changed();
}

void TFont::Assign(const TPersistent& source)
{
    if (const auto* f = dynamic_cast<const TFont*>(&source)) {
        if (*this == *f && FPixelsPerInch == f->FPixelsPerInch)
            return;
        FCharset = f->FCharset;
        FColor = f->FColor;
        FHeight = f->FHeight;
        FName = f->FName;
        FPitch = f->FPitch;
        FStyle = f->FStyle;
        FPixelsPerInch = f->FPixelsPerInch;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

bool TFont::operator==(const TFont& other) const
{
    return FCharset == other.FCharset && FColor == other.FColor && FHeight == other.FHeight &&
           FName == other.FName && FPitch == other.FPitch && FStyle == other.FStyle;
}

void TFont::Changed()
{
    if (OnChange)
        OnChange();
}

// ---------------------------------------------------------------------------------
// Graphics

void TGraphic::ReadData(TStream& stream)
{
    const uint32_t size = stream.ReadUInt32();
    SetFileBytes(stream.ReadBytes(size)); // ReadBytes refuses sizes beyond the data
}

void TGraphic::WriteData(TStream& stream) const
{
    const QByteArray bytes = FileBytes();
    stream.WriteUInt32(uint32_t(bytes.size()));
    stream.WriteBytes(bytes);
}

QImage TFileGraphic::Image() const
{
    if (FBytes.isEmpty())
        return {};
    return QImage::fromData(FBytes, Format());
}

void TBitmap::SetImage(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.isNull())
        image.save(&buffer, "BMP");
    FBytes = bytes;
}

namespace {

struct GraphicRegistry
{
    std::mutex Lock;
    QHash<QString, TGraphicFactory> Factories;
    GraphicRegistry()
    {
        Factories.insert(QStringLiteral("tbitmap"), [] { return std::make_unique<TBitmap>(); });
        Factories.insert(QStringLiteral("tjpegimage"), [] { return std::make_unique<TJPEGImage>(); });
    }
};

GraphicRegistry& Graphics()
{
    static GraphicRegistry registry;
    return registry;
}

} // namespace

void RegisterGraphicClass(const QString& className, TGraphicFactory factory)
{
    GraphicRegistry& r = Graphics();
    std::lock_guard lock(r.Lock);
    r.Factories.insert(className.toCaseFolded(), std::move(factory));
}

std::unique_ptr<TGraphic> CreateGraphic(QStringView className)
{
    TGraphicFactory factory;
    {
        GraphicRegistry& r = Graphics();
        std::lock_guard lock(r.Lock);
        factory = r.Factories.value(className.toString().toCaseFolded());
    }
    return factory ? factory() : nullptr;
}

// ---------------------------------------------------------------------------------
// TPicture

const TPropertyTable& TPicture::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .BinaryCustom("Data", &TPicture::HasGraphic, &TPicture::WriteData, &TPicture::ReadData);
    return table;
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic)
{
    FGraphic = std::move(graphic);
    Changed();
}

void TPicture::Assign(const TPersistent& source)
{
    if (const auto* p = dynamic_cast<const TPicture*>(&source)) {
        SetGraphic(p->FGraphic ? p->FGraphic->Clone() : nullptr);
        return;
    }
    TPersistent::Assign(source);
}

void TPicture::WriteData(TStream& stream) const
{
    TWriter writer(stream);
    const QByteArray name = EncodeStreamText(FGraphic->GraphicClassName()).left(63);
    writer.WriteStrBytes(name);
    FGraphic->WriteData(stream);
}

void TPicture::ReadData(TStream& stream)
{
    TReader reader(stream);
    const QByteArray name = reader.ReadStrBytes();
    if (name.size() > 63)
        throw EReadError(InvalidPropertyValueMessage());
    std::unique_ptr<TGraphic> graphic = CreateGraphic(DecodeStreamText(name));
    if (graphic)
        graphic->ReadData(stream);
    SetGraphic(std::move(graphic));
}

void TPicture::Changed()
{
    if (OnChange)
        OnChange();
}

} // namespace velmo
