#include "text/ULODate.h"
#include "base/UDateTime.h"
#include "text/UDateFormat.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace velmo {

// ---------------------------------------------------------------------------------
// TLODate

const TPropertyTable& TLODate::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .String("Format", &TLODate::Format, &TLODate::SetFormat)
                                            .Float("Date", &TLODate::Date, &TLODate::SetDateValue)
                                            .Enum("UpdateFlag", &TLODate::UpdateFlag, &TLODate::SetUpdateFlag,
                                                  {"dufNo", "dufOpen", "dufPrint", "dufSave"});
    return table;
}

TLODate::TLODate(TComponent* owner) : TLOVelmoText(owner) {}

void* TLODate::QueryInterface(const TGUID& iid)
{
    if (iid == IDODate::IID)
        return static_cast<IDODate*>(this);
    return TLOVelmoText::QueryInterface(iid);
}

void TLODate::Reformat()
{
    const QString text = FormatDayCount(FFormat, FDate);
    SetLines(text.split(u'\n'));
    Changed();
    Invalidate();
}

void TLODate::SetFormat(const QString& value)
{
    if (value == FFormat)
        return;
    FFormat = value;
    Reformat();
}

void TLODate::SetDateValue(double value)
{
    if (value == FDate || !DayCountToDateTime(value).isValid())
        return;
    FDate = value;
    Reformat();
}

void TLODate::SetUpdateFlag(TDateUpdateFlag value)
{
    if (int(value) < 0 || int(value) > 3)
        value = TDateUpdateFlag::dufNo;
    if (value == FUpdateFlag)
        return;
    FUpdateFlag = value;
    Changed();
}

void TLODate::AssignDrawObject(const TDrawObject& source)
{
    TLOVelmoText::AssignDrawObject(source);
    if (const auto* o = dynamic_cast<const TLODate*>(&source)) {
        SetFormat(o->FFormat);
        SetDateValue(o->FDate);
        SetUpdateFlag(o->FUpdateFlag);
    }
}

// ---------------------------------------------------------------------------------
// TLONumbering

QString NumberingText(const QString& header, const QString& footer, int start, int step, int lockCount,
                      bool comma, int n)
{
    // 64 bits hold every product of two 32-bit values: a long run never wraps round
    // to a wrong number.
    const int64_t v = int64_t(n) * int64_t(step) + int64_t(start);
    const uint64_t magnitude = v < 0 ? uint64_t(-v) : uint64_t(v);
    QString digits = QString::number(magnitude);
    if (comma) {
        for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
            digits.insert(i, u',');
    }
    // The dialog offers up to 10 places; a stored count far beyond that must not
    // make every label a page of zeros.
    const qsizetype width = std::clamp(lockCount, 0, 64);
    if (digits.size() < width)
        digits.prepend(QString(width - digits.size(), u'0'));
    if (v < 0)
        digits.prepend(u'-');
    return header + digits + footer;
}

const TPropertyTable& TLONumbering::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .String("HeaderText", &TLONumbering::HeaderText, &TLONumbering::SetHeaderText)
            .String("FooterText", &TLONumbering::FooterText, &TLONumbering::SetFooterText)
            .Int("StartNumber", &TLONumbering::StartNumber, &TLONumbering::SetStartNumber)
            .Int("StepCount", &TLONumbering::StepCount, &TLONumbering::SetStepCount)
            .Int("LockCount", &TLONumbering::LockCount, &TLONumbering::SetLockCount)
            .Bool("CommaEnable", &TLONumbering::CommaEnable, &TLONumbering::SetCommaEnable)
            .Int("CurNumber", &TLONumbering::CurNumber, &TLONumbering::SetCurNumberValue);
    return table;
}

TLONumbering::TLONumbering(TComponent* owner) : TLOVelmoText(owner) {}

void* TLONumbering::QueryInterface(const TGUID& iid)
{
    if (iid == IDONumbering::IID)
        return static_cast<IDONumbering*>(this);
    return TLOVelmoText::QueryInterface(iid);
}

QString TLONumbering::TextFor(int n) const
{
    return NumberingText(FHeaderText, FFooterText, FStartNumber, FStepCount, FLockCount, FCommaEnable, n);
}

void TLONumbering::SetCurNumberValue(int value)
{
    FCurNumber = value;
    const QString text = TextFor(value);
    // Unchanged text: nothing to lay out again (the same label printed many times).
    const QStringList lines = text.split(u'\n');
    if (Text()->Lines() != lines)
        SetLines(lines);
}

void TLONumbering::AssignDrawObject(const TDrawObject& source)
{
    TLOVelmoText::AssignDrawObject(source);
    if (const auto* o = dynamic_cast<const TLONumbering*>(&source)) {
        FHeaderText = o->FHeaderText;
        FFooterText = o->FFooterText;
        FStartNumber = o->FStartNumber;
        FStepCount = o->FStepCount;
        FLockCount = o->FLockCount;
        FCommaEnable = o->FCommaEnable;
        SetCurNumberValue(o->FCurNumber);
    }
}

// ---------------------------------------------------------------------------------
// TLOField

const TPropertyTable& TLOField::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int("FieldNo", &TLOField::OwnFieldNo, &TLOField::SetOwnFieldNo)
                                            .NoDefault();
    return table;
}

void TLOField::AssignDrawObject(const TDrawObject& source)
{
    TLOVelmoText::AssignDrawObject(source);
    if (const auto* o = dynamic_cast<const TLOField*>(&source))
        FOwnFieldNo = o->FOwnFieldNo;
}

} // namespace velmo
