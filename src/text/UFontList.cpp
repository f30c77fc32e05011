#include "text/UFontList.h"
#include "text/UFontAlias.h"
#include "text/UFontEngine.h"
#include <QFile>
#include <QHash>
#include <algorithm>
#include <fontconfig/fontconfig.h>
#include <map>
#include <tuple>

namespace velmo {
namespace {

struct TFaceFileInfo
{
    QString File;
    int Index = 0;
    int Weight = FC_WEIGHT_REGULAR;
    int Slant = FC_SLANT_ROMAN;
    bool Loadable = true; // false once loading failed
};

struct TFamilyInfo
{
    QString Name;
    bool Usable = false; // an outline font
    bool Japanese = false;
    std::vector<TFaceFileInfo> Files;
};

struct TFontLists
{
    bool Filled = false;
    QHash<QString, TFamilyInfo> Families; // keyed by the lower-case name
    QStringList Usable, Unusable, Vertical;
    bool VerticalFilled = false;
    QHash<QString, bool> VerticalByName; // "@name" -> has vertical forms
    QHash<QString, bool> VerticalByFile;
    std::map<std::tuple<QString, int, bool, bool>, std::shared_ptr<TFontFace>> Loaded;
    std::vector<std::pair<QString, TFaceFileInfo>> Registered;
    bool GlyphFallbacksFilled = false;
    std::vector<std::shared_ptr<TFontFace>> GlyphFallbacks;
    // Answers of IsFaceUnusable: the text engine asks for the same few names at
    // every text it lays out. Forgotten whenever the lists change.
    QHash<QString, bool> UnusableAnswers;
    // Answers of OpenFace by the name as asked (with bold and italic as a suffix):
    // a merge run opens the same face for every text of every label.
    QHash<QString, std::shared_ptr<TFontFace>> Opened;
};

TFontLists& Lists()
{
    static TFontLists lists;
    return lists;
}

QString Key(const QString& name)
{
    return name.toCaseFolded();
}

void InsertSorted(QStringList& list, const QString& name)
{
    const auto at = std::lower_bound(list.begin(), list.end(), name);
    if (at == list.end() || *at != name)
        list.insert(at, name);
}

void RemoveName(QStringList& list, const QString& name)
{
    list.removeAll(name);
}

void AddFamilyFile(TFontLists& lists, const QString& name, const TFaceFileInfo& file, bool usable,
                   bool japanese)
{
    TFamilyInfo& family = lists.Families[Key(name)];
    if (family.Name.isEmpty())
        family.Name = name;
    if (usable) {
        family.Usable = true;
        family.Files.push_back(file);
    }
    family.Japanese = family.Japanese || japanese;
}

void ReadInstalledFonts(TFontLists& lists)
{
    FcConfig* config = FcConfigGetCurrent();
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, FC_OUTLINE,
                                            FC_SCALABLE, FC_LANG, nullptr);
    FcFontSet* set = config ? FcFontList(config, pattern, objects) : nullptr;
    const FcChar8* ja = reinterpret_cast<const FcChar8*>("ja");
    if (set) {
        for (int i = 0; i < set->nfont; ++i) {
            FcPattern* font = set->fonts[i];
            FcChar8* file = nullptr;
            if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch)
                continue;
            TFaceFileInfo info;
            info.File = QFile::decodeName(reinterpret_cast<const char*>(file));
            FcPatternGetInteger(font, FC_INDEX, 0, &info.Index);
            FcPatternGetInteger(font, FC_WEIGHT, 0, &info.Weight);
            FcPatternGetInteger(font, FC_SLANT, 0, &info.Slant);
            FcBool outline = FcFalse, scalable = FcFalse;
            FcPatternGetBool(font, FC_OUTLINE, 0, &outline);
            FcPatternGetBool(font, FC_SCALABLE, 0, &scalable);
            FcLangSet* langs = nullptr;
            const bool japanese = FcPatternGetLangSet(font, FC_LANG, 0, &langs) == FcResultMatch &&
                                  FcLangSetHasLang(langs, ja) == FcLangEqual;
            FcChar8* family = nullptr;
            for (int k = 0; FcPatternGetString(font, FC_FAMILY, k, &family) == FcResultMatch; ++k) {
                const QString name = QString::fromUtf8(reinterpret_cast<const char*>(family));
                if (!name.isEmpty() && !name.startsWith(u'@'))
                    AddFamilyFile(lists, name, info, outline && scalable, japanese);
            }
        }
        FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    for (const auto& [name, info] : lists.Registered)
        AddFamilyFile(lists, name, info, true, true);
}

// The family that draws the name: installed under it, or the first installed
// stand-in of the alias table.
const TFamilyInfo* FindFamily(const QString& name)
{
    TFontLists& lists = Lists();
    const auto found = lists.Families.constFind(Key(name));
    if (found != lists.Families.constEnd() && found->Usable)
        return &found.value();
    for (const QString& candidate : AliasCandidates(name)) {
        const auto c = lists.Families.constFind(Key(candidate));
        if (c != lists.Families.constEnd() && c->Usable)
            return &c.value();
    }
    return nullptr;
}

void FillLists(TFontLists& lists)
{
    lists.UnusableAnswers.clear();
    lists.Opened.clear();
    lists.Families.clear();
    lists.Usable.clear();
    lists.Unusable.clear();
    lists.Vertical.clear();
    lists.VerticalFilled = false;
    lists.VerticalByName.clear();
    ReadInstalledFonts(lists);
    lists.Filled = true;
    for (const TFamilyInfo& family : std::as_const(lists.Families))
        InsertSorted(family.Usable ? lists.Usable : lists.Unusable, family.Name);
    for (const TFontAlias& alias : FontAliases()) {
        const QString name = QString::fromUtf16(alias.Name);
        if (!lists.Families.contains(Key(name)) && FindFamily(name))
            InsertSorted(lists.Usable, name);
    }
}

const TFaceFileInfo* ChooseFile(const TFamilyInfo& family, bool bold, bool italic)
{
    const TFaceFileInfo* best = nullptr;
    int bestScore = 0;
    const int weight = bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR;
    for (const TFaceFileInfo& file : family.Files) {
        if (!file.Loadable)
            continue;
        int score = std::abs(file.Weight - weight) * 2;
        if ((file.Slant != FC_SLANT_ROMAN) != italic)
            score += 1000;
        if (!best || score < bestScore) {
            best = &file;
            bestScore = score;
        }
    }
    return best;
}

std::shared_ptr<TFontFace> LoadFile(TFaceFileInfo& file, bool syntheticBold, bool syntheticItalic)
{
    TFontLists& lists = Lists();
    const auto key = std::make_tuple(file.File, file.Index, syntheticBold, syntheticItalic);
    const auto found = lists.Loaded.find(key);
    if (found != lists.Loaded.end())
        return found->second;
    std::shared_ptr<TFontFace> face = TFontFace::Load(file.File, file.Index, syntheticBold, syntheticItalic);
    if (!face) {
        file.Loadable = false;
        return nullptr;
    }
    lists.Loaded.emplace(key, face);
    return face;
}

bool FileVertical(const TFaceFileInfo& file)
{
    TFontLists& lists = Lists();
    const QString key = file.File + u'#' + QString::number(file.Index);
    const auto found = lists.VerticalByFile.constFind(key);
    if (found != lists.VerticalByFile.constEnd())
        return found.value();
    const bool vertical = FileHasVerticalForms(file.File, file.Index);
    lists.VerticalByFile.insert(key, vertical);
    return vertical;
}

} // namespace

