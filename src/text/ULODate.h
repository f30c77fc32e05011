#pragma once
// Text objects that make their own text: the date object (a date and time in one of
// the date formats, optionally replaced by a document time when its design is read),
// the numbering object (a serial number per label) and the field object of older
// documents (a plain text object with a field number of its own).
#include "draw/UDOInterfaces.h"
#include "text/ULOText.h"
#include <cstdint>

namespace velmo {

class TLODate : public TLOVelmoText, public IDODate
{
    VELMO_DRAW_OBJECT(TLODate, TLOVelmoText)
public:
    explicit TLODate(TComponent* owner = nullptr);
    void* QueryInterface(const TGUID& iid) override;

    const QString& Format() const { return FFormat; }
    void SetFormat(const QString& value);
    double Date() const { return FDate; }
    // A day count that is not a date (not a number, outside years 1 to 9999) is
    // refused: the object keeps the date it had.
    void SetDateValue(double value);
    TDateUpdateFlag UpdateFlag() const { return FUpdateFlag; }
    void SetUpdateFlag(TDateUpdateFlag value);

    // IDODate
    TDateUpdateFlag GetUpdateFlag() const override { return FUpdateFlag; }
    double GetDate() const override { return FDate; }
    void SetDate(double dayCount) override { SetDateValue(dayCount); }

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    void Reformat();
    QString FFormat;
    double FDate = 0;
    TDateUpdateFlag FUpdateFlag = TDateUpdateFlag::dufNo;
};

// The text a numbering object shows for label number n.
QString NumberingText(const QString& header, const QString& footer, int start, int step, int lockCount,
                      bool comma, int n);

class TLONumbering : public TLOVelmoText, public IDONumbering
{
    VELMO_DRAW_OBJECT(TLONumbering, TLOVelmoText)
public:
    explicit TLONumbering(TComponent* owner = nullptr);
    void* QueryInterface(const TGUID& iid) override;

    const QString& HeaderText() const { return FHeaderText; }
    void SetHeaderText(const QString& value) { FHeaderText = value; }
    const QString& FooterText() const { return FFooterText; }
    void SetFooterText(const QString& value) { FFooterText = value; }
    int StartNumber() const { return FStartNumber; }
    void SetStartNumber(int value) { FStartNumber = value; }
    int StepCount() const { return FStepCount; }
    void SetStepCount(int value) { FStepCount = value; }
    int LockCount() const { return FLockCount; }
    void SetLockCount(int value) { FLockCount = value; }
    bool CommaEnable() const { return FCommaEnable; }
    void SetCommaEnable(bool value) { FCommaEnable = value; }
    int CurNumber() const { return FCurNumber; }
    void SetCurNumberValue(int value);
    // The text for label number n with the current settings.
    QString TextFor(int n) const;

    // IDONumbering
    void SetCurNumber(int number) override { SetCurNumberValue(number); }
    int GetCurNumber() const override { return FCurNumber; }

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    QString FHeaderText;
    QString FFooterText;
    int FStartNumber = 0;
    int FStepCount = 0;
    int FLockCount = 0;
    bool FCommaEnable = false;
    int FCurNumber = 0;
};

// Older documents' field text: its own field number, nothing bound to it.
class TLOField : public TLOVelmoText
{
    VELMO_DRAW_OBJECT(TLOField, TLOVelmoText)
public:
    explicit TLOField(TComponent* owner = nullptr) : TLOVelmoText(owner) {}
    int OwnFieldNo() const { return FOwnFieldNo; }
    void SetOwnFieldNo(int value) { FOwnFieldNo = value; }

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    int FOwnFieldNo = 0;
};

} // namespace velmo
