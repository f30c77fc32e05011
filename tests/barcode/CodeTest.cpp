// The code utilities and symbol tables, held against the published algorithms.
#include "barcode/UBarCode.h"
#include "barcode/UJANCode.h"
#include "text/UTextCanvas.h"
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <gtest/gtest.h>
#include <set>

using namespace velmo;

namespace {

// The check digit as GS1 publishes it: weights 3 and 1 alternating from the
// rightmost body digit, the digit that makes the sum a multiple of ten.
int PublishedCheckDigit(const QString& body)
{
    int sum = 0;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const int d = body[body.size() - 1 - i].unicode() - u'0';
        sum += (i % 2 == 0) ? 3 * d : d;
    }
    return (10 - sum % 10) % 10;
}

QString RandomDigits(int n)
{
    QString s;
    for (int i = 0; i < n; ++i)
        s += QChar(u'0' + QRandomGenerator::global()->bounded(10));
    return s;
}

} // namespace

TEST(JANCode, CheckDigitsOfThePart)
{
    EXPECT_EQ(JANCheckDigit(QStringLiteral("123456789012")), 8);
    EXPECT_EQ(NormalizeJAN(QStringLiteral("123456789012")), QStringLiteral("1234567890128"));
    EXPECT_EQ(NormalizeJAN(QStringLiteral("1234567890123")), QStringLiteral("1234567890128"));
    EXPECT_EQ(JANCheckDigit(QStringLiteral("1234567")), 0);
    EXPECT_EQ(NormalizeJAN(QStringLiteral("1234567")), QStringLiteral("12345670"));
    EXPECT_TRUE(IsValidJAN(QStringLiteral("1234567890128")));
    EXPECT_FALSE(IsValidJAN(QStringLiteral("1234567890123")));
    EXPECT_FALSE(IsValidJAN(QStringLiteral("123456789012")));
    EXPECT_EQ(JANCheckDigit(QStringLiteral("1234567890")), -1);
    EXPECT_EQ(NormalizeJAN(QStringLiteral("1234567890")), QString());
}

TEST(JANCode, LengthsWithoutACheckDigit)
{
    for (int n = 0; n <= 20; ++n) {
        const QString code = RandomDigits(n);
        const int check = JANCheckDigit(code);
        if (n <= 6 || (n >= 9 && n <= 11)) {
            EXPECT_EQ(check, -1) << n;
        } else {
            EXPECT_GE(check, 0) << n;
        }
        const bool normalises = n == 7 || n == 8 || n == 12 || n == 13;
        EXPECT_EQ(NormalizeJAN(code).isEmpty(), !normalises) << n;
        if (n != 8 && n != 13) {
            EXPECT_FALSE(IsValidJAN(code)) << n;
        }
    }
    // 14 and more characters: the body is the first 12, the rest is ignored.
    EXPECT_EQ(JANCheckDigit(QStringLiteral("12345678901299999")), 8);
}

TEST(JANCode, CheckDigitsAgainstThePublishedAlgorithmOnRandomData)
{
    for (int round = 0; round < 2000; ++round) {
        const QString body = RandomDigits(round % 2 ? 12 : 7);
        const int expected = PublishedCheckDigit(body);
        EXPECT_EQ(JANCheckDigit(body), expected) << body.toStdString();
        const QString full = body + QString::number(expected);
        EXPECT_TRUE(IsValidJAN(full));
        EXPECT_EQ(NormalizeJAN(full), full);
        // Every wrong check digit is refused and mended.
        const QString wrong = body + QString::number((expected + 1 + round % 9) % 10);
        EXPECT_FALSE(IsValidJAN(wrong));
        EXPECT_EQ(NormalizeJAN(wrong), full);
    }
}

TEST(JANCode, DialogAcceptance)
{
    EXPECT_TRUE(IsAcceptableJAN(QStringLiteral("123456789012")));
    EXPECT_TRUE(IsAcceptableJAN(QStringLiteral("1234567")));
    EXPECT_TRUE(IsAcceptableJAN(QStringLiteral("1234567890128")));
    EXPECT_TRUE(IsAcceptableJAN(QStringLiteral("12345670")));
    EXPECT_FALSE(IsAcceptableJAN(QStringLiteral("1234567890123")));
    EXPECT_FALSE(IsAcceptableJAN(QStringLiteral("12345671")));
    EXPECT_FALSE(IsAcceptableJAN(QStringLiteral("12345678901")));
    EXPECT_FALSE(IsAcceptableJAN(QStringLiteral("12345a7")));
    EXPECT_FALSE(IsAcceptableJAN(QStringLiteral("１２３４５６７"))); // full-width digits
    EXPECT_FALSE(IsAcceptableJAN(QString()));
    EXPECT_FALSE(IsAcceptableJAN(QString(1000, u'1')));
}

