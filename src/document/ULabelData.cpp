#include "document/ULabelData.h"
#include "base/UDateTime.h"
#include "persist/UComponentStream.h"
#include "storage/UZLibStream.h"
#include "document/ULDPreview.h"
#include "draw/UDOInterfaces.h"
#include "objects/ULORegistry.h"
#include <QDateTime>
#include <QGuiApplication>
#include <algorithm>

#include "paper/UPaperRecords.h"

namespace velmo {

namespace {

const QString kDataInfo = QStringLiteral("DataInfo");
const QString kSheetList = QStringLiteral("Sheets\\NameList");
const QString kInfo = QStringLiteral("Info");
const QString kPaperInfo = QStringLiteral("PaperInfo");
const QString kPaperExtraInfo = QStringLiteral("PaperExtraInfo");
const QString kPaperImageInfo = QStringLiteral("PaperImageInfo");
const QString kPaperImages = QStringLiteral("PaperImages");
const QString kLabelList = QStringLiteral("NameList");
const QString kPreviewList = QStringLiteral("Preview");
const QString kLabelData = QStringLiteral("LabelData");

TOlderPaperReader& OlderPaperReader()
{
    static TOlderPaperReader reader;
    return reader;
}

double Now()
{
    return DateTimeToDayCount(QDateTime::currentDateTime());
}

QString Join(const QString& folder, const QString& name)
{
    return folder + u'\\' + name;
}

QByteArray ReadAll(TStream& stream)
{
    stream.SetPosition(0);
    return stream.ReadBytes(stream.Size());
}

// A paper a document can work with: a sheet, faces that are there and have an
// extent. Anything else comes from a damaged stream.
bool PaperPassesChecks(const TPaperInfo& paper)
{
    if (paper.Width() <= 0 || paper.Height() <= 0 || paper.HasExcessFaces())
        return false;
    const int count = paper.GetFaceCount();
    if (count <= 0)
        return false;
    for (int i = 0; i < count; ++i) {
        const TLogRect r = paper.GetFaceRect(i);
        if (r.Width() <= 0 || r.Height() <= 0)
            return false;
    }
    return true;
}

// The design without its container: the compressed form is inflated.
QByteArray LabelBytes(TStream& stream)
{
    stream.SetPosition(0);
    uint32_t size = 0;
    if (!IsCompressed(stream, &size))
        return ReadAll(stream);
    TMemoryStream plain;
    Decompress(stream, plain, size);
    return plain.Data();
}

// A background that shows nothing, alone on a label, is no design at all.
bool IsOnlyEmptyBackground(const TDOList& list)
{
    if (list.Count() != 1)
        return false;
    TDrawObject* object = list[0];
    if (!Supports<IDOBackImage>(object))
        return false;
    const IDOBackImageContent* content = Supports<IDOBackImageContent>(object);
    return content && content->IsEmptyBackground();
}

} // namespace

QString NotLabelDataMessage(const QString& title)
{
    QString t = title;
    if (t.isEmpty())
        t = QGuiApplication::applicationDisplayName();
    if (t.isEmpty())
        t = QStringLiteral("ベルモ");
    return QStringLiteral("指定されたファイルは「%1」のデータではありません").arg(t);
}

QString SaveFailedMessage()
{
    return QStringLiteral("データの保存に失敗しました");
}

void SetOlderPaperReader(TOlderPaperReader reader)
{
    OlderPaperReader() = std::move(reader);
}

// ---------------------------------------------------------------------------------
// TDataInfo

const TPropertyTable& TDataInfo::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("SheetCount", &TDataInfo::SheetCount, &TDataInfo::SetSheetCount)
            .StoredIf(false)
            .String("DataName", &TDataInfo::DataName, &TDataInfo::SetDataName)
            .Int("CurrentSheetNo", &TDataInfo::CurrentSheetNo, &TDataInfo::SetCurrentSheetNo)
            .Float("LastPrint", &TDataInfo::LastPrint, &TDataInfo::SetLastPrint)
            .Float("LastSave", &TDataInfo::LastSave, &TDataInfo::SetLastSave)
            .Bool("SheetMode", &TDataInfo::SheetMode, &TDataInfo::SetSheetMode);
    return table;
}

TDataInfo::TDataInfo(TComponent* owner) : TComponent(owner) {}

TProductInfo* TDataInfo::Record(QStringView name) const
{
    return dynamic_cast<TProductInfo*>(FindComponent(name));
}

