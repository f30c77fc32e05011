#include "text/FTransform.h"
#include "imaging/UResourceImage.h"
#include "text/UCoonsDistortion.h"
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace velmo {

QImage LoadPatternThumbnails(const QString& resourceFile)
{
    try {
        const QByteArray dib =
            FindResourceInFile(resourceFile, TResourceId::FromOrdinal(2),
                               TResourceId::FromString(QString::fromLatin1(kPatternThumbResource)));
        if (dib.size() < 40)
            return {};
        // A packed DIB is a bitmap file without its file header.
        const uint32_t headerSize = uint32_t(uchar(dib[0])) | uint32_t(uchar(dib[1])) << 8;
        const int bits = uchar(dib[14]);
        const uint32_t colours = uint32_t(uchar(dib[32])) | uint32_t(uchar(dib[33])) << 8;
        const uint32_t paletteEntries = bits <= 8 ? (colours ? colours : 1u << bits) : 0;
        const uint32_t offset = 14 + headerSize + 4 * paletteEntries;
        QByteArray file("BM");
        auto put32 = [&](uint32_t v) {
            for (int i = 0; i < 4; ++i)
                file.append(char(v >> (8 * i)));
        };
        put32(uint32_t(14 + dib.size()));
        put32(0);
        put32(offset);
        file.append(dib);
        QImage image = QImage::fromData(file, "BMP");
        if (image.width() != kPatternThumbWidth * kPatternThumbColumns ||
            image.height() != kPatternThumbHeight * kPatternThumbRows)
            return {};
        return image;
    } catch (const std::exception&) {
        return {};
    }
}

// The 24 cells and the focus frame.
class TPatternGrid : public QWidget
{
public:
    static constexpr int kGap = 12;

    TPatternGrid(const QImage& sheet, int count, QWidget* parent)
        : QWidget(parent), FSheet(sheet), FCount(count)
    {
        setFocusPolicy(Qt::StrongFocus);
        setFixedSize(TfrmTransform::kColumns * (kPatternThumbWidth + kGap) + kGap,
                     TfrmTransform::kVisibleRows * (kPatternThumbHeight + kGap) + kGap);
    }

    int Selected = 0;
    int Scroll = 0;
    std::function<void(int)> OnSelect;
    std::function<void()> OnAccept;
    std::function<void(int)> OnScroll;

    QRect CellRect(int cell) const
    {
        const int column = cell % TfrmTransform::kColumns, row = cell / TfrmTransform::kColumns;
        return QRect(kGap + column * (kPatternThumbWidth + kGap), kGap + row * (kPatternThumbHeight + kGap),
                     kPatternThumbWidth, kPatternThumbHeight);
    }
    int CellAt(QPoint p) const
    {
        for (int c = 0; c < TfrmTransform::kVisibleRows * TfrmTransform::kColumns; ++c)
            if (CellRect(c).contains(p))
                return c;
        return -1;
    }
    bool FrameVisible() const
    {
        const int c = Selected - TfrmTransform::kColumns * Scroll;
        return c >= 0 && c < TfrmTransform::kVisibleRows * TfrmTransform::kColumns;
    }
    QRect FrameRect() const
    {
        // 5 pixels outside the cell's top-left corner, as wide on the other sides.
        const QRect cell = CellRect(Selected - TfrmTransform::kColumns * Scroll);
        return cell.adjusted(-5, -5, 5, 5);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().base());
        for (int c = 0; c < TfrmTransform::kVisibleRows * TfrmTransform::kColumns; ++c) {
            const int index = c + TfrmTransform::kColumns * Scroll;
            const QRect r = CellRect(c);
            if (index >= FCount) {
                p.fillRect(r, palette().window());
                continue;
            }
            const QImage thumb = PatternThumbnail(FSheet, index);
            if (thumb.isNull()) {
                p.setPen(palette().text().color());
                p.drawRect(r.adjusted(0, 0, -1, -1));
                p.drawText(r, Qt::AlignCenter, QString::number(index + 1));
            } else {
                p.drawImage(r.topLeft(), thumb);
            }
        }
        if (FrameVisible()) {
            QPen pen(hasFocus() ? palette().highlight().color() : palette().mid().color(), 4);
            pen.setJoinStyle(Qt::MiterJoin);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawRect(FrameRect().adjusted(2, 2, -2, -2));
        }
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        const int c = CellAt(e->position().toPoint());
        if (c >= 0 && c + TfrmTransform::kColumns * Scroll < FCount && OnSelect)
            OnSelect(c + TfrmTransform::kColumns * Scroll);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override
    {
        mousePressEvent(e);
        if (CellAt(e->position().toPoint()) >= 0 && OnAccept)
            OnAccept();
    }
    void wheelEvent(QWheelEvent* e) override
    {
        if (OnScroll)
            OnScroll(Scroll + (e->angleDelta().y() < 0 ? 1 : -1));
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        int next = Selected;
        switch (e->key()) {
        case Qt::Key_Left:
            next -= 1;
            break;
        case Qt::Key_Right:
            next += 1;
            break;
        case Qt::Key_Up:
            next -= TfrmTransform::kColumns;
            break;
        case Qt::Key_Down:
            next += TfrmTransform::kColumns;
            break;
        default:
            QWidget::keyPressEvent(e);
            return;
        }
        if (next >= 0 && next < FCount && OnSelect)
            OnSelect(next);
    }
    void focusInEvent(QFocusEvent*) override { update(); }
    void focusOutEvent(QFocusEvent*) override { update(); }

private:
    QImage FSheet;
    int FCount;
};

TfrmTransform::TfrmTransform(const QImage& sheet, int count, QWidget* parent) : QDialog(parent), FSheet(sheet)
{
    setWindowTitle(QStringLiteral("変形パターンの選択"));
    count = std::clamp(count, 0, kPatternThumbColumns * kPatternThumbRows);
    FGrid = new TPatternGrid(sheet, count, this);
    FScroll = new QScrollBar(Qt::Vertical, this);
    FScroll->setRange(0, std::max(0, std::min(kMaxScroll, (count + kColumns - 1) / kColumns - kVisibleRows)));
    FScroll->setPageStep(6);
    FScroll->setSingleStep(1);
    auto* row = new QHBoxLayout;
    row->addWidget(FGrid);
    row->addWidget(FScroll);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    connect(FScroll, &QScrollBar::valueChanged, this, [this](int value) {
        FGrid->Scroll = value;
        FGrid->update();
    });
    FGrid->OnScroll = [this](int value) { FScroll->setValue(value); };
    FGrid->OnSelect = [this](int index) {
        FGrid->Selected = index;
        // Keyboard moves bring the chosen row into view.
        const int row = index / kColumns;
        if (row < FScroll->value())
            FScroll->setValue(row);
        else if (row >= FScroll->value() + kVisibleRows)
            FScroll->setValue(row - kVisibleRows + 1);
        FGrid->update();
    };
    FGrid->OnAccept = [this] { accept(); };
    FGrid->setFocus();
}

void TfrmTransform::SetIndex(int index)
{
    FGrid->Selected = std::max(0, index);
    if (index > kVisibleRows * kColumns - 1)
        FScroll->setValue(index / kColumns - (kVisibleRows - 1));
    else
        FScroll->setValue(0);
    FGrid->Scroll = FScroll->value();
    FGrid->update();
}

int TfrmTransform::Index() const
{
    return FGrid->Selected;
}

int TfrmTransform::ScrollPosition() const
{
    return FScroll->value();
}

bool TfrmTransform::FrameVisible() const
{
    return FGrid->FrameVisible();
}

QRect TfrmTransform::FrameRect() const
{
    return FGrid->FrameRect();
}

QImage TfrmTransform::SelectedThumbnail() const
{
    return PatternThumbnail(FSheet, FGrid->Selected);
}

bool TfrmTransform::Choose(QWidget* parent, const QImage& sheet, int count, int& index, QImage& thumbnail)
{
    TfrmTransform chooser(sheet, count, parent);
    chooser.SetIndex(index);
    if (chooser.exec() != QDialog::Accepted)
        return false;
    index = chooser.Index();
    thumbnail = chooser.SelectedThumbnail();
    return true;
}

} // namespace velmo
