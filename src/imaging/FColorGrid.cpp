#include "imaging/FColorGrid.h"
#include "draw/UCanvas.h"
#include <QApplication>
#include <QColorDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace velmo {

namespace {

constexpr int kColumns = 8;
constexpr int kRows = 5;
constexpr int kCell = 22;
constexpr int kCellOther = 40;
constexpr int kCellTransparent = 41;

std::function<QString()>& CustomRead()
{
    static std::function<QString()> read;
    return read;
}
std::function<void(const QString&)>& CustomWrite()
{
    static std::function<void(const QString&)> write;
    return write;
}

TColor ParseGridColor(const char* text)
{
    int32_t value = 0;
    if (ColorIdents().ToInt(QString::fromLatin1(text), &value))
        return value;
    return TColor(QString::fromLatin1(text + 1).toUInt(nullptr, 16)); // "$00bbggrr"
}

} // namespace

const std::array<TColor, 40>& ColorGridColors()
{
    static const std::array<TColor, 40> colors = [] {
        static const char* const texts[40] = {
            "clBlack",   "clRed",     "clYellow",  "clLime",    "clAqua",    "clBlue",    "clFuchsia",
            "clWhite",   "clGray",    "clMaroon",  "clOlive",   "clGreen",   "clTeal",    "clNavy",
            "clPurple",  "clSilver",  "$003f3f3f", "$007f7fff", "$007fffff", "$007fff7f", "$00ffff7f",
            "$00ff7f7f", "$00ff7fff", "$00bf3f7f", "$00bf7f3f", "$007f7fbf", "$007fbfbf", "$007fbf7f",
            "$00bfbf7f", "$00bf7f7f", "$00bf7fbf", "$003f7fbf", "$007fbf3f", "$007fbfff", "$007fffbf",
            "$00bfff7f", "$00ffbf7f", "$00ff7fbf", "$00bf7fff", "$007f3fbf"};
        std::array<TColor, 40> out{};
        for (int i = 0; i < 40; ++i)
            out[size_t(i)] = ParseGridColor(texts[i]);
        return out;
    }();
    return colors;
}

void SetCustomColorsStore(std::function<QString()> read, std::function<void(const QString&)> write)
{
    CustomRead() = std::move(read);
    CustomWrite() = std::move(write);
}

bool ChooseSystemColor(QWidget* parent, TColor initial, TColor* chosen)
{
    // Custom colours: read before, written after a confirmed choice.
    if (CustomRead()) {
        const QStringList values = CustomRead()().split(u',', Qt::SkipEmptyParts);
        for (int i = 0; i < values.size() && i < QColorDialog::customCount(); ++i) {
            bool ok = false;
            const uint bgr = values[i].trimmed().toUInt(&ok, 16);
            if (ok)
                QColorDialog::setCustomColor(i, ToQColor(TColor(bgr & 0xFFFFFF)));
        }
    }
    QColorDialog dialog(ToQColor(initial), parent);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QColor c = dialog.selectedColor();
    *chosen = TColor(c.red() | (c.green() << 8) | (c.blue() << 16));
    if (CustomWrite()) {
        QStringList values;
        for (int i = 0; i < QColorDialog::customCount(); ++i) {
            const QColor custom = QColorDialog::customColor(i);
            values << QStringLiteral("%1")
                          .arg(custom.red() | (custom.green() << 8) | (custom.blue() << 16), 6, 16,
                               QLatin1Char('0'))
                          .toUpper();
        }
        CustomWrite()(values.join(u','));
    }
    return true;
}

// ---------------------------------------------------------------------------------
// TColorGridWidget

