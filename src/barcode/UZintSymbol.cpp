#include "barcode/UZintSymbol.h"
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <memory>
#include <zint.h>

namespace velmo {

namespace {

// EAN-8 is libzint's EAN symbology with a shorter body: stored apart so that a
// document keeps which one the user chose whatever the data.
constexpr int kEAN8 = 1013;

const std::vector<TSymbologyInfo> kSymbologies = {
    {"qr", BARCODE_QRCODE, "QRコード", TSymbolShape::ssFixed, soErrorLevel | soSize, "https://example.jp/"},
    {"microqr", BARCODE_MICROQR, "マイクロQRコード", TSymbolShape::ssFixed, soErrorLevel | soSize, "12345"},
    {"datamatrix", BARCODE_DATAMATRIX, "データマトリックス", TSymbolShape::ssFixed, soSize, "ABC-123456"},
    {"pdf417", BARCODE_PDF417, "PDF417", TSymbolShape::ssFixed, soErrorLevel | soSize, "PDF417"},
    {"aztec", BARCODE_AZTEC, "Aztecコード", TSymbolShape::ssFixed, soErrorLevel | soSize, "AZTEC"},
    {"japanpost", BARCODE_JAPANPOST, "カスタマバーコード", TSymbolShape::ssFixed, soNone,
     "2630023-3-2-B1103"},
    {"nw7", BARCODE_CODABAR, "NW-7", TSymbolShape::ssLinear, soNone, "A123456B"},
    {"itf", BARCODE_C25INTER, "ITF", TSymbolShape::ssLinear, soNone, "123456"},
    {"itf14", BARCODE_ITF14, "ITF-14", TSymbolShape::ssLinear, soNone, "1490123456789"},
    {"ean13", BARCODE_EANX, "EAN-13", TSymbolShape::ssLinear, soNone, "490123456789"},
    {"ean8", kEAN8, "EAN-8", TSymbolShape::ssLinear, soNone, "4901234"},
    {"upca", BARCODE_UPCA, "UPC-A", TSymbolShape::ssLinear, soNone, "01234567890"},
    {"upce", BARCODE_UPCE, "UPC-E", TSymbolShape::ssLinear, soNone, "0123456"},
    {"gs1-128", BARCODE_GS1_128, "GS1-128", TSymbolShape::ssLinear, soNone, "(01)14912345678901"},
    {"databar", BARCODE_DBAR_OMN, "GS1データバー", TSymbolShape::ssLinear, soNone, "0491234567890"},
    {"databar-expanded", BARCODE_DBAR_EXP, "GS1データバー拡張型", TSymbolShape::ssLinear, soNone,
     "(01)14912345678901(10)ABC123"},
    {"code93", BARCODE_CODE93, "CODE93", TSymbolShape::ssLinear, soNone, "CODE93"},
    // What other label programs' projects bring along.
    {"code39-ext", BARCODE_EXCODE39, "CODE39（フルASCII）", TSymbolShape::ssLinear, soNone, "Code39+"},
    {"code11", BARCODE_CODE11, "CODE11", TSymbolShape::ssLinear, soNone, "123-45"},
    {"msi", BARCODE_MSI_PLESSEY, "MSI", TSymbolShape::ssLinear, soNone, "123456"},
    {"micropdf417", BARCODE_MICROPDF417, "マイクロPDF417", TSymbolShape::ssFixed, soNone, "MICROPDF"},
    {"postnet", BARCODE_POSTNET, "POSTNET", TSymbolShape::ssFixed, soNone, "12345"},
    {"usps-imail", BARCODE_USPS_IMAIL, "USPSインテリジェントメール", TSymbolShape::ssFixed, soNone,
     "01234567094987654321"},
    {"rm4scc", BARCODE_RM4SCC, "ロイヤルメール4ステート", TSymbolShape::ssFixed, soNone, "W1J0TR01"},
    {"kix", BARCODE_KIX, "KIXコード", TSymbolShape::ssFixed, soNone, "2500GG30250"},
};

struct TSymbolDeleter
{
    void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};

bool AllDigits(const QString& text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool IsGS1(int id)
{
    return id == BARCODE_GS1_128 || id == BARCODE_DBAR_EXP;
}

// The maximum libzint names in "(13 character maximum)".
QString MaximumOf(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("\\((\\d+) character maximum\\)"));
    const QRegularExpressionMatch m = re.match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

QString MatrixName(int id)
{
    const TSymbologyInfo* info = FindSymbology(id);
    return info ? QString::fromUtf8(info->Name) : QStringLiteral("バーコード");
}

bool IsMatrix(int id)
{
    return id == BARCODE_QRCODE || id == BARCODE_MICROQR || id == BARCODE_DATAMATRIX ||
           id == BARCODE_PDF417 || id == BARCODE_AZTEC;
}

// Length rules libzint does not make itself: EAN-8 and EAN-13 share its symbology,
// and a body of the other length would silently become the other symbol.
QString CheckLength(int id, const QString& data)
{
    switch (id) {
    case BARCODE_EANX:
        if (!AllDigits(data))
            return QStringLiteral("数字以外の文字があります");
        if (data.size() != 12 && data.size() != 13)
            return QStringLiteral("EAN-13は12桁（チェックデジットは自動で付きます）か13桁で入力してください");
        break;
    case kEAN8:
        if (!AllDigits(data))
            return QStringLiteral("数字以外の文字があります");
        if (data.size() != 7 && data.size() != 8)
            return QStringLiteral("EAN-8は7桁（チェックデジットは自動で付きます）か8桁で入力してください");
        break;
    case BARCODE_UPCA:
        if (!AllDigits(data))
            return QStringLiteral("数字以外の文字があります");
        if (data.size() != 11 && data.size() != 12)
            return QStringLiteral("UPC-Aは11桁（チェックデジットは自動で付きます）か12桁で入力してください");
        break;
    case BARCODE_UPCE:
        if (!AllDigits(data))
            return QStringLiteral("数字以外の文字があります");
        if (data.size() < 6 || data.size() > 8)
            return QStringLiteral("UPC-Eは6桁から8桁で入力してください");
        break;
    default:
        break;
    }
    return {};
}

} // namespace

QString NormalizeJapanPost(const QString& data)
{
    QString t = data.normalized(QString::NormalizationForm_KC).toUpper();
    t.remove(u' ');
    // Dashes of every width and the long vowel mark people type for hyphens.
    for (QChar& c : t)
        if (c == u'\u2010' || c == u'\u2011' || c == u'\u2012' || c == u'\u2013' || c == u'\u2014' ||
            c == u'\u2015' || c == u'\u2212' || c == u'\u30FC' || c == u'\uFF70')
            c = u'-';
    static const QRegularExpression postcode(QStringLiteral("^(\\d{3})-(\\d{4})"));
    t.replace(postcode, QStringLiteral("\\1\\2"));
    if (t.size() > 7 && t[7] == u'-' && AllDigits(t.left(7)))
        t.remove(7, 1);
    return t;
}

namespace {

// The Japan Post customer barcode, from the published encoding: three bars a
// character (1 long, 2 upper semi-long, 3 lower semi-long, 4 timing) for the digits,
// the hyphen and the control codes CC1-CC8; a letter is a control code and a digit.
// libzint 2.11 refuses address numbers beyond 20 characters, which the post office
// cuts, and draws its bars 8:5:2 high where the post office asks 6:4:2; both made
// here as the post office describes them.
TEncodedSymbol EncodeJapanPost(const QString& data, const TZintOptions& options)
{
    static const char* const kBars[19] = {"144", "114", "132", "312", "123", "141", "321",
                                          "213", "231", "411", "414", "324", "342", "234",
                                          "432", "243", "423", "441", "111"};
    TEncodedSymbol result;
    const QString text = NormalizeJapanPost(data);
    if (text.size() < 7 || !AllDigits(text.left(7))) {
        result.Error = QStringLiteral("郵便番号（7桁の数字）で始めてください");
        return result;
    }
    std::vector<int> values;
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            values.push_back(c.unicode() - u'0');
        } else if (c == u'-') {
            values.push_back(10);
        } else if (c >= u'A' && c <= u'Z') {
            const int n = c.unicode() - u'A';
            values.push_back(11 + n / 10); // CC1 A-J, CC2 K-T, CC3 U-Z
            values.push_back(n % 10);
        } else {
            result.Error = QStringLiteral("使えない文字があります（数字・英字・ハイフンのみ）");
            return result;
        }
    }
    // 20 characters: what goes beyond is cut (a letter's control code in place 20
    // stays without its digit), what falls short is filled with CC4.
    values.resize(20, 14);
    int sum = 0;
    for (const int v : values)
        sum += v;
    values.push_back((19 - sum % 19) % 19);
    QByteArray bars = "13";
    for (const int v : values)
        bars += kBars[v];
    bars += "31";

