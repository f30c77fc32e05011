// Reads arbitrary bytes as a design source (settings and "[label …]" blocks) and turns
// every design block into a component resource, as make-templates does before it
// builds a document: neither may crash, hang or allocate without bound.
#include "persist/UComponentText.h"
#include "persist/UDesignSource.h"
#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    if (size > 64 * 1024)
        return 0;
    TDesignSource source;
    try {
        source = ParseDesignSource(QStringLiteral("fuzz.txt"),
                                   QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const EDesignSourceError&) {
        return 0;
    }
    for (const TDesignLabel& label : source.Labels) {
        try {
            (void)TextToComponentResource(label.Text, QStringLiteral("LabelData"));
        } catch (const EParserError&) {
        } catch (const std::exception&) {
        }
    }
    return 0;
}
