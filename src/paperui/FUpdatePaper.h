#pragma once
// "用紙情報の自動更新": fetches the update index, then the newer catalogue, and merges
// it into the application's catalogue; and the small dialog that edits the index's
// address.
#include <QDialog>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;

namespace velmo {

class TVelmoPapers;
class TPPRDownload;
class TfrmUpdateURL;

class TfrmUpdatePaper : public QDialog
{
    Q_OBJECT
public:
    enum TPage
    {
        pgQueryConnect,
        pgDisableConnect,
        pgNoAddress,
        pgConnectionFailure,
        pgConnecting,
        pgQueryUpdate,
        pgDownLoading,
        pgMerging,
        pgFinish
    };

    TfrmUpdatePaper(TVelmoPapers& papers, QWidget* parent = nullptr);
    ~TfrmUpdatePaper() override;

    TPage Page() const { return FPage; }
    QPushButton* ActionButton() const { return FAction; }
    // The address box of the page shown while no address is set.
    QLineEdit* AddressEdit() const { return FAddress; }
    // "URLの変更..." of the failure page.
    QPushButton* ChangeAddressButton() const { return FChangeAddress; }
    // Runs the address dialog in place of exec (tests): true for OK.
    std::function<bool(TfrmUpdateURL& dialog)> AddressDialogHook;
    QPushButton* CancelButton() const { return FCancel; }
    // The texts the current page shows, top to bottom (for the tests and the tool).
    QStringList PageTexts() const;
    // Asked when the abort button is pressed during a transfer; true aborts. The
    // default asks "中断しますか？" with OK and Cancel.
    std::function<bool()> ConfirmAbort;

    void reject() override;

private:
    void ShowPage(TPage page);
    void ShowCurrent();
    void Connect();
    void Update();
    void AbortTransfer();
    void Progress();

    TVelmoPapers& FPapers;
    std::unique_ptr<TPPRDownload> FDownload;
    TPage FPage = pgQueryConnect;
    bool FBusy = false;
    QLabel* FCurrentNumber;
    QLabel* FCurrentDate;
    QStackedWidget* FPages;
    QLabel* FLatestNumber;
    QLabel* FLatestDate;
    QLabel* FQueryUpdate;
    QLabel* FCounter;
    QLabel* FStatus;
    QProgressBar* FDownloadBar;
    QProgressBar* FMergeBar;
    QLabel* FFinishText;
    QLabel* FFailureDetail;
    QPushButton* FAction;
    QPushButton* FCancel;
    QPushButton* FChangeAddress = nullptr;
    QLineEdit* FAddress = nullptr;
};

// An address the update can use: an http or https URL with a host.
bool IsUpdateAddress(const QString& text);

// "用紙情報アップデートファイルのURLの変更": shows "PPRUpdaterURL" and writes it on OK.
class TfrmUpdateURL : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmUpdateURL(QWidget* parent = nullptr);
    QLineEdit* Edit() const { return FEdit; }
    void accept() override;

private:
    QLineEdit* FEdit;
};

// The two commands of the main window.
void ExecuteUpdatePaper(TVelmoPapers& papers, QWidget* parent = nullptr);
void ExecuteUpdateURL(QWidget* parent = nullptr);

} // namespace velmo
