// The JPEG decoder on untrusted bytes, at full and reduced scale and in 8-bit colour.
#include "imaging/USafetyJPEGImage.h"
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
#ifdef VELMO_FUZZING
    // Decoding costs time in proportion to the pixels the header announces, whatever
    // the data holds: a 16-megapixel photo takes half a second in a normal build and
    // nearly ten with the fuzzer's instrumentation, which the run's timeout counts as
    // a hang. Larger pictures go through the same code; the fuzzer spends its time on
    // smaller ones. (The replay in the test suite decodes every kept input whole.)
    constexpr int64_t kFuzzPixelBudget = int64_t(4) << 20;
    try {
        const velmo::TJPEGHeader header = velmo::ReadJPEGHeader(bytes);
        if (int64_t(header.Width) * header.Height > kFuzzPixelBudget)
            return 0;
    } catch (const velmo::Exception&) {
    }
#endif
    velmo::TJPEGDecodeOptions options;
    options.ScaleDenominator = size > 0 ? 1 << (data[size - 1] & 3) : 1;
    options.EightBit = size > 1 && (data[size - 2] & 1);
    try {
        (void)velmo::DecodeJPEG(bytes, options);
    } catch (const velmo::Exception&) {
    }
    return 0;
}
