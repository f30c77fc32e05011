#include "base/UExceptions.h"
#include <new>

namespace velmo {

const char* Exception::what() const noexcept
{
    if (FUtf8.isEmpty())
        FUtf8 = FMessage.toUtf8();
    return FUtf8.constData();
}

QString OutOfMemoryMessage()
{
    return QStringLiteral("メモリが不足しています");
}

QString ExceptionText(const std::exception& error)
{
    if (auto* own = dynamic_cast<const Exception*>(&error))
        return own->Message();
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return OutOfMemoryMessage();
    return QString::fromLocal8Bit(error.what());
}

} // namespace velmo
