// Compressed bitmaps: the container's marker and size, then a bitmap inside.
#include "imaging/USafetyBitmap.h"
#include "storage/UZLibStream.h"
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The fuzzer's bytes follow the marker, so that every input reaches the container.
    QByteArray bytes = velmo::CompressMarker();
    bytes.append(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        velmo::TSafetyBitmap bitmap;
        bitmap.SetFileBytes(bytes);
    } catch (const velmo::Exception&) {
    }
    return 0;
}
