#include "barcode/UBarCode.h"
#include "base/UNumbers.h"
#include "text/UTextCanvas.h"
#include <QPainter>
#include <array>
#include <memory>

namespace velmo {

namespace {

// Wide elements of each Code 39 character, bar-space-bar-...-bar ("1" = wide), in
// value order; the last is the start/stop character.
constexpr const char* kCode39Wide[44] = {
    "000110100", "100100001", "001100001", "101100000", "000110001", "100110000", "001110000", "000100101",
    "100100100", "001100100", "100001001", "001001001", "101001000", "000011001", "100011000", "001011000",
    "000001101", "100001100", "001001100", "000011100", "100000011", "001000011", "101000010", "000010011",
    "100010010", "001010010", "000000111", "100000110", "001000110", "000010110", "110000001", "011000001",
    "111000000", "010010001", "110010000", "011010000", "010000101", "110000100", "011000100", "010101000",
    "010100010", "010001010", "000101010", "010010100"};

constexpr char kCode39Set[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";

// Code 128 element widths (bar, space, bar, space, bar, space[, bar]) of values 0-106.
constexpr const char* kCode128Widths[107] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232", "2331112"};

const std::array<std::string, 44>& Code39Letters()
{
    static const std::array<std::string, 44> letters = [] {
        std::array<std::string, 44> result;
        for (int v = 0; v < 44; ++v) {
            std::string s;
            for (int i = 0; i < 9; ++i) {
                const bool wide = kCode39Wide[v][i] == '1';
                const bool bar = i % 2 == 0;
                s += bar ? (wide ? 'b' : '1') : (wide ? 'w' : '0');
            }
            result[size_t(v)] = s;
        }
        return result;
    }();
    return letters;
}

const std::array<std::string, 107>& Code128Modules()
{
    static const std::array<std::string, 107> modules = [] {
        std::array<std::string, 107> result;
        for (int v = 0; v < 107; ++v) {
            std::string s;
            bool bar = true;
            for (const char* w = kCode128Widths[v]; *w; ++w) {
                s.append(size_t(*w - '0'), bar ? '1' : '0');
                bar = !bar;
            }
            result[size_t(v)] = s;
        }
        return result;
    }();
    return modules;
}

// Names of the special Code 128 bytes, as the dialog's list offers them.
const char* const kControlNames[32] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL",
                                       "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
                                       "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB",
                                       "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};

struct TSpecialName
{
    const char* Name;
    unsigned char Byte;
};
constexpr TSpecialName kSpecials[] = {
    {"DEL", kCode128DEL},   {"FNC1", kCode128FNC1}, {"FNC2", kCode128FNC2},
    {"FNC3", kCode128FNC3}, {"FNC4", kCode128FNC4},
};

int ClampedRatio(int ratio)
{
    return ratio >= kMinElementRatio && ratio <= kMaxElementRatio ? ratio : kDefaultElementRatio;
}

} // namespace

// ---------------------------------------------------------------------------------
// Code 39

int Code39Value(QChar character)
{
    const char16_t c = character.unicode();
    for (int v = 0; v < 43; ++v)
        if (c == char16_t(kCode39Set[v]))
            return v;
    return -1;
}

QChar Code39Character(int value)
{
    if (value >= 0 && value < 43)
        return QChar(char16_t(kCode39Set[value]));
    return QChar(u'*');
}

const char* Code39Pattern(int value)
{
    if (value < 0 || value > 43)
        return "";
    return Code39Letters()[size_t(value)].c_str();
}

QString Code39UpperCase(const QString& text)
{
    QString result = text;
    for (QChar& c : result)
        if (c >= u'a' && c <= u'z')
            c = QChar(char16_t(c.unicode() - u'a' + u'A'));
    return result;
}

bool IsValidCode39(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : Code39UpperCase(text))
        if (Code39Value(c) < 0)
            return false;
    return true;
}

QChar Code39CheckCharacter(const QString& text)
{
    int sum = 0;
    for (const QChar c : Code39UpperCase(text))
        sum += std::max(0, Code39Value(c));
    return Code39Character(sum % 43);
}

TBarCode39::TBarCode39(TTextCanvas& canvas, const TLogRect& rect, int elementRatio, bool addCheck,
                       bool showFrame, bool showDigits, int angle)
    : TBarCodeDrawer(canvas, rect, angle, showFrame, showDigits), FRatio(ClampedRatio(elementRatio)),
      FAddCheck(addCheck)
{
}

int64_t TBarCode39::Character(int64_t position, int value, QChar shown)
{
    const int64_t r = FRatio;
    if (FShowDigits)
        TextOver(position, position + 3 * r + 600, QString(shown));
    for (const char* e = Code39Pattern(value); *e; ++e) {
        switch (*e) {
        case '1':
            Bar(position, position + 100, FBottom);
            position += 100;
            break;
        case 'b':
            Bar(position, position + r, FBottom);
            position += r;
            break;
        case 'w':
            position += r;
            break;
        default:
            position += 100;
            break;
        }
    }
    return position + r; // the gap between characters is one wide element
}

void TBarCode39::Draw(const QString& text)
{
    if (!IsValidCode39(text))
        return;
    const QString upper = Code39UpperCase(text);
    const int64_t n = upper.size();
    const int64_t characters = n + 2 + (FAddCheck && n > 0 ? 1 : 0);
    const int64_t r = FRatio;
    // Two element widths: the reduction stays within an eighth of a narrow element.
    Begin((4 * r + 600) * characters + 1400, 100, 8);
    FBottom = FBarArea.Bottom;
    if (FShowDigits)
        FBottom = FBarArea.Bottom - (TextHeight(QStringLiteral("0")) + 2);
    int64_t p = 700;
    p = Character(p, 43, u'*');
    int sum = 0;
    for (const QChar c : upper) {
        const int v = Code39Value(c);
        sum += v;
        p = Character(p, v, c);
    }
    if (FAddCheck && n > 0)
        p = Character(p, sum % 43, Code39Character(sum % 43));
    Character(p, 43, u'*');
    FCanvas.Flush();
}

void DrawCode39(TTextCanvas& canvas, const QString& text, const TLogRect& rect, int elementRatio,
                bool addCheck, bool showFrame, bool showDigits, int angle)
{
    auto drawer =
        std::make_unique<TBarCode39>(canvas, rect, elementRatio, addCheck, showFrame, showDigits, angle);
    drawer->Draw(text);
}

// ---------------------------------------------------------------------------------
// Code 128

int Code128Value(unsigned char byte, TCode128Set set)
{
    if (byte >= 0x20 && byte <= 0x5F)
        return byte - 0x20;
    if (set == TCode128Set::csA) {
        if (byte >= 0xC0 && byte <= 0xDF)
            return 64 + (byte - 0xC0);
        switch (byte) {
        case 0xA0:
            return 96;
        case 0xA1:
            return 97;
        case 0xA2:
            return 98;
        case 0xA3:
            return 99;
        case 0xA4:
            return 100;
        case 0xA5:
            return 101;
        case 0xA6:
            return 102;
        default:
            return -1;
        }
    }
    if (byte >= 0x60 && byte <= 0x7E)
        return byte - 0x20;
    switch (byte) {
    case 0xA8:
        return 95;
    case 0xA0:
        return 96;
    case 0xA1:
        return 97;
    case 0xA2:
        return 98;
    case 0xA3:
        return 99;
    case 0xA5:
        return 100;
    case 0xA6:
        return 102;
    case 0xA7:
        return 101;
    default:
        return -1;
    }
}

const char* Code128Pattern(int value)
{
    if (value < 0 || value > 106)
        return "";
    return Code128Modules()[size_t(value)].c_str();
}

bool IsCode128ControlByte(unsigned char byte)
{
    return byte == 0xA2 || byte == 0xA3 || byte == 0xA4 || byte == 0xA7;
}

bool IsValidCode128(const QByteArray& data)
{
    if (data.isEmpty())
        return false;
    for (const char c : data) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (IsCode128ControlByte(b))
            return false;
        if (Code128Value(b, TCode128Set::csA) < 0 && Code128Value(b, TCode128Set::csB) < 0)
            return false;
    }
    return true;
}

