#pragma once
// The label document: the sheets of one work file, each with its paper, its
// settings and one design per label position (or one shared design).
//
// The document works on a private temporary copy of its file: loading copies the
// whole file in, every operation works on the copy sheet by sheet, and saving
// writes the whole copy back. The copy's tree:
//
//   DataInfo                    TDataInfo (document-wide information)
//   Sheets\NameList             name list of the sheet storages, in sheet order
//   Sheets\NameList<n>\Info     the sheet's settings (this class's published properties)
//                     \PaperInfo, PaperExtraInfo, PaperImageInfo, PaperImages
//                     \NameList, NameList<k>   label designs ("LabelData" resources,
//                                              compressed on save)
//                     \Preview, Preview<k>     24-bit BMP previews
//
// Exactly one sheet is current; its settings live in the published properties
// below and are written back to its storage whenever another sheet becomes
// current, the document is saved or the sheet is moved.
#include "base/UClasses.h"
#include "document/UProductInfo.h"
#include "draw/UDrawObject.h"
#include "draw/UGuide.h"
#include "paper/UPaperInfo.h"
#include "storage/UDocFile.h"
#include <QImage>
#include <functional>
#include <memory>

namespace velmo {

class TExPaperInfo;
class TImagePaperInfo;

// A document that cannot be loaded; the message is the one the user sees.
VELMO_DECLARE_EXCEPTION(ELabelDataError, Exception)

// "指定されたファイルは「%s」のデータではありません" with the application title (the
// running application's display name when title is empty).
QString NotLabelDataMessage(const QString& title = QString());
// "データの保存に失敗しました"
QString SaveFailedMessage();

// The document-wide record, written only as the DataInfo stream. Its children are
// the three product records "ProductInfo", "CreatorInfoE" and "CreatorInfoJ".
class TDataInfo : public TComponent
{
    VELMO_PERSISTENT(TDataInfo, TComponent)
public:
    explicit TDataInfo(TComponent* owner = nullptr);

    int SheetCount() const { return FSheetCount; }
    void SetSheetCount(int value) { FSheetCount = value; }
    const QString& DataName() const { return FDataName; }
    void SetDataName(const QString& value) { FDataName = value; }
    int CurrentSheetNo() const { return FCurrentSheetNo; }
    void SetCurrentSheetNo(int value) { FCurrentSheetNo = value; }
    double LastPrint() const { return FLastPrint; }
    void SetLastPrint(double value) { FLastPrint = value; }
    double LastSave() const { return FLastSave; }
    void SetLastSave(double value) { FLastSave = value; }
    bool SheetMode() const { return FSheetMode; }
    void SetSheetMode(bool value) { FSheetMode = value; }

    // The records found by name among the owned components (nullptr when absent).
    TProductInfo* ProductInfo() const { return Record(u"ProductInfo"); }
    TProductInfo* CreatorInfoE() const { return Record(u"CreatorInfoE"); }
    TProductInfo* CreatorInfoJ() const { return Record(u"CreatorInfoJ"); }
    // Replaces the children by copies of the three records, in that order.
    void SetRecords(const TProductInfo& product, const TProductInfo& creatorE, const TProductInfo& creatorJ);

    void GetChildren(const TGetChildProc& proc, const TComponent* root) const override;

private:
    TProductInfo* Record(QStringView name) const;

    int FSheetCount = 0;
    QString FDataName;
    int FCurrentSheetNo = 0;
    double FLastPrint = 0;
    double FLastSave = 0;
    bool FSheetMode = false;
};

// Registers TLabelData, TDataInfo, the product records and the paper classes for
// reading (idempotent).
void RegisterLabelDataClasses();

// Reads a PaperInfo stream that the current paper format cannot read (the older
// formats); returns nullptr when it cannot either. Installed by the module that
// knows the older formats.
using TOlderPaperReader = std::function<std::unique_ptr<TPaperInfo>(TStream& stream)>;
void SetOlderPaperReader(TOlderPaperReader reader);

class TLabelData : public TComponent
{
    VELMO_PERSISTENT(TLabelData, TComponent)
public:
    // The object distance kept from a label's edges when a design is read.
    static constexpr int kKeepInsideDistance = 10;
    // Unique sheet names try the numbers 1 to this one.
    static constexpr int kMaxNameSerial = 1001;

