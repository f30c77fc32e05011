// The BMP reader on untrusted bytes: file and packed-DIB forms, decoded to pixels.
#include "imaging/USafetyBitmap.h"
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        velmo::TSafetyBitmap bitmap;
        bitmap.SetFileBytes(bytes);
        (void)bitmap.FileBytes();
        bitmap.SetTransparent(true);
        bitmap.PrepareMask();
    } catch (const velmo::Exception&) {
    }
    try {
        velmo::TSafetyBitmap bitmap;
        bitmap.LoadFromClipboardFormat(velmo::CF_DIB, bytes);
    } catch (const velmo::Exception&) {
    }
    return 0;
}
