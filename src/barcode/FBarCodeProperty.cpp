#include "barcode/FBarCodeProperty.h"
#include "barcode/UBarCode.h"
#include "barcode/UJANCode.h"
#include "barcode/ULOBarCode.h"
#include "barcode/ULOZintBarCode.h"
#include "barcode/UZintSymbol.h"
#include "base/UNumbers.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "draw/UDOAction.h"
#include "imaging/FColorSpec.h"
#include "imaging/UColorSpec.h"
#include "objects/ULDObjects.h"
#include "objects/ULOCreator.h"
#include "text/UFontList.h"
#include "text/UTextCanvas.h"
#include "ui/FPosition.h"
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace velmo {

namespace {

TBarCodeMessageHandler& MessageHandler()
{
    static TBarCodeMessageHandler handler;
    return handler;
}

void ShowMessage(QWidget* parent, TBarCodeMessage message, const QString& text)
{
    if (MessageHandler()) {
        MessageHandler()(parent, message, text);
        return;
    }
    const bool midDeletion = message == TBarCodeMessage::bmMidDeletion;
    QMessageBox box(midDeletion ? QMessageBox::Information : QMessageBox::Warning,
                    midDeletion ? QStringLiteral("CODE128") : QApplication::applicationDisplayName(), text,
                    QMessageBox::NoButton, parent);
    box.addButton(midDeletion ? QStringLiteral("OK") : QStringLiteral("はい(&Y)"), QMessageBox::AcceptRole);
    box.exec();
}

const QString kInvalidCode = QStringLiteral("バーコードが正しくありません。");
const QString kMidDeletion = QStringLiteral("途中の文字は削除できません");

// The page shown last, reopened by the next edit of an object on a site.
int& LastPage()
{
    static int page = 0;
    return page;
}

std::function<int(TfrmBarCodeProperty&)>& ExecHook()
{
    static std::function<int(TfrmBarCodeProperty&)> hook;
    return hook;
}

// What the entry shows of Code 128 data.
QString DisplayText(const QByteArray& buffer)
{
    QString text;
    text.reserve(buffer.size());
    for (const char c : buffer) {
        const unsigned char b = static_cast<unsigned char>(c);
        text += b >= 32 && b <= 126 ? QChar(b) : QChar(u'^');
    }
    return text;
}

// Double-byte characters and half-width katakana have no place in any code: only
// single-byte ASCII stays.
QString SingleByteOnly(const QString& text)
{
    QString out;
    for (const QChar c : text)
        if (c.unicode() < 0x80)
            out += c;
    return out;
}

// Grid units across a symbol and the units of its narrowest element, to tell whether
// the rectangle leaves a printable module.
bool TooNarrow(int kind, const QString& entry, const QByteArray& buffer, int ratio, bool check, int width)
{
    int64_t modules = 0;
    switch (kind) {
    case bkJAN:
        modules = NormalizeJAN(entry).size() == 8 ? 81 : 109;
        break;
    case bkCode39:
        modules =
            ((4 * int64_t(ratio) + 600) * (Code39UpperCase(entry).size() + 2 + (check ? 1 : 0)) + 1400) / 100;
        break;
    case bkCode128:
        modules = int64_t(Code128Symbols(buffer).size() + 1) * 12 + 19;
        break;
    default:
        return false;
    }
    // A module must be at least 0.1 mm (one unit) wide to be printed at all.
    return modules > 0 && width < modules;
}

QString MillimetreText(int units)
{
    return QStringLiteral("%1.%2").arg(units / 10).arg(units % 10);
}

} // namespace

void SetBarCodeMessageHandler(TBarCodeMessageHandler handler)
{
    MessageHandler() = std::move(handler);
}

// The sample panel paints through the dialog.
class TBarCodeSample : public QWidget
{
public:
    explicit TBarCodeSample(TfrmBarCodeProperty* dialog) : QWidget(dialog), FDialog(dialog)
    {
        setMinimumSize(260, 110);
        setObjectName(QStringLiteral("pnlSample"));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        FDialog->PaintSample(painter, rect());
    }

private:
    TfrmBarCodeProperty* FDialog;
};

const std::vector<std::pair<QString, unsigned char>>& TfrmBarCodeProperty::SpecialCodes()
{
    static const std::vector<std::pair<QString, unsigned char>> codes = [] {
        static const char* const names[] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL",
                                            "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
                                            "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB",
                                            "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
        std::vector<std::pair<QString, unsigned char>> list;
        for (int i = 0; i < 32; ++i)
            list.emplace_back(QString::fromLatin1(names[i]), static_cast<unsigned char>(0xC0 + i));
        list.emplace_back(QStringLiteral("DEL"), kCode128DEL);
        list.emplace_back(QStringLiteral("FNC1"), kCode128FNC1);
        list.emplace_back(QStringLiteral("FNC2"), kCode128FNC2);
        list.emplace_back(QStringLiteral("FNC3"), kCode128FNC3);
        list.emplace_back(QStringLiteral("FNC4"), kCode128FNC4);
        return list;
    }();
    return codes;
}

TfrmBarCodeProperty::TfrmBarCodeProperty(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmBarCodeProperty"));
    setWindowTitle(QStringLiteral("バーコードの編集・設定"));
    FPages = new QTabWidget(this);

    // ---- page 1: the code, its options, the sample and the kind
    auto* page = new QWidget(FPages);
    FCodeGroup = new QGroupBox(QStringLiteral("バーコード文字列(&B)"), page);
    FEntry = new QLineEdit(FCodeGroup);
    FEntry->setObjectName(QStringLiteral("edtCode"));
    FEntry->setToolTip(QStringLiteral("バーコードを入力します"));
    FEntry->setAttribute(Qt::WA_InputMethodEnabled, false);
    FEntry->setDragEnabled(false);
    FEntry->setAcceptDrops(false);
    FEntry->installEventFilter(this);
    FSpecial = new QPushButton(QStringLiteral("特殊コード追加(&P)"), FCodeGroup);
    FSpecial->setToolTip(QStringLiteral("特殊コードを入力します"));
    auto* menu = new QMenu(FSpecial);
    for (const auto& [name, byte] : SpecialCodes()) {
        const unsigned char b = byte;
        menu->addAction(name, this, [this, b] { AppendSpecial(b); });
    }
    FSpecial->setMenu(menu);
    auto* codeLayout = new QHBoxLayout(FCodeGroup);
    codeLayout->addWidget(FEntry, 1);
    codeLayout->addWidget(FSpecial);

    auto* options = new QGroupBox(QStringLiteral("オプション"), page);
    FFace = new QComboBox(options);
    FFace->setObjectName(QStringLiteral("cmbFont"));
    FSize = new QComboBox(options);
    FSize->setObjectName(QStringLiteral("cmbSize"));
    FSize->setEditable(true);
    for (const char* s :
         {"8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26", "28", "32", "36", "48", "72"})
        FSize->addItem(QString::fromLatin1(s));
    FShowNumber = new QCheckBox(QStringLiteral("数字表示(&N)"), options);
    FShowNumber->setToolTip(QStringLiteral("バーコードの下側に数字も表示します"));
    FShowFrame = new QCheckBox(QStringLiteral("枠線表示(&M)"), options);
    FShowFrame->setToolTip(QStringLiteral("バーコード全体を囲む枠線を表示します"));
    FCheckDigit = new QCheckBox(QStringLiteral("チェックキャラクタ追加(&C)"), options);
    FCheckDigit->setToolTip(QStringLiteral("CODE39でチェックキャラクタを追加します"));
    FRatio = new QComboBox(options);
    for (int i = 0; i <= 10; ++i)
        FRatio->addItem(QStringLiteral("%1.%2").arg((200 + 10 * i) / 100).arg((i % 10)));
    FRatio->setCurrentIndex(5);
    FRatioLabel = new QLabel(QStringLiteral("細線太線の比率(&E)"), options);
    FRatioLabel->setBuddy(FRatio);
    auto* faceLabel = new QLabel(QStringLiteral("フォント(&F)"), options);
    faceLabel->setBuddy(FFace);
    auto* sizeLabel = new QLabel(QStringLiteral("サイズ(&S)"), options);
    sizeLabel->setBuddy(FSize);
    auto* optionLayout = new QGridLayout(options);
    optionLayout->addWidget(faceLabel, 0, 0);
    optionLayout->addWidget(FFace, 0, 1, 1, 3);
    optionLayout->addWidget(sizeLabel, 1, 0);
    optionLayout->addWidget(FSize, 1, 1);
    optionLayout->addWidget(FShowNumber, 2, 0, 1, 2);
    optionLayout->addWidget(FShowFrame, 2, 2, 1, 2);
    optionLayout->addWidget(FCheckDigit, 3, 0, 1, 2);
    optionLayout->addWidget(FRatioLabel, 3, 2);
    optionLayout->addWidget(FRatio, 3, 3);

    auto* sampleGroup = new QGroupBox(QStringLiteral("サンプル"), page);
    FSample = new TBarCodeSample(this);
    FSample->setParent(sampleGroup);
    auto* sampleLayout = new QVBoxLayout(sampleGroup);
    sampleLayout->addWidget(FSample);

    auto* kindGroup = new QGroupBox(QStringLiteral("バーコードの種類(&K)"), page);
    FKinds = new QButtonGroup(this);
    auto* kindLayout = new QVBoxLayout(kindGroup);
    const QString kindNames[] = {QStringLiteral("JANコード"), QStringLiteral("CODE39"),
                                 QStringLiteral("CODE128")};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(kindNames[i], kindGroup);
        FKinds->addButton(button, i);
        kindLayout->addWidget(button);
    }
    auto* other = new QRadioButton(QStringLiteral("その他(&O)"), kindGroup);
    FKinds->addButton(other, kZintKind);
    kindLayout->addWidget(other);
    FSymbology = new QComboBox(kindGroup);
    FSymbology->setObjectName(QStringLiteral("cmbSymbology"));
    FSymbology->setToolTip(QStringLiteral("QRコード・カスタマバーコードなどの種類を選びます"));
    for (const TSymbologyInfo& info : Symbologies())
        FSymbology->addItem(QString::fromUtf8(info.Name), info.Id);
    kindLayout->addWidget(FSymbology);
    kindLayout->addStretch();
    FKinds->button(bkJAN)->setChecked(true);

    // The options of the libzint symbologies.
    FZintGroup = new QGroupBox(QStringLiteral("シンボルの設定"), page);
    FErrorLevel = new QComboBox(FZintGroup);
    FErrorLevel->setObjectName(QStringLiteral("cmbErrorLevel"));
    FSymbolSize = new QComboBox(FZintGroup);
    FSymbolSize->setObjectName(QStringLiteral("cmbSymbolSize"));
    FModuleSize = new QDoubleSpinBox(FZintGroup);
    FModuleSize->setObjectName(QStringLiteral("edtModuleSize"));
    FModuleSize->setRange(0, 10);
    FModuleSize->setDecimals(2);
    FModuleSize->setSingleStep(0.05);
    FModuleSize->setSuffix(QStringLiteral(" mm"));
    FModuleSize->setSpecialValueText(QStringLiteral("枠に合わせる"));
    FModuleSize->setToolTip(QStringLiteral("1モジュール（最も細いバー・1マス）の幅。0で枠に合わせます"));
    FQuietZone = new QCheckBox(QStringLiteral("クワイエットゾーンを確保(&Q)"), FZintGroup);
    FQuietZone->setToolTip(QStringLiteral("読み取りに必要な周囲の余白を枠の内側に背景色で確保します"));
    FTransparent = new QCheckBox(QStringLiteral("背景を透明にする(&T)"), FZintGroup);
    auto* levelLabel = new QLabel(QStringLiteral("誤り訂正(&L)"), FZintGroup);
    levelLabel->setBuddy(FErrorLevel);
    auto* symbolSizeLabel = new QLabel(QStringLiteral("シンボルサイズ(&Z)"), FZintGroup);
    symbolSizeLabel->setBuddy(FSymbolSize);
    auto* moduleLabel = new QLabel(QStringLiteral("モジュール幅(&W)"), FZintGroup);
    moduleLabel->setBuddy(FModuleSize);
    auto* zintLayout = new QGridLayout(FZintGroup);
    zintLayout->addWidget(levelLabel, 0, 0);
    zintLayout->addWidget(FErrorLevel, 0, 1);
    zintLayout->addWidget(symbolSizeLabel, 0, 2);
    zintLayout->addWidget(FSymbolSize, 0, 3);
    zintLayout->addWidget(moduleLabel, 1, 0);
    zintLayout->addWidget(FModuleSize, 1, 1);
    zintLayout->addWidget(FQuietZone, 1, 2);
    zintLayout->addWidget(FTransparent, 1, 3);
    FError = new QLabel(page);
    FError->setObjectName(QStringLiteral("lblCodeError"));
    FError->setStyleSheet(QStringLiteral("color: #c00000"));
    FError->setWordWrap(true);

    auto* pageLayout = new QGridLayout(page);
    pageLayout->addWidget(FCodeGroup, 0, 0, 1, 2);
    pageLayout->addWidget(FError, 1, 0, 1, 2);
    pageLayout->addWidget(options, 2, 0);
    pageLayout->addWidget(kindGroup, 2, 1, 2, 1);
    pageLayout->addWidget(FZintGroup, 3, 0);
    pageLayout->addWidget(sampleGroup, 4, 0, 1, 2);
    pageLayout->setRowStretch(4, 1);
    FPages->addTab(page, QStringLiteral("バーコード"));

    // ---- page 2: the colour of the digits, a plain colour
    FColor = new TfrmColorSpec(FPages);
    FColor->SetColorOnly(true);
    FPages->addTab(FColor, QStringLiteral("文字色"));

    // ---- page 3: position
    auto* positionPage = new QWidget(FPages);
    FPosition = new TfrmPosition(positionPage);
    auto* positionLayout = new QVBoxLayout(positionPage);
    positionLayout->addWidget(FPosition);
    positionLayout->addStretch();
    FPages->addTab(positionPage, QStringLiteral("位置"));

    auto* buttons = new QDialogButtonBox(this);
    FOk = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    FOk->setDefault(true);
    cancel->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmBarCodeProperty::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmBarCodeProperty::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FPages);
    layout->addWidget(buttons);

    // A new dialog: JAN, ratio 2.5, the check box disabled, an empty buffer.
    QStringList faces;
    GetUsableFaces(faces);
    FFace->addItems(faces);
    KindChanged();

    connect(FEntry, &QLineEdit::textChanged, this, [this] { EntryEdited(); });
    connect(FKinds, &QButtonGroup::idClicked, this, [this] { KindChanged(); });
    for (QCheckBox* box : {FShowNumber, FShowFrame, FCheckDigit})
        connect(box, &QCheckBox::toggled, this, [this] { RefreshSample(); });
    connect(FRatio, &QComboBox::currentIndexChanged, this, [this] { RefreshSample(); });
    connect(FFace, &QComboBox::currentIndexChanged, this, [this] { RefreshSample(); });
    connect(FSize, &QComboBox::currentTextChanged, this, [this] { RefreshSample(); });
    connect(FColor, &TfrmColorSpec::Changed, this, [this] { RefreshSample(); });
    connect(FSymbology, &QComboBox::currentIndexChanged, this, [this] { SymbologyChanged(); });
    for (QComboBox* list : {FErrorLevel, FSymbolSize})
        connect(list, &QComboBox::currentIndexChanged, this, [this] { RefreshSample(); });
    connect(FModuleSize, &QDoubleSpinBox::valueChanged, this, [this] { RefreshSample(); });
    for (QCheckBox* box : {FQuietZone, FTransparent})
        connect(box, &QCheckBox::toggled, this, [this] { RefreshSample(); });
    FQuietZone->setChecked(true);
    FillZintOptions(Symbology());
    KindChanged();
}