    const double margin = options.QuietZone ? 4 : 0; // 2 mm at the 0.6 mm bar width
    result.Dark.setFillRule(Qt::WindingFill);
    for (int i = 0; i < bars.size(); ++i) {
        double top = 0, bottom = 6;
        switch (bars[i]) {
        case '2':
            bottom = 4;
            break;
        case '3':
            top = 2;
            break;
        case '4':
            top = 2;
            bottom = 4;
            break;
        default:
            break;
        }
        result.Dark.addRect(QRectF(margin + 2 * i, margin + top, 1, bottom - top));
        ++result.DarkRectangles;
    }
    result.Size = QSizeF(2 * bars.size() - 1 + 2 * margin, 6 + 2 * margin);
    result.BarsTop = margin;
    result.BarsBottom = margin + 6;
    QString characters;
    for (int i = 0; i < 21; ++i) {
        const int v = values[size_t(i)];
        characters += v < 10    ? QString::number(v)
                      : v == 10 ? QStringLiteral("-")
                                : QStringLiteral("[CC%1]").arg(v - 10);
    }
    result.HumanText = characters;
    result.Valid = true;
    return result;
}

} // namespace

const std::vector<TSymbologyInfo>& Symbologies()
{
    return kSymbologies;
}

const TSymbologyInfo* FindSymbology(int id)
{
    for (const TSymbologyInfo& info : kSymbologies)
        if (info.Id == id)
            return &info;
    return nullptr;
}

