#include "storage/UZLibStream.h"
#include "support/TestSupport.h"
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <zlib.h>

namespace velmo::test {
namespace {

QByteArray ZLib(const QByteArray& data, int level = 9)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.constData()),
              uLong(data.size()), level);
    out.truncate(qsizetype(size));
    return out;
}

QByteArray Container(uint32_t statedSize, const QByteArray& zlibData)
{
    QByteArray out = CompressMarker();
    for (int i = 0; i < 4; ++i)
        out += char((statedSize >> (8 * i)) & 0xFF);
    return out + zlibData;
}

QByteArray Inflate(const QByteArray& container)
{
    TReadOnlyMemoryStream in(container.constData(), container.size());
    uint32_t size = 0;
    if (!IsCompressed(in, &size))
        throw EZLibError(QStringLiteral("not compressed"));
    TMemoryStream out;
    Decompress(in, out, size);
    return out.Data();
}

TEST(ZLibStreamTest, ShortStreamsAreNeverCompressed)
{
    for (int n = 0; n <= 13; ++n) {
        // Even a prefix of the marker itself.
        const QByteArray bytes = QByteArray("xx") + CompressMarker().left(n);
        TReadOnlyMemoryStream in(bytes.constData(), bytes.size());
        in.SetPosition(2);
        uint32_t size = 77;
        EXPECT_FALSE(IsCompressed(in, &size)) << n;
        EXPECT_EQ(in.Position(), 2) << n;
        EXPECT_EQ(size, 77u);
    }
    // The marker without a complete size is not a container either.
    const QByteArray cut = CompressMarker() + Bytes({1, 0});
    TReadOnlyMemoryStream in(cut.constData(), cut.size());
    EXPECT_FALSE(IsCompressed(in));
    EXPECT_EQ(in.Position(), 0);
}

TEST(ZLibStreamTest, MarkerNeedsTheEndOfFileByte)
{
    for (int last : {0x00, 0x1B, 0x1A ^ 0x80, int('x')}) {
        QByteArray bytes = QByteArray("ZLIBCompress") + char(last) + Bytes({0, 0, 0, 0});
        TReadOnlyMemoryStream in(bytes.constData(), bytes.size());
        EXPECT_FALSE(IsCompressed(in)) << last;
        EXPECT_EQ(in.Position(), 0);
    }
    QByteArray lower = Container(0, ZLib({}));
    lower[0] = 'z';
    TReadOnlyMemoryStream in(lower.constData(), lower.size());
    EXPECT_FALSE(IsCompressed(in));
}

TEST(ZLibStreamTest, EmptySourceMakesMarkerZeroAndEmptyZLibStream)
{
    TMemoryStream source;
    TMemoryStream target;
    Compress(source, target, TCompressionLevel::clMax);
    const QByteArray& bytes = target.Data();
    ASSERT_GE(bytes.size(), 17 + 8);
    EXPECT_EQ(bytes.left(13), CompressMarker());
    EXPECT_EQ(bytes.mid(13, 4), Bytes({0, 0, 0, 0}));
    EXPECT_EQ(uchar(bytes[17]), 0x78); // a zlib header
    // The zlib stream is a complete stream of nothing.
    uLongf size = 0;
    char dummy;
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(&dummy), &size,
                         reinterpret_cast<const Bytef*>(bytes.constData() + 17), uLong(bytes.size() - 17)),
              Z_OK);
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(Inflate(bytes).isEmpty());
}

TEST(ZLibStreamTest, CompressesFromThePositionAtEveryLevel)
{
    QByteArray data;
    for (int i = 0; i < 100000; ++i)
        data += char((i * 7) % 251);
    for (TCompressionLevel level : {TCompressionLevel::clNone, TCompressionLevel::clFastest,
                                    TCompressionLevel::clDefault, TCompressionLevel::clMax}) {
        TMemoryStream source(QByteArray("skip") + data);
        source.SetPosition(4);
        TMemoryStream target;
        target.WriteBytes("head");
        Compress(source, target, level);
        EXPECT_EQ(source.Position(), source.Size());
        target.SetPosition(4);
        uint32_t size = 0;
        ASSERT_TRUE(IsCompressed(target, &size));
        EXPECT_EQ(size, uint32_t(data.size()));
        TMemoryStream out;
        Decompress(target, out, size);
        EXPECT_EQ(out.Data(), data);
        EXPECT_EQ(target.Position(), target.Size());
    }
    // Level 0 stores; level 9 packs this repetitive data well.
    TMemoryStream a(data), b(data), none, max;
    Compress(a, none, TCompressionLevel::clNone);
    Compress(b, max, TCompressionLevel::clMax);
    EXPECT_GT(none.Size(), data.size());
    EXPECT_LT(max.Size(), data.size() / 10);
}

TEST(ZLibStreamTest, SizeMismatchIsAnError)
{
    const QByteArray data("the quick brown fox jumps over the lazy dog");
    EXPECT_EQ(Inflate(Container(uint32_t(data.size()), ZLib(data))), data);
    EXPECT_THROW(Inflate(Container(uint32_t(data.size()) + 1, ZLib(data))),
                 EZLibError); // shorter than stated
    EXPECT_THROW(Inflate(Container(uint32_t(data.size()) - 1, ZLib(data))), EZLibError); // longer than stated
    EXPECT_THROW(Inflate(Container(0xFFFFFFFF, ZLib(data))), EZLibError);
    EXPECT_THROW(Inflate(Container(0, ZLib(data))), EZLibError);
}

