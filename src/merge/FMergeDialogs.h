#pragma once
// The dialogs of the objects that make their own text or take a merge field: the
// date dialog "日付オブジェクトの設定", the numbering page, the merge field chooser
// placed into the text, barcode and picture dialogs, and the designer that opens
// them.
#include "objects/ULabelObject.h"
#include <QDate>
#include <QWidget>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;
class QSpinBox;

namespace velmo {

class TCsvDB;
class TLabelData;
class TLOBarCode;
class TLOInsImage;
class TLOInsText;
class TLODate;
class TLONumbering;
class TMergeSession;
class TfrmTextDialog;

// The field chooser over a merge database: one line per field "[name]value of the
// reference record", and the reference record's scroll bar with "n/count件".
class TfrmInsertionPanel : public QWidget
{
public:
    explicit TfrmInsertionPanel(TCsvDB& db, QWidget* parent = nullptr);
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
    TCsvDB& FDB;
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

// Tests and screenshots replace the modal run of the dialogs (the filled dialog in,
// its result out).
void SetMergeDialogRunner(std::function<int(QWidget& dialog)> runner);

// Opens the dialogs of date, numbering and merge objects for the objects of one
// merge session: the fields and values of its merge data, the record its current
// label shows (the browsed one while the user browses). The layout view holds one
// over the session it was lent.
class TMergeDesigner : public TDesigner
{
public:
    explicit TMergeDesigner(TMergeSession& session) : FSession(&session) {}
    void SetSession(TMergeSession& session) { FSession = &session; }
    // How a merge kind's dialog gets merge data when the document has none (true:
    // chosen); unset: the file dialog of the merge data.
    void SetDataChooser(std::function<bool(QWidget* parent)> chooser) { FChooser = std::move(chooser); }

    bool EditObject(TLabelObject* object, bool& cancelled) override;

private:
    bool EnsureMergeData(QWidget* parent);
    QString FieldOfCurrentRecord(int field);
    bool EditDate(TLODate& date);
    bool EditNumbering(TLONumbering& numbering);
    bool EditInsText(TLOInsText& text);
    bool EditInsBarCode(TLOBarCode& code);
    bool EditInsImage(TLOInsImage& image);

    TMergeSession* FSession;
    std::function<bool(QWidget*)> FChooser;
};

// Puts the designer (back) at the end of the designer list, so that it answers for
// its kinds before the text, barcode and image designers whatever registered after
// it.
void RegisterMergeDesigner(const std::shared_ptr<TMergeDesigner>& designer);

} // namespace velmo
