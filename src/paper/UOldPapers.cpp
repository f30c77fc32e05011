#include "paper/UOldPapers.h"
#include "base/UExceptions.h"
#include "paper/UPaperRecords.h"
#include "paper/UPapers.h"
#include "paper/UVelmoPapers.h"
#include "persist/UComponentStream.h"
#include <algorithm>

namespace velmo {
namespace {

// An older catalogue's version when it has none (or a meaningless one).
constexpr int kOldDefaultVersion = 100;
// Group lists and pictures are small; a stream claiming more is damaged.
constexpr int64_t kMaxSideStream = 16 * 1024 * 1024;

QString CurrentMatrixName()
{
    return QString::fromLatin1(TMatrixPaperInfo::StaticClassName());
}
QString CurrentFreeName()
{
    return QString::fromLatin1(TFreePaperInfo::StaticClassName());
}

} // namespace

// ---------------------------------------------------------------------------------
// TOldPaperInfo

const TPropertyTable& TOldPaperInfo::Properties()
{
    using T = TOldPaperInfo;
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Bool("Landscape", &T::Landscape, &T::SetLandscape)
                                            .Int("Width", &T::Width, &T::SetWidth)
                                            .Int("Height", &T::Height, &T::SetHeight)
                                            .String("PaperName", &T::FPaperName, &T::FPaperName)
                                            .String("GroupName", &T::FGroupName, &T::FGroupName)
                                            .Bool("ReadOnly", &T::FReadOnly, &T::FReadOnly)
                                            .Object("PurposeList", &T::PurposeList)
                                            .StoredIf(&T::StorePurposes)
                                            .String("PaperPurpose", &T::FPaperPurpose, &T::FPaperPurpose)
                                            .StoredIf(false)
                                            .Int("Technology", &T::FTechnology, &T::FTechnology)
                                            .StoredIf(false)
                                            .Int("Version", &T::FVersion, &T::FVersion)
                                            .StoredIf(false);
    return table;
}

TOldPaperInfo::TOldPaperInfo(TComponent* owner)
    : TComponent(owner), FPurposeList(std::make_unique<TPurposeList>())
{
}

TOldPaperInfo::~TOldPaperInfo() = default;

// ---------------------------------------------------------------------------------
// TOldMatrixPaperInfo

const TPropertyTable& TOldMatrixPaperInfo::Properties()
{
    using T = TOldMatrixPaperInfo;
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("TopOffset", &T::FTopOffset, &T::FTopOffset)
            .Int("LeftOffset", &T::FLeftOffset, &T::FLeftOffset)
            .Int("BottomMargin", &T::FBottomMargin, &T::FBottomMargin)
            .Int("RightMargin", &T::FRightMargin, &T::FRightMargin)
            .Int("FaceWidth", &T::FFaceWidth, &T::FFaceWidth)
            .Int("FaceHeight", &T::FFaceHeight, &T::FFaceHeight)
            .Int("FaceCountX", &T::FFaceCountX, &T::FFaceCountX)
            .Int("FaceCountY", &T::FFaceCountY, &T::FFaceCountY)
            .Enum<T>("FaceShape", &T::FFaceShape, &T::FFaceShape, VELMO_FACE_SHAPE_IDENTS)
            .String("FacePurpose", &T::FFacePurpose, &T::FFacePurpose)
            .Int("FaceMargin", &T::FFaceMargin, &T::FFaceMargin)
            .ReadOnlyCustom<T>("FaceType", &T::ReadFaceType);
    return table;
}

TOldMatrixPaperInfo::TOldMatrixPaperInfo(TComponent* owner) : TOldPaperInfo(owner) {}

void TOldMatrixPaperInfo::ReadFaceType(TReader& reader)
{
    TFaceInfo info;
    info.FaceShape = FFaceShape;
    info.FacePurpose = FFacePurpose;
    info.SetFaceType(reader.ReadInteger());
    FFaceShape = info.FaceShape;
    FFacePurpose = info.FacePurpose;
}

// ---------------------------------------------------------------------------------
// TOldFreePaperInfo

const TPropertyTable& TOldFreePaperInfo::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties()).Object("Faces", &TOldFreePaperInfo::Faces);
    return table;
}

TOldFreePaperInfo::TOldFreePaperInfo(TComponent* owner)
    : TOldPaperInfo(owner), FFaces(std::make_unique<TFaces>())
{
}

// ---------------------------------------------------------------------------------
// The class swap

