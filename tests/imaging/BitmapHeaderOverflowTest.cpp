// Bitmap headers whose planes, bit counts and sizes multiply beyond 32 or 64 bits
// (found by fuzzing colour settings with pictures): the bitmap error, and
// no arithmetic that wraps.
#include "imaging/USafetyBitmap.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>

namespace velmo::test {
namespace {

QByteArray Le(uint32_t v, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out += char((v >> (8 * i)) & 0xFF);
    return out;
}

QByteArray Bitmap(uint32_t headerSize, int32_t width, int32_t height, uint16_t planes, uint16_t bits)
{
    QByteArray info;
    if (headerSize == 12) {
        info = Le(12, 4) + Le(uint32_t(width), 2) + Le(uint32_t(height), 2) + Le(planes, 2) + Le(bits, 2);
    } else {
        info = Le(40, 4) + Le(uint32_t(width), 4) + Le(uint32_t(height), 4) + Le(planes, 2) + Le(bits, 2) +
               QByteArray(24, '\0');
    }
    const QByteArray pixels(64, '\x55');
    return QByteArray("BM") + Le(uint32_t(14 + info.size() + pixels.size()), 4) + Le(0, 4) +
           Le(uint32_t(14 + info.size()), 4) + info + pixels;
}

TEST(BitmapHeaderOverflowTest, HugeProductsAreTheBitmapError)
{
    const QByteArray damaged[] = {
        Bitmap(40, 0x7FFFFFFF, 0x7FFFFFFF, 0xFFFF, 0xFFFF),
        Bitmap(40, 0x7FFFFFFF, -0x7FFFFFFF, 1, 32),
        Bitmap(40, 100000, 100000, 0xFFFF, 0xFFFF),
        Bitmap(12, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF),
        Bitmap(12, 0xFFFF, 0xFFFF, 1, 24),
    };
    for (const QByteArray& bytes : damaged) {
        TSafetyBitmap bitmap;
        TMemoryStream stream(bytes);
        EXPECT_THROW(bitmap.LoadFromStream(stream), Exception) << Hex(bytes.left(40)).toStdString();
        EXPECT_TRUE(bitmap.Empty());
    }
}

} // namespace
} // namespace velmo::test
