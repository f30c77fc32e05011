#include "base/UCodePage932.h"
#include "text/UStringUtil.h"
#include <gtest/gtest.h>

using namespace velmo;

namespace {
QString U(const char16_t* s)
{
    return QString::fromUtf16(s);
}
} // namespace

TEST(StringUtil, HalfToFullExamples)
{
    EXPECT_EQ(HalfToFull("ABC-123"), U(u"ＡＢＣ－１２３"));
    EXPECT_EQ(HalfToFull("ABC-123", "-"), U(u"ＡＢＣ-１２３"));
    EXPECT_EQ(HalfToFull("a b"), U(u"ａ ｂ"));
    EXPECT_EQ(HalfToFull(U(u"ｶﾞｯｺｳ")), U(u"ガッコウ"));
    EXPECT_EQ(HalfToFull(U(u"ﾊﾟﾝ")), U(u"パン"));
    EXPECT_EQ(HalfToFull(U(u"ｳﾞｨ")), U(u"ヴィ"));
    EXPECT_EQ(HalfToFull("2*3~"), U(u"２×３″"));
    EXPECT_EQ(HalfToFull(U(u"漢字かな＃")), U(u"漢字かな＃"));
}

TEST(StringUtil, HalfToFullSymbolListInOrder)
{
    const QString source = U(u"!\"#$%&'()*+,-./:;<=>?@_^[\\]`{|}~｡｢｣､･ｰﾞﾟ");
    const QString target = U(u"！”＃＄％＆’（）×＋，－．／：；＜＝＞？＠＿＾［￥］｀｛｜｝″。「」、・ー゛゜");
    ASSERT_EQ(CharCount(source), 40);
    // Each symbol alone (the sound marks too, which have nothing to join).
    for (int i = 1; i <= 40; ++i)
        EXPECT_EQ(HalfToFull(CharAt(source, i)), CharAt(target, i)) << i;
    // The minus of code page 932 (81 7C) and the yen sign (81 8F) are what "-" and
    // "\" become.
    EXPECT_EQ(cp932::Encode(HalfToFull("-\\")), QByteArray("\x81\x7C\x81\x8F"));
}

TEST(StringUtil, HalfToFullKanaPlaceHolders)
{
    // Repeated entries only hold places: ｶ and ｹ stay カ and ケ, ﾔ ﾕ ﾜ their own.
    EXPECT_EQ(HalfToFull(U(u"ｶｹｬｭﾜｦﾝｧｨｩｪｫｯｮ")), U(u"カケャュワヲンァィゥェォッョ"));
    EXPECT_EQ(HalfToFull(U(u"ﾌﾞﾎﾟｷﾞｿﾞ")), U(u"ブポギゾ"));
    EXPECT_EQ(HalfToFull(U(u"ｱｲｳｴｵﾅﾆﾇﾈﾉﾏﾐﾑﾒﾓﾗﾘﾙﾚﾛ")), U(u"アイウエオナニヌネノマミムメモラリルレロ"));
}

TEST(StringUtil, SoundMarksThatJoinNothing)
{
    // The character converts alone and the mark once, on its own.
    EXPECT_EQ(HalfToFull(U(u"ｱﾞ")), U(u"ア゛"));
    EXPECT_EQ(HalfToFull(U(u"Aﾟ")), U(u"Ａ゜"));
    EXPECT_EQ(HalfToFull(U(u"ﾞﾞ")), U(u"゛゛"));
    EXPECT_EQ(HalfToFull(U(u"ﾊﾟﾟ")), U(u"パ゜"));
    // An excluded character never joins a mark.
    EXPECT_EQ(HalfToFull(U(u"-ﾞ"), "-"), U(u"-゛"));
}

TEST(StringUtil, HiraganaToKatakana)
{
    EXPECT_EQ(HiraganaToKatakana(U(u"がっこう")), U(u"ガッコウ"));
    EXPECT_EQ(HiraganaToKatakana(U(u"ひらがなABC")), U(u"ヒラガナABC"));
    EXPECT_EQ(HiraganaToKatakana(U(u"ぶゐゑゎをんぁかけ")), U(u"ブヰヱヮヲンァカケ"));
    EXPECT_EQ(HiraganaToKatakana(U(u"ゝ漢カナ")), U(u"ゝ漢カナ"));
    // Every hiragana of code page 932 (82 9F to 82 F1) becomes a katakana.
    for (int code = 0x3041; code <= 0x3093; ++code) {
        const QString k = HiraganaToKatakana(QString(QChar(code)));
        EXPECT_EQ(k, QString(QChar(code + 0x60))) << code;
    }
}

TEST(StringUtil, DigitsToKanji)
{
    EXPECT_EQ(DigitsToKanji(U(u"２００５年")), U(u"二〇〇五年"));
    EXPECT_EQ(DigitsToKanji("2005"), "2005");
    EXPECT_EQ(DigitsToKanji(HalfToFull("12")), U(u"一二"));
}

TEST(StringUtil, CharacterHelpersNeverSplitACharacter)
{
    const QString s = U(u"aあ\U0001F600ｱ");
    EXPECT_EQ(CharCount(s), 4);
    EXPECT_EQ(LeftChars(s, 3), U(u"aあ\U0001F600"));
    EXPECT_EQ(LeftChars(s, 9), s);
    EXPECT_EQ(LeftChars(s, 0), QString());
    EXPECT_EQ(CharAt(s, 3), U(u"\U0001F600"));
    EXPECT_EQ(CharAt(s, 5), QString());
    EXPECT_TRUE(IsDoubleByteChar(U(u"あa")));
    EXPECT_FALSE(IsDoubleByteChar(U(u"ｱ")));
    EXPECT_FALSE(IsDoubleByteChar(QString()));
    // A character code page 932 cannot hold counts as wide and passes unchanged.
    EXPECT_TRUE(IsDoubleByteChar(U(u"\U0001F600")));
    EXPECT_EQ(HalfToFull(U(u"a\U0001F600")), U(u"ａ\U0001F600"));
}

TEST(StringUtil, ListFormsAndSearchNormalisation)
{
    QStringList lines = {"A-1", U(u"ｶﾞ")};
    StringsHalfToFull(lines, "-");
    EXPECT_EQ(lines, QStringList({U(u"Ａ-１"), U(u"ガ")}));
    StringsDigitsToKanji(lines);
    EXPECT_EQ(lines[0], U(u"Ａ-一"));
    EXPECT_EQ(NormalizeForSearch(U(u"abcがｶﾞ")), NormalizeForSearch(U(u"ＡＢＣガガ")));
}