TOldPaperClassScope::TOldPaperClassScope(bool withBase) : FWithBase(withBase)
{
    UnRegisterClass<TMatrixPaperInfo>();
    UnRegisterClass<TFreePaperInfo>();
    RegisterClassAlias<TOldMatrixPaperInfo>(CurrentMatrixName());
    RegisterClassAlias<TOldFreePaperInfo>(CurrentFreeName());
    if (FWithBase)
        RegisterClassAlias<TOldPaperInfo>(QString::fromLatin1(TPaperInfo::StaticClassName()));
}

TOldPaperClassScope::~TOldPaperClassScope()
{
    UnRegisterClass<TOldMatrixPaperInfo>();
    UnRegisterClass<TOldFreePaperInfo>();
    if (FWithBase)
        UnRegisterClass<TOldPaperInfo>();
    RegisterClass<TMatrixPaperInfo>();
    RegisterClass<TFreePaperInfo>();
}

// ---------------------------------------------------------------------------------
// Conversion

std::unique_ptr<TPaperInfo> ConvertOldPaper(const TOldPaperInfo& old)
{
    std::unique_ptr<TPaperInfo> paper;
    if (const auto* free = dynamic_cast<const TOldFreePaperInfo*>(&old)) {
        auto current = std::make_unique<TFreePaperInfo>();
        current->Faces()->Assign(*free->Faces());
        paper = std::move(current);
    } else {
        auto current = std::make_unique<TMatrixPaperInfo>();
        if (const auto* matrix = dynamic_cast<const TOldMatrixPaperInfo*>(&old)) {
            current->SetLeftOffset(matrix->LeftOffset());
            current->SetTopOffset(matrix->TopOffset());
            current->SetRightMargin(matrix->RightMargin());
            current->SetBottomMargin(matrix->BottomMargin());
            current->SetFaceWidth(matrix->FaceWidth());
            current->SetFaceHeight(matrix->FaceHeight());
            current->SetFaceCountX(matrix->FaceCountX());
            current->SetFaceCountY(matrix->FaceCountY());
            current->SetFaceMargin(matrix->FaceMargin());
            current->SetFaceShape(matrix->FaceShape());
            current->SetFacePurpose(matrix->FacePurpose());
        }
        paper = std::move(current);
    }
    paper->SetPortraitWidth(old.PortraitWidth());
    paper->SetPortraitHeight(old.PortraitHeight());
    paper->SetPaperName(old.PaperName());
    paper->SetGroupName(old.GroupName());
    paper->SetReadOnly(old.ReadOnly());
    paper->SetLandscape(old.Landscape());
    paper->PurposeList()->Assign(*old.PurposeList());
    return paper;
}

std::unique_ptr<TPaperInfo> ReadOldPaper(TStream& stream)
{
    std::unique_ptr<TOldPaperInfo> old;
    {
        TOldPaperClassScope scope(true);
        old = ReadComponentResourceAs<TOldPaperInfo>(stream);
    }
    return ConvertOldPaper(*old);
}

QString MakerFromOldPaperName(const QString& name)
{
    const int space = int(name.indexOf(QLatin1Char(' ')));
    if (space >= 0)
        return name.left(space);
    // The standard sizes ("定型ハガキ", "長形3号 定型" without a space is rare) carry
    // the word itself as their maker.
    const QString standard = QStringLiteral("定型");
    if (name.contains(standard))
        return standard;
    return {};
}

// ---------------------------------------------------------------------------------
// TOldPapers

