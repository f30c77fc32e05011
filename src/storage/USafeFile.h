#pragma once
// Replacing a file without ever losing the previous one.
//
// The new content goes to a temporary file beside the target; every write is
// checked, the file is flushed to the disk, renamed over the target and the folder
// is flushed too. Whatever fails on the way, the temporary file is removed, the
// previous file stays byte for byte, and EStorageError says what happened: a full
// disk, a locked target, a missing folder, a name the file system cannot hold.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

class QIODevice;

namespace velmo {

// Writes fileName whole through `write`, which receives the temporary file. The
// writer may ignore the results of its writes: the first failure is remembered and
// reported after it returns. A target that another program holds locked (flock) is
// refused before anything is written.
void WriteFileReplacing(const QString& fileName, const std::function<void(QIODevice&)>& write);
void WriteFileReplacing(const QString& fileName, const QByteArray& bytes);

// The name as the file system will hold it; EStorageError (E_INVALIDNAME) when the
// locale's encoding cannot represent it, so that it never silently becomes another.
QByteArray EncodedFileName(const QString& fileName);

// Fault injection for tests: after this many more bytes every write fails with a full
// disk (negative: off). Applies to every file written through WriteFileReplacing.
void SetWriteFaultAfter(int64_t bytes);

} // namespace velmo
