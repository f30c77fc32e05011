#include "text/UCoonsDistortion.h"
#include "base/UStream.h"
#include "storage/UCompoundFile.h"
#include "storage/UDocFile.h"
#include <QUuid>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace velmo {

// ---------------------------------------------------------------------------------
// TPatternId

TPatternId TPatternId::Create()
{
    // QUuid's RFC 4122 bytes are big-endian throughout; the stored form keeps the
    // first three fields little-endian.
    const QByteArray rfc = QUuid::createUuid().toRfc4122();
    TPatternId id;
    const auto* b = reinterpret_cast<const uint8_t*>(rfc.constData());
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i)
        id.Bytes[size_t(i)] = b[order[i]];
    return id;
}

QString TPatternId::ToString() const
{
    // Stored order back to the written order of the five groups.
    static const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    QString hex;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            hex += u'-';
        hex += QStringLiteral("%1").arg(Bytes[size_t(order[i])], 2, 16, QLatin1Char('0')).toUpper();
    }
    return u'{' + hex + u'}';
}

bool TPatternId::FromString(const QString& text, TPatternId& id)
{
    const QString t = text.trimmed();
    if (t.size() != 38 || t[0] != u'{' || t[37] != u'}' || t[9] != u'-' || t[14] != u'-' || t[19] != u'-' ||
        t[24] != u'-')
        return false;
    QString hex = t.mid(1, 36);
    hex.remove(u'-');
    if (hex.size() != 32)
        return false;
    uint8_t raw[16];
    for (int i = 0; i < 16; ++i) {
        bool ok = false;
        raw[i] = uint8_t(hex.mid(i * 2, 2).toUInt(&ok, 16));
        if (!ok)
            return false;
    }
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i)
        id.Bytes[size_t(i)] = raw[order[i]];
    return true;
}

// ---------------------------------------------------------------------------------
// TCoonsDistortion

const TPropertyTable& TCoonsDistortion::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .BinaryCustom<TCoonsDistortion>(
                "Data", nullptr, [](const TCoonsDistortion& d, TStream& s) { d.WriteData(s); },
                [](TCoonsDistortion& d, TStream& s) { d.ReadData(s); });
    return table;
}

TCoonsDistortion::TCoonsDistortion() : FId(TPatternId::Create()) {}

void TCoonsDistortion::MarkChanged()
{
    FChanged = true;
    if (OnChange)
        OnChange();
}

void TCoonsDistortion::Clear()
{
    bool any = false;
    for (int side = 0; side < 4; ++side) {
        any = any || PointCount(side) != 0;
        FSides[size_t(side)] = TSide();
    }
    if (any)
        MarkChanged();
}

bool TCoonsDistortion::IsEmpty() const
{
    for (const TSide& side : FSides)
        if (!side.Points.empty())
            return false;
    return true;
}

bool TCoonsDistortion::IsUsable() const
{
    if (IsEmpty() || FSource.IsEmpty() || FTarget.Width() == 0 || FTarget.Height() == 0)
        return false;
    // A side of fewer than two points has no parameters to walk; such a pattern
    // cannot come from a sound stream and is left alone rather than divided by zero.
    for (const TSide& side : FSides)
        if (side.Points.size() < 2)
            return false;
    return true;
}

int TCoonsDistortion::PointCount(int side) const
{
    if (side < 0 || side > 3)
        return 0;
    return int(FSides[size_t(side)].Points.size());
}

void TCoonsDistortion::SetPointCount(int side, int n)
{
    if (side < 0 || side > 3 || n < 0 || n == PointCount(side))
        return;
    TSide& s = FSides[size_t(side)];
    s.Points.resize(size_t(n));
    s.Raw.resize(size_t(n), {DoubleToExtended(0), DoubleToExtended(0)});
    s.Params.assign(size_t(n), 0.0);
    s.Kinds.assign(size_t(n), 0);
    MarkChanged();
}

namespace {

// A stored point may lie outside its patch (a bulge), but not a million patches away.
constexpr double kMaxPointCoordinate = 1.0e6;

bool CoordinateAllowed(double value)
{
    return std::isfinite(value) && std::abs(value) <= kMaxPointCoordinate;
}

// The side that continues side s beyond its first (before) or last (after) point,
// and whether that side is walked from its first point (true) or from its last.
struct TNeighbour
{
    int Side;
    bool FromFirst;
};
constexpr TNeighbour kBefore[4] = {{3, true}, {0, false}, {3, false}, {0, true}};
constexpr TNeighbour kAfter[4] = {{1, true}, {2, false}, {1, false}, {2, true}};

} // namespace

