#pragma once
// Code 39 and Code 128 symbols.
//
// Code 39 data is text of the 43-character set ("0"-"9", "A"-"Z", "-", ".", space,
// "$", "/", "+", "%"); lower-case a-z count as their capitals. "*" is the start and
// stop character and never data.
//
// Code 128 data is bytes, each one symbol character of code set A or B: printable
// ASCII stands for itself, 0xC0-0xDF are the control characters NUL to US, 0xA8 DEL,
// 0xA0 FNC3, 0xA1 FNC2, 0xA5 FNC4 and 0xA6 FNC1. The drawing chooses the code set:
// it starts in A when the first byte has a value there, else in B, and switches with
// CODE A / CODE B wherever a byte has no value in the current set. The table also
// gives values to the bytes of SHIFT (0xA2), CODE C (0xA3), CODE B (0xA4) and CODE A
// (0xA7), but as data they would change how a scanner reads what follows while the
// drawing goes on in its own set: texts holding them are not valid and draw nothing.
#include "barcode/UJANCode.h"
#include <QByteArray>
#include <QString>

namespace velmo {

// ---- Code 39

// 0 to 42, or -1 for a character outside the set (exact match, upper case).
int Code39Value(QChar character);
// The character of a value (43: "*").
QChar Code39Character(int value);
// The nine elements of a value (0-42, 43 the start/stop character): "1" narrow bar,
// "0" narrow space, "b" wide bar, "w" wide space.
const char* Code39Pattern(int value);
// Only a-z are upper-cased: the set is ASCII, and upper-casing beyond it would turn
// characters into others that are in it ("ß" into "SS").
QString Code39UpperCase(const QString& text);
// Not empty, and every character of the upper-case form in the set.
bool IsValidCode39(const QString& text);
// The modulo-43 check character of a valid text.
QChar Code39CheckCharacter(const QString& text);
// The element ratios the drawing accepts (wide in hundredths of narrow); others
// draw at the default.
constexpr int kMinElementRatio = 200;
constexpr int kMaxElementRatio = 300;
constexpr int kDefaultElementRatio = 250;

// ---- Code 128

enum class TCode128Set
{
    csA,
    csB
};
// 0 to 102, or -1 when the byte has no value in the set.
int Code128Value(unsigned char byte, TCode128Set set);
// The 11-module pattern of a value 0-105, and "1100011101011" for the stop (106).
const char* Code128Pattern(int value);
constexpr int kCode128StartA = 103;
constexpr int kCode128StartB = 104;
constexpr int kCode128Stop = 106;
constexpr int kCode128CodeA = 101; // in set B
constexpr int kCode128CodeB = 100; // in set A
// Bytes of the symbology's own controls, refused as data.
bool IsCode128ControlByte(unsigned char byte);
// Not empty, and every byte a data byte with a value in set A or in set B.
bool IsValidCode128(const QByteArray& data);
// The symbol characters the drawing makes for valid data, start and check included,
// stop excluded (for tests and tools).
std::vector<int> Code128Symbols(const QByteArray& data);

// Special bytes of Code 128 data.
constexpr unsigned char kCode128FNC1 = 0xA6;
constexpr unsigned char kCode128FNC2 = 0xA1;
constexpr unsigned char kCode128FNC3 = 0xA0;
constexpr unsigned char kCode128FNC4 = 0xA5;
constexpr unsigned char kCode128DEL = 0xA8;
constexpr unsigned char kCode128ControlBase = 0xC0; // NUL; + n for control n (0-31)

// The text form of Code 128 data for people and command lines: printable ASCII as it
// is, "^" followed by a name in braces for the rest ("^{HT}", "^{FNC1}", "^{DEL}"),
// and "^^" for "^" itself. Parsing gives false for an unknown name.
QString Code128ToText(const QByteArray& data);
bool Code128FromText(const QString& text, QByteArray* data);

class TBarCode39 : public TBarCodeDrawer
{
public:
    TBarCode39(TTextCanvas& canvas, const TLogRect& rect, int elementRatio, bool addCheck, bool showFrame,
               bool showDigits, int angle);
    void Draw(const QString& text);

private:
    int64_t Character(int64_t position, int value, QChar shown);
    int FRatio;
    bool FAddCheck;
    int FBottom = 0;
};

class TBarCode128 : public TBarCodeDrawer
{
public:
    TBarCode128(TTextCanvas& canvas, const TLogRect& rect, bool showFrame, bool showDigits, int angle);
    void Draw(const QByteArray& data);

private:
    int64_t Symbol(int64_t module, int value);
    TCode128Set FSet = TCode128Set::csA;
    int FWeight = 1;
    int64_t FSum = 0;
    int FBottom = 0;
};

void DrawCode39(TTextCanvas& canvas, const QString& text, const TLogRect& rect, int elementRatio,
                bool addCheck, bool showFrame, bool showDigits, int angle);
void DrawCode128(TTextCanvas& canvas, const QByteArray& data, const TLogRect& rect, bool showFrame,
                 bool showDigits, int angle);

} // namespace velmo
