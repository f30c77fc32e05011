#pragma once
// The exception classes of the program. Every error is an exception derived from
// Exception; its message is the text the user sees, so it is kept as a QString.
#include <QByteArray>
#include <QString>
#include <exception>

namespace velmo {

class Exception : public std::exception
{
public:
    explicit Exception(QString message) : FMessage(std::move(message)) {}
    const QString& Message() const noexcept { return FMessage; }
    void SetMessage(const QString& message)
    {
        FMessage = message;
        FUtf8.clear();
    }
    // The class name, as the exception handler needs it to tell kinds apart by name.
    virtual const char* ClassName() const noexcept { return "Exception"; }
    const char* what() const noexcept override;

private:
    QString FMessage;
    mutable QByteArray FUtf8;
};

#define VELMO_DECLARE_EXCEPTION(Name, Base)                                                                  \
    class Name : public Base                                                                                 \
    {                                                                                                        \
    public:                                                                                                  \
        using Base::Base;                                                                                    \
        const char* ClassName() const noexcept override { return #Name; }                                    \
    };

VELMO_DECLARE_EXCEPTION(EMacroString, Exception)
VELMO_DECLARE_EXCEPTION(EFileError, Exception)
VELMO_DECLARE_EXCEPTION(EPathUtil, Exception)
VELMO_DECLARE_EXCEPTION(EHistoryManager, Exception)
VELMO_DECLARE_EXCEPTION(EConvertError, Exception)
// Thrown by code that meets an internal inconsistency; carries a fixed English text.
VELMO_DECLARE_EXCEPTION(EInternalError, Exception)

// What the user is told when an allocation failed ("メモリが不足しています").
QString OutOfMemoryMessage();
// The user's text of any exception: our own message, the out-of-memory text for
// std::bad_alloc, what() for the rest.
QString ExceptionText(const std::exception& error);

} // namespace velmo
