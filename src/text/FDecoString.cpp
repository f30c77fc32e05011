#include "text/FDecoString.h"
#include "draw/FDrawSite.h"
#include "draw/UDOAction.h"
#include "imaging/UImagePack.h"
#include "objects/ULabelObject.h"
#include "text/UImageFont.h"
#include "text/ULODecoString.h"
#include "ui/FPosition.h"
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QVBoxLayout>

namespace velmo {

namespace {

constexpr int kRowHeight = 30;

// The page shown last, for the next dialog in this run.
int& LastPage()
{
    static int page = 0;
    return page;
}

// Each row shows "Sample9!" in its font, drawn 2 pixels in from the row's corner.
class TFontSampleDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        plain.text.clear();
        plain.icon = QIcon();
        plain.widget->style()->drawControl(QStyle::CE_ItemViewItem, &plain, painter, plain.widget);
        const QImage sample = index.data(Qt::UserRole + 1).value<QImage>();
        painter->drawImage(option.rect.topLeft() + QPoint(2, 2), sample);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), kRowHeight);
    }
};

QImage FontSample(int fontNo)
{
    TImageFont font;
    font.SetFontNo(fontNo);
    font.SetHeight(kRowHeight - 4);
    const QString text = QStringLiteral("Sample9!");
    const QSize size = font.TextSize(text);
    QImage image(std::max(1, size.width()), std::max(1, size.height()), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    font.DrawText(p, 0, text, 0);
    return image;
}

bool AllowedCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || u == u'!' || u == u'?' || (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') ||
           (u >= u'a' && u <= u'z');
}

} // namespace

TfrmDecoString::TfrmDecoString(const QList<int>& fontNumbers, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("飾り文字の編集・設定"));
    auto* layout = new QVBoxLayout(this);
    FTabs = new QTabWidget(this);
    layout->addWidget(FTabs);

    auto* textPage = new QWidget(FTabs);
    auto* textLayout = new QVBoxLayout(textPage);
    auto* textRow = new QFormLayout;
    FText = new QLineEdit(textPage);
    // Only Latin letters, digits, "!" and "?": no input method.
    FText->setAttribute(Qt::WA_InputMethodEnabled, false);
    FText->setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
    auto* textLabel = new QLabel(QStringLiteral("文字(&T)"), textPage);
    textLabel->setBuddy(FText);
    textRow->addRow(textLabel, FText);
    textLayout->addLayout(textRow);
    auto* options = new QGroupBox(QStringLiteral("オプション"), textPage);
    auto* optionLayout = new QFormLayout(options);
    FAlign = new QComboBox(options);
    FAlign->addItems({QStringLiteral("左寄せ"), QStringLiteral("ｾﾝﾀﾘﾝｸﾞ"), QStringLiteral("右寄せ"),
                      QStringLiteral("均等配置")});
    auto* alignLabel = new QLabel(QStringLiteral("文字配置(&A)"), options);
    alignLabel->setBuddy(FAlign);
    optionLayout->addRow(alignLabel, FAlign);
    FFonts = new QListWidget(options);
    FFonts->setItemDelegate(new TFontSampleDelegate(FFonts));
    FFonts->setMinimumHeight(kRowHeight * 5 + 4);
    FFonts->setUniformItemSizes(true);
    for (int n : fontNumbers) {
        auto* item = new QListWidgetItem(FFonts);
        item->setData(Qt::UserRole, n);
        item->setData(Qt::UserRole + 1, FontSample(n));
        item->setSizeHint(QSize(200, kRowHeight));
        item->setToolTip(QStringLiteral("%1").arg(n));
    }
    auto* fontLabel = new QLabel(QStringLiteral("フォント(&F)"), options);
    fontLabel->setBuddy(FFonts);
    optionLayout->addRow(fontLabel, FFonts);
    textLayout->addWidget(options);
    FTabs->addTab(textPage, QStringLiteral("文字"));

    auto* positionPage = new QWidget(FTabs);
    auto* positionLayout = new QVBoxLayout(positionPage);
    FPosition = new TfrmPosition(positionPage);
    positionLayout->addWidget(FPosition);
    positionLayout->addStretch(1);
    FTabs->addTab(positionPage, QStringLiteral("位置"));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

