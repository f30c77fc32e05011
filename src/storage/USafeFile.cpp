#include "storage/USafeFile.h"
#include "storage/UCompoundFile.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmo {

namespace {

std::atomic<int64_t> GWriteFaultAfter{-1};

uint32_t StatusOfErrno(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return stg::E_MEDIUMFULL;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return stg::E_ACCESSDENIED;
    case ENOENT:
    case ENOTDIR:
        return stg::E_PATHNOTFOUND;
    case ENAMETOOLONG:
        return stg::E_INVALIDNAME;
    case EWOULDBLOCK:
        return stg::E_SHAREVIOLATION;
    default:
        return stg::E_WRITEFAULT;
    }
}

[[noreturn]] void FailErrno(int error, const QString& fileName)
{
    throw EStorageError(StatusOfErrno(error),
                        QStringLiteral("%1: %2").arg(fileName, QString::fromLocal8Bit(std::strerror(error))));
}

// A write-only device on a file descriptor that remembers its first failure, so a
// writer that does not look at every result still cannot make a short file pass.
// Writers such as the PDF engine write in pieces of a few bytes: they are gathered
// into blocks so that a long job does not cost a system call per piece.
class TCheckedFile : public QIODevice
{
public:
    explicit TCheckedFile(int fd) : FFd(fd) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    int Error() const { return FError; }
    bool isSequential() const override { return true; }
    // Writes out what is gathered; false (and Error() set) when that failed.
    bool FlushBlock()
    {
        if (FError == 0 && !FBlock.isEmpty())
            WriteOut(FBlock.constData(), FBlock.size());
        FBlock.clear();
        return FError == 0;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (FError != 0)
            return -1;
        if (FBlock.size() + size > kBlock && !FlushBlock())
            return -1;
        if (size >= kBlock) {
            if (!WriteOut(data, size))
                return -1;
            return size;
        }
        if (FBlock.capacity() < kBlock)
            FBlock.reserve(kBlock);
        FBlock.append(data, size);
        return size;
    }

private:
    static constexpr qint64 kBlock = 256 * 1024;

    bool WriteOut(const char* data, qint64 size)
    {
        qint64 done = 0;
        while (done < size) {
            qint64 chunk = size - done;
            const int64_t allowance = GWriteFaultAfter.load();
            if (allowance >= 0) {
                if (allowance == 0) {
                    FError = ENOSPC;
                    return false;
                }
                chunk = std::min<qint64>(chunk, allowance);
            }
            const ssize_t n = ::write(FFd, data + done, size_t(chunk));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                FError = errno;
                return false;
            }
            if (allowance >= 0)
                GWriteFaultAfter.store(allowance - n);
            done += n;
        }
        return true;
    }

    int FFd;
    int FError = 0;
    QByteArray FBlock;
};

void SyncFolder(const QByteArray& folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return; // the rename is done; a folder we cannot open cannot be flushed either
    ::fsync(fd);
    ::close(fd);
}

} // namespace

void SetWriteFaultAfter(int64_t bytes)
{
    GWriteFaultAfter.store(bytes);
}

QByteArray EncodedFileName(const QString& fileName)
{
    const QByteArray encoded = QFile::encodeName(fileName);
    if (fileName.isEmpty() || QFile::decodeName(encoded) != fileName || encoded.contains('\0'))
        throw EStorageError(stg::E_INVALIDNAME, fileName);
    return encoded;
}

struct TReplacingFile::TPrivate
{
    QString FileName;
    QByteArray Target, Folder;
    int LockFd = -1;
    QByteArray TemporaryName;
    int Fd = -1;
    std::unique_ptr<TCheckedFile> Device;

    ~TPrivate() { Discard(); }
    void Discard()
    {
        Device.reset();
        if (Fd >= 0)
            ::close(Fd);
        Fd = -1;
        if (!TemporaryName.isEmpty())
            ::unlink(TemporaryName.constData());
        TemporaryName.clear();
        if (LockFd >= 0)
            ::close(LockFd);
        LockFd = -1;
    }
};

TReplacingFile::TReplacingFile(const QString& fileName) : d(std::make_unique<TPrivate>())
{
    d->FileName = fileName;
    const QFileInfo info(fileName);
    const QString absolute = info.absoluteFilePath();
    d->Target = EncodedFileName(absolute);
    d->Folder = EncodedFileName(info.absolutePath());
    if (!info.absoluteDir().exists())
        throw EStorageError(stg::E_PATHNOTFOUND, fileName);
    if (info.isDir())
        throw EStorageError(stg::E_ACCESSDENIED, fileName);

    // Another program's lock on the old file, and the old file's permissions.
    mode_t mode = 0666;
    {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    struct stat old
    {
    };
    if (::stat(d->Target.constData(), &old) == 0) {
        if (!S_ISREG(old.st_mode))
            throw EStorageError(stg::E_ACCESSDENIED, fileName);
        if (::access(d->Target.constData(), W_OK) != 0)
            FailErrno(errno, fileName);
        mode = old.st_mode & 07777;
        d->LockFd = ::open(d->Target.constData(), O_RDONLY | O_CLOEXEC);
        if (d->LockFd >= 0 && ::flock(d->LockFd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if (error == EWOULDBLOCK)
                throw EStorageError(stg::E_SHAREVIOLATION, fileName);
            FailErrno(error, fileName);
        }
    }

    QByteArray name = d->Folder + "/." + QFile::encodeName(info.fileName()) + ".XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        FailErrno(errno, fileName);
    d->TemporaryName = name;
    d->Fd = fd;
    if (::fchmod(d->Fd, mode) != 0)
        FailErrno(errno, fileName);
    d->Device = std::make_unique<TCheckedFile>(d->Fd);
}

TReplacingFile::~TReplacingFile() = default;

QIODevice& TReplacingFile::Device()
{
    return *d->Device;
}

int TReplacingFile::Error() const
{
    return d->Device ? d->Device->Error() : 0;
}

void TReplacingFile::ThrowIfFailed() const
{
    if (Error() != 0)
        FailErrno(Error(), d->FileName);
}

bool TReplacingFile::Flush()
{
    return d->Device && d->Device->FlushBlock();
}

void TReplacingFile::Commit()
{
    if (!d->Device)
        throw EStorageError(stg::E_WRITEFAULT, d->FileName);
    if (!d->Device->FlushBlock())
        FailErrno(d->Device->Error(), d->FileName);
    d->Device.reset();
    if (::fsync(d->Fd) != 0)
        FailErrno(errno, d->FileName);
    const int fd = d->Fd;
    d->Fd = -1;
    if (::close(fd) != 0)
        FailErrno(errno, d->FileName);
    if (::rename(d->TemporaryName.constData(), d->Target.constData()) != 0)
        FailErrno(errno, d->FileName);
    d->TemporaryName.clear();
    SyncFolder(d->Folder);
    d->Discard();
}

void TReplacingFile::Cancel()
{
    d->Discard();
}

void WriteFileReplacing(const QString& fileName, const std::function<void(QIODevice&)>& write)
{
    TReplacingFile file(fileName);
    try {
        write(file.Device());
    } catch (...) {
        // A writer that gives up on a failed write reports it its own way; the
        // cause the user can act on (a full disk) is the device's.
        file.ThrowIfFailed();
        throw;
    }
    file.ThrowIfFailed();
    file.Commit();
}

void WriteFileReplacing(const QString& fileName, const QByteArray& bytes)
{
    WriteFileReplacing(fileName, [&](QIODevice& out) { out.write(bytes); });
}

} // namespace velmo
