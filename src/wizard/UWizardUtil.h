#pragma once
// The state of one wizard run and the rules its pages share: which papers a
// sub-genre or item offers, the size and maker filters, the order of the steps and
// the dialog titles, and how a design is carried from one label rectangle to another.
#include "draw/UStroke.h"
#include "wizard/UWizardDat.h"
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QAbstractButton;

namespace velmo {

class TDOList;
class TDrawObject;
class TExPaperInfo;
class TImagePaperInfo;
class TPaperInfo;
class TVelmoPapers;

// What every page of one run shares.
class TWizardBase
{
public:
    explicit TWizardBase(TVelmoPapers* papers);
    virtual ~TWizardBase();

    virtual bool Available() const = 0;

    TVelmoPapers* Papers() const { return FPapers; }
    // The chosen catalogue entry (not a copy) with copies of its records.
    TPaperInfo* Paper() const { return FPaper; }
    TExPaperInfo* ExtraInfo() const { return FExtraInfo.get(); }
    TImagePaperInfo* ImageInfo() const { return FImageInfo.get(); }
    // Chooses a catalogue entry and copies its records from the catalogue.
    void SetPaper(TPaperInfo* paper);

    const QStringList& PurposeList() const { return FPurposeList; }
    void SetPurposeList(const QStringList& list) { FPurposeList = list; }
    bool SeparateDesign() const { return FSeparateDesign; }
    void SetSeparateDesign(bool value) { FSeparateDesign = value; }
    int Genre() const { return FGenre; }
    void SetGenre(int value) { FGenre = value; }
    int SubGenre() const { return FSubGenre; }
    void SetSubGenre(int value) { FSubGenre = value; }

    // Pages enable the Next button through this and press it on a double click.
    std::function<void(bool)> EnableNext;
    QAbstractButton* NextButton = nullptr;
    void SetNextEnabled(bool enabled) const;
    void PressNext() const;

private:
    TVelmoPapers* FPapers;
    TPaperInfo* FPaper = nullptr;
    std::unique_ptr<TExPaperInfo> FExtraInfo;
    std::unique_ptr<TImagePaperInfo> FImageInfo;
    QStringList FPurposeList;
    bool FSeparateDesign = false;
    int FGenre = 0;
    int FSubGenre = 0;
};

class TWizardInfo : public TWizardBase
{
public:
    TWizardInfo(TVelmoPapers* papers, const QString& dataFile);
    bool Available() const override { return FDat.Loaded(); }
    const TWizardDat& Dat() const { return FDat; }

    QStringList Genres() const { return FDat.Genres(); }
    QStringList SubGenres() const { return FDat.SubGenres(Genre()); }
    QStringList Purposes() const { return FDat.Purposes(Genre(), SubGenre()); }
    QStringList Folders() const { return FDat.Folders(Genre(), SubGenre()); }
    // The design folder paired with the purpose (first match, ignoring case); empty
    // when the purpose is not in the list or has no folder.
    QString FolderForPurpose(const QString& purpose) const;

private:
    TWizardDat FDat;
};

class TOsoroiInfo : public TWizardBase
{
public:
    TOsoroiInfo(TVelmoPapers* papers, const QString& dataFile);
    bool Available() const override { return FDat.Loaded(); }
    const TOsoroiDat& Dat() const { return FDat; }

    bool Landscape() const { return FDat.Landscape(); }
    void SetLandscape(bool value) { FDat.SetLandscape(value); }
    QStringList Genres() const { return FDat.Genres(); }
    QStringList Items() const { return FDat.Items(Genre()); }
    QStringList PaperNames() const { return FDat.Papers(Genre(), SubGenre()); }
    QString Folder(const QString& paperName) const { return FDat.Folder(Genre(), SubGenre(), paperName); }

private:
    TOsoroiDat FDat;
};

// ---- papers ----

// What a position is for in the wizards: its purpose identifier, or for a position
// without one the purpose of its paper's extra information (the catalogue only
// gives identifiers to disc and media labels).
QString WizardFacePurpose(const TPaperInfo& paper, int face, const QString& paperPurpose);

enum class TSizeFilter
{
    sfAll,
    sfA4,
    sfPostcard,
    sfOther
};
bool PassesSizeFilter(const TPaperInfo& paper, TSizeFilter filter);

inline const QString kAllMakers = QStringLiteral("すべてのメーカー");
inline const QString kUserMaker = QStringLiteral("ユーザー定義");
inline const QString kStandardMaker = QStringLiteral("定型");
// The maker shown for a paper: "ユーザー定義" for the user's own, else its name up
// to the first blank, else "定型" when the name holds it, else nothing.
QString MakerOfPaper(const TPaperInfo& paper);
// "すべてのメーカー", then the makers of the papers in first-seen order, with
// "定型" and "ユーザー定義" moved to the end.
QStringList MakerList(const std::vector<TPaperInfo*>& papers);
// "%dx%d" for grid papers, the label count for the others.
QString PaperCountText(const TPaperInfo& paper);

// Indexes into the catalogue of the papers a wizard sub-genre offers (a position
// whose purpose is in the list) and of those an item names (by name).
std::vector<int> WizardCandidates(const TVelmoPapers& papers, const QStringList& purposes);
std::vector<int> OsoroiCandidates(const TVelmoPapers& papers, const QStringList& paperNames);

// ---- steps ----

enum
{
    wsGenre = 0,
    wsPaper = 1,
    wsDesign = 2,
    wsPhoto = 3,
    wsInput = 4,
    wsFinish = 5
};
QString WizardStepTitle(int step);
// photo: the design holds a photo placeholder; texts: a text field (matching-label
// wizard only).
int WizardNextStep(int step, bool photo);
int WizardPrevStep(int step, bool photo);
int OsoroiNextStep(int step, bool photo, bool texts);
int OsoroiPrevStep(int step, bool photo, bool texts);
QString WizardCaption(int step, bool photo);
QString OsoroiCaption(int step);

// ---- designs ----

// Photo placeholders and text fields of a design (topmost first).
std::vector<TDrawObject*> PhotoPlaceholders(const TDOList& design);
std::vector<TDrawObject*> TextFields(const TDOList& design);
QString TextFieldCaption(TDrawObject* object);
QString TextFieldText(TDrawObject* object);
void SetTextFieldText(TDrawObject* object, const QString& text);
// The object's rectangle (position and size) or an empty one.
TLogRect ObjectRect(TDrawObject* object);
void SetObjectRect(TDrawObject* object, const TLogRect& rect);

// Carries objects from label rectangle from to label rectangle to: corners scale
// about from's corner by the ratios of the sizes and move with it.
void MapObjectsBetween(const TDOList& objects, const TLogRect& from, const TLogRect& to);
// The largest rectangle of the picture's proportions inside box, centred in it.
TLogRect FitInside(const TLogRect& box, int pictureWidth, int pictureHeight);

} // namespace velmo
