// The distortion pattern: points and corners, strength, side evaluation, mapping,
// the stored form and the pattern file.
#include "base/UExtended.h"
#include "base/UGraphics.h"
#include "base/UStream.h"
#include "storage/UCompoundFile.h"
#include "storage/UDocFile.h"
#include "support/TestSupport.h"
#include "text/UCoonsDistortion.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>

using namespace velmo;
using namespace velmo::test;

namespace {

void Identity(TCoonsDistortion& d)
{
    d.MakeIdentity();
}

// A pattern whose top bows up and whose right side leans in.
void Bent(TCoonsDistortion& d)
{
    d.SetPointCount(0, 3);
    d.SetPointCount(1, 2);
    d.SetPointCount(2, 2);
    d.SetPointCount(3, 2);
    d.SetPoint(0, 0, {0, 0.2});
    d.SetPoint(0, 1, {0.5, -0.1});
    d.SetPoint(0, 2, {0.8, 0.2});
    d.SetPoint(2, 0, {0, 1});
    d.SetPoint(2, 1, {1, 1});
    d.SetPointKind(0, 1, 1);
}

void ExpectNear(QPointF a, QPointF b)
{
    EXPECT_NEAR(a.x(), b.x(), 1e-12);
    EXPECT_NEAR(a.y(), b.y(), 1e-12);
}

} // namespace

TEST(CoonsDistortion, NewPatternIsEmptyWithItsOwnIdentifier)
{
    TCoonsDistortion a, b;
    EXPECT_TRUE(a.IsEmpty());
    EXPECT_FALSE(a.SamePattern(b));
    EXPECT_EQ(a.DataBytes().size(), 32);
}

TEST(CoonsDistortion, EmptyDataIsTheIdentifierAndFourZeroCounts)
{
    TCoonsDistortion a;
    const QByteArray bytes = a.DataBytes();
    ASSERT_EQ(bytes.size(), 32);
    EXPECT_EQ(bytes.mid(0, 16), QByteArray(reinterpret_cast<const char*>(a.Id().Bytes.data()), 16));
    EXPECT_EQ(bytes.mid(16), QByteArray(16, '\0'));
}

TEST(CoonsDistortion, IdentifierTextRoundTripsInTheStoredLayout)
{
    TPatternId id;
    ASSERT_TRUE(TPatternId::FromString(QStringLiteral("{01234567-89AB-CDEF-0123-456789ABCDEF}"), id));
    // 32-bit and 16-bit fields little-endian, the last eight bytes in order.
    EXPECT_EQ(Hex(QByteArray(reinterpret_cast<const char*>(id.Bytes.data()), 16)),
              QStringLiteral("67 45 23 01 AB 89 EF CD 01 23 45 67 89 AB CD EF"));
    EXPECT_EQ(id.ToString(), QStringLiteral("{01234567-89AB-CDEF-0123-456789ABCDEF}"));
    TPatternId bad;
    EXPECT_FALSE(TPatternId::FromString(QStringLiteral("{0123}"), bad));
    EXPECT_FALSE(TPatternId::FromString(QStringLiteral("{01234567-89AB-CDEF-0123-456789ABCDEG}"), bad));
}

TEST(CoonsDistortion, SettingALastPointAlsoSetsTheNeighboursFirst)
{
    TCoonsDistortion d;
    Identity(d);
    d.SetPoint(0, 1, {0.9, 0.1});
    ExpectNear(d.GetPoint(1, 0), {0.9, 0.1});
    // An inner point changes nothing else.
    d.SetPointCount(1, 3);
    d.SetPoint(1, 0, {0.9, 0.1});
    d.SetPoint(1, 2, {1, 1});
    const QPointF before0 = d.GetPoint(0, 1), before2 = d.GetPoint(2, 1);
    d.SetPoint(1, 1, {0.7, 0.5});
    ExpectNear(d.GetPoint(0, 1), before0);
    ExpectNear(d.GetPoint(2, 1), before2);
}