const QStringList& FallbackFaces()
{
    static const QStringList faces = {QStringLiteral(u"ＭＳ Ｐゴシック"), QStringLiteral(u"ＭＳ Ｐ明朝"),
                                      QStringLiteral(u"ＭＳ ゴシック"),   QStringLiteral(u"ＭＳ 明朝"),
                                      QStringLiteral(u"標準ゴシック"),    QStringLiteral(u"標準明朝"),
                                      QStringLiteral(u"System")};
    return faces;
}

void InitFontLists()
{
    TFontLists& lists = Lists();
    if (!lists.Filled)
        FillLists(lists);
}

const QStringList& UsableFaces()
{
    InitFontLists();
    return Lists().Usable;
}

const QStringList& UnusableFaces()
{
    InitFontLists();
    return Lists().Unusable;
}

const QStringList& VerticalFaces()
{
    InitFontLists();
    TFontLists& lists = Lists();
    if (!lists.VerticalFilled) {
        lists.VerticalFilled = true;
        const QStringList usable = lists.Usable;
        for (const QString& name : usable)
            IsVerticalFace(u'@' + name);
    }
    return lists.Vertical;
}

void GetUsableFaces(QStringList& list)
{
    list = UsableFaces();
}

namespace {

bool IsFaceUnusableUncached(TFontLists& lists, const QString& name)
{
    const auto at = std::lower_bound(lists.Unusable.cbegin(), lists.Unusable.cend(), name);
    if (at != lists.Unusable.cend() && *at == name)
        return true;
    const auto usable = std::lower_bound(lists.Usable.cbegin(), lists.Usable.cend(), name);
    if (usable != lists.Usable.cend() && *usable == name)
        return false;
    // A name in neither list: written differently (case), or not installed at all.
    if (name.isEmpty() || name.startsWith(u'@') || !FindFamily(name)) {
        InsertSorted(lists.Unusable, name);
        return true;
    }
    InsertSorted(lists.Usable, name);
    return false;
}

} // namespace

