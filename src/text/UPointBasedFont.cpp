#include "text/UPointBasedFont.h"
#include "base/UNumbers.h"

namespace velmo {

const TPropertyTable& TPointBasedFont::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Redeclare("Height")
                                            .StoredIf(false)
                                            .Redeclare("Size")
                                            .StoredIf(true);
    return table;
}

int TPointBasedFont::HeightFor(int dpi) const
{
    return -MulDiv(Size(), dpi, 72);
}

} // namespace velmo