    // A new document: an empty temporary copy with one sheet "新規シート1", not modified.
    explicit TLabelData(TComponent* owner = nullptr);
    ~TLabelData() override;

    // ---- published: the current sheet's settings
    TGuide* Guide() const { return FState.Guide.get(); }
    TGrid* Grid() const { return FState.Grid.get(); }
    int CurrentLabelNo() const { return FState.CurrentLabelNo; }
    void SetCurrentLabelNo(int value);
    bool SeparatelyDesign() const { return FState.SeparatelyDesign; }
    void SetSeparatelyDesign(bool value);
    const QString& SheetName() const { return FState.SheetName; }
    void SetSheetName(const QString& value);
    const QString& CSVFile() const { return FState.CSVFile; }
    void SetCSVFile(const QString& value);
    bool CSVFieldName() const { return FState.CSVFieldName; }
    void SetCSVFieldName(bool value);
    // The field separator the user chose for the merge data (its character code);
    // 0: found from the file (its extension or first line).
    int CSVSeparator() const { return FState.CSVSeparator; }
    void SetCSVSeparator(int value);

    // ---- document life
    // Replaces the whole document by the file's. A file that cannot be loaded raises
    // ELabelDataError (NotLabelDataMessage) and leaves this document as it was.
    void Load(const QString& fileName);
    // A new document object loaded from the file (same failure as Load).
    static std::unique_ptr<TLabelData> Open(const QString& fileName, TComponent* owner = nullptr);
    // Writes the document to the file. The file is written beside the old one and
    // renamed into place, so a failure leaves the previous file intact; storage
    // errors propagate (the caller shows SaveFailedMessage()).
    void Save(const QString& fileName);
    bool Modified() const { return FState.Modified; }
    void SetModified(bool value) { FState.Modified = value; }

    // ---- document information
    const QString& DataName() const { return FState.DataName; }
    void SetDataName(const QString& value) { FState.DataName = value; }
    bool SheetMode() const { return FState.SheetMode; }
    void SetSheetMode(bool value) { FState.SheetMode = value; }
    // Day counts (days since 1899-12-30).
    double OpenTime() const { return FState.OpenTime; }
    void SetOpenTime(double value) { FState.OpenTime = value; }
    double LastPrint() const { return FState.LastPrint; }
    void SetLastPrint(double value) { FState.LastPrint = value; }
    double LastSave() const { return FState.LastSave; }
    void SetLastSave(double value) { FState.LastSave = value; }
    TProductInfo& ProductInfo() const { return *FState.ProductInfo; }
    TProductInfo& CreatorInfoE() const { return *FState.CreatorInfoE; }
    TProductInfo& CreatorInfoJ() const { return *FState.CreatorInfoJ; }

    // ---- sheets
    int SheetCount() const;
    // -1 only while a sheet is being loaded, added, moved or deleted.
    int CurrentSheet() const { return FState.CurrentSheet; }
    void SelectSheet(int index);
    void AddSheet();
    void CopySheet();
    // Deleting another sheet than the current one first writes the current sheet
    // back and keeps it current. The only sheet cannot be deleted.
    void DeleteSheet(int index);
    void MoveSheet(int to);
    void GetSheetNames(QStringList& list);

    // The current sheet's paper (nullptr: none), extra paper information and paper
    // image information (nullptr when empty or absent).
    TPaperInfo* Paper() const { return FState.Paper.get(); }
    void SetPaper(const TPaperInfo* paper);
    TExPaperInfo* ExtraInfo() const { return FState.ExtraInfo.get(); }
    void SetExtraInfo(const TExPaperInfo* info);
    TImagePaperInfo* ImageInfo() const { return FState.ImageInfo.get(); }
    void SetImageInfo(const TImagePaperInfo* info);

    // Label positions of the current paper (0 without a paper) and the rectangle of
    // position k in sheet coordinates (its printable area, landscape applied).
    int LabelCount() const;
    TLogRect LabelRect(int k) const;