QPointF TCoonsDistortion::GetPoint(int side, int j) const
{
    if (side < 0 || side > 3)
        return {};
    const int n = PointCount(side);
    if (j >= 0 && j < n)
        return FSides[size_t(side)].Points[size_t(j)];
    const TNeighbour nb = j < 0 ? kBefore[side] : kAfter[side];
    const int k = j < 0 ? -j : j - n + 1;
    const int nn = PointCount(nb.Side);
    const int index = nb.FromFirst ? k : nn - 1 - k;
    if (index < 0 || index >= nn)
        return {};
    return FSides[size_t(nb.Side)].Points[size_t(index)];
}

double TCoonsDistortion::Param(int side, int j) const
{
    const int n = PointCount(side);
    if (j >= 0 && j < n)
        return FSides[size_t(side)].Params[size_t(j)];
    const TNeighbour nb = j < 0 ? kBefore[side] : kAfter[side];
    const int k = j < 0 ? -j : j - n + 1;
    const int nn = PointCount(nb.Side);
    const double step = nn > 1 ? double(k) / double(nn - 1) : double(k);
    return j < 0 ? -step : 1.0 + step;
}

void TCoonsDistortion::StorePoint(int side, int j, QPointF point)
{
    TSide& s = FSides[size_t(side)];
    s.Points[size_t(j)] = point;
    s.Raw[size_t(j)] = {DoubleToExtended(point.x()), DoubleToExtended(point.y())};
}

void TCoonsDistortion::SetPoint(int side, int j, QPointF point)
{
    const int n = PointCount(side);
    if (side < 0 || side > 3 || j < 0 || j >= n)
        return;
    StorePoint(side, j, point);
    // The corner is shared with one neighbour; store it there too, one level only.
    auto share = [&](int other, bool first) {
        const int m = PointCount(other);
        if (m > 0)
            StorePoint(other, first ? 0 : m - 1, point);
    };
    if (j == 0) {
        const TNeighbour nb = kBefore[side];
        share(nb.Side, nb.FromFirst);
    }
    if (j == n - 1) {
        const TNeighbour nb = kAfter[side];
        share(nb.Side, nb.FromFirst);
    }
    MarkChanged();
}

uint8_t TCoonsDistortion::PointKind(int side, int j) const
{
    if (side < 0 || side > 3 || j < 0 || j >= PointCount(side))
        return 0;
    return FSides[size_t(side)].Kinds[size_t(j)];
}

void TCoonsDistortion::SetPointKind(int side, int j, uint8_t kind)
{
    if (side < 0 || side > 3 || j < 0 || j >= PointCount(side))
        return;
    FSides[size_t(side)].Kinds[size_t(j)] = kind;
    MarkChanged();
}

void TCoonsDistortion::ApplyRatio(int percent)
{
    const double r = percent / 100.0;
    auto blend = [&](int side, int j, QPointF q) {
        const QPointF p = GetPoint(side, j);
        SetPoint(side, j, q + r * (p - q));
    };
    for (int side : {0, 2}) {
        const int n = PointCount(side);
        for (int j = 0; j < n; ++j)
            blend(side, j, QPointF(n > 1 ? double(j) / (n - 1) : 0.0, side == 0 ? 0.0 : 1.0));
    }
    for (int side : {1, 3}) {
        const int n = PointCount(side);
        for (int j = 1; j < n - 1; ++j)
            blend(side, j, QPointF(side == 1 ? 1.0 : 0.0, double(j) / (n - 1)));
    }
}

void TCoonsDistortion::MakeIdentity()
{
    for (int side = 0; side < 4; ++side) {
        SetPointCount(side, 0);
        SetPointCount(side, 2);
    }
    StorePoint(0, 0, {0, 0});
    StorePoint(0, 1, {1, 0});
    StorePoint(1, 0, {1, 0});
    StorePoint(1, 1, {1, 1});
    StorePoint(2, 0, {0, 1});
    StorePoint(2, 1, {1, 1});
    StorePoint(3, 0, {0, 0});
    StorePoint(3, 1, {0, 1});
    MarkChanged();
}

void TCoonsDistortion::SetSourceRect(const TLogRect& rect)
{
    FSource = rect;
    FSourceWidthInv = rect.Width() != 0 ? 1.0 / rect.Width() : 0.0;
    FSourceHeightInv = rect.Height() != 0 ? 1.0 / rect.Height() : 0.0;
}

