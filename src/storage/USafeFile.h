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
#include <memory>

class QIODevice;

namespace velmo {

// A file being written beside its target: the temporary file, checked on every
// write, becomes the target only on Commit. Destroyed (or cancelled) before that,
// it leaves no trace and the previous file stays as it was. For writers that work
// over a long time (a print run) rather than in one call.
class TReplacingFile
{
public:
    // Raises EStorageError when the target cannot be replaced (a missing folder, a
    // folder or other non-file in the way, no permission, another program's lock).
    explicit TReplacingFile(const QString& fileName);
    ~TReplacingFile();
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;

    // Where the content goes; valid until Commit or Cancel.
    QIODevice& Device();
    // The errno of the first failed write, 0 while every write went through.
    int Error() const;
    // Raises EStorageError for the first failed write, if any.
    void ThrowIfFailed() const;
    // Writes out what the device has gathered so far (it writes in blocks); false,
    // with Error() set, when that failed.
    bool Flush();
    // Flushes, syncs and renames over the target; EStorageError when any step fails,
    // the temporary file then removed and the target untouched.
    void Commit();
    void Cancel();

private:
    struct TPrivate;
    std::unique_ptr<TPrivate> d;
};

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