TfrmBarCodeProperty::~TfrmBarCodeProperty() = default;

int TfrmBarCodeProperty::Kind() const
{
    return FKinds->checkedId();
}

void TfrmBarCodeProperty::SetKind(int kind)
{
    if (QAbstractButton* button = FKinds->button(kind))
        button->setChecked(true);
    KindChanged();
}

int TfrmBarCodeProperty::ElementRatio() const
{
    const int index = FRatio->currentIndex();
    return index < 0 ? kDefaultElementRatio : 200 + 10 * index;
}

void TfrmBarCodeProperty::KindChanged()
{
    const int kind = Kind();
    const bool code39 = kind == bkCode39;
    const bool code128 = kind == bkCode128;
    FCheckDigit->setEnabled(code39);
    FRatioLabel->setEnabled(code39);
    FRatio->setEnabled(code39);
    FSpecial->setEnabled(code128);
    FEntry->setContextMenuPolicy(code128 ? Qt::NoContextMenu : Qt::DefaultContextMenu);
    // The libzint symbologies take any text (QR codes hold Japanese).
    FSymbology->setEnabled(IsZint());
    FZintGroup->setEnabled(IsZint());
    FCheckDigit->setVisible(!IsZint());
    FRatioLabel->setVisible(!IsZint());
    FRatio->setVisible(!IsZint());
    FShowNumber->setText(IsZint() ? QStringLiteral("文字表示(&N)") : QStringLiteral("数字表示(&N)"));
    // The libzint symbols take the colour for their modules and text alike.
    if (const int colourPage = FPages->indexOf(FColor); colourPage >= 0)
        FPages->setTabText(colourPage, IsZint() ? QStringLiteral("色") : QStringLiteral("文字色"));
    FEntry->setAttribute(Qt::WA_InputMethodEnabled, IsZint());
    // The entry holds the code of the new kind: Code 128 shows its buffer; the
    // others take what the entry shows.
    if (code128)
        ShowBuffer(int(FEntry->cursorPosition()));
    else if (!IsZint())
        EntryEdited(); // only single-byte characters stay
    FitNewRectangle();
    RefreshSample();
}

