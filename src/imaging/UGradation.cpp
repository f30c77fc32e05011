#include "imaging/UGradation.h"
#include "draw/UCanvas.h"
#include "draw/UPainterState.h"
#include "imaging/UDIB.h"
#include "imaging/UGREffector.h"
#include <QPaintDevice>
#include <cmath>
#include <numbers>

namespace velmo {

namespace {

constexpr int kCells = 128;
constexpr int kRamp = 1024;
constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kBlack = 0x000000;

// 1/4096 radian units.
constexpr int64_t kHalfPi = 6434;
constexpr int64_t kPi = 12868;
constexpr int64_t kTwoPi = 25736;
// D at a corner cell: round(4096 * sqrt(2 * 63.5^2)).
constexpr int64_t kCornerDistance = 367831;

int64_t Trunc(double v)
{
    return int64_t(std::trunc(v));
}
int64_t Div65536(int64_t v)
{
    return v < 0 ? (v + 65535) >> 16 : v >> 16;
}
uint16_t ClampIndex(int64_t v)
{
    return uint16_t(std::clamp<int64_t>(v, 0, kRamp - 1));
}
// Rounds half away from zero, as the engine's integer conversions do.
int64_t RoundNearest(double v)
{
    return int64_t(std::llround(v));
}

int NormalisedAngle(int angle)
{
    int64_t a = angle;
    if (a > 360)
        a = (a - 1) % 360 + 1; // 720 comes down to 360, as repeated subtraction leaves it
    else if (a < 0) {
        a %= 360;
        if (a < 0)
            a += 360;
    }
    return int(a);
}

// The distance and angle tables of one eighth of the square (rows 0 … 63, columns
// from the row to 63), computed once.
struct TOctantTables
{
    std::array<int64_t, 64 * 64> Distance{};
    std::array<int64_t, 64 * 64> Angle{};
    TOctantTables()
    {
        for (int i = 0; i < 64; ++i)
            for (int j = i; j < 64; ++j) {
                const double a = i - 63.5, b = j - 63.5;
                Distance[size_t(i * 64 + j)] = RoundNearest(4096.0 * std::sqrt(a * a + b * b));
                Angle[size_t(i * 64 + j)] = RoundNearest(4096.0 * std::atan2(b, a));
            }
    }
};
const TOctantTables& Octant()
{
    static const TOctantTables tables;
    return tables;
}

// Calls set(row, column, distance, angle) for all 128 x 128 cells from the eighth.
template <class F> void ForEachBySymmetry(F set)
{
    const TOctantTables& t = Octant();
    for (int i = 0; i < 64; ++i)
        for (int j = i; j < 64; ++j) {
            const int64_t d = t.Distance[size_t(i * 64 + j)];
            const int64_t p = t.Angle[size_t(i * 64 + j)];
            const int mi = 127 - i, mj = 127 - j;
            set(i, j, d, p);
            set(j, i, d, kHalfPi - p);
            set(mi, j, d, kPi - p);
            set(i, mj, d, -p);
            set(mi, mj, d, p + kPi);
            set(j, mi, d, p - kHalfPi);
            set(mj, i, d, p + kHalfPi);
            set(mj, mi, d, 3 * kHalfPi - p);
        }
}

void LinearMap(std::vector<uint16_t>& map, double X, double Y)
{
    const int64_t r0 = -Trunc(X) - Trunc(Y - double(1 << 25));
    const int64_t dr = Trunc(2 * X / 127), dc = Trunc(2 * Y / 127);
    for (int i = 0; i < kCells; ++i)
        for (int j = 0; j < kCells; ++j)
            map[size_t(i * kCells + j)] = ClampIndex(Div65536(r0 + i * dr + j * dc));
}

void DiamondMap(std::vector<uint16_t>& map, double X, double Y)
{
    const int64_t u0 = -Trunc(X) - Trunc(Y - double(1 << 25));
    const int64_t udr = Trunc(2 * X / 127), udc = Trunc(2 * Y / 127);
    const int64_t v0 = -Trunc(-Y) - Trunc(X - double(1 << 25));
    const int64_t vdr = Trunc(-2 * Y / 127), vdc = Trunc(2 * X / 127);
    constexpr int64_t k26 = int64_t(1) << 26;
    for (int i = 0; i < kCells; ++i)
        for (int j = 0; j < kCells; ++j) {
            const int64_t u = u0 + i * udr + j * udc;
            const int64_t v = v0 + i * vdr + j * vdc;
            map[size_t(i * kCells + j)] =
                ClampIndex(Div65536(std::max(std::abs(2 * v - k26), std::abs(2 * u - k26))));
        }
}

void CircleMap(std::vector<uint16_t>& map)
{
    ForEachBySymmetry([&](int i, int j, int64_t d, int64_t) {
        uint16_t value = 0;
        if (d > 0)
            value = ClampIndex(
                std::min<int64_t>(kRamp - 1, (d * kRamp * 2 + kCornerDistance) / (2 * kCornerDistance)));
        map[size_t(i * kCells + j)] = value;
    });
}

void ConeMap(std::vector<uint16_t>& map, int angle)
{
    const int64_t s = RoundNearest(4096.0 * angle * std::numbers::pi / 180.0);
    ForEachBySymmetry([&](int i, int j, int64_t, int64_t phi) {
        int64_t n = phi + s;
        n %= kTwoPi; // the same as adding or subtracting 2 pi until in range
        while (n > kPi)
            n -= kTwoPi;
        while (n < -kPi)
            n += kTwoPi;
        uint16_t value = 0;
        if (n > -kPi)
            value = ClampIndex(std::min<int64_t>(kRamp - 1, ((n + kPi) * kRamp * 2 + kTwoPi) / (2 * kTwoPi)));
        map[size_t(i * kCells + j)] = value;
    });
}

bool IsReversed(rgGradationKind kind)
{
    return kind == rgGradationKind::rgkBoxToRim || kind == rgGradationKind::rgkCircleToRim ||
           kind == rgGradationKind::rgkConeClockwise;
}
bool IsCone(rgGradationKind kind)
{
    return kind == rgGradationKind::rgkConeClockwise || kind == rgGradationKind::rgkConeCounterClockwise;
}

} // namespace

const char* GradationKindName(rgGradationKind kind)
{
    static const char* const names[] = {
        "rgkSimple",         "rgkBoxToRim",      "rgkBoxToCenter",         "rgkCircleToRim",
        "rgkCircleToCenter", "rgkConeClockwise", "rgkConeCounterClockwise"};
    return names[int(kind)];
}

// ---------------------------------------------------------------------------------
// TGradationColors

const TPropertyTable& TGradationColors::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("RepeatCount", &TGradationColors::RepeatCount, &TGradationColors::SetRepeatCount)
            .Default(1)
            .BinaryCustom(
                "Colors", [](const TGradationColors& c) { return !c.IsDefault(); },
                &TGradationColors::WriteColors, &TGradationColors::ReadColors);
    return table;
}