TOldPapers::TOldPapers(const QString& fileName, bool readOnly)
    : FStorage(std::make_unique<TRootStorage>()), FPurposeList(std::make_unique<TPurposeList>())
{
    FStorage->OpenFile(fileName,
                       readOnly ? fmDocRead | fmDocShareDenyWrite : fmDocReadWrite | fmDocShareExclusive);

    if (FStorage->StreamExists(PurposeListStreamName())) {
        TDocStream stream(*FStorage, fmDocRead, PurposeListStreamName());
        std::unique_ptr<TComponent> read = ReadComponent(stream);
        auto* streamer = dynamic_cast<TPLStreamer*>(read.get());
        if (!streamer)
            throw EReadError(InvalidStreamFormatMessage());
        FPurposeList->Assign(*streamer->List());
    } else {
        FPurposeList->SetDefault();
    }

    if (FStorage->StreamExists(GroupListStreamName()))
        FGroupNames = DecodeCatalogueList(ReadBytes(GroupListStreamName(), kMaxSideStream));
    if (FStorage->StreamExists(GroupIconsStreamName()))
        FGroupIcons = ReadBytes(GroupIconsStreamName(), kMaxSideStream);

    if (FStorage->StreamExists(VersionStreamName())) {
        const QByteArray bytes = ReadBytes(VersionStreamName(), 4);
        if (bytes.size() < 4)
            throw EReadError(InvalidStreamFormatMessage());
        const auto* b = reinterpret_cast<const uchar*>(bytes.constData());
        FVersion = int(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
        if (FVersion <= 0) {
            FVersion = kOldDefaultVersion;
            if (!readOnly) {
                TDocStream stream(*FStorage, fmDocCreate, VersionStreamName());
                stream.WriteUInt32(uint32_t(FVersion));
            }
        }
    }

    QStringList names;
    if (FStorage->StorageExists(PapersStorageName())) {
        TDocStorage papers(*FStorage, false, PapersStorageName());
        papers.ListStreams(names);
    }
    names.sort();
    TOldPaperClassScope scope(false);
    for (const QString& name : std::as_const(names)) {
        // One damaged record must not cost the user the others.
        try {
            TDocStream stream(*FStorage, fmDocRead, PapersStorageName() + QLatin1Char('\\') + name);
            std::unique_ptr<TComponent> read = ReadComponent(stream);
            auto* record = dynamic_cast<TOldPaperInfo*>(read.get());
            if (!record)
                throw EReadError(InvalidStreamFormatMessage());
            read.release();
            std::unique_ptr<TOldPaperInfo> held(record);
            held->PurposeList()->Merge(*FPurposeList);
            if (held->Version() < 1)
                held->SetVersion(kOldDefaultVersion);
            FRecords.push_back(TRecord{name, std::move(held)});
        } catch (const std::exception& e) {
            FSkipped.append(QStringLiteral("%1: %2").arg(name, QString::fromUtf8(e.what())));
        }
    }
}

TOldPapers::~TOldPapers()
{
    try {
        FStorage->Close();
    } catch (...) {
        // The only change ever made is the version fix; losing it loses nothing.
    }
}

QByteArray TOldPapers::ReadBytes(const QString& path, int64_t limit)
{
    TDocStream stream(*FStorage, fmDocRead, path);
    const int64_t size = stream.Size();
    if (size > limit && limit > 4)
        throw EReadError(InvalidStreamFormatMessage());
    return stream.ReadBytes(std::min(size, limit));
}

TOldPaperInfo* TOldPapers::Paper(int index) const
{
    if (index < 0 || index >= Count())
        throw EInternalError(QStringLiteral("older paper index out of range"));
    return FRecords[size_t(index)].Paper.get();
}

const QString& TOldPapers::StreamName(int index) const
{
    if (index < 0 || index >= Count())
        throw EInternalError(QStringLiteral("older paper index out of range"));
    return FRecords[size_t(index)].StreamName;
}

// ---------------------------------------------------------------------------------
// Merge

TOldPaperMergeResult MergeOldPapers(TVelmoPapers& target, const QString& fileName)
{
    TOldPaperMergeResult result;
    TOldPapers old(fileName);
    result.Skipped = old.SkippedPapers();
    for (int i = 0; i < old.Count(); ++i) {
        const TOldPaperInfo& record = *old.Paper(i);
        // Landscape goes in first, so that the oriented width and height land on the
        // sides they were read from.
        std::unique_ptr<TPaperInfo> paper = ConvertOldPaper(record);
        paper->SetLandscape(record.Landscape());
        paper->SetWidth(record.Width());
        paper->SetHeight(record.Height());
        const QString defect = PaperDefect(*paper);
        if (!defect.isEmpty() || paper->PaperName().isEmpty()) {
            result.Skipped.append(QStringLiteral("%1: %2").arg(
                old.StreamName(i), defect.isEmpty() ? QStringLiteral("用紙名がありません") : defect));
            continue;
        }
        std::unique_ptr<TExPaperInfo> info = target.GetExInfo(paper->PaperName(), true);
        info->SetCompany(MakerFromOldPaperName(paper->PaperName()));
        target.StoreExInfo(*info);
        target.StorePaper(*paper);
        ++result.Merged;
    }
    target.PurposeList()->Merge(*old.PurposeList());
    return result;
}

} // namespace velmo
