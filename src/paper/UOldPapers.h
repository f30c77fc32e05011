#pragma once
// Papers of the earlier generation: records with properties the current paper classes
// no longer have, found as the PaperInfo stream of older documents and as whole older
// catalogue files. They use the current class names, so they are read with those
// names pointing at the record classes below and then converted into current papers.
#include "paper/UPaperInfo.h"
#include "storage/UDocFile.h"
#include <QByteArray>
#include <QStringList>
#include <memory>
#include <vector>

namespace velmo {

class TVelmoPapers;

class TOldPaperInfo : public TComponent
{
    VELMO_PERSISTENT(TOldPaperInfo, TComponent)
public:
    explicit TOldPaperInfo(TComponent* owner = nullptr);
    ~TOldPaperInfo() override;

    bool Landscape() const { return FLandscape; }
    void SetLandscape(bool value) { FLandscape = value; }
    // As oriented, with the swap rule of the current papers.
    int Width() const { return FLandscape ? FPortraitHeight : FPortraitWidth; }
    void SetWidth(int value) { (FLandscape ? FPortraitHeight : FPortraitWidth) = value; }
    int Height() const { return FLandscape ? FPortraitWidth : FPortraitHeight; }
    void SetHeight(int value) { (FLandscape ? FPortraitWidth : FPortraitHeight) = value; }
    int PortraitWidth() const { return FPortraitWidth; }
    int PortraitHeight() const { return FPortraitHeight; }
    const QString& PaperName() const { return FPaperName; }
    void SetPaperName(const QString& value) { FPaperName = value; }
    const QString& GroupName() const { return FGroupName; }
    void SetGroupName(const QString& value) { FGroupName = value; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    TPurposeList* PurposeList() const { return FPurposeList.get(); }
    bool StorePurposes() const { return FStorePurposes; }
    void SetStorePurposes(bool value) { FStorePurposes = value; }
    // Read from older streams, never written.
    const QString& PaperPurpose() const { return FPaperPurpose; }
    int Technology() const { return FTechnology; }
    int Version() const { return FVersion; }
    void SetVersion(int value) { FVersion = value; }

private:
    bool FLandscape = false;
    int FPortraitWidth = 0;
    int FPortraitHeight = 0;
    QString FPaperName;
    QString FGroupName;
    bool FReadOnly = false;
    std::unique_ptr<TPurposeList> FPurposeList;
    bool FStorePurposes = false;
    QString FPaperPurpose;
    int FTechnology = 0;
    int FVersion = 0;
};

class TOldMatrixPaperInfo : public TOldPaperInfo
{
    VELMO_PERSISTENT(TOldMatrixPaperInfo, TOldPaperInfo)
public:
    explicit TOldMatrixPaperInfo(TComponent* owner = nullptr);

    int TopOffset() const { return FTopOffset; }
    int LeftOffset() const { return FLeftOffset; }
    int BottomMargin() const { return FBottomMargin; }
    int RightMargin() const { return FRightMargin; }
    int FaceWidth() const { return FFaceWidth; }
    int FaceHeight() const { return FFaceHeight; }
    int FaceCountX() const { return FFaceCountX; }
    int FaceCountY() const { return FFaceCountY; }
    TFaceShape FaceShape() const { return FFaceShape; }
    const QString& FacePurpose() const { return FFacePurpose; }
    int FaceMargin() const { return FFaceMargin; }

private:
    void ReadFaceType(TReader& reader);