int TfrmBarCodeProperty::Symbology() const
{
    return FSymbology->currentData().toInt();
}

void TfrmBarCodeProperty::SetSymbology(int id)
{
    int index = FSymbology->findData(id);
    if (index < 0) {
        // A number this version does not know stays the object's choice.
        FSymbology->addItem(QStringLiteral("不明な種類 (%1)").arg(id), id);
        index = FSymbology->count() - 1;
    }
    FSymbology->setCurrentIndex(index);
}

void TfrmBarCodeProperty::SetFamilyLocked(bool locked)
{
    const bool zint = IsZint();
    for (QAbstractButton* button : FKinds->buttons())
        if ((FKinds->id(button) == kZintKind) != zint)
            button->setEnabled(!locked);
}

void TfrmBarCodeProperty::SymbologyChanged()
{
    FillZintOptions(Symbology());
    FitNewRectangle();
    RefreshSample();
}

void TfrmBarCodeProperty::FitNewRectangle()
{
    if (FNewObject && IsZint()) {
        // A new symbol gets a rectangle of its shape.
        TPositionRecord record = FPosition->Record();
        const TSymbologyInfo* info = FindSymbology(Symbology());
        if (info && info->Shape == TSymbolShape::ssFixed && info->Id != 76) {
            record.Width = record.Height = 200;
        } else if (info && info->Id == 76) {
            // 0.6 mm bars on a 1.2 mm pitch with the 2 mm clear space: the post
            // office's 10-point size.
            record.Width = 846;
            record.Height = 84;
        } else {
            record.Width = 350;
            record.Height = 150;
        }
        FPosition->SetRecord(record);
    }
}