TEST(JANCode, TablesAreTheStandardsStructure)
{
    std::set<std::string> all;
    for (int d = 0; d < 10; ++d) {
        const std::string a = JANSetA(d), b = JANSetB(d), c = JANSetC(d);
        ASSERT_EQ(a.size(), 7u);
        // Set C is set A inverted, set B is set C reversed.
        std::string inverted = a;
        for (char& ch : inverted)
            ch = ch == '1' ? '0' : '1';
        EXPECT_EQ(c, inverted) << d;
        EXPECT_EQ(b, std::string(c.rbegin(), c.rend())) << d;
        // Odd parity in A (odd count of dark modules), even in B; two bars each.
        EXPECT_EQ(std::count(a.begin(), a.end(), '1') % 2, 1) << d;
        EXPECT_EQ(std::count(b.begin(), b.end(), '1') % 2, 0) << d;
        all.insert(a);
        all.insert(b);
        EXPECT_EQ(JANParity(d)[0], 'O');
    }
    EXPECT_EQ(all.size(), 20u);
    EXPECT_STREQ(JANParity(0), "OOOOOO");
    EXPECT_STREQ(JANParity(1), "OOEOEE");
    EXPECT_STREQ(JANParity(9), "OEEOEO");
}

TEST(Code39, CharacterSetAndCase)
{
    const QString set = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%");
    for (int v = 0; v < 43; ++v) {
        EXPECT_EQ(Code39Value(set[v]), v);
        EXPECT_EQ(Code39Character(v), set[v]);
    }
    EXPECT_EQ(Code39Value(u'*'), -1);
    EXPECT_EQ(Code39Value(u'a'), -1); // exact match
    EXPECT_TRUE(IsValidCode39(QStringLiteral("abc")));
    EXPECT_FALSE(IsValidCode39(QStringLiteral("A*B")));
    EXPECT_FALSE(IsValidCode39(QString()));
    EXPECT_FALSE(IsValidCode39(QStringLiteral("ß")));  // no "SS" from upper-casing
    EXPECT_FALSE(IsValidCode39(QStringLiteral("ı")));  // dotless i is not I
    EXPECT_FALSE(IsValidCode39(QStringLiteral("Ａ"))); // full width
    EXPECT_FALSE(IsValidCode39(QStringLiteral("a_b")));
    EXPECT_EQ(Code39CheckCharacter(QStringLiteral("abc")), QChar(u'X'));
}

TEST(Code39, PatternsHaveNineElementsThreeWide)
{
    std::set<std::string> seen;
    for (int v = 0; v <= 43; ++v) {
        const std::string p = Code39Pattern(v);
        ASSERT_EQ(p.size(), 9u) << v;
        int wide = 0;
        for (size_t i = 0; i < 9; ++i) {
            const char c = p[i];
            if (i % 2 == 0)
                EXPECT_TRUE(c == '1' || c == 'b') << v;
            else
                EXPECT_TRUE(c == '0' || c == 'w') << v;
            wide += c == 'b' || c == 'w';
        }
        EXPECT_EQ(wide, 3) << v;
        seen.insert(p);
    }
    EXPECT_EQ(seen.size(), 44u);
    EXPECT_STREQ(Code39Pattern(43), "1w10b0b01");
}

TEST(Code128, ValuesOfTheByteTable)
{
    EXPECT_EQ(Code128Value(' ', TCode128Set::csA), 0);
    EXPECT_EQ(Code128Value('_', TCode128Set::csB), 63);
    EXPECT_EQ(Code128Value('`', TCode128Set::csA), -1);
    EXPECT_EQ(Code128Value('~', TCode128Set::csB), 94);
    EXPECT_EQ(Code128Value(0xC0, TCode128Set::csA), 64);
    EXPECT_EQ(Code128Value(0xDF, TCode128Set::csA), 95);
    EXPECT_EQ(Code128Value(0xC0, TCode128Set::csB), -1);
    EXPECT_EQ(Code128Value(0xA8, TCode128Set::csB), 95);
    EXPECT_EQ(Code128Value(0xA8, TCode128Set::csA), -1);
    EXPECT_EQ(Code128Value(0xA5, TCode128Set::csA), 101);
    EXPECT_EQ(Code128Value(0xA5, TCode128Set::csB), 100);
    EXPECT_EQ(Code128Value(0xA6, TCode128Set::csA), 102);
    EXPECT_EQ(Code128Value(0xA6, TCode128Set::csB), 102);
    EXPECT_EQ(Code128Value(0xA4, TCode128Set::csA), 100);
    EXPECT_EQ(Code128Value(0xA7, TCode128Set::csB), 101);
    for (int b = 0; b < 256; ++b) {
        const bool data = (b >= 0x20 && b <= 0x7E) || (b >= 0xC0 && b <= 0xDF) || b == 0xA0 || b == 0xA1 ||
                          b == 0xA5 || b == 0xA6 || b == 0xA8;
        EXPECT_EQ(IsValidCode128(QByteArray(1, char(b))), data) << b;
    }
    EXPECT_FALSE(IsValidCode128(QByteArray()));
    // The symbology's own controls would make a scanner read what follows otherwise.
    EXPECT_FALSE(IsValidCode128(QByteArray("AB\xA4"
                                           "c")));
    EXPECT_FALSE(IsValidCode128(QByteArray("ab\xA7"
                                           "C")));
    EXPECT_FALSE(IsValidCode128(QByteArray("12\xA3"
                                           "34")));
    EXPECT_FALSE(IsValidCode128(QByteArray("x\xA2"
                                           "y")));
}

