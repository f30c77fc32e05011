#pragma once
// The common value classes that persistent objects embed (string lists, fonts,
// pictures), the picture-format registry, and the identifier tables of colours,
// font character sets and cursors.
#include "base/UClasses.h"
#include <QByteArray>
#include <QImage>
#include <QStringList>
#include <functional>
#include <memory>

namespace velmo {

// ---------------------------------------------------------------------------------
// Colours, character sets, cursors

using TColor = int32_t; // 0x00BBGGRR; the top bit set names a system colour

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clSystemColor = TColor(0x80000000u);
constexpr TColor clWindow = clSystemColor + 5;
constexpr TColor clWindowText = clSystemColor + 8;
constexpr TColor clBtnFace = clSystemColor + 15;
constexpr TColor clNone = 0x1FFFFFFF;

constexpr int ANSI_CHARSET = 0;
constexpr int DEFAULT_CHARSET = 1;
constexpr int SHIFTJIS_CHARSET = 128;

constexpr int crDefault = 0;
constexpr int crHandPoint = -21;

const TIdentTable& ColorIdents();
const TIdentTable& CharsetIdents();
const TIdentTable& CursorIdents();

// ---------------------------------------------------------------------------------
// TStrings: a list of lines, written as the custom property "Strings" (a list of
// string values) only when it holds lines.

class TStrings : public TPersistent
{
    VELMO_PERSISTENT(TStrings, TPersistent)
public:
    TStrings() = default;
    explicit TStrings(QStringList lines) : FLines(std::move(lines)) {}

    const QStringList& Lines() const { return FLines; }
    void SetLines(const QStringList& lines);
    int Count() const { return int(FLines.size()); }
    const QString& operator[](int index) const { return FLines.at(index); }
    void Add(const QString& line);
    void Clear();
    // Lines joined with "\r\n", each ended by it; SetText splits at CR LF, CR or LF.
    QString Text() const;
    void SetText(const QString& text);

    void Assign(const TPersistent& source) override;
    // Called after every change.
    std::function<void()> OnChange;

private:
    bool HasStrings() const { return !FLines.isEmpty(); }
    void WriteStrings(TWriter& writer) const;
    void ReadStrings(TReader& reader);
    void Changed();

    QStringList FLines;
};

// ---------------------------------------------------------------------------------
// TFont

enum class TFontPitch
{
    fpDefault,
    fpVariable,
    fpFixed
};

enum TFontStyle : uint32_t
{
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8
};
using TFontStyles = uint32_t; // a set of TFontStyle bits

class TFont : public TPersistent
{
    VELMO_PERSISTENT(TFont, TPersistent)
public:
    TFont() = default;

    int Charset() const { return FCharset; }
    void SetCharset(int value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    // Negative: character height in pixels; positive: cell height.
    int Height() const { return FHeight; }
    void SetHeight(int value);
    const QString& Name() const { return FName; }
    void SetName(const QString& value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch value);
    // Points, derived from Height at PixelsPerInch.
    int Size() const;
    void SetSize(int points);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles value);
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int value) { FPixelsPerInch = value > 0 ? value : 96; }

    void Assign(const TPersistent& source) override;
    bool operator==(const TFont& other) const;
    std::function<void()> OnChange;

private:
    void Changed();

    int FCharset = DEFAULT_CHARSET;
    TColor FColor = clWindowText;
    int FHeight = -12;
    QString FName = QStringLiteral("ＭＳ Ｐゴシック");
    TFontPitch FPitch = TFontPitch::fpDefault;
    TFontStyles FStyle = 0;
    int FPixelsPerInch = 96;
};

// ---------------------------------------------------------------------------------
// Graphics and pictures

// The change handler of a graphic. A copy of a graphic starts without one: the
// handler belongs to whoever holds the original (usually its picture), and a copy
// calling back into that holder would report changes that did not happen there.
class TGraphicChangeEvent : public std::function<void()>
{
public:
    using std::function<void()>::function;
    using std::function<void()>::operator=;
    TGraphicChangeEvent() = default;
    TGraphicChangeEvent(const TGraphicChangeEvent&) noexcept : std::function<void()>() {}
    TGraphicChangeEvent& operator=(const TGraphicChangeEvent&) noexcept { return *this; }
};

// A picture format. The imaging subsystem supplies richer classes; these hold the
// file bytes they were read from and decode them on demand.
class TGraphic
{
public:
    virtual ~TGraphic() = default;
    // The name written into pictures ("TBitmap", "TJPEGImage").
    virtual QString GraphicClassName() const = 0;
    virtual bool Empty() const = 0;
    // The graphic's own data in a picture: by default a 4-byte length and the bytes
    // of a complete file. Reading never takes more than the stream holds.
    virtual void ReadData(TStream& stream);
    virtual void WriteData(TStream& stream) const;
    // The file bytes (a BMP or JPEG file).
    virtual QByteArray FileBytes() const = 0;
    virtual void SetFileBytes(const QByteArray& bytes) = 0;
    // Decoded; a null image when the bytes do not decode.
    virtual QImage Image() const = 0;
    virtual std::unique_ptr<TGraphic> Clone() const = 0;
};

// A graphic kept as the bytes of its file, decoded with the toolkit.
class TFileGraphic : public TGraphic
{
public:
    bool Empty() const override { return FBytes.isEmpty(); }
    QByteArray FileBytes() const override { return FBytes; }
    void SetFileBytes(const QByteArray& bytes) override { FBytes = bytes; }
    QImage Image() const override;

protected:
    virtual const char* Format() const = 0;
    QByteArray FBytes;
};

// A BMP file.
class TBitmap : public TFileGraphic
{
public:
    QString GraphicClassName() const override { return QStringLiteral("TBitmap"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TBitmap>(*this); }
    // Encodes the image as a BMP file.
    void SetImage(const QImage& image);

protected:
    const char* Format() const override { return "BMP"; }
};

// JPEG file bytes.
class TJPEGImage : public TFileGraphic
{
public:
    QString GraphicClassName() const override { return QStringLiteral("TJPEGImage"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TJPEGImage>(*this); }

protected:
    const char* Format() const override { return "JPG"; }
};

// The registered picture formats, found by class name (case-insensitive).
using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;
void RegisterGraphicClass(const QString& className, TGraphicFactory factory);
std::unique_ptr<TGraphic> CreateGraphic(QStringView className); // nullptr when unknown

// A picture holding at most one graphic; written as the binary custom property
// "Data": the graphic's class name as a short string, then the graphic's data.
class TPicture : public TPersistent
{
    VELMO_PERSISTENT(TPicture, TPersistent)
public:
    TPicture() = default;
    TGraphic* Graphic() const { return FGraphic.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    bool HasGraphic() const { return FGraphic && !FGraphic->Empty(); }
    void Clear() { SetGraphic(nullptr); }
    void Assign(const TPersistent& source) override;
    std::function<void()> OnChange;

    void WriteData(TStream& stream) const;
    // A class name that is not registered leaves the picture empty.
    void ReadData(TStream& stream);

protected:
    // Runs after every change of the graphic; derived pictures add their own
    // notification.
    virtual void Changed();
    // Replaces the graphic without reporting a change.
    void ReplaceGraphic(std::unique_ptr<TGraphic> graphic) { FGraphic = std::move(graphic); }

private:
    std::unique_ptr<TGraphic> FGraphic;
};

} // namespace velmo
