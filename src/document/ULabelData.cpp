#include "document/ULabelData.h"
#include "base/UDateTime.h"
#include "document/ULDPreview.h"
#include "draw/UDOInterfaces.h"
#include "objects/UFaceDesign.h"
#include "objects/ULDObjects.h"
#include "objects/ULOImage.h"
#include "persist/UComponentStream.h"
#include "storage/UZLibStream.h"
#include <QDateTime>
#include <QGuiApplication>
#include <algorithm>
#include <cmath>

#include "paper/UOldPapers.h"
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
// Day counts of 0001-01-01 and 9999-12-31: the calendar's range.
constexpr double kFirstDay = -693593.0;
constexpr double kLastDay = 2958466.0;

double CalendarDateOrZero(double date)
{
    return std::isfinite(date) && date >= kFirstDay && date < kLastDay ? date : 0.0;
}

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
    // Older documents carry papers of the earlier generation.
    if (!OlderPaperReader())
        SetOlderPaperReader(&ReadOldPaper);
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
            .Bool("CSVFieldName", &TLabelData::CSVFieldName, &TLabelData::SetCSVFieldName)
            .Int("CSVSeparator", &TLabelData::CSVSeparator, &TLabelData::SetCSVSeparator)
            .Default(0);
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
    FState.Storage = std::make_unique<TTemporaryStorage>();
    FState.Sheets = std::make_unique<TDocStorageList>(*FState.Storage, kSheetList);
    AddSheet();
    FState.Modified = false;
}

TLabelData::~TLabelData()
{
    // The lists hold streams of the storage; they go first.
    CloseSheetLists();
    FState.Sheets.reset();
}

void TLabelData::InitCommon()
{
    RegisterLabelDataClasses();
    FState.Guide = std::make_unique<TGuide>();
    FState.Grid = std::make_unique<TGrid>();
    FState.Grid->SetSize(TGrid::kDefaultSize);
    // Scratch objects need no records from the store; documents take them below.
    FState.ProductInfo = std::make_unique<TProductInfo>();
    FState.CreatorInfoE = NewCreatorRecord();
    FState.CreatorInfoJ = NewCreatorRecord();
    FState.OpenTime = FState.LastPrint = FState.LastSave = Now();
}

void TLabelData::InitRecords()
{
    TProductDB& store = ProductDB();
    if (store.Initialized())
        store.InitDocumentRecords(*FState.ProductInfo, *FState.CreatorInfoJ, *FState.CreatorInfoE);
}

// ---------------------------------------------------------------------------------
// published setters

void TLabelData::SetCurrentLabelNo(int value)
{
    if (value == FState.CurrentLabelNo)
        return;
    FState.CurrentLabelNo = value;
    FState.Modified = true;
}

void TLabelData::SetSeparatelyDesign(bool value)
{
    if (value == FState.SeparatelyDesign)
        return;
    FState.SeparatelyDesign = value;
    FState.Modified = true;
}

void TLabelData::SetSheetName(const QString& value)
{
    if (value == FState.SheetName)
        return;
    FState.SheetName = value;
    FState.Modified = true;
}

void TLabelData::SetCSVFile(const QString& value)
{
    if (value == FState.CSVFile)
        return;
    FState.CSVFile = value;
    FState.Modified = true;
}

void TLabelData::SetCSVSeparator(int value)
{
    // Only the separators merge files use; anything else is "found from the file".
    if (value != u',' && value != u'\t' && value != u';' && value != u':')
        value = 0;
    if (value == FState.CSVSeparator)
        return;
    FState.CSVSeparator = value;
    FState.Modified = true;
}

void TLabelData::SetCSVFieldName(bool value)
{
    if (value == FState.CSVFieldName)
        return;
    FState.CSVFieldName = value;
    FState.Modified = true;
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
    std::swap(FState, other.FState);
}

