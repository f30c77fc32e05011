#include "barcode/UJANCode.h"
#include "base/UNumbers.h"
#include "draw/UCanvas.h"
#include "draw/UPainterState.h"
#include "objects/ULabelObject.h"
#include "text/UTextCanvas.h"
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace velmo {

namespace {

constexpr const char* kSetA[10] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                                   "0110001", "0101111", "0111011", "0110111", "0001011"};
constexpr const char* kSetB[10] = {"0100111", "0110011", "0011011", "0100001", "0011101",
                                   "0111001", "0000101", "0010001", "0001001", "0010111"};
constexpr const char* kSetC[10] = {"1110010", "1100110", "1101100", "1000010", "1011100",
                                   "1001110", "1010000", "1000100", "1001000", "1110100"};
constexpr const char* kParity[10] = {"OOOOOO", "OOEOEE", "OOEEOE", "OOEEEO", "OEOOEE",
                                     "OEEOOE", "OEEEOO", "OEOEOE", "OEOEEO", "OEEOEO"};

bool AllDigits(const QString& code)
{
    return std::all_of(code.begin(), code.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// a * b / c rounded with halves away from zero, for grid positions that may exceed
// the 32-bit range of MulDiv's arguments.
int64_t MulDiv64(int64_t a, int64_t b, int64_t c)
{
    if (c == 0)
        return 0;
    const __int128 p = (__int128)a * b;
    const bool negative = (p < 0) != (c < 0);
    const __int128 ap = p < 0 ? -p : p;
    const __int128 ac = c < 0 ? -(__int128)c : c;
    const __int128 q = (ap * 2 + ac) / (ac * 2);
    return int64_t(negative ? -q : q);
}

// Rounds to the nearest device pixel the same way wherever the origin lies, so that
// printer bands (translated by whole pixels) put every edge on the same pixel.
int64_t PixelRound(double v)
{
    return int64_t(std::floor(v + 0.5));
}

} // namespace

int JANCheckDigit(const QString& code)
{
    const int n = int(code.size());
    if (n <= 6)
        return -1;
    const int a = n > 8 ? 1 : 6;
    if (n < 13 - a)
        return -1;
    int digits[13] = {};
    for (int i = 0; i < 13 - a; ++i)
        digits[a + i] = code[i].unicode() - u'0';
    int even = 0, odd = 0;
    for (int i = 0; i <= 12; i += 2)
        even += digits[i];
    for (int i = 1; i <= 11; i += 2)
        odd += digits[i];
    // Characters other than digits give values outside 0..9; the result is kept a
    // digit all the same (the dialog and the drawing never accept such texts).
    return 9 - Mod(Mod(odd + 3 * even + 9, 10) + 10, 10);
}

bool IsValidJAN(const QString& code)
{
    const int n = int(code.size());
    if (n != 8 && n != 13)
        return false;
    const int check = JANCheckDigit(code);
    return check >= 0 && code[n - 1] == QChar(u'0' + check);
}

QString NormalizeJAN(const QString& code)
{
    const int n = int(code.size());
    int body;
    if (n == 7 || n == 8)
        body = 7;
    else if (n == 12 || n == 13)
        body = 12;
    else
        return {};
    return code.left(body) + QString::number(JANCheckDigit(code));
}

bool IsAcceptableJAN(const QString& code)
{
    if (!AllDigits(code))
        return false;
    return code.size() == 7 || code.size() == 12 || IsValidJAN(code);
}

const char* JANSetA(int digit)
{
    return digit >= 0 && digit <= 9 ? kSetA[digit] : "";
}

const char* JANSetB(int digit)
{
    return digit >= 0 && digit <= 9 ? kSetB[digit] : "";
}

const char* JANSetC(int digit)
{
    return digit >= 0 && digit <= 9 ? kSetC[digit] : "";
}

const char* JANParity(int leadingDigit)
{
    return leadingDigit >= 0 && leadingDigit <= 9 ? kParity[leadingDigit] : "";
}

// ---------------------------------------------------------------------------------
// TBarCodeDrawer

TBarCodeDrawer::TBarCodeDrawer(TTextCanvas& canvas, const TLogRect& rect, int angle, bool showFrame,
                               bool showDigits)
    : FCanvas(canvas), FPainter(canvas.Painter()), FRect(rect), FBarArea(rect), FAngle(angle),
      FShowFrame(showFrame), FShowDigits(showDigits)
{
    FRotator.SetCenter(QPoint(Div(rect.Left + rect.Right, 2), Div(rect.Top + rect.Bottom, 2)));
    FRotator.SetAngle(angle);
}

TBarCodeDrawer::~TBarCodeDrawer()
{
    FlushBars();
}

void TBarCodeDrawer::FlushBars()
{
    if (!FPainter || (FDeviceBars.empty() && FTurnedBars.isEmpty()))
        return;
    TPainterStateKeeper keeper(*FPainter);
    FPainter->setRenderHint(QPainter::Antialiasing, false);
    if (!FTurnedBars.isEmpty()) {
        FPainter->setPen(DevicePixelPen(Qt::black));
        FPainter->setBrush(Qt::black);
        FPainter->drawPath(FTurnedBars);
        FTurnedBars = QPainterPath();
    }
    if (!FDeviceBars.empty()) {
        FPainter->resetTransform();
        FPainter->setViewTransformEnabled(false);
        FPainter->setPen(Qt::NoPen);
        FPainter->setBrush(Qt::black);
        FPainter->drawRects(FDeviceBars.data(), int(FDeviceBars.size()));
        FDeviceBars.clear();
    }
}

int TBarCodeDrawer::GridX(int64_t a) const
{
    return int(FBarArea.Left + MulDiv64(a, FBarArea.Width(), FUnits));
}

QPolygon TBarCodeDrawer::TurnedRect(int left, int top, int right, int bottom)
{
    QPolygon polygon(4);
    polygon[0] = FRotator.Transformed(QPoint(left, top));
    polygon[1] = FRotator.Transformed(QPoint(right, top));
    polygon[2] = FRotator.Transformed(QPoint(right, bottom));
    polygon[3] = FRotator.Transformed(QPoint(left, bottom));
    return polygon;
}

double TBarCodeDrawer::DeviceAlong(double x) const
{
    const double cx = FRotator.Center().x(), cy = FRotator.Center().y();
    switch (FQuarter) {
    case 1:
        return FMapping.m22() * (cy + x - cx) + FMapping.dy();
    case 2:
        return FMapping.m11() * (2 * cx - x) + FMapping.dx();
    case 3:
        return FMapping.m22() * (cy - x + cx) + FMapping.dy();
    default:
        return FMapping.m11() * x + FMapping.dx();
    }
}

double TBarCodeDrawer::DeviceAcross(double y) const
{
    const double cx = FRotator.Center().x(), cy = FRotator.Center().y();
    switch (FQuarter) {
    case 1:
        return FMapping.m11() * (cx - (y - cy)) + FMapping.dx();
    case 2:
        return FMapping.m22() * (2 * cy - y) + FMapping.dy();
    case 3:
        return FMapping.m11() * (cx + (y - cy)) + FMapping.dx();
    default:
        return FMapping.m22() * y + FMapping.dy();
    }
}

void TBarCodeDrawer::SetUpDeviceGrid(int64_t narrowUnits, int reductionDivisor)
{
    FAlong0 = PixelRound(DeviceAlong(FBarArea.Left));
    FAlong1 = PixelRound(DeviceAlong(FBarArea.Right));
    // A polygon outlined with a one-pixel pen covers its right edge's pixel: bars
    // drawn to right - 1 lose one logical unit less one device pixel. On paper that
    // is the reduction that keeps ink spread from widening the bars; pictures for the
    // screen or for files get no ink, and keep the grid's widths. The reduction never
    // takes more than a part of the narrowest element: scanners that tell narrow from
    // wide elements by their widths need bars and spaces alike.
    FReduction = 0;
    if (!IsPrinting(*FPainter) && !PrintOutput())
        return;
    const double scale = std::abs(FQuarter % 2 == 0 ? FMapping.m11() : FMapping.m22());
    const int64_t narrowPixels = std::abs(FAlong1 - FAlong0) * narrowUnits / FUnits;
    const int64_t reduction = int64_t(std::floor(scale - 1 + 0.5));
    FReduction = int(std::clamp<int64_t>(reduction, 0, narrowPixels / std::max(1, reductionDivisor)));
}

void TBarCodeDrawer::Begin(int64_t units, int64_t narrowUnits, int reductionDivisor)
{
    FUnits = std::max<int64_t>(1, units);
    if (FShowDigits) {
        TLogFont font = FCanvas.Font();
        const int64_t turn = 3600 - (int64_t(10) * FAngle) % 3600;
        font.Escapement = int(turn);
        font.Orientation = int(turn);
        FCanvas.SetFont(font);
    }
    FBarArea = FRect;
    if (FShowFrame)
        FBarArea = {FRect.Left + 10, FRect.Top + 10, FRect.Right - 10, FRect.Bottom - 10};
    if (!FPainter)
        return;

    FMapping = FPainter->combinedTransform();
    FAligned = FMapping.type() <= QTransform::TxScale && FAngle % 90 == 0 && FMapping.m11() != 0 &&
               FMapping.m22() != 0;
    FQuarter = FAligned ? ((FAngle % 360 + 360) % 360) / 90 : 0;
    if (FAligned)
        SetUpDeviceGrid(narrowUnits, reductionDivisor);

    TPainterStateKeeper keeper(*FPainter);
    FPainter->setRenderHint(QPainter::Antialiasing, false);
    if (FAligned) {
        auto deviceRect = [this](const TLogRect& r) {
            const int64_t a0 = PixelRound(DeviceAlong(r.Left)), a1 = PixelRound(DeviceAlong(r.Right));
            const int64_t c0 = PixelRound(DeviceAcross(r.Top)), c1 = PixelRound(DeviceAcross(r.Bottom));
            const int64_t x0 = FQuarter % 2 == 0 ? a0 : c0, x1 = FQuarter % 2 == 0 ? a1 : c1;
            const int64_t y0 = FQuarter % 2 == 0 ? c0 : a0, y1 = FQuarter % 2 == 0 ? c1 : a1;
            return QRect(QPoint(int(std::min(x0, x1)), int(std::min(y0, y1))),
                         QPoint(int(std::max(x0, x1)) - 1, int(std::max(y0, y1)) - 1));
        };
        FPainter->resetTransform();
        FPainter->setViewTransformEnabled(false);
        if (FShowFrame) {
            FPainter->fillRect(deviceRect(FRect), Qt::black);
            FPainter->fillRect(deviceRect({FRect.Left + 3, FRect.Top + 3, FRect.Right - 3, FRect.Bottom - 3}),
                               Qt::white);
        } else {
            FPainter->fillRect(deviceRect(FRect), Qt::white);
        }
        return;
    }
    FPainter->setPen(DevicePixelPen(Qt::white));
    FPainter->setBrush(Qt::white);
    if (FShowFrame) {
        FPainter->setPen(DevicePixelPen(Qt::black));
        FPainter->setBrush(Qt::black);
        FPainter->drawPolygon(TurnedRect(FRect.Left, FRect.Top, FRect.Right - 1, FRect.Bottom - 1));
        FPainter->setPen(DevicePixelPen(Qt::white));
        FPainter->setBrush(Qt::white);
        FPainter->drawPolygon(TurnedRect(FRect.Left + 3, FRect.Top + 3, FRect.Right - 4, FRect.Bottom - 4));
    } else {
        FPainter->drawPolygon(TurnedRect(FRect.Left, FRect.Top, FRect.Right - 1, FRect.Bottom - 1));
    }
}

void TBarCodeDrawer::Bar(int64_t a, int64_t b, int bottom)
{
    if (!FPainter || bottom <= FBarArea.Top)
        return;
    if (FAligned) {
        const int64_t span = FAlong1 - FAlong0;
        const int dir = span >= 0 ? 1 : -1;
        int64_t e0 = FAlong0 + MulDiv64(a, span, FUnits);
        int64_t e1 = FAlong0 + MulDiv64(b, span, FUnits) - dir * FReduction;
        if ((e1 - e0) * dir < 1)
            e1 = e0 + dir; // a bar never vanishes, as a one-pixel outline never does
        int64_t c0 = PixelRound(DeviceAcross(FBarArea.Top));
        int64_t c1 = PixelRound(DeviceAcross(bottom));
        const int cdir = c1 >= c0 ? 1 : -1;
        c1 -= cdir * FReduction;
        if ((c1 - c0) * cdir < 1)
            c1 = c0 + cdir;
        const int64_t x0 = FQuarter % 2 == 0 ? e0 : c0, x1 = FQuarter % 2 == 0 ? e1 : c1;
        const int64_t y0 = FQuarter % 2 == 0 ? c0 : e0, y1 = FQuarter % 2 == 0 ? c1 : e1;
        // Whole device pixels [min, max) each way: the pixels a filled rectangle
        // from min to max - 1 covers.
        const double left = double(std::min(x0, x1)), top = double(std::min(y0, y1));
        FDeviceBars.emplace_back(left, top, double(std::max(x0, x1)) - left, double(std::max(y0, y1)) - top);
        return;
    }
    if (FTurnedBars.isEmpty())
        FTurnedBars.setFillRule(Qt::WindingFill);
    FTurnedBars.addPolygon(QPolygonF(TurnedRect(GridX(a), FBarArea.Top, GridX(b) - 1, bottom - 1)));
    FTurnedBars.closeSubpath();
}

int64_t TBarCodeDrawer::Pattern(int64_t start, const char* pattern, int bottom, int64_t unitsPerModule)
{
    int64_t position = start;
    int64_t runStart = -1;
    for (const char* p = pattern; *p; ++p) {
        if (*p == '1') {
            if (runStart < 0)
                runStart = position;
        } else if (runStart >= 0) {
            Bar(runStart, position, bottom);
            runStart = -1;
        }
        position += unitsPerModule;
    }
    if (runStart >= 0)
        Bar(runStart, position, bottom);
    return position;
}

int TBarCodeDrawer::TextHeight(const QString& text)
{
    return FCanvas.TextExtent(text).height();
}

void TBarCodeDrawer::TextOver(int64_t a, int64_t b, const QString& text)
{
    const int x0 = GridX(a);
    const int group = GridX(b) - x0;
    const QSize extent = FCanvas.TextExtent(text);
    const int c = extent.width() < group ? Div(group - extent.width(), 2) : 0;
    const QPoint reference(c != 0 ? x0 + c : x0 + 1, FBarArea.Bottom - extent.height() - 1);
    FCanvas.TextOut(FRotator.Transformed(reference), text);
}

// ---------------------------------------------------------------------------------
// TJANCode

TJANCode::TJANCode(TTextCanvas& canvas, const TLogRect& rect, int angle, bool showFrame, bool showDigits)
    : TBarCodeDrawer(canvas, rect, angle, showFrame, showDigits)
{
}

void TJANCode::Digit(int module, QChar digit)
{
    if (FShowDigits)
        TextOver(module, module + 7, QString(digit));
}

int64_t TJANCode::Guard(int64_t module, const char* pattern)
{
    return Pattern(module, pattern, FGuardBottom);
}

int64_t TJANCode::Data(int64_t module, const char* pattern)
{
    return Pattern(module, pattern, FDataBottom);
}

void TJANCode::Draw(const QString& code)
{
    const int n = int(code.size());
    if ((n != 8 && n != 13) || !AllDigits(code))
        return;
    Begin(n == 8 ? 81 : 109, 1);
    FDataBottom = FGuardBottom = FBarArea.Bottom;
    if (FShowDigits) {
        const int height = TextHeight(QStringLiteral("0"));
        FDataBottom = FBarArea.Bottom - (height + 2);
        FGuardBottom = FBarArea.Bottom - (Div(height, 2) + 2);
    }
    auto digit = [&code](int i) { return code[i].unicode() - u'0'; };
    int64_t m = 7;
    int next = 0;
    QString parity;
    if (n == 13) {
        Digit(0, code[0]);
        parity = QString::fromLatin1(JANParity(digit(0)));
        next = 1;
    } else {
        parity = QStringLiteral("OOOO");
    }
    m = Guard(m, "101");
    for (const QChar p : parity) {
        Digit(int(m), code[next]);
        m = Data(m, p == u'O' ? JANSetA(digit(next)) : JANSetB(digit(next)));
        ++next;
    }
    m = Guard(m, "01010");
    for (; next < n; ++next) {
        Digit(int(m), code[next]);
        m = Data(m, JANSetC(digit(next)));
    }
    Guard(m, "101");
    FCanvas.Flush();
}

void DrawJAN(TTextCanvas& canvas, const QString& code, const TLogRect& rect, bool showFrame, bool showDigits,
             int angle)
{
    auto drawer = std::make_unique<TJANCode>(canvas, rect, angle, showFrame, showDigits);
    drawer->Draw(code);
}

} // namespace velmo
