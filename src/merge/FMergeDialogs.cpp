#include "merge/FMergeDialogs.h"
#include "barcode/FBarCodeProperty.h"
#include "barcode/ULOBarCode.h"
#include "base/UDateTime.h"
#include "document/ULabelData.h"
#include "draw/FDrawSite.h"
#include "draw/UDOAction.h"
#include "merge/FCsvBrowser.h"
#include "merge/UCsvDB.h"
#include "merge/ULOInsertion.h"
#include "merge/UMergeSession.h"
#include "objects/ULabelObject.h"
#include "text/FTextDialog.h"
#include "text/UDateFormat.h"
#include "text/ULODate.h"
#include "ui/FPosition.h"
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <memory>

namespace velmo {

namespace {

std::function<int(QWidget&)>& Runner()
{
    static std::function<int(QWidget&)> runner;
    return runner;
}

int RunDialog(QDialog& dialog)
{
    return Runner() ? Runner()(dialog) : dialog.exec();
}

} // namespace

void SetMergeDialogRunner(std::function<int(QWidget&)> runner)
{
    Runner() = std::move(runner);
}

// ---------------------------------------------------------------------------------
// TfrmInsertionPanel

TfrmInsertionPanel::TfrmInsertionPanel(TCsvDB& db, QWidget* parent) : QWidget(parent), FDB(db)
{
    setObjectName(QStringLiteral("frmInsertion"));
    FTitle = new QLabel(QStringLiteral("差込み文字の設定"), this);
    QFont bold = FTitle->font();
    bold.setBold(true);
    FTitle->setFont(bold);
    FList = new QListWidget(this);
    FList->setObjectName(QStringLiteral("lbFields"));
    auto* fieldsLabel = new QLabel(QStringLiteral("差込み項目(&I)"), this);
    fieldsLabel->setBuddy(FList);
    FBar = new QScrollBar(Qt::Horizontal, this);
    FBar->setObjectName(QStringLiteral("sbRecord"));
    FBar->setPageStep(10);
    auto* recordLabel = new QLabel(QStringLiteral("参照レコード(&R)"), this);
    recordLabel->setBuddy(FBar);
    FRecordLabel = new QLabel(this);
    FRecordLabel->setMinimumWidth(90);
    FRecordLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FTitle);
    layout->addWidget(fieldsLabel);
    layout->addWidget(FList, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(recordLabel);
    row->addWidget(FBar, 1);
    row->addWidget(FRecordLabel);
    layout->addLayout(row);
    connect(FList, &QListWidget::currentRowChanged, this, [this] {
        if (OnChanged)
            OnChanged();
    });
    connect(FBar, &QScrollBar::valueChanged, this, [this] {
        const int keep = FList->currentRow();
        Fill();
        FList->setCurrentRow(keep);
        if (OnChanged)
            OnChanged();
    });
}

void TfrmInsertionPanel::Fill()
{
    TCsvDB& db = FDB;
    const QSignalBlocker blocker(FList);
    FList->clear();
    if (!db.Active()) {
        FRecordLabel->clear();
        return;
    }
    const QStringList names = db.FieldNames();
    const int fields = db.FieldCount();
    const int record = FBar->value();
    const TCSVStringList values =
        record >= 0 && record < db.Count() ? db.RecordCopy(record) : TCSVStringList();
    for (int i = 0; i < fields; ++i) {
        QString value = values.Get(i);
        value.replace(u'\n', u' ');
        FList->addItem(QStringLiteral("[%1]%2").arg(names.value(i), value));
    }
    FRecordLabel->setText(QStringLiteral("%1/%2件").arg(record + 1).arg(db.Count()));
}

void TfrmInsertionPanel::Load(int field, bool isNew)
{
    FTitle->setText(isNew ? QStringLiteral("差込み文字の追加") : QStringLiteral("差込み文字の設定"));
    TCsvDB& db = FDB;
    {
        const QSignalBlocker blocker(FBar);
        FBar->setRange(0, std::max(0, (db.Active() ? db.Count() : 0) - 1));
        FBar->setValue(0);
        FBar->setEnabled(db.Active() && db.Count() > 0);
    }
    Fill();
    const QSignalBlocker blocker(FList);
    FList->setCurrentRow(field >= 0 && field < FList->count() ? field : (FList->count() > 0 ? 0 : -1));
}

int TfrmInsertionPanel::Field() const
{
    return std::max(0, FList->currentRow());
}

int TfrmInsertionPanel::ReferenceRecord() const
{
    return FBar->value();
}

QString TfrmInsertionPanel::ReferenceValue() const
{
    TCsvDB& db = FDB;
    const int record = FBar->value();
    if (!db.Active() || record < 0 || record >= db.Count())
        return QString();
    return db.RecordCopy(record).Get(Field());
}

// ---------------------------------------------------------------------------------
// TfrmDatePage

TfrmDatePage::TfrmDatePage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmDate"));
    FFormats = new QListWidget(this);
    FFormats->setObjectName(QStringLiteral("lbFormat"));
    auto* formatLabel = new QLabel(QStringLiteral("書式(&F)"), this);
    formatLabel->setBuddy(FFormats);