void TLabelData::LoadInto(const QString& fileName)
{
    FState.Storage = std::make_unique<TTemporaryStorage>();
    FState.Storage->LoadFrom(fileName);
    // A compound file without the document's elements is somebody else's; the list
    // must not be created in it.
    if (!FState.Storage->StreamExists(kDataInfo) || !FState.Storage->StreamExists(kSheetList))
        throw EReadError(InvalidStreamFormatMessage());
    FState.Sheets = std::make_unique<TDocStorageList>(*FState.Storage, kSheetList);
    if (FState.Sheets->Count() == 0)
        throw EReadError(InvalidStreamFormatMessage());

    TDocStream infoStream(*FState.Storage, fmDocRead, kDataInfo);
    std::unique_ptr<TDataInfo> info = ReadComponentResourceAs<TDataInfo>(infoStream);
    if (TProductInfo* product = info->ProductInfo())
        TProductDB::TakeLoadedProduct(*FState.ProductInfo, *product);
    FState.DataName = info->DataName();
    FState.LastPrint = CalendarDateOrZero(info->LastPrint());
    FState.LastSave = CalendarDateOrZero(info->LastSave());
    FState.SheetMode = info->SheetMode();

    // Every sheet is checked now, so that selecting one later cannot meet a damaged
    // stream in a document that was accepted.
    for (int i = 0; i < FState.Sheets->Count(); ++i)
        ValidateSheet(i);

    int current = info->CurrentSheetNo();
    if (current < 0 || current >= FState.Sheets->Count())
        current = 0;
    LoadSheet(current);
    FState.OpenTime = Now();
    FState.Modified = false;
}

void TLabelData::ValidateSheet(int index)
{
    const QString path = SheetPath(index);
    if (!FState.Storage->StorageExists(path))
        throw EReadError(InvalidStreamFormatMessage());
    if (FState.Storage->StreamExists(Join(path, kInfo))) {
        TDocStream stream(*FState.Storage, fmDocRead, Join(path, kInfo));
        TLabelData scratch(nullptr, TBare{});
        ReadSettingsInto(stream, scratch);
    }
    if (FState.Storage->StreamExists(Join(path, kPaperInfo)))
        ReadPaper(Join(path, kPaperInfo));
    std::unique_ptr<TExPaperInfo> extra;
    std::unique_ptr<TImagePaperInfo> images;
    ReadPaperRecords(index, extra, images);
    // The name lists must read; the designs themselves are read when they are used.
    for (const QString& list : {kLabelList, kPreviewList})
        if (FState.Storage->StreamExists(Join(path, list)))
            TDocStreamList(*FState.Storage, Join(path, list));
}

void TLabelData::Save(const QString& fileName)
{
    FlushSheet();

    TDataInfo info;
    info.SetSheetCount(SheetCount());
    info.SetDataName(FState.DataName);
    info.SetCurrentSheetNo(FState.CurrentSheet);
    info.SetLastPrint(FState.LastPrint);
    info.SetLastSave(FState.LastSave);
    info.SetSheetMode(FState.SheetMode);
    info.SetRecords(*FState.ProductInfo, *FState.CreatorInfoE, *FState.CreatorInfoJ);
    TMemoryStream bytes;
    WriteComponentResource(bytes, kDataInfo, info);
    {
        TDocStream stream(*FState.Storage, fmDocCreate, kDataInfo);
        stream.WriteBytes(bytes.Data());
    }

    const int former = FState.CurrentSheet;
    const bool modified = FState.Modified;
    auto backToFormer = [&] {
        if (FState.CurrentSheet != former)
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
        FState.Modified = true;
        throw;
    }
    FState.Modified = modified;

    CloseSheetLists();
    FState.Storage->SaveTo(fileName);
    FState.Modified = false;
}

// ---------------------------------------------------------------------------------
// Sheets

QString TLabelData::SheetPath(int index) const
{
    return FState.Sheets->FullPath(index);
}

int TLabelData::SheetCount() const
{
    return FState.Sheets ? FState.Sheets->Count() : 0;
}

void TLabelData::CheckSheetIndex(int index) const
{
    if (index < 0 || index >= SheetCount())
        throw EInternalError(QStringLiteral("sheet index out of range (%1)").arg(index));
}

void TLabelData::CloseSheetLists()
{
    FState.Labels.reset();
    FState.Previews.reset();
}

TDocStreamList& TLabelData::Labels()
{
    if (FState.CurrentSheet < 0)
        throw EInternalError(QStringLiteral("no current sheet"));
    if (!FState.Labels)
        FState.Labels = std::make_unique<TDocStreamList>(*FState.Storage,
                                                         Join(SheetPath(FState.CurrentSheet), kLabelList));
    return *FState.Labels;
}

TDocStreamList* TLabelData::Previews(bool create)
{
    if (FState.CurrentSheet < 0)
        throw EInternalError(QStringLiteral("no current sheet"));
    if (!FState.Previews) {
        const QString path = Join(SheetPath(FState.CurrentSheet), kPreviewList);
        if (!create && !FState.Storage->StreamExists(path))
            return nullptr;
        FState.Previews = std::make_unique<TDocStreamList>(*FState.Storage, path);
    }
    return FState.Previews.get();
}

