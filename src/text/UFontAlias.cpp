#include "text/UFontAlias.h"
#include <vector>

namespace velmo {
namespace {

// The stand-ins, grouped by the look they share. Each list ends in faces every
// installation of the program has (the IPA fonts), so an alias always resolves.
const QStringList kPGothic = {"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP", "IPAGothic"};
const QStringList kGothic = {"IPAGothic", "Noto Sans Mono CJK JP", "IPAexGothic", "IPAPGothic"};
const QStringList kPMincho = {"IPAPMincho", "IPAexMincho", "Noto Serif CJK JP", "IPAMincho"};
const QStringList kMincho = {"IPAMincho", "Noto Serif CJK JP", "IPAexMincho", "IPAPMincho"};
const QStringList kStandardGothic = {"IPAexGothic", "IPAPGothic", "Noto Sans CJK JP"};
const QStringList kStandardMincho = {"IPAexMincho", "IPAPMincho", "Noto Serif CJK JP"};
const QStringList kModernGothic = {"Noto Sans CJK JP", "IPAexGothic", "IPAPGothic"};
const QStringList kModernMincho = {"Noto Serif CJK JP", "IPAexMincho", "IPAPMincho"};
const QStringList kRounded = {"MotoyaLMaru", "M PLUS Rounded 1c", "IPAPGothic"};
const QStringList kBrush = {"AoyagiKouzanFontT", "IPAPMincho"};
const QStringList kHandwriting = {"SetoFont", "IPAPGothic"};
const QStringList kPop = {"M PLUS 1", "IPAPGothic"};
const QStringList kSystem = {"IPAPGothic", "Noto Sans CJK JP", "DejaVu Sans"};

} // namespace

const std::vector<TFontAlias>& FontAliases()
{
    static const std::vector<TFontAlias> table = {
        {u"ＭＳ Ｐゴシック", kPGothic},
        {u"MS PGothic", kPGothic},
        {u"ＭＳ ＵＩ Gothic", kPGothic},
        {u"MS UI Gothic", kPGothic},
        {u"ＭＳ ゴシック", kGothic},
        {u"MS Gothic", kGothic},
        {u"ＭＳ Ｐ明朝", kPMincho},
        {u"MS PMincho", kPMincho},
        {u"ＭＳ 明朝", kMincho},
        {u"MS Mincho", kMincho},
        {u"標準ゴシック", kStandardGothic},
        {u"標準明朝", kStandardMincho},
        {u"メイリオ", kModernGothic},
        {u"Meiryo", kModernGothic},
        {u"Meiryo UI", kModernGothic},
        {u"游ゴシック", kModernGothic},
        {u"Yu Gothic", kModernGothic},
        {u"游明朝", kModernMincho},
        {u"Yu Mincho", kModernMincho},
        // rounded gothic
        {u"HG丸ｺﾞｼｯｸM-PRO", kRounded},
        {u"HG丸ｺﾞｼｯｸM", kRounded},
        {u"AR丸ゴシック体M", kRounded},
        {u"AR P丸ゴシック体M", kRounded},
        {u"丸ゴシック", kRounded},
        // brush (kaisho, gyosho)
        {u"HG正楷書体-PRO", kBrush},
        {u"HG行書体", kBrush},
        {u"HGP行書体", kBrush},
        {u"HG楷書体", kBrush},
        {u"AR行楷書体H", kBrush},
        {u"毛筆", kBrush},
        // handwriting and textbook faces
        {u"HG教科書体", kHandwriting},
        {u"HGP教科書体", kHandwriting},
        {u"手書き", kHandwriting},
        // display faces
        {u"HG創英角ﾎﾟｯﾌﾟ体", kPop},
        {u"HGP創英角ﾎﾟｯﾌﾟ体", kPop},
        {u"HGｺﾞｼｯｸE", kModernGothic},
        {u"HG明朝E", kModernMincho},
        {u"System", kSystem},
    };
    return table;
}

QStringList AliasCandidates(const QString& name)
{
    for (const TFontAlias& alias : FontAliases())
        if (name == QStringView(alias.Name))
            return alias.Candidates;
    for (const TFontAlias& alias : FontAliases())
        if (name.compare(QStringView(alias.Name), Qt::CaseInsensitive) == 0)
            return alias.Candidates;
    return {};
}

} // namespace velmo