std::vector<int> Code128Symbols(const QByteArray& data)
{
    std::vector<int> symbols;
    if (!IsValidCode128(data))
        return symbols;
    TCode128Set set = Code128Value(static_cast<unsigned char>(data[0]), TCode128Set::csA) >= 0
                          ? TCode128Set::csA
                          : TCode128Set::csB;
    symbols.push_back(set == TCode128Set::csA ? kCode128StartA : kCode128StartB);
    int64_t sum = symbols.back();
    int64_t weight = 1;
    for (const char c : data) {
        const unsigned char b = static_cast<unsigned char>(c);
        int v = Code128Value(b, set);
        if (v < 0) {
            const int change = set == TCode128Set::csB ? kCode128CodeA : kCode128CodeB;
            set = set == TCode128Set::csB ? TCode128Set::csA : TCode128Set::csB;
            symbols.push_back(change);
            sum += change * weight++;
            v = Code128Value(b, set);
        }
        symbols.push_back(v);
        sum += v * weight++;
    }
    symbols.push_back(int(sum % 103));
    return symbols;
}

QString Code128ToText(const QByteArray& data)
{
    QString text;
    for (const char c : data) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b == '^') {
            text += QStringLiteral("^^");
        } else if (b >= 0x20 && b <= 0x7E) {
            text += QChar(b);
        } else if (b >= 0xC0 && b <= 0xDF) {
            text += QStringLiteral("^{%1}").arg(QLatin1String(kControlNames[b - 0xC0]));
        } else {
            QString name;
            for (const TSpecialName& s : kSpecials)
                if (s.Byte == b)
                    name = QLatin1String(s.Name);
            if (name.isEmpty())
                name = QStringLiteral("x%1").arg(int(b), 2, 16, QChar(u'0')).toUpper().replace(u'X', u'x');
            text += QStringLiteral("^{%1}").arg(name);
        }
    }
    return text;
}