    auto* calendar = new QCalendarWidget(this);
    calendar->setObjectName(QStringLiteral("calDate"));
    calendar->setNavigationBarVisible(false);
    calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendar->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    calendar->setFirstDayOfWeek(Qt::Sunday);
    FCalendar = calendar;
    auto* previous = new QPushButton(QStringLiteral("前月(&P)"), this);
    previous->setObjectName(QStringLiteral("btnPrevMonth"));
    auto* next = new QPushButton(QStringLiteral("次月(&N)"), this);
    next->setObjectName(QStringLiteral("btnNextMonth"));
    FYear = new QLabel(this);
    FMonth = new QLabel(this);
    QFont big = FYear->font();
    big.setPointSize(big.pointSize() + 3);
    big.setBold(true);
    FYear->setFont(big);
    FMonth->setFont(big);

    FHour = new QSpinBox(this);
    FHour->setRange(0, 23);
    FMinute = new QSpinBox(this);
    FMinute->setRange(0, 59);
    FUpdate = new QComboBox(this);
    FUpdate->addItems({QStringLiteral("更新しない"), QStringLiteral("開いたときに更新する"),
                       QStringLiteral("印刷時に更新する"), QStringLiteral("保存時に更新する")});

    auto* monthRow = new QHBoxLayout;
    monthRow->addWidget(previous);
    monthRow->addStretch(1);
    monthRow->addWidget(FYear);
    monthRow->addWidget(FMonth);
    monthRow->addStretch(1);
    monthRow->addWidget(next);
    auto* timeRow = new QHBoxLayout;
    auto* hourLabel = new QLabel(QStringLiteral("時(&H)"), this);
    hourLabel->setBuddy(FHour);
    auto* minuteLabel = new QLabel(QStringLiteral("分(&M)"), this);
    minuteLabel->setBuddy(FMinute);
    timeRow->addWidget(hourLabel);
    timeRow->addWidget(FHour);
    timeRow->addWidget(minuteLabel);
    timeRow->addWidget(FMinute);
    timeRow->addStretch(1);
    auto* updateLabel = new QLabel(QStringLiteral("更新方法(&U)"), this);
    updateLabel->setBuddy(FUpdate);
    timeRow->addWidget(updateLabel);
    timeRow->addWidget(FUpdate);

    auto* left = new QVBoxLayout;
    left->addWidget(formatLabel);
    left->addWidget(FFormats, 1);
    auto* right = new QVBoxLayout;
    right->addLayout(monthRow);
    right->addWidget(calendar, 1);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(timeRow);

