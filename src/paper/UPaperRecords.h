#pragma once
// The small records a paper catalogue keeps besides its papers: the version of the
// last catalogue update, and per-paper extra information and background designs.
// Extra records name their paper by PaperName, never by the paper's key.
#include "base/UClasses.h"
#include "draw/UDrawObject.h"
#include <memory>
#include <vector>

namespace velmo {

// Background designs sit in this layer group, below everything the user places.
constexpr int kBackgroundLayerGroup = -50;

class TPaperUpdate : public TComponent
{
    VELMO_PERSISTENT(TPaperUpdate, TComponent)
public:
    explicit TPaperUpdate(TComponent* owner = nullptr);

    int PPRNo() const { return FPPRNo; }
    void SetPPRNo(int value) { FPPRNo = value; }
    // Day-count date-time; 0 before the first update.
    double LastUpdate() const { return FLastUpdate; }
    void SetLastUpdate(double value) { FLastUpdate = value; }

    void Assign(const TPersistent& source) override;

private:
    int FPPRNo = 0;
    double FLastUpdate = 0;
};

class TExtraPaperInfo : public TComponent
{
    VELMO_PERSISTENT(TExtraPaperInfo, TComponent)
public:
    explicit TExtraPaperInfo(TComponent* owner = nullptr);

    const QString& PaperName() const { return FPaperName; }
    void SetPaperName(const QString& value) { FPaperName = value; }

    // Whether the record carries nothing worth storing.
    virtual bool IsEmpty() const = 0;
    // True when both write byte-identical component streams.
    virtual bool SameAs(const TComponent& other) const;
    // A new record of the same class, assigned from this one.
    std::unique_ptr<TExtraPaperInfo> Clone() const;

    void Assign(const TPersistent& source) override;

protected:
    virtual TExtraPaperInfo* NewInstance() const = 0;

private:
    QString FPaperName;
};

// Maker, purpose and corner size of a paper.
class TExPaperInfo : public TExtraPaperInfo
{
    VELMO_PERSISTENT(TExPaperInfo, TExtraPaperInfo)
public:
    explicit TExPaperInfo(TComponent* owner = nullptr);

    const QString& Purpose() const { return FPurpose; }
    void SetPurpose(const QString& value) { FPurpose = value; }
    const QString& Company() const { return FCompany; }
    void SetCompany(const QString& value) { FCompany = value; }
    int RoundSize() const { return FRoundSize; }
    void SetRoundSize(int value) { FRoundSize = value; }

    bool IsEmpty() const override;
    void Assign(const TPersistent& source) override;

protected:
    TExtraPaperInfo* NewInstance() const override { return new TExPaperInfo; }

private:
    QString FPurpose;
    QString FCompany;
    int FRoundSize = 0;
};

// Background designs of a paper: one list of draw objects per face. The record owns
// the objects in its face lists.
class TImagePaperInfo : public TExtraPaperInfo
{
    VELMO_PERSISTENT(TImagePaperInfo, TExtraPaperInfo)
public:
    explicit TImagePaperInfo(TComponent* owner = nullptr);
    ~TImagePaperInfo() override;

    bool SeparatelyDesign() const { return FSeparatelyDesign; }
    void SetSeparatelyDesign(bool value) { FSeparatelyDesign = value; }
    int LabelCount() const { return FLabelCount; }
    void SetLabelCount(int value) { FLabelCount = value; }

    int FaceCount() const { return int(FFaces.size()); }
    // Grows with empty lists or shrinks, destroying the objects of dropped faces.
    void SetFaceCount(int count);
    TDOList& Faces(int index) { return *FFaces.at(size_t(index)); }
    const TDOList& Faces(int index) const { return *FFaces.at(size_t(index)); }
    // Replaces face index (added when it is the next one) with copies of the objects,
    // each made a background object.
    void SetFaceObjects(int index, const TDOList& objects);
    // Appends a face list read from a stream (the list format of draw objects); the
    // objects become background objects.
    void LoadFace(TStream& stream);
    void ClearFaces();

    // Puts an object behind the user's design: its layer group, not selectable,
    // disabled.
    static void MakeBackgroundObject(TDrawObject& object);

    bool IsEmpty() const override;
    // Copies the fields and deep-copies every face list through a memory stream.
    void Assign(const TPersistent& source) override;

protected:
    TExtraPaperInfo* NewInstance() const override { return new TImagePaperInfo; }

private:
    bool FSeparatelyDesign = true;
    int FLabelCount = 0;
    std::vector<std::unique_ptr<TDOList>> FFaces;
};

// Deep copy of a list of draw objects through their stream form; the caller owns the
// new objects.
void CopyDrawObjects(const TDOList& source, TDOList& dest);

// Registers the records with the class registry.
void RegisterPaperRecordClasses();

} // namespace velmo