void TCoonsDistortion::SetTargetRect(const TLogRect& rect)
{
    FTarget = rect;
}

void TCoonsDistortion::Prepare()
{
    if (!FChanged)
        return;
    for (TSide& side : FSides) {
        const int n = int(side.Points.size());
        if (n == 0)
            continue;
        side.Params[0] = 0.0;
        for (int j = 0; j + 1 < n; ++j)
            side.Params[size_t(j + 1)] = j + 1 == n - 1 ? 1.0 : double(j + 1) / double(n - 1);
    }
    FCorners[0] = GetPoint(0, 0);
    FCorners[1] = GetPoint(1, 0);
    FCorners[2] = GetPoint(2, PointCount(2) - 1);
    FCorners[3] = GetPoint(3, PointCount(3) - 1);
    FChanged = false;
}

QPointF TCoonsDistortion::EvaluateSide(int side, double s)
{
    Prepare();
    const int n = PointCount(side);
    if (n < 2)
        return {};
    int i = n - 2;
    for (int k = 0; k < n - 2; ++k)
        if (s <= Param(side, k + 1)) {
            i = k;
            break;
        }
    const double ti = Param(side, i);
    const double ti1 = Param(side, i + 1);
    const int m = s - ti < ti1 - s ? i : i + 1;
    if (PointKind(side, m) != 0) {
        const QPointF pm = GetPoint(side, m);
        const QPointF a = (GetPoint(side, m - 1) + pm) / 2.0;
        const QPointF c = (pm + GetPoint(side, m + 1)) / 2.0;
        const double tm = Param(side, m);
        const double span = Param(side, m + 1) - Param(side, m - 1);
        if (span != 0.0) {
            const double g = (2.0 * s - tm - Param(side, m - 1)) / span;
            return (1 - g) * (1 - g) * a + 2 * g * (1 - g) * pm + g * g * c;
        }
    }
    const QPointF pi = GetPoint(side, i);
    const QPointF pi1 = GetPoint(side, i + 1);
    if (ti1 == ti)
        return (pi + pi1) / 2.0;
    const double phi = (s - ti) / (ti1 - ti);
    return pi + phi * (pi1 - pi);
}

QPointF TCoonsDistortion::Evaluate(double u, double v)
{
    Prepare();
    const QPointF t = EvaluateSide(0, u);
    const QPointF r = EvaluateSide(1, v);
    const QPointF b = EvaluateSide(2, u);
    const QPointF l = EvaluateSide(3, v);
    return (1 - v) * t + v * b + (1 - u) * l + u * r - (1 - u) * (1 - v) * FCorners[0] -
           u * (1 - v) * FCorners[1] - u * v * FCorners[2] - (1 - u) * v * FCorners[3];
}

