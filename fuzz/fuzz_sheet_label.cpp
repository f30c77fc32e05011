// The label clipboard format: an object list whose first object's name carries the
// size of the label it came from.
#include "objects/UDOGroup.h"
#include "objects/ULDObjects.h"
#include "sheet/USheetLabels.h"
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool registered = [] {
        velmo::RegisterLabelClass<velmo::TDOGroup>();
        return true;
    }();
    (void)registered;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)velmo::TSheetLabels::IsLabelClipboard(bytes);
    QSize labelSize;
    (void)velmo::ParseLabelSizeName(QString::fromLatin1(bytes.left(40)), labelSize);
    return 0;
}
