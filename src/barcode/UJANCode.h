#pragma once
// JAN (EAN-13 and EAN-8) symbols: the check digit, validity and normalisation of
// code texts, and the drawing of a symbol into a rectangle at any angle.
//
// TBarCodeDrawer is what every symbology shares: the white background with its
// optional frame, the bar area, a grid of units laid over it, bars, and the
// human-readable text. Bars are placed on the device's pixel grid whenever the
// painter maps the symbol without turning it off the axes: every bar edge then lies
// on a whole device pixel, so the widths a scanner measures differ by at most one
// pixel from the grid's and printers get crisp edges (vector rectangles in PDF).
// At other angles the bars are the turned polygons of the logical grid.
#include "draw/UStroke.h"
#include "draw/UTransformer.h"
#include <QPainterPath>
#include <QPolygon>
#include <QString>
#include <QTransform>
#include <cstdint>
#include <vector>

class QPainter;

namespace velmo {

class TTextCanvas;

// The modulo-10 check digit of a JAN body (0 to 9), or -1 when the text is too
// short: fewer than 7 characters, or 9 to 11. Characters beyond the body are ignored.
int JANCheckDigit(const QString& code);
// Length 8 or 13, every character a digit, and the last one the check digit.
bool IsValidJAN(const QString& code);
// The body (7 or 12 characters) followed by its check digit, for texts of 7, 8, 12
// or 13 characters; every other length gives an empty text.
QString NormalizeJAN(const QString& code);
// The dialog's acceptance: all digits with 7 or 12 characters (the check digit is
// added on confirmation), or a valid code.
bool IsAcceptableJAN(const QString& code);

// The module patterns of the EAN tables ("1" a dark module).
const char* JANSetA(int digit);
const char* JANSetB(int digit);
const char* JANSetC(int digit);
// "O" (set A) and "E" (set B) for the six left digits, by the leading digit.
const char* JANParity(int leadingDigit);

// What every symbol drawing shares. One drawer is made for one drawing.
class TBarCodeDrawer
{
public:
    TBarCodeDrawer(TTextCanvas& canvas, const TLogRect& rect, int angle, bool showFrame, bool showDigits);
    virtual ~TBarCodeDrawer();
    TBarCodeDrawer(const TBarCodeDrawer&) = delete;
    TBarCodeDrawer& operator=(const TBarCodeDrawer&) = delete;

    int64_t GridUnits() const { return FUnits; }
    // Logical x of a grid position (the bar area's left + MulDiv(a, W, U)).
    int GridX(int64_t a) const;

protected:
    // The digits' font turned with the symbol; the white background and frame; the
    // bar area; the grid of units. Printed bars lose at most the narrowest element
    // (narrowUnits) divided by reductionDivisor to the bar width reduction.
    void Begin(int64_t units, int64_t narrowUnits, int reductionDivisor = 4);
    // A bar over the grid interval [a, b), from the bar area's top to bottom.
    void Bar(int64_t a, int64_t b, int bottom);
    // The bars of a pattern of "1" (dark) and "0" modules from grid position start,
    // each module unitsPerModule wide; returns the position after it.
    int64_t Pattern(int64_t start, const char* pattern, int bottom, int64_t unitsPerModule = 1);
    // A text centred over the group [a, b) of the grid, its top at bottom - height - 1.
    void TextOver(int64_t a, int64_t b, const QString& text);
    int TextHeight(const QString& text);

    TTextCanvas& FCanvas;
    QPainter* FPainter;
    TLogRect FRect;
    TLogRect FBarArea;
    TRotator FRotator;
    int FAngle;
    bool FShowFrame;
    bool FShowDigits;
    int64_t FUnits = 1;

private:
    QPolygon TurnedRect(int left, int top, int right, int bottom);
    // Fills the bars gathered so far: the whole symbol as one path, so that a PDF
    // page holds one fill per symbol rather than a state change per bar.
    void FlushBars();
    void SetUpDeviceGrid(int64_t narrowUnits, int reductionDivisor);
    // Device coordinate along / across the symbol of a symbol point.
    double DeviceAlong(double x) const;
    double DeviceAcross(double y) const;

    bool FAligned = false;
    int FQuarter = 0;
    QTransform FMapping;
    int64_t FAlong0 = 0, FAlong1 = 0; // device ends of the bar area along the symbol
    int FReduction = 0;
    std::vector<QRectF> FDeviceBars; // aligned bars, device pixels
    QPainterPath FTurnedBars;        // turned bars, logical units, outlined with a device pixel
};

// Draws a JAN symbol; a text of another length than 8 or 13, or one holding
// anything but digits, draws nothing at all.
class TJANCode : public TBarCodeDrawer
{
public:
    TJANCode(TTextCanvas& canvas, const TLogRect& rect, int angle, bool showFrame, bool showDigits);
    void Draw(const QString& code);

private:
    void Digit(int module, QChar digit);
    int64_t Guard(int64_t module, const char* pattern);
    int64_t Data(int64_t module, const char* pattern);
    int FDataBottom = 0;
    int FGuardBottom = 0;
};

// canvas holds the font of the digits (its colour is theirs) and the painter.
void DrawJAN(TTextCanvas& canvas, const QString& code, const TLogRect& rect, bool showFrame, bool showDigits,
             int angle);

} // namespace velmo
