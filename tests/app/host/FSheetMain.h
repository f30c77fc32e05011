#pragma once
// The test host's sheet harness (velmo-test-host --sheet FILE.lbd): a work file
// opened straight into the sheet view, with a plain editing window over a draw site
// for one label, for the window tests of the sheet view and the label objects.
#include "app/FMain.h"
#include <QDialog>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QListWidget;
class QScrollArea;

namespace velmo {

class TLayoutAids;

class TDOList;
class TDrawSite;
class TLabelData;
class TPaperInfo;
class TVelmoPapers;
class TfrmSheet;

// Choosing another paper for the current sheet: the catalogue's papers with the
// summary of the one selected. OK asks the paper-change question first (through
// confirm); a No keeps the dialog open.
class TfrmPaperChange : public QDialog
{
public:
    TfrmPaperChange(const TVelmoPapers& papers, const QString& currentName, bool separatelyDesign,
                    std::function<bool(const TPaperInfo&)> confirm, QWidget* parent = nullptr);
    // The selected paper (owned by the catalogue), or nullptr.
    TPaperInfo* SelectedPaper() const;
    bool SeparatelyDesign() const;
    QStringList SummaryLines() const;
    void Select(int index);
    void accept() override;

private:
    void ShowSummary();
    const TVelmoPapers& FPapers;
    std::function<bool(const TPaperInfo&)> FConfirm;
    QListWidget* FList = nullptr;
    QLabel* FSummary = nullptr;
    QCheckBox* FSeparately = nullptr;
};

// Edits one label's design on a draw site: objects are moved, resized and rotated
// with the mouse; closing writes the design back to the document.
class TfrmLabelEdit : public QDialog
{
public:
    TfrmLabelEdit(TLabelData& document, int position, QWidget* parent = nullptr);
    ~TfrmLabelEdit() override;
    TDrawSite* Site() const { return FSite; }
    int Position() const { return FPosition; }
    TLayoutAids* Aids() const { return FAids; }
    // Writes the site's objects (the printed images left out) as the label's design.
    void WriteBack();

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FitScale();
    void FitBackgrounds();
    // The paper's printed images and the label's design onto the site.
    void LoadObjects();

public:
    // "ラベルテンプレートの呼び出し(&T)...": true when a template replaced the design.
    bool CallTemplate();

private:
    TLabelData& FDocument;
    int FPosition;
    TDrawSite* FSite = nullptr;
    QWidget* FHolder = nullptr;
    QScrollArea* FScroll = nullptr;
    TLayoutAids* FAids = nullptr;
};

class TfrmSheetMain : public TfrmMain
{
public:
    explicit TfrmSheetMain(const QString& fileName, QWidget* parent = nullptr);
    ~TfrmSheetMain() override;

    bool OpenDocument(const QString& fileName) override;
    TfrmSheet* SheetView() const { return FSheet; }
    TLabelData* Document() const { return FDocument.get(); }
    bool Save();
    void OpenLayout(int position);
    // The print command: the print dialog for the current sheet, then the run.
    bool Print();
    // Called with the printing window while a run goes on (test hooks).
    std::function<void(class TfrmPrinting&)> OnPrintingWindow;
    // Called for each printed face after the merge and numbering fill (test hooks).
    std::function<void(TDOList& objects, int counter)> PrintFaceHook;
    // Shows the paper choice for the current sheet and takes the paper chosen.
    void ChangePaper();
    // The application's catalogue (set by whoever makes the window).
    std::function<TVelmoPapers*()> Catalogue;

private:
    QString FFileName;
    std::unique_ptr<TLabelData> FDocument;
    TfrmSheet* FSheet = nullptr;
};

} // namespace velmo