bool Code128FromText(const QString& text, QByteArray* data)
{
    QByteArray result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'^') {
            if (c.unicode() < 0x20 || c.unicode() > 0x7E)
                return false;
            result += char(c.unicode());
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == u'^') {
            result += '^';
            ++i;
            continue;
        }
        const qsizetype close = text.indexOf(u'}', i);
        if (i + 1 >= text.size() || text[i + 1] != u'{' || close < 0)
            return false;
        const QString name = text.mid(i + 2, close - i - 2).toUpper();
        bool found = false;
        for (int n = 0; n < 32 && !found; ++n)
            if (name == QLatin1String(kControlNames[n])) {
                result += char(0xC0 + n);
                found = true;
            }
        for (const TSpecialName& s : kSpecials)
            if (!found && name == QLatin1String(s.Name)) {
                result += char(s.Byte);
                found = true;
            }
        if (!found && name.size() == 3 && name.startsWith(u'X')) {
            bool ok = false;
            const int b = name.mid(1).toInt(&ok, 16);
            if (ok) {
                result += char(b);
                found = true;
            }
        }
        if (!found)
            return false;
        i = close;
    }
    *data = result;
    return true;
}

TBarCode128::TBarCode128(TTextCanvas& canvas, const TLogRect& rect, bool showFrame, bool showDigits,
                         int angle)
    : TBarCodeDrawer(canvas, rect, angle, showFrame, showDigits)
{
}

int64_t TBarCode128::Symbol(int64_t module, int value)
{
    FSum += int64_t(value) * FWeight;
    ++FWeight;
    return Pattern(module, Code128Pattern(value), FBottom);
}

void TBarCode128::Draw(const QByteArray& data)
{
    if (!IsValidCode128(data))
        return;
    const unsigned char first = static_cast<unsigned char>(data[0]);
    const TCode128Set startSet =
        Code128Value(first, TCode128Set::csA) >= 0 ? TCode128Set::csA : TCode128Set::csB;
    // 7 free modules, the start, 12 for every symbol character (11 drawn), then
    // the check character and the stop.
    int64_t modules = 19;
    TCode128Set set = startSet;
    for (const char c : data) {
        if (Code128Value(static_cast<unsigned char>(c), set) >= 0) {
            modules += 12;
        } else {
            modules += 24;
            set = set == TCode128Set::csA ? TCode128Set::csB : TCode128Set::csA;
        }
    }
    modules += 32;
    Begin(modules, 1);
    FBottom = FBarArea.Bottom;
    if (FShowDigits)
        FBottom = FBarArea.Bottom - (TextHeight(QStringLiteral("0")) + 2);

    FSet = startSet;
    int64_t m =
        Pattern(7, Code128Pattern(FSet == TCode128Set::csA ? kCode128StartA : kCode128StartB), FBottom);
    FSum = FSet == TCode128Set::csA ? kCode128StartA : kCode128StartB;
    FWeight = 1;
    for (const char c : data) {
        const unsigned char b = static_cast<unsigned char>(c);
        int v = Code128Value(b, FSet);
        if (v < 0) {
            if (FSet == TCode128Set::csB) {
                m = Symbol(m, kCode128CodeA);
                FSet = TCode128Set::csA;
            } else {
                m = Symbol(m, kCode128CodeB);
                FSet = TCode128Set::csB;
            }
            v = Code128Value(b, FSet);
            if (v < 0)
                continue;
        }
        if (FShowDigits && b >= 32 && b <= 126)
            TextOver(m, m + 12, QString(QChar(b)));
        m = Symbol(m, v);
    }
    m = Pattern(m, Code128Pattern(int(FSum % 103)), FBottom);
    Pattern(m, Code128Pattern(kCode128Stop), FBottom);
    FCanvas.Flush();
}

void DrawCode128(TTextCanvas& canvas, const QByteArray& data, const TLogRect& rect, bool showFrame,
                 bool showDigits, int angle)
{
    auto drawer = std::make_unique<TBarCode128>(canvas, rect, showFrame, showDigits, angle);
    drawer->Draw(data);
}

} // namespace velmo
