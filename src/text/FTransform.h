#pragma once
// The pattern chooser "変形パターンの選択": the thumbnails of the delivered
// distortion patterns in a scrolling grid of 6 rows of 4, the chosen one framed.
#include <QDialog>
#include <QImage>

class QScrollBar;

namespace velmo {

class TPatternGrid;

// The chooser's thumbnails: cell i of the "TransformPattern" bitmap of the resource
// file (a null image when the file or the resource is missing or damaged).
QImage LoadPatternThumbnails(const QString& resourceFile);

class TfrmTransform : public QDialog
{
public:
    static constexpr int kVisibleRows = 6;
    static constexpr int kColumns = 4;
    static constexpr int kMaxScroll = 10;

    // sheet: the thumbnail bitmap; count: how many patterns there are (at most 64).
    TfrmTransform(const QImage& sheet, int count, QWidget* parent = nullptr);

    // The pattern chosen when the chooser opens (-1: none, the first is chosen).
    void SetIndex(int index);
    int Index() const;
    int ScrollPosition() const;
    // The frame is shown (its row is in view) and where, in grid coordinates.
    bool FrameVisible() const;
    QRect FrameRect() const;
    // The thumbnail of the chosen pattern.
    QImage SelectedThumbnail() const;
    QScrollBar* ScrollBar() const { return FScroll; }
    TPatternGrid* Grid() const { return FGrid; }

    // Shows the chooser; true and the choice on OK.
    static bool Choose(QWidget* parent, const QImage& sheet, int count, int& index, QImage& thumbnail);

private:
    QImage FSheet;
    TPatternGrid* FGrid;
    QScrollBar* FScroll;
};

} // namespace velmo