void TfrmBarCodeProperty::FillZintOptions(int id)
{
    const TSymbologyInfo* info = FindSymbology(id);
    auto fill = [](QComboBox* list, const std::vector<TSymbolChoice>& choices, bool enabled) {
        const int keep = list->currentData().toInt();
        list->blockSignals(true);
        list->clear();
        for (const TSymbolChoice& choice : choices)
            list->addItem(choice.Caption, choice.Value);
        const int index = list->findData(keep);
        list->setCurrentIndex(index >= 0 ? index : 0);
        list->setEnabled(enabled && choices.size() > 1);
        list->blockSignals(false);
    };
    fill(FErrorLevel, ErrorLevelChoices(id), info && (info->Options & soErrorLevel));
    fill(FSymbolSize, SizeChoices(id), info && (info->Options & soSize));
}

QString TfrmBarCodeProperty::ZintError() const
{
    if (!IsZint())
        return {};
    TZintOptions options;
    options.ErrorLevel = FErrorLevel->currentData().toInt();
    options.Size = FSymbolSize->currentData().toInt();
    options.QuietZone = FQuietZone->isChecked();
    options.ShowText = FShowNumber->isChecked();
    const TEncodedSymbol symbol = EncodeSymbol(Symbology(), FEntry->text(), options);
    return symbol.Valid ? QString() : symbol.Error;
}

