#include "imaging/UResourceImage.h"

#include "base/UStream.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include "storage/UZLibStream.h"
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <mutex>

namespace velmo {

QString ResourceNotFoundMessage(const QString& name)
{
    return QStringLiteral("%1 リソースが見つかりません").arg(name);
}

QString ApplicationResourceNotFoundMessage(const QString& name)
{
    return QStringLiteral("リソース %1 が見つかりません").arg(name);
}

QString DamagedResourceFileMessage()
{
    return QStringLiteral("リソースファイルが壊れています");
}

// ---------------------------------------------------------------------------------
// Resource identifiers

TResourceId TResourceId::FromString(const QString& text)
{
    if (text.startsWith(u'#')) {
        bool ok = false;
        const uint value = text.mid(1).toUInt(&ok, 10);
        if (ok && value <= 0xFFFF)
            return FromOrdinal(uint16_t(value));
    }
    return {false, 0, text};
}

bool TResourceId::Matches(const TResourceId& other) const
{
    if (IsOrdinal != other.IsOrdinal)
        return false;
    if (IsOrdinal)
        return Ordinal == other.Ordinal;
    return Name.compare(other.Name, Qt::CaseInsensitive) == 0;
}

QString TResourceId::ToString() const
{
    return IsOrdinal ? QStringLiteral("#%1").arg(Ordinal) : Name;
}

// ---------------------------------------------------------------------------------
// Resource files

namespace {

constexpr int64_t Align4(int64_t v)
{
    return (v + 3) & ~int64_t(3);
}

uint32_t U32At(const QByteArray& b, int64_t at)
{
    const auto* p = reinterpret_cast<const uchar*>(b.constData()) + at;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t U16At(const QByteArray& b, int64_t at)
{
    const auto* p = reinterpret_cast<const uchar*>(b.constData()) + at;
    return uint16_t(p[0] | p[1] << 8);
}

[[noreturn]] void Damaged()
{
    throw EResourceError(DamagedResourceFileMessage());
}

// An ordinal or a zero-terminated UTF-16 string at pos, within [pos, end).
TResourceId ReadId(const QByteArray& b, int64_t& pos, int64_t end)
{
    if (pos + 2 > end)
        Damaged();
    if (U16At(b, pos) == 0xFFFF) {
        if (pos + 4 > end)
            Damaged();
        const uint16_t ordinal = U16At(b, pos + 2);
        pos += 4;
        return TResourceId::FromOrdinal(ordinal);
    }
    QString name;
    for (;;) {
        if (pos + 2 > end)
            Damaged(); // no terminator inside the header
        const uint16_t c = U16At(b, pos);
        pos += 2;
        if (c == 0)
            break;
        name += QChar(char16_t(c));
    }
    return {false, 0, name};
}

} // namespace

std::vector<TResourceRecord> ReadResourceRecords(const QByteArray& file)
{
    std::vector<TResourceRecord> records;
    const int64_t size = file.size();
    int64_t pos = 0;
    // Trailing padding shorter than a record header is tolerated.
    while (pos + 8 <= size) {
        const uint32_t dataSize = U32At(file, pos);
        const uint32_t headerSize = U32At(file, pos + 4);
        // Both sizes, the type and the name need at least 12 bytes.
        if (headerSize < 12 || pos + int64_t(headerSize) > size)
            Damaged();
        const int64_t headerEnd = pos + int64_t(headerSize);
        int64_t at = pos + 8;
        TResourceRecord record;
        record.Type = ReadId(file, at, headerEnd);
        record.Name = ReadId(file, at, headerEnd);
        record.DataOffset = pos + Align4(headerSize);
        record.DataSize = dataSize;
        if (record.DataOffset + int64_t(dataSize) > size)
            Damaged();
        records.push_back(std::move(record));
        pos += Align4(headerSize) + Align4(dataSize); // strictly forward: headerSize >= 12
    }
    return records;
}

QByteArray FindResource(const QByteArray& file, const TResourceId& type, const TResourceId& name)
{
    // Records are walked from the start, and only as far as the match: a damaged
    // record after it does not hide a good resource.
    const int64_t size = file.size();
    int64_t pos = 0;
    while (pos + 8 <= size) {
        const uint32_t dataSize = U32At(file, pos);
        const uint32_t headerSize = U32At(file, pos + 4);
        if (headerSize < 12 || pos + int64_t(headerSize) > size)
            Damaged();
        const int64_t headerEnd = pos + int64_t(headerSize);
        int64_t at = pos + 8;
        const TResourceId recordType = ReadId(file, at, headerEnd);
        const TResourceId recordName = ReadId(file, at, headerEnd);
        const int64_t dataOffset = pos + Align4(headerSize);
        if (dataOffset + int64_t(dataSize) > size)
            Damaged();
        if (recordType.Matches(type) && recordName.Matches(name))
            return file.mid(qsizetype(dataOffset), qsizetype(dataSize));
        pos += Align4(headerSize) + Align4(dataSize);
    }
    throw EResourceError(ResourceNotFoundMessage(name.ToString()));
}

QByteArray FindResourceInFile(const QString& fileName, const TResourceId& type, const TResourceId& name)
{
    TFileStream stream(fileName, TFileStream::fmOpenRead);
    const int64_t size = stream.Size();
    if (size > (int64_t(1) << 31) - 1)
        Damaged();
    return FindResource(stream.ReadBytes(size), type, name);
}

namespace {

void PutU16(QByteArray& out, uint16_t v)
{
    out += char(v & 0xFF);
    out += char(v >> 8);
}

void PutU32(QByteArray& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += char((v >> (8 * i)) & 0xFF);
}

void PutId(QByteArray& out, const TResourceId& id)
{
    if (id.IsOrdinal) {
        PutU16(out, 0xFFFF);
        PutU16(out, id.Ordinal);
        return;
    }
    for (QChar c : id.Name)
        PutU16(out, c.unicode());
    PutU16(out, 0);
}

void PutRecord(QByteArray& out, const TResourceEntry& entry)
{
    QByteArray header;
    PutId(header, entry.Type);
    PutId(header, entry.Name);
    while (header.size() % 4)
        header += '\0';
    // DataVersion, MemoryFlags (moveable, pure, discardable), LanguageId (neutral),
    // Version, Characteristics.
    PutU32(header, 0);
    PutU16(header, 0x1030);
    PutU16(header, 0);
    PutU32(header, 0);
    PutU32(header, 0);
    PutU32(out, uint32_t(entry.Data.size()));
    PutU32(out, uint32_t(8 + header.size()));
    out += header;
    out += entry.Data;
    while (out.size() % 4)
        out += '\0';
}

} // namespace

QByteArray WriteResourceFile(const std::vector<TResourceEntry>& entries)
{
    QByteArray out;
    PutRecord(out, {TResourceId::FromOrdinal(0), TResourceId::FromOrdinal(0), {}});
    for (const TResourceEntry& entry : entries)
        PutRecord(out, entry);
    return out;
}

QByteArray BitmapResourceData(const TSafetyBitmap& bitmap)
{
    return bitmap.FileBytes().mid(14);
}

QByteArray CompressedBitmapResourceData(const TSafetyBitmap& bitmap)
{
    TMemoryStream source(bitmap.FileBytes());
    TMemoryStream target;
    Compress(source, target, TCompressionLevel::clMax);
    return target.Data();
}

namespace {

struct ResourcePlaces
{
    std::mutex Lock;
    QString ApplicationFile;
    QString Directory;
    TResourceFileResolver Resolver;
};

ResourcePlaces& Places()
{
    static ResourcePlaces places;
    return places;
}

} // namespace

void SetApplicationResourceFile(const QString& fileName)
{
    std::lock_guard lock(Places().Lock);
    Places().ApplicationFile = fileName;
}

QString ApplicationResourceFile()
{
    std::lock_guard lock(Places().Lock);
    return Places().ApplicationFile;
}

void SetApplicationDirectory(const QString& directory)
{
    std::lock_guard lock(Places().Lock);
    Places().Directory = directory;
}

QString ApplicationDirectory()
{
    {
        std::lock_guard lock(Places().Lock);
        if (!Places().Directory.isEmpty())
            return Places().Directory;
    }
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

void SetResourceFileResolver(TResourceFileResolver resolver)
{
    std::lock_guard lock(Places().Lock);
    Places().Resolver = std::move(resolver);
}

QString ResolveResourceFile(const QString& resFile)
{
    TResourceFileResolver resolver;
    {
        std::lock_guard lock(Places().Lock);
        resolver = Places().Resolver;
    }
    if (resolver) {
        const QString found = resolver(resFile);
        if (!found.isEmpty())
            return found;
    }
    return QDir(ApplicationDirectory()).filePath(QString(resFile).replace(u'\\', u'/'));
}

QByteArray OpenResource(const QString& resFile, const TResourceId& type, const TResourceId& name)
{
    if (!resFile.isEmpty()) {
        const QString path = ResolveResourceFile(resFile);
        if (QFileInfo(path).isFile())
            return FindResourceInFile(path, type, name);
    }
    const QString own = ApplicationResourceFile();
    if (own.isEmpty() || !QFileInfo(own).isFile())
        throw EResourceError(ApplicationResourceNotFoundMessage(name.ToString()));
    try {
        return FindResourceInFile(own, type, name);
    } catch (const EResourceError& e) {
        if (e.Message() == ResourceNotFoundMessage(name.ToString()))
            throw EResourceError(ApplicationResourceNotFoundMessage(name.ToString()));
        throw;
    }
}

// ---------------------------------------------------------------------------------
// Loading pictures from resource data

void LoadBitmapResource(const QByteArray& data, TPictureEx& picture)
{
    TMemoryStream probe(data);
    if (IsCompressed(probe)) {
        // A compressed bitmap: the bitmap reader opens the container itself.
        TMemoryStream stream(data);
        picture.EnsureBitmap()->LoadFromStream(stream);
        return;
    }
    // A bitmap resource is a DIB without its file header: put one in front, with
    // only the signature set, so that the reader finds the bits after the colours.
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    file += data;
    TMemoryStream stream(file);
    picture.EnsureBitmap()->LoadFromStream(stream);
}

void LoadIconResource(const QByteArray& data, TPictureEx& picture)
{
    // An icon resource is one image of an icon file: wrap it in a directory of one
    // entry and read it as an icon file.
    if (data.size() < 16)
        throw EInvalidGraphic(InvalidBitmapMessage());
    int width = 0, height = 0, bits = 0;
    if (data.startsWith("\x89PNG")) {
        width = height = 0; // taken from the PNG itself
    } else {
        const auto* p = reinterpret_cast<const uchar*>(data.constData());
        width = int(p[4] | p[5] << 8 | p[6] << 16 | p[7] << 24);
        height = int(p[8] | p[9] << 8 | p[10] << 16 | p[11] << 24) / 2;
        bits = p[14] | p[15] << 8;
    }
    QByteArray file;
    auto put16 = [&file](int v) {
        file += char(v & 0xFF);
        file += char((v >> 8) & 0xFF);
    };
    auto put32 = [&file](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file += char((v >> (8 * i)) & 0xFF);
    };
    put16(0);
    put16(1);
    put16(1);
    file += char(width >= 256 || width <= 0 ? 0 : width);
    file += char(height >= 256 || height <= 0 ? 0 : height);
    file += char(0);
    file += char(0);
    put16(1);
    put16(bits);
    put32(uint32_t(data.size()));
    put32(22);
    file += data;
    TLoadedPicture loaded = ReadToolkitPicture(file, "ico");
    if (loaded.KeyColor != clNone) {
        // A picture alone carries no key colour: the uncovered pixels become white.
        auto* bitmap = static_cast<TSafetyBitmap*>(loaded.Graphic.get());
        QImage pixels = bitmap->Pixels().convertToFormat(QImage::Format_RGB32);
        const QRgb key = ColorToRgb(loaded.KeyColor);
        for (int y = 0; y < pixels.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(pixels.scanLine(y));
            for (int x = 0; x < pixels.width(); ++x)
                if ((line[x] | 0xFF000000u) == key)
                    line[x] = qRgb(255, 255, 255);
        }
        bitmap->SetImage(pixels.convertToFormat(QImage::Format_RGB888));
    }
    picture.SetGraphic(std::move(loaded.Graphic));
}

// ---------------------------------------------------------------------------------
// TResourceImageLoader

const TPropertyTable& TResourceImageLoader::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Bool("AutoLoad", &TResourceImageLoader::AutoLoad, &TResourceImageLoader::SetAutoLoad)
            .Default(1)
            .String("ResFile", &TResourceImageLoader::ResFile, &TResourceImageLoader::SetResFile)
            .String("ResType", &TResourceImageLoader::ResType, &TResourceImageLoader::SetResType)
            .String("ResName", &TResourceImageLoader::ResName, &TResourceImageLoader::SetResName);
    return table;
}

TResourceImageLoader::TResourceImageLoader(TPictureEx* picture) : FPicture(picture) {}

void TResourceImageLoader::SetResFile(const QString& value)
{
    if (value == FResFile)
        return;
    FResFile = value;
    Reload();
}

void TResourceImageLoader::SetResType(const QString& value)
{
    if (value == FResType)
        return;
    FResType = value;
    Reload();
}

void TResourceImageLoader::SetResName(const QString& value)
{
    if (value == FResName)
        return;
    FResName = value;
    Reload();
}

void TResourceImageLoader::OwnerLoaded()
{
    FOwnerLoaded = true;
    Load();
}

void TResourceImageLoader::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TResourceImageLoader*>(&source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    FResFile = other->FResFile;
    FResType = other->FResType;
    FResName = other->FResName;
    Reload();
}

void TResourceImageLoader::Reload()
{
    if (FPicture)
        FPicture->SetDataNotStored(false);
    Load();
}

void TResourceImageLoader::Load()
{
    if (!FPicture || !FAutoLoad || !FOwnerLoaded || FResType.isEmpty() || FResName.isEmpty())
        return;
    TResourceId type;
    if (FResType == u"RT_BITMAP")
        type = TResourceId::FromOrdinal(RT_BITMAP);
    else if (FResType == u"RT_ICON")
        type = TResourceId::FromOrdinal(RT_ICON);
    else
        type = TResourceId::FromString(FResType);
    const QByteArray data = OpenResource(FResFile, type, TResourceId::FromString(FResName));

    bool loaded = false;
    if (FLoadHandler)
        loaded = FLoadHandler(data, *FPicture);
    if (!loaded) {
        if ((type.IsOrdinal && type.Ordinal == RT_BITMAP) ||
            (!type.IsOrdinal && type.Name.compare(u"CBM", Qt::CaseInsensitive) == 0)) {
            LoadBitmapResource(data, *FPicture);
            loaded = true;
        } else if (type.IsOrdinal && type.Ordinal == RT_ICON) {
            LoadIconResource(data, *FPicture);
            loaded = true;
        } else if (!type.IsOrdinal && type.Name.compare(u"JPEG", Qt::CaseInsensitive) == 0) {
            FPicture->EnsureJPEG()->SetFileBytes(data);
            loaded = true;
        }
        // Metafile resources have no reader here; like any other type they load
        // nothing, and the picture stays stored with its owner.
    }
    if (loaded)
        FPicture->SetDataNotStored(true);
}

} // namespace velmo