const TSymbologyInfo* FindSymbologyByKey(const QString& key)
{
    for (const TSymbologyInfo& info : kSymbologies)
        if (key.compare(QLatin1String(info.Key), Qt::CaseInsensitive) == 0)
            return &info;
    return nullptr;
}

std::vector<TSymbolChoice> ErrorLevelChoices(int id)
{
    std::vector<TSymbolChoice> list{{0, QStringLiteral("自動")}};
    switch (id) {
    case BARCODE_QRCODE:
        list.push_back({1, QStringLiteral("L (7%)")});
        list.push_back({2, QStringLiteral("M (15%)")});
        list.push_back({3, QStringLiteral("Q (25%)")});
        list.push_back({4, QStringLiteral("H (30%)")});
        break;
    case BARCODE_MICROQR:
        list.push_back({1, QStringLiteral("L (7%)")});
        list.push_back({2, QStringLiteral("M (15%)")});
        list.push_back({3, QStringLiteral("Q (25%)")});
        break;
    case BARCODE_AZTEC:
        list.push_back({1, QStringLiteral("10%")});
        list.push_back({2, QStringLiteral("23%")});
        list.push_back({3, QStringLiteral("36%")});
        list.push_back({4, QStringLiteral("50%")});
        break;
    case BARCODE_PDF417:
        for (int level = 0; level <= 8; ++level)
            list.push_back({level + 1, QStringLiteral("セキュリティレベル %1").arg(level)});
        break;
    default:
        break;
    }
    return list;
}

std::vector<TSymbolChoice> SizeChoices(int id)
{
    std::vector<TSymbolChoice> list{{0, QStringLiteral("自動")}};
    switch (id) {
    case BARCODE_QRCODE:
        for (int v = 1; v <= 40; ++v)
            list.push_back({v, QStringLiteral("バージョン %1 (%2×%2)").arg(v).arg(17 + 4 * v)});
        break;
    case BARCODE_MICROQR:
        for (int v = 1; v <= 4; ++v)
            list.push_back({v, QStringLiteral("M%1 (%2×%2)").arg(v).arg(9 + 2 * v)});
        break;
    case BARCODE_DATAMATRIX: {
        static const int sizes[30][2] = {{10, 10}, {12, 12}, {14, 14},   {16, 16},   {18, 18},   {20, 20},
                                         {22, 22}, {24, 24}, {26, 26},   {32, 32},   {36, 36},   {40, 40},
                                         {44, 44}, {48, 48}, {52, 52},   {64, 64},   {72, 72},   {80, 80},
                                         {88, 88}, {96, 96}, {104, 104}, {120, 120}, {132, 132}, {144, 144},
                                         {8, 18},  {8, 32},  {12, 26},   {12, 36},   {16, 36},   {16, 48}};
        for (int i = 0; i < 30; ++i)
            list.push_back({i + 1, QStringLiteral("%1×%2").arg(sizes[i][0]).arg(sizes[i][1])});
        break;
    }
    case BARCODE_PDF417:
        for (int c = 1; c <= 30; ++c)
            list.push_back({c, QStringLiteral("%1列").arg(c)});
        break;
    case BARCODE_AZTEC:
        for (int s = 1; s <= 36; ++s)
            list.push_back(
                {s, s <= 4 ? QStringLiteral("コンパクト %1層").arg(s) : QStringLiteral("%1層").arg(s - 4)});
        break;
    default:
        break;
    }
    return list;
}

