// The resource-file reader on untrusted bytes: every record, a lookup by ordinal and
// by name, and the picture loads of what was found.
#include "imaging/UImageData.h"
#include "imaging/UResourceImage.h"
#include "imaging/USafetyJPEGImage.h"
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        (void)velmo::ReadResourceRecords(bytes);
    } catch (const velmo::Exception&) {
    }
    const velmo::TResourceId types[] = {velmo::TResourceId::FromOrdinal(velmo::RT_BITMAP),
                                        velmo::TResourceId::FromOrdinal(velmo::RT_ICON),
                                        velmo::TResourceId::FromString(QStringLiteral("CBM")),
                                        velmo::TResourceId::FromString(QStringLiteral("JPEG"))};
    for (const velmo::TResourceId& type : types) {
        for (const QString& name : {QStringLiteral("A"), QStringLiteral("#1")}) {
            try {
                const QByteArray found =
                    velmo::FindResource(bytes, type, velmo::TResourceId::FromString(name));
                velmo::TPictureEx picture;
                if (type.IsOrdinal && type.Ordinal == velmo::RT_ICON)
                    velmo::LoadIconResource(found, picture);
                else if (type.IsOrdinal || type.Name == QStringLiteral("CBM"))
                    velmo::LoadBitmapResource(found, picture);
                else
                    picture.EnsureJPEG()->SetFileBytes(found);
            } catch (const velmo::Exception&) {
            }
        }
    }
    return 0;
}