TGradationColors::TGradationColors() : FColors{kWhite, kBlack} {}

void TGradationColors::Changed()
{
    if (OnChange)
        OnChange();
}

void TGradationColors::SetCount(int count)
{
    count = std::max(count, 0);
    if (count == Count())
        return;
    FColors.resize(size_t(count), kBlack);
    Changed();
}

TColor TGradationColors::Color(int index) const
{
    if (index < 0 || index >= Count())
        throw ERangeError(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
    return FColors[size_t(index)];
}

void TGradationColors::SetColor(int index, TColor color)
{
    if (index < 0 || index >= Count())
        throw ERangeError(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
    if (FColors[size_t(index)] == color)
        return;
    FColors[size_t(index)] = color;
    Changed();
}

void TGradationColors::SetColors(const std::vector<TColor>& colors)
{
    if (colors == FColors)
        return;
    FColors = colors;
    Changed();
}

void TGradationColors::SetRepeatCount(int value)
{
    if (value == FRepeatCount)
        return;
    FRepeatCount = value;
    Changed();
}

std::vector<TColor> TGradationColors::Expanded() const
{
    std::vector<TColor> out;
    if (FColors.empty() || FRepeatCount <= 0)
        return out;
    // A damaged stream may ask for billions of repeats; a million entries is far
    // beyond anything the editor makes and still paints exactly.
    const int64_t total = std::min<int64_t>(int64_t(FColors.size()) * FRepeatCount, kMaxExpandedColors);
    out.reserve(size_t(total));
    for (int64_t k = 0; k < total; ++k)
        out.push_back(FColors[size_t(k % int64_t(FColors.size()))]);
    return out;
}

bool TGradationColors::IsDefault() const
{
    return FColors.size() == 2 && FColors[0] == kWhite && FColors[1] == kBlack;
}

void TGradationColors::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TGradationColors*>(&source)) {
        if (*other == *this)
            return;
        FColors = other->FColors;
        FRepeatCount = other->FRepeatCount;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

void TGradationColors::WriteColors(TStream& stream) const
{
    stream.WriteUInt32(uint32_t(FColors.size()));
    for (TColor c : FColors)
        stream.WriteUInt32(uint32_t(c));
}

void TGradationColors::ReadColors(TStream& stream)
{
    const uint32_t count = stream.ReadUInt32();
    // The count must match the bytes there: a damaged count is the stream's error,
    // not a huge list.
    if (int64_t(count) * 4 > stream.Remaining())
        throw EReadError(ReadErrorMessage());
    std::vector<TColor> colors(count);
    for (uint32_t i = 0; i < count; ++i)
        colors[i] = TColor(stream.ReadUInt32());
    SetColors(colors);
}

// ---------------------------------------------------------------------------------
// The engine

std::array<QRgb, 1024> GradationRamp(const std::vector<TColor>& givenColors, bool reversed, bool cone)
{
    std::array<QRgb, 1024> ramp{};
    std::vector<TColor> colors = givenColors;
    if (colors.empty())
        return ramp;
    if (cone)
        colors.push_back(colors.front());
    std::vector<QRgb> rgb;
    for (TColor c : colors)
        rgb.push_back(ColorToRgb(c));
    const int n = int(rgb.size());
    if (n == 1) {
        ramp.fill(rgb[0] & 0xFFFFFF);
        return ramp;
    }
    for (int p = 0; p < kRamp; ++p) {
        const int q = reversed ? kRamp - 1 - p : p;
        const double x = double(int64_t(q) * (n - 1)) / kRamp;
        const int k = int(std::trunc(x));
        const double f = x - k;
        const QRgb a = rgb[size_t(k)], b = rgb[size_t(k + 1)];
        auto channel = [f](int ca, int cb) {
            return std::clamp(int(std::trunc(f * (cb - ca))) + ca, 0, 255);
        };
        ramp[size_t(p)] =
            qRgb(channel(qRed(a), qRed(b)), channel(qGreen(a), qGreen(b)), channel(qBlue(a), qBlue(b))) &
            0xFFFFFF;
    }
    return ramp;
}

std::vector<uint16_t> GradationIndexMap(rgGradationKind kind, int givenAngle)
{
    std::vector<uint16_t> map(size_t(kCells * kCells));
    const int angle = NormalisedAngle(givenAngle);
    const double theta = (360 - angle) * std::numbers::pi / 180.0;
    const double U = std::cos(theta), V = std::sin(theta);
    const double M = std::max(std::abs(U), std::abs(V));
    const double X = U * M * 512 * 65536, Y = V * M * 512 * 65536;
    switch (kind) {
    case rgGradationKind::rgkSimple:
        LinearMap(map, X, Y);
        break;
    case rgGradationKind::rgkBoxToRim:
    case rgGradationKind::rgkBoxToCenter:
        DiamondMap(map, X, Y);
        break;
    case rgGradationKind::rgkCircleToRim:
    case rgGradationKind::rgkCircleToCenter:
        CircleMap(map);
        break;
    case rgGradationKind::rgkConeClockwise:
    case rgGradationKind::rgkConeCounterClockwise:
        ConeMap(map, angle);
        break;
    }
    return map;
}

QImage GradationCells(const std::vector<TColor>& colors, int angle, rgGradationKind kind)
{
    QImage cells(kCells, kCells, QImage::Format_RGB888);
    if (colors.empty()) {
        cells.fill(Qt::black);
        return cells;
    }
    const std::array<QRgb, 1024> ramp = GradationRamp(colors, IsReversed(kind), IsCone(kind));
    const std::vector<uint16_t> map = GradationIndexMap(kind, angle);
    for (int i = 0; i < kCells; ++i) {
        uint8_t* line = cells.scanLine(i);
        for (int j = 0; j < kCells; ++j) {
            const QRgb c = ramp[map[size_t(i * kCells + j)]];
            line[j * 3] = uint8_t(qRed(c));
            line[j * 3 + 1] = uint8_t(qGreen(c));
            line[j * 3 + 2] = uint8_t(qBlue(c));
        }
    }
    return cells;
}

namespace {

// One axis of the resampling: for target element t of T the two cells and the
// fraction (16 bits), as the smooth resampling enlarges.
struct TEnlargeAxis
{
    bool Copy = false;
    int64_t Step = 0;
    explicit TEnlargeAxis(int target) : Copy(target == kCells), Step((int64_t(kCells) * 65536) / target) {}
    void At(int t, int& j0, int& j1, int& f) const
    {
        if (Copy) {
            j0 = j1 = t;
            f = 0;
            return;
        }
        const int64_t p = t * Step - 32768;
        const int64_t j = p >> 16;
        f = int(p & 0xFFFF);
        j0 = int(std::clamp<int64_t>(j, 0, kCells - 1));
        j1 = int(std::clamp<int64_t>(j + 1, 0, kCells - 1));
    }
};

} // namespace

QImage ResampleGradationWindow(const QImage& cells, QSize full, const QRect& window)
{
    const QRect w = window.intersected(QRect(QPoint(0, 0), full));
    if (w.isEmpty() || cells.isNull())
        return {};
    if (full.width() < kCells || full.height() < kCells) {
        // Shrinking: the whole target is small along that axis; resample it all (in
        // a layout the resampler takes).
        const QImage source = cells.convertToFormat(QImage::Format_BGR888);
        QImage target(full, source.format());
        if (target.isNull())
            return {};
        SmoothResample(target, source);
        if (target.size() != full)
            return {};
        return target.copy(w).convertToFormat(QImage::Format_RGB888);
    }
    const TEnlargeAxis hx(full.width()), vy(full.height());
    QImage out(w.size(), QImage::Format_RGB888);
    if (out.isNull())
        return {};
    const int n = w.width();
    std::vector<int32_t> h0(size_t(n) * 3), h1(size_t(n) * 3);
    std::vector<int> j0s(static_cast<size_t>(n)), j1s(static_cast<size_t>(n)), fs(static_cast<size_t>(n));
    for (int x = 0; x < n; ++x)
        hx.At(w.left() + x, j0s[size_t(x)], j1s[size_t(x)], fs[size_t(x)]);
    auto horizontal = [&](int row, std::vector<int32_t>& d) {
        const uint8_t* s = cells.constScanLine(row);
        for (int x = 0; x < n; ++x) {
            const int j0 = j0s[size_t(x)], j1 = j1s[size_t(x)], f = fs[size_t(x)];
            for (int c = 0; c < 3; ++c) {
                const int v0 = s[j0 * 3 + c], v1 = s[j1 * 3 + c];
                d[size_t(x * 3 + c)] = hx.Copy ? v0 << 8 : (v0 << 8) + (((v1 - v0) * f) >> 8);
            }
        }
    };
    int cached0 = -1, cached1 = -1;
    for (int y = 0; y < w.height(); ++y) {
        int r0, r1, f;
        vy.At(w.top() + y, r0, r1, f);
        if (cached0 != r0) {
            if (cached1 == r0) {
                std::swap(h0, h1);
                std::swap(cached0, cached1);
            } else {
                horizontal(r0, h0);
                cached0 = r0;
            }
        }
        if (cached1 != r1) {
            horizontal(r1, h1);
            cached1 = r1;
        }
        uint8_t* d = out.scanLine(y);
        for (int i = 0; i < n * 3; ++i) {
            const int64_t value = vy.Copy
                                      ? h0[size_t(i)]
                                      : h0[size_t(i)] + ((int64_t(h1[size_t(i)] - h0[size_t(i)]) * f) >> 16);
            d[i] = uint8_t(std::clamp<int64_t>((value + 128) >> 8, 0, 255));
        }
    }
    return out;
}

void PaintGradation(QPainter& painter, const QRect& rectangle, const std::vector<TColor>& colors, int angle,
                    rgGradationKind kind, TGradationOutput output)
{
    if (colors.empty() || rectangle.isEmpty())
        return;
    const QImage cells = GradationCells(colors, angle, kind);
    if (output == TGradationOutput::goAuto)
        output = IsPrinterLike(painter) ? TGradationOutput::goResample : TGradationOutput::goStretch;
    TCanvasSaver saver(painter);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QTransform transform = painter.worldTransform();
    if (output == TGradationOutput::goStretch || transform.isRotating()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        DrawSharedImage(painter, QRectF(rectangle), cells);
        return;
    }
    // Device pixels of the whole target, and of the part the clip lets through.
    const QRect device = transform.mapRect(QRectF(rectangle)).toAlignedRect();
    QRect visible = device;
    if (painter.hasClipping())
        visible &= transform.mapRect(painter.clipBoundingRect()).toAlignedRect();
    // A recording (QPicture) has no pixels of its own to bound the target by.
    if (const QPaintDevice* d = painter.device(); d && d->devType() != QInternal::Picture)
        visible &= QRect(0, 0, d->width(), d->height());
    if (visible.isEmpty())
        return;
    const QImage part = ResampleGradationWindow(cells, device.size(), visible.translated(-device.topLeft()));
    if (part.isNull())
        return;
    painter.resetTransform();
    DrawSharedImage(painter, QRectF(QPointF(visible.topLeft()), QSizeF(part.size())), part);
}

// ---------------------------------------------------------------------------------
// The blender

bool TGRBlender::CanBlend(const QImage& destination, const QImage& source, const QImage& alphaMap) const
{
    const int depth = destination.depth();
    return !destination.isNull() && !source.isNull() && !alphaMap.isNull() &&
           destination.format() == source.format() && (depth == 24 || depth == 32) && alphaMap.depth() == 8;
}

namespace {

// table[a][s - d + 255] = trunc(a (s - d) / 255).
const std::vector<int16_t>& BlendTable()
{
    static const std::vector<int16_t> table = [] {
        std::vector<int16_t> t(size_t(256 * 511));
        for (int a = 0; a < 256; ++a)
            for (int diff = -255; diff <= 255; ++diff)
                t[size_t(a * 511 + diff + 255)] = int16_t((a * diff) / 255); // C++ division truncates
        return t;
    }();
    return table;
}

} // namespace

void TGRBlendAlphaMapRatio::Execute(QImage& destination, const QRect& destRect, const QImage& source,
                                    const QRect& sourceRect, const QImage& alphaMap, const QRect& alphaRect)
{
    if (!CanBlend(destination, source, alphaMap))
        return;
    const QRect alphaBounds(QPoint(0, 0), alphaMap.size());
    if (!alphaBounds.contains(alphaRect.normalized()) || alphaRect.isEmpty())
        return;
    if (alphaRect.size() != sourceRect.size() || sourceRect.size() != destRect.size())
        return;
    // Clip all three against their pictures, keeping them in step.
    QRect d = destRect, s = sourceRect, a = alphaRect;
    auto clip = [&](const QRect& r, const QRect& bounds) {
        const QRect c = r & bounds;
        if (c.isEmpty())
            return false;
        const int dl = c.left() - r.left(), dt = c.top() - r.top();
        const int dr = r.right() - c.right(), db = r.bottom() - c.bottom();
        d.adjust(dl, dt, -dr, -db);
        s.adjust(dl, dt, -dr, -db);
        a.adjust(dl, dt, -dr, -db);
        return !d.isEmpty();
    };
    if (!clip(d, QRect(QPoint(0, 0), destination.size())) || !clip(s, QRect(QPoint(0, 0), source.size())) ||
        !clip(a, alphaBounds))
        return;
    const std::vector<int16_t>& table = BlendTable();
    const int bpp = destination.depth() / 8;
    for (int y = 0; y < d.height(); ++y) {
        uint8_t* dp = destination.scanLine(d.top() + y) + d.left() * bpp;
        const uint8_t* sp = source.constScanLine(s.top() + y) + s.left() * bpp;
        const uint8_t* ap = alphaMap.constScanLine(a.top() + y) + a.left();
        for (int x = 0; x < d.width(); ++x) {
            const int alpha = std::min(255, int((ap[x] * FRatio * 2 + 100) / 200));
            const int16_t* row = table.data() + alpha * 511 + 255;
            for (int c = 0; c < 3; ++c) {
                const int dv = dp[x * bpp + c];
                dp[x * bpp + c] = uint8_t(dv + row[sp[x * bpp + c] - dv]);
            }
        }
    }
}

} // namespace velmo
