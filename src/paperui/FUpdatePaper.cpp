#include "paperui/FUpdatePaper.h"
#include "base/USettings.h"
#include "paper/UPaperRecords.h"
#include "paper/UPaperUpdate.h"
#include "paper/UVelmoPapers.h"
#include <QCoreApplication>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace velmo {
namespace {

QLabel* Text(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QWidget* SimplePage(const QStringList& lines, QWidget* parent, QLabel** last = nullptr)
{
    auto* page = new QWidget(parent);
    auto* layout = new QVBoxLayout(page);
    QLabel* label = nullptr;
    for (const QString& line : lines) {
        label = Text(line, page);
        layout->addWidget(label);
    }
    layout->addStretch();
    if (last)
        *last = label;
    return page;
}

QString UpdaterUrl()
{
    return ReadSettingString(QStringLiteral("PPRUpdaterURL"), DefaultUpdateIndexUrl()).trimmed();
}

} // namespace

bool IsUpdateAddress(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    return url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https") && !url.host().isEmpty();
}

TfrmUpdatePaper::TfrmUpdatePaper(TVelmoPapers& papers, QWidget* parent)
    : QDialog(parent), FPapers(papers), FDownload(std::make_unique<TPPRDownload>())
{
    setObjectName(QStringLiteral("frmUpdatePaper"));
    setWindowTitle(QStringLiteral("用紙情報の自動更新"));
    auto* layout = new QVBoxLayout(this);

    FCurrentNumber = Text(QString(), this);
    FCurrentDate = Text(QString(), this);
    layout->addWidget(FCurrentNumber);
    layout->addWidget(FCurrentDate);
    ShowCurrent();

    FPages = new QStackedWidget(this);
    FPages->setMinimumSize(380, 150);
    layout->addWidget(FPages, 1);

    FPages->addWidget(SimplePage({QStringLiteral("インターネットに接続してよろしいですか？")}, FPages));
    FPages->addWidget(
        SimplePage({QStringLiteral("現在の環境では、インターネットに接続できません。")}, FPages));
    {
        // The address is entered here (and kept) rather than in a menu entry the
        // user may not have.
        auto* page = SimplePage({QStringLiteral("更新情報の取得先が設定されていません。"),
                                 QStringLiteral("用紙情報の提供元から知らされたアドレス (URL) を入力して、"
                                                "「接続」を押してください。")},
                                FPages);
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(QStringLiteral("URL:"), page));
        FAddress = new QLineEdit(page);
        FAddress->setObjectName(QStringLiteral("edtUpdateUrl"));
        FAddress->setPlaceholderText(QStringLiteral("http://"));
        row->addWidget(FAddress, 1);
        static_cast<QVBoxLayout*>(page->layout())->insertLayout(2, row);
        connect(FAddress, &QLineEdit::textChanged, this, [this] {
            if (FPage == pgNoAddress)
                FAction->setEnabled(IsUpdateAddress(FAddress->text()));
        });
        FPages->addWidget(page);
    }
    {
        auto* page = SimplePage({QStringLiteral("アップデートファイルの取得に失敗しました")}, FPages);
        FFailureDetail = Text(QString(), page);
        FFailureDetail->setObjectName(QStringLiteral("FailureDetail"));
        static_cast<QVBoxLayout*>(page->layout())->insertWidget(1, FFailureDetail);
        FPages->addWidget(page);
    }
    FPages->addWidget(SimplePage({QStringLiteral("更新情報を取得中...")}, FPages));
    {
        auto* page = new QWidget(FPages);
        auto* l = new QVBoxLayout(page);
        FLatestNumber = Text(QString(), page);
        FLatestDate = Text(QString(), page);
        FQueryUpdate = Text(QString(), page);
        l->addWidget(FLatestNumber);
        l->addWidget(FLatestDate);
        l->addWidget(FQueryUpdate);
        l->addStretch();
        FPages->addWidget(page);
    }
    {
        auto* page = new QWidget(FPages);
        auto* l = new QVBoxLayout(page);
        l->addWidget(Text(QStringLiteral("インターネットに接続中..."), page));
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(QStringLiteral("ダウンロード状況："), page));
        FCounter = new QLabel(QStringLiteral("0/0"), page);
        // Room for the largest counts, so that the text never gets cut while it grows.
        FCounter->setMinimumWidth(
            FCounter->fontMetrics().horizontalAdvance(QStringLiteral("0000000000/0000000000")));
        row->addWidget(FCounter);
        row->addStretch();
        l->addLayout(row);
        FDownloadBar = new QProgressBar(page);
        FDownloadBar->setRange(0, 100);
        l->addWidget(FDownloadBar);
        FStatus = Text(QString(), page);
        l->addWidget(FStatus);
        l->addStretch();
        FPages->addWidget(page);
    }
    {
        auto* page = new QWidget(FPages);
        auto* l = new QVBoxLayout(page);
        l->addWidget(Text(QStringLiteral("用紙情報更新中..."), page));
        FMergeBar = new QProgressBar(page);
        l->addWidget(FMergeBar);
        l->addStretch();
        FPages->addWidget(page);
    }
    FPages->addWidget(SimplePage({QStringLiteral("更新の途中でエラーが発生しました")}, FPages, &FFinishText));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    FAction = new QPushButton(QStringLiteral("接続"), this);
    FAction->setDefault(true);
    FCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    buttons->addWidget(FAction);
    buttons->addWidget(FCancel);
    layout->addLayout(buttons);

    connect(FAction, &QPushButton::clicked, this, [this] {
        if (FPage == pgQueryUpdate) {
            Update();
        } else {
            if (FPage == pgNoAddress) {
                if (!IsUpdateAddress(FAddress->text()))
                    return;
                WriteSettingString(QStringLiteral("PPRUpdaterURL"), FAddress->text().trimmed());
            }
            Connect();
        }
    });
    // A wrong address is mended where it failed.
    FChangeAddress = new QPushButton(QStringLiteral("URLの変更..."), this);
    FChangeAddress->setObjectName(QStringLiteral("btnChangeUrl"));
    buttons->insertWidget(1, FChangeAddress);
    connect(FChangeAddress, &QPushButton::clicked, this, [this] {
        TfrmUpdateURL dialog(this);
        if (AddressDialogHook ? AddressDialogHook(dialog) : dialog.exec() == QDialog::Accepted)
            ShowPage(UpdaterUrl().isEmpty() ? pgNoAddress : pgQueryConnect);
    });
    connect(FCancel, &QPushButton::clicked, this, [this] {
        if (FBusy)
            AbortTransfer();
        else
            QDialog::reject();
    });

    ConfirmAbort = [this] {
        return QMessageBox::question(this, windowTitle(), QStringLiteral("中断しますか？"),
                                     QMessageBox::Ok | QMessageBox::Cancel,
                                     QMessageBox::Cancel) == QMessageBox::Ok;
    };

    FDownload->SetAgent(QFileInfo(QCoreApplication::applicationFilePath()).baseName());
    FDownload->OnConnect = [this] { FStatus->setText(QStringLiteral("接続開始")); };
    FDownload->OnPacket = [this] {
        FStatus->setText(QStringLiteral("受信中..."));
        Progress();
    };
    FDownload->OnSuccess = [this] { FStatus->setText(QStringLiteral("受信終了")); };

    if (!THTTPDownload::NetworkAvailable())
        ShowPage(pgDisableConnect);
    else if (UpdaterUrl().isEmpty())
        ShowPage(pgNoAddress);
    else
        ShowPage(pgQueryConnect);
}

