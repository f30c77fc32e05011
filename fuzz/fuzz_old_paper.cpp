// Papers of the earlier generation: a PaperInfo resource read and converted, and the
// same bytes as an older catalogue file.
#include "paper/UOldPapers.h"
#include "paper/UPapers.h"
#include "paper/UVelmoPapers.h"
#include <QTemporaryFile>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool registered = [] {
        velmo::RegisterCatalogueClasses();
        return true;
    }();
    (void)registered;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        velmo::TMemoryStream stream(bytes);
        std::unique_ptr<velmo::TPaperInfo> paper = velmo::ReadOldPaper(stream);
        (void)velmo::PaperDefect(*paper);
    } catch (const std::exception&) {
    }
    // Compound files only: anything else fails at the first sector.
    if (bytes.startsWith(QByteArray("\xD0\xCF\x11\xE0", 4))) {
        QTemporaryFile file;
        if (file.open()) {
            file.write(bytes);
            file.close();
            try {
                velmo::TOldPapers old(file.fileName());
                for (int i = 0; i < old.Count(); ++i) {
                    std::unique_ptr<velmo::TPaperInfo> paper = velmo::ConvertOldPaper(*old.Paper(i));
                    (void)velmo::PaperDefect(*paper);
                }
            } catch (const std::exception&) {
            }
        }
    }
    return 0;
}
