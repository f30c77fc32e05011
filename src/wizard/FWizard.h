#pragma once
// The two step-by-step dialogs that make a new document: the wizard (one label
// position at a time, "新規作成ウイザード") and the matching-label wizard (a whole sheet
// of labels that belong together, "新規作成おそろいラベル").
#include "document/UTemplateInfo.h"
#include "wizard/UWizardUtil.h"
#include <QDialog>
#include <functional>
#include <memory>

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QStackedWidget;
class QTreeWidget;
class QWidget;

namespace velmo {

class TLabelData;
class TPaperSite;
class TVelmoPapers;

enum class TWizardMode
{
    wmWizard,  // one position's design
    wmMatching // a whole matching sheet
};

// The data files of both wizards, relative to the data roots.
inline const QString kWizardDataFile = QStringLiteral("Data\\Template\\Wizard.dat");
inline const QString kOsoroiDataFile = QStringLiteral("Data\\Osoroi\\Osoroi.dat");
// The missing-data names the main window reports.
inline const QString kWizardDataName = QStringLiteral("ウイザード情報");
inline const QString kOsoroiDataName = QStringLiteral("おそろいラベル情報");

class TfrmWizard : public QDialog
{
public:
    // dataFile: the found data file (empty or missing: not available).
    TfrmWizard(TWizardMode kind, TVelmoPapers* papers, const QString& dataFile, QWidget* parent = nullptr);
    ~TfrmWizard() override;

    bool Available() const;
    TWizardMode Kind() const { return FKind; }
    // The saved result (empty until "完了" succeeded).
    const QString& ResultFile() const { return FResultFile; }
    int Step() const { return FStep; }
    TLabelData& Document() const { return *FDocument; }
    TWizardBase& Info() const { return *FInfo; }

    // Asks a yes/no question (the merge-file question); a plain message box unless
    // the application puts its own in.
    std::function<bool(const QString& question)> AskOkCancel;
    // Chooses a CSV file for the merge data (empty: cancelled); a file dialog unless
    // replaced.
    std::function<QString(const QString& proposal)> ChooseCsvFile;

    QPushButton* BackButton() const { return FBack; }
    QPushButton* NextButton() const { return FNext; }
    QPushButton* FinishButton() const { return FFinish; }
    QPushButton* CancelButton() const { return FCancel; }

    // Whether the design in hand holds a photo placeholder / a text field.
    bool HasPhoto();
    bool HasTexts();

protected:
    void done(int result) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildGenrePage();
    void BuildPaperPage();
    void BuildDesignPage();
    void BuildPhotoPage();
    void BuildInputPage();
    void BuildFinishPage();

    void ShowStep(int step);
    void EnterStep();
    void GoNext();
    void GoBack();
    bool CommitStep();
    void FinishRun();

    // Paper page
    void FillSubGenres();
    void SubGenreChosen(int index);
    void RebuildCandidates();
    void FillPaperList();
    void PaperSelected();
    void UpdatePaperDetails();
    bool CommitPaper();
    // Design page
    void EnterDesign();
    void DesignPositionChosen();
    void FillDesigns();
    void FillSheetDesigns();
    void DrawNextThumbnail();
    bool CommitDesign();
    // Photo and input pages
    void EnterPhoto();
    void ChangePhoto();
    void ShowDesignPicture(QLabel* target);
    void EnterInput();
    bool CommitInput();
    void EnterFinish();
    bool SaveResult();

    // The positions whose designs the run edits: the current one (wizard) or all.
    std::vector<int> EditedPositions() const;
    void ReadDesign(int k, TDOList& topmostFirst);
    void WriteDesign(int k, const TDOList& topmostFirst);

    TWizardMode FKind;
    std::unique_ptr<TWizardBase> FInfo;
    TWizardInfo* FWizard = nullptr;
    TOsoroiInfo* FOsoroi = nullptr;
    std::unique_ptr<TLabelData> FDocument;
    int FStep = 0;
    QString FResultFile;

    QStackedWidget* FPages = nullptr;
    QPushButton* FBack = nullptr;
    QPushButton* FNext = nullptr;
    QPushButton* FFinish = nullptr;
    QPushButton* FCancel = nullptr;

    // genre
    QButtonGroup* FGenreButtons = nullptr;
    // paper
    QLabel* FSubGenreLabel = nullptr;
    QComboBox* FSubGenre = nullptr;
    QComboBox* FSize = nullptr;
    QComboBox* FMaker = nullptr;
    QTreeWidget* FPaperList = nullptr;
    QRadioButton* FLandscape = nullptr;
    QRadioButton* FPortrait = nullptr;
    QRadioButton* FShared = nullptr;
    QRadioButton* FSeparate = nullptr;
    TPaperSite* FPaperPicture = nullptr;
    QLabel* FPaperSummary = nullptr;
    std::vector<int> FCandidates;
    std::vector<int> FShown;
    QString FChosenPaperName;
    std::unique_ptr<TPaperInfo> FPaperCopy; // shown on the paper page's picture
    // design
    TPaperSite* FDesignSheet = nullptr;
    QLabel* FFaceInfo = nullptr;
    QLabel* FDesignSummary = nullptr;
    QLabel* FNoDesign = nullptr;
    QListWidget* FDesignList = nullptr;
    QComboBox* FThumbSize = nullptr;
    std::unique_ptr<TPaperInfo> FDesignPaper;
    TTemplateList FTemplates;
    std::vector<int> FPendingThumbs;
    int FDesignPosition = 0;
    // photo
    QLabel* FPhotoPicture = nullptr;
    QPushButton* FPhotoButton = nullptr;
    std::vector<TLogRect> FPhotoRects;
    // input
    QScrollArea* FInputArea = nullptr;
    QLabel* FNoInput = nullptr;
    std::vector<std::pair<QString, QWidget*>> FInputs;
    // finish
    QLabel* FSheetPicture = nullptr;
};

// Runs a wizard as the main window does: onResult gets the saved result file while
// it still exists (it is removed when the dialog closes). Returns the dialog's
// result (QDialog::Accepted or Rejected); notAvailable is set when the data file
// was missing (nothing was shown).
int RunWizard(TWizardMode kind, TVelmoPapers* papers, const QString& dataFile, QWidget* parent,
              const std::function<void(const QString& resultFile)>& onResult, bool* notAvailable = nullptr,
              const std::function<void(TfrmWizard&)>& prepare = {});

} // namespace velmo