    // ---- labels of the current sheet; with SeparatelyDesign false every k is 0
    // Entries of the design list (positions that were ever written).
    int DesignCount() { return Labels().Count(); }
    bool LabelHasData(int k);
    // Appends the design's objects, bottom-most first, as unowned copies the caller
    // owns; dates refreshed, backgrounds fitted and objects kept on the label.
    void ReadLabel(int k, TDOList& list);
    // list is topmost first.
    void WriteLabel(int k, const TDOList& list);
    // The design of k as its stored "LabelData" component resource, unpacked; empty
    // when k has none. Needs no registered classes (tools show any design).
    QByteArray LabelResourceBytes(int k);
    void ClearLabel(int k);
    bool IsLabelCompressed(int k);
    void CompressLabel(int k);
    bool PreviewExists(int k);
    // The stored preview of k (a BMP file image), empty when there is none.
    QByteArray PreviewBytes(int k);
    void DeletePreview(int k);
    // The preview stream for writing, created (empty).
    std::unique_ptr<TDocStream> PreviewStream(int k);
    // Renders the design of k into its preview stream (left empty without objects,
    // or when no picture can be rendered in this process).
    void MakePreview(int k);
    // The printed images of the paper for position k, as the layout view shows them
    // under the design (unowned objects the caller owns).
    void GetPaperImages(int k, TDOList& list) const;

    // Reads preview k of sheet s straight from a document file (opened read-only).
    // False when the sheet has no previews, the preview is missing or empty, or the
    // file cannot be read.
    static bool LoadPreview(const QString& fileName, int sheet, int k, QImage& picture);

    // The working copy (for tools and tests).
    TTemporaryStorage& Storage() const { return *FState.Storage; }
    // The storage path of sheet index.
    QString SheetPath(int index) const;

private:
    struct TBare
    {
    };
    TLabelData(TComponent* owner, TBare);
    void InitCommon();
    void InitRecords();
    void LoadInto(const QString& fileName);
    void SwapContents(TLabelData& other);
    void CheckSheetIndex(int index) const;

    void LoadSheet(int index);
    // Puts values a window could never have produced back to a new document's.
    void RepairSettings();
    void FlushSheet();
    void CloseSheetLists();
    TDocStreamList& Labels();
    TDocStreamList* Previews(bool create);
    int DesignIndex(int k) const { return FState.SeparatelyDesign ? k : 0; }
    QString UniqueSheetName(const QString& before, const QString& after);
    QStringList CollectSheetNames();

    // Each reads a stream into a new object and checks it; a failure raises.
    void ReadSettingsInto(TStream& stream, TLabelData& target) const;
    std::unique_ptr<TPaperInfo> ReadPaper(const QString& path) const;
    void ValidateSheet(int index);

    // Reads the sheet's extra information and (sheet 0 only) printed images.
    void ReadPaperRecords(int index, std::unique_ptr<TExPaperInfo>& extra,
                          std::unique_ptr<TImagePaperInfo>& images) const;
    void WritePaperRecords();
    void ClearPaperRecords();

    // Everything a loaded file replaces, in one record, so that a load that succeeds
    // swaps it in whole and a failed one cannot leave half of it behind.
    struct TState
    {
        std::unique_ptr<TGuide> Guide;
        std::unique_ptr<TGrid> Grid;
        int CurrentLabelNo = 0;
        bool SeparatelyDesign = true;
        QString SheetName;
        QString CSVFile;
        bool CSVFieldName = false;
        int CSVSeparator = 0;

        std::unique_ptr<TTemporaryStorage> Storage;
        std::unique_ptr<TDocStorageList> Sheets;
        std::unique_ptr<TDocStreamList> Labels;
        std::unique_ptr<TDocStreamList> Previews;
        int CurrentSheet = -1;
        bool Modified = false;

        std::unique_ptr<TPaperInfo> Paper;
        std::unique_ptr<TExPaperInfo> ExtraInfo;
        std::unique_ptr<TImagePaperInfo> ImageInfo;

        std::unique_ptr<TProductInfo> ProductInfo;
        std::unique_ptr<TProductInfo> CreatorInfoE;
        std::unique_ptr<TProductInfo> CreatorInfoJ;
        QString DataName;
        bool SheetMode = false;
        double OpenTime = 0;
        double LastPrint = 0;
        double LastSave = 0;
    };
    TState FState;
};

} // namespace velmo
