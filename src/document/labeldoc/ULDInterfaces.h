#pragma once
// What the document asks of date and background objects when it reads a design.
// The document reaches those kinds only through these interfaces (and IDOBackImage),
// so that it works with whatever classes implement them.
#include "draw/UDOInterfaces.h"

namespace velmo {

// TDateUpdateFlag: which document time replaces a date object's date when its
// design is read.
enum class TDateUpdateFlag
{
    dufNo,
    dufOpen,
    dufPrint,
    dufSave
};

// A date object.
class IDODate
{
public:
    static constexpr TGUID IID{0x6A1C2E40, 0x3B7D, 0x4F52, {0x9C, 0x11, 0x5E, 0x20, 0x8B, 0x47, 0xD3, 0x0A}};
    virtual ~IDODate() = default;
    virtual TDateUpdateFlag GetUpdateFlag() const = 0;
    // Day count (days since 1899-12-30, time as the fraction).
    virtual double GetDate() const = 0;
    virtual void SetDate(double dayCount) = 0;
};

// A background object that can tell whether it shows anything: no frame, a solid
// white fill and no blend picture show nothing.
class IDOBackImageContent
{
public:
    static constexpr TGUID IID{0x6A1C2E41, 0x3B7D, 0x4F52, {0x9C, 0x11, 0x5E, 0x20, 0x8B, 0x47, 0xD3, 0x0A}};
    virtual ~IDOBackImageContent() = default;
    virtual bool IsEmptyBackground() const = 0;
};

} // namespace velmo