TColorGridWidget::TColorGridWidget(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TColorGridWidget::SetAllowTransparent(bool allow)
{
    FAllowTransparent = allow;
    updateGeometry();
    update();
}

void TColorGridWidget::SetColor(TColor color)
{
    FColor = color;
    update();
}

QSize TColorGridWidget::sizeHint() const
{
    return QSize(kColumns * kCell + 1, kRows * kCell + kCell + 3);
}

QRect TColorGridWidget::CellRect(int cell) const
{
    if (cell >= 0 && cell < 40)
        return QRect((cell % kColumns) * kCell, (cell / kColumns) * kCell, kCell, kCell);
    const int top = kRows * kCell + 2;
    const int half = kColumns * kCell / 2;
    if (cell == kCellOther)
        return FAllowTransparent ? QRect(0, top, half, kCell) : QRect(0, top, kColumns * kCell, kCell);
    if (cell == kCellTransparent && FAllowTransparent)
        return QRect(half, top, kColumns * kCell - half, kCell);
    return {};
}

int TColorGridWidget::CellAt(QPoint point) const
{
    for (int cell = 0; cell <= kCellTransparent; ++cell)
        if (CellRect(cell).contains(point))
            return cell;
    return -1;
}

void TColorGridWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const std::array<TColor, 40>& colors = ColorGridColors();
    for (int cell = 0; cell < 40; ++cell) {
        const QRect r = CellRect(cell).adjusted(2, 2, -2, -2);
        painter.fillRect(r, ToQColor(colors[size_t(cell)]));
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        if (colors[size_t(cell)] == FColor) {
            painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
            painter.drawRect(CellRect(cell).adjusted(1, 1, -1, -1));
        }
    }
    auto button = [&](int cell, const QString& text, bool selected) {
        const QRect r = CellRect(cell).adjusted(1, 1, -1, -1);
        painter.fillRect(r, palette().button());
        painter.setPen(selected ? QPen(palette().color(QPalette::Highlight), 2)
                                : QPen(palette().color(QPalette::Dark)));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(r, Qt::AlignCenter, text);
    };
    button(kCellOther, QStringLiteral("その他の色"), false);
    if (FAllowTransparent)
        button(kCellTransparent, QStringLiteral("透過"), FColor == clNone);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
        painter.drawRect(CellRect(FFocus).adjusted(0, 0, -1, -1));
    }
}

void TColorGridWidget::Choose(int cell)
{
    if (cell >= 0 && cell < 40) {
        FColor = ColorGridColors()[size_t(cell)];
    } else if (cell == kCellOther) {
        TColor chosen = 0;
        if (!ChooseSystemColor(window(), FColor == clNone ? 0 : FColor, &chosen))
            return;
        FColor = chosen;
    } else if (cell == kCellTransparent && FAllowTransparent) {
        FColor = clNone;
    } else {
        return;
    }
    update();
    Q_EMIT ColorChosen(FColor);
}

void TColorGridWidget::mousePressEvent(QMouseEvent* event)
{
    const int cell = CellAt(event->position().toPoint());
    if (cell < 0)
        return;
    FFocus = cell;
    Choose(cell);
}

void TColorGridWidget::keyPressEvent(QKeyEvent* event)
{
    const int last = FAllowTransparent ? kCellTransparent : kCellOther;
    switch (event->key()) {
    case Qt::Key_Left:
        FFocus = std::max(0, FFocus - 1);
        break;
    case Qt::Key_Right:
        FFocus = std::min(last, FFocus + 1);
        break;
    case Qt::Key_Up:
        FFocus = FFocus >= 40 ? 32 : std::max(0, FFocus - kColumns);
        break;
    case Qt::Key_Down:
        FFocus = FFocus + kColumns < 40 ? FFocus + kColumns : (FFocus < 40 ? kCellOther : FFocus);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        Choose(FFocus);
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    update();
}

// ---------------------------------------------------------------------------------
// TfrmColorGrid

TfrmColorGrid::TfrmColorGrid(QWidget* parent) : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmColorGrid"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    FGrid = new TColorGridWidget(this);
    layout->addWidget(FGrid);
    connect(FGrid, &TColorGridWidget::ColorChosen, this, [this](TColor color) {
        FDone = true;
        hide();
        if (OnChosen)
            OnChosen(color);
    });
}

TfrmColorGrid& TfrmColorGrid::Instance()
{
    static TfrmColorGrid* window = new TfrmColorGrid;
    return *window;
}

void TfrmColorGrid::PopupAt(QPoint globalPoint)
{
    FDone = false;
    adjustSize();
    move(globalPoint);
    show();
    raise();
    activateWindow();
    FGrid->setFocus();
}

void TfrmColorGrid::Cancel()
{
    if (FDone)
        return;
    FDone = true;
    hide();
    if (OnCancel)
        OnCancel();
}

void TfrmColorGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        Cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TfrmColorGrid::hideEvent(QHideEvent* event)
{
    // A pop-up that closes by a click elsewhere has lost the focus: a cancel.
    QWidget::hideEvent(event);
    Cancel();
}

bool TfrmColorGrid::event(QEvent* event)
{
    if (event->type() == QEvent::WindowDeactivate && isVisible())
        Cancel();
    return QWidget::event(event);
}

} // namespace velmo
