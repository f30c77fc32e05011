#pragma once
// The extended paper functions of the paper selection dialog: update information,
// all papers to system papers, group view, purposes and their check, paper order,
// bulk delete and rename, renumbering and the list file. Each dialog works on the
// application's catalogue; the caller rebuilds its lists afterwards.
#include "paper/UPaperMaintenance.h"
#include <QDialog>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace velmo {

class TVelmoPapers;

// Turns the process-wide extended paper mode on or off and returns the new state;
// the main window's "用紙選択機能の拡張" calls this (and shows it checked while on).
bool ToggleExtendedPaperMode();
// Whether the mode is on, whichever of the two process-wide switches turned it on
// (the picture dialog keeps its own for its wizard box).
bool PaperExtendedModeOn();

// Messages and questions of the maintenance dialogs (tests answer them): true for
// Yes/OK.
using TMaintenanceAsk = std::function<bool(QWidget* parent, const QString& text, bool question)>;
TMaintenanceAsk DefaultMaintenanceAsk();

// "用紙の更新情報": pattern number and last update time.
class TfrmPaperUpdateInfo : public QDialog
{
public:
    TfrmPaperUpdateInfo(TVelmoPapers& papers, QWidget* parent = nullptr);
    QLineEdit* NumberBox() const { return FNumber; }
    QLineEdit* TimeBox() const { return FTime; }
    TMaintenanceAsk Ask = DefaultMaintenanceAsk();
    void accept() override;

private:
    TVelmoPapers& FPapers;
    QLineEdit* FNumber = nullptr;
    QLineEdit* FTime = nullptr;
};

// The three bulk dialogs share one window: a group box, the group's papers in a
// multi-selection list with their count, and the action.
class TfrmBulkPapers : public QDialog
{
public:
    enum class TKind
    {
        Delete,
        Rename,
        Regroup,
    };
    TfrmBulkPapers(TVelmoPapers& papers, TKind kind, QWidget* parent = nullptr);

    QComboBox* GroupBox() const { return FGroup; }
    QListWidget* List() const { return FList; }
    QLabel* CountLabel() const { return FCount; }
    QRadioButton* ReplaceButton() const { return FReplace; }
    QLineEdit* FirstBox() const { return FFirst; }
    QLineEdit* SecondBox() const { return FSecond; }
    QLineEdit* NewGroupBox() const { return FNewGroup; }
    QPushButton* ActionButton() const { return FAction; }
    // Lists the papers of the chosen group (the last entry: every paper).
    void ListPapers();
    // Runs the action on the selected papers; returns how many changed.
    int Execute();
    TMaintenanceAsk Ask = DefaultMaintenanceAsk();
    // Run after each action (the selection dialog rebuilds its list).
    std::function<void()> OnChanged;

private:
    TVelmoPapers& FPapers;
    TKind FKind;
    QList<int> FPositions;
    QComboBox* FGroup = nullptr;
    QListWidget* FList = nullptr;
    QLabel* FCount = nullptr;
    QRadioButton* FHeaderFooter = nullptr;
    QRadioButton* FReplace = nullptr;
    QLabel* FFirstLabel = nullptr;
    QLabel* FSecondLabel = nullptr;
    QLineEdit* FFirst = nullptr;
    QLineEdit* FSecond = nullptr;
    QLineEdit* FNewGroup = nullptr;
    QPushButton* FAction = nullptr;
};

// "用紙ファイル名のリナンバー".
class TfrmRenumberPapers : public QDialog
{
public:
    TfrmRenumberPapers(TVelmoPapers& papers, QWidget* parent = nullptr);
    QLineEdit* StartBox() const { return FStart; }
    QListWidget* KeyList() const { return FKeys; }
    // Rewrites every paper afresh ("デフラグ").
    void Defragment();
    void accept() override;
    TMaintenanceAsk Ask = DefaultMaintenanceAsk();
    // The start number last confirmed in this run (empty before the first).
    static QString LastStart();

private:
    void FillKeys();
    TVelmoPapers& FPapers;
    QListWidget* FKeys = nullptr;
    QLabel* FCount = nullptr;
    QLineEdit* FStart = nullptr;
    QProgressBar* FProgress = nullptr;
};

// "使用用途IDのチェック": which purposes the papers use.
class TfrmPurposeCheck : public QDialog
{
public:
    TfrmPurposeCheck(const TVelmoPapers& papers, const TPurposeList& list, QWidget* parent = nullptr);
    ~TfrmPurposeCheck() override;
    void Check();
    void RemoveUnused();
    const TPurposeList& List() const { return *FList; }
    QPlainTextEdit* Report() const { return FReport; }
    QPushButton* RemoveButton() const { return FRemove; }

private:
    const TVelmoPapers& FPapers;
    std::unique_ptr<TPurposeList> FList;
    TPurposeCheck FResult;
    QPlainTextEdit* FReport = nullptr;
    QPushButton* FRemove = nullptr;
    QProgressBar* FProgress = nullptr;
};

// "用途IDの編集": a copy of the catalogue's purposes; OK replaces them.
class TfrmPurposeEditor : public QDialog
{
public:
    TfrmPurposeEditor(TVelmoPapers& papers, QWidget* parent = nullptr);
    ~TfrmPurposeEditor() override;
    const TPurposeList& List() const { return *FList; }
    QListWidget* Names() const { return FNames; }
    QLineEdit* NameBox() const { return FName; }
    QListWidget* Shapes() const { return FShapes; }
    void AddPurpose();
    void DeletePurpose();
    void MoveSelected(int step);
    // Opens the purpose check (tests replace it).
    std::function<void(TfrmPurposeCheck&)> CheckHook;
    void OpenCheck();
    void accept() override;
    TMaintenanceAsk Ask = DefaultMaintenanceAsk();

private:
    void FillNames(int select);
    void ShowSelected();
    void WriteSelected();
    TVelmoPapers& FPapers;
    std::unique_ptr<TPurposeList> FList;
    bool FFilling = false;
    QListWidget* FNames = nullptr;
    QLineEdit* FID = nullptr;
    QLineEdit* FName = nullptr;
    QListWidget* FShapes = nullptr;
};

// "文字列の編集" holding the paper names in catalogue order; OK gives the catalogue
// that order.
class TfrmPaperOrder : public QDialog
{
public:
    TfrmPaperOrder(TVelmoPapers& papers, QWidget* parent = nullptr);
    QPlainTextEdit* Text() const { return FText; }
    void accept() override;
    TMaintenanceAsk Ask = DefaultMaintenanceAsk();

private:
    TVelmoPapers& FPapers;
    QPlainTextEdit* FText = nullptr;
};

// "グループ編集": the papers' group names and a picture to look at; nothing is stored.
class TfrmGroupView : public QDialog
{
public:
    TfrmGroupView(const TVelmoPapers& papers, QWidget* parent = nullptr);
    QPlainTextEdit* Text() const { return FText; }
    bool ShowPicture(const QString& fileName);

private:
    QPlainTextEdit* FText = nullptr;
    QLabel* FPicture = nullptr;
};

// After "すべての用紙をシステム用紙にします" (Yes): every user paper becomes a system
// paper; returns how many changed (0 after No).
int ExecuteMakeSystemPapers(QWidget* parent, TVelmoPapers& papers, const TMaintenanceAsk& ask = {});

} // namespace velmo