void TDataInfo::SetRecords(const TProductInfo& product, const TProductInfo& creatorE,
                           const TProductInfo& creatorJ)
{
    DestroyComponents();
    const std::pair<const TProductInfo*, const char16_t*> records[] = {
        {&product, u"ProductInfo"}, {&creatorE, u"CreatorInfoE"}, {&creatorJ, u"CreatorInfoJ"}};
    for (const auto& [record, name] : records) {
        auto* copy = new TProductInfo(this);
        copy->Assign(*record);
        copy->SetName(QString::fromUtf16(name));
    }
}

void TDataInfo::GetChildren(const TGetChildProc& proc, const TComponent*) const
{
    for (int i = 0; i < ComponentCount(); ++i)
        if (dynamic_cast<TProductInfo*>(Components(i)))
            proc(Components(i));
}

void RegisterLabelDataClasses()
{
    RegisterClass<TLabelData>();
    RegisterClass<TDataInfo>();
    RegisterProductClasses();
    RegisterPaperClasses();
    RegisterPaperRecordClasses();
}

// ---------------------------------------------------------------------------------
// TLabelData: construction

const TPropertyTable& TLabelData::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Object("Guide", &TLabelData::Guide)
            .Object("Grid", &TLabelData::Grid)
            .Int("CurrentLabelNo", &TLabelData::CurrentLabelNo, &TLabelData::SetCurrentLabelNo)
            .Bool("SeparatelyDesign", &TLabelData::SeparatelyDesign, &TLabelData::SetSeparatelyDesign)
            .String("SheetName", &TLabelData::SheetName, &TLabelData::SetSheetName)
            .String("CSVFile", &TLabelData::CSVFile, &TLabelData::SetCSVFile)
            .Bool("CSVFieldName", &TLabelData::CSVFieldName, &TLabelData::SetCSVFieldName);
    return table;
}

TLabelData::TLabelData(TComponent* owner, TBare) : TComponent(owner)
{
    InitCommon();
}

TLabelData::TLabelData(TComponent* owner) : TComponent(owner)
{
    InitCommon();
    InitRecords();
    FStorage = std::make_unique<TTemporaryStorage>();
    FSheets = std::make_unique<TDocStorageList>(*FStorage, kSheetList);
    AddSheet();
    FModified = false;
}

TLabelData::~TLabelData()
{
    // The lists hold streams of the storage; they go first.
    CloseSheetLists();
    FSheets.reset();
}

void TLabelData::InitCommon()
{
    RegisterLabelDataClasses();
    FGuide = std::make_unique<TGuide>();
    FGrid = std::make_unique<TGrid>();
    FGrid->SetSize(TGrid::kDefaultSize);
    // Scratch objects need no records from the store; documents take them below.
    FProductInfo = std::make_unique<TProductInfo>();
    FCreatorInfoE = NewCreatorRecord();
    FCreatorInfoJ = NewCreatorRecord();
    FOpenTime = FLastPrint = FLastSave = Now();
}

void TLabelData::InitRecords()
{
    TProductDB& store = ProductDB();
    if (store.Initialized())
        store.InitDocumentRecords(*FProductInfo, *FCreatorInfoJ, *FCreatorInfoE);
}

// ---------------------------------------------------------------------------------
// published setters

void TLabelData::SetCurrentLabelNo(int value)
{
    if (value == FCurrentLabelNo)
        return;
    FCurrentLabelNo = value;
    FModified = true;
}

void TLabelData::SetSeparatelyDesign(bool value)
{
    if (value == FSeparatelyDesign)
        return;
    FSeparatelyDesign = value;
    FModified = true;
}

void TLabelData::SetSheetName(const QString& value)
{
    if (value == FSheetName)
        return;
    FSheetName = value;
    FModified = true;
}

void TLabelData::SetCSVFile(const QString& value)
{
    if (value == FCSVFile)
        return;
    FCSVFile = value;
    FModified = true;
}

void TLabelData::SetCSVFieldName(bool value)
{
    if (value == FCSVFieldName)
        return;
    FCSVFieldName = value;
    FModified = true;
}

// ---------------------------------------------------------------------------------
// Loading and saving

std::unique_ptr<TLabelData> TLabelData::Open(const QString& fileName, TComponent* owner)
{
    std::unique_ptr<TLabelData> data(new TLabelData(owner, TBare{}));
    data->InitRecords();
    try {
        data->LoadInto(fileName);
    } catch (const std::exception&) {
        throw ELabelDataError(NotLabelDataMessage());
    }
    return data;
}

