// Reads arbitrary bytes as a compressed container: a damaged header or zlib stream
// must end in EZLibError or a read error, never a crash or an unbounded allocation.
#include "storage/UZLibStream.h"
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    try {
        TReadOnlyMemoryStream stream(data, int64_t(size));
        uint32_t expected = 0;
        if (IsCompressed(stream, &expected)) {
            // Cap what the fuzzer may ask to inflate; the container itself refuses
            // data that expands beyond the stated size.
            TMemoryStream out;
            Decompress(stream, out, expected);
            if (out.Size() != expected)
                __builtin_trap();
        }
    } catch (const velmo::Exception&) {
    }
    // Compress and inflate again: the round trip must hold.
    TMemoryStream source(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    TMemoryStream packed;
    Compress(source, packed, size % 2 ? TCompressionLevel::clMax : TCompressionLevel::clFastest);
    packed.SetPosition(0);
    uint32_t n = 0;
    if (!IsCompressed(packed, &n) || n != size)
        __builtin_trap();
    TMemoryStream unpacked;
    Decompress(packed, unpacked, n);
    if (unpacked.Data() != source.Data())
        __builtin_trap();
    return 0;
}