    connect(previous, &QPushButton::clicked, this, [this] { StepMonth(-1); });
    connect(next, &QPushButton::clicked, this, [this] { StepMonth(1); });
    connect(calendar, &QCalendarWidget::clicked, this, [this](const QDate& day) { ChooseDay(day.day()); });
    connect(calendar, &QCalendarWidget::activated, this, [this](const QDate& day) { ChooseDay(day.day()); });
    for (QSpinBox* box : {FHour, FMinute})
        connect(box, &QSpinBox::valueChanged, this, [this] { Refresh(); });
    connect(FFormats, &QListWidget::currentRowChanged, this, [this] {
        if (OnChanged)
            OnChanged();
    });
}

void TfrmDatePage::Load(const TLODate& date)
{
    QDateTime when = DayCountToDateTime(date.Date());
    if (!when.isValid())
        when = QDateTime::currentDateTime();
    FDay = when.date();
    {
        const QSignalBlocker h(FHour), m(FMinute);
        FHour->setValue(when.time().hour());
        FMinute->setValue(when.time().minute());
    }
    FUpdate->setCurrentIndex(std::clamp(int(date.UpdateFlag()), 0, 3));
    Refresh();
    const int index = int(DateFormatList().indexOf(date.Format()));
    FFormats->setCurrentRow(index >= 0 ? index : 0);
}

double TfrmDatePage::ChosenDayCount() const
{
    return DateTimeToDayCount(QDateTime(FDay, QTime(FHour->value(), FMinute->value(), 0)));
}

QString TfrmDatePage::ChosenFormat() const
{
    const int row = std::max(0, FFormats->currentRow());
    return DateFormatList().value(row);
}

void TfrmDatePage::ApplyTo(TLODate& date) const
{
    date.SetDateValue(ChosenDayCount());
    date.SetFormat(ChosenFormat());
    date.SetUpdateFlag(TDateUpdateFlag(FUpdate->currentIndex()));
}

void TfrmDatePage::StepMonth(int months)
{
    // The day stays, limited to the new month's length (31 January -> 28/29 February).
    const QDate first = QDate(FDay.year(), FDay.month(), 1).addMonths(months);
    if (!first.isValid())
        return;
    FDay = QDate(first.year(), first.month(), std::min(FDay.day(), first.daysInMonth()));
    Refresh();
}

void TfrmDatePage::ChooseDay(int day)
{
    const QDate chosen(FDay.year(), FDay.month(), std::clamp(day, 1, FDay.daysInMonth()));
    if (chosen.isValid())
        FDay = chosen;
    Refresh();
}

void TfrmDatePage::Refresh()
{
    auto* calendar = static_cast<QCalendarWidget*>(FCalendar);
    {
        const QSignalBlocker blocker(calendar);
        calendar->setCurrentPage(FDay.year(), FDay.month());
        calendar->setSelectedDate(FDay);
    }
    FYear->setText(QStringLiteral("%1年").arg(FDay.year()));
    FMonth->setText(QStringLiteral("%1月").arg(FDay.month()));
    const double when = ChosenDayCount();
    const int row = FFormats->currentRow();
    const QSignalBlocker blocker(FFormats);
    FFormats->clear();
    for (const QString& format : DateFormatList())
        FFormats->addItem(FormatDayCount(format, when));
    FFormats->setCurrentRow(row);
    if (OnChanged)
        OnChanged();
}

// ---------------------------------------------------------------------------------
// TfrmNumberingPage

