#include "paperui/UPaperSelect.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include "text/UStringUtil.h"

namespace velmo {

const QStringList& PaperGroups()
{
    static const QStringList groups = {
        QStringLiteral("宛名・表示ラベル"), QStringLiteral("AVラベル"),
        QStringLiteral("CDラベル"),         QStringLiteral("名刺"),
        QStringLiteral("OAラベル"),         QStringLiteral("名前ラベル"),
        QStringLiteral("ファイリング"),     QStringLiteral("定型・その他"),
        QStringLiteral("写真シール"),       QStringLiteral("ユーザー定義"),
    };
    return groups;
}

const QStringList& PaperSizeFilters()
{
    static const QStringList sizes = {QStringLiteral("すべてのサイズ"), QStringLiteral("A4サイズ"),
                                      QStringLiteral("ハガキサイズ"), QStringLiteral("その他のサイズ")};
    return sizes;
}

const QStringList& PaperSearchSynonyms()
{
    static const QStringList synonyms = {
        QStringLiteral("ＳＡＮＷＡ"),     QStringLiteral("サンワ"),       QStringLiteral("Ａ－ＯＮＥ"),
        QStringLiteral("エーワン"),       QStringLiteral("ナナ"),         QStringLiteral("nana"),
        QStringLiteral("ナナクリエイト"), QStringLiteral("nana"),         QStringLiteral("ＨＩＳＡＧＯ"),
        QStringLiteral("ヒサゴ"),         QStringLiteral("ＥＬＥＣＯＭ"), QStringLiteral("エレコム"),
        QStringLiteral("エイブリイ"),     QStringLiteral("AVERY"),        QStringLiteral("エイブリィ"),
        QStringLiteral("AVERY"),          QStringLiteral("ソフマップ"),   QStringLiteral("Sofmap"),
        QStringLiteral("ＫＯＫＵＹＯ"),   QStringLiteral("コクヨ"),       QStringLiteral("ＮＩＣＨＩＢＡＮ"),
        QStringLiteral("ニチバン"),       QStringLiteral("ＰＬＵＳ"),     QStringLiteral("プラス"),
    };
    return synonyms;
}

QString NormalisePaperSearch(const QString& text)
{
    return HiraganaToKatakana(HalfToFull(text.toUpper()));
}

bool PaperNameMatches(const QString& paperName, const QString& search)
{
    const QString s = NormalisePaperSearch(search);
    if (s.isEmpty())
        return false;
    const QString name = NormalisePaperSearch(paperName);
    if (name.contains(s))
        return true;
    const QStringList& synonyms = PaperSearchSynonyms();
    for (int i = 0; i + 1 < synonyms.size(); i += 2) {
        if (synonyms[i].compare(s, Qt::CaseInsensitive) != 0)
            continue;
        // The alternative is normalised like the name: written as "nana" or "AVERY" it
        // could otherwise never be found in a normalised (full-width, upper-case) name.
        if (name.contains(NormalisePaperSearch(synonyms[i + 1])))
            return true;
    }
    return false;
}

bool PaperListed(const TPaperInfo& paper, const TExPaperInfo* extra, const TPaperFilter& filter)
{
    const QStringList& groups = PaperGroups();
    bool byName = false;
    if (!filter.Search.isEmpty())
        byName = PaperNameMatches(paper.PaperName(), filter.Search);
    else
        byName = filter.Extended && filter.Group == kUserGroup;
    bool byGroup = false;
    if (filter.Group >= 0 && filter.Group < groups.size()) {
        if (paper.ReadOnly())
            byGroup = paper.GroupName() == groups[filter.Group] ||
                      (filter.Group == kPhotoGroup && !groups.contains(paper.GroupName()));
        else
            byGroup = filter.Group == kUserGroup;
    }
    if (!byName && !byGroup)
        return false;
    const int w = paper.Width(), h = paper.Height();
    const bool a4 = w == 2100 && h == 2970;
    const bool postcard = w == 1000 && h >= 1470 && h <= 1480;
    switch (filter.Size) {
    case 1:
        if (!a4)
            return false;
        break;
    case 2:
        if (!postcard)
            return false;
        break;
    case 3:
        if (a4 || postcard)
            return false;
        break;
    default:
        break;
    }
    if (!filter.Maker.isEmpty() && paper.ReadOnly())
        return extra && extra->Company() == filter.Maker;
    return true;
}

QString FaceCountText(const TPaperInfo& paper)
{
    if (const auto* matrix = dynamic_cast<const TMatrixPaperInfo*>(&paper))
        return QStringLiteral("%1x%2").arg(matrix->FaceCountX()).arg(matrix->FaceCountY());
    return QString::number(paper.GetFaceCount());
}

} // namespace velmo
