#pragma once
// The millimetre rulers along the top and the left of the layout view. A ruler is
// graduated from its offset (the device position of the label's 0) over a length
// of whole millimetres at the zoom of the site it measures.
#include "base/UGraphics.h"
#include <QFont>
#include <QImage>
#include <QWidget>
#include <functional>

namespace velmo {

enum class TRulerKind
{
    rkHorizontal,
    rkVertical,
};

class TRuler : public QWidget
{
public:
    explicit TRuler(QWidget* parent = nullptr);

    int Scale() const { return FScale; }
    void SetScale(int value);
    TRulerKind Kind() const { return FKind; }
    void SetKind(TRulerKind value);
    int RulerOffset() const { return FRulerOffset; }
    void SetRulerOffset(int value);
    int RulerLength() const { return FRulerLength; }
    void SetRulerLength(int value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    void SetEndColor(TColor value);

    // The pointer marker: a red line across the ruler at a position of the ruler's
    // coordinates (-1 hides it).
    void SetMarker(int position);
    int Marker() const { return FMarker; }

    // A press anywhere on the ruler (or on its marker).
    std::function<void(TRuler* sender, Qt::MouseButton button, QPoint position)> OnMouseDown;

    // Paints the ruler onto any painter of the ruler's size.
    void PaintRuler(QPainter& painter, int deviceDpi);
    // The device positions of the ticks and numbers (for tests): m and whether a
    // number is printed.
    struct TTick
    {
        int Millimetre;
        int Position;
        int Start;
        bool Number;
    };
    std::vector<TTick> Ticks(int deviceDpi, const QFontMetrics& metrics) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Changed();
    int FScale = 100;
    bool FPrintNum = true;
    int FPercentage5 = 100;
    int FPercentage1 = 75;
    TRulerKind FKind = TRulerKind::rkHorizontal;
    int FRulerOffset = 0;
    int FRulerLength = 10;
    TColor FColor = clWindow;
    TColor FEndColor = clBtnFace;
    int FMarker = -1;
    QImage FGradient;
};

} // namespace velmo