TEST(CoonsDistortion, CornerSharingGoesOneLevelOnly)
{
    TCoonsDistortion d;
    Identity(d);
    d.SetPoint(1, 1, {0.8, 0.9}); // bottom-right through side 1 reaches side 2's last
    ExpectNear(d.GetPoint(2, 1), {0.8, 0.9});
    d.SetPoint(3, 1, {0.1, 0.95}); // bottom-left through side 3 reaches side 2's first
    ExpectNear(d.GetPoint(2, 0), {0.1, 0.95});
}

TEST(CoonsDistortion, OutOfRangeSetsAreIgnored)
{
    TCoonsDistortion d;
    Identity(d);
    const QByteArray before = d.DataBytes();
    d.SetPoint(0, 2, {5, 5});
    d.SetPoint(0, -1, {5, 5});
    d.SetPoint(4, 0, {5, 5});
    d.SetPointCount(0, -3);
    EXPECT_EQ(d.DataBytes(), before);
    EXPECT_EQ(d.PointKind(0, 7), 0);
}

TEST(CoonsDistortion, ContinuationsWalkAwayFromTheSharedCorner)
{
    TCoonsDistortion d;
    for (int side = 0; side < 4; ++side)
        d.SetPointCount(side, 3);
    // Label every point by side and index (corners are overwritten by later sides,
    // which is fine for this walk).
    for (int side = 0; side < 4; ++side)
        for (int j = 0; j < 3; ++j)
            d.SetPoint(side, j, {double(side), double(j)});
    // side 0 before its first: side 3's second; after its last: side 1's second.
    ExpectNear(d.GetPoint(0, -1), d.GetPoint(3, 1));
    ExpectNear(d.GetPoint(0, 3), d.GetPoint(1, 1));
    // side 1: side 0's point N0 - 1 + j for j < 0; side 2's second-to-last after.
    ExpectNear(d.GetPoint(1, -1), d.GetPoint(0, 1));
    ExpectNear(d.GetPoint(1, 3), d.GetPoint(2, 1));
    // side 2: side 3's and side 1's second-to-last.
    ExpectNear(d.GetPoint(2, -1), d.GetPoint(3, 1));
    ExpectNear(d.GetPoint(2, 3), d.GetPoint(1, 1));
    // side 3: side 0's second and side 2's second.
    ExpectNear(d.GetPoint(3, -1), d.GetPoint(0, 1));
    ExpectNear(d.GetPoint(3, 3), d.GetPoint(2, 1));
}

TEST(CoonsDistortion, SmoothPointSideFollowsTheQuadraticPiece)
{
    TCoonsDistortion d;
    Identity(d);
    d.SetPointCount(0, 3);
    d.SetPoint(0, 0, {0, 0});
    d.SetPoint(0, 1, {0.5, 0.5});
    d.SetPoint(0, 2, {1, 0});
    d.SetPointKind(0, 1, 1);
    ExpectNear(d.EvaluateSide(0, 0.25), {0.25, 0.25});
    ExpectNear(d.EvaluateSide(0, 0.5), {0.5, 0.375});
    // The same side with a corner in the middle is a polyline.
    d.SetPointKind(0, 1, 0);
    ExpectNear(d.EvaluateSide(0, 0.25), {0.25, 0.25});
    ExpectNear(d.EvaluateSide(0, 0.5), {0.5, 0.5});
    ExpectNear(d.EvaluateSide(0, 0.75), {0.75, 0.25});
}

TEST(CoonsDistortion, IdentityMapsCornersAndCentreOntoTheTarget)
{
    TCoonsDistortion d;
    Identity(d);
    d.SetSourceRect({10, 20, 110, 70});
    d.SetTargetRect({300, 400, 700, 600});
    auto map = [&](QPoint p) {
        d.TransformPoint(p);
        return p;
    };
    EXPECT_EQ(map({10, 20}), QPoint(300, 400));
    EXPECT_EQ(map({110, 20}), QPoint(700, 400));
    EXPECT_EQ(map({110, 70}), QPoint(700, 600));
    EXPECT_EQ(map({10, 70}), QPoint(300, 600));
    EXPECT_EQ(map({60, 45}), QPoint(500, 500));
}

