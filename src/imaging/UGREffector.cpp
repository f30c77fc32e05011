#include "imaging/UGREffector.h"
#include "draw/UTransformer.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace velmo {

namespace {

int ChannelBytes(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_BGR888:
        return 3;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return 4;
    default:
        return 0;
    }
}

uint8_t Clamp255(int v)
{
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

} // namespace

const std::array<uint8_t, 2304>& BlurDivisionTable()
{
    static const std::array<uint8_t, 2304> table = [] {
        std::array<uint8_t, 2304> t{};
        for (int i = 0; i < 2304; ++i)
            t[size_t(i)] = uint8_t(std::min(255, (2 * i + 9) / 18));
        return t;
    }();
    return table;
}

// Built when the program starts, as the blur expects it ready.
[[maybe_unused]] static const auto& gDivisionTable = BlurDivisionTable();

void TGREffector::Execute()
{
    if (!FSource || !FTarget || ChannelBytes(*FSource) == 0)
        return;
    QRect rect = FRect.isEmpty() ? FSource->rect() : FRect.intersected(FSource->rect());
    if (rect.isEmpty())
        return;
    // The target starts as the rectangle's pixels, so bytes that no effect writes
    // (the fourth byte of 32-bit pixels) keep their values.
    const QImage part = rect == FSource->rect() ? *FSource : FSource->copy(rect);
    QImage target = part.copy();
    Run(part, target);
    *FTarget = target;
}

void BlurPass(const QImage& source, QImage& target)
{
    const int bpp = ChannelBytes(source);
    const int width = source.width();
    const int height = source.height();
    if (bpp == 0 || width == 0 || height == 0)
        return;
    if (target.size() != source.size() || target.format() != source.format())
        target = source.copy();
    const auto& table = BlurDivisionTable();
    // Three rotating rows of horizontal sums, three channels each.
    std::vector<uint16_t> rows[3];
    for (auto& r : rows)
        r.resize(size_t(width) * 3);
    auto sumRow = [&](int y, std::vector<uint16_t>& out) {
        const uint8_t* s = source.constScanLine(y);
        for (int x = 0; x < width; ++x) {
            const int l = x > 0 ? x - 1 : 0;
            const int r = x + 1 < width ? x + 1 : width - 1;
            for (int c = 0; c < 3; ++c)
                out[size_t(x) * 3 + c] = uint16_t(s[l * bpp + c] + s[x * bpp + c] + s[r * bpp + c]);
        }
    };
    std::vector<uint16_t>* prev = &rows[0];
    std::vector<uint16_t>* cur = &rows[1];
    std::vector<uint16_t>* next = &rows[2];
    sumRow(0, *cur);
    *prev = *cur; // the first row counts twice at the top
    for (int y = 0; y < height; ++y) {
        if (y + 1 < height)
            sumRow(y + 1, *next);
        else
            *next = *cur; // and the last row twice at the bottom
        uint8_t* d = target.scanLine(y);
        const uint16_t* a = prev->data();
        const uint16_t* b = cur->data();
        const uint16_t* e = next->data();
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                const size_t i = size_t(x) * 3 + c;
                d[x * bpp + c] = table[size_t(a[i] + b[i] + e[i])];
            }
        std::swap(prev, cur);
        std::swap(cur, next);
    }
}

void TGREffectBlur::Run(const QImage& source, QImage& target)
{
    const int n = FPasses;
    if (n < 1)
        return; // the target already holds the source's pixels
    QImage scratch = source.copy();
    // The passes alternate so that the last one writes the target.
    QImage* out = (n % 2 == 1) ? &target : &scratch;
    QImage* other = (n % 2 == 1) ? &scratch : &target;
    BlurPass(source, *out);
    for (int pass = 2; pass <= n; ++pass) {
        BlurPass(*out, *other);
        std::swap(out, other);
    }
}

