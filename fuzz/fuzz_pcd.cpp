// The Photo CD decoder on untrusted bytes: every resolution the pack claims, in the
// format and transform the last bytes choose.
#include "base/UStream.h"
#include "imaging/UPCDImage.h"
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    static const int kFormats[] = {velmo::kPCDFormatGrey, velmo::kPCDFormatPalette, velmo::kPCDFormatRGB};
    try {
        velmo::TPCDAccess access;
        if (!access.OpenBytes(bytes))
            return 0;
        const uint8_t choice = size > 0 ? data[size - 1] : 0;
        access.SetFormat(kFormats[(choice >> 3) % 3]);
        access.SetTransform(choice & 7);
        for (int r = 1; r <= 3; ++r) {
            if (!(access.ResolutionMask() & (1 << r)))
                continue;
            access.SetResolution(r);
            velmo::TMemoryStream stream;
            (void)access.LoadImage(stream);
        }
    } catch (const velmo::Exception&) {
    }
    return 0;
}
