#pragma once
// The property dialogs of the shapes, the decorative-line chooser, and the
// dialogs of the editing commands (alignment, adjustment against the face, grid).
#include "objects/ULabelObject.h"
#include "objects/UStandardDSA.h"
#include <QDialog>
#include <QImage>
#include <QString>
#include <functional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QListWidget;
class QRadioButton;
class QTabWidget;

namespace velmo {

class TfrmColorSpec;
class TfrmPosition;
class TGrid;
class TLOLine;
class TLODecoLine;
class TLORect;
class TMillimetreEdit;

// Where the decorative-line pictures are ("ILLUST\DecoLine"); empty when the
// folder cannot be found. The application asks its data-file search for
// "飾り罫線データ"; without a locator the installed and build data folders are tried.
void SetDecoLineFolderLocator(std::function<QString()> locator);
QString DecoLineFolder();
// The folder beside the program: the build's data folder or the installed one.
QString BuiltDecoLineFolder();
// The pattern files of a folder, sorted by name.
QStringList DecoLinePatternFiles(const QString& folder);

class TfrmLineProperty : public QDialog
{
public:
    explicit TfrmLineProperty(TLOLine* line, QWidget* parent = nullptr);
    // Writes the values in their order: colour, width, end points, lock, print.
    void Apply();
    QTabWidget* Tabs() const { return FTabs; }
    TMillimetreEdit* WidthEdit() const { return FWidth; }
    TMillimetreEdit* PointEdit(int i) const { return FPoints[size_t(i)]; }
    TfrmPosition* Position() const { return FPosition; }

protected:
    void done(int result) override;

private:
    TLOLine* FLine;
    QTabWidget* FTabs;
    TfrmColorSpec* FColor;
    TMillimetreEdit* FWidth;
    std::vector<TMillimetreEdit*> FPoints;
    TfrmPosition* FPosition;
};

class TfrmRectProperty : public QDialog
{
public:
    explicit TfrmRectProperty(TLORect* rect, QWidget* parent = nullptr);
    void Apply();
    QTabWidget* Tabs() const { return FTabs; }
    TMillimetreEdit* FrameWidthEdit() const { return FFrameWidth; }
    QCheckBox* RoundBox() const { return FRound; }
    QRadioButton* FillButton() const { return FFill; }
    QRadioButton* ClearButton() const { return FClear; }
    TfrmColorSpec* FillColorPanel() const { return FFillColor; }
    TfrmPosition* Position() const { return FPosition; }

protected:
    void done(int result) override;

private:
    void UpdateEnabled();
    TLORect* FRect;
    QTabWidget* FTabs;
    TfrmColorSpec* FFrameColor;
    TMillimetreEdit* FFrameWidth;
    QCheckBox* FRound;
    QRadioButton* FClear;
    QRadioButton* FFill;
    TfrmColorSpec* FFillColor;
    TfrmPosition* FPosition;
};

class TfrmDecoLineSelect : public QDialog
{
public:
    TfrmDecoLineSelect(TLODecoLine* line, const QString& folder, QWidget* parent = nullptr);
    void Apply();
    QListWidget* Patterns() const { return FList; }
    QTabWidget* Tabs() const { return FTabs; }
    TMillimetreEdit* WidthEdit() const { return FWidth; }

protected:
    void done(int result) override;

private:
    TLODecoLine* FLine;
    QStringList FFiles;
    QTabWidget* FTabs;
    QListWidget* FList;
    TMillimetreEdit* FWidth;
    std::vector<TMillimetreEdit*> FPoints;
    TfrmPosition* FPosition;
};

// "位置揃え": the choice is remembered while the application runs.
class TfrmAlign : public QDialog
{
public:
    explicit TfrmAlign(QWidget* parent = nullptr);
    TAlignKind Choice() const;
    QButtonGroup* Group() const { return FGroup; }

protected:
    void done(int result) override;

private:
    QButtonGroup* FGroup;
};

// "位置合わせ": adjustment against the label face.
class TfrmFaceAdjust : public QDialog
{
public:
    explicit TfrmFaceAdjust(QWidget* parent = nullptr);
    TFaceAdjust Choice() const;
    QButtonGroup* Group() const { return FGroup; }

protected:
    void done(int result) override;

private:
    QButtonGroup* FGroup;
};

// "グリッド設定" on a grid: OK writes the values back, Cancel changes nothing.
class TfrmGridSettings : public QDialog
{
public:
    TfrmGridSettings(TGrid& grid, QWidget* parent = nullptr);
    void Apply();
    TMillimetreEdit* SizeEdit() const { return FSize; }
    QCheckBox* EnabledBox() const { return FEnabled; }
    QCheckBox* VisibleBox() const { return FVisible; }
    QButtonGroup* ShapeGroup() const { return FShape; }

protected:
    void done(int result) override;

private:
    void UpdateEnabled();
    TGrid& FGrid;
    TMillimetreEdit* FSize;
    QCheckBox* FEnabled;
    QCheckBox* FVisible;
    QButtonGroup* FShape;
    std::vector<QWidget*> FShapeWidgets;
};

// The designer that opens the shapes' dialogs (line, arc, rectangle, ellipse,
// decorative line). Tests replace the way a dialog runs.
class TShapeDesigner : public TDesigner
{
public:
    bool EditObject(TLabelObject* object, bool& cancelled) override;
    // Runs a dialog modally; returns its result (1 OK).
    static void SetDialogRunner(std::function<int(QDialog& dialog)> runner);
};

// Registers the shape classes (idempotent), their command targets and the
// designer that edits them.
void RegisterShapeClasses();

} // namespace velmo
