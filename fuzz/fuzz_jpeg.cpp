// The JPEG decoder on untrusted bytes, at full and reduced scale and in 8-bit colour.
#include "imaging/USafetyJPEGImage.h"
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    velmo::TJPEGDecodeOptions options;
    options.ScaleDenominator = size > 0 ? 1 << (data[size - 1] & 3) : 1;
    options.EightBit = size > 1 && (data[size - 2] & 1);
    try {
        (void)velmo::DecodeJPEG(bytes, options);
    } catch (const velmo::Exception&) {
    }
    return 0;
}
