// Reads arbitrary bytes as the text form of a component stream, and as a stream to
// print in the text form. Neither may crash or hang; whatever text reads must print
// again and read back to the same bytes.
#include "base/UStream.h"
#include "persist/UComponentText.h"
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const QByteArray stream = TextToComponent(QString::fromUtf8(bytes));
        const QByteArray again = TextToComponent(ComponentToText(stream));
        if (again != stream)
            std::abort();
    } catch (const velmo::Exception&) {
    }
    try {
        (void)ComponentToText(bytes);
    } catch (const velmo::Exception&) {
    }
    return 0;
}
