#include "app/UMainCommands.h"
#include "document/ULabelData.h"
#include "draw/UDOInterfaces.h"
#include "draw/UDrawObject.h"
#include "objects/UDOGroup.h"
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace velmo {

namespace {

bool HoldsMergeField(TDrawObject* object)
{
    if (Supports<IDOInsertion>(object))
        return true;
    if (auto* group = dynamic_cast<TDOGroup*>(object))
        for (TDrawObject* member : group->MemberList())
            if (HoldsMergeField(member))
                return true;
    return false;
}

} // namespace

bool CurrentSheetHoldsMergeFields(TLabelData& document)
{
    const int count = document.LabelCount();
    for (int k = 0; k < count; ++k) {
        if (!document.LabelHasData(k))
            continue;
        TDOList list;
        try {
            document.ReadLabel(k, list);
        } catch (const std::exception&) {
            list.FreeObjects();
            return true;
        }
        bool found = false;
        for (TDrawObject* object : list.Objects())
            found = found || HoldsMergeField(object);
        list.FreeObjects();
        if (found)
            return true;
    }
    return false;
}

bool FileLockedByOther(const QString& fileName)
{
    const QByteArray path = QFile::encodeName(fileName);
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool locked = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

} // namespace velmo
