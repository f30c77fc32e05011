#pragma once
// Helpers shared by the compound file tests: deterministic contents, a listing of a
// whole file's tree, and little-endian patching of raw file bytes.
#include "storage/UCompoundFile.h"
#include <QByteArray>
#include <QCryptographicHash>
#include <QStringList>
#include <functional>
#include <ostream>

QT_BEGIN_NAMESPACE
// Readable test failures for texts.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace velmo::test {

// Bytes that differ by stream and position, so misplaced sectors show.
inline QByteArray Pattern(int64_t size, uint32_t seed)
{
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    uint32_t x = seed * 2654435761u + 1;
    for (qsizetype i = 0; i < out.size(); ++i) {
        x = x * 1103515245u + 12345u;
        out[i] = char(x >> 24);
    }
    return out;
}

inline void PutStream(TCfbStorage& storage, const QString& name, const QByteArray& bytes)
{
    auto stream = storage.CreateStream(name);
    stream->Write(bytes.constData(), bytes.size());
}

inline QByteArray GetStream(TCfbStorage& storage, const QString& name)
{
    auto stream = storage.OpenStream(name, TStgAccess::Read);
    QByteArray out(qsizetype(stream->Size()), Qt::Uninitialized);
    stream->Read(out.data(), out.size());
    return out;
}

// One line per element, depth first in enumeration order: "D path" for storages,
// "F size md5 path" for streams; paths with "/".
inline QStringList Listing(TCfbStorage& storage, const QString& prefix = QString())
{
    QStringList out;
    for (const TStgElement& e : storage.Elements()) {
        const QString path = prefix.isEmpty() ? e.Name : prefix + u'/' + e.Name;
        if (e.Type == TStgElementType::Storage) {
            out << QStringLiteral("D %1").arg(path);
            auto child = storage.OpenStorage(e.Name, TStgAccess::Read);
            out << Listing(*child, path);
        } else {
            const QByteArray bytes = GetStream(storage, e.Name);
            out << QStringLiteral("F %1 %2 %3")
                       .arg(bytes.size())
                       .arg(QString::fromLatin1(
                           QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex()))
                       .arg(path);
        }
    }
    return out;
}

inline uint32_t Get32(const QByteArray& b, qsizetype at)
{
    return uint32_t(uint8_t(b[at])) | (uint32_t(uint8_t(b[at + 1])) << 8) |
           (uint32_t(uint8_t(b[at + 2])) << 16) | (uint32_t(uint8_t(b[at + 3])) << 24);
}

inline void Set32(QByteArray& b, qsizetype at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(v >> (8 * i));
}

inline void Set16(QByteArray& b, qsizetype at, uint16_t v)
{
    b[at] = char(v);
    b[at + 1] = char(v >> 8);
}

} // namespace velmo::test
