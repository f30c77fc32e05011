#include "DrawTestObjects.h"

namespace velmo::test {

const TPropertyTable& TTestBox::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

} // namespace velmo::test