TEST(CoonsDistortion, IdentityOntoItsOwnRectangleMapsEveryPointOntoItself)
{
    TCoonsDistortion d;
    Identity(d);
    d.SetSourceRect({0, 0, 1000, 500});
    d.SetTargetRect({0, 0, 1000, 500});
    for (int x = 0; x <= 1000; x += 125)
        for (int y = 0; y <= 500; y += 100) {
            QPoint p(x, y);
            d.TransformPoint(p);
            EXPECT_EQ(p, QPoint(x, y));
        }
}

TEST(CoonsDistortion, UnusablePatternLeavesPointsAlone)
{
    TCoonsDistortion empty;
    empty.SetSourceRect({0, 0, 100, 100});
    empty.SetTargetRect({0, 0, 200, 200});
    QPoint p(50, 50);
    empty.TransformPoint(p);
    EXPECT_EQ(p, QPoint(50, 50));
    TCoonsDistortion flat;
    Identity(flat);
    flat.SetSourceRect({0, 0, 0, 100});
    flat.SetTargetRect({0, 0, 200, 200});
    flat.TransformPoint(p);
    EXPECT_EQ(p, QPoint(50, 50));
    // A side of one point cannot be walked: left alone, not divided by zero.
    TCoonsDistortion lone;
    Identity(lone);
    lone.SetPointCount(1, 1);
    lone.SetSourceRect({0, 0, 100, 100});
    lone.SetTargetRect({0, 0, 200, 200});
    EXPECT_FALSE(lone.IsUsable());
    lone.TransformPoint(p);
    EXPECT_EQ(p, QPoint(50, 50));
}

TEST(CoonsDistortion, RatioZeroMapsLikeTheIdentity)
{
    TCoonsDistortion d;
    Bent(d);
    d.ApplyRatio(0);
    TCoonsDistortion id;
    Identity(id);
    for (TCoonsDistortion* p : {&d, &id}) {
        p->SetSourceRect({0, 0, 400, 100});
        p->SetTargetRect({1000, 1000, 1800, 1300});
    }
    for (int x = -40; x <= 440; x += 40)
        for (int y = 0; y <= 100; y += 25) {
            QPoint a(x, y), b(x, y);
            d.TransformPoint(a);
            id.TransformPoint(b);
            EXPECT_EQ(a, b) << x << "," << y;
        }
}

TEST(CoonsDistortion, RatioHalfPutsPointsHalfway)
{
    TCoonsDistortion d;
    Bent(d);
    d.ApplyRatio(50);
    ExpectNear(d.GetPoint(0, 0), {0, 0.1});
    ExpectNear(d.GetPoint(0, 1), {0.5, -0.05});
    ExpectNear(d.GetPoint(0, 2), {0.9, 0.1});
    // The corner reached side 1 through side 0.
    ExpectNear(d.GetPoint(1, 0), {0.9, 0.1});
    EXPECT_EQ(d.PointKind(0, 1), 1);
}

TEST(CoonsDistortion, PointsLeftOfTheSourceExtendTheFirstSegment)
{
    TCoonsDistortion d;
    Identity(d);
    d.SetPoint(0, 1, {1, 0.5}); // top falls to the right
    d.SetSourceRect({0, 0, 100, 100});
    d.SetTargetRect({0, 0, 100, 100});
    QPoint p(-50, 0);
    d.TransformPoint(p);
    // u = -0.5 on a top line falling 0.5 per unit: y = -0.25 there.
    EXPECT_EQ(p, QPoint(-50, -25));
}

TEST(CoonsDistortion, DataRoundTripsByteForByte)
{
    TCoonsDistortion d;
    Bent(d);
    const QByteArray bytes = d.DataBytes();
    EXPECT_EQ(bytes.size(), 32 + 21 * (3 + 2 + 2 + 2));
    TCoonsDistortion e;
    e.ReadData(bytes);
    EXPECT_TRUE(e.SamePattern(d));
    EXPECT_EQ(e.DataBytes(), bytes);
    // Extended values no double holds exactly come back unchanged too.
    QByteArray odd = bytes;
    odd[32] = char(0x01); // lowest mantissa byte of side 0's first x
    TCoonsDistortion f;
    f.ReadData(odd);
    EXPECT_EQ(f.DataBytes(), odd);
}