void TGREffectUnsharpMask::Run(const QImage& source, QImage& target)
{
    const int passes = int(std::lrint(FAmount));
    QImage blurred = source.copy();
    TGREffectBlur blur(passes);
    blur.SetSource(&source);
    blur.SetTarget(&blurred);
    blur.Execute();
    const int bpp = ChannelBytes(source);
    for (int y = 0; y < source.height(); ++y) {
        const uint8_t* s = source.constScanLine(y);
        const uint8_t* b = blurred.constScanLine(y);
        uint8_t* d = target.scanLine(y);
        for (int x = 0; x < source.width(); ++x)
            for (int c = 0; c < 3; ++c)
                d[x * bpp + c] = Clamp255(2 * s[x * bpp + c] - b[x * bpp + c]);
    }
}

std::array<uint8_t, 256> TGREffectBrightnessContrast::Table(int brightness, int contrast)
{
    const double b = std::clamp(brightness / 100.0, -1.0, 1.0);
    const double k = std::clamp(contrast / 100.0, -1.0, 1.0);
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        const double t = b + i / 255.0;
        const double e = t - 0.5;
        double f;
        if (k < 0)
            f = e * (k + 1) + 0.5;
        else if (k < 1)
            f = e / (1 - k) + 0.5;
        else
            f = t >= 0.5 ? 1 : 0;
        const double v = std::trunc(f * 255 + 0.5);
        table[size_t(i)] = uint8_t(std::clamp(v, 0.0, 255.0));
    }
    return table;
}

void TGREffectBrightnessContrast::Run(const QImage& source, QImage& target)
{
    const auto table = Table(FBrightness, FContrast);
    const int bpp = ChannelBytes(source);
    for (int y = 0; y < source.height(); ++y) {
        const uint8_t* s = source.constScanLine(y);
        uint8_t* d = target.scanLine(y);
        for (int x = 0; x < source.width(); ++x)
            for (int c = 0; c < 3; ++c)
                d[x * bpp + c] = table[s[x * bpp + c]];
    }
}

namespace {

double HueComponent(double m1, double m2, double h)
{
    while (h < 0)
        h += 360;
    while (h >= 360)
        h -= 360;
    if (h < 60)
        return m1 + (m2 - m1) * h / 60;
    if (h < 180)
        return m2;
    if (h < 240)
        return m1 + (m2 - m1) * (240 - h) / 60;
    return m1;
}

} // namespace

std::array<QRgb, 256> TGREffectMonoTone::Table(TColor reference)
{
    const uint32_t c = uint32_t(reference);
    const double r = (c & 0xFF) / 255.0, g = ((c >> 8) & 0xFF) / 255.0, b = ((c >> 16) & 0xFF) / 255.0;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    const double l = (mx + mn) / 2;
    double h = 0, s = 0;
    if (mx != mn) {
        const double d = mx - mn;
        s = l <= 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
        if (r == mx)
            h = 60 * ((g - b) / d);
        else if (g == mx)
            h = 60 * ((b - r) / d + 2);
        else
            h = 60 * ((r - g) / d + 4);
        while (h < 0)
            h += 360;
        while (h >= 360)
            h -= 360;
    }
    std::array<QRgb, 256> table{};
    for (int i = 0; i < 256; ++i) {
        const double L = i / 255.0;
        double cr, cg, cb;
        if (s == 0) {
            cr = cg = cb = L;
        } else {
            const double m2 = L <= 0.5 ? L * (1 + s) : L + s - L * s;
            const double m1 = 2 * L - m2;
            cr = HueComponent(m1, m2, h + 120);
            cg = HueComponent(m1, m2, h);
            cb = HueComponent(m1, m2, h - 120);
        }
        table[size_t(i)] =
            qRgb(int(std::trunc(cr * 255)), int(std::trunc(cg * 255)), int(std::trunc(cb * 255)));
    }
    return table;
}

void TGREffectMonoTone::Run(const QImage& source, QImage& target)
{
    const auto table = Table(FReference);
    const int bpp = ChannelBytes(source);
    for (int y = 0; y < source.height(); ++y) {
        const uint8_t* s = source.constScanLine(y);
        uint8_t* d = target.scanLine(y);
        for (int x = 0; x < source.width(); ++x) {
            const uint8_t* p = s + x * bpp;
            const int grey = (77 * p[2] + 150 * p[1] + 29 * p[0]) >> 8;
            const QRgb t = table[size_t(grey)];
            uint8_t* q = d + x * bpp;
            q[0] = uint8_t(qBlue(t));
            q[1] = uint8_t(qGreen(t));
            q[2] = uint8_t(qRed(t));
        }
    }
}