void TLabelData::Load(const QString& fileName)
{
    // Everything is read into a fresh document first; this one changes only when
    // that has succeeded.
    std::unique_ptr<TLabelData> fresh = Open(fileName);
    SwapContents(*fresh);
}

void TLabelData::SwapContents(TLabelData& other)
{
    std::swap(FGuide, other.FGuide);
    std::swap(FGrid, other.FGrid);
    std::swap(FCurrentLabelNo, other.FCurrentLabelNo);
    std::swap(FSeparatelyDesign, other.FSeparatelyDesign);
    std::swap(FSheetName, other.FSheetName);
    std::swap(FCSVFile, other.FCSVFile);
    std::swap(FCSVFieldName, other.FCSVFieldName);
    std::swap(FStorage, other.FStorage);
    std::swap(FSheets, other.FSheets);
    std::swap(FLabels, other.FLabels);
    std::swap(FPreviews, other.FPreviews);
    std::swap(FCurrentSheet, other.FCurrentSheet);
    std::swap(FModified, other.FModified);
    std::swap(FPaper, other.FPaper);
    std::swap(FExtraInfo, other.FExtraInfo);
    std::swap(FImageInfo, other.FImageInfo);
    std::swap(FProductInfo, other.FProductInfo);
    std::swap(FCreatorInfoE, other.FCreatorInfoE);
    std::swap(FCreatorInfoJ, other.FCreatorInfoJ);
    std::swap(FDataName, other.FDataName);
    std::swap(FSheetMode, other.FSheetMode);
    std::swap(FOpenTime, other.FOpenTime);
    std::swap(FLastPrint, other.FLastPrint);
    std::swap(FLastSave, other.FLastSave);
}

void TLabelData::LoadInto(const QString& fileName)
{
    FStorage = std::make_unique<TTemporaryStorage>();
    FStorage->LoadFrom(fileName);
    // A compound file without the document's elements is somebody else's; the list
    // must not be created in it.
    if (!FStorage->StreamExists(kDataInfo) || !FStorage->StreamExists(kSheetList))
        throw EReadError(InvalidStreamFormatMessage());
    FSheets = std::make_unique<TDocStorageList>(*FStorage, kSheetList);
    if (FSheets->Count() == 0)
        throw EReadError(InvalidStreamFormatMessage());

    TDocStream infoStream(*FStorage, fmDocRead, kDataInfo);
    std::unique_ptr<TDataInfo> info = ReadComponentResourceAs<TDataInfo>(infoStream);
    if (TProductInfo* product = info->ProductInfo())
        TProductDB::TakeLoadedProduct(*FProductInfo, *product);
    FDataName = info->DataName();
    FLastPrint = info->LastPrint();
    FLastSave = info->LastSave();
    FSheetMode = info->SheetMode();

    // Every sheet is checked now, so that selecting one later cannot meet a damaged
    // stream in a document that was accepted.
    for (int i = 0; i < FSheets->Count(); ++i)
        ValidateSheet(i);

    int current = info->CurrentSheetNo();
    if (current < 0 || current >= FSheets->Count())
        current = 0;
    LoadSheet(current);
    FOpenTime = Now();
    FModified = false;
}

void TLabelData::ValidateSheet(int index)
{
    const QString path = SheetPath(index);
    if (!FStorage->StorageExists(path))
        throw EReadError(InvalidStreamFormatMessage());
    if (FStorage->StreamExists(Join(path, kInfo))) {
        TDocStream stream(*FStorage, fmDocRead, Join(path, kInfo));
        TLabelData scratch(nullptr, TBare{});
        ReadSettingsInto(stream, scratch);
    }
    if (FStorage->StreamExists(Join(path, kPaperInfo)))
        ReadPaper(Join(path, kPaperInfo));
    std::unique_ptr<TExPaperInfo> extra;
    std::unique_ptr<TImagePaperInfo> images;
    ReadPaperRecords(index, extra, images);
    // The name lists must read; the designs themselves are read when they are used.
    for (const QString& list : {kLabelList, kPreviewList})
        if (FStorage->StreamExists(Join(path, list)))
            TDocStreamList(*FStorage, Join(path, list));
}