TEST(CoonsDistortion, DataFieldsAreWhereTheyBelong)
{
    TCoonsDistortion d;
    Identity(d);
    d.SetPointKind(3, 1, 7);
    const QByteArray b = d.DataBytes();
    ASSERT_EQ(b.size(), 32 + 21 * 8);
    EXPECT_EQ(Hex(b.mid(16, 16)), QStringLiteral("02 00 00 00 02 00 00 00 02 00 00 00 02 00 00 00"));
    // side 0's second point is (1, 0).
    const Extended80 one = DoubleToExtended(1.0);
    EXPECT_EQ(b.mid(32 + 20, 10), QByteArray(reinterpret_cast<const char*>(one.data()), 10));
    // Kinds at the end, side 3 last.
    EXPECT_EQ(Hex(b.right(8)), QStringLiteral("00 00 00 00 00 00 00 07"));
}

TEST(CoonsDistortion, DamagedDataIsRefusedAndLeavesThePattern)
{
    TCoonsDistortion d;
    Bent(d);
    const QByteArray good = d.DataBytes();
    TCoonsDistortion target;
    Identity(target);
    const QByteArray before = target.DataBytes();
    // Truncated in every place.
    for (int cut : {0, 10, 16, 20, 31, 40, int(good.size()) - 1}) {
        EXPECT_THROW(target.ReadData(good.left(cut)), EReadError) << cut;
        EXPECT_EQ(target.DataBytes(), before);
    }
    // Negative and absurd counts.
    for (int32_t count : {-1, 0x7FFFFFFF, TCoonsDistortion::kMaxPointsPerSide + 1}) {
        QByteArray bad = good;
        for (int i = 0; i < 4; ++i)
            bad[16 + i] = char(uint32_t(count) >> (8 * i));
        EXPECT_THROW(target.ReadData(bad), EReadError);
        EXPECT_EQ(target.DataBytes(), before);
    }
}

TEST(CoonsDistortion, NonFiniteAndHugeCoordinatesAreRefused)
{
    TCoonsDistortion d;
    Identity(d);
    const QByteArray good = d.DataBytes();
    TCoonsDistortion target;
    Bent(target);
    const QByteArray before = target.DataBytes();
    // Side 0's second x as infinity, NaN, and finite values that blending overflows
    // (2^1023 * 1.6, near the largest double) or that lie far beyond any bulge.
    const char inf[10] = {0, 0, 0, 0, 0, 0, 0, char(0x80), char(0xFF), char(0x7F)};
    const char nan[10] = {0, 0, 0, 0, 0, 0, char(0xC0), char(0xC0), char(0xFF), char(0x7F)};
    const char huge[10] = {0, 0, 0, 0, 0, 0, char(0x66), char(0xCC), char(0xFE), char(0x43)};
    const char far[10] = {0, 0, 0, 0, 0, 0, 0, char(0x80), char(0x30), char(0x40)}; // 2^49
    for (const char* value : {inf, nan, huge, far}) {
        QByteArray b = good;
        b.replace(32 + 20, 10, QByteArray(value, 10));
        EXPECT_THROW(target.ReadData(b), EReadError);
        EXPECT_EQ(target.DataBytes(), before);
    }
    // A bulge well outside the patch is a real pattern and reads.
    QByteArray b = good;
    const char outside[10] = {0, 0, 0, 0, 0, 0, 0, char(0x80), char(0x01), char(0x40)}; // 4.0
    b.replace(32 + 20, 10, QByteArray(outside, 10));
    target.ReadData(b);
    EXPECT_EQ(target.GetPoint(0, 1).x(), 4.0);
}

TEST(CoonsDistortion, MappedPointsStayInTheIntRangeNearItsEnds)
{
    TCoonsDistortion d;
    Identity(d);
    d.SetSourceRect({0, 0, 1000, 1000});
    // A target whose corner sits near the end of the int range: the mapped point
    // saturates instead of wrapping round to the other end.
    d.SetTargetRect({std::numeric_limits<int>::max() - 10, 0, std::numeric_limits<int>::max(), 10});
    QPoint p(1000000, 500);
    d.TransformPoint(p);
    EXPECT_EQ(p.x(), std::numeric_limits<int>::max());
    EXPECT_EQ(p.y(), 5);
}