// ---------------------------------------------------------------------------------
// Smooth resampling

namespace {

// How the target elements along one axis are made from the source's. Weights carry
// fracBits fraction bits.
struct TAxis
{
    int S = 0;
    int T = 0;
    enum
    {
        Copy,
        Shrink,
        Enlarge
    } Mode = Copy;
    // Shrink: per target element the first source element and its weights.
    std::vector<int> First;
    std::vector<int> Offset; // into Weights, T + 1 entries
    std::vector<int> Weights;
    // Enlarge: the two source elements and the fraction (16 bits).
    std::vector<int> J0, J1, F;

    TAxis(int s, int t, int fracBits) : S(s), T(t)
    {
        if (t == s)
            return;
        if (t < s) {
            Mode = Shrink;
            const int64_t r = (int64_t(s) << 16) / t;
            Offset.push_back(0);
            for (int i = 0; i < t; ++i) {
                const int64_t start = i * r, end = (i + 1) * r;
                const int first = int(start >> 16);
                First.push_back(first);
                for (int64_t j = first; (j << 16) < end && j < s; ++j) {
                    const int64_t covered = std::min(end, (j + 1) << 16) - std::max(start, j << 16);
                    Weights.push_back(int(covered >> (16 - fracBits)));
                }
                Offset.push_back(int(Weights.size()));
            }
        } else {
            Mode = Enlarge;
            const int64_t step = (int64_t(s) * 65536) / t;
            for (int i = 0; i < t; ++i) {
                const int64_t p = i * step - 32768;
                const int64_t j = p >> 16; // floor
                F.push_back(int(p & 0xFFFF));
                J0.push_back(int(std::clamp<int64_t>(j, 0, s - 1)));
                J1.push_back(int(std::clamp<int64_t>(j + 1, 0, s - 1)));
            }
        }
    }
};

} // namespace