void TfrmBarCodeProperty::ShowZintError()
{
    const QString error = FMerge ? QString() : ZintError();
    FError->setText(error);
    FError->setVisible(!error.isEmpty());
}

void TfrmBarCodeProperty::EntryEdited()
{
    if (FUpdating)
        return;
    const QString text = FEntry->text();
    if (IsZint()) {
        RefreshSample();
        return;
    }
    const QString clean = SingleByteOnly(text);
    if (clean != text) {
        const int caret = FEntry->cursorPosition();
        FUpdating = true;
        FEntry->setText(clean);
        FEntry->setCursorPosition(std::min<int>(caret, int(clean.size())));
        FUpdating = false;
    }
    if (Kind() != bkCode128)
        FBuffer = clean.toLatin1();
    else if (DisplayText(FBuffer) != clean)
        ShowBuffer(int(FEntry->cursorPosition())); // anything else puts the buffer back
    RefreshSample();
}

void TfrmBarCodeProperty::ShowBuffer(int caret)
{
    FUpdating = true;
    FEntry->setText(DisplayText(FBuffer));
    FEntry->setCursorPosition(std::clamp<int>(caret, 0, int(FBuffer.size())));
    FUpdating = false;
    RefreshSample();
}

void TfrmBarCodeProperty::AppendSpecial(unsigned char byte)
{
    if (Kind() != bkCode128)
        return;
    FBuffer += char(byte);
    ShowBuffer(int(FBuffer.size()));
}

void TfrmBarCodeProperty::InsertText(const QString& text)
{
    int caret = FEntry->hasSelectedText() ? FEntry->selectionEnd() : FEntry->cursorPosition();
    caret = std::clamp<int>(caret, 0, int(FBuffer.size()));
    QByteArray insert;
    for (const QChar c : text)
        if (c.unicode() >= 32 && c.unicode() <= 126)
            insert += char(c.unicode());
    FBuffer.insert(caret, insert);
    ShowBuffer(caret + int(insert.size()));
}

bool TfrmBarCodeProperty::HandleCode128Key(QKeyEvent* key)
{
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return false; // OK, Cancel and the focus chain as everywhere
    default:
        break;
    }
    const int len = int(FBuffer.size());
    const int caret = FEntry->hasSelectedText() ? FEntry->selectionEnd() : FEntry->cursorPosition();
    if (key->key() == Qt::Key_Backspace) {
        if (len > 0 && caret == len) {
            FBuffer.chop(1);
            ShowBuffer(len - 1);
        } else if (len > 0) {
            ShowMessage(this, TBarCodeMessage::bmMidDeletion, kMidDeletion);
        }
        return true;
    }
    if (key->key() == Qt::Key_Delete) {
        if (len > 0 && caret == len - 1) {
            FBuffer.chop(1);
            ShowBuffer(len - 1);
        } else if (len > 0) {
            ShowMessage(this, TBarCodeMessage::bmMidDeletion, kMidDeletion);
        }
        return true;
    }
    if (key->matches(QKeySequence::Paste)) {
        InsertText(QApplication::clipboard()->text());
        return true;
    }
    if (key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Undo) ||
        key->matches(QKeySequence::Redo) || key->matches(QKeySequence::DeleteEndOfWord) ||
        key->matches(QKeySequence::DeleteStartOfWord) || key->matches(QKeySequence::DeleteEndOfLine) ||
        key->matches(QKeySequence::DeleteCompleteLine))
        return true;
    const QString text = key->text();
    if (!text.isEmpty() && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        if (text.size() == 1 && text[0].unicode() >= 32 && text[0].unicode() <= 126) {
            // The selection is dropped; the character goes in at the caret.
            FBuffer.insert(std::clamp(caret, 0, len), char(text[0].unicode()));
            ShowBuffer(caret + 1);
        }
        return true; // anything else typed has no byte in the code
    }
    return false; // moving the caret, Tab, Enter, Escape
}