TfrmDecoString::~TfrmDecoString() = default;

void TfrmDecoString::LoadFrom(const TLODecoString& object, bool isNew)
{
    FNew = isNew;
    if (isNew)
        setWindowTitle(QStringLiteral("飾り文字の追加"));
    FTabs->setCurrentIndex(isNew ? 0 : std::clamp(LastPage(), 0, FTabs->count() - 1));
    FText->setText(object.Text());
    FAlign->setCurrentIndex(std::clamp(object.Align(), 0, 3));
    for (int i = 0; i < FFonts->count(); ++i)
        if (FFonts->item(i)->data(Qt::UserRole).toInt() == object.FontNo())
            FFonts->setCurrentRow(i);
    TPositionRecord record;
    record.Angle = object.Angle();
    record.Lock = !object.Movable();
    record.DontPrint = object.DontPrint();
    record.Left = object.PropLeft();
    record.Top = object.PropTop();
    record.Width = object.PropWidth();
    record.Height = object.PropHeight();
    FPosition->SetRecord(record);
    FText->setFocus();
}

void TfrmDecoString::ApplyTo(TLODecoString& object) const
{
    object.SetText(FText->text());
    const TPositionRecord r = FPosition->Record();
    object.SetAngleValue(r.Angle);
    object.SetMovable(!r.Lock);
    object.SetDontPrint(r.DontPrint);
    object.SetPropLeft(r.Left);
    object.SetPropTop(r.Top);
    object.SetPropWidth(r.Width);
    object.SetPropHeight(r.Height);
    // No row chosen (the object's font is not among the fonts): the font stays.
    if (const QListWidgetItem* item = FFonts->currentItem())
        object.SetFontNo(item->data(Qt::UserRole).toInt());
    object.SetAlignValue(FAlign->currentIndex());
    if (FNew)
        object.FitToText();
}

void TfrmDecoString::ShowMessage(const QString& text)
{
    FLastMessage = text;
    FTabs->setCurrentIndex(0);
    if (!FQuiet)
        QMessageBox::warning(this, windowTitle(), text);
    FText->setFocus();
}

bool TfrmDecoString::Validate()
{
    FLastMessage.clear();
    const QString text = FText->text();
    for (QChar c : text)
        if (!AllowedCharacter(c)) {
            ShowMessage(QStringLiteral("飾り文字には「A～Z、a～z、0～9、?、!」しか使えません"));
            return false;
        }
    if (text.isEmpty()) {
        ShowMessage(QStringLiteral("文字列が入力されていません"));
        return false;
    }
    return true;
}

void TfrmDecoString::accept()
{
    if (Validate())
        QDialog::accept();
}

void TfrmDecoString::done(int result)
{
    LastPage() = FTabs->currentIndex();
    QDialog::done(result);
}

QList<int> TfrmDecoString::AvailableFonts()
{
    return ImageFontNumbers(ImageFontFolder());
}

bool TfrmDecoString::Edit(TLODecoString& object, QWidget* parent)
{
    const QList<int> fonts = AvailableFonts();
    if (fonts.isEmpty())
        return false;
    TfrmDecoString dialog(fonts, parent ? parent : static_cast<QWidget*>(object.Site()));
    dialog.LoadFrom(object, !object.OnSite());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    ApplySettingChange(object, [&] { dialog.ApplyTo(object); });
    return true;
}

namespace {

class TDODecoStringEditor : public TDesigner
{
public:
    bool EditObject(TLabelObject* object, bool& cancelled) override
    {
        auto* deco = dynamic_cast<TLODecoString*>(object);
        if (!deco)
            return false;
        cancelled = !TfrmDecoString::Edit(*deco);
        return true;
    }
};

} // namespace

void RegisterDecoStringDesigner()
{
    TDesignerList::Instance().Register(std::make_shared<TDODecoStringEditor>());
}

} // namespace velmo
