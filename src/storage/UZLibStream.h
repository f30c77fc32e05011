#pragma once
// The compressed container: a marker, the uncompressed size and a zlib stream. Label
// streams of work files, compressed bitmaps and downloaded catalogues use it.
#include "base/UStream.h"

namespace velmo {

VELMO_DECLARE_EXCEPTION(EZLibError, EStreamError)

enum class TCompressionLevel
{
    clNone,
    clFastest,
    clDefault,
    clMax
};

// The largest uncompressed size a container may state: far above any label design
// with photos, far below what would exhaust memory.
constexpr uint32_t kMaxDecompressedSize = 512u * 1024 * 1024;
// deflate cannot expand data by more than this factor (its limit is about 1032:1).
constexpr int64_t kMaxDeflateRatio = 1040;

// The 13 marker bytes: "ZLIBCompress" and 0x1A.
const QByteArray& CompressMarker();

// Reads 13 bytes at the position; when they are the marker, reads the size, leaves
// the position after it and returns true. Otherwise restores the position.
bool IsCompressed(TStream& stream, uint32_t* size = nullptr);

// Copies size bytes inflated from the zlib stream at the source's position into the
// target. A zlib stream that is damaged or ends before size bytes raises EZLibError;
// one that holds more than size bytes raises it as well, since the header lied. A size
// above kMaxDecompressedSize, or more than the bytes left in the source can inflate
// to, is refused before anything is read. DecompressFile writes through
// WriteFileReplacing and raises EStorageError when that fails.
void Decompress(TStream& source, TStream& target, uint32_t size);

// Writes the marker, the count of bytes from the source's position to its end, and
// their zlib compression at the level.
void Compress(TMemoryStream& source, TStream& target, TCompressionLevel level);

bool IsCompressedFile(const QString& fileName);
// Creates the target only when the source begins with the marker; returns whether it did.
bool DecompressFile(const QString& fileName, const QString& targetFileName);

} // namespace velmo
