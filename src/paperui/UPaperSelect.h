#pragma once
// The paper selection's rules, apart from its window: the fixed groups and size
// filters, the normalised name search with its synonyms, and which papers a filter
// lists.
#include <QString>
#include <QStringList>

namespace velmo {

class TPaperInfo;
class TExPaperInfo;

// The ten groups, in order; the last one holds the user's own papers.
const QStringList& PaperGroups();
constexpr int kPhotoGroup = 8;
constexpr int kUserGroup = 9;
// "すべてのサイズ", "A4サイズ", "ハガキサイズ", "その他のサイズ".
const QStringList& PaperSizeFilters();
// Search words and their alternatives, the word at an even position.
const QStringList& PaperSearchSynonyms();

// Upper case, then full-width, then katakana: "ｴｰﾜﾝ", "えーわん" and "エーワン" are
// one word.
QString NormalisePaperSearch(const QString& text);
// Whether the paper name matches the search text (directly or through a synonym).
bool PaperNameMatches(const QString& paperName, const QString& search);

struct TPaperFilter
{
    QString Search;        // empty: no name search
    int Group = -1;        // -1: none selected
    int Size = 0;          // index into PaperSizeFilters
    QString Maker;         // empty: every maker
    bool Extended = false; // the extended paper mode
};

// Whether the filter lists the paper; extra is the paper's "ExtraInfos" record or null.
bool PaperListed(const TPaperInfo& paper, const TExPaperInfo* extra, const TPaperFilter& filter);

// The "面数" column: "%dx%d" for a grid paper, the label count for a free paper.
QString FaceCountText(const TPaperInfo& paper);

} // namespace velmo
