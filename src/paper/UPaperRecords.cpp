#include "paper/UPaperRecords.h"
#include "base/UStream.h"
#include "persist/UComponentStream.h"

namespace velmo {

// ---------------------------------------------------------------------------------
// TPaperUpdate

const TPropertyTable& TPaperUpdate::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("PPRNo", &TPaperUpdate::FPPRNo, &TPaperUpdate::FPPRNo)
            .Float("LastUpdate", &TPaperUpdate::FLastUpdate, &TPaperUpdate::FLastUpdate);
    return table;
}

TPaperUpdate::TPaperUpdate(TComponent* owner) : TComponent(owner) {}

void TPaperUpdate::Assign(const TPersistent& source)
{
    if (auto* other = dynamic_cast<const TPaperUpdate*>(&source)) {
        FPPRNo = other->FPPRNo;
        FLastUpdate = other->FLastUpdate;
        return;
    }
    TComponent::Assign(source);
}

// ---------------------------------------------------------------------------------
// TExtraPaperInfo

const TPropertyTable& TExtraPaperInfo::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .String("PaperName", &TExtraPaperInfo::FPaperName, &TExtraPaperInfo::FPaperName);
    return table;
}

TExtraPaperInfo::TExtraPaperInfo(TComponent* owner) : TComponent(owner) {}

bool TExtraPaperInfo::SameAs(const TComponent& other) const
{
    return ComponentStreamBytes(*this) == ComponentStreamBytes(other);
}

std::unique_ptr<TExtraPaperInfo> TExtraPaperInfo::Clone() const
{
    std::unique_ptr<TExtraPaperInfo> copy(NewInstance());
    copy->Assign(*this);
    return copy;
}

void TExtraPaperInfo::Assign(const TPersistent& source)
{
    if (auto* other = dynamic_cast<const TExtraPaperInfo*>(&source)) {
        FPaperName = other->FPaperName;
        return;
    }
    TComponent::Assign(source);
}

// ---------------------------------------------------------------------------------
// TExPaperInfo

const TPropertyTable& TExPaperInfo::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .String("Purpose", &TExPaperInfo::FPurpose, &TExPaperInfo::FPurpose)
            .String("Company", &TExPaperInfo::FCompany, &TExPaperInfo::FCompany)
            .Int("RoundSize", &TExPaperInfo::FRoundSize, &TExPaperInfo::FRoundSize);
    return table;
}

TExPaperInfo::TExPaperInfo(TComponent* owner) : TExtraPaperInfo(owner) {}

bool TExPaperInfo::IsEmpty() const
{
    return FPurpose.isEmpty() && FCompany.isEmpty() && FRoundSize == 0;
}

void TExPaperInfo::Assign(const TPersistent& source)
{
    TExtraPaperInfo::Assign(source);
    if (auto* other = dynamic_cast<const TExPaperInfo*>(&source)) {
        FPurpose = other->FPurpose;
        FCompany = other->FCompany;
        FRoundSize = other->FRoundSize;
    }
}

// ---------------------------------------------------------------------------------
// TImagePaperInfo

const TPropertyTable& TImagePaperInfo::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Bool("SeparatelyDesign", &TImagePaperInfo::FSeparatelyDesign,
                  &TImagePaperInfo::FSeparatelyDesign)
            .Int("LabelCount", &TImagePaperInfo::FLabelCount, &TImagePaperInfo::FLabelCount);
    return table;
}

TImagePaperInfo::TImagePaperInfo(TComponent* owner) : TExtraPaperInfo(owner) {}

TImagePaperInfo::~TImagePaperInfo()
{
    ClearFaces();
}

void TImagePaperInfo::ClearFaces()
{
    for (std::unique_ptr<TDOList>& face : FFaces)
        face->FreeObjects();
    FFaces.clear();
}

void TImagePaperInfo::SetFaceCount(int count)
{
    if (count < 0)
        count = 0;
    while (int(FFaces.size()) > count) {
        FFaces.back()->FreeObjects();
        FFaces.pop_back();
    }
    while (int(FFaces.size()) < count)
        FFaces.push_back(std::make_unique<TDOList>());
}

void TImagePaperInfo::MakeBackgroundObject(TDrawObject& object)
{
    object.SetLayerGroup(kBackgroundLayerGroup);
    object.SetSelectable(false);
    object.SetEnabled(false);
}

void TImagePaperInfo::SetFaceObjects(int index, const TDOList& objects)
{
    if (index < 0 || index > FaceCount())
        throw EInternalError(QStringLiteral("face index out of range"));
    auto copy = std::make_unique<TDOList>();
    CopyDrawObjects(objects, *copy);
    for (TDrawObject* object : copy->Objects())
        MakeBackgroundObject(*object);
    if (index == FaceCount()) {
        FFaces.push_back(std::move(copy));
    } else {
        FFaces[size_t(index)]->FreeObjects();
        FFaces[size_t(index)] = std::move(copy);
    }
}

void TImagePaperInfo::LoadFace(TStream& stream)
{
    auto face = std::make_unique<TDOList>();
    face->LoadFromStream(stream);
    for (TDrawObject* object : face->Objects()) {
        // Enabled is not part of an object's stream form.
        object->SetEnabled(false);
        // A design is anonymous, as a label's is: a draw site refuses a name used
        // twice, and a damaged catalogue design would then throw from a paint.
        object->SetName(QString());
    }
    FFaces.push_back(std::move(face));
}

bool TImagePaperInfo::IsEmpty() const
{
    for (const std::unique_ptr<TDOList>& face : FFaces)
        if (face->Count() > 0)
            return false;
    return true;
}

void TImagePaperInfo::Assign(const TPersistent& source)
{
    TExtraPaperInfo::Assign(source);
    auto* other = dynamic_cast<const TImagePaperInfo*>(&source);
    if (!other || other == this)
        return;
    FSeparatelyDesign = other->FSeparatelyDesign;
    FLabelCount = other->FLabelCount;
    std::vector<std::unique_ptr<TDOList>> faces;
    try {
        for (const std::unique_ptr<TDOList>& face : other->FFaces) {
            auto copy = std::make_unique<TDOList>();
            CopyDrawObjects(*face, *copy);
            // Enabled is not part of an object's stream form.
            for (int i = 0; i < copy->Count() && i < face->Count(); ++i)
                copy->Items(i)->SetEnabled(face->Items(i)->Enabled());
            faces.push_back(std::move(copy));
        }
    } catch (...) {
        for (std::unique_ptr<TDOList>& face : faces)
            face->FreeObjects();
        throw;
    }
    ClearFaces();
    FFaces = std::move(faces);
}

void CopyDrawObjects(const TDOList& source, TDOList& dest)
{
    TMemoryStream buffer;
    source.SaveToStream(buffer);
    buffer.SetPosition(0);
    dest.LoadFromStream(buffer);
}

void RegisterPaperRecordClasses()
{
    RegisterClasses<TPaperUpdate, TExPaperInfo, TImagePaperInfo>();
}

} // namespace velmo