void TLabelData::Save(const QString& fileName)
{
    FlushSheet();

    TDataInfo info;
    info.SetSheetCount(SheetCount());
    info.SetDataName(FDataName);
    info.SetCurrentSheetNo(FCurrentSheet);
    info.SetLastPrint(FLastPrint);
    info.SetLastSave(FLastSave);
    info.SetSheetMode(FSheetMode);
    info.SetRecords(*FProductInfo, *FCreatorInfoE, *FCreatorInfoJ);
    TMemoryStream bytes;
    WriteComponentResource(bytes, kDataInfo, info);
    {
        TDocStream stream(*FStorage, fmDocCreate, kDataInfo);
        stream.WriteBytes(bytes.Data());
    }

    const int former = FCurrentSheet;
    const bool modified = FModified;
    auto backToFormer = [&] {
        if (FCurrentSheet != former)
            SelectSheet(former);
    };
    try {
        for (int s = 0; s < SheetCount(); ++s) {
            SelectSheet(s);
            const int count = LabelCount();
            for (int k = 0; k < count; ++k)
                if (!PreviewExists(k))
                    MakePreview(k);
            for (int k = 0; k < count && k < Labels().Count(); ++k)
                if (LabelHasData(k) && !IsLabelCompressed(k))
                    CompressLabel(k);
        }
        backToFormer();
    } catch (...) {
        backToFormer();
        FModified = true;
        throw;
    }
    FModified = modified;

    CloseSheetLists();
    FStorage->SaveTo(fileName);
    FModified = false;
}

// ---------------------------------------------------------------------------------
// Sheets

QString TLabelData::SheetPath(int index) const
{
    return FSheets->FullPath(index);
}

int TLabelData::SheetCount() const
{
    return FSheets ? FSheets->Count() : 0;
}

void TLabelData::CheckSheetIndex(int index) const
{
    if (index < 0 || index >= SheetCount())
        throw EInternalError(QStringLiteral("sheet index out of range (%1)").arg(index));
}

void TLabelData::CloseSheetLists()
{
    FLabels.reset();
    FPreviews.reset();
}

TDocStreamList& TLabelData::Labels()
{
    if (FCurrentSheet < 0)
        throw EInternalError(QStringLiteral("no current sheet"));
    if (!FLabels)
        FLabels = std::make_unique<TDocStreamList>(*FStorage, Join(SheetPath(FCurrentSheet), kLabelList));
    return *FLabels;
}

TDocStreamList* TLabelData::Previews(bool create)
{
    if (FCurrentSheet < 0)
        throw EInternalError(QStringLiteral("no current sheet"));
    if (!FPreviews) {
        const QString path = Join(SheetPath(FCurrentSheet), kPreviewList);
        if (!create && !FStorage->StreamExists(path))
            return nullptr;
        FPreviews = std::make_unique<TDocStreamList>(*FStorage, path);
    }
    return FPreviews.get();
}

void TLabelData::ReadSettingsInto(TStream& stream, TLabelData& target) const
{
    ReadComponentResourceInto(stream, target);
    // Whatever children a stream brings along are no part of a sheet's settings.
    target.DestroyComponents();
}

std::unique_ptr<TPaperInfo> TLabelData::ReadPaper(const QString& path) const
{
    TDocStream stream(*FStorage, fmDocRead, path);
    std::unique_ptr<TPaperInfo> paper;
    try {
        paper = ReadComponentResourceAs<TPaperInfo>(stream);
    } catch (const std::exception&) {
        if (!OlderPaperReader())
            throw;
        stream.SetPosition(0);
        paper = OlderPaperReader()(stream);
        if (!paper)
            throw;
    }
    if (!PaperPassesChecks(*paper))
        throw EReadError(InvalidStreamFormatMessage());
    return paper;
}

void TLabelData::LoadSheet(int index)
{
    CheckSheetIndex(index);
    const bool modified = FModified;
    const QString path = SheetPath(index);

    // Read everything first, so that a failure leaves the settings in memory as
    // they were.
    TLabelData settings(nullptr, TBare{});
    bool haveSettings = false;
    if (FStorage->StreamExists(Join(path, kInfo))) {
        TDocStream stream(*FStorage, fmDocRead, Join(path, kInfo));
        ReadSettingsInto(stream, settings);
        haveSettings = true;
    }
    std::unique_ptr<TPaperInfo> paper;
    if (FStorage->StreamExists(Join(path, kPaperInfo)))
        paper = ReadPaper(Join(path, kPaperInfo));
    std::unique_ptr<TExPaperInfo> extra;
    std::unique_ptr<TImagePaperInfo> images;
    ReadPaperRecords(index, extra, images);

    CloseSheetLists();
    FCurrentSheet = index;
    if (haveSettings) {
        FGuide->Assign(*settings.FGuide);
        FGrid->Assign(*settings.FGrid);
        FCurrentLabelNo = settings.FCurrentLabelNo;
        FSeparatelyDesign = settings.FSeparatelyDesign;
        FSheetName = settings.FSheetName;
        FCSVFile = settings.FCSVFile;
        FCSVFieldName = settings.FCSVFieldName;
    }
    if (paper)
        FPaper = std::move(paper);
    FExtraInfo = std::move(extra);
    FImageInfo = std::move(images);
    FModified = modified;
}

