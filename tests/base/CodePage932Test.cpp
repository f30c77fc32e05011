#include "base/UCodePage932.h"
#include "base/UExceptions.h"
#include "support/TestSupport.h"
#include <gtest/gtest.h>

using namespace velmo;
using velmo::test::Bytes;
using velmo::test::Hex;

TEST(CodePage932, CharactersWhereItDiffersFromJisShiftJis)
{
    const QString text = QStringLiteral("～∥－￥①髙");
    const QByteArray expected =
        Bytes({0x81, 0x60, 0x81, 0x61, 0x81, 0x7C, 0x81, 0x8F, 0x87, 0x40, 0xFB, 0xFC});
    const QByteArray encoded = cp932::Encode(text);
    EXPECT_EQ(Hex(encoded), Hex(expected));
    bool ok = false;
    EXPECT_EQ(cp932::Decode(expected, &ok), text);
    EXPECT_TRUE(ok);
}

TEST(CodePage932, AsciiHalfWidthKanaAndKanjiRoundTrip)
{
    const QString text = QStringLiteral("ABC\\~ ﾍﾞﾙﾓ ベルモ 漢字");
    const QByteArray encoded = cp932::Encode(text);
    EXPECT_EQ(encoded.left(5), QByteArray("ABC\\~"));
    EXPECT_EQ(uchar(encoded.at(6)), 0xCD); // ﾍ is a single byte
    EXPECT_EQ(cp932::Decode(encoded), text);
}

TEST(CodePage932, UnencodableCharacterIsReportedNotReplaced)
{
    const QString text = QStringLiteral("ab\u00E9c"); // é has no code page 932 form
    bool ok = true;
    const QByteArray partial = cp932::Encode(text, &ok);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(partial.contains('?'));
    EXPECT_FALSE(cp932::CanEncode(text));
    EXPECT_FALSE(cp932::CanEncode(QStringLiteral("\U0001F600")));
    EXPECT_TRUE(cp932::CanEncode(QStringLiteral("ベルモ")));
    try {
        cp932::Encode(text);
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("U+00E9"))) << e.Message().toStdString();
    }
}

TEST(CodePage932, DamagedBytesDecodeWithReplacementAndReport)
{
    bool ok = true;
    // A lead byte at the end and an invalid trail byte.
    const QString text = cp932::Decode(Bytes({'A', 0x81}), &ok);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(text.startsWith(QLatin1Char('A')));
    ok = true;
    cp932::Decode(Bytes({0x81, 0x20, 'B'}), &ok);
    EXPECT_FALSE(ok);
}

TEST(CodePage932, LeadBytes)
{
    EXPECT_TRUE(cp932::IsLeadByte(0x81));
    EXPECT_TRUE(cp932::IsLeadByte(0x9F));
    EXPECT_TRUE(cp932::IsLeadByte(0xE0));
    EXPECT_TRUE(cp932::IsLeadByte(0xFC));
    EXPECT_FALSE(cp932::IsLeadByte(0xA0));
    EXPECT_FALSE(cp932::IsLeadByte(0xCD));
    EXPECT_FALSE(cp932::IsLeadByte(0x80));
}

TEST(CodePage932, SingleByteA0RoundTripsAsThePlatformMapsIt)
{
    // Code 128 data stores FNC3 as the byte 0xA0, which ICU's table lacks.
    const QByteArray bytes("A\xA0"
                           "B\x82\xA0\xA0\xB1",
                           7); // a lead byte's trail 0xA0 is a kana
    bool ok = false;
    const QString text = cp932::Decode(bytes, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(text, QString::fromUtf16(u"A\uF8F0Bあ\uF8F0ｱ"));
    EXPECT_EQ(cp932::Encode(text), bytes);
    EXPECT_EQ(cp932::Decode(QByteArray("\xA0")), QString(QChar(0xF8F0)));
    EXPECT_EQ(cp932::Encode(QString(QChar(0xF8F0))), QByteArray("\xA0"));
    EXPECT_TRUE(cp932::CanEncode(QString::fromUtf16(u"x\uF8F0y")));
    EXPECT_FALSE(cp932::CanEncode(QString::fromUtf16(u"x\uF8F0\u00E9")));
}