// A target that counts what it is given and keeps nothing, so bombs cost no memory.
class TCountingStream : public TStream
{
public:
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t count) override
    {
        FSize += count;
        return count;
    }
    int64_t Seek(int64_t, TSeekOrigin) override { return FSize; }
    void SetSize(int64_t) override {}
    int64_t Size() override { return FSize; }
    int64_t Written() const { return FSize; }

private:
    int64_t FSize = 0;
};

// Deflates size zero bytes without ever holding them.
QByteArray ZerosDeflated(int64_t size)
{
    z_stream z{};
    deflateInit(&z, 1);
    const QByteArray zeros(1 << 20, '\0');
    QByteArray out;
    char buffer[65536];
    int64_t left = size;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        const int64_t chunk = std::min<int64_t>(left, zeros.size());
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.constData()));
        z.avail_in = uInt(chunk);
        left -= chunk;
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            status = deflate(&z, left == 0 ? Z_FINISH : Z_NO_FLUSH);
            out.append(buffer, qsizetype(sizeof buffer - z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return out;
}

TEST(ZLibStreamTest, StatedSizesAreBoundedBeforeAnythingIsAllocated)
{
    const QByteArray data("a short text");
    // 4 GiB claimed by a few bytes: refused at once, whatever follows.
    EXPECT_THROW(Inflate(Container(0xFFFFFFFF, ZLib(data) + QByteArray(4000, 'x'))), EZLibError);
    // Within the cap, but more than the bytes present could ever inflate to.
    try {
        Inflate(Container(100u * 1024 * 1024, ZLib(data)));
        ADD_FAILURE() << "accepted";
    } catch (const EZLibError& error) {
        EXPECT_TRUE(error.Message().contains(QStringLiteral("beyond what the data can hold")));
    }
    // A real bomb, 64 MiB of zeros in some 300 KB: stating more than the cap it is
    // refused before a byte is inflated; stating little it stops once that is passed.
    const QByteArray bomb = ZerosDeflated(64 << 20);
    ASSERT_LT(bomb.size(), 1 << 19);
    TReadOnlyMemoryStream in(bomb.constData(), bomb.size());
    TCountingStream target;
    EXPECT_THROW(Decompress(in, target, kMaxDecompressedSize + 1), EZLibError);
    EXPECT_EQ(target.Written(), 0);
    TReadOnlyMemoryStream again(bomb.constData(), bomb.size());
    TCountingStream small;
    EXPECT_THROW(Decompress(again, small, 1 << 20), EZLibError);
    EXPECT_LE(small.Written(), (1 << 20));
}

TEST(ZLibStreamTest, DamagedZLibDataIsAnError)
{
    QByteArray data;
    for (int i = 0; i < 5000; ++i)
        data += char(i * 31);
    const QByteArray packed = ZLib(data);
    // Every truncation.
    for (qsizetype n = 0; n < packed.size(); n += 7)
        EXPECT_THROW(Inflate(Container(uint32_t(data.size()), packed.left(n))), EZLibError) << n;
    // Flipped bytes: either an error or, where zlib cannot tell, the stated size.
    for (qsizetype i = 0; i < packed.size(); i += 13) {
        QByteArray bad = packed;
        bad[i] = char(bad[i] ^ 0x55);
        try {
            EXPECT_EQ(Inflate(Container(uint32_t(data.size()), bad)).size(), data.size());
        } catch (const EZLibError&) {
        }
    }
    EXPECT_THROW(Inflate(Container(4, Bytes({1, 2, 3, 4, 5, 6}))), EZLibError);
}

TEST(ZLibStreamTest, DataAfterTheZLibStreamIsLeftForTheCaller)
{
    const QByteArray data("payload");
    const QByteArray bytes = Container(uint32_t(data.size()), ZLib(data)) + QByteArray("TAIL");
    TReadOnlyMemoryStream in(bytes.constData(), bytes.size());
    uint32_t size = 0;
    ASSERT_TRUE(IsCompressed(in, &size));
    TMemoryStream out;
    Decompress(in, out, size);
    EXPECT_EQ(out.Data(), data);
    EXPECT_EQ(in.ReadBytes(4), QByteArray("TAIL"));
}

TEST(ZLibStreamTest, FilesAreDecompressedOnlyWhenMarked)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString packed = dir.filePath(QStringLiteral("packed.cbm"));
    const QString plain = dir.filePath(QStringLiteral("plain.bmp"));
    const QString target = dir.filePath(QStringLiteral("out.bmp"));
    const QByteArray data(3000, 'q');
    {
        QFile f(packed);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Container(uint32_t(data.size()), ZLib(data)));
        QFile g(plain);
        ASSERT_TRUE(g.open(QIODevice::WriteOnly));
        g.write("BM not compressed at all");
    }
    EXPECT_TRUE(IsCompressedFile(packed));
    EXPECT_FALSE(IsCompressedFile(plain));
    EXPECT_FALSE(IsCompressedFile(dir.filePath(QStringLiteral("missing"))));
    EXPECT_FALSE(DecompressFile(plain, target));
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_TRUE(DecompressFile(packed, target));
    QFile out(target);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), data);
    out.close();

    // A damaged source leaves an existing target as it was.
    const QString damaged = dir.filePath(QStringLiteral("damaged.cbm"));
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Container(uint32_t(data.size()) + 5, ZLib(data)));
    }
    EXPECT_THROW(DecompressFile(damaged, target), EZLibError);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), data);
}

} // namespace
} // namespace velmo::test