TfrmUpdatePaper::~TfrmUpdatePaper()
{
    FDownload->Abort();
    FDownload->Cleanup();
}

void TfrmUpdatePaper::ShowCurrent()
{
    const TPaperUpdate& info = FPapers.UpdateInfo();
    FCurrentNumber->setText(QStringLiteral("現在のパターン番号：%1").arg(UpdateNumberText(info.PPRNo())));
    FCurrentDate->setText(QStringLiteral("最終更新日：%1").arg(UpdateDateText(info.LastUpdate())));
}

void TfrmUpdatePaper::ShowPage(TPage page)
{
    FPage = page;
    FPages->setCurrentIndex(int(page));
    FBusy = page == pgConnecting || page == pgDownLoading;
    FCancel->setText(FBusy ? QStringLiteral("中止")
                           : (page == pgFinish ? QStringLiteral("閉じる") : QStringLiteral("キャンセル")));
    FCancel->setEnabled(page != pgMerging);
    FChangeAddress->setVisible(page == pgConnectionFailure);
    switch (page) {
    case pgNoAddress:
        FAction->setText(QStringLiteral("接続"));
        FAction->setEnabled(IsUpdateAddress(FAddress->text()));
        FAddress->setFocus();
        break;
    case pgQueryConnect:
        FAction->setText(QStringLiteral("接続"));
        FAction->setEnabled(true);
        break;
    case pgConnectionFailure:
        FAction->setText(QStringLiteral("再接続"));
        FAction->setEnabled(true);
        break;
    case pgQueryUpdate:
        FAction->setText(QStringLiteral("更新"));
        break;
    default:
        FAction->setEnabled(false);
        break;
    }
}