void TLabelData::FlushSheet()
{
    if (FCurrentSheet < 0)
        return;
    const QString path = SheetPath(FCurrentSheet);
    {
        TMemoryStream bytes;
        WriteComponentResource(bytes, kInfo, *this);
        TDocStream stream(*FStorage, fmDocCreate, Join(path, kInfo));
        stream.WriteBytes(bytes.Data());
    }
    if (FPaper) {
        TMemoryStream bytes;
        WriteComponentResource(bytes, kPaperInfo, *FPaper);
        TDocStream stream(*FStorage, fmDocCreate, Join(path, kPaperInfo));
        stream.WriteBytes(bytes.Data());
    }
    WritePaperRecords();
}

void TLabelData::SelectSheet(int index)
{
    if (index == FCurrentSheet)
        return;
    CheckSheetIndex(index);
    const bool modified = FModified;
    FlushSheet();
    LoadSheet(index);
    FModified = modified;
}

QStringList TLabelData::CollectSheetNames()
{
    // The current sheet's name is the one in memory; the others are read from their
    // Info streams, which is what making each current in turn would show.
    QStringList names;
    for (int i = 0; i < SheetCount(); ++i) {
        if (i == FCurrentSheet) {
            names << FSheetName;
            continue;
        }
        const QString info = Join(SheetPath(i), kInfo);
        QString name;
        if (FStorage->StreamExists(info)) {
            TDocStream stream(*FStorage, fmDocRead, info);
            TLabelData scratch(nullptr, TBare{});
            ReadSettingsInto(stream, scratch);
            name = scratch.FSheetName;
        }
        names << name;
    }
    return names;
}

void TLabelData::GetSheetNames(QStringList& list)
{
    list << CollectSheetNames();
}

QString TLabelData::UniqueSheetName(const QString& before, const QString& after)
{
    const QStringList names = CollectSheetNames();
    for (int n = 1; n <= kMaxNameSerial; ++n) {
        const QString candidate = before + QString::number(n) + after;
        if (!names.contains(candidate, Qt::CaseInsensitive))
            return candidate;
    }
    return before + QString::number(kMaxNameSerial) + after;
}

void TLabelData::AddSheet()
{
    FlushSheet();
    const QString name = UniqueSheetName(QStringLiteral("新規シート"), QString());
    CloseSheetLists();
    const int index = FSheets->AddNew();
    FSheets->OpenStorage(index, true);
    FCurrentSheet = index;
    FSheetName = name;
    ClearPaperRecords();
    FlushSheet();
    FModified = true;
}

void TLabelData::CopySheet()
{
    CheckSheetIndex(FCurrentSheet);
    FlushSheet();
    const QString name = UniqueSheetName(FSheetName + QStringLiteral("のコピー"), QString());
    CloseSheetLists();
    const int source = FCurrentSheet;
    const int index = FSheets->AddNew();
    {
        std::unique_ptr<TDocStorage> from = FSheets->OpenStorage(source, false);
        std::unique_ptr<TDocStorage> to = FSheets->OpenStorage(index, true);
        from->CopyTo(*to);
    }
    FCurrentSheet = index;
    FSheetName = name;
    ClearPaperRecords();
    FlushSheet();
    FModified = true;
}

void TLabelData::DeleteSheet(int index)
{
    CheckSheetIndex(index);
    if (SheetCount() == 1)
        throw EInternalError(QStringLiteral("the only sheet cannot be deleted"));
    int current = FCurrentSheet;
    if (index != current) {
        // Another sheet goes: the current one stays current with its state kept.
        FlushSheet();
        CloseSheetLists();
        FSheets->Delete(index);
        FCurrentSheet = current > index ? current - 1 : current;
        FModified = true;
        return;
    }
    CloseSheetLists();
    FCurrentSheet = -1;
    FSheets->Delete(index);
    if (current >= SheetCount())
        current = SheetCount() - 1;
    LoadSheet(current);
    FModified = true;
}

