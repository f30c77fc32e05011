#include "text/UStringUtil.h"
#include <QHash>

namespace velmo {
namespace {

// The conversion lists, each source list beside its target list; the i-th character
// of a source becomes the i-th of its target, and the first occurrence counts.
struct TListPair
{
    const char16_t* Source;
    const char16_t* Target;
};

// Half-width symbols, digits, letters and katakana (one character each).
constexpr TListPair kHalfLists[] = {
    {u"!\"#$%&'()*+,-./:;<=>?@_^[\\]`{|}~｡｢｣､･ｰﾞﾟ",
     u"！”＃＄％＆’（）×＋，－．／：；＜＝＞？＠＿＾［￥］｀｛｜｝″。「」、・ー゛゜"},
    {u"0123456789", u"０１２３４５６７８９"},
    {u"AaBbCcDdEeFfGgHhIiJjKkLlMmNnOoPpQqRrSsTtUuVvWwXxYyZz",
     u"ＡａＢｂＣｃＤｄＥｅＦｆＧｇＨｈＩｉＪｊＫｋＬｌＭｍＮｎＯｏＰｐＱｑＲｒＳｓＴｔＵｕＶｖＷｗＸｘＹｙＺ"
     u"ｚ"},
    {u"ｱｧｲｨｳｩｴｪｵｫｶｶｷｸｹｹｺｻｼｽｾｿﾀﾁﾂｯﾃﾄﾅﾆﾇﾈﾉ",
     u"アァイィウゥエェオォカヵキクケヶコサシスセソタチツッテトナニヌネノ"},
    {u"ﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔｬｬﾕｭｭﾖｮﾗﾘﾙﾚﾛﾜﾜｦﾝ", u"ハヒフヘホマミムメモヤャヰユュヱヨョラリルレロワヮヲン"},
};

// Kana followed by a sound mark (two characters each in the source).
constexpr TListPair kSoundMarkList = {u"ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞﾊﾞﾋﾞﾌﾞﾌﾞﾍﾞﾎﾞﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ",
                                      u"ガギグゲゴザジズゼゾダヂヅデドバビブヴベボパピプペポ"};

constexpr TListPair kHiraganaLists[] = {
    {u"がぎぐげござじずぜぞだぢづでどばびぶぶべぼぱぴぷぺぽ",
     u"ガギグゲゴザジズゼゾダヂヅデドバビブヴベボパピプペポ"},
    {u"あぁいぃうぅえぇおぉかかきくけけこさしすせそたちつってとなにぬねの",
     u"アァイィウゥエェオォカヵキクケヶコサシスセソタチツッテトナニヌネノ"},
    {u"はひふへほまみむめもやゃゐゆゅゑよょらりるれろわゎをん",
     u"ハヒフヘホマミムメモヤャヰユュヱヨョラリルレロワヮヲン"},
};

constexpr char16_t kVoicedMark = u'ﾞ';
constexpr char16_t kSemiVoicedMark = u'ﾟ';

// Adds a list's pairs to the map, keeping the first target of a repeated source.
void AddList(QHash<char32_t, char32_t>& map, const TListPair& list)
{
    const std::u32string source = ToCodes(QStringView(list.Source));
    const std::u32string target = ToCodes(QStringView(list.Target));
    Q_ASSERT(source.size() == target.size());
    for (size_t i = 0; i < source.size() && i < target.size(); ++i)
        if (!map.contains(source[i]))
            map.insert(source[i], target[i]);
}

const QHash<char32_t, char32_t>& HalfMap()
{
    static const QHash<char32_t, char32_t> map = [] {
        QHash<char32_t, char32_t> m;
        for (const TListPair& list : kHalfLists)
            AddList(m, list);
        return m;
    }();
    return map;
}

// Keyed by the kana's code; the value is the voiced form for the voiced mark and
// the semi-voiced form for the semi-voiced one.
const QHash<QString, char32_t>& SoundMarkMap()
{
    static const QHash<QString, char32_t> map = [] {
        QHash<QString, char32_t> m;
        const QString source = QString::fromUtf16(kSoundMarkList.Source);
        const std::u32string target = ToCodes(QStringView(kSoundMarkList.Target));
        for (qsizetype i = 0; i + 1 < source.size() && size_t(i / 2) < target.size(); i += 2) {
            const QString pair = source.mid(i, 2);
            if (!m.contains(pair))
                m.insert(pair, target[size_t(i / 2)]);
        }
        m.insert(QStringLiteral(u"ｳﾞ"), U'ヴ');
        return m;
    }();
    return map;
}

const QHash<char32_t, char32_t>& HiraganaMap()
{
    static const QHash<char32_t, char32_t> map = [] {
        QHash<char32_t, char32_t> m;
        for (const TListPair& list : kHiraganaLists)
            AddList(m, list);
        return m;
    }();
    return map;
}

void Append(QString& out, char32_t code)
{
    if (QChar::requiresSurrogates(code)) {
        out += QChar(QChar::highSurrogate(code));
        out += QChar(QChar::lowSurrogate(code));
    } else {
        out += QChar(char16_t(code));
    }
}

} // namespace

bool IsSingleByteCode(char32_t code)
{
    return code < 0x80 || (code >= 0xFF61 && code <= 0xFF9F);
}

std::u32string ToCodes(QStringView s)
{
    std::u32string codes;
    codes.reserve(size_t(s.size()));
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
            codes.push_back(QChar::surrogateToUcs4(c, s[i + 1]));
            ++i;
        } else {
            codes.push_back(c.unicode());
        }
    }
    return codes;
}