void TLabelData::ReadSettingsInto(TStream& stream, TLabelData& target) const
{
    ReadComponentResourceInto(stream, target);
    // Whatever children a stream brings along are no part of a sheet's settings.
    target.DestroyComponents();
}

std::unique_ptr<TPaperInfo> TLabelData::ReadPaper(const QString& path) const
{
    TDocStream stream(*FState.Storage, fmDocRead, path);
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
    const bool modified = FState.Modified;
    const QString path = SheetPath(index);

    // Read everything first, so that a failure leaves the settings in memory as
    // they were.
    TLabelData settings(nullptr, TBare{});
    bool haveSettings = false;
    if (FState.Storage->StreamExists(Join(path, kInfo))) {
        TDocStream stream(*FState.Storage, fmDocRead, Join(path, kInfo));
        ReadSettingsInto(stream, settings);
        haveSettings = true;
    }
    std::unique_ptr<TPaperInfo> paper;
    if (FState.Storage->StreamExists(Join(path, kPaperInfo)))
        paper = ReadPaper(Join(path, kPaperInfo));
    std::unique_ptr<TExPaperInfo> extra;
    std::unique_ptr<TImagePaperInfo> images;
    ReadPaperRecords(index, extra, images);

    CloseSheetLists();
    FState.CurrentSheet = index;
    if (haveSettings) {
        FState.Guide->Assign(*settings.FState.Guide);
        FState.Grid->Assign(*settings.FState.Grid);
        FState.CurrentLabelNo = settings.FState.CurrentLabelNo;
        FState.SeparatelyDesign = settings.FState.SeparatelyDesign;
        FState.SheetName = settings.FState.SheetName;
        FState.CSVFile = settings.FState.CSVFile;
        FState.CSVFieldName = settings.FState.CSVFieldName;
        FState.CSVSeparator = settings.FState.CSVSeparator;
    }
    if (paper)
        FState.Paper = std::move(paper);
    FState.ExtraInfo = std::move(extra);
    FState.ImageInfo = std::move(images);
    RepairSettings();
    FState.Modified = modified;
}

void TLabelData::RepairSettings()
{
    // A file may come from anywhere: values no window could have produced are put back
    // to what a new document has rather than shown as they are.
    const int faces = FState.Paper ? FState.Paper->GetFaceCount() : 0;
    if (FState.CurrentLabelNo < 0 || FState.CurrentLabelNo >= std::max(faces, 1))
        FState.CurrentLabelNo = 0;
    if (FState.Grid->Size() < 1 || FState.Grid->Size() > TGrid::kMaxSize)
        FState.Grid->SetSize(TGrid::kDefaultSize);
}

void TLabelData::FlushSheet()
{
    if (FState.CurrentSheet < 0)
        return;
    const QString path = SheetPath(FState.CurrentSheet);
    {
        TMemoryStream bytes;
        WriteComponentResource(bytes, kInfo, *this);
        TDocStream stream(*FState.Storage, fmDocCreate, Join(path, kInfo));
        stream.WriteBytes(bytes.Data());
    }
    if (FState.Paper) {
        TMemoryStream bytes;
        WriteComponentResource(bytes, kPaperInfo, *FState.Paper);
        TDocStream stream(*FState.Storage, fmDocCreate, Join(path, kPaperInfo));
        stream.WriteBytes(bytes.Data());
    }
    WritePaperRecords();
}

void TLabelData::SelectSheet(int index)
{
    if (index == FState.CurrentSheet)
        return;
    CheckSheetIndex(index);
    const bool modified = FState.Modified;
    FlushSheet();
    LoadSheet(index);
    FState.Modified = modified;
}

