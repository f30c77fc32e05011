#pragma once
// The colour grid of 8 x 5 colours with "その他の色" (the system colour dialog) and,
// where the caller allows it, "透過"; and its pop-up window TfrmColorGrid.
#include "base/UGraphics.h"
#include <QWidget>
#include <array>
#include <functional>

class QColorDialog;

namespace velmo {

// The grid's colours in order, from their texts ("clBlack", …, "$007f3fbf").
const std::array<TColor, 40>& ColorGridColors();

// Where the system colour dialog's custom colours are kept: a text of the setting
// "CustomColors" (sixteen comma-separated 6-digit hex values BBGGRR). The data
// module installs the application's settings; without it nothing is remembered.
void SetCustomColorsStore(std::function<QString()> read, std::function<void(const QString&)> write);
// The system colour dialog on initial; the custom colours are read before and, after
// a confirmed choice, written back. False when cancelled.
bool ChooseSystemColor(QWidget* parent, TColor initial, TColor* chosen);

class TColorGridWidget : public QWidget
{
    Q_OBJECT
public:
    explicit TColorGridWidget(QWidget* parent = nullptr);
    void SetAllowTransparent(bool allow);
    void SetColor(TColor color);
    TColor Color() const { return FColor; }
    QSize sizeHint() const override;

    // The cell at a point: 0 … 39 colours, 40 "その他の色", 41 "透過", -1 none.
    int CellAt(QPoint point) const;
    QRect CellRect(int cell) const;

Q_SIGNALS:
    void ColorChosen(TColor color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Choose(int cell);

    TColor FColor = 0;
    bool FAllowTransparent = false;
    int FFocus = 0;
};

// A borderless window with the grid, created once; it hides after a choice or a
// cancel (Escape, or losing the focus).
class TfrmColorGrid : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmColorGrid(QWidget* parent = nullptr);
    // The window of the run (made on first use).
    static TfrmColorGrid& Instance();

    void SetColor(TColor color) { FGrid->SetColor(color); }
    void SetAllowTransparent(bool allow) { FGrid->SetAllowTransparent(allow); }
    TColorGridWidget* Grid() const { return FGrid; }
    std::function<void(TColor)> OnChosen;
    std::function<void()> OnCancel;
    // Shows the window with its top-left corner at the global point.
    void PopupAt(QPoint globalPoint);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Cancel();
    TColorGridWidget* FGrid;
    bool FDone = false;
};

} // namespace velmo
