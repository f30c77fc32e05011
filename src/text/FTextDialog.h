#pragma once
// The text dialog "文字の編集・設定" ("文字の追加" for a new object) with its six
// pages, a live preview, and the designer that opens it for text objects.
#include <QDialog>
#include <QImage>
#include <QStringList>
#include <functional>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;

namespace velmo {

class TCDDFile;
class TLOText;
class TLOVelmoText;
class TfrmColorSpec;
class TfrmPosition;
class TMillimetreEdit;
class TTextPreview;
enum class TFieldType;

// Where the dialog finds what it needs beyond the object: the pattern file and its
// thumbnails, the document's product and creator items, the extended paper mode.
struct TTextDialogEnvironment
{
    QString PatternFile;   // the delivered pattern file (empty: none)
    QString ThumbnailFile; // the resource file with "TransformPattern"
    bool ExtendedPaperMode = false;
    // The item captions of the document's information of a kind (for the field panel).
    std::function<QStringList(TFieldType kind)> FieldItems;
};
void SetTextDialogEnvironment(std::function<TTextDialogEnvironment()> provider);
TTextDialogEnvironment CurrentTextDialogEnvironment();

class TfrmTextDialog : public QDialog
{
public:
    TfrmTextDialog(const TTextDialogEnvironment& environment, QWidget* parent = nullptr);
    ~TfrmTextDialog() override;

    // Fills the pages from the object; isNew: the object is not on a site yet.
    void LoadFrom(TLOText& object, bool isNew);
    // Checks the entries; on a fault shows the message, turns to its page and
    // answers false.
    bool Validate();
    // Applies the pages to the object in the fixed order.
    void ApplyTo(TLOText& object);
    // Runs the dialog over the object; true when OK changed it (one undoable step).
    static bool Edit(TLOText& object, QWidget* parent = nullptr);

    // Text objects that make their own text (dates, numbers, merge fields) put their
    // own page in place of the text page: the text entry is then neither checked nor
    // applied, and the page's owner gives the object its text.
    void ReplaceTextPage(QWidget* page, const QString& caption);
    void HideLineSpacing();
    // What the preview shows instead of the sample word (empty: the sample word).
    void SetPreviewLines(const QStringList& lines);
    void SetTitle(const QString& title);
    // Validation beyond the pages (a replaced first page's own check).
    void SetExtraValidation(std::function<bool()> check) { FExtraValidation = std::move(check); }

    // The message shown by a failed validation (tests read it instead of a box).
    const QString& LastMessage() const { return FLastMessage; }
    void SetQuietMessages(bool quiet) { FQuiet = quiet; }

    // For tests and screenshots.
    QTabWidget* Tabs() const { return FTabs; }
    QPlainTextEdit* TextEdit() const { return FText; }
    QComboBox* FaceBox() const { return FFace; }
    QComboBox* SizeBox() const { return FSize; }
    QComboBox* AlignBox() const { return FAlign; }
    QCheckBox* VerticalBox() const { return FVertical; }
    QRadioButton* TransformOn() const { return FTransformOn; }
    QRadioButton* TransformOff() const { return FTransformOff; }
    QPushButton* PatternButton() const { return FPatternButton; }
    QSlider* RatioSlider() const { return FRatio; }
    QRadioButton* ShadowOn() const { return FShadowOn; }
    QComboBox* ShadowPlace() const { return FShadowPlace; }
    QRadioButton* OutlineOn() const { return FOutlineOn; }
    TMillimetreEdit* OutlineWidth() const { return FOutlineWidth; }
    TfrmPosition* PositionPanel() const { return FPosition; }
    QCheckBox* FieldUse() const { return FFieldUse; }
    TLOVelmoText& PreviewObject() const;
    // Chooses pattern index as the chooser would (-1: none).
    void ChoosePattern(int index);
    int PatternIndex() const { return FPatternIndex; }

private:
    QWidget* BuildTextPage();
    QWidget* BuildFontPage();
    QWidget* BuildShadowPage();
    QWidget* BuildOutlinePage();
    void UpdateEnabled();
    void UpdatePreview();
    void FillFieldItems();
    void ShowMessage(const QString& text, int page);
    void done(int result) override;

    TTextDialogEnvironment FEnv;
    std::unique_ptr<TCDDFile> FPatterns;
    QImage FThumbnails;
    std::unique_ptr<TLOVelmoText> FPreviewObject;
    bool FLoading = false;
    bool FQuiet = false;
    bool FTextPageReplaced = false;
    QStringList FPreviewLines;
    std::function<bool()> FExtraValidation;
    bool FWizard = false;
    QString FLastMessage;
    int FPatternIndex = -1;

    QTabWidget* FTabs = nullptr;
    QLabel* FTitle = nullptr;
    QPlainTextEdit* FText = nullptr;
    QGroupBox* FFieldPanel = nullptr;
    QCheckBox* FFieldUse = nullptr;
    QComboBox* FFieldKind = nullptr;
    QListWidget* FFieldList = nullptr;
    QGroupBox* FWizardGroup = nullptr;
    QCheckBox* FWizardInput = nullptr;
    QLineEdit* FWizardCaption = nullptr;
    TfrmColorSpec* FTextColor = nullptr;
    QComboBox* FFace = nullptr;
    QComboBox* FSize = nullptr;
    QCheckBox* FBold = nullptr;
    QCheckBox* FItalic = nullptr;
    QCheckBox* FUnderline = nullptr;
    QCheckBox* FStrikeOut = nullptr;
    QComboBox* FAlign = nullptr;
    QComboBox* FCharSpacing = nullptr;
    QComboBox* FLineSpacing = nullptr;
    QCheckBox* FVertical = nullptr;
    QCheckBox* FHanToZen = nullptr;
    QCheckBox* FMinusExc = nullptr;
    QCheckBox* FNumToKnj = nullptr;
    QGroupBox* FTransformGroup = nullptr;
    QRadioButton* FTransformOn = nullptr;
    QRadioButton* FTransformOff = nullptr;
    QPushButton* FPatternButton = nullptr;
    QLabel* FRatioLabel = nullptr;
    QSlider* FRatio = nullptr;
    QRadioButton* FShadowOn = nullptr;
    QRadioButton* FShadowOff = nullptr;
    QComboBox* FShadowPlace = nullptr;
    TfrmColorSpec* FShadowColor = nullptr;
    QRadioButton* FOutlineOn = nullptr;
    QRadioButton* FOutlineOff = nullptr;
    TMillimetreEdit* FOutlineWidth = nullptr;
    TfrmColorSpec* FOutlineColor = nullptr;
    TfrmPosition* FPosition = nullptr;
    TTextPreview* FPreview = nullptr;
};

// Opens the text dialog for text objects through the designer list.
void RegisterTextDesigner();

} // namespace velmo
