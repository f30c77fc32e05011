#pragma once
// The position block every object property dialog embeds under "位置": rotation,
// lock, do-not-print, automatic size and the object's rectangle in millimetres.
// It knows nothing of objects: dialogs fill a record from their object and apply
// the record back, so the panel can sit below every object library.
#include <QGroupBox>
#include <functional>
#include <vector>

class QCheckBox;
class QDoubleSpinBox;
class QSpinBox;

namespace velmo {

// One record, fields in the order the dialogs exchange them. Lengths are logical
// units (0.1 mm), the angle whole degrees clockwise.
struct TPositionRecord
{
    int Angle = 0;
    bool Lock = false; // dialogs pass !Movable
    bool DontPrint = false;
    bool AutoSizeOffered = false; // the automatic-size box is shown only then
    bool AutoSize = false;
    int Left = 0;
    int Top = 0;
    int Width = 20;
    int Height = 20;

    bool operator==(const TPositionRecord&) const = default;
};

// A spin edit of millimetres with one decimal that exchanges logical units.
class TMillimetreEdit : public QWidget
{
public:
    // minimum and maximum in logical units; step is 1 mm.
    TMillimetreEdit(int minimum, int maximum, QWidget* parent = nullptr);
    int Value() const;        // logical units
    void SetValue(int units); // clamped into the range
    QDoubleSpinBox* SpinBox() const { return FSpin; }
    std::function<void()> OnChange;

private:
    QDoubleSpinBox* FSpin;
};

class TfrmPosition : public QGroupBox
{
public:
    explicit TfrmPosition(QWidget* parent = nullptr);

    void SetRecord(const TPositionRecord& record);
    // Width and Height come back as they were set while automatic size is on: the
    // dialogs apply them only when it is off.
    TPositionRecord Record() const;

    // Lines keep their end points elsewhere: only lock and do-not-print are shown.
    void SetFlagsOnly(bool value);

    // Called on every change of a control, for the dialogs' live previews.
    std::function<void()> OnChange;

    // The controls, for tests and for dialogs that move focus.
    QSpinBox* AngleEdit() const { return FAngle; }
    QCheckBox* LockBox() const { return FLock; }
    QCheckBox* DontPrintBox() const { return FDontPrint; }
    QCheckBox* AutoSizeBox() const { return FAutoSize; }
    TMillimetreEdit* LeftEdit() const { return FLeft; }
    TMillimetreEdit* TopEdit() const { return FTop; }
    TMillimetreEdit* WidthEdit() const { return FWidth; }
    TMillimetreEdit* HeightEdit() const { return FHeight; }

private:
    void UpdateEnabled();
    void Changed();

    QSpinBox* FAngle;
    QCheckBox* FLock;
    QCheckBox* FDontPrint;
    QCheckBox* FAutoSize;
    TMillimetreEdit* FLeft;
    TMillimetreEdit* FTop;
    TMillimetreEdit* FWidth;
    TMillimetreEdit* FHeight;
    std::vector<QWidget*> FGeometryWidgets;
    int FKeptWidth = 20;
    int FKeptHeight = 20;
    bool FUpdating = false;
};

} // namespace velmo