void TLabelData::MoveSheet(int to)
{
    CheckSheetIndex(FCurrentSheet);
    CheckSheetIndex(to);
    FlushSheet();
    const int from = FCurrentSheet;
    FCurrentSheet = -1;
    FSheets->Move(from, to);
    FCurrentSheet = to;
    FModified = true;
}

// ---------------------------------------------------------------------------------
// Paper

void TLabelData::SetPaper(const TPaperInfo* paper)
{
    FPaper = paper ? paper->Clone() : nullptr;
    const int count = LabelCount();
    TDocStreamList& labels = Labels();
    for (int i = labels.Count() - 1; i >= count; --i)
        labels.Delete(i);
    if (TDocStreamList* previews = Previews(false))
        for (int i = previews->Count() - 1; i >= count; --i)
            previews->Delete(i);
    FModified = true;
}

int TLabelData::LabelCount() const
{
    return FPaper ? FPaper->GetFaceCount() : 0;
}

TLogRect TLabelData::LabelRect(int k) const
{
    if (!FPaper || k < 0 || k >= FPaper->GetFaceCount())
        return {};
    return FPaper->GetPrintRect(k);
}

// ---------------------------------------------------------------------------------
// Labels

bool TLabelData::LabelHasData(int k)
{
    const int d = DesignIndex(k);
    TDocStreamList& labels = Labels();
    if (!labels.StreamExists(d))
        return false;
    std::unique_ptr<TDocStream> stream = labels.OpenStream(d, fmDocRead);
    return stream->Size() > 0;
}

void TLabelData::ReadLabel(int k, TDOList& list)
{
    const int d = DesignIndex(k);
    TDocStreamList& labels = Labels();
    if (!labels.StreamExists(d))
        return;
    QByteArray bytes;
    {
        std::unique_ptr<TDocStream> stream = labels.OpenStream(d, fmDocRead);
        bytes = LabelBytes(*stream);
    }
    if (bytes.isEmpty())
        return;
    TMemoryStream memory(bytes);
    TDOList read;
    ReadLabelData(memory, read);

    for (TDrawObject* object : read.Objects()) {
        IDODate* date = Supports<IDODate>(object);
        if (!date)
            continue;
        switch (date->GetUpdateFlag()) {
        case TDateUpdateFlag::dufOpen:
            date->SetDate(FOpenTime);
            break;
        case TDateUpdateFlag::dufPrint:
            date->SetDate(FLastPrint);
            break;
        case TDateUpdateFlag::dufSave:
            date->SetDate(FLastSave);
            break;
        case TDateUpdateFlag::dufNo:
            break;
        }
    }
    const TLogRect rect = LabelRect(k);
    if (!rect.IsEmpty()) {
        const TLogRect local{0, 0, rect.Width(), rect.Height()};
        for (TDrawObject* object : read.Objects())
            if (IDOBackImage* background = Supports<IDOBackImage>(object))
                background->FitToFace(local);
        KeepInside(read, local);
    }
    for (TDrawObject* object : read.Objects())
        list.Add(object);
}

void TLabelData::WriteLabel(int k, const TDOList& list)
{
    const int d = DesignIndex(k);
    // The design is written to memory first: a failing object leaves the stream as
    // it was.
    TMemoryStream bytes;
    if (list.Count() > 0 && !IsOnlyEmptyBackground(list))
        WriteLabelData(bytes, list);
    TDocStreamList& labels = Labels();
    while (labels.Count() <= d)
        labels.AddNew();
    {
        std::unique_ptr<TDocStream> stream = labels.OpenStream(d, fmDocCreate);
        stream->WriteBytes(bytes.Data());
    }
    FModified = true;
    DeletePreview(k);
}

void TLabelData::ClearLabel(int k)
{
    const int d = DesignIndex(k);
    TDocStreamList& labels = Labels();
    if (d < labels.Count())
        labels.DeleteElement(d);
    DeletePreview(k);
    FModified = true;
}

bool TLabelData::IsLabelCompressed(int k)
{
    const int d = DesignIndex(k);
    TDocStreamList& labels = Labels();
    if (!labels.StreamExists(d))
        return false;
    std::unique_ptr<TDocStream> stream = labels.OpenStream(d, fmDocRead);
    return IsCompressed(*stream);
}

