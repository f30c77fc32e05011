#pragma once
// The symbologies beyond JAN, Code 39 and Code 128: encoded by libzint, handed over
// as vector geometry in module units. Documents store a symbology by libzint's own
// number (BARCODE_QRCODE = 58 …), which that library keeps stable across versions;
// a number this table lacks is kept but draws nothing.
#include <QPainterPath>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringView>
#include <vector>

namespace velmo {

// How a symbol fills its rectangle.
enum class TSymbolShape
{
    ssLinear, // bars as tall as the rectangle allows, the width stretched to it
    ssFixed,  // matrix, stacked and postal symbols: one scale for both directions
};

// Which options a symbology takes (TZintOptions::ErrorLevel and Size).
enum TSymbolOptionKinds : unsigned
{
    soNone = 0,
    soErrorLevel = 1,
    soSize = 2,
};

struct TSymbologyInfo
{
    const char* Key;  // the name velmo-tool takes: "qr", "japanpost", …
    int Id;           // the stored number (libzint's)
    const char* Name; // what the dialog lists (UTF-8)
    TSymbolShape Shape;
    unsigned Options;
    const char* Sample; // data the dialog starts a new symbol with
};

// The symbologies offered, in the dialog's order.
const std::vector<TSymbologyInfo>& Symbologies();
const TSymbologyInfo* FindSymbology(int id);
const TSymbologyInfo* FindSymbologyByKey(const QString& key);

// The choices of the error level and size lists of a symbology: the stored value of
// each entry (0 is always "自動") and its caption.
struct TSymbolChoice
{
    int Value;
    QString Caption;
};
std::vector<TSymbolChoice> ErrorLevelChoices(int id);
std::vector<TSymbolChoice> SizeChoices(int id);

struct TZintOptions
{
    int ErrorLevel = 0; // 0 automatic; QR 1-4 (L, M, Q, H); Micro QR 1-3; Aztec 1-4;
                        // PDF417 1-9 (security level 0-8)
    int Size = 0;       // 0 automatic; QR version 1-40; Micro QR M1-M4; Data Matrix
                        // size 1-30; PDF417 data columns 1-30; Aztec size 1-36
    bool QuietZone = false;
    bool ShowText = true;
};

// A human-readable text of the symbol, in module units: Position is where libzint
// puts its baseline, aligned by Align (0 centre, 1 left, 2 right).
struct TSymbolText
{
    QPointF Position;
    int Align = 0;
    double Width = 0; // the room libzint gives it (0: no limit)
    QString Text;
};

struct TEncodedSymbol
{
    bool Valid = false;
    QString Error;      // why no symbol was made, in Japanese
    QPainterPath Dark;  // the dark modules joined into one path, module units
    QSizeF Size;        // width and height of the symbol with its quiet zones
    double BarsTop = 0; // the bars' extent across the symbol
    double BarsBottom = 0;
    int DarkRectangles = 0; // what libzint handed over, before joining
    std::vector<TSymbolText> Texts;
    QString HumanText; // the symbol's text with the check digits libzint added
};

// Encodes data. Text goes in as UTF-8: QR Code, Micro QR and the other symbologies
// that define a Japanese interpretation get Shift JIS (Kanji mode) when every
// character has a Shift JIS code, else UTF-8 with ECI 26 where the symbology has
// ECIs (libzint's choice; see docs/architecture.md). GS1-128 reads "[01]…" or
// "(01)…" application identifiers.
TEncodedSymbol EncodeSymbol(int id, const QString& data, const TZintOptions& options);

// The Japan Post form of an address number: full-width characters made half-width,
// letters upper case, spaces dropped, the postcode's hyphen and the one joining it to
// the address number taken out (neither is encoded), any dash made a hyphen.
QString NormalizeJapanPost(const QString& data);

// The Japanese message for a libzint refusal (its error code and text).
QString TranslateZintError(int id, int code, const QString& errorText);

} // namespace velmo