void TCoonsDistortion::TransformPoint(QPoint& point)
{
    if (!IsUsable())
        return;
    const double u = (point.x() - FSource.Left) * FSourceWidthInv;
    const double v = (point.y() - FSource.Top) * FSourceHeightInv;
    const QPointF p = Evaluate(u, v);
    // Truncated toward zero; the reciprocal of the source size is rarely exact, so
    // a product that misses a whole number by rounding noise counts as that number
    // (an undistorted pattern then maps every point onto itself).
    auto truncate = [](double value) {
        const double nearest = std::round(value);
        return std::abs(value - nearest) < 1e-7 ? nearest : std::trunc(value);
    };
    const double x = truncate(p.x() * FTarget.Width());
    const double y = truncate(p.y() * FTarget.Height());
    // Points far outside the patch stay representable, and so does their sum with a
    // target corner anywhere in the int range.
    auto place = [](int origin, double offset) {
        const double clamped = std::isfinite(offset) ? std::clamp(offset, -1.0e9, 1.0e9) : 0.0;
        const int64_t sum = int64_t(origin) + int64_t(clamped);
        return int(
            std::clamp<int64_t>(sum, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    };
    point = QPoint(place(FTarget.Left, x), place(FTarget.Top, y));
}

QPointF TCoonsDistortion::TransformPointF(QPointF point)
{
    if (!IsUsable())
        return point;
    const QPointF p =
        Evaluate((point.x() - FSource.Left) * FSourceWidthInv, (point.y() - FSource.Top) * FSourceHeightInv);
    return QPointF(FTarget.Left + p.x() * FTarget.Width(), FTarget.Top + p.y() * FTarget.Height());
}

void TCoonsDistortion::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TCoonsDistortion*>(&source);
    if (!other)
        return;
    if (other == this)
        return;
    FId = other->FId;
    FSides = other->FSides;
    FCorners = other->FCorners;
    FChanged = other->FChanged;
    FSource = other->FSource;
    FTarget = other->FTarget;
    FSourceWidthInv = other->FSourceWidthInv;
    FSourceHeightInv = other->FSourceHeightInv;
    if (OnChange)
        OnChange();
}

bool TCoonsDistortion::SameContent(const TCoonsDistortion& other) const
{
    if (!(FId == other.FId))
        return false;
    for (int side = 0; side < 4; ++side) {
        const TSide& a = FSides[size_t(side)];
        const TSide& b = other.FSides[size_t(side)];
        if (a.Raw != b.Raw || a.Kinds != b.Kinds)
            return false;
    }
    return true;
}

void TCoonsDistortion::WriteData(TStream& stream) const
{
    stream.WriteBuffer(FId.Bytes.data(), 16);
    for (const TSide& side : FSides) {
        const int32_t n = int32_t(side.Points.size());
        const uint8_t b[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
        stream.WriteBuffer(b, 4);
    }
    for (const TSide& side : FSides)
        for (const auto& raw : side.Raw) {
            stream.WriteBuffer(raw[0].data(), 10);
            stream.WriteBuffer(raw[1].data(), 10);
        }
    for (const TSide& side : FSides)
        if (!side.Kinds.empty())
            stream.WriteBuffer(side.Kinds.data(), int64_t(side.Kinds.size()));
}

QByteArray TCoonsDistortion::DataBytes() const
{
    TMemoryStream stream;
    WriteData(stream);
    return stream.Data();
}

void TCoonsDistortion::ReadData(TStream& stream)
{
    TPatternId id;
    stream.ReadBuffer(id.Bytes.data(), 16);
    int32_t counts[4];
    int64_t total = 0;
    for (int32_t& n : counts) {
        uint8_t b[4];
        stream.ReadBuffer(b, 4);
        n = int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
        if (n < 0 || n > kMaxPointsPerSide)
            throw EReadError(ReadErrorMessage());
        total += n;
    }
    // The points and kinds must all be there before anything is allocated.
    if (stream.Remaining() < 21 * total)
        throw EReadError(ReadErrorMessage());
    std::array<TSide, 4> sides;
    for (int side = 0; side < 4; ++side) {
        TSide& s = sides[size_t(side)];
        const size_t n = size_t(counts[side]);
        s.Points.resize(n);
        s.Raw.resize(n);
        s.Params.assign(n, 0.0);
        for (size_t j = 0; j < n; ++j) {
            stream.ReadBuffer(s.Raw[j][0].data(), 10);
            stream.ReadBuffer(s.Raw[j][1].data(), 10);
            const double x = ExtendedToDouble(s.Raw[j][0]);
            const double y = ExtendedToDouble(s.Raw[j][1]);
            // Points are fractions of the patch. NaN, infinity or a coordinate near the
            // limit of a double (which the blending turns into infinity, then NaN) would
            // poison every mapped point: no editor stores such a thing.
            if (!CoordinateAllowed(x) || !CoordinateAllowed(y))
                throw EReadError(ReadErrorMessage());
            s.Points[j] = QPointF(x, y);
        }
    }
    for (int side = 0; side < 4; ++side) {
        TSide& s = sides[size_t(side)];
        s.Kinds.resize(size_t(counts[side]));
        if (!s.Kinds.empty())
            stream.ReadBuffer(s.Kinds.data(), int64_t(s.Kinds.size()));
    }
    FId = id;
    FSides = std::move(sides);
    MarkChanged();
}

void TCoonsDistortion::ReadData(const QByteArray& bytes)
{
    TReadOnlyMemoryStream stream(bytes.constData(), bytes.size());
    ReadData(stream);
}

// ---------------------------------------------------------------------------------
// TCDDFile

TCDDFile::TCDDFile() = default;

TCDDFile::~TCDDFile()
{
    Close();
}

void TCDDFile::Open(const QString& fileName)
{
    Close();
    auto root = std::make_unique<TFileStorage>(fileName, fmDocRead | fmDocShareDenyWrite);
    auto list = std::make_unique<TDocStreamList>(*root, QString::fromLatin1(kCoonsNameListPath));
    FRoot = std::move(root);
    FList = std::move(list);
    FFileName = fileName;
}

void TCDDFile::Close()
{
    FList.reset();
    FRoot.reset();
    FFileName.clear();
}

int TCDDFile::Count() const
{
    return FList ? FList->Count() : 0;
}

QString TCDDFile::Name(int index) const
{
    if (!FList || index < 0 || index >= FList->Count())
        return {};
    return (*FList)[index];
}

void TCDDFile::LoadPattern(TCoonsDistortion& pattern, int index)
{
    if (!FList)
        throw EStorageError(stg::E_FILENOTFOUND);
    std::unique_ptr<TDocStream> stream = FList->OpenStream(index, fmDocRead | fmDocShareExclusive);
    try {
        pattern.ReadData(*stream);
    } catch (const EReadError&) {
        throw EStorageError(stg::E_DOCFILECORRUPT);
    }
}

int TCDDFile::IndexOf(const TCoonsDistortion& pattern)
{
    if (pattern.IsEmpty() || !FList)
        return -1;
    TCoonsDistortion scratch;
    for (int i = 0; i < Count(); ++i) {
        LoadPattern(scratch, i);
        if (scratch.SamePattern(pattern))
            return i;
    }
    return -1;
}

QImage PatternThumbnail(const QImage& sheet, int index)
{
    if (index < 0 || index >= kPatternThumbColumns * kPatternThumbRows || sheet.isNull())
        return {};
    const QRect cell((index % kPatternThumbColumns) * kPatternThumbWidth,
                     (index / kPatternThumbColumns) * kPatternThumbHeight, kPatternThumbWidth,
                     kPatternThumbHeight);
    if (!sheet.rect().contains(cell))
        return {};
    return sheet.copy(cell);
}

} // namespace velmo

// The sample's outline and its distortion live here rather than in the tools so
// that the thumbnails and the pattern sheet always agree with the text object.
#include "text/USimpleText.h"

namespace velmo {

void FlattenStroke(TStroke& stroke, int maxPiece)
{
    maxPiece = std::max(maxPiece, 2);
    const QPainterPath path = stroke.ToPainterPath();
    TStroke flat;
    auto addSplit = [&](QPoint from, QPoint to, uint8_t lastType) {
        const int parts =
            std::max(1, (std::max(std::abs(to.x() - from.x()), std::abs(to.y() - from.y())) + maxPiece - 1) /
                            maxPiece);
        for (int k = 1; k < parts; ++k)
            flat.Add(QPoint(from.x() + int(std::lround(double(to.x() - from.x()) * k / parts)),
                            from.y() + int(std::lround(double(to.y() - from.y()) * k / parts))),
                     PT_LINETO);
        flat.Add(to, lastType);
    };
    for (const QPolygonF& polygon : path.toSubpathPolygons()) {
        if (polygon.size() < 2)
            continue;
        const bool closed = polygon.isClosed();
        const int last = closed ? int(polygon.size()) - 1 : int(polygon.size());
        const QPoint start = polygon[0].toPoint();
        flat.Add(start, PT_MOVETO);
        QPoint current = start;
        for (int i = 1; i < last; ++i) {
            const QPoint p = polygon[i].toPoint();
            addSplit(current, p, PT_LINETO);
            current = p;
        }
        if (closed) {
            // The closing edge is split too; the figure's start is not repeated, the
            // last point closes the figure instead.
            if (current != start) {
                addSplit(current, start, PT_LINETO);
                flat.SetCount(flat.Count() - 1);
            }
            if (flat.Type(flat.Count() - 1) != PT_MOVETO)
                flat.SetType(flat.Count() - 1, PT_LINETO_CLOSE);
        }
    }
    stroke = std::move(flat);
}

TStroke PatternSampleOutline(const TCoonsDistortion& pattern, const TLogRect& target, const QString& sample,
                             TStroke* envelope)
{
    TSimpleText text;
    text.Font()->SetSize(72);
    text.Font()->SetStyle(fsBold);
    text.SetLines({sample});
    const TLogRect big{0, 0, 2000, 400};
    const TLogRect area = text.GetBounds(big);
    TStroke stroke;
    text.MakeOutline(stroke, big, false);
    FlattenStroke(stroke);
    TCoonsDistortion work;
    work.Assign(pattern);
    work.SetSourceRect(area);
    work.SetTargetRect(target);
    work.TransformStroke(stroke);
    if (envelope) {
        envelope->SetRectPath(area);
        envelope->SubdivideLines();
        work.TransformStroke(*envelope);
    }
    return stroke;
}

} // namespace velmo