TfrmNumberingPage::TfrmNumberingPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmNumbering"));
    FTitle = new QLabel(QStringLiteral("ナンバリングの設定"), this);
    QFont bold = FTitle->font();
    bold.setBold(true);
    FTitle->setFont(bold);
    FStart = new QSpinBox(this);
    FStart->setRange(-99999999, 999999999);
    FStep = new QSpinBox(this);
    FStep->setRange(-99999, 999999);
    FPlaces = new QSpinBox(this);
    FPlaces->setRange(1, 10);
    FHeader = new QLineEdit(this);
    FFooter = new QLineEdit(this);
    FComma = new QCheckBox(QStringLiteral("カンマで区切る(&C)"), this);
    FSample = new QListWidget(this);
    FSample->setObjectName(QStringLiteral("lbSample"));
    FSample->setFocusPolicy(Qt::NoFocus);

    auto* counting = new QGroupBox(QStringLiteral("ナンバリング設定"), this);
    auto* countingForm = new QFormLayout(counting);
    countingForm->addRow(QStringLiteral("開始値(&D)"), FStart);
    countingForm->addRow(QStringLiteral("増分(&S)"), FStep);
    auto* options = new QGroupBox(QStringLiteral("オプション"), this);
    auto* optionsForm = new QFormLayout(options);
    optionsForm->addRow(QStringLiteral("固定する桁数(&L)"), FPlaces);
    optionsForm->addRow(QStringLiteral("先頭文字(&H)"), FHeader);
    optionsForm->addRow(QStringLiteral("末尾文字(&F)"), FFooter);
    optionsForm->addRow(FComma);
    auto* sample = new QGroupBox(QStringLiteral("サンプル"), this);
    auto* sampleLayout = new QVBoxLayout(sample);
    sampleLayout->addWidget(FSample);

    auto* leftColumn = new QVBoxLayout;
    leftColumn->addWidget(counting);
    leftColumn->addWidget(options);
    leftColumn->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(leftColumn, 3);
    columns->addWidget(sample, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FTitle);
    layout->addLayout(columns, 1);

    for (QSpinBox* box : {FStart, FStep, FPlaces})
        connect(box, &QSpinBox::valueChanged, this, [this] { Refresh(); });
    for (QLineEdit* edit : {FHeader, FFooter})
        connect(edit, &QLineEdit::textChanged, this, [this] { Refresh(); });
    connect(FComma, &QCheckBox::toggled, this, [this] { Refresh(); });
}

QStringList TfrmNumberingPage::Sample() const
{
    QStringList lines;
    for (int n = 0; n < 10; ++n)
        lines << NumberingText(FHeader->text(), FFooter->text(), FStart->value(), FStep->value(),
                               FPlaces->value(), FComma->isChecked(), n);
    return lines;
}

void TfrmNumberingPage::Refresh()
{
    FSample->clear();
    FSample->addItems(Sample());
    if (OnChanged)
        OnChanged();
}

void TfrmNumberingPage::Load(const TLONumbering& numbering, bool isNew)
{
    FTitle->setText(isNew ? QStringLiteral("ナンバリングの追加") : QStringLiteral("ナンバリングの設定"));
    FStart->setValue(numbering.StartNumber());
    FStep->setValue(numbering.StepCount());
    FPlaces->setValue(std::clamp(numbering.LockCount(), 1, 10));
    FHeader->setText(numbering.HeaderText());
    FFooter->setText(numbering.FooterText());
    FComma->setChecked(numbering.CommaEnable());
    Refresh();
}

void TfrmNumberingPage::ApplyTo(TLONumbering& numbering, int label) const
{
    numbering.SetLines({Sample().first()});
    numbering.SetStartNumber(FStart->value());
    numbering.SetStepCount(FStep->value());
    numbering.SetLockCount(FPlaces->value());
    numbering.SetHeaderText(FHeader->text());
    numbering.SetFooterText(FFooter->text());
    numbering.SetCommaEnable(FComma->isChecked());
    numbering.SetCurNumberValue(label);
}

// ---------------------------------------------------------------------------------
// The designer

