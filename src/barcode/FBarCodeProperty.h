#pragma once
// The barcode dialog ("バーコードの編集・設定", "バーコードの追加" for a new object) and
// the designer that opens it for barcode objects.
//
// Beside JAN, Code 39 and Code 128 the kind "その他" offers the libzint symbologies
// (TLOZintBarCode) with their options; a symbol the data cannot make is explained
// under the entry in the words of the encoder's refusal. Choosing a kind of the other
// family turns the object into one of the other class (TLOBarCode and TLOZintBarCode,
// their merge forms likewise): the designer replaces it on the site as one undoable
// step, or hands the creator the replacement of a new object.
//
// The dialog edits a code buffer: for JAN and Code 39 the entry's text, for Code 128
// bytes that the entry only shows ("^" for each byte outside 32..126). With Code 128
// every edit of the entry goes through the buffer (typing inserts at the caret,
// only the last byte can be deleted, pasting inserts printable characters, the
// special-code list appends), so entry and buffer never disagree.
#include "objects/ULabelObject.h"
#include <QByteArray>
#include <QDialog>
#include <functional>

class QButtonGroup;
class QKeyEvent;
class QPainter;
class QRect;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace velmo {

class TDrawSite;
class TLOBarCode;
class TfrmColorSpec;
class TfrmPosition;
class TBarCodeSample;

// How the dialog shows its two messages. The application puts its message window
// behind them; without one the toolkit's message box is shown.
enum class TBarCodeMessage
{
    bmInvalidCode, // "バーコードが正しくありません。", one button
    bmMidDeletion, // "途中の文字は削除できません", caption "CODE128", OK
    bmTooNarrow,   // the width leaves no printable module (with the width that would)
};
using TBarCodeMessageHandler =
    std::function<void(QWidget* parent, TBarCodeMessage message, const QString& text)>;
void SetBarCodeMessageHandler(TBarCodeMessageHandler handler);

class TfrmBarCodeProperty : public QDialog
{
public:
    explicit TfrmBarCodeProperty(QWidget* parent = nullptr);
    ~TfrmBarCodeProperty() override;

    // Fills the dialog from the object (a new object, not on a site, opens on the
    // first page with the caption "バーコードの追加").
    void LoadFrom(TLOBarCode& object);
    // Writes the dialog back in the documented order (a TLOZintBarCode also takes the
    // symbology and its options).
    void ApplyTo(TLOBarCode& object) const;

    // Whether the entry makes a symbol of the chosen kind.
    bool EntryValid() const;
    // 0 JAN, 1 Code 39, 2 Code 128, kZintKind the symbology of SymbologyList.
    int Kind() const;
    void SetKind(int kind);
    static constexpr int kZintKind = 3;
    // The chosen libzint symbology (when Kind() is kZintKind).
    int Symbology() const;
    void SetSymbology(int id);
    // The encoder's refusal of the entry for the chosen libzint symbology ("" when
    // it makes a symbol, and for the other kinds).
    QString ZintError() const;
    // Whether the kinds of the other family may be chosen (not for an object in a group).
    void SetFamilyLocked(bool locked);
    const QByteArray& Buffer() const { return FBuffer; }
    // Appends a special byte (the "特殊コード追加(&P)" list's choice).
    void AppendSpecial(unsigned char byte);
    // The ratio list's value (200..300).
    int ElementRatio() const;

    // Controls, for tests and for the layout editor.
    QLineEdit* Entry() const { return FEntry; }
    QPushButton* SpecialButton() const { return FSpecial; }
    QCheckBox* ShowNumberBox() const { return FShowNumber; }
    QCheckBox* ShowFrameBox() const { return FShowFrame; }
    QCheckBox* CheckDigitBox() const { return FCheckDigit; }
    QComboBox* RatioList() const { return FRatio; }
    QComboBox* FaceList() const { return FFace; }
    QComboBox* SizeList() const { return FSize; }
    QComboBox* SymbologyList() const { return FSymbology; }
    QComboBox* ErrorLevelList() const { return FErrorLevel; }
    QComboBox* SymbolSizeList() const { return FSymbolSize; }
    QLabel* ErrorLabel() const { return FError; }
    QGroupBox* ZintGroup() const { return FZintGroup; }
    QTabWidget* Pages() const { return FPages; }
    TfrmPosition* Position() const { return FPosition; }
    TfrmColorSpec* ColorPage() const { return FColor; }
    QPushButton* OkButton() const { return FOk; }

