#pragma once
// The record browser "CSVデータの一覧" over the merge database, and its jump, find
// and sort dialog.
#include <QDialog>
#include <functional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTabWidget;
class QTableView;
class QProgressBar;

namespace velmo {

class TCsvDB;
class TCsvTableModel;
class TLabelData;

// One dialog, three pages: jump, find, sort.
class TfrmCsvJump : public QDialog
{
public:
    enum TPage
    {
        pgJump = 0,
        pgFind = 1,
        pgSort = 2
    };
    TfrmCsvJump(TCsvDB& db, int current, int selectedField, QWidget* parent = nullptr);
    void SetPage(TPage page);
    // The page shown (the one OK acts on).
    TPage Page() const;
    // The record number to go to after OK (jump and find), -1 for none.
    int Result() const { return FResult; }
    void accept() override;

private:
    bool DoJump();
    bool DoFind();
    bool DoSort();

    TCsvDB& FDB;
    int FCurrent;
    int FSelectedField;
    int FResult = -1;
    QTabWidget* FTabs;
    QSpinBox* FNumber;
    QLineEdit* FFindText;
    QRadioButton* FFindField;
    QRadioButton* FFindAll;
    QRadioButton* FTowardsFirst;
    QRadioButton* FTowardsLast;
    QProgressBar* FProgress;
    QComboBox* FSortField;
    QRadioButton* FAscending;
    QRadioButton* FDescending;
};

class TfrmCsvBrowser : public QDialog
{
public:
    TfrmCsvBrowser(TCsvDB& db, QWidget* parent = nullptr);
    ~TfrmCsvBrowser() override;
    int Current() const { return FCurrent; }
    void SetCurrent(int n);
    bool CardView() const;
    void SetCardView(bool card);
    // Called by OK: the owner refreshes its view of the document.
    std::function<void()> OnRefresh;
    void accept() override;
    void reject() override;
    // The field the jump, find and sort pages start with.
    int SelectedField() const;
    void ShowJumpDialog(TfrmCsvJump::TPage page);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateAll();
    void UpdateCard();
    void ToggleHeader(bool on);
    void FitColumns();
    QWidget* CurrentView() const;

    TCsvDB& FDB;
    int FCurrent = 0;
    std::vector<int> FRemembered;
    bool FRememberedHeader = false;
    QRadioButton* FCard;
    QRadioButton* FTable;
    QStackedWidget* FStack;
    QPlainTextEdit* FCardText;
    // The card line each field of the current record starts on.
    std::vector<int> FCardFieldLine;
    bool FFillingCard = false;
    // The field the caret or the grid's current cell is in.
    int FField = 0;
    QTableView* FGrid;
    TCsvTableModel* FModel;
    QCheckBox* FHeader;
    QPushButton* FFirst;
    QPushButton* FPrior;
    QPushButton* FNext;
    QPushButton* FLast;
    std::vector<QPushButton*> FRecordCommands; // 指定, 検索, ソート
    QLabel* FStatus;
};

// The browser command over db, the document's merge database: chooses merge data
// first when the document has none (Cancel ends it), then shows the browser.
// onRefresh runs after OK.
void ExecuteCsvBrowser(QWidget* parent, TLabelData& document, TCsvDB& db,
                       const std::function<void()>& onRefresh);
// "CSVファイルの選択": a file dialog; the chosen file is linked by name and opened in
// db (a message for a file that is missing or cannot be read). False on Cancel.
bool ChooseMergeData(QWidget* parent, TLabelData& document, TCsvDB& db);
// Tests replace the file dialog of ChooseMergeData: (parent, start) -> the chosen
// file, empty for Cancel. Empty: the file dialog.
void SetMergeFileChooser(std::function<QString(QWidget* parent, const QString& start)> chooser);

} // namespace velmo