bool IsFaceUnusable(const QString& name)
{
    InitFontLists();
    TFontLists& lists = Lists();
    const auto answered = lists.UnusableAnswers.constFind(name);
    if (answered != lists.UnusableAnswers.constEnd())
        return answered.value();
    const bool unusable = IsFaceUnusableUncached(lists, name);
    lists.UnusableAnswers.insert(name, unusable);
    return unusable;
}

bool IsVerticalFace(const QString& atName)
{
    if (!atName.startsWith(u'@'))
        return false;
    InitFontLists();
    TFontLists& lists = Lists();
    const auto found = lists.VerticalByName.constFind(atName);
    if (found != lists.VerticalByName.constEnd())
        return found.value();
    bool vertical = false;
    const QString base = atName.mid(1);
    if (!IsFaceUnusable(base))
        if (const TFamilyInfo* family = FindFamily(base))
            if (const TFaceFileInfo* file = ChooseFile(*family, false, false))
                vertical = FileVertical(*file);
    lists.VerticalByName.insert(atName, vertical);
    if (vertical)
        InsertSorted(lists.Vertical, atName);
    return vertical;
}

int FaceCharset(const QString& name)
{
    InitFontLists();
    const TFamilyInfo* family = FindFamily(name.startsWith(u'@') ? name.mid(1) : name);
    if (!family)
        return 1;
    return family->Japanese ? 128 : 0;
}

void RegisterFaceFile(const QString& family, const QString& fileName, int index)
{
    TFontLists& lists = Lists();
    TFaceFileInfo info;
    info.File = fileName;
    info.Index = index;
    lists.Registered.emplace_back(family, info);
    lists.UnusableAnswers.clear();
    lists.Opened.clear();
    if (lists.Filled) {
        AddFamilyFile(lists, family, info, true, true);
        RemoveName(lists.Unusable, family);
        InsertSorted(lists.Usable, family);
        lists.VerticalByName.remove(u'@' + family);
    }
}

std::shared_ptr<TFontFace> OpenFace(const QString& name, bool bold, bool italic)
{
    InitFontLists();
    TFontLists& lists = Lists();
    const QString asked = name + (bold ? u'\x01' : u'\x02') + (italic ? u'\x01' : u'\x02');
    if (const auto opened = lists.Opened.constFind(asked); opened != lists.Opened.constEnd())
        return *opened;
    const TFamilyInfo* found = FindFamily(name);
    if (!found)
        return nullptr;
    TFamilyInfo& family = lists.Families[Key(found->Name)];
    while (TFaceFileInfo* file = const_cast<TFaceFileInfo*>(ChooseFile(family, bold, italic))) {
        const bool syntheticBold = bold && file->Weight < FC_WEIGHT_DEMIBOLD;
        const bool syntheticItalic = italic && file->Slant == FC_SLANT_ROMAN;
        if (std::shared_ptr<TFontFace> face = LoadFile(*file, syntheticBold, syntheticItalic)) {
            lists.Opened.insert(asked, face);
            return face;
        }
    }
    // No file of the family loads: the name can no longer be used.
    lists.UnusableAnswers.clear();
    lists.Opened.clear();
    RemoveName(lists.Usable, name);
    InsertSorted(lists.Unusable, name);
    family.Usable = false;
    lists.VerticalByName.remove(u'@' + name);
    return nullptr;
}

std::shared_ptr<TFontFace> LastResortFace(bool bold, bool italic)
{
    for (const QString& name : FallbackFaces())
        if (!IsFaceUnusable(name))
            if (auto face = OpenFace(name, bold, italic))
                return face;
    // Whatever the system's configuration offers for sans-serif.
    std::shared_ptr<TFontFace> face;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif:lang=ja"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            TFaceFileInfo info;
            info.File = QFile::decodeName(reinterpret_cast<const char*>(file));
            info.Index = index;
            face = LoadFile(info, bold, italic);
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return face;
}

const std::vector<std::shared_ptr<TFontFace>>& GlyphFallbackFaces()
{
    TFontLists& lists = Lists();
    if (!lists.GlyphFallbacksFilled) {
        lists.GlyphFallbacksFilled = true;
        for (const char* name : {"Noto Sans CJK JP", "IPAPGothic", "IPAexGothic", "DejaVu Sans"})
            if (auto face = OpenFace(QString::fromLatin1(name), false, false))
                lists.GlyphFallbacks.push_back(face);
    }
    return lists.GlyphFallbacks;
}

} // namespace velmo
