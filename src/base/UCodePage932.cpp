#include "base/UCodePage932.h"
#include "base/UExceptions.h"

#include <QStringList>
#include <memory>
#include <mutex>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <vector>

namespace velmo::cp932 {
namespace {

struct ConverterCloser
{
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// ICU converters are not thread-safe; each call clones a prototype, which is cheap.
ConverterPtr OpenConverter(bool stopOnError)
{
    static std::once_flag once;
    static UConverter* prototype = nullptr;
    std::call_once(once, [] {
        UErrorCode status = U_ZERO_ERROR;
        prototype = ucnv_open("windows-31j", &status);
        if (U_FAILURE(status))
            prototype = nullptr;
    });
    if (!prototype)
        throw EConvertError(QStringLiteral("windows-31j converter is not available"));
    UErrorCode status = U_ZERO_ERROR;
    UConverter* clone = ucnv_clone(prototype, &status);
    if (U_FAILURE(status) || !clone)
        throw EConvertError(QStringLiteral("windows-31j converter is not available"));
    if (stopOnError) {
        status = U_ZERO_ERROR;
        ucnv_setFromUCallBack(clone, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        status = U_ZERO_ERROR;
        ucnv_setToUCallBack(clone, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    } else {
        status = U_ZERO_ERROR;
        ucnv_setToUCallBack(clone, UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &status);
    }
    return ConverterPtr(clone);
}

// Opening a converter costs more than converting a short name, and the readers
// convert many short strings: keep one of each kind per thread, reset before use.
UConverter* CachedConverter(bool stopOnError)
{
    thread_local ConverterPtr strict;
    thread_local ConverterPtr lenient;
    ConverterPtr& slot = stopOnError ? strict : lenient;
    if (!slot)
        slot = OpenConverter(stopOnError);
    ucnv_reset(slot.get());
    return slot.get();
}

// Code page 932 as the platform reads it maps the single byte 0xA0 to U+F8F0 and
// back; ICU's table has no 0xA0, and without it a byte that documents do hold
// (Code 128's FNC3) would not survive reading and writing.
constexpr char16_t kPrivateA0 = 0xF8F0;

} // namespace

// ICU's windows-31j conversions, which the public ones wrap.
static QByteArray EncodeIcu(const QString& text, bool* ok);
static QString DecodeIcu(const char* data, int length, bool* ok);

static QByteArray EncodeIcu(const QString& text, bool* ok)
{
    if (ok)
        *ok = true;
    if (text.isEmpty())
        return {};
    UConverter* conv = CachedConverter(true);
    QByteArray out;
    out.resize(text.size() * 2 + 16);
    const UChar* src = reinterpret_cast<const UChar*>(text.utf16());
    const UChar* srcLimit = src + text.size();
    char* target = out.data();
    char* targetLimit = out.data() + out.size();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_fromUnicode(conv, &target, targetLimit, &src, srcLimit, nullptr, true, &status);
    const int written = int(target - out.data());
    out.truncate(written);
    if (U_FAILURE(status)) {
        // The converter stops after consuming the offending character.
        int bad = int(src - reinterpret_cast<const UChar*>(text.utf16())) - 1;
        if (bad > 0 && QChar(text.at(bad)).isLowSurrogate() && QChar(text.at(bad - 1)).isHighSurrogate())
            --bad;
        bad = std::max(bad, 0);
        if (ok) {
            *ok = false;
            return out;
        }
        const uint code = text.at(bad).isHighSurrogate() && bad + 1 < text.size()
                              ? QChar::surrogateToUcs4(text.at(bad), text.at(bad + 1))
                              : text.at(bad).unicode();
        throw EConvertError(QStringLiteral("U+%1 cannot be written in code page 932")
                                .arg(code, 4, 16, QLatin1Char('0'))
                                .toUpper());
    }
    return out;
}

QByteArray Encode(const QString& text, bool* ok)
{
    if (!text.contains(QChar(kPrivateA0)))
        return EncodeIcu(text, ok);
    if (ok)
        *ok = true;
    QByteArray out;
    const QStringList pieces = text.split(QChar(kPrivateA0));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            out += char(0xA0);
        bool pieceOk = true;
        out += EncodeIcu(pieces[i], ok ? &pieceOk : nullptr);
        if (!pieceOk) {
            *ok = false;
            return out;
        }
    }
    return out;
}

bool CanEncode(const QString& text)
{
    bool ok = true;
    Encode(text, &ok);
    return ok;
}

static QString DecodeIcu(const char* data, int length, bool* ok)
{
    if (ok)
        *ok = true;
    if (length <= 0)
        return {};
    bool clean = true;
    QString out;
    {
        UConverter* strict = CachedConverter(true);
        std::vector<UChar> buffer(size_t(length) + 2);
        UChar* target = buffer.data();
        const char* src = data;
        UErrorCode status = U_ZERO_ERROR;
        ucnv_toUnicode(strict, &target, buffer.data() + buffer.size(), &src, data + length, nullptr, true,
                       &status);
        if (U_SUCCESS(status))
            return QString(reinterpret_cast<const QChar*>(buffer.data()), int(target - buffer.data()));
        clean = false;
    }
    UConverter* lenient = CachedConverter(false);
    std::vector<UChar> buffer(size_t(length) * 2 + 2);
    UChar* target = buffer.data();
    const char* src = data;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(lenient, &target, buffer.data() + buffer.size(), &src, data + length, nullptr, true,
                   &status);
    out = QString(reinterpret_cast<const QChar*>(buffer.data()), int(target - buffer.data()));
    if (ok)
        *ok = clean;
    return out;
}

QString Decode(const char* data, int length, bool* ok)
{
    // 0xA0 stands alone: it is no lead byte, and a trail byte follows a lead byte.
    int start = 0;
    QString out;
    bool clean = true;
    for (int i = 0; i < length; ++i) {
        const unsigned char b = static_cast<unsigned char>(data[i]);
        if (IsLeadByte(b)) {
            ++i;
            continue;
        }
        if (b != 0xA0)
            continue;
        bool pieceOk = true;
        out += DecodeIcu(data + start, i - start, &pieceOk);
        clean = clean && pieceOk;
        out += QChar(kPrivateA0);
        start = i + 1;
    }
    if (start == 0)
        return DecodeIcu(data, length, ok);
    bool pieceOk = true;
    out += DecodeIcu(data + start, length - start, &pieceOk);
    if (ok)
        *ok = clean && pieceOk;
    return out;
}

QString Decode(const QByteArray& bytes, bool* ok)
{
    return Decode(bytes.constData(), int(bytes.size()), ok);
}

bool IsLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

} // namespace velmo::cp932