QString FromCode(char32_t code)
{
    QString s;
    Append(s, code);
    return s;
}

bool IsDoubleByteChar(const QString& s)
{
    if (s.isEmpty())
        return false;
    const std::u32string codes = ToCodes(QStringView(s).left(2));
    return !IsSingleByteCode(codes.front());
}

int CharCount(const QString& s)
{
    int count = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            ++i;
        ++count;
    }
    return count;
}

QString LeftChars(const QString& s, int n)
{
    if (n <= 0)
        return QString();
    qsizetype i = 0;
    for (int count = 0; i < s.size() && count < n; ++count) {
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            ++i;
        ++i;
    }
    return s.left(i);
}

QString CharAt(const QString& s, int i)
{
    if (i < 1)
        return QString();
    const std::u32string codes = ToCodes(s);
    if (size_t(i) > codes.size())
        return QString();
    return FromCode(codes[size_t(i - 1)]);
}

QString HalfToFull(const QString& s, const QString& excluded)
{
    const std::u32string codes = ToCodes(s);
    const std::u32string excludedCodes = ToCodes(excluded);
    const bool hasExcluded = excludedCodes.size() == 1;
    const char32_t excludedCode = hasExcluded ? excludedCodes.front() : 0;
    const QHash<char32_t, char32_t>& half = HalfMap();
    const QHash<QString, char32_t>& marks = SoundMarkMap();
    QString out;
    out.reserve(s.size() * 2);
    for (size_t i = 0; i < codes.size(); ++i) {
        const char32_t c = codes[i];
        if ((hasExcluded && c == excludedCode) || !IsSingleByteCode(c)) {
            Append(out, c);
            continue;
        }
        // A following sound mark joins the character when the pair has a full-width
        // form; otherwise the character is converted alone and the mark, on the next
        // step, on its own, so that it appears once.
        if (i + 1 < codes.size() && (codes[i + 1] == kVoicedMark || codes[i + 1] == kSemiVoicedMark)) {
            QString pair = FromCode(c);
            Append(pair, codes[i + 1]);
            const auto joined = marks.constFind(pair);
            if (joined != marks.constEnd()) {
                Append(out, joined.value());
                ++i;
                continue;
            }
        }
        const auto found = half.constFind(c);
        Append(out, found != half.constEnd() ? found.value() : c);
    }
    return out;
}

QString HiraganaToKatakana(const QString& s)
{
    const QHash<char32_t, char32_t>& map = HiraganaMap();
    QString out;
    out.reserve(s.size());
    for (const char32_t c : ToCodes(s)) {
        const auto found = map.constFind(c);
        Append(out, found != map.constEnd() ? found.value() : c);
    }
    return out;
}

QString DigitsToKanji(const QString& s)
{
    static const char16_t kKanji[] = u"〇一二三四五六七八九";
    QString out = s;
    for (QChar& c : out)
        if (c.unicode() >= u'０' && c.unicode() <= u'９')
            c = QChar(kKanji[c.unicode() - u'０']);
    return out;
}

void StringsHalfToFull(QStringList& lines, const QString& excluded)
{
    for (QString& line : lines)
        line = HalfToFull(line, excluded);
}

void StringsDigitsToKanji(QStringList& lines)
{
    for (QString& line : lines)
        line = DigitsToKanji(line);
}

QString NormalizeForSearch(const QString& s)
{
    return HiraganaToKatakana(HalfToFull(s.toUpper()));
}

} // namespace velmo
