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
class TCheckedFile : public QIODevice
{
public:
    explicit TCheckedFile(int fd) : FFd(fd) { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    int Error() const { return FError; }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (FError != 0)
            return -1;
        qint64 done = 0;
        while (done < size) {
            qint64 chunk = size - done;
            const int64_t allowance = GWriteFaultAfter.load();
            if (allowance >= 0) {
                if (allowance == 0) {
                    FError = ENOSPC;
                    return -1;
                }
                chunk = std::min<qint64>(chunk, allowance);
            }
            const ssize_t n = ::write(FFd, data + done, size_t(chunk));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                FError = errno;
                return -1;
            }
            if (allowance >= 0)
                GWriteFaultAfter.store(allowance - n);
            done += n;
        }
        return done;
    }

private:
    int FFd;
    int FError = 0;
};

// Removes the temporary file unless the rename took it.
struct TTemporaryName
{
    QByteArray Name;
    int Fd = -1;
    ~TTemporaryName()
    {
        if (Fd >= 0)
            ::close(Fd);
        if (!Name.isEmpty())
            ::unlink(Name.constData());
    }
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

void WriteFileReplacing(const QString& fileName, const std::function<void(QIODevice&)>& write)
{
    const QFileInfo info(fileName);
    const QString absolute = info.absoluteFilePath();
    const QByteArray target = EncodedFileName(absolute);
    const QByteArray folder = EncodedFileName(info.absolutePath());
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
    int lockFd = -1;
    struct stat old {};
    if (::stat(target.constData(), &old) == 0) {
        if (!S_ISREG(old.st_mode))
            throw EStorageError(stg::E_ACCESSDENIED, fileName);
        if (::access(target.constData(), W_OK) != 0)
            FailErrno(errno, fileName);
        mode = old.st_mode & 07777;
        lockFd = ::open(target.constData(), O_RDONLY | O_CLOEXEC);
        if (lockFd >= 0 && ::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(lockFd);
            if (error == EWOULDBLOCK)
                throw EStorageError(stg::E_SHAREVIOLATION, fileName);
            FailErrno(error, fileName);
        }
    }
    struct TLockGuard
    {
        int Fd;
        ~TLockGuard()
        {
            if (Fd >= 0)
                ::close(Fd);
        }
    } lockGuard{lockFd};

    TTemporaryName temporary;
    temporary.Name = folder + "/." + QFile::encodeName(info.fileName()) + ".XXXXXX";
    temporary.Fd = ::mkostemp(temporary.Name.data(), O_CLOEXEC);
    if (temporary.Fd < 0) {
        const int error = errno;
        temporary.Name.clear();
        FailErrno(error, fileName);
    }
    if (::fchmod(temporary.Fd, mode) != 0)
        FailErrno(errno, fileName);

    {
        TCheckedFile device(temporary.Fd);
        try {
            write(device);
        } catch (...) {
            // A writer that gives up on a failed write reports it its own way; the
            // cause the user can act on (a full disk) is the device's.
            if (device.Error() != 0)
                FailErrno(device.Error(), fileName);
            throw;
        }
        if (device.Error() != 0)
            FailErrno(device.Error(), fileName);
    }
    if (::fsync(temporary.Fd) != 0)
        FailErrno(errno, fileName);
    const int fd = temporary.Fd;
    temporary.Fd = -1;
    if (::close(fd) != 0)
        FailErrno(errno, fileName);
    if (::rename(temporary.Name.constData(), target.constData()) != 0)
        FailErrno(errno, fileName);
    temporary.Name.clear();
    SyncFolder(folder);
}

void WriteFileReplacing(const QString& fileName, const QByteArray& bytes)
{
    WriteFileReplacing(fileName, [&](QIODevice& out) { out.write(bytes); });
}

} // namespace velmo