void TLabelData::CompressLabel(int k)
{
    const int d = DesignIndex(k);
    TDocStreamList& labels = Labels();
    if (!labels.StreamExists(d))
        return;
    QByteArray plain;
    {
        std::unique_ptr<TDocStream> stream = labels.OpenStream(d, fmDocRead);
        if (stream->Size() == 0 || IsCompressed(*stream))
            return;
        plain = ReadAll(*stream);
    }
    TMemoryStream source(plain);
    TMemoryStream packed;
    Compress(source, packed, TCompressionLevel::clMax);
    {
        std::unique_ptr<TDocStream> stream = labels.OpenStream(d, fmDocCreate);
        stream->WriteBytes(packed.Data());
    }
    FModified = true;
}

bool TLabelData::PreviewExists(int k)
{
    const int d = DesignIndex(k);
    TDocStreamList* previews = Previews(false);
    if (!previews || !previews->StreamExists(d))
        return false;
    return previews->OpenStream(d, fmDocRead)->Size() > 0;
}

QByteArray TLabelData::PreviewBytes(int k)
{
    const int d = DesignIndex(k);
    TDocStreamList* previews = Previews(false);
    if (!previews || !previews->StreamExists(d))
        return {};
    std::unique_ptr<TDocStream> stream = previews->OpenStream(d, fmDocRead);
    return ReadAll(*stream);
}

void TLabelData::DeletePreview(int k)
{
    const int d = DesignIndex(k);
    TDocStreamList* previews = Previews(false);
    if (previews && d < previews->Count())
        previews->DeleteElement(d);
    FModified = true;
}

std::unique_ptr<TDocStream> TLabelData::PreviewStream(int k)
{
    const int d = DesignIndex(k);
    TDocStreamList& previews = *Previews(true);
    while (previews.Count() <= d)
        previews.AddNew();
    FModified = true;
    return previews.OpenStream(d, fmDocCreate);
}

void TLabelData::MakePreview(int k)
{
    TDOList objects;
    ReadLabel(k, objects);
    std::unique_ptr<TDocStream> stream = PreviewStream(k);
    const TLogRect rect = LabelRect(k);
    if (objects.Count() == 0 || rect.IsEmpty() || !CanRenderPreviews()) {
        objects.FreeObjects();
        return;
    }
    TDOList site;
    GetPaperImages(k, site);
    for (TDrawObject* object : objects.Objects())
        site.Add(object);
    objects.Clear();
    const QImage picture = MakePreviewImage(site, rect.Width(), rect.Height());
    if (!picture.isNull())
        stream->WriteBytes(EncodeBmp24(picture));
}