QStringList TfrmUpdatePaper::PageTexts() const
{
    QStringList texts;
    const QList<QLabel*> labels = FPages->currentWidget()->findChildren<QLabel*>();
    for (QLabel* label : labels)
        if (!label->isHidden() && !label->text().isEmpty())
            texts.append(label->text());
    return texts;
}

void TfrmUpdatePaper::Connect()
{
    FDownload->SetPort(80);
    const QString proxy = ReadSettingString(QStringLiteral("PPRUpdaterProxy"), QString()).trimmed();
    FDownload->SetProxy(proxy,
                        proxy.isEmpty() ? 80 : ReadSettingInteger(QStringLiteral("PPRUpdaterProxyPort"), 80));
    const QString url = UpdaterUrl();
    if (url.isEmpty()) {
        ShowPage(pgNoAddress);
        return;
    }
    FDownload->SetIndexUrl(url);
    ShowPage(pgConnecting);
    const bool ok = FDownload->ReadIndex();
    if (!ok) {
        FFailureDetail->setText(FDownload->Aborted() ? QString() : FDownload->ErrorText());
        ShowPage(pgConnectionFailure);
        return;
    }
    const TUpdateIndex& index = FDownload->Index();
    const bool news = index.Version != 0 && index.Date != 0;
    FLatestNumber->setText(QStringLiteral("最新のパターン番号：%1").arg(UpdateNumberText(index.Version)));
    FLatestDate->setText(QStringLiteral("最新のファイル日付：%1").arg(UpdateDateText(index.Date)));
    FLatestNumber->setVisible(news);
    FLatestDate->setVisible(news);
    FQueryUpdate->setText(news ? QStringLiteral("更新しますか？")
                               : QStringLiteral("新しい更新情報はありません"));
    ShowPage(pgQueryUpdate);
    FAction->setEnabled(news);
    if (!news)
        FDownload->Cleanup();
}

void TfrmUpdatePaper::Progress()
{
    FCounter->setText(QStringLiteral("%1/%2").arg(FDownload->Received()).arg(FDownload->Expected()));
    FDownloadBar->setValue(std::min(100, FDownload->Percent()));
}

void TfrmUpdatePaper::Update()
{
    FCounter->setText(QStringLiteral("0/0"));
    FDownloadBar->setValue(0);
    FStatus->clear();
    ShowPage(pgDownLoading);
    if (!FDownload->DownloadCatalogue()) {
        FFailureDetail->setText(FDownload->Aborted() ? QString() : FDownload->ErrorText());
        ShowPage(pgConnectionFailure);
        return;
    }
    Progress();
    ShowPage(pgMerging);
    FFinishText->setText(QStringLiteral("更新の途中でエラーが発生しました"));
    try {
        MergeDownloadedCatalogue(FPapers, FDownload->CatalogueFile(), [this](int position, int total) {
            FMergeBar->setRange(0, std::max(1, total));
            FMergeBar->setValue(position);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
        FFinishText->setText(QStringLiteral("更新処理を終了しました"));
    } catch (const std::exception& e) {
        FFinishText->setText(
            QStringLiteral("更新の途中でエラーが発生しました\n%1").arg(QString::fromUtf8(e.what())));
    }
    FDownload->Cleanup();
    ShowCurrent();
    ShowPage(pgFinish);
}

void TfrmUpdatePaper::AbortTransfer()
{
    if (FBusy && ConfirmAbort && ConfirmAbort() && FBusy)
        FDownload->Abort();
}

void TfrmUpdatePaper::reject()
{
    // Escape or the window's close button during a transfer asks like the abort button.
    if (FBusy) {
        AbortTransfer();
        return;
    }
    if (FPage == pgMerging)
        return;
    QDialog::reject();
}

// ---------------------------------------------------------------------------------

TfrmUpdateURL::TfrmUpdateURL(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmUpdateURL"));
    setWindowTitle(QStringLiteral("用紙情報アップデートファイルのURLの変更"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    FEdit = new QLineEdit(UpdaterUrl(), this);
    FEdit->setMinimumWidth(FEdit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 64);
    FEdit->setPlaceholderText(QStringLiteral("http://…") + DefaultUpdateIndexPath());
    form->addRow(QStringLiteral("URL:"), FEdit);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmUpdateURL::accept()
{
    WriteSettingString(QStringLiteral("PPRUpdaterURL"), FEdit->text().trimmed());
    QDialog::accept();
}

void ExecuteUpdatePaper(TVelmoPapers& papers, QWidget* parent)
{
    TfrmUpdatePaper dialog(papers, parent);
    dialog.exec();
}

void ExecuteUpdateURL(QWidget* parent)
{
    TfrmUpdateURL dialog(parent);
    dialog.exec();
}

} // namespace velmo
