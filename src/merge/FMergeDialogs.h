#pragma once
// The dialogs of the objects that make their own text or take a merge field: the
// date dialog "日付オブジェクトの設定", the numbering page, the merge field chooser
// placed into the text, barcode and picture dialogs, and the designer that opens
// them.
#include <QDate>
#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;
class QSpinBox;

namespace velmo {

class TLabelData;
class TLODate;
class TLONumbering;
class TfrmTextDialog;

// The document whose merge data and current label the dialogs use (the layout
// editor's document while it edits one; nullptr: none).
void SetMergeDocument(TLabelData* document);
TLabelData* MergeDocument();

// The field chooser: one line per field "[name]value of the reference record", and
// the reference record's scroll bar with "n/count件".
class TfrmInsertionPanel : public QWidget
{
public:
    explicit TfrmInsertionPanel(QWidget* parent = nullptr);
    void Load(int field, bool isNew);
    // The chosen field (0 when nothing is chosen).
    int Field() const;
    int ReferenceRecord() const;
    // The chosen field's value in the reference record.
    QString ReferenceValue() const;
    std::function<void()> OnChanged;

    QListWidget* FieldList() const { return FList; }
    QScrollBar* RecordBar() const { return FBar; }
    QLabel* RecordLabel() const { return FRecordLabel; }
    QLabel* Title() const { return FTitle; }

private:
    void Fill();
    QLabel* FTitle;
    QListWidget* FList;
    QScrollBar* FBar;
    QLabel* FRecordLabel;
};

// The date page: formats shown on the date, the month calendar with its previous
// and next month buttons, hour, minute and the update mode.
class TfrmDatePage : public QWidget
{
public:
    explicit TfrmDatePage(QWidget* parent = nullptr);
    void Load(const TLODate& date);
    void ApplyTo(TLODate& date) const;
    // Calendar day at the chosen hour and minute, seconds 0 (a day count).
    double ChosenDayCount() const;
    QString ChosenFormat() const;
    void StepMonth(int months);
    void ChooseDay(int day);

    QListWidget* Formats() const { return FFormats; }
    QWidget* Calendar() const { return FCalendar; }
    QSpinBox* Hour() const { return FHour; }
    QSpinBox* Minute() const { return FMinute; }
    QComboBox* UpdateMode() const { return FUpdate; }
    QLabel* YearLabel() const { return FYear; }
    QLabel* MonthLabel() const { return FMonth; }
    QDate Day() const { return FDay; }
    std::function<void()> OnChanged;

private:
    void Refresh();
    QListWidget* FFormats;
    QWidget* FCalendar;
    QLabel* FYear;
    QLabel* FMonth;
    QSpinBox* FHour;
    QSpinBox* FMinute;
    QComboBox* FUpdate;
    QDate FDay;
};

// The numbering page with its sample of label numbers 0 to 9.
class TfrmNumberingPage : public QWidget
{
public:
    explicit TfrmNumberingPage(QWidget* parent = nullptr);
    void Load(const TLONumbering& numbering, bool isNew);
    // Text (the first sample line), the six settings, then CurNumber = label.
    void ApplyTo(TLONumbering& numbering, int label) const;
    QStringList Sample() const;

    QSpinBox* Start() const { return FStart; }
    QSpinBox* Step() const { return FStep; }
    QSpinBox* Places() const { return FPlaces; }
    QLineEdit* Header() const { return FHeader; }
    QLineEdit* Footer() const { return FFooter; }
    QCheckBox* Comma() const { return FComma; }
    QListWidget* SampleList() const { return FSample; }
    QLabel* Title() const { return FTitle; }
    std::function<void()> OnChanged;

private:
    void Refresh();
    QLabel* FTitle;
    QSpinBox* FStart;
    QSpinBox* FStep;
    QSpinBox* FPlaces;
    QLineEdit* FHeader;
    QLineEdit* FFooter;
    QCheckBox* FComma;
    QListWidget* FSample;
};

// How a merge kind's dialog gets merge data when the document has none (the file
// dialog of the merge data by default; the layout editor's own choice when it set one).
void SetMergeDataChooser(std::function<bool(QWidget* parent, TLabelData& document)> chooser);

// The record the merge dialogs show and give a merge object on OK while the user
// browses the records on the label (the insertion controller's); empty: the current
// label's own record.
void SetMergeRecordSource(std::function<int()> source);

// Tests and screenshots replace the modal run of the dialogs (the filled dialog in,
// its result out).
void SetMergeDialogRunner(std::function<int(QWidget& dialog)> runner);

// Opens the merge dialogs for date, numbering and merge objects through the
// designer list (after the text, barcode and image designers).
void RegisterMergeDesigners();

} // namespace velmo