    int FTopOffset = 0;
    int FLeftOffset = 0;
    int FBottomMargin = 0;
    int FRightMargin = 0;
    int FFaceWidth = 0;
    int FFaceHeight = 0;
    int FFaceCountX = 0;
    int FFaceCountY = 0;
    TFaceShape FFaceShape = fsRect;
    QString FFacePurpose;
    int FFaceMargin = 0;
};

class TOldFreePaperInfo : public TOldPaperInfo
{
    VELMO_PERSISTENT(TOldFreePaperInfo, TOldPaperInfo)
public:
    explicit TOldFreePaperInfo(TComponent* owner = nullptr);
    TFaces* Faces() const { return FFaces.get(); }

private:
    std::unique_ptr<TFaces> FFaces;
};

// While one lives, the stream class names of the papers ("TPaperInfo" with
// withBase, "TMatrixPaperInfo", "TFreePaperInfo") create the older records; the
// current classes are put back when it goes, also after a failed read. Reading
// documents happens on the user-interface thread only, so the swap is not seen by a
// read elsewhere.
class TOldPaperClassScope
{
public:
    explicit TOldPaperClassScope(bool withBase);
    ~TOldPaperClassScope();
    TOldPaperClassScope(const TOldPaperClassScope&) = delete;
    TOldPaperClassScope& operator=(const TOldPaperClassScope&) = delete;

private:
    bool FWithBase;
};

// A current paper made from an older record: a free record becomes a free paper, any
// other a matrix paper with the standard hole, corner and centre shape.
std::unique_ptr<TPaperInfo> ConvertOldPaper(const TOldPaperInfo& old);

// Reads an older PaperInfo component resource from the stream's position and converts
// it; EReadError when the stream holds no older paper either.
std::unique_ptr<TPaperInfo> ReadOldPaper(TStream& stream);

// The maker an older paper's name stands for: the text before the first space, or
// "定型" for the standard sizes, or nothing.
QString MakerFromOldPaperName(const QString& name);

// An older catalogue file, open (read and write, exclusive) while the object lives.
// A read-only one (for listing) is opened for reading and never written, so its
// version stays as stored.
class TOldPapers
{
public:
    explicit TOldPapers(const QString& fileName, bool readOnly = false);
    ~TOldPapers();
    TOldPapers(const TOldPapers&) = delete;
    TOldPapers& operator=(const TOldPapers&) = delete;

    int Count() const { return int(FRecords.size()); }
    TOldPaperInfo* Paper(int index) const;
    const QString& StreamName(int index) const;
    // Streams that did not hold a readable older paper: left out, named here.
    const QStringList& SkippedPapers() const { return FSkipped; }

    TPurposeList* PurposeList() const { return FPurposeList.get(); }
    const QStringList& GroupNames() const { return FGroupNames; }
    // The bytes of the group pictures' Data property, as stored (the merge has no
    // use for them; a caller that shows them decodes them with the picture classes).
    const QByteArray& GroupIcons() const { return FGroupIcons; }
    int Version() const { return FVersion; }

    static QString PapersStorageName() { return QStringLiteral("Papers"); }
    static QString PurposeListStreamName() { return QStringLiteral("PurposeList\\PurposeList"); }
    static QString GroupListStreamName() { return QStringLiteral("GroupList\\GroupList"); }
    static QString GroupIconsStreamName() { return QStringLiteral("GroupList\\GroupIcons"); }
    static QString VersionStreamName() { return QStringLiteral("Version\\Version"); }

private:
    struct TRecord
    {
        QString StreamName;
        std::unique_ptr<TOldPaperInfo> Paper;
    };
    QByteArray ReadBytes(const QString& path, int64_t limit);

    std::unique_ptr<TRootStorage> FStorage;
    std::unique_ptr<TPurposeList> FPurposeList;
    QStringList FGroupNames;
    QByteArray FGroupIcons;
    int FVersion = 100;
    std::vector<TRecord> FRecords;
    QStringList FSkipped;
};

struct TOldPaperMergeResult
{
    int Merged = 0;
    // "name: reason" for each record or stream left out.
    QStringList Skipped;
};

// Merges an older catalogue into the catalogue: each paper stored (replacing one of
// the same name) with its maker in the extra information, then the older purposes the
// catalogue lacks. Papers that fail the catalogue's checks are left out and reported.
TOldPaperMergeResult MergeOldPapers(TVelmoPapers& target, const QString& fileName);

} // namespace velmo