namespace {

// The text dialog with its first page replaced; apply runs after OK, inside one
// "設定変更" step when the object is on a site.
bool RunTextDialog(TLOText& object, QWidget* page, const QString& caption, const QString& title,
                   const std::function<void(TfrmTextDialog&)>& prepare,
                   const std::function<void()>& applyFirst)
{
    TfrmTextDialog dialog(CurrentTextDialogEnvironment(), object.Site());
    dialog.LoadFrom(object, !object.OnSite());
    page->setParent(&dialog);
    dialog.ReplaceTextPage(page, caption);
    dialog.SetTitle(title);
    if (prepare)
        prepare(dialog);
    if (RunDialog(dialog) != QDialog::Accepted)
        return false;
    ApplySettingChange(object, [&] {
        applyFirst();
        dialog.ApplyTo(object);
        object.AutoSizeNow();
    });
    return true;
}

} // namespace

// The record the label being edited shows: what a merge object shows after OK.
QString TMergeDesigner::FieldOfCurrentRecord(int field)
{
    TCsvDB& db = FSession->Database();
    const int n = FSession->CurrentRecord();
    if (!db.Active() || n < 0 || n >= db.Count())
        return QString();
    return db.RecordCopy(n).Get(field);
}

// Merge data first when the document has none; false when the user cancelled.
bool TMergeDesigner::EnsureMergeData(QWidget* parent)
{
    TLabelData* document = FSession->Document();
    if (!document || !document->CSVFile().isEmpty())
        return true;
    const bool chosen =
        FChooser ? FChooser(parent) : ChooseMergeData(parent, *document, FSession->Database());
    return chosen && !document->CSVFile().isEmpty();
}

bool TMergeDesigner::EditDate(TLODate& date)
{
    auto* page = new TfrmDatePage;
    page->Load(date);
    return RunTextDialog(
        date, page, QStringLiteral("日付"), QStringLiteral("日付オブジェクトの設定"),
        [page](TfrmTextDialog& dialog) {
            dialog.HideLineSpacing();
            // The preview shows the chosen format on the chosen day and time.
            auto show = [page, &dialog] {
                dialog.SetPreviewLines({FormatDayCount(page->ChosenFormat(), page->ChosenDayCount())});
            };
            page->OnChanged = show;
            show();
        },
        [&] { page->ApplyTo(date); });
}

bool TMergeDesigner::EditNumbering(TLONumbering& numbering)
{
    auto* page = new TfrmNumberingPage;
    page->Load(numbering, !numbering.OnSite());
    const QString title =
        numbering.OnSite() ? QStringLiteral("ナンバリングの設定") : QStringLiteral("ナンバリングの追加");
    return RunTextDialog(
        numbering, page, QStringLiteral("ナンバリング"), title,
        [page](TfrmTextDialog& dialog) {
            auto show = [page, &dialog] { dialog.SetPreviewLines({page->Sample().first()}); };
            page->OnChanged = show;
            show();
        },
        [&] { page->ApplyTo(numbering, FSession->CurrentRecord()); });
}

bool TMergeDesigner::EditInsText(TLOInsText& text)
{
    if (!EnsureMergeData(text.Site()))
        return false;
    auto* panel = new TfrmInsertionPanel(FSession->Database());
    panel->Load(text.InsertionField(), !text.OnSite());
    auto preview = [panel](TfrmTextDialog& dialog) {
        auto show = [panel, &dialog] {
            const QString value = panel->ReferenceValue();
            dialog.SetPreviewLines((value.isEmpty() ? EmptyInsertionText() : value).split(u'\n'));
        };
        panel->OnChanged = show;
        show();
    };
    return RunTextDialog(text, panel, QStringLiteral("差込み文字"), panel->Title()->text(), preview, [&] {
        const int field = panel->Field();
        text.SetInsertionField(field);
        // What the label being edited will show.
        text.SetInsertionText(FieldOfCurrentRecord(field));
    });
}