QString TranslateZintError(int id, int code, const QString& errorText)
{
    const QString& t = errorText;
    switch (code) {
    case ZINT_ERROR_TOO_LONG:
        if (IsMatrix(id))
            return QStringLiteral("%1に入りきりません").arg(MatrixName(id));
        if (t.contains(u"too short") || t.contains(u"wrong length") || t.contains(u"Invalid length"))
            return QStringLiteral("文字数が正しくありません");
        if (const QString max = MaximumOf(t); !max.isEmpty())
            return QStringLiteral("文字数が多すぎます（最大%1文字）").arg(max);
        return QStringLiteral("文字数が多すぎます");
    case ZINT_ERROR_INVALID_DATA:
        if (t.contains(u"No input data"))
            return QStringLiteral("データがありません");
        if (t.contains(u"(digits only)") || t.contains(u"(digits and \"+\" only)"))
            return QStringLiteral("数字以外の文字があります");
        if (t.contains(u"Does not begin with") || t.contains(u"Does not end with"))
            return QStringLiteral("NW-7は A〜D のスタート・ストップ文字で始めて終えてください");
        if (t.contains(u"alphanumerics and \"-\" only"))
            return QStringLiteral("使えない文字があります（数字・英字・ハイフンのみ）");
        if (t.contains(u"8859-1") || t.contains(u"ASCII"))
            return QStringLiteral("使えない文字があります（半角英数字と記号のみ）");
        if (t.contains(u"AI") || t.contains(u"GS1"))
            return QStringLiteral("GS1のアプリケーション識別子とデータが正しくありません");
        if (t.contains(u"Invalid character"))
            return QStringLiteral("使えない文字があります");
        return QStringLiteral("データが正しくありません");
    case ZINT_ERROR_NONCOMPLIANT:
        if (!t.contains(u"checksum") && !t.contains(u"check digit"))
            return QStringLiteral("GS1のアプリケーション識別子とデータが正しくありません");
        [[fallthrough]];
    case ZINT_ERROR_INVALID_CHECK: {
        static const QRegularExpression re(QStringLiteral("expect(?:ing|ed) '(.)'"));
        const QRegularExpressionMatch m = re.match(t);
        if (m.hasMatch())
            return QStringLiteral("チェックデジットが正しくありません（正しくは %1）").arg(m.captured(1));
        return QStringLiteral("チェックデジットが正しくありません");
    }
    case ZINT_ERROR_INVALID_OPTION:
        if (IsMatrix(id) && (t.contains(u"too long") || t.contains(u"too small") || t.contains(u"capacity")))
            return QStringLiteral("%1の指定したサイズに入りきりません").arg(MatrixName(id));
        return QStringLiteral("指定したサイズ・誤り訂正レベルでは作れません");
    default:
        return QStringLiteral("バーコードを作れません");
    }
}

