#include "app/FEnvironment.h"
#include "app/FAppForms.h"
#include "app/UAppFrame.h"
#include "app/UHistoryManager.h"
#include <QApplication>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velmo {

namespace {

bool GHintsShown = true;

// Swallows tool tips application-wide while hints are off.
class THintFilter : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ToolTip && !GHintsShown)
            return true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void ApplyShowHint(bool show)
{
    GHintsShown = show;
    static THintFilter* filter = nullptr;
    if (!filter && qApp) {
        filter = new THintFilter(qApp);
        qApp->installEventFilter(filter);
    }
}

bool HintsShown()
{
    return GHintsShown;
}

TfrmEnvironment::TfrmEnvironment(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmEnvironment"));
    setWindowTitle(QStringLiteral("環境設定"));
    auto* layout = new QVBoxLayout(this);

    auto* hints = new QGroupBox(QStringLiteral("ヒント表示"), this);
    auto* hl = new QVBoxLayout(hints);
    FShowHint = new QRadioButton(QStringLiteral("ヒントを表示する(&H)"), hints);
    FHideHint = new QRadioButton(QStringLiteral("ヒントを表示しない(&O)"), hints);
    hl->addWidget(FShowHint);
    hl->addWidget(FHideHint);
    (ReadSettingBool(QStringLiteral("DefaultShowHint"), true) ? FShowHint : FHideHint)->setChecked(true);
    layout->addWidget(hints);

    auto* printing = new QGroupBox(QStringLiteral("印刷方式"), this);
    auto* pl = new QVBoxLayout(printing);
    FBanded = new QRadioButton(QStringLiteral("標準印刷(&N)"), printing);
    FFast = new QRadioButton(QStringLiteral("高速印刷(&F)"), printing);
    pl->addWidget(FBanded);
    pl->addWidget(FFast);
    auto* note = new QLabel(QStringLiteral("高速印刷にすると、お使いのプリンタドライバによっては、\r\n"
                                           "イラストや装飾文字などが正しく印刷されないことがあります。")
                                .replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                            printing);
    pl->addWidget(note);
    (ReadSettingBool(QStringLiteral("Banding"), true) ? FBanded : FFast)->setChecked(true);
    layout->addWidget(printing);

    auto* path = new QGroupBox(QStringLiteral("プログラムパス"), this);
    auto* gl = new QVBoxLayout(path);
    FAutoPath = new QRadioButton(QStringLiteral("自動検索(&A)"), path);
    FGivenPath = new QRadioButton(QStringLiteral("指定(&S)"), path);
    gl->addWidget(FAutoPath);
    auto* row = new QHBoxLayout;
    row->addWidget(FGivenPath);
    FPath = new QLineEdit(path);
    FPath->setObjectName(QStringLiteral("edtPath"));
    row->addWidget(FPath, 1);
    FBrowse = new QPushButton(QStringLiteral("参照(&R)..."), path);
    row->addWidget(FBrowse);
    FHistory = new QPushButton(QStringLiteral("▼"), path);
    FHistory->setObjectName(QStringLiteral("btnPathHistory"));
    FHistory->setFixedWidth(28);
    FHistory->setToolTip(QStringLiteral("これまでに指定したパス"));
    row->addWidget(FHistory);
    gl->addLayout(row);
    layout->addWidget(path);

    FPathHistory = new THistoryManager(this);
    FPathHistory->SetRegistryKey(QStringLiteral("$(CDPathHistory)"));
    const QString cdPath = ReadSettingString(QStringLiteral("CDPath"), QString());
    FPath->setText(cdPath);
    (cdPath.isEmpty() ? FAutoPath : FGivenPath)->setChecked(true);
    FHistory->setEnabled(!FPathHistory->Items().isEmpty());
    connect(FAutoPath, &QRadioButton::toggled, this, [this] { PathModeChanged(); });
    connect(FBrowse, &QPushButton::clicked, this, [this] {
        // The chosen file's folder is the path: the user points at any file of the data.
        const QString file =
            QFileDialog::getOpenFileName(this, QStringLiteral("パスの選択"), FPath->text(), QString(),
                                         nullptr, QFileDialog::DontUseNativeDialog);
        if (!file.isEmpty())
            FPath->setText(QFileInfo(file).absolutePath());
    });
    connect(FHistory, &QPushButton::clicked, this, [this] {
        QMenu menu(this);
        menu.setObjectName(QStringLiteral("mnuPathHistory"));
        const QStringList entries = FPathHistory->Items();
        for (const QString& entry : entries)
            menu.addAction(entry, this, [this, entry] { FPath->setText(entry); });
        if (!entries.isEmpty()) {
            menu.addSeparator();
            menu.addAction(QStringLiteral("履歴の消去"), this,
                           [this] {
                               FPathHistory->Clear();
                               FHistory->setEnabled(false);
                           })
                ->setObjectName(QStringLiteral("actClearHistory"));
        }
        menu.exec(FHistory->mapToGlobal(QPoint(0, FHistory->height())));
    });
    PathModeChanged();

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);
    setMinimumWidth(440);
    // Placed over the main window by its real size.
    adjustSize();
    PrepareForm(this);
}

void TfrmEnvironment::PathModeChanged()
{
    const bool given = FGivenPath->isChecked();
    FPath->setVisible(given);
    FPath->setEnabled(given);
    FBrowse->setEnabled(given);
}

void TfrmEnvironment::Store()
{
    WriteSettingBool(QStringLiteral("Banding"), FBanded->isChecked());
    QString path;
    if (FGivenPath->isChecked()) {
        path = FPath->text().trimmed();
        if (!path.isEmpty())
            FPathHistory->Add(path);
    }
    WriteSettingString(QStringLiteral("CDPath"), path);
    WriteSettingBool(QStringLiteral("DefaultShowHint"), FShowHint->isChecked());
    ApplyShowHint(FShowHint->isChecked());
}

void TfrmEnvironment::accept()
{
    Store();
    QDialog::accept();
}

} // namespace velmo