void SmoothResample(QImage& target, const QImage& source)
{
    int channels;
    switch (source.format()) {
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
        channels = 1;
        break;
    case QImage::Format_BGR888:
        channels = 3;
        break;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        channels = 4;
        break;
    default:
        return;
    }
    const int tw = target.width(), th = target.height();
    const int sw = source.width(), sh = source.height();
    if (source.isNull() || tw <= 0 || th <= 0)
        return;
    QImage out(tw, th, source.format());
    if (out.isNull())
        return;
    out.setColorTable(source.colorTable());
    const TAxis hx(sw, tw, 8), vy(sh, th, 16);
    const int n = tw * channels;

    // Horizontally resampled source rows (8 fraction bits), the last two kept.
    std::vector<int32_t> cache[2] = {std::vector<int32_t>(size_t(n)), std::vector<int32_t>(size_t(n))};
    int cachedRow[2] = {-1, -1};
    int nextSlot = 0;
    auto row = [&](int y) -> const int32_t* {
        for (int k = 0; k < 2; ++k)
            if (cachedRow[k] == y)
                return cache[k].data();
        const int slot = nextSlot;
        nextSlot ^= 1;
        cachedRow[slot] = y;
        int32_t* d = cache[slot].data();
        const uint8_t* s = source.constScanLine(y);
        switch (hx.Mode) {
        case TAxis::Copy:
            for (int i = 0; i < n; ++i)
                d[i] = int32_t(s[i]) << 8;
            break;
        case TAxis::Shrink:
            for (int i = 0; i < tw; ++i) {
                const int first = hx.First[size_t(i)];
                const int w0 = hx.Offset[size_t(i)], w1 = hx.Offset[size_t(i) + 1];
                for (int c = 0; c < channels; ++c) {
                    int64_t sum = 0;
                    for (int k = w0; k < w1; ++k)
                        sum += int64_t(s[(first + k - w0) * channels + c]) * hx.Weights[size_t(k)];
                    d[i * channels + c] = int32_t(sum * tw / sw);
                }
            }
            break;
        case TAxis::Enlarge:
            for (int i = 0; i < tw; ++i) {
                const int j0 = hx.J0[size_t(i)], j1 = hx.J1[size_t(i)], f = hx.F[size_t(i)];
                for (int c = 0; c < channels; ++c) {
                    const int v0 = s[j0 * channels + c], v1 = s[j1 * channels + c];
                    d[i * channels + c] = (v0 << 8) + (((v1 - v0) * f) >> 8);
                }
            }
            break;
        }
        return d;
    };

    std::vector<int64_t> acc(static_cast<size_t>(n));
    for (int y = 0; y < th; ++y) {
        uint8_t* d = out.scanLine(y);
        switch (vy.Mode) {
        case TAxis::Copy: {
            const int32_t* h = row(y);
            for (int i = 0; i < n; ++i)
                d[i] = Clamp255((h[i] + 128) >> 8);
            break;
        }
        case TAxis::Shrink: {
            std::fill(acc.begin(), acc.end(), 0);
            const int first = vy.First[size_t(y)];
            const int w0 = vy.Offset[size_t(y)], w1 = vy.Offset[size_t(y) + 1];
            for (int k = w0; k < w1; ++k) {
                const int32_t* h = row(first + k - w0);
                const int64_t w = vy.Weights[size_t(k)];
                for (int i = 0; i < n; ++i)
                    acc[size_t(i)] += h[i] * w;
            }
            for (int i = 0; i < n; ++i) {
                const int64_t value = (acc[size_t(i)] * th / sh) >> 16;
                d[i] = Clamp255(int((value + 128) >> 8));
            }
            break;
        }
        case TAxis::Enlarge: {
            const int f = vy.F[size_t(y)];
            const int32_t* h0 = row(vy.J0[size_t(y)]);
            const int32_t* h1 = row(vy.J1[size_t(y)]);
            for (int i = 0; i < n; ++i) {
                const int64_t value = h0[i] + ((int64_t(h1[i] - h0[i]) * f) >> 16);
                d[i] = Clamp255(int((value + 128) >> 8));
            }
            break;
        }
        }
    }
    target = out;
}

// ---------------------------------------------------------------------------------
// Quadrilateral mapping