QStringList TLabelData::CollectSheetNames()
{
    // The current sheet's name is the one in memory; the others are read from their
    // Info streams, which is what making each current in turn would show.
    QStringList names;
    for (int i = 0; i < SheetCount(); ++i) {
        if (i == FState.CurrentSheet) {
            names << FState.SheetName;
            continue;
        }
        const QString info = Join(SheetPath(i), kInfo);
        QString name;
        if (FState.Storage->StreamExists(info)) {
            TDocStream stream(*FState.Storage, fmDocRead, info);
            TLabelData scratch(nullptr, TBare{});
            ReadSettingsInto(stream, scratch);
            name = scratch.FState.SheetName;
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
    const int index = FState.Sheets->AddNew();
    FState.Sheets->OpenStorage(index, true);
    FState.CurrentSheet = index;
    FState.SheetName = name;
    ClearPaperRecords();
    FlushSheet();
    FState.Modified = true;
}

void TLabelData::CopySheet()
{
    CheckSheetIndex(FState.CurrentSheet);
    FlushSheet();
    const QString name = UniqueSheetName(FState.SheetName + QStringLiteral("のコピー"), QString());
    CloseSheetLists();
    const int source = FState.CurrentSheet;
    const int index = FState.Sheets->AddNew();
    {
        std::unique_ptr<TDocStorage> from = FState.Sheets->OpenStorage(source, false);
        std::unique_ptr<TDocStorage> to = FState.Sheets->OpenStorage(index, true);
        from->CopyTo(*to);
    }
    FState.CurrentSheet = index;
    FState.SheetName = name;
    ClearPaperRecords();
    FlushSheet();
    FState.Modified = true;
}

void TLabelData::DeleteSheet(int index)
{
    CheckSheetIndex(index);
    if (SheetCount() == 1)
        throw EInternalError(QStringLiteral("the only sheet cannot be deleted"));
    int current = FState.CurrentSheet;
    if (index != current) {
        // Another sheet goes: the current one stays current with its state kept.
        FlushSheet();
        CloseSheetLists();
        FState.Sheets->Delete(index);
        FState.CurrentSheet = current > index ? current - 1 : current;
        FState.Modified = true;
        return;
    }
    CloseSheetLists();
    FState.CurrentSheet = -1;
    FState.Sheets->Delete(index);
    if (current >= SheetCount())
        current = SheetCount() - 1;
    LoadSheet(current);
    FState.Modified = true;
}

void TLabelData::MoveSheet(int to)
{
    CheckSheetIndex(FState.CurrentSheet);
    CheckSheetIndex(to);
    FlushSheet();
    const int from = FState.CurrentSheet;
    FState.CurrentSheet = -1;
    FState.Sheets->Move(from, to);
    FState.CurrentSheet = to;
    FState.Modified = true;
}

// ---------------------------------------------------------------------------------
// Paper

void TLabelData::SetPaper(const TPaperInfo* paper)
{
    FState.Paper = paper ? paper->Clone() : nullptr;
    const int count = LabelCount();
    TDocStreamList& labels = Labels();
    for (int i = labels.Count() - 1; i >= count; --i)
        labels.Delete(i);
    if (TDocStreamList* previews = Previews(false))
        for (int i = previews->Count() - 1; i >= count; --i)
            previews->Delete(i);
    FState.Modified = true;
}

int TLabelData::LabelCount() const
{
    return FState.Paper ? FState.Paper->GetFaceCount() : 0;
}

TLogRect TLabelData::LabelRect(int k) const
{
    if (!FState.Paper || k < 0 || k >= FState.Paper->GetFaceCount())
        return {};
    return FState.Paper->GetPrintRect(k);
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
            date->SetDate(FState.OpenTime);
            break;
        case TDateUpdateFlag::dufPrint:
            date->SetDate(FState.LastPrint);
            break;
        case TDateUpdateFlag::dufSave:
            date->SetDate(FState.LastSave);
            break;
        case TDateUpdateFlag::dufNo:
            break;
        }
    }
    const TLogRect rect = LabelRect(k);
    if (!rect.IsEmpty()) {
        const TLogRect local{0, 0, rect.Width(), rect.Height()};
        for (TDrawObject* object : read.Objects())
            if (IDOBackImage* background = Supports<IDOBackImage>(object)) {
                // The face's shape is not stored with the design: it comes from the
                // paper the design is read for.
                if (auto* back = dynamic_cast<TLOBackImage*>(object))
                    back->SetFaceInfo(FState.Paper->GetFaceInfo(k));
                background->FitToFace(local);
            }
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
    FState.Modified = true;
    DeletePreview(k);
}

QByteArray TLabelData::LabelResourceBytes(int k)
{
    const int d = DesignIndex(k);
    TDocStreamList& labels = Labels();
    if (!labels.StreamExists(d))
        return {};
    std::unique_ptr<TDocStream> stream = labels.OpenStream(d, fmDocRead);
    return LabelBytes(*stream);
}

void TLabelData::ClearLabel(int k)
{
    const int d = DesignIndex(k);
    TDocStreamList& labels = Labels();
    if (d < labels.Count())
        labels.DeleteElement(d);
    DeletePreview(k);
    FState.Modified = true;
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
    FState.Modified = true;
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
    FState.Modified = true;
}

std::unique_ptr<TDocStream> TLabelData::PreviewStream(int k)
{
    const int d = DesignIndex(k);
    TDocStreamList& previews = *Previews(true);
    while (previews.Count() <= d)
        previews.AddNew();
    FState.Modified = true;
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
    FState.ExtraInfo.reset();
    FState.ImageInfo.reset();
}

void TLabelData::SetExtraInfo(const TExPaperInfo* info)
{
    if (info && !info->IsEmpty()) {
        FState.ExtraInfo = std::make_unique<TExPaperInfo>();
        FState.ExtraInfo->Assign(*info);
    } else {
        FState.ExtraInfo.reset();
    }
    FState.Modified = true;
}

void TLabelData::SetImageInfo(const TImagePaperInfo* info)
{
    if (info && !info->IsEmpty()) {
        FState.ImageInfo = std::make_unique<TImagePaperInfo>();
        FState.ImageInfo->Assign(*info);
    } else {
        FState.ImageInfo.reset();
    }
    FState.Modified = true;
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
    if (FState.Storage->StreamExists(Join(path, kPaperExtraInfo))) {
        TDocStream stream(*FState.Storage, fmDocRead, Join(path, kPaperExtraInfo));
        extra = ReadComponentResourceAs<TExPaperInfo>(stream);
    }
    if (index == 0 && FState.Storage->StreamExists(Join(path, kPaperImageInfo))) {
        {
            TDocStream stream(*FState.Storage, fmDocRead, Join(path, kPaperImageInfo));
            images = ReadComponentResourceAs<TImagePaperInfo>(stream);
        }
        images->ClearFaces();
        const QString folder = Join(path, kPaperImages);
        if (FState.Storage->StorageExists(folder)) {
            TDocStorage storage(*FState.Storage, false, folder);
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
    const QString path = SheetPath(FState.CurrentSheet);
    if (!FState.ExtraInfo || FState.ExtraInfo->IsEmpty()) {
        FState.Storage->DeleteElement(Join(path, kPaperExtraInfo));
    } else {
        TMemoryStream bytes;
        WriteComponentResource(bytes, kPaperExtraInfo, *FState.ExtraInfo);
        TDocStream stream(*FState.Storage, fmDocCreate, Join(path, kPaperExtraInfo));
        stream.WriteBytes(bytes.Data());
    }
    const QString folder = Join(path, kPaperImages);
    if (!FState.ImageInfo || FState.ImageInfo->IsEmpty()) {
        FState.Storage->DeleteElement(Join(path, kPaperImageInfo));
        FState.Storage->DeleteElement(folder);
        return;
    }
    {
        TMemoryStream bytes;
        WriteComponentResource(bytes, kPaperImageInfo, *FState.ImageInfo);
        TDocStream stream(*FState.Storage, fmDocCreate, Join(path, kPaperImageInfo));
        stream.WriteBytes(bytes.Data());
    }
    FState.Storage->DeleteElement(folder);
    TDocStorage storage(*FState.Storage, true, folder);
    for (int face = 0; face < FState.ImageInfo->FaceCount(); ++face) {
        TMemoryStream bytes;
        FState.ImageInfo->Faces(face).SaveToStream(bytes);
        TDocStream stream(storage, fmDocCreate, FaceStreamName(face));
        stream.WriteBytes(bytes.Data());
    }
}

void TLabelData::GetPaperImages(int k, TDOList& list) const
{
    if (!FState.ImageInfo || !FState.Paper || k < 0 || k >= FState.Paper->GetFaceCount())
        return;
    const int face = FState.ImageInfo->SeparatelyDesign() ? k : 0;
    if (face >= FState.ImageInfo->FaceCount())
        return;
    TDOList copies;
    CopyDrawObjects(FState.ImageInfo->Faces(face), copies);
    if (FState.Paper->Landscape()) {
        // Designs are made on the upright label.
        const TLogRect face = FState.Paper->GetFaceRect(k);
        const int margin = FState.Paper->GetFaceMargin(k);
        TurnDesignToLandscape(copies, face.Width() + 2 * margin);
    }
    for (TDrawObject* object : copies.Objects()) {
        TImagePaperInfo::MakeBackgroundObject(*object);
        list.Add(object);
    }
}

} // namespace velmo