// The merge barcode of either family (TLOInsBarCode, TLOInsZintBarCode); the dialog
// may turn one into the other.
bool TMergeDesigner::EditInsBarCode(TLOBarCode& code)
{
    auto* insertion = Supports<IDOInsertion>(&code);
    if (!insertion || !EnsureMergeData(code.Site()))
        return false;
    TfrmBarCodeProperty dialog(code.Site());
    dialog.LoadFrom(code);
    TCsvDB& db = FSession->Database();
    auto* panel = new TfrmInsertionPanel(db, &dialog);
    panel->Load(insertion->GetInsertionField(), !code.OnSite());
    panel->Title()->setText(code.OnSite() ? QStringLiteral("差込みバーコードの設定")
                                          : QStringLiteral("差込みバーコードの追加"));
    // The libzint symbologies may join a second field after the first (a Japan Post
    // code from the postcode and the address number).
    auto* second = new QComboBox(panel);
    second->setObjectName(QStringLiteral("cmbSecondField"));
    second->addItem(QStringLiteral("(なし)"), -1);
    {
        const QStringList names = db.Active() ? db.FieldNames() : QStringList();
        for (int i = 0; i < (db.Active() ? db.FieldCount() : 0); ++i)
            second->addItem(QStringLiteral("[%1]").arg(names.value(i, QString::number(i + 1))), i);
    }
    auto* secondZint = dynamic_cast<TLOInsZintBarCode*>(&code);
    second->setCurrentIndex(std::max(0, second->findData(secondZint ? secondZint->InsertionField2() : -1)));
    auto* secondRow = new QWidget(panel);
    auto* secondLayout = new QHBoxLayout(secondRow);
    secondLayout->setContentsMargins(0, 0, 0, 0);
    auto* secondLabel = new QLabel(QStringLiteral("続けて連結する項目(&2)"), secondRow);
    secondLabel->setBuddy(second);
    secondLayout->addWidget(secondLabel);
    secondLayout->addWidget(second, 1);
    if (auto* panelLayout = panel->layout())
        panelLayout->addWidget(secondRow);
    auto secondEnabled = [&dialog, secondRow] {
        secondRow->setEnabled(dialog.Kind() == TfrmBarCodeProperty::kZintKind);
    };
    secondEnabled();
    QObject::connect(dialog.SymbologyList(), &QComboBox::currentIndexChanged, secondRow, secondEnabled);
    for (QAbstractButton* button : dialog.findChildren<QRadioButton*>())
        QObject::connect(button, &QAbstractButton::toggled, secondRow, secondEnabled);

    dialog.setWindowTitle(panel->Title()->text());
    dialog.Pages()->insertTab(0, panel, QStringLiteral("差込み項目"));
    dialog.Pages()->setCurrentIndex(0);
    // The code box shows what the reference record makes.
    auto reference = [&dialog, &db, panel, second] {
        QString value = panel->ReferenceValue();
        const int field2 = second->currentData().toInt();
        if (field2 >= 0 && dialog.Kind() == TfrmBarCodeProperty::kZintKind) {
            const int record = panel->ReferenceRecord();
            if (db.Active() && record >= 0 && record < db.Count())
                value += db.RecordCopy(record).Get(field2);
        }
        dialog.Entry()->setText(value);
    };
    panel->OnChanged = reference;
    QObject::connect(second, &QComboBox::currentIndexChanged, panel, reference);
    if (code.JANCode().isEmpty())
        panel->OnChanged();
    if (RunDialog(dialog) != QDialog::Accepted)
        return false;
    const int field = panel->Field();
    const int field2 = second->currentData().toInt();
    const QString entry = dialog.Entry()->text();
    return ApplyBarCodeDialog(dialog, code, [this, &db, field, field2, entry](TLOBarCode& target) {
        auto* to = Supports<IDOInsertion>(&target);
        if (!to)
            return;
        to->SetInsertionField(field);
        // The code box (filled from the reference record) becomes the code here,
        // normalised like every merge value.
        if (auto* zint = dynamic_cast<TLOInsZintBarCode*>(&target)) {
            zint->SetInsertionField2(field2);
            zint->SetSecondInsertionText(QString());
            const QString first = FieldOfCurrentRecord(field);
            if (field2 >= 0)
                zint->SetSecondInsertionText(FieldOfCurrentRecord(field2));
            zint->SetInsertionText(db.Active() ? first : entry);
        } else {
            to->SetInsertionText(entry);
        }
    });
}