bool TfrmBarCodeProperty::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FEntry && Kind() == bkCode128 && !FMerge) {
        if (event->type() == QEvent::KeyPress)
            return HandleCode128Key(static_cast<QKeyEvent*>(event));
        if (event->type() == QEvent::InputMethod)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TfrmBarCodeProperty::EntryValid() const
{
    switch (Kind()) {
    case bkJAN:
        return IsAcceptableJAN(FEntry->text());
    case bkCode39:
        return IsValidCode39(FEntry->text());
    case bkCode128:
        return IsValidCode128(FBuffer);
    case kZintKind:
        return ZintError().isEmpty();
    default:
        return false;
    }
}

int TfrmBarCodeProperty::PointSize() const
{
    bool ok = false;
    const int size = FSize->currentText().trimmed().toInt(&ok);
    return ok && size > 0 && size <= 1638 ? size : FFallbackSize;
}

void TfrmBarCodeProperty::RefreshSample()
{
    if (FError)
        ShowZintError();
    if (FSample)
        FSample->update();
}

void TfrmBarCodeProperty::PaintSample(QPainter& painter, const QRect& area) const
{
    TCanvasSaver saver(painter);
    painter.fillRect(area, Qt::white);
    if (IsZint()) {
        TZintOptions options;
        options.ErrorLevel = FErrorLevel->currentData().toInt();
        options.Size = FSymbolSize->currentData().toInt();
        options.QuietZone = FQuietZone->isChecked();
        options.ShowText = FShowNumber->isChecked();
        const TEncodedSymbol symbol = EncodeSymbol(Symbology(), FEntry->text(), options);
        if (!symbol.Valid)
            return;
        const int dpi = painter.device() ? painter.device()->logicalDpiY() : 96;
        TTextCanvas canvas(&painter, dpi > 0 ? dpi : 96);
        TLogFont font;
        font.FaceName = FFace->currentText();
        font.Height = -MulDiv(PointSize(), canvas.FontResolution(), 72);
        font.Color = FColor->Spec().Color();
        font.Quality = 4;
        canvas.SetFont(font);
        TZintDrawing drawing;
        drawing.Rect = FromQRect(area.adjusted(4, 4, -4, -4));
        drawing.ShowFrame = FShowFrame->isChecked();
        drawing.ShowText = FShowNumber->isChecked();
        drawing.Background = FTransparent->isChecked() ? QColor(Qt::transparent) : QColor(Qt::white);
        drawing.Bars = ToQColor(FColor->Spec().Color());
        if (const TSymbologyInfo* info = FindSymbology(Symbology()))
            drawing.Shape = info->Shape;
        DrawZintSymbol(canvas, symbol, drawing);
        return;
    }
    if (!EntryValid())
        return;
    const int dpi = painter.device() ? painter.device()->logicalDpiY() : 96;
    TTextCanvas canvas(&painter, dpi > 0 ? dpi : 96);
    TLogFont font;
    font.FaceName = FFace->currentText();
    font.Height = -MulDiv(PointSize(), canvas.FontResolution(), 72);
    font.Color = FColor->Spec().Color();
    font.Quality = 4;
    canvas.SetFont(font);
    TLogRect r = FromQRect(area);
    if (FShowFrame->isChecked()) {
        FrameDeviceRect(painter, r, Qt::black);
        r = {r.Left + 5, r.Top + 5, r.Right - 5, r.Bottom - 5};
    }
    const bool digits = FShowNumber->isChecked();
    switch (Kind()) {
    case bkJAN:
        DrawJAN(canvas, NormalizeJAN(FEntry->text()), r, false, digits, 0);
        break;
    case bkCode39:
        DrawCode39(canvas, FEntry->text(), r, ElementRatio(), FCheckDigit->isChecked(), false, digits, 0);
        break;
    case bkCode128:
        DrawCode128(canvas, FBuffer, r, false, digits, 0);
        break;
    default:
        break;
    }
}

void TfrmBarCodeProperty::LoadFrom(TLOBarCode& object)
{
    FMerge = Supports<IDOInsertion>(&object) != nullptr;
    FCodeGroup->setVisible(!FMerge);

    TColorSpec colour;
    colour.SetColor(object.Font()->Color());
    FColor->LoadSpec(colour);

    TPositionRecord record;
    record.Angle = object.Angle();
    record.Lock = !object.Movable();
    record.DontPrint = object.DontPrint();
    record.Left = object.PropLeft();
    record.Top = object.PropTop();
    record.Width = object.PropWidth();
    record.Height = object.PropHeight();
    FPosition->SetRecord(record);

    FShowNumber->setChecked(object.ShowNumber());
    FShowFrame->setChecked(object.ShowFrame());
    FCheckDigit->setChecked(object.AddCheckDigit());
    const QString face = object.Font()->Name();
    int faceIndex = FFace->findText(face);
    if (faceIndex < 0 && !face.isEmpty()) {
        // A face the machine lacks stays the object's choice.
        FFace->insertItem(0, face);
        faceIndex = 0;
    }
    FFace->setCurrentIndex(faceIndex);
    FFallbackSize = object.Font()->Size();
    FSize->setCurrentText(QString::number(object.Font()->Size()));
    const int ratio = object.ElementRatio();
    FRatio->setCurrentIndex(ratio >= 200 && ratio <= 300 && ratio % 10 == 0 ? (ratio - 200) / 10 : 5);

    FNewObject = !object.OnSite();
    if (auto* zint = dynamic_cast<TLOZintBarCode*>(&object)) {
        FSymbology->blockSignals(true);
        SetSymbology(zint->Symbology());
        FSymbology->blockSignals(false);
        FillZintOptions(zint->Symbology());
        FErrorLevel->setCurrentIndex(std::max(0, FErrorLevel->findData(zint->ErrorLevel())));
        FSymbolSize->setCurrentIndex(std::max(0, FSymbolSize->findData(zint->SymbolSize())));
        FModuleSize->setValue(zint->ModuleSize() / 100.0);
        FQuietZone->setChecked(zint->QuietZone());
        FTransparent->setChecked(zint->BackColor() == clNone);
        TColorSpec bars;
        bars.SetColor(zint->BarColor());
        FColor->LoadSpec(bars);
        FUpdating = true;
        FBuffer.clear();
        FEntry->setText(zint->JANCode());
        FUpdating = false;
        FKinds->button(kZintKind)->setChecked(true);
        KindChanged();
        FEntry->setCursorPosition(int(FEntry->text().size()));
        if (object.OnSite()) {
            setWindowTitle(QStringLiteral("バーコードの編集・設定"));
            FPages->setCurrentIndex(std::clamp(LastPage(), 0, FPages->count() - 1));
        } else {
            setWindowTitle(QStringLiteral("バーコードの追加"));
            FPages->setCurrentIndex(0);
        }
        FEntry->setFocus();
        return;
    }
    const int kind = object.BarKind() >= 0 && object.BarKind() <= 2 ? object.BarKind() : bkJAN;
    FUpdating = true;
    FBuffer = kind == bkCode128 ? object.CodeBytes() : object.JANCode().toLatin1();
    FEntry->setText(kind == bkCode128 ? DisplayText(FBuffer) : SingleByteOnly(object.JANCode()));
    FUpdating = false;
    if (QAbstractButton* button = FKinds->button(kind))
        button->setChecked(true);
    KindChanged();
    FEntry->setCursorPosition(int(FEntry->text().size()));

    if (object.OnSite()) {
        setWindowTitle(QStringLiteral("バーコードの編集・設定"));
        FPages->setCurrentIndex(std::clamp(LastPage(), 0, FPages->count() - 1));
    } else {
        setWindowTitle(QStringLiteral("バーコードの追加"));
        FPages->setCurrentIndex(0);
    }
    FEntry->setFocus();
}

void TfrmBarCodeProperty::ApplyTo(TLOBarCode& object) const
{
    if (auto* zint = dynamic_cast<TLOZintBarCode*>(&object)) {
        zint->SetShowNumber(FShowNumber->isChecked());
        zint->SetShowFrame(FShowFrame->isChecked());
        zint->SetSymbology(Symbology());
        zint->SetErrorLevel(FErrorLevel->currentData().toInt());
        zint->SetSymbolSize(FSymbolSize->currentData().toInt());
        zint->SetModuleSize(int(std::lround(FModuleSize->value() * 100)));
        zint->SetQuietZone(FQuietZone->isChecked());
        zint->SetBackColor(FTransparent->isChecked() ? clNone : clWhite);
        zint->SetBarColor(FColor->Spec().Color());
        if (!FMerge)
            zint->SetJANCode(FEntry->text());
    } else {
        ApplyClassicKind(object);
    }
    const TPositionRecord record = FPosition->Record();
    object.SetAngleValue(record.Angle);
    object.SetMovable(!record.Lock);
    object.SetDontPrint(record.DontPrint);
    object.SetPropLeft(record.Left);
    object.SetPropTop(record.Top);
    object.SetPropWidth(record.Width);
    object.SetPropHeight(record.Height);
    TPointBasedFont* font = object.Font();
    font->SetColor(FColor->Spec().Color());
    font->SetName(FFace->currentText());
    font->SetSize(PointSize());
    font->SetCharset(FaceCharset(FFace->currentText()));
}

void TfrmBarCodeProperty::ApplyClassicKind(TLOBarCode& object) const
{
    object.SetShowNumber(FShowNumber->isChecked());
    object.SetShowFrame(FShowFrame->isChecked());
    object.SetBarKind(Kind());
    object.SetAddCheckDigit(FCheckDigit->isChecked());
    if (!FMerge) {
        switch (Kind()) {
        case bkJAN:
            object.SetJANCode(NormalizeJAN(FEntry->text()));
            break;
        case bkCode39:
            object.SetJANCode(FEntry->text());
            break;
        default:
            object.SetCodeBytes(FBuffer);
            break;
        }
    }
    object.SetElementRatio(ElementRatio());
}

void TfrmBarCodeProperty::accept()
{
    if (!FMerge && IsZint() && !EntryValid()) {
        ShowMessage(this, TBarCodeMessage::bmInvalidCode, ZintError());
        FPages->setCurrentIndex(0);
        FEntry->setFocus();
        return;
    }
    if (!FMerge && !EntryValid()) {
        ShowMessage(this, TBarCodeMessage::bmInvalidCode, kInvalidCode);
        FPages->setCurrentIndex(0);
        FEntry->setFocus();
        return;
    }
    // A rectangle narrower than one unit a module cannot be printed: refused, with the
    // width that would do.
    const TPositionRecord record = FPosition->Record();
    if (!FMerge && TooNarrow(Kind(), FEntry->text(), FBuffer, ElementRatio(), FCheckDigit->isChecked(),
                             record.Width - (FShowFrame->isChecked() ? 20 : 0))) {
        int need = 0;
        for (int width = record.Width; width < 1000000 && need == 0; width += 1)
            if (!TooNarrow(Kind(), FEntry->text(), FBuffer, ElementRatio(), FCheckDigit->isChecked(),
                           width - (FShowFrame->isChecked() ? 20 : 0)))
                need = width;
        ShowMessage(this, TBarCodeMessage::bmTooNarrow,
                    QStringLiteral("バーコードの幅が狭すぎて印刷できません。幅を%1mm以上にしてください。")
                        .arg(MillimetreText(need)));
        FPages->setCurrentIndex(2);
        return;
    }
    QDialog::accept();
}

void TfrmBarCodeProperty::done(int result)
{
    LastPage() = FPages->currentIndex();
    QDialog::done(result);
}

// ---------------------------------------------------------------------------------

bool ReplaceBarCodeOnSite(TLOBarCode* object, TLOBarCode* replacement)
{
    TDrawSite* site = object->Site();
    const int index = site ? site->IndexOfObject(object) : -1;
    if (index < 0)
        return false;
    TActionGroupScope group(QStringLiteral("設定変更"));
    auto removal = std::make_unique<TDODelAction>(object, QStringLiteral("設定変更"));
    object->SetSelected(false);
    object->Invalidate();
    object->SetSite(nullptr);
    TActionList::Instance().AddAction(std::move(removal));
    replacement->SetCursor(crHandPoint);
    site->AddObject(replacement);
    const int added = site->IndexOfObject(replacement);
    if (added >= 0 && added != index)
        site->MoveObject(added, index);
    TActionList::Instance().AddAction(
        std::make_unique<TDOAddAction>(replacement, QStringLiteral("設定変更")));
    site->SelectAll(false);
    replacement->SetSelected(true);
    replacement->Invalidate();
    site->RefreshPivots();
    return true;
}

bool ApplyBarCodeDialog(TfrmBarCodeProperty& dialog, TLOBarCode& code,
                        const std::function<void(TLOBarCode&)>& more)
{
    const bool zintObject = dynamic_cast<TLOZintBarCode*>(&code) != nullptr;
    if (zintObject == (dialog.Kind() == TfrmBarCodeProperty::kZintKind)) {
        ApplySettingChange(code, [&] {
            dialog.ApplyTo(code);
            if (more)
                more(code);
        });
        return true;
    }
    std::unique_ptr<TLOBarCode> replacement(MakeOtherFamily(code));
    if (!replacement)
        return false;
    dialog.ApplyTo(*replacement);
    if (more)
        more(*replacement);
    if (!code.OnSite()) {
        TLOCreator::ReplaceNewObject(&code, replacement.release());
        return true;
    }
    if (!ReplaceBarCodeOnSite(&code, replacement.get()))
        return false;
    replacement.release();
    return true;
}

bool TDOBarCodeEditor::EditObject(TLabelObject* object, bool& cancelled)
{
    auto* code = dynamic_cast<TLOBarCode*>(object);
    if (!code)
        return false;
    TfrmBarCodeProperty dialog(code->Site());
    std::unique_ptr<TChangeActionRecord> action = BeginChangeAction(code, QStringLiteral("設定変更"));
    dialog.LoadFrom(*code);
    // A member of a group cannot be exchanged for an object of the other class.
    if (code->OnSite() && (!code->Site() || code->Site()->IndexOfObject(code) < 0))
        dialog.SetFamilyLocked(true);
    const int result = ExecHook() ? ExecHook()(dialog) : dialog.exec();
    if (result == QDialog::Accepted) {
        const bool zintObject = dynamic_cast<TLOZintBarCode*>(code) != nullptr;
        if (zintObject == (dialog.Kind() == TfrmBarCodeProperty::kZintKind))
            dialog.ApplyTo(*code);
        else
            ApplyBarCodeDialog(dialog, *code, nullptr); // the object is exchanged, not changed
    }
    if (action)
        action->Commit();
    cancelled = result != QDialog::Accepted;
    return true;
}

void TDOBarCodeEditor::SetExecHook(std::function<int(TfrmBarCodeProperty&)> hook)
{
    ExecHook() = std::move(hook);
}

void RegisterBarCodeDesigner()
{
    static std::weak_ptr<IDODesigner> registered;
    if (!registered.expired())
        return;
    auto editor = std::make_shared<TDOBarCodeEditor>();
    registered = editor;
    TDesignerList::Instance().Register(editor);
}

bool InsertBarCode(TDrawSite* site)
{
    return TDesignerList::Instance().CreateObject(site, QStringLiteral("TLOBarCode"));
}

} // namespace velmo