TSafetyBitmap MapQuad(const TSafetyBitmap& source, const QRect& sourceRect, QPoint p0, QPoint p1, QPoint p2,
                      QPoint p3, TColor background, QRect* bounds)
{
    const QPoint pts[4] = {p0, p1, p2, p3};
    int minX = p0.x(), maxX = p0.x(), minY = p0.y(), maxY = p0.y();
    for (const QPoint& p : pts) {
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    if (bounds)
        *bounds = QRect(QPoint(minX, minY), QPoint(maxX - 1, maxY - 1));
    TSafetyBitmap result;
    const TPixelFormat format = source.PixelFormat();
    const QImage& src = source.Pixels();
    if (src.isNull() || format == TPixelFormat::pf1bit || format == TPixelFormat::pf4bit ||
        BitsPerPixel(format) == 0)
        return result;
    const int width = maxX - minX, height = maxY - minY;
    if (!BitmapSizeAllowed(width, height))
        return result;
    QImage out(width, height, src.format());
    if (out.isNull())
        return result;
    out.setColorTable(src.colorTable());
    const QRgb bg = ColorToRgb(background);
    if (out.format() == QImage::Format_Indexed8)
        out.fill(uint(std::max(0, NearestPaletteIndex(src.colorTable(), bg))));
    else
        out.fill(QColor(bg));
    const int bpp = src.depth() / 8;
    const int sw = src.width(), sh = src.height();
    // Row addresses with one extra entry repeating the last row.
    std::vector<const uchar*> rows(size_t(sh) + 1);
    for (int y = 0; y < sh; ++y)
        rows[size_t(y)] = src.constScanLine(y);
    rows[size_t(sh)] = rows[size_t(sh) - 1];

    const double l = sourceRect.left(), t = sourceRect.top();
    const double r = sourceRect.left() + sourceRect.width(), b = sourceRect.top() + sourceRect.height();
    struct V
    {
        double x, y, u, v;
    };
    const V vs[4] = {{double(p0.x() - minX), double(p0.y() - minY), l, t},
                     {double(p1.x() - minX), double(p1.y() - minY), r, t},
                     {double(p2.x() - minX), double(p2.y() - minY), r, b},
                     {double(p3.x() - minX), double(p3.y() - minY), l, b}};
    for (int y = 0; y < height; ++y) {
        const double yc = y + 0.5;
        bool found = false;
        V left{}, right{};
        for (int k = 0; k < 4; ++k) {
            const V& a = vs[k];
            const V& c = vs[(k + 1) % 4];
            if ((a.y < yc) == (c.y < yc))
                continue;
            const double f = (yc - a.y) / (c.y - a.y);
            const V x{a.x + (c.x - a.x) * f, yc, a.u + (c.u - a.u) * f, a.v + (c.v - a.v) * f};
            if (!found) {
                left = right = x;
                found = true;
            } else {
                if (x.x < left.x)
                    left = x;
                if (x.x > right.x)
                    right = x;
            }
        }
        if (!found)
            continue;
        int x0 = int(std::ceil(left.x - 0.5)), x1 = int(std::floor(right.x - 0.5));
        x0 = std::max(x0, 0);
        x1 = std::min(x1, width - 1);
        if (x0 > x1)
            continue;
        const double span = right.x - left.x;
        const double du = span > 0 ? (right.u - left.u) / span : 0;
        const double dv = span > 0 ? (right.v - left.v) / span : 0;
        int64_t u = std::llround((left.u + du * (x0 + 0.5 - left.x)) * 65536);
        int64_t v = std::llround((left.v + dv * (x0 + 0.5 - left.x)) * 65536);
        const int64_t su = std::llround(du * 65536), sv = std::llround(dv * 65536);
        uchar* d = out.scanLine(y) + x0 * bpp;
        for (int x = x0; x <= x1; ++x, u += su, v += sv, d += bpp) {
            const int64_t iu = std::clamp<int64_t>(u >> 16, 0, sw - 1);
            const int64_t iv = std::clamp<int64_t>(v >> 16, 0, sh);
            std::memcpy(d, rows[size_t(iv)] + iu * bpp, size_t(bpp));
        }
    }
    result.SetImage(out, format);
    return result;
}

QRect RotateBitmap(const TSafetyBitmap& source, TSafetyBitmap& target, int angle, QSize size,
                   TColor background)
{
    TRotator rotator(angle, QPoint(0, 0));
    const QPoint p0 = rotator.Transformed(QPoint(0, 0));
    const QPoint p1 = rotator.Transformed(QPoint(size.width(), 0));
    const QPoint p2 = rotator.Transformed(QPoint(size.width(), size.height()));
    const QPoint p3 = rotator.Transformed(QPoint(0, size.height()));
    QRect bounds;
    const TSafetyBitmap mapped =
        MapQuad(source, QRect(0, 0, source.Width(), source.Height()), p0, p1, p2, p3, background, &bounds);
    target.SetImage(mapped.Pixels(), mapped.Empty() ? source.PixelFormat() : mapped.PixelFormat());
    return bounds;
}

QRect RotateMaskedBitmap(const TSafetyBitmap& source, TSafetyBitmap& target, int angle, QSize size)
{
    if (!source.Transparent() || source.Empty())
        return RotateBitmap(source, target, angle, size, clWhite);
    TSafetyBitmap work(source);
    work.PrepareMask();
    TSafetyBitmap mask;
    mask.SetImage(work.MaskedImage().GetMask().convertToFormat(QImage::Format_BGR888), TPixelFormat::pf24bit);
    const QRect bounds = RotateBitmap(source, target, angle, size, clWhite);
    TSafetyBitmap turnedMask;
    RotateBitmap(mask, turnedMask, angle, size, clWhite);
    target.SetTransparentColor(source.TransparentColor());
    target.SetTransparent(true);
    target.MaskedImage().SetMask(turnedMask.Pixels());
    return bounds;
}

} // namespace velmo