TEST(Code128, SymbolsOfThePartsExample)
{
    const std::vector<int> symbols = Code128Symbols(QByteArray("Ab1"));
    EXPECT_EQ(symbols, (std::vector<int>{103, 33, 100, 66, 17, 87}));
    EXPECT_EQ(Code128Symbols(QByteArray("abc")).front(), 104);
    EXPECT_EQ(Code128Symbols(QByteArray("\xC9")), (std::vector<int>{103, 73, (103 + 73) % 103}));
    EXPECT_TRUE(Code128Symbols(QByteArray("\xA2")).empty());
}

TEST(Code128, PatternsHaveElevenModulesThreeBars)
{
    std::set<std::string> seen;
    for (int v = 0; v <= 105; ++v) {
        const std::string p = Code128Pattern(v);
        ASSERT_EQ(p.size(), 11u) << v;
        EXPECT_EQ(p.front(), '1');
        EXPECT_EQ(p.back(), '0');
        int bars = 0;
        for (size_t i = 0; i < p.size(); ++i)
            bars += p[i] == '1' && (i == 0 || p[i - 1] == '0');
        EXPECT_EQ(bars, 3) << v;
        // Bars are an even count of modules (the parity every character has).
        EXPECT_EQ(std::count(p.begin(), p.end(), '1') % 2, 0) << v;
        seen.insert(p);
    }
    EXPECT_EQ(seen.size(), 106u);
    EXPECT_STREQ(Code128Pattern(103), "11010000100");
    EXPECT_STREQ(Code128Pattern(104), "11010010000");
    EXPECT_STREQ(Code128Pattern(106), "1100011101011");
}

TEST(Code128, TextFormRoundTrip)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    QByteArray back;
    ASSERT_TRUE(Code128FromText(Code128ToText(all), &back));
    EXPECT_EQ(back, all);
    ASSERT_TRUE(Code128FromText(QStringLiteral("A^{ht}^^^{FNC1}"), &back));
    EXPECT_EQ(back, QByteArray("A\xC9^\xA6"));
    EXPECT_FALSE(Code128FromText(QStringLiteral("^{NOPE}"), &back));
    EXPECT_FALSE(Code128FromText(QStringLiteral("^{HT"), &back));
    EXPECT_FALSE(Code128FromText(QStringLiteral("é"), &back));
}

// Grid sizes of the Part's examples, read from the drawers.
TEST(Symbols, GridUnits)
{
    QImage image(400, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TTextCanvas canvas(&painter, 254);
    TBarCode39 c39(canvas, {0, 0, 400, 100}, 250, false, false, false, 0);
    c39.Draw(QStringLiteral("ABC"));
    EXPECT_EQ(c39.GridUnits(), 9400);
    TBarCode39 c39check(canvas, {0, 0, 400, 100}, 250, true, false, false, 0);
    c39check.Draw(QStringLiteral("ABC"));
    EXPECT_EQ(c39check.GridUnits(), (1000 + 600) * 6 + 1400);
    TBarCode128 c128(canvas, {0, 0, 400, 100}, false, false, 0);
    c128.Draw(QByteArray("Ab1"));
    EXPECT_EQ(c128.GridUnits(), 99);
    TJANCode j13(canvas, {0, 0, 400, 100}, 0, false, false);
    j13.Draw(QStringLiteral("1234567890128"));
    EXPECT_EQ(j13.GridUnits(), 109);
    TJANCode j8(canvas, {0, 0, 400, 100}, 0, false, false);
    j8.Draw(QStringLiteral("12345670"));
    EXPECT_EQ(j8.GridUnits(), 81);
}