TEST(CoonsDistortion, AssignCopiesEverythingAndIgnoresOtherClasses)
{
    TCoonsDistortion d;
    Bent(d);
    d.SetSourceRect({1, 2, 3, 4});
    TCoonsDistortion e;
    e.Assign(d);
    EXPECT_TRUE(e.SameContent(d));
    EXPECT_EQ(e.SourceRect(), d.SourceRect());
    TStrings other;
    const QByteArray before = e.DataBytes();
    e.Assign(other);
    EXPECT_EQ(e.DataBytes(), before);
}

TEST(CoonsDistortion, ClearEmptiesThePattern)
{
    TCoonsDistortion d;
    Bent(d);
    d.Clear();
    EXPECT_TRUE(d.IsEmpty());
    EXPECT_EQ(d.DataBytes().size(), 32);
}

TEST(CoonsDistortion, FlattenedOutlineHasOnlyShortStraightPieces)
{
    TStroke s;
    QPainterPath path;
    path.addEllipse(QRectF(0, 0, 400, 200));
    s.AppendPath(path);
    FlattenStroke(s);
    ASSERT_GT(s.Count(), 20);
    for (int i = 0; i < s.Count(); ++i)
        EXPECT_NE(s.Type(i) & ~PT_CLOSEFIGURE, PT_BEZIERTO);
    for (int i = 1; i < s.Count(); ++i)
        if (s.Type(i) != PT_MOVETO) {
            EXPECT_LT(std::abs(s.Point(i).x() - s.Point(i - 1).x()), 9);
            EXPECT_LT(std::abs(s.Point(i).y() - s.Point(i - 1).y()), 9);
        }
}

// ---- the pattern file

namespace {

void WritePatternFile(const QString& fileName, const std::vector<TCoonsDistortion*>& patterns,
                      const QByteArray& damageSecond = {})
{
    TTemporaryStorage root;
    {
        TDocStreamList list(root, QString::fromLatin1(kCoonsNameListPath));
        for (size_t i = 0; i < patterns.size(); ++i) {
            const int index = list.Add(QStringLiteral("P%1").arg(i));
            TDocStream stream(root, fmDocCreate, list.FullPath(index));
            const QByteArray data =
                i == 1 && !damageSecond.isNull() ? damageSecond : patterns[i]->DataBytes();
            stream.WriteBuffer(data.constData(), data.size());
        }
    }
    root.SaveTo(fileName);
}

} // namespace

TEST(CDDFile, ListsLoadsAndFindsPatternsByIdentifier)
{
    QTemporaryDir dir;
    TCoonsDistortion a, b, c;
    Identity(a);
    Bent(b);
    Bent(c);
    c.SetId(TPatternId::Create());
    const QString file = dir.filePath(QStringLiteral("p.cdd"));
    WritePatternFile(file, {&a, &b, &c});
    TCDDFile cdd;
    cdd.Open(file);
    EXPECT_EQ(cdd.Count(), 3);
    EXPECT_EQ(cdd.Name(2), QStringLiteral("P2"));
    TCoonsDistortion loaded;
    cdd.LoadPattern(loaded, 1);
    EXPECT_TRUE(loaded.SameContent(b));
    EXPECT_EQ(cdd.IndexOf(b), 1);
    EXPECT_EQ(cdd.IndexOf(c), 2);
    TCoonsDistortion stranger;
    Bent(stranger);
    stranger.SetId(TPatternId::Create());
    EXPECT_EQ(cdd.IndexOf(stranger), -1);
    TCoonsDistortion empty;
    EXPECT_EQ(cdd.IndexOf(empty), -1);
    cdd.Close();
    EXPECT_EQ(cdd.Count(), 0);
}