bool TLabelData::LoadPreview(const QString& fileName, int sheet, int k, QImage& picture)
{
    try {
        TFileStorage root(fileName, fmDocRead);
        TDocStorageList sheets(root, kSheetList);
        if (sheet < 0 || sheet >= sheets.Count() || k < 0)
            return false;
        const QString list = Join(sheets.FullPath(sheet), kPreviewList);
        if (!root.StreamExists(list))
            return false;
        TDocStreamList previews(root, list);
        if (!previews.StreamExists(k))
            return false;
        std::unique_ptr<TDocStream> stream = previews.OpenStream(k, fmDocRead);
        const QByteArray bytes = ReadAll(*stream);
        if (bytes.isEmpty())
            return false;
        QImage image;
        if (!image.loadFromData(bytes, "BMP"))
            return false;
        picture = image;
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// ---------------------------------------------------------------------------------
// Extra paper information and printed images

void TLabelData::ClearPaperRecords()
{
    FExtraInfo.reset();
    FImageInfo.reset();
}

void TLabelData::SetExtraInfo(const TExPaperInfo* info)
{
    if (info && !info->IsEmpty()) {
        FExtraInfo = std::make_unique<TExPaperInfo>();
        FExtraInfo->Assign(*info);
    } else {
        FExtraInfo.reset();
    }
    FModified = true;
}

void TLabelData::SetImageInfo(const TImagePaperInfo* info)
{
    if (info && !info->IsEmpty()) {
        FImageInfo = std::make_unique<TImagePaperInfo>();
        FImageInfo->Assign(*info);
    } else {
        FImageInfo.reset();
    }
    FModified = true;
}

namespace {

// Face lists of printed images are kept as streams $00000001, $00000002, ... in
// face order, each a list of draw objects.
QString FaceStreamName(int face)
{
    return QStringLiteral("$%1").arg(face + 1, 8, 16, QLatin1Char('0')).toUpper();
}

} // namespace

void TLabelData::ReadPaperRecords(int index, std::unique_ptr<TExPaperInfo>& extra,
                                  std::unique_ptr<TImagePaperInfo>& images) const
{
    const QString path = SheetPath(index);
    if (FStorage->StreamExists(Join(path, kPaperExtraInfo))) {
        TDocStream stream(*FStorage, fmDocRead, Join(path, kPaperExtraInfo));
        extra = ReadComponentResourceAs<TExPaperInfo>(stream);
    }
    if (index == 0 && FStorage->StreamExists(Join(path, kPaperImageInfo))) {
        {
            TDocStream stream(*FStorage, fmDocRead, Join(path, kPaperImageInfo));
            images = ReadComponentResourceAs<TImagePaperInfo>(stream);
        }
        images->ClearFaces();
        const QString folder = Join(path, kPaperImages);
        if (FStorage->StorageExists(folder)) {
            TDocStorage storage(*FStorage, false, folder);
            QStringList names;
            storage.ListStreams(names);
            names.sort(Qt::CaseInsensitive);
            if (names.size() > kMaxFaceCount)
                throw EReadError(InvalidStreamFormatMessage());
            for (const QString& name : names) {
                TDocStream stream(storage, fmDocRead, name);
                images->LoadFace(stream);
            }
        }
    }
}

void TLabelData::WritePaperRecords()
{
    const QString path = SheetPath(FCurrentSheet);
    if (!FExtraInfo || FExtraInfo->IsEmpty()) {
        FStorage->DeleteElement(Join(path, kPaperExtraInfo));
    } else {
        TMemoryStream bytes;
        WriteComponentResource(bytes, kPaperExtraInfo, *FExtraInfo);
        TDocStream stream(*FStorage, fmDocCreate, Join(path, kPaperExtraInfo));
        stream.WriteBytes(bytes.Data());
    }
    const QString folder = Join(path, kPaperImages);
    if (!FImageInfo || FImageInfo->IsEmpty()) {
        FStorage->DeleteElement(Join(path, kPaperImageInfo));
        FStorage->DeleteElement(folder);
        return;
    }
    {
        TMemoryStream bytes;
        WriteComponentResource(bytes, kPaperImageInfo, *FImageInfo);
        TDocStream stream(*FStorage, fmDocCreate, Join(path, kPaperImageInfo));
        stream.WriteBytes(bytes.Data());
    }
    FStorage->DeleteElement(folder);
    TDocStorage storage(*FStorage, true, folder);
    for (int face = 0; face < FImageInfo->FaceCount(); ++face) {
        TMemoryStream bytes;
        FImageInfo->Faces(face).SaveToStream(bytes);
        TDocStream stream(storage, fmDocCreate, FaceStreamName(face));
        stream.WriteBytes(bytes.Data());
    }
}

void TLabelData::GetPaperImages(int k, TDOList& list) const
{
    if (!FImageInfo || !FPaper || k < 0 || k >= FPaper->GetFaceCount())
        return;
    const int face = FImageInfo->SeparatelyDesign() ? k : 0;
    if (face >= FImageInfo->FaceCount())
        return;
    TDOList copies;
    CopyDrawObjects(FImageInfo->Faces(face), copies);
    if (FPaper->Landscape()) {
        // Designs are made on the upright label: each object's centre is carried to
        // the turned label and its angle turned with it.
        const TLogRect face = FPaper->GetFaceRect(k);
        const int margin = FPaper->GetFaceMargin(k);
        const int portraitWidth = face.Width() + 2 * margin;
        for (TDrawObject* object : copies.Objects()) {
            if (IDOEncloseBounds* bounds = Supports<IDOEncloseBounds>(object)) {
                const QPoint c = RectCenter(bounds->GetEncloseBounds());
                const QPoint turned(c.y(), portraitWidth - c.x());
                bounds->MoveBy(turned.x() - c.x(), turned.y() - c.y());
            }
            if (IDORotate* rotate = Supports<IDORotate>(object))
                rotate->SetAngle(((rotate->GetAngle() - 90) % 360 + 360) % 360);
        }
    }
    for (TDrawObject* object : copies.Objects()) {
        TImagePaperInfo::MakeBackgroundObject(*object);
        list.Add(object);
    }
}

} // namespace velmo