    // The special-code list: names and bytes in list order.
    static const std::vector<std::pair<QString, unsigned char>>& SpecialCodes();

    // Draws the sample the way the panel shows it (for the panel and for tests).
    void PaintSample(QPainter& painter, const QRect& area) const;

    void accept() override;
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void KindChanged();
    void EntryEdited();
    void ShowBuffer(int caret);
    bool HandleCode128Key(QKeyEvent* key);
    void InsertText(const QString& text);
    void RefreshSample();
    void SymbologyChanged();
    // A new object's rectangle takes the chosen symbology's shape.
    void FitNewRectangle();
    void ApplyClassicKind(TLOBarCode& object) const;
    void FillZintOptions(int id);
    void ShowZintError();
    int PointSize() const;
    bool IsZint() const { return Kind() == kZintKind; }

    QTabWidget* FPages = nullptr;
    QGroupBox* FCodeGroup = nullptr;
    QLineEdit* FEntry = nullptr;
    QPushButton* FSpecial = nullptr;
    QComboBox* FFace = nullptr;
    QComboBox* FSize = nullptr;
    QCheckBox* FShowNumber = nullptr;
    QCheckBox* FShowFrame = nullptr;
    QCheckBox* FCheckDigit = nullptr;
    QLabel* FRatioLabel = nullptr;
    QComboBox* FRatio = nullptr;
    QButtonGroup* FKinds = nullptr;
    QComboBox* FSymbology = nullptr;
    QGroupBox* FZintGroup = nullptr;
    QComboBox* FErrorLevel = nullptr;
    QComboBox* FSymbolSize = nullptr;
    QDoubleSpinBox* FModuleSize = nullptr;
    QCheckBox* FQuietZone = nullptr;
    QCheckBox* FTransparent = nullptr;
    QLabel* FError = nullptr;
    bool FNewObject = false;
    TBarCodeSample* FSample = nullptr;
    TfrmColorSpec* FColor = nullptr;
    TfrmPosition* FPosition = nullptr;
    QPushButton* FOk = nullptr;
    QByteArray FBuffer;
    bool FMerge = false;
    bool FUpdating = false;
    int FFallbackSize = 9;
};

// The designer that edits barcode objects (and their descendants) with the dialog,
// recording the edit as one "設定変更" change.
class TDOBarCodeEditor : public TDesigner
{
public:
    bool EditObject(TLabelObject* object, bool& cancelled) override;
    // Tests replace the modal run: given the filled dialog, answers its result.
    static void SetExecHook(std::function<int(TfrmBarCodeProperty& dialog)> hook);
};

// Puts replacement where object lies on its site (same place in the order), as one
// undoable step "設定変更"; the history keeps the removed object. False for an object
// that is not directly on a site (a group member), which stays.
bool ReplaceBarCodeOnSite(TLOBarCode* object, TLOBarCode* replacement);
// Writes an accepted dialog to the object as one "設定変更" step; more adds what a
// caller's own pages hold. When the dialog chose a kind of the other family the
// object is replaced (on its site, or for a new object through the creator).
bool ApplyBarCodeDialog(TfrmBarCodeProperty& dialog, TLOBarCode& code,
                        const std::function<void(TLOBarCode&)>& more);

// Adds the barcode editor to the designer list (once).
void RegisterBarCodeDesigner();

// The layout editor's "バーコード(&J)...": a new barcode made by the creator, its dialog
// shown first ("バーコードの追加"), then placed on the site and recorded as "追加";
// nothing is added when the dialog is cancelled. Needs the barcode classes, this
// designer and the creator (TLOCreator) registered. False when no designer made one.
bool InsertBarCode(TDrawSite* site);

} // namespace velmo