TEST(CDDFile, DamagedStreamGivesTheStorageError)
{
    QTemporaryDir dir;
    TCoonsDistortion a, b;
    Identity(a);
    Bent(b);
    const QString file = dir.filePath(QStringLiteral("p.cdd"));
    WritePatternFile(file, {&a, &b}, b.DataBytes().left(40));
    TCDDFile cdd;
    cdd.Open(file);
    TCoonsDistortion loaded;
    Identity(loaded);
    const QByteArray before = loaded.DataBytes();
    try {
        cdd.LoadPattern(loaded, 1);
        FAIL() << "no error";
    } catch (const EStorageError& e) {
        EXPECT_EQ(e.Status(), stg::E_DOCFILECORRUPT);
    }
    EXPECT_EQ(loaded.DataBytes(), before);
    EXPECT_THROW(cdd.LoadPattern(loaded, 5), EStorageError);
}

TEST(CDDFile, MissingOrForeignFileGivesTheStorageError)
{
    QTemporaryDir dir;
    TCDDFile cdd;
    EXPECT_THROW(cdd.Open(dir.filePath(QStringLiteral("none.cdd"))), EStorageError);
    const QString junk = dir.filePath(QStringLiteral("junk.cdd"));
    WriteFileBytes(junk, QByteArray(3000, 'x'));
    EXPECT_THROW(cdd.Open(junk), EStorageError);
    EXPECT_FALSE(cdd.IsOpen());
}

TEST(CDDFile, DeliveredFileHasSixtyFourDistinctPatternsAndTheirThumbnails)
{
    const QString file = BinaryDir() + QStringLiteral("/data/velmo.cdd");
    ASSERT_TRUE(QFile::exists(file)) << file.toStdString();
    TCDDFile cdd;
    cdd.Open(file);
    ASSERT_EQ(cdd.Count(), 64);
    QSet<QString> ids;
    for (int i = 0; i < cdd.Count(); ++i) {
        TCoonsDistortion p;
        cdd.LoadPattern(p, i);
        EXPECT_FALSE(p.IsEmpty());
        for (int side = 0; side < 4; ++side)
            EXPECT_GE(p.PointCount(side), 2);
        ids.insert(p.Id().ToString());
        EXPECT_EQ(cdd.IndexOf(p), i);
    }
    EXPECT_EQ(ids.size(), 64);
}

TEST(CDDFile, IndependentReadersSeeTheNameListAndSixtyFourPatterns)
{
    const QString file = BinaryDir() + QStringLiteral("/data/velmo.cdd");
    if (!QFile::exists(QStringLiteral("/usr/bin/python3")) || !QFile::exists(QStringLiteral("/usr/bin/gsf")))
        GTEST_FAIL() << "python3-olefile and libgsf-bin are needed (scripts/install-deps)";
    static const char kScript[] = R"(
import sys, olefile
ole = olefile.OleFileIO(sys.argv[1])
raw = ole.openstream('CoonsDistortionData/NameList').read()
names = [n for n in raw[4:].decode('cp932').split('\r\n') if n]
assert len(names) == 64, len(names)
ids = set()
for name in names:
    data = ole.openstream('CoonsDistortionData/' + name).read()
    counts = [int.from_bytes(data[16 + 4 * i:20 + 4 * i], 'little') for i in range(4)]
    assert len(data) == 32 + 21 * sum(counts), (name, len(data), counts)
    assert min(counts) >= 2, (name, counts)
    ids.add(data[:16])
assert len(ids) == 64
print('patterns', len(names))
)";
    const ProcessResult ole = RunProgram(QStringLiteral("/usr/bin/python3"),
                                         {QStringLiteral("-c"), QString::fromLatin1(kScript), file});
    ASSERT_EQ(ole.ExitCode, 0) << ole.StdErr.toStdString();
    EXPECT_TRUE(ole.StdOut.contains("patterns 64"));
    const ProcessResult gsf = RunProgram(QStringLiteral("/usr/bin/gsf"), {QStringLiteral("list"), file});
    ASSERT_EQ(gsf.ExitCode, 0) << gsf.StdErr.toStdString();
    const QStringList lines = QString::fromUtf8(gsf.StdOut).split('\n', Qt::SkipEmptyParts);
    int streams = 0;
    for (const QString& line : lines)
        if (line.startsWith(u'f') && line.contains(QStringLiteral("CoonsDistortionData/")))
            ++streams;
    EXPECT_EQ(streams, 65); // the name list and the patterns
}