TEncodedSymbol EncodeSymbol(int id, const QString& data, const TZintOptions& options)
{
    TEncodedSymbol result;
    const TSymbologyInfo* info = FindSymbology(id);
    if (!info) {
        result.Error = QStringLiteral("このバージョンでは扱えない種類のバーコードです");
        return result;
    }
    if (data.isEmpty()) {
        result.Error = QStringLiteral("データがありません");
        return result;
    }
    if (QString length = CheckLength(id, data); !length.isEmpty()) {
        result.Error = length;
        return result;
    }
    if (id == BARCODE_JAPANPOST)
        return EncodeJapanPost(data, options);
    const QByteArray utf8 = data.toUtf8();
    if (utf8.size() > ZINT_MAX_DATA_LEN) {
        result.Error = IsMatrix(id) ? QStringLiteral("%1に入りきりません").arg(MatrixName(id))
                                    : QStringLiteral("文字数が多すぎます");
        return result;
    }

    std::unique_ptr<zint_symbol, TSymbolDeleter> symbol(ZBarcode_Create());
    if (!symbol) {
        result.Error = QStringLiteral("バーコードを作れません");
        return result;
    }
    int zid = id;
    if (id == kEAN8 || id == BARCODE_EANX)
        zid = data.size() == 8 || data.size() == 13 ? BARCODE_EANX_CHK : BARCODE_EANX;
    symbol->symbology = zid;
    symbol->scale = 0.5f; // one vector unit a module
    symbol->show_hrt = options.ShowText ? 1 : 0;
    symbol->input_mode = UNICODE_MODE;
    if (IsGS1(id)) {
        symbol->input_mode = GS1_MODE;
        if (data.startsWith(u'('))
            symbol->input_mode |= GS1PARENS_MODE;
        // A wrong check digit is only a warning to libzint, and DataBar Expanded would
        // carry a check digit of its own making: refused instead.
        symbol->warn_level = WARN_FAIL_ALL;
    }
    symbol->output_options |= options.QuietZone ? BARCODE_QUIET_ZONES : BARCODE_NO_QUIET_ZONES;
    switch (id) {
    case BARCODE_QRCODE:
    case BARCODE_AZTEC:
        if (options.ErrorLevel >= 1 && options.ErrorLevel <= 4)
            symbol->option_1 = options.ErrorLevel;
        if (options.Size >= 1 && options.Size <= (id == BARCODE_QRCODE ? 40 : 36))
            symbol->option_2 = options.Size;
        break;
    case BARCODE_MICROQR:
        if (options.ErrorLevel >= 1 && options.ErrorLevel <= 3)
            symbol->option_1 = options.ErrorLevel;
        if (options.Size >= 1 && options.Size <= 4)
            symbol->option_2 = options.Size;
        break;
    case BARCODE_DATAMATRIX:
        if (options.Size >= 1 && options.Size <= 30)
            symbol->option_2 = options.Size;
        else
            symbol->option_3 = DM_SQUARE; // labels expect the square forms
        break;
    case BARCODE_PDF417:
        if (options.ErrorLevel >= 1 && options.ErrorLevel <= 9)
            symbol->option_1 = options.ErrorLevel - 1;
        if (options.Size >= 1 && options.Size <= 30)
            symbol->option_2 = options.Size;
        break;
    default:
        break;
    }

    const int code = ZBarcode_Encode_and_Buffer_Vector(
        symbol.get(), reinterpret_cast<const unsigned char*>(utf8.constData()), int(utf8.size()), 0);
    if (code >= ZINT_ERROR || !symbol->vector) {
        result.Error = TranslateZintError(id, code, QString::fromLatin1(symbol->errtxt));
        return result;
    }

    const zint_vector* vector = symbol->vector;
    result.Size = QSizeF(vector->width, vector->height);
    result.Dark.setFillRule(Qt::WindingFill);
    double top = vector->height, bottom = 0;
    for (const zint_vector_rect* r = vector->rectangles; r; r = r->next) {
        // Colour codes other than the foreground's (-1) are background cut-outs
        // that only composite symbols use.
        if (r->colour != -1 && r->colour != 7)
            continue;
        result.Dark.addRect(QRectF(r->x, r->y, r->width, r->height));
        top = std::min<double>(top, r->y);
        bottom = std::max<double>(bottom, r->y + r->height);
        ++result.DarkRectangles;
    }
    for (const zint_vector_hexagon* h = vector->hexagons; h; h = h->next) {
        // MaxiCode's hexagons, should a future table list it.
        QPolygonF hexagon;
        const double radius = h->diameter / 2;
        for (int i = 0; i < 6; ++i) {
            const double a = (60.0 * i + 30.0 + h->rotation) * M_PI / 180.0;
            hexagon << QPointF(h->x + radius * std::cos(a), h->y + radius * std::sin(a));
        }
        hexagon << hexagon.first();
        result.Dark.addPolygon(hexagon);
        ++result.DarkRectangles;
    }
    for (const zint_vector_circle* c = vector->circles; c; c = c->next) {
        if (c->colour != 0 || c->width != 0)
            continue;
        result.Dark.addEllipse(QPointF(c->x, c->y), c->diameter / 2, c->diameter / 2);
        ++result.DarkRectangles;
    }
    if (result.Dark.isEmpty()) {
        result.Error = QStringLiteral("バーコードを作れません");
        return result;
    }
    // Touching rectangles become one outline each: no edge between two dark
    // modules is left for a renderer to anti-alias into a hairline, and the PDF
    // carries one short path instead of a rectangle per run.
    if (result.DarkRectangles <= 20000)
        result.Dark = result.Dark.simplified();
    result.BarsTop = top;
    result.BarsBottom = bottom;
    for (const zint_vector_string* s = vector->strings; s; s = s->next) {
        TSymbolText text;
        text.Position = QPointF(s->x, s->y);
        text.Align = s->halign;
        text.Width = s->width;
        text.Text = QString::fromUtf8(reinterpret_cast<const char*>(s->text), s->length).trimmed();
        if (!text.Text.isEmpty())
            result.Texts.push_back(text);
    }
    result.HumanText = QString::fromUtf8(reinterpret_cast<const char*>(symbol->text));
    result.Valid = true;
    return result;
}

} // namespace velmo
