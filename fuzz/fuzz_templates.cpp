// Label-sheet template files (gLabels XML) on untrusted bytes: read, converted.
#include "base/UExceptions.h"
#include "paper/UTemplateImport.h"
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        velmo::TTemplateImporter importer;
        importer.AddFile(QStringLiteral("fuzz.xml"), bytes);
        for (const velmo::TImportedTemplate& t : importer.Convert())
            if (t.Paper)
                (void)t.Paper->GetFaceCount();
    } catch (const velmo::Exception&) {
    }
    return 0;
}