bool TMergeDesigner::EditInsImage(TLOInsImage& image)
{
    if (!EnsureMergeData(image.Site()))
        return false;
    QDialog dialog(image.Site());
    const bool isNew = !image.OnSite();
    dialog.setWindowTitle(isNew ? QStringLiteral("差込みイラストの追加")
                                : QStringLiteral("差込みイラストの設定"));
    auto* tabs = new QTabWidget(&dialog);
    auto* panel = new TfrmInsertionPanel(FSession->Database(), &dialog);
    panel->Load(image.InsertionField(), isNew);
    panel->Title()->setText(dialog.windowTitle());
    tabs->addTab(panel, QStringLiteral("差込み項目"));
    auto* position = new TfrmPosition(&dialog);
    TPositionRecord record;
    record.Angle = image.Angle();
    record.Lock = !image.Movable();
    record.DontPrint = image.DontPrint();
    record.Left = image.BaseRect().Left;
    record.Top = image.BaseRect().Top;
    record.Width = image.BaseRect().Width();
    record.Height = image.BaseRect().Height();
    position->SetRecord(record);
    auto* positionPage = new QWidget(&dialog);
    auto* positionLayout = new QVBoxLayout(positionPage);
    positionLayout->addWidget(position);
    positionLayout->addStretch(1);
    tabs->addTab(positionPage, QStringLiteral("位置"));
    auto* hint = new QLabel(QStringLiteral("項目の値を画像ファイル名として読み込みます。"
                                           "相対パスはCSVファイルのフォルダーから探します。"),
                            &dialog);
    hint->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(tabs, 1);
    layout->addWidget(hint);
    layout->addWidget(buttons);
    dialog.resize(520, 420);
    if (RunDialog(dialog) != QDialog::Accepted)
        return false;
    ApplySettingChange(image, [&] {
        const TPositionRecord r = position->Record();
        image.SetAngleValue(r.Angle);
        image.SetMovable(!r.Lock);
        image.SetDontPrint(r.DontPrint);
        image.SetPropLeft(r.Left);
        image.SetPropTop(r.Top);
        image.SetPropWidth(r.Width);
        image.SetPropHeight(r.Height);
        const int field = panel->Field();
        image.SetInsertionField(field);
        TCsvDB& db = FSession->Database();
        if (db.Active() && FSession->CurrentRecord() < db.Count())
            image.SetInsertionTextFrom(FieldOfCurrentRecord(field), db.MergeFolder());
    });
    return true;
}

bool TMergeDesigner::EditObject(TLabelObject* object, bool& cancelled)
{
    if (auto* date = dynamic_cast<TLODate*>(object)) {
        cancelled = !EditDate(*date);
        return true;
    }
    if (auto* numbering = dynamic_cast<TLONumbering*>(object)) {
        cancelled = !EditNumbering(*numbering);
        return true;
    }
    if (auto* text = dynamic_cast<TLOInsText*>(object)) {
        cancelled = !EditInsText(*text);
        return true;
    }
    if (auto* code = dynamic_cast<TLOInsBarCode*>(object)) {
        cancelled = !EditInsBarCode(*code);
        return true;
    }
    if (auto* code = dynamic_cast<TLOInsZintBarCode*>(object)) {
        cancelled = !EditInsBarCode(*code);
        return true;
    }
    if (auto* image = dynamic_cast<TLOInsImage*>(object)) {
        cancelled = !EditInsImage(*image);
        return true;
    }
    return false;
}

void RegisterMergeDesigner(const std::shared_ptr<TMergeDesigner>& designer)
{
    TDesignerList::Instance().Unregister(designer.get());
    TDesignerList::Instance().Register(designer);
}

} // namespace velmo
